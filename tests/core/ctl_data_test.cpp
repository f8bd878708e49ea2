// keyloomctl's stored-data commands run as a user runs them, in a fresh data folder.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>

#include "base/fileio.h"
#include "store/profile_store.h"
#include "test_support.h"

namespace keyloom {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

struct CtlRun {
    int status = -1;
    std::string out;
    std::string err;
    json j() const { return json::parse(out); }
};

class CtlData : public ::testing::Test {
protected:
    // Runs keyloomctl on the shipped configuration and the temporary data folder.
    CtlRun run(const std::string& args, const std::string& workDir = KEYLOOM_SOURCE_CFG_DIR) const {
        std::string cmd = "env LANGUAGE=en KEYLOOM_CONFIG_DIR='" + dir.file("config") + "' " + KEYLOOMCTL_PATH +
                          " --work-dir '" + workDir + "' --data-dir '" + data() + "' " + args + " 2>'" +
                          dir.file("stderr") + "'";
        test::CommandRun done = test::RunCommand(cmd);
        CtlRun r;
        r.status = done.status;
        r.out = std::move(done.out);
        r.err = read_file_bytes(dir.file("stderr"), SIZE_MAX).value_or("");
        return r;
    }
    std::string data() const { return dir.file("data"); }
    static size_t size_of(const std::string& path) {
        std::error_code ec;
        auto size = fs::file_size(path, ec);
        return ec ? 0 : static_cast<size_t>(size);
    }
    static _ST_MACRO make_macro(uint32_t id, const char* name) {
        _ST_MACRO m;
        std::memset(&m, 0, sizeof m);
        m.dwMagic = MACRO_MAGIC;
        m.dwID = id;
        std::strncpy(m.szName, name, sizeof m.szName - 1);
        m.stData.wRepeat = 1;
        m.stData.stItem[0] = {4, 1, 10};
        m.stData.stItem[1] = {4, 0, 10};
        m.stData.stItem[2] = {5, 1, 10};
        return m;
    }
    // An exchange file whose set calls one macro from key slot 0.
    void write_exchange(const std::string& path, uint32_t macroId, const char* macroName) const {
        auto cfg = std::make_unique<_ST_EXCHANGE>();
        std::memset(cfg.get(), 0, sizeof *cfg);
        cfg->stKeyPro.dwID = 4242;
        std::strcpy(cfg->stKeyPro.szName, "shared");
        cfg->stKeyPro.stKey[0].dwFunID = MAKE_FUNID(FUN_MACRO, 0);
        cfg->stKeyPro.stKey[0].dwMacroID = macroId;
        cfg->stMacro[0] = make_macro(macroId, macroName);
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(cfg.get()), sizeof *cfg);
    }

    test::TempDir dir;
};

TEST_F(CtlData, InitCreatesTheFirstRunDataOnceAndProfilesShowIt) {
    CtlRun init = run("init");
    ASSERT_EQ(init.status, 0) << init.err;
    json j = init.j();
    EXPECT_TRUE(j["firstRun"]);
    EXPECT_EQ(j["profiles"], 1);
    EXPECT_EQ(j["keyPros"], 15);
    EXPECT_TRUE(j["saved"]);
    EXPECT_EQ(size_of(data() + "/pro.dct"), PROFILE_FILE_SIZE);
    EXPECT_EQ(size_of(data() + "/keypro.dct"), KEYPRO_FILE_SIZE);
    EXPECT_TRUE(fs::is_directory(data() + "/mac"));

    CtlRun again = run("init");
    ASSERT_EQ(again.status, 0);
    EXPECT_FALSE(again.j()["firstRun"]);
    EXPECT_EQ(again.j()["profilesLoaded"], 1);
    EXPECT_EQ(again.j()["currentProfile"], j["currentProfile"]);

    CtlRun profiles = run("profiles");
    ASSERT_EQ(profiles.status, 0);
    json p = profiles.j();
    EXPECT_EQ(p["currentProfile"], j["currentProfile"]);
    ASSERT_EQ(p["profiles"].size(), 1u);
    EXPECT_EQ(p["profiles"][0]["szName"], "Profile1");
    EXPECT_TRUE(p["profiles"][0]["current"]);
    ASSERT_EQ(p["keyPros"].size(), 15u);
    EXPECT_EQ(p["keyPros"][0]["szName"], "M1_Profile1");
    EXPECT_EQ(p["keyPros"][14]["szName"], "M3_Profile5");
    EXPECT_EQ(p["keyPros"][14]["nLayer"], 2);
    EXPECT_EQ(p["profiles"][0]["dwKeyProID"][1], p["keyPros"][5]["dwID"]);
    ASSERT_FALSE(p["keyPros"][0]["keys"].empty());
    EXPECT_TRUE(p["keyPros"][0]["keys"][0]["text"].is_string());
    EXPECT_TRUE(p["macros"].empty());

    CtlRun noConfig = run("init", dir.file("nothing"));
    EXPECT_EQ(noConfig.status, 1);
    EXPECT_NE(noConfig.err.find("cfg.txt"), std::string::npos);
}

TEST_F(CtlData, KeyProExchangeRoundTrip) {
    write_exchange(dir.file("in.duk"), 0xABC, "combo");
    // Importing into a fresh folder starts from the first-run data.
    CtlRun imported = run("import-keypro '" + dir.file("in.duk") + "'");
    ASSERT_EQ(imported.status, 0) << imported.err;
    EXPECT_EQ(imported.j()["macros"], 1);
    EXPECT_TRUE(imported.j()["keysTaken"]);
    EXPECT_EQ(imported.j()["szName"], "M1_Profile1");  // the set in use keeps its name
    EXPECT_EQ(size_of(data() + "/mac/combo.mcf"), sizeof(_ST_MACRO));

    json p = run("profiles").j();
    ASSERT_EQ(p["macros"].size(), 1u);
    EXPECT_EQ(p["macros"][0]["dwID"], 0xABC);
    EXPECT_EQ(p["macros"][0]["events"], 3);
    json key0 = p["keyPros"][0]["keys"][0];
    EXPECT_EQ(key0["slot"], 0);
    EXPECT_EQ(key0["dwMacroID"], 0xABC);
    EXPECT_NE(key0["text"].get<std::string>().find("combo"), std::string::npos);

    CtlRun exported = run("export-keypro '" + dir.file("out") + "'");
    ASSERT_EQ(exported.status, 0) << exported.err;
    EXPECT_EQ(exported.j()["file"], dir.file("out.duk"));
    EXPECT_EQ(exported.j()["macros"], 1);
    std::string bytes = read_file_bytes(dir.file("out.duk"), SIZE_MAX).value_or("");
    ASSERT_EQ(bytes.size(), EXCHANGE_FILE_SIZE);
    uint32_t macroId = 0;
    std::memcpy(&macroId, bytes.data() + 11136 + 4, 4);
    EXPECT_EQ(macroId, 0xABCu);

    std::string m2 = to_string(p["keyPros"][5]["dwID"]);
    CtlRun byId = run("export-keypro " + m2 + " '" + dir.file("m2.duk") + "'");
    ASSERT_EQ(byId.status, 0) << byId.err;
    EXPECT_EQ(byId.j()["szName"], "M2_Profile1");
    EXPECT_EQ(byId.j()["macros"], 0);

    CtlRun upper = run("export-keypro '" + dir.file("x.DUK") + "'");
    EXPECT_EQ(upper.status, 1);
    EXPECT_NE(upper.err.find("the fudxx must be duk"), std::string::npos);
    EXPECT_EQ(run("export-keypro 12345 '" + dir.file("y.duk") + "'").status, 1);
    EXPECT_EQ(run("export-keypro nonsense '" + dir.file("y.duk") + "'").status, 1);

    CtlRun missing = run("import-keypro '" + dir.file("none.duk") + "'");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("import profile failed."), std::string::npos);
    std::ofstream(dir.file("short.duk")) << "short";
    EXPECT_EQ(run("import-keypro '" + dir.file("short.duk") + "'").status, 1);
}

TEST_F(CtlData, MacroTreeImportExport) {
    fs::create_directories(data() + "/mac/games");
    _ST_MACRO m = make_macro(77, "whatever");
    std::ofstream(dir.file("jump.mcf"), std::ios::binary).write(reinterpret_cast<const char*>(&m), sizeof m);

    CtlRun imported = run("macro-import '" + dir.file("jump.mcf") + "' games");
    ASSERT_EQ(imported.status, 0) << imported.err;
    EXPECT_EQ(imported.j()["macro"], "games/jump");
    EXPECT_TRUE(fs::exists(data() + "/mac/games/jump.mcf"));

    json tree = run("macros").j();
    ASSERT_EQ(tree["items"].size(), 1u);
    EXPECT_EQ(tree["items"][0]["type"], "folder");
    ASSERT_EQ(tree["items"][0]["items"].size(), 1u);
    json item = tree["items"][0]["items"][0];
    EXPECT_EQ(item["type"], "macro");
    EXPECT_EQ(item["path"], "games/jump");
    EXPECT_EQ(item["id"], imported.j()["id"]);
    EXPECT_EQ(item["events"], 3);
    EXPECT_FALSE(item.contains("unusable"));

    // A file that is no macro is listed with the reason the window greys it for.
    std::ofstream(data() + "/mac/games/broken.mcf") << "not a macro";
    json again = run("macros").j();
    ASSERT_EQ(again["items"][0]["items"].size(), 2u);
    json broken = again["items"][0]["items"][0];  // the tree is sorted by name
    EXPECT_EQ(broken["path"], "games/broken");
    EXPECT_EQ(broken["id"], 0);
    EXPECT_TRUE(broken["events"].is_null());
    EXPECT_EQ(broken["unusable"], "This macro file is cut short: a macro file holds 1484 bytes.");
    fs::remove(data() + "/mac/games/broken.mcf");

    CtlRun exported = run("macro-export games/jump '" + dir.file("copy") + "'");
    ASSERT_EQ(exported.status, 0) << exported.err;
    EXPECT_EQ(exported.j()["file"], dir.file("copy.mcf"));
    EXPECT_EQ(size_of(dir.file("copy.mcf")), sizeof(_ST_MACRO));

    EXPECT_EQ(run("macro-export games/none '" + dir.file("x.mcf") + "'").status, 1);
    EXPECT_EQ(run("macro-import '" + dir.file("jump.mcf") + "' nofolder").status, 1);
    CtlRun twice = run("macro-import '" + dir.file("jump.mcf") + "' games");
    EXPECT_EQ(twice.status, 1);
    EXPECT_FALSE(twice.err.empty());
}

}  // namespace
}  // namespace keyloom
