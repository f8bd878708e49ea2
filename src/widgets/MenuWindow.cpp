#include "widgets/MenuWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWheelEvent>
#include <algorithm>

#include "widgets/Frame.h"
#include "widgets/ImageProcess.h"
#include "widgets/Platform.h"
#include "widgets/PngButton.h"
#include "widgets/TextDraw.h"

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
// While a scroll arrow is hovered or held, the menu scrolls one entry this often.
constexpr int AUTO_SCROLL_MS = 60;

// The available area (Qt's top-left pixels) of the screen a menu is wanted on.
QRect availableArea(const QRect& wanted) {
    QScreen* screen = QGuiApplication::screenAt(wanted.center());
    if (!screen) screen = QGuiApplication::screenAt(wanted.topLeft());
    if (!screen) screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : wanted;
}

// The rectangle moved into the area as far as needed, never past its top-left corner.
QRect keptInside(QRect rect, const QRect& area) {
    rect.moveLeft(std::max(area.left(), std::min(rect.left(), area.right() + 1 - rect.width())));
    rect.moveTop(std::max(area.top(), std::min(rect.top(), area.bottom() + 1 - rect.height())));
    return rect;
}

}  // namespace

// One of the two arrows of a menu taller than its screen: hovering or holding
// it scrolls the menu that way; it fades at the end of the list.
class MenuScrollArrow : public QWidget {
public:
    MenuScrollArrow(MenuWindow* menu, int direction)
        : QWidget(menu), menu_(menu), direction_(direction), background_(loadSkinImage(QStringLiteral("menu_nr.png"))) {
        const QString name = uiText(direction < 0 ? "tc_menu_scroll_up" : "tc_menu_scroll_down");
        setAccessibleName(name);
        setToolTip(name);
    }

    bool canScroll() const {
        const int last = int(menu_->buttonArr_.size()) - menu_->rows_;
        return direction_ < 0 ? menu_->top_ > 0 : menu_->top_ < last;
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        if (background_.isNull())
            painter.fillRect(rect(), QColor(40, 44, 52));
        else
            painter.drawImage(QRectF(rect()), background_);
        QColor colour = menu_->skin_.button.normal;
        if (!canScroll()) colour.setAlpha(70);
        const QPointF c = QRectF(rect()).center();
        const qreal tip = direction_ < 0 ? -3 : 3;
        const QPointF triangle[3] = {{c.x() - 6, c.y() - tip}, {c.x() + 6, c.y() - tip}, {c.x(), c.y() + tip}};
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(colour);
        painter.drawPolygon(triangle, 3);
    }
    void enterEvent(QEnterEvent*) override { menu_->startAutoScroll(direction_); }
    void leaveEvent(QEvent*) override { menu_->stopAutoScroll(); }
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton) return;
        menu_->scrollBy(direction_);
        menu_->startAutoScroll(direction_);
    }

private:
    MenuWindow* menu_;
    int direction_;
    QImage background_;
};

MenuWindow::MenuWindow(QWidget* opener, const WidgetSkin& skin, const std::vector<MenuData>& items, int flag,
                       const QRectF& windowFrame)
    : QWidget(opener ? opener->window() : nullptr, Qt::Popup | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint),
      skin_(skin),
      itemArr_(items),
      nemuFlag_(flag),
      opener_(opener) {
    setWindowTitle(QStringLiteral("nemudialog"));
    setFocusPolicy(Qt::StrongFocus);
    const int entries = int(std::count_if(itemArr_.begin(), itemArr_.end(),
                                          [flag](const MenuData& item) { return item.flag == flag; }));
    const QRect wanted = screenRectFromFrame(windowFrame);
    const QRect area = availableArea(wanted);
    QRect placed = wanted;
    rows_ = entries;
    if (wanted.height() > area.height()) {
        // As many whole entries as fit between the two arrows and the border.
        rows_ = std::clamp((area.height() - 2 - 2 * kArrowHeight) / itemHeight_, 1, std::max(entries, 1));
        placed.setHeight(rows_ * itemHeight_ + (rows_ < entries ? 2 * kArrowHeight : 0) + 2);
    }
    // Where the desktop places pop-ups itself, it also keeps them on the screen.
    setGeometry(programPlacesWindows() ? keptInside(placed, area) : placed);
    timer_.setInterval(HOVER_CHECK_MS);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] { hoverCheck(QCursor::pos()); });
    autoScroll_.setInterval(AUTO_SCROLL_MS);
    QObject::connect(&autoScroll_, &QTimer::timeout, this, [this] {
        const int before = top_;
        scrollBy(autoScrollStep_);
        if (top_ == before) stopAutoScroll();
    });
    loadSkins();
}

MenuWindow* MenuWindow::open(QWidget* opener, const WidgetSkin& skin, const std::vector<MenuData>& items, int flag,
                             const QRectF& windowFrame) {
    auto* menu = new MenuWindow(opener, skin, items, flag, windowFrame);
    // A window that is just shown is already on top.
    menu->show();
    menu->setFocus(Qt::PopupFocusReason);
    return menu;
}

MenuWindow* MenuWindow::newMenu(QWidget* opener, const WidgetSkin& skin, const std::vector<MenuData>& items,
                                int flag, const QRectF& screenRect) {
    // Whole points, and one point of white border all round.
    const QRectF frame(int(screenRect.x()), int(screenRect.y()), screenRect.width() + 2, screenRect.height() + 2);
    return open(opener, skin, items, flag, frame);
}

MenuWindow* MenuWindow::newMenu2(QWidget* opener, const WidgetSkin& skin, int width, int count,
                                 const std::vector<MenuData>& items, int flag, const QPointF& screenPoint) {
    const int x = int(screenPoint.x());
    const int y = int(screenPoint.y());
    const int height = MENU_ITEM_HEIGHT * count;
    return open(opener, skin, items, flag, QRectF(x, y - height, width + 2, height + 2));
}

void MenuWindow::loadSkins() {
    const qreal w = width();
    for (const MenuData& item : itemArr_) {
        if (item.flag != nemuFlag_) continue;
        const QString nr = item.haveSubMenu ? QStringLiteral("menusub_nr.png") : QStringLiteral("menu_nr.png");
        const QString ov = item.haveSubMenu ? QStringLiteral("menusub_ov.png") : QStringLiteral("menu_ov.png");
        PngButton* button = newPngButton2(nullptr, this, skin_, nr, ov, nr, false, QRectF(1, 1, w - 2, itemHeight_),
                                          item.textItem, [this](PngButton* b) { onClick(b); });
        button->flagData = item.haveSubMenu ? 1 : 0;
        button->setItemData(item.itemData);
        button->installEventFilter(this);  // the entry under the pointer becomes the current one
        buttonArr_.push_back(button);
    }
    if (scrolls()) {
        arrowUp_ = new MenuScrollArrow(this, -1);
        arrowDown_ = new MenuScrollArrow(this, 1);
    }
    layoutEntries();
    timer_.start();
    subMenu_ = nullptr;
}

void MenuWindow::layoutEntries() {
    const qreal w = width();
    const qreal h = height();
    const int arrow = scrolls() ? kArrowHeight : 0;
    // The first entry in view fills the top row, below the upper arrow.
    for (size_t i = 0; i < buttonArr_.size(); ++i) {
        PngButton* button = buttonArr_[i];
        const int row = int(i) - top_;
        if (row < 0 || row >= rows_) {
            button->hide();
            continue;
        }
        setFrame(button, QRectF(1, h - 1 - arrow - itemHeight_ * (row + 1), w - 2, itemHeight_));
        button->show();
    }
    if (arrowUp_) {
        setFrame(arrowUp_, QRectF(1, h - 1 - arrow, w - 2, arrow));
        setFrame(arrowDown_, QRectF(1, 1, w - 2, arrow));
        arrowUp_->update();
        arrowDown_->update();
    }
}

QWidget* MenuWindow::scrollUpArrow() const {
    return arrowUp_;
}

QWidget* MenuWindow::scrollDownArrow() const {
    return arrowDown_;
}

void MenuWindow::scrollBy(int entries) {
    const int last = std::max(0, int(buttonArr_.size()) - rows_);
    const int top = std::clamp(top_ + entries, 0, last);
    if (top == top_) return;
    top_ = top;
    layoutEntries();
}

void MenuWindow::startAutoScroll(int direction) {
    autoScrollStep_ = direction;
    autoScroll_.start();
}

void MenuWindow::stopAutoScroll() {
    autoScroll_.stop();
}

namespace {

// Shows an entry as hovered, or no longer, as the pointer entering or leaving it would.
void showHovered(PngButton* button, bool hovered) {
    if (!button) return;
    if (hovered) {
        const QPointF centre = QRectF(button->rect()).center();
        QEnterEvent enter(centre, centre, button->mapToGlobal(centre));
        QApplication::sendEvent(button, &enter);
    } else {
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(button, &leave);
    }
}

}  // namespace

void MenuWindow::setCurrentEntry(int index) {
    if (buttonArr_.empty()) return;
    index = std::clamp(index, 0, int(buttonArr_.size()) - 1);
    if (index < top_) scrollBy(index - top_);
    if (index >= top_ + rows_) scrollBy(index - (top_ + rows_ - 1));
    if (index == current_) return;
    const int previous = current_;
    current_ = index;  // before the events, so the filter takes the entry as current already
    if (previous >= 0) showHovered(buttonArr_[size_t(previous)], false);
    showHovered(buttonArr_[size_t(index)], true);
}

bool MenuWindow::eventFilter(QObject* watched, QEvent* event) {
    // The wheel over an entry scrolls the menu.
    if (event->type() == QEvent::Wheel) {
        wheelEvent(static_cast<QWheelEvent*>(event));
        return event->isAccepted();
    }
    if (event->type() == QEvent::Enter) {
        const auto it = std::find(buttonArr_.begin(), buttonArr_.end(), watched);
        const int index = it == buttonArr_.end() ? -1 : int(it - buttonArr_.begin());
        if (index >= 0 && index != current_) {
            if (current_ >= 0) showHovered(buttonArr_[size_t(current_)], false);
            current_ = index;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void MenuWindow::keyPressEvent(QKeyEvent* event) {
    const int from = current_ < 0 ? top_ - 1 : current_;
    switch (event->key()) {
        case Qt::Key_Down: setCurrentEntry(from + 1); break;
        case Qt::Key_Up: setCurrentEntry(current_ < 0 ? top_ + rows_ - 1 : current_ - 1); break;
        case Qt::Key_PageDown: setCurrentEntry(from + rows_); break;
        case Qt::Key_PageUp: setCurrentEntry(std::max(0, from - rows_)); break;
        case Qt::Key_Home: setCurrentEntry(0); break;
        case Qt::Key_End: setCurrentEntry(int(buttonArr_.size()) - 1); break;
        case Qt::Key_Return:
        case Qt::Key_Enter: chooseEntry(current_); break;
        case Qt::Key_Escape: closeMenu(); break;
        default: event->ignore(); return;
    }
    event->accept();
}

void MenuWindow::chooseEntry(int index) {
    if (index < 0 || size_t(index) >= buttonArr_.size()) return;
    PngButton* button = buttonArr_[size_t(index)];
    // An entry with a sub-menu opens it, as hovering does.
    if (!button->flagData) return onClick(button);
    if (!subMenu_) openSubMenu(index);
}

void MenuWindow::wheelEvent(QWheelEvent* event) {
    if (!scrolls()) return event->ignore();
    wheelRest_ += event->angleDelta().y();
    const int notches = wheelRest_ / 120;
    wheelRest_ -= notches * 120;
    scrollBy(-notches * QApplication::wheelScrollLines());
    event->accept();
}

int MenuWindow::entryIndexAt(const QPoint& globalPos) const {
    const QPoint local = mapFromGlobal(globalPos);
    for (size_t i = 0; i < buttonArr_.size(); ++i)
        if (!buttonArr_[i]->isHidden() && buttonArr_[i]->geometry().contains(local)) return int(i);
    return -1;
}

void MenuWindow::hoverCheck(const QPoint& globalPos) {
    if (closed_) return;
    mouseOver_ = geometry().contains(globalPos);
    if (!mouseOver_) return;  // a click outside closes the menu, not the pointer leaving it
    const int index = entryIndexAt(globalPos);
    if (index < 0) return;
    if (buttonArr_[size_t(index)]->flagData) {
        if (subMenu_ && subMenu_->nemuFlag_ != index) closeSubMenu();
        if (!subMenu_) openSubMenu(index);
    } else {
        closeSubMenu();
    }
}

void MenuWindow::mousePressEvent(QMouseEvent* event) {
    const QPoint global = event->globalPosition().toPoint();
    if (rect().contains(event->position().toPoint())) return QWidget::mousePressEvent(event);
    // Outside: this menu closes, and with it every menu it hangs from that
    // the press is outside of too.
    MenuWindow* outermost = this;
    while (outermost->parentMenu_ && !outermost->parentMenu_->geometry().contains(global))
        outermost = outermost->parentMenu_;
    // A press on the control that opened the menu only closes it; given to
    // the control again, it would open the menu anew.
    if (outermost->opener_ && outermost->opener_->rect().contains(outermost->opener_->mapFromGlobal(global)))
        outermost->setAttribute(Qt::WA_NoMouseReplay);
    event->accept();
    outermost->closeMenu();
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
    MenuWindow* sub = newMenu(this, skin_, itemArr_, index, rect);
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
    autoScroll_.stop();
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
