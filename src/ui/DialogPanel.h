// The base of the modal panels that lie over a window behind its dimming
// overlay (the message dialog, the function picker, the knob settings): the
// background picture, the close, OK and Cancel buttons, the keyboard focus
// taken when shown and kept while the panel records keys, and the dialog
// keys: Escape cancels, Return confirms, except while keys are recorded.
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

    // Whether typed keys are recorded now (shown, and recording).
    bool capturingNow() const { return isVisible() && capturing(); }
    // Whether the panel's recording field records now: it does from when
    // the panel is shown or the field is clicked until Tab leaves it.
    bool recordingFieldActive() const { return recordingFieldActive_; }

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
    // shown). While they are, the panel keeps the keyboard focus: Escape and
    // Return are keys like any other and no shortcut of the window takes a key
    // first; only another window or a popup menu may take the focus away. By
    // default: while the panel's recording field records.
    virtual bool capturing() const { return hasRecordingField() && recordingFieldActive_; }
    // Whether the panel shows a field that records keys (a key field). Tab
    // leaves it, so that Escape and Return work again; Tab from the panel
    // enters it again.
    virtual bool hasRecordingField() const { return false; }
    // The field starts or stops recording (redrawn, so that it shows it).
    void setRecordingFieldActive(bool active);
    // Called when the field starts or stops recording, to show it.
    virtual void onRecordingFieldChanged() {}
    // Whether the field records as soon as the panel is shown.
    virtual bool recordsWhenShown() const { return true; }
    // Takes the focus of the window when shown and capturing.
    void takeFocusWhenCapturing();
    // What gets the keyboard focus when the panel is shown: the panel itself
    // unless a panel names one of its fields.
    virtual QWidget* initialFocus() { return this; }

    // What Escape and Return do when no key is recorded: by default the
    // action of Cancel (else of the close button) and of OK, as a click.
    virtual void cancelFromKeyboard();
    virtual void confirmFromKeyboard();
    // The action the dialog keys run, for a panel that makes its buttons itself.
    void setButtonAction(ButtonAction click) { click_ = std::move(click); }

    void focusOutEvent(QFocusEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    bool event(QEvent* event) override;

private:
    QImage background_;
    int designHeight_ = 0;  // the height the panel is made for; a long message may make it taller
    ButtonAction click_;
    bool recordingFieldActive_ = true;
};

}  // namespace keyloom
