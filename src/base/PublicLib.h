// Modal system alerts and the application's exit, reached from core code
// through a sink the application installs: message boxes in the window,
// standard error in keyloomctl, a recorder in tests.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace keyloom {

class AlertSink {
public:
    virtual ~AlertSink() = default;
    // Shows a message with an "OK" button and returns when it is dismissed.
    virtual void showMessage(const std::string& title, const std::string& text) = 0;
    // Shows a question with "OK" and "Cancel"; true for "OK".
    virtual bool askQuestion(const std::string& title, const std::string& text) = 0;
    // Asks the application to terminate.
    virtual void exitApp() = 0;
};

class PubLib {
public:
    // The sink is not owned; nullptr restores the default (standard error, answers "Cancel").
    static void setAlertSink(AlertSink* sink);

    static void showSystemMessage(const std::string& msg, const std::string& title, const void* parent,
                                  const char* ico);
    static void showSysMsg(const std::string& msg, const std::string& title, const char* ico);
    static bool querySystemMessage(const std::string& msg, const std::string& title, const char* ico);
    static void exitApp();

    // Like INIFiler::NSStringToInt, but a missing or empty text gives -1 and no success.
    static int32_t NSStringToInt(const std::optional<std::string>& text, int radix, bool* success = nullptr);
    // The folder holding the running executable, ending with "/".
    static std::string get_current_path();
};

// Shows a plain alert; owner and flags are accepted for the call's shape only.
int MessageBox(const void* owner, const char* msg, const char* title, uint32_t flags);

}  // namespace keyloom
