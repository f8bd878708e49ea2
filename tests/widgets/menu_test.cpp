// The pop-up menu: its window and entries, sub-menus opened by the hover
// check, what a choice reports, and when a menu closes by itself.
#include <gtest/gtest.h>

#include <QTest>

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QTest>

#include "ui/Skin.h"
#include "widgets/Frame.h"
#include "widgets/MenuWindow.h"
#include "widgets/Platform.h"
#include "widgets/PngButton.h"
#include "widgets/own_skins.h"
#include "widgets/widget_test_support.h"

namespace keyloom {
namespace {

struct ChoiceLog : MenuDelegate {
    void onMenuClicked(int itemData, int menuId) override { choices.push_back({itemData, menuId}); }
    std::vector<std::pair<int, int>> choices;
};

// Four top-level entries, two of them with sub-menus.
std::vector<MenuData> entriesWithSubMenus() {
    std::vector<MenuData> items;
    int n = 0;
    AddMenuItem(items, n++, MENU_TOP_LEVEL, 1, "Copy");
    AddMenuItem(items, n++, MENU_TOP_LEVEL, 2, "Layers");
    AddMenuItem(items, n++, MENU_TOP_LEVEL, 3, "Export");
    AddMenuItem(items, n++, MENU_TOP_LEVEL, 4, "Paste");
    AddMenuItem(items, n++, 1, 21, "Layer 1");
    AddMenuItem(items, n++, 1, 22, "Layer 2");
    AddMenuItem(items, n++, 1, 23, "Layer 3");
    AddMenuItem(items, n++, 2, 31, "As file");
    return items;
}

QPoint centreOf(const MenuWindow* menu, size_t entry) {
    const PngButton* button = menu->buttons().at(entry);
    return button->mapToGlobal(button->rect().center());
}

bool gone(const QPointer<MenuWindow>& menu) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return menu.isNull();
}

// Activation is asynchronous on X11: wait until the window manager (or the
// X server) has made the window active.
bool becomesActive(QWidget* window) {
    return QTest::qWaitForWindowActive(window, 5000);
}

// Some other window of the application, to take the activation away.
struct OtherWindow {
    OtherWindow() {
        widget.setGeometry(700, 20, 60, 60);
        widget.show();
    }
    void activate() {
        widget.activateWindow();
        EXPECT_TRUE(becomesActive(&widget));
    }
    QWidget widget;
};

const QPoint kFarAway(5, 5);

TEST(MenuWindow, EntriesAreListedTopDownInsideAOnePointWhiteBorder) {
    test::OwnSkins skins;
    skins.add("menu_nr.png", test::filled({150, 20}, QColor(40, 44, 52)));
    std::vector<MenuData> items;
    AddMenuItem(items, 0, MENU_TOP_LEVEL, 10, "First");
    AddMenuItem(items, 1, MENU_TOP_LEVEL, 20, "Second");
    AddMenuItem(items, 2, MENU_TOP_LEVEL, 30, "Third");
    QPointer<MenuWindow> menu =
        MenuWindow::newMenu(nullptr, uiSkin(), items, MENU_TOP_LEVEL, QRectF(100.6, 200.9, 150, 60));

    EXPECT_EQ(frameFromScreenRect(menu->geometry()), QRectF(100, 200, 152, 62));
    EXPECT_EQ(menu->windowTitle(), "nemudialog");
    EXPECT_TRUE(menu->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(menu->windowFlags() & Qt::NoDropShadowWindowHint);
    EXPECT_EQ(menu->itemHeight(), 20);
    ASSERT_EQ(menu->buttons().size(), 3u);
    EXPECT_EQ(frameOf(menu->buttons()[0]), QRectF(1, 41, 150, 20));
    EXPECT_EQ(frameOf(menu->buttons()[1]), QRectF(1, 21, 150, 20));
    EXPECT_EQ(frameOf(menu->buttons()[2]), QRectF(1, 1, 150, 20));
    EXPECT_EQ(menu->buttons()[1]->caption(), "Second");
    EXPECT_EQ(menu->buttons()[1]->getItemData(), 20);
    EXPECT_EQ(test::pixelAt(menu, {0, 0}), QColor(Qt::white));
    EXPECT_EQ(test::pixelAt(menu, {151, 61}), QColor(Qt::white));
    EXPECT_EQ(test::pixelAt(menu, {1, 1}), QColor(40, 44, 52));
    EXPECT_TRUE(becomesActive(menu));
    menu->closeMenu();
    EXPECT_TRUE(gone(menu));

    // Hanging below a point: the window is given directly.
    menu = MenuWindow::newMenu2(nullptr, uiSkin(), 150, 3, items, MENU_TOP_LEVEL, QPointF(100.7, 260.2));
    EXPECT_EQ(frameFromScreenRect(menu->geometry()), QRectF(100, 200, 152, 62));
    EXPECT_EQ(frameOf(menu->buttons()[0]), QRectF(1, 41, 150, 20));
    menu->closeMenu();
}

TEST(MenuWindow, AddMenuItemMarksTheParentEntry) {
    std::vector<MenuData> items = entriesWithSubMenus();
    ASSERT_EQ(items.size(), 8u);
    EXPECT_FALSE(items[0].haveSubMenu);
    EXPECT_TRUE(items[1].haveSubMenu);
    EXPECT_TRUE(items[2].haveSubMenu);
    EXPECT_FALSE(items[4].haveSubMenu);
    EXPECT_EQ(items[4].flag, 1);
    EXPECT_EQ(items[4].textItem, "Layer 1");
    EXPECT_EQ(items[4].itemData, 21);

    // A parent index that names no entry only appends the entry.
    AddMenuItem(items, 8, 40, 99, "Orphan");
    AddMenuItem(items, 9, -3, 98, "Orphan too");
    EXPECT_EQ(items.size(), 10u);
    EXPECT_EQ(std::count_if(items.begin(), items.end(), [](const MenuData& m) { return m.haveSubMenu; }), 2);
}

TEST(MenuWindow, SubMenuHangsRightOfItsEntryWithItsTopEdgeLinedUp) {
    test::useShippedConfig();
    QPointer<MenuWindow> menu =
        MenuWindow::newMenu(nullptr, uiSkin(), entriesWithSubMenus(), MENU_TOP_LEVEL, QRectF(100, 200, 150, 80));
    // Entry "Layers" is the second row: y 41 inside the 82-point window.
    EXPECT_EQ(menu->calSubmenuRect(1), QRectF(252, 200 + 41 + 20 - 60, 152, 60));
    EXPECT_EQ(menu->calSubmenuRect(2), QRectF(252, 200 + 21 + 20 - 20, 152, 20));
    EXPECT_TRUE(menu->calSubmenuRect(0).isEmpty());
    EXPECT_TRUE(menu->calSubmenuRect(9).isEmpty());
    EXPECT_EQ(menu->buttons()[1]->flagData, 1);
    EXPECT_EQ(menu->buttons()[0]->flagData, 0);

    menu->hoverCheck(centreOf(menu, 1));
    MenuWindow* sub = menu->subMenu();
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(frameFromScreenRect(sub->geometry()), QRectF(252, 201, 154, 62));
    EXPECT_EQ(sub->nemuFlag(), 1);
    EXPECT_EQ(sub->parentMenu(), menu);
    ASSERT_EQ(sub->buttons().size(), 3u);
    EXPECT_EQ(sub->buttons()[2]->caption(), "Layer 3");
    menu->closeMenu();
}

TEST(MenuWindow, HoveringOpensSwitchesAndClosesSubMenus) {
    test::OwnSkins skins;
    skins.add("menu_nr.png", test::filled({150, 20}, QColor(40, 44, 52)));
    skins.add("menu_ov.png", test::filled({150, 20}, QColor(70, 90, 120)));
    QImage sub(150, 20, QImage::Format_ARGB32);
    sub.fill(QColor(40, 44, 52));
    QPainter arrow(&sub);
    arrow.setBrush(Qt::white);
    arrow.drawPolygon(QPolygon({QPoint(138, 6), QPoint(144, 10), QPoint(138, 14)}));
    arrow.end();
    skins.add("menusub_nr.png", sub);
    skins.add("menusub_ov.png", sub);

    QPointer<MenuWindow> menu =
        MenuWindow::newMenu(nullptr, uiSkin(), entriesWithSubMenus(), MENU_TOP_LEVEL, QRectF(100, 200, 150, 80));
    menu->hoverCheck(centreOf(menu, 0));  // plain entry: nothing opens
    EXPECT_TRUE(menu->mouseOver());
    EXPECT_FALSE(menu->subMenuShowing());

    menu->hoverCheck(centreOf(menu, 1));
    QPointer<MenuWindow> first = menu->subMenu();
    ASSERT_TRUE(first);
    EXPECT_TRUE(menu->subMenuShowing());
    menu->hoverCheck(centreOf(menu, 1));  // the same entry keeps its sub-menu
    EXPECT_EQ(menu->subMenu(), first);

    test::enterWidget(menu->buttons()[1]);
    QLabel composite;
    QPixmap both(QSize(310, 90));
    both.fill(Qt::transparent);
    QPainter painter(&both);
    painter.drawPixmap(menu->geometry().topLeft() - menu->geometry().topLeft(), menu->grab());
    painter.drawPixmap(first->geometry().topLeft() - menu->geometry().topLeft(), first->grab());
    painter.end();
    composite.setPixmap(both);
    composite.resize(both.size());
    test::saveScreenshot(&composite, "menu_with_submenu");

    menu->hoverCheck(centreOf(menu, 2));  // another sub-menu entry
    EXPECT_TRUE(gone(first));
    ASSERT_NE(menu->subMenu(), nullptr);
    EXPECT_EQ(menu->subMenu()->nemuFlag(), 2);

    QPointer<MenuWindow> second = menu->subMenu();
    menu->hoverCheck(centreOf(menu, 3));  // a plain entry closes it
    EXPECT_FALSE(menu->subMenuShowing());
    EXPECT_TRUE(gone(second));

    menu->hoverCheck(menu->mapToGlobal(QPoint(0, 0)));  // on the border: no entry, nothing changes
    EXPECT_TRUE(menu->mouseOver());
    EXPECT_FALSE(menu->isClosed());
    menu->closeMenu();
}

TEST(MenuWindow, ChoosingReportsTheEntryWithTheTopLevelMenusId) {
    test::useShippedConfig();
    ChoiceLog log;
    QPointer<MenuWindow> menu =
        MenuWindow::newMenu(nullptr, uiSkin(), entriesWithSubMenus(), MENU_TOP_LEVEL, QRectF(100, 200, 150, 80));
    menu->outdelegate = &log;
    menu->nemuID = 7;

    test::clickAt(menu->buttons()[1], {5, 5});  // an entry with a sub-menu is not a choice
    EXPECT_TRUE(log.choices.empty());
    EXPECT_FALSE(menu->isClosed());

    menu->hoverCheck(centreOf(menu, 1));
    QPointer<MenuWindow> sub = menu->subMenu();
    ASSERT_TRUE(sub);
    test::clickAt(sub->buttons()[1], {5, 5});
    EXPECT_EQ(log.choices, (std::vector<std::pair<int, int>>{{22, 7}}));
    EXPECT_TRUE(gone(sub));
    EXPECT_TRUE(gone(menu));

    menu = MenuWindow::newMenu(nullptr, uiSkin(), entriesWithSubMenus(), MENU_TOP_LEVEL, QRectF(100, 200, 150, 80));
    menu->outdelegate = &log;
    menu->nemuID = 3;
    test::clickAt(menu->buttons()[3], {5, 5});
    EXPECT_EQ(log.choices.back(), std::make_pair(4, 3));
    EXPECT_TRUE(gone(menu));
}

TEST(MenuWindow, AClickOutsideClosesTheMenuAndItsSubMenuWhileThePointerLeavingDoesNot) {
    test::useShippedConfig();
    OtherWindow other;
    QPointer<MenuWindow> menu =
        MenuWindow::newMenu(&other.widget, uiSkin(), entriesWithSubMenus(), MENU_TOP_LEVEL, QRectF(100, 200, 150, 80));
    EXPECT_EQ(menu->windowHandle()->transientParent(), other.widget.windowHandle());
    menu->hoverCheck(centreOf(menu, 1));
    QPointer<MenuWindow> sub = menu->subMenu();
    ASSERT_TRUE(sub);
    EXPECT_EQ(sub->windowHandle()->transientParent(), menu->windowHandle());  // nested in its menu
    menu->hoverCheck(kFarAway);
    sub->hoverCheck(kFarAway);
    EXPECT_FALSE(menu->mouseOver());
    EXPECT_FALSE(menu->isClosed());
    EXPECT_FALSE(sub->isClosed());

    // Through the window, as the desktop delivers it, so the open pop-ups see the press.
    QTest::mouseClick(other.widget.windowHandle(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(gone(sub));
    EXPECT_TRUE(gone(menu));
}

}  // namespace
}  // namespace keyloom

namespace keyloom {
namespace {

QRect availableArea() {
    return QGuiApplication::primaryScreen()->availableGeometry();
}

std::vector<MenuData> numberedEntries(int count) {
    std::vector<MenuData> items;
    for (int i = 0; i < count; ++i)
        AddMenuItem(items, i, MENU_TOP_LEVEL, 100 + i, QStringLiteral("Entry %1").arg(i + 1));
    return items;
}

void sendWheel(QWidget* widget, int angle) {
    const QPointF at = QRectF(widget->rect()).center();
    QWheelEvent wheel(at, widget->mapToGlobal(at), QPoint(), QPoint(0, angle), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &wheel);
}

TEST(MenuWindow, AMenuNeverReachesBeyondTheScreen) {
    if (!programPlacesWindows()) GTEST_SKIP() << "the desktop keeps pop-ups on the screen itself";
    test::useShippedConfig();
    const QRect area = availableArea();
    const QRectF areaFrame = frameFromScreenRect(area);
    // Wanted past the right and the bottom edge: moved in, its size kept.
    QPointer<MenuWindow> menu = MenuWindow::newMenu(nullptr, uiSkin(), numberedEntries(3), MENU_TOP_LEVEL,
                                                    QRectF(areaFrame.right() - 60, areaFrame.y() - 30, 150, 60));
    EXPECT_EQ(menu->size(), QSize(152, 62));
    EXPECT_TRUE(area.contains(menu->geometry()));
    EXPECT_EQ(menu->geometry().right(), area.right());
    EXPECT_EQ(menu->geometry().bottom(), area.bottom());
    EXPECT_FALSE(menu->scrolls());
    EXPECT_EQ(menu->scrollUpArrow(), nullptr);
    menu->closeMenu();
}

TEST(MenuWindow, ALongMenuScrollsByWheelArrowsAndKeys) {
    test::useShippedConfig();
    const QRect area = availableArea();
    const int fit = (area.height() - 2 - 2 * MenuWindow::kArrowHeight) / MENU_ITEM_HEIGHT;
    const int count = fit + 20;
    ChoiceLog log;
    const QRectF areaFrame = frameFromScreenRect(area);
    QPointer<MenuWindow> menu = MenuWindow::newMenu2(nullptr, uiSkin(), 150, count, numberedEntries(count),
                                                     MENU_TOP_LEVEL, QPointF(100, areaFrame.bottom() - 40));
    menu->outdelegate = &log;

    // As many whole entries as fit between two arrows, all of it on the screen.
    if (programPlacesWindows()) {
        EXPECT_TRUE(area.contains(menu->geometry()));
    }
    ASSERT_TRUE(menu->scrolls());
    EXPECT_EQ(menu->visibleRows(), fit);
    ASSERT_EQ(menu->buttons().size(), size_t(count));
    QWidget* up = menu->scrollUpArrow();
    QWidget* down = menu->scrollDownArrow();
    ASSERT_TRUE(up && down);
    EXPECT_EQ(up->accessibleName(), "Scroll Up");
    EXPECT_EQ(down->accessibleName(), "Scroll Down");
    EXPECT_TRUE(menu->buttons()[size_t(fit - 1)]->isVisible());
    EXPECT_FALSE(menu->buttons()[size_t(fit)]->isVisible());

    // The wheel, over an entry too: a notch scrolls the desktop's lines.
    sendWheel(menu->buttons()[2], -120);
    EXPECT_EQ(menu->firstVisible(), QApplication::wheelScrollLines());
    sendWheel(menu, 120 * 50);  // never past the ends
    EXPECT_EQ(menu->firstVisible(), 0);

    // Pressing an arrow scrolls at once; hovering one keeps scrolling.
    test::pressAt(down, down->rect().center());
    test::releaseAt(down, down->rect().center());
    EXPECT_EQ(menu->firstVisible(), 1);
    test::enterWidget(down);
    EXPECT_TRUE(QTest::qWaitFor([&] { return menu->firstVisible() == count - fit; }, 5000));
    test::leaveWidget(down);
    EXPECT_TRUE(menu->buttons().back()->isVisible());

    // Keys: Home, Down into the hidden part (scrolled into view), End, Return chooses.
    QTest::keyClick(menu, Qt::Key_Home);
    EXPECT_EQ(menu->currentEntry(), 0);
    EXPECT_EQ(menu->firstVisible(), 0);
    EXPECT_TRUE(menu->buttons()[0]->isMouseOver());  // shown as hovered
    for (int i = 0; i < fit + 5; ++i) QTest::keyClick(menu, Qt::Key_Down);
    EXPECT_EQ(menu->currentEntry(), fit + 5);
    EXPECT_EQ(menu->firstVisible(), 6);
    EXPECT_TRUE(menu->buttons()[size_t(fit + 5)]->isMouseOver());
    // The pointer entering an entry makes it the current one.
    test::enterWidget(menu->buttons()[10]);
    EXPECT_EQ(menu->currentEntry(), 10);
    EXPECT_FALSE(menu->buttons()[size_t(fit + 5)]->isMouseOver());
    QTest::keyClick(menu, Qt::Key_Down);
    EXPECT_EQ(menu->currentEntry(), 11);
    test::saveScreenshot(menu, "menu_long_scrolled");
    QTest::keyClick(menu, Qt::Key_End);
    EXPECT_EQ(menu->currentEntry(), count - 1);
    EXPECT_EQ(menu->firstVisible(), count - fit);
    QTest::keyClick(menu, Qt::Key_Return);
    EXPECT_EQ(log.choices, (std::vector<std::pair<int, int>>{{100 + count - 1, 0}}));
    EXPECT_TRUE(gone(menu));

    // Escape closes without a choice.
    menu = MenuWindow::newMenu2(nullptr, uiSkin(), 150, count, numberedEntries(count), MENU_TOP_LEVEL,
                                QPointF(100, areaFrame.bottom()));
    menu->outdelegate = &log;
    QTest::keyClick(menu, Qt::Key_Down);
    QTest::keyClick(menu, Qt::Key_Escape);
    EXPECT_TRUE(gone(menu));
    EXPECT_EQ(log.choices.size(), 1u);
}

}  // namespace
}  // namespace keyloom
