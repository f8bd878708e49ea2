// The main window's content: the key map, the lighting panel, the mode
// buttons M1..M3, the chooser of the key table used in the current mode with
// its New, Delete and Rename buttons, and Restore, OK, Cancel and Apply. It
// builds and places them, the dimming overlay, and the dialogs on first use;
// what the user and the keyboard do goes to the controllers (control/),
// whose decisions it shows.
#pragma once
#include <QImage>
#include <QPointer>
#include <QWidget>
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "control/apply_requests.h"
#include "control/key_tables.h"
#include "control/knob.h"
#include "macro/macrotree.h"
#include "device/Dev6120.h"
#include "ui/ColorGridView.h"
#include "ui/KbColorView.h"
#include "ui/LateDialog.h"
#include "widgets/PopWindow.h"
#include "widgets/MenuWindow.h"
#include "widgets/PngButton.h"
#include "widgets/TextDraw.h"

namespace keyloom {

class CaptionView;
class ColorPickView;
class ComboBtn;
class HideView;
class LedView4417;
class MacroView;
class MsgView;
class PickFuncView;
class PngButton;
class ProgressView;
class RulesView;
class SrView;
class FocusRules;
struct _ST_KEYPRO;
struct _ST_PROFILE;

class MainView : public QWidget,
                 public ApplyTarget,
                 public DeviceEvents,
                 private PopViewDelegate,
                 private KbColorViewDelegate,
                 private MenuDelegate,
                 private ColorGridDelegate {
public:
    // The window's content over the loaded data, sized from "main_nr.png" and
    // built at once, its dialogs when they first open. link (may be none) is
    // the device link the buttons ask whether a keyboard is there.
    explicit MainView(Dev6120* link, QWidget* parent = nullptr);
    ~MainView() override;

    void onRefreshText();
    void SetAsCurProfile(_ST_PROFILE* profile);
    // Shows the current profile again, after it changed outside the window.
    void UpdateUI();
    // Closes an open knob pop-up, keeping its set and place in the profile.
    void closePoP();

    // ApplyTarget: the worker's reports, on the main loop.
    void updateProgress(int progress) override;
    void showError2() override;
    // DeviceEvents: the keyboard's notifications, on the main loop.
    void onPoP(uint8_t value, uint8_t kind, uint8_t unused) override;
    void onExit() override;
    // A keyboard plugged in or pulled out: the state caption follows.
    void onLinkChanged(const HidDeviceRef& dev) override;

    // With simulated, a keyboard on the link is named the simulated one.
    void setSimulatedKeyboard(bool simulated);
    // The data folder, shown in the window's title and under its header;
    // empty for the usual folder, which is not shown.
    void setDataFolder(const QString& path);
    // The rule that has the keyboard's layer play another key table while an
    // application is in front, shown in the window's foot: layer 0..2,
    // -1 for none (hidden).
    void showFollowing(int layer, const QString& table, const QString& app);
    // That rule as the foot shows it ("M1: Gaming, following steam_app_570");
    // empty when none is active.
    QString followingText() const;
    // The rules that have key tables follow the application in front, which
    // the rules dialog edits (none hides its button), what is told after each
    // edit, and the running applications the dialog offers to pick from.
    void setFocusRules(FocusRules* rules, std::function<void()> rulesEdited,
                       std::function<std::vector<std::string>()> runningApps);
    // The rules may have changed (here, over the session bus, by
    // keyloomctl): the rules dialog shows them again.
    void refreshRules();
    // How this desktop follows the application in front, already worded: the
    // line under the rules dialog's title.
    void setFollowingStatus(const QString& text);
    // Whether following is on, and what turns it on or off (the rules
    // dialog's toggle; none hides it).
    void setFollowing(bool on, std::function<void(bool)> turn);

    // A message in the window's own dialog, a question with OK and Cancel;
    // answered is told whether OK was chosen.
    void showMessage(const QString& text, bool question, std::function<void(bool)> answered);
    // Whether the window's message dialog is up (a second one waits).
    bool messageShown() const;
    // Writes the macro being edited, if it has unsaved changes; false when
    // that failed.
    bool saveUnsavedChanges();

    // What the tray menu and the session bus ask for, done as the window's own
    // controls do it and shown at once.
    // The mode (0..2) shown and played; -1 before a profile is shown.
    int shownMode() const;
    // As a mode button (mode 0..2).
    void chooseMode(int mode);
    // The current profile plays a table of a mode (0..2) there, as the
    // key-table chooser has it; false when that mode has no such table.
    bool chooseKeyTable(int mode, uint32_t id);
    // Why an apply cannot go now (no keyboard); empty when it can.
    Reason applyRefusal() const;
    // Requests an apply of flags; with APPLY_NOISY the progress panel shows.
    void applyFromOutside(int32_t flags);
    // The macro tree the macro editor shows, for changes made outside the window.
    MacroTree& macroTree();
    // The stored data changed outside the window (an import by a script): the
    // macro list and the current profile are shown again, and the change is
    // saved shortly.
    void dataChangedOutside();
    // The keyboard as the window's state caption shows it: missing, simulated or connected.
    KeyboardState keyboardShown() const { return applies_.keyboardState(); }
    // The text key of the keyboard's state, as the window's caption says it.
    const char* keyboardStateText() const;

    // Exit, Cancel and Ctrl+Q leave the window: unsaved macro edits are
    // settled first (saved, or the user is asked), then the window hides or
    // the program ends. Nothing happens when the user cancels.
    void requestHide();
    void requestQuit();

    // What Exit and Cancel do; hides the window until the application shell
    // takes it over.
    std::function<void()> hideApplication;
    // What Ctrl+Q does; none until the application shell sets it.
    std::function<void()> quitApplication;
    // What a keyboard pulled out does when the program does not run without one.
    std::function<void()> exitApplication;
    // Told when the keyboard changed the profile (a layer switched, the knob
    // set chosen on the keyboard), which no input to the window shows.
    std::function<void()> dataMayHaveChanged;
    // Told what changed in the window or on the keyboard, for those who follow
    // the program from outside its window (the tray icon, the notifications,
    // the session bus service). Each may be empty.
    struct Watchers {
        // The mode shown and played switched (0..2): by a mode button, a
        // script, or the keyboard's own buttons (byKeyboard).
        std::function<void(int mode, bool byKeyboard)> layerSwitched;
        // The table a mode plays, or the tables themselves, changed.
        std::function<void()> keyTablesChanged;
        // A keyboard plugged in or pulled out.
        std::function<void(bool present)> keyboardChanged;
        // A knob set (0..7) was chosen, in the window or on the keyboard.
        std::function<void(int set)> knobSetChosen;
        // A progress number of a running apply that asked for them (40, 60,
        // 80, 100; 101 when the progress panel closes).
        std::function<void(int progress)> applyProgress;
        // The user chose another language; every text is read again.
        std::function<void()> languageChanged;
    };
    Watchers watchers;
    // Asks for a key-table exchange file: true to save (export), false to open
    // (import); the suggested name; the chosen path, or empty to cancel.
    std::function<QString(bool save, const QString& suggested)> chooseExchangeFile;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    friend class MainViewProbe;  // the widget tests' view of the controls

    static constexpr int kExchangeMenu = 0;   // menu number of the import and export menu
    static constexpr int kExchangeImport = 1;
    static constexpr int kExchangeExport = 2;
    static constexpr int kSetMenu = 1;        // menu number of the key-table menu
    static constexpr int kSetMenuWidth = 163;

    // None means the current profile; nothing happens without one.
    void SetUI(_ST_PROFILE* profile);
    void GetUI(_ST_PROFILE* profile);
    void InitKey(_ST_PROFILE* profile);
    _ST_KEYPRO* GetCurKeyPro() const;
    int GetMIndex() const;
    void btnClick(PngButton* sender);
    void hideDialogView();

    // KbColorViewDelegate, MenuDelegate, ColorGridDelegate, PopViewDelegate.
    void onKeySelect(int key) override;
    // "Q: Ctrl + Shift + B": the key's name and its function in the key table in use.
    QString keyDescription(int key) const override;
    void onMenuClicked(int itemData, int menuId) override;
    void onColorGridClick(bool checked, ColorGridView* sender) override;
    void onKnodDClicked(int setIndex) override;

    // Building (MainViewLayout.cpp).
    void LoadSkins();
    void createWindowButtons(const ButtonAction& click);
    void createModeButtons(const ButtonAction& click);
    void createSetControls(const ButtonAction& click);
    void createPanels();
    void createDialogs();
    // The macro folder read again, and shown again in the editor when it was built.
    void reloadMacros();
    void createCaptions();
    QRectF chooserTitleRect() const;
    void refreshKeyboardState();
    void refreshDataFolder();
    void refreshFollowing();
    // The rules dialog (MainViewRules.cpp).
    void showRules();
    // Shown while there are rules to edit and the key-table chooser shows.
    void refreshRulesButton();

    // Actions (MainViewActions.cpp).
    // Settles unsaved macro edits, then runs one of the leaving callbacks.
    void leaveWith(std::function<void()> MainView::*action);
    // A notice in the window's dialog, said in its language; nothing for an empty reason.
    void tell(const Reason& reason);
    // A question in the window's dialog; answered is told when it closes.
    void ask(const Reason& question, std::function<void(MsgView*)> answered);
    // Shows the progress panel for an apply of flags and requests it.
    void applyWithProgress(int32_t flags);
    // The progress panel's line for a progress number of the running apply.
    QString progressText(int progress) const;
    void onModeButton(int mode);
    void onLanguageChosen();
    void onApply();
    void onRestore();
    void onReset(MsgView* dialog);
    void openLink();

    // Key tables (MainViewKeySets.cpp).
    void showSet();
    void checkModeButton();
    void showSetMenu();
    // Asks for a key table's name: for a new table, or for the shown one's
    // new name (the field starts with the current one). A name the table
    // could not take is refused in the dialog with the reason.
    void askSetName(std::function<void(MsgView*)> done, bool renaming);
    void onNewButton();
    void onNewKeyPro(MsgView* dialog);
    void onRenameKeyPro(MsgView* dialog);
    void onDelKeyPro(MsgView* dialog);
    // The shown table and its keys, after the key tables changed.
    void showKeyTables();
    void showExchangeMenu();
    void importKeyTable();
    void exportKeyTable();

    // Keys (MainViewKeys.cpp).
    void onButtonSet(PickFuncView* picker);

    // The knob (MainViewKnob.cpp).
    void showPoP(int setIndex, _POINT at);
    void onSrOK();
    // Carries out what the knob controller decided.
    void follow(const KnobDecision& decision, KnobChooser by);

    KeyTableController keyTables_;
    ApplyController applies_;
    KnobController knob_;

    // The window picture, and the mode buttons' parts of it and of the pressed window.
    struct Pictures {
        QImage window;
        std::array<QImage, 3> modes, pressedModes;
    };
    static Pictures decodePictures();
    QImage imgNr;
    Pictures pictures_;
    PngButton* btnExit = nullptr;
    PngButton* btnHelp = nullptr;
    ComboBtn* btnText = nullptr;
    PngButton* btnRestroe = nullptr;
    PngButton* btnOk = nullptr;
    PngButton* btnCancel = nullptr;
    PngButton* btnApply = nullptr;
    PngButton* btnMacro = nullptr;
    PngButton* btnPro[3] = {};
    PngButton* btnKeyPro = nullptr;
    PngButton* btnNew = nullptr;
    PngButton* btnDel = nullptr;
    PngButton* btnRename = nullptr;
    PngButton* btnExchange = nullptr;  // the menu that imports or exports the key table in use
    PngButton* btnRules = nullptr;     // opens the rules dialog; shown with the rules and the chooser
    PngButton* btnWeb = nullptr;
    TextStyle textStyleDict;
    HideView* hideView = nullptr;
    // The macro folder as the window read it, shown by the macro editor; the
    // window gives copied macro files ids of their own.
    MacroTree macros_{MacroIdRepair::Rewrite};
    // The dialogs, built on first use.
    LateDialog<MsgView> msgView;
    LateDialog<PickFuncView> funPickView;
    LateDialog<MacroView> macroView;
    LateDialog<ProgressView> progressView;
    LateDialog<SrView> srView;
    LateDialog<ColorPickView> colorPickView;
    LateDialog<RulesView> rulesView;
    LedView4417* ledView = nullptr;
    KbColorView* kbView = nullptr;
    CaptionView* keyboardState = nullptr;      // connected, simulated or not connected
    CaptionView* dataFolderCaption = nullptr;  // hidden for the usual data folder
    CaptionView* followingCaption = nullptr;   // hidden while no rule is active

    QPointer<MenuWindow> setMenu_;
    QPointer<PopWindow> popWindow_;
    std::optional<QPoint> dragFrom_;  // pointer minus window place while dragged by hand
    QString dataFolder_;
    struct Following {
        int layer = -1;
        QString table, app;
    } following_;
    struct Rules {
        FocusRules* rules = nullptr;
        std::function<void()> edited;
        std::function<std::vector<std::string>()> runningApps;
        QString status;
        bool following = true;
        std::function<void(bool)> turnFollowing;
    } rules_;
};

}  // namespace keyloom
