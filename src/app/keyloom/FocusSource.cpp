#include "FocusSource.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusPendingCallWatcher>

namespace keyloom::app {

void CallSessionBus(QObject& owner, QDBusMessage call, int timeoutMs,
                    std::function<void(const QDBusMessage& answer)> then) {
    call.setAutoStartService(false);
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call, timeoutMs), &owner);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, &owner,
                     [then = std::move(then)](QDBusPendingCallWatcher* finished) {
                         finished->deleteLater();
                         then(finished->reply());
                     });
}

bool NoSuchService(const QDBusMessage& answer) {
    if (answer.type() != QDBusMessage::ErrorMessage) return false;
    // Asked not to start services, the bus says NameHasNoOwner; else ServiceUnknown.
    return answer.errorName() == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner") ||
           QDBusError(answer).type() == QDBusError::ServiceUnknown;
}

}  // namespace keyloom::app
