// keyloomctl rules: the rules that give a layer another key table while an
// application is in front, run as a user runs them on the files of a fresh
// data folder. Beside a running keyloom they go through it: see the
// end-to-end runs.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "base/fileio.h"
#include "test_support.h"

namespace keyloom {
namespace {

namespace fs = std::filesystem;

struct CtlRun {
    int status = -1;
    std::string out;
    std::string err;
};

class CtlRules : public ::testing::Test {
protected:
    // Runs keyloomctl on the shipped configuration and the temporary data folder.
    CtlRun run(const std::string& args) const {
        std::string cmd = "env LANGUAGE=en KEYLOOM_CONFIG_DIR='" + dir.file("config") + "' " KEYLOOMCTL_PATH +
                          " --work-dir '" KEYLOOM_SOURCE_CFG_DIR "' --data-dir '" + data() + "' " + args + " 2>'" +
                          dir.file("stderr") + "'";
        test::CommandRun done = test::RunCommand(cmd);
        return {done.status, std::move(done.out), read_file_bytes(dir.file("stderr"), SIZE_MAX).value_or("")};
    }
    std::string data() const { return dir.file("data"); }
    std::string rulesFile() const { return data() + "/focus_rules.txt"; }
    std::string stored() const { return read_file_bytes(rulesFile(), SIZE_MAX).value_or("(none)"); }

    test::TempDir dir;
};

TEST_F(CtlRules, AddListRefuseRemoveOnTheFiles) {
    // The first-run key tables: M1_Profile1..5, M2_Profile1..5, M3_Profile1..5.
    ASSERT_EQ(run("init").status, 0);
    CtlRun none = run("rules");
    EXPECT_EQ(none.status, 0) << none.err;
    EXPECT_EQ(none.out, "no rules\n");
    EXPECT_FALSE(fs::exists(rulesFile()));  // listing writes nothing

    CtlRun first = run("rules add --layer 1 --table M1_Profile2 --app steam_app_570");
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(first.out, "1\tM1\tM1_Profile2\tsteam_app_570\n");
    EXPECT_EQ(first.err, "");
    CtlRun second = run("rules add --layer 3 --table M3_Profile1 --app 'org.gnome.*'");
    ASSERT_EQ(second.status, 0) << second.err;
    const std::string file =
        "# keyloom focus rules 1\n"
        "M1\tM1_Profile2\tsteam_app_570\n"
        "M3\tM3_Profile1\torg.gnome.*\n";
    EXPECT_EQ(stored(), file);

    const std::string text = "1\tM1\tM1_Profile2\tsteam_app_570\n2\tM3\tM3_Profile1\torg.gnome.*\n";
    EXPECT_EQ(run("rules").out, text);
    EXPECT_EQ(run("rules list").out, text);
    CtlRun json = run("rules list --json");
    EXPECT_EQ(json.status, 0);
    EXPECT_EQ(json.out, R"({
  "rulesFile": ")" + rulesFile() + R"(",
  "rules": [
    {
      "number": 1,
      "layer": 1,
      "table": "M1_Profile2",
      "app": "steam_app_570",
      "broken": false
    },
    {
      "number": 2,
      "layer": 3,
      "table": "M3_Profile1",
      "app": "org.gnome.*",
      "broken": false
    }
  ]
}
)");

    // Refused: the file stays as it was.
    CtlRun badLayer = run("rules add --layer 4 --table M1_Profile3 --app x");
    EXPECT_EQ(badLayer.status, 2);
    EXPECT_EQ(badLayer.err.rfind("--layer: Value 4 not in range 1 to 3\n", 0), 0u) << badLayer.err;
    CtlRun twice = run("rules add --layer 1 --table M1_Profile3 --app STEAM_APP_570");
    EXPECT_EQ(twice.status, 1);
    EXPECT_EQ(twice.out, "");
    EXPECT_EQ(twice.err, "this application already has a rule for this layer\n");
    EXPECT_EQ(run("rules add --layer 2 --table M2_Profile1 --app ''").err, "the rule names no application\n");
    EXPECT_EQ(run("rules add --layer 2 --table M2_Profile1").status, 2);
    EXPECT_EQ(stored(), file);

    CtlRun gone = run("rules remove 1 --json");
    ASSERT_EQ(gone.status, 0) << gone.err;
    EXPECT_EQ(nlohmann::json::parse(gone.out)["rules"],
              nlohmann::json::parse(R"([{"number": 1, "layer": 3, "table": "M3_Profile1", "app": "org.gnome.*",
                                          "broken": false}])"));
    EXPECT_EQ(stored(), "# keyloom focus rules 1\nM3\tM3_Profile1\torg.gnome.*\n");
    CtlRun missing = run("rules remove 2");
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "there is no rule 2\n");
    EXPECT_EQ(run("rules remove 0").status, 2);
    EXPECT_EQ(stored(), "# keyloom focus rules 1\nM3\tM3_Profile1\torg.gnome.*\n");

    // A rule whose layer has no such key table (M1_Profile1 is one of M1) is
    // kept, and listed as broken.
    CtlRun broken = run("rules add --layer 2 --table M1_Profile1 --app code");
    ASSERT_EQ(broken.status, 0) << broken.err;
    EXPECT_EQ(broken.out,
              "1\tM3\tM3_Profile1\torg.gnome.*\n"
              "2\tM2\tM1_Profile1\tcode\t(broken: no such key table)\n");
    EXPECT_EQ(broken.err, "keyloomctl: M2 has no key table \"M1_Profile1\": the rule is kept, shown as broken, "
                          "until it has one\n");
    EXPECT_EQ(nlohmann::json::parse(run("rules --json").out)["rules"][1]["broken"], true);
}

TEST_F(CtlRules, LinesThatCannotBeKeptAreWarnedAboutAndAnUnreadableFileIsLeftAlone) {
    fs::create_directories(data());
    std::ofstream(rulesFile(), std::ios::binary) << "# keyloom focus rules 1\nM4\tT\tx\nM1\tT\tgame\n";
    CtlRun listed = run("rules");
    EXPECT_EQ(listed.status, 0);
    EXPECT_EQ(listed.out, "1\tM1\tT\tgame\t(broken: no such key table)\n");  // no key tables stored
    EXPECT_EQ(listed.err,
              "keyloomctl: warning: line 2 of the rules file was left out: the layer is not M1, M2 or M3\n");
    EXPECT_EQ(stored(), "# keyloom focus rules 1\nM4\tT\tx\nM1\tT\tgame\n");

    fs::remove(rulesFile());
    fs::create_directory(rulesFile());
    for (const char* args : {"rules", "rules add --layer 1 --table T --app game", "rules remove 1"}) {
        CtlRun r = run(args);
        EXPECT_EQ(r.status, 1) << args;
        EXPECT_EQ(r.err.rfind("The rules in " + rulesFile() + " could not be read.\n", 0), 0u) << r.err;
    }
    EXPECT_TRUE(fs::is_directory(rulesFile()));
    EXPECT_TRUE(fs::is_empty(rulesFile()));
    EXPECT_EQ(std::distance(fs::directory_iterator(data()), fs::directory_iterator()), 1);  // nothing beside it
}

}  // namespace
}  // namespace keyloom
