#include "base/fileio.h"

#include <dirent.h>
#include <stdio.h>  // renameat2
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "base/debug.h"
#include "base/fileio_calls.h"

namespace keyloom {
namespace {

int openFolder(const char* path, int flags) { return ::open(path, flags); }

constexpr FileSysCalls kRealCalls{openFolder, ::mkostemp, ::write, ::fsync, ::close,
                                  ::rename, ::unlink, ::flock, ::fchmod};
FileSysCalls g_calls = kRealCalls;
FileSysCalls& sys() { return g_calls; }

constexpr const char* kTempMark = ".tmp-";
constexpr size_t kTempRandom = 6;  // the XXXXXX of mkstemp

void setError(FileError* err, int code, const char* text = nullptr, Reason reason = {}) {
    if (!err) return;
    err->code = code;
    err->text = text ? text : std::strerror(code);
    err->reason = reason.empty() ? ErrnoReason(code) : std::move(reason);
}

bool writeAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = sys().write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// The folder of a path, for syncing the rename; "." for a bare name.
std::string folderOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string baseOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Makes the renames into the folder of `path` durable: 0, or the errno. A
// file system that cannot sync a folder (EINVAL) has nothing to sync.
int syncFolder(const std::string& path) {
    const int dir = sys().open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return errno;
    const int code = sys().fsync(dir) == 0 || errno == EINVAL ? 0 : errno;
    sys().close(dir);  // a folder opened only to sync it has nothing left to lose
    return code;
}

// What a path that is not a regular file is: the log's words and the text key.
struct NotAFile {
    const char* text;
    const char* code;
};
NotAFile kindOf(mode_t mode) {
    if (S_ISFIFO(mode)) return {"not a regular file (a FIFO)", "tc_err_fifo"};
    if (S_ISCHR(mode) || S_ISBLK(mode)) return {"not a regular file (a device)", "tc_err_device"};
    if (S_ISSOCK(mode)) return {"not a regular file (a socket)", "tc_err_socket"};
    return {"not a regular file", "tc_err_not_file"};
}

// "<path>.bak" for 0, "<path>.bak.<n>" after it.
std::string backupName(const std::string& path, int n) {
    return n == 0 ? path + ".bak" : path + ".bak." + std::to_string(n);
}

// The numbers of the backups that exist, in increasing order.
std::vector<int> existingBackups(const std::string& path) {
    std::vector<int> found;
    const std::string folder = folderOf(path);
    const std::string prefix = baseOf(path) + ".bak";
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return found;
    while (const dirent* e = ::readdir(dir)) {
        std::string_view name(e->d_name);
        if (name.substr(0, prefix.size()) != prefix) continue;
        std::string_view rest = name.substr(prefix.size());
        if (rest.empty()) {
            found.push_back(0);
        } else if (rest.size() > 1 && rest.size() <= 6 && rest[0] == '.' &&
                   std::all_of(rest.begin() + 1, rest.end(), [](char c) { return c >= '0' && c <= '9'; })) {
            found.push_back(std::stoi(std::string(rest.substr(1))));
        }
    }
    ::closedir(dir);
    std::sort(found.begin(), found.end());
    return found;
}

// Drops the oldest backups so that BACKUPS_KEPT remain.
void pruneBackups(const std::string& path) {
    std::vector<int> found = existingBackups(path);
    for (size_t i = 0; i + BACKUPS_KEPT < found.size(); ++i) {
        const std::string old = backupName(path, found[i]);
        if (::unlink(old.c_str()) == 0) SysLog("removed the old backup %s", old.c_str());
    }
}

// Puts `source` at `name` unless something is there: a link, or where the
// file system has no links, a move.
int placeWithoutReplacing(const std::string& source, const std::string& name) {
    if (::link(source.c_str(), name.c_str()) == 0) return 0;
    if (errno == EEXIST) return EEXIST;
    return move_without_replacing(source, name);
}

// Gives a finished temporary file the next free backup name.
std::optional<std::string> placeAsBackup(const std::string& source, const std::string& path, int* code) {
    std::vector<int> found = existingBackups(path);
    int next = found.empty() ? 0 : found.back() + 1;
    for (int tries = 0; tries < 100; ++tries, ++next) {
        const std::string name = backupName(path, next);
        const int result = placeWithoutReplacing(source, name);
        if (result == 0) return name;
        if (result != EEXIST) {
            *code = result;
            return std::nullopt;
        }
    }
    *code = EEXIST;
    return std::nullopt;
}

// Copies a file into a new temporary file beside `path`, streaming (a stored
// file may be far larger than any file we write).
std::optional<PreparedFile> copyToTemp(const std::string& from, const std::string& path, FileError* err) {
    int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (in < 0) {
        setError(err, errno);
        return std::nullopt;
    }
    std::optional<PreparedFile> temp = prepare_file_replace(path, "", 0, err);
    if (!temp) {
        ::close(in);
        return std::nullopt;
    }
    const int out = temp->lockFd;
    std::vector<char> chunk(256 * 1024);
    bool ok = true;
    while (ok) {
        ssize_t n = ::read(in, chunk.data(), chunk.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        ok = writeAll(out, chunk.data(), static_cast<size_t>(n));
    }
    int code = errno;
    if (ok) ok = sys().fsync(out) == 0;
    ::close(in);
    if (!ok) {
        setError(err, code ? code : EIO);
        discard_file_replace(*temp);
        return std::nullopt;
    }
    return temp;
}

std::optional<std::string> backupFromTemp(PreparedFile& temp, const std::string& path, const char* reason) {
    int code = 0;
    std::optional<std::string> name = placeAsBackup(temp.temp, path, &code);
    discard_file_replace(temp);
    if (!name) {
        LOG("could not keep %s (%s): %s", path.c_str(), reason, std::strerror(code));
        return std::nullopt;
    }
    // The stored file may be replaced next: a copy that might not survive a
    // power loss is not kept (it stays, as one more copy).
    if (const int synced = syncFolder(*name); synced != 0) {
        LOG("could not keep %s (%s): %s, syncing %s", path.c_str(), reason, std::strerror(synced), name->c_str());
        return std::nullopt;
    }
    LOG("kept %s as %s: %s", path.c_str(), name->c_str(), reason);
    pruneBackups(path);
    return name;
}

bool isTempName(const std::string& name) {
    // ".<file>.tmp-XXXXXX"
    size_t mark = name.rfind(kTempMark);
    return name.size() > 1 && name[0] == '.' && mark != std::string::npos && mark > 1 &&
           name.size() == mark + std::strlen(kTempMark) + kTempRandom;
}

}  // namespace

FileSysCalls& file_sys_calls() { return g_calls; }
const FileSysCalls& real_file_sys_calls() { return kRealCalls; }

std::optional<std::string> read_file_bytes(const std::string& path, size_t maxBytes, FileError* err) {
    // Non-blocking, so opening a FIFO never waits for a writer.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        setError(err, errno);
        return std::nullopt;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        setError(err, errno);
        ::close(fd);
        return std::nullopt;
    }
    if (!S_ISREG(st.st_mode)) {
        if (S_ISDIR(st.st_mode))
            setError(err, EISDIR, "is a folder, not a file");
        else
            setError(err, EINVAL, kindOf(st.st_mode).text, MakeReason(kindOf(st.st_mode).code));
        ::close(fd);
        return std::nullopt;
    }
    std::string bytes;
    // The size hint keeps a large file from growing the buffer step by step.
    bytes.reserve(std::min<size_t>(maxBytes, static_cast<size_t>(std::max<off_t>(st.st_size, 0))));
    std::vector<char> chunk(64 * 1024);
    while (bytes.size() < maxBytes) {
        size_t want = std::min(chunk.size(), maxBytes - bytes.size());
        ssize_t n = ::read(fd, chunk.data(), want);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            setError(err, errno);
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) break;
        bytes.append(chunk.data(), static_cast<size_t>(n));
    }
    ::close(fd);
    return bytes;
}

PreparedFile::PreparedFile(PreparedFile&& other) noexcept
    : path(std::move(other.path)), temp(std::move(other.temp)), lockFd(other.lockFd) {
    other.lockFd = -1;
}

PreparedFile& PreparedFile::operator=(PreparedFile&& other) noexcept {
    if (this != &other) {
        discard_file_replace(*this);
        path = std::move(other.path);
        temp = std::move(other.temp);
        lockFd = other.lockFd;
        other.lockFd = -1;
    }
    return *this;
}

PreparedFile::~PreparedFile() { discard_file_replace(*this); }

int move_without_replacing(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    // File systems without the flag: the destination is checked just before.
    struct stat st {};
    if (::lstat(to.c_str(), &st) == 0) return EEXIST;
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

std::optional<std::string> read_file_within(const std::string& path, size_t maxBytes, FileError* err) {
    std::optional<std::string> bytes = read_file_bytes(path, maxBytes + 1, err);
    if (!bytes || bytes->size() <= maxBytes) return bytes;
    const std::string limit = std::to_string(maxBytes);
    setError(err, EFBIG, ("larger than " + limit + " bytes").c_str(), MakeReason("tc_err_larger_than", {limit}));
    return std::nullopt;
}

std::optional<PreparedFile> prepare_file_replace(const std::string& path, const void* data, size_t size,
                                                 FileError* err) {
    PreparedFile file;
    file.path = path;
    const std::string folder = folderOf(path);
    file.temp = (folder == "." && path.find('/') == std::string::npos ? std::string() : folder + "/") + "." +
                baseOf(path) + kTempMark + "XXXXXX";
    int fd = sys().mkostemp(file.temp.data(), O_CLOEXEC);
    if (fd < 0) {
        setError(err, errno);
        return std::nullopt;
    }
    // The lock tells remove_stale_temp_files that this save is still running;
    // without it another start may take the file, and the rename then fails.
    sys().flock(fd, LOCK_EX | LOCK_NB);
    sys().fchmod(fd, 0644);  // refused on some file systems (vfat); the file is still whole
    bool ok = writeAll(fd, static_cast<const char*>(data), size) && sys().fsync(fd) == 0;
    if (!ok) {
        setError(err, errno);
        sys().unlink(file.temp.c_str());
        sys().close(fd);
        return std::nullopt;
    }
    file.lockFd = fd;
    return file;
}

bool commit_file_replace(PreparedFile& file, FileError* err, bool syncTheFolder) {
    if (file.lockFd < 0) {
        setError(err, EBADF);
        return false;
    }
    // Closed before the rename, so that once the file is in place only the
    // folder's sync can still fail.
    const int fd = file.lockFd;
    file.lockFd = -1;
    if (sys().close(fd) != 0 || sys().rename(file.temp.c_str(), file.path.c_str()) != 0) {
        const int code = errno;
        sys().unlink(file.temp.c_str());
        setError(err, code);
        return false;
    }
    return !syncTheFolder || sync_folder_of(file.path, err);
}

bool sync_folder_of(const std::string& path, FileError* err) {
    const int code = syncFolder(path);
    if (code == 0) return true;
    const std::string text = std::string(std::strerror(code)) + " (syncing the folder after the rename)";
    setError(err, code, text.c_str());
    return false;
}

void discard_file_replace(PreparedFile& file) {
    if (file.lockFd < 0) return;
    sys().unlink(file.temp.c_str());
    sys().close(file.lockFd);
    file.lockFd = -1;
}

bool write_file_atomic(const std::string& path, const void* data, size_t size, FileError* err) {
    std::optional<PreparedFile> file = prepare_file_replace(path, data, size, err);
    return file && commit_file_replace(*file, err);
}

int remove_stale_temp_files(const std::string& folder, bool recursive) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return 0;
    const std::string base = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    int removed = 0;
    std::vector<std::string> subfolders;
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        const std::string full = base + name;
        struct stat st {};
        if (::lstat(full.c_str(), &st) != 0) continue;
        if (S_ISDIR(st.st_mode)) {
            if (recursive) subfolders.push_back(full);
            continue;
        }
        if (!S_ISREG(st.st_mode) || !isTempName(name)) continue;
        int fd = ::open(full.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0) continue;
        // A save that is still writing holds the lock.
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::unlink(full.c_str()) == 0) {
            SysLog("removed %s, left by an interrupted save", full.c_str());
            ++removed;
        }
        ::close(fd);
    }
    ::closedir(dir);
    for (const std::string& sub : subfolders) removed += remove_stale_temp_files(sub, true);
    return removed;
}

std::optional<std::string> keep_backup(const std::string& path, const char* reason) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;  // nothing to keep
    // A copy, not a link: a backup must not change when someone writes into the file.
    FileError err;
    std::optional<PreparedFile> copy = copyToTemp(path, path, &err);
    if (!copy) {
        LOG("could not keep %s (%s): %s", path.c_str(), reason, err.text.c_str());
        return std::nullopt;
    }
    return backupFromTemp(*copy, path, reason);
}

std::optional<std::string> keep_backup_bytes(const std::string& path, std::string_view bytes, const char* reason) {
    FileError err;
    std::optional<PreparedFile> temp = prepare_file_replace(path, bytes.data(), bytes.size(), &err);
    if (!temp) {
        LOG("could not keep %s (%s): %s", path.c_str(), reason, err.text.c_str());
        return std::nullopt;
    }
    return backupFromTemp(*temp, path, reason);
}

}  // namespace keyloom
