#include "base/instance_lock.h"
#include "base/paths.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace keyloom {

namespace {

std::string env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string user_name() {
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_name) return pw->pw_name;
    return std::to_string(getuid());
}

// The data folder as one spelling: absolute, symbolic links resolved, no trailing "/".
std::string resolved(const std::string& dataDir) {
    std::error_code ec;
    std::filesystem::path path = std::filesystem::absolute(dataDir, ec);
    if (ec) path = dataDir;
    std::filesystem::path canonical = std::filesystem::weakly_canonical(path, ec);
    std::string text = (ec ? path.lexically_normal() : canonical).string();
    while (text.size() > 1 && text.back() == '/') text.pop_back();
    return text;
}

// FNV-1a, 64 bits: a short, stable name for a path.
uint64_t hash(const std::string& text) {
    uint64_t h = 0xcbf29ce484222325ULL;
    for (unsigned char c : text) {
        h ^= c;
        h *= 0x100000001b3ULL;
    }
    return h;
}

std::string read_holder(int fd) {
    char text[128] = {};
    const ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
    if (n <= 0) return {};
    std::string holder(text, size_t(n));
    if (const size_t end = holder.find('\n'); end != std::string::npos) holder.resize(end);
    return holder;
}

std::string folder_digits(const std::string& dataDir) {
    char digits[17];
    std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(hash(resolved(dataDir))));
    return digits;
}

}  // namespace

bool is_wayland_session() {
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const char* type = std::getenv("XDG_SESSION_TYPE");
    return (wayland && *wayland) || (type && std::strcmp(type, "wayland") == 0);
}

std::string get_runtime_dir() {
    if (std::string dir = env("XDG_RUNTIME_DIR"); !dir.empty() && dir[0] == '/') return dir;
    std::string tmp = env("TMPDIR");
    if (tmp.empty() || tmp[0] != '/') tmp = "/tmp";
    const std::string dir = tmp + "/runtime-" + user_name();
    ::mkdir(dir.c_str(), 0700);  // an existing one is checked below
    struct stat st {};
    // A folder someone else made there is not private: not used.
    if (::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid()) return tmp;
    return dir;
}

std::string instance_base_path(const std::string& dataDir) {
    return get_runtime_dir() + "/keyloom-" + folder_digits(dataDir);
}

std::string instance_bus_name(const std::string& dataDir) {
    if (resolved(dataDir) == resolved(default_data_path())) return "org.keyloom.Keyloom";
    return "org.keyloom.Keyloom.d" + folder_digits(dataDir);
}

InstanceLock::InstanceLock(const std::string& dataDir, std::string who)
    : path_(instance_base_path(dataDir) + ".lock"), who_(std::move(who)) {}

InstanceLock::~InstanceLock() {
    if (fd_ >= 0) ::close(fd_);  // closing drops the lock
}

InstanceLock::State InstanceLock::tryLock() {
    if (fd_ >= 0) return State::Taken;
    const int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        error_ = path_ + ": " + std::strerror(errno);
        return State::Failed;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        if (err == EWOULDBLOCK) holder_ = read_holder(fd);
        ::close(fd);
        if (err == EWOULDBLOCK) return State::Held;
        error_ = path_ + ": " + std::strerror(err);
        return State::Failed;
    }
    // Only the holder writes the file, so a reader never sees a half-written holder of a live lock.
    const std::string holder = who_ + " (process " + std::to_string(getpid()) + ")\n";
    // Without the note the lock still holds; others then cannot say who has it.
    if (::ftruncate(fd, 0) == 0) {
        [[maybe_unused]] const ssize_t written = ::pwrite(fd, holder.data(), holder.size(), 0);
    }
    fd_ = fd;
    holder_ = holder.substr(0, holder.size() - 1);
    return State::Taken;
}

}  // namespace keyloom
