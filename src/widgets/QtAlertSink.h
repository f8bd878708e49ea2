// Core alerts as Qt message boxes. Alerts may come from the apply worker; they
// are shown on the GUI thread: messages without waiting, questions by waiting
// for the answer there.
#pragma once
#include <atomic>
#include <functional>

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
    // Off while the program ends, when no one may be there to answer: messages
    // go to standard error and questions are answered "Cancel".
    void setInteractive(bool interactive) { interactive_ = interactive; }

private:
    std::function<void()> exitRequest_;
    QWidget* parent_ = nullptr;
    std::atomic<bool> interactive_ = true;
};

}  // namespace keyloom
