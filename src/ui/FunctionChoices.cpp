#include "ui/FunctionChoices.h"

#include <QString>

#include "config/language.h"
#include "widgets/ComboBtn.h"
#include "widgets/TextDraw.h"

namespace keyloom {

namespace {

constexpr FunctionChoice kPicker[] = {
    {"tc_kbmedia_msel", 0x04000021}, {"tc_PL", 0x04000022},      {"tc_next_media", 0x04000025},
    {"tc_pre_media", 0x04000024},    {"tc_stop", 0x04000023},    {"tc_mute", 0x04000028},
    {"tc_vol_up", 0x04000026},       {"tc_vol_dw", 0x04000027},  {"tc_office1", 0x07000044},
    {"tc_office2", 0x07000041},      {"tc_office3", 0x07000042}, {"tc_office4", 0x07000040},
    {"tc_office5", 0x0700004B},
};

constexpr FunctionChoice kKnob[] = {
    {"tc_kbmedia_msel", 0x04000021}, {"tc_PL", 0x04000022},           {"tc_next_media", 0x04000025},
    {"tc_pre_media", 0x04000024},    {"tc_stop", 0x04000023},         {"tc_mute", 0x04000028},
    {"tc_vol_up", 0x04000026},       {"tc_vol_dw", 0x04000027},       {"tc_kbmedia_mail", 0x04000030},
    {"tc_kbmedia_cal", 0x04000031},  {"tc_kbmedia_main", 0x04000034}, {"tc_office1", 0x07000044},
    {"tc_office2", 0x07000041},      {"tc_office3", 0x07000042},      {"tc_office4", 0x07000040},
    {"tc_office5", 0x0700004B},      {"tc_scrollup", 0x01000018},     {"tc_scrolldown", 0x01000019},
    {"tc_adv_str5", 0x0400002A},     {"tc_adv_str6", 0x0400002B},
};

QString choiceText(const FunctionChoice& choice) {
    return uiText(choice.textKey);
}

}  // namespace

std::span<const FunctionChoice> pickerFunctions() {
    return kPicker;
}

std::span<const FunctionChoice> knobFunctions() {
    return kKnob;
}

void fillFunctionList(ComboBtn* list, std::span<const FunctionChoice> choices) {
    for (const FunctionChoice& choice : choices) list->AddString(choiceText(choice), int(choice.funId));
}

void refreshFunctionList(ComboBtn* list, std::span<const FunctionChoice> choices) {
    for (const FunctionChoice& choice : choices) list->UpdateStringForItemData(int(choice.funId), choiceText(choice));
    if (list->GetCurSel() >= 0) list->SetCurSel(list->GetCurSel());  // the caption takes the new text too
}

}  // namespace keyloom
