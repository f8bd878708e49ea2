// One program at a time writes a data folder. The window holds an exclusive
// lock on a file in the user's runtime folder, named after the data folder,
// for as long as it runs; keyloomctl takes the same lock for the commands that
// write the data folder or talk to the keyboard. The kernel drops the lock
// with its process, so a lock left by a crash never blocks anyone.
#pragma once
#include <string>

namespace keyloom {

// The user's runtime folder: $XDG_RUNTIME_DIR when it is an absolute path,
// else "runtime-<user>" in $TMPDIR (or /tmp), made private (mode 0700).
std::string get_runtime_dir();
// Whether the desktop session is a Wayland one: WAYLAND_DISPLAY is set or
// XDG_SESSION_TYPE says "wayland" (an X11 client there sees XWayland only).
bool is_wayland_session();

// "<runtime folder>/keyloom-<16 hex digits>", the digits a hash of the data
// folder's resolved path: the lock is this with ".lock", the window's socket
// this with ".socket".
std::string instance_base_path(const std::string& dataDir);

// The session bus name of the keyloom that holds the data folder:
// "org.keyloom.Keyloom" for the usual folder, else
// "org.keyloom.Keyloom.d<the same 16 hex digits>".
std::string instance_bus_name(const std::string& dataDir);

class InstanceLock {
public:
    enum class State { Taken, Held, Failed };

    // who names the holder in the lock file ("keyloom", "keyloomctl").
    InstanceLock(const std::string& dataDir, std::string who);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Taken: this process holds the lock now (until it is destroyed). Held:
    // another process holds it; holder() says who. Failed: the lock file
    // cannot be made or locked; error() says why.
    State tryLock();
    // "keyloom (process 1234)", as the holder wrote it; empty when unknown.
    const std::string& holder() const { return holder_; }
    const std::string& error() const { return error_; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::string who_;
    std::string holder_;
    std::string error_;
    int fd_ = -1;
};

}  // namespace keyloom
