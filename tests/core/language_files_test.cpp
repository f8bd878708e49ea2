// The shipped language files, data/cfg/text/<dir>/text.xml. The text loader
// is forgiving: a text written across lines is dropped, a repeated element is
// joined to the first, a missing key shows as an empty caption, and none of it
// is logged. So the files are checked here the strict way: well-formed, flat,
// one line per text, every key the program, the model files and the source
// ask for, the same keys and placeholders in every language, and captions
// short enough for the controls that show them.
#include <expat.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "base/XmlLoader.h"
#include "config/gvar.h"
#include "model/keyinfo.h"
#include "test_support.h"

namespace keyloom {
namespace {

const std::string kCfgDir = KEYLOOM_SOURCE_CFG_DIR;
const std::string kSrcDir = kCfgDir + "../../src/";

const char* const kLanguages[] = {"en", "sc", "tw", "Japanese", "Korean", "German", "French", "Italian", "Russian"};

// Every key the program shows, including the ones whose code is not written
// yet: a key the window asks for and the file lacks shows as an empty caption.
const char* const kProgramKeys[] = {
    // main window, key-profile chooser, lighting panel labels
    "tc_title", "tc_version", "tc_config", "tc_exit", "tc_web", "tc_restore", "tc_ok", "tc_cancel", "tc_apply",
    "tc_page2", "tc_protitle", "tc_proname", "tc_msg18", "tc_msg19", "tc_macro_msg20", "tc_msg1", "tc_adv_str2",
    "tc_adv_str3", "tc_adv_str4", "tc_clr_red", "tc_clr_green", "tc_clr_blue",
    // function picker and knob settings
    "tc_page1", "tc_page3", "tc_mac_def", "tc_msg16", "tc_combo_tips", "tc_msg8", "tc_knob_set", "tc_msg2", "tc_msg4", "tc_combokey",
    // macro editor
    "tc_macro_list", "tc_macro_key_list", "tc_macro_start", "tc_macro_stop", "tc_macro_save", "tc_macro_auto",
    "tc_macro_msg19", "tc_macro_loop", "tc_macro_loop1", "tc_macro_loop2", "tc_macro_loop3", "tc_macro_msg9",
    "tc_macro_msg5", "tc_macro_newfolder", "tc_macro_import", "tc_macro_export", "tc_macro_msg10", "tc_macro_msg7",
    "tc_macro_msg14", "tc_macro_msg15", "tc_macro_msg16", "tc_stroke", "tc_macro_msg23", "tc_macro_msg24",
    "tc_macro_msg25", "tc_macro_msg26", "tc_macro_msg27", "tc_macro_msg28", "tc_macro_msg29",
    // messages, questions and prompts
    "tc_msg5", "tc_msg6", "tc_msg7", "tc_msg10", "tc_msg13", "tc_msg14", "tc_msg15", "tc_apply_failed", "tc_msg20", "tc_macro_msg8",
    "tc_macro_msg11", "tc_macro_msg12", "tc_macro_msg13", "tc_macro_folder_prompt", "tc_macro_filter",
    "tc_macro_save_failed", "tc_macro_msg36", "tc_macro_badname",
    "tc_macro_full_recording", "tc_macro_unsaved", "tc_macro_discard", "tc_macro_file_unreadable",
    "tc_macro_file_empty", "tc_macro_file_short", "tc_macro_file_long", "tc_macro_file_garbage",
    "tc_macro_file_same_id", "tc_macro_file_id_unwritten", "tc_macro_file_refused", "tc_macro_import_same",
    "tc_macro_name_control", "tc_macro_name_blank", "tc_file_unreadable", "tc_file_kept", "tc_file_replaced",
    "tc_file_keep_failed", "tc_save_failed", "tc_save_retry", "tc_save_folder_failed", "tc_save_unreadable",
    "tc_import_short", "tc_import_no_set",
    "tc_import_bad_layer", "tc_import_bad_name", "tc_import_bad_key", "tc_import_bad_macro",
    "tc_import_backup_failed", "tc_import_backup",
    // Reasons: what failed, and the system's or the file's trouble below it.
    "tc_export_failed", "tc_import_failed", "tc_wrong_extension", "tc_macro_outside", "tc_macro_folder_failed",
    "tc_rename_failed", "tc_macro_import_failed", "tc_err_enoent", "tc_err_eacces", "tc_err_enotdir",
    "tc_err_eisdir", "tc_err_enospc", "tc_err_erofs", "tc_err_efbig", "tc_err_eexist", "tc_err_enametoolong",
    "tc_err_eloop", "tc_err_eio", "tc_err_ebusy", "tc_err_einval", "tc_err_emfile", "tc_err_other",
    "tc_err_not_file", "tc_err_fifo", "tc_err_device", "tc_err_socket", "tc_err_larger_than",
    "tc_damage_shorter", "tc_damage_header", "tc_damage_slot", "tc_damage_layer", "tc_damage_no_set",
    "tc_keypro_full", "tc_macro_slots_full",
    // the dialogs' modifier boxes, close buttons, colour swatches; key map and paint colour
    "tc_mod_shift", "tc_mod_control", "tc_mod_option", "tc_mod_command", "tc_mod_option_tip", "tc_mod_command_tip",
    "tc_close", "tc_swatch_on", "tc_swatch_off", "tc_keymap", "tc_paint_colour", "tc_paint_colour_tip",
    // the key map's tooltips, the keyboard's state, the data folder, the progress panel's steps
    "tc_key_tip", "tc_kb_plug_in", "tc_kb_connected", "tc_kb_simulated", "tc_kb_missing", "tc_data_folder", "tc_progress_step",
    "tc_step_lighting", "tc_step_key_colours", "tc_step_key_table",
    "tc_paint_hint", "tc_keypro_exchange", "tc_keypro_import", "tc_keypro_export", "tc_keypro_filter",
    "tc_menu_scroll_up", "tc_menu_scroll_down",
    // the tray menu and the desktop notifications
    "tc_tray_show", "tc_tray_notifications", "tc_tray_quit", "tc_tray_layer", "tc_note_apply_failed",
    // lighting modes
    "tc_led_mode1", "tc_led_mode2", "tc_led_mode3", "tc_led_mode4", "tc_led_mode5", "tc_led_mode6", "tc_led_mode7",
    "tc_led_mode8", "tc_led_mode9", "tc_led_mode10", "tc_led_mode11", "tc_led_mode12", "tc_led_mode13",
    "tc_led_mode14", "tc_led_mode15", "tc_led_mode16", "tc_led_mode17", "tc_led_mode18", "tc_led_mode19",
    "tc_led_mode20", "tc_led_mode21",
    // mouse, media, browser, office and keyboard functions
    "tc_click", "tc_middle", "tc_menu", "tc_forward", "tc_back", "tc_dclick", "tc_three", "tc_scrollup",
    "tc_scrolldown", "tc_mvl", "tc_mvr", "tc_kbmedia_msel", "tc_PL", "tc_stop", "tc_pre_media", "tc_next_media",
    "tc_vol_up", "tc_vol_dw", "tc_mute", "tc_adv_str5", "tc_adv_str6", "tc_kbmedia_mail", "tc_kbmedia_cal",
    "tc_kbmedia_explore", "tc_kbmedia_search", "tc_kbmedia_main", "tc_kbmedia_stop", "tc_kbmedia_refresh",
    "tc_kbmedia_favor", "tc_office1", "tc_office2", "tc_office3", "tc_office4", "tc_office5", "tc_key_off", "tc_rgb",
    "tc_rgbsw", "tc_mdsw", "tc_customkey", "tc_power5",
    // device-defined keys of the model files
    "tc_hw", "tc_hw1", "tc_hw2", "tc_hw3", "tc_hw4",
    // the dialogs: a refused name's reason, what a delete deletes, the picker's empty macro list
    "tc_name_taken", "tc_name_too_long", "tc_del_keytable_ask", "tc_del_macro_ask", "tc_del_folder_ask",
    "tc_macro_none",
    // the rules that follow the application in front: refusals and file troubles
    "tc_rule_no_app", "tc_rule_app_too_long", "tc_rule_bad_layer", "tc_rule_no_table", "tc_rule_table_too_long",
    "tc_rule_bad_character", "tc_rule_list_full", "tc_rule_twice", "tc_rule_line_refused", "tc_rules_unreadable",
    "tc_rules_not_saved", "tc_rule_missing", "tc_follow_active", "tc_follow_toggle", "tc_follow_source",
    "tc_follow_none", "tc_follow_starting", "tc_follow_turned_off", "tc_follow_gnome_off", "tc_follow_gnome_broken",
    // the rules dialog and the window's button that opens it
    "tc_rules_button", "tc_rules_title", "tc_rules_list", "tc_rules_none", "tc_rule_row", "tc_rule_layer", "tc_rule_app",
    "tc_rule_pick", "tc_rule_no_apps", "tc_rule_add", "tc_rule_change", "tc_rule_remove", "tc_rule_broken",
};

// ---------------------------------------------------------------------------
// Reading a file

struct Entry {
    std::string key;
    std::string text;
    int line = 0;
};

struct LanguageFile {
    std::string path;
    bool readable = false;
    bool declared = false;    // starts with the UTF-8 XML declaration
    std::string parseError;   // empty when well-formed
    std::string root;
    std::vector<Entry> entries;  // file order
    std::vector<std::string> faults;  // nesting, attributes, stray text

    const Entry* find(const std::string& key) const {
        for (const Entry& e : entries)
            if (e.key == key) return &e;
        return nullptr;
    }
    std::vector<std::string> keys() const {
        std::vector<std::string> out;
        for (const Entry& e : entries) out.push_back(e.key);
        return out;
    }
};

struct ParseState {
    XML_Parser parser;
    LanguageFile* file;
    int depth = 0;
};

void XMLCALL onStart(void* user, const XML_Char* name, const XML_Char** attrs) {
    auto* s = static_cast<ParseState*>(user);
    const int line = static_cast<int>(XML_GetCurrentLineNumber(s->parser));
    if (s->depth == 0) {
        s->file->root = name;
    } else if (s->depth == 1) {
        s->file->entries.push_back({name, "", line});
    } else {
        s->file->faults.push_back("line " + std::to_string(line) + ": <" + name + "> inside an entry");
    }
    if (attrs && attrs[0]) s->file->faults.push_back("line " + std::to_string(line) + ": attribute on <" + name + ">");
    ++s->depth;
}

void XMLCALL onEnd(void* user, const XML_Char*) { --static_cast<ParseState*>(user)->depth; }

void XMLCALL onText(void* user, const XML_Char* data, int len) {
    auto* s = static_cast<ParseState*>(user);
    const std::string chunk(data, static_cast<size_t>(len));
    if (s->depth == 2) {
        s->file->entries.back().text += chunk;
    } else if (chunk.find_first_not_of(" \t\r\n") != std::string::npos) {
        s->file->faults.push_back("line " + std::to_string(XML_GetCurrentLineNumber(s->parser)) +
                                  ": text outside an entry");
    }
}

LanguageFile loadLanguage(const std::string& dir) {
    LanguageFile file;
    file.path = kCfgDir + "text/" + dir + "/text.xml";
    std::ifstream in(file.path, std::ios::binary);
    if (!in) return file;
    std::stringstream buf;
    buf << in.rdbuf();
    const std::string bytes = buf.str();
    file.readable = true;
    file.declared = bytes.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n", 0) == 0;

    XML_Parser parser = XML_ParserCreate(nullptr);
    ParseState state{parser, &file};
    XML_SetUserData(parser, &state);
    XML_SetElementHandler(parser, onStart, onEnd);
    XML_SetCharacterDataHandler(parser, onText);
    if (XML_Parse(parser, bytes.data(), static_cast<int>(bytes.size()), 1) == XML_STATUS_ERROR) {
        file.parseError = std::string(XML_ErrorString(XML_GetErrorCode(parser))) + " at line " +
                          std::to_string(XML_GetCurrentLineNumber(parser));
    }
    XML_ParserFree(parser);
    return file;
}

std::map<std::string, LanguageFile> loadAll() {
    std::map<std::string, LanguageFile> all;
    for (const char* dir : kLanguages) all[dir] = loadLanguage(dir);
    return all;
}

// The printf conversions of a text, in order ("%s", "%d", "%%", ...).
std::vector<std::string> placeholders(const std::string& text) {
    static const std::regex conversion(R"(%(%|[-+ #0]*[0-9]*(\.[0-9]+)?(hh|h|ll|l|z)?[diouxXeEfgGcsp@]))");
    std::vector<std::string> out;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), conversion); it != std::sregex_iterator(); ++it)
        out.push_back(it->str());
    return out;
}

// ---------------------------------------------------------------------------
// Caption widths: every caption is drawn in Arial 12 pt (1 pt = 1 pixel) and is
// never wrapped, so its width is the sum of the glyph advances. The advances are
// Arial's, in thousandths of the font size; CJK, kana and Hangul are one em.

std::vector<char32_t> decodeUtf8(const std::string& s) {
    std::vector<char32_t> out;
    for (size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        const int n = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
        char32_t c = n == 1 ? b : b & (0x7F >> n);
        for (int k = 1; k < n && i + k < s.size(); ++k) c = (c << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        out.push_back(c);
        i += static_cast<size_t>(n);
    }
    return out;
}

// U+0020..U+007E.
constexpr int kAsciiAdvance[95] = {
    278, 278, 355, 556, 556, 889, 667, 191, 333, 333, 389, 584, 278, 333, 278, 278,  // space../
    556, 556, 556, 556, 556, 556, 556, 556, 556, 556, 278, 278, 584, 584, 584, 556,  // 0..?
    1015, 667, 667, 722, 722, 667, 611, 778, 722, 278, 500, 667, 556, 833, 722, 778,  // @..O
    667, 778, 722, 667, 611, 722, 667, 944, 667, 667, 611, 278, 278, 278, 469, 556,  // P.._
    333, 556, 556, 500, 556, 556, 278, 556, 556, 222, 222, 500, 222, 833, 556, 556,  // `..o
    556, 556, 333, 500, 278, 556, 500, 722, 500, 500, 500, 334, 260, 334, 584,       // p..~
};
// U+0410..U+044F (А..я).
constexpr int kCyrillicAdvance[64] = {
    667, 656, 667, 542, 677, 667, 923, 604, 719, 719, 583, 656, 833, 722, 778, 719,
    667, 722, 611, 635, 760, 667, 740, 667, 917, 938, 792, 885, 656, 719, 1010, 722,
    556, 573, 531, 365, 583, 556, 669, 458, 559, 559, 438, 583, 688, 552, 556, 542,
    556, 500, 458, 500, 823, 500, 573, 521, 802, 823, 625, 719, 521, 510, 750, 542,
};
// U+00C0..U+00FF as the letter whose advance they share ('*' = listed below).
constexpr char kLatin1Base[] = "AAAAAA*CEEEEIIIIDNOOOOO*OUUUUY**aaaaaa*ceeeeiiiionooooo*ouuuuy*y";

// Advance of one character, or -1 when the table does not know it.
int advance(char32_t c) {
    if (c >= 0x20 && c <= 0x7E) return kAsciiAdvance[c - 0x20];
    if (c >= 0x410 && c <= 0x44F) return kCyrillicAdvance[c - 0x410];
    if (c >= 0x2E80) return 1000;  // CJK, kana, Hangul, full-width forms
    switch (c) {
        case 0xC6: return 1000;  // Æ
        case 0xE6: return 889;   // æ
        case 0xD7: case 0xF7: case 0x2212: return 584;  // × ÷ −
        case 0xDF: return 611;   // ß
        case 0xDE: return 667;   // Þ
        case 0xFE: return 556;   // þ
        case 0x152: return 1000;  // Œ
        case 0x153: return 944;   // œ
        case 0x401: return 667;   // Ё
        case 0x451: return 556;   // ё
        case 0xA0: case 0xB7: return 278;  // no-break space, middle dot
        case 0xAB: case 0xBB: case 0x2013: return 556;  // « » –
        case 0x2018: case 0x2019: return 222;  // ‘ ’
        case 0x201C: case 0x201D: case 0x201E: return 333;  // “ ” „
        case 0x2014: case 0x2026: return 1000;  // — …
        default: break;
    }
    if (c >= 0xC0 && c <= 0xFF && kLatin1Base[c - 0xC0] != '*')
        return advance(static_cast<char32_t>(kLatin1Base[c - 0xC0]));
    return -1;
}

// Width in points at 12 pt, or a negative value when a character is unknown.
double captionWidth(const std::string& text) {
    int units = 0;
    for (char32_t c : decodeUtf8(text)) {
        const int a = advance(c);
        if (a < 0) return -1;
        units += a;
    }
    return units * 12.0 / 1000.0;
}

struct Room {
    const char* key;
    double width;  // points available to the caption
    const char* suffix = "";  // what the program draws after the text
};

// Buttons leave a point of edge on each side. Lists and menus that have no
// fixed size here get 150 points, the narrowest drop-down of the window.
const Room kRooms[] = {
    // main-window buttons: New 40, Delete 60, Rename 50, Restore 72, OK 71, Cancel 72, Apply 100, Macro 122
    {"tc_msg18", 38}, {"tc_msg19", 58}, {"tc_macro_msg20", 48}, {"tc_keypro_import", 160}, {"tc_keypro_export", 160}, {"tc_restore", 70}, {"tc_ok", 69},
    {"tc_cancel", 70}, {"tc_apply", 98}, {"tc_page2", 120},
    // picker tabs, record and save buttons
    {"tc_page1", 98}, {"tc_mac_def", 98}, {"tc_macro_start", 98}, {"tc_macro_stop", 98}, {"tc_macro_save", 98},
    {"tc_macro_discard", 110},  // the message dialog widens an answer for its caption; three fit in a row
    // labels: lines of 100 points in the picker, the chooser's title line, lighting labels
    {"tc_page3", 100}, {"tc_combo_tips", 100}, {"tc_protitle", 95}, {"tc_msg1", 160}, {"tc_adv_str2", 140},
    {"tc_adv_str3", 140}, {"tc_adv_str4", 89}, {"tc_msg16", 120},
    // knob settings: the title line is 200 points, each column 207
    {"tc_msg8", 90, "  -  "}, {"tc_knob_set", 110}, {"tc_msg2", 200}, {"tc_msg4", 200}, {"tc_combokey", 150},
    // macro editor: headings over 130-point lists, the 280-point hint, check-box labels
    {"tc_macro_list", 130}, {"tc_macro_key_list", 130}, {"tc_macro_msg9", 280}, {"tc_macro_auto", 160},
    {"tc_macro_loop1", 160}, {"tc_macro_loop2", 160}, {"tc_macro_loop3", 160}, {"tc_macro_loop", 120},
    // menu and drop-down entries
    {"tc_macro_msg5", 150}, {"tc_macro_newfolder", 150}, {"tc_macro_import", 150}, {"tc_macro_export", 150},
    {"tc_macro_msg10", 150}, {"tc_macro_msg7", 150}, {"tc_macro_msg14", 150}, {"tc_macro_msg15", 150},
    {"tc_macro_msg16", 150}, {"tc_stroke", 150}, {"tc_click", 150}, {"tc_menu", 150}, {"tc_middle", 150},
    {"tc_macro_msg23", 150}, {"tc_macro_msg24", 150},
    {"tc_kbmedia_msel", 150}, {"tc_PL", 150}, {"tc_next_media", 150}, {"tc_pre_media", 150}, {"tc_stop", 150},
    {"tc_mute", 150}, {"tc_vol_up", 150}, {"tc_vol_dw", 150}, {"tc_kbmedia_mail", 150}, {"tc_kbmedia_cal", 150},
    {"tc_kbmedia_main", 150}, {"tc_office1", 150}, {"tc_office2", 150}, {"tc_office3", 150}, {"tc_office4", 150},
    {"tc_office5", 150}, {"tc_scrollup", 150}, {"tc_scrolldown", 150}, {"tc_adv_str5", 150}, {"tc_adv_str6", 150},
    // the message dialog draws one line in a 320-point box
    {"tc_msg6", 320}, {"tc_msg7", 320}, {"tc_msg10", 320}, {"tc_msg13", 320}, {"tc_msg14", 320},
    {"tc_apply_failed", 320}, {"tc_msg20", 320}, {"tc_macro_msg8", 320}, {"tc_macro_msg11", 320}, {"tc_macro_msg12", 320},
    {"tc_macro_msg13", 320}, {"tc_macro_folder_prompt", 320}, {"tc_macro_msg36", 320}, {"tc_macro_badname", 320}, {"tc_mod_shift", 64}, {"tc_mod_control", 64}, {"tc_mod_option", 64},
    {"tc_mod_command", 64},
    {"tc_macro_name_control", 320}, {"tc_macro_name_blank", 320}, {"tc_keypro_full", 320, "50"},
    {"tc_macro_slots_full", 320, "10"},
    // the chooser's title line shares its 164 points with the 64-point Rules button
    {"tc_rules_button", 62},
    // the rules dialog: title line, choosers less their arrows, buttons at their picture's width, labels
    {"tc_rules_title", 428}, {"tc_rule_pick", 235}, {"tc_rule_no_apps", 235}, {"tc_rule_add", 74},
    {"tc_rule_change", 74}, {"tc_rule_remove", 74}, {"tc_rule_layer", 84}, {"tc_rule_app", 188},
};

// ---------------------------------------------------------------------------

TEST(LanguageFiles, ReadAsTheLoaderReadsThem) {
    for (const char* dir : kLanguages) {
        SCOPED_TRACE(dir);
        const LanguageFile f = loadLanguage(dir);
        ASSERT_TRUE(f.readable) << f.path;
        EXPECT_TRUE(f.declared) << "first line must be the UTF-8 XML declaration";
        EXPECT_EQ(f.parseError, "");
        EXPECT_EQ(f.root, "texts");
        for (const std::string& fault : f.faults) ADD_FAILURE() << fault;
        EXPECT_GE(f.entries.size(), std::size(kProgramKeys));
        std::set<std::string> seen;
        for (const Entry& e : f.entries) {
            const std::string where = e.key + " (line " + std::to_string(e.line) + ")";
            EXPECT_EQ(e.key.rfind("tc_", 0), 0u) << where;
            // The loader joins a repeated element to the first and drops a text with a line break.
            EXPECT_TRUE(seen.insert(e.key).second) << where << " repeated";
            EXPECT_EQ(e.text.find_first_of("\r\n"), std::string::npos) << where << " spans lines";
            const bool padded = !e.text.empty() && (e.text.front() == ' ' || e.text.front() == '\t' ||
                                                    e.text.back() == ' ' || e.text.back() == '\t');
            EXPECT_FALSE(padded) << where << " has blanks around \"" << e.text << "\"";
            if (e.text.find_first_of("\r\n") == std::string::npos) {
                EXPECT_NE(captionWidth(e.text), -1.0) << where << ": a character the width table lacks: " << e.text;
            }
        }
        // And the program's own loader reads exactly these texts (an empty one is no entry).
        XmlLoader loader;
        {
            test::LogCapture log;
            EXPECT_TRUE(loader.loadXML(f.path));
            for (const std::string& line : log.sysLines()) ADD_FAILURE() << "system log: " << line;
        }
        size_t filled = 0;
        for (const Entry& e : f.entries) {
            if (e.text.empty() || e.text.find_first_of("\r\n") != std::string::npos) continue;  // reported above
            ++filled;
            EXPECT_EQ(loader.find(e.key).value_or("(none)"), e.text) << e.key;
        }
        EXPECT_EQ(loader.Dict().size(), filled) << "the loader made entries the file does not have";
    }
}

TEST(LanguageFiles, MatchTheEnglishKeysOrderTextsAndPlaceholders) {
    const auto all = loadAll();
    const LanguageFile& en = all.at("en");
    const std::vector<std::string> enKeys = en.keys();
    for (const auto& [dir, f] : all) {
        SCOPED_TRACE(dir);
        const std::vector<std::string> keys = f.keys();
        // Same key order everywhere, so the files can be compared line by line.
        for (size_t i = 0; i < std::min(keys.size(), enKeys.size()); ++i) {
            if (keys[i] == enKeys[i]) continue;
            ADD_FAILURE() << "entry " << i + 1 << " is " << keys[i] << ", English has " << enKeys[i];
            break;
        }
        EXPECT_EQ(keys.size(), enKeys.size());
        for (const std::string& k : enKeys)
            if (!f.find(k)) ADD_FAILURE() << k << " missing";
        for (const Entry& e : f.entries) {
            const Entry* ref = en.find(e.key);
            if (!ref) {
                ADD_FAILURE() << e.key << " is not in the English file";
                continue;
            }
            // Only the link text is empty: with no address the window hides the link.
            if (e.key == "tc_web") {
                EXPECT_EQ(e.text, "");
            } else {
                EXPECT_NE(e.text.find_first_not_of(" \t\u00a0"), std::string::npos) << e.key << " is empty";
            }
            EXPECT_EQ(placeholders(e.text), placeholders(ref->text)) << e.key << ": \"" << e.text << "\"";
        }
    }
    // Texts built around another text: "M1_" + stem + "1" and "%s - %s" must stay plain words.
    for (const auto& [dir, f] : all) {
        for (const char* key : {"tc_proname", "tc_mac_def", "tc_msg8"}) {
            const Entry* e = f.find(key);
            ASSERT_NE(e, nullptr) << dir << " " << key;
            EXPECT_EQ(e->text.find_first_of("%\"/\\"), std::string::npos) << dir << " " << key << ": " << e->text;
        }
    }
}

TEST(LanguageFiles, HoldExactlyTheKeysOfTheProgram) {
    const LanguageFile en = loadLanguage("en");
    const std::vector<std::string> keys = en.keys();
    const std::set<std::string> inFile(keys.begin(), keys.end());
    const std::set<std::string> wanted(std::begin(kProgramKeys), std::end(kProgramKeys));
    EXPECT_EQ(wanted.size(), std::size(kProgramKeys)) << "a key is listed twice";
    for (const std::string& k : wanted) EXPECT_TRUE(inFile.count(k)) << k << " missing";
    for (const std::string& k : inFile) EXPECT_TRUE(wanted.count(k)) << k << " is in the file but in no list";
}

// Every "tc_..." literal under src/: a key, or a stem the code completes with a
// number ("tc_hw" + n, "tc_led_mode%d"), or the bare prefix.
TEST(LanguageFiles, HoldEveryKeyTheSourceNames) {
    ASSERT_TRUE(std::filesystem::is_directory(kSrcDir)) << kSrcDir;
    const LanguageFile en = loadLanguage("en");
    int literals = 0;
    for (const auto& item : std::filesystem::recursive_directory_iterator(kSrcDir)) {
        const std::string ext = item.path().extension().string();
        if (!item.is_regular_file() || (ext != ".cpp" && ext != ".h" && ext != ".hpp")) continue;
        std::ifstream in(item.path());
        std::string line;
        for (int n = 1; std::getline(in, line); ++n) {
            for (size_t at = line.find("\"tc_"); at != std::string::npos; at = line.find("\"tc_", at + 1)) {
                const size_t end = line.find_first_of("\"%", at + 1);
                const size_t len = end == std::string::npos ? std::string::npos : end - at - 1;
                const std::string key = line.substr(at + 1, len);
                ++literals;
                if (key == "tc_" || en.find(key) || en.find(key + "1")) continue;
                ADD_FAILURE() << item.path().string() << ":" << n << ": \"" << key << "\" has no text";
            }
        }
    }
    EXPECT_GT(literals, 0);
}

// The lighting modes a model leaves visible and its device keys take their
// names from the language file; a missing one would be an empty list entry.
TEST(LanguageFiles, NameEveryModeAndDeviceKeyOfTheModels) {
    const auto all = loadAll();
    std::set<std::string> shipped(std::begin(kLanguages), std::end(kLanguages));
    for (int model = 1; model <= 6; ++model) {
        const char* rel = get_model_cfg_path(model);
        ASSERT_NE(rel, nullptr) << model;
        SCOPED_TRACE(rel);
        std::memset(&gVar, 0, sizeof gVar);
        std::memset(g_defKEY, 0, sizeof g_defKEY);
        {
            test::RecordingAlertSink alerts;
            test::LogCapture log;
            ASSERT_TRUE(InitGlobalVariable((kCfgDir + rel).c_str()));
        }
        std::vector<std::string> needed;
        for (int n = 0; n <= 20; ++n)
            if (((gVar.LedMask >> n) & 1) == 0) needed.push_back("tc_led_mode" + std::to_string(n + 1));
        EXPECT_FALSE(needed.empty());
        for (const _KEYINFO& k : g_defKEY)
            if (FUN_CLASS(k.dwFunID) == FUN_DEVICE) needed.push_back("tc_hw" + std::to_string(FUN_CODE(k.dwFunID) + 1));
        for (const auto& [dir, f] : all) {
            for (const std::string& key : needed) {
                const Entry* e = f.find(key);
                EXPECT_TRUE(e && !e->text.empty()) << dir << ": " << key;
            }
        }
        // The language chooser lists exactly the shipped languages.
        std::set<std::string> listed;
        for (const _LANG_ITEM& item : gVar.Lang) {
            if (item.szName[0] == '\0') break;
            listed.insert(item.szDir);
        }
        EXPECT_EQ(listed, shipped);
    }
}

TEST(LanguageFiles, CaptionsFitTheirControls) {
    // The estimate itself: "New" in Arial 12 pt is 24 points, "Löschen" 45.36, a CJK pair 24.
    EXPECT_DOUBLE_EQ(captionWidth("New"), 24.0);
    EXPECT_NEAR(captionWidth("Löschen"), 45.36, 1e-9);
    EXPECT_DOUBLE_EQ(captionWidth("删除"), 24.0);
    EXPECT_EQ(captionWidth("\u20AC"), -1.0);

    for (const char* dir : kLanguages) {
        const LanguageFile f = loadLanguage(dir);
        for (const Room& room : kRooms) {
            const Entry* e = f.find(room.key);
            ASSERT_NE(e, nullptr) << dir << " " << room.key;
            const double w = captionWidth(e->text + room.suffix);
            EXPECT_LE(w, room.width) << dir << " " << room.key << ": \"" << e->text << "\" is " << w << " points";
        }
    }
}

}  // namespace
}  // namespace keyloom
