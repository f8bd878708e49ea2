#include "ui/MsgView.h"

#include <QKeyEvent>
#include <QPainter>
#include <algorithm>

#include "config/language.h"
#include "keys/basic.h"
#include "widgets/Frame.h"
#include "widgets/HideView.h"
#include "widgets/ImageProcess.h"
#include "widgets/KeyEvents.h"
#include "widgets/PngButton.h"
#include "widgets/TextDraw.h"
#include "widgets/TextField.h"

namespace keyloom {

namespace {

constexpr int kEditWidth = 320;
constexpr int kEditHeight = 24;
constexpr int kPromptHeight = 22;
constexpr int kPromptGap = 4;  // between the prompt line and the edit field
constexpr int kBoxGap = kEditWidth / 4 - 10;

}  // namespace

MsgView::MsgView(QWidget* owner) : DialogPanel(owner, WIDTH, HEIGHT) {
    createControls();
    onRefreshText();
}

void MsgView::createControls() {
    const ButtonAction click = [this](PngButton* sender) { btnClick(sender); };
    createFrameControls(QStringLiteral("msg_nr.png"), QPointF(WIDTH - 40, HEIGHT - 27), QPointF(220, 15), 10, click);

    rcEdit = QRectF((WIDTH - kEditWidth) / 2, (HEIGHT - kEditHeight) / 2, kEditWidth, kEditHeight);
    textField = newEdit(this, [this](MyTextFieldCell*) { onTextChanged(); }, rcEdit);

    modifiers.create(this, click);
    modifiers.setVisible(false);
}

QRectF MsgView::promptRect() const {
    return QRectF(rcEdit.x(), rcEdit.y() + rcEdit.height() + kPromptGap, rcEdit.width(), kPromptHeight);
}

bool MsgView::modifierBoxesShown() const {
    return msgID == MSG_KEY && bRecordComboKey;
}

bool MsgView::capturing() const {
    return msgID == MSG_KEY;
}

void MsgView::initWithMsgID(int id) {
    msgID = id;
    modifiers.clear();
    modifiers.setVisible(modifierBoxesShown());
    textField->setVisible(msgID >= MSG_TEXT && msgID <= MSG_KEY);
    // Kinds 2 and 3 leave the focus where it is until the user clicks into the
    // field; a capturing dialog keeps the keys for itself, so its field never
    // takes the focus.
    setFocusPolicy(msgID == MSG_TEXT || msgID == MSG_NUMBER ? Qt::NoFocus : Qt::StrongFocus);
    textField->setFocusPolicy(capturing() ? Qt::NoFocus : Qt::StrongFocus);
    takeFocusWhenCapturing();  // else when shown
    textField->clear();
    update();
}

void MsgView::onRefreshText() {
    refreshFrameTexts();
    modifiers.onRefreshText();
    modifiers.placeInRow(QPointF(rcEdit.x(), rcEdit.y() - 25), kBoxGap, WIDTH - 12);
    update();
}

void MsgView::btnClick(PngButton* sender) {
    if (sender == btnExit || sender == btnCancel) {
        onExit(0);
    } else if (sender == btnOk) {
        onExit(1);
    } else if (modifiers.contains(sender)) {
        sender->setCheck(!sender->getCheck());
    }
}

void MsgView::onExit(int result) {
    if (result == 1) {
        switch (msgID) {
            case MSG_TEXT:
                if (textField->text().isEmpty()) return;  // refused: stays open, nobody is called
                retString = textField->text();
                break;
            case MSG_NUMBER:
                retValue = leadingInteger(textField->text());
                break;
            case MSG_KEY:
                if (modifierBoxesShown()) stCombo.ModifyKey = modifiers.modifierByte();
                break;
            default:
                break;
        }
    }
    // Everything of this use is taken off the dialog before the call, so a
    // callback that shows the dialog again keeps its own callback and limit.
    const MsgCallback call = std::move(callback);
    callback = nullptr;
    maxStringLen = 0;
    hideWithOverlay();
    bResult = result == 1;
    if (call) call(this);
}

void MsgView::onTextChanged() {
    if (msgID != MSG_TEXT || maxStringLen <= 0) return;
    const QString text = textField->text();
    if (text.size() <= maxStringLen) return;
    qsizetype cut = maxStringLen;
    // Never half a character: a pair of surrogates stays whole or goes.
    if (text[cut - 1].isHighSurrogate() && text[cut].isLowSurrogate()) --cut;
    textField->setText(text.left(cut));
}

void MsgView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    drawBackground(painter);
    painter.setPen(QPen(QColor(100, 100, 100), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));

    const TextStyle centred = panelTextStyle(TextAlign::Centre);
    if (msgID == MSG_NOTICE)
        myDrawText(painter, strMsg, centred, rcEdit, height());
    else if (msgID >= MSG_TEXT && msgID <= MSG_KEY)
        myDrawText(painter, strMsg, centred, promptRect(), height());

    if (modifierBoxesShown()) modifiers.drawLabels(painter, height());
}

void MsgView::keyPressEvent(QKeyEvent* event) {
    if (!capturing()) {
        event->ignore();  // the owner's
        return;
    }
    event->accept();
    const HostKeyEvent key = toHostKeyEvent(*event);
    // A modifier alone changes nothing; neither does a key without a host code.
    if (key.flagsChanged || key.keyCode == VK_NONE) return;
    stCombo.ModifyKey = 0;
    stCombo.VkCode1 = uint8_t(key.keyCode & 0xFF);
    stCombo.VkCode2 = 0xFF;
    textField->setText(QString::fromStdString(GetVKName(key.keyCode).value_or(std::string())));
}

void showMsg(HideView* overlay, MsgView* dialog, const QString& text, int msgID, bool bRecordComboKey,
             MsgCallback callback) {
    if (!dialog) return;
    dialog->viewHide = overlay;
    dialog->strMsg = text;
    dialog->msgID = msgID;
    dialog->bRecordComboKey = bRecordComboKey;
    dialog->callback = std::move(callback);
    dialog->initWithMsgID(msgID);
    showOverOverlay(overlay, dialog);
}

int32_t leadingInteger(const QString& text) {
    constexpr int64_t kBeyond = int64_t(INT32_MAX) + 1;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i].isSpace()) ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
    int64_t value = 0;
    for (; i < n && text[i] >= u'0' && text[i] <= u'9'; ++i)
        value = std::min(kBeyond, value * 10 + (text[i].unicode() - u'0'));
    if (negative) value = -value;
    return int32_t(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

}  // namespace keyloom
