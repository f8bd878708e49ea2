// The skin a control is built with decides the colours and the font of what
// it writes: the controls read no configuration of their own.
#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QLabel>
#include <optional>
#include <utility>

#include "base/outline.h"
#include "widgets/CaptionView.h"
#include "widgets/MyOutlineView.h"
#include "widgets/PngButton.h"
#include "widgets/TextField.h"
#include "widgets/WidgetSkin.h"
#include "widgets/widget_test_support.h"

namespace keyloom {
namespace {

// The first and last rows of the picture holding a pixel of exactly that colour.
std::optional<std::pair<int, int>> rowsWith(QWidget* widget, const QColor& colour) {
    const QImage image = widget->grab().toImage();
    std::optional<std::pair<int, int>> rows;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == colour) {
                rows = std::pair(rows ? rows->first : y, y);
                break;
            }
    return rows;
}

TEST(WidgetSkin, ControlsWriteInTheColoursAndFontOfTheirSkin) {
    WidgetSkin skin;
    skin.font = get_font(30);
    skin.text = QColor(250, 200, 0);
    skin.button = ButtonTextColours{QColor(0, 220, 90), QColor(0, 120, 255), QColor(255, 60, 160)};
    skin.listBackground = QColor(20, 30, 60);
    skin.listText = QColor(240, 240, 120);
    QWidget panel;
    panel.resize(420, 260);
    PngButton* button = newTextButton(&panel, skin, false, "Skin", {}, QRectF(10, 200, 200, 50));
    QLabel* label = newTextView(&panel, skin, std::nullopt, QRectF(10, 140, 200, 50));
    label->setText("Label");
    auto* caption = new CaptionView(&panel, skin, QRectF(10, 80, 200, 50));
    caption->setText("Caption");
    outlineviewData root;
    root.addItem(outlineviewData::make("Row", 0, 0));
    MyOutlineView* list = newOutlineView(&panel, skin, &root, false, QRectF(220, 80, 190, 170));
    list->delegateSource()->nItemHeight = 40;
    list->reloadData();
    panel.show();

    // Letters of the skin's font: taller than those of the standard one.
    const std::optional<std::pair<int, int>> letters = rowsWith(button, skin.button.normal);
    ASSERT_TRUE(letters);
    EXPECT_GT(letters->second - letters->first, QFontMetricsF(get_font()).ascent());
    test::enterWidget(button);
    EXPECT_TRUE(rowsWith(button, skin.button.over));
    EXPECT_FALSE(rowsWith(button, skin.button.normal));
    test::pressAt(button, {5, 5});
    EXPECT_TRUE(rowsWith(button, skin.button.down));
    test::releaseAt(button, {5, 5});

    EXPECT_TRUE(rowsWith(label, skin.text));
    EXPECT_TRUE(rowsWith(caption, skin.text));
    EXPECT_TRUE(rowsWith(list->viewport(), skin.listText));
    EXPECT_EQ(test::pixelAt(list->viewport(), {list->viewport()->width() - 2, 100}), skin.listBackground);
    test::saveScreenshot(&panel, "skin_of_the_controls");
}

}  // namespace
}  // namespace keyloom
