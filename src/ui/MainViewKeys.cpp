// A key of the key map clicked: the function picker opens for it, and what
// it chose marks or paints the key and, when changes are written at once,
// reaches the keyboard.
#include "base/debug.h"
#include "config/gvar.h"
#include "config/language.h"
#include "device/apply.h"
#include "keys/basic.h"
#include "macro/keyinfo_text.h"
#include "model/st_keypro.h"
#include "model/stprofile.h"
#include "ui/LedView.h"
#include "ui/MainView.h"
#include "ui/PickFuncView.h"
#include "widgets/TextDraw.h"

namespace keyloom {

namespace {

constexpr uint32_t kSwatchBlack = 2;  // the picker's second swatch turns a key off

}  // namespace

void MainView::onKeySelect(int key) {
    LOG("onKeySelect index=%d", key);
    _ST_PROFILE* profile = get_current_profile();
    if (!profile || key < 0 || key >= KEY_COUNT) return;
    // The knob row opens and closes the knob pop-up.
    if (key == gVar.SrIndex) return onKnobRow();
    funPickView->nKeyIndex = uint32_t(key);
    funPickView->nShowColor = IsLedGameMode(profile->stAdv.nMode) ? 1 : 0;
    funPickView->setPaintColour(colorFromBgr(ledView->getGridColor(0)));
    showPickFunc(this, hideView, funPickView, [this](PickFuncView* picker) { onButtonSet(picker); });
}

void MainView::onButtonSet(PickFuncView* picker) {
    _ST_PROFILE* profile = get_current_profile();
    const int key = int(picker->nKeyIndex);
    if (!profile || key < 0 || key >= KEY_COUNT) return;
    int32_t flags = 0;
    if (picker->nColorPicked != 0) {
        // The first swatch paints in the lighting panel's paint colour, as the picker shows it.
        const uint32_t colour = picker->nColorPicked == kSwatchBlack ? 0 : ledView->getGridColor(0);
        const int group = profile->stAdv.nKeyColorGroup;
        if (group >= 0 && group < KEY_COLOR_GROUPS) profile->stAdv.dwKeyColor[group][key] = colour;
        kbView->setKeyColor(key, colour);
        flags = APPLY_KEY_COLORS;
    } else {
        const bool layerKnown = profile->nLayer >= 0 && profile->nLayer < LAYER_COUNT;
        const _ST_KEYPRO* set = layerKnown ? get_keypro_by_id(profile->dwKeyProID[profile->nLayer]) : nullptr;
        if (set) kbView->setHasFunc(key, IS_DEFAULT_KEY(set->stKey[key], g_defKEY[key]) ? 0 : 1);
        flags = APPLY_KEYS;
    }
    kbView->update();
    if (gVar.ApplyNow == 0) return;
    // The change stays in the view and the profile; it reaches the keyboard with the next Apply.
    if (keyboardMissing()) return tellKeyboardMissing();
    quiet_apply_kb(APPLY_NOISY | flags);
}

QString MainView::keyDescription(int key) const {
    if (key < 0 || key >= KEY_COUNT) return {};
    // A key is named by its factory function; the knob by its own name.
    const std::optional<std::string> name =
        key == gVar.SrIndex && gVar.ShowKnod != 0 ? FindText("tc_msg8") : keyinfo_to_string(g_defKEY[key]);
    if (!name) return {};
    const _ST_KEYPRO* set = GetCurKeyPro();
    const std::optional<std::string> function = keyinfo_to_string(set ? set->stKey[key] : g_defKEY[key]);
    if (!function) return QString::fromStdString(*name);
    return QString::fromStdString(FormatText("tc_key_tip", {*name, *function}));
}

}  // namespace keyloom
