// Saves whose system calls fail. A save is first run as it is, recording each
// call it makes through the file code's table of system calls; then, for every
// one of those calls in turn, the same save runs with that call failing. The
// save must say it failed, each stored file keep its old bytes (or hold the
// new ones when its rename had already happened), no temporary file stay
// behind, and the next save succeed. Calls whose failure costs nothing are
// named, and for them the save must succeed.
#include <gtest/gtest.h>

#include <cerrno>
#include <algorithm>
#include <functional>
#include <set>

#include "base/fileio_calls.h"
#include "store/profile_store.h"
#include "model/st_keypro.h"
#include "save_ground.h"

namespace keyloom {
namespace {

using test::SaveGround;

// The injected failure and what the save did up to it.
struct Injection {
    int failAt = -1;  // index of the call that fails; -1 for none
    int error = EIO;
    bool shortWrites = false;  // writes take half of what they are given
    std::vector<std::string> calls;
    std::set<std::string> renamedTo;
    std::set<int> folders;  // descriptors the save opened on folders
};
Injection g_in;

const FileSysCalls& real() { return real_file_sys_calls(); }

bool fails(const char* call) {
    g_in.calls.emplace_back(call);
    if (static_cast<int>(g_in.calls.size()) - 1 != g_in.failAt) return false;
    errno = g_in.error;
    return true;
}

int fake_open(const char* path, int flags) {
    if (fails("open folder")) return -1;
    const int fd = real().open(path, flags);
    g_in.folders.insert(fd);
    return fd;
}
int fake_mkostemp(char* name, int flags) { return fails("mkostemp") ? -1 : real().mkostemp(name, flags); }
ssize_t fake_write(int fd, const void* data, size_t size) {
    if (fails("write")) return -1;
    return real().write(fd, data, g_in.shortWrites && size > 1 ? size / 2 : size);
}
int fake_fsync(int fd) { return fails(g_in.folders.count(fd) ? "fsync folder" : "fsync") ? -1 : real().fsync(fd); }
int fake_close(int fd) {
    const bool folder = g_in.folders.erase(fd) > 0;
    const bool failing = fails(folder ? "close folder" : "close");
    const int result = real().close(fd);  // Linux frees the descriptor even when close reports an error
    if (!failing) return result;
    errno = g_in.error;
    return -1;
}
int fake_rename(const char* from, const char* to) {
    if (fails("rename")) return -1;
    const int result = real().rename(from, to);
    if (result == 0) g_in.renamedTo.insert(to);
    return result;
}
int fake_unlink(const char* path) { return fails("unlink") ? -1 : real().unlink(path); }
int fake_flock(int fd, int op) { return fails("flock") ? -1 : real().flock(fd, op); }
int fake_fchmod(int fd, mode_t mode) { return fails("fchmod") ? -1 : real().fchmod(fd, mode); }

// Puts the failing calls in place for one scope.
class Injected {
public:
    explicit Injected(int failAt, int error = EIO, bool shortWrites = false) {
        g_in = Injection{};
        g_in.failAt = failAt;
        g_in.error = error;
        g_in.shortWrites = shortWrites;
        file_sys_calls() = FileSysCalls{fake_open,   fake_mkostemp, fake_write, fake_fsync, fake_close,
                                        fake_rename, fake_unlink,   fake_flock, fake_fchmod};
    }
    ~Injected() { file_sys_calls() = real_file_sys_calls(); }
    Injected(const Injected&) = delete;
    Injected& operator=(const Injected&) = delete;
};

// A lost lock only lets another start's clean-up take the temporary file
// (the rename then fails and says so); mode 0644 cannot be set on some file
// systems (vfat); a folder's descriptor is closed after its sync is done.
bool costs_nothing(const std::string& call) { return call == "flock" || call == "fchmod" || call == "close folder"; }

struct SaveKind {
    const char* name;
    std::function<std::vector<std::string>(const SaveGround&)> paths;
    std::function<bool(SaveGround&)> save;
};

std::vector<SaveKind> save_kinds() {
    auto one = [](SaveGround::File f) {
        return [f](const SaveGround& g) { return std::vector<std::string>{g.path(f)}; };
    };
    return {
        {"profiles and key tables",
         [](const SaveGround& g) {
             return std::vector<std::string>{g.path(SaveGround::Profiles), g.path(SaveGround::Sets)};
         },
         [](SaveGround&) { return SaveGround::saveStored(); }},
        {"macro", one(SaveGround::Macro), [](SaveGround& g) { return g.saveMacro(); }},
        {"preferences", one(SaveGround::Preferences), [](SaveGround& g) { return g.savePreference(); }},
        {"exchange file", [](const SaveGround& g) { return std::vector<std::string>{g.config() + "shared.duk"}; },
         [](SaveGround& g) { return ExportKeyPro(get_keypro_by_index(0, -1), g.config() + "shared.duk").ok(); }},
    };
}

std::vector<std::string> bytes_of(const std::vector<std::string>& paths) {
    std::vector<std::string> bytes;
    for (const std::string& path : paths) bytes.push_back(read_file_bytes(path, SIZE_MAX).value_or("<missing>"));
    return bytes;
}

class FailedSave : public ::testing::Test {
protected:
    // Saves generation `gen` with nothing failing; the bytes it left.
    std::vector<std::string> saveCleanly(const SaveKind& kind, int gen) {
        ground.apply(gen);
        EXPECT_TRUE(kind.save(ground)) << kind.name;
        return bytes_of(kind.paths(ground));
    }

    test::RecordingAlertSink alerts;
    test::LogCapture log;
    SaveGround ground;
};

TEST_F(FailedSave, EachFailingCallIsAFailureThatKeepsTheOldFile) {
    int injected = 0;
    std::set<std::string> kindsOfCall;
    for (const SaveKind& kind : save_kinds()) {
        const std::vector<std::string> fresh = saveCleanly(kind, 1);
        const std::vector<std::string> old = saveCleanly(kind, 0);
        std::vector<std::string> calls;
        {
            Injected record(-1);
            ground.apply(0);
            ASSERT_TRUE(kind.save(ground));
            calls = g_in.calls;
        }
        ASSERT_FALSE(calls.empty()) << kind.name;
        for (size_t at = 0; at < calls.size(); ++at) {
            const std::string what = std::string(kind.name) + ": call " + std::to_string(at) + " (" + calls[at] + ")";
            bool saved = false;
            std::set<std::string> renamed;
            {
                Injected failing(static_cast<int>(at));
                ground.apply(1);
                saved = kind.save(ground);
                renamed = g_in.renamedTo;
                ASSERT_GT(g_in.calls.size(), at) << what << " was never made";
                ASSERT_EQ(g_in.calls[at], calls[at]) << what;
            }
            ++injected;
            kindsOfCall.insert(calls[at]);
            const std::vector<std::string> paths = kind.paths(ground);
            const std::vector<std::string> now = bytes_of(paths);
            if (costs_nothing(calls[at])) {
                EXPECT_TRUE(saved) << what;
                EXPECT_EQ(now, fresh) << what;
            } else {
                EXPECT_FALSE(saved) << what << " was reported as saved";
                for (size_t p = 0; p < paths.size(); ++p)
                    EXPECT_TRUE(now[p] == (renamed.count(paths[p]) ? fresh[p] : old[p])) << what << ": " << paths[p];
            }
            EXPECT_EQ(ground.tempFiles(), std::vector<std::string>{}) << what;
            // The next save goes through, and the one after puts the old bytes back.
            EXPECT_EQ(saveCleanly(kind, 1), fresh) << what;
            EXPECT_EQ(saveCleanly(kind, 0), old) << what;
            if (HasFailure()) return;
        }
    }
    std::printf("failed-save: %d failures injected, calls: ", injected);
    for (const std::string& call : kindsOfCall) std::printf("%s; ", call.c_str());
    std::printf("\n");
    RecordProperty("injected", injected);
}

// The copy kept before an import changes a key table: it only counts as kept
// when it is whole and its folder synced, as the key table may be replaced next.
TEST_F(FailedSave, ABackupCountsOnlyWhenItIsOnTheDisk) {
    ground.apply(0);
    ASSERT_TRUE(SaveGround::saveStored());
    const std::string sets = read_file_bytes(ground.path(SaveGround::Sets), SIZE_MAX).value_or("");
    std::vector<std::string> calls;
    {
        Injected record(-1);
        ASSERT_TRUE(backup_keypro_list("before import"));
        calls = g_in.calls;
    }
    for (size_t at = 0; at < calls.size(); ++at) {
        const std::string what = "backup: call " + std::to_string(at) + " (" + calls[at] + ")";
        for (const std::string& backup : ground.backups()) std::filesystem::remove(backup);
        std::optional<std::string> kept;
        {
            Injected failing(static_cast<int>(at));
            kept = backup_keypro_list("before import");
        }
        EXPECT_EQ(read_file_bytes(ground.path(SaveGround::Sets), SIZE_MAX), sets) << what;
        // Once the copy has its name, removing or closing its temporary name cannot cost it.
        const bool harmless = costs_nothing(calls[at]) || calls[at] == "unlink" || calls[at] == "close";
        if (harmless) {
            ASSERT_TRUE(kept) << what;
            EXPECT_EQ(read_file_bytes(*kept, SIZE_MAX), build_keypro_file()) << what;
        } else {
            EXPECT_FALSE(kept) << what << " was reported as kept";
        }
        // A temporary name that could not be removed goes at the next start.
        if (calls[at] == "unlink") {
            EXPECT_EQ(remove_stale_temp_files(ground.data()), 1) << what;
        }
        EXPECT_EQ(ground.tempFiles(), std::vector<std::string>{}) << what;
    }
    std::printf("failed-backup: %zu failures injected\n", calls.size());
}

TEST_F(FailedSave, InterruptedAndShortWritesAreCarriedOn) {
    for (const SaveKind& kind : save_kinds()) {
        const std::vector<std::string> fresh = saveCleanly(kind, 1);
        saveCleanly(kind, 0);
        {
            Injected shortWrites(-1, 0, true);
            ground.apply(1);
            EXPECT_TRUE(kind.save(ground)) << kind.name;
        }
        EXPECT_EQ(bytes_of(kind.paths(ground)), fresh) << kind.name;
        saveCleanly(kind, 0);
        {
            // The first write of the save is interrupted by a signal.
            Injected interrupted(-1);
            ground.apply(0);
            ASSERT_TRUE(kind.save(ground));
            std::vector<std::string> calls = g_in.calls;
            const auto firstWrite = std::find(calls.begin(), calls.end(), "write") - calls.begin();
            g_in = Injection{};
            g_in.failAt = static_cast<int>(firstWrite);
            g_in.error = EINTR;
            ground.apply(1);
            EXPECT_TRUE(kind.save(ground)) << kind.name;
        }
        EXPECT_EQ(bytes_of(kind.paths(ground)), fresh) << kind.name;
        EXPECT_EQ(ground.tempFiles(), std::vector<std::string>{}) << kind.name;
    }
}

}  // namespace
}  // namespace keyloom
