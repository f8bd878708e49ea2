// The key map over the shipped key pictures and key tables of both keyboard
// families: hit tests, hover redraws, the two views' drawing; and the colour
// cell's click and colour rules.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

#include "config/gvar.h"
#include "base/paths.h"
#include "ui/ColorGridView.h"
#include "ui/KbColorView.h"
#include "widgets/ImageProcess.h"
#include "widgets/widget_test_support.h"

namespace keyloom {
namespace {

struct SelectLog : KbColorViewDelegate {
    std::vector<int> keys;
    void onKeySelect(int key) override { keys.push_back(key); }
};

// Counts the paints a widget gets.
struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

// A key map of a shipped model, sized to its picture, its keys from the model's table.
class KeyMapTest : public ::testing::Test {
protected:
    void SetUp() override { test::useShippedConfig(); }
    void TearDown() override {
        InitGvar();  // the shipped model again for the tests that follow
        map.reset();
    }

    void useModel(int model) {
        ASSERT_TRUE(InitGlobalVariable((get_work_dir() + get_model_cfg_path(model)).c_str()));
        gVar.Model = model;
        map = std::make_unique<KbColorView>();
        map->LoadSkins();
        ASSERT_FALSE(map->keyPicture().isNull());
        map->resize(ImageProcess::pointSize(map->keyPicture()));
        map->setKeyRectsFromTable(g_defKEY);
        map->delegate = &log;
        map->clrHasFun = 0x0000FF;  // red
        map->clrCurOn = 0x00FF00;   // green
        map->show();
        // On X11 paints only arrive once the window is mapped and its first exposure drawn.
        ASSERT_TRUE(QTest::qWaitForWindowExposed(map.get()));
        QTest::qWait(50);
    }
    // The centre of a key in the picture's own (top-left) pixels.
    static QPoint centreOf(int key) {
        const _RECT& r = g_defKEY[key].rcPos;
        return QPoint(int(r.left + r.right) / 2, int(r.top + r.bottom) / 2);
    }
    static bool hasKey(int key) {
        const _RECT& r = g_defKEY[key].rcPos;
        return r.right > r.left && r.bottom > r.top;
    }
    int firstKey() const {
        for (int k = 0; k < gVar.nKeyCount; ++k)
            if (hasKey(k)) return k;
        return -1;
    }

    std::unique_ptr<KbColorView> map;
    SelectLog log;
};

TEST_F(KeyMapTest, EveryKeyOfBothFamiliesIsHitAtItsCentre) {
    for (int model : {1, 4}) {
        useModel(model);
        int keys = 0;
        for (int k = 0; k < gVar.nKeyCount; ++k) {
            if (!hasKey(k)) continue;
            ++keys;
            log.keys.clear();
            test::clickAt(map.get(), centreOf(k));
            EXPECT_EQ(map->nCurSel, k) << "model " << model << " key " << k;
            EXPECT_EQ(log.keys, std::vector<int>{k});
        }
        EXPECT_GT(keys, 60) << "model " << model;

        // Between the keys: nothing selected, nobody told.
        log.keys.clear();
        test::clickAt(map.get(), QPoint(1, 1));
        EXPECT_EQ(map->nCurSel, -1);
        EXPECT_TRUE(log.keys.empty());
    }
}

TEST_F(KeyMapTest, HoverRedrawsOnlyWhenTheKeyUnderThePointerChanges) {
    useModel(1);
    PaintCounter counter;
    map->installEventFilter(&counter);
    QApplication::processEvents();
    const int key = firstKey();
    const QPoint centre = centreOf(key);

    counter.paints = 0;
    test::moveTo(map.get(), centre);
    QApplication::processEvents();
    EXPECT_EQ(map->nCurOn, key);
    EXPECT_EQ(counter.paints, 1);
    test::moveTo(map.get(), centre + QPoint(1, 1));
    test::moveTo(map.get(), centre + QPoint(-1, 0));
    QApplication::processEvents();
    EXPECT_EQ(counter.paints, 1);  // still the same key

    test::moveTo(map.get(), QPoint(1, 1));
    QApplication::processEvents();
    EXPECT_EQ(map->nCurOn, -1);
    EXPECT_EQ(counter.paints, 2);
    map->removeEventFilter(&counter);
}

TEST_F(KeyMapTest, FunctionViewOutlinesChangedKeysColourViewFillsLitOnes) {
    useModel(1);
    const int changed = firstKey();
    int lit = -1, unlit = -1;
    for (int k = changed + 1; k < gVar.nKeyCount && unlit < 0; ++k)
        if (hasKey(k)) (lit < 0 ? lit : unlit) = k;
    const QColor picture = test::pixelAt(map.get(), centreOf(lit));
    const QColor unlitPicture = test::pixelAt(map.get(), centreOf(unlit));
    map->setHasFunc(changed, 1);
    const _RECT& r = g_defKEY[changed].rcPos;
    const QPoint edge(int(r.left + r.right) / 2, int(r.top) + 1);
    EXPECT_EQ(test::pixelAt(map.get(), edge), QColor(255, 0, 0));
    test::moveTo(map.get(), centreOf(lit));
    test::saveScreenshot(map.get(), "keymap_function_view_hover");

    map->setOper(KbColorView::OPER_COLOR);
    map->setKeyColor(lit, 0xFF0000);  // blue
    EXPECT_EQ(test::pixelAt(map.get(), edge), QColor(255, 0, 0));  // changed keys keep their marks here too
    const QColor fill = test::pixelAt(map.get(), centreOf(lit));
    EXPECT_GT(fill.blue(), 190);
    EXPECT_NE(fill, picture);  // drawn over the picture, which shows through a little
    EXPECT_EQ(test::pixelAt(map.get(), centreOf(unlit)), unlitPicture);
    // An unlit key is not filled, but the hover outline is drawn on it.
    test::moveTo(map.get(), centreOf(unlit));
    const _RECT& u = g_defKEY[unlit].rcPos;
    EXPECT_EQ(test::pixelAt(map.get(), QPoint(int(u.left + u.right) / 2, int(u.top) + 1)), QColor(0, 255, 0));

    uint32_t table[KEY_COUNT] = {};
    for (int k = 0; k < KEY_COUNT; ++k) table[k] = k % 3 == 0 ? 0x3060FF : k % 3 == 1 ? 0xFF9020 : 0;
    map->setKeyColor(table);
    EXPECT_EQ(map->getKeyColor(3), 0x3060FFu);
    EXPECT_EQ(map->getKeyColor(KEY_COUNT), 0u);
    EXPECT_EQ(map->getKeyColor(-1), 0u);
    test::saveScreenshot(map.get(), "keymap_colour_view");
}

struct CellLog : ColorGridDelegate, ColorGridCheckDelegate {
    std::vector<std::string> calls;
    void onColorGridClick(bool checked, ColorGridView*) override { calls.push_back(checked ? "click on" : "click off"); }
    void onColorGridCheck(bool checked, ColorGridView*) override { calls.push_back(checked ? "check on" : "check off"); }
    void onColorGridChanged(ColorGridView*) override { calls.push_back("changed"); }
};

TEST(ColorCell, ClicksToggleAndReportByPickMode) {
    QWidget owner;
    owner.resize(100, 100);
    auto* cell = new ColorGridView(&owner);
    cell->setGeometry(10, 10, 20, 20);
    owner.show();
    CellLog log;
    cell->delegate = &log;
    cell->check_delegate = &log;
    const QPoint inside(5, 5);

    test::clickAt(cell, inside);  // no check behaviour, no picking: nothing
    EXPECT_TRUE(log.calls.empty());

    cell->bCheckGrid = true;
    cell->pickEnable = 2;  // double clicks only
    test::clickAt(cell, inside);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"check on"}));
    test::doubleClickAt(cell, inside);  // its first click toggles too
    EXPECT_EQ(log.calls, (std::vector<std::string>{"check on", "check off", "check on", "click on"}));

    log.calls.clear();
    cell->pickEnable = 1;
    test::clickAt(cell, inside);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"check off", "click off"}));

    log.calls.clear();
    cell->setBkgColor(QColor::fromRgbF(0.5f, 0.999f, 0.2f), false);  // silently
    EXPECT_TRUE(log.calls.empty());
    EXPECT_EQ(cell->getBkgColor(), 127u | 254u << 8 | 51u << 16);  // each component's whole part of x 255
    cell->setBkgColor(QColor(12, 200, 255), true);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"changed"}));
    EXPECT_EQ(cell->getBkgColor(), 0xFFC80Cu);
    EXPECT_EQ(test::pixelAt(cell, QPoint(10, 10)), QColor(12, 200, 255));
}

}  // namespace
}  // namespace keyloom
