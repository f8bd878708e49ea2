#include "ui/Skin.h"

#include "config/gvar.h"

namespace keyloom {

QColor colorFromBgr(uint32_t bgr) {
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

WidgetSkin uiSkin() {
    WidgetSkin skin;
    skin.text = colorFromBgr(gVar.Txt_clr);
    skin.button = ButtonTextColours{colorFromBgr(gVar.Btn_txt_clr_nr), colorFromBgr(gVar.Btn_txt_clr_ov),
                                    colorFromBgr(gVar.Btn_txt_clr_dn)};
    skin.listBackground = colorFromBgr(gVar.LstBox_bkg_clr);
    skin.listSelected = colorFromBgr(gVar.LstBox_item_clr);
    // Unselected rows are written in the panels' text colour.
    skin.listText = colorFromBgr(gVar.Txt_clr);
    skin.listTextSelected = colorFromBgr(gVar.LstBox_txt_clr_dn);
    skin.outlineButtons = gVar.FrameDebug != 0;
    return skin;
}

TextStyle panelTextStyle(TextAlign align) {
    return uiSkin().textStyle(align);
}

}  // namespace keyloom
