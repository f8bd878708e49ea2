// Directory lookup, file-name helpers, folder creation and macro-name rules.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/PublicLib.h"
#include "base/paths.h"
#include "test_support.h"

namespace keyloom {
namespace {

using test::ScopedEnv;
using test::TempDir;

TEST(PathsFileNames, SplitFromTheEnd) {
    EXPECT_EQ(get_file_ext("a.b.mcf"), "mcf");
    EXPECT_EQ(get_file_ext("/x/y"), std::nullopt);
    EXPECT_EQ(get_file_ext("name."), "");

    EXPECT_EQ(get_file_name("/x/y/name.duk"), "name.duk");
    EXPECT_EQ(get_file_name("/x/y/"), "");
    EXPECT_EQ(get_file_name("name.duk"), std::nullopt);

    EXPECT_EQ(get_folder_name("/x/y/name.duk"), "/x/y");
    EXPECT_EQ(get_folder_name("/top"), "");
    EXPECT_EQ(get_folder_name("name.duk"), std::nullopt);

    EXPECT_EQ(get_file_name_only("/x/y/name.duk"), "name");
    EXPECT_EQ(get_file_name_only("/x/y/a.b.duk"), "a.b");
    EXPECT_EQ(get_file_name_only("name.duk"), std::nullopt);
    EXPECT_EQ(get_file_name_only("/x.y/name"), std::nullopt);  // the dot must be in the name
}

TEST(PathsNames, ActiveNameRejectsSeparatorsAndSpecials) {
    EXPECT_TRUE(is_active_name(""));
    EXPECT_TRUE(is_active_name("a-b x"));
    EXPECT_TRUE(is_active_name("Macro_1 (copy)"));
    for (const char* bad : {"a.b", "a/b", "a\\b", "a|b", "#1", "$x", "50%", "a&b", "*"})
        EXPECT_FALSE(is_active_name(bad)) << bad;
}

TEST(PathsDirs, WorkDirectoryLookupOrder) {
    ScopedEnv env("KEYLOOM_WORK_DIR", std::nullopt);
    const std::string installed = PubLib::get_current_path() + "../share/keyloom/cfg/";
    const std::string expected = std::filesystem::path(installed).lexically_normal().string();
    EXPECT_EQ(get_work_dir(), expected);
    EXPECT_EQ(expected.find(".."), std::string::npos);
    // The build tree has the installed shape, so the lookup finds the copied configuration.
    EXPECT_TRUE(std::filesystem::is_directory(get_work_dir()));
    EXPECT_EQ(get_skins_dir(), expected + "skins/");

    ScopedEnv set("KEYLOOM_WORK_DIR", std::string("/opt/kl/cfg"));
    EXPECT_EQ(get_work_dir(), "/opt/kl/cfg/");
    set_work_dir("/cli/cfg/");
    EXPECT_EQ(get_work_dir(), "/cli/cfg/");
    EXPECT_EQ(get_skins_dir(), "/cli/cfg/skins/");
    set_work_dir("");
    EXPECT_EQ(get_work_dir(), "/opt/kl/cfg/");
}

TEST(PathsDirs, DataDirectoryLookupOrder) {
    ScopedEnv noData("KEYLOOM_DATA_DIR", std::nullopt);
    ScopedEnv home("HOME", std::string("/home/tester"));
    {
        ScopedEnv noXdg("XDG_DATA_HOME", std::nullopt);
        EXPECT_EQ(get_data_path(), "/home/tester/.local/share/keyloom/");
        EXPECT_EQ(get_macro_path(), "/home/tester/.local/share/keyloom/mac/");
    }
    {
        ScopedEnv relative("XDG_DATA_HOME", std::string("rel/data"));  // invalid, ignored
        EXPECT_EQ(get_data_path(), "/home/tester/.local/share/keyloom/");
    }
    ScopedEnv xdg("XDG_DATA_HOME", std::string("/xdg/data/"));
    EXPECT_EQ(get_data_path(), "/xdg/data/keyloom/");

    ScopedEnv data("KEYLOOM_DATA_DIR", std::string("/env/data"));
    EXPECT_EQ(get_data_path(), "/env/data/");
    set_data_dir("/cli/data");
    EXPECT_EQ(get_data_path(), "/cli/data/");
    EXPECT_EQ(get_macro_path(), "/cli/data/mac/");
    set_data_dir("");
    EXPECT_EQ(get_data_path(), "/env/data/");
}

TEST(PathsFolders, MakeSureFolderExist) {
    TempDir tmp;
    ASSERT_FALSE(tmp.path().empty());

    const std::string nested = tmp.file("a/b/c");
    EXPECT_TRUE(make_sure_folder_exist(nested));
    EXPECT_TRUE(std::filesystem::is_directory(nested));
    EXPECT_TRUE(make_sure_folder_exist(nested + "/"));  // already there

    // Anything at the path counts, even a plain file; it is left as it is.
    const std::string file = tmp.file("plain");
    std::ofstream(file) << "x";
    EXPECT_TRUE(make_sure_folder_exist(file));
    EXPECT_TRUE(std::filesystem::is_regular_file(file));

    EXPECT_FALSE(make_sure_folder_exist(file + "/sub"));  // a file is in the way
    EXPECT_FALSE(make_sure_folder_exist(""));
}

}  // namespace
}  // namespace keyloom
