#include "config/gvar.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/INIFiler.h"
#include "base/debug.h"
#include "base/fileio.h"
#include "base/paths.h"
#include "keys/vk.h"

namespace keyloom {

_GVAR gVar{};

namespace {

constexpr const char* kOpt = "OPT";

struct ModelFiles {
    const char* cfg;
    const char* keyimg;
};

constexpr ModelFiles kModels[] = {
    {"Dev/Vela/Designer/cfg.txt", "Dev/Vela/Designer/keyimg.png"},
    {"Dev/Vela/Wired/cfg.txt", "Dev/Vela/Wired/keyimg.png"},
    {"Dev/Vela/TriMode/cfg.txt", "Dev/Vela/TriMode/keyimg.png"},
    {"Dev/Orin/Designer/cfg.txt", "Dev/Orin/Designer/keyimg.png"},
    {"Dev/Orin/Wired/cfg.txt", "Dev/Orin/Wired/keyimg.png"},
    {"Dev/Orin/TriMode/cfg.txt", "Dev/Orin/TriMode/keyimg.png"},
};

// Points `ini` at a parsed file for as long as the model file is being read.
class ScopedIni {
public:
    explicit ScopedIni(const INIFiler* file) { ini = file; }
    ~ScopedIni() { ini = nullptr; }
    ScopedIni(const ScopedIni&) = delete;
    ScopedIni& operator=(const ScopedIni&) = delete;
};

int32_t readInt(const char* key, int32_t defval) { return GetPrivateProfileInt(kOpt, key, defval, nullptr); }

uint32_t readColor(const char* key, uint32_t defval) { return GetIniColor(kOpt, key, nullptr, defval); }

void readPoint(_POINT& pt, uint32_t x, uint32_t y, const char* key) { GetPoint(&pt, x, y, kOpt, key, nullptr); }

void copyCut(char* dst, size_t dstSize, const std::string& src) {
    size_t n = std::min(src.size(), dstSize - 1);
    std::memcpy(dst, src.data(), n);
    dst[n] = '\0';
}

void readGameModeGroups() {
    std::memset(gVar.GaoshouKey, 0xFF, sizeof(gVar.GaoshouKey));
    char key[32];
    for (int g = 0; g < GAOSHOU_GROUP_MAX; ++g) {
        std::snprintf(key, sizeof key, "GaoshouKey%d", g + 1);
        uint8_t* group = gVar.GaoshouKey[g];
        int count = GetArray(kOpt, key, nullptr, group, KEY_COUNT, 16);
        for (int j = 0; j < count; ++j) {
            uint8_t winVk = group[j];
            group[j] = static_cast<uint8_t>(Win2Mac(winVk));
            if (group[j] == VK_NONE) SysLog("!!!! gVar.GaoshouKey[%d][%d]=%x Wrong vk", g, j, winVk);
        }
    }
}

void readPoints() {
    readPoint(gVar.SpeedVal, 1, 5, "SpeedVal");
    readPoint(gVar.LightVal, 0, 15, "LightVal");
    readPoint(gVar.rcKB, 270, 260, "rcKB");
    readPoint(gVar.ptMsMarkDlg, 33, 49, "ptMsMarkDlg");
    readPoint(gVar.ptMinBtn, 960, 12, "ptMinBtn");
    readPoint(gVar.ptDpiDlg, 743, 41, "ptDpiDlg");
    readPoint(gVar.ptResetBtn, 795, 600, "ptResetBtn");
    readPoint(gVar.ptViewBtn, 0, 0, "ptViewBtn");
    readPoint(gVar.ptNavi, 554, 22, "ptNavi");
    readPoint(gVar.ptViewBtn2, 0, 0, "ptViewBtn");
}

void readColors() {
    gVar.Txt_clr = readColor("Txt_clr", 0xC8C8C8);
    gVar.Btn_txt_clr_nr = readColor("Btn_txt_clr_nr", 0xC8C8C8);
    gVar.Btn_txt_clr_ov = readColor("Btn_txt_clr_ov", 0xFFFFFF);
    gVar.Btn_txt_clr_dn = readColor("Btn_txt_clr_dn", 0xC8C8C8);
    gVar.LstBox_txt_clr_nr = readColor("LstBox_txt_clr_nr", 0xC8C8C8);
    gVar.LstBox_txt_clr_dn = readColor("LstBox_txt_clr_dn", 0);
    gVar.LstBox_bkg_clr = readColor("LstBox_bkg_clr", 0x282828);
    gVar.LstBox_item_clr = readColor("LstBox_item_clr", 0xB4B4B4);
    gVar.ClrKeyHasFunc = readColor("ClrKeyHasFunc", 0x0000FF);
    gVar.ClrKeyOv = readColor("ClrKeyOv", 0xFFFFFF);
}

void readMacroOptions() {
    gVar.MinDelay = readInt("MinDelay", 10);
    gVar.MacroDir = readInt("MacroDir", 0);
    gVar.MacroHasMsKey = readInt("MacroHasMsKey", 0);
    gVar.ListTrans = readInt("ListTrans", 0) & 0xFFFF;
    gVar.MacOperBtn = readInt("MacOperBtn", 0);
    // Its default derives from rcKeyList, which is not read yet and still zero.
    gVar.Macro_Opt_X = readInt("Macro_Opt_X", static_cast<int32_t>(gVar.rcKeyList.left) + 50);
    gVar.ShowMovingItem = readInt("ShowMovingItem", 0);
    gVar.InputMethod = readInt("InputMethod", 0);
    gVar.AutoSaveMacro = readInt("AutoSaveMacro", 1);
    gVar.MacProtocol = readInt("MacProtocol", 0);

    if (!GetRect(&gVar.rcMacroList, kOpt, "rcMacroList", nullptr)) gVar.rcMacroList = _RECT{40, 46, 230, 356};
    if (!GetRect(&gVar.rcKeyList, kOpt, "rcKeyList", nullptr)) {
        const _RECT& m = gVar.rcMacroList;
        gVar.rcKeyList = _RECT{m.right + 20, m.top, m.right + 210, m.bottom};
    }
}

void readLanguages() {
    char key[32];
    char value[50];
    for (int n = 0; n < LANG_COUNT; ++n) {
        std::snprintf(key, sizeof key, "Lang%d", n + 1);
        GetPrivateProfileString(kOpt, key, "", value, sizeof value, nullptr);
        std::string text(value);
        size_t comma = text.find(',');
        copyCut(gVar.Lang[n].szName, LANG_TEXT_SIZE, text.substr(0, comma));
        std::string dir;
        if (comma != std::string::npos) {
            size_t next = text.find(',', comma + 1);
            dir = text.substr(comma + 1, next == std::string::npos ? std::string::npos : next - comma - 1);
        }
        copyCut(gVar.Lang[n].szDir, LANG_TEXT_SIZE, dir);
    }
}

void readLightingModes() {
    for (int e = 0; e <= 20; ++e) {
        _LED_OPT& opt = gVar.LedOpt[e];
        opt = _LED_OPT{};
        opt.nHwMode = e + 1;
        opt.bSpeed = e >= 2 ? 1 : 0;
        opt.bLight = 1;
    }
    char key[32];
    char value[260];
    for (int n = 0; n < LED_OPT_COUNT; ++n) {
        std::snprintf(key, sizeof key, "LedOpt%d", n + 1);
        GetPrivateProfileString(kOpt, key, "", value, sizeof value, nullptr);
        if (value[0] == '\0') continue;
        uint8_t b[40] = {};
        int count = ParseStringToArray(value, ",", b, 40, 10);
        const int32_t numbers[7] = {b[0], b[1], b[2], b[3], b[4], b[5], b[6]};
        set_led_opt(n, numbers, nullptr);
        if (count > 7) {
            for (int i = 0; i < LED_PRESET_COUNT; ++i)
                gVar.LedOpt[n].clrPreset[i] = b[7 + 3 * i] | b[8 + 3 * i] << 8 | b[9 + 3 * i] << 16;
        }
    }
}

// One number of a key line: the whole piece must be a number in the given base.
bool parseKeyValue(const std::string& piece, int base, uint32_t& out) {
    size_t start = piece.find_first_not_of(" \t");
    size_t end = piece.find_last_not_of(" \t");
    if (start == std::string::npos) return false;
    std::string text = piece.substr(start, end - start + 1);
    if (text[0] == '-' || text[0] == '+') return false;
    char* stop = nullptr;
    errno = 0;
    unsigned long v = std::strtoul(text.c_str(), &stop, base);
    if (*stop != '\0' || errno == ERANGE) return false;
    out = static_cast<uint32_t>(v);
    return true;
}

// The nine values of a "K<n>" line: rectangle (decimal), class, code,
// modifier or device code (hex), matrix position and extra value (decimal).
void parseKeyLine(const std::string& line, uint32_t v[9]) {
    static constexpr int kBase[9] = {10, 10, 10, 10, 16, 16, 16, 10, 10};
    size_t pos = 0;
    for (int i = 0; i < 9 && pos <= line.size(); ++i) {
        size_t comma = line.find(',', pos);
        std::string piece = line.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
        if (!parseKeyValue(piece, kBase[i], v[i])) break;
        if (comma == std::string::npos) break;
        pos = comma + 1;
    }
}

uint8_t modifierBitForWinVk(uint32_t vk) {
    switch (vk) {
        case 16: case 160: return MOD_LSHIFT;
        case 17: case 162: return MOD_LCTRL;
        case 18: case 164: return MOD_LALT;
        case 91: return MOD_LGUI;
        case 161: return MOD_RSHIFT;
        case 163: return MOD_RCTRL;
        case 165: return MOD_RALT;
        default: return 0;
    }
}

void fillKeyRow(int row, const uint32_t v[9], _KEYINFO& key) {
    key = _KEYINFO{};
    key.rcPos = _RECT{v[0], v[1], v[2], v[3]};
    key.dwMatrixIdx = v[7];
    key.dwCfgExtra = v[8];
    key.stCombo.VkCode1 = VK_NONE;
    key.stCombo.VkCode2 = VK_NONE;
    const uint32_t type = v[4], code = v[5], extra = v[6];
    if (type != FUN_KEY) {
        key.dwFunID = MAKE_FUNID(type, code);
        if (type == FUN_DEVICE) key.dwHwCode = extra;
        return;
    }
    key.dwFunID = MAKE_FUNID(FUN_KEY, 0);
    if (uint8_t bit = modifierBitForWinVk(code)) {
        key.stCombo.ModifyKey = bit;
        return;
    }
    key.stCombo.ModifyKey = static_cast<uint8_t>(extra);
    key.stCombo.VkCode1 = static_cast<uint8_t>(Win2Mac(code));
    if (key.stCombo.VkCode1 == VK_NONE) SysLog("!!!! Win2Mac err for Key[%d], vk=0x%x", row, code);
}

}  // namespace

const char* get_model_cfg_path(int model) {
    return model >= 1 && model <= 6 ? kModels[model - 1].cfg : nullptr;
}

const char* get_model_keyimg_path(int model) {
    return model >= 1 && model <= 6 ? kModels[model - 1].keyimg : nullptr;
}

bool IsLedGameMode(int mode) { return mode == static_cast<int>(gVar.GaoshouIndex); }

void set_led_opt(int index, const int32_t values[7], const uint32_t* colors) {
    if (index < 0 || index >= LED_OPT_COUNT) return;
    _LED_OPT& opt = gVar.LedOpt[index];
    opt.nOpt0 = values[0];
    opt.nHwMode = values[1];
    opt.bSpeed = values[2];
    opt.bLight = values[3];
    opt.nOpt4 = values[4];
    opt.nOpt5 = values[5];
    opt.nColorNum = values[6];
    if (colors && values[6] > 0) std::memcpy(opt.clrPreset, colors, sizeof opt.clrPreset);
}

int ReadKeyCfg(const INIFiler* file, const char* section, _KEYINFO* dst) {
    gVar.nKeyCount = 0;
    char key[16];
    int missing = 0;
    for (int i = 0; i < KEY_COUNT; ++i) {
        std::snprintf(key, sizeof key, "K%d", i + 1);
        uint32_t v[9] = {};
        if (file) {
            if (auto line = file->getStringValue(section, key))
                parseKeyLine(line->substr(0, 49), v);
            else
                ++missing;
        }
        fillKeyRow(i, v, dst[i]);
        ++gVar.nKeyCount;
    }
    // Model files leave out the keys a board lacks, so only a table with no row at all is
    // a sign of a file cut short (or not a model file).
    if (file && missing == KEY_COUNT) SysLog("[%s] of the model file holds no key rows", section);
    return gVar.nKeyCount;
}

bool InitGlobalVariable(const char* path) {
    INIFiler file;
    FileError err;
    if (!path) return false;
    if (!file.initIni(path, &err)) {
        // Every default then stands in for the model: worth a line in the system log.
        SysLog("cannot read the model file %s: %s", path, err.text.c_str());
        return false;
    }
    ScopedIni scope(&file);

    GetPrivateProfileString(kOpt, "Title", "", gVar.Title, sizeof gVar.Title, path);
    gVar.BtnTips = readInt("BtnTips", 0);
    gVar.ApplyNow = readInt("ApplyNow", 0);
    gVar.TrayIcon = readInt("TrayIcon", 2);
    gVar.FrameDebug = readInt("FrameDebug", 0);
    gVar.ExitOnPlugOut = readInt("ExitOnPlugOut", 0);
    gVar.ComboRec = readInt("ComboRec", 1);
    gVar.KbType = readInt("KbType", 0);
    gVar.MenuW = readInt("MenuW", 0);
    gVar.LedMask = readInt("LedMask", 0);
    gVar.GaoshouIndex = static_cast<uint8_t>(readInt("GaoshouIndex", 1));
    gVar.GaoshouGroupNum = static_cast<uint8_t>(readInt("GaoshouGroupNum", 5));
    gVar.clrGaoshou = readColor("clrGaoshou", 0xFFFFFF);

    readGameModeGroups();

    gVar.SrIndex = readInt("SrIndex", 255);
    gVar.ShowKnod = readInt("ShowKnod", 0);
    gVar.ShowProfile = readInt("ShowProfile", 1);

    readPoints();
    if (!GetRect(&gVar.rcLED, kOpt, "rcLED", path)) gVar.rcLED = _RECT{};

    gVar.KbFw = readInt("KbFw", 0);
    readColors();
    readMacroOptions();
    GetArray(kOpt, "LEDParam", path, gVar.LEDParam, LED_PARAM_COUNT, 16);
    readLanguages();
    readLightingModes();

    std::memset(g_defKEY, 0, sizeof g_defKEY);
    ReadKeyCfg(&file, "KEY", g_defKEY);
    return true;
}

void InitGvar() {
    std::memset(&gVar, 0, sizeof gVar);
    std::memset(g_defKEY, 0, sizeof g_defKEY);

    INIFiler selector;
    if (!selector.initIni(get_work_dir() + "cfg.txt")) return;
    InitDebug(GetINIValue(kOpt, "Debug", 0, &selector));
    gVar.Suwnd = GetINIValue(kOpt, "Suwnd", 0, &selector);
    gVar.GoWithNoDev = GetINIValue(kOpt, "GoWithNoDev", 0, &selector);
    gVar.Model = GetINIValue(kOpt, "Model", 0, &selector);

    if (const char* model = get_model_cfg_path(gVar.Model))
        InitGlobalVariable((get_work_dir() + model).c_str());
    else
        SysLog("Model=%d in %scfg.txt names no model file", gVar.Model, get_work_dir().c_str());
}

}  // namespace keyloom
