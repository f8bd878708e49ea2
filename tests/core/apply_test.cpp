// The apply sequence recorded command by command (exact payloads, order,
// pauses, progress, failures), then whole applies through the worker thread
// and the link to the simulated keyboard.
#include <cerrno>

#include "apply_model.h"
#include "device/apply_sequence.h"
#include "link_support.h"

namespace keyloom {
namespace {

using test::ApplyModel;
using test::HasLine;
using test::MatrixOf;
using Bytes = std::vector<uint8_t>;

// Records every command; the send numbered failAt fails (with status -5).
class RecordingChannel : public ApplyChannel {
public:
    bool send(const uint8_t* payload, int size) override {
        sent.emplace_back(payload, payload + size);
        resets.push_back(reset ? reset->load() : -1);
        return static_cast<int>(sent.size()) - 1 != failAt;
    }
    int32_t lastError() const override { return -5; }
    void pause(int ms) override { pauses.push_back(ms); }
    void notify(int progress) override { this->progress.push_back(progress); }
    void keyTables(const uint32_t* m, const uint8_t* a, int n) override {
        matrix.assign(m, m + KEY_COUNT);
        area.assign(a, a + MACRO_AREA_SIZE);
        slots = n;
    }
    Bytes commands() const {
        Bytes c;
        for (const Bytes& s : sent) c.push_back(s[0]);
        return c;
    }

    int failAt = -1;
    std::atomic<int32_t>* reset = nullptr;
    std::vector<Bytes> sent;
    std::vector<int32_t> resets;
    std::vector<int> pauses;
    std::vector<int> progress;
    std::vector<uint32_t> matrix;
    Bytes area;
    int slots = -1;
};

void PutLe32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

class ApplySequenceTest : public ::testing::Test {
protected:
    void SetUp() override { model.install(); }
    void TearDown() override { model.remove(); }

    bool run(int32_t flags, RecordingChannel& channel, bool stopOnError = true) {
        auto snapshot = TakeApplySnapshot(flags);
        if (!snapshot) return false;
        return runOn(*snapshot, flags, channel, stopOnError);
    }
    bool runOn(ApplySnapshot& snapshot, int32_t flags, RecordingChannel& channel, bool stopOnError = true) {
        ApplyOptions options;
        options.stopOnError = stopOnError;
        options.reportProgress = (flags & APPLY_NOISY) != 0;
        options.reset = &reset;
        channel.reset = &reset;
        return RunApplySequence(snapshot, flags, channel, options);
    }

    test::LogCapture log;
    ApplyModel model;
    std::atomic<int32_t> reset{0};
};

TEST_F(ApplySequenceTest, LightingCommandCarriesModeLayerAndKnob) {
    RecordingChannel channel;
    ASSERT_TRUE(run(APPLY_LIGHTING, channel));
    ASSERT_EQ(channel.sent.size(), 1u);
    Bytes expected(1024, 0);
    expected[0] = 0x02;
    expected[1] = 0x29;
    expected[2] = 0x15;  // nHwMode of mode 5
    expected[4] = 4;     // 6 - speed 2
    expected[5] = 7;
    expected[9] = 0x02;  // M2
    PutLe32(expected, 10, 0xCD000001);          // set 0, direction 0
    PutLe32(expected, 10 + 4 * 15, 0x0000F003);  // set 7, direction 1
    expected[74] = 4;                            // set 3 + 1
    EXPECT_EQ(channel.sent[0], expected);
    EXPECT_TRUE(HasLine(log.lines(), "Sr[0][0]: 01 00 00 cd"));
    EXPECT_TRUE(HasLine(log.lines(), "Sr[1][7]: 03 f0 00 00"));
    EXPECT_TRUE(HasLine(log.lines(), "SrIndex=4"));

    model.profile().nLayer = 2;
    model.profile().stAdv.nMode = 3;
    RecordingChannel m3;
    ASSERT_TRUE(run(APPLY_LIGHTING, m3));
    EXPECT_EQ(m3.sent[0][2], 0x13);
    EXPECT_EQ(m3.sent[0][4], 5);
    EXPECT_EQ(m3.sent[0][5], 3);
    EXPECT_EQ(m3.sent[0][9], 0x04);
}

TEST_F(ApplySequenceTest, ColourCommandLightsTheKeysOfTheColourTable) {
    RecordingChannel channel;
    ASSERT_TRUE(run(APPLY_KEY_COLORS, channel));
    ASSERT_EQ(channel.sent.size(), 1u);
    Bytes expected(1024, 0);
    expected[0] = 0x03;
    expected[1] = 0x7E;
    expected[2] = 3;  // table 2 + 1
    expected[3 + MatrixOf(0)] = 7;
    expected[3 + MatrixOf(10)] = 7;
    EXPECT_EQ(channel.sent[0], expected);
}

TEST_F(ApplySequenceTest, KeyCommandsCarryMatrixAndMacroArea) {
    RecordingChannel channel;
    ASSERT_TRUE(run(APPLY_KEYS, channel));
    ASSERT_EQ(channel.commands(), (Bytes{0x04, 0x05, 0x01}));
    EXPECT_EQ(channel.slots, 2);

    const Bytes& matrix = channel.sent[2];
    ASSERT_EQ(matrix.size(), 506u);
    Bytes expected(506, 0);
    expected[0] = 0x01;
    PutLe32(expected, 2 + 4 * MatrixOf(0), 0x00000200);  // lone Shift
    PutLe32(expected, 2 + 4 * MatrixOf(2), 0x03010002);  // macro, slot 0, played 3 times
    PutLe32(expected, 2 + 4 * MatrixOf(3), 0x03010002);  // the same macro, the same slot
    PutLe32(expected, 2 + 4 * MatrixOf(4), 0x03010102);  // the second macro in slot 1
    EXPECT_EQ(matrix, expected);

    uint8_t slot[192];
    StMacro_To_HdMacro(&model.macros[1], slot);
    EXPECT_TRUE(std::equal(slot, slot + 192, channel.area.begin() + 192));
}

TEST_F(ApplySequenceTest, MacroAreaIsSplitAtByte1022) {
    model.profile().nLayer = 2;
    RecordingChannel channel;
    ASSERT_TRUE(run(APPLY_KEYS, channel));
    ASSERT_EQ(channel.commands(), (Bytes{0x04, 0x05, 0x01}));
    EXPECT_EQ(channel.slots, 6);
    const Bytes& area = channel.area;
    // The sixth macro's slot (960..1151) straddles the split.
    uint8_t slot[192];
    EXPECT_EQ(StMacro_To_HdMacro(&model.macros[5], slot), 189);
    EXPECT_TRUE(std::equal(slot, slot + 192, area.begin() + 960));
    EXPECT_NE(area[1020], 0);  // bytes on both sides of the split are in use
    EXPECT_NE(area[1022], 0);

    const Bytes& part1 = channel.sent[0];
    const Bytes& part2 = channel.sent[1];
    ASSERT_EQ(part1.size(), 1024u);
    ASSERT_EQ(part2.size(), 900u);
    EXPECT_EQ(part1[1], 0);
    EXPECT_EQ(part2[1], 0);
    EXPECT_TRUE(std::equal(area.begin(), area.begin() + 1022, part1.begin() + 2));
    EXPECT_TRUE(std::equal(area.begin() + 1022, area.end(), part2.begin() + 2));
}

TEST_F(ApplySequenceTest, FlagsChooseTheCommandsInAFixedOrder) {
    struct Case {
        int32_t flags;
        int mode;
        int layer;
        Bytes commands;
        std::vector<int> progress;
        std::vector<int> pauses;
    };
    const std::vector<int> full{40, 60, 80, 100, 101};
    const std::vector<Case> cases{
        {0x8007, test::kGameMode, 1, {0x02, 0x03, 0x04, 0x05, 0x01}, full, {50, 50, 50, 50, 500}},
        {0x8007, 3, 1, {0x02, 0x04, 0x05, 0x01}, full, {50, 50, 50, 500}},
        {0x8103, test::kGameMode, 1, {0x02, 0x04, 0x05, 0x01}, full, {50, 50, 50, 500}},
        {0x8004, 3, 1, {}, {40, 60, 100, 101}, {500}},
        {0x0002, test::kGameMode, 1, {0x02}, {}, {50}},
        {0x0001, test::kGameMode, 1, {0x04, 0x05, 0x01}, {}, {50, 50}},
        {0x0001, test::kGameMode, 0, {0x01}, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "flags " << std::hex << c.flags << std::dec << " mode " << c.mode
                                        << " layer " << c.layer);
        model.profile().stAdv.nMode = c.mode;
        model.profile().nLayer = c.layer;
        RecordingChannel channel;
        EXPECT_TRUE(run(c.flags, channel));
        EXPECT_EQ(channel.commands(), c.commands);
        EXPECT_EQ(channel.progress, c.progress);
        EXPECT_EQ(channel.pauses, c.pauses);
    }
}

TEST_F(ApplySequenceTest, AFailedCommandStopsTheApply) {
    const char* failures[] = {"Set led err=0xfffffffb", "Set KeyColor err=0xfffffffb", "Set Macro1 err=0xfffffffb",
                              "Set Macro2 err=0xfffffffb", "Set Matrix err=0xfffffffb"};
    const std::vector<std::vector<int>> progress{{}, {40}, {40, 60}, {40, 60}, {40, 60}};
    for (int step = 0; step < 5; ++step) {
        SCOPED_TRACE(step);
        log.clear();
        RecordingChannel channel;
        channel.failAt = step;
        EXPECT_FALSE(run(0x8007, channel));
        EXPECT_EQ(channel.sent.size(), static_cast<size_t>(step + 1));
        EXPECT_EQ(channel.progress, progress[static_cast<size_t>(step)]);
        EXPECT_TRUE(HasLine(log.lines(), failures[step]));
    }

    // Going on without a keyboard, every failure is logged and the apply completes.
    RecordingChannel channel;
    channel.failAt = 0;
    EXPECT_TRUE(run(0x8007, channel, false));
    EXPECT_EQ(channel.commands(), (Bytes{0x02, 0x03, 0x04, 0x05, 0x01}));
    EXPECT_EQ(channel.progress, (std::vector<int>{40, 60, 80, 100, 101}));
}

TEST_F(ApplySequenceTest, RefusesWhatTheKeyboardCannotTake) {
    for (int layer : {-1, 3}) {
        model.profile().nLayer = layer;
        RecordingChannel channel;
        EXPECT_FALSE(run(0x8007, channel));
        EXPECT_TRUE(channel.sent.empty());
        EXPECT_TRUE(channel.progress.empty());
        EXPECT_TRUE(HasLine(log.lines(), "Wrong nProIndex = " + std::to_string(layer)));
    }
    model.profile().nLayer = 1;
    model.profile().stAdv.nMode = 25;
    RecordingChannel badMode;
    EXPECT_FALSE(run(0x8007, badMode));
    EXPECT_TRUE(badMode.sent.empty());
    EXPECT_TRUE(HasLine(log.lines(), "Wrong LED mode = 25"));
    RecordingChannel goOn;
    EXPECT_TRUE(run(0x8007, goOn, false));
    EXPECT_EQ(goOn.commands(), (Bytes{0x04, 0x05, 0x01}));

    model.profile().stAdv.nMode = test::kGameMode;
    model.profile().stAdv.nKeyColorGroup = 15;
    RecordingChannel badGroup;
    EXPECT_FALSE(run(0x8007, badGroup));
    EXPECT_EQ(badGroup.commands(), (Bytes{0x02}));
}

TEST_F(ApplySequenceTest, ALayerWithoutItsSetSkipsOnlyTheKeyStep) {
    model.profile().dwKeyProID[1] = 0x2999;
    RecordingChannel channel;
    EXPECT_TRUE(run(0x8007, channel));
    EXPECT_EQ(channel.commands(), (Bytes{0x02, 0x03}));
    EXPECT_EQ(channel.progress, (std::vector<int>{40, 60, 100, 101}));
    EXPECT_TRUE(HasLine(log.lines(), "No key-property set 0x2999 for layer 1"));
}

TEST_F(ApplySequenceTest, ResetAndSlotNumbersLastOnlyWhileTheApplyRuns) {
    auto snapshot = TakeApplySnapshot(0x8103);
    ASSERT_TRUE(snapshot);
    RecordingChannel channel;
    EXPECT_TRUE(runOn(*snapshot, 0x8103, channel));
    EXPECT_EQ(channel.resets, (std::vector<int32_t>{1, 1, 1, 1}));
    EXPECT_EQ(reset.load(), 0);
    EXPECT_TRUE(HasLine(log.lines(), "Apply Reset..."));
    // The second macro had slot 1 during the apply; slots are numbered afresh next time.
    EXPECT_EQ((channel.matrix[MatrixOf(4)] >> 8) & 0xFF, 1u);
    EXPECT_EQ(snapshot->macros.find(test::kFirstMacro + 1)->byBufferID, 0);

    log.clear();
    RecordingChannel plain;
    EXPECT_TRUE(run(0x8007, plain));
    EXPECT_EQ(plain.resets, (std::vector<int32_t>{0, 0, 0, 0, 0}));
    EXPECT_FALSE(HasLine(log.lines(), "Apply Reset..."));
}

TEST_F(ApplySequenceTest, SnapshotIsTakenWhenTheApplyIsRequested) {
    _ST_PROFILE& profile = model.profile();
    auto lighting = TakeApplySnapshot(APPLY_LIGHTING);
    ASSERT_TRUE(lighting);
    EXPECT_EQ(profile.stKey[0][0].dwFunID, 0u);  // without the key step the profile keeps its keys

    auto keys = TakeApplySnapshot(APPLY_KEYS);
    ASSERT_TRUE(keys && keys->keypro);
    EXPECT_EQ(keys->keypro->dwID, static_cast<int32_t>(test::kMacroSet));
    EXPECT_EQ(std::memcmp(profile.stKey[0], get_keypro_by_id(test::kMacroSet)->stKey, sizeof profile.stKey[0]), 0);
    EXPECT_EQ(keys->macros.size(), 2u);

    // Edits after the request do not reach the apply.
    get_macro_by_id(test::kFirstMacro)->stData.stItem[0].wVk = 9;
    profile.stAdv.nMode = 3;
    RecordingChannel channel;
    EXPECT_TRUE(runOn(*keys, 0x8007, channel));
    EXPECT_EQ(channel.commands(), (Bytes{0x02, 0x03, 0x04, 0x05, 0x01}));
    uint8_t slot[192];
    StMacro_To_HdMacro(&model.macros[0], slot);
    EXPECT_TRUE(std::equal(slot, slot + 192, channel.area.begin()));

    set_current_profile(nullptr);
    EXPECT_EQ(TakeApplySnapshot(APPLY_KEYS), nullptr);
}

// ---- through the worker and the link ----

class ApplyWorkerTest : public test::SimLinkTest {
protected:
    void SetUp() override {
        SimLinkTest::SetUp();
        model.install();
    }
    void TearDown() override {
        SimLinkTest::TearDown();
        model.remove();
    }
    ApplyModel model;
};

TEST_F(ApplyWorkerTest, AppliesTheProfileToTheKeyboard) {
    ASSERT_TRUE(connect());
    startWorker();
    noisy_apply_kb(0x0007);
    ASSERT_TRUE(waitForApplies(1));
    EXPECT_TRUE(results[0]);
    EXPECT_EQ(window.progress, (std::vector<int>{40, 60, 80, 100, 101}));
    EXPECT_EQ(window.errors, 0);
    EXPECT_EQ(sim->commands(), (Bytes{0x02, 0x03, 0x04, 0x05, 0x01}));

    const SimFirmware fw = sim->firmware();
    EXPECT_EQ(fw.lighting.hwMode, 0x15);
    EXPECT_EQ(fw.lighting.layerBits, 0x02);
    EXPECT_EQ(fw.lighting.knobCode(0, 0), 0xCD000001u);
    EXPECT_EQ(fw.lighting.knobSet, 4);
    EXPECT_EQ(fw.colorTable, 3);
    EXPECT_EQ(fw.keyColors[MatrixOf(0)], 7);
    EXPECT_EQ(fw.keyMatrix[MatrixOf(0)], 0x00000200u);
    EXPECT_EQ(fw.keyMatrix[MatrixOf(4)], 0x03010102u);
    EXPECT_EQ(fw.macroSlots[0].size(), 4u);
    EXPECT_EQ(fw.macroSlots[1].size(), 4u);
    EXPECT_TRUE(fw.macroSlots[2].empty());
    EXPECT_EQ(link->m_bReset.load(), 0);
}

TEST_F(ApplyWorkerTest, WithoutAKeyboard) {
    sim->unplug();
    ASSERT_EQ(link->InitHID(), 1);
    ASSERT_EQ(link->FindHIDDevice(), 0);
    startWorker();

    // Refused at once: nothing sent, and a quiet request shows only the failure.
    quiet_apply_kb(0x0002);
    ASSERT_TRUE(waitForApplies(1));
    EXPECT_FALSE(results[0]);
    EXPECT_TRUE(window.progress.empty());
    EXPECT_EQ(window.errors, 1);
    EXPECT_FALSE(HasLine(log.lines(), "Apply_KB"));

    // GoWithNoDev: every send fails at once, the apply goes through to its end.
    gVar.GoWithNoDev = 1;
    noisy_apply_kb(0x0007);
    ASSERT_TRUE(waitForApplies(2));
    EXPECT_TRUE(results[1]);
    EXPECT_EQ(window.progress, (std::vector<int>{40, 60, 80, 100, 101}));
    EXPECT_EQ(window.errors, 1);
    EXPECT_EQ(sim->transferCount(), 0);
}

TEST_F(ApplyWorkerTest, AFailedTransferEndsANoisyApply) {
    ASSERT_TRUE(connect());
    startWorker();
    sim->failNextTransfers(3, EIO);
    noisy_apply_kb(0x0007);
    ASSERT_TRUE(waitForApplies(1));
    EXPECT_FALSE(results[0]);
    EXPECT_EQ(window.progress, (std::vector<int>{101}));
    EXPECT_EQ(window.errors, 1);
    EXPECT_TRUE(sim->commands().empty());
    EXPECT_TRUE(HasLine(log.lines(), "Set led err=0xfffffffb"));
}

TEST_F(ApplyWorkerTest, UnplugDuringAnApplyReportsAFailure) {
    ASSERT_TRUE(connect());
    startWorker();
    sim->holdTransfers();
    noisy_apply_kb(0x0007);
    ASSERT_TRUE(sim->waitForHeldTransfer(test::kPatienceMs));
    ASSERT_TRUE(sim->unplug());
    sim->releaseTransfers();
    ASSERT_TRUE(waitForApplies(1));
    EXPECT_FALSE(results[0]);
    EXPECT_EQ(link->GetDeviceHandle(), nullptr);
    EXPECT_EQ(window.progress, (std::vector<int>{101}));
    EXPECT_EQ(window.errors, 1);
    EXPECT_EQ(window.exits, 0);  // Suwnd: the program runs on
}

TEST_F(ApplyWorkerTest, RequestsDuringAnApplyMergeIntoOneThatFollowsIt) {
    ASSERT_TRUE(connect());
    startWorker();
    sim->holdTransfers();
    quiet_apply_kb(0x0002);
    ASSERT_TRUE(sim->waitForHeldTransfer(test::kPatienceMs));
    // Two changes while the lighting apply runs: a key change, then the lighting again.
    quiet_apply_kb(0x0001);
    get_current_profile()->stAdv.nMode = 7;
    quiet_apply_kb(0x0002);
    {
        std::lock_guard<std::mutex> lock(msParam->pendingLock);
        EXPECT_TRUE(msParam->requested);
        EXPECT_EQ(msParam->nFlag, 0x0003);
        ASSERT_TRUE(msParam->pending);
        EXPECT_EQ(msParam->pending->profile.stAdv.nMode, 7);  // the state as it was last
    }
    sim->releaseTransfers();
    ASSERT_TRUE(waitForApplies(2));
    EXPECT_TRUE(results[0] && results[1]);
    EXPECT_EQ(flagsSeen, (std::vector<int32_t>{0x0002, 0x0003}));  // one extra apply, with both changes
    EXPECT_TRUE(HasLine(log.lines(), "Apply request 0x1 waits: an apply is running"));
    std::lock_guard<std::mutex> lock(msParam->pendingLock);
    EXPECT_FALSE(msParam->requested);
}

TEST_F(ApplyWorkerTest, ARequestWithoutACurrentProfileFails) {
    ASSERT_TRUE(connect());
    startWorker();
    set_current_profile(nullptr);
    noisy_apply_kb(0x0007);
    ASSERT_TRUE(waitForApplies(1));
    EXPECT_FALSE(results[0]);
    EXPECT_EQ(window.progress, (std::vector<int>{101}));
    EXPECT_EQ(window.errors, 1);
    EXPECT_EQ(sim->transferCount(), 0);
}

}  // namespace
}  // namespace keyloom
