#include "widgets/MyOutlineView.h"

#include <QContextMenuEvent>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QPainter>
#include <QProxyStyle>
#include <QScrollBar>

#include "widgets/Frame.h"
#include "widgets/ImageProcess.h"
#include "widgets/TextDraw.h"

namespace keyloom {

namespace {

QString captionOf(const outlineviewData* item) { return QString::fromStdString(item->name); }

// Why the item cannot be used, in the current language; empty when it can.
QString unusableText(const outlineviewData* item) {
    return item->unusable.empty() ? QString() : uiText(item->unusable.c_str());
}

// Text of an item that cannot be used: halfway to the row's background.
QColor greyed(const QColor& text, const QColor& background) {
    return QColor((text.red() + background.red()) / 2, (text.green() + background.green()) / 2,
                  (text.blue() + background.blue()) / 2);
}

// Rows and items are drawn here in the list's own colours; the platform style
// keeps only the expansion arrows, so no theme tints a row.
class OutlineStyle : public QProxyStyle {
public:
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
        if (element == PE_PanelItemViewRow || element == PE_PanelItemViewItem || element == PE_FrameFocusRect)
            return;
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }
};

}  // namespace

// ---- data source ------------------------------------------------------------

OutlineViewDelegate::OutlineViewDelegate(MyOutlineView* owner, outlineviewData* root)
    : QAbstractItemModel(owner), owner_(owner) {
    if (!root) {
        ownRoot_ = std::make_unique<outlineviewData>();
        root = ownRoot_.get();
    }
    rootItem_ = root;
}

outlineviewData* OutlineViewDelegate::itemOf(const QModelIndex& index) {
    return index.isValid() ? static_cast<outlineviewData*>(index.internalPointer()) : nullptr;
}

QModelIndex OutlineViewDelegate::indexOf(const outlineviewData* item) const {
    if (!item || item == rootItem_) return {};
    // Only items of this tree have a row.
    const outlineviewData* top = item;
    while (top->parentItem) top = top->parentItem;
    if (top != rootItem_) return {};
    const int row = item->parentItem->indexOf(item);
    return row < 0 ? QModelIndex() : createIndex(row, 0, const_cast<outlineviewData*>(item));
}

void OutlineViewDelegate::reload() {
    beginResetModel();
    endResetModel();
}

QModelIndex OutlineViewDelegate::index(int row, int column, const QModelIndex& parent) const {
    const outlineviewData* owner = parent.isValid() ? itemOf(parent) : rootItem_;
    if (column != 0 || row < 0 || size_t(row) >= owner->array.size()) return {};
    return createIndex(row, 0, owner->array[size_t(row)].get());
}

QModelIndex OutlineViewDelegate::parent(const QModelIndex& child) const {
    const outlineviewData* item = itemOf(child);
    const outlineviewData* up = item ? item->parentItem : nullptr;
    if (!up || up == rootItem_ || !up->parentItem) return {};
    const int row = up->parentItem->indexOf(up);
    return row < 0 ? QModelIndex() : createIndex(row, 0, const_cast<outlineviewData*>(up));
}

int OutlineViewDelegate::rowCount(const QModelIndex& parent) const {
    if (parent.column() > 0) return 0;
    const outlineviewData* owner = parent.isValid() ? itemOf(parent) : rootItem_;
    return int(owner->array.size());
}

int OutlineViewDelegate::columnCount(const QModelIndex&) const { return 1; }

bool OutlineViewDelegate::hasChildren(const QModelIndex& parent) const {
    // The top level is always there to expand; an item only with children.
    return !parent.isValid() || !itemOf(parent)->array.empty();
}

QVariant OutlineViewDelegate::data(const QModelIndex& index, int role) const {
    const outlineviewData* item = itemOf(index);
    if (!item) return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole) return captionOf(item);
    if (role == Qt::ToolTipRole) {
        const QString caption = captionOf(item);
        const bool cut = owner_->shownCaption(index) != caption;
        const QString why = unusableText(item);
        if (!why.isEmpty()) return cut ? caption + QLatin1Char('\n') + why : why;
        if (cut) return caption;
    }
    if (role == Qt::AccessibleDescriptionRole) return unusableText(item);
    return {};
}

QVariant OutlineViewDelegate::headerData(int section, Qt::Orientation orientation, int role) const {
    if (section == 0 && orientation == Qt::Horizontal && role == Qt::DisplayRole) return QStringLiteral("name");
    return {};
}

Qt::ItemFlags OutlineViewDelegate::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

bool OutlineViewDelegate::setData(const QModelIndex&, const QVariant&, int) { return false; }

// ---- item drawing -----------------------------------------------------------

OutlineItemCellView::OutlineItemCellView(MyOutlineView* list) : QStyledItemDelegate(list), list_(list) {}

OutlineItemLayout OutlineItemCellView::layout(const QImage& icon, float rowHeight, const QString& text,
                                              const QFont& font) {
    OutlineItemLayout result;
    const qreal h = rowHeight;
    qreal textX = 4;
    if (!icon.isNull()) {
        const QSize size = ImageProcess::pointSize(icon);
        result.icon = QRectF((h - size.width()) / 2, (h - size.height()) / 2, size.width(), size.height());
        textX = result.icon.right() + 4;
    }
    const qreal textHeight = QFontMetricsF(font).height();
    result.text = QPointF(textX, text.isEmpty() ? 0 : (h - textHeight) / 2);
    return result;
}

void OutlineItemCellView::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    const outlineviewData* item = OutlineViewDelegate::itemOf(index);
    if (!item) return;
    const OutlineViewDelegate* source = list_->delegateSource();
    const float h = source->nItemHeight;
    const QString caption = captionOf(item);
    const QImage icon = item->nFlagData < uint32_t(MyOutlineView::kIconSlots) ? list_->getIcon(int(item->nFlagData))
                                                                              : QImage();
    const OutlineItemLayout at = layout(icon, h, caption, source->font);

    painter->save();
    painter->translate(option.rect.topLeft());
    painter->setClipRect(QRect(QPoint(0, 0), option.rect.size()));
    if (!at.icon.isNull()) {
        if (!item->unusable.empty()) painter->setOpacity(0.5);
        painter->drawImage(flipRect(at.icon, h).topLeft(), icon);
        painter->setOpacity(1);
    }
    const bool selected = list_->getSeletedObject() == item;
    QColor colour = selected ? source->clrTextDn : source->clrTextNr;
    if (!item->unusable.empty()) colour = greyed(colour, selected ? source->clrItemDn : source->clrItemNr);
    const TextStyle style{source->font, colour, TextAlign::Left};
    const qreal textHeight = QFontMetricsF(source->font).height();
    const QString shown = fittedText(caption, source->font, textRoom(at, option.rect.width()));
    myDrawText(*painter, shown, style, QRectF(at.text.x(), at.text.y(), option.rect.width(), textHeight), h);
    painter->restore();
}

qreal OutlineItemCellView::textRoom(const OutlineItemLayout& at, qreal rowWidth) {
    constexpr qreal kEndGap = 2;
    return rowWidth - at.text.x() - kEndGap;
}

QString MyOutlineView::shownCaption(const QModelIndex& index) const {
    const outlineviewData* item = OutlineViewDelegate::itemOf(index);
    if (!item) return {};
    const QString caption = captionOf(item);
    const QRect row = visualRect(index);
    // A row not laid out yet (collapsed, not shown) has the list's width.
    const qreal width = row.isValid() ? row.width() : delegateSource_->nItemWidth;
    const QImage icon = item->nFlagData < uint32_t(kIconSlots) ? getIcon(int(item->nFlagData)) : QImage();
    const OutlineItemLayout at =
        OutlineItemCellView::layout(icon, delegateSource_->nItemHeight, caption, delegateSource_->font);
    return fittedText(caption, delegateSource_->font, OutlineItemCellView::textRoom(at, width));
}

QSize OutlineItemCellView::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    return QSize(option.rect.width(), int(list_->delegateSource()->nItemHeight));
}

// ---- list view --------------------------------------------------------------

MyOutlineView::MyOutlineView(QWidget* parent, const WidgetSkin& skin, outlineviewData* root, bool reportToParent)
    : QTreeView(parent), delegateSource_(new OutlineViewDelegate(this, root)) {
    auto* style = new OutlineStyle;
    style->setParent(this);
    setStyle(style);
    setHeaderHidden(true);
    setIndentation(10);
    setUniformRowHeights(true);
    setRootIsDecorated(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFocusPolicy(Qt::NoFocus);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setItemDelegate(new OutlineItemCellView(this));
    setModel(delegateSource_);
    header()->setStretchLastSection(true);

    parent_delegate = dynamic_cast<MyOutlineViewDelegate*>(parent);
    if (reportToParent) delegateSource_->outdelegate = parent_delegate;
    delegateSource_->clrItemNr = skin.listBackground;
    delegateSource_->clrItemDn = skin.listSelected;
    delegateSource_->clrTextNr = skin.listText;
    delegateSource_->clrTextDn = skin.listTextSelected;
    delegateSource_->font = skin.font;
    applyColours();

    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { onSelectionChanged(); });
    connect(this, &QTreeView::expanded, this, [this](const QModelIndex& index) { onExpanded(index); });
    connect(this, &QTreeView::collapsed, this, [this](const QModelIndex& index) { onCollapsed(index); });
}

outlineviewData* MyOutlineView::getSeletedObject() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? nullptr : OutlineViewDelegate::itemOf(rows.first());
}

void MyOutlineView::selectItem(const outlineviewData* item) {
    const QModelIndex index = delegateSource_->indexOf(item);
    if (!index.isValid()) {
        clearSelection();
        return;
    }
    for (const outlineviewData* up = item->parentItem; up; up = up->parentItem)
        if (QModelIndex folder = delegateSource_->indexOf(up); folder.isValid()) expand(folder);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(index);
}

void MyOutlineView::expandItem(const outlineviewData* item) {
    // Only items with children open.
    if (!item || item->array.empty()) return;
    if (QModelIndex index = delegateSource_->indexOf(item); index.isValid()) expand(index);
}

void MyOutlineView::collapseItem(const outlineviewData* item) {
    if (QModelIndex index = delegateSource_->indexOf(item); index.isValid()) collapse(index);
}

void MyOutlineView::reloadData() {
    const std::set<uint64_t> wasExpanded = std::move(expandedSerials_);
    expandedSerials_.clear();
    const uint64_t wasSelected = selectedSerial_;
    const outlineviewData* keep = nullptr;

    quietSelection_ = true;
    delegateSource_->reload();
    selectedSerial_ = 0;
    // Pre-order, so a folder opens before anything inside it.
    std::vector<const outlineviewData*> pending{delegateSource_->rootItem()};
    while (!pending.empty()) {
        const outlineviewData* item = pending.back();
        pending.pop_back();
        if (item != delegateSource_->rootItem()) {
            if (wasExpanded.count(item->serial)) expandItem(item);
            if (wasSelected != 0 && item->serial == wasSelected) keep = item;
        }
        for (auto it = item->array.rbegin(); it != item->array.rend(); ++it) pending.push_back(it->get());
    }
    // Kept where it is, even inside a closed folder.
    if (keep)
        selectionModel()->setCurrentIndex(delegateSource_->indexOf(keep),
                                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    quietSelection_ = false;
    // The selected item is gone: the selection became empty.
    if (wasSelected != 0 && !keep && delegateSource_->outdelegate)
        delegateSource_->outdelegate->onItemClicked(nullptr, this);
}

void MyOutlineView::onSelectionChanged() {
    outlineviewData* item = getSeletedObject();
    selectedSerial_ = item ? item->serial : 0;
    if (quietSelection_) return;
    viewport()->update();  // text colours follow the selected item
    if (delegateSource_->outdelegate) delegateSource_->outdelegate->onItemClicked(item, this);
}

void MyOutlineView::onExpanded(const QModelIndex& index) {
    if (const outlineviewData* item = OutlineViewDelegate::itemOf(index)) expandedSerials_.insert(item->serial);
}

void MyOutlineView::onCollapsed(const QModelIndex& index) {
    outlineviewData* item = OutlineViewDelegate::itemOf(index);
    if (!item) return;
    expandedSerials_.erase(item->serial);
    if (delegateSource_->outdelegate) delegateSource_->outdelegate->onItemDidCollapse(item, this);
}

void MyOutlineView::setBkgColor(const QColor& bkg, const QColor& itemColor) {
    delegateSource_->clrItemNr = bkg;
    delegateSource_->clrItemDn = itemColor;
    applyColours();
}

void MyOutlineView::setTextColor(const QColor& colorNr, const QColor& colorDn) {
    delegateSource_->clrTextNr = colorNr;
    delegateSource_->clrTextDn = colorDn;
    applyColours();
}

void MyOutlineView::applyColours() {
    QPalette colours = palette();
    const QColor background = delegateSource_->clrItemNr;
    colours.setColor(QPalette::Base, background);
    colours.setColor(QPalette::Window, background);
    colours.setColor(QPalette::Highlight, delegateSource_->clrItemDn);
    colours.setColor(QPalette::Text, delegateSource_->clrTextNr);
    // The expansion arrows are drawn by the desktop style in these roles.
    colours.setColor(QPalette::WindowText, delegateSource_->clrTextNr);
    colours.setColor(QPalette::ButtonText, delegateSource_->clrTextNr);
    colours.setColor(QPalette::HighlightedText, delegateSource_->clrTextDn);
    setPalette(colours);
    // A slim scroller in the list's own colours instead of the desktop's light one.
    const QColor handle = background.lightness() < 128 ? background.lighter(220) : background.darker(140);
    verticalScrollBar()->setStyleSheet(
        QStringLiteral("QScrollBar:vertical { background: %1; width: 8px; margin: 0; border: none; }"
                       "QScrollBar::handle:vertical { background: %2; border-radius: 3px; min-height: 20px;"
                       " margin: 1px; }"
                       "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
                       "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }")
            .arg(background.name(), handle.name()));
    viewport()->update();
}

void MyOutlineView::setIcon(const QImage& icon, int index) {
    if (index < 0 || index >= kIconSlots) return;
    imgIcon[size_t(index)] = icon;
    viewport()->update();
}

QImage MyOutlineView::getIcon(int index) const {
    if (index < 0 || index >= kIconSlots) return {};
    return imgIcon[size_t(index)];
}

void MyOutlineView::drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const bool selected = selectionModel()->isSelected(index);
    const QRect row(0, option.rect.y(), viewport()->width(), option.rect.height());
    painter->fillRect(row, selected ? delegateSource_->clrItemDn : delegateSource_->clrItemNr);
    QTreeView::drawRow(painter, option, index);
}

void MyOutlineView::contextMenuEvent(QContextMenuEvent* event) {
    // No menu is ever shown here; the owner opens its own.
    event->accept();
    if (!parent_delegate) return;
    const QModelIndex index = indexAt(event->pos());
    if (index.isValid())
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    else
        clearSelection();
    parent_delegate->onItemRClicked(OutlineViewDelegate::itemOf(index), this);
}

MyOutlineView* newOutlineView(QWidget* parent, const WidgetSkin& skin, outlineviewData* root, bool reportToParent,
                              const QRectF& frame) {
    auto* list = new MyOutlineView(parent, skin, root, reportToParent);
    setFrame(list, frame);
    list->delegateSource()->nItemHeight = 18;
    list->delegateSource()->nItemWidth = float(frame.width());
    list->setColumnWidth(0, int(frame.width()));
    list->show();
    return list;
}

}  // namespace keyloom
