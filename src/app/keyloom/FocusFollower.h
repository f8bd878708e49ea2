// Key tables that follow the application in front. The rules
// ("focus_rules.txt") say which table a layer plays while an application is
// in front; a desktop's focus source reports the application. A focus that
// stays 300 ms is acted on, so Alt+Tab through several windows makes one
// switch: each layer plays its rule's table (in the apply's snapshot only,
// the profile keeps the user's choice), and when the layer the keyboard is on
// plays another table than the keyboard holds, that key table is written.
// An application without a rule, or following turned off, gives every layer
// back the user's own table at once.
#pragma once
#include <QObject>
#include <QString>
#include <QTimer>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "FocusSource.h"
#include "store/focus_rules.h"

namespace keyloom::app {

class FocusFollower : public QObject {
public:
    static constexpr int kSettleMs = 300;

    // apply: writes the key table of the keyboard's layer (the key table apply).
    explicit FocusFollower(std::function<void()> applyKeys, QObject* parent = nullptr);
    ~FocusFollower() override;

    // Reads the rules and starts the first focus source that works, asking
    // them in turn without waiting on the desktop; logs once which one, or
    // that this desktop offers none. busName: keyloom's name on the session
    // bus, which desktop scripts call; empty without one.
    void start(const QString& busName);
    // The focus source in use ("X11", "KWin", ...), or empty: no following here.
    std::string sourceName() const { return source_ ? source_->name() : std::string(); }
    // The applications with a window now, as far as the focus source tells;
    // not keyloom, which is never followed.
    std::vector<std::string> runningApps() const;

    // The application in front, as a source or the session bus reports it.
    void focusChanged(const std::string& app);
    // The keyboard or the window switched the layer: the new layer plays its
    // followed table, written when the keyboard does not hold it.
    void layerSwitched();
    // The key tables changed (renamed, deleted): rules are matched again.
    void tablesChanged();

    bool following() const { return following_; }
    // How this desktop follows, for the rules dialog: turned off, still
    // asking the desktop, the focus source, what would make following work,
    // or that nothing does.
    Reason status() const;
    // Off: every layer plays the user's table again, at once.
    void setFollowing(bool on);

    FocusRules& rules() { return rules_; }
    // After the rules changed: they are matched again at once, and
    // onChanged is told.
    void rulesChanged();

    // The active rule of the keyboard's layer, as shown: layer, table, and
    // the application; all empty when none is active.
    struct Active {
        int layer = -1;
        std::string table;
        std::string app;
        bool operator==(const Active&) const = default;
    };
    Active active() const { return active_; }
    // Told when active(), following() or status() changed.
    std::function<void()> onChanged;

private:
    // Matches the application in front and the rules, and writes what must
    // go; tells onActiveChanged when the active rule changed, or with tell.
    void reconcile(bool tell = false);
    // Makes and starts the first focus source from `index` on in the order
    // they are tried; the next one when it does not start.
    void startCandidate(size_t index);
    void candidateStarted(size_t next, bool started);

    std::function<void()> applyKeys_;
    std::unique_ptr<FocusSource> source_;
    // While the sources are tried in turn: how to make each, and the one asked now.
    std::vector<std::function<std::unique_ptr<FocusSource>()>> candidates_;
    std::unique_ptr<FocusSource> trying_;
    Reason remedy_;  // of the first source that could not start, when one tells
    FocusRules rules_;
    QTimer settle_;
    std::string pending_;  // reported, waiting to settle
    std::string front_;    // settled
    bool following_ = true;
    // The table the keyboard holds for each layer, as far as following knows:
    // 0 = the user's own.
    std::array<uint32_t, 3> onKeyboard_{};
    Active active_;
};

}  // namespace keyloom::app
