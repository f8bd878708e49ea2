// The pop-up menu: a borderless pop-up of skinned entries one below the
// other, with one level of sub-menus opened by hovering. It belongs to the
// window of the control that opens it (a sub-menu to its menu), so the desktop
// keeps it above that window and, on Wayland, places it relative to it. It
// closes on a choice, Escape, or a click outside it.
// A menu deletes itself when it closes; callers keep no pointer they rely on.
// It never reaches beyond the available area of its screen: a menu taller
// than that shows as many whole entries as fit between two scroll arrows and
// scrolls by the wheel, the arrows (hovered or pressed) and the arrow keys.
#pragma once
#include <QPointer>
#include <QRectF>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <vector>

#include "widgets/WidgetSkin.h"

namespace keyloom {

class PngButton;

constexpr int MENU_TOP_LEVEL = 255;  // flag of a top-level entry
constexpr int MENU_ITEM_HEIGHT = 20;

struct MenuData {
    QString textItem;
    int flag = MENU_TOP_LEVEL;  // 255, or the index of the parent entry in the same list
    int itemData = 0;           // reported when the entry is chosen
    bool haveSubMenu = false;   // the entry opens a sub-menu instead of being chosen
};

// Appends an entry; an entry of a sub-menu marks its parent entry (at index
// flag) as having one. `count` is the caller's running count and not used.
void AddMenuItem(std::vector<MenuData>& items, int count, int flag, int itemData, const QString& caption);

// Receives the chosen entry's data and the menu's id.
class MenuDelegate {
public:
    virtual ~MenuDelegate() = default;
    virtual void onMenuClicked(int itemData, int menuId) = 0;
};

class MenuScrollArrow;

class MenuWindow : public QWidget {
public:
    static constexpr int kArrowHeight = 14;  // each scroll arrow, when the entries do not fit

    // Opens the entries whose flag equals `flag`, for the control `opener`,
    // on a screen rectangle (bottom-left of the primary screen; x, y of the
    // entry area's bottom-left corner, its width and height). The window is 2
    // points larger each way. Entries, scroll arrows and sub-menus are drawn
    // with the skin.
    static MenuWindow* newMenu(QWidget* opener, const WidgetSkin& skin, const std::vector<MenuData>& items, int flag,
                               const QRectF& screenRect);
    // The same, hanging below a screen point: `count` entries of `width`.
    static MenuWindow* newMenu2(QWidget* opener, const WidgetSkin& skin, int width, int count,
                                const std::vector<MenuData>& items, int flag, const QPointF& screenPoint);

    MenuDelegate* outdelegate = nullptr;
    int nemuID = 0;

    // The periodic check (every 0.25 s with the pointer's position): opens and
    // closes sub-menus as the pointer moves over the entries.
    void hoverCheck(const QPoint& globalPos);
    // Closes this menu (and its open sub-menu); the window deletes itself.
    void closeMenu();

    // The sub-menu rectangle (screen, bottom-left) for the visible entry at
    // `index`; empty when no entry belongs to it.
    QRectF calSubmenuRect(int index) const;

    int nemuFlag() const { return nemuFlag_; }
    int itemHeight() const { return itemHeight_; }
    bool mouseOver() const { return mouseOver_; }
    bool subMenuShowing() const { return bool(subMenu_); }
    MenuWindow* subMenu() const { return subMenu_; }
    MenuWindow* parentMenu() const { return parentMenu_; }
    // Every entry's button, shown or scrolled out of view.
    const std::vector<PngButton*>& buttons() const { return buttonArr_; }
    bool isClosed() const { return closed_; }

    // Scrolling: the entries shown at once (all of them when they fit), the
    // first one shown, and the two arrows (none when everything fits).
    int visibleRows() const { return rows_; }
    int firstVisible() const { return top_; }
    bool scrolls() const { return rows_ < int(buttonArr_.size()); }
    void scrollBy(int entries);
    QWidget* scrollUpArrow() const;
    QWidget* scrollDownArrow() const;

    // The entry the arrow keys move and Return chooses, shown as hovered; -1
    // none. Setting it scrolls it into view.
    int currentEntry() const { return current_; }
    void setCurrentEntry(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class MenuScrollArrow;

    MenuWindow(QWidget* opener, const WidgetSkin& skin, const std::vector<MenuData>& items, int flag,
               const QRectF& windowFrame);
    // Opens a menu window on its own screen frame (bottom-left convention).
    static MenuWindow* open(QWidget* opener, const WidgetSkin& skin, const std::vector<MenuData>& items, int flag,
                            const QRectF& windowFrame);

    void loadSkins();
    // Places the entries in view below one another, hides the others.
    void layoutEntries();
    void chooseEntry(int index);
    void startAutoScroll(int direction);
    void stopAutoScroll();
    void onClick(PngButton* button);
    void onSubMenuClick(int itemData);
    int entryIndexAt(const QPoint& globalPos) const;
    void openSubMenu(int index);
    void closeSubMenu();

    WidgetSkin skin_;
    std::vector<MenuData> itemArr_;
    int nemuFlag_ = MENU_TOP_LEVEL;
    QPointer<QWidget> opener_;
    int itemHeight_ = MENU_ITEM_HEIGHT;
    std::vector<PngButton*> buttonArr_;
    QPointer<MenuWindow> subMenu_;
    QPointer<MenuWindow> parentMenu_;
    QTimer timer_;
    bool mouseOver_ = false;
    bool closed_ = false;
    int rows_ = 0;
    int top_ = 0;
    int current_ = -1;
    int wheelRest_ = 0;  // wheel turn not yet worth a step
    MenuScrollArrow* arrowUp_ = nullptr;
    MenuScrollArrow* arrowDown_ = nullptr;
    QTimer autoScroll_;
    int autoScrollStep_ = 0;
};

}  // namespace keyloom
