// Whole-file reads, atomic replacement and keeping unusable files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "config/fileio.h"
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

TEST(FileIo, UnusableFileIsKeptAsBak) {
    test::TempDir dir;
    test::LogCapture log;
    const std::string path = dir.file("keypro.dct");
    EXPECT_FALSE(keep_unusable_file(path, "garbage"));  // nothing there
    std::ofstream(path, std::ios::binary) << "garbage\0bytes";
    ASSERT_TRUE(keep_unusable_file(path, "not a key-property file"));
    EXPECT_EQ(slurp(path + ".bak"), slurp(path));
    ASSERT_EQ(log.sysLines().size(), 1u);
    EXPECT_NE(log.sysLines()[0].find("keypro.dct.bak"), std::string::npos);
}

}  // namespace
}  // namespace keyloom
