// The knob settings: the panel that edits the two assignments of one knob
// set, one column per direction. Each column takes a key with modifiers or
// one function from a fixed list; OK writes both into the current profile
// and calls the opener back. Sending them is left to the next apply.
#pragma once
#include <QImage>
#include <QPointer>
#include <QRectF>
#include <cstdint>
#include <functional>

#include "model/keyinfo.h"
#include "ui/DialogPanel.h"
#include "ui/KeyCapture.h"
#include "ui/ModifierBoxes.h"

namespace keyloom {

class ComboBtn;
class HideView;
class PngButton;
class SrView;

using SrCallback = std::function<void(SrView*)>;

class SrView : public DialogPanel {
public:
    static constexpr int WIDTH = 508;
    static constexpr int HEIGHT = 346;
    static constexpr double kRecordWindow = 0.4;  // seconds within which keys form a combination

    // A hidden dialog centred over owner, which must have its final size.
    explicit SrView(QWidget* owner);

    // Loads the two assignments of set setIndex of the current profile.
    void initUI();
    // Captions that follow the language: OK, Cancel, the function lists.
    void onRefreshText();
    void btnClick(PngButton* sender);
    // Showing the dialog loads the set first.
    void setVisible(bool visible) override;

    double lastVKTime = 0;
    int32_t lastVK = VK_NONE;
    int32_t nVk[2][2] = {{VK_NONE, VK_NONE}, {VK_NONE, VK_NONE}};
    const QRectF rcGrid[2] = {QRectF(40, 51, 207, 205), QRectF(270, 51, 207, 205)};
    int32_t srIndex = 0;   // the column typed keys go to
    int32_t setIndex = 0;  // the knob set edited, 0..7
    QPointer<QObject> target;  // the call is made only while it lives
    SrCallback callback;
    WallClock clock = wallClockSeconds;

    PngButton* btnKey[2] = {nullptr, nullptr};
    ComboBtn* btnMedia[2] = {nullptr, nullptr};
    ModifierBoxes modifiers[2];

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    // A column records typed keys once its key field is clicked (or Tab
    // enters it); until then Escape and Return close the dialog.
    bool hasRecordingField() const override { return true; }
    bool recordsWhenShown() const override { return false; }
    void onRecordingFieldChanged() override;

private:
    void LoadSkins();
    // The column a control belongs to, or -1.
    int columnOf(const PngButton* control) const;
    void clearKey(int column);
    // Typed keys go to the column from now on.
    void selectColumn(int column);
    void commit();
    void close(bool report);
};

// Opens the dialog for owner, whose callback OK then makes.
void showSrView(QObject* owner, HideView* overlay, SrView* dialog, SrCallback callback);

}  // namespace keyloom
