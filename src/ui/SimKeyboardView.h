// The simulated keyboard's window (keyloom --simulate): what the keyboard
// holds after the commands that went over the wire, read from its firmware
// state whenever it changes, and buttons that act as the keyboard (layer
// switch, the knob chooser, unplug and plug). A developer's try-out window:
// its captions are English only and do not come from the language files.
#pragma once
#include <QWidget>
#include <array>
#include <memory>
#include <vector>

#include "device/SimFirmware.h"
#include "model/stprofile.h"

class QLabel;
class QPushButton;

namespace keyloom {

class QtMainLoop;
class SimKeyboard;

// The model's key picture with the keyboard's per-key state on it: lit keys
// filled with their colour value, keys whose matrix entry is not the
// factory's outlined.
class SimKeyPicture : public QWidget {
public:
    explicit SimKeyPicture(QWidget* parent = nullptr);
    // Rows of the key table.
    void setState(std::vector<int> changed, std::array<uint8_t, SIM_MATRIX_SIZE> colorByKey);
    const std::vector<int>& changedKeys() const { return changed_; }
    std::vector<int> litKeys() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRectF keyRect(int key) const;  // in the widget, top-left origin

    QImage picture_;
    QSize pictureSize_;
    std::vector<int> changed_;
    std::array<uint8_t, SIM_MATRIX_SIZE> colorByKey_{};
};

class SimKeyboardView : public QWidget {
public:
    explicit SimKeyboardView(std::shared_ptr<SimKeyboard> sim, QWidget* parent = nullptr);
    ~SimKeyboardView() override;

    // Reads the keyboard again; called after each change it tells of.
    void refresh();
    // Puts the window to the right of another top-level window: placed there
    // on X11, docked to it as its pop-up on Wayland.
    void placeBeside(QWidget& window);
    // The knob chooser as the keyboard shows it: -1 when closed, else the set 0..7.
    int chooserSet() const { return chooserSet_; }

    QLabel* plugLabel = nullptr;
    QLabel* onlineLabel = nullptr;
    QLabel* layerLabel = nullptr;
    QLabel* lightingLabel = nullptr;
    QLabel* knobLabel = nullptr;
    std::array<QLabel*, KNOB_SETS> knobRows{};
    std::array<QLabel*, SIM_MACRO_SLOTS> macroSlots{};
    QLabel* matrixLabel = nullptr;
    SimKeyPicture* keyPicture = nullptr;

    std::array<QPushButton*, 3> btnLayer{};
    QPushButton* btnKnobOpen = nullptr;
    QPushButton* btnKnobLeft = nullptr;
    QPushButton* btnKnobRight = nullptr;
    QPushButton* btnKnobConfirm = nullptr;
    QPushButton* btnUnplug = nullptr;
    QPushButton* btnPlug = nullptr;

private:
    QWidget* buildState();
    QWidget* buildKnobTable();
    QWidget* buildMacroSlots();
    QWidget* buildControls();
    void showFirmware(const SimFirmware& fw);
    void turnKnob(int step);
    void updateButtons(bool plugged);

    std::shared_ptr<SimKeyboard> sim_;
    // Change calls are queued to this loop: they end with the window.
    std::unique_ptr<QtMainLoop> loop_;
    int listener_ = 0;
    int chooserSet_ = -1;
    std::array<uint32_t, KEY_COUNT> factoryMatrix_{};  // what the keyboard holds from the factory
};

}  // namespace keyloom
