// Core alerts on the GUI thread: in the window's own message dialog once the
// window exists, as plain message boxes before. Once the event loop runs, an
// alert on the GUI thread returns when it is closed; a notice of start-up
// does not hold start-up up. Alerts may come from the apply worker: its
// messages are shown without waiting, its questions wait for the answer.
#pragma once
#include <QEventLoop>
#include <QPointer>
#include <QString>
#include <atomic>
#include <deque>
#include <functional>
#include <vector>

#include "base/PublicLib.h"

class QWidget;

namespace keyloom {

class QtAlertSink final : public AlertSink {
public:
    // exitRequest runs on the GUI thread when core code asks the program to end.
    explicit QtAlertSink(std::function<void()> exitRequest);

    void showMessage(const std::string& title, const std::string& text) override;
    bool askQuestion(const std::string& title, const std::string& text) override;
    void exitApp() override;

    // The window the boxes are centred on; none = the active window.
    void setParentWindow(QWidget* parent) { parent_ = parent; }

    // Shows one alert in the window and calls `answered` once it is closed
    // (true for OK). False when the window cannot show it now (its dialog is
    // busy); the alert then waits and is offered again.
    using WindowMessage = std::function<bool(const QString& text, bool question, std::function<void(bool)> answered)>;
    // From now on messages go to the window, one at a time, in order, and
    // questions too when asks is true (else they stay plain boxes).
    void setWindowMessages(WindowMessage present, bool asks);
    // Off while the program ends, when no one may be there to answer: messages
    // go to standard error and questions are answered "Cancel".
    // Turning it off also ends every wait for an alert shown (GUI thread).
    void setInteractive(bool interactive);

private:
    struct Pending {
        QString text;
        bool question = false;
        std::function<void(bool)> answered;
    };
    // Offers the first waiting alert to the window (GUI thread only).
    void showNext();
    // GUI thread: shows a message or asks, in the window or in a box.
    void present(const QString& text, bool question, std::function<void(bool)> answered);
    // Presents an alert on the GUI thread and returns its answer once it is closed.
    bool waitForAnswer(const QString& text, bool question);

    std::function<void()> exitRequest_;
    QWidget* parent_ = nullptr;
    std::atomic<bool> interactive_ = true;
    WindowMessage window_;
    std::vector<QPointer<QEventLoop>> waits_;  // of alerts shown on the GUI thread, innermost last
    std::deque<Pending> waiting_;
    bool windowBusy_ = false;  // an alert of ours is up in the window
    bool windowAsks_ = false;
};

}  // namespace keyloom
