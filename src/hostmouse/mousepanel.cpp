#include "hostmouse/mousepanel.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/debug.h"

namespace keyloom {
namespace {

// The full path of a program on PATH, or empty.
std::string find_program(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        std::string candidate = dirs.substr(start, end - start);
        if (!candidate.empty()) {
            candidate += "/" + name;
            if (access(candidate.c_str(), X_OK) == 0) return candidate;
        }
        start = end + 1;
    }
    return {};
}

// Runs a program detached: a short-lived child starts it and ends at once,
// so nothing waits for it and it leaves no zombie behind.
bool spawn_detached(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        setsid();
        if (fork() == 0) {
            execv(argv[0], argv.data());
            _exit(127);
        }
        _exit(0);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

bool LaunchMousePreferencePane() {
    struct Panel {
        const char* program;
        const char* argument;
    };
    static const Panel panels[] = {
        {"gnome-control-center", "mouse"},
        {"systemsettings", "kcm_mouse"},  // KDE Plasma 6 and 5.2x
        {"kcmshell6", "kcm_mouse"},
        {"kcmshell5", "mouse"},
    };
    for (const Panel& panel : panels) {
        const std::string path = find_program(panel.program);
        if (path.empty()) continue;
        if (spawn_detached({path, panel.argument})) return true;
        SysLog("LaunchMousePreferencePane: %s cannot be started", path.c_str());
        return false;
    }
    SysLog("LaunchMousePreferencePane: no mouse settings program (GNOME's or KDE's) is installed");
    return false;
}

}  // namespace keyloom
