// "pro.dct": its byte layout, loading crafted files and saving at most 20 profiles.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <memory>

#include "base/fileio.h"
#include "base/paths.h"
#include "store/profile_store.h"
#include "test_support.h"

namespace keyloom {
namespace {

constexpr size_t SLOT = sizeof(_ST_PROFILE);

std::unique_ptr<_ST_PROFILE> make_profile(uint32_t id, const char* name) {
    auto p = std::make_unique<_ST_PROFILE>();
    std::memset(p.get(), 0, sizeof *p);
    p->dwMagic = PROFILE_MAGIC;
    p->dwID = id;
    std::strncpy(p->szName, name, sizeof p->szName - 1);
    p->nLayer = 1;
    p->dwKeyProID[1] = id + 100;
    p->stAdv.dwKeyColor[3][7] = 0x00112233;
    return p;
}

uint32_t word_at(const std::string& bytes, size_t offset) {
    uint32_t v = 0;
    std::memcpy(&v, bytes.data() + offset, sizeof v);
    return v;
}

void put_word(std::string& bytes, size_t offset, uint32_t v) { std::memcpy(bytes.data() + offset, &v, sizeof v); }

bool zero_from(const std::string& bytes, size_t from) {
    for (size_t i = from; i < bytes.size(); ++i)
        if (bytes[i] != 0) return false;
    return true;
}

class ProfileFile : public ::testing::Test {
protected:
    void SetUp() override {
        set_data_dir(dir.path());
        init_profile_list();
    }
    void TearDown() override {
        destroy_profile_list();
        set_data_dir("");
    }
    std::string path() const { return dir.file("pro.dct"); }
    std::string stored() const { return read_file_bytes(path(), SIZE_MAX).value_or(""); }
    void write(const std::string& bytes) const { std::ofstream(path(), std::ios::binary) << bytes; }
    // A whole file image with the given current id and no profiles.
    static std::string image(uint32_t currentId) {
        std::string bytes(PROFILE_FILE_SIZE, '\0');
        put_word(bytes, 0, currentId);
        return bytes;
    }
    static void put_slot(std::string& bytes, int slot, const _ST_PROFILE& p) {
        std::memcpy(bytes.data() + PROFILE_FILE_HEADER + SLOT * slot, &p, SLOT);
    }

    test::TempDir dir;
    test::LogCapture log;
};

TEST_F(ProfileFile, SavedLayoutIsByteExact) {
    auto a = make_profile(0x1111, "first");
    auto b = make_profile(0x2222, "second");
    add_new_profile_to_list(a.get());
    set_current_profile(add_new_profile_to_list(b.get()));

    EXPECT_EQ(get_profile_file_path(), dir.path() + "/pro.dct");
    ASSERT_TRUE(save_profile_to_file());
    std::string bytes = stored();
    ASSERT_EQ(bytes.size(), 433208u);
    EXPECT_EQ(word_at(bytes, 0), 0x2222u);
    EXPECT_EQ(word_at(bytes, 4), 0u);
    EXPECT_EQ(std::memcmp(bytes.data() + 8, a.get(), SLOT), 0);
    EXPECT_EQ(std::memcmp(bytes.data() + 8 + 21660, b.get(), SLOT), 0);
    EXPECT_EQ(word_at(bytes, 8), 0xFCFB8897u);
    EXPECT_EQ(word_at(bytes, 8 + 21660 + 4), 0x2222u);
    EXPECT_EQ(std::string(bytes.data() + 8 + 21660 + 12), "second");
    EXPECT_TRUE(zero_from(bytes, 8 + 2 * 21660));
    EXPECT_TRUE(is_profile_file_sound(bytes));

    // Without a current profile the id word is 0.
    set_current_profile(nullptr);
    ASSERT_TRUE(save_profile_to_file());
    EXPECT_EQ(word_at(stored(), 0), 0u);
}

TEST_F(ProfileFile, RoundTripRestoresListOrderAndCurrent) {
    auto a = make_profile(7, "a");
    auto b = make_profile(8, "b");
    auto c = make_profile(9, "c");
    add_new_profile_to_list(a.get());
    set_current_profile(add_new_profile_to_list(b.get()));
    add_new_profile_to_list(c.get());
    ASSERT_TRUE(save_profile_to_file());

    init_profile_list();
    EXPECT_EQ(load_profile_from_file(), 3);
    ASSERT_EQ(get_profile_count(), 3);
    EXPECT_EQ(std::memcmp(get_profile_by_index(0), a.get(), SLOT), 0);
    EXPECT_EQ(std::memcmp(get_profile_by_index(2), c.get(), SLOT), 0);
    ASSERT_NE(get_current_profile(), nullptr);
    EXPECT_EQ(get_current_profile()->dwID, 8u);
    EXPECT_EQ(get_current_profile(), get_profile_by_index(1));
}

TEST_F(ProfileFile, SavesAtMostTwentyProfiles) {
    for (uint32_t id = 1; id <= 25; ++id) add_new_profile_to_list(make_profile(id, "p").get());
    set_current_profile(get_profile_by_index(24));
    ASSERT_TRUE(save_profile_to_file());
    std::string bytes = stored();
    ASSERT_EQ(bytes.size(), PROFILE_FILE_SIZE);
    EXPECT_EQ(word_at(bytes, 0), 25u);  // the id of the current profile, even when it is not stored
    EXPECT_EQ(word_at(bytes, 8 + 19 * SLOT + 4), 20u);
    EXPECT_EQ(get_profile_count(), 25);  // the list keeps all of them

    init_profile_list();
    EXPECT_EQ(load_profile_from_file(), 20);
    EXPECT_EQ(get_current_profile(), nullptr);
}

TEST_F(ProfileFile, OnlySlotsWithMagicAndIdAreProfiles) {
    std::string bytes = image(0x30);
    auto noId = make_profile(0, "no id");
    auto noMagic = make_profile(0x20, "no magic");
    noMagic->dwMagic = 0;
    auto good = make_profile(0x30, "good");
    put_slot(bytes, 0, *noId);
    put_slot(bytes, 1, *noMagic);
    put_slot(bytes, 3, *good);
    write(bytes);

    EXPECT_EQ(load_profile_from_file(), 1);
    ASSERT_EQ(get_profile_count(), 1);
    EXPECT_STREQ(get_profile_by_index(0)->szName, "good");
    EXPECT_EQ(get_current_profile(), get_profile_by_index(0));
    EXPECT_FALSE(is_profile_file_sound(bytes));  // slots 0 and 1 hold bytes that are not profiles
}

TEST_F(ProfileFile, StoredIdNamingNoProfileLeavesNoneCurrent) {
    auto old = make_profile(1, "old");
    set_current_profile(add_new_profile_to_list(old.get()));
    std::string bytes = image(0x99);
    put_slot(bytes, 0, *make_profile(0x10, "x"));
    write(bytes);

    EXPECT_EQ(load_profile_from_file(), 1);
    EXPECT_EQ(get_profile_count(), 1);
    // The previous current profile was freed with the old list; it must not stay current.
    EXPECT_EQ(get_current_profile(), nullptr);
}

TEST_F(ProfileFile, ShortAndMissingFilesAreLoggedAndChangeNothing) {
    auto kept = make_profile(5, "kept");
    set_current_profile(add_new_profile_to_list(kept.get()));

    EXPECT_EQ(load_profile_from_file(), 0);
    EXPECT_EQ(log.lines(), std::vector<std::string>{"load pro file error"});

    write("");
    log.clear();
    EXPECT_EQ(load_profile_from_file(), 0);
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"read pro file error", "read pro 2 file error"}));

    write(std::string("\x05\0\0\0", 4));
    log.clear();
    EXPECT_EQ(load_profile_from_file(), 0);
    EXPECT_EQ(log.lines(), std::vector<std::string>{"read pro 2 file error"});

    EXPECT_EQ(get_profile_count(), 1);
    EXPECT_STREQ(get_current_profile()->szName, "kept");
}

TEST_F(ProfileFile, TruncatedFileKeepsWhatItHolds) {
    std::string bytes = image(0x41);
    put_slot(bytes, 0, *make_profile(0x41, "whole"));
    put_slot(bytes, 1, *make_profile(0x42, "cut"));
    bytes.resize(8 + SLOT + 100);  // slot 1 keeps only its head; the rest counts as zero
    write(bytes);

    EXPECT_EQ(load_profile_from_file(), 2);
    EXPECT_STREQ(get_profile_by_index(1)->szName, "cut");
    EXPECT_EQ(get_profile_by_index(1)->dwKeyProID[1], 0u);
    EXPECT_FALSE(is_profile_file_sound(bytes));
}

TEST_F(ProfileFile, GarbageLoadsNoProfile) {
    std::string bytes(PROFILE_FILE_SIZE + 500, '\0');
    uint32_t x = 0x12345678;
    for (char& c : bytes) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 24);
    }
    write(bytes);
    EXPECT_EQ(load_profile_from_file(), 0);
    EXPECT_EQ(get_profile_count(), 0);
    EXPECT_EQ(get_current_profile(), nullptr);
    EXPECT_FALSE(is_profile_file_sound(bytes));
}

TEST_F(ProfileFile, SoundnessRule) {
    EXPECT_TRUE(is_profile_file_sound(image(0)));
    EXPECT_FALSE(is_profile_file_sound(std::string(PROFILE_FILE_SIZE - 1, '\0')));
    EXPECT_FALSE(is_profile_file_sound(std::string(PROFILE_FILE_SIZE + 1, '\0')));
    std::string header = image(0);
    header[5] = 1;  // the zero word
    EXPECT_FALSE(is_profile_file_sound(header));
    std::string stray = image(0);
    stray[8 + 5 * SLOT + 300] = 1;
    EXPECT_FALSE(is_profile_file_sound(stray));
}

TEST_F(ProfileFile, SaveFailureIsLogged) {
    // The data "directory" is a plain file, so nothing can be written below it.
    std::ofstream(dir.file("plain")) << "x";
    set_data_dir(dir.file("plain"));
    add_new_profile_to_list(make_profile(1, "p").get());
    EXPECT_FALSE(save_profile_to_file());
    ASSERT_FALSE(log.lines().empty());
    EXPECT_EQ(log.lines()[0], "save pro file error");
}

}  // namespace
}  // namespace keyloom
