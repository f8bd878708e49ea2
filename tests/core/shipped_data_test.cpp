// The shipped configuration: the selector file, and each of the six model
// files read the way start-up reads them. A model file must load without a
// message box or a system-log line, and must describe a board the key map can
// draw (rectangles on a picture that fits the window) and the keyboard can be
// programmed with (unique matrix positions, convertible keys, game-mode keys
// that exist, lighting defaults that the panel lists). The raw text is linted
// too, because the readers drop malformed pieces without a word.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "base/INIFiler.h"
#include "config/gvar.h"
#include "keys/vk.h"
#include "test_support.h"

namespace keyloom {
namespace {

using test::LogCapture;
using test::RecordingAlertSink;

const std::string kCfgDir = KEYLOOM_SOURCE_CFG_DIR;

// The main window is 900 x 640 points, origin bottom-left. The key picture
// sits right of the lighting panel, above OK/Cancel/Apply, below M1-M3.
constexpr uint32_t kMaxPictureWidth = 610;
constexpr uint32_t kMaxPictureHeight = 250;
constexpr uint32_t kKeyAreaLeft = 245;
constexpr uint32_t kKeyAreaRight = 900;
constexpr uint32_t kKeyAreaBottom = 130;
constexpr uint32_t kKeyAreaTop = 515;
constexpr uint32_t kMinKeySide = 20;  // smaller is a typo, not a key
constexpr int kModeCount = 21;

struct ShippedModel {
    int model;
    const char* name;  // test-name suffix
    const char* title;
    int rows;          // K rows: keys plus the knob
    int deviceKeys;    // class-9 rows
    int groups;        // game-mode groups
};

const ShippedModel kModels[] = {
    {1, "VelaDesigner", "Vela 75 Designer", 84, 0, 5}, {2, "VelaWired", "Vela 75 Wired", 84, 0, 3},
    {3, "VelaTriMode", "Vela 75 TriMode", 84, 3, 3},   {4, "OrinDesigner", "Orin Designer", 111, 0, 5},
    {5, "OrinWired", "Orin Wired", 111, 0, 3},         {6, "OrinTriMode", "Orin TriMode", 111, 4, 3},
};

std::string modelPath(int model) {
    const char* rel = get_model_cfg_path(model);
    return rel ? kCfgDir + rel : std::string();
}

std::vector<std::string> split(const std::string& text, char sep) {
    std::vector<std::string> out;
    size_t pos = 0;
    for (;;) {
        size_t next = text.find(sep, pos);
        out.push_back(text.substr(pos, next == std::string::npos ? std::string::npos : next - pos));
        if (next == std::string::npos) return out;
        pos = next + 1;
    }
}

// A piece the readers take in full: digits of the base only, nothing else.
bool isNumber(const std::string& piece, int base, unsigned long* value = nullptr) {
    if (piece.empty() || piece.find_first_of(" \t+-xX") != std::string::npos) return false;
    char* end = nullptr;
    errno = 0;
    unsigned long v = std::strtoul(piece.c_str(), &end, base);
    if (*end != '\0' || errno == ERANGE) return false;
    if (value) *value = v;
    return true;
}

// Host key code -> the ModifyKey bit a modifier row carries for it.
uint8_t modifierBitForHostVk(int vk) {
    switch (vk) {
        case 59: return MOD_LCTRL;
        case 56: return MOD_LSHIFT;
        case 58: return MOD_LALT;
        case 55: return MOD_LGUI;
        case 62: return MOD_RCTRL;
        case 60: return MOD_RSHIFT;
        case 61: return MOD_RALT;
        case 54: return MOD_RGUI;
        default: return 0;
    }
}

bool onBoard(int hostVk) {
    uint8_t bit = modifierBitForHostVk(hostVk);
    for (const _KEYINFO& k : g_defKEY) {
        if (FUN_CLASS(k.dwFunID) != FUN_KEY) continue;
        if (k.stCombo.ModifyKey != 0 ? (k.stCombo.ModifyKey & bit) != 0 : k.stCombo.VkCode1 == hostVk) return true;
    }
    return false;
}

bool modeListed(int mode) { return mode >= 0 && mode < kModeCount && ((gVar.LedMask >> mode) & 1) == 0; }

std::vector<int> usedRows() {
    std::vector<int> rows;
    for (int i = 0; i < KEY_COUNT; ++i)
        if (g_defKEY[i].dwFunID != 0) rows.push_back(i);
    return rows;
}

std::string rowName(int row) { return "K" + std::to_string(row + 1); }

TEST(ShippedSelector, PicksTheFirstModelAndStartsWithoutAKeyboard) {
    INIFiler selector;
    ASSERT_TRUE(selector.initIni(kCfgDir + "cfg.txt"));
    ASSERT_EQ(selector.content.size(), 1u);
    EXPECT_EQ(selector.content[0]->name, "OPT");
    EXPECT_EQ(selector.content[0]->dct.size(), 4u);
    EXPECT_EQ(GetINIValue("OPT", "Debug", -1, &selector), 0);
    EXPECT_EQ(GetINIValue("OPT", "Suwnd", -1, &selector), 1);
    EXPECT_EQ(GetINIValue("OPT", "GoWithNoDev", -1, &selector), 0);
    EXPECT_EQ(GetINIValue("OPT", "Model", -1, &selector), 1);
    for (const ShippedModel& m : kModels)
        EXPECT_TRUE(std::filesystem::is_regular_file(modelPath(m.model))) << modelPath(m.model);
}

class ShippedModelFile : public ::testing::TestWithParam<ShippedModel> {
protected:
    void SetUp() override {
        path_ = modelPath(GetParam().model);
        ASSERT_FALSE(path_.empty());
        // As start-up does: gVar starts zeroed; the key table is cleared too so
        // nothing of the previous model survives.
        std::memset(&gVar, 0, sizeof gVar);
        std::memset(g_defKEY, 0, sizeof g_defKEY);
        {
            LogCapture log;
            loaded_ = InitGlobalVariable(path_.c_str());
            sysLines_ = log.sysLines();
        }
        ASSERT_TRUE(loaded_) << path_;
    }

    std::string path_;
    bool loaded_ = false;
    RecordingAlertSink alerts_;
    std::vector<std::string> sysLines_;
};

TEST_P(ShippedModelFile, ReadsWithoutAlertsOrLogLines) {
    for (const auto& a : alerts_.alerts) ADD_FAILURE() << "alert: " << a.title << ": " << a.text;
    for (const auto& line : sysLines_) ADD_FAILURE() << "system log: " << line;
    EXPECT_STREQ(gVar.Title, GetParam().title);
    EXPECT_EQ(gVar.nKeyCount, KEY_COUNT);
    EXPECT_EQ(static_cast<int>(usedRows().size()), GetParam().rows);
    // The same choices on every model.
    EXPECT_EQ(gVar.ApplyNow, 1);
    EXPECT_EQ(gVar.ShowProfile, 1);
    EXPECT_EQ(gVar.KbType, 0);
    EXPECT_EQ(gVar.FrameDebug, 0);
}

TEST_P(ShippedModelFile, KeyRectanglesFormAPictureThatFitsTheWindow) {
    const std::vector<int> rows = usedRows();
    ASSERT_FALSE(rows.empty());
    uint32_t minLeft = UINT32_MAX, minTop = UINT32_MAX, maxRight = 0, maxBottom = 0;
    for (int i : rows) {
        const _RECT& r = g_defKEY[i].rcPos;
        SCOPED_TRACE(rowName(i));
        EXPECT_GE(r.right, r.left + kMinKeySide);
        EXPECT_GE(r.bottom, r.top + kMinKeySide);
        EXPECT_LE(r.right, kMaxPictureWidth);
        EXPECT_LE(r.bottom, kMaxPictureHeight);
        minLeft = std::min(minLeft, r.left);
        minTop = std::min(minTop, r.top);
        maxRight = std::max(maxRight, r.right);
        maxBottom = std::max(maxBottom, r.bottom);
    }
    for (size_t a = 0; a < rows.size(); ++a)
        for (size_t b = a + 1; b < rows.size(); ++b) {
            const _RECT& p = g_defKEY[rows[a]].rcPos;
            const _RECT& q = g_defKEY[rows[b]].rcPos;
            bool overlap = p.left < q.right && q.left < p.right && p.top < q.bottom && q.top < p.bottom;
            EXPECT_FALSE(overlap) << rowName(rows[a]) << " overlaps " << rowName(rows[b]);
        }
    // The picture is the keys' bounding box with the same margin all round.
    const uint32_t width = maxRight + minLeft, height = maxBottom + minTop;
    EXPECT_LE(width, kMaxPictureWidth);
    EXPECT_LE(height, kMaxPictureHeight);
    EXPECT_GE(gVar.rcKB.x, kKeyAreaLeft);
    EXPECT_LE(gVar.rcKB.x + width, kKeyAreaRight);
    EXPECT_GE(gVar.rcKB.y, kKeyAreaBottom);
    EXPECT_LE(gVar.rcKB.y + height, kKeyAreaTop);
    // Absent rows are wholly empty: a row with a rectangle but class 0 is a typo.
    for (int i = 0; i < KEY_COUNT; ++i) {
        if (g_defKEY[i].dwFunID != 0) continue;
        const _RECT& r = g_defKEY[i].rcPos;
        EXPECT_EQ(r.left | r.top | r.right | r.bottom | g_defKEY[i].dwMatrixIdx, 0u) << rowName(i);
    }
}

TEST_P(ShippedModelFile, MatrixPositionsAreUniqueAndInRange) {
    std::set<uint32_t> seen;
    for (int i : usedRows()) {
        uint32_t pos = g_defKEY[i].dwMatrixIdx;
        EXPECT_LT(pos, static_cast<uint32_t>(KEY_COUNT)) << rowName(i);
        EXPECT_TRUE(seen.insert(pos).second) << rowName(i) << " repeats matrix position " << pos;
    }
}

TEST_P(ShippedModelFile, EveryKeyHasAFunctionTheProgramKnows) {
    static const std::set<uint32_t> kMedia = {33, 34, 35, 36, 37, 38, 39, 40, 42, 43,
                                              48, 49, 50, 51, 52, 53, 54, 55, 56, 57};
    static const std::set<uint32_t> kSpecial = {162, 167, 171, 173, 174};
    std::set<std::pair<uint8_t, uint8_t>> keys;  // (ModifyKey, VkCode1) of class-2 rows
    std::set<uint32_t> deviceCodes, hwCodes;
    int fnKeys = 0;
    for (int i : usedRows()) {
        const _KEYINFO& k = g_defKEY[i];
        SCOPED_TRACE(rowName(i));
        const uint32_t cls = FUN_CLASS(k.dwFunID), code = FUN_CODE(k.dwFunID);
        switch (cls) {
            case FUN_KEY: {
                const uint8_t mod = k.stCombo.ModifyKey;
                if (mod != 0) {
                    EXPECT_EQ(mod & (mod - 1), 0) << "one modifier per key";
                    EXPECT_EQ(k.stCombo.VkCode1, VK_NONE);
                } else {
                    EXPECT_NE(k.stCombo.VkCode1, VK_NONE) << "key number does not convert";
                }
                EXPECT_EQ(k.stCombo.VkCode2, VK_NONE);
                EXPECT_TRUE(keys.insert({mod, k.stCombo.VkCode1}).second) << "the same key twice";
                if (IsFnKey(k)) ++fnKeys;
                break;
            }
            case FUN_MEDIA:
            case FUN_MEDIA2: EXPECT_TRUE(kMedia.count(code)) << "media code " << code; break;
            case FUN_SPECIAL: EXPECT_TRUE(kSpecial.count(code)) << "special code " << code; break;
            case FUN_DEVICE:
                EXPECT_TRUE(deviceCodes.insert(code).second) << "device function " << code << " twice";
                EXPECT_NE(k.dwHwCode, 0u);
                EXPECT_TRUE(hwCodes.insert(k.dwHwCode).second) << "device code repeated";
                break;
            default: ADD_FAILURE() << "class " << cls; break;
        }
    }
    EXPECT_EQ(fnKeys, 1);
    // Device functions are numbered 0..n-1 so their texts are tc_hw1..tc_hwn.
    EXPECT_EQ(static_cast<int>(deviceCodes.size()), GetParam().deviceKeys);
    if (!deviceCodes.empty()) {
        EXPECT_EQ(*deviceCodes.rbegin() + 1, deviceCodes.size());
    }
}

TEST_P(ShippedModelFile, KnobRowIsAKeyOfTheBoard) {
    EXPECT_EQ(gVar.ShowKnod, 1);
    ASSERT_GE(gVar.SrIndex, 0);
    ASSERT_LT(gVar.SrIndex, KEY_COUNT);
    const _KEYINFO& knob = g_defKEY[gVar.SrIndex];
    EXPECT_NE(knob.dwFunID, 0u) << "SrIndex names an absent row";
    EXPECT_EQ(knob.dwFunID, MAKE_FUNID(FUN_MEDIA, 40)) << "knob press is mute";
}

TEST_P(ShippedModelFile, GameModeGroupsUseKeysOnTheBoard) {
    ASSERT_EQ(gVar.GaoshouGroupNum, GetParam().groups);
    for (int g = 0; g < GAOSHOU_GROUP_MAX; ++g) {
        const uint8_t* group = gVar.GaoshouKey[g];
        if (g >= gVar.GaoshouGroupNum) {
            for (int j = 0; j < KEY_COUNT; ++j) EXPECT_EQ(group[j], VK_NONE) << "group " << g + 1 << " is unused";
            continue;
        }
        EXPECT_NE(group[0], VK_NONE) << "group " << g + 1 << " is empty";
        std::set<uint8_t> seen;
        for (int j = 0; j < KEY_COUNT && group[j] != VK_NONE; ++j) {
            EXPECT_TRUE(onBoard(group[j])) << "group " << g + 1 << " key " << int(group[j]);
            EXPECT_TRUE(seen.insert(group[j]).second) << "group " << g + 1 << " repeats " << int(group[j]);
        }
    }
    EXPECT_NE(gVar.clrGaoshou, 0u);
}

TEST_P(ShippedModelFile, LightingDefaultsAreModesThePanelLists) {
    int listed = 0;
    for (int n = 0; n < kModeCount; ++n) listed += modeListed(n);
    // Modes are hidden from the top, so every listed mode is below the count
    // of listed modes and the panel can show any of them.
    for (int n = 0; n < listed; ++n) EXPECT_TRUE(modeListed(n)) << "mode " << n << " hidden below a listed one";
    EXPECT_GE(listed, 10);

    EXPECT_TRUE(modeListed(gVar.GaoshouIndex)) << int(gVar.GaoshouIndex);
    EXPECT_TRUE(modeListed(gVar.LEDParam[0])) << int(gVar.LEDParam[0]);
    EXPECT_NE(gVar.LEDParam[0], gVar.GaoshouIndex) << "the factory lighting is not the game mode";
    EXPECT_LT(gVar.LightVal.x, gVar.LightVal.y);
    EXPECT_GE(gVar.LEDParam[1], gVar.LightVal.x);
    EXPECT_LE(gVar.LEDParam[1], gVar.LightVal.y);
    // The keyboard takes 6 - speed: only 1..5 makes sense.
    EXPECT_EQ(gVar.SpeedVal.x, 1u);
    EXPECT_EQ(gVar.SpeedVal.y, 5u);
    EXPECT_GE(gVar.LEDParam[2], gVar.SpeedVal.x);
    EXPECT_LE(gVar.LEDParam[2], gVar.SpeedVal.y);
    // A reset sets every other mode to brightness 5.
    EXPECT_GE(gVar.LightVal.y, 5u);

    for (int n = 0; n < listed; ++n) {
        const _LED_OPT& opt = gVar.LedOpt[n];
        SCOPED_TRACE("mode " + std::to_string(n));
        EXPECT_NE(opt.nHwMode, 0);
        EXPECT_NE(opt.bLight, 0);
        ASSERT_GE(opt.nColorNum, 0);
        ASSERT_LE(opt.nColorNum, LED_PRESET_COUNT);
        for (int c = 0; c < opt.nColorNum; ++c) EXPECT_NE(opt.clrPreset[c], 0u) << "preset " << c;
    }
}

TEST_P(ShippedModelFile, ThemeAndLanguages) {
    static const std::pair<const char*, const char*> kLangs[] = {
        {"English", "en"},   {"简体中文", "sc"},      {"繁體中文", "tw"},    {"日本語", "Japanese"},
        {"한국어", "Korean"}, {"Deutsch", "German"}, {"Français", "French"}, {"Italiano", "Italian"},
        {"Русский", "Russian"},
    };
    for (size_t i = 0; i < std::size(kLangs); ++i) {
        EXPECT_STREQ(gVar.Lang[i].szName, kLangs[i].first) << "Lang" << i + 1;
        EXPECT_STREQ(gVar.Lang[i].szDir, kLangs[i].second) << "Lang" << i + 1;
    }
    EXPECT_EQ(gVar.Lang[std::size(kLangs)].szName[0], '\0');
    // Marks on the key map must stand apart from each other; text from its background.
    EXPECT_NE(gVar.ClrKeyHasFunc, gVar.ClrKeyOv);
    EXPECT_NE(gVar.Txt_clr, gVar.LstBox_bkg_clr);
    EXPECT_NE(gVar.LstBox_item_clr, gVar.LstBox_bkg_clr);
}

// Lint of the raw text: what the readers would drop or cut without a word.
class ShippedModelText : public ShippedModelFile {
protected:
    void SetUp() override {
        ShippedModelFile::SetUp();
        ASSERT_TRUE(raw_.initIni(path_));
    }
    std::string opt(const std::string& key) const { return raw_.getStringValue("OPT", key).value_or(""); }
    INIFiler raw_;
};

TEST_P(ShippedModelText, KeyRowsAreWellFormed) {
    ASSERT_EQ(raw_.content.size(), 2u);
    EXPECT_EQ(raw_.content[0]->name, "OPT");
    ASSERT_EQ(raw_.content[1]->name, "KEY");
    static constexpr int kBase[9] = {10, 10, 10, 10, 16, 16, 16, 10, 10};
    int rows = 0;
    for (const auto& [key, value] : raw_.content[1]->dct) {
        SCOPED_TRACE(key + "=" + value);
        unsigned long n = 0;
        ASSERT_TRUE(key.size() > 1 && key[0] == 'K' && isNumber(key.substr(1), 10, &n)) << "not a key row";
        EXPECT_GE(n, 1u);
        EXPECT_LE(n, static_cast<unsigned long>(KEY_COUNT));
        EXPECT_LE(key.size() + 1 + value.size(), 49u) << "longer than a key row can be";
        const std::vector<std::string> pieces = split(value, ',');
        EXPECT_TRUE(pieces.size() == 8 || pieces.size() == 9) << pieces.size() << " values";
        for (size_t i = 0; i < pieces.size() && i < 9; ++i)
            EXPECT_TRUE(isNumber(pieces[i], kBase[i])) << "value " << i + 1 << " '" << pieces[i] << "'";
        ++rows;
    }
    EXPECT_EQ(rows, GetParam().rows);
}

TEST_P(ShippedModelText, OptionLinesAreKnownAndWhole) {
    std::set<std::string> known = {
        "Title", "BtnTips", "ApplyNow", "TrayIcon", "FrameDebug", "ExitOnPlugOut", "ComboRec", "KbType",
        "MenuW", "LedMask", "GaoshouIndex", "GaoshouGroupNum", "clrGaoshou", "SrIndex", "ShowKnod",
        "ShowProfile", "SpeedVal", "LightVal", "rcKB", "ptMsMarkDlg", "ptMinBtn", "ptDpiDlg", "ptResetBtn",
        "ptViewBtn", "ptNavi", "rcLED", "KbFw", "Txt_clr", "Btn_txt_clr_nr", "Btn_txt_clr_ov",
        "Btn_txt_clr_dn", "LstBox_txt_clr_nr", "LstBox_txt_clr_dn", "LstBox_bkg_clr", "LstBox_item_clr",
        "ClrKeyHasFunc", "ClrKeyOv", "MinDelay", "MacroDir", "MacroHasMsKey", "ListTrans", "MacOperBtn",
        "Macro_Opt_X", "ShowMovingItem", "InputMethod", "AutoSaveMacro", "MacProtocol", "rcMacroList",
        "rcKeyList", "LEDParam"};
    for (int n = 1; n <= 10; ++n) known.insert("GaoshouKey" + std::to_string(n));
    for (int n = 1; n <= 10; ++n) known.insert("Lang" + std::to_string(n));
    for (int n = 1; n <= LED_OPT_COUNT; ++n) known.insert("LedOpt" + std::to_string(n));
    for (const auto& [key, value] : raw_.content[0]->dct) {
        SCOPED_TRACE(key + "=" + value);
        EXPECT_TRUE(known.count(key)) << "unknown key";
        const bool colour = key.find("clr") != std::string::npos || key.find("Clr") != std::string::npos;
        const bool point = key == "rcKB" || key == "LightVal" || key == "SpeedVal";
        if (colour || point) {
            const std::vector<std::string> pieces = split(value, ',');
            EXPECT_EQ(pieces.size(), colour ? 3u : 2u);
            for (const std::string& p : pieces) {
                unsigned long v = 0;
                EXPECT_TRUE(isNumber(p, 10, &v)) << "'" << p << "'";
                if (colour) {
                    EXPECT_LE(v, 255u);
                }
            }
        }
    }
}

TEST_P(ShippedModelText, ListsAreReadWhole) {
    // A bad piece ends a list early; count the pieces against what was read.
    for (int g = 0; g < GAOSHOU_GROUP_MAX; ++g) {
        const std::string value = opt("GaoshouKey" + std::to_string(g + 1));
        if (value.empty()) continue;
        SCOPED_TRACE("GaoshouKey" + std::to_string(g + 1));
        const std::vector<std::string> pieces = split(value, ',');
        for (const std::string& p : pieces) EXPECT_TRUE(isNumber(p, 16)) << "'" << p << "'";
        int read = 0;
        while (read < KEY_COUNT && gVar.GaoshouKey[g][read] != VK_NONE) ++read;
        EXPECT_EQ(read, static_cast<int>(pieces.size()));
    }
    for (const std::string& p : split(opt("LEDParam"), ',')) EXPECT_TRUE(isNumber(p, 16)) << "LEDParam '" << p << "'";
    for (int n = 1; n <= LED_OPT_COUNT; ++n) {
        const std::string value = opt("LedOpt" + std::to_string(n));
        if (value.empty()) continue;
        SCOPED_TRACE("LedOpt" + std::to_string(n) + "=" + value);
        const std::vector<std::string> pieces = split(value, ',');
        for (const std::string& p : pieces) {
            unsigned long v = 0;
            EXPECT_TRUE(isNumber(p, 10, &v) && v <= 255) << "'" << p << "'";
        }
        // Seven numbers and one colour triple per preset.
        EXPECT_EQ(pieces.size(), 7u + 3u * static_cast<size_t>(gVar.LedOpt[n - 1].nColorNum));
    }
    for (int n = 1; n <= LANG_COUNT; ++n) {
        const std::string value = opt("Lang" + std::to_string(n));
        EXPECT_LE(("Lang" + std::to_string(n) + "=" + value).size(), 49u);
        if (!value.empty()) {
            EXPECT_EQ(split(value, ',').size(), 2u) << value;
        }
    }
}

std::string modelName(const ::testing::TestParamInfo<ShippedModel>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(Shipped, ShippedModelFile, ::testing::ValuesIn(kModels), modelName);
INSTANTIATE_TEST_SUITE_P(Shipped, ShippedModelText, ::testing::ValuesIn(kModels), modelName);

}  // namespace
}  // namespace keyloom
