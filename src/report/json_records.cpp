#include "report/json_records.h"

#include <cstring>
#include <iostream>

#include "keys/basic.h"
#include "macro/keyinfo_text.h"

namespace keyloom::report {

std::string bounded_text(const char* field, size_t size) { return std::string(field, strnlen(field, size)); }

Json to_json(const _RECT& rc) {
    return Json{{"left", rc.left}, {"top", rc.top}, {"right", rc.right}, {"bottom", rc.bottom}};
}

Json to_json(const _POINT& pt) { return Json{{"x", pt.x}, {"y", pt.y}}; }

Json to_json(const ST_COMBO& c) {
    return Json{{"ModifyKey", c.ModifyKey}, {"VkCode1", c.VkCode1}, {"VkCode2", c.VkCode2}, {"unused", c.unused}};
}

static Json to_json(const _FNINFO& f) {
    return Json{{"dwFunID", f.dwFunID},     {"rcPos", to_json(f.rcPos)},     {"nMatrixIdx", f.nMatrixIdx},
                {"dwMacroID", f.dwMacroID}, {"stCombo", to_json(f.stCombo)}, {"dwHwCode", f.dwHwCode}};
}

Json to_json(const _KEYINFO& k) {
    return Json{{"dwFunID", k.dwFunID},
                {"rcPos", to_json(k.rcPos)},
                {"dwMatrixIdx", k.dwMatrixIdx},
                {"dwMacroID", k.dwMacroID},
                {"stCombo", to_json(k.stCombo)},
                {"dwHwCode", k.dwHwCode},
                {"nReserved1", k.nReserved1},
                {"stFnInfo", to_json(k.stFnInfo)},
                {"dwCfgExtra", k.dwCfgExtra},
                {"nReserved2", k.nReserved2},
                {"nReserved3", k.nReserved3}};
}

Json to_json(const _LED_OPT& o) {
    Json presets = Json::array();
    for (uint32_t c : o.clrPreset) presets.push_back(c);
    return Json{{"nOpt0", o.nOpt0}, {"nHwMode", o.nHwMode}, {"bSpeed", o.bSpeed},
                {"bLight", o.bLight}, {"nOpt4", o.nOpt4},     {"nOpt5", o.nOpt5},
                {"nColorNum", o.nColorNum}, {"clrPreset", presets}};
}

Json to_json(const _HW_PARAM& hw) {
    return Json{{"nHwVersion", hw.nHwVersion}, {"nMacroBufferSize", hw.nMacroBufferSize},
                {"nHwReserved", hw.nHwReserved}, {"nMaxRepeat", hw.nMaxRepeat},
                {"nMaxDelay", hw.nMaxDelay},   {"nMaxMacroItems", hw.nMaxMacroItems}};
}

// A game-mode group lists host key codes; the 255 padding after the last key is left out.
static Json group_to_json(const uint8_t* keys) {
    int end = KEY_COUNT;
    while (end > 0 && keys[end - 1] == VK_NONE) --end;
    Json list = Json::array();
    for (int i = 0; i < end; ++i) list.push_back(keys[i]);
    return list;
}

Json gvar_to_json(const _GVAR& g) {
    Json j;
    j["Txt_clr"] = g.Txt_clr;
    j["Btn_txt_clr_nr"] = g.Btn_txt_clr_nr;
    j["Btn_txt_clr_ov"] = g.Btn_txt_clr_ov;
    j["Btn_txt_clr_dn"] = g.Btn_txt_clr_dn;
    j["LstBox_bkg_clr"] = g.LstBox_bkg_clr;
    j["LstBox_item_clr"] = g.LstBox_item_clr;
    j["LstBox_txt_clr_nr"] = g.LstBox_txt_clr_nr;
    j["LstBox_txt_clr_dn"] = g.LstBox_txt_clr_dn;
    j["Title"] = bounded_text(g.Title, sizeof g.Title);
    j["BtnTips"] = g.BtnTips;
    j["Model"] = g.Model;
    j["KbFw"] = g.KbFw;
    j["GoWithNoDev"] = g.GoWithNoDev;
    j["Suwnd"] = g.Suwnd;
    j["ApplyNow"] = g.ApplyNow;
    j["FrameDebug"] = g.FrameDebug;
    j["ExitOnPlugOut"] = g.ExitOnPlugOut;
    j["TrayIcon"] = g.TrayIcon;
    j["ComboRec"] = g.ComboRec;
    j["KbType"] = g.KbType;
    j["InputMethod"] = g.InputMethod;
    j["nKeyCount"] = g.nKeyCount;
    j["nLedModeCount"] = g.nLedModeCount;
    j["LedMask"] = g.LedMask;
    j["ClrKeyOv"] = g.ClrKeyOv;
    j["ClrKeyHasFunc"] = g.ClrKeyHasFunc;
    j["SrIndex"] = g.SrIndex;
    j["ShowKnod"] = g.ShowKnod;
    j["ShowProfile"] = g.ShowProfile;
    j["Macro_Opt_X"] = g.Macro_Opt_X;
    j["MacOperBtn"] = g.MacOperBtn;
    j["ListTrans"] = g.ListTrans;
    j["MacroDir"] = g.MacroDir;
    j["MinDelay"] = g.MinDelay;
    j["MacroHasMsKey"] = g.MacroHasMsKey;
    j["rcMacroList"] = to_json(g.rcMacroList);
    j["rcKeyList"] = to_json(g.rcKeyList);
    j["MacProtocol"] = g.MacProtocol;
    j["AutoSaveMacro"] = g.AutoSaveMacro;
    j["ShowMovingItem"] = g.ShowMovingItem;
    j["rcKB"] = to_json(g.rcKB);
    j["rcLED"] = to_json(g.rcLED);
    j["ptViewBtn2"] = to_json(g.ptViewBtn2);
    j["ptMsMarkDlg"] = to_json(g.ptMsMarkDlg);
    j["ptMinBtn"] = to_json(g.ptMinBtn);
    j["ptDpiDlg"] = to_json(g.ptDpiDlg);
    j["ptViewBtn"] = to_json(g.ptViewBtn);
    j["ptNavi"] = to_json(g.ptNavi);
    j["ptResetBtn"] = to_json(g.ptResetBtn);
    j["MenuW"] = g.MenuW;
    j["LightVal"] = to_json(g.LightVal);
    j["SpeedVal"] = to_json(g.SpeedVal);

    Json ledParam = Json::array();
    for (uint8_t b : g.LEDParam) ledParam.push_back(b);
    j["LEDParam"] = ledParam;

    Json ledOpt = Json::array();
    for (const _LED_OPT& o : g.LedOpt) ledOpt.push_back(to_json(o));
    j["LedOpt"] = ledOpt;

    j["GaoshouIndex"] = g.GaoshouIndex;
    Json groups = Json::array();
    for (const auto& group : g.GaoshouKey) groups.push_back(group_to_json(group));
    j["GaoshouKey"] = groups;
    j["clrGaoshou"] = g.clrGaoshou;
    j["GaoshouGroupNum"] = g.GaoshouGroupNum;

    Json langs = Json::array();
    for (const _LANG_ITEM& l : g.Lang) {
        if (l.szName[0] == '\0') break;
        langs.push_back(Json{{"szName", bounded_text(l.szName, sizeof l.szName)},
                             {"szDir", bounded_text(l.szDir, sizeof l.szDir)}});
    }
    j["Lang"] = langs;
    return j;
}

std::string json_text(const Json& j) { return j.dump(2, ' ', false, Json::error_handler_t::replace); }

void print_json(const Json& j) { std::cout << json_text(j) << '\n'; }

Json profile_to_json(const _ST_PROFILE& p, bool current) {
    Json ids = Json::array();
    for (uint32_t id : p.dwKeyProID) ids.push_back(id);
    return Json{{"dwID", p.dwID},         {"szName", bounded_text(p.szName, sizeof p.szName)},
                {"nLayer", p.nLayer},     {"dwKeyProID", ids},
                {"nKnodSet", p.nKnodSet}, {"nMode", p.stAdv.nMode},
                {"current", current}};
}

Json keypro_to_json(const _ST_KEYPRO& set) {
    Json keys = Json::array();
    for (int i = 0; i < KEY_COUNT; ++i) {
        const _KEYINFO& k = set.stKey[i];
        if (k.dwFunID == 0) continue;
        std::optional<std::string> text = keyinfo_to_string(k);
        keys.push_back(Json{{"slot", i},
                            {"dwFunID", k.dwFunID},
                            {"dwMacroID", k.dwMacroID},
                            {"stCombo", to_json(k.stCombo)},
                            {"text", text ? Json(*text) : Json(nullptr)}});
    }
    return Json{{"dwID", set.dwID},
                {"nLayer", set.nLayer},
                {"szName", bounded_text(set.szName, sizeof set.szName)},
                {"keys", keys}};
}

Json macro_summary_json(const _ST_MACRO& m) {
    return Json{{"dwID", m.dwID},
                {"szName", bounded_text(m.szName, sizeof m.szName)},
                {"events", get_macro_event_count(m)}};
}

}  // namespace keyloom::report
