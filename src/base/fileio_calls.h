// The system calls the file code makes when it saves, in one table, so that
// tests can make each of them fail in turn. The table holds the real calls
// unless a test has replaced an entry; nothing else changes it.
#pragma once
#include <sys/types.h>

namespace keyloom {

struct FileSysCalls {
    int (*open)(const char* path, int flags);  // folders only: syncing a rename
    int (*mkostemp)(char* name, int flags);
    ssize_t (*write)(int fd, const void* data, size_t size);
    int (*fsync)(int fd);
    int (*close)(int fd);
    int (*rename)(const char* from, const char* to);
    int (*unlink)(const char* path);
    int (*flock)(int fd, int op);
    int (*fchmod)(int fd, mode_t mode);
};

// The table in use, and the real calls to put back.
FileSysCalls& file_sys_calls();
const FileSysCalls& real_file_sys_calls();

}  // namespace keyloom
