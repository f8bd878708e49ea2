// Whole-file reads, atomic replacement and keeping unusable files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "base/fileio.h"
#include "test_support.h"

namespace keyloom {
namespace {

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(FileIo, ReadsAtMostTheAskedBytes) {
    test::TempDir dir;
    std::ofstream(dir.file("f"), std::ios::binary) << std::string(100000, 'x') << "tail";
    auto all = read_file_bytes(dir.file("f"), SIZE_MAX);
    ASSERT_TRUE(all);
    EXPECT_EQ(all->size(), 100004u);
    auto head = read_file_bytes(dir.file("f"), 10);
    ASSERT_TRUE(head);
    EXPECT_EQ(*head, std::string(10, 'x'));

    FileError err;
    EXPECT_FALSE(read_file_bytes(dir.file("missing"), 10, &err));
    EXPECT_EQ(err.code, ENOENT);
    EXPECT_FALSE(read_file_bytes(dir.path(), 10, &err));  // a directory
    EXPECT_EQ(err.code, EISDIR);
}

TEST(FileIo, AtomicWriteReplacesWholeAndLeavesNoTemporaryFile) {
    test::TempDir dir;
    const std::string path = dir.file("pro.dct");
    std::ofstream(path) << "old content";
    const std::string data(433208, '\x5A');
    ASSERT_TRUE(write_file_atomic(path, data.data(), data.size()));
    EXPECT_EQ(slurp(path), data);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST(FileIo, FailedWriteKeepsTheOldFile) {
    test::TempDir dir;
    FileError err;
    EXPECT_FALSE(write_file_atomic(dir.file("no/such/folder/f"), "x", 1, &err));
    EXPECT_EQ(err.code, ENOENT);

    // A directory standing where the file should go cannot be replaced by a file.
    std::filesystem::create_directory(dir.file("taken"));
    std::ofstream(dir.file("taken/inner")) << "keep";
    EXPECT_FALSE(write_file_atomic(dir.file("taken"), "x", 1, &err));
    EXPECT_EQ(slurp(dir.file("taken/inner")), "keep");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(FileIo, SpecialFilesAreRefusedWithoutReading) {
    test::TempDir dir;
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);  // a read would wait for a writer forever
    FileError err;
    EXPECT_FALSE(read_file_bytes(dir.file("fifo"), 10, &err));
    EXPECT_EQ(err.code, EINVAL);
    EXPECT_NE(err.text.find("FIFO"), std::string::npos);
    EXPECT_FALSE(read_file_bytes("/dev/zero", SIZE_MAX, &err));  // would never end
    EXPECT_NE(err.text.find("device"), std::string::npos);
}

TEST(FileIo, BackupsAreNumberedNeverReplacedAndTheNewestFewKept) {
    test::TempDir dir;
    test::LogCapture log;
    const std::string path = dir.file("keypro.dct");
    EXPECT_FALSE(keep_backup(path, "damaged"));  // nothing there
    std::vector<std::string> names;
    for (int i = 0; i < BACKUPS_KEPT + 2; ++i) {
        std::ofstream(path, std::ios::binary) << "version " << i;
        std::optional<std::string> name = keep_backup(path, "damaged");
        ASSERT_TRUE(name);
        names.push_back(*name);
        // The stored file is then replaced as a save does; the backup keeps the old bytes.
        ASSERT_TRUE(write_file_atomic(path, "new", 3));
        EXPECT_EQ(slurp(*name), "version " + std::to_string(i));
    }
    EXPECT_EQ(names[0], path + ".bak");
    EXPECT_EQ(names[1], path + ".bak.1");
    EXPECT_EQ(names[6], path + ".bak.6");
    // The two oldest went; the newest five are as they were made.
    EXPECT_FALSE(std::filesystem::exists(names[0]));
    EXPECT_FALSE(std::filesystem::exists(names[1]));
    for (int i = 2; i < BACKUPS_KEPT + 2; ++i) EXPECT_EQ(slurp(names[i]), "version " + std::to_string(i));

    // Bytes from memory take the next number too.
    std::optional<std::string> fromMemory = keep_backup_bytes(path, "list", "before import");
    ASSERT_TRUE(fromMemory);
    EXPECT_EQ(*fromMemory, path + ".bak.7");
    EXPECT_EQ(slurp(*fromMemory), "list");
    const std::vector<std::string> lines = log.lines();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
        return l.find("keypro.dct.bak.7: before import") != std::string::npos;
    }));
}

TEST(FileIo, LeftoversOfAnInterruptedSaveAreRemovedButNotARunningOne) {
    test::TempDir dir;
    std::filesystem::create_directories(dir.file("mac/games"));
    std::ofstream(dir.file(".pro.dct.tmp-a1B2c3")) << "half";
    std::ofstream(dir.file("mac/games/.x.mcf.tmp-zzzzzz")) << "half";
    std::ofstream(dir.file("notes.tmp-123456")) << "the user's";  // not one of ours
    std::optional<PreparedFile> running = prepare_file_replace(dir.file("keypro.dct"), "abc", 3);
    ASSERT_TRUE(running);

    EXPECT_EQ(remove_stale_temp_files(dir.path()), 1);
    EXPECT_FALSE(std::filesystem::exists(dir.file(".pro.dct.tmp-a1B2c3")));
    EXPECT_TRUE(std::filesystem::exists(dir.file("mac/games/.x.mcf.tmp-zzzzzz")));
    EXPECT_EQ(remove_stale_temp_files(dir.file("mac"), true), 1);
    EXPECT_TRUE(std::filesystem::exists(dir.file("notes.tmp-123456")));
    EXPECT_TRUE(std::filesystem::exists(running->temp));  // its save holds the lock

    ASSERT_TRUE(commit_file_replace(*running));
    EXPECT_EQ(slurp(dir.file("keypro.dct")), "abc");
    // A prepared file that is dropped leaves nothing behind.
    { auto dropped = prepare_file_replace(dir.file("pro.dct"), "x", 1); }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3);  // keypro.dct, notes, mac
}

}  // namespace
}  // namespace keyloom
