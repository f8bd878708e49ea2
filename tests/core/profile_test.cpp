// The profile record's stored layout and the profile list.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "config/gvar.h"
#include "model/stprofile.h"

namespace keyloom {
namespace {

uint32_t le32(const void* record, size_t offset) {
    const auto* p = static_cast<const uint8_t*>(record) + offset;
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

std::unique_ptr<_ST_PROFILE> makeProfile(uint32_t id, const char* name) {
    auto p = std::make_unique<_ST_PROFILE>();
    std::memset(p.get(), 0, sizeof(_ST_PROFILE));
    p->dwMagic = PROFILE_MAGIC;
    p->dwID = id;
    std::strncpy(p->szName, name, sizeof p->szName - 1);
    return p;
}

class ProfileList : public ::testing::Test {
protected:
    void SetUp() override { init_profile_list(); }
    void TearDown() override { destroy_profile_list(); }
};

TEST(ProfileRecord, FieldsSitAtTheirStoredOffsets) {
    auto p = makeProfile(0x11223344, "Game");
    p->dwReserved2 = 0xA1A2A3A4;
    p->stKey[0][1].dwFunID = 0x02000004;
    p->stAdv.nMode = 7;
    p->stAdv.nKeyColorGroup = 3;
    p->stAdv.stRgbCfg[2].nLight = 0x55;
    p->stAdv.stRgbCfg[29].dwColor[7] = 0xC0FFEE;
    p->stAdv.dwKeyColor[0][0] = 0x0000FF;
    p->stAdv.dwKeyColor[14][125] = 0x00FF00;
    p->stKnod[1][7].dwFunID = 0x0400002A;
    p->nKnodSet = 6;
    p->nLayer = 2;
    p->dwKeyProID[0] = 0xD0;
    p->dwKeyProID[2] = 0xD2;
    p->ptPop = {20, 100};
    p->dwReserved3[17] = 0xEEEEEEEE;

    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(p.get());
    EXPECT_EQ(bytes[0], 0x97);
    EXPECT_EQ(bytes[3], 0xFC);
    EXPECT_EQ(le32(p.get(), 4), 0x11223344u);
    EXPECT_EQ(std::memcmp(bytes + 12, "Game\0", 5), 0);
    EXPECT_EQ(le32(p.get(), 52), 0xA1A2A3A4u);
    EXPECT_EQ(le32(p.get(), 56 + 88), 0x02000004u);
    EXPECT_EQ(le32(p.get(), 11144), 7u);
    EXPECT_EQ(le32(p.get(), 11148), 3u);
    EXPECT_EQ(le32(p.get(), 11144 + 8 + 2 * 48 + 4), 0x55u);
    EXPECT_EQ(le32(p.get(), 11144 + 8 + 29 * 48 + 16 + 7 * 4), 0xC0FFEEu);
    EXPECT_EQ(le32(p.get(), 11144 + 1448), 0x0000FFu);
    EXPECT_EQ(le32(p.get(), 20148), 0x00FF00u);  // last colour of the last table
    EXPECT_EQ(le32(p.get(), 20152 + (8 + 7) * 88), 0x0400002Au);
    EXPECT_EQ(le32(p.get(), 21560), 6u);
    EXPECT_EQ(le32(p.get(), 21564), 2u);
    EXPECT_EQ(le32(p.get(), 21568), 0xD0u);
    EXPECT_EQ(le32(p.get(), 21576), 0xD2u);
    EXPECT_EQ(le32(p.get(), 21580), 20u);
    EXPECT_EQ(le32(p.get(), 21584), 100u);
    EXPECT_EQ(le32(p.get(), 21656), 0xEEEEEEEEu);
}

TEST(ProfileListLifecycle, NothingIsAddedWithoutAList) {
    destroy_profile_list();
    auto p = makeProfile(1, "One");
    EXPECT_EQ(add_new_profile_to_list(p.get()), nullptr);
    EXPECT_EQ(get_profile_count(), 0);
    EXPECT_EQ(get_profile_by_id(1), nullptr);
    EXPECT_EQ(get_profile_by_index(0), nullptr);
    EXPECT_EQ(get_profile_by_name("One"), nullptr);
    EXPECT_EQ(delete_profile(p.get()), -1);

    init_profile_list();
    EXPECT_EQ(add_new_profile_to_list(nullptr), nullptr);
    ASSERT_NE(add_new_profile_to_list(p.get()), nullptr);
    init_profile_list();  // a fresh list drops the old one
    EXPECT_EQ(get_profile_count(), 0);
    destroy_profile_list();
}

TEST_F(ProfileList, AddedRecordsAreCopiesThatStayPut) {
    auto src = makeProfile(10, "First");
    _ST_PROFILE* first = add_new_profile_to_list(src.get());
    ASSERT_NE(first, nullptr);
    EXPECT_NE(first, src.get());
    EXPECT_EQ(std::memcmp(first, src.get(), sizeof(_ST_PROFILE)), 0);
    src->dwID = 11;  // later changes to the source do not reach the list
    EXPECT_EQ(first->dwID, 10u);

    // Many more nodes: the first record must not move.
    for (uint32_t id = 20; id < 60; ++id) add_new_profile_to_list(makeProfile(id, "More").get());
    EXPECT_EQ(get_profile_by_index(0), first);
    EXPECT_EQ(get_index_by_profile(first), 0);
    EXPECT_EQ(get_profile_count(), 41);
    EXPECT_EQ(get_index_by_profile(get_profile_by_index(40)), 40);
    EXPECT_EQ(get_profile_by_index(41), nullptr);
    EXPECT_EQ(get_profile_by_index(-1), nullptr);
}

TEST_F(ProfileList, LookupsFindTheFirstMatchInListOrder) {
    _ST_PROFILE* a = add_new_profile_to_list(makeProfile(7, "Work").get());
    _ST_PROFILE* b = add_new_profile_to_list(makeProfile(7, "Work").get());  // duplicates are kept
    _ST_PROFILE* c = add_new_profile_to_list(makeProfile(8, "Workshop").get());
    ASSERT_EQ(get_profile_count(), 3);
    EXPECT_EQ(get_profile_by_id(7), a);
    EXPECT_EQ(get_profile_by_id(8), c);
    EXPECT_EQ(get_profile_by_id(9), nullptr);
    EXPECT_EQ(get_index_by_profile(b), 1);

    EXPECT_EQ(get_profile_by_name("Work"), a);
    EXPECT_EQ(get_profile_by_name("Workshop"), c);
    EXPECT_EQ(get_profile_by_name("Wor"), nullptr);  // a prefix is not the name
    EXPECT_EQ(get_profile_by_name("Workshop2"), nullptr);
    EXPECT_EQ(get_profile_by_name(nullptr), nullptr);

    // A name field without its NUL is compared within its 40 bytes.
    std::memset(c->szName, 'N', sizeof c->szName);
    EXPECT_EQ(get_profile_by_name(std::string(40, 'N').c_str()), c);
    EXPECT_EQ(get_profile_by_name(std::string(41, 'N').c_str()), nullptr);

    // Same bytes at another address is not a listed record.
    _ST_PROFILE copy;
    std::memcpy(&copy, a, sizeof copy);
    EXPECT_EQ(get_index_by_profile(&copy), -1);
    EXPECT_EQ(get_index_by_profile(nullptr), -1);
}

TEST_F(ProfileList, DeletingLeavesNoDanglingCurrentProfile) {
    _ST_PROFILE* a = add_new_profile_to_list(makeProfile(1, "A").get());
    _ST_PROFILE* b = add_new_profile_to_list(makeProfile(2, "B").get());
    set_current_profile(b);
    EXPECT_EQ(get_current_profile(), b);

    auto outsider = makeProfile(1, "A");
    EXPECT_EQ(delete_profile(outsider.get()), -1);
    EXPECT_EQ(delete_profile(nullptr), -1);
    EXPECT_EQ(get_profile_count(), 2);

    EXPECT_EQ(delete_profile(a), 0);  // not the current one: current stays
    EXPECT_EQ(get_current_profile(), b);
    EXPECT_EQ(get_profile_by_index(0), b);
    EXPECT_EQ(delete_profile(b), 0);
    EXPECT_EQ(get_current_profile(), nullptr);
    EXPECT_EQ(get_profile_count(), 0);

    set_current_profile(add_new_profile_to_list(makeProfile(3, "C").get()));
    clear_profile_list();
    EXPECT_EQ(get_current_profile(), nullptr);
    EXPECT_EQ(get_profile_count(), 0);
    set_current_profile(add_new_profile_to_list(makeProfile(4, "D").get()));
    destroy_profile_list();
    EXPECT_EQ(get_current_profile(), nullptr);
}

TEST(ProfileHelpers, KeyTableAndGameMode) {
    EXPECT_EQ(GetKeyInfo(nullptr), nullptr);
    auto p = makeProfile(1, "A");
    EXPECT_EQ(GetKeyInfo(p.get()), &p->stKey[0][0]);

    uint8_t saved = gVar.GaoshouIndex;
    gVar.GaoshouIndex = 3;
    EXPECT_TRUE(IsLedGameMode(3));
    EXPECT_FALSE(IsLedGameMode(2));
    EXPECT_FALSE(IsLedGameMode(259));  // the whole mode number is compared
    EXPECT_FALSE(IsLedGameMode(-1));
    gVar.GaoshouIndex = saved;
}

}  // namespace
}  // namespace keyloom
