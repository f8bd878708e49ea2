// The drop-down selector: a button whose release sends the owner's action and
// then opens a menu of its entries under it; choosing an entry selects it and
// sends the owner's action again. The selected entry's text is the caption and
// its integer the button's itemData.
#pragma once
#include <QPointer>
#include <optional>
#include <vector>

#include "widgets/MenuWindow.h"
#include "widgets/PngButton.h"

namespace keyloom {

class ComboBtn : public PngButton, public MenuDelegate {
public:
    explicit ComboBtn(QWidget* parent = nullptr);
    ~ComboBtn() override;

    // Appends an entry; the first one creates the list with no selection.
    void AddString(const QString& text, int itemdata);
    // Indexes at or beyond GetCount are ignored; selection and caption stay.
    void DeleteString(int index);
    void UpdateString(int index, const QString& text);
    void UpdateStringForItemData(int itemdata, const QString& text);

    int GetCurSel() const;
    // Negative: no selection (empty caption, itemData -1). An index at or
    // beyond GetCount is ignored.
    void SetCurSel(int index);
    // Selects the first entry with that integer; false (selection kept) when none has it.
    bool SetCurSelForItemData(int itemdata);
    int GetCount() const;
    void SetCurMenu(int menuId) { nCurMenuID = menuId; }
    int curMenu() const { return nCurMenuID; }

    void onMenuClicked(int itemData, int menuId) override;

    // The screen rectangle (bottom-left convention) the entries' menu opens on.
    QRectF menuRect() const;
    // The menu opened by the last release while it is open.
    MenuWindow* openMenu() const { return menu_; }

    int showPos = 0;                     // 1: menu centred on the button, else below it
    bool bNotifyAtValueChanged = false;  // choosing the current value does not re-select it

protected:
    void onRelease() override;

private:
    std::optional<std::vector<MenuData>> itemAtrr;
    int nCurSel = -1;
    int nCurMenuID = 0;
    QPointer<MenuWindow> menu_;
};

// A ComboBtn with skin images (by file name), made as newPngButton2 makes
// buttons; its menu is drawn with the same skin.
ComboBtn* newComboBtn(QWidget* parent, const WidgetSkin& skin, const QString& nr, const QString& ov,
                      const QString& dn, bool isCheck, const QString& title, const QRectF& frame, ButtonAction action);
// A ComboBtn without images.
ComboBtn* newTextComboBtn(QWidget* parent, const WidgetSkin& skin, bool isCheck, const QString& title,
                          ButtonAction action, const QRectF& frame);

}  // namespace keyloom
