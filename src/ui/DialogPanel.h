// The base of the modal panels that lie over a window behind its dimming
// overlay (the message dialog, the function picker, the knob settings): the
// background picture, the close, OK and Cancel buttons, and the keyboard
// focus kept while the panel records keys.
#pragma once
#include <QImage>
#include <QPointer>
#include <QString>
#include <QWidget>

#include "widgets/PngButton.h"

class QPainter;

namespace keyloom {

class HideView;

class DialogPanel : public QWidget {
public:
    // A hidden panel of the given size centred over owner, which must have its final size.
    DialogPanel(QWidget* owner, int width, int height);

    QPointer<HideView> viewHide;  // the overlay behind the panel while it is open
    PngButton* btnExit = nullptr;
    PngButton* btnOk = nullptr;
    PngButton* btnCancel = nullptr;

protected:
    // Loads the background picture and makes the close button at exitAt, OK at
    // okAt and Cancel cancelGap points right of OK (bottom-left frames).
    void createFrameControls(const QString& picture, QPointF exitAt, QPointF okAt, qreal cancelGap,
                             const ButtonAction& click);
    // The same for a panel without OK and Cancel.
    void createBackgroundAndClose(const QString& picture, QPointF exitAt, const ButtonAction& click);
    // OK and Cancel captions (where there are) and the close button's name, in the current language.
    void refreshFrameTexts();
    void drawBackground(QPainter& painter) const;
    // Hides the overlay and the panel and drops the overlay.
    void hideWithOverlay();

    // Whether typed keys are the panel's own now (asked only while it is
    // shown). While they are, the panel keeps the keyboard focus: Tab is a key
    // like any other and no shortcut of the window takes a key first; only
    // another window or a popup menu may take the focus away.
    virtual bool capturing() const { return false; }
    // Takes the focus of the window when shown and capturing.
    void takeFocusWhenCapturing();

    void focusOutEvent(QFocusEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    bool event(QEvent* event) override;

private:
    bool capturingNow() const { return isVisible() && capturing(); }

    QImage background_;
};

}  // namespace keyloom
