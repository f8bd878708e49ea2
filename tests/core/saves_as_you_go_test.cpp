// The saves made while the program runs: only what differs from the stored
// files is written, a failing folder is told once per trouble (again after a
// save worked in between), a folder that cannot take a save is told at start,
// and the data folder's lock keeps two writers apart.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "base/fileio.h"
#include "config/language.h"
#include "base/fileio_calls.h"
#include "base/instance_lock.h"
#include "base/paths.h"
#include "store/profile_store.h"
#include "model/st_keypro.h"
#include "store/startup_data.h"
#include "test_support.h"

namespace keyloom {
namespace {

namespace fs = std::filesystem;

// Writes fail with ENOSPC while the folder is "full"; "keypro.dct" cannot be
// replaced while it is "held", after "pro.dct" was.
bool g_full = false;
bool g_held = false;
int held_rename(const char* from, const char* to) {
    if (g_held && std::string(to).ends_with("/keypro.dct")) {
        errno = EBUSY;
        return -1;
    }
    return real_file_sys_calls().rename(from, to);
}
ssize_t full_write(int fd, const void* data, size_t size) {
    if (g_full) {
        errno = ENOSPC;
        return -1;
    }
    return real_file_sys_calls().write(fd, data, size);
}

class SavesAsYouGo : public ::testing::Test {
protected:
    void SetUp() override {
        set_data_dir(dir.file("data"));
        ForgetStoredData();
        init_profile_list();
        init_keypro_list();
    }
    void TearDown() override {
        file_sys_calls() = real_file_sys_calls();
        g_full = false;
        g_held = false;
        ForgetStoredData();
        destroy_profile_list();
        destroy_keypro_list();
        set_data_dir("");
    }
    // The start-up data steps on the folder as it is, then what start-up made saved.
    void start() {
        PrepareStoredData(StoredDataMode::Writable);
        ASSERT_TRUE(SaveChangedStoredData());
    }
    // One save as the window makes it while the user works.
    static bool saveAsYouGo() { return SaveChangedStoredData(nullptr, SaveAlert::OncePerTrouble); }
    static void rename_first_set(const char* name) {
        _ST_KEYPRO* set = get_keypro_by_index(0, 0);
        std::snprintf(set->szName, sizeof set->szName, "%s", name);
    }
    test::TempDir dir;
    test::RecordingAlertSink alerts;
};

TEST_F(SavesAsYouGo, OnlyWhatDiffersFromTheStoredFilesIsWritten) {
    start();  // the first-run data reaches the disk at once
    const std::string stored = read_file_bytes(get_keypro_file_path(), SIZE_MAX).value_or("");
    EXPECT_EQ(stored, BuildStoredDataImages().keyPros);

    // A later run over the same files finds nothing to write.
    ForgetStoredData();
    init_profile_list();
    init_keypro_list();
    PrepareStoredData(StoredDataMode::Writable);
    EXPECT_FALSE(StoredDataChanged());

    // A change, as the files see it.
    rename_first_set("renamed");
    EXPECT_TRUE(StoredDataChanged());
    ASSERT_TRUE(saveAsYouGo());
    EXPECT_FALSE(StoredDataChanged());
    EXPECT_TRUE(alerts.alerts.empty());

    // A change undone before a save leaves nothing to write.
    const std::string before = read_file_bytes(get_keypro_file_path(), SIZE_MAX).value_or("");
    rename_first_set("again");
    EXPECT_TRUE(StoredDataChanged());
    rename_first_set("renamed");
    EXPECT_FALSE(StoredDataChanged());
    EXPECT_EQ(read_file_bytes(get_keypro_file_path(), SIZE_MAX).value_or(""), before);
}

// The check digests the lists' images without building them: the digest
// from pieces must be the digest of the bytes a save writes, zeros and all.
TEST_F(SavesAsYouGo, TheDigestOfTheImagePiecesIsTheDigestOfTheWrittenFile) {
    start();
    rename_first_set("digest");
    EXPECT_EQ(ImageDigestOf(KEYPRO_FILE_SIZE, write_keypro_image), ImageDigest::of(build_keypro_file()));
    EXPECT_EQ(ImageDigestOf(PROFILE_FILE_SIZE, write_profile_image), ImageDigest::of(build_profile_file()));

    // FNV-1a 64 as published, and a run of zeros taken in one step.
    EXPECT_EQ(ImageDigest::of("a").value(), 0xaf63dc4c8601ec8cull);
    EXPECT_EQ(ImageDigest::of("foobar").value(), 0x85944171f73967e8ull);
    ImageDigest zeros;
    zeros.addZeros(100000);
    EXPECT_EQ(zeros, ImageDigest::of(std::string(100000, '\0')));
    // Pieces out of order or past the end are refused alike by both.
    auto unruly = [](const ImagePieces& put) {
        put(4, "bc", 2);
        put(0, "a", 1);
        put(7, "zz", 2);
    };
    EXPECT_EQ(ImageBytes(8, unruly), std::string("\0\0\0\0bc\0\0", 8));
    EXPECT_EQ(ImageDigestOf(8, unruly), ImageDigest::of(ImageBytes(8, unruly)));
}

TEST_F(SavesAsYouGo, AFullFolderIsToldOncePerTrouble) {
    start();
    file_sys_calls().write = &full_write;
    g_full = true;
    rename_first_set("first");
    EXPECT_FALSE(saveAsYouGo());
    rename_first_set("second");
    EXPECT_FALSE(saveAsYouGo());
    ASSERT_EQ(alerts.alerts.size(), 1u) << "the same trouble is told once";
    EXPECT_NE(alerts.alerts[0].text.find(ReasonText(ErrnoReason(ENOSPC))), std::string::npos) << alerts.alerts[0].text;
    EXPECT_NE(alerts.alerts[0].text.find(get_data_path()), std::string::npos) << alerts.alerts[0].text;

    // Room again: the change that waited is saved, silently; the next trouble is told again.
    g_full = false;
    EXPECT_TRUE(saveAsYouGo());
    EXPECT_EQ(alerts.alerts.size(), 1u);
    EXPECT_NE(read_file_bytes(get_keypro_file_path(), SIZE_MAX).value_or("").find("second"), std::string::npos);
    g_full = true;
    rename_first_set("third");
    EXPECT_FALSE(saveAsYouGo());
    EXPECT_EQ(alerts.alerts.size(), 2u);

}

TEST_F(SavesAsYouGo, AChangeUndoneAfterAHalfFailedSaveIsStillSaved) {
    start();
    file_sys_calls().rename = &held_rename;
    g_held = true;
    get_current_profile()->nLayer = 2;
    EXPECT_FALSE(saveAsYouGo());  // "pro.dct" holds layer 2 now, "keypro.dct" is as it was
    get_current_profile()->nLayer = 0;
    g_held = false;
    EXPECT_TRUE(saveAsYouGo());
    EXPECT_EQ(read_file_bytes(get_profile_file_path(), SIZE_MAX).value_or(""), BuildStoredDataImages().profiles);
}

TEST_F(SavesAsYouGo, AFolderThatCannotTakeASaveIsToldAtStartOnly) {
    // A plain file given as the data folder.
    std::ofstream(dir.file("data")) << "not a folder";
    PrepareStoredData(StoredDataMode::Writable);
    EXPECT_FALSE(CheckStoredDataSavable());
    const size_t told = alerts.alerts.size();
    ASSERT_GE(told, 1u);
    for (const auto& alert : alerts.alerts) {
        EXPECT_NE(alert.text.find(dir.file("data")), std::string::npos) << alert.text;
        EXPECT_NE(alert.text.find(ReasonText(ErrnoReason(ENOTDIR))), std::string::npos) << alert.text;
    }
    // The saves that fail after it say nothing more.
    rename_first_set("changed");
    EXPECT_FALSE(saveAsYouGo());
    EXPECT_EQ(alerts.alerts.size(), told);
}

TEST(DataFolderLock, OneWriterAtATimeAndNeverAfterItsProcess) {
    test::TempDir dir;
    test::ScopedEnv runtime("XDG_RUNTIME_DIR", dir.path());
    fs::create_directories(dir.file("data"));
    fs::create_symlink(dir.file("data"), dir.file("link"));
    // Every spelling of one folder is one lock; another folder has its own.
    EXPECT_EQ(instance_base_path(dir.file("data")), instance_base_path(dir.file("data") + "/"));
    EXPECT_EQ(instance_base_path(dir.file("data")), instance_base_path(dir.file("link") + "/."));
    EXPECT_NE(instance_base_path(dir.file("data")), instance_base_path(dir.file("other")));

    {
        InstanceLock window(dir.file("data"), "keyloom");
        ASSERT_EQ(window.tryLock(), InstanceLock::State::Taken);
        InstanceLock tool(dir.file("link"), "keyloomctl");
        EXPECT_EQ(tool.tryLock(), InstanceLock::State::Held);
        EXPECT_EQ(tool.holder(), "keyloom (process " + std::to_string(getpid()) + ")");
        InstanceLock elsewhere(dir.file("other"), "keyloomctl");
        EXPECT_EQ(elsewhere.tryLock(), InstanceLock::State::Taken);
    }
    // The lock file stays behind, as after a crash; it blocks no one.
    EXPECT_TRUE(fs::exists(instance_base_path(dir.file("data")) + ".lock"));
    InstanceLock next(dir.file("data"), "keyloomctl");
    EXPECT_EQ(next.tryLock(), InstanceLock::State::Taken);
}

}  // namespace
}  // namespace keyloom
