// The main window's key tables without a window: the mode and table shown,
// choosing, New, Rename and Delete with their refusals; Restore; and the key
// colours the key map shows and paints.
#include <gtest/gtest.h>

#include "control/key_map.h"
#include "control/key_tables.h"
#include "control/restore.h"
#include "control_ground.h"

namespace keyloom {
namespace {

using test::ControlData;

class KeyTables : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(tables.showProfile(*data.profile)); }
    std::string shown() const { return tables.shown() ? keypro_name(*tables.shown()) : std::string(); }

    ControlData data;
    KeyTableController tables;
};

TEST_F(KeyTables, TheProfilePlaysTheModeAndTheTableChosen) {
    EXPECT_EQ(shown(), "Work");
    EXPECT_TRUE(tables.selectMode(1));
    EXPECT_EQ(data.profile->nLayer, 1);
    ASSERT_TRUE(tables.showProfile(*data.profile));
    EXPECT_EQ(shown(), "Shooter");
    tables.selectMode(2);  // M3 plays no table: the one shown stays
    ASSERT_TRUE(tables.showProfile(*data.profile));
    EXPECT_EQ(shown(), "Shooter");

    tables.selectMode(0);
    ASSERT_EQ(tables.tablesOfMode().size(), 2u);
    EXPECT_TRUE(tables.choose(ControlData::kGames));
    EXPECT_EQ(data.profile->dwKeyProID[0], ControlData::kGames);
    EXPECT_EQ(data.profile->dwKeyProID[1], ControlData::kShooter);
    EXPECT_FALSE(tables.choose(0x999));
    EXPECT_EQ(shown(), "Games");
}

TEST_F(KeyTables, ANewTableIsCheckedCutAddedToTheModeAndRefusedWhenTheListIsFull) {
    EXPECT_EQ(tables.checkName("Games", false), NameCheck::Taken);
    EXPECT_EQ(tables.checkName("Shooter", false), NameCheck::Ok);  // another mode's
    const std::string letters(38, 'a');
    EXPECT_TRUE(tables.add(letters + "\xc3\xa9").empty());  // the two-byte letter does not fit 39 bytes
    EXPECT_EQ(shown(), letters);
    EXPECT_EQ(tables.shown()->nLayer, 0);
    EXPECT_EQ(data.profile->dwKeyProID[0], uint32_t(tables.shown()->dwID));

    for (uint32_t id = 0x300; !keypro_list_full(); ++id) ControlData::addTable(id, 2, std::to_string(id));
    EXPECT_EQ(tables.refuseNew(), MakeReason("tc_keypro_full", {"50"}));
    EXPECT_EQ(tables.add("One more"), MakeReason("tc_keypro_full", {"50"}));
    EXPECT_EQ(shown(), letters);
}

TEST_F(KeyTables, RenameMayKeepTheTablesOwnName) {
    EXPECT_EQ(tables.checkName("Work", true), NameCheck::Ok);
    EXPECT_EQ(tables.checkName("Games", true), NameCheck::Taken);
    EXPECT_FALSE(tables.renameShown(""));
    EXPECT_TRUE(tables.renameShown("Office"));
    EXPECT_EQ(keypro_name(*get_keypro_by_id(ControlData::kWork)), "Office");
}

TEST_F(KeyTables, DeleteNamesTheTableAndKeepsTheModesLast) {
    tables.choose(ControlData::kGames);
    EXPECT_EQ(tables.deleteQuestion(), MakeReason("tc_del_keytable_ask", {"Games"}));
    EXPECT_TRUE(tables.deleteShown());
    EXPECT_EQ(get_keypro_by_id(ControlData::kGames), nullptr);
    EXPECT_EQ(shown(), "Work");  // the mode's first
    EXPECT_EQ(data.profile->dwKeyProID[0], ControlData::kWork);
    EXPECT_FALSE(tables.deleteShown());
    EXPECT_NE(get_keypro_by_id(ControlData::kWork), nullptr);
}

TEST_F(KeyTables, RestoreNamesWhatItResetsAndResetsOnlyThat) {
    tables.selectMode(1);
    ASSERT_TRUE(tables.showProfile(*data.profile));
    EXPECT_EQ(RestoreQuestion(tables.shown(), tables.mode()), MakeReason("tc_msg5", {"Shooter", "M2"}));
    _ST_KEYPRO* work = get_keypro_by_id(ControlData::kWork);
    work->stKey[3].dwFunID = MAKE_FUNID(FUN_MOUSE, 1);
    tables.shown()->stKey[3].dwFunID = MAKE_FUNID(FUN_MOUSE, 1);
    data.profile->nKnodSet = 5;
    RestoreDefaults(*data.profile, tables.shown());
    EXPECT_EQ(data.profile->nKnodSet, 0);
    EXPECT_FALSE(KeyReassigned(*tables.shown(), 3));
    EXPECT_TRUE(KeyReassigned(*work, 3));
}

TEST_F(KeyTables, TheKeyMapShowsAndPaintsTheGroupsColoursOnlyInThePerKeyMode) {
    gVar.GaoshouIndex = 7;
    _ST_ADV& lighting = data.profile->stAdv;
    lighting.nMode = 7;
    lighting.nKeyColorGroup = 2;
    PaintKey(lighting, 10, 0xFF8000);
    EXPECT_EQ(lighting.dwKeyColor[2][10], 0xFF8000u);
    EXPECT_EQ(ShownKeyColours(lighting), lighting.dwKeyColor[2]);
    lighting.nMode = 1;
    EXPECT_EQ(ShownKeyColours(lighting), nullptr);
}

}  // namespace
}  // namespace keyloom
