// What the main window's buttons do: modes, language, apply and restore,
// the dialogs, the link; and the apply worker's reports.
#include <QDesktopServices>
#include <QMouseEvent>
#include <QUrl>
#include <QWindow>
#include <string>

#include "base/debug.h"
#include "config/gvar.h"
#include "config/language.h"
#include "control/restore.h"
#include "model/stprofile.h"
#include "ui/ColorPickView.h"
#include "ui/LedView.h"
#include "ui/MacroView.h"
#include "ui/MainView.h"
#include "ui/MsgView.h"
#include "widgets/ComboBtn.h"
#include "widgets/HideView.h"
#include "widgets/ProgressView.h"
#include "widgets/QtTranslations.h"
#include "widgets/TextDraw.h"

namespace keyloom {

void MainView::btnClick(PngButton* sender) {
    hideDialogView();
    for (int i = 0; i < 3; ++i)
        if (sender == btnPro[i]) return onModeButton(i);
    if (sender == btnText) return onLanguageChosen();
    if (sender == btnExit || sender == btnCancel) return requestHide();
    if (sender == btnRestroe) return onRestore();
    if (sender == btnApply || sender == btnOk) return onApply();
    if (sender == btnWeb) return openLink();
    if (sender == btnMacro) return showMacroView(hideView, macroView.get());
    if (sender == btnNew) return onNewButton();
    if (sender == btnRename) return askSetName([this](MsgView* dialog) { onRenameKeyPro(dialog); }, true);
    if (sender == btnDel) return ask(keyTables_.deleteQuestion(), [this](MsgView* dialog) { onDelKeyPro(dialog); });
    if (sender == btnKeyPro) return showSetMenu();
    if (sender == btnExchange) return showExchangeMenu();
    if (sender == btnRules) return showRules();
    // btnHelp: nothing.
}

void MainView::hideDialogView() {
    if (!colorPickView.shown()) return;
    colorPickView->hide();
    hideView->hide();
}

namespace {

// A press that reaches the window passed through every widget under it. It
// is on the background when none of them is a control that is only switched
// off (a disabled control passes its presses on); panels and dialog plates
// that let presses through are background.
bool pressedOnBackground(const QWidget* window, QPoint at) {
    for (const QWidget* w = window->childAt(at); w && w != window; w = w->parentWidget())
        if (!w->isEnabled()) return false;
    return true;
}

}  // namespace

void MainView::mousePressEvent(QMouseEvent* event) {
    hideDialogView();
    // The background moves the window: by the desktop where it can, else by hand.
    // A press on a control never does: on Wayland the desktop would take the
    // pointer and the control would never see its release.
    dragFrom_.reset();
    if (event->button() == Qt::LeftButton && isWindow() && pressedOnBackground(this, event->position().toPoint())) {
        QWindow* handle = windowHandle();
        if (!handle || !handle->startSystemMove()) dragFrom_ = event->globalPosition().toPoint() - pos();
    }
    QWidget::mousePressEvent(event);
}

void MainView::mouseMoveEvent(QMouseEvent* event) {
    if (dragFrom_ && (event->buttons() & Qt::LeftButton)) move(event->globalPosition().toPoint() - *dragFrom_);
    QWidget::mouseMoveEvent(event);
}

void MainView::mouseReleaseEvent(QMouseEvent* event) {
    dragFrom_.reset();
    QWidget::mouseReleaseEvent(event);
}

void MainView::onModeButton(int mode) {
    const bool played = keyTables_.selectMode(mode);
    checkModeButton();
    if (played) SetAsCurProfile(get_current_profile());
    if (played && watchers.layerSwitched) watchers.layerSwitched(GetMIndex(), false);
}

int MainView::shownMode() const {
    return keyTables_.mode();
}

void MainView::chooseMode(int mode) {
    onModeButton(mode);
    if (dataMayHaveChanged) dataMayHaveChanged();
}

bool MainView::chooseKeyTable(int mode, uint32_t id) {
    if (!keyTables_.chooseFor(mode, id)) return false;
    showKeyTables();
    if (dataMayHaveChanged) dataMayHaveChanged();
    return true;
}

MacroTree& MainView::macroTree() {
    return macros_;
}

void MainView::reloadMacros() {
    if (MacroView* editor = macroView.built())
        editor->ReloadMacroList();
    else
        macros_.ReloadMacroList();
}

void MainView::dataChangedOutside() {
    reloadMacros();
    SetAsCurProfile(get_current_profile());
    if (dataMayHaveChanged) dataMayHaveChanged();
}

Reason MainView::applyRefusal() const {
    return applies_.refusal();
}

void MainView::applyFromOutside(int32_t flags) {
    if (flags & APPLY_NOISY)
        applyWithProgress(flags);
    else
        quiet_apply_kb(flags);
}

const char* MainView::keyboardStateText() const {
    return applies_.keyboardStateText();
}

void MainView::onLanguageChosen() {
    btnText->SetCurSel(SwitchLanguage(btnText->getItemData()));
    UseQtTranslations(QString::fromStdString(CurrentLanguageDir()));
    onRefreshText();
    if (watchers.languageChanged) watchers.languageChanged();
}

void MainView::tell(const Reason& reason) {
    if (reason.empty()) return;
    showMsg(hideView, msgView.get(), QString::fromStdString(ReasonText(reason)), MSG_NOTICE, false, nullptr);
}

void MainView::ask(const Reason& question, MsgCallback answered) {
    showQuestion(hideView, msgView.get(), QString::fromStdString(ReasonText(question)), std::move(answered));
}

void MainView::onApply() {
    if (Reason missing = applies_.refusal(); !missing.empty()) return tell(missing);
    applyWithProgress(ApplyController::kEverything);
}

void MainView::onRestore() {
    if (Reason missing = applies_.refusal(); !missing.empty()) return tell(missing);
    ask(RestoreQuestion(GetCurKeyPro(), GetMIndex()), [this](MsgView* dialog) { onReset(dialog); });
}

void MainView::onReset(MsgView* dialog) {
    _ST_PROFILE* profile = get_current_profile();
    if (!dialog->bResult || !profile) return;
    RestoreDefaults(*profile, GetCurKeyPro());
    UpdateUI();
    applyWithProgress(ApplyController::kReset);
}

void MainView::applyWithProgress(int32_t flags) {
    applies_.requestWithProgress(flags, GetCurKeyPro() != nullptr);
    progressView->setProgress(0);
    progressView->setStepText(progressText(0));
    showProgress(this, hideView, progressView.get());
}

QString MainView::progressText(int progress) const {
    const std::optional<ApplyStepLine> step = applies_.stepAt(progress);
    if (!step) return uiText("tc_msg14");
    return QString::fromStdString(FormatText(
        "tc_progress_step", {GetText(step->what), std::to_string(step->number), std::to_string(step->count)}));
}

void MainView::openLink() {
    const QString link = uiText("tc_web");
    if (!link.isEmpty()) QDesktopServices::openUrl(QUrl(link));
}

void MainView::updateProgress(int progress) {
    if (watchers.applyProgress) watchers.applyProgress(progress);
    // An apply without its panel (asked from outside) has nothing to show.
    ProgressView* panel = progressView.built();
    if (!panel) return;
    if (progress > 100) {
        panel->setClose();
        return;
    }
    panel->setProgress(progress);
    panel->setStepText(progressText(progress));
}

void MainView::showError2() {
    tell(MakeReason("tc_apply_failed"));
}

void MainView::onColorGridClick(bool, ColorGridView* sender) {
    if (!sender) return;
    colorPickView->targetView = sender;
    if (sender->bRGB) showColorPick(hideView, colorPickView.get(), sender, true);
}

void MainView::SetAsCurProfile(_ST_PROFILE* profile) {
    if (!profile || profile->dwID == 0) return;
    LOG("SetAsCurProfile for 0x%x", profile->dwID);
    set_current_profile(profile);
    UpdateUI();
}

void MainView::UpdateUI() {
    SetUI(nullptr);
    ledView->SetUI(nullptr);
}

void MainView::showMessage(const QString& text, bool question, std::function<void(bool)> answered) {
    showMsg(hideView, msgView.get(), text, question ? MSG_QUESTION : MSG_NOTICE, false,
            [answered = std::move(answered)](MsgView* dialog) { answered(dialog->bResult); });
}

bool MainView::messageShown() const {
    return msgView.shown();
}

bool MainView::saveUnsavedChanges() {
    MacroView* editor = macroView.built();
    return !editor || editor->saveUnsavedChanges();
}

void MainView::requestHide() {
    leaveWith(&MainView::hideApplication);
}

void MainView::requestQuit() {
    leaveWith(&MainView::quitApplication);
}

void MainView::leaveWith(std::function<void()> MainView::*action) {
    // The answer may come later, from the editor's question; the callback is read then.
    auto proceed = [this, action](bool go) {
        if (go && this->*action) (this->*action)();
    };
    if (MacroView* editor = macroView.built())
        editor->settleUnsavedChanges(proceed);
    else
        proceed(true);  // an editor never opened has nothing unsaved
}

}  // namespace keyloom
