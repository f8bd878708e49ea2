// The lighting panel in a window of the shipped size with the key map: the
// mode list and masked modes, choosing a mode, the sliders' numbers while
// dragging and the profile and apply request only when a drag ends, the
// per-key mode's key map, paint colour and colour panel, and no apply with
// ApplyNow 0.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <cstring>

#include "config/gvar.h"
#include "config/language.h"
#include "device/apply.h"
#include "model/stprofile.h"
#include "skingen/skin_sizes.h"
#include "ui/ColorPanel.h"
#include "ui/KbColorView.h"
#include "ui/LedView.h"
#include "widgets/ComboBtn.h"
#include "widgets/Frame.h"
#include "widgets/ImageProcess.h"
#include "widgets/MySlider.h"
#include "widgets/widget_test_support.h"

namespace keyloom {
namespace {

constexpr int kStatic = 0;   // brightness only, in the shipped model
constexpr int kWave = 4;     // brightness and speed
constexpr int kBreathing = 2;

class LightingPanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::useShippedConfig();
        savedMask_ = gVar.LedMask;
        savedApplyNow_ = gVar.ApplyNow;
        msParam = std::make_unique<ThreadParam>();  // requests wait here; no worker takes them
        init_profile_list();
        _ST_PROFILE profile{};
        profile.dwMagic = PROFILE_MAGIC;
        profile.dwID = 3;
        for (int m = 0; m < LED_MODE_SLOTS; ++m) profile.stAdv.stRgbCfg[m] = _RGB_CFG{3, 9, 0, 0, {}};
        profile.stAdv.stRgbCfg[kWave] = _RGB_CFG{2, 12, 0, 0, {}};
        profile.stAdv.nMode = kWave;
        profile.stAdv.nKeyColorGroup = 1;
        for (int k = 0; k < KEY_COUNT; ++k) profile.stAdv.dwKeyColor[1][k] = k % 2 ? 0x2040FF : 0;
        this->profile = add_new_profile_to_list(&profile);
        set_current_profile(this->profile);
    }
    void TearDown() override {
        window.reset();
        destroy_profile_list();
        msParam.reset();
        gVar.LedMask = savedMask_;
        gVar.ApplyNow = savedApplyNow_;
    }

    void build() {
        window = std::make_unique<QWidget>();
        const QImage background = loadSkinImage(QStringLiteral("main_nr.png"));
        window->resize(background.size());
        auto* ground = new QLabel(window.get());
        ground->setPixmap(QPixmap::fromImage(background));
        ground->resize(background.size());
        map = new KbColorView(window.get());
        map->LoadSkins();
        setFrame(map, QRectF(gVar.rcKB.x, gVar.rcKB.y, map->keyPicture().width(), map->keyPicture().height()));
        map->setKeyRectsFromTable(g_defKEY);
        panel = new LedView4417(window.get(), QRectF(43, 196, LedView4417::WIDTH, LedView4417::HEIGHT));
        panel->LoadSkins();
        panel->setKbView(map);
        panel->SetUI(nullptr);
        window->show();
    }
    bool applyRequested() {
        std::lock_guard<std::mutex> lock(msParam->pendingLock);
        const bool requested = msParam->requested;
        EXPECT_TRUE(!requested || msParam->nFlag == 2) << msParam->nFlag;
        msParam->requested = false;
        return requested;
    }
    std::vector<int> listedModes() const {
        std::vector<int> modes;
        for (int i = 0; i < panel->btnLedMode->GetCount(); ++i) {
            const int current = panel->btnLedMode->GetCurSel();
            panel->btnLedMode->SetCurSel(i);
            modes.push_back(panel->btnLedMode->getItemData());
            panel->btnLedMode->SetCurSel(current);
        }
        return modes;
    }
    void choose(int mode) { panel->btnLedMode->onMenuClicked(mode, 0); }
    // Drags a slider's knob by dx points and lets go, checking the state before the release.
    template <typename BeforeRelease>
    void drag(MySlider* slider, int dx, BeforeRelease beforeRelease) {
        MyKnob* knob = slider->knob();
        const QPoint grab(knob->width() / 2, knob->height() / 2);
        test::pressAt(knob, grab);
        test::moveTo(knob, grab + QPoint(1, 0), Qt::LeftButton);
        test::moveTo(knob, grab + QPoint(dx, 0), Qt::LeftButton);
        beforeRelease();
        test::releaseAt(knob, grab + QPoint(dx, 0));
    }

    std::unique_ptr<QWidget> window;
    KbColorView* map = nullptr;
    LedView4417* panel = nullptr;
    _ST_PROFILE* profile = nullptr;

private:
    int32_t savedMask_ = 0;
    int32_t savedApplyNow_ = 0;
};

TEST_F(LightingPanelTest, ListsTheModesWithTextsAndNotTheMaskedOnes) {
    gVar.LedMask = 0;
    build();
    std::vector<int> expected;
    for (int m = 0; m < LedView4417::kModeCount; ++m)
        if (!LedView4417::get_led_name(m).isEmpty()) expected.push_back(m);
    EXPECT_EQ(listedModes(), expected);
    EXPECT_EQ(panel->listedModeCount(), int(expected.size()));
    EXPECT_EQ(panel->btnLedMode->caption(), LedView4417::get_led_name(kWave));
    EXPECT_TRUE(LedView4417::get_led_name(21).isEmpty());

    // Masking modes 0 and 2 leaves them out; the highest mode still shows,
    // though its number is not below the count of listed modes.
    gVar.LedMask = 1 << 0 | 1 << 2;
    profile->stAdv.nMode = int(expected.back());
    build();
    const std::vector<int> listed = listedModes();
    EXPECT_EQ(std::count(listed.begin(), listed.end(), 0), 0);
    EXPECT_EQ(std::count(listed.begin(), listed.end(), 2), 0);
    EXPECT_EQ(panel->listedModeCount(), int(expected.size()) - 2);
    EXPECT_GE(profile->stAdv.nMode, panel->listedModeCount());
    EXPECT_EQ(panel->btnLedMode->getItemData(), profile->stAdv.nMode);

    // A mode that is not listed is not shown.
    profile->stAdv.nMode = 2;
    panel->SetUI(nullptr);
    EXPECT_EQ(panel->btnLedMode->getItemData(), expected.back());
}

TEST_F(LightingPanelTest, ChoosingAModeShowsItsControlsWritesTheProfileAndApplies) {
    build();
    EXPECT_TRUE(panel->barSpeed->isVisible());
    EXPECT_EQ(panel->barLight->getPos(), 12);
    EXPECT_EQ(panel->txtSpeed->text(), "2");
    EXPECT_FALSE(applyRequested());
    test::saveScreenshot(window.get(), "lighting_wave_speed_and_brightness");

    choose(kWave);  // the mode already set: nothing written, nothing sent
    EXPECT_FALSE(applyRequested());

    choose(kStatic);
    EXPECT_EQ(profile->stAdv.nMode, kStatic);
    EXPECT_TRUE(applyRequested());
    EXPECT_EQ(panel->barSpeed->isVisible(), gVar.LedOpt[kStatic].bSpeed != 0);
    EXPECT_EQ(panel->barLight->isVisible(), gVar.LedOpt[kStatic].bLight != 0);
    EXPECT_EQ(panel->txtLight->text(), "9");
    EXPECT_FALSE(panel->colorPanel->isVisible());  // the lighting command carries no colour
    EXPECT_TRUE(panel->colourHint->isVisible());
    EXPECT_TRUE(panel->colourHint->text().contains(LedView4417::get_led_name(gVar.GaoshouIndex)));
    EXPECT_EQ(map->oper(), KbColorView::OPER_FUNCTION);
    test::saveScreenshot(window.get(), "lighting_static_colour_mode");

    // Without ApplyNow nothing goes to the keyboard; the profile still changes.
    gVar.ApplyNow = 0;
    choose(kBreathing);
    EXPECT_EQ(profile->stAdv.nMode, kBreathing);
    EXPECT_FALSE(applyRequested());
}

TEST_F(LightingPanelTest, SlidersShowNumbersWhileDraggingAndWriteWhenLetGo) {
    build();
    const _ST_PROFILE before = *profile;
    drag(panel->barLight, -40, [&] {
        EXPECT_NE(panel->txtLight->text(), "12");  // the number follows the knob
        EXPECT_EQ(panel->txtLight->text(), QString::number(panel->barLight->getPos()));
        EXPECT_EQ(std::memcmp(profile, &before, sizeof before), 0);
        EXPECT_FALSE(applyRequested());
    });
    EXPECT_EQ(profile->stAdv.stRgbCfg[kWave].nLight, panel->barLight->getPos());
    EXPECT_LT(profile->stAdv.stRgbCfg[kWave].nLight, 12);
    EXPECT_EQ(profile->stAdv.stRgbCfg[kWave].nSpeed, 2);
    EXPECT_TRUE(applyRequested());

    gVar.ApplyNow = 0;
    drag(panel->barSpeed, 60, [] {});
    EXPECT_GT(profile->stAdv.stRgbCfg[kWave].nSpeed, 2);
    EXPECT_FALSE(applyRequested());
}

TEST_F(LightingPanelTest, ThePerKeyModePaintsTheKeyMapAndOffersThePaintColour) {
    build();
    const int perKey = gVar.GaoshouIndex;
    choose(perKey);
    EXPECT_EQ(map->oper(), KbColorView::OPER_COLOR);
    EXPECT_EQ(map->getKeyColor(1), 0x2040FFu);
    EXPECT_EQ(map->getKeyColor(2), 0u);
    ColorGridView* paint = panel->gridColor[0];
    ASSERT_TRUE(paint);
    EXPECT_TRUE(paint->isVisible());
    EXPECT_EQ(paint->getBkgColor(), gVar.clrGaoshou);
    EXPECT_TRUE(panel->colorPanel->isVisible());
    EXPECT_FALSE(panel->colourHint->isVisible());
    EXPECT_EQ(panel->colorPanel->targetView, paint);

    // The colour panel lies in the window's colour band: inside the window,
    // clear of the key map and of the lighting panel.
    const QRectF place = frameOf(panel->colorPanel);
    EXPECT_EQ(place, LedView4417::colorPanelFrame(window->height()));
    const skins::Area& band = skins::kColourPanelArea;
    EXPECT_EQ(flipRectToPixels(place, window->height()), QRect(band.x, band.y, band.w, band.h));
    EXPECT_TRUE(window->rect().contains(panel->colorPanel->geometry()));
    EXPECT_FALSE(panel->colorPanel->geometry().intersects(map->geometry()));
    EXPECT_FALSE(panel->colorPanel->geometry().intersects(panel->geometry()));

    // A colour chosen in the panel becomes the paint colour (and is asked to be applied).
    applyRequested();
    panel->colorPanel->onGraClicked(QColor(0, 255, 0));
    EXPECT_EQ(paint->getBkgColor(), 0x00FF00u);
    EXPECT_TRUE(applyRequested());
    // A colour the cell gets elsewhere (the pick dialog) shows in the panel too.
    paint->setBkgColor(QColor(0, 0, 255), true);
    EXPECT_EQ(bgrFromColor(panel->colorPanel->color()), 0xFF0000u);
    test::saveScreenshot(window.get(), "lighting_per_key_mode");

    // Leaving the mode gives the key map its function view back.
    choose(kWave);
    EXPECT_EQ(map->oper(), KbColorView::OPER_FUNCTION);
    EXPECT_FALSE(paint->isVisible());
    EXPECT_FALSE(panel->colorPanel->isVisible());
    // A change of language keeps the paint colour.
    panel->onRefreshText();
    EXPECT_EQ(paint->getBkgColor(), 0xFF0000u);
}

}  // namespace
}  // namespace keyloom
