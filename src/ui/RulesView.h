// The rules dialog: the key tables that follow the application in front.
// It lists the rules ("M1 · Gaming · steam_app_570"), a rule whose key table
// is gone greyed with the reason, and edits them with a layer, one of that
// layer's key tables and an application, typed or picked from the running
// ones. Add, Change and Remove go to the rules at once (which save
// themselves), so closing has nothing left to keep. A line under the title
// says how this desktop follows, as the application shell words it.
#pragma once
#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "base/outline.h"
#include "base/reason.h"
#include "store/focus_rules.h"
#include "ui/DialogPanel.h"
#include "widgets/MyOutlineView.h"

class QLabel;

namespace keyloom {

class ComboBtn;
class HideView;
class MyTextFieldCell;
class PngButton;

class RulesView : public DialogPanel, public MyOutlineViewDelegate {
public:
    static constexpr int WIDTH = 508;
    static constexpr int HEIGHT = 420;

    // A hidden dialog centred over owner, which must have its final size.
    explicit RulesView(QWidget* owner);

    // The rules shown and edited (none: an empty list that takes nothing),
    // what is told after each change, and the applications the pick
    // chooser offers (may be empty).
    void setRules(FocusRules* rules, std::function<void()> edited,
                  std::function<std::vector<std::string>()> runningApps);
    // The line under the title: how this desktop follows, already worded.
    void setStatus(const QString& text);
    // The footer's toggle that turns following on and off (hidden without turn).
    void setFollowing(bool on, std::function<void(bool)> turn);
    // Captions that follow the language, and the list's rows.
    void onRefreshText();
    void btnClick(PngButton* sender);
    // The rules, the key tables and the running applications read again.
    void reloadRules();
    // The rules changed, here or elsewhere (the session bus, keyloomctl): the
    // rows are shown again, the chosen rule still chosen while it is there.
    void rulesChanged();
    // Showing the dialog reads them first.
    void setVisible(bool visible) override;

    // The rule the editor holds now.
    FocusRule editedRule() const;
    // The rule selected in the list, -1 for none.
    int selectedRule() const;

    MyOutlineView* listRules = nullptr;
    QLabel* lblStatus = nullptr;
    QLabel* lblNoRules = nullptr;  // in the list while it is empty
    QLabel* lblRefusal = nullptr;
    ComboBtn* btnLayer = nullptr;
    ComboBtn* btnTable = nullptr;
    MyTextFieldCell* fieldApp = nullptr;
    ComboBtn* btnPick = nullptr;  // the running applications
    PngButton* btnAdd = nullptr;
    PngButton* btnChange = nullptr;
    PngButton* btnRemove = nullptr;
    PngButton* btnFollow = nullptr;  // following on (checked) or off

protected:
    void paintEvent(QPaintEvent* event) override;
    // The application field takes the keys when the dialog opens.
    QWidget* initialFocus() override;
    // MyOutlineViewDelegate: a rule chosen in the list fills the editor.
    void onItemClicked(outlineviewData* item, MyOutlineView* list) override;

private:
    void createControls();
    void layoutButtons();
    // The layer's key tables in the table chooser, keeping the named one
    // chosen; else the first with orFirst, or none.
    void fillTables(int layer, const std::string& keep, bool orFirst);
    void fillRunningApps();
    // The key table chosen in the editor; empty for none.
    std::string chosenTable() const;
    void showRows();
    void selectRow(int index);
    void refreshEditButtons();
    // After a change of the rules: shown again, the row selected, the owner told.
    void edited(const Reason& why, int selectRowAfter);
    void showRefusal(const QString& text);
    void close();

    FocusRules* rules_ = nullptr;
    std::function<void()> edited_;
    std::function<std::vector<std::string>()> runningApps_;
    std::function<void(bool)> turnFollowing_;
    outlineviewData rows_;
    std::vector<FocusRule> shown_;  // the rules the rows show
    QString refusal_;
    bool keepEditor_ = false;  // while the rows are shown again
};

// Opens the dialog over the owner's overlay.
void showRulesView(HideView* overlay, RulesView* dialog);

}  // namespace keyloom
