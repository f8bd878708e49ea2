// The key tables of the main window: showing the profile's table for its
// mode, the table menu, and New, Rename and Delete.
#include <QPointer>
#include <cstring>
#include <string>

#include "config/gvar.h"
#include "config/language.h"
#include "base/utf8.h"
#include "model/keypro_name.h"
#include "store/profile_store.h"
#include "model/st_keypro.h"
#include "model/stprofile.h"
#include "ui/MacroView.h"
#include "ui/MainView.h"
#include "ui/MsgView.h"
#include "widgets/Frame.h"
#include "widgets/PngButton.h"
#include "widgets/TextDraw.h"

namespace keyloom {

namespace {

QString setName(const _ST_KEYPRO* set) {
    return QString::fromStdString(keypro_name(*set));
}

bool validLayer(int layer) {
    return layer >= 0 && layer < LAYER_COUNT;
}

}  // namespace

QByteArray storedSetName(const QString& name, int maxBytes) {
    const QByteArray utf8 = name.toUtf8();
    const std::string cut = CutUtf8(std::string_view(utf8.constData(), size_t(utf8.size())), size_t(maxBytes));
    return QByteArray(cut.data(), qsizetype(cut.size()));
}

void MainView::SetUI(_ST_PROFILE* profile) {
    if (!profile) profile = get_current_profile();
    if (!profile || !validLayer(profile->nLayer)) return;
    checkModeButton(profile->nLayer);
    if (_ST_KEYPRO* set = get_keypro_by_id(profile->dwKeyProID[profile->nLayer])) showSet(set);
    InitKey(profile);
}

void MainView::GetUI(_ST_PROFILE* profile) {
    if (!profile) profile = get_current_profile();
    if (!profile || !validLayer(profile->nLayer)) return;
    profile->dwKeyProID[profile->nLayer] = uint32_t(btnKeyPro->getItemData());
}

void MainView::InitKey(_ST_PROFILE* profile) {
    if (!profile) profile = get_current_profile();
    const _ST_KEYPRO* set = GetCurKeyPro();
    if (!profile || !set) return;
    const int count = std::min<int>(gVar.nKeyCount, KEY_COUNT);
    for (int i = 0; i < count; ++i) kbView->setHasFunc(i, IS_DEFAULT_KEY(set->stKey[i], g_defKEY[i]) ? 0 : 1);
    const _ST_ADV& lighting = profile->stAdv;
    const int group = lighting.nKeyColorGroup;
    if (IsLedGameMode(lighting.nMode) && group >= 0 && group < KEY_COLOR_GROUPS) {
        kbView->setKeyColor(lighting.dwKeyColor[group]);
    } else {
        static const uint32_t unlit[KEY_COUNT] = {};
        kbView->setKeyColor(unlit);
    }
    kbView->update();
}

_ST_KEYPRO* MainView::GetCurKeyPro() const {
    return get_keypro_by_id(uint32_t(btnKeyPro->getItemData()));
}

int MainView::GetMIndex() const {
    for (int i = 0; i < 3; ++i)
        if (btnPro[i]->getCheck()) return i;
    return -1;
}

void MainView::showSet(const _ST_KEYPRO* set) {
    btnKeyPro->setItemData(set->dwID);
    btnKeyPro->setCaption(setName(set));
}

void MainView::checkModeButton(int mode) {
    for (int i = 0; i < 3; ++i) btnPro[i]->setCheck(i == mode);
}

void MainView::showSetMenu() {
    const int mode = GetMIndex();
    if (mode < 0) return;
    std::vector<MenuData> items;
    int inUse = -1;
    for (int i = 0; const _ST_KEYPRO* set = get_keypro_by_index(i, mode); ++i) {
        AddMenuItem(items, i, MENU_TOP_LEVEL, set->dwID, setName(set));
        if (set->dwID == btnKeyPro->getItemData()) inUse = i;
    }
    if (items.empty()) return;
    if (setMenu_) {
        setMenu_->outdelegate = nullptr;
        setMenu_->closeMenu();
    }
    // The menu hangs from the chooser's bottom edge.
    const qreal height = MENU_ITEM_HEIGHT * qreal(items.size());
    const QRectF chooser = frameFromScreenRect(QRect(btnKeyPro->mapToGlobal(QPoint(0, 0)), btnKeyPro->size()));
    setMenu_ = MenuWindow::newMenu(btnKeyPro, items, MENU_TOP_LEVEL,
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
    if (menuId != kSetMenu) return;
    _ST_KEYPRO* set = get_keypro_by_id(uint32_t(itemData));
    if (!set) return;
    showSet(set);
    GetUI(nullptr);
    InitKey(nullptr);
}

void MainView::askSetName(std::function<void(MsgView*)> done, const _ST_KEYPRO* renamed) {
    const int mode = renamed ? renamed->nLayer : GetMIndex();
    const uint32_t renamedId = renamed ? uint32_t(renamed->dwID) : 0;
    msgView->maxStringBytes = kSetNameBytes;
    if (renamed) msgView->initialText = setName(renamed);
    msgView->checkText = [mode, renamedId](const QString& name) {
        const _ST_KEYPRO* except = renamedId ? get_keypro_by_id(renamedId) : nullptr;
        return nameCheckText(check_keypro_name(name.toStdString(), mode, except), name, kSetNameBytes);
    };
    showMsg(hideView, msgView, uiText("tc_msg20"), MSG_TEXT, false, std::move(done));
}

void MainView::onNewButton() {
    // Refused before the name is asked for: the name would be typed in vain.
    if (keypro_list_full()) return tellKeyTablesFull();
    askSetName([this](MsgView* dialog) { onNewKeyPro(dialog); });
}

void MainView::tellKeyTablesFull() {
    const QString text = QString::fromStdString(FormatText("tc_keypro_full", {std::to_string(KEYPRO_FILE_SLOTS)}));
    showMsg(hideView, msgView, text, MSG_NOTICE, false, nullptr);
}

void MainView::onNewKeyPro(MsgView* dialog) {
    const int mode = GetMIndex();
    _ST_PROFILE* profile = get_current_profile();
    if (!dialog->bResult || mode < 0) return;
    const QByteArray name = storedSetName(dialog->retString, kSetNameBytes);
    if (name.isEmpty()) return;
    _ST_KEYPRO fresh{};
    new_keypro(name.constData(), &fresh);
    fresh.nLayer = mode;
    const _ST_KEYPRO* added = add_new_keypro_to_list(&fresh);
    if (!added) return tellKeyTablesFull();
    showSet(added);
    InitKey(profile);
    if (profile) profile->dwKeyProID[mode] = uint32_t(added->dwID);
}

void MainView::onRenameKeyPro(MsgView* dialog) {
    _ST_KEYPRO* set = GetCurKeyPro();
    if (!dialog->bResult || !set) return;
    const QByteArray name = storedSetName(dialog->retString, kSetNameBytes);
    if (name.isEmpty()) return;
    std::memset(set->szName, 0, sizeof set->szName);
    std::memcpy(set->szName, name.constData(), size_t(name.size()));
    btnKeyPro->setCaption(dialog->retString);
}

void MainView::onDelKeyPro(MsgView* dialog) {
    const int mode = GetMIndex();
    if (!dialog->bResult || mode < 0) return;
    // The last table of a mode stays: a mode always plays some table.
    if (!get_keypro_by_index(1, mode)) return;
    if (const _ST_KEYPRO* set = GetCurKeyPro()) delete_keypro_by_id(uint32_t(set->dwID));
    selectFirstSetOfMode(mode);
}

void MainView::selectFirstSetOfMode(int mode) {
    const _ST_KEYPRO* first = get_keypro_by_index(0, mode);
    if (!first) return;
    _ST_PROFILE* profile = get_current_profile();
    showSet(first);
    InitKey(profile);
    if (profile) profile->dwKeyProID[mode] = uint32_t(first->dwID);
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
    setMenu_ = MenuWindow::newMenu(btnExchange, items, MENU_TOP_LEVEL,
                                   QRectF(button.x(), button.y() - height, kSetMenuWidth, height));
    setMenu_->outdelegate = this;
    setMenu_->nemuID = kExchangeMenu;
}

void MainView::importKeyTable() {
    _ST_KEYPRO* set = GetCurKeyPro();
    if (!set || !chooseExchangeFile) return;
    const QString path = chooseExchangeFile(false, QString());
    if (path.isEmpty()) return;
    const ExchangeResult result = ImportKeyPro(set, path.toStdString(), &macroView->tree());
    if (result.listReloaded) macroView->ReloadMacroList();
    if (result.keysTaken) {
        showSet(set);
        InitKey(nullptr);
    }
    if (!result.reason.empty())
        showMsg(hideView, msgView, QString::fromStdString(ReasonText(result.reason)), MSG_NOTICE, false, nullptr);
}

void MainView::exportKeyTable() {
    const _ST_KEYPRO* set = GetCurKeyPro();
    if (!set || !chooseExchangeFile) return;
    const QString path = chooseExchangeFile(true, setName(set) + QStringLiteral(".duk"));
    if (path.isEmpty()) return;
    const ExchangeResult result = ExportKeyPro(set, path.toStdString());
    if (!result.reason.empty())
        showMsg(hideView, msgView, QString::fromStdString(ReasonText(result.reason)), MSG_NOTICE, false, nullptr);
}

}  // namespace keyloom
