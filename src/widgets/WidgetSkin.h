// The colours and the font the skinned controls write with. Whoever builds a
// control hands it a skin; the controls read no configuration themselves.
#pragma once
#include <QColor>
#include <QFont>

#include "widgets/TextDraw.h"

namespace keyloom {

// A button caption's colour in each state of its button.
struct ButtonTextColours {
    QColor normal = Qt::black;
    QColor over = Qt::black;  // the pointer over the button
    QColor down = Qt::black;  // pressed, or a check button that is on
};

struct WidgetSkin {
    QFont font = get_font();  // captions, labels, edit fields, list rows
    QColor text = Qt::black;  // labels and captions on the panels
    ButtonTextColours button;  // button captions and menu entries
    QColor listBackground = Qt::white;  // a list's ground and its unselected rows
    QColor listSelected = Qt::lightGray;  // the selected row
    QColor listText = Qt::black;
    QColor listTextSelected = Qt::black;
    bool outlineButtons = false;  // a red outline round every button, to check a layout

    TextStyle textStyle(TextAlign align = TextAlign::Left) const { return TextStyle{font, text, align}; }
};

}  // namespace keyloom
