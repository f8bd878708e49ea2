// The keyloom application: the start-up steps in their order on the main
// thread, the hidden and shown window, and one termination sequence that
// every way of quitting reaches (Ctrl+Q, `keyloom --quit`, SIGTERM, SIGINT
// and SIGHUP, the end of the desktop session, a keyboard pulled out when the
// program does not run without one).
#pragma once
#include <QObject>
#include <memory>
#include <string>

#include "AppOptions.h"

class QSocketNotifier;

namespace keyloom {
class MainView;
class QtAlertSink;
class QtMainLoop;
class SimKeyboard;
class SimKeyboardView;
}  // namespace keyloom

namespace keyloom::app {

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
    // Hides every window; the program, its worker and the link run on.
    void hideWindows();
    // Asks the event loop to end; the termination sequence follows.
    void quit();
    // Saves the stored data (also when the desktop session ends).
    void saveData();

    MainView* view() const { return view_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Says why start-up ends (a message box, and standard error); the exit code.
    int fail(const std::string& text);
    void watchSignals();
    void terminate();

    AppOptions options_;
    std::unique_ptr<QtAlertSink> alerts_;
    std::unique_ptr<QtMainLoop> loop_;
    std::shared_ptr<SimKeyboard> sim_;
    MainView* view_ = nullptr;
    SimKeyboardView* simView_ = nullptr;  // with --simulate: the keyboard's own window
    QSocketNotifier* signals_ = nullptr;
    bool running_ = false;  // start-up went through: the event loop runs
    bool quitting_ = false;
    bool terminated_ = false;
};

}  // namespace keyloom::app
