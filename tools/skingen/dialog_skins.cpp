// Dialog backgrounds. Each is drawn at the dialog's size; cards and wells sit
// under the controls the dialog places on them, and the footer band under
// its OK and Cancel buttons.
#include <QLinearGradient>

#include "look.h"
#include "skins.h"

namespace keyloom::skins {

namespace {

// A dialog with two cards side by side over its footer band: the function
// picker (page tabs left, the page right) and the knob settings (one card per
// knob direction).
QImage drawTwoCardDialog(const char* name, int scale, const QRectF& left, const QRectF& right) {
    QImage image = newCanvas(name, scale);
    QPainter p;
    beginSmooth(p, image);
    drawDialogBody(p, pointSize(image), 40);
    drawCard(p, left);
    drawCard(p, right);
    drawFooterBand(p, pointSize(image), 300);
    p.end();
    return image;
}

// Macro editor: wells framing the macro tree and the event list, the
// buttons in a column on the right.
QImage drawMacroEditor(int scale) {
    QImage image = newCanvas("macro_nr.png", scale);
    QPainter p;
    beginSmooth(p, image);
    drawDialogBody(p, pointSize(image), 36);
    drawWell(p, QRectF(19, 45, 132, 272), 3);
    drawWell(p, QRectF(157, 45, 132, 272), 3);
    drawHairline(p, 302, 48, 302, 330, look::kHairline);
    p.end();
    return image;
}

QImage drawMessage(int scale) {
    QImage image = newCanvas("msg_nr.png", scale);
    QPainter p;
    beginSmooth(p, image);
    drawDialogBody(p, pointSize(image), 32);
    drawFooterBand(p, pointSize(image), 150);
    p.end();
    return image;
}

// The rules dialog: the well under the list of rules, the card under the
// editor that makes a rule, and the footer band under OK.
QImage drawRules(int scale) {
    QImage image = newCanvas("rules_nr.png", scale);
    QPainter p;
    beginSmooth(p, image);
    drawDialogBody(p, pointSize(image), 36);
    drawWell(p, toRect(kRulesListWell), 3);
    drawCard(p, toRect(kRulesEditorCard));
    drawFooterBand(p, pointSize(image), kRulesFooterTop);
    p.end();
    return image;
}

// The progress panel; with `filled` the bar is full. The panel copies the
// filled part of the bar from the second picture, so both share the layout.
QImage drawProgress(const char* name, int scale, bool filled) {
    QImage image = newCanvas(name, scale);
    QPainter p;
    beginSmooth(p, image);
    drawDialogBody(p, pointSize(image), 32);
    const QRectF bar = toRect(kProgressBar);
    const qreal radius = bar.height() / 2;
    drawWell(p, bar, radius);
    if (filled) {
        const QRectF fill = bar.adjusted(2, 2, -2, -2);
        QLinearGradient gradient(fill.topLeft(), fill.bottomLeft());
        gradient.setColorAt(0, look::kAccent.lighter(112));
        gradient.setColorAt(1, look::kAccentDeep.lighter(130));
        p.setPen(Qt::NoPen);
        p.setBrush(gradient);
        p.drawRoundedRect(fill, fill.height() / 2, fill.height() / 2);
        drawHairline(p, fill.left() + radius, fill.top() + 1, fill.right() - radius, fill.top() + 1,
                     QColor(255, 255, 255, 60));
    }
    p.end();
    return image;
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
