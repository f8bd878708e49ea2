// Single macro files: exact byte layout, the size and magic rules, logged errors.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "macro/macrofile.h"
#include "test_support.h"

namespace keyloom {
namespace {

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void spill(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

_ST_MACRO sample_macro() {
    _ST_MACRO m{};
    m.dwMagic = MACRO_MAGIC;
    m.dwID = 0x11223344;
    m.dwDirty = MACRO_DIRTY_EVENTS;
    m.bAutoDelay = 1;
    m.nLoopMode = 2;
    std::strcpy(m.szName, "Combo");
    m.byBufferID = 3;
    m.stData.wRepeat = 7;
    m.stData.stItem[0] = {4, 1, 50};
    m.stData.stItem[170] = {0xABCD, 0, 0x01020304};
    m.byReserved3[1] = 0xEE;
    return m;
}

uint8_t byte_at(const std::string& s, size_t at) { return static_cast<uint8_t>(s[at]); }

TEST(MacroFile, WritesTheRecordByteForByte) {
    test::TempDir dir;
    const _ST_MACRO m = sample_macro();
    ASSERT_TRUE(write_macro_file(dir.file("m.mcf"), &m));
    const std::string bytes = slurp(dir.file("m.mcf"));
    ASSERT_EQ(bytes.size(), 1484u);
    EXPECT_EQ(std::memcmp(bytes.data(), &m, 1484), 0);
    // Little-endian fields at their fixed offsets.
    EXPECT_EQ(bytes.substr(0, 4), std::string("\xA0\x88\xFB\xFA", 4));
    EXPECT_EQ(bytes.substr(4, 4), std::string("\x44\x33\x22\x11", 4));
    EXPECT_EQ(bytes.substr(8, 4), std::string("\x00\x00\x00\x80", 4));
    EXPECT_EQ(byte_at(bytes, 12), 1);
    EXPECT_EQ(byte_at(bytes, 16), 2);
    EXPECT_EQ(bytes.substr(20, 6), std::string("Combo\0", 6));
    EXPECT_EQ(byte_at(bytes, 100), 3);
    EXPECT_EQ(bytes.substr(104, 2), std::string("\x07\x00", 2));
    EXPECT_EQ(bytes.substr(108, 8), std::string("\x04\x00\x01\x00\x32\x00\x00\x00", 8));
    EXPECT_EQ(bytes.substr(108 + 170 * 8, 8), std::string("\xCD\xAB\x00\x00\x04\x03\x02\x01", 8));
    EXPECT_EQ(byte_at(bytes, 1483), 0xEE);

    // Replacing keeps the exact size.
    _ST_MACRO other = m;
    other.dwID = 5;
    ASSERT_TRUE(write_macro_file(dir.file("m.mcf"), &other));
    EXPECT_EQ(slurp(dir.file("m.mcf")).size(), 1484u);

    _ST_MACRO back{};
    ASSERT_TRUE(read_macro_file(dir.file("m.mcf"), &back));
    EXPECT_EQ(std::memcmp(&back, &other, sizeof back), 0);
}

TEST(MacroFile, WriteFailuresAreLogged) {
    test::TempDir dir;
    test::LogCapture log;
    const _ST_MACRO m = sample_macro();
    EXPECT_FALSE(write_macro_file(dir.file("m.mcf"), nullptr));
    EXPECT_FALSE(std::filesystem::exists(dir.file("m.mcf")));
    EXPECT_TRUE(log.lines().empty());

    EXPECT_FALSE(write_macro_file(dir.file("missing/m.mcf"), &m));
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(log.lines()[0], "write macro err=2, No such file or directory");
}

TEST(MacroFile, OnlyAWholeRecordWithItsMagicIsAMacroFile) {
    test::TempDir dir;
    test::LogCapture log;
    const _ST_MACRO m = sample_macro();
    const std::string record(reinterpret_cast<const char*>(&m), sizeof m);
    std::string bad = record;
    bad[3] = 0x00;
    spill(dir.file("good.mcf"), record);
    spill(dir.file("empty.mcf"), "");
    spill(dir.file("short.mcf"), record.substr(0, 1483));
    spill(dir.file("long.mcf"), record + "x");  // which 1484 of its bytes would be the macro?
    spill(dir.file("bad.mcf"), bad);

    _ST_MACRO dst{};
    dst.dwID = 77;
    const std::pair<const char*, MacroFileProblem> cases[] = {
        {"empty.mcf", MacroFileProblem::Empty},   {"short.mcf", MacroFileProblem::Short},
        {"long.mcf", MacroFileProblem::Long},     {"bad.mcf", MacroFileProblem::NotAMacro},
        {"none.mcf", MacroFileProblem::Unreadable}, {".", MacroFileProblem::Unreadable},  // a folder
    };
    for (const auto& [name, problem] : cases) {
        EXPECT_EQ(check_macro_file(dir.file(name), &dst), problem) << name;
        EXPECT_FALSE(read_macro_file(dir.file(name), &dst)) << name;
        EXPECT_NE(macro_file_problem_text(problem), nullptr);
    }
    EXPECT_EQ(dst.dwID, 77u);  // nothing of a refused file reaches the destination
    // Only errors of the file system are logged; a file that is no macro is the caller's to tell.
    EXPECT_EQ(log.lines().front(), "read macro err=2, No such file or directory");
    EXPECT_EQ(log.lines().size(), 4u);  // none.mcf and the folder, each through both calls

    EXPECT_EQ(check_macro_file(dir.file("good.mcf"), &dst), MacroFileProblem::None);
    EXPECT_EQ(std::memcmp(&dst, &m, sizeof m), 0);
    EXPECT_EQ(macro_file_problem_text(MacroFileProblem::None), nullptr);
    EXPECT_FALSE(read_macro_file(dir.file("good.mcf"), nullptr));

    // Bytes in memory: at least a record, the first 1484 taken.
    EXPECT_FALSE(macro_from_bytes(record.data(), 1483, &dst));
    EXPECT_TRUE(macro_from_bytes(record.data(), record.size(), &dst));
    EXPECT_FALSE(macro_from_bytes(bad.data(), bad.size(), &dst));
    EXPECT_FALSE(macro_from_bytes(nullptr, 1484, &dst));
}

}  // namespace
}  // namespace keyloom
