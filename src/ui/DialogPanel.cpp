#include "ui/DialogPanel.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "config/language.h"
#include "ui/Skin.h"
#include "widgets/Frame.h"
#include "widgets/HideView.h"
#include "widgets/ImageProcess.h"
#include "widgets/TextDraw.h"

namespace keyloom {

namespace {

// Escape, Return or Enter (the keypad's too) with no modifier held.
bool isDialogKey(const QKeyEvent& key) {
    if ((key.modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
    return key.key() == Qt::Key_Escape || key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter;
}

}  // namespace

DialogPanel::DialogPanel(QWidget* owner, int width, int height) : QWidget(owner) {
    // The panel takes the keys when shown: the dialog keys and recorded keys are its own.
    setFocusPolicy(Qt::StrongFocus);
    designHeight_ = height;
    resize(width, height);
    centreInParent(this);
    hide();
}

void DialogPanel::createFrameControls(const QString& picture, QPointF exitAt, QPointF okAt, qreal cancelGap,
                                      const ButtonAction& click) {
    const WidgetSkin skin = uiSkin();
    createBackgroundAndClose(picture, exitAt, click);
    const QString button = QStringLiteral("btn2_nr.png");
    btnOk = newPngButton2(nullptr, this, skin, button, button, button, false, QRectF(okAt, QSizeF()), {}, click);
    btnCancel = newPngButton2(nullptr, this, skin, button, button, button, false,
                              QRectF(btnOk->Right() + cancelGap, okAt.y(), 0, 0), {}, click);
}

void DialogPanel::createBackgroundAndClose(const QString& picture, QPointF exitAt, const ButtonAction& click) {
    background_ = loadSkinImage(picture);
    click_ = click;
    const QString exit = QStringLiteral("exit_nr.png");
    btnExit = newPngButton2(nullptr, this, uiSkin(), exit, exit, exit, false, QRectF(exitAt, QSizeF()), {}, click);
}

void DialogPanel::refreshFrameTexts() {
    if (btnOk) btnOk->setCaption(uiText("tc_ok"));
    if (btnCancel) btnCancel->setCaption(uiText("tc_cancel"));
    btnExit->setLabel(uiText("tc_close"));
}

void DialogPanel::drawBackground(QPainter& painter) const {
    if (background_.isNull()) {
        painter.fillRect(rect(), QColor(20, 20, 20));
        return;
    }
    // The picture sits on the bottom edge of the panel's design height.
    const QSizeF points = ImageProcess::pointSize(background_);
    const qreal top = designHeight_ - points.height();
    const qreal extra = height() - designHeight_;
    if (extra <= 0 || points.height() < 2) {
        painter.drawImage(QPointF(0, height() - points.height()), background_);
        return;
    }
    // A panel grown taller (a long message): the picture's upper half at the
    // top, its lower half at the bottom, and the row between them stretched
    // over the gap.
    const qreal scale = background_.height() / points.height();
    const qreal split = std::clamp(std::floor(designHeight_ / 2.0 - top), 1.0, points.height() - 1);
    const qreal lower = points.height() - split;
    painter.drawImage(QRectF(0, top, points.width(), split), background_,
                      QRectF(0, 0, background_.width(), split * scale));
    painter.drawImage(QRectF(0, top + split + extra, points.width(), lower), background_,
                      QRectF(0, split * scale, background_.width(), lower * scale));
    painter.drawImage(QRectF(0, top + split, points.width(), extra), background_,
                      QRectF(0, split * scale, background_.width(), scale));
}

void DialogPanel::hideWithOverlay() {
    // The keys go back to what the panel lay over (a panel under a dialog takes them again).
    const QWidget* focused = QApplication::focusWidget();
    const bool hadFocus = focused && (focused == this || isAncestorOf(focused));
    if (viewHide) viewHide->hide();
    hide();
    viewHide = nullptr;
    if (hadFocus && parentWidget()) parentWidget()->setFocus(Qt::OtherFocusReason);
}

void DialogPanel::takeFocusWhenCapturing() {
    if (capturingNow()) setFocus(Qt::OtherFocusReason);
}

void DialogPanel::setRecordingFieldActive(bool active) {
    if (recordingFieldActive_ == active) return;
    recordingFieldActive_ = active;
    if (active) takeFocusWhenCapturing();
    onRecordingFieldChanged();
    update();
}

void DialogPanel::cancelFromKeyboard() {
    PngButton* cancel = btnCancel && !btnCancel->isHidden() ? btnCancel : btnExit;
    if (click_ && cancel) click_(cancel);
}

void DialogPanel::confirmFromKeyboard() {
    if (click_ && btnOk && !btnOk->isHidden()) click_(btnOk);
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
    recordingFieldActive_ = recordsWhenShown();
    onRecordingFieldChanged();
    if (QWidget* first = initialFocus()) first->setFocus(Qt::OtherFocusReason);
    takeFocusWhenCapturing();
}

bool DialogPanel::focusNextPrevChild(bool next) {
    if (hasRecordingField() && isVisible()) {
        // Tab leaves the recording field for the panel, and enters it again.
        if (capturingNow()) {
            setRecordingFieldActive(false);
            return true;
        }
        if (focusWidget() == this || !focusWidget()) {
            setRecordingFieldActive(true);
            return true;
        }
    }
    if (capturingNow()) return false;  // a recorder without a field records Tab too
    return QWidget::focusNextPrevChild(next);
}

bool DialogPanel::event(QEvent* event) {
    const bool keyEvent = event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress;
    if (keyEvent && isVisible()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool dialogKey = !capturingNow() && isDialogKey(*key);
        // While recording, and for the dialog keys, no shortcut of the window takes the key first.
        if (event->type() == QEvent::ShortcutOverride && (capturingNow() || dialogKey)) {
            event->accept();
            return true;
        }
        if (event->type() == QEvent::KeyPress && dialogKey) {
            if (key->key() == Qt::Key_Escape)
                cancelFromKeyboard();
            else
                confirmFromKeyboard();
            event->accept();
            return true;
        }
    }
    return QWidget::event(event);
}

}  // namespace keyloom
