// The one look every picture shares: graphite surfaces, a single teal accent
// (the shipped model files' Btn_txt_clr_dn and LstBox_item_clr) and the
// legend font.
#pragma once
#include <QColor>
#include <QFont>

namespace keyloom::skins {

namespace look {
inline const QColor kWindowTop{32, 36, 42};
inline const QColor kWindowBottom{22, 24, 28};
inline const QColor kWindowBorder{52, 58, 66};
inline const QColor kHeader{26, 29, 33};
inline const QColor kHairline{46, 51, 58};
inline const QColor kCard{29, 32, 37};
inline const QColor kCardBorder{44, 49, 56};
inline const QColor kWell{18, 20, 23};
inline const QColor kWellBorder{40, 45, 51};
inline const QColor kPlateTop{45, 50, 57};
inline const QColor kPlateBottom{36, 40, 46};
inline const QColor kPlateBorder{62, 69, 78};
inline const QColor kSelectedTop{22, 58, 54};
inline const QColor kSelectedBottom{16, 44, 41};
inline const QColor kAccent{0, 200, 180};
inline const QColor kAccentDeep{0, 110, 100};
inline const QColor kAccentLight{150, 240, 230};
inline const QColor kText{214, 218, 224};
inline const QColor kTextDim{150, 158, 168};
inline const QColor kInk{14, 16, 18};
}  // namespace look

// "Liberation Sans" (metric-compatible with Arial), sized in pixels.
inline QFont legendFont(int pixelSize, bool bold = false) {
    QFont font;
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

}  // namespace keyloom::skins
