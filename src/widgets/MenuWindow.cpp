#include "widgets/MenuWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QPainter>
#include <algorithm>

#include "widgets/Frame.h"
#include "widgets/PngButton.h"

namespace keyloom {

void AddMenuItem(std::vector<MenuData>& items, int /*count*/, int flag, int itemData, const QString& caption) {
    items.push_back(MenuData{caption, flag, itemData, false});
    // A parent index that names no entry marks nothing; the entry itself is
    // kept (it simply never shows).
    if (flag != MENU_TOP_LEVEL && flag >= 0 && size_t(flag) < items.size())
        items[size_t(flag)].haveSubMenu = true;
}

namespace {

// The hover check's period.
constexpr int HOVER_CHECK_MS = 250;

}  // namespace

MenuWindow::MenuWindow(const std::vector<MenuData>& items, int flag, const QRectF& windowFrame)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint),
      itemArr_(items),
      nemuFlag_(flag) {
    setWindowTitle(QStringLiteral("nemudialog"));
    setGeometry(screenRectFromFrame(windowFrame));
    timer_.setInterval(HOVER_CHECK_MS);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] { hoverCheck(QCursor::pos()); });
    loadSkins();
}

MenuWindow* MenuWindow::open(const std::vector<MenuData>& items, int flag, const QRectF& windowFrame) {
    auto* menu = new MenuWindow(items, flag, windowFrame);
    // A window that is just shown is already on top.
    menu->show();
    menu->activateWindow();
    return menu;
}

MenuWindow* MenuWindow::newMenu(const std::vector<MenuData>& items, int flag, const QRectF& screenRect) {
    // Whole points, and one point of white border all round.
    const QRectF frame(int(screenRect.x()), int(screenRect.y()), screenRect.width() + 2, screenRect.height() + 2);
    return open(items, flag, frame);
}

MenuWindow* MenuWindow::newMenu2(int width, int count, const std::vector<MenuData>& items, int flag,
                                 const QPointF& screenPoint) {
    const int x = int(screenPoint.x());
    const int y = int(screenPoint.y());
    const int height = MENU_ITEM_HEIGHT * count;
    return open(items, flag, QRectF(x, y - height, width + 2, height + 2));
}

void MenuWindow::loadSkins() {
    const qreal w = width();
    const qreal h = height();
    for (const MenuData& item : itemArr_) {
        if (item.flag != nemuFlag_) continue;
        const qreal y = h - itemHeight_ - 1 - itemHeight_ * qreal(buttonArr_.size());
        const QString nr = item.haveSubMenu ? QStringLiteral("menusub_nr.png") : QStringLiteral("menu_nr.png");
        const QString ov = item.haveSubMenu ? QStringLiteral("menusub_ov.png") : QStringLiteral("menu_ov.png");
        PngButton* button = newPngButton2(nullptr, this, nr, ov, nr, false, QRectF(1, y, w - 2, itemHeight_),
                                          item.textItem, [this](PngButton* b) { onClick(b); });
        button->flagData = item.haveSubMenu ? 1 : 0;
        button->setItemData(item.itemData);
        buttonArr_.push_back(button);
    }
    timer_.start();
    subMenu_ = nullptr;
}

bool MenuWindow::isActive() const {
    return isActiveWindow();
}

int MenuWindow::entryIndexAt(const QPoint& globalPos) const {
    const QPoint local = mapFromGlobal(globalPos);
    for (size_t i = 0; i < buttonArr_.size(); ++i)
        if (buttonArr_[i]->geometry().contains(local)) return int(i);
    return -1;
}

void MenuWindow::hoverCheck(const QPoint& globalPos) {
    if (closed_) return;
    if (!geometry().contains(globalPos)) {
        mouseOver_ = false;
        if (isActive()) return;
        if (parentMenu_) {
            if (!parentMenu_->isActive()) closeMenu();
        } else if (!(subMenu_ && subMenu_->isActive())) {
            closeMenu();
        }
        return;
    }
    mouseOver_ = true;
    if (!isActive()) {
        raise();
        activateWindow();
    }
    const int index = entryIndexAt(globalPos);
    if (index < 0) return;
    if (buttonArr_[size_t(index)]->flagData) {
        if (subMenu_ && subMenu_->nemuFlag_ != index) closeSubMenu();
        if (!subMenu_) openSubMenu(index);
    } else {
        closeSubMenu();
    }
}

QRectF MenuWindow::calSubmenuRect(int index) const {
    if (index < 0 || size_t(index) >= buttonArr_.size()) return QRectF();
    const auto count = std::count_if(itemArr_.begin(), itemArr_.end(),
                                     [index](const MenuData& item) { return item.flag == index; });
    if (count == 0) return QRectF();
    const QRectF parent = frameFromScreenRect(geometry());
    const qreal entryY = frameOf(buttonArr_[size_t(index)]).y();
    const qreal height = qreal(itemHeight_) * qreal(count);
    return QRectF(parent.x() + parent.width(), parent.y() + entryY + itemHeight_ - height, parent.width(), height);
}

void MenuWindow::openSubMenu(int index) {
    const QRectF rect = calSubmenuRect(index);
    // An entry whose sub-entries are not in the list opens nothing.
    if (rect.isEmpty()) return;
    MenuWindow* sub = newMenu(itemArr_, index, rect);
    sub->parentMenu_ = this;
    subMenu_ = sub;
}

void MenuWindow::closeSubMenu() {
    if (MenuWindow* sub = subMenu_) {
        subMenu_ = nullptr;
        sub->closeMenu();
    }
}

void MenuWindow::onClick(PngButton* button) {
    const auto it = std::find(buttonArr_.begin(), buttonArr_.end(), button);
    if (it == buttonArr_.end() || button->flagData) return;
    const int data = button->getItemData();
    // The receiver may close this menu itself; closing twice does nothing.
    QPointer<MenuWindow> self(this);
    if (nemuFlag_ == MENU_TOP_LEVEL) {
        if (outdelegate) outdelegate->onMenuClicked(data, nemuID);
    } else if (MenuWindow* parent = parentMenu_) {
        parent->onSubMenuClick(data);
    }
    if (self) closeMenu();
}

void MenuWindow::onSubMenuClick(int itemData) {
    subMenu_ = nullptr;
    QPointer<MenuWindow> self(this);
    if (outdelegate) outdelegate->onMenuClicked(itemData, nemuID);
    if (self) closeMenu();
}

void MenuWindow::closeMenu() {
    if (closed_) return;
    closed_ = true;
    timer_.stop();
    closeSubMenu();
    if (MenuWindow* parent = parentMenu_; parent && parent->subMenu_ == this) parent->subMenu_ = nullptr;
    hide();
    deleteLater();
}

void MenuWindow::paintEvent(QPaintEvent*) {
    // The white background shows as the 1-point border around the entries.
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
}

void MenuWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    closeMenu();
}

}  // namespace keyloom
