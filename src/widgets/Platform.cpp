#include "widgets/Platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <cstdlib>

namespace keyloom {

namespace {

std::string env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

bool xcbPluginInstalled() {
    const QDir platforms(QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/platforms");
    return !platforms.entryList({"libqxcb*.so"}, QDir::Files).isEmpty();
}

}  // namespace

std::string choose_qt_platform(const std::string& qtQpaPlatform, const std::string& waylandDisplay,
                               const std::string& x11Display, bool xcbPluginAvailable) {
    if (!qtQpaPlatform.empty()) return {};
    if (!waylandDisplay.empty() && !x11Display.empty() && xcbPluginAvailable) return "xcb";
    return {};
}

void select_qt_platform() {
    const std::string platform =
        choose_qt_platform(env("QT_QPA_PLATFORM"), env("WAYLAND_DISPLAY"), env("DISPLAY"), xcbPluginInstalled());
    if (!platform.empty()) setenv("QT_QPA_PLATFORM", platform.c_str(), 1);
}

}  // namespace keyloom
