#include "ui/LedView.h"

#include <QLabel>
#include <QPainter>

#include "config/gvar.h"
#include "config/language.h"
#include "device/apply.h"
#include "model/stprofile.h"
#include "ui/ColorPanel.h"
#include "ui/KbColorView.h"
#include "ui/Skin.h"
#include "widgets/ComboBtn.h"
#include "widgets/Frame.h"
#include "widgets/Outline.h"
#include "widgets/TextDraw.h"
#include "widgets/TextField.h"

namespace keyloom {

namespace {

constexpr int kApplyLighting = 2;  // the lighting flag of an apply
constexpr qreal kColourBandGap = 51;  // from the window's top edge to the colour panel
const QRectF kModeChooser(13, 250, 0, 0);
const QRectF kBrightness(15, 172, 140, 18);
const QRectF kBrightnessValue(156, 169, 35, 18);
const QRectF kSpeed(15, 110, 140, 18);
const QRectF kSpeedValue(156, 107, 30, 18);
const QRectF kPaintCell(20, 20, 20, 20);

// Modes the configuration's LedMask hides from the chooser.
bool hiddenByConfig(int mode) {
    return (gVar.LedMask >> mode & 1) != 0;
}

QString numberText(int value) {
    return QString::number(value);
}

}  // namespace

LedView4417::LedView4417(QWidget* window, const QRectF& frame) : LedView(window) {
    setFocusPolicy(Qt::NoFocus);  // the panel never takes the keyboard
    setFrame(this, frame);
}

QRectF LedView4417::colorPanelFrame(qreal windowHeight) {
    // Centred over the key picture's card, in the band under the header.
    return QRectF(341, windowHeight - kColourBandGap - 155, 460, 155);
}

QString LedView4417::get_led_name(int mode) {
    if (mode < 0 || mode >= kModeCount) return {};
    return QString::fromStdString(GetText("tc_led_mode" + std::to_string(mode + 1)));
}

void LedView4417::LoadSkins() {
    const WidgetSkin skin = uiSkin();
    const ButtonAction click = [this](PngButton* sender) { btnClick(sender); };
    const QString combo = QStringLiteral("combo_nr.png");
    btnLedMode = newComboBtn(this, skin, combo, combo, combo, false, {}, kModeChooser, click);
    for (int mode = 0; mode < kModeCount; ++mode) {
        const QString name = get_led_name(mode);
        if (!hiddenByConfig(mode) && !name.isEmpty()) btnLedMode->AddString(name, mode);
    }

    ColorGridView* paint = new ColorGridView(this);
    setFrame(paint, kPaintCell);
    paint->setBkgColor(colorFromBgr(gVar.clrGaoshou), false);  // the per-key mode's own colour to begin with
    paint->clrFrame = 0xC8C8C8;
    paint->bCheckGrid = true;
    paint->pickEnable = 1;
    paint->bRGB = true;
    paint->check_delegate = this;
    paint->hide();
    gridColor[0] = paint;

    const int lightMin = int(gVar.LightVal.x), lightMax = int(gVar.LightVal.y);
    const int speedMin = int(gVar.SpeedVal.x), speedMax = int(gVar.SpeedVal.y);
    barLight = MySlider::NewSlider2(this, QStringLiteral("dpi_bar.png"), QStringLiteral("slider.png"), lightMin,
                                    lightMax, kBrightness, kBrightnessBar, false);
    barSpeed = MySlider::NewSlider2(this, QStringLiteral("dpi_bar.png"), QStringLiteral("slider.png"), speedMin,
                                    speedMax, kSpeed, kSpeedBar, false);
    txtLight = newTextView(this, skin, std::nullopt, kBrightnessValue);
    txtSpeed = newTextView(this, skin, std::nullopt, kSpeedValue);

    if (QWidget* window = parentWidget()) {
        colorPanel = new ColorPanel(window);
        setFrame(colorPanel, colorPanelFrame(window->height()));
        colorPanel->hide();
        // The band under the header says how to get the colours when they are not offered.
        colourHint = newTextView(window, skin, std::nullopt, colorPanelFrame(window->height()));
        colourHint->setWordWrap(true);
    }
    makeTarget(paint);
    paint->setCheck(true);
    onRefreshText();
}

void LedView4417::onRefreshText() {
    for (int mode = 0; mode < kModeCount; ++mode)
        if (!hiddenByConfig(mode)) btnLedMode->UpdateStringForItemData(mode, get_led_name(mode));
    btnLedMode->setLabel(uiText("tc_msg1"));
    if (barLight) barLight->setAccessibleName(uiText("tc_adv_str2"));
    if (barSpeed) barSpeed->setAccessibleName(uiText("tc_adv_str3"));
    gridColor[0]->setAccessibleName(uiText("tc_paint_colour"));
    gridColor[0]->setToolTip(uiText("tc_paint_colour_tip"));
    if (colourHint)
        colourHint->setText(QString::fromStdString(
            FormatText("tc_paint_hint", {get_led_name(gVar.GaoshouIndex).toStdString()})));
    update();
    SetUI(nullptr);
}

int LedView4417::listedModeCount() const {
    return btnLedMode ? btnLedMode->GetCount() : 0;
}

_ST_PROFILE* LedView4417::profileOr(_ST_PROFILE* profile) {
    return profile ? profile : get_current_profile();
}

void LedView4417::SetUI(_ST_PROFILE* given) {
    _ST_PROFILE* profile = profileOr(given);
    if (!profile) return;
    const int mode = profile->stAdv.nMode;
    // Bounded by the listed modes themselves: a hidden lower mode does not
    // hide a listed higher one.
    if (!btnLedMode->SetCurSelForItemData(mode)) return;
    InitUILayoutForRGBMode(mode);
}

void LedView4417::GetUI(_ST_PROFILE* given) {
    _ST_PROFILE* profile = profileOr(given);
    const int mode = btnLedMode->GetCurSel() >= 0 ? btnLedMode->getItemData() : -1;
    if (!profile || mode < 0 || mode >= LED_MODE_SLOTS) return;
    profile->stAdv.nMode = mode;
    // Hidden sliders are read too: they keep the last position they were given.
    profile->stAdv.stRgbCfg[mode].nSpeed = barSpeed ? barSpeed->getPos() : 0;
    profile->stAdv.stRgbCfg[mode].nLight = barLight ? barLight->getPos() : 0;
}

void LedView4417::btnClick(PngButton* sender) {
    if (sender != btnLedMode || btnLedMode->GetCurSel() < 0) return;
    const int mode = btnLedMode->getItemData();
    _ST_PROFILE* profile = get_current_profile();
    if (profile && profile->stAdv.nMode == mode) return;
    if (profile) profile->stAdv.nMode = mode;
    InitUILayoutForRGBMode(mode);
    GetUI(profile);
    applyLightingWhenAsked();
}

void LedView4417::InitUILayoutForRGBMode(int mode) {
    _ST_PROFILE* profile = get_current_profile();
    const bool known = mode >= 0 && mode < LED_OPT_COUNT;
    const _LED_OPT* opt = known ? &gVar.LedOpt[mode] : nullptr;
    const bool speed = opt && opt->bSpeed != 0;
    const bool light = opt && opt->bLight != 0;
    if (barSpeed) barSpeed->setVisible(speed);
    txtSpeed->setVisible(speed);
    if (barLight) barLight->setVisible(light);
    txtLight->setVisible(light);
    // The lighting command carries no colour: the colour panel chooses the
    // paint colour of the per-key mode and shows only there.
    const bool perKey = IsLedGameMode(mode);
    if (colorPanel) colorPanel->setVisible(perKey);
    if (colourHint) colourHint->setVisible(!perKey);
    gridColor[0]->setVisible(perKey);

    if (profile && mode >= 0 && mode < LED_MODE_SLOTS) {
        const _RGB_CFG& cfg = profile->stAdv.stRgbCfg[mode];
        if (barLight) barLight->setPos(cfg.nLight);
        if (barSpeed) barSpeed->setPos(cfg.nSpeed);
        txtLight->setText(numberText(cfg.nLight));
        txtSpeed->setText(numberText(cfg.nSpeed));
    }
    if (KbColorView* map = kbView()) {
        const int group = profile ? profile->stAdv.nKeyColorGroup : -1;
        if (perKey && profile && group >= 0 && group < KEY_COLOR_GROUPS) {
            map->setOper(KbColorView::OPER_COLOR);
            map->setKeyColor(profile->stAdv.dwKeyColor[group]);
        } else {
            map->setOper(KbColorView::OPER_FUNCTION);
        }
    }
    update();
}

uint32_t LedView4417::getGridColor(int n) const {
    return n >= 0 && n < 8 && gridColor[n] ? gridColor[n]->getBkgColor() : 0;
}

void LedView4417::syncColorGrid(int count) {
    ColorGridView* checked = nullptr;
    for (int n = 0; n < 8; ++n) {
        if (!gridColor[n]) continue;
        const bool shown = n < count;
        gridColor[n]->setVisible(shown);
        if (shown && gridColor[n]->getCheck() && !checked) checked = gridColor[n];
        if (!shown) gridColor[n]->setCheck(false);
    }
    if (!checked && count > 0 && gridColor[0]) {
        checked = gridColor[0];
        checked->setCheck(true);
    }
    if (checked) makeTarget(checked);
}

void LedView4417::makeTarget(ColorGridView* cell) {
    if (colorPanel) {
        colorPanel->targetView = cell;
        colorPanel->setColor(cell->bkgColor(), true);
    }
}

void LedView4417::onSliderMoving(int value, MySlider* sender) {
    QLabel* field = sender == barLight ? txtLight : sender == barSpeed ? txtSpeed : nullptr;
    if (field) field->setText(numberText(value));
}

void LedView4417::onSliderChanged(int value, MySlider* sender) {
    onSliderMoving(value, sender);
    GetUI(nullptr);
    applyLightingWhenAsked();
}

void LedView4417::onColorGridCheck(bool, ColorGridView* sender) {
    for (ColorGridView* cell : gridColor)
        if (cell) cell->setCheck(cell == sender);
    makeTarget(sender);
}

void LedView4417::onColorGridChanged(ColorGridView* sender) {
    // The colour panel shows the cell it edits, whoever changed it.
    if (colorPanel && sender && colorPanel->targetView == sender) colorPanel->setColor(sender->bkgColor(), true);
    GetUI(nullptr);
    applyLightingWhenAsked();
}

void LedView4417::applyLightingWhenAsked() {
    if (gVar.ApplyNow != 0 && get_current_profile()) quiet_apply_kb(kApplyLighting);
}

void LedView4417::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const TextStyle style = panelTextStyle(TextAlign::Left);
    auto label = [&](const char* key, const QWidget* control) {
        if (control && !control->isHidden())
            myDrawText(painter, uiText(key), style, get_up_text_rect(control, 0), height());
    };
    label("tc_msg1", btnLedMode);
    label("tc_adv_str4", gridColor[0]);
    label("tc_adv_str2", barLight);
    label("tc_adv_str3", barSpeed);
    if (gVar.FrameDebug) {
        drawOutline(painter, QRectF(rect()), Qt::green);
    }
}

}  // namespace keyloom
