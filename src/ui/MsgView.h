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

#include "model/keyinfo.h"
#include "ui/DialogPanel.h"
#include "ui/ModifierBoxes.h"

namespace keyloom {

class HideView;
class MsgView;
class MyTextFieldCell;
class PngButton;

// Dialog kinds (msgID).
constexpr int MSG_NOTICE = 1;   // message or yes/no question, no edit field
constexpr int MSG_TEXT = 2;     // a line of text -> retString
constexpr int MSG_NUMBER = 3;   // a number -> retValue
constexpr int MSG_KEY = 4;      // one captured key -> stCombo

// What the closing dialog calls, with itself: it reads bResult and, after
// OK, the kind's result.
using MsgCallback = std::function<void(MsgView*)>;

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
    // Closes with result 1 (OK) or 0 (Cancel, Exit); a refused OK leaves it open.
    void onExit(int result);

    int32_t msgID = 0;
    QString strMsg;
    bool bResult = false;
    QString retString;
    int32_t retValue = 0;
    MSG_COMBO stCombo{0, 0xFF, 0xFF, 0};
    int32_t maxStringLen = 0;  // UTF-16 units; 0 = no limit. Reset at every close.
    int32_t minVal = 0;        // carried for callers; the dialog applies no range
    int32_t maxVal = -1;
    bool bRecordComboKey = false;
    int32_t nParam = 0;  // the caller's own value, for its callback
    MsgCallback callback;

    ModifierBoxes modifiers;
    MyTextFieldCell* textField = nullptr;
    QRectF rcEdit;  // bottom-left origin

    // Where the prompt of kinds 2 to 4 is drawn: the line above rcEdit.
    QRectF promptRect() const;
    bool modifierBoxesShown() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool capturing() const override;

private:
    void createControls();
    void onTextChanged();
};

// Shows the dialog for a kind over the owner's overlay. callback (may be
// empty) is called once when the dialog closes. Returns at once.
void showMsg(HideView* overlay, MsgView* dialog, const QString& text, int msgID, bool bRecordComboKey,
             MsgCallback callback);

// The integer at the start of a text as the number dialog reads it: leading
// white space, an optional sign, decimal digits; 0 when there are none;
// values beyond 32 bits are held at the nearest limit.
int32_t leadingInteger(const QString& text);

}  // namespace keyloom
