// The rules that switch key tables while an application is in front: what
// is refused; a file with bad lines; how applications match; which table
// each layer gets. Their file byte for byte is checked through keyloomctl
// (ctl_rules_test.cpp) and the rules dialog.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/fileio.h"
#include "base/paths.h"
#include "model/st_keypro.h"
#include "store/focus_rules.h"
#include "test_support.h"

namespace keyloom {
namespace {

class FocusRulesTest : public ::testing::Test {
protected:
    void SetUp() override {
        set_data_dir(dir.file("data"));
        init_keypro_list();
        addTable("Gaming", 0);
        addTable("Office", 0);
        addTable("Gaming", 1);
    }
    void TearDown() override { destroy_keypro_list(); }
    static void addTable(const char* name, int layer) {
        _ST_KEYPRO set;
        new_keypro(name, &set);
        set.nLayer = layer;
        add_new_keypro_to_list(&set);
    }
    static std::string stored() { return read_file_bytes(FocusRulesPath(), SIZE_MAX).value_or("<none>"); }
    static void store(const std::string& bytes) {
        std::filesystem::create_directories(get_data_path());
        std::ofstream(FocusRulesPath(), std::ios::binary) << bytes;
    }
    test::TempDir dir;
};

TEST_F(FocusRulesTest, BadRulesAreRefusedAndNothingChanges) {
    FocusRules rules;
    ASSERT_TRUE(rules.add({"game", 0, "Gaming"}).empty());
    const std::string before = stored();
    EXPECT_EQ(rules.add({"", 0, "Gaming"}).code, "tc_rule_no_app");
    EXPECT_EQ(rules.add({"x", 3, "Gaming"}).code, "tc_rule_bad_layer");
    EXPECT_EQ(rules.add({"x", 0, ""}).code, "tc_rule_no_table");
    EXPECT_EQ(rules.add({"a\tb", 0, "Gaming"}).code, "tc_rule_bad_character");
    EXPECT_EQ(rules.add({"x", 0, "Gam\ning"}).code, "tc_rule_bad_character");
    EXPECT_EQ(rules.add({"\xff\xfe", 0, "Gaming"}).code, "tc_rule_bad_character");
    EXPECT_EQ(rules.add({std::string(256, 'a'), 0, "Gaming"}).code, "tc_rule_app_too_long");
    EXPECT_EQ(rules.add({"x", 0, std::string(40, 't')}).code, "tc_rule_table_too_long");
    EXPECT_EQ(rules.add({"GAME", 0, "Office"}).code, "tc_rule_twice");  // the same application, any case
    EXPECT_EQ(rules.remove(5).code, "tc_rule_missing");
    EXPECT_EQ(stored(), before);
    EXPECT_EQ(rules.rules().size(), 1u);

    // A rule for a table that does not exist is kept, but is broken.
    EXPECT_TRUE(rules.add({"editor", 2, "Writing"}).empty());
    EXPECT_TRUE(FocusRules::broken(rules.rules().back()));
    EXPECT_FALSE(FocusRules::broken(rules.rules().front()));

    // The list has a cap.
    for (size_t i = rules.rules().size(); i < kFocusRulesMax; ++i)
        ASSERT_TRUE(rules.add({"app" + std::to_string(i), 1, "Gaming"}).empty());
    EXPECT_EQ(rules.add({"one-more", 1, "Gaming"}).code, "tc_rule_list_full");
    EXPECT_LE(stored().size(), kFocusRulesMaxBytes);
}

TEST_F(FocusRulesTest, AFileWithBadLinesKeepsTheGoodOnesAndSaysWhichLinesWentWhy) {
    store("# keyloom focus rules 1\r\n"
          "M1\tGaming\tgame\r\n"
          "M4\tGaming\tgame\n"
          "M1\tGaming\n"
          "\n"
          "M2\t\tgame\n"
          "M1\tOffice\tGAME\n"
          "m2\tGaming\tgame\n");
    FocusRules rules;
    const std::vector<Reason> refused = rules.load();
    EXPECT_EQ(rules.rules(), (std::vector<FocusRule>{{"game", 0, "Gaming"}, {"game", 1, "Gaming"}}));
    ASSERT_EQ(refused.size(), 4u);
    EXPECT_EQ(refused[0], MakeReason("tc_rule_line_refused", {"3"}, MakeReason("tc_rule_bad_layer")));
    EXPECT_EQ(refused[1].values, std::vector<std::string>{"4"});
    EXPECT_EQ(refused[2], MakeReason("tc_rule_line_refused", {"6"}, MakeReason("tc_rule_no_table")));
    EXPECT_EQ(refused[3], MakeReason("tc_rule_line_refused", {"7"}, MakeReason("tc_rule_twice")));

    // A file over the cap is not read at all, and says so; no edit writes
    // over it until it can be read.
    const std::string big(kFocusRulesMaxBytes + 1, '#');
    store(big);
    const std::vector<Reason> unread = rules.load();
    ASSERT_EQ(unread.size(), 1u);
    EXPECT_EQ(unread[0].code, "tc_rules_unreadable");
    EXPECT_TRUE(rules.rules().empty());
    EXPECT_EQ(rules.add({"game", 0, "Gaming"}), unread[0]);
    EXPECT_EQ(stored(), big);
    store("# keyloom focus rules 1\n");
    EXPECT_TRUE(rules.load().empty());
    EXPECT_TRUE(rules.add({"game", 0, "Gaming"}).empty());
}

TEST_F(FocusRulesTest, EachLayerTakesTheFirstMatchingRuleThatIsNotBroken) {
    EXPECT_TRUE(FocusAppMatches("steam_app_570", "steam_app_570"));
    EXPECT_TRUE(FocusAppMatches("Firefox", "firefox"));
    EXPECT_TRUE(FocusAppMatches("steam_app_*", "steam_app_570"));
    EXPECT_TRUE(FocusAppMatches("*office*", "org.libreoffice.LibreOffice"));
    EXPECT_TRUE(FocusAppMatches("a*b*c", "aXbYbZc"));
    EXPECT_TRUE(FocusAppMatches("*", "anything"));
    EXPECT_FALSE(FocusAppMatches("steam_app_*", "steam"));
    EXPECT_FALSE(FocusAppMatches("a*b", "acbd"));
    EXPECT_FALSE(FocusAppMatches("", "x"));

    store("# keyloom focus rules 1\n"
          "M1\tMissing\tsteam_app_570\n"
          "M1\tGaming\tsteam_app_*\n"
          "M1\tOffice\tsteam_*\n"
          "M2\tGaming\t*\n");
    FocusRules rules;
    ASSERT_TRUE(rules.load().empty());
    using Tables = std::array<std::optional<std::string>, 3>;
    auto tablesFor = [&](const char* app) {
        Tables tables;
        for (size_t layer = 0; layer < 3; ++layer)
            if (const FocusRule* rule = rules.rulesFor(app)[layer]) tables[layer] = rule->table + " for " + rule->app;
        return tables;
    };
    EXPECT_EQ(tablesFor("steam_app_570"), (Tables{"Gaming for steam_app_*", "Gaming for *", std::nullopt}));
    EXPECT_EQ(tablesFor("steam_x"), (Tables{"Office for steam_*", "Gaming for *", std::nullopt}));
    EXPECT_EQ(tablesFor("kate"), (Tables{std::nullopt, "Gaming for *", std::nullopt}));
}

}  // namespace
}  // namespace keyloom
