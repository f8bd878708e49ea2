// The rules dialog of the main window: the key tables that follow the
// application in front. The application shell hands the window its rules and
// the words for how this desktop follows; the dialog is built on first use.
#include "ui/MainView.h"
#include "ui/RulesView.h"
#include "widgets/PngButton.h"

namespace keyloom {

void MainView::setFocusRules(FocusRules* rules, std::function<void()> rulesEdited,
                             std::function<std::vector<std::string>()> runningApps) {
    rules_.rules = rules;
    rules_.edited = std::move(rulesEdited);
    rules_.runningApps = std::move(runningApps);
    if (RulesView* dialog = rulesView.built()) dialog->setRules(rules_.rules, rules_.edited, rules_.runningApps);
    refreshRulesButton();
}

void MainView::refreshRules() {
    if (RulesView* dialog = rulesView.built()) dialog->rulesChanged();
}

void MainView::setFollowingStatus(const QString& text) {
    rules_.status = text;
    if (RulesView* dialog = rulesView.built()) dialog->setStatus(text);
}

void MainView::setFollowing(bool on, std::function<void(bool)> turn) {
    rules_.following = on;
    rules_.turnFollowing = std::move(turn);
    if (RulesView* dialog = rulesView.built()) dialog->setFollowing(on, rules_.turnFollowing);
}

void MainView::refreshRulesButton() {
    btnRules->setVisible(rules_.rules && !btnKeyPro->isHidden());
    update();  // the chooser's title line makes room for it
}

void MainView::showRules() {
    if (!rules_.rules) return;
    showRulesView(hideView, rulesView.get());
}

}  // namespace keyloom
