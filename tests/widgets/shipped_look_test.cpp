// The widgets with the pictures the build draws: the layouts must fit the
// shipped skins, and the screenshots show the product as users see it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPainter>
#include <QPointer>
#include <QTest>

#include "base/outline.h"
#include "config/gvar.h"
#include "config/language.h"
#include "ui/KnobText.h"
#include "ui/MsgView.h"
#include "ui/Skin.h"
#include "widgets/ComboBtn.h"
#include "widgets/Frame.h"
#include "widgets/HideView.h"
#include "widgets/ImageProcess.h"
#include "widgets/MenuWindow.h"
#include "widgets/MyOutlineView.h"
#include "widgets/MySlider.h"
#include "widgets/PopWindow.h"
#include "widgets/ProgressView.h"
#include "widgets/TextDraw.h"
#include "widgets/TextField.h"
#include "widgets/widget_test_support.h"

namespace keyloom {
namespace {

// A window-sized panel showing the main window's background picture.
class SkinPanel : public QWidget {
public:
    explicit SkinPanel(const QString& picture = QStringLiteral("main_nr.png")) : image_(loadSkinImage(picture)) {
        resize(image_.isNull() ? QSize(900, 640) : image_.size());
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(24, 26, 30));
        painter.drawImage(QPointF(0, 0), image_);
    }

private:
    QImage image_;
};

// Every visible control lies inside the dialog and none covers another.
void expectControlsApart(const QWidget* dialog) {
    std::vector<const QWidget*> shown;
    for (const QObject* child : dialog->children())
        if (auto* w = qobject_cast<const QWidget*>(child); w && w->isVisibleTo(dialog)) shown.push_back(w);
    for (size_t i = 0; i < shown.size(); ++i) {
        EXPECT_TRUE(dialog->rect().contains(shown[i]->geometry())) << shown[i]->metaObject()->className();
        for (size_t j = i + 1; j < shown.size(); ++j)
            EXPECT_FALSE(shown[i]->geometry().intersects(shown[j]->geometry()))
                << i << " overlaps " << j;
    }
}

TEST(ShippedLook, MessageDialogKindsFitTheirPictures) {
    test::useShippedConfig();
    SkinPanel window;
    HideView overlay(&window);
    MsgView dialog(&window);
    window.show();
    EXPECT_EQ(ImageProcess::getImageSize(loadSkinImage("msg_nr.png")), QSize(MsgView::WIDTH, MsgView::HEIGHT));
    EXPECT_EQ(dialog.btnOk->size(), ImageProcess::getImageSize(loadSkinImage("btn2_nr.png")));

    const struct {
        int kind;
        bool boxes;
        const char* message;
        const char* shot;
    } uses[] = {{MSG_NOTICE, false, "The keyboard was unplugged.", "look_msgview_notice"},
                {MSG_TEXT, false, "Name of the new key table", "look_msgview_text"},
                {MSG_NUMBER, false, "Delay in milliseconds", "look_msgview_number"},
                {MSG_KEY, false, "Press the key to assign", "look_msgview_key"},
                {MSG_KEY, true, "Press the key to assign", "look_msgview_key_modifiers"}};
    for (const auto& use : uses) {
        SCOPED_TRACE(use.shot);
        showMsg(&overlay, &dialog, use.message, use.kind, use.boxes, {});
        if (use.kind == MSG_TEXT) dialog.textField->setText("Raid night");
        if (use.kind == MSG_KEY) test::typeNativeKey(&dialog, 30, Qt::Key_A, "a");  // evdev KEY_A
        EXPECT_TRUE(overlay.isVisible());
        expectControlsApart(&dialog);
        test::saveScreenshot(&window, use.shot);
        dialog.onExit(0);
    }
}

// Every shipped language draws with real glyphs (a face for Chinese, Japanese
// and Korean is installed); the screenshots show them.
TEST(ShippedLook, MessageDialogInEveryLanguage) {
    test::useShippedConfig();
    SkinPanel window;
    HideView overlay(&window);
    MsgView dialog(&window);
    window.show();
    for (int i = 0; i < LANG_COUNT && gVar.Lang[i].szName[0] != '\0'; ++i) {
        SCOPED_TRACE(gVar.Lang[i].szDir);
        SwitchLanguage(i);
        dialog.onRefreshText();
        const QString message = QString::fromStdString(GetText("tc_msg15"));
        EXPECT_FALSE(message.isEmpty());
        EXPECT_FALSE(dialog.btnOk->caption().isEmpty());
        const QFontMetrics metrics(get_font());
        for (const QChar c : message) {
            if (c.isSurrogate()) continue;
            EXPECT_TRUE(metrics.inFont(c)) << "no glyph for U+" << std::hex << int(c.unicode());
        }
        showMsg(&overlay, &dialog, message, MSG_NOTICE, false, {});
        test::saveScreenshot(&window, QStringLiteral("look_msgview_lang_%1").arg(gVar.Lang[i].szDir));
        dialog.onExit(0);
        // The modifier boxes' labels in this language.
        showMsg(&overlay, &dialog, QString::fromStdString(GetText("tc_combo_tips")), MSG_KEY, true, {});
        test::saveScreenshot(&window, QStringLiteral("look_msgview_boxes_%1").arg(gVar.Lang[i].szDir));
        dialog.onExit(0);
    }
    SwitchLanguage(0);
}

TEST(ShippedLook, ProgressFillIsCutFromTheFilledPictureAtTheBar) {
    test::useShippedConfig();
    SkinPanel window;
    HideView overlay(&window);
    ProgressView panel(&window, uiSkin());
    panel.LoadSkins();
    centreInParent(&panel);
    window.show();
    showProgress(&window, &overlay, &panel);
    panel.setProgress(50);

    const QImage empty = loadSkinImage("progress_nr.png");
    const QImage filled = loadSkinImage("progress_ov.png");
    ASSERT_FALSE(empty.isNull());
    ASSERT_FALSE(filled.isNull());
    const QRect bar = flipRectToPixels(panel.barRect(), panel.height());
    const QImage shown = panel.grab().toImage();
    const QPoint inFill(bar.x() + 60, bar.center().y());    // within the first 120 points
    const QPoint pastFill(bar.x() + 200, bar.center().y());
    EXPECT_EQ(shown.pixelColor(inFill), filled.pixelColor(inFill));
    EXPECT_EQ(shown.pixelColor(pastFill), empty.pixelColor(pastFill));
    EXPECT_NE(filled.pixelColor(inFill), empty.pixelColor(inFill)) << "the filled picture must show the fill";
    test::saveScreenshot(&window, "look_progress_50");
}

TEST(ShippedLook, ControlsOnTheWindow) {
    test::useShippedConfig();
    SkinPanel window;
    window.setGeometry(40, 40, window.width(), window.height());

    MySlider* brightness = MySlider::NewSlider2(&window, "dpi_bar.png", "slider.png", 0, 4, QRectF(40, 80, 140, 18), 1, false);
    ASSERT_NE(brightness, nullptr);
    brightness->setPos(3);
    MySlider* red = MySlider::NewSlider2(&window, "rgb_bar.png", "rgbslider.png", 0, 255, QRectF(40, 50, 270, 13), 2, false);
    ASSERT_NE(red, nullptr);
    red->setPos(200);
    EXPECT_EQ(red->getPos(), 200);

    ComboBtn* chooser = newComboBtn(&window, uiSkin(), "combo_nr.png", "combo_nr.png", "combo_nr.png", false, {},
                                    QRectF(40, 20, 0, 0), {});
    chooser->AddString("Key table 1", 1);
    chooser->AddString("Key table 2", 2);
    chooser->SetCurSel(0);
    EXPECT_EQ(chooser->size(), ImageProcess::getImageSize(loadSkinImage("combo_nr.png")));

    outlineviewData root;
    auto owned = std::make_unique<outlineviewData>();
    outlineviewData* folder = owned.get();
    folder->name = "Shooters";
    folder->nFlagData = 1;
    root.addItem(std::move(owned));
    for (const char* name : {"Reload burst", "Grenade cook", "Crouch jump"}) {
        auto macro = std::make_unique<outlineviewData>();
        macro->name = name;
        folder->addItem(std::move(macro));
    }
    MyOutlineView* list = newOutlineView(&window, uiSkin(), &root, false, QRectF(400, 60, 200, 120));
    list->expandItem(folder);
    list->selectItem(folder->array[1].get());
    window.show();
    test::saveScreenshot(&window, "look_controls");

    test::clickAt(chooser, {5, 5});
    QPointer<MenuWindow> menu = chooser->openMenu();
    ASSERT_TRUE(menu);
    test::saveScreenshot(menu, "look_combo_menu");
    menu->closeMenu();
}

TEST(ShippedLook, MenuWithSubMenuAndKnobPopUp) {
    test::useShippedConfig();
    std::vector<MenuData> items;
    AddMenuItem(items, 0, 255, 1, "New folder");
    AddMenuItem(items, 1, 255, 2, "Import");
    AddMenuItem(items, 2, 255, 3, "Insert");
    AddMenuItem(items, 3, 2, 31, "Left click");
    AddMenuItem(items, 4, 2, 32, "Right click");
    QPointer<MenuWindow> menu = MenuWindow::newMenu(nullptr, uiSkin(), items, 255, QRectF(300, 400, 160, 60));
    ASSERT_TRUE(menu);
    ASSERT_TRUE(QTest::qWaitForWindowActive(menu, 5000));
    // Hover the third entry (the one with the sub-menu).
    menu->hoverCheck(menu->mapToGlobal(QPoint(20, 1 + 2 * 20 + 10)));
    EXPECT_TRUE(menu->subMenuShowing());
    test::saveScreenshot(menu, "look_menu");
    menu->closeMenu();

    PopWindow* pop = PopWindow::newPopWindow(nullptr, QRectF(200, 200, 185, 185), 2, knobFunctionText);
    ASSERT_NE(pop, nullptr);
    // The highlight of the selected set lies in its click area.
    const QImage mark = loadSkinImage("button3.png");
    const QRect area = flipRectToPixels(pop->popview()->setAreas()[2], 185);
    EXPECT_GT(mark.pixelColor(area.center()).alpha(), 0);
    test::saveScreenshot(pop->popview(), "look_knob_popup");
    delete pop;
}

}  // namespace
}  // namespace keyloom
