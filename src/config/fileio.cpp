#include "config/fileio.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "config/debug.h"

namespace keyloom {
namespace {

void setError(FileError* err, int code) {
    if (!err) return;
    err->code = code;
    err->text = std::strerror(code);
}

bool writeAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
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

}  // namespace

std::optional<std::string> read_file_bytes(const std::string& path, size_t maxBytes, FileError* err) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        setError(err, errno);
        return std::nullopt;
    }
    std::string bytes;
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

bool write_file_atomic(const std::string& path, const void* data, size_t size, FileError* err) {
    std::string temp = path + ".XXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        setError(err, errno);
        return false;
    }
    ::fchmod(fd, 0644);
    bool ok = writeAll(fd, static_cast<const char*>(data), size) && ::fsync(fd) == 0;
    int code = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        code = errno;
    }
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
        ok = false;
        code = errno;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        setError(err, code);
        return false;
    }
    // Make the rename itself durable.
    int dir = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

bool keep_unusable_file(const std::string& path, const char* reason) {
    FileError err;
    auto bytes = read_file_bytes(path, SIZE_MAX, &err);
    if (!bytes) return false;
    std::string backup = path + ".bak";
    // Always to the system log: it is the trace of the user's data being set aside.
    if (!write_file_atomic(backup, bytes->data(), bytes->size(), &err)) {
        SysLog("could not keep %s as %s (%s): %s", path.c_str(), backup.c_str(), reason, err.text.c_str());
        return false;
    }
    SysLog("kept %s as %s: %s", path.c_str(), backup.c_str(), reason);
    return true;
}

}  // namespace keyloom
