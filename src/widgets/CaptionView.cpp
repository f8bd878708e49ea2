#include "widgets/CaptionView.h"

#include <QFontMetricsF>
#include <QPainter>

#include "widgets/Frame.h"
#include "widgets/TextDraw.h"

namespace keyloom {

namespace {

constexpr qreal kDotSize = 8;
constexpr qreal kDotGap = 6;

}  // namespace

CaptionView::CaptionView(QWidget* parent, const WidgetSkin& skin, const QRectF& frame, Qt::TextElideMode mode)
    : QWidget(parent), style_(skin.textStyle(TextAlign::Left)), mode_(mode) {
    setFrame(this, frame);
}

void CaptionView::setText(const QString& text) {
    if (text == text_) return;
    text_ = text;
    setAccessibleName(text);
    refreshTooltip();
    update();
}

void CaptionView::setDot(std::optional<QColor> colour) {
    if (colour == dot_) return;
    dot_ = colour;
    refreshTooltip();
    update();
}

void CaptionView::setTextColour(const QColor& colour) {
    style_.color = colour;
    update();
}

qreal CaptionView::textLeft() const {
    return dot_ ? kDotSize + kDotGap : 0;
}

QString CaptionView::shownText() const {
    return fittedText(text_, style_.font, width() - textLeft(), mode_);
}

void CaptionView::refreshTooltip() {
    const QString tip = shownText() != text_ ? text_ : QString();
    if (toolTip() != tip) setToolTip(tip);
}

void CaptionView::resizeEvent(QResizeEvent*) {
    refreshTooltip();
}

void CaptionView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (dot_) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(*dot_);
        painter.drawEllipse(QRectF(0, (height() - kDotSize) / 2, kDotSize, kDotSize));
    }
    myDrawText(painter, shownText(), style_, QRectF(textLeft(), 0, width() - textLeft(), height()), height());
}

}  // namespace keyloom
