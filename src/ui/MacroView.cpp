#include "ui/MacroView.h"

#include <QCursor>
#include <algorithm>
#include <QFileDialog>
#include <QKeyEvent>
#include <QFontMetricsF>
#include <QPainter>

#include "config/gvar.h"
#include "config/language.h"
#include "model/hwparam.h"
#include "ui/KeyEvents.h"
#include "ui/MsgView.h"
#include "ui/Skin.h"
#include "widgets/ComboBtn.h"
#include "widgets/Frame.h"
#include "widgets/HideView.h"
#include "widgets/ImageProcess.h"
#include "widgets/PngButton.h"
#include "widgets/TextDraw.h"
#include "widgets/TextField.h"

namespace keyloom {

namespace {

const QRectF kTree(20, 30, 130, 270);
const QRectF kRows(kTree.right() + 8, 30, 130, 270);
constexpr qreal kColumnX = 320;  // the buttons and boxes on the right
constexpr qreal kHeadingY = 320;  // list headings, in the header band
constexpr qreal kLabelRoom = 508 - kColumnX - 16 - 6 - 6;  // beside a box, up to the panel's edge
constexpr int kCommandTickMs = 200;


PngButton* newBox(QWidget* parent, qreal y, const ButtonAction& click) {
    return newPngButton2(nullptr, parent, uiSkin(), QStringLiteral("check_nr.png"), QStringLiteral("check_nr.png"),
                         QStringLiteral("check_dn.png"), true, QRectF(kColumnX, y, 0, 0), {}, click);
}

}  // namespace

MacroView::MacroView(QWidget* owner, MacroTree& tree) : DialogPanel(owner, WIDTH, HEIGHT), tree_(tree) {
    setFocusPolicy(Qt::StrongFocus);
    LoadSkins();
    onRefreshText();
    commandTimer_.setInterval(kCommandTickMs);
    QObject::connect(&commandTimer_, &QTimer::timeout, this, [this] {
        if (!recorder.commandHeld()) {
            commandTimer_.stop();
            return;
        }
        recorded(recorder.tick(clock()));
    });
    chooseFile = [this](bool save, const QString& suggested) {
        const QString filter = uiText("tc_macro_filter") + QStringLiteral(" (*.mcf)");
        return save ? QFileDialog::getSaveFileName(this, uiText("tc_macro_export"), suggested, filter)
                    : QFileDialog::getOpenFileName(this, uiText("tc_macro_import"), QString(), filter);
    };
}

void MacroView::LoadSkins() {
    const WidgetSkin skin = uiSkin();
    const ButtonAction click = [this](PngButton* sender) { btnClick(sender); };
    // No OK or Cancel: the save button keeps the work.
    createBackgroundAndClose(QStringLiteral("macro_nr.png"), QPointF(WIDTH - 40, HEIGHT - 30), click);

    listMacro = newOutlineView(this, skin, tree_.root(), true, kTree);
    listMacro->setIcon(loadSkinImage(QStringLiteral("close.png")), int(MACRO_ITEM_FOLDER));
    listKey = newOutlineView(this, skin, &keyRows_, true, kRows);
    listKey->setIcon(loadSkinImage(QStringLiteral("UP_N.png")), int(MACRO_ROW_UP));
    listKey->setIcon(loadSkinImage(QStringLiteral("DN_N.png")), int(MACRO_ROW_DOWN));
    listKey->setIcon(loadSkinImage(QStringLiteral("TM_N.png")), int(MACRO_ROW_PAUSE));

    const QString tab = QStringLiteral("btn_nr.png");
    btnRecord = newPngButton2(nullptr, this, skin, tab, tab, QStringLiteral("btn_dn.png"), true,
                              QRectF(kColumnX, 265, 0, 0), {}, click);
    btnAuto = newBox(this, 230, click);
    btnLoop = newBox(this, 200, click);
    textField = newEdit(this, skin, [this](MyTextFieldCell*) { onRepeatEdited(); }, QRectF(kColumnX + 22, 175, 50, 20));
    QObject::connect(textField, &QLineEdit::editingFinished, this, [this] {
        if (textField->text().isEmpty()) textField->setText(QStringLiteral("1"));
    });
    btnLoopUntilAnyKey = newBox(this, 150, click);
    btnLoopUntilKeyUp = newBox(this, 126, click);
    const QString combo = QStringLiteral("combo_nr.png");
    btnInsert = newComboBtn(this, skin, combo, combo, combo, false, {}, QRectF(kColumnX, 68, 0, 0), click);
    btnSave = newPngButton2(nullptr, this, skin, tab, tab, tab, false, QRectF(kColumnX, 20, 0, 0), {}, click);
    btnSave->hide();

    msgOverlay = new HideView(this);
    msgView = new MsgView(this);
    ReloadMacroList();
    setLoop(0);
}

void MacroView::onRefreshText() {
    refreshFrameTexts();
    btnRecord->setCaption(uiText(recorder.recording() ? "tc_macro_stop" : "tc_macro_start"));
    btnSave->setCaption(uiText("tc_macro_save"));
    btnAuto->setLabel(uiText("tc_macro_auto"));
    btnLoop->setLabel(uiText("tc_macro_loop1"));
    btnLoopUntilAnyKey->setLabel(uiText("tc_macro_loop3"));
    btnLoopUntilKeyUp->setLabel(uiText("tc_macro_loop2"));
    for (PngButton* box : {btnAuto, btnLoop, btnLoopUntilAnyKey, btnLoopUntilKeyUp}) {
        // A label cut to its room shows whole as the box's tooltip.
        const bool cut = QFontMetricsF(get_font()).horizontalAdvance(box->label()) > kLabelRoom;
        box->setHint(cut ? box->label() : QString());
    }
    textField->setAccessibleName(uiText("tc_macro_loop1"));
    btnInsert->setLabel(uiText("tc_macro_loop"));
    listMacro->setAccessibleName(uiText("tc_macro_list"));
    listKey->setAccessibleName(uiText("tc_macro_key_list"));

    const bool moving = gVar.ShowMovingItem != 0;
    while (btnInsert->GetCount() > 0) btnInsert->DeleteString(0);
    const std::pair<const char*, int> entries[] = {
        {"tc_macro_msg14", MACRO_INSERT_PRESS}, {"tc_macro_msg15", MACRO_INSERT_RELEASE},
        {"tc_macro_msg16", MACRO_INSERT_PAUSE}, {"tc_click", MACRO_INSERT_LEFT},
        {"tc_menu", MACRO_INSERT_RIGHT},        {"tc_middle", MACRO_INSERT_MIDDLE},
        {"tc_macro_msg23", MACRO_INSERT_MOVE},  {"tc_macro_msg24", MACRO_INSERT_POSITION}};
    for (const auto& [key, what] : entries)
        if (moving || what < MACRO_INSERT_MOVE) btnInsert->AddString(uiText(key), what);
    btnInsert->SetCurSel(-1);
    for (auto& row : keyRows_.array) row->name = macro_row_text(row->nFlagData, row->nItemData);
    listKey->reloadData();
    update();
}

void MacroView::ReloadMacroList() {
    tree_.ReloadMacroList();
    selectedItem_ = nullptr;
    keyRows_.clear();
    listMacro->reloadData();
    listKey->reloadData();
    btnSave->hide();
}

_ST_MACRO* MacroView::selectedMacro() const {
    if (!selectedItem_ || selectedItem_->nFlagData != MACRO_ITEM_MACRO || !selectedItem_->unusable.empty()) return nullptr;
    if (selectedItem_->nItemData == 0 || selectedItem_->nItemData > UINT32_MAX) return nullptr;
    return get_macro_by_id(uint32_t(selectedItem_->nItemData));
}

void MacroView::onItemClicked(outlineviewData* item, MyOutlineView* sender) {
    if (sender != listMacro || item == selectedItem_) return;
    // The list shows the new row already; the editor follows once the work
    // on the macro it shows is settled, or goes back to it.
    const uint64_t wanted = item ? item->serial : 0;
    settleUnsavedChanges([this, wanted](bool proceed) {
        if (proceed)
            showItem(treeItem(wanted));
        else
            listMacro->selectItem(selectedItem_);
    });
}

void MacroView::setLoop(int mode) {
    btnLoop->setCheck(mode != 1 && mode != 2);
    btnLoopUntilAnyKey->setCheck(mode == 1);
    btnLoopUntilKeyUp->setCheck(mode == 2);
    textField->setVisible(btnLoop->getCheck() && !recorder.recording());
    update();
}

int MacroView::playMode() const {
    return btnLoopUntilKeyUp->getCheck() ? 2 : btnLoopUntilAnyKey->getCheck() ? 1 : 0;
}

void MacroView::Dirty_CurSel_Macro(uint32_t bits) {
    _ST_MACRO* macro = selectedMacro();
    if (!macro) return;
    macro->dwDirty |= bits;
    btnSave->show();
}

void MacroView::onRepeatEdited() {
    if (refreshingRepeat_) return;
    const QString text = textField->text();
    if (text.isEmpty()) return;  // while the user types a new number
    bool number = false;
    const long long value = text.toLongLong(&number);
    const long long limit = hwParam.nMaxRepeat ? hwParam.nMaxRepeat : 255;
    const long long kept = !number || value < 1 ? 1 : std::min(value, limit);
    if (QString::number(kept) != text) {
        refreshingRepeat_ = true;
        textField->setText(QString::number(kept));
        refreshingRepeat_ = false;
    }
    Dirty_CurSel_Macro(MACRO_DIRTY_SETTINGS);
}

void MacroView::btnClick(PngButton* sender) {
    if (sender == btnRecord) {
        recorder.recording() ? stopRecording() : startRecording();
        return;
    }
    if (sender == btnExit) {
        settleUnsavedChanges([this](bool proceed) {
            if (proceed) hideWithOverlay();
        });
        return;
    }
    if (recorder.recording()) return;  // nothing else while recording
    if (sender == btnAuto) {
        btnAuto->setCheck(!btnAuto->getCheck());
        Dirty_CurSel_Macro(MACRO_DIRTY_SETTINGS);
    } else if (sender == btnLoop || sender == btnLoopUntilAnyKey || sender == btnLoopUntilKeyUp) {
        setLoop(sender == btnLoopUntilAnyKey ? 1 : sender == btnLoopUntilKeyUp ? 2 : 0);
        Dirty_CurSel_Macro(MACRO_DIRTY_SETTINGS);
    } else if (sender == btnInsert && btnInsert->GetCurSel() >= 0) {
        const int what = btnInsert->getItemData();
        btnInsert->SetCurSel(-1);  // an insert leaves no choice shown
        insertRows(what, false);
    } else if (sender == btnSave) {
        onSave();
    }
}

bool MacroView::onSave() { return saveSelected(true); }

void MacroView::confirmFromKeyboard() {
    if (hasUnsavedChanges() && !saveSelected(true)) return;  // the failure is shown; the editor stays
    hideWithOverlay();
}

void MacroView::startRecording() {
    if (!selectedMacro()) return refuseUnusable();  // rows belong to a macro
    recorder.start(&keyRows_, btnAuto->getCheck(), clock());
    listKey->reloadData();
    btnRecord->setCaption(uiText("tc_macro_stop"));
    btnRecord->setCheck(true);
    textField->hide();
    setFocus(Qt::OtherFocusReason);
    // The whole keyboard, so that desktop shortcuts reach the recorder too.
    grabKeyboard();
}

void MacroView::stopRecording() {
    releaseKeyboard();
    commandTimer_.stop();
    recorder.stop();
    btnRecord->setCaption(uiText("tc_macro_start"));
    btnRecord->setCheck(false);
    textField->setVisible(btnLoop->getCheck());
    Dirty_CurSel_Macro(MACRO_DIRTY_EVENTS | MACRO_DIRTY_SETTINGS);
}

void MacroView::recorded(MacroRecorder::Outcome outcome) {
    if (outcome != MacroRecorder::Outcome::Nothing) {
        listKey->reloadData();
        if (!keyRows_.array.empty()) listKey->scrollTo(listKey->delegateSource()->indexOf(keyRows_.array.back().get()));
    }
    if (outcome == MacroRecorder::Outcome::Full) {
        // The recorder has ended the recording with the releases of the keys held.
        stopRecording();
        showWarning(uiText("tc_macro_full_recording"));
        return;
    }
    if (recorder.commandHeld() && !commandTimer_.isActive()) commandTimer_.start();
}

void MacroView::keyPressEvent(QKeyEvent* event) {
    if (!recorder.recording()) {
        event->ignore();
        return;
    }
    event->accept();
    const HostKeyEvent key = toHostKeyEvent(*event);
    if (key.keyCode == VK_NONE) return;
    const double now = clock();
    recorded(key.flagsChanged ? recorder.modifierChanged(key.keyCode, true, now) : recorder.keyDown(key.keyCode, now));
}

void MacroView::keyReleaseEvent(QKeyEvent* event) {
    if (!recorder.recording()) {
        event->ignore();
        return;
    }
    event->accept();
    const HostKeyEvent key = toHostKeyEvent(*event);
    if (key.keyCode == VK_NONE || key.autoRepeat) return;
    const double now = clock();
    recorded(key.flagsChanged ? recorder.modifierChanged(key.keyCode, false, now) : recorder.keyUp(key.keyCode, now));
}

void MacroView::showWarning(const QString& text) {
    showMsg(msgOverlay, msgView, text, MSG_NOTICE, false, nullptr);
}

void MacroView::showResult(const MacroTreeResult& result) {
    if (!result.reason.empty()) showWarning(QString::fromStdString(ReasonText(result.reason)));
}

void MacroView::openMenu(const std::vector<MenuData>& items, int menuId) {
    const int shown = int(std::count_if(items.begin(), items.end(),
                                        [](const MenuData& item) { return item.flag == MENU_TOP_LEVEL; }));
    const int width = gVar.MenuW > 0 ? gVar.MenuW : 163;
    MenuWindow* menu =
        MenuWindow::newMenu2(this, uiSkin(), width, shown, items, MENU_TOP_LEVEL, screenPointToFrame(QCursor::pos()));
    if (!menu) return;
    menu->outdelegate = this;
    menu->nemuID = menuId;
}

void MacroView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    drawBackground(painter);
    const TextStyle left = panelTextStyle(TextAlign::Left);
    myDrawText(painter, uiText("tc_macro_list"), left, QRectF(kTree.x(), kHeadingY, kTree.width(), 16), height());
    myDrawText(painter, uiText("tc_macro_key_list"), left, QRectF(kRows.x(), kHeadingY, kRows.width(), 16),
               height());
    const QFontMetricsF metrics(left.font);
    const QString hint = metrics.elidedText(uiText("tc_macro_msg9"), Qt::ElideRight, 280);
    myDrawText(painter, hint, left, QRectF(kTree.x(), 10, 280, 16), height());
    for (PngButton* box : {btnAuto, btnLoop, btnLoopUntilAnyKey, btnLoopUntilKeyUp}) {
        const QString label = metrics.elidedText(box->label(), Qt::ElideRight, kLabelRoom);
        myDrawText(painter, label, left, get_right_text_rect(box, int(kLabelRoom)), height());
    }
    myDrawText(painter, uiText("tc_macro_loop"), left, get_up_text_rect(btnInsert, 0), height());
}

void showMacroView(HideView* overlay, MacroView* view) {
    if (!view) return;
    view->viewHide = overlay;
    showOverOverlay(overlay, view);
}

}  // namespace keyloom
