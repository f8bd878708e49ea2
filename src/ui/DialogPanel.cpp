#include "ui/DialogPanel.h"

#include <QFocusEvent>
#include <QPainter>

#include "config/language.h"
#include "widgets/Frame.h"
#include "widgets/HideView.h"
#include "widgets/ImageProcess.h"
#include "widgets/TextDraw.h"

namespace keyloom {

DialogPanel::DialogPanel(QWidget* owner, int width, int height) : QWidget(owner) {
    resize(width, height);
    centreInParent(this);
    hide();
}

void DialogPanel::createFrameControls(const QString& picture, QPointF exitAt, QPointF okAt, qreal cancelGap,
                                      const ButtonAction& click) {
    createBackgroundAndClose(picture, exitAt, click);
    const QString button = QStringLiteral("btn2_nr.png");
    btnOk = newPngButton2(nullptr, this, button, button, button, false, QRectF(okAt, QSizeF()), {}, click);
    btnCancel = newPngButton2(nullptr, this, button, button, button, false,
                              QRectF(btnOk->Right() + cancelGap, okAt.y(), 0, 0), {}, click);
}

void DialogPanel::createBackgroundAndClose(const QString& picture, QPointF exitAt, const ButtonAction& click) {
    background_ = loadSkinImage(picture);
    const QString exit = QStringLiteral("exit_nr.png");
    btnExit = newPngButton2(nullptr, this, exit, exit, exit, false, QRectF(exitAt, QSizeF()), {}, click);
}

void DialogPanel::refreshFrameTexts() {
    if (btnOk) btnOk->setCaption(uiText("tc_ok"));
    if (btnCancel) btnCancel->setCaption(uiText("tc_cancel"));
    btnExit->setLabel(uiText("tc_close"));
}

void DialogPanel::drawBackground(QPainter& painter) const {
    if (!background_.isNull())
        painter.drawImage(QPointF(0, height() - ImageProcess::pointSize(background_).height()), background_);
    else
        painter.fillRect(rect(), QColor(20, 20, 20));
}

void DialogPanel::hideWithOverlay() {
    if (viewHide) viewHide->hide();
    hide();
    viewHide = nullptr;
}

void DialogPanel::takeFocusWhenCapturing() {
    if (capturingNow()) setFocus(Qt::OtherFocusReason);
}

void DialogPanel::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    const Qt::FocusReason reason = event->reason();
    if (capturingNow() && isActiveWindow() && reason != Qt::ActiveWindowFocusReason &&
        reason != Qt::PopupFocusReason)
        setFocus(Qt::OtherFocusReason);
}

void DialogPanel::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    takeFocusWhenCapturing();
}

bool DialogPanel::focusNextPrevChild(bool next) {
    if (capturingNow()) return false;  // Tab is a key to record
    return QWidget::focusNextPrevChild(next);
}

bool DialogPanel::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride && capturingNow()) {
        event->accept();
        return true;
    }
    return QWidget::event(event);
}

}  // namespace keyloom
