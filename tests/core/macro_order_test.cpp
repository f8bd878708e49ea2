// The order of the macro tree, which the macro editor and the picker's macro
// list show: folders first, then names with numbers by value, either case
// and accented letters beside the plain ones; kept as items are added,
// renamed and imported.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "base/paths.h"
#include "macro/macrofile.h"
#include "macro/macrotree.h"
#include "macro/name_order.h"
#include "test_support.h"

namespace keyloom {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> shown(const outlineviewData& folder) {
    std::vector<std::string> names;
    for (const auto& c : folder.array) names.push_back(c->name + (c->nFlagData == MACRO_ITEM_FOLDER ? "/" : ""));
    return names;
}

class MacroOrder : public ::testing::Test {
protected:
    void SetUp() override {
        set_data_dir(tmp.path());
        mac = tmp.path() + "/mac";
        fs::create_directories(mac);
        init_macro_list();
    }
    void TearDown() override {
        destroy_macro_list();
        set_data_dir("");
    }
    void put(const std::string& rel, uint32_t id) {
        fs::create_directories(fs::path(mac + "/" + rel).parent_path());
        _ST_MACRO m{};
        m.dwMagic = MACRO_MAGIC;
        m.dwID = id;
        m.stData.wRepeat = static_cast<uint16_t>(id);  // each plays differently: an import is never refused as a copy
        const std::string name = fs::path(rel).stem().string();
        std::strncpy(m.szName, name.c_str(), sizeof m.szName - 1);
        ASSERT_TRUE(write_macro_file(mac + "/" + rel, &m));
    }

    test::TempDir tmp;
    std::string mac;
    MacroTree tree;
};

TEST(NameOrder, NumbersByValueCaseAndAccentsTogether) {
    std::vector<std::string> names{"macro 10", "Macro 2", "macro 1", "zebra", "Éclair", "eclair", "apple",
                                   "Ärger", "Zoo", "macro 02", "Яблоко", "абрикос", "10", "9"};
    std::sort(names.begin(), names.end(), name_before);
    EXPECT_EQ(names, (std::vector<std::string>{"9", "10", "apple", "Ärger", "eclair", "Éclair", "macro 1",
                                               "Macro 2", "macro 02", "macro 10", "zebra", "Zoo", "абрикос",
                                               "Яблоко"}));
    // A total order: names that differ only in case still have one place each.
    EXPECT_LT(compare_names("Zoo", "zoo"), 0);
    EXPECT_EQ(compare_names("zoo", "zoo"), 0);
    // Bytes that are no UTF-8 still sort, and after nothing in particular.
    EXPECT_NE(compare_names("a\xff", "a\xfe"), 0);
}

TEST_F(MacroOrder, TheTreeListsFoldersFirstThenNamesInNaturalOrder) {
    put("macro 10.mcf", 1);
    put("macro 2.mcf", 2);
    put("beta.mcf", 3);
    put("Alpha.mcf", 4);
    put("zz games/b 10.mcf", 5);
    put("zz games/b 9.mcf", 6);
    put("Arcade/x.mcf", 7);
    fs::create_directories(mac + "/empty");

    tree.loadMacroToList();
    EXPECT_EQ(shown(*tree.root()),
              (std::vector<std::string>{"Arcade/", "empty/", "zz games/", "Alpha", "beta", "macro 2", "macro 10"}));
    EXPECT_EQ(shown(*tree.root()->array[2]), (std::vector<std::string>{"b 9", "b 10"}));

    // New items, renamed items and imports take their place at once.
    ASSERT_TRUE(tree.new_macro(nullptr, "macro 3").ok);
    ASSERT_TRUE(tree.new_folder(nullptr, "Board").ok);
    outlineviewData* alpha = tree.root()->findItemForName("Alpha");
    ASSERT_TRUE(tree.rename_item(alpha, "macro 11").ok);
    put("../import 1.mcf", 99);
    ASSERT_TRUE(tree.import_macro(nullptr, tmp.path() + "/import 1.mcf").ok);
    EXPECT_EQ(shown(*tree.root()),
              (std::vector<std::string>{"Arcade/", "Board/", "empty/", "zz games/", "beta", "import 1", "macro 2",
                                        "macro 3", "macro 10", "macro 11"}));

    // Reading the folder again gives the same order.
    tree.ReloadMacroList();
    EXPECT_EQ(shown(*tree.root()),
              (std::vector<std::string>{"Arcade/", "Board/", "empty/", "zz games/", "beta", "import 1", "macro 2",
                                        "macro 10", "macro 11"}));  // "macro 3" was never saved
}

}  // namespace
}  // namespace keyloom
