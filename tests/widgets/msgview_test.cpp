// The message and input dialog: layout over its owner, the four kinds and
// their results, closing and the callback, the text limit, key capture and
// the keyboard focus.
#include <gtest/gtest.h>
#include <linux/input-event-codes.h>

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QFontMetricsF>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <climits>
#include <cstring>

#include "config/gvar.h"
#include "config/language.h"
#include "base/paths.h"
#include "config/preferences.h"
#include "ui/MsgView.h"
#include "widgets/Frame.h"
#include "widgets/HideView.h"
#include "widgets/PngButton.h"
#include "widgets/TextDraw.h"
#include "widgets/TextField.h"
#include "widgets/widget_test_support.h"

namespace keyloom {
namespace {

const QColor kBackground(40, 60, 120);

void writeImage(const QString& path, QSize size, QColor color) {
    QImage image(size, QImage::Format_ARGB32);
    image.fill(color);
    ASSERT_TRUE(image.save(path));
}

int languageIndex(const char* dir) {
    for (int i = 0; i < LANG_COUNT && gVar.Lang[i].szName[0] != '\0'; ++i)
        if (std::strcmp(gVar.Lang[i].szDir, dir) == 0) return i;
    return -1;
}

// A work directory of our own with skin pictures of known sizes (the shipped
// texts linked in), English loaded, and an 801 x 501 owner with its overlay
// and dialog.
class MsgViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::useShippedConfig();
        const QDir work(dir_.path());
        ASSERT_TRUE(work.mkpath("skins") && work.mkpath("prefs"));
        ASSERT_TRUE(QFile::link(QStringLiteral(KEYLOOM_BUILD_CFG_DIR) + "text", work.filePath("text")));
        writeImage(work.filePath("skins/exit_nr.png"), QSize(20, 20), QColor(200, 60, 60));
        writeImage(work.filePath("skins/btn2_nr.png"), QSize(80, 26), QColor(70, 70, 80));
        writeImage(work.filePath("skins/check_nr.png"), QSize(14, 14), QColor(150, 150, 150));
        writeImage(work.filePath("skins/check_ov.png"), QSize(14, 14), QColor(180, 180, 180));
        writeImage(work.filePath("skins/check_dn.png"), QSize(14, 14), QColor(60, 160, 60));
        set_work_dir(work.path().toStdString() + "/");
        SetPreferencesDir(work.filePath("prefs").toStdString());
        ASSERT_GE(languageIndex("en"), 0);
        SwitchLanguage(languageIndex("en"));
        makeDialog();
    }

    void TearDown() override {
        owner_.reset();
        set_work_dir(KEYLOOM_BUILD_CFG_DIR);
        SetPreferencesDir("");
    }

    void makeDialog() {
        owner_ = std::make_unique<QWidget>();
        owner_->resize(801, 501);
        overlay = new HideView(owner_.get());
        overlay->setBeep([] {});
        dialog = new MsgView(owner_.get());
        owner_->show();
    }

    // A callback that counts its calls and notes what it saw.
    MsgCallback recorder() {
        return [this](MsgView* view) {
            ++calls;
            seenResult = view->bResult;
            seenVisible = view->isVisible();
        };
    }

    void show(const char* text, int kind, bool boxes = false) {
        showMsg(overlay, dialog, QString::fromUtf8(text), kind, boxes, recorder());
    }

    // A click on a button through the mouse, as the user makes it.
    static void click(PngButton* button) { test::clickAt(button, QPoint(2, 2)); }

    void pressKey(int evdev, Qt::Key key = Qt::Key_unknown) { test::typeNativeKey(dialog, evdev, key); }

    QTemporaryDir dir_;
    std::unique_ptr<QWidget> owner_;
    HideView* overlay = nullptr;
    MsgView* dialog = nullptr;
    int calls = 0;
    bool seenResult = false;
    bool seenVisible = true;
};

TEST_F(MsgViewTest, LaysItselfOutInTheMiddleOfItsOwner) {
    EXPECT_EQ(frameOf(dialog), QRectF(200, 149, 400, 202));
    EXPECT_EQ(dialog->geometry(), QRect(200, 150, 400, 202));
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(frameOf(dialog->btnExit), QRectF(360, 175, 20, 20));
    EXPECT_EQ(frameOf(dialog->btnOk), QRectF(220, 15, 80, 26));
    EXPECT_EQ(frameOf(dialog->btnCancel), QRectF(310, 15, 80, 26));
    EXPECT_EQ(dialog->rcEdit, QRectF(40, 89, 320, 24));
    EXPECT_EQ(frameOf(dialog->textField), dialog->rcEdit);
    EXPECT_EQ(dialog->promptRect(), QRectF(40, 117, 320, 22));
    EXPECT_EQ(frameOf(dialog->modifiers.btnShift), QRectF(40, 64, 14, 14));
    EXPECT_EQ(frameOf(dialog->modifiers.btnCtrl), QRectF(124, 64, 14, 14));
    EXPECT_EQ(frameOf(dialog->modifiers.btnOption), QRectF(208, 64, 14, 14));
    EXPECT_EQ(frameOf(dialog->modifiers.btnCommand), QRectF(292, 64, 14, 14));
    EXPECT_EQ(dialog->btnOk->caption(), "OK");
    EXPECT_EQ(dialog->btnCancel->caption(), "Cancel");
    EXPECT_TRUE(dialog->btnExit->caption().isEmpty());

    // What a new dialog holds before its first use.
    EXPECT_EQ(dialog->stCombo.ModifyKey, 0);
    EXPECT_EQ(dialog->stCombo.VkCode1, 0xFF);
    EXPECT_EQ(dialog->stCombo.VkCode2, 0xFF);
    EXPECT_EQ(dialog->stCombo.unused, 0);
    EXPECT_EQ(dialog->minVal, 0);
    EXPECT_EQ(dialog->maxVal, -1);
    EXPECT_EQ(dialog->maxStringLen, 0);
}

TEST_F(MsgViewTest, BackgroundIsTheSkinPictureOrGreyInsideAGreyFrame) {
    // No picture: grey fill, and the one-point frame along the edge.
    EXPECT_EQ(test::pixelAt(dialog, QPoint(5, 100)), QColor(20, 20, 20));
    EXPECT_EQ(test::pixelAt(dialog, QPoint(0, 0)), QColor(100, 100, 100));
    EXPECT_EQ(test::pixelAt(dialog, QPoint(399, 201)), QColor(100, 100, 100));
    EXPECT_EQ(test::pixelAt(dialog, QPoint(1, 1)), QColor(20, 20, 20));

    // A picture lower than the dialog sits on its bottom edge at its own size.
    writeImage(QDir(dir_.path()).filePath("skins/msg_nr.png"), QSize(400, 100), kBackground);
    makeDialog();
    EXPECT_EQ(test::pixelAt(dialog, QPoint(5, 190)), kBackground);
    EXPECT_NE(test::pixelAt(dialog, QPoint(5, 50)), kBackground);
    EXPECT_EQ(test::pixelAt(dialog, QPoint(0, 150)), QColor(100, 100, 100));
    test::saveScreenshot(dialog, "msgview_half_background");
}

TEST_F(MsgViewTest, NoticeShowsOverTheOverlayAndClosesWithOrWithoutACallback) {
    show("Delete the selected item?", MSG_NOTICE);
    EXPECT_TRUE(overlay->isVisible());
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->textField->isVisible());
    EXPECT_FALSE(dialog->modifiers.btnShift->isVisible());
    EXPECT_EQ(dialog->viewHide, overlay);
    EXPECT_EQ(dialog->strMsg, "Delete the selected item?");
    // The dialog lies above the overlay: a click in its middle reaches it.
    EXPECT_EQ(owner_->childAt(400, 250), dialog);
    test::saveScreenshot(owner_.get(), "msgview_kind1_notice");

    click(dialog->btnOk);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_FALSE(overlay->isVisible());
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(seenResult);
    EXPECT_FALSE(seenVisible);  // hidden before the callback runs
    EXPECT_EQ(dialog->viewHide, nullptr);
    EXPECT_FALSE(dialog->callback);

    // An information message without a callback: closing calls nobody.
    showMsg(overlay, dialog, "Update settings failed!", MSG_NOTICE, false, nullptr);
    EXPECT_TRUE(overlay->isVisible());
    click(dialog->btnExit);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_FALSE(overlay->isVisible());
    EXPECT_EQ(calls, 1);

    // Without an overlay the dialog still shows and closes.
    showMsg(nullptr, dialog, "No overlay", MSG_QUESTION, false, recorder());
    click(dialog->btnCancel);
    EXPECT_EQ(calls, 2);
    EXPECT_FALSE(seenResult);
}

TEST_F(MsgViewTest, AChoiceHasThreeAnswersEachAsWideAsItsCaptionNeeds) {
    EXPECT_FALSE(dialog->btnOther->isVisible());
    std::vector<int> answers;
    for (PngButton* button : {dialog->btnOk, dialog->btnOther, dialog->btnCancel, dialog->btnExit}) {
        showChoice(overlay, dialog, "Keep it?", "tc_macro_save", "tc_macro_discard",
                   [&](MsgView* view) { answers.push_back(view->nAnswer); });
        ASSERT_TRUE(dialog->btnOther->isVisible());
        EXPECT_EQ(dialog->btnOk->caption(), "Save");
        EXPECT_EQ(dialog->btnOther->caption(), "Discard");
        // Right-aligned where OK and Cancel stand, the pictures' width apart.
        EXPECT_EQ(frameOf(dialog->btnCancel), QRectF(310, 15, 80, 26));
        EXPECT_EQ(frameOf(dialog->btnOther), QRectF(220, 15, 80, 26));
        EXPECT_EQ(frameOf(dialog->btnOk), QRectF(130, 15, 80, 26));
        if (button == dialog->btnOk) test::saveScreenshot(owner_.get(), "msgview_kind5_choice");
        click(button);
        EXPECT_FALSE(dialog->isVisible());
    }
    EXPECT_EQ(answers, (std::vector<int>{MSG_ANSWER_OK, MSG_ANSWER_OTHER, MSG_ANSWER_CANCEL, MSG_ANSWER_CANCEL}));
    EXPECT_TRUE(dialog->bResult == false);

    // A caption longer than the picture widens its answer, leftwards.
    SwitchLanguage(languageIndex("French"));
    showChoice(overlay, dialog, "Garder ?", "tc_macro_save", "tc_macro_discard", nullptr);
    EXPECT_EQ(dialog->btnOther->caption(), "Ne pas enregistrer");
    EXPECT_GT(frameOf(dialog->btnOther).width(), 80);
    EXPECT_NE(dialog->btnOther->toolTip(), dialog->btnOther->caption());  // shown whole
    EXPECT_LE(frameOf(dialog->btnOther).right() + 10, frameOf(dialog->btnCancel).x());
    EXPECT_LE(frameOf(dialog->btnOk).right() + 10, frameOf(dialog->btnOther).x());
    test::saveScreenshot(owner_.get(), "msgview_kind5_choice_French");
    click(dialog->btnCancel);

    // Another kind afterwards has OK and Cancel as before.
    SwitchLanguage(languageIndex("en"));
    show("Delete?", MSG_QUESTION);
    EXPECT_FALSE(dialog->btnOther->isVisible());
    EXPECT_EQ(dialog->btnOk->caption(), "OK");
    EXPECT_EQ(frameOf(dialog->btnOk), QRectF(220, 15, 80, 26));
    click(dialog->btnOk);
}

TEST_F(MsgViewTest, ALongMessageWrapsInsideTheDialog) {
    const QString path = QStringLiteral("The macro could not be saved to /home/someone/.local/share/keyloom/mac/"
                                        "Games/A rather long folder name/combo.mcf.");
    showMsg(overlay, dialog, path, MSG_NOTICE, false, nullptr);
    const QRectF room = dialog->messageRect();
    EXPECT_EQ(room, QRectF(20, 47, 360, 122));  // between the answers and the close button
    QImage shot(dialog->size(), QImage::Format_ARGB32);
    dialog->render(&shot);
    // Text is drawn on several lines, and nothing outside the room but the frame and the buttons.
    const QRect inside = flipRectToPixels(room, dialog->height());
    int linesWithText = 0;
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        bool text = false;
        for (int x = inside.left(); x <= inside.right() && !text; ++x) text = shot.pixelColor(x, y) != QColor(20, 20, 20);
        linesWithText += text;
    }
    EXPECT_GT(linesWithText, QFontMetricsF(get_font()).height());  // more than one line
    for (int x = 2; x < inside.left(); ++x)
        for (int y = inside.top(); y <= inside.bottom(); ++y)
            ASSERT_EQ(shot.pixelColor(x, y), QColor(20, 20, 20)) << x << "," << y;
    test::saveScreenshot(owner_.get(), "msgview_kind1_long_message");
    click(dialog->btnOk);
}

TEST_F(MsgViewTest, TextDialogRefusesAnEmptyTextAndCutsAtTheLimit) {
    dialog->maxStringLen = 2;
    show("Enter a name", MSG_TEXT);
    EXPECT_TRUE(dialog->textField->isVisible());
    EXPECT_TRUE(dialog->textField->text().isEmpty());

    click(dialog->btnOk);  // empty: nothing happens
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(overlay->isVisible());
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(dialog->maxStringLen, 2);

    QTest::keyClicks(dialog->textField, "ab");
    EXPECT_EQ(dialog->textField->text(), "ab");
    QTest::keyClicks(dialog->textField, "c");  // cut back at once
    EXPECT_EQ(dialog->textField->text(), "ab");
    test::saveScreenshot(owner_.get(), "msgview_kind2_text");

    click(dialog->btnOk);
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(seenResult);
    EXPECT_EQ(dialog->retString, "ab");
    EXPECT_EQ(dialog->maxStringLen, 0);

    // The limit was for that use only; the field starts empty again.
    show("Enter a name", MSG_TEXT);
    EXPECT_TRUE(dialog->textField->text().isEmpty());
    QTest::keyClicks(dialog->textField, "abcdef");
    EXPECT_EQ(dialog->textField->text(), "abcdef");
    click(dialog->btnCancel);  // the earlier result stays
    EXPECT_EQ(calls, 2);
    EXPECT_FALSE(seenResult);
    EXPECT_FALSE(dialog->bResult);
    EXPECT_EQ(dialog->retString, "ab");
    EXPECT_EQ(dialog->maxStringLen, 0);
}

TEST_F(MsgViewTest, TheFieldStopsTakingTextAtTheLimitAndNeverHalfACharacter) {
    const QString face = QString::fromUtf8("\xF0\x9F\x98\x80");  // one character: two UTF-16 units, four bytes
    const QString e = QString::fromUtf8("\xC3\xA9");             // two bytes
    dialog->maxStringLen = 3;
    show("Enter a name", MSG_TEXT);
    dialog->textField->insert("a" + face);
    EXPECT_EQ(dialog->textField->text(), "a" + face);  // exactly three units
    dialog->textField->clear();
    dialog->textField->insert("ab");
    dialog->textField->insert(face);  // would pass the limit: not taken at all
    EXPECT_EQ(dialog->textField->text(), "ab");
    click(dialog->btnCancel);

    // A limit in UTF-8 bytes, as names are stored: typing stops at it, and
    // typing in the middle never pushes text off the end.
    dialog->maxStringBytes = 5;
    show("Enter a name", MSG_TEXT);
    for (int i = 0; i < 3; ++i) dialog->textField->insert(e);
    EXPECT_EQ(dialog->textField->text(), e + e);  // the third would need six bytes
    dialog->textField->insert("x");
    EXPECT_EQ(dialog->textField->text(), e + e + "x");
    dialog->textField->setCursorPosition(0);
    QTest::keyClicks(dialog->textField, "y");
    EXPECT_EQ(dialog->textField->text(), e + e + "x");
    dialog->textField->setCursorPosition(3);
    dialog->textField->insert(face);
    EXPECT_EQ(dialog->textField->text(), e + e + "x");
    click(dialog->btnOk);
    EXPECT_EQ(dialog->retString, e + e + "x");
    EXPECT_EQ(dialog->maxStringBytes, 0);

    // Other kinds take any length.
    dialog->maxStringLen = 2;
    show("Number", MSG_NUMBER);
    dialog->textField->insert("12345");
    EXPECT_EQ(dialog->textField->text(), "12345");
    click(dialog->btnCancel);
    EXPECT_EQ(dialog->maxStringLen, 0);
}

TEST_F(MsgViewTest, NumberDialogReadsTheIntegerAtTheStartOfTheText) {
    show("Enter the delay in milliseconds.", MSG_NUMBER);
    EXPECT_TRUE(dialog->textField->isVisible());
    QTest::keyClicks(dialog->textField, "12abc");
    test::saveScreenshot(owner_.get(), "msgview_kind3_number");
    click(dialog->btnOk);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(dialog->retValue, 12);

    show("Enter the delay in milliseconds.", MSG_NUMBER);
    QTest::keyClicks(dialog->textField, "abc");
    click(dialog->btnOk);
    EXPECT_EQ(dialog->retValue, 0);

    show("Enter the delay in milliseconds.", MSG_NUMBER);
    click(dialog->btnOk);  // an empty field is accepted and reads 0
    EXPECT_EQ(calls, 3);
    EXPECT_TRUE(seenResult);
    EXPECT_EQ(dialog->retValue, 0);

    show("Enter the delay in milliseconds.", MSG_NUMBER);
    QTest::keyClicks(dialog->textField, "77");
    click(dialog->btnOk);
    show("Enter the delay in milliseconds.", MSG_NUMBER);
    QTest::keyClicks(dialog->textField, "5");
    click(dialog->btnExit);  // closed without OK: the earlier number stays
    EXPECT_FALSE(seenResult);
    EXPECT_EQ(dialog->retValue, 77);

    EXPECT_EQ(leadingInteger("-45 ms"), -45);
    EXPECT_EQ(leadingInteger("  +7x"), 7);
    EXPECT_EQ(leadingInteger("- 5"), 0);
    EXPECT_EQ(leadingInteger("2147483647"), INT32_MAX);
    EXPECT_EQ(leadingInteger("-2147483648"), INT32_MIN);
    EXPECT_EQ(leadingInteger("99999999999999999999999"), INT32_MAX);
    EXPECT_EQ(leadingInteger("-2147483649"), INT32_MIN);
    EXPECT_EQ(leadingInteger(QString::fromUtf8("\xEF\xBC\x91\xEF\xBC\x92")), 0);  // full-width digits are not digits
}

TEST_F(MsgViewTest, KeyDialogCapturesTheLastKeyPressed) {
    show("Press a key", MSG_KEY);
    EXPECT_TRUE(dialog->textField->isVisible());
    EXPECT_FALSE(dialog->modifiers.btnShift->isVisible());
    pressKey(KEY_A, Qt::Key_A);
    EXPECT_EQ(dialog->stCombo.VkCode1, 0);
    EXPECT_EQ(dialog->textField->text(), "A");
    pressKey(KEY_B, Qt::Key_B);
    EXPECT_EQ(dialog->textField->text(), "B");
    test::saveScreenshot(owner_.get(), "msgview_kind4_key");

    // Modifiers alone and keys without a host code are taken and change nothing.
    for (int evdev : {KEY_LEFTSHIFT, KEY_RIGHTCTRL, KEY_LEFTALT, KEY_RIGHTMETA, KEY_PROG1}) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, quint32(evdev + 8), 0, 0);
        QApplication::sendEvent(dialog, &press);
        EXPECT_TRUE(press.isAccepted()) << evdev;
    }
    EXPECT_EQ(dialog->stCombo.VkCode1, 11);
    EXPECT_EQ(dialog->textField->text(), "B");

    click(dialog->btnOk);
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(seenResult);
    EXPECT_EQ(dialog->stCombo.ModifyKey, 0);
    EXPECT_EQ(dialog->stCombo.VkCode1, 11);
    EXPECT_EQ(dialog->stCombo.VkCode2, 0xFF);

    // The next use starts with an empty field; OK without a key returns the last capture.
    show("Press a key", MSG_KEY);
    EXPECT_TRUE(dialog->textField->text().isEmpty());
    click(dialog->btnOk);
    EXPECT_EQ(dialog->stCombo.VkCode1, 11);

    // Escape, Return and Caps Lock are keys like any other while capturing;
    // Tab leaves the field, and then Return confirms.
    show("Press a key", MSG_KEY);
    pressKey(KEY_ESC, Qt::Key_Escape);
    EXPECT_EQ(dialog->stCombo.VkCode1, 53);
    pressKey(KEY_ENTER, Qt::Key_Return);
    EXPECT_EQ(dialog->stCombo.VkCode1, 36);
    pressKey(KEY_CAPSLOCK, Qt::Key_CapsLock);
    EXPECT_EQ(dialog->stCombo.VkCode1, 57);
    EXPECT_TRUE(dialog->isVisible());
    pressKey(KEY_TAB, Qt::Key_Tab);
    EXPECT_EQ(dialog->stCombo.VkCode1, 57);
    pressKey(KEY_ENTER, Qt::Key_Return);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(seenResult);

    // Other kinds leave key presses to the owner.
    show("Question", MSG_NOTICE);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_C, Qt::NoModifier, quint32(KEY_C + 8), 0, 0, "c");
    QApplication::sendEvent(dialog, &press);
    EXPECT_FALSE(press.isAccepted());
    EXPECT_EQ(dialog->stCombo.VkCode1, 57);
}

TEST_F(MsgViewTest, KeyDialogWithModifierBoxesAddsTheTickedModifiers) {
    show("Press a key", MSG_KEY, /*boxes=*/true);
    for (PngButton* box : {dialog->modifiers.btnShift, dialog->modifiers.btnCtrl, dialog->modifiers.btnOption, dialog->modifiers.btnCommand}) {
        EXPECT_TRUE(box->isVisible());
        EXPECT_FALSE(box->getCheck());
    }
    // Each box is named by its label; Option and Command say which key they stand for.
    EXPECT_EQ(dialog->modifiers.btnShift->accessibleName(), "Shift");
    EXPECT_EQ(dialog->modifiers.btnOption->accessibleName(), "Alt");
    EXPECT_EQ(dialog->modifiers.btnOption->toolTip(), "The Alt key");
    EXPECT_EQ(dialog->modifiers.btnCommand->toolTip(), "The Super key (the Windows logo key)");
    click(dialog->modifiers.btnCtrl);
    click(dialog->modifiers.btnCommand);
    EXPECT_TRUE(dialog->modifiers.btnCtrl->getCheck());
    pressKey(KEY_A, Qt::Key_A);
    test::saveScreenshot(owner_.get(), "msgview_kind4_modifier_boxes");
    click(dialog->btnOk);
    EXPECT_EQ(dialog->stCombo.ModifyKey, 0x09);  // Control 0x01 + Command 0x08
    EXPECT_EQ(dialog->stCombo.VkCode1, 0);
    EXPECT_EQ(dialog->stCombo.VkCode2, 0xFF);

    show("Press a key", MSG_KEY, true);
    EXPECT_FALSE(dialog->modifiers.btnCtrl->getCheck());  // unticked for every use
    click(dialog->modifiers.btnShift);
    click(dialog->modifiers.btnOption);
    click(dialog->modifiers.btnOption);
    click(dialog->modifiers.btnOption);
    click(dialog->btnOk);  // no new key: the capture stays, the boxes replace the modifiers
    EXPECT_EQ(dialog->stCombo.ModifyKey, 0x06);  // Shift 0x02 + Option 0x04
    EXPECT_EQ(dialog->stCombo.VkCode1, 0);

    show("Press a key", MSG_KEY, true);
    click(dialog->modifiers.btnShift);
    click(dialog->btnCancel);  // Cancel keeps the last result
    EXPECT_EQ(dialog->stCombo.ModifyKey, 0x06);
}

TEST_F(MsgViewTest, KeyDialogKeepsTheKeyboardFocusWhileOpen) {
    auto* other = new QLineEdit(owner_.get());
    other->setGeometry(10, 10, 100, 24);
    other->show();
    QApplication::setActiveWindow(owner_.get());
    other->setFocus();
    ASSERT_TRUE(other->hasFocus());

    show("Press a key", MSG_KEY);
    EXPECT_TRUE(dialog->hasFocus());
    other->setFocus();
    EXPECT_TRUE(dialog->hasFocus());
    dialog->textField->setFocus();
    EXPECT_TRUE(dialog->hasFocus());
    EXPECT_EQ(dialog->textField->focusPolicy(), Qt::NoFocus);
    click(dialog->btnOk);
    EXPECT_FALSE(dialog->hasFocus());
    other->setFocus();
    EXPECT_TRUE(other->hasFocus());

    // The name and number dialogs open with the field focused; the focus
    // goes back to the owner when they close.
    show("Enter a name", MSG_TEXT);
    EXPECT_TRUE(dialog->textField->hasFocus());
    click(dialog->btnCancel);
    EXPECT_FALSE(dialog->textField->hasFocus());

    // A notice takes the focus, so that Escape and Return reach it.
    show("Notice", MSG_NOTICE);
    EXPECT_TRUE(dialog->hasFocus());
    click(dialog->btnOk);
}

TEST_F(MsgViewTest, EscapeCancelsAndReturnConfirmsEveryKind) {
    // Keys go to the widget with the focus, as the window delivers them.
    for (int kind : {MSG_NOTICE, MSG_QUESTION, MSG_CHOICE, MSG_TEXT, MSG_NUMBER}) {
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
            SCOPED_TRACE(testing::Message() << "kind " << kind << " key " << std::hex << key);
            if (kind == MSG_CHOICE)
                showChoice(overlay, dialog, "Keep it?", "tc_macro_save", "tc_macro_discard", recorder());
            else
                show("Answer", kind);
            QWidget* focused = kind == MSG_TEXT || kind == MSG_NUMBER ? static_cast<QWidget*>(dialog->textField) : dialog;
            if (kind == MSG_TEXT) QTest::keyClicks(focused, "name");
            const int before = calls;
            QTest::keyClick(focused, key, key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
            EXPECT_FALSE(dialog->isVisible());
            EXPECT_FALSE(overlay->isVisible());
            EXPECT_EQ(calls, before + 1);
            EXPECT_EQ(seenResult, key != Qt::Key_Escape);
        }
    }
    // Return on an empty name is refused as OK is: the dialog stays.
    show("Enter a name", MSG_TEXT);
    QTest::keyClick(dialog->textField, Qt::Key_Return);
    EXPECT_TRUE(dialog->isVisible());
    QTest::keyClick(dialog->textField, Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(MsgViewTest, ANoticeHasOnlyOkAndAQuestionAlsoCancel) {
    showMsg(overlay, dialog, "The keyboard was unplugged.", MSG_NOTICE, false, nullptr);
    EXPECT_TRUE(dialog->btnOk->isVisible());
    EXPECT_FALSE(dialog->btnCancel->isVisible());
    EXPECT_EQ(frameOf(dialog->btnOk), QRectF(310, 15, 80, 26));  // where the last answer stands
    test::saveScreenshot(owner_.get(), "msgview_notice_ok_only");
    click(dialog->btnOk);
    show("Delete it?", MSG_QUESTION);
    EXPECT_TRUE(dialog->btnCancel->isVisible());
    EXPECT_EQ(frameOf(dialog->btnOk), QRectF(220, 15, 80, 26));
    EXPECT_EQ(frameOf(dialog->btnCancel), QRectF(310, 15, 80, 26));
    click(dialog->btnCancel);
    EXPECT_FALSE(seenResult);
}

TEST_F(MsgViewTest, ALongGermanMessageGrowsTheDialogAndNothingIsCut) {
    SwitchLanguage(languageIndex("German"));
    dialog->onRefreshText();
    const std::string folder = "Makros für die Raid-Abende am Donnerstag mit der ganzen Gilde";
    QString text = QString::fromStdString(FormatText("tc_del_folder_ask", {folder})) +
                         QStringLiteral(" /home/jemand/.local/share/keyloom/mac/Spiele/Rollenspiele/Makros für die "
                                        "Raid-Abende am Donnerstag mit der ganzen Gilde/Sicherung vom Dienstag.mcf") +
                         QStringLiteral(" Die Datei ist älter als die Version im Ordner; beim Import wurde eine "
                                        "Sicherung unter /home/jemand/.local/share/keyloom/Sicherungen/2026-12-09 "
                                        "angelegt, die alle Tastentabellen dieses Modus enthält.");
    // Longer than the standard dialog holds, whatever the font's size.
    const QFontMetricsF metrics(get_font());
    const QRectF standard = dialog->messageRect();
    auto heightOf = [&](const QString& t) {
        return metrics.boundingRect(QRectF(0, 0, standard.width(), 10000), Qt::AlignCenter | Qt::TextWordWrap, t)
            .height();
    };
    while (heightOf(text) < 1.5 * standard.height()) text += QStringLiteral(" Noch ein Satz, der Platz braucht.");
    showMsg(overlay, dialog, text, MSG_NOTICE, false, nullptr);
    EXPECT_GT(dialog->height(), MsgView::HEIGHT);
    const QRectF room = dialog->messageRect();
    EXPECT_LE(heightOf(text), room.height());
    // Still centred over its owner: the answers at the bottom, the close button at the top.
    EXPECT_NEAR(dialog->geometry().center().y(), owner_->rect().center().y(), 1);
    EXPECT_EQ(frameOf(dialog->btnOk).y(), 15);
    EXPECT_EQ(frameOf(dialog->btnExit).y(), dialog->height() - 27);
    test::saveScreenshot(owner_.get(), "msgview_long_german_message");
    QTest::keyClick(dialog, Qt::Key_Return);
    EXPECT_FALSE(dialog->isVisible());

    // A short message has the standard size again.
    showMsg(overlay, dialog, "Kurz.", MSG_NOTICE, false, nullptr);
    EXPECT_EQ(dialog->height(), MsgView::HEIGHT);
    EXPECT_EQ(frameOf(dialog->btnExit), QRectF(360, 175, 20, 20));
    EXPECT_EQ(frameOf(dialog), QRectF(200, 149, 400, 202));
    click(dialog->btnOk);
    SwitchLanguage(languageIndex("en"));
}

TEST_F(MsgViewTest, ARefusedNameSaysWhyInTheDialogAndARenameStartsFromTheName) {
    dialog->initialText = "Games";
    dialog->checkText = [](const QString& name) {
        return nameCheckText(check_name(name.toStdString(), 39), name, 39);
    };
    show("Enter a new name.", MSG_TEXT);
    EXPECT_EQ(dialog->textField->text(), "Games");
    EXPECT_EQ(dialog->textField->selectedText(), "Games");
    QTest::keyClicks(dialog->textField, "a/b");  // typing replaces the selected name
    QTest::keyClick(dialog->textField, Qt::Key_Return);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(dialog->refusal, uiText("tc_macro_badname"));
    EXPECT_EQ(dialog->textField->selectedText(), "a/b");
    test::saveScreenshot(owner_.get(), "msgview_name_refused");

    QTest::keyClicks(dialog->textField, "ab");  // an edit takes the reason away
    EXPECT_TRUE(dialog->refusal.isEmpty());
    click(dialog->btnOk);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(dialog->retString, "ab");

    // The check and the name were for that use only.
    show("Enter a name.", MSG_TEXT);
    EXPECT_TRUE(dialog->textField->text().isEmpty());
    EXPECT_FALSE(dialog->checkText);
    click(dialog->btnCancel);
}

TEST_F(MsgViewTest, ACallbackMayShowTheDialogAgain) {
    dialog->maxStringLen = 40;
    showMsg(overlay, dialog, "Enter a name", MSG_TEXT, false, [this](MsgView* view) {
        ++calls;
        view->maxStringLen = 5;
        showMsg(overlay, view, "That name is in use.", MSG_NOTICE, false, recorder());
    });
    dialog->textField->setText("Game");
    click(dialog->btnOk);
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(overlay->isVisible());
    EXPECT_EQ(dialog->viewHide, overlay);
    EXPECT_EQ(dialog->maxStringLen, 5);
    EXPECT_EQ(dialog->strMsg, "That name is in use.");

    click(dialog->btnOk);  // the second message closes with its own callback and overlay
    EXPECT_EQ(calls, 2);
    EXPECT_FALSE(overlay->isVisible());
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->maxStringLen, 0);
}

TEST_F(MsgViewTest, OnlyTheButtonCaptionsFollowTheLanguage) {
    const int german = languageIndex("German");
    ASSERT_GE(german, 0);
    show("Enter a name", MSG_TEXT);
    SwitchLanguage(german);
    EXPECT_EQ(dialog->btnCancel->caption(), "Cancel");  // until the window refreshes its texts
    dialog->onRefreshText();
    EXPECT_EQ(dialog->btnOk->caption(), QString::fromStdString(GetText("tc_ok")));
    EXPECT_EQ(dialog->btnCancel->caption(), "Abbrechen");
    EXPECT_EQ(dialog->strMsg, "Enter a name");
    test::saveScreenshot(owner_.get(), "msgview_german");
    SwitchLanguage(languageIndex("en"));
}

}  // namespace
}  // namespace keyloom
