// The device configuration: the selector file picks a model file, which fills
// gVar (layout, colours, lighting modes, game-mode groups, languages) and the
// default key table g_defKEY. Both are filled once at start and then only read.
#pragma once
#include <cstdint>

#include "base/geometry.h"
#include "model/keyinfo.h"
#include "model/st_keypro.h"  // g_defKEY, which the configuration fills

namespace keyloom {

class INIFiler;

constexpr int LED_OPT_COUNT = 25;
constexpr int LED_PRESET_COUNT = 7;
constexpr int LANG_COUNT = 10;
constexpr int LANG_TEXT_SIZE = 30;
constexpr int GAOSHOU_GROUP_MAX = 10;
constexpr int LED_PARAM_COUNT = 50;
constexpr int GVAR_TITLE_SIZE = 100;

// One lighting mode the keyboard offers.
struct _LED_OPT {
    int32_t nOpt0;
    int32_t nHwMode;
    int32_t bSpeed;
    int32_t bLight;
    int32_t nOpt4;
    int32_t nOpt5;
    int32_t nColorNum;
    uint32_t clrPreset[LED_PRESET_COUNT];
};

// One entry of the language chooser; an empty szName ends the list.
struct _LANG_ITEM {
    char szName[LANG_TEXT_SIZE];
    char szDir[LANG_TEXT_SIZE];
};

// Fields in the order the model file documents them; colours are 0x00BBGGRR.
struct _GVAR {
    uint32_t Txt_clr;
    uint32_t Btn_txt_clr_nr;
    uint32_t Btn_txt_clr_ov;
    uint32_t Btn_txt_clr_dn;
    uint32_t LstBox_bkg_clr;
    uint32_t LstBox_item_clr;
    uint32_t LstBox_txt_clr_nr;
    uint32_t LstBox_txt_clr_dn;
    char Title[GVAR_TITLE_SIZE];
    int32_t BtnTips;
    int32_t Model;
    int32_t KbFw;
    int32_t GoWithNoDev;
    int32_t Suwnd;
    int32_t ApplyNow;
    int32_t FrameDebug;
    int32_t ExitOnPlugOut;
    int32_t TrayIcon;
    int32_t ComboRec;
    int32_t KbType;
    int32_t InputMethod;
    int32_t nKeyCount;
    int32_t nLedModeCount;
    int32_t LedMask;
    uint32_t ClrKeyOv;
    uint32_t ClrKeyHasFunc;
    int32_t SrIndex;
    int32_t ShowKnod;
    int32_t ShowProfile;
    int32_t Macro_Opt_X;
    int32_t MacOperBtn;
    int32_t ListTrans;  // holds a 16-bit value
    int32_t MacroDir;
    int32_t MinDelay;
    int32_t MacroHasMsKey;
    _RECT rcMacroList;
    _RECT rcKeyList;
    int32_t MacProtocol;
    int32_t AutoSaveMacro;
    int32_t ShowMovingItem;
    _POINT rcKB;
    _RECT rcLED;
    _POINT ptViewBtn2;
    _POINT ptMsMarkDlg;
    _POINT ptMinBtn;
    _POINT ptDpiDlg;
    _POINT ptViewBtn;
    _POINT ptNavi;
    _POINT ptResetBtn;
    int32_t MenuW;
    _POINT LightVal;
    _POINT SpeedVal;
    uint8_t LEDParam[LED_PARAM_COUNT];
    _LED_OPT LedOpt[LED_OPT_COUNT];
    uint8_t GaoshouIndex;
    uint8_t GaoshouKey[GAOSHOU_GROUP_MAX][KEY_COUNT];
    uint32_t clrGaoshou;
    uint8_t GaoshouGroupNum;
    _LANG_ITEM Lang[LANG_COUNT];
};

extern _GVAR gVar;

// Reads the selector file and the model file it names into gVar and g_defKEY.
void InitGvar();
// Reads one model file; false when it cannot be read.
bool InitGlobalVariable(const char* path);
// Reads rows "K1".."K126" of a section into dst; returns the number of rows (126).
int ReadKeyCfg(const INIFiler* file, const char* section, _KEYINFO* dst);
void set_led_opt(int index, const int32_t values[7], const uint32_t* colors);

// Whether a lighting mode number is the per-key game mode of this model.
bool IsLedGameMode(int mode);

// The model file and key picture of a model number, relative to the work
// directory; nullptr for a model we do not know.
const char* get_model_cfg_path(int model);
const char* get_model_keyimg_path(int model);

}  // namespace keyloom
