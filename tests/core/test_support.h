// Small helpers shared by the core tests:
//   RecordingAlertSink - installs itself as the PubLib alert sink and records every alert;
//   LogCapture         - captures LOG and SysLog lines, restoring LOG, g_bDebug and the
//                        system-log target when it goes out of scope;
//   ScopedEnv          - sets or unsets an environment variable for one scope;
//   TempDir            - a fresh directory removed with everything in it at scope end;
//   RunCommand         - runs a shell command and collects its output and exit status.
#pragma once

#include <stdlib.h>
#include <sys/wait.h>

#include <array>
#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "base/PublicLib.h"
#include "base/debug.h"

namespace keyloom::test {

class RecordingAlertSink : public AlertSink {
public:
    struct Alert {
        bool question;  // true for querySystemMessage
        std::string title;
        std::string text;
    };

    RecordingAlertSink() { PubLib::setAlertSink(this); }
    ~RecordingAlertSink() override { PubLib::setAlertSink(nullptr); }
    RecordingAlertSink(const RecordingAlertSink&) = delete;
    RecordingAlertSink& operator=(const RecordingAlertSink&) = delete;

    void showMessage(const std::string& title, const std::string& text) override {
        alerts.push_back({false, title, text});
    }
    bool askQuestion(const std::string& title, const std::string& text) override {
        alerts.push_back({true, title, text});
        return answer;
    }
    void exitApp() override { ++exitRequests; }

    std::vector<Alert> alerts;
    bool answer = false;  // what every question is answered: true = "OK", false = "Cancel"
    int exitRequests = 0;
};

// Only one LogCapture may be alive at a time (LOG is a plain function pointer).
class LogCapture {
public:
    explicit LogCapture(int32_t debugLevel = 1) : savedLog_(LOG), savedLevel_(g_bDebug) {
        clear();
        LOG = &record_log;
        g_bDebug = debugLevel;
        SetSysLogSink(&record_sys);
    }
    ~LogCapture() {
        LOG = savedLog_;
        g_bDebug = savedLevel_;
        SetSysLogSink(nullptr);
    }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // Each entry is one call, formatted.
    std::vector<std::string> lines() const { return copy(store().log); }
    std::vector<std::string> sysLines() const { return copy(store().sys); }
    void clear() {
        std::lock_guard<std::mutex> lock(store().mutex);
        store().log.clear();
        store().sys.clear();
    }

private:
    struct Store {
        std::mutex mutex;  // worker threads log too
        std::vector<std::string> log;
        std::vector<std::string> sys;
    };
    static Store& store() {
        static Store s;
        return s;
    }
    static std::vector<std::string> copy(const std::vector<std::string>& v) {
        std::lock_guard<std::mutex> lock(store().mutex);
        return v;
    }
    static void vrecord(std::vector<std::string>& into, const char* fmt, va_list args) {
        va_list copyArgs;
        va_copy(copyArgs, args);
        int n = std::vsnprintf(nullptr, 0, fmt, copyArgs);
        va_end(copyArgs);
        std::string text(n > 0 ? static_cast<size_t>(n) : 0, '\0');
        if (n > 0) std::vsnprintf(text.data(), text.size() + 1, fmt, args);
        std::lock_guard<std::mutex> lock(store().mutex);
        into.push_back(std::move(text));
    }
    static void record_log(const char* fmt, ...) {
        va_list args;
        va_start(args, fmt);
        vrecord(store().log, fmt, args);
        va_end(args);
    }
    static void record_sys(const char* fmt, ...) {
        va_list args;
        va_start(args, fmt);
        vrecord(store().sys, fmt, args);
        va_end(args);
    }

    LogFunc savedLog_;
    int32_t savedLevel_;
};

// Sets (or, with std::nullopt, unsets) a variable and restores the old state.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
        if (const char* old = ::getenv(name)) old_ = old;
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_)
            ::setenv(name_.c_str(), old_->c_str(), 1);
        else
            ::unsetenv(name_.c_str());
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

// Runs a shell command; its standard output and exit status (-1 when it did not exit).
struct CommandRun {
    int status = -1;
    std::string out;
};
inline CommandRun RunCommand(const std::string& command) {
    CommandRun run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return run;
    std::array<char, 4096> buf;
    size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), pipe)) > 0) run.out.append(buf.data(), n);
    int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

class TempDir {
public:
    TempDir() {
        std::string base = std::filesystem::temp_directory_path().string() + "/keyloom-test-XXXXXX";
        std::vector<char> buf(base.begin(), base.end());
        buf.push_back('\0');
        if (::mkdtemp(buf.data())) path_ = buf.data();
    }
    ~TempDir() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The directory, without a trailing "/"; empty if it could not be made.
    const std::string& path() const { return path_; }
    // `name` inside the directory.
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

}  // namespace keyloom::test
