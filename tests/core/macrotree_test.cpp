// Outline items, and the macro tree over a real macro directory: building,
// paths, and the new-folder, new-macro, rename, delete, export and import commands.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>

#include "base/utf8.h"
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "config/language.h"
#include "base/paths.h"
#include "macro/macrofile.h"
#include "macro/macrotree.h"
#include "test_support.h"

namespace keyloom {
namespace {

namespace fs = std::filesystem;

// ---- outline items ----------------------------------------------------------

std::vector<std::string> names_of(const outlineviewData& item) {
    std::vector<std::string> names;
    for (const auto& c : item.array) names.push_back(c->name);
    return names;
}

TEST(OutlineData, NewItemsAndInsertion) {
    outlineviewData root;
    EXPECT_TRUE(root.name.empty());
    EXPECT_EQ(root.nID, -1);
    EXPECT_EQ(root.nItemData, UINT64_MAX);
    EXPECT_EQ(root.nFlagData, 0u);
    EXPECT_EQ(root.parentItem, nullptr);

    EXPECT_EQ(root.addItem(nullptr), nullptr);
    outlineviewData* b = root.addItem(outlineviewData::make("b", 0, 2));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->parentItem, &root);
    outlineviewData* a = root.insertItem(outlineviewData::make("a", 0, 1), b, 0);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->parentItem, &root);
    root.insertItem(outlineviewData::make("c", 0, 3), b, 1);
    root.insertItem(outlineviewData::make("d", 0, 4), nullptr, 0);
    EXPECT_EQ(names_of(root), (std::vector<std::string>{"a", "b", "c", "d"}));

    // Refused: no item, the receiver as anchor, an anchor of another parent.
    EXPECT_EQ(root.insertItem(nullptr, b, 0), nullptr);
    EXPECT_EQ(root.insertItem(outlineviewData::make("x", 0, 0), &root, 0), nullptr);
    outlineviewData* grandchild = b->addItem(outlineviewData::make("g", 0, 0));
    EXPECT_EQ(root.insertItem(outlineviewData::make("y", 0, 0), grandchild, 1), nullptr);
    EXPECT_EQ(names_of(root), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(names_of(*b), (std::vector<std::string>{"g"}));

    // A folder of 256 items.
    for (int i = 0; i < 256; ++i) grandchild->addItem(outlineviewData::make(std::to_string(i), 0, i));
    EXPECT_EQ(grandchild->array.size(), 256u);
    EXPECT_EQ(root.findItemForData(255)->parentItem, grandchild);
}

TEST(OutlineData, SearchesArePreOrder) {
    outlineviewData root;
    outlineviewData* folder = root.addItem(outlineviewData::make("x", 1, 10));
    outlineviewData* inner = folder->addItem(outlineviewData::make("x", 0, 10));
    outlineviewData* later = root.addItem(outlineviewData::make("y", 0, 11));

    EXPECT_EQ(root.findItemForName("x"), folder);
    EXPECT_EQ(root.findItemForName(""), nullptr);
    EXPECT_EQ(root.findItemForName("z"), nullptr);
    EXPECT_EQ(root.findItemForData(10), folder);
    EXPECT_EQ(root.findItemForData(UINT64_MAX), &root);  // the receiver comes first
    EXPECT_EQ(root.findItemForNameWithFlag("x", 0), inner);
    EXPECT_EQ(root.findItemForNameWithFlag("x", 1), folder);
    EXPECT_EQ(folder->findItemForName("y"), nullptr);  // only below the receiver
    EXPECT_EQ(root.findItemForData(11), later);
}

TEST(OutlineData, DeleteAndClear) {
    outlineviewData root;
    root.nID = 7;
    root.name = "root";
    outlineviewData* folder = root.addItem(outlineviewData::make("f", 1, 1));
    folder->addItem(outlineviewData::make("m", 0, 2));
    root.addItem(outlineviewData::make("n", 0, 3));
    root.addItem(outlineviewData::make("o", 0, 4));

    root.deleteItemForData(3);
    EXPECT_EQ(names_of(root), (std::vector<std::string>{"f", "o"}));
    root.deleteItemForName("m");
    EXPECT_TRUE(folder->array.empty());
    root.deleteItemForName("absent");
    outlineviewData::deleteItem(folder);
    EXPECT_EQ(names_of(root), (std::vector<std::string>{"o"}));

    // The root has no parent: deleting it only empties it.
    root.array.front()->addItem(outlineviewData::make("deep", 0, 5));
    outlineviewData::deleteItem(&root);
    EXPECT_TRUE(root.array.empty());
    EXPECT_TRUE(root.name.empty());
    EXPECT_EQ(root.nID, 7);
}

// ---- the macro tree over a macro directory -----------------------------------

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

_ST_MACRO record(uint32_t id, const char* name) {
    _ST_MACRO m{};
    m.dwMagic = MACRO_MAGIC;
    m.dwID = id;
    m.stData.wRepeat = 1;
    std::strcpy(m.szName, name);
    return m;
}

std::string text_or_key(const char* key) { return FindText(key).value_or(key); }

outlineviewData* child(outlineviewData* parent, const std::string& name, uint32_t flag) {
    for (auto& c : parent->array)
        if (c->name == name && c->nFlagData == flag) return c.get();
    return nullptr;
}

class MacroTreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        set_data_dir(tmp.path());
        mac = tmp.path() + "/mac";
        fs::create_directories(mac);
        fs::create_directories(tmp.file("outside"));
        init_macro_list();
    }
    void TearDown() override {
        destroy_macro_list();
        set_data_dir("");
    }

    void put(const std::string& rel, uint32_t id, const char* name) {
        fs::create_directories(fs::path(mac + "/" + rel).parent_path());
        const _ST_MACRO m = record(id, name);
        ASSERT_TRUE(write_macro_file(mac + "/" + rel, &m));
    }
    // Everything in the temporary directory outside the macro directory.
    std::set<std::string> outside_entries() const {
        std::set<std::string> found;
        for (const auto& e : fs::recursive_directory_iterator(tmp.path())) {
            const std::string p = e.path().string();
            if (p.rfind(mac, 0) != 0) found.insert(p);
        }
        return found;
    }
    static void expect_warning(const MacroTreeResult& r, const std::string& text) {
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.message, text);
        EXPECT_EQ(r.title, "Warning");
    }
    static void expect_refused(const MacroTreeResult& r) {
        EXPECT_FALSE(r.ok);
        EXPECT_FALSE(r.message.empty());
        EXPECT_EQ(r.title, "Warning");
    }

    test::TempDir tmp;
    std::string mac;
    MacroTree tree;
};

TEST_F(MacroTreeTest, LoadBuildsTheTreeAndTheList) {
    put("a/b/m1.mcf", 11, "m1");
    put("top.mcf", 12, "top");
    put("a/x.mcf.bak", 13, "bak");
    put("c/dup.mcf", 11, "dup");
    put("dir.mcf/inner.mcf", 14, "inner");
    put("y.mcf.mcf", 17, "y");
    fs::create_directories(mac + "/a/empty");
    std::ofstream(mac + "/a/short.mcf") << "short";
    std::ofstream(mac + "/notes.txt") << "text";
    put("../outside/o.mcf", 15, "o");
    put("../outside/d/od.mcf", 16, "od");
    fs::create_symlink(tmp.file("outside/o.mcf"), mac + "/link.mcf");
    fs::create_symlink(tmp.file("outside/d"), mac + "/linkdir");

    tree.loadMacroToList();
    outlineviewData* root = tree.root();
    outlineviewData* a = child(root, "a", 1);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->nItemData, 0u);
    outlineviewData* m1 = child(child(a, "b", 1), "m1", 0);
    ASSERT_NE(m1, nullptr);
    EXPECT_EQ(m1->nItemData, 11u);
    EXPECT_EQ(child(root, "top", 0)->nItemData, 12u);
    // A second file with id 11 is no macro a key can call, and nothing is written here.
    EXPECT_EQ(child(child(root, "c", 1), "dup", 0)->nItemData, 0u);
    EXPECT_EQ(child(child(root, "c", 1), "dup", 0)->unusable, "tc_macro_file_same_id");
    EXPECT_NE(child(a, "empty", 1), nullptr);
    EXPECT_EQ(child(a, "short", 0)->nItemData, 0u);  // unreadable: an item without a macro
    EXPECT_EQ(child(a, "short", 0)->unusable, "tc_macro_file_short");
    EXPECT_TRUE(m1->unusable.empty());
    // A folder named like a macro file stays a folder; only the last ".mcf" is cut.
    EXPECT_EQ(child(child(root, "dir.mcf", 1), "inner", 0)->nItemData, 14u);
    EXPECT_EQ(child(root, "y.mcf", 0)->nItemData, 17u);
    EXPECT_EQ(tree.item_to_filepath(child(root, "y.mcf", 0)), mac + "/y.mcf.mcf");

    EXPECT_EQ(root->findItemForName("x"), nullptr);
    EXPECT_EQ(root->findItemForName("x.mcf"), nullptr);
    EXPECT_EQ(root->findItemForName("notes"), nullptr);
    EXPECT_EQ(root->findItemForName("link"), nullptr);
    EXPECT_EQ(root->findItemForName("linkdir"), nullptr);
    EXPECT_EQ(names_of(*root), (std::vector<std::string>{"a", "c", "dir.mcf", "top", "y.mcf"}));  // by name

    EXPECT_EQ(get_macro_count(), 4);  // 11 once, 12, 14, 17
    EXPECT_EQ(get_macro_by_id(13), nullptr);
    EXPECT_EQ(get_macro_by_id(15), nullptr);
    EXPECT_EQ(get_macro_by_id(16), nullptr);

    EXPECT_EQ(tree.item_to_filepath(root), mac);
    EXPECT_EQ(tree.item_to_filepath(nullptr), mac);
    EXPECT_EQ(tree.item_to_filepath(a), mac + "/a");
    EXPECT_EQ(tree.item_to_filepath(m1), mac + "/a/b/m1.mcf");

    // Reloading rebuilds the same tree and does not list anything twice.
    tree.ReloadMacroList();
    EXPECT_EQ(tree.root()->array.size(), 5u);
    EXPECT_EQ(get_macro_count(), 4);
}

TEST_F(MacroTreeTest, MakeSureItemExistFindsOrCreatesAndTheFirstIdWins) {
    put("f/one.mcf", 21, "first");
    put("g/two.mcf", 21, "second");
    outlineviewData* one = tree.make_sure_item_exist("f/one.mcf", mac + "/f/one.mcf", 0);
    outlineviewData* two = tree.make_sure_item_exist("g/two.mcf", mac + "/g/two.mcf", 0);
    ASSERT_TRUE(one && two);
    EXPECT_EQ(one->nItemData, 21u);
    EXPECT_EQ(two->nItemData, 0u);  // a key calling 21 must never reach it
    EXPECT_EQ(two->unusable, "tc_macro_file_same_id");
    EXPECT_EQ(get_macro_count(), 1);
    EXPECT_STREQ(get_macro_by_id(21)->szName, "first");

    EXPECT_EQ(tree.make_sure_item_exist("f/one.mcf", mac + "/f/one.mcf", 0), one);
    EXPECT_EQ(tree.make_sure_item_exist("f", mac + "/f", 1), one->parentItem);
    EXPECT_EQ(tree.root()->array.size(), 2u);

    EXPECT_TRUE(MacroTree::findNameInOutlineView(one->parentItem, "one", false));
    EXPECT_TRUE(MacroTree::findNameInOutlineView(one->parentItem, "f", true));  // the item itself
    EXPECT_FALSE(MacroTree::findNameInOutlineView(one->parentItem, "one", true));
    EXPECT_FALSE(MacroTree::findNameInOutlineView(tree.root(), "one", false));  // only direct children
}

// A macro file copied in a file manager carries the id of the original: a key
// calling that id must play one of them only.
TEST_F(MacroTreeTest, ACopiedMacroFileGetsAnIdOfItsOwnWhenTheWindowReadsTheFolder) {
    put("combo.mcf", 31, "combo");
    fs::copy_file(mac + "/combo.mcf", mac + "/backup of combo.mcf");  // found first in the tree
    fs::create_directories(mac + "/copies");
    fs::copy_file(mac + "/combo.mcf", mac + "/copies/combo.mcf");  // named alike: the first in the tree keeps it
    put("zero.mcf", 0, "zero");  // no id at all
    const std::string copyBytes = slurp(mac + "/backup of combo.mcf");

    // Reading alone (keyloomctl) writes nothing: the copies cannot be used.
    tree.loadMacroToList();
    EXPECT_EQ(child(tree.root(), "combo", 0)->nItemData, 31u);  // the file named as its record
    for (outlineviewData* copy : {child(tree.root(), "backup of combo", 0), child(child(tree.root(), "copies", 1), "combo", 0),
                                  child(tree.root(), "zero", 0)}) {
        EXPECT_EQ(copy->nItemData, 0u) << copy->name;
        EXPECT_EQ(copy->unusable, "tc_macro_file_same_id") << copy->name;
    }
    EXPECT_EQ(slurp(mac + "/backup of combo.mcf"), copyBytes);
    EXPECT_EQ(get_macro_count(), 1);

    // The window's reading gives each copy a new id, written into its file and logged.
    destroy_macro_list();
    test::LogCapture log;
    MacroTree window(MacroIdRepair::Rewrite);
    window.loadMacroToList();
    EXPECT_EQ(child(window.root(), "combo", 0)->nItemData, 31u);
    outlineviewData* copy = child(window.root(), "backup of combo", 0);
    const uint32_t copyId = static_cast<uint32_t>(copy->nItemData);
    EXPECT_NE(copyId, 0u);
    EXPECT_NE(copyId, 31u);
    EXPECT_TRUE(copy->unusable.empty());
    std::string expected = copyBytes;
    std::memcpy(expected.data() + offsetof(_ST_MACRO, dwID), &copyId, sizeof copyId);
    EXPECT_EQ(slurp(mac + "/backup of combo.mcf"), expected);  // only the id changed
    const uint32_t gamesId = static_cast<uint32_t>(child(child(window.root(), "copies", 1), "combo", 0)->nItemData);
    const uint32_t zeroId = static_cast<uint32_t>(child(window.root(), "zero", 0)->nItemData);
    EXPECT_EQ(std::set<uint32_t>({31u, copyId, gamesId, zeroId}).size(), 4u);
    EXPECT_EQ(get_macro_count(), 4);
    char line[160];
    std::snprintf(line, sizeof line, "Macro file backup of combo.mcf had the id 0x0000001f of combo.mcf: new id 0x%08x", copyId);
    EXPECT_EQ(log.lines().front(), line);
    EXPECT_EQ(log.lines().size(), 3u);

    // Read again, nothing changes.
    log.clear();
    window.ReloadMacroList();
    EXPECT_EQ(child(window.root(), "backup of combo", 0)->nItemData, copyId);
    EXPECT_EQ(get_macro_count(), 4);
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(MacroTreeTest, AFileKeepsTheIdItHadWhenACopyAppears) {
    put("old.mcf", 41, "renamed");  // renamed in the tree, not saved since: its record has the new name
    MacroTree window(MacroIdRepair::Rewrite);
    window.loadMacroToList();
    ASSERT_EQ(child(window.root(), "old", 0)->nItemData, 41u);
    fs::copy_file(mac + "/old.mcf", mac + "/renamed.mcf");  // a copy that happens to carry the record's name
    window.ReloadMacroList();
    EXPECT_EQ(child(window.root(), "old", 0)->nItemData, 41u);
    EXPECT_NE(child(window.root(), "renamed", 0)->nItemData, 41u);
    EXPECT_NE(child(window.root(), "renamed", 0)->nItemData, 0u);
}

TEST_F(MacroTreeTest, NewFolder) {
    MacroTreeResult r = tree.new_folder(nullptr, "f1");
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(r.message.empty());
    EXPECT_TRUE(fs::is_directory(mac + "/f1"));
    EXPECT_EQ(r.item->parentItem, tree.root());
    EXPECT_EQ(r.item->nFlagData, 1u);
    outlineviewData* f1 = r.item;

    expect_warning(tree.new_folder(nullptr, "f1"), text_or_key("tc_msg20"));
    expect_warning(tree.new_folder(f1, "f1"), text_or_key("tc_msg20"));  // a top-level name, anywhere

    put("f1/m.mcf", 31, "m");
    outlineviewData* m = tree.make_sure_item_exist("f1/m.mcf", mac + "/f1/m.mcf", 0);
    r = tree.new_folder(m, "sub");  // a selected macro: its folder
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.item->parentItem, f1);
    EXPECT_TRUE(fs::is_directory(mac + "/f1/sub"));
    expect_warning(tree.new_folder(f1, "sub"), text_or_key("tc_msg20"));

    // A plain file in the way is not taken for a folder.
    std::ofstream(mac + "/plain") << "x";
    expect_warning(tree.new_folder(nullptr, "plain"), "Create folder failed");
    EXPECT_EQ(child(tree.root(), "plain", 1), nullptr);
}

TEST_F(MacroTreeTest, NewMacroIsListedAndMarkedChanged) {
    MacroTreeResult r = tree.new_folder(nullptr, "f");
    outlineviewData* f = r.item;
    r = tree.new_macro(f, "nm");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.item->parentItem, f);
    const _ST_MACRO* m = get_macro_by_id(static_cast<uint32_t>(r.item->nItemData));
    ASSERT_NE(m, nullptr);
    EXPECT_STREQ(m->szName, "nm");
    EXPECT_EQ(m->dwDirty, MACRO_DIRTY_EVENTS | MACRO_DIRTY_SETTINGS);
    EXPECT_EQ(tree.item_to_filepath(r.item), mac + "/f/nm.mcf");

    expect_warning(tree.new_macro(r.item, "nm"), text_or_key("tc_macro_msg8"));
    std::ofstream(mac + "/ondisk.mcf") << "x";  // a file the tree does not show
    expect_warning(tree.new_macro(nullptr, "ondisk"), text_or_key("tc_macro_msg8"));
    expect_refused(tree.new_macro(nullptr, "bad.name"));
    EXPECT_EQ(get_macro_count(), 1);
}

TEST_F(MacroTreeTest, HostileNamesAreRefusedAndNothingIsWrittenOutside) {
    put("m.mcf", 41, "m");
    put("f/in.mcf", 42, "in");
    tree.loadMacroToList();
    outlineviewData* m = child(tree.root(), "m", 0);
    outlineviewData* f = child(tree.root(), "f", 1);
    const std::string src = tmp.file("outside/src.mcf");
    const _ST_MACRO rec = record(99, "src");
    ASSERT_TRUE(write_macro_file(src, &rec));
    const auto before = outside_entries();

    const std::vector<std::string> hostile = {"../x", "a/b", "", "\xff\xfe", ".", "..", "a\\b", "/abs",
                                              std::string("a\0b", 3)};
    for (const std::string& bad : hostile) {
        SCOPED_TRACE(bad);
        expect_refused(tree.new_folder(nullptr, bad));
        expect_refused(tree.new_folder(f, bad));
        expect_refused(tree.rename_item(m, bad));
        expect_refused(tree.rename_item(f, bad));
    }
    EXPECT_EQ(m->name, "m");
    EXPECT_TRUE(fs::exists(mac + "/m.mcf"));
    EXPECT_TRUE(fs::is_directory(mac + "/f"));

    // Imported names come from the file name.
    for (const char* file : {"a.b.mcf", "..mcf", ".mcf", "\xff.mcf", "x y#.mcf"}) {
        SCOPED_TRACE(file);
        fs::copy_file(src, tmp.file(std::string("outside/") + file), fs::copy_options::overwrite_existing);
        expect_refused(tree.import_macro(f, tmp.file(std::string("outside/") + file)));
    }
    EXPECT_EQ(get_macro_count(), 2);

    // A folder that leads out of the macro directory through a link.
    fs::create_directories(tmp.file("outside/target"));
    fs::create_directory_symlink(tmp.file("outside/target"), mac + "/escape");
    outlineviewData* escape = tree.make_sure_item_exist("escape", mac + "/escape", 1);
    expect_refused(tree.import_macro(escape, src));
    expect_refused(tree.new_folder(escape, "deeper"));
    expect_refused(tree.new_macro(escape, "nm"));
    EXPECT_TRUE(fs::is_empty(tmp.file("outside/target")));

    // Nothing appeared outside the macro directory except what the test made.
    auto after = outside_entries();
    for (const auto& p : before) after.erase(p);
    for (const auto& p : after) {
        const bool made = p.find("/outside/") != std::string::npos && p.find("/outside/target/") == std::string::npos;
        EXPECT_TRUE(made) << p;
    }
}

TEST_F(MacroTreeTest, RenameMovesOnDiskAndNeverOverwrites) {
    put("a.mcf", 51, "a");
    put("b.mcf", 52, "b");
    put("f/in.mcf", 53, "in");
    tree.loadMacroToList();
    outlineviewData* a = child(tree.root(), "a", 0);
    outlineviewData* f = child(tree.root(), "f", 1);

    MacroTreeResult r = tree.rename_item(a, "alpha");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.item, a);
    EXPECT_EQ(a->name, "alpha");
    EXPECT_FALSE(fs::exists(mac + "/a.mcf"));
    EXPECT_TRUE(fs::exists(mac + "/alpha.mcf"));
    EXPECT_STREQ(get_macro_by_id(51)->szName, "alpha");
    // The file keeps its old record until the macro is saved.
    _ST_MACRO disk{};
    ASSERT_TRUE(read_macro_file(mac + "/alpha.mcf", &disk));
    EXPECT_STREQ(disk.szName, "a");

    // Onto an existing name, in the tree or only on disk: refused, both kept.
    expect_warning(tree.rename_item(a, "b"), text_or_key("tc_msg20"));
    std::ofstream(mac + "/hidden.mcf") << "keep";
    expect_warning(tree.rename_item(a, "hidden"), text_or_key("tc_msg20"));
    EXPECT_EQ(slurp(mac + "/hidden.mcf"), "keep");
    EXPECT_EQ(a->name, "alpha");
    EXPECT_EQ(slurp(mac + "/b.mcf").size(), 1484u);

    // Long names: cut to 39 bytes without splitting a character, the same in
    // the record, the tree and the file name.
    const std::string longAscii(45, 'n');
    ASSERT_TRUE(tree.rename_item(a, longAscii).ok);
    EXPECT_EQ(std::string(get_macro_by_id(51)->szName), longAscii.substr(0, 39));
    EXPECT_EQ(a->name, longAscii.substr(0, 39));
    EXPECT_TRUE(fs::exists(mac + "/" + longAscii.substr(0, 39) + ".mcf"));
    std::string accents;
    for (int i = 0; i < 20; ++i) accents += "\xC3\xA9";
    ASSERT_TRUE(tree.rename_item(a, accents).ok);
    EXPECT_EQ(std::string(get_macro_by_id(51)->szName), accents.substr(0, 38));
    EXPECT_TRUE(fs::exists(mac + "/" + accents.substr(0, 38) + ".mcf"));
    expect_warning(tree.rename_item(a, "two\nlines"), text_or_key("tc_macro_name_control"));
    expect_warning(tree.rename_item(a, "  "), text_or_key("tc_macro_name_blank"));

    // Folders move with their content.
    ASSERT_TRUE(tree.rename_item(f, "g").ok);
    EXPECT_TRUE(fs::exists(mac + "/g/in.mcf"));
    EXPECT_EQ(tree.item_to_filepath(child(f, "in", 0)), mac + "/g/in.mcf");

    // An unsaved macro has no file: only its item changes.
    outlineviewData* fresh = tree.root()->addItem(outlineviewData::make("fresh", 0, 0));
    ASSERT_TRUE(tree.rename_item(fresh, "renamed").ok);
    EXPECT_EQ(fresh->name, "renamed");

    EXPECT_FALSE(tree.rename_item(tree.root(), "r").ok);
}

TEST_F(MacroTreeTest, DeleteRemovesFilesItemsAndListedMacros) {
    put("a.mcf", 61, "a");
    put("f/one.mcf", 62, "one");
    put("f/sub/two.mcf", 63, "two");
    put("f/shared.mcf", 64, "shared");
    put("keep/shared.mcf", 64, "shared");
    tree.loadMacroToList();
    outlineviewData* root = tree.root();

    MacroTreeResult r = tree.delete_item(child(root, "a", 0));
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.item, root);
    EXPECT_FALSE(fs::exists(mac + "/a.mcf"));
    EXPECT_EQ(get_macro_by_id(61), nullptr);
    EXPECT_EQ(child(root, "a", 0), nullptr);

    // A folder takes every macro in it out of the list. The copy of one of them
    // elsewhere could not be used beside it; read again, it is the only one.
    EXPECT_EQ(child(child(root, "keep", 1), "shared", 0)->nItemData, 0u);
    r = tree.delete_item(child(root, "f", 1));
    EXPECT_TRUE(r.ok);
    EXPECT_FALSE(fs::exists(mac + "/f"));
    EXPECT_EQ(get_macro_by_id(62), nullptr);
    EXPECT_EQ(get_macro_by_id(63), nullptr);
    EXPECT_EQ(get_macro_by_id(64), nullptr);
    EXPECT_EQ(names_of(*root), (std::vector<std::string>{"keep"}));
    tree.ReloadMacroList();
    root = tree.root();
    EXPECT_EQ(child(child(root, "keep", 1), "shared", 0)->nItemData, 64u);
    EXPECT_NE(get_macro_by_id(64), nullptr);

    EXPECT_FALSE(tree.delete_item(root).ok);
    EXPECT_TRUE(fs::is_directory(mac));
    EXPECT_EQ(root->array.size(), 1u);
}

TEST_F(MacroTreeTest, Export) {
    put("m.mcf", 71, "m");
    put("f/broken.mcf", 0, "");
    tree.loadMacroToList();
    outlineviewData* m = child(tree.root(), "m", 0);
    test::LogCapture log;

    expect_warning(tree.export_macro(m, tmp.file("out/x.MCF")), "the fudxx must be mcf");
    expect_warning(tree.export_macro(m, tmp.file("out/x.txt")), "the fudxx must be mcf");
    EXPECT_FALSE(fs::exists(tmp.file("out")));

    fs::create_directories(tmp.file("out.d"));
    MacroTreeResult r = tree.export_macro(m, tmp.file("out.d/plain"));
    ASSERT_TRUE(r.ok);
    const std::string bytes = slurp(tmp.file("out.d/plain.mcf"));
    ASSERT_EQ(bytes.size(), 1484u);
    EXPECT_EQ(std::memcmp(bytes.data(), get_macro_by_id(71), 1484), 0);
    EXPECT_TRUE(tree.export_macro(m, tmp.file("out.d/y.mcf")).ok);
    EXPECT_TRUE(fs::exists(tmp.file("out.d/y.mcf")));

    // Silent stops: no file name, a folder, a macro whose record is not listed.
    for (const MacroTreeResult& s : {tree.export_macro(m, tmp.file("out.d/")),
                                     tree.export_macro(child(tree.root(), "f", 1), tmp.file("z")),
                                     tree.export_macro(child(child(tree.root(), "f", 1), "broken", 0), tmp.file("z"))}) {
        EXPECT_FALSE(s.ok);
        EXPECT_TRUE(s.message.empty());
    }
    EXPECT_FALSE(fs::exists(tmp.file("z.mcf")));

    log.clear();
    expect_warning(tree.export_macro(m, tmp.file("missing/x.mcf")),
                   "Export Macro err=2, No such file or directory");
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(log.lines()[0], "ExportMacro err=2, No such file or directory");
}

TEST_F(MacroTreeTest, Import) {
    fs::create_directories(mac + "/f");
    tree.loadMacroToList();
    outlineviewData* f = child(tree.root(), "f", 1);
    const std::string src = tmp.file("outside/imp.mcf");
    const _ST_MACRO rec = record(99, "original");
    ASSERT_TRUE(write_macro_file(src, &rec));

    MacroTreeResult r = tree.import_macro(nullptr, src);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.item->parentItem, tree.root());
    const uint32_t id1 = static_cast<uint32_t>(r.item->nItemData);
    EXPECT_NE(id1, 99u);
    _ST_MACRO disk{};
    ASSERT_TRUE(read_macro_file(mac + "/imp.mcf", &disk));
    EXPECT_EQ(disk.dwID, id1);
    EXPECT_STREQ(disk.szName, "imp");
    ASSERT_NE(get_macro_by_id(id1), nullptr);
    EXPECT_STREQ(get_macro_by_id(id1)->szName, "imp");

    // The same macro again, into any folder, is not copied: the result names the one there.
    MacroTreeResult same = tree.import_macro(f, src);
    expect_warning(same, FormatText("tc_macro_import_same", {"imp"}));
    EXPECT_EQ(same.item, r.item);
    EXPECT_FALSE(fs::exists(mac + "/f/imp.mcf"));
    // Another macro under a name the folder has is refused; into another folder it gets a new id.
    _ST_MACRO other = rec;
    other.stData.stItem[0] = {5, 1, 20};
    ASSERT_TRUE(write_macro_file(src, &other));
    expect_warning(tree.import_macro(r.item, src), text_or_key("tc_msg20"));
    r = tree.import_macro(f, src);
    ASSERT_TRUE(r.ok);
    EXPECT_NE(r.item->nItemData, id1);
    EXPECT_TRUE(fs::exists(mac + "/f/imp.mcf"));
    EXPECT_EQ(get_macro_count(), 2);

    test::LogCapture log;
    std::ofstream(tmp.file("outside/short.mcf")) << "tiny";
    expect_warning(tree.import_macro(nullptr, tmp.file("outside/short.mcf")), "not a active macro file.");
    _ST_MACRO wrong = rec;
    wrong.dwMagic = 0x12345678;
    ASSERT_TRUE(write_macro_file(tmp.file("outside/wrong.mcf"), &wrong));
    expect_warning(tree.import_macro(nullptr, tmp.file("outside/wrong.mcf")), "not a active macro file.");
    std::ofstream(tmp.file("outside/long.mcf"), std::ios::binary)
        << std::string(reinterpret_cast<const char*>(&rec), sizeof rec) << "more";
    expect_warning(tree.import_macro(nullptr, tmp.file("outside/long.mcf")), "not a active macro file.");
    expect_warning(tree.import_macro(nullptr, tmp.file("outside/gone.mcf")), "import macro failed.");
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"ImportMacro: not a active macro", "ImportMacro: not a active macro",
                                                     "ImportMacro: not a active macro",
                                                     "read macro err=2, No such file or directory",
                                                     "ImportMacro: " + tmp.file("outside/gone.mcf") +
                                                         " could not be read"}));
    EXPECT_FALSE(fs::exists(mac + "/short.mcf"));
    EXPECT_FALSE(fs::exists(mac + "/wrong.mcf"));
    EXPECT_EQ(get_macro_count(), 2);
}

TEST(MacroNames, CutUtf8KeepsWholeCharacters) {
    EXPECT_EQ(CutUtf8("abc", 39), "abc");
    EXPECT_EQ(CutUtf8(std::string(40, 'x'), 39), std::string(39, 'x'));
    EXPECT_EQ(CutUtf8("ab\xE2\x82\xAC", 4), "ab");        // a 3-byte character does not fit
    EXPECT_EQ(CutUtf8("ab\xE2\x82\xAC", 5), "ab\xE2\x82\xAC");
    EXPECT_EQ(CutUtf8("\xF0\x9F\x98\x80", 3), "");
}

}  // namespace
}  // namespace keyloom
