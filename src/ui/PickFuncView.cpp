#include "ui/PickFuncView.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QPainter>

#include <limits>
#include <string>

#include "base/debug.h"
#include "config/gvar.h"
#include "config/language.h"
#include "device/hwencode.h"
#include "keys/basic.h"
#include "macro/keyinfo_text.h"
#include "model/st_keypro.h"
#include "model/stprofile.h"
#include "ui/FunctionChoices.h"
#include "ui/KeyEvents.h"
#include "ui/MsgView.h"
#include "ui/Skin.h"
#include "widgets/ComboBtn.h"
#include "widgets/Frame.h"
#include "widgets/HideView.h"
#include "widgets/ImageProcess.h"
#include "widgets/Outline.h"
#include "widgets/PngButton.h"
#include "widgets/TextDraw.h"
#include "widgets/TextField.h"

namespace keyloom {

namespace {

constexpr int kBoxGap = 50;  // from one modifier box to the next, at least
constexpr qreal kPageRight = 492;  // where the page's card ends, less a margin
const QRectF kFunctionLine(15, 316, 250, 20);
constexpr qreal kFunctionLineEnd = PickFuncView::WIDTH - 48;  // clear of the close button
const QRectF kSwatchLabel(0, 277, 90, 16);
const QRectF kSwatch[2] = {QRectF(100, 273, 23, 23), QRectF(140, 273, 23, 23)};
const QColor kSwatchColour[2] = {Qt::white, Qt::black};


// A swatch square with a frame that stays visible on the dark panel, the
// frame lighter under the pointer; at the pictures' scale, so the frame is sharp.
QImage swatchImage(QColor fill, QColor frame) {
    QImage image = newPicture(kSwatch[0].size().toSize());
    image.fill(fill);
    QPainter painter(&image);
    drawOutline(painter, QRectF(QPointF(0, 0), kSwatch[0].size()), frame);
    return image;
}

// The macro's item at or below `item`, depth first.
outlineviewData* findMacroItem(outlineviewData* item, uint32_t macroId) {
    if (item->nFlagData == MACRO_ITEM_MACRO && item->nItemData == macroId) return item;
    for (const auto& child : item->array)
        if (outlineviewData* found = findMacroItem(child.get(), macroId)) return found;
    return nullptr;
}

}  // namespace

PickFuncView::PickFuncView(QWidget* owner) : DialogPanel(owner, WIDTH, HEIGHT) {
    setFocusPolicy(Qt::StrongFocus);
    LoadSkins();
    onRefreshText();
}

void PickFuncView::LoadSkins() {
    const WidgetSkin skin = uiSkin();
    const ButtonAction click = [this](PngButton* sender) { btnClick(sender); };
    createFrameControls(QStringLiteral("pickfundlg.png"), QPointF(WIDTH - 40, HEIGHT - 30), QPointF(337, 9), 4,
                        click);

    const QString tabNr = QStringLiteral("btn_nr.png");
    const QString tabDn = QStringLiteral("btn_dn.png");
    btnKey = newPngButton2(nullptr, this, skin, tabNr, tabNr, tabDn, true, QRectF(17, 220, 0, 0), {}, click);
    btnMacro = newPngButton2(nullptr, this, skin, tabNr, tabNr, tabDn, true, QRectF(17, 156, 0, 0), {}, click);
    btnMedia = newPngButton2(nullptr, this, skin, tabNr, tabNr, tabDn, true, QRectF(17, 92, 0, 0), {}, click);

    const QString combo = QStringLiteral("combo_nr.png");
    // The key field has the drop-down's size and a look of its own: it opens nothing.
    btnKeyFun = newPngButton2(nullptr, this, skin, combo, combo, combo, false, QRectF(248, 178, 0, 0), {}, click);
    styleKeyField(btnKeyFun, btnKeyFun->size(), true);
    btnMediaFun = newComboBtn(this, skin, combo, combo, combo, false, {}, QRectF(248, 178, 0, 0), click);
    btnMediaFun->showPos = 1;
    fillFunctionList(btnMediaFun, pickerFunctions());

    modifiers.create(this, click);

    listMacro = newOutlineView(this, skin, macroTree_.root(), true, QRectF(157, 51, 333, 205));
    // The list keeps the configured list colours, which suit the shipped panel.
    listMacro->setIcon(loadSkinImage(QStringLiteral("close.png")), int(MACRO_ITEM_FOLDER));
    lblNoMacros = newTextView(this, skin, std::nullopt, frameOf(listMacro).adjusted(20, 20, -20, -20));
    lblNoMacros->setWordWrap(true);
    lblNoMacros->hide();

    for (int i = 0; i < 2; ++i)
        btnSwatch[i] = newPngButton(nullptr, this, skin, {}, {}, {}, false, kSwatch[i], {}, std::nullopt, {}, click);
    setSwatchColour(0, kSwatchColour[0]);
    setSwatchColour(1, kSwatchColour[1]);

    msgOverlay = new HideView(this);
    msgView = new MsgView(this);
}

void PickFuncView::setSwatchColour(int swatch, const QColor& colour) {
    const QImage normal = swatchImage(colour, QColor(110, 112, 118));
    const QImage over = swatchImage(colour, colorFromBgr(gVar.LstBox_item_clr));
    btnSwatch[swatch]->setImageNr(normal, over, over, QRectF());
}

void PickFuncView::setPaintColour(const QColor& colour) {
    setSwatchColour(0, colour);
}

void PickFuncView::onRefreshText() {
    refreshFrameTexts();
    btnKey->setCaption(uiText("tc_page1"));
    btnMedia->setCaption(uiText("tc_page3"));
    btnMacro->setCaption(uiText("tc_mac_def"));
    btnKeyFun->setLabel(uiText("tc_combo_tips"));
    btnMediaFun->setLabel(uiText("tc_page3"));
    listMacro->setAccessibleName(uiText("tc_mac_def"));
    lblNoMacros->setText(uiText("tc_macro_none"));
    lblNoMacros->setAccessibleName(lblNoMacros->text());
    btnSwatch[0]->setHint(uiText("tc_swatch_on"));
    btnSwatch[1]->setHint(uiText("tc_swatch_off"));
    refreshFunctionList(btnMediaFun, pickerFunctions());
    msgView->onRefreshText();
    modifiers.onRefreshText();
    modifiers.placeInRow(QPointF(205, 153), kBoxGap, kPageRight);
    update();
}

void PickFuncView::setVisible(bool visible) {
    const bool opening = visible && isHidden();
    if (opening) {
        loadMacroToList();
        nColorPicked = 0;
        for (PngButton* swatch : btnSwatch) swatch->setVisible(nShowColor == 1);
        showKeyFunction(editedKey());
    }
    DialogPanel::setVisible(visible);
}

void PickFuncView::showKeyFunction(const _KEYINFO* key) {
    // Every page starts empty; the key's function fills the page that can show it.
    modifiers.clear();
    nVk[0] = nVk[1] = VK_NONE;
    btnMediaFun->SetCurSel(-1);
    listMacro->selectItem(nullptr);
    lastVKTime = -std::numeric_limits<double>::infinity();  // the first key typed starts a new recording
    int page = PICK_PAGE_KEY;
    if (key) {
        const uint32_t kind = FUN_CLASS(key->dwFunID);
        if (kind == FUN_KEY) {
            // The recorded keys are the key's own, so an OK keeps them.
            nVk[0] = key->stCombo.VkCode1;
            nVk[1] = key->stCombo.VkCode2;
            modifiers.setModifierByte(key->stCombo.ModifyKey);
        } else if (kind == FUN_MACRO) {
            if (selectMacro(key->dwMacroID)) page = PICK_PAGE_MACRO;
        } else if (btnMediaFun->SetCurSelForItemData(int(key->dwFunID))) {
            page = PICK_PAGE_MEDIA;
        }
    }
    btnKeyFun->setCaption(recordedKeysCaption(nVk));
    showPage(page);
    openedWith_ = currentChoice();
}

bool PickFuncView::selectMacro(uint32_t macroId) {
    outlineviewData* item = macroId != 0 ? findMacroItem(macroTree_.root(), macroId) : nullptr;
    if (!item) return false;
    for (outlineviewData* folder = item->parentItem; folder; folder = folder->parentItem) listMacro->expandItem(folder);
    listMacro->selectItem(item);
    listMacro->scrollTo(listMacro->delegateSource()->indexOf(item));
    return true;
}

PickFuncView::Choice PickFuncView::currentChoice() const {
    Choice choice;
    choice.page = page_;
    if (page_ == PICK_PAGE_KEY) {
        choice.keys[0] = nVk[0];
        choice.keys[1] = nVk[1];
        choice.modifiers = modifiers.modifierByte();
    } else if (page_ == PICK_PAGE_MEDIA) {
        choice.mediaEntry = btnMediaFun->GetCurSel();
    } else if (page_ == PICK_PAGE_MACRO) {
        choice.macroItem = listMacro->getSeletedObject();
    }
    return choice;
}

void PickFuncView::showPage(int page) {
    for (PngButton* tab : {btnKey, btnMedia, btnMacro}) tab->setCheck(false);
    btnKeyFun->hide();
    modifiers.setVisible(false);
    btnMediaFun->hide();
    page_ = page;
    showMacroListOrHint();
    switch (page) {
        case PICK_PAGE_KEY:
            btnKey->setCheck(true);
            btnKeyFun->show();
            modifiers.setVisible(true);
            lastVK = VK_NONE;
            takeFocusWhenCapturing();
            onRecordingFieldChanged();
            break;
        case PICK_PAGE_MEDIA:
            btnMedia->setCheck(true);
            btnMediaFun->show();
            break;
        case PICK_PAGE_MACRO:
            btnMacro->setCheck(true);
            break;
        default:
            page_ = 0;
            break;
    }
    update();
}

void PickFuncView::btnClick(PngButton* sender) {
    if (sender == btnExit || sender == btnCancel) {
        close(false);
    } else if (sender == btnKey) {
        showPage(PICK_PAGE_KEY);
    } else if (sender == btnMedia) {
        showPage(PICK_PAGE_MEDIA);
    } else if (sender == btnMacro) {
        showPage(PICK_PAGE_MACRO);
    } else if (modifiers.contains(sender)) {
        modifiers.toggle(sender);
    } else if (sender == btnKeyFun) {
        setRecordingFieldActive(true);
    } else if (sender == btnOk) {
        commit();
    } else if (sender == btnSwatch[0] || sender == btnSwatch[1]) {
        if (nShowColor != 1) return;
        nColorPicked = sender == btnSwatch[0] ? 1 : 2;
        close(true);
    }
}

void PickFuncView::loadMacroToList() {
    macroTree_.ReloadMacroList();
    listMacro->reloadData();
    showMacroListOrHint();
}

void PickFuncView::showMacroListOrHint() {
    const bool onPage = page_ == PICK_PAGE_MACRO;
    const bool empty = macroTree_.root()->array.empty();
    listMacro->setVisible(onPage && !empty);
    lblNoMacros->setVisible(onPage && empty);
}

void PickFuncView::onRecordingFieldChanged() {
    styleKeyField(btnKeyFun, btnKeyFun->size(), capturing());
}

_ST_KEYPRO* PickFuncView::editedTable() const {
    const _ST_PROFILE* profile = get_current_profile();
    return profile ? PlayedTable(*profile) : nullptr;
}

_KEYINFO* PickFuncView::editedKey() const {
    _ST_KEYPRO* table = nKeyIndex < uint32_t(KEY_COUNT) ? editedTable() : nullptr;
    return table ? &table->stKey[nKeyIndex] : nullptr;
}

void PickFuncView::keyPressEvent(QKeyEvent* event) {
    if (!capturing()) {
        event->ignore();  // the window's
        return;
    }
    event->accept();
    const HostKeyEvent key = toHostKeyEvent(*event);
    // A modifier alone is no key: the boxes carry the modifiers held with a key.
    if (key.flagsChanged) return modifiers.noteModifierKey(key.keyCode, key.down);
    if (!key.down) return;
    LOG("keyDown, 0x%x", unsigned(key.keyCode));
    if (key.keyCode == VK_NONE || key.autoRepeat || key.keyCode == lastVK) return;
    recordKey(key.keyCode, event->modifiers());
}

void PickFuncView::keyReleaseEvent(QKeyEvent* event) {
    const HostKeyEvent key = toHostKeyEvent(*event);
    if (key.flagsChanged) modifiers.noteModifierKey(key.keyCode, false);
    if (capturing())
        event->accept();
    else
        event->ignore();
}

void PickFuncView::recordKey(int32_t code, Qt::KeyboardModifiers held) {
    const double now = clock();
    const bool startOver = now - lastVKTime >= kRecordWindow;
    keyloom::recordKey(nVk, code, startOver);
    modifiers.tickHeld(held);
    btnKeyFun->setCaption(recordedKeysCaption(nVk));
    lastVKTime = now;
    lastVK = code;
}

void PickFuncView::commit() {
    _KEYINFO* key = editedKey();
    if (!key) return;
    // What the picker showed when it opened is what the key does: nothing to write or send.
    if (currentChoice() == openedWith_) return close(false);
    switch (page_) {
        case PICK_PAGE_KEY: {
            key->dwFunID = MAKE_FUNID(FUN_KEY, 0);
            const uint8_t bits = modifiers.modifierByte();
            if (bits != 0 || nVk[0] != VK_NONE) {
                key->stCombo.ModifyKey = bits;
                key->stCombo.VkCode1 = uint8_t(nVk[0] & 0xFF);
                key->stCombo.VkCode2 = uint8_t(nVk[1] & 0xFF);
            }
            break;
        }
        case PICK_PAGE_MEDIA:
            if (btnMediaFun->GetCurSel() < 0 || btnMediaFun->getItemData() <= 0) return;
            key->dwFunID = uint32_t(btnMediaFun->getItemData());
            break;
        case PICK_PAGE_MACRO: {
            const outlineviewData* item = listMacro->getSeletedObject();
            // A folder, or a macro file that could not be read, is nothing to assign.
            if (!item || item->nFlagData != MACRO_ITEM_MACRO || item->nItemData == 0) return;
            // A macro with no slot left on the keyboard would make the key type nothing.
            if (!macro_fits_in_slots(editedTable()->stKey, int(nKeyIndex), uint32_t(item->nItemData))) {
                const std::string text = FormatText("tc_macro_slots_full", {std::to_string(macro_slot_capacity())});
                return showMsg(msgOverlay, msgView, QString::fromStdString(text), MSG_NOTICE, false, nullptr);
            }
            key->dwFunID = MAKE_FUNID(FUN_MACRO, 0);
            key->dwMacroID = uint32_t(item->nItemData);
            break;
        }
        default:
            return;
    }
    LOG("SET Key[%d]:  dwFunID=%x, stCombo(ModifyKey=%x,VkCode1=%x,VkCode2=%x)", int(nKeyIndex), key->dwFunID,
        unsigned(key->stCombo.ModifyKey), unsigned(key->stCombo.VkCode1), unsigned(key->stCombo.VkCode2));
    close(true);
}

void PickFuncView::close(bool report) {
    hideWithOverlay();
    if (!report) return;  // Exit and Cancel keep the target for the next use
    // Taken off before the call, so a callback that opens the picker again keeps its own.
    const QPointer<QObject> receiver = target;
    const PickFuncCallback call = std::move(callback);
    target = nullptr;
    callback = nullptr;
    if (receiver && call) call(this);
}

void PickFuncView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    drawBackground(painter);

    const TextStyle left = panelTextStyle(TextAlign::Left);
    strFunction.clear();
    if (const _KEYINFO* key = editedKey()) {
        strFunction = uiText("tc_msg16") + QStringLiteral("  ") +
                      QString::fromStdString(keyinfo_to_string(*key).value_or(std::string()));
        const qreal room = kFunctionLineEnd - kFunctionLine.x();
        const QString shown = QFontMetricsF(left.font).elidedText(strFunction, Qt::ElideRight, room);
        myDrawText(painter, shown, left, kFunctionLine, height());
    }
    if (!btnMediaFun->isHidden()) myDrawText(painter, uiText("tc_page3"), left, get_up_text_rect(btnMediaFun, 100), height());
    if (!btnKeyFun->isHidden()) {
        myDrawText(painter, uiText("tc_combo_tips"), left, get_up_text_rect(btnKeyFun, 100), height());
        modifiers.drawLabels(painter, height());
    }
    if (nShowColor == 1)
        myDrawText(painter, uiText("tc_adv_str4"), panelTextStyle(TextAlign::Right), kSwatchLabel, height());
}

void showPickFunc(QObject* target, HideView* overlay, PickFuncView* picker, PickFuncCallback callback) {
    if (!picker) return;
    picker->viewHide = overlay;
    picker->target = target;
    picker->callback = std::move(callback);
    showOverOverlay(overlay, picker);
}

}  // namespace keyloom
