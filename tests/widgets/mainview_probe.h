// The widget tests' way into the main window: the controls a test clicks,
// reads or answers, and the few steps a test takes by hand that no control
// offers (a button's action without its click, the knob settings of a set).
#pragma once
#include "ui/MainView.h"

namespace keyloom {

class MainViewProbe {
public:
    explicit MainViewProbe(MainView& view) : view_(view) {}

    PngButton* btnExit() const { return view_.btnExit; }
    PngButton* btnHelp() const { return view_.btnHelp; }
    ComboBtn* btnText() const { return view_.btnText; }
    PngButton* btnRestroe() const { return view_.btnRestroe; }
    PngButton* btnOk() const { return view_.btnOk; }
    PngButton* btnCancel() const { return view_.btnCancel; }
    PngButton* btnApply() const { return view_.btnApply; }
    PngButton* btnMacro() const { return view_.btnMacro; }
    PngButton* btnPro(int mode) const { return view_.btnPro[mode]; }
    PngButton* btnKeyPro() const { return view_.btnKeyPro; }
    PngButton* btnNew() const { return view_.btnNew; }
    PngButton* btnDel() const { return view_.btnDel; }
    PngButton* btnRename() const { return view_.btnRename; }
    PngButton* btnExchange() const { return view_.btnExchange; }
    PngButton* btnRules() const { return view_.btnRules; }
    PngButton* btnWeb() const { return view_.btnWeb; }
    HideView* hideView() const { return view_.hideView; }
    MsgView* msgView() const { return view_.msgView.get(); }
    PickFuncView* funPickView() const { return view_.funPickView.get(); }
    MacroView* macroView() const { return view_.macroView.get(); }
    ProgressView* progressView() const { return view_.progressView.get(); }
    SrView* srView() const { return view_.srView.get(); }
    ColorPickView* colorPickView() const { return view_.colorPickView.get(); }
    // The rules dialog, null until it was first opened.
    RulesView* rulesViewBuilt() const { return view_.rulesView.built(); }
    // Where the window draws the key-table chooser's title (bottom-left origin).
    QRectF chooserTitleRect() const { return view_.chooserTitleRect(); }
    LedView4417* ledView() const { return view_.ledView; }
    KbColorView* kbView() const { return view_.kbView; }
    CaptionView* keyboardState() const { return view_.keyboardState; }
    CaptionView* dataFolderCaption() const { return view_.dataFolderCaption; }
    CaptionView* followingCaption() const { return view_.followingCaption; }
    // The key-table or exchange menu while it is open.
    MenuWindow* setMenu() const { return view_.setMenu_; }
    // The knob pop-up while it is open.
    PopWindow* popWindow() const { return view_.popWindow_; }
    // The window's picture.
    const QImage& imgNr() const { return view_.imgNr; }
    // The mode selected, 0..2.
    int GetMIndex() const { return view_.GetMIndex(); }

    // The key map's marks and colours again, after a test changed the table.
    void InitKey() { view_.InitKey(nullptr); }
    // What a click on the button does, without the click.
    void btnClick(PngButton* sender) { view_.btnClick(sender); }
    // What a double click on a set of the knob pop-up does.
    void onKnodDClicked(int setIndex) { view_.onKnodDClicked(setIndex); }

private:
    MainView& view_;
};

}  // namespace keyloom
