#include "widgets/Platform.h"

#include <QGuiApplication>

namespace keyloom {

bool programPlacesWindows() {
    // "wayland", "wayland-egl", "wayland-brcm"...: every Wayland back end of Qt.
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

}  // namespace keyloom
