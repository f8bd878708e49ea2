// The simulated keyboard's window: after an apply through the link it shows
// what the keyboard received (lighting, knob, lit and changed keys, macro
// slots), it follows the keyboard by itself, and its buttons act as the
// keyboard: layer switches and the knob chooser reach the link as
// notifications, unplug and plug reach it as hot-plug.
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <array>

#include "macro/macrofile.h"
#include "ui/SimKeyboardView.h"
#include "widgets/mainview_ground.h"

namespace keyloom {
namespace {

using Note = std::array<uint8_t, 3>;

// Takes the link's notifications in place of the main window.
class Heard : public DeviceEvents {
public:
    void onPoP(uint8_t b1, uint8_t b2, uint8_t b3) override { notes.push_back({b1, b2, b3}); }
    void onExit() override {}
    void onLinkChanged(const HidDeviceRef& dev) override { links.push_back(dev != nullptr); }
    std::vector<Note> notes;
    std::vector<bool> links;  // true: a keyboard taken, false: lost
};

// The first keys after `from` that exist on the board, in table order.
std::vector<int> keysOnTheBoard(int from, int count) {
    std::vector<int> keys;
    for (int k = from; k < gVar.nKeyCount && int(keys.size()) < count; ++k)
        if (g_defKEY[k].dwFunID != 0 && g_defKEY[k].dwMatrixIdx < uint32_t(KEY_COUNT) && !IsFnKey(g_defKEY[k]) &&
            k != gVar.SrIndex)
            keys.push_back(k);
    return keys;
}

class SimKeyboardViewTest : public test::MainViewGround {
protected:
    void SetUp() override {
        MainViewGround::SetUp();
        addTappingMacro();
        plugKeyboard();
    }
    void TearDown() override {
        simView.reset();
        mainView = nullptr;
        MainViewGround::TearDown();
    }

    void buildSimView() {
        simView = std::make_unique<SimKeyboardView>(sim);
        simView->show();
    }
    static QString text(QLabel* label) { return label->text(); }

    std::unique_ptr<SimKeyboardView> simView;
    Heard heard;

private:
    void addTappingMacro() {
        _ST_MACRO macro{};
        ASSERT_EQ(new_macro("Tapping", &macro), 1);
        macro.stData.wRepeat = 1;
        for (int e = 0; e < 4; ++e) macro.stData.stItem[e] = {uint16_t(e / 2), uint16_t(e % 2 == 0), 30};
        ASSERT_TRUE(write_macro_file(data_.path() + "/mac/Tapping.mcf", &macro));
    }
};

TEST_F(SimKeyboardViewTest, AfterAnApplyItShowsTheLightingTheKeysAndTheMacroSlots) {
    const std::vector<int> keys = keysOnTheBoard(kChangedKey + 1, 3);
    ASSERT_EQ(keys.size(), 3u);
    const int macroKey = keys[0];
    // The game lighting mode with two lit keys, on layer M2 (whose table changes key 3).
    const int game = int(gVar.GaoshouIndex);
    profile->stAdv.nMode = game;
    profile->stAdv.stRgbCfg[game].nSpeed = 2;
    profile->stAdv.stRgbCfg[game].nLight = 3;
    profile->stAdv.nKeyColorGroup = 0;
    std::fill(std::begin(profile->stAdv.dwKeyColor[0]), std::end(profile->stAdv.dwKeyColor[0]), 0u);
    profile->stAdv.dwKeyColor[0][keys[1]] = 0x0000FF;
    profile->stAdv.dwKeyColor[0][keys[2]] = 0xFF8000;
    profile->nKnodSet = 2;
    profile->nLayer = 1;
    build();
    const _ST_MACRO* tapping = get_macro_by_name("Tapping");
    ASSERT_NE(tapping, nullptr);
    _KEYINFO& key = setOfMode(1, 0)->stKey[macroKey];
    key.dwFunID = MAKE_FUNID(FUN_MACRO, 0);
    key.dwMacroID = tapping->dwID;

    buildSimView();
    EXPECT_EQ(text(simView->matrixLabel), "No key matrix received yet");
    EXPECT_EQ(text(simView->macroSlots[0]), "0: empty");
    EXPECT_EQ(text(simView->lightingLabel), "Lighting: no lighting command received yet");
    EXPECT_TRUE(simView->keyPicture->changedKeys().empty());

    // The view follows the apply by itself: nothing here asks it to refresh.
    startWorker();
    click(probe->btnApply());
    ASSERT_TRUE(test::runQtUntil([&] { return !applies.empty(); }));
    ASSERT_TRUE(applies[0].ok);
    ASSERT_TRUE(test::runQtUntil([&] { return !simView->keyPicture->changedKeys().empty(); }));

    EXPECT_EQ(text(simView->plugLabel), "Plugged in: yes");
    EXPECT_EQ(
        text(simView->lightingLabel),
        QStringLiteral("Lighting: mode %1, brightness 3, speed 4, layer M2 (as sent)").arg(gVar.LedOpt[game].nHwMode));
    EXPECT_EQ(simView->keyPicture->changedKeys(), (std::vector<int>{kChangedKey, macroKey}));
    EXPECT_EQ(text(simView->matrixLabel), "Keys not at their factory function: 2");
    EXPECT_EQ(simView->keyPicture->litKeys(), (std::vector<int>{keys[1], keys[2]}));
    EXPECT_TRUE(text(simView->macroSlots[0]).contains(QRegularExpression("^0: [1-9][0-9]* events$")));
    for (int n = 1; n < SIM_MACRO_SLOTS; ++n)
        EXPECT_EQ(text(simView->macroSlots[size_t(n)]), QStringLiteral("%1: empty").arg(n));

    EXPECT_EQ(text(simView->knobLabel), "Selected set: 3");
    const QRegularExpression row("^[ ▶] [1-8]   [0-9a-f]{8}    [0-9a-f]{8}$");
    for (int s = 0; s < 8; ++s) {
        EXPECT_TRUE(row.match(text(simView->knobRows[size_t(s)])).hasMatch())
            << text(simView->knobRows[size_t(s)]).toStdString();
        EXPECT_EQ(text(simView->knobRows[size_t(s)]).startsWith(QStringLiteral("▶")), s == 2);
    }
    test::saveScreenshot(simView.get(), "simkeyboard_view_applied");
}

TEST_F(SimKeyboardViewTest, ItsButtonsSendTheLayerAndTheKnobNotifications) {
    build();
    mainView = &heard;
    buildSimView();
    EXPECT_EQ(text(simView->layerLabel), "Layer on the keyboard: M1");
    for (QPushButton* b : {simView->btnKnobLeft, simView->btnKnobRight, simView->btnKnobConfirm})
        EXPECT_FALSE(b->isEnabled());  // the chooser is closed

    click(simView->btnLayer[1]);
    ASSERT_TRUE(test::runQtUntil([&] { return heard.notes.size() == 1; }));
    EXPECT_EQ(heard.notes[0], (Note{0x02, 6, 0}));
    ASSERT_TRUE(test::runQtUntil([&] { return text(simView->layerLabel) == "Layer on the keyboard: M2"; }));
    EXPECT_TRUE(simView->btnLayer[1]->isChecked());
    EXPECT_FALSE(simView->btnLayer[0]->isChecked());

    // Opened at the first set (no lighting sent yet), turned left past the start and back.
    heard.notes.clear();
    click(simView->btnKnobOpen);
    EXPECT_EQ(simView->chooserSet(), 0);
    EXPECT_FALSE(simView->btnKnobOpen->isEnabled());
    click(simView->btnKnobLeft);
    EXPECT_EQ(simView->chooserSet(), 7);
    click(simView->btnKnobRight);
    click(simView->btnKnobRight);
    EXPECT_TRUE(text(simView->knobLabel).endsWith("chooser open at 2"));
    test::saveScreenshot(simView.get(), "simkeyboard_view_chooser_open");
    click(simView->btnKnobConfirm);
    ASSERT_TRUE(test::runQtUntil([&] { return heard.notes.size() == 5; }));
    EXPECT_EQ(heard.notes, (std::vector<Note>{{1, 4, 0}, {8, 5, 0}, {1, 5, 0}, {2, 5, 0}, {2, 4, 0}}));
    EXPECT_EQ(simView->chooserSet(), -1);
    EXPECT_TRUE(simView->btnKnobOpen->isEnabled());
    EXPECT_FALSE(simView->btnKnobConfirm->isEnabled());
}

TEST_F(SimKeyboardViewTest, UnplugAndPlugReachTheLinkAndTheView) {
    build();
    mainView = &heard;
    buildSimView();
    click(simView->btnKnobOpen);
    EXPECT_FALSE(simView->btnPlug->isEnabled());

    click(simView->btnUnplug);
    ASSERT_TRUE(test::runQtUntil([&] { return link->GetDeviceHandle() == nullptr; }));
    ASSERT_TRUE(test::runQtUntil([&] { return text(simView->plugLabel) == "Plugged in: no"; }));
    EXPECT_EQ(heard.links, std::vector<bool>{false});
    EXPECT_EQ(simView->chooserSet(), -1);  // the keyboard's chooser went with it
    EXPECT_TRUE(simView->btnPlug->isEnabled());
    for (QPushButton* b : {simView->btnUnplug, simView->btnLayer[0], simView->btnKnobOpen, simView->btnKnobConfirm})
        EXPECT_FALSE(b->isEnabled());
    test::saveScreenshot(simView.get(), "simkeyboard_view_unplugged");

    click(simView->btnPlug);
    ASSERT_TRUE(test::runQtUntil([&] { return link->GetDeviceHandle() != nullptr; }));
    ASSERT_TRUE(test::runQtUntil([&] { return text(simView->plugLabel) == "Plugged in: yes"; }));
    EXPECT_EQ(heard.links.back(), true);
    EXPECT_TRUE(simView->btnUnplug->isEnabled());
    EXPECT_FALSE(simView->btnPlug->isEnabled());
}

}  // namespace
}  // namespace keyloom
