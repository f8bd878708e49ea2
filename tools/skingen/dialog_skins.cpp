// Dialog backgrounds. Each is drawn at the dialog's size; cards and wells sit
// under the controls the dialog places on them, and the footer band under
// its OK and Cancel buttons.
#include <QLinearGradient>

#include "look.h"
#include "skins.h"

namespace keyloom::skins {

namespace {

// A dialog's background: its body with a header band of headerHeight, then
// what `draw` adds on it (size: the picture's, in points).
QImage drawDialog(const char* name, int scale, int headerHeight, const std::function<void(QPainter&, QSize)>& draw) {
    return drawPicture(name, scale, [&](QPainter& p, const QRectF& all) {
        const QSize size = all.size().toSize();
        drawDialogBody(p, size, headerHeight);
        draw(p, size);
    });
}

// A dialog with two cards side by side over its footer band: the function
// picker (page tabs left, the page right) and the knob settings (one card per
// knob direction).
QImage drawTwoCardDialog(const char* name, int scale, const QRectF& left, const QRectF& right) {
    return drawDialog(name, scale, 40, [&](QPainter& p, QSize size) {
        drawCard(p, left);
        drawCard(p, right);
        drawFooterBand(p, size, 300);
    });
}

// Macro editor: wells framing the macro tree and the event list, the
// buttons in a column on the right.
QImage drawMacroEditor(int scale) {
    return drawDialog("macro_nr.png", scale, 36, [](QPainter& p, QSize) {
        drawWell(p, QRectF(19, 45, 132, 272), 3);
        drawWell(p, QRectF(157, 45, 132, 272), 3);
        drawHairline(p, 302, 48, 302, 330, look::kHairline);
    });
}

QImage drawMessage(int scale) {
    return drawDialog("msg_nr.png", scale, 32, [](QPainter& p, QSize size) { drawFooterBand(p, size, 150); });
}

// The rules dialog: the well under the list of rules, the card under the
// editor that makes a rule, and the footer band under OK.
QImage drawRules(int scale) {
    return drawDialog("rules_nr.png", scale, 36, [](QPainter& p, QSize size) {
        drawWell(p, toRect(kRulesListWell), 3);
        drawCard(p, toRect(kRulesEditorCard));
        drawFooterBand(p, size, kRulesFooterTop);
    });
}

// The progress panel; with `filled` the bar is full. The panel copies the
// filled part of the bar from the second picture, so both share the layout.
QImage drawProgress(const char* name, int scale, bool filled) {
    return drawDialog(name, scale, 32, [filled](QPainter& p, QSize) {
        const QRectF bar = toRect(kProgressBar);
        const qreal radius = bar.height() / 2;
        drawWell(p, bar, radius);
        if (!filled) return;
        const QRectF fill = bar.adjusted(2, 2, -2, -2);
        QLinearGradient gradient(fill.topLeft(), fill.bottomLeft());
        gradient.setColorAt(0, look::kAccent.lighter(112));
        gradient.setColorAt(1, look::kAccentDeep.lighter(130));
        p.setPen(Qt::NoPen);
        p.setBrush(gradient);
        p.drawRoundedRect(fill, fill.height() / 2, fill.height() / 2);
        drawHairline(p, fill.left() + radius, fill.top() + 1, fill.right() - radius, fill.top() + 1,
                     QColor(255, 255, 255, 60));
    });
}

}  // namespace

void addDialogSkins(SkinSet& out, int scale) {
    out["pickfundlg.png"] =
        drawTwoCardDialog("pickfundlg.png", scale, QRectF(10, 80, 134, 218), QRectF(152, 80, 346, 218));
    out["SrDlg.png"] = drawTwoCardDialog("SrDlg.png", scale, QRectF(24, 52, 226, 240), QRectF(258, 52, 226, 240));
    out["macro_nr.png"] = drawMacroEditor(scale);
    out["msg_nr.png"] = drawMessage(scale);
    out["rules_nr.png"] = drawRules(scale);
    out["progress_nr.png"] = drawProgress("progress_nr.png", scale, false);
    out["progress_ov.png"] = drawProgress("progress_ov.png", scale, true);
}

}  // namespace keyloom::skins
