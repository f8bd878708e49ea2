// keyloomctl's command line as a user meets it: exit codes, options that are
// refused, options after the command, and text that is not UTF-8.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>

#include "test_support.h"

namespace keyloom {
namespace {

const std::string kReplacement = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

struct CtlResult {
    int status = -1;
    std::string out;
    std::string err;
};

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class CtlCli : public ::testing::Test {
protected:
    // Runs keyloomctl with the arguments (already shell-quoted); standard
    // error is kept apart from standard output.
    CtlResult run(const std::string& args) {
        const std::string errFile = scratch.file("stderr.txt");
        test::CommandRun r = test::RunCommand(std::string(KEYLOOMCTL_PATH) + " " + args + " 2>" + errFile);
        return {r.status, r.out, ReadAll(errFile)};
    }
    std::string dirs() const {
        return std::string("--work-dir ") + KEYLOOM_SOURCE_CFG_DIR + " --data-dir " + data.path();
    }
    // A copy of the shipped work directory, with a trailing "/".
    std::string copyWorkDir() {
        std::filesystem::copy(KEYLOOM_SOURCE_CFG_DIR, work.path(), std::filesystem::copy_options::recursive);
        return work.path() + "/";
    }

    test::TempDir scratch;
    test::TempDir data;
    test::TempDir work;
};

TEST_F(CtlCli, BytesThatAreNotUtf8PrintAsReplacementCharacters) {
    std::ofstream(data.file("bad.ini"), std::ios::binary) << "[OPT]\nName=ab\xff\xfe" "cd\n";
    CtlResult ini = run("ini " + data.file("bad.ini"));
    ASSERT_EQ(ini.status, 0) << ini.err;
    auto j = nlohmann::json::parse(ini.out);
    EXPECT_EQ(j["sections"][0]["keys"]["Name"], "ab" + kReplacement + kReplacement + "cd");

    // The model file the selector chooses, with a title that is not UTF-8.
    const std::string workDir = copyWorkDir();
    CtlResult config = run("--work-dir " + workDir + " config");
    ASSERT_EQ(config.status, 0) << config.err;
    const std::string modelFile = nlohmann::json::parse(config.out)["modelFile"];
    const std::string model = ReadAll(modelFile);
    std::ofstream(modelFile, std::ios::binary)
        << std::regex_replace(model, std::regex("\nTitle=[^\r\n]*"), "\nTitle=Vela\xc3 75");
    config = run("--work-dir " + workDir + " config");
    ASSERT_EQ(config.status, 0) << config.err;
    EXPECT_EQ(nlohmann::json::parse(config.out)["gVar"]["Title"], "Vela" + kReplacement + " 75");
}

TEST_F(CtlCli, MonitorForTakesZeroToADay) {
    for (const char* seconds : {"-1", "86401", "abc", "nan", "''"}) {
        CtlResult r = run(dirs() + " --simulate monitor --for " + seconds);
        EXPECT_EQ(r.status, 2) << seconds;
        EXPECT_NE(r.err.find("--for"), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty()) << seconds;
    }
    CtlResult now = run(dirs() + " --simulate monitor --for 0");
    EXPECT_EQ(now.status, 0) << now.err;
    EXPECT_EQ(now.out, "attached sim:vendor\n");
    EXPECT_EQ(run(dirs() + " --simulate monitor --for 0.05").status, 0);
}

TEST_F(CtlCli, EmptyFolderOptionsAreRefused) {
    for (const std::string args : {"--data-dir '' profiles", "--work-dir '' config", "profiles --data-dir ''",
                                   "init --work-dir ''"}) {
        CtlResult r = run(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_NE(r.err.find("needs a folder"), std::string::npos) << args << ": " << r.err;
        EXPECT_TRUE(r.out.empty()) << args;
    }
    EXPECT_FALSE(std::filesystem::exists(data.file("pro.dct")));
}

TEST_F(CtlCli, SimulatorOptionsNeedSimulate) {
    const std::string trace = data.file("trace.txt");
    const std::vector<std::string> withoutSimulate = {"--sim-trace " + trace + " devices", "--sim-unplugged devices",
                                                      dirs() + " monitor --for 0 --sim-events plug",
                                                      "apply --sim-unplugged"};
    for (const std::string& args : withoutSimulate) {
        CtlResult r = run(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_NE(r.err.find("requires --simulate"), std::string::npos) << args << ": " << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists(trace));

    // A trace that cannot be written fails the command before it talks to the keyboard.
    CtlResult devices = run("--simulate --sim-trace /nonexistent/dir/t.txt devices");
    EXPECT_EQ(devices.status, 1);
    EXPECT_NE(devices.err.find("Cannot write the trace file /nonexistent/dir/t.txt"), std::string::npos)
        << devices.err;
    EXPECT_TRUE(devices.out.empty());
    CtlResult apply = run(dirs() + " --simulate --sim-trace /nonexistent/dir/t.txt apply");
    EXPECT_EQ(apply.status, 1);
    EXPECT_NE(apply.err.find("Cannot write the trace file"), std::string::npos) << apply.err;
    EXPECT_EQ(apply.out.find("progress"), std::string::npos);
}

TEST_F(CtlCli, GlobalOptionsMayFollowTheCommand) {
    const std::string after = std::string(" --work-dir ") + KEYLOOM_SOURCE_CFG_DIR + " --data-dir " + data.path();
    CtlResult init = run("init" + after + " --log-level off");
    ASSERT_EQ(init.status, 0) << init.err;
    EXPECT_EQ(nlohmann::json::parse(init.out)["dataDir"], data.path() + "/");

    CtlResult profiles = run("profiles" + after);
    ASSERT_EQ(profiles.status, 0) << profiles.err;
    auto stored = nlohmann::json::parse(profiles.out);
    ASSERT_EQ(stored["keyPros"].size(), 15u);
    const std::string id = std::to_string(stored["keyPros"][1]["dwID"].get<uint32_t>());

    // Commands with positional arguments.
    CtlResult exported = run("export-keypro " + id + " " + data.file("set.duk") + after);
    ASSERT_EQ(exported.status, 0) << exported.err;
    EXPECT_EQ(nlohmann::json::parse(exported.out)["keyPro"].dump(), id);
    EXPECT_TRUE(std::filesystem::exists(data.file("set.duk")));
    std::ofstream(data.file("x.ini")) << "[A]\nk=v\n";
    CtlResult ini = run("ini " + data.file("x.ini") + " --data-dir " + data.path());
    ASSERT_EQ(ini.status, 0) << ini.err;
    EXPECT_EQ(nlohmann::json::parse(ini.out)["sections"][0]["keys"]["k"], "v");

    // The simulator's options after the device command.
    const std::string trace = data.file("trace.txt");
    CtlResult apply = run("apply --flags 2 --simulate --sim-trace " + trace + after);
    EXPECT_EQ(apply.status, 0) << apply.err;
    EXPECT_EQ(ReadAll(trace).substr(0, 9), "SET 09 02");
    EXPECT_EQ(run("monitor --for 0 --simulate --sim-unplugged" + after).out, "no keyboard\n");
}

TEST_F(CtlCli, ExitCodesTellUsageErrorsFromFailures) {
    for (const std::string args : {"--bogus config", "config --bogus", "", "ini", "--log-level loud config",
                                   "export-keypro", "monitor --for"}) {
        CtlResult r = run(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_FALSE(r.err.empty()) << args;
        EXPECT_TRUE(r.out.empty()) << args;
    }
    for (const std::string args : {"--help", "config --help", "monitor --help"}) {
        CtlResult r = run(args);
        EXPECT_EQ(r.status, 0) << args;
        EXPECT_NE(r.out.find("Usage:"), std::string::npos) << args;
    }
    EXPECT_EQ(run("ini " + data.file("missing.ini")).status, 1);
    EXPECT_EQ(run(dirs() + " --simulate apply --flags zz").status, 1);
}

TEST_F(CtlCli, UnknownCommandsListTheCommandsAndEveryCommandShowsAnExample) {
    CtlResult unknown = run("--data-dir " + data.path() + " frob");
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(unknown.err.rfind("keyloomctl: unknown command \"frob\"\nThe commands: config, ini, init, ", 0), 0u)
        << unknown.err;
    EXPECT_EQ(run("").err.rfind("keyloomctl: a command is needed\n", 0), 0u);

    CtlResult version = run("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(std::regex_match(version.out, std::regex("keyloomctl [0-9]+\\.[0-9]+\\.[0-9]+\n"))) << version.out;

    const std::string list = unknown.err.substr(unknown.err.find("The commands: ") + 14);
    std::istringstream names(list.substr(0, list.find('\n')));
    int commands = 0;
    for (std::string name; std::getline(names, name, ',');) {
        name.erase(0, name.find_first_not_of(' '));
        CtlResult help = run(name + " --help");
        EXPECT_EQ(help.status, 0) << name;
        EXPECT_NE(help.out.find("Example: keyloomctl "), std::string::npos) << name;
        ++commands;
    }
    EXPECT_GE(commands, 15);
}

TEST_F(CtlCli, FailedApplySaysWhy) {
    // The shipped selector: Suwnd=1 starts without a keyboard, GoWithNoDev=0
    // allows no apply without one.
    CtlResult r = run(dirs() + " --simulate --sim-unplugged apply");
    EXPECT_EQ(r.status, 1);
    const size_t at = r.err.find("Update settings failed!\n");
    ASSERT_NE(at, std::string::npos) << r.err;
    const std::string cause = r.err.substr(at + std::string("Update settings failed!\n").size());
    EXPECT_EQ(cause.substr(0, cause.find('\n')),
              "no keyboard is attached, and GoWithNoDev=0 allows no apply without one");
}

}  // namespace
}  // namespace keyloom
