// The main window's content: the key map, the lighting panel, the mode
// buttons M1..M3, the chooser of the key table used in the current mode with
// its New, Delete and Rename buttons, and Restore, OK, Cancel and Apply. It
// owns the dialogs and the dimming overlay behind them and connects what the
// user does to the current profile, the key tables and the apply worker.
#pragma once
#include <QImage>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

#include "device/Dev6120.h"
#include "device/apply_sequence.h"
#include "ui/ColorGridView.h"
#include "ui/KbColorView.h"
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
class SrView;
struct _ST_KEYPRO;
struct _ST_PROFILE;

class MainView : public QWidget,
                 public ApplyTarget,
                 public DeviceEvents,
                 public PopViewDelegate,
                 public KbColorViewDelegate,
                 public MenuDelegate,
                 public ColorGridDelegate {
public:
    static constexpr int kExchangeMenu = 0;   // menu number of the import and export menu
    static constexpr int kExchangeImport = 1;
    static constexpr int kExchangeExport = 2;
    static constexpr int kSetMenu = 1;        // menu number of the key-table menu
    static constexpr int kSetMenuWidth = 163;
    static constexpr int kSetNameBytes = 39;  // what a key table stores

    // The window's content over the loaded data, sized from "main_nr.png" and
    // built at once. link (may be none) is the device link the buttons ask
    // whether a keyboard is there.
    explicit MainView(Dev6120* link, QWidget* parent = nullptr);
    ~MainView() override;

    void onRefreshText();
    // None means the current profile; nothing happens without one.
    void SetUI(_ST_PROFILE* profile);
    void GetUI(_ST_PROFILE* profile);
    void UpdateUI();
    void InitKey(_ST_PROFILE* profile);
    _ST_KEYPRO* GetCurKeyPro() const;
    int GetMIndex() const;
    void SetAsCurProfile(_ST_PROFILE* profile);
    void btnClick(PngButton* sender);
    void hideDialogView();

    // The key table menu while it is open.
    MenuWindow* setMenu() const { return setMenu_; }

    // KbColorViewDelegate, MenuDelegate, ColorGridDelegate.
    void onKeySelect(int key) override;
    // "Q: Ctrl + Shift + B": the key's name and its function in the key table in use.
    QString keyDescription(int key) const override;
    void onMenuClicked(int itemData, int menuId) override;
    void onColorGridClick(bool checked, ColorGridView* sender) override;
    // ApplyTarget: the worker's reports, on the main loop.
    void updateProgress(int progress) override;
    void showError2() override;

    // Knob pop-up and knob settings (MainViewKnob.cpp).
    void showPoP(int setIndex);
    // Closes an open pop-up, keeping its set and place in the profile.
    void closePoP();
    PopWindow* popWindow() const { return popWindow_; }
    void onKnodDClicked(int setIndex) override;
    void onSrOK();
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
    // Asks for a key-table exchange file: true to save (export), false to open
    // (import); the suggested name; the chosen path, or empty to cancel.
    std::function<QString(bool save, const QString& suggested)> chooseExchangeFile;

    QImage imgNr, imgOv;
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
    PngButton* btnWeb = nullptr;
    TextStyle textStyleDict;
    HideView* hideView = nullptr;
    MsgView* msgView = nullptr;
    PickFuncView* funPickView = nullptr;
    MacroView* macroView = nullptr;
    ProgressView* progressView = nullptr;
    SrView* srView = nullptr;
    ColorPickView* colorPickView = nullptr;
    LedView4417* ledView = nullptr;
    KbColorView* kbView = nullptr;
    CaptionView* keyboardState = nullptr;      // connected, simulated or not connected
    CaptionView* dataFolderCaption = nullptr;  // hidden for the usual data folder

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // Building (MainViewLayout.cpp).
    void LoadSkins();
    void createWindowButtons(const ButtonAction& click);
    void createModeButtons(const ButtonAction& click);
    void createSetControls(const ButtonAction& click);
    void createPanels();
    void createDialogs();
    void createCaptions();
    QRectF chooserTitleRect() const;
    void refreshKeyboardState();
    void refreshDataFolder();

    // Actions (MainViewActions.cpp).
    // Settles unsaved macro edits, then runs one of the leaving callbacks.
    void leaveWith(std::function<void()> MainView::*action);
    bool keyboardMissing() const;
    // Says that the keyboard is not there and how it comes back.
    void tellKeyboardMissing();
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
    void showSet(const _ST_KEYPRO* set);
    void checkModeButton(int mode);
    void showSetMenu();
    // Asks for a key table's name: for a new table, or, given one, its new
    // name (the field starts with the current one). A name the table could not
    // take is refused in the dialog with the reason.
    void askSetName(std::function<void(MsgView*)> done, const _ST_KEYPRO* renamed = nullptr);
    // New: asks for the name, or says that no more tables fit.
    void onNewButton();
    void tellKeyTablesFull();
    void onNewKeyPro(MsgView* dialog);
    void onRenameKeyPro(MsgView* dialog);
    void onDelKeyPro(MsgView* dialog);
    void selectFirstSetOfMode(int mode);
    void showExchangeMenu();
    void importKeyTable();
    void exportKeyTable();

    // Keys (MainViewKeys.cpp).
    void onButtonSet(PickFuncView* picker);
    void onKnobRow();

    Dev6120* link_ = nullptr;
    QPointer<MenuWindow> setMenu_;
    QPointer<PopWindow> popWindow_;
    std::optional<QPoint> dragFrom_;  // pointer minus window place while dragged by hand
    bool simulated_ = false;
    // Whether the link holds a keyboard, as its attach and removal reports
    // said: asking the link itself would wait for a running transfer.
    bool keyboardPresent_ = false;
    QString dataFolder_;
    std::vector<ApplyStep> progressSteps_;  // what the running apply writes
};

// The form a key table stores a name in: UTF-8, at most maxBytes bytes,
// never a split character.
QByteArray storedSetName(const QString& name, int maxBytes);

}  // namespace keyloom
