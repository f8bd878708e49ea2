// Core alerts as Qt message boxes. Alerts may come from the apply worker; they
// are shown on the GUI thread: messages without waiting, questions by waiting
// for the answer there.
#pragma once
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

private:
    std::function<void()> exitRequest_;
    QWidget* parent_ = nullptr;
};

}  // namespace keyloom
