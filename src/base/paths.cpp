// Directory lookup (work, skins, data, macro), the small file-name helpers
// used by import and export, and the rule for macro folder and file names.
#include "base/paths.h"

#include "base/utf8.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <system_error>

#include "base/PublicLib.h"

namespace keyloom {

namespace {

std::mutex g_overrideMutex;
std::string g_workOverride;
std::string g_dataOverride;

std::string with_slash(std::string dir) {
    if (!dir.empty() && dir.back() != '/') dir += '/';
    return dir;
}

std::string env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

std::string override_of(const std::string& value) {
    std::lock_guard<std::mutex> lock(g_overrideMutex);
    return value;
}

std::string home_dir() {
    std::string home = env("HOME");
    if (!home.empty()) return home;
    // Without $HOME (service start, sanitised environment) the account entry is asked.
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return "/tmp";
}

}  // namespace

void set_work_dir(const std::string& dir) {
    std::lock_guard<std::mutex> lock(g_overrideMutex);
    g_workOverride = dir;
}

void set_data_dir(const std::string& dir) {
    std::lock_guard<std::mutex> lock(g_overrideMutex);
    g_dataOverride = dir;
}

std::string get_work_dir() {
    if (std::string dir = override_of(g_workOverride); !dir.empty()) return with_slash(dir);
    if (std::string dir = env("KEYLOOM_WORK_DIR"); !dir.empty()) return with_slash(dir);
    // Installed as <prefix>/bin and <prefix>/share/keyloom/cfg; the build tree has the same shape.
    std::filesystem::path dir = PubLib::get_current_path() + "../share/keyloom/cfg/";
    return with_slash(dir.lexically_normal().string());
}

std::string get_skins_dir() { return get_work_dir() + "skins/"; }

std::string default_data_path() {
    // A relative $XDG_DATA_HOME is invalid and ignored, as the base-directory rules ask.
    std::string xdg = env("XDG_DATA_HOME");
    if (!xdg.empty() && xdg[0] == '/') return with_slash(xdg) + "keyloom/";
    return with_slash(home_dir()) + ".local/share/keyloom/";
}

std::string get_data_path() {
    if (std::string dir = override_of(g_dataOverride); !dir.empty()) return with_slash(dir);
    if (std::string dir = env("KEYLOOM_DATA_DIR"); !dir.empty()) return with_slash(dir);
    return default_data_path();
}

bool is_default_data_path() {
    // The same folder by another spelling ("~/.local/share/keyloom/../keyloom") is still the usual one.
    std::error_code ec;
    const auto chosen = std::filesystem::weakly_canonical(get_data_path(), ec);
    const auto usual = std::filesystem::weakly_canonical(default_data_path(), ec);
    return chosen == usual;
}

std::string get_macro_path() { return get_data_path() + "mac/"; }

std::optional<std::string> get_file_ext(const std::string& path) {
    size_t dot = path.rfind('.');
    if (dot == std::string::npos) return std::nullopt;
    return path.substr(dot + 1);
}

std::optional<std::string> get_file_name(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return std::nullopt;
    return path.substr(slash + 1);
}

std::optional<std::string> get_folder_name(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return std::nullopt;
    return path.substr(0, slash);
}

std::optional<std::string> get_file_name_only(const std::string& path) {
    std::optional<std::string> name = get_file_name(path);
    if (!name) return std::nullopt;
    size_t dot = name->rfind('.');
    if (dot == std::string::npos) return std::nullopt;
    return name->substr(0, dot);
}

bool make_sure_folder_exist(const std::string& path) {
    if (path.empty()) return false;
    std::error_code ec;
    // Anything already at the path counts, even a dangling link or a plain file.
    if (std::filesystem::exists(std::filesystem::symlink_status(path, ec))) return true;
    std::filesystem::create_directories(path, ec);
    return !ec && std::filesystem::is_directory(path, ec);
}

bool is_active_name(const std::string& name) { return name.find_first_of("/\\|#$%&*.") == std::string::npos; }

NameCheck check_name(const std::string& name, size_t maxBytes) {
    if (name.find_first_not_of(' ') == std::string::npos) return NameCheck::Blank;
    if (!IsValidUtf8(name)) return NameCheck::BadCharacter;
    for (size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        // C0 controls, DEL, and the C1 controls U+0080..U+009F (C2 80..C2 9F).
        const bool c1 = c == 0xC2 && i + 1 < name.size() && static_cast<unsigned char>(name[i + 1]) <= 0x9F;
        if (c < 0x20 || c == 0x7F || c1) return NameCheck::ControlCharacter;
    }
    if (!is_active_name(name)) return NameCheck::BadCharacter;
    if (maxBytes > 0 && name.size() > maxBytes) return NameCheck::TooLong;
    return NameCheck::Ok;
}

const char* name_check_text_key(NameCheck check) {
    switch (check) {
        case NameCheck::Ok: return nullptr;
        case NameCheck::Blank: return "tc_macro_name_blank";
        case NameCheck::ControlCharacter: return "tc_macro_name_control";
        case NameCheck::BadCharacter: return "tc_macro_badname";
        case NameCheck::TooLong: return "tc_name_too_long";
        case NameCheck::Taken: return "tc_name_taken";
    }
    return nullptr;
}

const char* name_refusal(const std::string& name) { return name_check_text_key(check_name(name, 0)); }

bool is_safe_name(const std::string& name) { return name_refusal(name) == nullptr; }

}  // namespace keyloom
