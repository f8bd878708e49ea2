// The macro editor: the tree of macro folders and macros on the left, the
// selected macro's event list on the right, the recorder, the play settings
// and the save button. It lies over the main window behind its overlay and
// has its own message dialog for names, keys, pauses and warnings.
#pragma once
#include <QPointer>
#include <QTimer>
#include <functional>

#include "macro/macroedit.h"
#include "macro/macrotree.h"
#include "ui/DialogPanel.h"
#include "ui/KeyCapture.h"
#include "widgets/MenuWindow.h"
#include "widgets/MyOutlineView.h"

namespace keyloom {

class ComboBtn;
class HideView;
class MsgView;
class MyTextFieldCell;
class PngButton;

// Menu codes of the editor's right-click menus.
constexpr int MACRO_CMD_NEW = 1;
constexpr int MACRO_CMD_NEW_FOLDER = 2;
constexpr int MACRO_CMD_DELETE = 4;
constexpr int MACRO_CMD_EXPORT = 8;
constexpr int MACRO_CMD_IMPORT = 16;
constexpr int MACRO_CMD_RENAME = 32;
constexpr int MACRO_CMD_CHANGE_ROW = 64;
constexpr int MACRO_CMD_INSERT = 128;  // what to insert in bits 16..23
constexpr int MACRO_CMD_DELETE_ROW = 1024;

// What an insert adds (the insert list's values).
constexpr int MACRO_INSERT_PRESS = 1;
constexpr int MACRO_INSERT_RELEASE = 2;
constexpr int MACRO_INSERT_PAUSE = 3;
constexpr int MACRO_INSERT_LEFT = 4;
constexpr int MACRO_INSERT_RIGHT = 5;
constexpr int MACRO_INSERT_MIDDLE = 6;
constexpr int MACRO_INSERT_MOVE = 7;      // offered with ShowMovingItem; adds nothing
constexpr int MACRO_INSERT_POSITION = 8;  // offered with ShowMovingItem; adds nothing

// Asks for a file: true to save (export), false to open (import); the
// suggested name; the chosen path, or empty to cancel.
using MacroFileChooser = std::function<QString(bool save, const QString& suggested)>;

class MacroView : public DialogPanel, public MyOutlineViewDelegate, public MenuDelegate {
public:
    static constexpr int WIDTH = 508;
    static constexpr int HEIGHT = 346;

    // A hidden editor centred over owner, showing tree (which outlives the
    // editor), read again from the macro folder.
    MacroView(QWidget* owner, MacroTree& tree);

    void onRefreshText();
    // Rebuilds the tree from the macro folder; the event list empties.
    void ReloadMacroList();
    void btnClick(PngButton* sender);
    void onMenuClicked(int itemData, int menuId) override;

    void onItemClicked(outlineviewData* item, MyOutlineView* sender) override;
    void onItemRClicked(outlineviewData* item, MyOutlineView* sender) override;

    void startRecording();
    void stopRecording();
    // Tidies, converts and writes the selected macro; false when the file
    // could not be written, which is told to the user.
    bool onSave();

    // Unsaved work: a recording running, or changed rows or play settings of
    // the macro shown that are not in its file yet.
    bool hasUnsavedChanges() const;
    // Settles unsaved work before the editor leaves the macro (another macro
    // or folder, closing, hiding or quitting the program): a recording is
    // stopped; then, with the model file's AutoSaveMacro not 0, the macro is
    // saved, else the user chooses Save, Discard or Cancel. then(true) goes
    // on; then(false) after Cancel or a failed save, which keeps the editor on
    // the macro with its changes. At once then(true) when nothing is unsaved.
    // Asked again while the question is open, it waits for the same answer.
    void settleUnsavedChanges(std::function<void(bool proceed)> then);
    // For an end that cannot ask (a signal, "keyloom --quit", the end of the
    // session): stops a recording and saves, whatever AutoSaveMacro says,
    // without any dialog. False only when the file could not be written.
    bool saveUnsavedChanges();
    // The selected macro's record, or none.
    _ST_MACRO* selectedMacro() const;
    // The play mode ticked: 0 repeat count, 1 until any key, 2 while the key is held.
    int playMode() const;

    outlineviewData* dataMacro() { return tree_.root(); }
    outlineviewData* dataKey() { return &keyRows_; }
    MacroTree& tree() { return tree_; }

    MyOutlineView* listMacro = nullptr;
    MyOutlineView* listKey = nullptr;
    PngButton* btnRecord = nullptr;
    PngButton* btnAuto = nullptr;
    PngButton* btnLoop = nullptr;
    PngButton* btnLoopUntilAnyKey = nullptr;
    PngButton* btnLoopUntilKeyUp = nullptr;
    MyTextFieldCell* textField = nullptr;
    ComboBtn* btnInsert = nullptr;
    PngButton* btnSave = nullptr;
    MsgView* msgView = nullptr;      // the editor's own dialog
    HideView* msgOverlay = nullptr;  // behind it, over the editor
    MacroRecorder recorder;
    WallClock clock = wallClockSeconds;
    MacroFileChooser chooseFile;  // QFileDialog unless a test sets its own

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    bool capturing() const override { return recorder.recording(); }
    // Return keeps the work: the macro shown is saved, and the editor closes.
    void confirmFromKeyboard() override;

private:
    void LoadSkins();
    void setLoop(int mode);
    void Dirty_CurSel_Macro(uint32_t bits);
    void onRepeatEdited();
    void showWarning(const QString& text);
    void showResult(const MacroTreeResult& result);
    void recorded(MacroRecorder::Outcome outcome);
    void openMenu(const std::vector<MenuData>& items, int menuId);

    // Unsaved work and the tree item shown (MacroViewUnsaved.cpp).
    // Writes the selected macro; tell: a failure is shown.
    bool saveSelected(bool tell);
    // Shows the item's rows and play settings from its record; an item that
    // is no usable macro shows none (and says why).
    void showItem(outlineviewData* item);
    // Drops the unsaved rows and settings: the record's are shown again. A
    // macro never saved has no file to go back to and leaves the tree.
    void discardChanges();
    void askAboutChanges();
    // The selected tree item, or none, by its serial (items may have gone).
    outlineviewData* treeItem(uint64_t serial);
    // Tells why the item shown cannot be recorded, edited or saved.
    void refuseUnusable();

    // Tree commands and row editing (MacroViewCommands.cpp).
    void runTreeCommand(int code, outlineviewData* item);
    // Asks for a name; current fills the field, selected (a rename).
    void askName(const char* prompt, const QString& current, std::function<void(const std::string&)> done);
    void newMacro(outlineviewData* folder);
    void exportMacro(outlineviewData* item);
    void importMacro(outlineviewData* item);
    void insertRows(int what, bool fromMenu);
    void addRows(std::vector<std::unique_ptr<outlineviewData>> rows);
    bool rowsFit(const std::vector<MacroRow>& rows);
    void changeRow();
    void deleteRow();
    void showKeyMenu();
    void showTreeMenu(outlineviewData* item);

    MacroTree& tree_;
    outlineviewData keyRows_;
    outlineviewData* selectedItem_ = nullptr;  // the tree item whose rows are shown
    QTimer commandTimer_;                      // the release check while Command is held
    bool refreshingRepeat_ = false;
    // Who waits for the answer to the Save, Discard or Cancel question.
    std::vector<std::function<void(bool)>> settleWaiting_;
};

// Opens the editor over the overlay.
void showMacroView(HideView* overlay, MacroView* view);

}  // namespace keyloom
