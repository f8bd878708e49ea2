// The macro editor's rules: row texts, record <-> rows through a real macro
// file, the tidy before saving, the buffer limit, saving changed macros and
// the recorder, driven with a clock the test sets.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "base/XmlLoader.h"
#include "config/language.h"
#include "macro/macroedit.h"
#include "macro/macrofile.h"
#include "model/hwparam.h"
#include "test_support.h"

namespace keyloom {
namespace {

constexpr int kShift = 56, kShiftRight = 60, kControl = 59, kControlRight = 62, kCommand = 55, kCaps = 57;
constexpr int kA = 0, kQ = 12;

// A row as "v56" (pressed), "^56" (released), "30ms", "m<code>", "w<code>".
std::string row_code(const outlineviewData& row) {
    const std::string n = std::to_string(row.nItemData);
    switch (row.nFlagData) {
        case MACRO_ROW_DOWN: return "v" + n;
        case MACRO_ROW_UP: return "^" + n;
        case MACRO_ROW_PAUSE: return n + "ms";
        case MACRO_ROW_MOUSE: return "m" + n;
        default: return "w" + n;
    }
}
std::vector<std::string> rows_of(const outlineviewData& list) {
    std::vector<std::string> out;
    for (const auto& r : list.array) out.push_back(row_code(*r));
    return out;
}
using Rows = std::vector<std::string>;

void add_rows(outlineviewData& list, std::initializer_list<std::pair<uint32_t, uint64_t>> rows) {
    for (auto [kind, data] : rows) list.addItem(make_macro_row(kind, data));
}
void add_key_rows(outlineviewData& list, int count) {
    for (int i = 0; i < count; ++i) list.addItem(make_macro_row(i % 2 ? MACRO_ROW_UP : MACRO_ROW_DOWN, kQ));
}

class MacroEdit : public ::testing::Test {
protected:
    void SetUp() override {
        savedHw_ = hwParam;
        InitKey();
        savedXml_ = std::move(xml);
        xml = std::make_unique<XmlLoader>();
        ASSERT_TRUE(xml->loadXMLFromBytes(
            "<t><tc_macro_msg25>Up</tc_macro_msg25><tc_macro_msg26>Down</tc_macro_msg26>"
            "<tc_macro_msg27>Left</tc_macro_msg27><tc_macro_msg28>Right</tc_macro_msg28>"
            "<tc_macro_msg29>Home</tc_macro_msg29><tc_scrollup>Wheel up</tc_scrollup>"
            "<tc_scrolldown>Wheel down</tc_scrolldown></t>"));
    }
    void TearDown() override {
        hwParam = savedHw_;
        xml = std::move(savedXml_);
    }

    _HW_PARAM savedHw_{};
    std::unique_ptr<XmlLoader> savedXml_;
};

TEST_F(MacroEdit, RowTexts) {
    EXPECT_EQ(macro_row_text(MACRO_ROW_DOWN, kA), "A");
    EXPECT_EQ(macro_row_text(MACRO_ROW_UP, kShiftRight), "R_Shift");
    EXPECT_EQ(macro_row_text(MACRO_ROW_UP, 200), "");  // a code without a name
    EXPECT_EQ(macro_row_text(MACRO_ROW_PAUSE, 125), "125 ms");
    EXPECT_EQ(macro_row_text(MACRO_ROW_MOUSE, 0x03F7), "Left 3");
    EXPECT_EQ(macro_row_text(MACRO_ROW_MOUSE, 0x05F8), "Right 5");
    EXPECT_EQ(macro_row_text(MACRO_ROW_MOUSE, 0x01F9), "Up 1");
    EXPECT_EQ(macro_row_text(MACRO_ROW_MOUSE, 0x0AFA), "Down 10");
    EXPECT_EQ(macro_row_text(MACRO_ROW_MOUSE, 0x07FB), "Home");
    EXPECT_EQ(macro_row_text(MACRO_ROW_WHEEL, 0x02F5), "Wheel up 2");
    EXPECT_EQ(macro_row_text(MACRO_ROW_WHEEL, 0x04F6), "Wheel down 4");
    auto row = make_macro_row(MACRO_ROW_PAUSE, 7);
    EXPECT_EQ(row->name, "7 ms");
    EXPECT_EQ(row->nFlagData, MACRO_ROW_PAUSE);
    EXPECT_EQ(row->nItemData, 7u);
}

TEST_F(MacroEdit, TidyDropsLeadingRowsMergesPausesAndDoubles) {
    outlineviewData list;
    add_rows(list, {{MACRO_ROW_PAUSE, 15}, {MACRO_ROW_UP, kQ}, {MACRO_ROW_DOWN, kQ}, {MACRO_ROW_PAUSE, 30},
                    {MACRO_ROW_PAUSE, 40}, {MACRO_ROW_DOWN, kQ}, {MACRO_ROW_UP, kQ}, {MACRO_ROW_UP, kQ},
                    {MACRO_ROW_DOWN, kA}, {MACRO_ROW_DOWN, kA}, {MACRO_ROW_DOWN, kA}, {MACRO_ROW_UP, kA}});
    EXPECT_TRUE(checkMacro(&list));
    // A press of a held key and a release of one not held go; the pauses they parted merge.
    EXPECT_EQ(rows_of(list), (Rows{"v12", "70ms", "^12", "v0", "^0"}));
    EXPECT_EQ(list.array[1]->name, "70 ms");
    EXPECT_FALSE(checkMacro(&list));  // already tidy

    hwParam.nMaxDelay = 50;
    outlineviewData capped;
    add_rows(capped, {{MACRO_ROW_DOWN, kQ}, {MACRO_ROW_PAUSE, 30}, {MACRO_ROW_PAUSE, 40}, {MACRO_ROW_UP, kA},
                      {MACRO_ROW_PAUSE, 5}, {MACRO_ROW_UP, kQ}});
    EXPECT_TRUE(checkMacro(&capped));
    EXPECT_EQ(rows_of(capped), (Rows{"v12", "50ms", "^12"}));

    outlineviewData noPress;
    add_rows(noPress, {{MACRO_ROW_PAUSE, 10}, {MACRO_ROW_UP, kQ}, {MACRO_ROW_MOUSE, 0x01F7}});
    EXPECT_TRUE(checkMacro(&noPress));
    EXPECT_TRUE(noPress.array.empty());
}

// What is saved releases every key and mouse button it presses, whatever rows
// were inserted, changed or deleted: the exact record in the file.
TEST_F(MacroEdit, ASavedMacroReleasesEveryKeyItPresses) {
    test::TempDir dir;
    outlineviewData list;
    add_rows(list, {{MACRO_ROW_DOWN, kShift}, {MACRO_ROW_PAUSE, 30}, {MACRO_ROW_DOWN, kA}, {MACRO_ROW_UP, kQ},
                    {MACRO_ROW_DOWN, kCaps}, {MACRO_ROW_PAUSE, 10}, {MACRO_ROW_UP, kA},
                    {MACRO_ROW_DOWN, MACRO_MOUSE_LEFT}, {MACRO_ROW_PAUSE, 20}});
    EXPECT_TRUE(checkMacro(&list));
    // Shift, Caps Lock and the left button are still held: released at the end, the last pressed first.
    EXPECT_EQ(rows_of(list), (Rows{"v56", "30ms", "v0", "v57", "10ms", "^0", "v240", "20ms", "^240", "^57", "^56"}));
    EXPECT_EQ(list.array.back()->name, "Shift");

    _ST_MACRO macro{};
    ASSERT_EQ(new_macro("held", &macro), 1);
    macro.dwID = 0x0A0B0C0D;
    macro.dwDirty = MACRO_DIRTY_EVENTS;
    KeyList_To_Macro(&list, &macro);
    const std::string path = dir.file("held.mcf");
    ASSERT_TRUE(Flush_Dirty_Macro(&macro, path));
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(bytes.size(), MACRO_FILE_SIZE);
    const unsigned char head[] = {
        0xA0, 0x88, 0xFB, 0xFA, 0x0D, 0x0C, 0x0B, 0x0A, 0, 0, 0, 0,  // magic, id, no marks
        1, 0, 0, 0, 0, 0, 0, 0, 'h', 'e', 'l', 'd'};                  // pauses recorded, repeat mode, name
    EXPECT_EQ(std::memcmp(bytes.data(), head, sizeof head), 0);
    EXPECT_EQ(bytes.find_first_not_of('\0', sizeof head), 104u);  // the name's zeros, slot 0, reserved
    // wRepeat 1, then wVk, wStatus, dwDelay per event; code 0 without a pause gets 1 ms.
    const unsigned char events[] = {
        1, 0, 0, 0,
        56, 0, 1, 0, 30, 0, 0, 0,   0, 0, 1, 0, 1, 0, 0, 0,   57, 0, 1, 0, 10, 0, 0, 0,
        0, 0, 0, 0, 1, 0, 0, 0,     240, 0, 1, 0, 20, 0, 0, 0, 240, 0, 0, 0, 0, 0, 0, 0,
        57, 0, 0, 0, 0, 0, 0, 0,    56, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(std::memcmp(bytes.data() + 104, events, sizeof events), 0);
    EXPECT_EQ(bytes.find_first_not_of('\0', 104 + sizeof events), std::string::npos);
}

// A list of every kind, saved into a record, written and read back.
TEST_F(MacroEdit, RowsThroughAMacroFileKeepTheirBytes) {
    test::TempDir dir;
    outlineviewData list;
    add_rows(list, {{MACRO_ROW_DOWN, kShift}, {MACRO_ROW_PAUSE, 30}, {MACRO_ROW_DOWN, kQ}, {MACRO_ROW_UP, kQ},
                    {MACRO_ROW_PAUSE, 1000}, {MACRO_ROW_MOUSE, 0x03F7}, {MACRO_ROW_WHEEL, 0x02F6},
                    {MACRO_ROW_UP, kShift}, {MACRO_ROW_DOWN, kA}});
    _ST_MACRO macro{};
    macro.dwMagic = MACRO_MAGIC;
    macro.stData.wRepeat = 3;
    macro.stData.stItem[20] = {9, 9, 9};  // old events go
    {
        test::LogCapture log;
        KeyList_To_Macro(&list, &macro);
        EXPECT_EQ(log.lines(), (std::vector<std::string>{"Capture keycode=0"}));
    }
    EXPECT_EQ(macro.stData.wRepeat, 3);

    const std::string path = dir.file("m.mcr");
    ASSERT_TRUE(write_macro_file(path, &macro));
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(bytes.size(), MACRO_FILE_SIZE);
    // wVk, wStatus, dwDelay, little-endian, from offset 108.
    const unsigned char expected[] = {
        56, 0, 1, 0, 30, 0, 0, 0,  12, 0, 1, 0, 0, 0, 0, 0,  12, 0, 0, 0, 0xE8, 3, 0, 0,
        0xF7, 3, 0, 0, 0, 0, 0, 0,  0xF6, 2, 0, 0, 0, 0, 0, 0,  56, 0, 0, 0, 0, 0, 0, 0,
        0, 0, 1, 0, 1, 0, 0, 0};
    EXPECT_EQ(std::memcmp(bytes.data() + 108, expected, sizeof expected), 0);
    EXPECT_EQ(bytes.find_first_not_of('\0', 108 + sizeof expected), std::string::npos);

    _ST_MACRO back{};
    ASSERT_TRUE(read_macro_file(path, &back));
    outlineviewData rows;
    rows.addItem(make_macro_row(MACRO_ROW_DOWN, 1));  // emptied first
    Macro_To_KeyList(back, &rows);
    // The final A keeps its row; its 1 ms delay shows no pause.
    EXPECT_EQ(rows_of(rows), (Rows{"v56", "30ms", "v12", "^12", "1000ms", "m1015", "w758", "^56", "v0"}));
    EXPECT_EQ(rows.array[5]->name, "Left 3");
}

TEST_F(MacroEdit, CodeZeroEventsNeverEndTheListEarly) {
    outlineviewData list;
    add_rows(list, {{MACRO_ROW_DOWN, kA}, {MACRO_ROW_UP, kA}, {MACRO_ROW_PAUSE, 0}, {MACRO_ROW_DOWN, kQ}});
    _ST_MACRO macro{};
    KeyList_To_Macro(&list, &macro);
    EXPECT_EQ(macro.stData.stItem[0].dwDelay, 1u);
    EXPECT_EQ(macro.stData.stItem[1].dwDelay, 1u);
    EXPECT_EQ(get_macro_event_count(macro), 3);
    outlineviewData back;
    Macro_To_KeyList(macro, &back);
    EXPECT_EQ(rows_of(back), (Rows{"v0", "^0", "v12"}));
}

TEST_F(MacroEdit, ReadingStopsAtTheEventLimit) {
    _ST_MACRO macro{};
    for (auto& item : macro.stData.stItem) item = {kQ, 1, 5};
    outlineviewData list;
    Macro_To_KeyList(macro, &list);
    EXPECT_EQ(macro_event_rows(&list), 170);
    EXPECT_EQ(list.array.size(), 340u);
    hwParam.nMaxMacroItems = 20;
    Macro_To_KeyList(macro, &list);
    EXPECT_EQ(macro_event_rows(&list), 20);

    // Saving writes at most the record's 171 events.
    outlineviewData longList;
    add_key_rows(longList, 200);
    KeyList_To_Macro(&longList, &macro);
    EXPECT_EQ(get_macro_event_count(macro), MACRO_ITEM_COUNT);
}

TEST_F(MacroEdit, BufferLimitKeepsRoomForTheReleases) {
    outlineviewData list;
    add_key_rows(list, 60);  // Q pressed and released 30 times
    add_rows(list, {{MACRO_ROW_PAUSE, 5}, {MACRO_ROW_MOUSE, 0x01F7}});
    EXPECT_EQ(macro_key_rows(&list), 60);
    EXPECT_EQ(macro_event_rows(&list), 61);
    // A press fits with its release: 62 key rows, 188 bytes of 192.
    EXPECT_TRUE(macro_rows_fit(&list, {{MACRO_ROW_DOWN, kA}}));
    add_rows(list, {{MACRO_ROW_DOWN, kShift}});  // held to the end: its release is kept room for
    EXPECT_FALSE(macro_rows_fit(&list, {{MACRO_ROW_DOWN, kA}}));  // 61 + A + two releases = 64
    EXPECT_TRUE(macro_rows_fit(&list, {{MACRO_ROW_UP, kShift}}));    // takes the room kept for it

    outlineviewData full;
    add_key_rows(full, 64);  // loaded from elsewhere
    EXPECT_TRUE(is_macro_buffer_out(&full));
    EXPECT_FALSE(macro_rows_fit(&full, {{MACRO_ROW_PAUSE, 5}}));  // not even a pause

    outlineviewData mice;
    mice.addItem(make_macro_row(MACRO_ROW_DOWN, kQ));
    for (int i = 0; i < 168; ++i) mice.addItem(make_macro_row(MACRO_ROW_WHEEL, 0x01F5));
    mice.addItem(make_macro_row(MACRO_ROW_UP, kQ));  // 170 events
    EXPECT_FALSE(macro_rows_fit(&mice, {{MACRO_ROW_WHEEL, 0x01F5}}));  // a 171st would not read back
    EXPECT_TRUE(macro_rows_fit(&mice, {{MACRO_ROW_PAUSE, 5}}));
}

TEST_F(MacroEdit, FlushWritesOnlyMarkedMacros) {
    test::TempDir dir;
    _ST_MACRO macro{};
    macro.dwMagic = MACRO_MAGIC;
    macro.dwDirty = 0x5;
    const std::string path = dir.file("a/b/m.mcr");
    EXPECT_TRUE(Flush_Dirty_Macro(&macro, path));
    EXPECT_FALSE(std::filesystem::exists(dir.file("a")));

    for (uint32_t mark : {MACRO_DIRTY_EVENTS, MACRO_DIRTY_SETTINGS}) {
        std::filesystem::remove_all(dir.file("a"));
        macro.dwDirty = mark | 0x5;
        EXPECT_TRUE(Flush_Dirty_Macro(&macro, path));
        EXPECT_EQ(macro.dwDirty, 0x5u);
        _ST_MACRO back{};
        ASSERT_TRUE(read_macro_file(path, &back));
        EXPECT_EQ(back.dwDirty, 0x5u);  // the file holds the record as saved, without the marks
    }

    const std::string blocked = dir.file("file");
    std::ofstream(blocked) << "x";  // a plain file where the folder should be
    macro.dwDirty = MACRO_DIRTY_EVENTS;
    test::LogCapture log;
    EXPECT_FALSE(Flush_Dirty_Macro(&macro, blocked + "/m.mcr"));
    EXPECT_EQ(macro.dwDirty, MACRO_DIRTY_EVENTS);
}

// ---- recorder ----

class MacroRecorderTest : public MacroEdit {
protected:
    outlineviewData list;
    MacroRecorder rec;
};
using Outcome = MacroRecorder::Outcome;

TEST_F(MacroRecorderTest, ModifierAndKeyWithPauses) {
    list.addItem(make_macro_row(MACRO_ROW_DOWN, 1));
    rec.start(&list, true, 10.0);
    EXPECT_TRUE(rec.recording());
    EXPECT_TRUE(list.array.empty());
    EXPECT_EQ(rec.modifierChanged(kShift, true, 10.5), Outcome::Recorded);
    EXPECT_EQ(rec.keyDown(kA, 10.6304), Outcome::Recorded);
    EXPECT_EQ(rec.keyDown(kA, 10.7), Outcome::Nothing);  // auto-repeat
    EXPECT_EQ(rec.keyDown(kA, 10.8), Outcome::Nothing);
    EXPECT_EQ(rec.keyUp(kA, 10.92), Outcome::Recorded);
    EXPECT_EQ(rec.keyUp(kA, 10.95), Outcome::Nothing);  // not held
    EXPECT_EQ(rec.modifierChanged(kShift, false, 11.0), Outcome::Recorded);
    EXPECT_EQ(rows_of(list), (Rows{"v56", "130ms", "v0", "289ms", "^0", "80ms", "^56"}));
    EXPECT_EQ(list.array[0]->name, "Shift");
    EXPECT_EQ(rec.count(), 7);
    rec.stop();
    EXPECT_FALSE(rec.recording());
    EXPECT_EQ(rec.keyDown(kQ, 12.0), Outcome::Nothing);

    rec.start(&list, false, 0);
    rec.keyDown(kCaps, 1);
    rec.keyUp(kCaps, 2);
    rec.keyDown(kCaps, 3);
    EXPECT_EQ(rows_of(list), (Rows{"v57", "^57", "v57"}));  // Caps Lock like any key
    EXPECT_EQ(rec.commondList, std::vector<int>{kCaps});
}

TEST_F(MacroRecorderTest, BothSidesOfAModifier) {
    rec.start(&list, false, 0);
    rec.modifierChanged(kShift, true, 0);
    rec.modifierChanged(kShiftRight, true, 0);
    EXPECT_EQ(rec.modifyList, (std::vector<int>{kShift, kShiftRight}));
    rec.modifierChanged(kShift, false, 0);  // the right one is still held
    EXPECT_EQ(rows_of(list), (Rows{"v56", "v60", "^56"}));
    rec.modifierChanged(kShiftRight, false, 0);
    EXPECT_EQ(rows_of(list), (Rows{"v56", "v60", "^56", "^60"}));

    // Right Control records as Control, and letting go of one Control leaves
    // the other held.
    list.array.clear();
    rec.modifierChanged(kControl, true, 0);
    rec.modifierChanged(kControlRight, true, 0);
    rec.modifierChanged(kCommand, true, 0);
    rec.modifierChanged(kControlRight, false, 0);
    EXPECT_EQ(rows_of(list), (Rows{"v59", "v55"}));
    rec.modifierChanged(kControl, false, 0);
    rec.modifierChanged(kCommand, false, 0);
    EXPECT_EQ(rows_of(list), (Rows{"v59", "v55", "^59", "^55"}));
    EXPECT_TRUE(rec.modifyList.empty());
}

TEST_F(MacroRecorderTest, ModifiersLeftBehindAreReleasedLastFirst) {
    rec.start(&list, false, 0);
    rec.modifierChanged(kCommand, true, 0);
    // Shift and Control were recorded as pressed, their releases never came.
    rec.modifyList = {kShift, kControl, kCommand};
    list.array.clear();
    rec.modifierChanged(kCommand, false, 0);
    EXPECT_EQ(rows_of(list), (Rows{"^55", "^59", "^56"}));
    EXPECT_TRUE(rec.modifyList.empty());
}

TEST_F(MacroRecorderTest, AFullListEndsTheRecordingWithTheReleasesOfTheKeysHeld) {
    rec.start(&list, true, 0);
    EXPECT_EQ(rec.modifierChanged(kShift, true, 0), Outcome::Recorded);
    for (int i = 0; i < 59; ++i) {
        const double now = i * 0.01;
        ASSERT_EQ(i % 2 ? rec.keyUp(kQ, now) : rec.keyDown(kQ, now), Outcome::Recorded) << i;
    }
    EXPECT_EQ(macro_key_rows(&list), 60);  // Shift and Q held
    // A with the releases of A, Q and Shift would be 64 key rows: the recording ends instead.
    EXPECT_EQ(rec.keyDown(kA, 1.0), Outcome::Full);
    EXPECT_FALSE(rec.recording());
    const Rows rows = rows_of(list);
    EXPECT_EQ(Rows(rows.end() - 4, rows.end()), (Rows{"v12", "420ms", "^12", "^56"}));
    EXPECT_EQ(macro_key_rows(&list), 62);
    EXPECT_TRUE(rec.commondList.empty());
    EXPECT_TRUE(rec.modifyList.empty());
    EXPECT_EQ(rec.keyUp(kA, 1.1), Outcome::Nothing);
    EXPECT_FALSE(checkMacro(&list));  // nothing held: saved as recorded
}

TEST_F(MacroRecorderTest, LostReleaseUnderCommand) {
    rec.start(&list, false, 0);
    rec.modifierChanged(kCommand, true, 0);
    rec.keyDown(kQ, 1.0);
    EXPECT_EQ(rec.tick(1.2), Outcome::Nothing);
    rec.keyDown(kQ, 1.3);  // a repeat: still held
    EXPECT_EQ(rec.tick(1.7), Outcome::Nothing);
    EXPECT_EQ(rec.tick(1.9), Outcome::Recorded);
    EXPECT_EQ(rows_of(list), (Rows{"v55", "v12", "^12"}));
    EXPECT_TRUE(rec.commondList.empty());
    EXPECT_EQ(rec.keyUp(kQ, 2.0), Outcome::Nothing);  // the late release adds nothing

    // A release that arrives leaves nothing for the tick.
    list.array.clear();
    rec.keyDown(kA, 3.0);
    rec.keyUp(kA, 3.1);
    EXPECT_EQ(rec.tick(4.0), Outcome::Nothing);
    EXPECT_EQ(rows_of(list), (Rows{"v0", "^0"}));
    // Without Command held nothing is released by time.
    rec.modifierChanged(kCommand, false, 4.0);
    rec.keyDown(kQ, 5.0);
    EXPECT_EQ(rec.tick(9.0), Outcome::Nothing);
}

}  // namespace
}  // namespace keyloom
