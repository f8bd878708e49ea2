// The macro record's stored layout, the macro list and the shared id source.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "macro/stmacro.h"

namespace keyloom {
namespace {

uint32_t le32(const void* record, size_t offset) {
    const auto* p = static_cast<const uint8_t*>(record) + offset;
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

uint16_t le16(const void* record, size_t offset) {
    const auto* p = static_cast<const uint8_t*>(record) + offset;
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

_ST_MACRO makeMacro(uint32_t id, const char* name, uint8_t bufferId = 0) {
    _ST_MACRO m{};
    m.dwMagic = MACRO_MAGIC;
    m.dwID = id;
    std::strncpy(m.szName, name, MACRO_NAME_SIZE - 1);
    m.byBufferID = bufferId;
    m.stData.wRepeat = 1;
    return m;
}

_ST_MACRO* addMacro(uint32_t id, const char* name, uint8_t bufferId = 0) {
    _ST_MACRO m = makeMacro(id, name, bufferId);
    return add_new_macro_to_list(&m);
}

class MacroList : public ::testing::Test {
protected:
    void SetUp() override { init_macro_list(); }
    void TearDown() override { destroy_macro_list(); }
};

TEST(MacroRecord, FieldsSitAtTheirStoredOffsets) {
    _ST_MACRO m = makeMacro(0x01020304, "Burst", 7);
    m.dwDirty = MACRO_DIRTY_EVENTS | MACRO_DIRTY_SETTINGS;
    m.bAutoDelay = 1;
    m.nLoopMode = 2;
    m.stData.wRepeat = 0x0102;
    m.stData.stItem[0] = {MACRO_MOUSE_LEFT, 1, 0x11223344};
    m.stData.stItem[170] = {0x00EF, 0, 0x55667788};
    m.byReserved3[1] = 0x99;

    const auto* bytes = reinterpret_cast<const uint8_t*>(&m);
    EXPECT_EQ(bytes[0], 0xA0);
    EXPECT_EQ(bytes[3], 0xFA);
    EXPECT_EQ(le32(&m, 4), 0x01020304u);
    EXPECT_EQ(le32(&m, 8), 0xC0000000u);
    EXPECT_EQ(le32(&m, 12), 1u);
    EXPECT_EQ(le32(&m, 16), 2u);
    EXPECT_EQ(std::memcmp(bytes + 20, "Burst\0", 6), 0);
    EXPECT_EQ(bytes[100], 7);
    EXPECT_EQ(le16(&m, 104), 0x0102);
    EXPECT_EQ(le16(&m, 108), 240);
    EXPECT_EQ(le16(&m, 110), 1);
    EXPECT_EQ(le32(&m, 112), 0x11223344u);
    EXPECT_EQ(le16(&m, 108 + 170 * 8), 0x00EF);
    EXPECT_EQ(le32(&m, 112 + 170 * 8), 0x55667788u);
    EXPECT_EQ(bytes[1483], 0x99);
}

TEST(MacroRecord, NewMacroDefaults) {
    _ST_MACRO m;
    std::memset(&m, 0xCD, sizeof m);
    const std::string name = std::string(39, 'm') + std::string(21, 'z');  // 60 bytes
    ASSERT_EQ(new_macro(name.c_str(), &m), 1);
    EXPECT_EQ(m.dwMagic, MACRO_MAGIC);
    EXPECT_NE(m.dwID, 0u);
    EXPECT_EQ(m.dwDirty, 0u);
    EXPECT_EQ(m.bAutoDelay, 1u);
    EXPECT_EQ(m.nLoopMode, 0u);
    EXPECT_EQ(m.stData.wRepeat, 1);
    EXPECT_EQ(m.byBufferID, 0);
    EXPECT_EQ(get_macro_event_count(m), 0);
    EXPECT_EQ(std::string(m.szName), std::string(39, 'm'));
    for (int i = 39; i < MACRO_NAME_SIZE; ++i) EXPECT_EQ(m.szName[i], '\0') << i;
    const auto* bytes = reinterpret_cast<const uint8_t*>(&m);
    for (size_t i = 104 + 2; i < sizeof m; ++i) ASSERT_EQ(bytes[i], 0) << i;

    _ST_MACRO untouched;
    std::memset(&untouched, 0xCD, sizeof untouched);
    EXPECT_EQ(new_macro(nullptr, &untouched), 0);
    EXPECT_EQ(new_macro("x", nullptr), 0);
    EXPECT_EQ(untouched.dwMagic, 0xCDCDCDCDu);
}

TEST(MacroRecord, EventListEndsAtTheFirstEmptyEvent) {
    _ST_MACRO m = makeMacro(1, "M");
    EXPECT_EQ(get_macro_event_count(m), 0);
    m.stData.stItem[0] = {0, 1, 5};  // the A key: its pause keeps it from ending the list
    m.stData.stItem[1] = {0, 0, 1};
    m.stData.stItem[2] = {MACRO_MOUSE_RIGHT, 1, 0};
    EXPECT_EQ(get_macro_event_count(m), 3);
    m.stData.stItem[4] = {12, 1, 10};  // after the end: not counted
    EXPECT_EQ(get_macro_event_count(m), 3);
    for (_ST_ITEM& item : m.stData.stItem) item = {12, 1, 0};
    EXPECT_EQ(get_macro_event_count(m), MACRO_ITEM_COUNT);  // no terminator: stop after 171
}

TEST(MacroListLifecycle, NothingIsAddedWithoutAList) {
    destroy_macro_list();
    _ST_MACRO m = makeMacro(5, "Five");
    EXPECT_EQ(add_new_macro_to_list(&m), nullptr);
    EXPECT_EQ(get_macro_count(), 0);
    EXPECT_EQ(get_macro_by_id(5), nullptr);
    EXPECT_EQ(get_macro_by_index(0), nullptr);
    delete_macro_by_id(5);
    clear_macro_buffer_id();
}

TEST_F(MacroList, AddRefusesAnIdAlreadyListed) {
    _ST_MACRO a = makeMacro(5, "Five");
    _ST_MACRO* listed = add_new_macro_to_list(&a);
    ASSERT_NE(listed, nullptr);
    EXPECT_NE(listed, &a);
    EXPECT_EQ(std::memcmp(listed, &a, sizeof a), 0);

    _ST_MACRO again = makeMacro(5, "Other name");
    EXPECT_EQ(add_new_macro_to_list(&again), nullptr);
    EXPECT_EQ(add_new_macro_to_list(nullptr), nullptr);
    EXPECT_EQ(get_macro_count(), 1);
    EXPECT_STREQ(get_macro_by_id(5)->szName, "Five");

    EXPECT_NE(addMacro(6, "Six"), nullptr);
    EXPECT_EQ(get_macro_by_index(0), listed);  // records do not move
    EXPECT_EQ(get_macro_by_index(2), nullptr);
    EXPECT_EQ(get_macro_by_index(-1), nullptr);
}

TEST_F(MacroList, LookupsDeleteAndBufferIds) {
    _ST_MACRO* a = addMacro(1, "Copy");
    _ST_MACRO* b = addMacro(2, "Copy", 3);
    _ST_MACRO* c = addMacro(3, "Copy paste", 4);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(get_macro_by_id(2), b);
    EXPECT_EQ(get_macro_by_id(9), nullptr);
    EXPECT_EQ(get_macro_by_name("Copy"), a);
    EXPECT_EQ(get_macro_by_name("Copy paste"), c);
    EXPECT_EQ(get_macro_by_name("Cop"), nullptr);
    EXPECT_EQ(get_macro_by_name(nullptr), nullptr);
    EXPECT_EQ(get_macro_by_buffer_id(3), b);
    EXPECT_EQ(get_macro_by_buffer_id(4), c);
    EXPECT_EQ(get_macro_by_buffer_id(5), nullptr);

    clear_macro_buffer_id();
    EXPECT_EQ(get_macro_by_buffer_id(3), nullptr);
    EXPECT_EQ(b->byBufferID, 0);
    EXPECT_EQ(c->byBufferID, 0);

    // A name filling its whole field without a NUL is compared within the field.
    std::memset(a->szName, 'q', sizeof a->szName);
    EXPECT_EQ(get_macro_by_name(std::string(80, 'q').c_str()), a);
    EXPECT_EQ(get_macro_by_name(std::string(81, 'q').c_str()), nullptr);

    delete_macro_by_id(9);  // not listed: nothing happens
    EXPECT_EQ(get_macro_count(), 3);
    delete_macro_by_id(2);
    EXPECT_EQ(get_macro_count(), 2);
    EXPECT_EQ(get_macro_by_id(2), nullptr);
    EXPECT_EQ(get_macro_by_index(1), c);

    clear_macro_list();
    EXPECT_EQ(get_macro_count(), 0);
}

TEST(UniqueId, IdsTakenInARowIncrease) {
    uint32_t first = create_unique_id();
    uint32_t second = create_unique_id();
    EXPECT_NE(first, 0u);
    EXPECT_NE(second, first);
    EXPECT_LT(second - first, 0x80000000u);  // later, even across the 32-bit wrap
}

}  // namespace
}  // namespace keyloom
