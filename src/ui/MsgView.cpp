#include "ui/MsgView.h"

#include <QKeyEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "config/language.h"
#include "keys/basic.h"
#include "ui/KeyEvents.h"
#include "ui/Skin.h"
#include "widgets/Frame.h"
#include "widgets/HideView.h"
#include "widgets/ImageProcess.h"
#include "widgets/Outline.h"
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
constexpr qreal kAnswerGap = 10;
constexpr qreal kCaptionPadding = 12;  // room beside a caption that widens its button
constexpr qreal kMessageMargin = 20;
constexpr qreal kMessageGap = 6;  // between the answers or the close button and the message
constexpr qreal kOwnerMargin = 10;  // kept free around a grown dialog inside its owner

int messageFlags() {
    // At a word where it can, anywhere where it must.
    return int(Qt::AlignCenter | Qt::TextWordWrap);
}

}  // namespace

MsgView::MsgView(QWidget* owner) : DialogPanel(owner, WIDTH, HEIGHT) {
    createControls();
    onRefreshText();
}

void MsgView::createControls() {
    const ButtonAction click = [this](PngButton* sender) { btnClick(sender); };
    createFrameControls(QStringLiteral("msg_nr.png"), QPointF(WIDTH - 40, HEIGHT - 27), QPointF(220, 15), kAnswerGap,
                        click);
    answersRight_ = frameOf(btnCancel).right();
    answerWidth_ = frameOf(btnOk).width();
    const QString button = QStringLiteral("btn2_nr.png");
    btnOther = newPngButton2(nullptr, this, uiSkin(), button, button, button, false, frameOf(btnOk), {}, click);
    btnOther->hide();

    rcEdit = QRectF((WIDTH - kEditWidth) / 2, (HEIGHT - kEditHeight) / 2, kEditWidth, kEditHeight);
    textField = newEdit(this, uiSkin(), [this](MyTextFieldCell*) { onTextChanged(); }, rcEdit);

    modifiers.create(this, click);
    modifiers.setVisible(false);
}

QRectF MsgView::promptRect() const {
    return QRectF(rcEdit.x(), rcEdit.y() + rcEdit.height() + kPromptGap, rcEdit.width(), kPromptHeight);
}

QRectF MsgView::messageRect() const {
    const QRectF ok = frameOf(btnOk);
    const qreal bottom = ok.y() + ok.height() + kMessageGap;
    const qreal top = frameOf(btnExit).y() - kMessageGap;
    return QRectF(kMessageMargin, bottom, WIDTH - 2 * kMessageMargin, top - bottom);
}

bool MsgView::modifierBoxesShown() const {
    return msgID == MSG_KEY && bRecordComboKey;
}

bool MsgView::isMessageKind() const {
    return msgID == MSG_NOTICE || msgID == MSG_QUESTION || msgID == MSG_CHOICE;
}

QRectF MsgView::refusalRect() const {
    // Clear of the answers' band.
    const qreal bottom = frameOf(btnOk).y() + frameOf(btnOk).height() + 16;
    return QRectF(kMessageMargin, bottom, WIDTH - 2 * kMessageMargin, rcEdit.y() - 2 - bottom);
}

QWidget* MsgView::initialFocus() {
    return msgID == MSG_TEXT || msgID == MSG_NUMBER ? static_cast<QWidget*>(textField) : this;
}

qreal MsgView::extraHeightNeeded() const {
    // Measured for the standard size: the rooms grow with the dialog.
    const qreal grown = height() - HEIGHT;
    const QFontMetricsF metrics(get_font());
    auto beyond = [&](const QString& text, const QRectF& room) {
        const QRectF wrapped(0, 0, room.width(), 100000);
        return std::ceil(metrics.boundingRect(wrapped, messageFlags(), text).height() - (room.height() - grown));
    };
    qreal extra = 0;
    if (isMessageKind()) extra = beyond(strMsg, messageRect());
    if (msgID == MSG_TEXT && !refusal.isEmpty()) extra = beyond(refusal, refusalRect());
    const qreal most = parentWidget() ? parentWidget()->height() - 2 * kOwnerMargin - HEIGHT : 0;
    return std::clamp<qreal>(extra, 0, std::max<qreal>(0, most));
}

void MsgView::fitHeight() {
    const int delta = int(HEIGHT + extraHeightNeeded()) - height();
    if (delta == 0) return;
    // The close button and the field keep their distance from the top, the
    // answers theirs from the bottom; the room between them grows.
    std::vector<std::pair<QWidget*, QRectF>> frames;
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) frames.emplace_back(child, frameOf(child));
    resize(WIDTH, height() + delta);
    rcEdit.translate(0, delta);
    for (const auto& [child, frame] : frames)
        setFrame(child, child == btnExit || child == textField ? frame.translated(0, delta) : frame);
    centreInParent(this);
}

void MsgView::initWithMsgID(int id) {
    msgID = id;
    modifiers.clear();
    modifiers.setVisible(modifierBoxesShown());
    textField->setVisible(msgID >= MSG_TEXT && msgID <= MSG_KEY);
    // A capturing dialog keeps the keys for itself, so its field never takes the focus.
    textField->setFocusPolicy(msgID == MSG_KEY ? Qt::NoFocus : Qt::StrongFocus);
    textField->setLimits(msgID == MSG_TEXT ? maxStringLen : 0, msgID == MSG_TEXT ? maxStringBytes : 0);
    refusal.clear();
    textField->setText(msgID == MSG_TEXT ? initialText : QString());
    textField->selectAll();
    setRecordingFieldActive(true);
    takeFocusWhenCapturing();  // else when shown
    if (isVisible() && initialFocus() != this) initialFocus()->setFocus(Qt::OtherFocusReason);
    btnOther->setVisible(msgID == MSG_CHOICE);
    btnCancel->setVisible(msgID != MSG_NOTICE);  // a notice has nothing to cancel
    if (msgID != MSG_CHOICE) okKey = "tc_ok";
    fitHeight();
    onRefreshText();
}

void MsgView::layoutAnswers() {
    std::vector<PngButton*> shown{btnOk};
    if (msgID == MSG_CHOICE) shown.push_back(btnOther);
    if (msgID != MSG_NOTICE) shown.push_back(btnCancel);
    const QFontMetricsF metrics(get_font());
    qreal right = answersRight_;
    for (auto it = shown.rbegin(); it != shown.rend(); ++it) {
        const qreal width = std::max(answerWidth_, std::ceil(metrics.horizontalAdvance((*it)->caption()) + kCaptionPadding));
        const QRectF frame = frameOf(*it);
        setFrame(*it, QRectF(right - width, frame.y(), width, frame.height()));
        right -= width + kAnswerGap;
    }
}

void MsgView::onRefreshText() {
    refreshFrameTexts();
    btnOk->setCaption(uiText(okKey.c_str()));
    btnOther->setCaption(otherKey.empty() ? QString() : uiText(otherKey.c_str()));
    layoutAnswers();
    modifiers.onRefreshText();
    modifiers.placeInRow(QPointF(rcEdit.x(), rcEdit.y() - 25), kBoxGap, WIDTH - 12);
    update();
}

void MsgView::btnClick(PngButton* sender) {
    if (sender == btnExit || sender == btnCancel) {
        onExit(MSG_ANSWER_CANCEL);
    } else if (sender == btnOk) {
        onExit(MSG_ANSWER_OK);
    } else if (sender == btnOther && msgID == MSG_CHOICE) {
        onExit(MSG_ANSWER_OTHER);
    } else if (modifiers.contains(sender)) {
        modifiers.toggle(sender);
    }
}

void MsgView::onExit(int result) {
    if (result == MSG_ANSWER_OK) {
        switch (msgID) {
            case MSG_TEXT:
                if (textField->text().isEmpty()) return;  // refused: stays open, nobody is called
                if (checkText) refusal = checkText(textField->text());
                if (!refusal.isEmpty()) {  // refused with the reason: stays open, the text selected to retype
                    fitHeight();
                    textField->selectAll();
                    textField->setFocus(Qt::OtherFocusReason);
                    update();
                    return;
                }
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
    maxStringBytes = 0;
    initialText.clear();
    checkText = nullptr;
    hideWithOverlay();
    nAnswer = result;
    bResult = result == MSG_ANSWER_OK;
    if (call) call(this);
}

void MsgView::onTextChanged() {
    // A reason given for the text refused goes once the text changes.
    if (refusal.isEmpty()) return;
    refusal.clear();
    update();
}

void MsgView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    drawBackground(painter);
    drawOutline(painter, QRectF(rect()), QColor(100, 100, 100));

    const TextStyle centred = panelTextStyle(TextAlign::Centre);
    painter.setFont(centred.font);
    if (isMessageKind()) {
        // A message may be longer than a line (a path, a translation): it wraps, at a
        // word where it can, anywhere where it must; the dialog has grown to hold it.
        painter.setPen(centred.color.isValid() ? centred.color : QColor(Qt::black));
        painter.drawText(flipRect(messageRect(), height()), messageFlags(), strMsg);
    } else if (msgID >= MSG_TEXT && msgID <= MSG_KEY) {
        myDrawText(painter, strMsg, centred, promptRect(), height());
    }
    if (msgID == MSG_TEXT && !refusal.isEmpty()) {
        painter.setPen(kRefusalColour);
        painter.drawText(flipRect(refusalRect(), height()), messageFlags(), refusal);
    }

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
    if (key.flagsChanged) return modifiers.noteModifierKey(key.keyCode, key.down);
    if (key.keyCode == VK_NONE) return;
    if (modifierBoxesShown()) modifiers.tickHeld(event->modifiers());
    stCombo.ModifyKey = 0;
    stCombo.VkCode1 = uint8_t(key.keyCode & 0xFF);
    stCombo.VkCode2 = 0xFF;
    textField->setText(QString::fromStdString(GetVKName(key.keyCode).value_or(std::string())));
}

void showChoice(HideView* overlay, MsgView* dialog, const QString& text, const char* okKey, const char* otherKey,
                MsgCallback callback) {
    if (!dialog) return;
    dialog->okKey = okKey;
    dialog->otherKey = otherKey;
    showMsg(overlay, dialog, text, MSG_CHOICE, false, std::move(callback));
}

void showQuestion(HideView* overlay, MsgView* dialog, const QString& text, MsgCallback callback) {
    showMsg(overlay, dialog, text, MSG_QUESTION, false, std::move(callback));
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

QString nameCheckText(NameCheck check, const QString& name, int maxBytes) {
    const char* key = name_check_text_key(check);
    if (!key) return {};
    std::vector<std::string> values;
    if (check == NameCheck::TooLong) values = {std::to_string(maxBytes)};
    if (check == NameCheck::Taken) values = {name.toStdString()};
    return QString::fromStdString(FormatText(key, values));
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
