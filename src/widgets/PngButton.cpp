#include "widgets/PngButton.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>

#include "base/debug.h"
#include "widgets/Frame.h"
#include "widgets/ImageProcess.h"
#include "widgets/Outline.h"
#include "widgets/TextDraw.h"

namespace keyloom {

PngButton::PngButton(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_Hover, true);
    setFocusPolicy(Qt::NoFocus);
}

void PngButton::setImageNr(const QString& nr, const QString& ov, const QString& dn) {
    imageBkgNr = loadPicture(nr);
    imageBkgOv = loadPicture(ov);
    imageBkgDn = loadPicture(dn);
    update();
}

void PngButton::setImageNr(const QImage& nr, const QImage& ov, const QImage& dn, const QRectF& source) {
    const bool cut = source.width() != 0 || source.height() != 0;
    auto take = [&](const QImage& image) {
        return cut && !image.isNull() ? ImageProcess::copyImage(image, source) : image;
    };
    imageBkgNr = take(nr);
    imageBkgOv = take(ov);
    imageBkgDn = take(dn);
    if (!cut && !(nr.size() == ov.size() && ov.size() == dn.size()))
        SysLog("PngButton: image size not equal");
    update();
}

void PngButton::setCheck(bool check) {
    if (bCheck == check) return;
    bCheck = check;
    update();
}

void PngButton::setCaption(const QString& caption) {
    title = caption;
    updateTooltip();
    updateAccessibleName();
    update();
}

void PngButton::setSkin(const WidgetSkin& skin) {
    skin_ = skin;
    isDebug = skin.outlineButtons;
    updateTooltip();
    update();
}

void PngButton::setTextColor(const ButtonTextColours& colours) {
    skin_.button = colours;
    update();
}

void PngButton::setIcon(const QImage& icon, int offset) {
    imgIcon = icon;
    nIconX = offset;
    update();
}

void PngButton::setTitleFont(std::optional<QFont> font) {
    titleFont = std::move(font);
    updateTooltip();
    update();
}

void PngButton::setTextAlignment(int alignment) {
    if (textAlignment == alignment) return;
    textAlignment = alignment;
    updateTooltip();
    update();
}

void PngButton::setCaptionEnd(int points) {
    if (captionEnd_ == points) return;
    captionEnd_ = points;
    updateTooltip();
    update();
}

int PngButton::Right() const {
    const QRectF frame = frameOf(this);
    return int(frame.x() + frame.width());
}

int PngButton::Bottom() const {
    const QRectF frame = frameOf(this);
    return int(frame.y() + frame.height());
}

const QImage& PngButton::currentImage() const {
    if (isCheckBtn) return bCheck ? imageBkgDn : imageBkgNr;
    if (_mouseDown) return imageBkgDn;
    if (_mouseOver) return imageBkgOv;
    return imageBkgNr;
}

QFont PngButton::captionFont() const {
    return titleFont.value_or(skin_.font);
}

QColor PngButton::captionColor() const {
    if (_mouseDown || (isCheckBtn && bCheck)) return skin_.button.down;
    if (_mouseOver) return skin_.button.over;
    return skin_.button.normal;
}

qreal PngButton::captionRoom() const {
    if (textAlignment > 0) return width() - textAlignment - captionEnd_;
    if (textAlignment < 0) return width() - captionEnd_;  // a long caption may start at the left edge
    return width() - 2 * captionEnd_;
}

QString PngButton::shownCaption() const {
    return fittedText(title, captionFont(), captionRoom());
}

QPointF PngButton::captionPosition() const {
    const QFontMetricsF metrics(captionFont());
    const qreal w = metrics.horizontalAdvance(shownCaption());
    qreal x = (width() - w) / 2;
    if (textAlignment > 0)
        x = textAlignment;
    else if (textAlignment < 0)
        x = std::max<qreal>(0, width() + textAlignment - w);
    // Vertically centred; the same in both orientations.
    return QPointF(x, (height() - metrics.height()) / 2);
}

void PngButton::setHint(const QString& text) {
    hint = text;
    updateTooltip();
    updateAccessibleName();
}

void PngButton::setLabel(const QString& text) {
    label_ = text;
    updateAccessibleName();
}

void PngButton::updateAccessibleName() {
    const QString name = !title.isEmpty() ? title : !label_.isEmpty() ? label_ : hint;
    if (accessibleName() != name) setAccessibleName(name);
}

void PngButton::updateTooltip() {
    const bool tooLong = !title.isEmpty() && shownCaption() != title;
    const QString tip = tooLong ? title : hint;
    if (toolTip() != tip) setToolTip(tip);
}

void PngButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QImage& image = currentImage();
    if (!image.isNull()) painter.drawImage(QRectF(rect()), image);
    if (!imgIcon.isNull())
        painter.drawImage(QPointF(nIconX, (height() - ImageProcess::pointSize(imgIcon).height()) / 2), imgIcon);
    if (!title.isEmpty()) {
        painter.setFont(captionFont());
        painter.setPen(captionColor());
        const QPointF at = captionPosition();
        painter.drawText(QPointF(at.x(), at.y() + QFontMetricsF(captionFont()).ascent()), shownCaption());
    }
    if (isDebug) {
        drawOutline(painter, QRectF(rect()), Qt::red);
    }
}

void PngButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    _mouseDown = true;
    update();
}

void PngButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !_mouseDown) return;
    _mouseDown = false;
    update();
    onRelease();
}

void PngButton::onRelease() {
    sendAction();
}

void PngButton::sendAction() {
    // Copy first: the handler may replace the action or delete its own panel's state.
    if (ButtonAction action = action_) action(this);
}

void PngButton::enterEvent(QEnterEvent*) {
    _mouseOver = true;
    update();
    if (isWebLink) setCursor(Qt::PointingHandCursor);
    if (delegate_) delegate_->onMouseInButton(itemData, this);
}

void PngButton::leaveEvent(QEvent*) {
    _mouseOver = false;
    update();
    if (isWebLink) unsetCursor();
    if (delegate_) delegate_->onMouseOutButton(itemData, this);
}

void PngButton::resizeEvent(QResizeEvent*) {
    updateTooltip();
}

PngButton* newPngButton(PngButton* existing, QWidget* parent, const WidgetSkin& skin, const QImage& nr,
                        const QImage& ov, const QImage& dn, bool isCheck, const QRectF& frame, const QRectF& source,
                        std::optional<QFont> titleFont, const QString& title, ButtonAction action) {
    PngButton* button = existing ? existing : new PngButton(parent);
    if (button->parentWidget() != parent) button->setParent(parent);
    setFrame(button, frame);
    button->setSkin(skin);
    button->setCaption(title);
    button->isCheckBtn = isCheck;
    button->setTitleFont(std::move(titleFont));
    button->setImageNr(nr, ov, dn, source);
    if (action) button->setAction(std::move(action));
    button->show();
    return button;
}

PngButton* newPngButton2(PngButton* existing, QWidget* parent, const WidgetSkin& skin, const QString& nr,
                         const QString& ov, const QString& dn, bool isCheck, const QRectF& frame,
                         const QString& title, ButtonAction action) {
    const QImage imageNr = loadSkinImage(nr);
    const QImage imageOv = loadSkinImage(ov);
    const QImage imageDn = loadSkinImage(dn);
    QRectF place = frame;
    if (place.width() <= 0) place.setSize(QSizeF(ImageProcess::pointSize(imageNr)));
    return newPngButton(existing, parent, skin, imageNr, imageOv, imageDn, isCheck, place, QRectF(), std::nullopt,
                        title, std::move(action));
}

PngButton* newTextButton(QWidget* parent, const WidgetSkin& skin, bool isCheck, const QString& title,
                         ButtonAction action, const QRectF& frame) {
    return newPngButton(nullptr, parent, skin, QImage(), QImage(), QImage(), isCheck, frame, QRectF(),
                        std::nullopt, title, std::move(action));
}

}  // namespace keyloom
