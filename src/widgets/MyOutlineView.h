// The outline list: a scrolling, single-column tree of outlineviewData items
// with optional icons, drawn in its skin's list colours. It reports selection
// changes, collapses and right-clicks to its owner and never takes the
// keyboard focus.
//
// The tree belongs to the owner. After changing items the owner calls
// reloadData() before returning to the event loop: until then the list may
// still show items that no longer exist.
#pragma once
#include <QAbstractItemModel>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QStyledItemDelegate>
#include <QTreeView>
#include <array>
#include <cstdint>
#include <memory>
#include <set>

#include "base/outline.h"
#include "widgets/WidgetSkin.h"

namespace keyloom {

class MyOutlineView;

// Reports of a list. Each carries the item concerned (or none) and the list.
// An owner implements the ones it needs.
class MyOutlineViewDelegate {
public:
    virtual ~MyOutlineViewDelegate() = default;
    // After every change of selection: the newly selected item, none when the
    // selection became empty.
    virtual void onItemClicked(outlineviewData*, MyOutlineView*) {}
    virtual void onItemDidCollapse(outlineviewData*, MyOutlineView*) {}
    // The row under the pointer has just been selected (none over empty space).
    virtual void onItemRClicked(outlineviewData*, MyOutlineView*) {}
};

// Data source of a list: serves the owner's tree and holds the list's colours,
// font and row measures.
class OutlineViewDelegate : public QAbstractItemModel {
public:
    // root: the owner's tree; none creates an empty one held here.
    OutlineViewDelegate(MyOutlineView* owner, outlineviewData* root);

    outlineviewData* rootItem() const { return rootItem_; }
    MyOutlineView* owner() const { return owner_; }
    MyOutlineViewDelegate* outdelegate = nullptr;

    QColor clrItemNr;
    QColor clrItemDn;
    QColor clrTextNr;
    QColor clrTextDn;
    QFont font;
    float nItemHeight = 18;
    float nItemWidth = 0;

    static outlineviewData* itemOf(const QModelIndex& index);
    QModelIndex indexOf(const outlineviewData* item) const;
    // Drops every row and serves the tree afresh.
    void reload();

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Names change only through the owner: an edited value is discarded.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

private:
    MyOutlineView* owner_;
    std::unique_ptr<outlineviewData> ownRoot_;
    outlineviewData* rootItem_;
};

// Where an item's icon and text go inside its cell, origin at the cell's
// bottom-left corner. No icon: a null rectangle.
struct OutlineItemLayout {
    QRectF icon;
    QPointF text;  // left end of the text's box, y of its bottom edge
};

// Draws one item: icon by the item's kind, then its name.
class OutlineItemCellView : public QStyledItemDelegate {
public:
    explicit OutlineItemCellView(MyOutlineView* list);

    static OutlineItemLayout layout(const QImage& icon, float rowHeight, const QString& text, const QFont& font);
    // The width the caption may take in a row this wide; a longer one is cut with "…".
    static qreal textRoom(const OutlineItemLayout& at, qreal rowWidth);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    // Edits never reach the tree.
    void setModelData(QWidget*, QAbstractItemModel*, const QModelIndex&) const override {}

private:
    MyOutlineView* list_;
};

class MyOutlineView : public QTreeView {
public:
    static constexpr int kIconSlots = 5;

    MyOutlineView(QWidget* parent, const WidgetSkin& skin, outlineviewData* root, bool reportToParent);

    OutlineViewDelegate* delegateSource() const { return delegateSource_; }
    outlineviewData* rootItem() const { return delegateSource_->rootItem(); }
    // The frame that scrolls the list; the list is its own.
    QWidget* scrollView() { return this; }

    outlineviewData* getSeletedObject() const;
    // Selects the item's row (none clears the selection); the change is reported.
    void selectItem(const outlineviewData* item);
    // Opens an item that has children; others have nothing to show.
    void expandItem(const outlineviewData* item);
    void collapseItem(const outlineviewData* item);
    // Serves the owner's tree afresh. Folders that were open and the selected
    // item stay so while they are still in the tree; a selection whose item is
    // gone becomes empty and is reported.
    void reloadData();

    // The first colour is the background and the unselected row colour, the
    // second the selected row colour.
    void setBkgColor(const QColor& bkg, const QColor& itemColor);
    void setTextColor(const QColor& colorNr, const QColor& colorDn);
    // Slots 0..kIconSlots-1; other slots are ignored.
    void setIcon(const QImage& icon, int index);
    QImage getIcon(int index) const;
    // The row's caption as drawn: cut with "…" when its row is too narrow
    // (the whole caption is then the row's tooltip).
    QString shownCaption(const QModelIndex& index) const;

    void setParentDelegate(MyOutlineViewDelegate* delegate) { parent_delegate = delegate; }
    MyOutlineViewDelegate* parentDelegate() const { return parent_delegate; }

protected:
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void applyColours();
    void onSelectionChanged();
    void onExpanded(const QModelIndex& index);
    void onCollapsed(const QModelIndex& index);

    std::array<QImage, kIconSlots> imgIcon;
    MyOutlineViewDelegate* parent_delegate = nullptr;
    OutlineViewDelegate* delegateSource_;
    // Items are remembered by serial number, never by address: the owner may
    // free items and make new ones at the same place before it reloads.
    std::set<uint64_t> expandedSerials_;
    uint64_t selectedSerial_ = 0;
    bool quietSelection_ = false;
};

// The list at frame (bottom-left origin) in parent, in the skin's list
// colours and font. root none: an empty tree. The parent gets the right-clicks
// when it implements MyOutlineViewDelegate, and the selection and collapse
// reports too when reportToParent is set.
MyOutlineView* newOutlineView(QWidget* parent, const WidgetSkin& skin, outlineviewData* root, bool reportToParent,
                              const QRectF& frame);

}  // namespace keyloom
