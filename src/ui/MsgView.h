// The skinned in-window dialog every window uses for a notice or yes/no
// question, a line of text, a number or one captured key. It lies over its
// owner's content with the owner's dimming overlay behind it and reports the
// answer to a callback when it closes.
#pragma once
#include <QImage>
#include <QPointer>
#include <QRectF>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>

#include "base/paths.h"
#include "model/keyinfo.h"
#include "ui/DialogPanel.h"
#include "ui/ModifierBoxes.h"

namespace keyloom {

class HideView;
class MsgView;
class MyTextFieldCell;
class PngButton;

// Dialog kinds (msgID).
constexpr int MSG_NOTICE = 1;   // a message: OK only, no edit field
constexpr int MSG_TEXT = 2;     // a line of text -> retString
constexpr int MSG_NUMBER = 3;   // a number -> retValue
constexpr int MSG_KEY = 4;      // one captured key -> stCombo
constexpr int MSG_CHOICE = 5;   // a question with three answers: OK, btnOther, Cancel -> nAnswer
constexpr int MSG_QUESTION = 6; // a yes/no question: OK and Cancel -> bResult

// Answers (nAnswer).
constexpr int MSG_ANSWER_CANCEL = 0;  // Cancel or the close button
constexpr int MSG_ANSWER_OK = 1;
constexpr int MSG_ANSWER_OTHER = 2;  // kind 5's middle answer

// What the closing dialog calls, with itself: it reads bResult and, after
// OK, the kind's result.
using MsgCallback = std::function<void(MsgView*)>;
// Checks a text before the text dialog takes it: empty to take it, else why
// not, which the dialog shows under the field while it stays open.
using MsgTextCheck = std::function<QString(const QString&)>;

class MsgView : public DialogPanel {
public:
    static constexpr int WIDTH = 400;
    static constexpr int HEIGHT = 202;

    // A hidden dialog centred over owner, which must have its final size.
    explicit MsgView(QWidget* owner);

    // Prepares the dialog for a kind: modifier boxes, edit field, focus.
    void initWithMsgID(int msgID);
    // Captions that follow the language: those of OK and Cancel.
    void onRefreshText();
    void btnClick(PngButton* sender);
    // Closes with an answer: MSG_ANSWER_OK, _CANCEL (Cancel, Exit) or _OTHER;
    // a refused OK leaves it open.
    void onExit(int result);

    int32_t msgID = 0;
    QString strMsg;
    bool bResult = false;
    QString retString;
    int32_t retValue = 0;
    MSG_COMBO stCombo{0, 0xFF, 0xFF, 0};
    // Kind 2: the field stops taking text at these limits (0 = none): UTF-16
    // units and UTF-8 bytes, whole characters only. Reset at every close.
    int32_t maxStringLen = 0;
    int32_t maxStringBytes = 0;
    QString initialText;    // kind 2: the field starts with it, selected. Reset at every close.
    MsgTextCheck checkText;  // kind 2: asked on OK. Reset at every close.
    QString refusal;         // why the text was not taken, shown until it is edited
    int32_t minVal = 0;        // carried for callers; the dialog applies no range
    int32_t maxVal = -1;
    bool bRecordComboKey = false;
    int32_t nParam = 0;  // the caller's own value, for its callback
    int32_t nAnswer = MSG_ANSWER_CANCEL;  // how it was closed; bResult is nAnswer == MSG_ANSWER_OK
    // Kind 5: the text keys of the OK and the middle answer's captions.
    std::string okKey = "tc_ok";
    std::string otherKey;
    MsgCallback callback;
    PngButton* btnOther = nullptr;  // kind 5's middle answer, hidden for the other kinds

    ModifierBoxes modifiers;
    MyTextFieldCell* textField = nullptr;
    QRectF rcEdit;  // bottom-left origin

    // Where the prompt of kinds 2 to 4 is drawn: the line above rcEdit.
    QRectF promptRect() const;
    // Where the message of kinds 1 and 5 is drawn, wrapped to its width and
    // centred: between the answers and the close button.
    QRectF messageRect() const;
    bool modifierBoxesShown() const;
    // Where the reason a text was refused is drawn: below the field.
    QRectF refusalRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Kind 4 records in its field: Tab leaves it, and enters it again.
    bool hasRecordingField() const override { return msgID == MSG_KEY; }
    // The name and number dialogs open with the field focused.
    QWidget* initialFocus() override;

private:
    void createControls();
    void onTextChanged();
    bool isMessageKind() const;
    // A message, or the reason a text was refused, longer than the standard
    // dialog holds makes it taller (up to its owner's height); every other
    // use has the standard size.
    qreal extraHeightNeeded() const;
    void fitHeight();
    // The answers shown, right-aligned where OK and Cancel stand, each as
    // wide as its picture or, for a longer caption, the caption.
    void layoutAnswers();

    qreal answersRight_ = 0;
    qreal answerWidth_ = 0;
};

// Shows the dialog for a kind over the owner's overlay. callback (may be
// empty) is called once when the dialog closes. Returns at once.
void showMsg(HideView* overlay, MsgView* dialog, const QString& text, int msgID, bool bRecordComboKey,
             MsgCallback callback);
// Asks a yes/no question (OK and Cancel); the callback reads bResult.
void showQuestion(HideView* overlay, MsgView* dialog, const QString& text, MsgCallback callback);
// Asks a question with three answers (kind 5): OK captioned by okKey, the
// middle answer by otherKey, and Cancel. The callback reads nAnswer.
void showChoice(HideView* overlay, MsgView* dialog, const QString& text, const char* okKey, const char* otherKey,
                MsgCallback callback);

// The integer at the start of a text as the number dialog reads it: leading
// white space, an optional sign, decimal digits; 0 when there are none;
// values beyond 32 bits are held at the nearest limit.
int32_t leadingInteger(const QString& text);

// What the window says about a name check's answer, in its language; empty
// for NameCheck::Ok. maxBytes: the limit a name too long passed.
QString nameCheckText(NameCheck check, const QString& name, int maxBytes);

}  // namespace keyloom
