// Where the program's windows go, on whatever platform the tests run (also
// on Wayland, see test.sh): every pop-up belongs to the window that opens it
// and lies against its control, a press on a control stays with it and only
// the background moves the window, the knob pop-up stays above the window and
// can be dragged, and the simulated keyboard's window keeps beside it.
//
// Clicks go through the window, as the desktop delivers them, so open pop-ups
// and grabs see them.
#include <gtest/gtest.h>

#include <QTest>

#include "device/SimKeyboard.h"
#include "ui/KbColorView.h"
#include "ui/LedView.h"
#include "ui/MacroView.h"
#include "ui/MainView.h"
#include "ui/PickFuncView.h"
#include "ui/SimKeyboardView.h"
#include "widgets/ComboBtn.h"
#include "widgets/HideView.h"
#include "widgets/MenuWindow.h"
#include "widgets/MyOutlineView.h"
#include "widgets/Platform.h"
#include "widgets/PopWindow.h"
#include "widgets/mainview_ground.h"

namespace keyloom {
namespace {

QPoint inWindow(const QWidget* control, QPoint at) {
    return control->mapTo(control->window(), at);
}

void clickThroughWindow(QWidget* control, QPoint at) {
    QTest::mouseClick(control->window()->windowHandle(), Qt::LeftButton, {}, inWindow(control, at));
}

// A window's place relative to the main window, in the main window's pixels.
QRect relativeTo(const QWidget* main, const QWidget* window) {
    return window->geometry().translated(-main->geometry().topLeft());
}

// The key map's centre of a key, in its own top-left coordinates.
QPoint keyCentre(const KbColorView* map, int key) {
    const QRectF rect = map->keyRect(key);
    return QPoint(int(rect.center().x()), int(map->height() - rect.center().y()));
}

class Windows : public test::MainViewGround {
protected:
    void SetUp() override {
        MainViewGround::SetUp();
        gVar.ShowKnod = 1;
        plugKeyboard();
        build();
        mainView = view.get();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    }

    // Every window other than the main window that is open now: each must belong to another.
    void expectEveryOtherWindowHasAParent(const char* when) {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window == view.get() || !window->isVisible()) continue;
            ASSERT_NE(window->windowHandle(), nullptr) << when;
            EXPECT_NE(window->windowHandle()->transientParent(), nullptr)
                << when << ": " << window->metaObject()->className() << " has no parent window";
        }
    }

    // Opens a menu by a click on its control and checks it hangs at that control.
    void expectMenuAgainstItsControl(QWidget* opener, const std::function<MenuWindow*()>& openMenu, const char* name) {
        clickThroughWindow(opener, opener->rect().center());
        QPointer<MenuWindow> menu = openMenu();
        ASSERT_TRUE(menu) << name;
        ASSERT_TRUE(QTest::qWaitForWindowExposed(menu)) << name;
        expectEveryOtherWindowHasAParent(name);
        const QRect control(opener->mapTo(view.get(), QPoint(0, 0)), opener->size());
        const QRect placed = relativeTo(view.get(), menu);
        EXPECT_TRUE(control.adjusted(-3, -3, 3, 3).intersects(placed))
            << name << ": menu at " << placed.x() << "," << placed.y() << ", control at " << control.x() << ","
            << control.y();
        test::saveScreenshot(menu, QStringLiteral("windows_%1").arg(QLatin1String(name)));
        menu->closeMenu();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

TEST_F(Windows, EveryPopUpBelongsToTheWindowAndHangsAtTheControlThatOpensIt) {
    expectMenuAgainstItsControl(probe->btnText(), [&] { return probe->btnText()->openMenu(); }, "language");
    expectMenuAgainstItsControl(probe->btnKeyPro(), [&] { return probe->setMenu(); }, "key_tables");
    expectMenuAgainstItsControl(probe->btnExchange(), [&] { return probe->setMenu(); }, "exchange");
    expectMenuAgainstItsControl(probe->ledView()->btnLedMode, [&] { return probe->ledView()->btnLedMode->openMenu(); },
                                "lighting_mode");

    // The macro editor's menu, opened by a right click on its list of macros.
    clickThroughWindow(probe->btnMacro(), probe->btnMacro()->rect().center());
    ASSERT_TRUE(probe->macroView()->isVisible());
    MyOutlineView* macros = probe->macroView()->listMacro;
    QTest::mouseClick(view->windowHandle(), Qt::RightButton, {}, inWindow(macros->viewport(), QPoint(20, 10)));
    QPointer<QWidget> macroMenu = QApplication::activePopupWidget();
    ASSERT_TRUE(macroMenu);
    expectEveryOtherWindowHasAParent("macro menu");
    macroMenu->close();
    probe->macroView()->hide();
}

TEST_F(Windows, APressOnAControlStaysWithItAndOnlyTheBackgroundMovesTheWindow) {
    int pressesAtWindow = 0;
    struct PressCounter : QObject {
        int* count;
        explicit PressCounter(int* c) : count(c) {}
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::MouseButtonPress) ++*count;
            return false;
        }
    } counter(&pressesAtWindow);
    view->installEventFilter(&counter);

    // A key of the key map: the press is the map's, and its release opens the picker.
    clickThroughWindow(probe->kbView(), keyCentre(probe->kbView(), 10));
    EXPECT_EQ(pressesAtWindow, 0);
    EXPECT_TRUE(probe->funPickView()->isVisible());
    probe->funPickView()->hide();
    probe->hideView()->hide();

    // A switched-off control passes its press on to the window, which must not move for it.
    const QPoint before = view->pos();
    probe->btnApply()->setEnabled(false);
    const QPoint onApply = inWindow(probe->btnApply(), probe->btnApply()->rect().center());
    QTest::mousePress(view->windowHandle(), Qt::LeftButton, {}, onApply);
    QTest::mouseMove(view->windowHandle(), onApply + QPoint(30, 20));
    QTest::mouseRelease(view->windowHandle(), Qt::LeftButton, {}, onApply + QPoint(30, 20));
    EXPECT_EQ(pressesAtWindow, 1);
    EXPECT_EQ(view->pos(), before);

    // The background (a point with no control under it) moves the window; the
    // desktop does that itself where it can, so only a move made by hand shows here.
    if (!programPlacesWindows()) return;
    QPoint background(-1, -1);
    for (int y = 5; y < view->height() && background.x() < 0; y += 5)
        for (int x = 5; x < view->width() && background.x() < 0; x += 5)
            if (!view->childAt(x, y)) background = QPoint(x, y);
    ASSERT_GE(background.x(), 0);
    QTest::mousePress(view->windowHandle(), Qt::LeftButton, {}, background);
    QTest::mouseMove(view->windowHandle(), background + QPoint(30, 20));
    // The window went with the pointer, which is over the same point of it again.
    QTest::mouseRelease(view->windowHandle(), Qt::LeftButton, {}, background);
    EXPECT_EQ(view->pos(), before + QPoint(30, 20));
    view->removeEventFilter(&counter);
}

TEST_F(Windows, TheKnobPopUpStaysAboveTheWindowAndADragMovesIt) {
    profile->ptPop = _POINT{30, 40};
    clickThroughWindow(probe->kbView(), keyCentre(probe->kbView(), gVar.SrIndex));
    PopWindow* pop = probe->popWindow();
    ASSERT_TRUE(pop);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(pop->window()));
    // A window of the main window's where the program places windows, else inside it.
    if (pop->isOwnWindow()) {
        EXPECT_EQ(pop->windowHandle()->transientParent(), view->windowHandle());
    } else {
        EXPECT_EQ(pop->parentWidget(), view.get());
    }
    const QPointF start = pop->popview()->ptLocation;
    EXPECT_EQ(start, QPointF(30, 40));
    const QRect placedBefore = pop->isOwnWindow() ? pop->geometry() : relativeTo(view.get(), pop);

    // Dragged by a point between the sets, through the window it lies in.
    PopView* face = pop->popview();
    const QPoint grip = inWindow(face, QPoint(92, 92));
    QWindow* under = face->window()->windowHandle();
    QTest::mousePress(under, Qt::LeftButton, {}, grip);
    QTest::mouseMove(under, grip + QPoint(40, -25));
    // A pop-up window went with the pointer, which is over the same point of it again.
    QTest::mouseRelease(under, Qt::LeftButton, {}, pop->isOwnWindow() ? grip : grip + QPoint(40, -25));
    EXPECT_EQ(face->ptLocation, start + QPointF(40, 25));  // y up
    const QRect placedAfter = pop->isOwnWindow() ? pop->geometry() : relativeTo(view.get(), pop);
    if (pop->isOwnWindow() == programPlacesWindows()) {
        EXPECT_EQ(placedAfter.topLeft(), placedBefore.topLeft() + QPoint(40, -25));
    }
    test::saveScreenshot(pop->isOwnWindow() ? static_cast<QWidget*>(pop) : view.get(), "windows_knob_popup_dragged");

    // Closing keeps where it was left.
    view->closePoP();
    EXPECT_EQ(profile->ptPop.x, 70u);
    EXPECT_EQ(profile->ptPop.y, 65u);

    // Inside the main window it is kept whole inside it, wherever it was stored.
    if (programPlacesWindows()) return;
    profile->ptPop = _POINT{5000, 5000};
    clickThroughWindow(probe->kbView(), keyCentre(probe->kbView(), gVar.SrIndex));
    ASSERT_TRUE(probe->popWindow());
    EXPECT_TRUE(view->rect().contains(probe->popWindow()->geometry()));
}

TEST_F(Windows, TheSimulatedKeyboardsWindowKeepsBesideTheMainWindow) {
    auto simKeyboard = std::make_shared<SimKeyboard>();
    auto* beside = new SimKeyboardView(simKeyboard);
    const QRect screen = view->screen()->availableGeometry();
    if (programPlacesWindows()) {
        view->move(screen.topLeft());
        if (screen.width() < view->frameGeometry().width() + beside->sizeHint().width() + 12) {
            delete beside;
            GTEST_SKIP() << "the screen has no room beside the window";
        }
    }
    beside->placeBeside(*view);
    beside->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(beside));
    const QRect placed = relativeTo(view.get(), beside);
    EXPECT_FALSE(placed.intersects(view->rect())) << "at " << placed.x() << "," << placed.y();
    if (!programPlacesWindows()) {
        EXPECT_EQ(beside->windowHandle()->transientParent(), view->windowHandle());
    }
    delete beside;
}

}  // namespace
}  // namespace keyloom
