// The exchange file (".duk"): which macros an export carries, the extension
// rule, and what an import writes, lists and takes into the set.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>

#include "base/fileio.h"
#include "config/gvar.h"
#include "config/language.h"
#include "base/paths.h"
#include "macro/macrofile.h"
#include "macro/macrotree.h"
#include "store/profile_store.h"
#include "test_support.h"

namespace keyloom {
namespace {

namespace fs = std::filesystem;

_ST_MACRO make_macro(uint32_t id, const std::string& name) {
    _ST_MACRO m;
    std::memset(&m, 0, sizeof m);
    m.dwMagic = MACRO_MAGIC;
    m.dwID = id;
    std::memcpy(m.szName, name.data(), std::min(name.size(), sizeof m.szName));
    m.stData.wRepeat = 1;
    m.stData.stItem[0] = {4, 1, 10};
    m.stData.stItem[1] = {4, 0, 10};
    return m;
}

std::unique_ptr<_ST_KEYPRO> make_set(int32_t id, const char* name, int32_t layer) {
    auto set = std::make_unique<_ST_KEYPRO>();
    std::memset(set.get(), 0, sizeof *set);
    set->dwID = id;
    set->nLayer = layer;
    std::strncpy(set->szName, name, sizeof set->szName - 1);
    for (int i = 0; i < KEY_COUNT; ++i) {
        set->stKey[i].dwFunID = MAKE_FUNID(FUN_KEY, 0);
        set->stKey[i].stCombo = {0, static_cast<uint8_t>(i), 255, 0};
        set->stKey[i].dwMatrixIdx = static_cast<uint32_t>(i);
    }
    return set;
}

void call_macro(_ST_KEYPRO& set, int slot, uint32_t macroId) {
    set.stKey[slot].dwFunID = MAKE_FUNID(FUN_MACRO, 0);
    set.stKey[slot].dwMacroID = macroId;
}

class Exchange : public ::testing::Test {
protected:
    void SetUp() override {
        std::memcpy(savedDefKey_, g_defKEY, sizeof g_defKEY);
        // Every slot but the last has a key on this keyboard.
        for (int i = 0; i < KEY_COUNT; ++i) g_defKEY[i].dwFunID = i == KEY_COUNT - 1 ? 0 : MAKE_FUNID(FUN_KEY, 0);
        fs::create_directories(dir.file("data"));
        set_data_dir(dir.file("data"));
        init_macro_list();
    }
    void TearDown() override {
        destroy_macro_list();
        set_data_dir("");
        std::memcpy(g_defKEY, savedDefKey_, sizeof g_defKEY);
    }
    std::string macroDir() const { return dir.file("data/mac/"); }
    static std::string bytes_of(const std::string& path) { return read_file_bytes(path, SIZE_MAX).value_or(""); }
    static void write(const std::string& path, const void* data, size_t size) {
        std::ofstream(path, std::ios::binary).write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    static int files_below(const std::string& path) {
        std::error_code ec;
        int n = 0;
        for (fs::recursive_directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec)) ++n;
        return n;
    }

    test::TempDir dir;
    test::LogCapture log;
    _KEYINFO savedDefKey_[KEY_COUNT];
};

TEST_F(Exchange, ExportCarriesEachCalledMacroOnceInKeyOrder) {
    _ST_MACRO a = make_macro(0xA1, "alpha");
    _ST_MACRO b = make_macro(0xB2, "beta");
    add_new_macro_to_list(&b);
    add_new_macro_to_list(&a);
    auto set = make_set(77, "set", 0);
    for (int slot : {3, 4, 10, 11, 50}) call_macro(*set, slot, 0xA1);  // five keys, one macro
    call_macro(*set, 5, 0xDEAD);                                       // not in the macro list
    call_macro(*set, 60, 0xB2);

    ExchangeResult r = ExportKeyPro(set.get(), dir.file("out.duk"));
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.macros, 2);
    EXPECT_EQ(r.path, dir.file("out.duk"));
    std::string bytes = bytes_of(r.path);
    ASSERT_EQ(bytes.size(), 40816u);
    EXPECT_EQ(std::memcmp(bytes.data(), set.get(), 11136), 0);
    EXPECT_EQ(std::memcmp(bytes.data() + 11136, &a, 1484), 0);
    EXPECT_EQ(std::memcmp(bytes.data() + 11136 + 1484, &b, 1484), 0);
    EXPECT_EQ(bytes.find_first_not_of('\0', 11136 + 2 * 1484), std::string::npos);

    _ST_EXCHANGE cfg = build_exchange(*set);
    EXPECT_EQ(get_macro_by_id_from_cfg(cfg, 0xB2), &cfg.stMacro[1]);
    EXPECT_EQ(get_macro_by_id_from_cfg(cfg, 0xDEAD), nullptr);
    EXPECT_EQ(get_macro_by_id_from_cfg(cfg, 0), nullptr);  // empty slots are no macro of id 0
}

TEST_F(Exchange, ExportTakesTheFirstTwentyMacrosInKeySlotOrder) {
    auto set = make_set(1, "many", 0);
    // Listed in reverse, called in slot order: slot order decides.
    for (uint32_t n = 25; n >= 1; --n) {
        _ST_MACRO m = make_macro(1000 + n, "m" + std::to_string(n));
        add_new_macro_to_list(&m);
    }
    for (int n = 1; n <= 25; ++n) call_macro(*set, 2 * n, 1000 + n);
    _ST_EXCHANGE cfg = build_exchange(*set);
    for (int slot = 0; slot < 20; ++slot) EXPECT_EQ(cfg.stMacro[slot].dwID, 1001u + slot);
    EXPECT_EQ(get_macro_by_id_from_cfg(cfg, 1021), nullptr);
}

TEST_F(Exchange, ExportExtensionRule) {
    auto set = make_set(1, "s", 0);
    ExchangeResult upper = ExportKeyPro(set.get(), dir.file("x.DUK"));
    EXPECT_EQ(upper.status, ExchangeStatus::BadExtension);
    EXPECT_EQ(upper.message, "the fudxx must be duk");
    EXPECT_EQ(upper.reason, MakeReason("tc_export_failed", {dir.file("x.DUK")}, MakeReason("tc_wrong_extension", {"duk"})));
    EXPECT_FALSE(fs::exists(dir.file("x.DUK")));
    EXPECT_EQ(ExportKeyPro(set.get(), dir.file("x.txt")).message, "the fudxx must be duk");

    ExchangeResult bare = ExportKeyPro(set.get(), dir.file("bare"));
    ASSERT_TRUE(bare.ok());
    EXPECT_EQ(bare.path, dir.file("bare.duk"));
    EXPECT_EQ(bytes_of(dir.file("bare.duk")).size(), 40816u);
    EXPECT_FALSE(fs::exists(dir.file("bare")));

    // A dot in a folder name is not the file's extension.
    fs::create_directories(dir.file("a.b"));
    ExchangeResult dotted = ExportKeyPro(set.get(), dir.file("a.b/name"));
    ASSERT_TRUE(dotted.ok());
    EXPECT_EQ(dotted.path, dir.file("a.b/name.duk"));

    EXPECT_EQ(ExportKeyPro(set.get(), dir.file("folder/")).status, ExchangeStatus::NoFileName);
    EXPECT_EQ(ExportKeyPro(nullptr, dir.file("y.duk")).status, ExchangeStatus::NoKeyPro);
}

TEST_F(Exchange, ExportWriteFailureIsShownAndLogged) {
    auto set = make_set(1, "s", 0);
    ExchangeResult r = ExportKeyPro(set.get(), dir.file("missing/x.duk"));
    EXPECT_EQ(r.status, ExchangeStatus::WriteFailed);
    EXPECT_EQ(r.message, "ExportProfile err=2, No such file or directory");
    EXPECT_EQ(log.lines(), std::vector<std::string>{"ExportProfile err=2, No such file or directory"});
    EXPECT_EQ(r.reason, MakeReason("tc_export_failed", {dir.file("missing/x.duk")}, ErrnoReason(ENOENT)));
}

TEST_F(Exchange, ImportWritesMacrosReloadsAndTakesTheKeys) {
    _ST_MACRO a = make_macro(0xA1, "alpha");
    a.byBufferID = 3;
    _ST_MACRO b = make_macro(0xB2, "beta");
    add_new_macro_to_list(&a);
    add_new_macro_to_list(&b);
    auto source = make_set(77, "exported", 1);
    call_macro(*source, 0, 0xA1);
    call_macro(*source, 1, 0xB2);
    call_macro(*source, 2, 0xC3);  // its macro is not in the file
    source->stKey[7].stCombo = {0x01, 4, 255, 0};
    source->stKey[7].dwMatrixIdx = 99;
    source->stKey[125].stCombo = {0, 9, 9, 0};  // a slot this keyboard has no key for
    ASSERT_TRUE(ExportKeyPro(source.get(), dir.file("x.duk")).ok());

    destroy_macro_list();  // another machine: no macros yet
    auto target = make_set(5, "mine", 2);
    _KEYINFO slot125 = target->stKey[125];
    _KEYINFO slot2 = target->stKey[2];
    MacroTree tree;
    ExchangeResult r = ImportKeyPro(target.get(), dir.file("x.duk"), &tree);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.macros, 2);
    EXPECT_TRUE(r.listReloaded);
    EXPECT_TRUE(r.keysTaken);
    // The user is told where the sets as they were are kept.
    EXPECT_EQ(r.backup, dir.file("data/keypro.dct.bak"));
    EXPECT_NE(r.message.find(r.backup), std::string::npos);

    _ST_MACRO onDisk;
    ASSERT_TRUE(read_macro_file(macroDir() + "alpha.mcf", &onDisk));
    EXPECT_EQ(onDisk.dwID, 0xA1u);
    EXPECT_EQ(onDisk.byBufferID, 0);
    EXPECT_TRUE(fs::exists(macroDir() + "beta.mcf"));
    EXPECT_EQ(get_macro_count(), 2);
    ASSERT_NE(get_macro_by_id(0xB2), nullptr);
    EXPECT_EQ(tree.root()->array.size(), 2u);

    // The set keeps its id, layer and name and this keyboard's key layout.
    EXPECT_EQ(target->dwID, 5);
    EXPECT_EQ(target->nLayer, 2);
    EXPECT_STREQ(target->szName, "mine");
    EXPECT_EQ(target->stKey[0].dwMacroID, 0xA1u);
    EXPECT_EQ(FUN_CLASS(target->stKey[1].dwFunID), FUN_MACRO);
    EXPECT_EQ(target->stKey[7].stCombo.ModifyKey, 0x01);
    EXPECT_EQ(target->stKey[7].dwMatrixIdx, 7u);
    EXPECT_EQ(std::memcmp(&target->stKey[125], &slot125, sizeof slot125), 0);
    EXPECT_EQ(std::memcmp(&target->stKey[2], &slot2, sizeof slot2), 0);
}

TEST_F(Exchange, ImportUsesTheFirst40816BytesOfALongerFile) {
    auto cfg = std::make_unique<_ST_EXCHANGE>();
    std::memset(cfg.get(), 0, sizeof *cfg);
    cfg->stKeyPro = *make_set(9, "s", 0);
    cfg->stMacro[4] = make_macro(0x44, "late");
    std::string bytes(reinterpret_cast<const char*>(cfg.get()), sizeof *cfg);
    bytes += std::string(3000, '\x7f');
    write(dir.file("long.duk"), bytes.data(), bytes.size());

    auto target = make_set(5, "t", 0);
    ExchangeResult r = ImportKeyPro(target.get(), dir.file("long.duk"));
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.macros, 1);
    EXPECT_TRUE(fs::exists(macroDir() + "late.mcf"));
    ASSERT_NE(get_macro_by_id(0x44), nullptr);  // rebuilt without a tree of the caller's
}

// Whatever the file holds, an import that is refused changes nothing: the set,
// the macro list, the data folder.
TEST_F(Exchange, FilesThatAreNotExchangeFilesAreRefusedWhole) {
    auto target = make_set(5, "t", 0);
    const _ST_KEYPRO before = *target;
    auto good = [] {
        auto cfg = std::make_unique<_ST_EXCHANGE>();
        std::memset(cfg.get(), 0, sizeof *cfg);
        cfg->stKeyPro = *make_set(9, "s", 1);
        cfg->stMacro[0] = make_macro(0x31, "fine");
        return cfg;
    };
    struct Case {
        const char* what;
        std::string bytes;
        std::optional<Reason> reason;  // why the window says it was refused
    };
    std::vector<Case> cases;
    cases.push_back({"short", std::string(40815, '\0'), MakeReason("tc_import_short")});
    std::string random(40816, '\0');
    for (size_t i = 0; i < random.size(); ++i) random[i] = static_cast<char>((i * 2654435761u) >> 13);
    cases.push_back({"random bytes", random, std::nullopt});
    auto add = [&](const char* what, Reason reason, auto change) {
        auto cfg = good();
        change(*cfg);
        cases.push_back({what, std::string(reinterpret_cast<const char*>(cfg.get()), sizeof *cfg), reason});
    };
    add("no set", MakeReason("tc_import_no_set"), [](_ST_EXCHANGE& c) { std::memset(&c.stKeyPro, 0, sizeof c.stKeyPro); });
    add("layer 3", MakeReason("tc_import_bad_layer", {"3"}), [](_ST_EXCHANGE& c) { c.stKeyPro.nLayer = 3; });
    add("layer -1", MakeReason("tc_import_bad_layer", {"-1"}), [](_ST_EXCHANGE& c) { c.stKeyPro.nLayer = -1; });
    add("name without end", MakeReason("tc_import_bad_name"),
        [](_ST_EXCHANGE& c) { std::memset(c.stKeyPro.szName, 'a', 40); });
    add("name not UTF-8", MakeReason("tc_import_bad_name"),
        [](_ST_EXCHANGE& c) { std::strcpy(c.stKeyPro.szName, "\xc3("); });
    add("class 10", MakeReason("tc_import_bad_key", {"17", "10"}),
        [](_ST_EXCHANGE& c) { c.stKeyPro.stKey[17].dwFunID = 0x0A000001; });
    add("slot without magic", MakeReason("tc_import_bad_macro", {"3"}),
        [](_ST_EXCHANGE& c) { c.stMacro[3].dwID = 77; });  // not zero, not a macro
    add("wrong magic", MakeReason("tc_import_bad_macro", {"0"}),
        [](_ST_EXCHANGE& c) { c.stMacro[0].dwMagic = 0x12345678; });

    for (const Case& c : cases) {
        write(dir.file("in.duk"), c.bytes.data(), c.bytes.size());
        ExchangeResult r = ImportKeyPro(target.get(), dir.file("in.duk"));
        EXPECT_EQ(r.status, ExchangeStatus::NotExchange) << c.what;
        EXPECT_EQ(r.message.rfind("import profile failed.\n", 0), 0u) << c.what << ": " << r.message;
        EXPECT_EQ(r.reason.code, "tc_import_failed") << c.what;
        EXPECT_EQ(r.reason.values, std::vector<std::string>{dir.file("in.duk")}) << c.what;
        ASSERT_EQ(r.reason.causes.size(), 1u) << c.what;
        if (c.reason) {
            EXPECT_EQ(r.reason.causes[0], *c.reason) << c.what;
            EXPECT_EQ(r.message.substr(23), ReasonText(*c.reason)) << c.what;
        }
        EXPECT_EQ(std::memcmp(target.get(), &before, sizeof before), 0) << c.what;
    }
    EXPECT_EQ(files_below(dir.file("data")), 0);  // no backup, no macro folder
    EXPECT_EQ(get_macro_count(), 0);

    ExchangeResult missing = ImportKeyPro(target.get(), dir.file("none.duk"));
    EXPECT_EQ(missing.status, ExchangeStatus::ReadFailed);
    EXPECT_EQ(missing.message, "import profile failed.\n" + dir.file("none.duk") + ": No such file or directory");
    Reason noFile = MakeReason("tc_import_failed", {dir.file("none.duk")}, MakeReason("tc_err_enoent", {"2"}));
    noFile.causes[0].sysError = ENOENT;
    EXPECT_EQ(missing.reason, noFile);
    // The extension rule of export: exactly "duk", or none (then ".duk" is read).
    const ExchangeResult upper = ImportKeyPro(target.get(), dir.file("in.DUK"));
    EXPECT_EQ(upper.message, "import profile failed.\nthe fudxx must be duk");
    EXPECT_EQ(upper.reason,
              MakeReason("tc_import_failed", {dir.file("in.DUK")}, MakeReason("tc_wrong_extension", {"duk"})));
    EXPECT_EQ(ImportKeyPro(target.get(), dir.file("in")).status, ExchangeStatus::NotExchange);  // read in.duk
    EXPECT_EQ(ImportKeyPro(nullptr, dir.file("in.duk")).status, ExchangeStatus::NoKeyPro);
}

TEST_F(Exchange, MacrosWithUnusableNamesNeverReachTheDisk) {
    auto cfg = std::make_unique<_ST_EXCHANGE>();
    std::memset(cfg.get(), 0, sizeof *cfg);
    cfg->stKeyPro = *make_set(9, "s", 0);
    cfg->stMacro[0] = make_macro(1, "../../x");
    cfg->stMacro[1] = make_macro(2, "a.b");
    cfg->stMacro[2] = make_macro(3, "");
    cfg->stMacro[3] = make_macro(4, "\xff\xfe");
    cfg->stMacro[4] = make_macro(5, std::string(80, 'n'));  // no end within its 80 bytes
    cfg->stMacro[5] = make_macro(6, "sub/x");
    cfg->stMacro[6] = make_macro(7, "line\nbreak");
    cfg->stMacro[7] = make_macro(8, "   ");
    cfg->stMacro[8] = make_macro(9, "esc\x1b[2J");
    cfg->stMacro[9] = make_macro(10, std::string(60, ' ') + "late");  // blank in the 39 bytes its file keeps
    write(dir.file("bad.duk"), cfg.get(), sizeof *cfg);

    _ST_MACRO listed = make_macro(0x55, "listed");
    add_new_macro_to_list(&listed);
    auto target = make_set(5, "t", 0);
    ExchangeResult r = ImportKeyPro(target.get(), dir.file("bad.duk"));
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.macros, 0);
    EXPECT_FALSE(r.listReloaded);
    // data/, its backup of the key-property list and bad.duk: no macro folder, nothing outside.
    EXPECT_EQ(files_below(dir.path()), 3);
    EXPECT_EQ(r.backup, dir.file("data/keypro.dct.bak"));
    EXPECT_FALSE(fs::exists(dir.file("x.mcf")));
    EXPECT_EQ(get_macro_count(), 1);
    EXPECT_EQ(get_macro_by_index(0)->dwID, 0x55u);

    // Every slot is reported once, with why it was skipped.
    ASSERT_EQ(r.macroReport.size(), 10u);
    for (int slot = 0; slot < 10; ++slot) {
        EXPECT_EQ(r.macroReport[slot].slot, slot);
        EXPECT_EQ(r.macroReport[slot].action, MacroImport::Skipped);
        EXPECT_FALSE(r.macroReport[slot].reason.empty());
    }
    EXPECT_EQ(r.macroReport[6].reason, "tc_macro_name_control");
    EXPECT_EQ(r.macroReport[7].reason, "tc_macro_name_blank");
    EXPECT_EQ(r.macroReport[8].reason, "tc_macro_name_control");
    EXPECT_EQ(r.macroReport[9].reason, "tc_macro_name_blank");
}

// The user's own macros are never overwritten by an import: a taken name
// gives a free one, the same macro is used as it is, and the keys follow.
TEST_F(Exchange, ImportNeverOverwritesAnotherMacroOfTheUsers) {
    fs::create_directories(macroDir());
    _ST_MACRO mine = make_macro(0x100, "combo");
    mine.stData.stItem[0].wVk = 9;  // other events than the file's "combo"
    ASSERT_TRUE(write_macro_file(macroDir() + "combo.mcf", &mine));
    const std::string mineBytes = bytes_of(macroDir() + "combo.mcf");
    _ST_MACRO same = make_macro(0x200, "jump");  // the file's "jump", saved here earlier
    ASSERT_TRUE(write_macro_file(macroDir() + "jump.mcf", &same));
    MacroTree tree;
    tree.loadMacroToList();

    auto cfg = std::make_unique<_ST_EXCHANGE>();
    std::memset(cfg.get(), 0, sizeof *cfg);
    cfg->stKeyPro = *make_set(9, "s", 0);
    cfg->stMacro[0] = make_macro(0x100, "combo");  // same id and name as mine, other events
    cfg->stMacro[0].stData.stItem[0].wVk = 11;
    cfg->stMacro[1] = make_macro(0x300, "jump");
    const std::string longName(45, 'L');
    cfg->stMacro[2] = make_macro(0x400, longName);
    cfg->stMacro[2].stData.stItem[0].wVk = 13;
    cfg->stMacro[3] = make_macro(0x400, "twin");  // an id a slot before it has
    call_macro(cfg->stKeyPro, 0, 0x100);
    call_macro(cfg->stKeyPro, 1, 0x300);
    call_macro(cfg->stKeyPro, 2, 0x400);
    write(dir.file("in.duk"), cfg.get(), sizeof *cfg);

    auto target = make_set(5, "t", 0);
    ExchangeResult r = ImportKeyPro(target.get(), dir.file("in.duk"), &tree);
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_EQ(bytes_of(macroDir() + "combo.mcf"), mineBytes);
    ASSERT_EQ(r.macroReport.size(), 4u);
    EXPECT_EQ(r.macroReport[0].action, MacroImport::Renamed);
    EXPECT_EQ(r.macroReport[0].file, "combo (2)");
    EXPECT_EQ(r.macroReport[1].action, MacroImport::Reused);
    EXPECT_EQ(r.macroReport[1].id, 0x200u);
    EXPECT_EQ(r.macroReport[2].action, MacroImport::Written);
    EXPECT_EQ(r.macroReport[2].file, std::string(39, 'L'));  // file, tree and record agree
    EXPECT_EQ(r.macroReport[3].action, MacroImport::Skipped);
    EXPECT_EQ(r.macros, 2);

    // The renamed copy has its own id and name; the keys call the macros as written.
    _ST_MACRO copy;
    ASSERT_TRUE(read_macro_file(macroDir() + "combo (2).mcf", &copy));
    EXPECT_NE(copy.dwID, 0x100u);
    EXPECT_STREQ(copy.szName, "combo (2)");
    EXPECT_EQ(target->stKey[0].dwMacroID, copy.dwID);
    EXPECT_EQ(target->stKey[1].dwMacroID, 0x200u);
    _ST_MACRO cut;
    ASSERT_TRUE(read_macro_file(macroDir() + std::string(39, 'L') + ".mcf", &cut));
    EXPECT_EQ(std::string(cut.szName), std::string(39, 'L'));
    EXPECT_EQ(get_macro_by_id(0x100)->stData.stItem[0].wVk, 9);  // mine, still in the list

    // The same file again: everything is there already and reused.
    ExchangeResult again = ImportKeyPro(target.get(), dir.file("in.duk"), &tree);
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(again.macros, 0);
    EXPECT_EQ(again.macroReport[0].action, MacroImport::Reused);
    EXPECT_EQ(again.macroReport[0].file, "combo (2)");
    EXPECT_EQ(again.macroReport[2].action, MacroImport::Reused);
    EXPECT_EQ(files_below(macroDir()), 4);
    EXPECT_EQ(again.backup, dir.file("data/keypro.dct.bak.1"));
}

// Importing one's own export finds the macros where they are in the tree,
// whatever their folder, id or name, and writes nothing new.
TEST_F(Exchange, ReimportingAnExportUsesTheMacrosWhereverTheyAreInTheTree) {
    fs::create_directories(macroDir() + "Games");
    const _ST_MACRO combo = make_macro(0x500, "combo1");
    ASSERT_TRUE(write_macro_file(macroDir() + "Games/combo1.mcf", &combo));
    _ST_MACRO renamed = make_macro(0x600, "old name");  // its record carries another name than its file
    renamed.stData.stItem[0].wVk = 7;
    ASSERT_TRUE(write_macro_file(macroDir() + "Games/dash.mcf", &renamed));
    MacroTree tree;
    tree.loadMacroToList();
    auto set = make_set(9, "s", 0);
    call_macro(*set, 0, 0x500);
    call_macro(*set, 1, 0x600);
    ASSERT_TRUE(ExportKeyPro(set.get(), dir.file("mine.duk")).ok());

    // The same events under another id in the file still find the macro here.
    auto cfg = std::make_unique<_ST_EXCHANGE>();
    ASSERT_EQ(read_file_bytes(dir.file("mine.duk"), sizeof *cfg)->size(), sizeof *cfg);
    std::memcpy(cfg.get(), read_file_bytes(dir.file("mine.duk"), sizeof *cfg)->data(), sizeof *cfg);
    cfg->stMacro[1].dwID = 0x777;
    call_macro(cfg->stKeyPro, 1, 0x777);
    write(dir.file("other.duk"), cfg.get(), sizeof *cfg);

    for (const char* file : {"mine.duk", "other.duk"}) {
        auto target = make_set(5, "t", 0);
        ExchangeResult r = ImportKeyPro(target.get(), dir.file(file), &tree);
        ASSERT_TRUE(r.ok()) << r.message;
        ASSERT_EQ(r.macroReport.size(), 2u) << file;
        EXPECT_EQ(r.macroReport[0].action, MacroImport::Reused) << file;
        EXPECT_EQ(r.macroReport[0].file, "Games/combo1") << file;
        EXPECT_EQ(r.macroReport[1].action, MacroImport::Reused) << file;
        EXPECT_EQ(r.macroReport[1].file, "Games/dash") << file;
        EXPECT_EQ(r.macros, 0);
        EXPECT_EQ(target->stKey[0].dwMacroID, 0x500u);
        EXPECT_EQ(target->stKey[1].dwMacroID, 0x600u);
    }
    EXPECT_FALSE(fs::exists(macroDir() + "combo1.mcf"));
    EXPECT_EQ(files_below(macroDir()), 3);  // Games and its two macros

    // Without a tree of the caller's, the folder is read for one.
    auto target = make_set(5, "t", 0);
    ExchangeResult r = ImportKeyPro(target.get(), dir.file("mine.duk"));
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.macroReport[0].file, "Games/combo1");
    EXPECT_EQ(files_below(macroDir()), 3);
}

}  // namespace
}  // namespace keyloom
