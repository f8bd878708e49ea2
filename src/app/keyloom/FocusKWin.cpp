// The application in front on KDE Plasma (Wayland): KWin tells its scripts
// which window is activated, and nothing else does. keyloom writes a small
// KWin script into its runtime folder, loads it through KWin's scripting
// service on the session bus and runs it; the script calls FocusChanged on
// keyloom's bus name at every activation, so the reports arrive as bus calls
// (BusService hands them to the follower), not through this source. The
// script is unloaded, and its file removed, when the source goes.
//
// Plasma 5 and 6 differ in two places, both settled where they show:
//  - the script's API: Plasma 6 has workspace.windowActivated and
//    workspace.activeWindow, Plasma 5 workspace.clientActivated and
//    workspace.activeClient; the script uses whichever exists;
//  - the loaded script's object on the bus: /Scripting/Script<id> on
//    Plasma 6, /<id> on Plasma 5; run() is tried on the first, then the second.
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QFile>
#include <QString>
#include <QVariant>

#include "FocusSource.h"
#include "base/debug.h"
#include "base/instance_lock.h"

namespace keyloom::app {

namespace {

const QString kKWin = QStringLiteral("org.kde.KWin");
const QString kScriptingPath = QStringLiteral("/Scripting");
const QString kScriptingInterface = QStringLiteral("org.kde.kwin.Scripting");
const QString kScriptInterface = QStringLiteral("org.kde.kwin.Script");
// KWin answers at once; a KWin that hangs must not hold keyloom's start or end for long.
constexpr int kCallTimeoutMs = 3000;

// The script; %1 is keyloom's bus name as a JavaScript string.
const char kScript[] = R"JS(// Written by keyloom, which loads it at start and unloads it at its end.
// It tells keyloom the application of every window KWin activates.
const keyloom = %1;

// Plasma 5 gives some window properties as byte arrays: text either way.
function text(value) {
    if (value === undefined || value === null) return "";
    if (typeof value === "string") return value;
    if (value instanceof ArrayBuffer) return String.fromCharCode.apply(null, new Uint8Array(value));
    return String(value);
}

// The window's application: its desktop file name, else its class; "" for no window.
function report(window) {
    let app = "";
    if (window) app = text(window.desktopFileName) || text(window.resourceClass);
    callDBus(keyloom, "/org/keyloom/Keyloom", "org.keyloom.Keyloom1", "FocusChanged", app);
}

if (workspace.windowActivated !== undefined) {  // Plasma 6
    workspace.windowActivated.connect(report);
    report(workspace.activeWindow);
} else {  // Plasma 5
    workspace.clientActivated.connect(report);
    report(workspace.activeClient);
}
)JS";

// A text as a JavaScript string literal.
QString jsString(const QString& value) {
    QString out = QStringLiteral("\"");
    for (const QChar c : value) {
        if (c == QLatin1Char('"') || c == QLatin1Char('\\'))
            out += QLatin1Char('\\') + c;
        else if (c.unicode() < 0x20)
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out + QLatin1Char('"');
}

class KWinFocusSource final : public FocusSource {
public:
    explicit KWinFocusSource(const QString& busName)
        : busName_(busName),
          // One per keyloom: two keyloom on two data folders each have their own.
          pluginName_(QStringLiteral("keyloom-focus-") + busName),
          file_(QString::fromStdString(get_runtime_dir()) + QLatin1Char('/') + pluginName_ + QStringLiteral(".js")) {}

    ~KWinFocusSource() override {
        if (loaded_) scripting(QStringLiteral("unloadScript"), {pluginName_});
        if (written_) QFile::remove(file_);
    }

    const char* name() const override { return "KWin"; }

    bool start(Report) override {
        if (!writeScript()) return false;
        // A keyloom that crashed left its script loaded: KWin takes one script a name.
        const QDBusMessage loadedBefore = scripting(QStringLiteral("isScriptLoaded"), {pluginName_});
        if (loadedBefore.type() == QDBusMessage::ReplyMessage && loadedBefore.arguments().value(0).toBool()) {
            LOG("KWin: unloading the script %s left by an earlier keyloom", qPrintable(pluginName_));
            scripting(QStringLiteral("unloadScript"), {pluginName_});
        }
        const QDBusMessage load = scripting(QStringLiteral("loadScript"), {file_, pluginName_});
        const int id = load.type() == QDBusMessage::ReplyMessage ? load.arguments().value(0).toInt() : -1;
        if (id < 0) {
            LOG("KWin: the script was not loaded: %s",
                load.type() == QDBusMessage::ErrorMessage ? qPrintable(load.errorMessage()) : "KWin refused it");
            return fail();
        }
        loaded_ = true;
        for (const QString& path : {QStringLiteral("/Scripting/Script%1").arg(id), QStringLiteral("/%1").arg(id)}) {
            QDBusMessage run = QDBusMessage::createMethodCall(kKWin, path, kScriptInterface, QStringLiteral("run"));
            if (QDBusConnection::sessionBus().call(run, QDBus::Block, kCallTimeoutMs).type() == QDBusMessage::ReplyMessage)
                return true;
        }
        LOG("KWin: the loaded script %d did not run", id);
        return fail();
    }

private:
    // A blocking call of KWin's scripting service: its reply or error.
    static QDBusMessage scripting(const QString& method, const QVariantList& arguments) {
        QDBusMessage call = QDBusMessage::createMethodCall(kKWin, kScriptingPath, kScriptingInterface, method);
        call.setArguments(arguments);
        return QDBusConnection::sessionBus().call(call, QDBus::Block, kCallTimeoutMs);
    }

    bool writeScript() {
        QFile file(file_);
        const QByteArray script = QString::fromUtf8(kScript).arg(jsString(busName_)).toUtf8();
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(script) != script.size() ||
            !file.flush()) {
            LOG("KWin: the script %s cannot be written: %s", qPrintable(file_), qPrintable(file.errorString()));
            file.close();
            QFile::remove(file_);
            return false;
        }
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        written_ = true;
        return true;
    }

    // Nothing left loaded or written.
    bool fail() {
        if (loaded_) scripting(QStringLiteral("unloadScript"), {pluginName_});
        loaded_ = false;
        QFile::remove(file_);
        written_ = false;
        return false;
    }

    QString busName_;
    QString pluginName_;
    QString file_;
    bool written_ = false;
    bool loaded_ = false;
};

}  // namespace

std::unique_ptr<FocusSource> MakeKWinFocusSource(const QString& busName) {
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface() || !bus.interface()->isServiceRegistered(kKWin).value()) return nullptr;
    return std::make_unique<KWinFocusSource>(busName);
}

}  // namespace keyloom::app
