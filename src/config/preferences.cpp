// The preference file: read through INIFiler, written by editing its lines so
// comments, other sections and other keys stay as the user left them.
#include "config/preferences.h"

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <string_view>
#include <vector>

#include "base/INIFiler.h"
#include "base/debug.h"
#include "base/fileio.h"
#include "base/paths.h"

namespace keyloom {

namespace {

constexpr size_t kMaxPrefBytes = 1024 * 1024;

std::mutex g_dirMutex;
std::string g_dirOverride;

std::string env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

std::string with_slash(std::string dir) {
    if (!dir.empty() && dir.back() != '/') dir += '/';
    return dir;
}

std::string preferences_dir() {
    {
        std::lock_guard<std::mutex> lock(g_dirMutex);
        if (!g_dirOverride.empty()) return with_slash(g_dirOverride);
    }
    if (std::string dir = env("KEYLOOM_CONFIG_DIR"); !dir.empty()) return with_slash(dir);
    // A relative $XDG_CONFIG_HOME is invalid and ignored, as the base-directory rules ask.
    std::string xdg = env("XDG_CONFIG_HOME");
    if (!xdg.empty() && xdg[0] == '/') return with_slash(xdg) + "keyloom/";
    std::string home = env("HOME");
    if (home.empty()) home = "/tmp";
    return with_slash(home) + ".config/keyloom/";
}

std::string_view trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = s.find_last_not_of(" \t");
    return s.substr(first, last - first + 1);
}

std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t lf = text.find('\n', start);
        if (lf == std::string::npos) lf = text.size();
        lines.emplace_back(text, start, lf - start);
        start = lf + 1;
    }
    return lines;
}

bool is_header(const std::string& line) { return !line.empty() && line.front() == '['; }

std::string header_name(const std::string& line) {
    const size_t close = line.find(']');
    return close == std::string::npos ? std::string() : line.substr(1, close - 1);
}

// Whether a line is a key line for `key` (the key part trimmed, as the reader does).
bool is_key_line(const std::string& line, const std::string& key) {
    if (line.empty() || line.front() == ';' || is_header(line)) return false;
    const size_t eq = line.find('=');
    return eq != std::string::npos && trim(std::string_view(line).substr(0, eq)) == key;
}

// Puts "key=value" into the first [section] (where INIFiler reads from),
// replacing the key's lines there, or appends the section.
void set_line(std::vector<std::string>& lines, const std::string& section, const std::string& key,
              const std::string& value) {
    const std::string entry = key + "=" + value;
    size_t begin = 0;
    while (begin < lines.size() && !(is_header(lines[begin]) && header_name(lines[begin]) == section)) ++begin;
    if (begin == lines.size()) {
        if (!lines.empty() && !lines.back().empty()) lines.emplace_back();
        lines.push_back("[" + section + "]");
        lines.push_back(entry);
        return;
    }
    size_t end = begin + 1;
    while (end < lines.size() && !is_header(lines[end])) ++end;
    size_t at = std::string::npos;
    for (size_t i = end; i-- > begin + 1;) {
        if (!is_key_line(lines[i], key)) continue;
        lines.erase(lines.begin() + static_cast<long>(i));
        --end;
        at = i;
    }
    if (at == std::string::npos) {
        at = end;
        while (at > begin + 1 && trim(lines[at - 1]).empty()) --at;  // before the blank lines ending the section
    }
    lines.insert(lines.begin() + static_cast<long>(at), entry);
}

bool storable(const std::string& text) { return text.find_first_of("\r\n=") == std::string::npos; }

}  // namespace

std::string GetPreferencesPath() { return preferences_dir() + "preferences.ini"; }

void SetPreferencesDir(const std::string& dir) {
    std::lock_guard<std::mutex> lock(g_dirMutex);
    g_dirOverride = dir;
}

std::optional<std::string> GetPreference(const std::string& key) {
    INIFiler file;
    FileError err;
    if (!file.initIni(GetPreferencesPath(), &err)) {
        if (err.code != ENOENT) LOG("GetPreference: cannot read %s: %s", GetPreferencesPath().c_str(), err.text.c_str());
        return std::nullopt;
    }
    return file.getStringValue(PREF_SECTION, key);
}

bool SetPreference(const std::string& key, const std::string& value) {
    if (trim(key).empty() || trim(key) != key || !storable(key) || !storable(value)) return false;
    const std::string path = GetPreferencesPath();
    FileError err;
    std::string text;
    if (auto bytes = read_file_bytes(path, kMaxPrefBytes + 1, &err)) {
        if (bytes->size() > kMaxPrefBytes) {
            LOG("SetPreference: %s is larger than %zu bytes", path.c_str(), kMaxPrefBytes);
            return false;
        }
        text = DecodeTextFile(*bytes);
        std::erase(text, '\r');
    } else if (err.code != ENOENT) {
        // Rewriting a file we could not read would lose what it holds.
        LOG("SetPreference: cannot read %s: %s", path.c_str(), err.text.c_str());
        return false;
    }
    std::vector<std::string> lines = split_lines(text);
    set_line(lines, PREF_SECTION, key, value);
    std::string out;
    for (const auto& line : lines) out += line + "\n";
    make_sure_folder_exist(preferences_dir());
    if (!write_file_atomic(path, out.data(), out.size(), &err)) {
        LOG("SetPreference: cannot write %s: %s", path.c_str(), err.text.c_str());
        return false;
    }
    return true;
}

bool NotificationsWanted() {
    const std::optional<std::string> value = GetPreference(PREF_NOTIFICATIONS);
    if (!value) return true;
    const std::string_view v = trim(*value);
    return !(v == "0" || v == "false" || v == "off" || v == "no");
}

bool SetNotificationsWanted(bool wanted) {
    return SetPreference(PREF_NOTIFICATIONS, wanted ? "1" : "0");
}

}  // namespace keyloom
