// Saves killed at random points. A child process saves the four kinds of
// stored file over and over through the program's own save functions,
// alternating two generations, and is killed with SIGKILL after a random
// delay. Every file must then hold one generation or the other, byte for
// byte, and the next start must find nothing to keep as a backup and leave no
// temporary file behind. KEYLOOM_CRASH_KILLS sets the number of kills (100).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <random>
#include <thread>

#include "macro/macrofile.h"
#include "save_ground.h"

namespace keyloom {
namespace {

using test::SaveGround;
using Clock = std::chrono::steady_clock;

int kills_wanted() {
    const char* text = std::getenv("KEYLOOM_CRASH_KILLS");
    const int n = text ? std::atoi(text) : 0;
    return n > 0 ? n : 100;
}

// The child: saves generation 1, 0, 1, ... until it is killed. It tells the
// parent it has started through `ready`; a save that fails ends it with 3.
[[noreturn]] void save_forever(SaveGround& ground, int ready) {
    const char byte = 'r';
    if (::write(ready, &byte, 1) != 1) ::_exit(4);
    for (int gen = 1;; gen ^= 1) {
        ground.apply(gen);
        if (!ground.saveAll()) ::_exit(3);
    }
}

// Starts the saving child and kills it after `delay`; the child's end status.
int kill_while_saving(SaveGround& ground, std::chrono::microseconds delay) {
    int ready[2];
    if (::pipe(ready) != 0) return -1;
    std::fflush(nullptr);  // the child must not write our buffered output again
    const pid_t child = ::fork();
    if (child < 0) return -1;
    if (child == 0) {
        ::close(ready[0]);
        save_forever(ground, ready[1]);
    }
    ::close(ready[1]);
    char byte = 0;
    const bool started = ::read(ready[0], &byte, 1) == 1;
    ::close(ready[0]);
    if (started) std::this_thread::sleep_for(delay);
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    return status;
}

TEST(CrashSave, AKilledSaveLeavesTheOldFileOrTheNewNeverAMix) {
    test::RecordingAlertSink alerts;
    SaveGround ground;
    std::vector<std::string> gens[2];
    // Each generation once, for its bytes and for how long one round of saves takes.
    const Clock::time_point start = Clock::now();
    for (int gen : {1, 0}) {
        ground.apply(gen);
        ASSERT_TRUE(ground.saveAll());
        gens[gen] = ground.onDisk();
    }
    const auto round = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start) / 2;
    for (int f = 0; f < SaveGround::FileCount; ++f)
        ASSERT_NE(gens[0][f], gens[1][f]) << SaveGround::name(SaveGround::File(f));

    const int kills = kills_wanted();
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    // Anywhere in the child's first rounds (a forked child saves more slowly
    // than its warm parent), so each file is caught being written both ways.
    std::uniform_int_distribution<int64_t> delays(0, 4 * std::max<int64_t>(round.count(), 1000));
    int midSave = 0;
    int found[SaveGround::FileCount][2] = {};
    int killed = 0;
    for (; killed < kills && !HasFailure(); ++killed) {
        const int status = kill_while_saving(ground, std::chrono::microseconds(delays(random)));
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            << "the saving process ended by itself (status " << status << "), seed " << seed;

        const std::vector<std::string> disk = ground.onDisk();
        for (int f = 0; f < SaveGround::FileCount; ++f) {
            const int gen = disk[f] == gens[0][f] ? 0 : disk[f] == gens[1][f] ? 1 : -1;
            ASSERT_NE(gen, -1) << SaveGround::name(SaveGround::File(f)) << " after kill " << killed
                               << " is neither generation (" << disk[f].size() << " bytes), seed " << seed;
            ++found[f][gen];
        }
        if (!ground.tempFiles().empty()) ++midSave;

        // The next start: nothing unusable to keep aside, nothing left over.
        StartupDataReport report;
        LoadStoredData(&report, StoredDataMode::Writable);
        EXPECT_TRUE(report.keptFiles.empty()) << report.keptFiles.front();
        EXPECT_TRUE(report.protectedFiles.empty());
        EXPECT_EQ(report.profilesLoaded, PROFILE_FILE_SLOTS);
        EXPECT_EQ(report.keyProsLoaded, KEYPRO_FILE_SLOTS);
        EXPECT_EQ(ground.backups(), std::vector<std::string>{});
        EXPECT_EQ(ground.tempFiles(), std::vector<std::string>{}) << "after kill " << killed;
        _ST_MACRO macro{};
        EXPECT_TRUE(read_macro_file(ground.macroPath(), &macro));
        const std::string language = GetPreference(PREF_LANGUAGE).value_or("");
        EXPECT_TRUE(language == "en" || language == "de") << language;
    }
    std::printf("crash-save: %d kills (seed %u, one round of saves %lld us), %d inside a save; "
                "torn or missing files 0; generation 0/1 found: pro.dct %d/%d, keypro.dct %d/%d, macro %d/%d, "
                "preferences %d/%d\n",
                killed, seed, static_cast<long long>(round.count()), midSave, found[0][0], found[0][1],
                found[1][0], found[1][1], found[2][0], found[2][1], found[3][0], found[3][1]);
    RecordProperty("kills", killed);
    RecordProperty("insideASave", midSave);

    // The check above does see an unusable file: a cut one is kept aside.
    std::filesystem::resize_file(ground.path(SaveGround::Profiles), 1000);
    StartupDataReport report;
    LoadStoredData(&report, StoredDataMode::Writable);
    EXPECT_EQ(report.keptFiles, std::vector<std::string>{ground.path(SaveGround::Profiles) + ".bak"});
    EXPECT_EQ(ground.backups().size(), 1u);
}

}  // namespace
}  // namespace keyloom
