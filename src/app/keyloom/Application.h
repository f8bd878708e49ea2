// The keyloom application: the start-up steps in their order on the main
// thread, the hidden and shown window, the saves made as the user works, and
// one termination sequence that every way of quitting reaches (Ctrl+Q,
// `keyloom --quit`, SIGTERM, SIGINT and SIGHUP, the end of the desktop
// session, a keyboard pulled out when the program does not run without one).
// The end never waits for anyone: it shows no alert, and a save that fails
// there is told on standard error and in the exit code.
#pragma once
#include <QByteArray>
#include <QObject>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "AppEvents.h"
#include "AppOptions.h"
#include "store/startup_data.h"

class QSocketNotifier;

namespace keyloom {
class MainView;
class QtAlertSink;
class QtMainLoop;
class SimKeyboard;
class SimKeyboardView;
}  // namespace keyloom

namespace keyloom::app {

class AutoSave;
class FocusFollower;

class Application : public QObject {
public:
    explicit Application(const AppOptions& options);
    ~Application() override;

    // Start-up up to the current profile shown (the window not yet shown).
    // Zero when the program runs on, else the exit code: the reason has been
    // shown and nothing was saved.
    int start();
    // Shows the window in front (a second start asks for this).
    void showWindow();
    // Does then once the window's first frame is painted, or at once when
    // that frame is past or the window is not shown: what the window does
    // not need waits until it shows.
    void afterFirstFrame(std::function<void()> then);
    // Hides every window; the program, its worker and the link run on.
    void hideWindows();
    // Ends the event loop at once; the termination sequence follows.
    void quit();
    bool quitting() const { return quitting_; }
    // Saves whatever is unsaved without asking (the desktop session ends, or
    // the program does); false when something could not be saved.
    bool saveWithoutAsking(std::string* failure = nullptr);
    // The termination sequence (once); the exit code: 1 when the data could
    // not be saved.
    int terminate();

    // Told once, as the program ends, whether everything was saved: "saved",
    // or "not saved: <why>".
    std::function<void(const QByteArray& line)> onEnded;

    MainView* view() const { return view_; }
    // What happens while the program runs; listeners are added before start().
    AppEvents& events() { return events_; }
    // Whether the window is shown (not hidden to keep running).
    bool windowShown() const;
    // What start-up found and did to the stored data.
    const StartupDataReport& startupReport() const { return startupReport_; }
    // Key tables that follow the application in front; there from start().
    FocusFollower* follower() const { return follower_; }
    // Reads the rules and starts following (after the first frame); busName:
    // keyloom's name on the session bus, empty without one.
    void startFollowing(const QString& busName);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

    std::vector<std::function<void()>> afterFirstFrame_;
    bool firstFramePainted_ = false;

private:
    // Says why start-up ends (a message box, and standard error); the exit code.
    int fail(const std::string& text);
    void watchSignals();
    // Shows a core alert (a notice, or a question with OK and Cancel) in the
    // window's message dialog; false while the dialog shows something else.
    bool showAlert(const QString& text, bool question, std::function<void(bool)> answered);

    // How following works on this desktop, and whether it is on, to the window.
    void showFollowingState();
    // Passes what the window and the apply worker report on to the events.
    void reportEvents();

    AppOptions options_;
    AppEvents events_;
    std::unique_ptr<QtAlertSink> alerts_;
    std::unique_ptr<QtMainLoop> loop_;
    std::shared_ptr<SimKeyboard> sim_;
    MainView* view_ = nullptr;
    SimKeyboardView* simView_ = nullptr;  // with --simulate: the keyboard's own window
    QSocketNotifier* signals_ = nullptr;
    AutoSave* autoSave_ = nullptr;
    FocusFollower* follower_ = nullptr;
    StartupDataReport startupReport_;
    bool running_ = false;  // start-up went through: the event loop runs
    bool quitting_ = false;
    bool terminated_ = false;
    int exitCode_ = 0;
};

}  // namespace keyloom::app
