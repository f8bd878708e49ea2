// Key-property sets: the record's stored layout, the set list and "keypro.dct".
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "config/gvar.h"
#include "base/paths.h"
#include "model/st_keypro.h"
#include "test_support.h"

namespace keyloom {
namespace {

constexpr size_t kSlot = sizeof(_ST_KEYPRO);

uint32_t le32(const void* record, size_t offset) {
    const auto* p = static_cast<const uint8_t*>(record) + offset;
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// A set with recognisable contents; ids are given by hand (the id source waits 20 ms).
_ST_KEYPRO makeSet(int32_t id, int32_t layer, const std::string& name) {
    _ST_KEYPRO set{};
    set.dwID = id;
    set.nLayer = layer;
    std::strncpy(set.szName, name.c_str(), sizeof set.szName - 1);
    for (int k = 0; k < KEY_COUNT; ++k) {
        set.stKey[k].dwFunID = MAKE_FUNID(FUN_KEY, 0);
        set.stKey[k].stCombo = {0, static_cast<uint8_t>(k), VK_NONE, 0};
        set.stKey[k].dwMatrixIdx = static_cast<uint32_t>(id) * 1000u + static_cast<uint32_t>(k);
    }
    return set;
}

std::string bytesOf(const _ST_KEYPRO& set) { return std::string(reinterpret_cast<const char*>(&set), kSlot); }

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void spit(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

bool contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// The first-run shape: M1 1..5, M2 1..5, M3 1..5, ids 101..115.
void addFirstRunSets() {
    for (int layer = 0; layer < 3; ++layer)
        for (int s = 1; s <= 5; ++s) {
            _ST_KEYPRO set = makeSet(100 + layer * 5 + s, layer, "M" + std::to_string(layer + 1) + "_" + std::to_string(s));
            add_new_keypro_to_list(&set);
        }
}

class KeyProList : public ::testing::Test {
protected:
    void SetUp() override { init_keypro_list(); }
    void TearDown() override { destroy_keypro_list(); }
};

// A list with the data directory in a fresh folder; the log is captured.
class KeyProFile : public KeyProList {
protected:
    void SetUp() override {
        KeyProList::SetUp();
        set_data_dir(dir_.path());
    }
    void TearDown() override {
        set_data_dir("");
        KeyProList::TearDown();
    }
    std::string path() const { return dir_.file("keypro.dct"); }
    std::string bak() const { return dir_.file("keypro.dct.bak"); }
    void addOne(int32_t id, int32_t layer = 0) {
        _ST_KEYPRO set = makeSet(id, layer, "set " + std::to_string(id));
        add_new_keypro_to_list(&set);
    }

    test::TempDir dir_;
    test::LogCapture log_;
};

TEST(KeyProRecord, FieldsSitAtTheirStoredOffsets) {
    _ST_KEYPRO set = makeSet(0x0A0B0C0D, 2, "M3_Game");
    set.stKey[125].nReserved3 = 0x7E7E7E7E;
    const auto* bytes = reinterpret_cast<const uint8_t*>(&set);
    EXPECT_EQ(le32(&set, 0), 0x0A0B0C0Du);
    EXPECT_EQ(le32(&set, 4), 2u);
    EXPECT_EQ(std::memcmp(bytes + 8, "M3_Game\0", 8), 0);
    EXPECT_EQ(le32(&set, 48), MAKE_FUNID(FUN_KEY, 0));
    EXPECT_EQ(bytes[48 + 28 + 1], 0);                       // stKey[0].stCombo.VkCode1
    EXPECT_EQ(bytes[48 + 88 * 5 + 28 + 1], 5);              // stKey[5].stCombo.VkCode1
    EXPECT_EQ(le32(&set, 48 + 88 * 3 + 20), 0x0A0B0C0Du * 1000u + 3u);  // stKey[3].dwMatrixIdx
    EXPECT_EQ(le32(&set, 11132), 0x7E7E7E7Eu);
}

TEST_F(KeyProList, IndexCountsWithinALayerInListOrder) {
    addFirstRunSets();
    ASSERT_EQ(get_keypro_count(), 15);
    EXPECT_EQ(get_keypro_by_index(1, 1)->dwID, 107);  // second M2 set
    EXPECT_EQ(get_keypro_by_index(0, 2)->dwID, 111);  // first M3 set
    EXPECT_EQ(get_keypro_by_index(4, 0)->dwID, 105);
    EXPECT_EQ(get_keypro_by_index(5, 0), nullptr);
    EXPECT_EQ(get_keypro_by_index(14, -1)->dwID, 115);
    EXPECT_EQ(get_keypro_by_index(15, -1), nullptr);
    EXPECT_EQ(get_keypro_by_index(-1, 0), nullptr);
    EXPECT_EQ(get_keypro_by_index(0, 3), nullptr);

    EXPECT_EQ(get_keypro_by_id(112), get_keypro_by_index(1, 2));
    EXPECT_EQ(get_keypro_by_id(0), nullptr);
    EXPECT_EQ(get_keypro_by_id(999), nullptr);

    // Deleting the first M2 set moves the next one up within its layer.
    _ST_KEYPRO* second = get_keypro_by_index(1, 1);
    delete_keypro_by_id(106);
    EXPECT_EQ(get_keypro_count(), 14);
    EXPECT_EQ(get_keypro_by_index(0, 1), second);  // records do not move
    EXPECT_EQ(get_keypro_by_index(4, 1), nullptr);
    delete_keypro_by_id(999);
    EXPECT_EQ(get_keypro_count(), 14);

    // Duplicate ids are kept; lookups find the first.
    _ST_KEYPRO dup = makeSet(101, 2, "dup");
    _ST_KEYPRO* listed = add_new_keypro_to_list(&dup);
    ASSERT_NE(listed, nullptr);
    EXPECT_NE(listed, &dup);
    EXPECT_EQ(get_keypro_by_id(101), get_keypro_by_index(0, 0));
    EXPECT_EQ(get_keypro_by_index(5, 2), listed);

    clear_keypro_list();
    EXPECT_EQ(get_keypro_count(), 0);
    destroy_keypro_list();
    EXPECT_EQ(add_new_keypro_to_list(&dup), nullptr);
    EXPECT_EQ(get_keypro_by_index(0, -1), nullptr);
    EXPECT_EQ(get_keypro_count(), 0);
}

TEST(KeyProRecord, NewSetTakesTheDefaultKeys) {
    auto savedKeys = std::make_unique<_KEYINFO[]>(KEY_COUNT);
    std::memcpy(savedKeys.get(), g_defKEY, sizeof(_KEYINFO) * KEY_COUNT);
    for (int k = 0; k < KEY_COUNT; ++k) g_defKEY[k] = makeSet(7, 0, "").stKey[k];

    _ST_KEYPRO set;
    std::memset(&set, 0xEE, sizeof set);
    new_keypro((std::string(39, 'k') + std::string(11, 'x')).c_str(), &set);
    EXPECT_NE(set.dwID, 0);
    EXPECT_EQ(set.nLayer, 0);
    EXPECT_EQ(std::string(set.szName), std::string(39, 'k'));
    EXPECT_EQ(std::memcmp(set.stKey, g_defKEY, sizeof set.stKey), 0);

    std::memset(set.stKey, 0, sizeof set.stKey);
    ResetKeyPro(&set);
    EXPECT_EQ(std::memcmp(set.stKey, g_defKEY, sizeof set.stKey), 0);
    ResetKeyPro(nullptr);

    _ST_KEYPRO untouched;
    std::memset(&untouched, 0xEE, sizeof untouched);
    new_keypro(nullptr, &untouched);
    new_keypro("x", nullptr);
    EXPECT_EQ(untouched.dwID, static_cast<int32_t>(0xEEEEEEEE));

    std::memcpy(g_defKEY, savedKeys.get(), sizeof(_KEYINFO) * KEY_COUNT);
}

TEST_F(KeyProFile, SaveWritesFiftySlotsAndLoadReadsThemBack) {
    addOne(11, 0);
    addOne(22, 1);
    addOne(33, 2);
    const std::string s0 = bytesOf(*get_keypro_by_index(0, -1));
    const std::string s2 = bytesOf(*get_keypro_by_index(2, -1));
    save_all_keypro();
    std::string file = slurp(path());
    ASSERT_EQ(file.size(), 556800u);
    EXPECT_EQ(file.substr(0, kSlot), s0);
    EXPECT_EQ(file.substr(2 * kSlot, kSlot), s2);
    EXPECT_EQ(file.find_first_not_of('\0', 3 * kSlot), std::string::npos);  // empty slots are zero

    clear_keypro_list();
    addOne(99);  // replaced by what the file holds
    load_all_keypro();
    ASSERT_EQ(get_keypro_count(), 3);
    EXPECT_EQ(bytesOf(*get_keypro_by_index(0, -1)), s0);
    EXPECT_EQ(get_keypro_by_index(1, -1)->dwID, 22);
    EXPECT_EQ(bytesOf(*get_keypro_by_index(2, -1)), s2);
    EXPECT_FALSE(std::filesystem::exists(bak()));
    EXPECT_TRUE(log_.lines().empty());

    // The list holds what the file holds: the 51st set is refused when it is
    // added, so a full list is saved whole.
    clear_keypro_list();
    for (int id = 1; id <= 49; ++id) addOne(id, id % 3);
    EXPECT_FALSE(keypro_list_full());
    addOne(50, 2);
    EXPECT_TRUE(keypro_list_full());
    const _ST_KEYPRO extra = makeSet(51, 0, "one too many");
    EXPECT_EQ(add_new_keypro_to_list(&extra), nullptr);
    EXPECT_EQ(get_keypro_count(), 50);
    EXPECT_EQ(get_keypro_by_id(51), nullptr);
    save_all_keypro();
    file = slurp(path());
    ASSERT_EQ(file.size(), 556800u);
    EXPECT_EQ(le32(file.data(), 49 * kSlot), 50u);
    load_all_keypro();
    EXPECT_EQ(get_keypro_count(), 50);
    EXPECT_EQ(get_keypro_by_index(49, -1)->dwID, 50);

    // Deleting one makes room again.
    delete_keypro_by_id(7);
    EXPECT_FALSE(keypro_list_full());
    EXPECT_NE(add_new_keypro_to_list(&extra), nullptr);
}

TEST_F(KeyProFile, EmptySlotsAreSkippedAndShortFilesAccepted) {
    std::string file(3 * kSlot, '\0');
    _ST_KEYPRO a = makeSet(1, 0, "first"), c = makeSet(3, 2, "third");
    file.replace(0, kSlot, bytesOf(a));
    file.replace(2 * kSlot, kSlot, bytesOf(c));
    spit(path(), file);
    load_all_keypro();
    ASSERT_EQ(get_keypro_count(), 2);
    EXPECT_EQ(bytesOf(*get_keypro_by_index(0, -1)), bytesOf(a));
    EXPECT_EQ(bytesOf(*get_keypro_by_index(1, -1)), bytesOf(c));

    // A cut-off slot counts with the bytes it has; the rest reads as zero.
    _ST_KEYPRO b = makeSet(2, 1, "second");
    spit(path(), bytesOf(a) + bytesOf(b).substr(0, 48 + 88 * 10));
    load_all_keypro();
    ASSERT_EQ(get_keypro_count(), 2);
    const _ST_KEYPRO* cut = get_keypro_by_index(1, -1);
    EXPECT_EQ(cut->dwID, 2);
    EXPECT_EQ(std::string(cut->szName), "second");
    EXPECT_EQ(cut->stKey[9].dwMatrixIdx, 2009u);
    EXPECT_EQ(cut->stKey[10].dwFunID, 0u);

    spit(path(), std::string("\x05\0", 2));  // two bytes: one set, id 5, layer 0
    load_all_keypro();
    ASSERT_EQ(get_keypro_count(), 1);
    EXPECT_EQ(get_keypro_by_index(0, 0)->dwID, 5);
    EXPECT_FALSE(std::filesystem::exists(bak()));

    // An all-zero file is a stored empty list, not damage.
    spit(path(), std::string(556800, '\0'));
    load_all_keypro();
    EXPECT_EQ(get_keypro_count(), 0);
    EXPECT_FALSE(std::filesystem::exists(bak()));
    EXPECT_TRUE(log_.lines().empty());
}

TEST_F(KeyProFile, MissingOrEmptyFileLeavesTheListAsItWas) {
    addOne(7);
    load_all_keypro();  // no file yet
    EXPECT_TRUE(contains(log_.lines(), "load keypro file error"));
    EXPECT_EQ(get_keypro_count(), 1);

    log_.clear();
    spit(path(), "");
    load_all_keypro();
    EXPECT_TRUE(contains(log_.lines(), "read keypro file error"));
    EXPECT_EQ(get_keypro_count(), 1);
    EXPECT_FALSE(std::filesystem::exists(bak()));
}

TEST_F(KeyProFile, UnusableFileIsReportedAndItsSoundSetsLoaded) {
    // Reading never writes: keeping a damaged file aside is start-up's job.
    addOne(7);
    const std::string garbage(1000, '\x5A');  // an id, but layer 0x5A5A5A5A
    spit(path(), garbage);
    EXPECT_EQ(load_keypro_image(garbage), MakeReason("tc_damage_layer", {"1515870810"}));
    EXPECT_EQ(get_keypro_count(), 1);  // nothing usable: the list stays
    EXPECT_TRUE(contains(log_.lines(), "read keypro file error"));
    load_all_keypro();
    EXPECT_FALSE(std::filesystem::exists(bak()));

    // Non-zero bytes without a single id are not a key-property file either.
    std::string noIds(kSlot, '\0');
    noIds[100] = 'x';
    EXPECT_EQ(load_keypro_image(noIds), MakeReason("tc_damage_no_set"));
    EXPECT_EQ(get_keypro_count(), 1);

    // Sound sets next to a broken one are loaded.
    const std::string mixed = bytesOf(makeSet(1, 0, "good")) + bytesOf(makeSet(2, 7, "bad layer")) +
                              bytesOf(makeSet(3, 2, "good too"));
    EXPECT_EQ(load_keypro_image(mixed), MakeReason("tc_damage_layer", {"7"}));
    ASSERT_EQ(get_keypro_count(), 2);
    EXPECT_EQ(get_keypro_by_index(0, -1)->dwID, 1);
    EXPECT_EQ(get_keypro_by_index(1, -1)->dwID, 3);

    // A file larger than 50 slots: its first 50 are read, and it is reported.
    std::string large = bytesOf(makeSet(4, 1, "big")) + std::string(556800, '\0');
    spit(path(), large);
    load_all_keypro();
    ASSERT_EQ(get_keypro_count(), 1);
    EXPECT_EQ(get_keypro_by_index(0, 1)->dwID, 4);
    EXPECT_EQ(load_keypro_image(large.substr(0, 556801)), MakeReason("tc_err_larger_than", {"556800"}));
    EXPECT_FALSE(std::filesystem::exists(bak()));
}

TEST_F(KeyProFile, SavingIntoAMissingFolderIsLogged) {
    addOne(1);
    set_data_dir(dir_.file("missing"));
    save_all_keypro();
    EXPECT_TRUE(contains(log_.lines(), "save pro file error"));
}

TEST_F(KeyProFile, NamesWithoutNulAreEndedOnLoad) {
    _ST_KEYPRO set = makeSet(1, 0, "");
    std::memset(set.szName, 'N', sizeof set.szName);
    spit(path(), bytesOf(set));
    load_all_keypro();
    ASSERT_EQ(get_keypro_count(), 1);
    const _ST_KEYPRO* loaded = get_keypro_by_index(0, 0);
    EXPECT_EQ(std::string(loaded->szName), std::string(39, 'N'));
    EXPECT_EQ(loaded->stKey[0].dwFunID, set.stKey[0].dwFunID);
}

}  // namespace
}  // namespace keyloom
