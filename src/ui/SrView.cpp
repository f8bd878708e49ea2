#include "ui/SrView.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "base/debug.h"
#include "config/gvar.h"
#include "config/language.h"
#include "keys/basic.h"
#include "macro/keyinfo_text.h"
#include "model/stprofile.h"
#include "ui/FunctionChoices.h"
#include "ui/KeyEvents.h"
#include "ui/Skin.h"
#include "widgets/ComboBtn.h"
#include "widgets/Frame.h"
#include "widgets/HideView.h"
#include "widgets/ImageProcess.h"
#include "widgets/PngButton.h"
#include "widgets/TextDraw.h"

namespace keyloom {

namespace {

constexpr qreal kColumnX[2] = {66, 300};
constexpr qreal kBoxGap = 70;  // from a left box to the box right of it
const QRectF kTitle(20, 318, 200, 20);
constexpr qreal kHeadingY = 266;
constexpr qreal kMarkWidth = 70;
constexpr qreal kMarkY = 264;
const char* const kHeading[2] = {"tc_msg2", "tc_msg4"};


}  // namespace

SrView::SrView(QWidget* owner) : DialogPanel(owner, WIDTH, HEIGHT) {
    setFocusPolicy(Qt::StrongFocus);
    LoadSkins();
    onRefreshText();
}

void SrView::LoadSkins() {
    const WidgetSkin skin = uiSkin();
    const ButtonAction click = [this](PngButton* sender) { btnClick(sender); };
    createFrameControls(QStringLiteral("SrDlg.png"), QPointF(WIDTH - 40, HEIGHT - 27), QPointF(325, 8), 2, click);
    const QString combo = QStringLiteral("combo_nr.png");

    for (int d = 0; d < 2; ++d) {
        const qreal x = kColumnX[d];
        btnKey[d] = newPngButton2(nullptr, this, skin, combo, combo, combo, false, QRectF(x, 190, 0, 0), {}, click);
        styleKeyField(btnKey[d], btnKey[d]->size(), false);
        ModifierBoxes& boxes = modifiers[d];
        boxes.create(this, click);
        const qreal boxWidth = boxes.btnShift->width();
        const qreal boxHeight = boxes.btnShift->height();
        setFrame(boxes.btnShift, QRectF(x + 1, 170, boxWidth, boxHeight));
        setFrame(boxes.btnCtrl, QRectF(boxes.btnShift->Right() + kBoxGap, 170, boxWidth, boxHeight));
        setFrame(boxes.btnOption, QRectF(x + 1, 150, boxWidth, boxHeight));
        setFrame(boxes.btnCommand, QRectF(boxes.btnOption->Right() + kBoxGap, 150, boxWidth, boxHeight));
        btnMedia[d] = newComboBtn(this, skin, combo, combo, combo, false, {}, QRectF(x, 75, 0, 0), click);
        btnMedia[d]->showPos = 1;
        fillFunctionList(btnMedia[d], knobFunctions());
    }
    srIndex = 0;
}

void SrView::onRefreshText() {
    refreshFrameTexts();
    for (int d = 0; d < 2; ++d) {
        // Both columns hold the same controls: the direction tells them apart.
        const QString direction = uiText(kHeading[d]);
        btnKey[d]->setLabel(QStringLiteral("%1: %2").arg(direction, uiText("tc_combokey")));
        btnMedia[d]->setLabel(QStringLiteral("%1: %2").arg(direction, uiText("tc_page3")));
        refreshFunctionList(btnMedia[d], knobFunctions());
        modifiers[d].onRefreshText();
    }
    update();
}

void SrView::setVisible(bool visible) {
    if (visible && isHidden()) initUI();
    DialogPanel::setVisible(visible);
}

void SrView::initUI() {
    _ST_PROFILE* profile = get_current_profile();
    const bool valid = profile && setIndex >= 0 && setIndex < KNOB_SETS;
    for (int d = 0; d < 2; ++d) {
        nVk[d][0] = nVk[d][1] = VK_NONE;
        const _KEYINFO* knob = valid ? &profile->stKnod[d][setIndex] : nullptr;
        if (knob && FUN_CLASS(knob->dwFunID) == FUN_KEY) {
            modifiers[d].setModifierByte(knob->stCombo.ModifyKey);
            btnKey[d]->setCaption(QString::fromStdString(keyinfo_to_string(*knob).value_or(std::string())));
            nVk[d][0] = knob->stCombo.VkCode1;
            nVk[d][1] = knob->stCombo.VkCode2;
            btnMedia[d]->SetCurSel(-1);
        } else {
            // A function not in the list (or no profile) shows no choice.
            if (!knob || !btnMedia[d]->SetCurSelForItemData(int(knob->dwFunID))) btnMedia[d]->SetCurSel(-1);
            btnKey[d]->setCaption({});
            modifiers[d].clear();
        }
    }
    update();
}

int SrView::columnOf(const PngButton* control) const {
    for (int d = 0; d < 2; ++d)
        if (control == btnKey[d] || control == btnMedia[d] || modifiers[d].contains(control)) return d;
    return -1;
}

void SrView::clearKey(int column) {
    btnKey[column]->setCaption({});
    modifiers[column].clear();
    nVk[column][0] = nVk[column][1] = VK_NONE;
}

void SrView::btnClick(PngButton* sender) {
    if (sender == btnExit || sender == btnCancel) {
        close(false);
        return;
    }
    if (sender == btnOk) {
        commit();
        return;
    }
    const int d = columnOf(sender);
    if (d < 0) return;
    // Working in a column makes it the one typed keys go to.
    selectColumn(d);
    if (sender == btnKey[d]) {
        setRecordingFieldActive(true);
    } else if (modifiers[d].contains(sender)) {
        modifiers[d].toggle(sender);
        btnMedia[d]->SetCurSel(-1);
    } else if (sender == btnMedia[d] && btnMedia[d]->GetCurSel() >= 0) {
        clearKey(d);  // a function replaces the key
    }
}

void SrView::selectColumn(int column) {
    if (srIndex == column) return;
    srIndex = column;
    onRecordingFieldChanged();
    update();
}

void SrView::onRecordingFieldChanged() {
    for (int d = 0; d < 2; ++d) styleKeyField(btnKey[d], btnKey[d]->size(), d == srIndex && capturing());
}

void SrView::commit() {
    _ST_PROFILE* profile = get_current_profile();
    if (!profile || setIndex < 0 || setIndex >= KNOB_SETS) return;
    for (int d = 0; d < 2; ++d) {
        _KEYINFO& knob = profile->stKnod[d][setIndex];
        knob.stCombo = ST_COMBO{0, 0, 0, 0};
        if (btnMedia[d]->GetCurSel() < 0) {
            knob.dwFunID = MAKE_FUNID(FUN_KEY, 0);
            knob.stCombo.ModifyKey = modifiers[d].modifierByte();
            knob.stCombo.VkCode1 = uint8_t(nVk[d][0] & 0xFF);
            knob.stCombo.VkCode2 = uint8_t(nVk[d][1] & 0xFF);
        } else {
            knob.dwFunID = uint32_t(btnMedia[d]->getItemData());
        }
    }
    close(true);
}

void SrView::close(bool report) {
    hideWithOverlay();
    // Taken off before the call, so a callback that opens the dialog again keeps its own.
    const QPointer<QObject> receiver = target;
    const SrCallback call = std::move(callback);
    target = nullptr;
    callback = nullptr;
    if (report && receiver && call) call(this);
}

void SrView::keyPressEvent(QKeyEvent* event) {
    if (!capturing()) {
        event->ignore();
        return;
    }
    event->accept();
    const HostKeyEvent key = toHostKeyEvent(*event);
    const int d = srIndex == 1 ? 1 : 0;
    // A modifier alone is no key (the boxes carry the modifiers held with a
    // key), and a held key's repeats add nothing.
    if (key.flagsChanged) return modifiers[d].noteModifierKey(key.keyCode, key.down);
    if (!key.down) return;
    LOG("keyDown, 0x%x", unsigned(key.keyCode));
    if (key.keyCode == VK_NONE || key.autoRepeat) return;
    const double now = clock();
    const bool startOver = now - lastVKTime >= kRecordWindow;
    recordKey(nVk[d], key.keyCode, startOver);
    modifiers[d].tickHeld(event->modifiers());
    btnKey[d]->setCaption(recordedKeysCaption(nVk[d]));
    lastVKTime = now;
    lastVK = key.keyCode;
    btnMedia[d]->SetCurSel(-1);
}

void SrView::keyReleaseEvent(QKeyEvent* event) {
    if (!capturing()) return event->ignore();
    event->accept();
    const HostKeyEvent key = toHostKeyEvent(*event);
    if (key.flagsChanged) modifiers[srIndex == 1 ? 1 : 0].noteModifierKey(key.keyCode, false);
}

void SrView::mousePressEvent(QMouseEvent* event) {
    const QPointF at(event->position().x(), height() - event->position().y());
    for (int d = 0; d < 2; ++d) {
        if (rcGrid[d].contains(at)) {
            selectColumn(d);
            setRecordingFieldActive(true);
            return;
        }
    }
}

void SrView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    drawBackground(painter);

    const TextStyle left = panelTextStyle(TextAlign::Left);
    const TextStyle centred = panelTextStyle(TextAlign::Centre);
    const std::string set = FormatText("tc_knob_set", {std::to_string(setIndex + 1)});
    myDrawText(painter, uiText("tc_msg8") + QStringLiteral("  -  ") + QString::fromStdString(set), left, kTitle,
               height());
    for (int d = 0; d < 2; ++d) {
        const QRectF heading(rcGrid[d].x() - 1, kHeadingY, rcGrid[d].width(), 16);
        myDrawText(painter, uiText(kHeading[d]), centred, heading, height());
        if (d == srIndex) {
            // The mark of the column typed keys go to, in the selection colour.
            const qreal x = heading.center().x() - kMarkWidth / 2;
            painter.fillRect(flipRect(QRectF(x, kMarkY - 1, kMarkWidth, 2), height()),
                             colorFromBgr(gVar.LstBox_item_clr));
        }
        myDrawText(painter, uiText("tc_combokey"), left, get_up_text_rect(btnKey[d], 0), height());
        myDrawText(painter, uiText("tc_page3"), left, get_up_text_rect(btnMedia[d], 0), height());
        modifiers[d].drawLabels(painter, height());
    }
}

void showSrView(QObject* owner, HideView* overlay, SrView* dialog, SrCallback callback) {
    if (!dialog) return;
    dialog->viewHide = overlay;
    dialog->target = owner;
    dialog->callback = std::move(callback);
    showOverOverlay(overlay, dialog);
}

}  // namespace keyloom
