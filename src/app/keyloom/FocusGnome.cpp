// The application in front on GNOME Shell (Wayland): only the Shell knows
// which window has the focus, and only its extensions are told. keyloom's
// extension, keyloom-focus@keyloom.org (packaging/gnome-shell/), calls
// FocusChanged on every keyloom on the session bus whenever the focus moves
// to another application, so the reports arrive as bus calls (BusService
// hands them to the follower), not through this source. All this source does
// is ask the Shell whether the extension is enabled, and say how to enable
// it when it is not. Reports that come while it is not (the user enables it
// later) are followed all the same.
#include <QDBusConnection>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include "FocusSource.h"
#include "base/debug.h"

namespace keyloom::app {

namespace {

const QString kShell = QStringLiteral("org.gnome.Shell");
const QString kExtensionsPath = QStringLiteral("/org/gnome/Shell/Extensions");
const QString kExtensionsInterface = QStringLiteral("org.gnome.Shell.Extensions");
const char kUuid[] = "keyloom-focus@keyloom.org";
// The Shell answers at once; one that hangs leaves keyloom without following.
constexpr int kCallTimeoutMs = 3000;

// The extension's "state" in GetExtensionInfo's answer (a double there, as
// the Shell gives every number): enabled (ACTIVE from GNOME 45 on), and the
// two states in which enabling does not help.
constexpr int kEnabled = 1;
constexpr int kError = 3;
constexpr int kOutOfDate = 4;

// A variant as D-Bus hands it to Qt: a map's values come wrapped.
QVariant unwrapped(const QVariant& value) {
    return value.canConvert<QDBusVariant>() ? value.value<QDBusVariant>().variant() : value;
}

class GnomeFocusSource final : public FocusSource {
public:
    const char* name() const override { return "GNOME Shell extension"; }
    Reason remedy() const override { return remedy_; }

    void start(Report, Started started) override {
        QDBusMessage call = QDBusMessage::createMethodCall(kShell, kExtensionsPath, kExtensionsInterface,
                                                           QStringLiteral("GetExtensionInfo"));
        call.setArguments({QString::fromLatin1(kUuid)});
        CallSessionBus(calls_, call, kCallTimeoutMs,
                       [this, started = std::move(started)](const QDBusMessage& reply) { started(enabled(reply)); });
    }

private:
    // Whether the Shell's answer says the extension is enabled; when not,
    // what would help.
    bool enabled(const QDBusMessage& reply) {
        if (NoSuchService(reply)) return false;  // not GNOME Shell: nothing to say
        if (reply.type() != QDBusMessage::ReplyMessage) {
            LOG("GNOME Shell: its extensions cannot be asked: %s", qPrintable(reply.errorMessage()));
            return false;
        }
        const QVariant first = reply.arguments().value(0);
        const QVariantMap info = first.canConvert<QDBusArgument>() ? qdbus_cast<QVariantMap>(first) : first.toMap();
        const QVariant state = unwrapped(info.value(QStringLiteral("state")));
        bool known = false;
        const int value = int(state.toDouble(&known));
        if (known && value == kEnabled) return true;
        remedy_ = known && (value == kOutOfDate || value == kError) ? MakeReason("tc_follow_gnome_broken")
                                                                    : MakeReason("tc_follow_gnome_off", {kUuid});
        if (!known) {  // the Shell reads its extensions when it starts
            LOG("GNOME Shell extension %s is not installed, or GNOME Shell started before it was: "
                "log in again, then: gnome-extensions enable %s",
                kUuid, kUuid);
        } else if (value == kOutOfDate) {
            LOG("GNOME Shell extension %s is out of date for this GNOME Shell (it is made for 43 and 44)", kUuid);
        } else if (value == kError) {
            const QString error = unwrapped(info.value(QStringLiteral("error"))).toString();
            LOG("GNOME Shell extension %s failed in GNOME Shell%s%s", kUuid, error.isEmpty() ? "" : ": ",
                qPrintable(error));
        } else {
            LOG("GNOME Shell extension %s is not enabled: gnome-extensions enable %s", kUuid, kUuid);
        }
        return false;
    }

    Reason remedy_;
    QObject calls_;  // the call under way, dropped with the source; last, so that it goes first
};

}  // namespace

std::unique_ptr<FocusSource> MakeGnomeFocusSource() {
    if (!QDBusConnection::sessionBus().isConnected()) return nullptr;
    return std::make_unique<GnomeFocusSource>();
}

}  // namespace keyloom::app
