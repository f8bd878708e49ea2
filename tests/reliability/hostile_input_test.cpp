// Hostile input files through keyloomctl. Every kind of file the program
// reads from a user is given cut short, grown past its size, with the wrong
// leading bytes, with bytes that are not UTF-8, with names that climb out of
// their folder and with NUL bytes in names. Each case must be answered on
// standard error or output (a message or a log line), write nothing outside
// the data folder (the folder above it, the work folder, the preferences and
// the input files stay as they were) and lose nothing: the stored profiles,
// key tables and macros load as before. What the tests in tests/core already
// cover in-process (each refusal reason of an exchange file, damaged and
// unreadable stored files, hostile XML documents) is not repeated here.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>

#include "base/fileio.h"
#include "macro/macrofile.h"
#include "store/profile_store.h"
#include "test_support.h"

namespace keyloom {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

constexpr const char* kReplacement = "\xEF\xBF\xBD";  // what a byte that is not UTF-8 prints as

class HostileInput : public ::testing::Test {
public:  // the case table's lambdas use the helpers
    struct Run {
        int status = -1;
        std::string out;
        std::string err;
    };

    void SetUp() override {
        fs::create_directories(root.file("home/data/mac"));
        fs::create_directories(root.file("config"));
        fs::create_directories(root.file("in"));
        put("home/notes.txt", "the folder above the data folder");
        restoreConfiguration();
        ASSERT_EQ(run("init").status, 0);
        ASSERT_EQ(run("export-keypro '" + root.file("in/mine.duk") + "'").status, 0);
        _ST_MACRO keep{};
        keep.dwMagic = MACRO_MAGIC;
        keep.dwID = 4242;
        std::strcpy(keep.szName, "keep");
        keep.stData.stItem[0] = {4, 1, 10};
        ASSERT_TRUE(write_macro_file(root.file("home/data/mac/keep.mcf"), &keep));
        stored = files_below(data());
        profiles = nlohmann::json::parse(run("profiles").out);
    }

    void restoreConfiguration() const {
        fs::remove_all(root.file("work"));
        fs::copy(KEYLOOM_SOURCE_CFG_DIR, root.file("work"), fs::copy_options::recursive);
        put("config/preferences.ini", "[keyloom]\nlanguage=en\n");
    }
    std::string data() const { return root.file("home/data"); }
    std::string in(const std::string& name) const { return root.file("in/" + name); }
    void put(const std::string& rel, const std::string& bytes) const {
        std::ofstream(root.file(rel), std::ios::binary) << bytes;
    }
    std::string get(const std::string& rel) const { return read_file_bytes(root.file(rel), SIZE_MAX).value_or(""); }
    // A file of `size` bytes that starts with `head` and is sparse after it.
    void sparse(const std::string& rel, const std::string& head, uintmax_t size) const {
        put(rel, head);
        fs::resize_file(root.file(rel), size);
    }

    Run run(const std::string& args) const {
        const std::string cmd = "cd / && env LANGUAGE=en HOME=/nonexistent KEYLOOM_CONFIG_DIR='" + root.file("config") +
                                "' timeout 60 " KEYLOOMCTL_PATH " --log-level stderr --work-dir '" + root.file("work") +
                                "/' --data-dir '" + data() + "' " + args + " 2>'" + logs.file("stderr") + "'";
        test::CommandRun done = test::RunCommand(cmd);
        return {done.status, done.out, read_file_bytes(logs.file("stderr"), SIZE_MAX).value_or("")};
    }

    // Every entry below a folder: files by their size and first bytes (a
    // sparse input may be gigabytes), folders and links by their kind.
    static std::map<std::string, std::string> files_below(const std::string& folder) {
        std::map<std::string, std::string> files;
        std::error_code ec;
        for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            const fs::file_status st = it->symlink_status();
            const std::string rel = it->path().lexically_relative(folder).string();
            if (fs::is_regular_file(st))
                files[rel] = std::to_string(fs::file_size(it->path())) + ":" +
                             read_file_bytes(it->path().string(), 1 << 20).value_or("<unreadable>");
            else
                files[rel] = fs::is_symlink(st) ? "<link>" : fs::is_directory(st) ? "<folder>" : "<special>";
        }
        return files;
    }
    // Everything but the data folder.
    std::map<std::string, std::string> outside() const {
        std::map<std::string, std::string> files = files_below(root.path());
        std::erase_if(files, [](const auto& f) { return f.first.starts_with("home/data"); });
        return files;
    }

    test::TempDir root;  // home/ (home/data/ is the data folder), work/, config/, in/
    test::TempDir logs;
    std::map<std::string, std::string> stored;  // the data folder after SetUp
    nlohmann::json profiles;                   // `profiles` after SetUp
};

// An exchange file like the one exported in SetUp, changed by `edit`.
std::string edited_exchange(const std::string& mine, const std::function<void(_ST_EXCHANGE&)>& edit) {
    auto cfg = std::make_unique<_ST_EXCHANGE>();
    std::memcpy(cfg.get(), mine.data(), std::min(mine.size(), sizeof *cfg));
    edit(*cfg);
    return std::string(reinterpret_cast<const char*>(cfg.get()), sizeof *cfg);
}

_ST_MACRO macro_named(const std::string& name, uint32_t id) {
    _ST_MACRO m{};
    m.dwMagic = MACRO_MAGIC;
    m.dwID = id;
    std::memcpy(m.szName, name.data(), std::min(name.size(), sizeof m.szName));
    m.stData.stItem[0] = {5, 1, 20};
    return m;
}

std::string bytes_of(const _ST_MACRO& m) { return std::string(reinterpret_cast<const char*>(&m), sizeof m); }

struct Case {
    const char* file;
    const char* variant;
    std::function<void(HostileInput&)> make;  // puts the hostile input in place
    std::string args;                         // the keyloomctl command, "{in}" standing for the input folder
    int status;
    std::string says;  // found in what the command printed
};

TEST_F(HostileInput, EveryReadFileIsAnsweredAndNothingIsWrittenOutsideOrLost) {
    const std::string mine = get("in/mine.duk");
    const _ST_MACRO record = macro_named("record", 77);
    auto input = [](const char* name, std::function<std::string(HostileInput&)> bytes) {
        return [name, bytes](HostileInput& t) { t.put("in/"s + name, bytes(t)); };
    };
    auto work = [](const char* rel, std::function<void(std::string&)> edit) {
        return [rel, edit](HostileInput& t) {
            std::string bytes = t.get("work/"s + rel);
            edit(bytes);
            t.put("work/"s + rel, bytes);
        };
    };
    auto prefs = [](std::string bytes) { return [bytes](HostileInput& t) { t.put("config/preferences.ini", bytes); }; };
    const char* model = "Dev/Vela/Designer/cfg.txt";
    const char* texts = "text/en/text.xml";

    const std::vector<Case> cases = {
        // Exchange files, imported into the key table in use.
        {".duk", "cut short", input("x.duk", [&](auto&) { return mine.substr(0, 40000); }),
         "import-keypro {in}x.duk", 1, "too short"},
        {".duk", "2 GiB, sparse", [](HostileInput& t) { t.sparse("in/x.duk", "", 2ull << 30); },
         "import-keypro {in}x.duk", 1, "holds no key table"},
        {".duk", "a key-property file under that name",
         input("x.duk", [](HostileInput& t) { return t.get("home/data/keypro.dct"); }), "import-keypro {in}x.duk", 1,
         "holds no macro"},
        {".duk", "set name not UTF-8", input("x.duk", [&](auto&) {
             return edited_exchange(mine, [](_ST_EXCHANGE& c) { std::strcpy(c.stKeyPro.szName, "M1_\xC3("); });
         }), "import-keypro {in}x.duk", 1, "no valid name"},
        {".duk", "macro names with ../ and /", input("x.duk", [&](auto&) {
             return edited_exchange(mine, [](_ST_EXCHANGE& c) {
                 c.stMacro[0] = macro_named("../../notes", 901);
                 c.stMacro[1] = macro_named("/tmp/escape", 902);
                 c.stMacro[2] = macro_named("games/../../../x", 903);
             });
         }), "import-keypro {in}x.duk", 0, "\"skipped\""},
        {".duk", "NUL in a macro name", input("x.duk", [&](auto&) {
             return edited_exchange(mine,
                                    [](_ST_EXCHANGE& c) { c.stMacro[0] = macro_named("ok\0/../../notes"s, 904); });
         }), "import-keypro {in}x.duk", 0, "\"macro\": \"ok\""},
        {".duk", "NUL in the set name, ../ after it", input("x.duk", [&](auto&) {
             return edited_exchange(mine,
                                    [](_ST_EXCHANGE& c) { std::memcpy(c.stKeyPro.szName, "M1\0../../x", 10); });
         }), "import-keypro {in}x.duk", 0, "\"keysTaken\": true"},
        {".duk", "a FIFO", [](HostileInput& t) { ::mkfifo(t.in("x.duk").c_str(), 0600); },
         "import-keypro {in}x.duk", 1, "not a regular file"},
        // Macro files, imported into the macro tree.
        {".mcf", "cut short", input("x.mcf", [&](auto&) { return bytes_of(record).substr(0, 1000); }),
         "macro-import {in}x.mcf", 1, "not a active macro file."},
        {".mcf", "2 GiB, a record first", [&](HostileInput& t) { t.sparse("in/x.mcf", bytes_of(record), 2ull << 30); },
         "macro-import {in}x.mcf", 1, "not a active macro file."},
        {".mcf", "wrong magic", input("x.mcf", [&](auto&) { return bytes_of(record).replace(0, 4, "MACR"); }),
         "macro-import {in}x.mcf", 1, "not a active macro file."},
        {".mcf", "file name not UTF-8", input("\xFF\xFE.mcf", [&](auto&) { return bytes_of(record); }),
         "macro-import '{in}\xFF\xFE.mcf'", 1, "Names cannot contain"},
        {".mcf", "file named ..mcf", input("..mcf", [&](auto&) { return bytes_of(record); }),
         "macro-import '{in}..mcf'", 1, "Names cannot contain"},
        {".mcf", "../ in the record's name",
         input("y.mcf", [&](auto&) { return bytes_of(macro_named("../../notes", 78)); }), "macro-import {in}y.mcf", 0,
         "\"macro\": \"y\""},
        {".mcf", "target folder ../..", input("x.mcf", [&](auto&) { return bytes_of(record); }),
         "macro-import {in}x.mcf ../..", 1, "No folder ../.."},
        {".mcf", "export of ../../keep", [](auto&) {}, "macro-export ../../keep {in}out.mcf", 1, "No macro ../../keep"},
        // The macro folder itself.
        {"mac/", "a macro file cut short",
         [&](HostileInput& t) { t.put("home/data/mac/cut.mcf", bytes_of(record).substr(0, 9)); }, "macros", 0,
         "\"events\": null"},
        {"mac/", "links to the folder above", [](HostileInput& t) {
             fs::create_symlink("../../notes.txt", t.root.file("home/data/mac/link.mcf"));
             fs::create_directory_symlink("../..", t.root.file("home/data/mac/up"));
         }, "macros", 0, "\"keep\""},
        {"mac/", "file name not UTF-8", [&](HostileInput& t) { t.put("home/data/mac/\xFF.mcf", bytes_of(record)); },
         "macros", 0, kReplacement},
        // The language file of the chosen language.
        {"text.xml", "cut short", work(texts, [](std::string& b) { b.resize(b.size() / 2); }), "init", 0,
         "parse xml error"},
        {"text.xml", "5 MiB", [=](HostileInput& t) { t.sparse("work/"s + texts, t.get("work/"s + texts), 5 << 20); },
         "init", 0, "larger than"},
        {"text.xml", "not XML",
         work(texts, [](std::string& b) { b = "\x7F" "ELF\x02\x01\x01" + std::string(64, '\x01'); }), "init", 0,
         "parse xml error"},
        {"text.xml", "bytes not UTF-8", work(texts, [](std::string& b) { b.insert(b.find("<tc_"), "\xFF\xFE"); }),
         "init", 0, "parse xml error"},
        {"text.xml", "NUL inside", work(texts, [](std::string& b) { b.insert(b.find("<tc_") + 2, "\0"s); }),
         "init", 0, "parse xml error"},
        {"text.xml", "missing", [=](HostileInput& t) { fs::remove(t.root.file("work/"s + texts)); }, "init", 0,
         "loadXML: cannot read"},
        {"text.xml", "language folder ../../../home", work(model, [](std::string& b) {
             b.replace(b.find("Lang1=English,en"), 16, "Lang1=English,../../../home");
         }), "init", 0, "is not a folder name"},
        // The model file and the selector.
        {"cfg.txt", "model file cut before its keys",
         work(model, [](std::string& b) { b.resize(b.find("[KEY]") + 3); }), "config", 0, "holds no key rows"},
        {"cfg.txt", "model file of 3 MiB",
         [=](HostileInput& t) { t.sparse("work/"s + model, t.get("work/"s + model), 3 << 20); }, "config", 0,
         "cannot read the model file"},
        {"cfg.txt", "model file not text", work(model, [](std::string& b) { b = std::string(4000, '\x9C'); }),
         "config", 0, "invaild key-value paring"},
        {"cfg.txt", "NUL in a model file's key",
         work(model, [](std::string& b) { b.insert(b.find("Title="), "\0"s); }), "config", 0, "a NUL byte in the line"},
        {"cfg.txt", "selector names no model",
         work("cfg.txt", [](std::string& b) { b.replace(b.find("Model=1"), 7, "Model=99"); }), "config", 0,
         "names no model file"},
        {"cfg.txt", "selector of 2 MiB",
         [](HostileInput& t) { t.sparse("work/cfg.txt", t.get("work/cfg.txt"), 2 << 20); }, "init", 1,
         "No configuration"},
        // The preferences.
        {"preferences.ini", "2 MiB",
         [](HostileInput& t) { t.sparse("config/preferences.ini", "[keyloom]\nlanguage=de\n", 2 << 20); }, "init", 0,
         "GetPreference: cannot read"},
        {"preferences.ini", "language ../../../home", prefs("[keyloom]\nlanguage=../../../home\n"), "init", 0,
         "is not a language of the model file"},
        {"preferences.ini", "language not UTF-8", prefs("[keyloom]\nlanguage=\xC3(\n"), "init", 0,
         "is not a language of the model file"},
        {"preferences.ini", "NUL in the key", prefs("[keyloom]\nlang\0uage=de\n"s), "init", 0,
         "a NUL byte in the line"},
        {"preferences.ini", "cut inside a line", prefs("[keyloom]\nlangu"), "init", 0,
         "invaild key-value paring: langu"},
        // The stored files, with names no other check looks at.
        {"pro.dct", "profile name not UTF-8, no NUL", [](HostileInput& t) {
             std::string b = t.get("home/data/pro.dct");
             std::memset(b.data() + PROFILE_FILE_HEADER + offsetof(_ST_PROFILE, szName), 0xFF, PROFILE_NAME_SIZE);
             t.put("home/data/pro.dct", b);
         }, "profiles", 0, kReplacement},
        {"keypro.dct", "set names ../ and / and NUL", [](HostileInput& t) {
             std::string b = t.get("home/data/keypro.dct");
             std::memcpy(b.data() + offsetof(_ST_KEYPRO, szName), "../../notes\0/x", 14);
             std::memcpy(b.data() + sizeof(_ST_KEYPRO) + offsetof(_ST_KEYPRO, szName), "/tmp/x", 7);
             t.put("home/data/keypro.dct", b);
         }, "profiles", 0, "\"../../notes\""},
    };

    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + ", " + c.variant);
        // Each case starts from the same ground.
        restoreConfiguration();
        for (const auto& entry : fs::directory_iterator(root.file("in")))
            if (entry.path().filename() != "mine.duk") fs::remove(entry.path());
        fs::remove_all(data());
        fs::create_directories(data());
        for (const auto& [rel, kind] : stored) {
            if (kind == "<folder>") fs::create_directories(data() + "/" + rel);
            else put("home/data/" + rel, kind.substr(kind.find(':') + 1));
        }

        c.make(*this);
        const auto storedBefore = files_below(data());
        const auto before = outside();
        std::string args = c.args;
        for (size_t at; (at = args.find("{in}")) != std::string::npos;) args.replace(at, 4, root.file("in/"));
        const Run r = run(args);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_NE((r.err + r.out).find(c.says), std::string::npos)
            << "wanted \"" << c.says << "\" in\n" << r.err << r.out;
        EXPECT_EQ(outside(), before);

        // Nothing lost: a stored file given as the hostile input is still
        // there as it was; otherwise the stored data shows as before (on the
        // shipped configuration again, as key texts come from the language file).
        if (std::string(c.file).ends_with(".dct")) {
            EXPECT_EQ(files_below(data()), storedBefore);
        } else {
            restoreConfiguration();
            const nlohmann::json now = nlohmann::json::parse(run("profiles").out);
            EXPECT_EQ(now["profiles"], profiles["profiles"]);
            EXPECT_EQ(now["keyPros"], profiles["keyPros"]);
            EXPECT_EQ(files_below(data())["mac/keep.mcf"], stored["mac/keep.mcf"]);
        }
    }
}

}  // namespace
}  // namespace keyloom
