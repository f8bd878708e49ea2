// A key of the key map clicked: the function picker opens for it, and what
// it chose marks or paints the key and, when changes are written at once,
// reaches the keyboard.
#include "base/debug.h"
#include "config/gvar.h"
#include "config/language.h"
#include "control/key_map.h"
#include "keys/basic.h"
#include "macro/keyinfo_text.h"
#include "model/st_keypro.h"
#include "model/stprofile.h"
#include "ui/LedView.h"
#include "ui/MainView.h"
#include "ui/PickFuncView.h"
#include "ui/Skin.h"

namespace keyloom {

namespace {

constexpr uint32_t kSwatchBlack = 2;  // the picker's second swatch turns a key off

}  // namespace

void MainView::onKeySelect(int key) {
    LOG("onKeySelect index=%d", key);
    _ST_PROFILE* profile = get_current_profile();
    if (!profile || key < 0 || key >= KEY_COUNT) return;
    // The knob row opens and closes the knob pop-up.
    if (key == gVar.SrIndex) return follow(knob_.knobRowClicked(popWindow_ != nullptr), KnobChooser::Window);
    funPickView->nKeyIndex = uint32_t(key);
    funPickView->nShowColor = IsLedGameMode(profile->stAdv.nMode) ? 1 : 0;
    funPickView->setPaintColour(colorFromBgr(ledView->getGridColor(0)));
    showPickFunc(this, hideView, funPickView.get(), [this](PickFuncView* picker) { onButtonSet(picker); });
}

void MainView::onButtonSet(PickFuncView* picker) {
    _ST_PROFILE* profile = get_current_profile();
    const int key = int(picker->nKeyIndex);
    if (!profile || key < 0 || key >= KEY_COUNT) return;
    const bool colour = picker->nColorPicked != 0;
    if (colour) {
        // The first swatch paints in the lighting panel's paint colour, as the picker shows it.
        const uint32_t painted = picker->nColorPicked == kSwatchBlack ? 0 : ledView->getGridColor(0);
        PaintKey(profile->stAdv, key, painted);
        kbView->setKeyColor(key, painted);
    } else if (const _ST_KEYPRO* set = PlayedTable(*profile)) {
        kbView->setHasFunc(key, KeyReassigned(*set, key) ? 1 : 0);
    }
    kbView->update();
    tell(applies_.keyEdited(colour));
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
