// The skin of the model file: its colours (gVar) as the widgets take them.
#pragma once
#include <QColor>
#include <cstdint>

#include "widgets/WidgetSkin.h"

namespace keyloom {

// A configuration colour (0x00BBGGRR) as a QColor.
QColor colorFromBgr(uint32_t bgr);

// The colours of the model file loaded last, with the standard font. Every
// panel builds its controls with it.
WidgetSkin uiSkin();

// The colour a dialog says a refusal in (a name taken, a rule refused).
inline const QColor kRefusalColour(240, 140, 110);

// The style panels draw their captions with: the skin's font and text colour.
TextStyle panelTextStyle(TextAlign align = TextAlign::Left);

}  // namespace keyloom
