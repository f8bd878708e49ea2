#include "Notifications.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

#include "Application.h"
#include "base/debug.h"
#include "base/texts.h"
#include "config/preferences.h"
#include "model/st_keypro.h"
#include "model/stprofile.h"
#include "ui/MainView.h"

namespace keyloom::app {

namespace {

const QString kAppId = QStringLiteral("org.keyloom.Keyloom");

}  // namespace

QString LayerSummary(int mode) {
    if (mode < 0 || mode >= LAYER_COUNT) return {};
    const _ST_PROFILE* profile = get_current_profile();
    const _ST_KEYPRO* table = profile ? get_keypro_by_id(profile->dwKeyProID[mode]) : nullptr;
    const std::string name = table ? keypro_name(*table) : std::string();
    return QString::fromStdString(FormatText("tc_tray_layer", {LayerName(mode), name}));
}

Notifications::Notifications(Application& app) : app_(app), wanted_(NotificationsWanted()) {
    AppEvents& events = app.events();
    events.layerSwitched.add([this](int mode, bool byKeyboard) {
        if (byKeyboard) tell(Kind::Layer, LayerSummary(mode));
    });
    events.keyboardChanged.add([this](bool) {
        if (MainView* view = app_.view()) tell(Kind::Keyboard, QString::fromStdString(GetText(view->keyboardStateText())));
    });
    events.applyFinished.add([this](int32_t, bool ok, const std::string& failure) {
        if (!ok) tell(Kind::Apply, QString::fromStdString(GetText("tc_note_apply_failed")), QString::fromStdString(failure));
    });
}

void Notifications::setWanted(bool wanted) {
    wanted_ = wanted;
    if (!SetNotificationsWanted(wanted)) LOG("Notifications: the choice could not be kept in the preferences");
}

void Notifications::tell(Kind kind, const QString& summary, const QString& body) {
    if (!wanted_ || app_.windowShown()) return;
    LOG("Notification: %s", qPrintable(summary));
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.Notifications"),
                                                       QStringLiteral("/org/freedesktop/Notifications"),
                                                       QStringLiteral("org.freedesktop.Notifications"),
                                                       QStringLiteral("Notify"));
    const size_t slot = size_t(kind);
    const QVariantMap hints{{QStringLiteral("desktop-entry"), kAppId}};
    call << QStringLiteral("keyloom") << lastIds_[slot] << kAppId << summary << body << QStringList() << hints
         << int32_t(-1);
    auto* reply = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), &replies_);
    QObject::connect(reply, &QDBusPendingCallWatcher::finished, &replies_, [this, slot](QDBusPendingCallWatcher* w) {
        const QDBusPendingReply<uint32_t> id = *w;
        // No notification server: nothing to show it on, and nothing else to do.
        if (id.isError()) LOG("Notification not shown: %s", qPrintable(id.error().message()));
        else lastIds_[slot] = id.value();
        w->deleteLater();
    });
}

}  // namespace keyloom::app
