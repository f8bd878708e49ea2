// Nothing a user stored is lost: keyloomctl run on damaged, unreadable,
// special and oversized stored files, checking the bytes on disk before and
// after. Cases that need a user who cannot read a file run keyloomctl as
// "nobody" (the tests run as root).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>

#include "base/fileio.h"
#include "store/profile_store.h"
#include "model/st_keypro.h"
#include "test_support.h"

namespace keyloom {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr uid_t kNobody = 65534;

struct CtlResult {
    int status = -1;
    std::string out;
    std::string err;
    json j() const { return json::parse(out); }
};

// Every file below a folder with its bytes (folders and special files by their kind).
std::map<std::string, std::string> snapshot(const std::string& root) {
    std::map<std::string, std::string> files;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::file_status st = it->symlink_status();
        const std::string rel = it->path().lexically_relative(root).string();
        if (fs::is_regular_file(st))
            files[rel] = read_file_bytes(it->path().string(), SIZE_MAX).value_or("<unreadable>");
        else
            files[rel] = fs::is_directory(st) ? "<folder>" : "<special>";
    }
    return files;
}

class StoredDataSafety : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(data());
        // Readable by "nobody" for the cases that run as that user.
        fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    }
    // keyloomctl on the shipped configuration and the temporary data folder;
    // `as` runs it as another user.
    CtlResult run(const std::string& args, std::optional<uid_t> as = std::nullopt) const {
        std::string prefix;
        if (as) prefix = "setpriv --reuid=" + std::to_string(*as) + " --regid=" + std::to_string(*as) + " --clear-groups ";
        const std::string cmd = "cd / && env LANGUAGE=en HOME=/nonexistent KEYLOOM_CONFIG_DIR='" + dir.file("config") +
                                "' timeout 60 " + prefix + ctl_ + " --work-dir '" + cfg_ + "' --data-dir '" + data() +
                                "' " + args + " 2>'" + dir.file("stderr") + "'";
        test::CommandRun done = test::RunCommand(cmd);
        return {done.status, done.out, read_file_bytes(dir.file("stderr"), SIZE_MAX).value_or("")};
    }
    // Whether keyloomctl can run as "nobody" here (root and setpriv). The
    // checkout may be closed to others, so the program and its configuration
    // are copied into the test's folder first.
    bool can_run_as_nobody() {
        if (::geteuid() != 0) return false;
        std::error_code ec;
        fs::copy_file(KEYLOOMCTL_PATH, dir.file("keyloomctl"), ec);
        if (!ec) fs::copy(KEYLOOM_SOURCE_CFG_DIR, dir.file("cfg"), fs::copy_options::recursive, ec);
        if (ec) return false;
        ctl_ = dir.file("keyloomctl");
        cfg_ = dir.file("cfg") + "/";
        return run("config >/dev/null", kNobody).status == 0;
    }
    std::string data() const { return dir.file("data"); }
    std::string file(const std::string& name) const { return data() + "/" + name; }
    std::string bytes(const std::string& name) const { return read_file_bytes(file(name), SIZE_MAX).value_or("<none>"); }
    void put(const std::string& name, const std::string& content) const {
        std::ofstream(file(name), std::ios::binary) << content;
    }
    static size_t count(const std::string& text, const std::string& what) {
        size_t n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
        return n;
    }

    test::TempDir dir;
    std::string ctl_ = KEYLOOMCTL_PATH;
    std::string cfg_ = KEYLOOM_SOURCE_CFG_DIR;
};

TEST_F(StoredDataSafety, AFileThatCannotBeReadIsNeverReplaced) {
    // A folder where the key-property file should be: refused, and nothing saved over either file.
    fs::create_directory(file("keypro.dct"));
    put("keypro.dct/inside", "mine");
    CtlResult init = run("init");
    EXPECT_EQ(init.status, 1);
    EXPECT_EQ(init.j()["protectedFiles"], json::array({file("keypro.dct")}));
    EXPECT_FALSE(init.j()["saved"]);
    EXPECT_NE(init.err.find(file("keypro.dct") + " cannot be read: is a folder"), std::string::npos) << init.err;
    EXPECT_NE(init.err.find("could not be saved"), std::string::npos);
    EXPECT_EQ(bytes("keypro.dct/inside"), "mine");
    EXPECT_FALSE(fs::exists(file("pro.dct")));  // both files or neither

    // A FIFO is refused at once, never read (a read would wait for ever).
    fs::remove_all(file("keypro.dct"));
    ASSERT_EQ(::mkfifo(file("pro.dct").c_str(), 0600), 0);
    CtlResult fifo = run("init");
    EXPECT_EQ(fifo.status, 1);
    EXPECT_NE(fifo.err.find("not a regular file (a FIFO)"), std::string::npos) << fifo.err;
    EXPECT_TRUE(fs::is_fifo(file("pro.dct")));
    EXPECT_FALSE(fs::exists(file("keypro.dct")));
}

TEST_F(StoredDataSafety, AFileThisUserMayNotReadIsNeverReplaced) {
    if (!can_run_as_nobody()) GTEST_SKIP() << "needs root and setpriv to run keyloomctl as another user";
    ASSERT_EQ(run("init").status, 0);
    const std::string sets = bytes("keypro.dct");
    const std::string profiles = bytes("pro.dct");
    ASSERT_EQ(::chown(data().c_str(), kNobody, kNobody), 0);
    ASSERT_EQ(::chown(file("pro.dct").c_str(), kNobody, kNobody), 0);
    ASSERT_EQ(::chmod(file("keypro.dct").c_str(), 0600), 0);  // root's, unreadable for nobody

    CtlResult init = run("init", kNobody);
    EXPECT_EQ(init.status, 1);
    EXPECT_NE(init.err.find(file("keypro.dct") + " cannot be read: Permission denied"), std::string::npos) << init.err;
    EXPECT_EQ(bytes("keypro.dct"), sets);
    EXPECT_EQ(bytes("pro.dct"), profiles);
    EXPECT_EQ(snapshot(data()).size(), 3u);  // pro.dct, keypro.dct, mac: no backup, no leftovers
}

TEST_F(StoredDataSafety, BackupsAreNumberedAndListedOnce) {
    ASSERT_EQ(run("init").status, 0);
    const std::string sound = bytes("keypro.dct");
    std::string damagedA = sound, damagedB = sound;
    damagedA[4] = 9;           // the first set's layer
    damagedB[4 + 11136] = 7;   // the second set's layer
    put("keypro.dct", damagedA);
    CtlResult first = run("init");
    ASSERT_EQ(first.status, 0) << first.err;
    put("keypro.dct", damagedB);
    CtlResult second = run("init");
    ASSERT_EQ(second.status, 0) << second.err;

    EXPECT_EQ(first.j()["keptFiles"], json::array({file("keypro.dct.bak")}));
    EXPECT_EQ(second.j()["keptFiles"], json::array({file("keypro.dct.bak.1")}));
    EXPECT_EQ(bytes("keypro.dct.bak"), damagedA);
    EXPECT_EQ(bytes("keypro.dct.bak.1"), damagedB);
    EXPECT_EQ(count(second.err, "keypro.dct.bak.1"), 1u) << second.err;
    EXPECT_EQ(second.j()["keyPros"], 14);  // the damaged set is left out, the others stay

    // Without pro.dct the first-run data replaces both lists; the sets are
    // kept, and putting the backup back restores them: the profile then uses
    // each layer's first set of the restored file.
    const std::string stored = bytes("keypro.dct");
    fs::remove(file("pro.dct"));
    CtlResult fresh = run("init");
    ASSERT_EQ(fresh.status, 0) << fresh.err;
    EXPECT_TRUE(fresh.j()["firstRun"]);
    EXPECT_EQ(fresh.j()["keptFiles"], json::array({file("keypro.dct.bak.2")}));
    EXPECT_EQ(bytes("keypro.dct.bak.2"), stored);
    EXPECT_NE(fresh.err.find("The old file is kept as " + file("keypro.dct.bak.2")), std::string::npos);

    fs::copy_file(file("keypro.dct.bak.2"), file("keypro.dct"), fs::copy_options::overwrite_existing);
    CtlResult restored = run("init");
    ASSERT_EQ(restored.status, 0);
    EXPECT_EQ(restored.j()["repairs"].size(), 3u);
    json p = run("profiles").j();
    for (int layer = 0; layer < 3; ++layer) {
        int32_t first = 0;
        for (size_t at = 0; at < stored.size() && first == 0; at += sizeof(_ST_KEYPRO)) {
            int32_t head[2];  // dwID, nLayer
            std::memcpy(head, stored.data() + at, sizeof head);
            if (head[0] != 0 && head[1] == layer) first = head[0];
        }
        EXPECT_EQ(p["profiles"][0]["dwKeyProID"][layer], first) << layer;
    }
}

TEST_F(StoredDataSafety, OversizedSpecialAndInterruptedFiles) {
    ASSERT_EQ(run("init").status, 0);
    const std::string profiles = bytes("pro.dct");
    // A 2 GiB sparse key-property file is refused without reading it.
    fs::resize_file(file("keypro.dct"), 2ull << 30);
    CtlResult big = run("init");
    EXPECT_EQ(big.status, 1);
    EXPECT_NE(big.err.find("larger than 556800 bytes"), std::string::npos) << big.err;
    EXPECT_EQ(fs::file_size(file("keypro.dct")), 2ull << 30);
    EXPECT_EQ(bytes("pro.dct"), profiles);
    fs::resize_file(file("keypro.dct"), KEYPRO_FILE_SIZE);

    // An interrupted save leaves its temporary file; the next start removes it.
    put(".pro.dct.tmp-Ab12Cd", "half a file");
    put("mac/.x.mcf.tmp-Ab12Cd", "half a macro");
    ASSERT_EQ(run("init").status, 0);
    EXPECT_FALSE(fs::exists(file(".pro.dct.tmp-Ab12Cd")));
    EXPECT_FALSE(fs::exists(file("mac/.x.mcf.tmp-Ab12Cd")));

    CtlResult zero = run("ini /dev/zero");
    EXPECT_EQ(zero.status, 1);
    EXPECT_NE(zero.err.find("not a regular file"), std::string::npos) << zero.err;
    put("huge.ini", std::string(2 << 20, 'x'));
    EXPECT_EQ(run("ini '" + file("huge.ini") + "'").status, 1);
}

TEST_F(StoredDataSafety, AnEmptiedSetFileGetsFactorySetsForEveryLayer) {
    ASSERT_EQ(run("init").status, 0);
    put("keypro.dct", std::string(KEYPRO_FILE_SIZE, '\0'));  // a stored empty list
    CtlResult init = run("init");
    ASSERT_EQ(init.status, 0) << init.err;
    EXPECT_FALSE(init.j()["firstRun"]);
    EXPECT_EQ(init.j()["keyPros"], 15);
    EXPECT_EQ(init.j()["repairs"].size(), 3u);
    json p = run("profiles").j();
    for (int layer = 0; layer < 3; ++layer)
        EXPECT_EQ(p["profiles"][0]["dwKeyProID"][layer], p["keyPros"][layer * 5]["dwID"]);
}

TEST_F(StoredDataSafety, ReadOnlyCommandsChangeNothing) {
    // A fresh folder, and one with damage: showing and encoding never write.
    for (bool damaged : {false, true}) {
        if (damaged) {
            ASSERT_EQ(run("init").status, 0);
            std::string sets = bytes("keypro.dct");
            sets[4] = 9;
            put("keypro.dct", sets);
            put("pro.dct", bytes("pro.dct").substr(0, 1000));
            fs::remove_all(file("mac"));
        }
        const auto before = snapshot(data());
        for (const char* args : {"profiles", "macros", "encode", "config", "--simulate devices"})
            run(args);
        run("export-keypro '" + dir.file("out.duk") + "'");
        EXPECT_EQ(snapshot(data()), before) << (damaged ? "damaged" : "fresh");
        if (damaged) {
            EXPECT_NE(run("profiles").err.find("is damaged"), std::string::npos);
        }
    }
}

TEST_F(StoredDataSafety, ASaveThatCannotFinishIsAFailure) {
    if (!can_run_as_nobody()) GTEST_SKIP() << "needs root and setpriv to run keyloomctl as another user";
    ASSERT_EQ(run("init").status, 0);
    const auto before = snapshot(data());
    // The folder is root's: nobody may read it but not write in it.
    CtlResult apply = run("--simulate apply", kNobody);
    EXPECT_EQ(apply.status, 1);
    EXPECT_NE(apply.err.find("Your settings could not be saved"), std::string::npos) << apply.err;
    EXPECT_EQ(run("init", kNobody).status, 1);
    EXPECT_EQ(snapshot(data()), before);
}

TEST_F(StoredDataSafety, AGarbageExchangeFileNeverReplacesAKeyTable) {
    ASSERT_EQ(run("init").status, 0);
    const auto before = snapshot(data());
    std::string garbage(EXCHANGE_FILE_SIZE + 100, '\0');
    for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>((i * 2654435761u) >> 11);
    std::ofstream(dir.file("random.duk"), std::ios::binary) << garbage;
    CtlResult r = run("import-keypro '" + dir.file("random.duk") + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("import profile failed."), std::string::npos) << r.err;
    EXPECT_EQ(snapshot(data()), before);

    // A real one is taken, after a backup of the sets that says where it is.
    ASSERT_EQ(run("export-keypro '" + dir.file("mine.duk") + "'").status, 0);
    CtlResult ok = run("import-keypro '" + dir.file("mine.duk") + "'");
    ASSERT_EQ(ok.status, 0) << ok.err;
    EXPECT_EQ(ok.j()["backup"], file("keypro.dct.bak"));
    EXPECT_EQ(bytes("keypro.dct.bak"), before.at("keypro.dct"));
}

}  // namespace
}  // namespace keyloom
