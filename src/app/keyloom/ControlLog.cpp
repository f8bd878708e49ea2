#include "ControlLog.h"

#include <QAbstractButton>
#include <QRegularExpression>
#include <algorithm>
#include <optional>
#include <string>
#include <utility>

#include "base/debug.h"
#include "config/gvar.h"
#include "keys/basic.h"
#include "macro/keyinfo_text.h"
#include "ui/KbColorView.h"
#include "widgets/Frame.h"

namespace keyloom::app {

namespace {

constexpr int kRestMs = 100;  // a moved window is at rest after this long without moving

// The name a control is found by: its accessible name, else a button's caption
// (the standard buttons of message boxes have no other).
QString controlName(const QWidget& control) {
    QString name = control.accessibleName();
    if (const auto* button = qobject_cast<const QAbstractButton*>(&control); button && name.isEmpty()) {
        name = button->text();
        name.replace(QRegularExpression(QStringLiteral("&(.)")), QStringLiteral("\\1"));  // the mnemonic marks
    }
    return name;
}

void logGeometry(const char* kind, const QString& name, const QRect& onScreen) {
    LOG("%s \"%s\" at %d,%d %dx%d", kind, qPrintable(name), onScreen.x(), onScreen.y(), onScreen.width(),
        onScreen.height());
}

// The key map's keys, each by the name of its factory function ("Key "Q" at ...").
void logKeys(const KbColorView& keyMap) {
    for (int k = 0; k < std::clamp(gVar.nKeyCount, 0, KEY_COUNT); ++k) {
        const QRectF key = flipRect(keyMap.keyRect(k), keyMap.height());
        const std::optional<std::string> name = keyinfo_to_string(g_defKEY[k]);
        if (key.isEmpty() || !name) continue;
        const QRect inView = key.toAlignedRect();
        logGeometry("Key", QString::fromStdString(*name), QRect(keyMap.mapToGlobal(inView.topLeft()), inView.size()));
    }
}

}  // namespace

ControlLog::ControlLog(QObject* parent) : QObject(parent) {
    windowsAtRest_.setSingleShot(true);
    windowsAtRest_.setInterval(kRestMs);
    connect(&windowsAtRest_, &QTimer::timeout, this, [this] {
        for (const QPointer<QWidget>& window : std::exchange(movedWindows_, {}))
            if (window && window->isVisible()) logWindow(*window);
    });
}

bool ControlLog::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::Show:
        case QEvent::Resize:
        case QEvent::Move:
            if (auto* widget = qobject_cast<QWidget*>(watched)) noteChange(widget, event->type());
            break;
        case QEvent::Paint:
            if (const QPointer<QWidget> widget = due_.take(watched); widget && widget == watched) logControl(*widget);
            break;
        default:
            break;
    }
    return false;
}

void ControlLog::noteChange(QWidget* widget, QEvent::Type type) {
    if (type != QEvent::Move || !widget->isWindow()) {
        due_.insert(widget, widget);
    } else if (widget->isVisible()) {  // not the place it is shown at, told as it shows
        if (!movedWindows_.contains(widget)) movedWindows_.append(widget);
        windowsAtRest_.start();
    }
}

void ControlLog::logControl(const QWidget& control) {
    const QString name = controlName(control);
    if (name.isEmpty() || !control.isVisible()) return;
    logGeometry("Control", name, QRect(control.mapToGlobal(QPoint(0, 0)), control.size()));
    if (const auto* keyMap = dynamic_cast<const KbColorView*>(&control)) logKeys(*keyMap);
}

void ControlLog::logWindow(const QWidget& window) {
    logControl(window);
    for (const QWidget* control : window.findChildren<QWidget*>()) logControl(*control);
}

}  // namespace keyloom::app
