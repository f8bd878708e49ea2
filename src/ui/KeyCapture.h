// What the dialogs that take typed keys share: the keyboard focus kept while
// they record, the clock their timing rules read, and the two-key recording.
#pragma once
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>

namespace keyloom {

// A panel that, while it records keys, keeps the keyboard focus: Tab is a key
// like any other and no shortcut of the window takes a key before the panel
// sees it. Only another window or a popup menu may take the focus away.
class KeyCaptureView : public QWidget {
public:
    using QWidget::QWidget;

protected:
    // Whether typed keys are the panel's own now (asked only while it is shown).
    virtual bool capturing() const = 0;
    // Takes the focus of the window when shown and capturing.
    void takeFocusWhenCapturing();

    void focusOutEvent(QFocusEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    bool event(QEvent* event) override;

private:
    bool capturingNow() const { return isVisible() && capturing(); }
};

// Seconds since 1970-01-01, as the recording rules measure time; tests set their own.
using WallClock = std::function<double()>;
double wallClockSeconds();

// Adds a key to a recording of up to two keys (VK_NONE = no key). Starting
// over, it becomes the only key; otherwise it fills the first place, or else
// becomes the second key, replacing an earlier second key.
void recordKey(int32_t keys[2], int32_t code, bool startOver);
// "A", "A + B", or empty without a first key: the key names of a recording.
QString recordedKeysCaption(const int32_t keys[2]);

}  // namespace keyloom
