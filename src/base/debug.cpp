// The diagnostic trace: sink selection at start, the three sinks, the
// always-on system-log channel, and the bounded formatting and dump helpers.
#include "base/debug.h"

#include <syslog.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <string>
#include <sys/stat.h>

namespace keyloom {

int32_t g_bDebug = 0;
LogFunc LOG = LogToNULL;
char szLogFile[260] = {};

namespace {

constexpr size_t kDumpLine = 512;

std::mutex g_fileMutex;  // keeps each file line whole when threads log at once
std::atomic<LogFunc> g_sysLogSink{nullptr};

void open_syslog_once() {
    static std::once_flag once;
    std::call_once(once, [] { openlog("keyloom", LOG_PID, LOG_USER); });
}

bool is_directory(const std::string& path) {
    struct stat st{};
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Parses one `XDG_DESKTOP_DIR="..."` line of user-dirs.dirs. The value is
// either absolute or starts with $HOME; quotes and backslashes may be escaped.
bool parse_desktop_line(const std::string& line, const std::string& home, std::string& out) {
    size_t i = line.find_first_not_of(" \t");
    static const std::string key = "XDG_DESKTOP_DIR";
    if (i == std::string::npos || line.compare(i, key.size(), key) != 0) return false;
    i = line.find_first_not_of(" \t", i + key.size());
    if (i == std::string::npos || line[i] != '=') return false;
    i = line.find_first_not_of(" \t", i + 1);
    if (i == std::string::npos || line[i] != '"') return false;
    std::string value;
    bool closed = false;
    for (++i; i < line.size(); ++i) {
        if (line[i] == '\\' && i + 1 < line.size()) {
            value += line[++i];
        } else if (line[i] == '"') {
            closed = true;
            break;
        } else {
            value += line[i];
        }
    }
    if (!closed) return false;
    if (value.compare(0, 5, "$HOME") == 0 && (value.size() == 5 || value[5] == '/')) {
        if (home.empty()) return false;
        value = home + value.substr(5);
    }
    if (value.empty() || value[0] != '/') return false;
    while (value.size() > 1 && value.back() == '/') value.pop_back();
    out = value;
    return true;
}

// The user's desktop directory, or an empty text when there is none.
std::string desktop_dir() {
    const char* homeEnv = std::getenv("HOME");
    std::string home = homeEnv ? homeEnv : "";
    while (home.size() > 1 && home.back() == '/') home.pop_back();

    const char* cfgEnv = std::getenv("XDG_CONFIG_HOME");
    std::string cfg = (cfgEnv && cfgEnv[0] == '/') ? cfgEnv : (home.empty() ? "" : home + "/.config");
    if (!cfg.empty()) {
        std::ifstream in(cfg + "/user-dirs.dirs");
        std::string line, found;
        while (std::getline(in, line)) {
            std::string value;
            if (parse_desktop_line(line, home, value)) found = value;  // the last one wins
        }
        if (!found.empty()) return found;
    }
    if (!home.empty() && is_directory(home + "/Desktop")) return home + "/Desktop";
    return {};
}

void vsyslog_info(const char* fmt, va_list args) {
    open_syslog_once();
    vsyslog(LOG_INFO, fmt, args);
}

// Appends text formatted from `fmt` to the NUL-terminated text in `buffer`,
// staying within `size` bytes. Does nothing when no NUL lies before the last byte.
void vappend(char* buffer, size_t size, const char* fmt, va_list args) {
    if (!buffer || size == 0) return;
    char* end = static_cast<char*>(std::memchr(buffer, '\0', size));
    if (!end || end >= buffer + size - 1) return;
    std::vsnprintf(end, static_cast<size_t>(buffer + size - end), fmt, args);
}

// Appends `text` only when all of it fits; false when the line is full.
bool append_whole(char* line, size_t& len, const char* text) {
    size_t n = std::strlen(text);
    if (len + n >= kDumpLine) return false;
    std::memcpy(line + len, text, n + 1);
    len += n;
    return true;
}

bool has_prefix(const char* prefix) { return prefix && prefix[0] != '\0'; }

// Starts a dump line: the prefix and a space, cut to the buffer if too long.
void start_line(char* line, size_t& len, const char* prefix) {
    line[0] = '\0';
    len = 0;
    if (has_prefix(prefix)) {
        std::snprintf(line, kDumpLine, "%s ", prefix);
        len = std::strlen(line);
    }
}

}  // namespace

void LogToNULL(const char*, ...) {}

void LogToFile(const char* fmt, ...) {
    if (szLogFile[0] == '\0') return;
    std::lock_guard<std::mutex> lock(g_fileMutex);
    FILE* f = std::fopen(szLogFile, "ab");
    if (!f) return;
    std::fputs("\r\n", f);
    va_list args;
    va_start(args, fmt);
    std::vfprintf(f, fmt, args);
    va_end(args);
    std::fclose(f);
}

void LogToSyslog(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    vsyslog_info(fmt, args);
    va_end(args);
}

void SysLog(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    LogFunc sink = g_sysLogSink.load();
    if (!sink) {
        vsyslog_info(fmt, args);
    } else {
        // A variadic sink cannot take a va_list, so it gets the finished text.
        va_list copy;
        va_copy(copy, args);
        int n = std::vsnprintf(nullptr, 0, fmt, copy);
        va_end(copy);
        std::string text(n > 0 ? static_cast<size_t>(n) : 0, '\0');
        if (n > 0) std::vsnprintf(text.data(), text.size() + 1, fmt, args);
        sink("%s", text.c_str());
    }
    va_end(args);
}

void SetSysLogSink(LogFunc sink) { g_sysLogSink.store(sink); }

void LogToStderr(const char* fmt, ...) {
    // One line at a time: the apply worker logs too, and must not cut into a line.
    flockfile(stderr);
    va_list args;
    va_start(args, fmt);
    std::vfprintf(stderr, fmt, args);
    va_end(args);
    std::fputc('\n', stderr);
    funlockfile(stderr);
}

bool SetLogLevel(const std::string& name) {
    if (name.empty()) return true;
    if (name == "off") {
        InitDebug(0);
    } else if (name == "syslog") {
        InitDebug(1);
    } else if (name == "file") {
        InitDebug(2);
    } else if (name == "stderr") {
        InitDebug(1);
        LOG = &LogToStderr;
    } else {
        return false;
    }
    return true;
}

void InitDebug(int level) {
    szLogFile[0] = '\0';
    std::string desktop = desktop_dir();
    // A path that does not fit is left out rather than cut to a wrong file name.
    if (!desktop.empty() && desktop.size() + sizeof("/log.txt") <= sizeof(szLogFile))
        std::snprintf(szLogFile, sizeof(szLogFile), "%s/log.txt", desktop.c_str());

    g_bDebug = level;
    LOG = LogToNULL;
    if (level == 2) {
        if (szLogFile[0] != '\0') {
            FILE* f = std::fopen(szLogFile, "wb");
            if (f) {
                std::fclose(f);
                LOG = LogToFile;
            }
        }
    } else if (level == 1) {
        LOG = LogToSyslog;
    }
}

int _snprintf(char* buffer, size_t size, const char* fmt, ...) {
    if (!buffer || size == 0) return 0;
    va_list args;
    va_start(args, fmt);
    int n = std::vsnprintf(buffer, size, fmt, args);
    va_end(args);
    if (n < 0) {
        buffer[0] = '\0';
        return 0;
    }
    return static_cast<size_t>(n) < size ? n : static_cast<int>(size - 1);
}

void PrintToBuffer(char* buffer, size_t size, const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    vappend(buffer, size, fmt, args);
    va_end(args);
}

namespace {

// Appends count values as "v,v,...,v" in the two formats of one array kind:
// every value but the last with its separator, the last one without.
template <class Value, class Printable>
int PrintArray(char* buffer, size_t size, const Value* data, int count, const char* prefix, const char* sep,
               const char* last, Printable printable) {
    if (has_prefix(prefix)) _snprintf(buffer, size, "%s", prefix);
    if (!data) return 0;
    for (int i = 0; i < count; ++i) PrintToBuffer(buffer, size, i == count - 1 ? last : sep, printable(data[i]));
    return count;
}

}  // namespace

int PrintArrayToBuffer_Byte(char* buffer, size_t size, const uint8_t* data, int count, const char* prefix,
                            int base) {
    auto value = [](uint8_t b) { return static_cast<int>(b); };
    return base == 10 ? PrintArray(buffer, size, data, count, prefix, "%d,", "%d", value)
                      : PrintArray(buffer, size, data, count, prefix, "%X,", "%02X", value);
}

int PrintArrayToBuffer_Int(char* buffer, size_t size, const int32_t* data, int count, const char* prefix,
                           int base) {
    if (base == 10)
        return PrintArray(buffer, size, data, count, prefix, "%d,", "%d", [](int32_t v) { return static_cast<int>(v); });
    return PrintArray(buffer, size, data, count, prefix, "%08X,", "%08X",
                      [](int32_t v) { return static_cast<unsigned>(v); });
}

void printdata(const uint8_t* data, size_t size) {
    if (g_bDebug == 0 || !data || size == 0) return;
    char line[kDumpLine] = {};
    for (size_t i = 0; i < size; ++i) {
        PrintToBuffer(line, sizeof(line), "%02x ", data[i]);
        if ((i + 1) % 16 == 0) {
            LOG("%s\n", line);
            line[0] = '\0';
        }
    }
    LOG("%s\n", line);
}

void printdata_prefix(const uint8_t* data, size_t size, int perLine, const char* prefix) {
    if (g_bDebug == 0 || !data || size == 0) return;
    char line[kDumpLine];
    size_t len = 0;
    start_line(line, len, prefix);
    size_t onLine = 0;
    for (size_t i = 0; i < size; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof(hex), "%02x ", data[i]);
        // A full buffer is sent and the line goes on from its start, without a prefix.
        if (!append_whole(line, len, hex)) {
            LOG("%s", line);
            line[0] = '\0';
            len = 0;
            append_whole(line, len, hex);
        }
        if (perLine > 0 && ++onLine == static_cast<size_t>(perLine)) {
            LOG("%s", line);
            onLine = 0;
            line[0] = '\0';
            len = 0;
            if (i + 1 < size) start_line(line, len, prefix);
        }
    }
    LOG("%s", line);
}

void printdata_prefix_ex(const uint8_t* data, size_t size, int perLine, int groupSize, const char* prefix) {
    if (g_bDebug == 0 || !data || size == 0) return;
    char line[kDumpLine];
    size_t len = 0;
    start_line(line, len, prefix);
    size_t onLine = 0;
    bool full = false;
    for (size_t i = 0; i < size; ++i) {
        ++onLine;
        bool groupEnd = groupSize > 0 && onLine % static_cast<size_t>(groupSize) == 0;
        char hex[5];
        std::snprintf(hex, sizeof(hex), groupEnd ? "%02x  " : "%02x ", data[i]);
        // A line that would run past the buffer is cut: later bytes of it are dropped.
        if (!full) full = !append_whole(line, len, hex);
        if (perLine > 0 && onLine == static_cast<size_t>(perLine)) {
            LOG("%s", line);
            onLine = 0;
            full = false;
            line[0] = '\0';
            len = 0;
            if (i + 1 < size) start_line(line, len, prefix);
        }
    }
    LOG("%s", line);
}

std::string HexString(const uint8_t* bytes, size_t count) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(2 * count);
    for (size_t i = 0; i < count; ++i) {
        out.push_back(digits[bytes[i] >> 4]);
        out.push_back(digits[bytes[i] & 0x0F]);
    }
    return out;
}

}  // namespace keyloom
