// What the main window's buttons do: modes, language, apply and restore,
// the dialogs, the link; and the apply worker's reports.
#include <QDesktopServices>
#include <QMouseEvent>
#include <QUrl>
#include <QWindow>
#include <algorithm>
#include <string>

#include "base/debug.h"
#include "config/gvar.h"
#include "config/language.h"
#include "device/apply.h"
#include "store/reset.h"
#include "model/st_keypro.h"
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

namespace {

constexpr int32_t kFullApply = APPLY_KEYS | APPLY_LIGHTING | APPLY_KEY_COLORS;
constexpr int32_t kResetApply = APPLY_RESET | APPLY_KEYS | APPLY_LIGHTING;  // sent noisy: 0x8103


}  // namespace

void MainView::btnClick(PngButton* sender) {
    hideDialogView();
    for (int i = 0; i < 3; ++i)
        if (sender == btnPro[i]) return onModeButton(i);
    if (sender == btnText) return onLanguageChosen();
    if (sender == btnExit || sender == btnCancel) return requestHide();
    if (sender == btnRestroe) return onRestore();
    if (sender == btnApply || sender == btnOk) return onApply();
    if (sender == btnWeb) return openLink();
    if (sender == btnMacro) return showMacroView(hideView, macroView);
    if (sender == btnNew) return onNewButton();
    if (sender == btnRename) return askSetName([this](MsgView* dialog) { onRenameKeyPro(dialog); }, GetCurKeyPro());
    if (sender == btnDel) {
        // The question names the table it deletes.
        const _ST_KEYPRO* set = GetCurKeyPro();
        const std::string name = set ? keypro_name(*set) : std::string();
        return showQuestion(hideView, msgView, QString::fromStdString(FormatText("tc_del_keytable_ask", {name})),
                            [this](MsgView* dialog) { onDelKeyPro(dialog); });
    }
    if (sender == btnKeyPro) return showSetMenu();
    if (sender == btnExchange) return showExchangeMenu();
    // btnHelp: nothing.
}

void MainView::hideDialogView() {
    if (!colorPickView->isVisible()) return;
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

bool MainView::keyboardMissing() const {
    return gVar.GoWithNoDev == 0 && !keyboardPresent_;
}

void MainView::onModeButton(int mode) {
    checkModeButton(mode);
    _ST_PROFILE* profile = get_current_profile();
    if (!profile) return;
    profile->nLayer = mode;
    SetAsCurProfile(profile);
}

void MainView::onLanguageChosen() {
    btnText->SetCurSel(SwitchLanguage(btnText->getItemData()));
    UseQtTranslations();
    onRefreshText();
}

void MainView::tellKeyboardMissing() {
    showMsg(hideView, msgView, uiText("tc_kb_plug_in"), MSG_NOTICE, false, nullptr);
}

void MainView::onApply() {
    if (keyboardMissing()) return tellKeyboardMissing();
    applyWithProgress(kFullApply);
}

void MainView::onRestore() {
    if (keyboardMissing()) return tellKeyboardMissing();
    // The question names what a reset touches: the whole lighting, the whole
    // knob and the key table of this mode only (the other modes keep theirs).
    const _ST_KEYPRO* set = GetCurKeyPro();
    const std::string table = set ? keypro_name(*set) : std::string();
    const std::string mode = "M" + std::to_string(std::max(GetMIndex(), 0) + 1);
    showQuestion(hideView, msgView, QString::fromStdString(FormatText("tc_msg5", {table, mode})),
                 [this](MsgView* dialog) { onReset(dialog); });
}

void MainView::onReset(MsgView* dialog) {
    _ST_PROFILE* profile = get_current_profile();
    if (!dialog->bResult || !profile) return;
    ResetProfile(profile);
    ResetKeyPro(GetCurKeyPro());
    UpdateUI();
    applyWithProgress(kResetApply);
}

void MainView::applyWithProgress(int32_t flags) {
    const _ST_PROFILE* profile = get_current_profile();
    const bool gameMode = profile && IsLedGameMode(profile->stAdv.nMode);
    progressSteps_ = ApplySteps(flags, gameMode, GetCurKeyPro() != nullptr);
    progressView->setProgress(0);
    progressView->setStepText(progressText(0));
    showProgress(this, hideView, progressView);
    noisy_apply_kb(flags);
}

QString MainView::progressText(int progress) const {
    // The step under way is the first one not reported done.
    for (size_t i = 0; i < progressSteps_.size(); ++i) {
        if (progressSteps_[i].doneAt <= progress) continue;
        const ApplyStep& step = progressSteps_[i];
        const char* name = step.flag == APPLY_LIGHTING     ? "tc_step_lighting"
                           : step.flag == APPLY_KEY_COLORS ? "tc_step_key_colours"
                                                           : "tc_step_key_table";
        return QString::fromStdString(FormatText("tc_progress_step", {GetText(name), std::to_string(i + 1),
                                                                      std::to_string(progressSteps_.size())}));
    }
    return uiText("tc_msg14");
}

void MainView::openLink() {
    const QString link = uiText("tc_web");
    if (!link.isEmpty()) QDesktopServices::openUrl(QUrl(link));
}

void MainView::updateProgress(int progress) {
    if (progress > 100) {
        progressView->setClose();
        return;
    }
    progressView->setProgress(progress);
    progressView->setStepText(progressText(progress));
}

void MainView::showError2() {
    showMsg(hideView, msgView, uiText("tc_apply_failed"), MSG_NOTICE, false, nullptr);
}

void MainView::onColorGridClick(bool, ColorGridView* sender) {
    if (!sender) return;
    colorPickView->targetView = sender;
    if (sender->bRGB) showColorPick(hideView, colorPickView, sender, true);
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

void MainView::requestHide() {
    leaveWith(&MainView::hideApplication);
}

void MainView::requestQuit() {
    leaveWith(&MainView::quitApplication);
}

void MainView::leaveWith(std::function<void()> MainView::*action) {
    // The answer may come later, from the editor's question; the callback is read then.
    macroView->settleUnsavedChanges([this, action](bool proceed) {
        if (proceed && this->*action) (this->*action)();
    });
}

}  // namespace keyloom
