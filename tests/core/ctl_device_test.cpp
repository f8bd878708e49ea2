// keyloomctl's device commands against the simulated keyboard, run as a
// user runs them: output, wire trace and exit codes.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "test_support.h"

namespace keyloom {
namespace {

using CtlRun = test::CommandRun;

// Runs keyloomctl with the arguments (already shell-quoted); standard error
// is kept only when asked for, after standard output.
CtlRun runCtl(const std::string& args, bool withErrors = false) {
    return test::RunCommand(std::string(KEYLOOMCTL_PATH) + " " + args + (withErrors ? " 2>&1" : " 2>/dev/null"));
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

class CtlDevice : public ::testing::Test {
protected:
    // The shipped work directory and a fresh data directory.
    std::string dirs() const {
        return std::string("--work-dir ") + KEYLOOM_SOURCE_CFG_DIR + " --data-dir " + data.path();
    }
    test::TempDir data;
};

TEST_F(CtlDevice, DevicesListsTheInterfacesAndTheOneTheLinkOpens) {
    CtlRun run = runCtl("--simulate devices");
    ASSERT_EQ(run.status, 0);
    auto j = nlohmann::json::parse(run.out);
    ASSERT_EQ(j["devices"].size(), 2u);
    EXPECT_EQ(j["chosen"], "sim:vendor");
    EXPECT_EQ(j["devices"][0]["node"], "sim:keyboard");
    EXPECT_EQ(j["devices"][0]["chosen"], false);
    const auto& vendor = j["devices"][1];
    EXPECT_EQ(vendor["chosen"], true);
    EXPECT_EQ(vendor["vendorId"], "05ac");
    EXPECT_EQ(vendor["productId"], "024f");
    EXPECT_EQ(vendor["featureSize"], 1025);
    EXPECT_EQ(vendor["usagePage"], "ff00");
    EXPECT_EQ(vendor["product"], "keyloom simulated keyboard");
    EXPECT_EQ(vendor["open"], "ok");

    CtlRun none = runCtl("--simulate --sim-unplugged devices");
    EXPECT_EQ(none.status, 1);
    EXPECT_TRUE(nlohmann::json::parse(none.out)["devices"].empty());
}

TEST_F(CtlDevice, ApplySendsWhatEncodeShows) {
    const std::string trace = data.file("trace.txt");
    CtlRun apply = runCtl(dirs() + " --simulate --sim-trace " + trace + " apply");
    ASSERT_EQ(apply.status, 0) << apply.out;
    EXPECT_EQ(Lines(apply.out), (std::vector<std::string>{"progress 40", "progress 60", "progress 80",
                                                           "progress 100", "progress 101"}));
    EXPECT_TRUE(std::filesystem::exists(data.file("pro.dct")));

    CtlRun encode = runCtl(dirs() + " encode");
    ASSERT_EQ(encode.status, 0);
    auto j = nlohmann::json::parse(encode.out);
    EXPECT_EQ(j["flags"], "8007");
    EXPECT_EQ(j["matrix"].size(), 126u);
    EXPECT_EQ(j["macroArea"].get<std::string>().size(), 2u * 1920);
    EXPECT_EQ(j["progress"], nlohmann::json::parse("[40, 60, 80, 100, 101]"));

    // Every report on the wire is an encoded payload, zero-filled to 1024 bytes.
    std::ifstream in(trace);
    std::stringstream text;
    text << in.rdbuf();
    const std::vector<std::string> wire = Lines(text.str());
    const auto& commands = j["commands"];
    ASSERT_EQ(wire.size(), commands.size());
    ASSERT_GE(wire.size(), 2u);
    EXPECT_EQ(commands.front()["command"], "02");
    EXPECT_EQ(commands.back()["command"], "01");
    EXPECT_EQ(commands.back()["length"], 506);
    for (size_t i = 0; i < wire.size(); ++i) {
        const std::string payload = commands[i]["payload"];
        EXPECT_EQ(payload.size(), 2u * commands[i]["length"].get<size_t>());
        EXPECT_EQ(wire[i], "SET 09 " + payload + std::string(2048 - payload.size(), '0'));
    }

    CtlRun lighting = runCtl(dirs() + " --simulate --sim-trace " + trace + " apply --flags 2");
    EXPECT_EQ(lighting.status, 0);
    EXPECT_TRUE(lighting.out.empty());  // a quiet apply reports no progress
    std::ifstream again(trace);
    std::string first;
    std::getline(again, first);
    EXPECT_EQ(first.substr(0, 9), "SET 09 02");

    EXPECT_EQ(runCtl(dirs() + " --simulate apply --flags zz").status, 1);
}

TEST_F(CtlDevice, ApplyWithoutAKeyboard) {
    // The shipped selector keeps running without a keyboard; the apply fails.
    CtlRun run = runCtl(dirs() + " --simulate --sim-unplugged apply", true);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("Update settings failed!"), std::string::npos);

    // Without Suwnd the program does not start without its keyboard.
    test::TempDir work;
    std::filesystem::copy(KEYLOOM_SOURCE_CFG_DIR, work.path(), std::filesystem::copy_options::recursive);
    std::ofstream(work.file("cfg.txt")) << "[OPT]\nDebug=0\nSuwnd=0\nGoWithNoDev=0\nModel=1\n";
    run = runCtl("--work-dir " + work.path() + "/ --data-dir " + data.path() + " --simulate --sim-unplugged apply",
                 true);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("Warning: Keyboard not found."), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("progress"), std::string::npos);
}

TEST_F(CtlDevice, MonitorPrintsNotificationsAndHotplug) {
    CtlRun run = runCtl(dirs() + " --simulate monitor --for 1 --sim-events "
                                 "'layer 2; knob-open; knob-move 3; knob-confirm; unplug; plug; layer 1'");
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(Lines(run.out), (std::vector<std::string>{
                                  "attached sim:vendor",
                                  "notification 02 06 00: layer M2",
                                  "notification 01 04 00: knob chooser opened",
                                  "notification 04 05 00: knob chooser moved to set 3",
                                  "notification 02 04 00: knob chooser confirmed",
                                  "removed",
                                  "attached sim:vendor",
                                  "notification 01 06 00: layer M1",
                              }));

    EXPECT_EQ(runCtl(dirs() + " --simulate monitor --for 0 --sim-events 'layer 9'").status, 1);
    EXPECT_EQ(runCtl(dirs() + " monitor --for 0 --sim-events 'plug'").status, 2);  // needs --simulate
}

}  // namespace
}  // namespace keyloom
