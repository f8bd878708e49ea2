// The outline list over the owner's tree: serving rows, reports, right-clicks,
// drawing and reloading after the owner changed the tree.
#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QTest>

#include "config/gvar.h"
#include "ui/Skin.h"
#include "widgets/Frame.h"
#include "widgets/MyOutlineView.h"
#include "widgets/TextDraw.h"
#include "widgets/widget_test_support.h"

namespace keyloom {
namespace {

enum Kind : uint32_t { kMacro = 0, kFolder = 1 };

struct Seen {
    std::string what;
    const outlineviewData* item;
};

// A panel that owns a list and records its reports.
class ListPanel : public QWidget, public MyOutlineViewDelegate {
public:
    ListPanel() { resize(300, 240); }
    void onItemClicked(outlineviewData* item, MyOutlineView*) override { seen.push_back({"clicked", item}); }
    void onItemDidCollapse(outlineviewData* item, MyOutlineView*) override { seen.push_back({"collapsed", item}); }
    void onItemRClicked(outlineviewData* item, MyOutlineView*) override { seen.push_back({"rclicked", item}); }
    std::vector<Seen> seen;
};

outlineviewData* add(outlineviewData* parent, const std::string& name, uint32_t kind) {
    return parent->addItem(outlineviewData::make(name, kind, 0));
}

// Root: folder "Games" (256 macros "m0".."m255"), folder "Empty", macro "Solo".
std::unique_ptr<outlineviewData> sampleTree() {
    auto root = std::make_unique<outlineviewData>();
    outlineviewData* games = add(root.get(), "Games", kFolder);
    for (int i = 0; i < 256; ++i) add(games, "m" + std::to_string(i), kMacro);
    add(root.get(), "Empty", kFolder);
    add(root.get(), "Solo", kMacro);
    return root;
}

QPoint rowCentre(MyOutlineView* list, const outlineviewData* item) {
    return list->visualRect(list->delegateSource()->indexOf(item)).center();
}

void rightClick(MyOutlineView* list, QPoint at) {
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, list->viewport()->mapToGlobal(at));
    QApplication::sendEvent(list->viewport(), &event);
}

QImage solid(int w, int h, QColor colour) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(colour);
    return image;
}

TEST(MyOutlineView, IsBuiltInTheFrameWithTheListColours) {
    test::useShippedConfig();
    ListPanel panel;
    MyOutlineView* list = newOutlineView(&panel, uiSkin(), nullptr, true, QRectF(10, 20, 200, 150));
    EXPECT_EQ(list->parentWidget(), &panel);
    EXPECT_EQ(list->geometry(), QRect(10, 70, 200, 150));
    ASSERT_NE(list->rootItem(), nullptr);  // an empty tree of its own
    EXPECT_TRUE(list->rootItem()->array.empty());
    EXPECT_TRUE(list->isHeaderHidden());
    EXPECT_EQ(list->indentation(), 10);
    EXPECT_EQ(list->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(list->verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    EXPECT_EQ(list->model()->headerData(0, Qt::Horizontal).toString(), "name");

    const OutlineViewDelegate* source = list->delegateSource();
    EXPECT_EQ(source->owner(), list);
    EXPECT_EQ(source->outdelegate, &panel);
    EXPECT_EQ(list->parentDelegate(), &panel);
    EXPECT_EQ(source->clrItemNr, colorFromBgr(gVar.LstBox_bkg_clr));
    EXPECT_EQ(source->clrItemDn, colorFromBgr(gVar.LstBox_item_clr));
    EXPECT_EQ(source->clrTextNr, colorFromBgr(gVar.Txt_clr));
    EXPECT_EQ(source->clrTextDn, colorFromBgr(gVar.LstBox_txt_clr_dn));
    EXPECT_FLOAT_EQ(source->nItemHeight, 18);
    EXPECT_FLOAT_EQ(source->nItemWidth, 200);

    // Without the flag only right-clicks go to the parent; a parent that
    // takes no reports gets none.
    MyOutlineView* quiet = newOutlineView(&panel, uiSkin(), nullptr, false, QRectF(0, 0, 50, 50));
    EXPECT_EQ(quiet->delegateSource()->outdelegate, nullptr);
    EXPECT_EQ(quiet->parentDelegate(), &panel);
    QWidget plain;
    MyOutlineView* lone = newOutlineView(&plain, uiSkin(), nullptr, true, QRectF(0, 0, 50, 50));
    EXPECT_EQ(lone->delegateSource()->outdelegate, nullptr);
    EXPECT_EQ(lone->parentDelegate(), nullptr);

    list->setHidden(true);
    EXPECT_FALSE(list->scrollView()->isVisibleTo(&panel));
    EXPECT_FALSE(list->viewport()->isVisible());
}

TEST(MyOutlineView, ServesTheOwnersTreeAndOpensLargeFolders) {
    test::useShippedConfig();
    auto root = sampleTree();
    ListPanel panel;
    MyOutlineView* list = newOutlineView(&panel, uiSkin(), root.get(), true, QRectF(10, 20, 200, 150));
    panel.show();
    const QAbstractItemModel* model = list->model();
    EXPECT_EQ(model->rowCount(), 3);
    EXPECT_EQ(model->columnCount(), 1);
    EXPECT_EQ(model->index(2, 0).data().toString(), "Solo");
    EXPECT_TRUE(model->hasChildren(QModelIndex()));

    const QModelIndex games = list->delegateSource()->indexOf(root->array[0].get());
    const QModelIndex empty = model->index(1, 0);
    EXPECT_TRUE(model->hasChildren(games));
    EXPECT_FALSE(model->hasChildren(empty));
    EXPECT_EQ(model->rowCount(games), 256);
    EXPECT_EQ(model->parent(model->index(255, 0, games)), games);
    EXPECT_FALSE(model->parent(games).isValid());

    list->expand(games);
    EXPECT_TRUE(list->isExpanded(games));
    const outlineviewData* last = root->array[0]->array[255].get();
    const QModelIndex lastIndex = list->delegateSource()->indexOf(last);
    list->scrollTo(lastIndex);
    EXPECT_TRUE(list->visualRect(lastIndex).isValid());
    EXPECT_EQ(list->visualRect(lastIndex).height(), 18);
    EXPECT_EQ(list->indexBelow(lastIndex), empty);
    list->expandItem(root->array[1].get());
    EXPECT_FALSE(list->isExpanded(empty));  // nothing inside to show

    // Only items of this tree have rows.
    outlineviewData stranger;
    auto* child = stranger.addItem(outlineviewData::make("x", kMacro, 0));
    EXPECT_FALSE(list->delegateSource()->indexOf(child).isValid());

    // Names change only through the owner.
    QAbstractItemModel* editable = list->model();
    EXPECT_TRUE(editable->flags(empty) & Qt::ItemIsEditable);
    EXPECT_FALSE(editable->setData(empty, "Renamed"));
    EXPECT_EQ(root->array[1]->name, "Empty");

    // A caption wider than the list gets a tooltip with the whole name.
    EXPECT_FALSE(model->data(empty, Qt::ToolTipRole).isValid());
    root->array[1]->name = std::string(60, 'W');
    EXPECT_EQ(model->data(empty, Qt::ToolTipRole).toString(), QString(60, 'W'));
}

TEST(MyOutlineView, ReportsSelectionCollapseAndNeverTakesTheFocus) {
    test::useShippedConfig();
    auto root = sampleTree();
    ListPanel panel;
    MyOutlineView* list = newOutlineView(&panel, uiSkin(), root.get(), true, QRectF(10, 20, 200, 150));
    panel.show();
    panel.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&panel, 5000));  // asynchronous on X11
    outlineviewData* games = root->array[0].get();
    outlineviewData* solo = root->array[2].get();

    // A click as the window system delivers it, which moves the focus to
    // widgets that take it.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowCentre(list, solo));
    ASSERT_EQ(panel.seen.size(), 1u);
    EXPECT_EQ(panel.seen[0].what, "clicked");
    EXPECT_EQ(panel.seen[0].item, solo);
    EXPECT_EQ(list->getSeletedObject(), solo);
    EXPECT_NE(QApplication::focusWidget(), list);
    EXPECT_FALSE(list->hasFocus());

    list->selectItem(games->array[3].get());  // inside a closed folder: it opens
    EXPECT_TRUE(list->isExpanded(list->delegateSource()->indexOf(games)));
    EXPECT_EQ(panel.seen.back().item, games->array[3].get());
    list->selectItem(nullptr);
    EXPECT_EQ(panel.seen.back().what, "clicked");
    EXPECT_EQ(panel.seen.back().item, nullptr);

    panel.seen.clear();
    list->collapseItem(games);
    ASSERT_EQ(panel.seen.size(), 1u);
    EXPECT_EQ(panel.seen[0].what, "collapsed");
    EXPECT_EQ(panel.seen[0].item, games);
}

TEST(MyOutlineView, RightClickSelectsTheRowUnderThePointerOrClears) {
    test::useShippedConfig();
    auto root = sampleTree();
    ListPanel panel;
    MyOutlineView* list = newOutlineView(&panel, uiSkin(), root.get(), false, QRectF(10, 20, 200, 150));
    panel.show();
    outlineviewData* empty = root->array[1].get();

    rightClick(list, rowCentre(list, empty));
    EXPECT_EQ(list->getSeletedObject(), empty);
    ASSERT_EQ(panel.seen.size(), 1u);  // no selection reports without the flag
    EXPECT_EQ(panel.seen[0].what, "rclicked");
    EXPECT_EQ(panel.seen[0].item, empty);

    // Below the last row: the selection is cleared and no item is reported.
    rightClick(list, QPoint(50, 140));
    EXPECT_EQ(list->getSeletedObject(), nullptr);
    ASSERT_EQ(panel.seen.size(), 2u);
    EXPECT_EQ(panel.seen[1].item, nullptr);

    // With selection reports on, the right-click's selection is reported first.
    ListPanel reporting;
    MyOutlineView* both = newOutlineView(&reporting, uiSkin(), root.get(), true, QRectF(10, 20, 200, 150));
    reporting.show();
    rightClick(both, rowCentre(both, empty));
    ASSERT_EQ(reporting.seen.size(), 2u);
    EXPECT_EQ(reporting.seen[0].what, "clicked");
    EXPECT_EQ(reporting.seen[1].what, "rclicked");
    rightClick(both, QPoint(50, 140));
    ASSERT_EQ(reporting.seen.size(), 4u);
    EXPECT_EQ(reporting.seen[2].what, "clicked");
    EXPECT_EQ(reporting.seen[2].item, nullptr);
    EXPECT_EQ(reporting.seen[3].item, nullptr);

    // A list whose parent takes no reports ignores right-clicks.
    QWidget plain;
    plain.resize(300, 240);
    MyOutlineView* lone = newOutlineView(&plain, uiSkin(), root.get(), false, QRectF(10, 20, 200, 150));
    plain.show();
    rightClick(lone, rowCentre(lone, empty));
    EXPECT_EQ(lone->getSeletedObject(), nullptr);
}

TEST(MyOutlineView, DrawsRowsAndItemsInTheListColours) {
    test::useShippedConfig();
    const QImage folderIcon = solid(16, 16, Qt::blue), macroIcon = solid(10, 10, Qt::red);
    const qreal textHeight = QFontMetricsF(get_font()).height();
    // An icon sits centred in a square of the row height, the text 4 points after it.
    OutlineItemLayout at = OutlineItemCellView::layout(folderIcon, 18, "Games", get_font());
    EXPECT_EQ(at.icon, QRectF(1, 1, 16, 16));
    EXPECT_EQ(at.text, QPointF(21, (18 - textHeight) / 2));
    at = OutlineItemCellView::layout(macroIcon, 18, "Solo", get_font());
    EXPECT_EQ(at.icon, QRectF(4, 4, 10, 10));
    EXPECT_EQ(at.text.x(), 18);
    at = OutlineItemCellView::layout(QImage(), 18, "Odd", get_font());
    EXPECT_TRUE(at.icon.isNull());
    EXPECT_EQ(at.text.x(), 4);

    auto root = sampleTree();
    outlineviewData* odd = add(root.get(), "Odd kind", 5);
    ListPanel panel;
    MyOutlineView* list = newOutlineView(&panel, uiSkin(), root.get(), true, QRectF(10, 20, 200, 150));
    list->setIcon(macroIcon, 0);
    list->setIcon(folderIcon, 1);
    list->setIcon(solid(4, 4, Qt::green), 5);  // no such slot
    EXPECT_TRUE(list->getIcon(5).isNull());
    EXPECT_TRUE(list->getIcon(-1).isNull());
    EXPECT_EQ(list->getIcon(1).size(), QSize(16, 16));
    list->setBkgColor(QColor(0xC2, 0xC1, 0xC0), QColor(0x32, 0x31, 0x30));
    panel.show();
    list->selectItem(root->array[2].get());

    const QImage shot = list->viewport()->grab().toImage();
    auto cell = [&](const outlineviewData* item) { return list->visualRect(list->delegateSource()->indexOf(item)); };
    const QRect games = cell(root->array[0].get()), solo = cell(root->array[2].get()), oddRow = cell(odd);
    EXPECT_EQ(games.height(), 18);
    EXPECT_EQ(shot.pixelColor(games.left() + 1 + 8, games.top() + 9), QColor(Qt::blue));
    EXPECT_EQ(shot.pixelColor(solo.left() + 4 + 5, solo.top() + 9), QColor(Qt::red));
    for (int x = oddRow.left(); x < oddRow.left() + 4; ++x)
        for (int y = oddRow.top(); y <= oddRow.bottom(); ++y)
            ASSERT_EQ(shot.pixelColor(x, y), QColor(0xC2, 0xC1, 0xC0)) << x << "," << y;
    // Row backgrounds run the whole width: selected and not.
    EXPECT_EQ(shot.pixelColor(190, solo.center().y()), QColor(0x32, 0x31, 0x30));
    EXPECT_EQ(shot.pixelColor(0, solo.center().y()), QColor(0x32, 0x31, 0x30));
    EXPECT_EQ(shot.pixelColor(190, games.center().y()), QColor(0xC2, 0xC1, 0xC0));
    EXPECT_EQ(shot.pixelColor(100, 140), QColor(0xC2, 0xC1, 0xC0));  // below the rows

    list->setTextColor(Qt::black, Qt::white);
    list->expandItem(root->array[0].get());
    list->selectItem(root->array[0]->array[2].get());
    QApplication::processEvents();  // lets the scroller appear
    test::saveScreenshot(&panel, "outline_list");
}

// An item the owner cannot use (a macro file that could not be read) is drawn
// greyed, halfway to the row's background, with the reason as its tooltip.
TEST(MyOutlineView, AnUnusableItemIsGreyedWithItsReasonAsTooltip) {
    test::useShippedConfig();
    auto root = std::make_unique<outlineviewData>();
    outlineviewData* good = add(root.get(), "good", kMacro);
    outlineviewData* bad = add(root.get(), "bad", kMacro);
    bad->unusable = "tc_macro_file_empty";
    ListPanel panel;
    MyOutlineView* list = newOutlineView(&panel, uiSkin(), root.get(), true, QRectF(10, 20, 200, 150));
    list->setBkgColor(Qt::black, Qt::black);
    list->setTextColor(Qt::white, Qt::white);
    panel.show();

    auto tip = [&](const outlineviewData* item, int role) {
        return list->model()->data(list->delegateSource()->indexOf(item), role).toString();
    };
    EXPECT_EQ(tip(bad, Qt::ToolTipRole), uiText("tc_macro_file_empty"));
    EXPECT_EQ(tip(bad, Qt::AccessibleDescriptionRole), uiText("tc_macro_file_empty"));
    EXPECT_EQ(tip(good, Qt::ToolTipRole), "");
    // A name too long for the row shows whole before the reason.
    bad->name = std::string(60, 'w');
    EXPECT_EQ(tip(bad, Qt::ToolTipRole), QString(60, 'w') + "\n" + uiText("tc_macro_file_empty"));
    bad->name = "bad";

    // The brightest text pixel of each row: white, and grey for the unusable one.
    const QImage shot = list->viewport()->grab().toImage();
    auto brightest = [&](const outlineviewData* item) {
        const QRect cell = list->visualRect(list->delegateSource()->indexOf(item));
        int most = 0;
        for (int x = cell.left(); x <= cell.right(); ++x)
            for (int y = cell.top(); y <= cell.bottom(); ++y) most = std::max(most, shot.pixelColor(x, y).red());
        return most;
    };
    EXPECT_GT(brightest(good), 200);
    EXPECT_GT(brightest(bad), 0);
    EXPECT_LE(brightest(bad), 128);
    test::saveScreenshot(&panel, "outline_unusable_item");
}

TEST(MyOutlineView, ReloadKeepsOpenFoldersAndTheSelectionWhileTheirItemsLive) {
    test::useShippedConfig();
    auto root = sampleTree();
    ListPanel panel;
    MyOutlineView* list = newOutlineView(&panel, uiSkin(), root.get(), true, QRectF(10, 20, 200, 150));
    panel.show();
    outlineviewData* games = root->array[0].get();
    list->expandItem(games);
    list->selectItem(games->array[1].get());
    panel.seen.clear();

    // Renamed and added items: the same item stays selected, nothing reported.
    games->array[1]->name = "renamed";
    add(root.get(), "Added", kMacro);
    list->reloadData();
    EXPECT_TRUE(panel.seen.empty());
    EXPECT_EQ(list->getSeletedObject(), games->array[1].get());
    EXPECT_TRUE(list->isExpanded(list->delegateSource()->indexOf(games)));
    EXPECT_EQ(list->model()->rowCount(), 4);

    // The selected item deleted: the selection becomes empty and is reported.
    outlineviewData::deleteItem(games->array[1].get());
    list->reloadData();
    ASSERT_EQ(panel.seen.size(), 1u);
    EXPECT_EQ(panel.seen[0].what, "clicked");
    EXPECT_EQ(panel.seen[0].item, nullptr);
    EXPECT_EQ(list->model()->rowCount(list->delegateSource()->indexOf(games)), 255);

    // A tree built afresh: new items start closed and unselected, even where
    // one lives at a freed item's address.
    list->selectItem(games->array[0].get());
    panel.seen.clear();
    root->clear();
    outlineviewData* again = add(root.get(), "Games", kFolder);
    add(again, "m0", kMacro);
    list->reloadData();
    EXPECT_FALSE(list->isExpanded(list->delegateSource()->indexOf(again)));
    EXPECT_EQ(list->getSeletedObject(), nullptr);
    ASSERT_EQ(panel.seen.size(), 1u);
    EXPECT_EQ(panel.seen[0].item, nullptr);
    test::clickAt(list->viewport(), rowCentre(list, again));
    EXPECT_EQ(list->getSeletedObject(), again);
}

}  // namespace
}  // namespace keyloom
