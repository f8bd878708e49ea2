// The lighting panel: the lighting mode, its brightness and speed, and, in
// the per-key mode, the paint colour with the colour panel. It edits the
// lighting block of the current profile, asks for a lighting apply after each
// change when the configuration writes changes at once, and switches the key
// map between its function view and the per-key colours.
#pragma once
#include <QPointer>
#include <QString>
#include <QWidget>

#include "ui/ColorGridView.h"
#include "widgets/MySlider.h"

class QLabel;

namespace keyloom {

class ColorPanel;
class ComboBtn;
class KbColorView;
class PngButton;
struct _ST_PROFILE;

// What every lighting panel offers the main window.
class LedView : public QWidget {
public:
    using QWidget::QWidget;

    virtual void onRefreshText() {}
    virtual void LoadSkins() {}
    virtual int getHeight() const { return 0; }
    // Controls -> profile, and profile -> controls; none means the current profile.
    virtual void GetUI(_ST_PROFILE*) {}
    virtual void SetUI(_ST_PROFILE*) {}

    void setKbView(KbColorView* view) { kbView_ = view; }
    KbColorView* kbView() const { return kbView_; }

private:
    QPointer<KbColorView> kbView_;
};

class LedView4417 : public LedView, public SliderDelegate, public ColorGridCheckDelegate {
public:
    static constexpr int WIDTH = 190;
    static constexpr int HEIGHT = 307;
    static constexpr int kBrightnessBar = 1;
    static constexpr int kSpeedBar = 2;
    static constexpr int kModeCount = 21;  // modes 0..20 may be listed

    // A panel in window at frame (bottom-left origin); LoadSkins builds it.
    LedView4417(QWidget* window, const QRectF& frame);

    void onRefreshText() override;
    // Builds the controls and fills the mode list. The colour panel is a
    // child of the window, in the colour band above the key map.
    void LoadSkins() override;
    void GetUI(_ST_PROFILE* profile) override;
    void SetUI(_ST_PROFILE* profile) override;

    // The window picture's band under its header that holds the colour panel;
    // the window's header controls sit this much higher than the rest.
    static constexpr qreal kColourBandHeight = 168;
    // Where the colour panel lies in a window of the given height (bottom-left origin).
    static QRectF colorPanelFrame(qreal windowHeight);
    static QString get_led_name(int mode);
    // How many modes the chooser lists: those with a text that LedMask does not hide.
    int listedModeCount() const;

    uint32_t getGridColor(int n) const;
    void syncColorGrid(int count);
    void btnClick(PngButton* sender);
    void InitUILayoutForRGBMode(int mode);

    void onSliderMoving(int value, MySlider* sender) override;
    void onSliderChanged(int value, MySlider* sender) override;
    void onColorGridCheck(bool checked, ColorGridView* sender) override;
    void onColorGridChanged(ColorGridView* sender) override;

    ComboBtn* btnLedMode = nullptr;
    MySlider* barLight = nullptr;
    MySlider* barSpeed = nullptr;
    QLabel* txtLight = nullptr;
    QLabel* txtSpeed = nullptr;
    ColorPanel* colorPanel = nullptr;
    QLabel* colourHint = nullptr;  // in the colour panel's place while it is hidden
    ColorGridView* gridColor[8] = {};  // only the first is made: the paint colour

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    static _ST_PROFILE* profileOr(_ST_PROFILE* profile);
    void applyLightingWhenAsked();
    void makeTarget(ColorGridView* cell);
};

}  // namespace keyloom
