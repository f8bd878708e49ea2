#include "widgets/ProgressView.h"

#include <QPainter>

#include "widgets/Frame.h"
#include "widgets/ImageProcess.h"
#include "widgets/PngButton.h"
#include "widgets/TextDraw.h"

namespace keyloom {

ProgressView::ProgressView(QWidget* parent, const WidgetSkin& skin) : QWidget(parent), skin_(skin) {
    setFocusPolicy(Qt::NoFocus);
    resize(kWidth, kHeight);
    hide();
}

void ProgressView::LoadSkins() {
    imageNr = loadSkinImage("progress_nr.png");
    imageDn = loadSkinImage("progress_ov.png");
    const QString exit = "exit_nr.png";
    btnExit = newPngButton2(btnExit, this, skin_, exit, exit, exit, false, QRectF(width() - 40, height() - 27, 0, 0),
                            {}, [this](PngButton*) { setClose(); });
    rcBar = QRectF(29, height() - 115, 240, 17);
    update();
}

void ProgressView::setProgress(int pos) {
    if (pos < 0 || pos > 100 || pos == nPos) return;
    nPos = pos;
    update();
}

QRectF ProgressView::filledRect() const {
    return QRectF(rcBar.x(), rcBar.y(), int(rcBar.width() * nPos / 100), rcBar.height());
}

void ProgressView::setStepText(const QString& text) {
    if (text == stepText_) return;
    stepText_ = text;
    setAccessibleDescription(text);
    update();
}

QRectF ProgressView::stepTextRect() const {
    constexpr qreal kSide = 16, kGap = 10;
    const qreal top = height() - rcBar.y() + kGap;  // just under the bar
    return QRectF(kSide, top, width() - 2 * kSide, height() - top - kGap);
}

void ProgressView::setClose() {
    if (viewHide) viewHide->hide();
    hide();
    viewHide = nullptr;
}

void ProgressView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!imageNr.isNull()) painter.drawImage(QRectF(rect()), imageNr);
    if (!stepText_.isEmpty()) {
        painter.setFont(skin_.font);
        painter.setPen(skin_.text);
        painter.drawText(stepTextRect(), Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, stepText_);
    }
    const QRectF fill = filledRect();
    if (imageDn.isNull() || fill.width() <= 0) return;
    // The filled picture has the panel's layout: the same rectangle in both.
    const QRectF source = flipRect(fill, ImageProcess::pointSize(imageDn).height());
    painter.drawImage(flipRect(fill, height()), imageDn, ImageProcess::pixelRect(imageDn, source));
}

void showProgress(QWidget*, QWidget* overlay, ProgressView* panel) {
    if (!panel) return;
    panel->setViewHide(overlay);
    // Shown in this order, each on top of what is already there.
    if (overlay) {
        overlay->raise();
        overlay->show();
    }
    panel->raise();
    panel->show();
}

}  // namespace keyloom
