#include "widgets/ComboBtn.h"

#include "widgets/Frame.h"

namespace keyloom {

ComboBtn::ComboBtn(QWidget* parent) : PngButton(parent) {}

ComboBtn::~ComboBtn() {
    // An open menu must not report to a button that is gone.
    if (MenuWindow* menu = menu_) {
        menu->outdelegate = nullptr;
        menu->closeMenu();
    }
}

void ComboBtn::AddString(const QString& text, int itemdata) {
    if (!itemAtrr) {
        itemAtrr.emplace();
        nCurSel = -1;
    }
    itemAtrr->push_back(MenuData{text, MENU_TOP_LEVEL, itemdata, false});
}

void ComboBtn::DeleteString(int index) {
    if (index < 0 || index >= GetCount()) return;
    itemAtrr->erase(itemAtrr->begin() + index);
}

void ComboBtn::UpdateString(int index, const QString& text) {
    if (index < 0 || index >= GetCount()) return;
    (*itemAtrr)[size_t(index)].textItem = text;
}

void ComboBtn::UpdateStringForItemData(int itemdata, const QString& text) {
    if (!itemAtrr) return;
    for (MenuData& item : *itemAtrr) {
        if (item.itemData == itemdata) {
            item.textItem = text;
            return;
        }
    }
}

int ComboBtn::GetCurSel() const {
    return itemAtrr ? nCurSel : -1;
}

void ComboBtn::SetCurSel(int index) {
    if (!itemAtrr || index >= GetCount()) return;
    if (index < 0) {
        setCaption(QString());
        setItemData(-1);
    } else {
        const MenuData& item = (*itemAtrr)[size_t(index)];
        setCaption(item.textItem);
        setItemData(item.itemData);
    }
    nCurSel = index;
}

bool ComboBtn::SetCurSelForItemData(int itemdata) {
    for (int i = 0; i < GetCount(); ++i) {
        if ((*itemAtrr)[size_t(i)].itemData == itemdata) {
            SetCurSel(i);
            return true;
        }
    }
    return false;
}

int ComboBtn::GetCount() const {
    return itemAtrr ? int(itemAtrr->size()) : 0;
}

QRectF ComboBtn::menuRect() const {
    const QRectF button = frameFromScreenRect(QRect(mapToGlobal(QPoint(0, 0)), size()));
    const int menuHeight = MENU_ITEM_HEIGHT * GetCount();
    const qreal y = showPos == 1 ? button.y() + int(button.height()) / 2 - menuHeight / 2
                                 : button.y() - 1 - menuHeight;
    return QRectF(button.x(), y, button.width(), menuHeight);
}

void ComboBtn::onRelease() {
    QPointer<ComboBtn> self(this);
    PngButton::onRelease();
    if (!self) return;  // the owner's handler removed the button
    // One menu per button: a menu still open from an earlier release goes.
    if (MenuWindow* old = menu_) {
        old->outdelegate = nullptr;
        old->closeMenu();
    }
    menu_ = MenuWindow::newMenu(this, skin(), itemAtrr.value_or(std::vector<MenuData>{}), MENU_TOP_LEVEL, menuRect());
    menu_->outdelegate = this;
}

void ComboBtn::onMenuClicked(int itemData, int /*menuId*/) {
    if (!(bNotifyAtValueChanged && itemData == getItemData())) SetCurSelForItemData(itemData);
    update();
    sendAction();
}

ComboBtn* newComboBtn(QWidget* parent, const WidgetSkin& skin, const QString& nr, const QString& ov,
                      const QString& dn, bool isCheck, const QString& title, const QRectF& frame, ButtonAction action) {
    auto* button = new ComboBtn(parent);
    newPngButton2(button, parent, skin, nr, ov, dn, isCheck, frame, title, std::move(action));
    return button;
}

ComboBtn* newTextComboBtn(QWidget* parent, const WidgetSkin& skin, bool isCheck, const QString& title,
                          ButtonAction action, const QRectF& frame) {
    auto* button = new ComboBtn(parent);
    newPngButton(button, parent, skin, QImage(), QImage(), QImage(), isCheck, frame, QRectF(), std::nullopt, title,
                 std::move(action));
    return button;
}

}  // namespace keyloom
