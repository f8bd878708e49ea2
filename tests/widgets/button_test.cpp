// Skinned buttons: which image and caption colour each state shows, caption
// placement and tooltips, the click rules, and the drop-down selector with its
// two actions around the menu.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetricsF>
#include <QPointer>
#include <QTest>

#include "config/gvar.h"
#include "core/test_support.h"
#include "ui/Skin.h"
#include "widgets/ComboBtn.h"
#include "widgets/Frame.h"
#include "widgets/MenuWindow.h"
#include "widgets/PngButton.h"
#include "widgets/TextDraw.h"
#include "widgets/own_skins.h"
#include "widgets/widget_test_support.h"

namespace keyloom {
namespace {

using test::filled;
using test::OwnSkins;

struct ActionLog {
    ButtonAction action() {
        return [this](PngButton* b) { calls.push_back({b, b->caption(), b->getItemData()}); };
    }
    struct Call {
        PngButton* sender;
        QString caption;
        int itemData;
    };
    std::vector<Call> calls;
};

struct HoverLog : ButtonHoverDelegate {
    void onMouseInButton(int itemData, PngButton* sender) override { events.push_back({"in", itemData, sender}); }
    void onMouseOutButton(int itemData, PngButton* sender) override { events.push_back({"out", itemData, sender}); }
    struct Event {
        std::string what;
        int itemData;
        PngButton* sender;
        bool operator==(const Event&) const = default;
    };
    std::vector<Event> events;
};

const QImage kNr = filled({80, 24}, Qt::red);
const QImage kOv = filled({80, 24}, Qt::green);
const QImage kDn = filled({80, 24}, Qt::blue);

TEST(PngButton, ImagesFollowPointerAndPressButCheckButtonsOnlyTheirState) {
    test::useShippedConfig();
    QWidget panel;
    panel.resize(200, 100);
    PngButton* push = newPngButton(nullptr, &panel, uiSkin(), kNr, kOv, kDn, false, QRectF(10, 60, 80, 24), QRectF(),
                                   std::nullopt, "Push", {});
    EXPECT_EQ(test::pixelAt(push, {2, 2}), QColor(Qt::red));
    test::saveScreenshot(push, "button_normal");
    test::enterWidget(push);
    EXPECT_EQ(test::pixelAt(push, {2, 2}), QColor(Qt::green));
    test::saveScreenshot(push, "button_over");
    test::pressAt(push, {5, 5});
    EXPECT_EQ(test::pixelAt(push, {2, 2}), QColor(Qt::blue));
    test::saveScreenshot(push, "button_pressed");
    test::releaseAt(push, {5, 5});
    test::leaveWidget(push);
    EXPECT_EQ(test::pixelAt(push, {2, 2}), QColor(Qt::red));

    // A tick box with an over picture still shows normal or pressed only.
    OwnSkins skins;
    const QString nr = skins.add("check_nr.png", kNr);
    const QString ov = skins.add("check_ov.png", kOv);
    const QString dn = skins.add("check_dn.png", kDn);
    PngButton check(&panel);
    check.isCheckBtn = true;
    check.setGeometry(10, 50, 80, 24);
    check.setImageNr(nr, ov, dn);
    test::enterWidget(&check);
    EXPECT_EQ(test::pixelAt(&check, {2, 2}), QColor(Qt::red));
    test::pressAt(&check, {5, 5});
    EXPECT_EQ(test::pixelAt(&check, {2, 2}), QColor(Qt::red));
    test::releaseAt(&check, {5, 5});
    EXPECT_FALSE(check.getCheck());  // the owner toggles, not the button
    check.setCheck(true);
    EXPECT_EQ(test::pixelAt(&check, {2, 2}), QColor(Qt::blue));
    test::leaveWidget(&check);
    EXPECT_EQ(test::pixelAt(&check, {2, 2}), QColor(Qt::blue));
    check.setCaption("On");
    test::saveScreenshot(&check, "button_checked");

    // A missing picture draws nothing for that state.
    PngButton bare(&panel);
    bare.setGeometry(0, 0, 20, 20);
    bare.setImageNr(skins.add("only_nr.png", kNr), "/nonexistent/ov.png", "/nonexistent/dn.png");
    test::enterWidget(&bare);
    EXPECT_TRUE(bare.currentImage().isNull());
}

TEST(PngButton, CaptionPlacementAndTooltipFollowTheWidth) {
    QWidget panel;
    panel.resize(300, 100);
    PngButton* button = newTextButton(&panel, uiSkin(), false, "OK", {}, QRectF(0, 0, 100, 24));
    panel.show();
    const QFontMetricsF metrics(get_font());
    const qreal okWidth = metrics.horizontalAdvance("OK");
    EXPECT_DOUBLE_EQ(button->captionPosition().x(), (100 - okWidth) / 2);
    EXPECT_DOUBLE_EQ(button->captionPosition().y(), (24 - metrics.height()) / 2);
    button->setTextAlignment(7);
    EXPECT_DOUBLE_EQ(button->captionPosition().x(), 7);
    button->setTextAlignment(-10);
    EXPECT_DOUBLE_EQ(button->captionPosition().x(), 100 - 10 - okWidth);

    // A caption of about 95 points would start left of the edge: it starts at 0.
    QString wide = "Caption";
    while (metrics.horizontalAdvance(wide) < 95) wide += "i";
    ASSERT_LT(metrics.horizontalAdvance(wide), 100);
    button->setCaption(wide);
    EXPECT_DOUBLE_EQ(button->captionPosition().x(), 0);
    EXPECT_TRUE(button->toolTip().isEmpty());

    const QString tooLong = "A caption much wider than its button";
    button->setCaption(tooLong);
    EXPECT_EQ(button->toolTip(), tooLong);
    test::saveScreenshot(button, "button_caption_too_long");
    button->setCaption("Short");
    EXPECT_TRUE(button->toolTip().isEmpty());
    // Narrowing the button brings the tooltip back.
    button->resize(10, 24);
    EXPECT_EQ(button->toolTip(), "Short");
}

TEST(PngButton, ReleaseAfterPressFiresWhereverThePointerIs) {
    QWidget panel;
    panel.resize(200, 100);
    ActionLog log;
    PngButton* button = newTextButton(&panel, uiSkin(), true, "Tick", log.action(), QRectF(10, 10, 80, 24));
    button->setItemData(7);
    test::releaseAt(button, {5, 5});  // no press first: nothing
    EXPECT_TRUE(log.calls.empty());

    test::pressAt(button, {5, 5});
    EXPECT_TRUE(button->isMouseDown());
    test::releaseAt(button, {-60, 300});
    EXPECT_FALSE(button->isMouseDown());
    ASSERT_EQ(log.calls.size(), 1u);
    EXPECT_EQ(log.calls[0].sender, button);
    EXPECT_EQ(log.calls[0].itemData, 7);
    EXPECT_FALSE(button->getCheck());

    test::pressAt(button, {5, 5}, Qt::RightButton);
    test::releaseAt(button, {5, 5}, Qt::RightButton);
    EXPECT_EQ(log.calls.size(), 1u);
}

TEST(PngButton, HoverIsReportedToTheDelegateAndLinksShowAPointingHand) {
    QWidget panel;
    panel.resize(200, 100);
    PngButton* link = newTextButton(&panel, uiSkin(), false, "www", {}, QRectF(10, 10, 80, 24));
    link->isWebLink = true;
    link->setItemData(3);
    HoverLog hover;
    link->setDelegate(&hover);

    test::enterWidget(link);
    EXPECT_TRUE(link->isMouseOver());
    EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
    test::leaveWidget(link);
    EXPECT_FALSE(link->isMouseOver());
    EXPECT_EQ(link->cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(hover.events, (std::vector<HoverLog::Event>{{"in", 3, link}, {"out", 3, link}}));
}

TEST(PngButton, UnequalImageSizesAreLoggedUnlessCutFromASource) {
    test::LogCapture capture;
    PngButton button;
    button.setImageNr(kNr, kOv, kDn, QRectF());
    EXPECT_TRUE(capture.sysLines().empty());

    button.setImageNr(kNr, filled({81, 24}, Qt::green), kDn, QRectF());
    EXPECT_EQ(capture.sysLines(), std::vector<std::string>{"PngButton: image size not equal"});

    // Cut from one sheet: each present picture becomes the source part.
    capture.clear();
    button.setImageNr(kNr, QImage(), filled({40, 40}, Qt::blue), QRectF(0, 0, 20, 10));
    EXPECT_TRUE(capture.sysLines().empty());
    EXPECT_EQ(button.imageNr().size(), QSize(20, 10));
    EXPECT_TRUE(button.imageOv().isNull());
    EXPECT_EQ(button.imageDn().size(), QSize(20, 10));
}

TEST(PngButton, FactoriesPlaceConfigureAndWireButtons) {
    OwnSkins skins;
    skins.add("btn_nr.png", kNr);
    skins.add("btn_ov.png", kOv);
    skins.add("btn_dn.png", kDn);
    QWidget panel;
    panel.resize(300, 200);
    ActionLog log;

    PngButton* sized = newPngButton2(nullptr, &panel, uiSkin(), "btn_nr.png", "btn_ov.png", "btn_dn.png", true,
                                     QRectF(20, 30, 0, 0), "Sized", log.action());
    EXPECT_EQ(sized->parentWidget(), &panel);
    EXPECT_EQ(frameOf(sized), QRectF(20, 30, 80, 24));
    EXPECT_EQ(sized->geometry(), QRect(20, 146, 80, 24));
    EXPECT_EQ(sized->Right(), 100);
    EXPECT_EQ(sized->Bottom(), 54);
    EXPECT_TRUE(sized->isCheckBtn);
    EXPECT_EQ(sized->caption(), "Sized");
    EXPECT_EQ(sized->getItemData(), 0);
    test::clickAt(sized, {3, 3});
    EXPECT_EQ(log.calls.size(), 1u);

    // Missing pictures leave the states empty; the frame still places the button.
    PngButton* missing = newPngButton2(nullptr, &panel, uiSkin(), "none_nr.png", "none_ov.png", "none_dn.png", false,
                                       QRectF(20, 80, 60, 20), "Missing", {});
    EXPECT_EQ(missing->size(), QSize(60, 20));
    EXPECT_TRUE(missing->currentImage().isNull());
    EXPECT_FALSE(missing->hasAction());

    // An existing button is configured in place.
    PngButton own(&panel);
    EXPECT_EQ(newPngButton(&own, &panel, uiSkin(), kNr, kOv, kDn, false, QRectF(0, 0, 80, 24), QRectF(), std::nullopt,
                           "Own", {}),
              &own);
    EXPECT_EQ(own.caption(), "Own");
    EXPECT_EQ(own.isDebug, gVar.FrameDebug != 0);
}

// --- drop-down selector ---

ComboBtn* comboWithThree(QWidget* panel, ActionLog& log, const QRectF& frame) {
    ComboBtn* combo = newTextComboBtn(panel, uiSkin(), false, "", log.action(), frame);
    combo->AddString("Slow", 10);
    combo->AddString("Medium", 20);
    combo->AddString("Fast", 30);
    combo->SetCurSel(0);
    return combo;
}

TEST(ComboBtn, EntriesAndSelectionKeepCaptionAndItemDataInStep) {
    QWidget panel;
    panel.resize(200, 100);
    ComboBtn* combo = newTextComboBtn(&panel, uiSkin(), false, "", {}, QRectF(10, 10, 100, 24));
    EXPECT_EQ(combo->GetCurSel(), -1);
    EXPECT_EQ(combo->GetCount(), 0);
    combo->SetCurSel(0);  // no list yet: nothing
    EXPECT_EQ(combo->GetCurSel(), -1);
    EXPECT_FALSE(combo->SetCurSelForItemData(0));

    combo->AddString("Slow", 10);
    combo->AddString("Medium", 20);
    combo->AddString("Fast", 20);
    EXPECT_EQ(combo->GetCount(), 3);
    EXPECT_EQ(combo->GetCurSel(), -1);

    combo->SetCurSel(1);
    EXPECT_EQ(combo->caption(), "Medium");
    EXPECT_EQ(combo->getItemData(), 20);
    combo->SetCurSel(3);  // beyond the list: ignored
    EXPECT_EQ(combo->GetCurSel(), 1);
    EXPECT_EQ(combo->caption(), "Medium");
    combo->SetCurSel(-1);
    EXPECT_EQ(combo->caption(), "");
    EXPECT_EQ(combo->getItemData(), -1);
    EXPECT_EQ(combo->GetCurSel(), -1);

    EXPECT_TRUE(combo->SetCurSelForItemData(20));  // the first entry with it
    EXPECT_EQ(combo->GetCurSel(), 1);
    EXPECT_FALSE(combo->SetCurSelForItemData(99));
    EXPECT_EQ(combo->GetCurSel(), 1);

    combo->UpdateString(1, "Middle");
    EXPECT_EQ(combo->caption(), "Medium");  // the caption waits for the next selection
    combo->UpdateStringForItemData(20, "Mid");
    combo->UpdateString(7, "ignored");
    combo->SetCurSel(1);
    EXPECT_EQ(combo->caption(), "Mid");
    combo->SetCurSel(2);
    EXPECT_EQ(combo->caption(), "Fast");

    combo->DeleteString(0);
    combo->DeleteString(5);
    EXPECT_EQ(combo->GetCount(), 2);
    EXPECT_EQ(combo->GetCurSel(), 2);  // left as it was
    EXPECT_EQ(combo->caption(), "Fast");
    combo->SetCurMenu(4);
    EXPECT_EQ(combo->curMenu(), 4);
}

TEST(ComboBtn, MenuOpensUnderTheButtonOrCentredOnIt) {
    test::useShippedConfig();
    QWidget panel;
    panel.setGeometry(200, 300, 300, 200);
    ActionLog log;
    ComboBtn* combo = comboWithThree(&panel, log, QRectF(50, 100, 120, 25));
    panel.show();
    const int screenH = QGuiApplication::primaryScreen()->geometry().height();
    const int buttonY = screenH - (300 + 75 + 25);  // the button's bottom, counted from the screen's bottom

    EXPECT_EQ(combo->menuRect(), QRectF(250, buttonY - 1 - 60, 120, 60));
    test::clickAt(combo, {5, 5});
    QPointer<MenuWindow> menu = combo->openMenu();
    ASSERT_TRUE(menu);
    // One point of border round the entries; its top edge one point over the button's bottom.
    EXPECT_EQ(menu->geometry(), QRect(250, 300 + 75 + 25 - 1, 122, 62));
    EXPECT_EQ(menu->buttons().size(), 3u);
    EXPECT_EQ(menu->buttons()[0]->caption(), "Slow");
    EXPECT_EQ(menu->outdelegate, combo);
    test::saveScreenshot(menu, "combo_menu");
    // Releasing again replaces the open menu.
    test::clickAt(combo, {5, 5});
    EXPECT_TRUE(menu->isClosed());
    EXPECT_EQ(menu->outdelegate, nullptr);
    combo->openMenu()->closeMenu();

    combo->showPos = 1;  // half of the 25-point button is 12 whole points
    EXPECT_EQ(combo->menuRect(), QRectF(250, buttonY + 12 - 30, 120, 60));
    combo->AddString("Turbo", 40);  // 80 high: still centred on the button
    EXPECT_EQ(combo->menuRect(), QRectF(250, buttonY + 12 - 40, 120, 80));
}

TEST(ComboBtn, ChoosingSendsTheOwnersActionBeforeAndAfterTheChoice) {
    test::useShippedConfig();
    QWidget panel;
    panel.setGeometry(200, 300, 300, 200);
    ActionLog log;
    ComboBtn* combo = comboWithThree(&panel, log, QRectF(50, 100, 120, 24));
    panel.show();

    test::clickAt(combo, {5, 5});
    ASSERT_EQ(log.calls.size(), 1u);
    EXPECT_EQ(log.calls[0].caption, "Slow");
    EXPECT_EQ(log.calls[0].itemData, 10);
    QPointer<MenuWindow> menu = combo->openMenu();
    ASSERT_TRUE(menu);

    test::clickAt(menu->buttons()[2], {5, 5});
    ASSERT_EQ(log.calls.size(), 2u);
    EXPECT_EQ(log.calls[1].sender, combo);
    EXPECT_EQ(log.calls[1].caption, "Fast");
    EXPECT_EQ(log.calls[1].itemData, 30);
    EXPECT_EQ(combo->GetCurSel(), 2);
    EXPECT_TRUE(menu->isClosed());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(menu);
}

TEST(ComboBtn, NotifyOnChangeKeepsTheSelectionWhenTheSameValueIsChosen) {
    QWidget panel;
    panel.resize(300, 200);
    ActionLog log;
    ComboBtn* combo = comboWithThree(&panel, log, QRectF(50, 100, 120, 24));
    combo->UpdateString(0, "Renamed");

    combo->bNotifyAtValueChanged = true;
    combo->onMenuClicked(10, 0);
    EXPECT_EQ(combo->caption(), "Slow");  // not re-applied
    EXPECT_EQ(log.calls.size(), 1u);      // the owner still hears of the choice

    combo->bNotifyAtValueChanged = false;
    combo->onMenuClicked(10, 0);
    EXPECT_EQ(combo->caption(), "Renamed");
    EXPECT_EQ(log.calls.size(), 2u);
}

TEST(ComboBtn, AClickOnTheButtonOfAnOpenMenuClosesItWithoutOpeningItAgain) {
    test::useShippedConfig();
    QWidget panel;
    panel.resize(300, 200);
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    ActionLog log;
    ComboBtn* combo = comboWithThree(&panel, log, QRectF(50, 100, 120, 24));
    // Through the window, as the desktop delivers them, so the open pop-up sees the press.
    const QPoint onCombo = combo->mapTo(&panel, QPoint(5, 5));
    QTest::mouseClick(panel.windowHandle(), Qt::LeftButton, {}, onCombo);
    QPointer<MenuWindow> menu = combo->openMenu();
    ASSERT_TRUE(menu);
    EXPECT_EQ(menu->windowHandle()->transientParent(), panel.windowHandle());
    QTest::mouseClick(panel.windowHandle(), Qt::LeftButton, {}, onCombo);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(menu);
    EXPECT_EQ(combo->openMenu(), nullptr);
}

TEST(ComboBtn, AButtonRemovedWhileItsMenuIsOpenClosesTheMenu) {
    test::useShippedConfig();
    auto panel = std::make_unique<QWidget>();
    panel->resize(300, 200);
    ActionLog log;
    ComboBtn* combo = comboWithThree(panel.get(), log, QRectF(50, 100, 120, 24));
    test::clickAt(combo, {5, 5});
    QPointer<MenuWindow> menu = combo->openMenu();
    ASSERT_TRUE(menu);
    EXPECT_EQ(menu->parentWidget(), panel.get());  // the menu belongs to the button's window
    delete combo;
    EXPECT_TRUE(menu->isClosed());
    EXPECT_EQ(menu->outdelegate, nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(menu);

    // A window that goes takes its open menu with it.
    combo = comboWithThree(panel.get(), log, QRectF(50, 100, 120, 24));
    test::clickAt(combo, {5, 5});
    menu = combo->openMenu();
    ASSERT_TRUE(menu);
    panel.reset();
    EXPECT_FALSE(menu);
}

}  // namespace
}  // namespace keyloom
