// keyloomctl run as a user runs it: its output, messages and exit codes.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>

#include "test_support.h"

namespace keyloom {
namespace {

using CtlRun = test::CommandRun;

// Runs keyloomctl with the arguments (already shell-quoted) and its standard error discarded.
CtlRun runCtl(const std::string& args) {
    return test::RunCommand(std::string(KEYLOOMCTL_PATH) + " " + args + " 2>/dev/null");
}

TEST(Keyloomctl, ConfigPrintsTheShippedDefaultModel) {
    CtlRun run = runCtl(std::string("--work-dir ") + KEYLOOM_SOURCE_CFG_DIR + " config");
    ASSERT_EQ(run.status, 0);
    auto j = nlohmann::json::parse(run.out);
    EXPECT_EQ(j["gVar"]["Model"], 1);
    EXPECT_EQ(j["gVar"]["nKeyCount"], 126);
    EXPECT_EQ(j["gVar"]["LedOpt"].size(), 25u);
    EXPECT_EQ(j["gVar"]["GaoshouKey"].size(), 10u);
    EXPECT_EQ(j["gVar"]["Lang"].size(), 9u);
    EXPECT_EQ(j["gVar"]["Lang"][0]["szDir"], "en");
    EXPECT_EQ(j["hwParam"]["nMacroBufferSize"], 192);
    ASSERT_EQ(j["g_defKEY"].size(), 126u);
    EXPECT_TRUE(j["g_defKEY"][0].contains("stCombo"));
    EXPECT_TRUE(j["g_defKEY"][0]["stCombo"].contains("VkCode1"));
    // Fields come in declaration order.
    EXPECT_LT(run.out.find("\"Txt_clr\""), run.out.find("\"Btn_txt_clr_nr\""));
    EXPECT_LT(run.out.find("\"rcKB\""), run.out.find("\"LEDParam\""));
}

TEST(Keyloomctl, ConfigWithoutSelectorFails) {
    test::TempDir dir;
    CtlRun run = runCtl("--work-dir " + dir.path() + " config");
    EXPECT_EQ(run.status, 1);
}

TEST(Keyloomctl, IniShowsSectionsAndWhatTheParseReported) {
    test::TempDir dir;
    std::ofstream(dir.file("x.ini")) << "[B]\nz=1\na=2\n[A]\n bad line\nk=v=w\n[B]\nq=3\n";
    CtlRun run = runCtl("ini " + dir.file("x.ini"));
    ASSERT_EQ(run.status, 0);
    auto j = nlohmann::json::parse(run.out);
    ASSERT_EQ(j["sections"].size(), 3u);
    EXPECT_EQ(j["sections"][0]["name"], "B");
    EXPECT_EQ(j["sections"][0]["keys"]["a"], "2");
    EXPECT_EQ(j["sections"][1]["name"], "A");
    EXPECT_TRUE(j["sections"][1]["keys"].empty());
    EXPECT_EQ(j["sections"][2]["keys"]["q"], "3");
    ASSERT_EQ(j["log"].size(), 2u);
    EXPECT_EQ(j["log"][0], "invaild key-value paring: bad line");
    EXPECT_EQ(j["log"][1], "invaild key-value paring: k=v=w");

    EXPECT_EQ(runCtl("ini " + dir.file("missing.ini")).status, 1);
    EXPECT_NE(runCtl("frobnicate").status, 0);
}

}  // namespace
}  // namespace keyloom
