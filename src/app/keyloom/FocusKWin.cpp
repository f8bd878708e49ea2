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
#include <QDBusMessage>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>

#include "FocusSource.h"
#include "base/debug.h"
#include "base/fileio.h"
#include "base/instance_lock.h"

namespace keyloom::app {

namespace {

const QString kKWin = QStringLiteral("org.kde.KWin");
const QString kScriptingPath = QStringLiteral("/Scripting");
const QString kScriptingInterface = QStringLiteral("org.kde.kwin.Scripting");
const QString kScriptInterface = QStringLiteral("org.kde.kwin.Script");
// KWin answers at once; a KWin that hangs must not hold keyloom's end for long.
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

class KWinFocusSource final : public FocusSource {
public:
    explicit KWinFocusSource(const QString& busName)
        : busName_(busName),
          // One per keyloom: two keyloom on two data folders each have their own.
          pluginName_(QStringLiteral("keyloom-focus-") + busName),
          file_(QString::fromStdString(get_runtime_dir()) + QLatin1Char('/') + pluginName_ + QStringLiteral(".js")) {}

    ~KWinFocusSource() override {
        if (loaded_) scriptingNow(QStringLiteral("unloadScript"), {pluginName_});
        if (written_) QFile::remove(file_);
    }

    const char* name() const override { return "KWin"; }

    void start(Report, Started started) override {
        started_ = std::move(started);
        // A keyloom that crashed left its script loaded: KWin takes one script a name.
        scripting(QStringLiteral("isScriptLoaded"), {pluginName_}, [this](const QDBusMessage& loadedBefore) {
            if (NoSuchService(loadedBefore)) return fail();  // not KDE Plasma: nothing to say
            if (!writeScript()) return fail();
            if (loadedBefore.type() == QDBusMessage::ReplyMessage && loadedBefore.arguments().value(0).toBool()) {
                LOG("KWin: unloading the script %s left by an earlier keyloom", qPrintable(pluginName_));
                scripting(QStringLiteral("unloadScript"), {pluginName_}, [this](const QDBusMessage&) { load(); });
            } else {
                load();
            }
        });
    }

private:
    // A call of KWin's scripting service; its reply or error goes to `then`.
    void scripting(const QString& method, const QVariantList& arguments, std::function<void(const QDBusMessage&)> then) {
        QDBusMessage call = QDBusMessage::createMethodCall(kKWin, kScriptingPath, kScriptingInterface, method);
        call.setArguments(arguments);
        CallSessionBus(calls_, call, kCallTimeoutMs, std::move(then));
    }

    // The same call, waited for: at the end, when no answer would come to this source.
    static void scriptingNow(const QString& method, const QVariantList& arguments) {
        QDBusMessage call = QDBusMessage::createMethodCall(kKWin, kScriptingPath, kScriptingInterface, method);
        call.setArguments(arguments);
        QDBusConnection::sessionBus().call(call, QDBus::Block, kCallTimeoutMs);
    }

    void load() {
        scripting(QStringLiteral("loadScript"), {file_, pluginName_}, [this](const QDBusMessage& load) {
            const int id = load.type() == QDBusMessage::ReplyMessage ? load.arguments().value(0).toInt() : -1;
            if (id < 0) {
                LOG("KWin: the script was not loaded: %s",
                    load.type() == QDBusMessage::ErrorMessage ? qPrintable(load.errorMessage()) : "KWin refused it");
                return fail();
            }
            loaded_ = true;
            run(id, {QStringLiteral("/Scripting/Script%1").arg(id), QStringLiteral("/%1").arg(id)});
        });
    }

    // Runs the loaded script through the first of `paths` that KWin answers on.
    void run(int id, QStringList paths) {
        if (paths.isEmpty()) {
            LOG("KWin: the loaded script %d did not run", id);
            return fail();
        }
        const QString path = paths.takeFirst();
        CallSessionBus(calls_, QDBusMessage::createMethodCall(kKWin, path, kScriptInterface, QStringLiteral("run")),
                       kCallTimeoutMs, [this, id, paths](const QDBusMessage& run) {
                           if (run.type() == QDBusMessage::ReplyMessage) return started_(true);
                           this->run(id, paths);
                       });
    }

    bool writeScript() {
        // A bus name is letters, digits, '.', '_' and '-': nothing to escape in quotes.
        const QByteArray script = QString::fromUtf8(kScript).arg(QLatin1Char('"') + busName_ + QLatin1Char('"')).toUtf8();
        FileError err;
        if (!write_file_atomic(file_.toStdString(), script.constData(), size_t(script.size()), &err)) {
            LOG("KWin: the script %s cannot be written: %s", qPrintable(file_), err.text.c_str());
            return false;
        }
        written_ = true;
        return true;
    }

    // Nothing left loaded or written; not started.
    void fail() {
        if (loaded_) scripting(QStringLiteral("unloadScript"), {pluginName_}, [](const QDBusMessage&) {});
        loaded_ = false;
        QFile::remove(file_);
        written_ = false;
        started_(false);
    }

    QString busName_;
    QString pluginName_;
    QString file_;
    Started started_;
    bool written_ = false;
    bool loaded_ = false;
    QObject calls_;  // the calls under way, dropped with the source; last, so that it goes first
};

}  // namespace

std::unique_ptr<FocusSource> MakeKWinFocusSource(const QString& busName) {
    if (!QDBusConnection::sessionBus().isConnected()) return nullptr;
    return std::make_unique<KWinFocusSource>(busName);
}

}  // namespace keyloom::app
