// The key tables of the main window: showing the profile's table for its
// mode, the table menu, and New, Rename and Delete.
#include <string>

#include "base/debug.h"
#include "config/language.h"
#include "control/key_map.h"
#include "model/st_keypro.h"
#include "model/stprofile.h"
#include "store/profile_store.h"
#include "ui/MacroView.h"
#include "ui/MainView.h"
#include "ui/MsgView.h"
#include "ui/Skin.h"
#include "widgets/Frame.h"
#include "widgets/PngButton.h"
#include "widgets/TextDraw.h"

namespace keyloom {

namespace {

QString setName(const _ST_KEYPRO* set) {
    return QString::fromStdString(keypro_name(*set));
}

}  // namespace

void MainView::SetUI(_ST_PROFILE* profile) {
    if (!profile) profile = get_current_profile();
    if (!profile || !keyTables_.showProfile(*profile)) return;
    checkModeButton();
    showSet();
    InitKey(profile);
}

void MainView::GetUI(_ST_PROFILE* profile) {
    if (!profile) profile = get_current_profile();
    if (profile) keyTables_.keepShownIn(*profile);
}

void MainView::InitKey(_ST_PROFILE* profile) {
    if (!profile) profile = get_current_profile();
    const _ST_KEYPRO* set = GetCurKeyPro();
    if (!profile || !set) return;
    for (int i = 0; i < KeyMapKeys(); ++i) kbView->setHasFunc(i, KeyReassigned(*set, i) ? 1 : 0);
    static const uint32_t unlit[KEY_COUNT] = {};
    const uint32_t* colours = ShownKeyColours(profile->stAdv);
    kbView->setKeyColor(colours ? colours : unlit);
    kbView->update();
}

_ST_KEYPRO* MainView::GetCurKeyPro() const {
    return keyTables_.shown();
}

int MainView::GetMIndex() const {
    return keyTables_.mode();
}

void MainView::showSet() {
    const _ST_KEYPRO* set = keyTables_.shown();
    if (!set) return;
    btnKeyPro->setItemData(set->dwID);
    btnKeyPro->setCaption(setName(set));
    // What the chooser and the mode buttons show, for the log's readers (the end-to-end tests).
    LOG("Shown: M%d, key table \"%s\"", keyTables_.mode() + 1, keypro_name(*set).c_str());
}

void MainView::checkModeButton() {
    for (int i = 0; i < 3; ++i) btnPro[i]->setCheck(i == keyTables_.mode());
}

void MainView::showSetMenu() {
    std::vector<MenuData> items;
    int inUse = -1;
    const std::vector<const _ST_KEYPRO*> tables = keyTables_.tablesOfMode();
    for (int i = 0; i < int(tables.size()); ++i) {
        const _ST_KEYPRO* set = tables[size_t(i)];
        AddMenuItem(items, i, MENU_TOP_LEVEL, set->dwID, setName(set));
        if (set == GetCurKeyPro()) inUse = i;
    }
    if (items.empty()) return;
    if (setMenu_) {
        setMenu_->outdelegate = nullptr;
        setMenu_->closeMenu();
    }
    // The menu hangs from the chooser's bottom edge.
    const qreal height = MENU_ITEM_HEIGHT * qreal(items.size());
    const QRectF chooser = frameFromScreenRect(QRect(btnKeyPro->mapToGlobal(QPoint(0, 0)), btnKeyPro->size()));
    setMenu_ = MenuWindow::newMenu(btnKeyPro, uiSkin(), items, MENU_TOP_LEVEL,
                                   QRectF(chooser.x(), chooser.y() - height, kSetMenuWidth, height));
    setMenu_->outdelegate = this;
    setMenu_->nemuID = kSetMenu;
    // A long list opens scrolled to the table in use, which the arrow keys start from.
    if (inUse >= 0) setMenu_->setCurrentEntry(inUse);
}

void MainView::onMenuClicked(int itemData, int menuId) {
    if (menuId == kExchangeMenu) {
        // The menu goes before the file dialog it asked for comes up.
        if (setMenu_) setMenu_->closeMenu();
        if (itemData == kExchangeImport) importKeyTable();
        if (itemData == kExchangeExport) exportKeyTable();
        return;
    }
    if (menuId == kSetMenu && keyTables_.choose(uint32_t(itemData))) showKeyTables();
}

void MainView::askSetName(std::function<void(MsgView*)> done, bool renaming) {
    msgView->maxStringBytes = KeyTableController::kNameBytes;
    const _ST_KEYPRO* renamed = renaming ? GetCurKeyPro() : nullptr;
    if (renamed) msgView->initialText = setName(renamed);
    msgView->checkText = [this, renaming](const QString& name) {
        return nameCheckText(keyTables_.checkName(name.toStdString(), renaming), name,
                             KeyTableController::kNameBytes);
    };
    showMsg(hideView, msgView.get(), uiText("tc_msg20"), MSG_TEXT, false, std::move(done));
}

void MainView::onNewButton() {
    // Refused before the name is asked for: the name would be typed in vain.
    if (Reason full = keyTables_.refuseNew(); !full.empty()) return tell(full);
    askSetName([this](MsgView* dialog) { onNewKeyPro(dialog); }, false);
}

void MainView::onNewKeyPro(MsgView* dialog) {
    if (!dialog->bResult) return;
    tell(keyTables_.add(dialog->retString.toStdString()));
    showKeyTables();
}

void MainView::onRenameKeyPro(MsgView* dialog) {
    if (dialog->bResult && keyTables_.renameShown(dialog->retString.toStdString())) showKeyTables();
}

void MainView::onDelKeyPro(MsgView* dialog) {
    if (dialog->bResult && keyTables_.deleteShown()) showKeyTables();
}

void MainView::showKeyTables() {
    showSet();
    InitKey(nullptr);
    if (watchers.keyTablesChanged) watchers.keyTablesChanged();
}

void MainView::showExchangeMenu() {
    std::vector<MenuData> items;
    AddMenuItem(items, 0, MENU_TOP_LEVEL, kExchangeImport, uiText("tc_keypro_import"));
    AddMenuItem(items, 1, MENU_TOP_LEVEL, kExchangeExport, uiText("tc_keypro_export"));
    if (setMenu_) {
        setMenu_->outdelegate = nullptr;
        setMenu_->closeMenu();
    }
    const QRectF button =
        frameFromScreenRect(QRect(btnExchange->mapToGlobal(QPoint(0, 0)), btnExchange->size()));
    const qreal height = MENU_ITEM_HEIGHT * qreal(items.size());
    setMenu_ = MenuWindow::newMenu(btnExchange, uiSkin(), items, MENU_TOP_LEVEL,
                                   QRectF(button.x(), button.y() - height, kSetMenuWidth, height));
    setMenu_->outdelegate = this;
    setMenu_->nemuID = kExchangeMenu;
}

void MainView::importKeyTable() {
    _ST_KEYPRO* set = GetCurKeyPro();
    if (!set || !chooseExchangeFile) return;
    const QString path = chooseExchangeFile(false, QString());
    if (path.isEmpty()) return;
    const ExchangeResult result = ImportKeyPro(set, path.toStdString(), &macros_);
    if (result.listReloaded) reloadMacros();
    if (result.keysTaken) showKeyTables();
    tell(result.reason);
}

void MainView::exportKeyTable() {
    const _ST_KEYPRO* set = GetCurKeyPro();
    if (!set || !chooseExchangeFile) return;
    const QString path = chooseExchangeFile(true, setName(set) + QStringLiteral(".duk"));
    if (path.isEmpty()) return;
    tell(ExportKeyPro(set, path.toStdString()).reason);
}

}  // namespace keyloom
