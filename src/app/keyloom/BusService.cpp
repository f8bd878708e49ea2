#include "BusService.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QTimer>
#include <QVariantMap>
#include <array>
#include <cstring>
#include <functional>
#include <optional>

#include "Application.h"
#include "FocusFollower.h"
#include "BusInterfaceXml.h"
#include "base/debug.h"
#include "base/instance_lock.h"
#include "base/paths.h"
#include "base/texts.h"
#include "device/apply.h"
#include "model/st_keypro.h"
#include "model/stprofile.h"
#include "report/reports.h"
#include "ui/MainView.h"

namespace keyloom::app {

namespace {

// One entry of ListKeyTables' answer, a (us).
struct KeyTableEntry {
    uint32_t id = 0;
    QString name;
};

QDBusArgument& operator<<(QDBusArgument& out, const KeyTableEntry& entry) {
    out.beginStructure();
    out << entry.id << entry.name;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, KeyTableEntry& entry) {
    in.beginStructure();
    in >> entry.id >> entry.name;
    in.endStructure();
    return in;
}

const QString kPath = QStringLiteral("/org/keyloom/Keyloom");
const QString kInterface = QStringLiteral("org.keyloom.Keyloom1");
constexpr int kLayers = 3;

QString errorName(const char* kind) {
    return kInterface + QStringLiteral(".Error.") + QLatin1String(kind);
}

QDBusMessage notFound(const QDBusMessage& call, const QString& text) {
    return call.createErrorReply(errorName("NotFound"), text);
}

QString keyTableName(uint32_t id) {
    const _ST_KEYPRO* table = get_keypro_by_id(id);
    return table ? QString::fromStdString(keypro_name(*table)) : QString();
}

QString profileName(const _ST_PROFILE& profile) {
    return QString::fromUtf8(profile.szName, qsizetype(strnlen(profile.szName, sizeof profile.szName)));
}

// A method's answer: keyloomctl's JSON, or the error of its refusal.
QDBusMessage answer(const QDBusMessage& call, const report::Outcome& outcome) {
    if (outcome.ok()) return call.createReply(QString::fromStdString(outcome.json));
    const char* kind = outcome.refusal == report::Refusal::NotFound  ? "NotFound"
                       : outcome.refusal == report::Refusal::Refused ? "Refused"
                                                                     : "Failed";
    return call.createErrorReply(errorName(kind), QString::fromStdString(outcome.error));
}

// The caller's working folder is not keyloom's: a relative path would name another file.
std::optional<QDBusMessage> refuseRelative(const QDBusMessage& call, const QString& path) {
    if (path.startsWith(QLatin1Char('/'))) return std::nullopt;
    return call.createErrorReply(errorName("Refused"),
                                 QStringLiteral("%1 is not an absolute path: give the whole path").arg(path));
}

// A layer argument (1..3) as the window's mode (0..2); -1 when out of range.
int modeOfLayer(int layer) {
    return layer >= 1 && layer <= kLayers ? layer - 1 : -1;
}

}  // namespace

BusService::BusService(Application& app) : app_(app), bus_(QString()) {
    qDBusRegisterMetaType<KeyTableEntry>();
    qDBusRegisterMetaType<QList<KeyTableEntry>>();
    followEvents();
}

BusService::~BusService() {
    release();
}

bool BusService::publish(const std::string& dataDir) {
    const QString name = QString::fromStdString(instance_bus_name(dataDir));
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        LOG("Session bus: none (%s); keyloom runs without it", qPrintable(bus.lastError().message()));
        return false;
    }
    if (!bus.registerVirtualObject(kPath, this, QDBusConnection::SingleNode)) {
        LOG("Session bus: %s cannot be served", qPrintable(kPath));
        return false;
    }
    if (!bus.registerService(name)) {
        bus.unregisterObject(kPath);
        LOG("Session bus: the name %s is taken; keyloom runs without it", qPrintable(name));
        return false;
    }
    bus_ = bus;
    name_ = name;
    LOG("Session bus: serving %s", qPrintable(name));
    return true;
}

void BusService::release() {
    if (name_.isEmpty()) return;
    answerApplies(UINT64_MAX, "Failed", "keyloom ended before the apply ran");
    bus_.unregisterObject(kPath);
    // A blocking call: the replies sent before it (Quit's) leave first.
    bus_.unregisterService(name_);
    name_.clear();
}

QString BusService::introspect(const QString&) const {
    // The interface element of the file; Qt adds the standard interfaces around it.
    const QString xml = QString::fromUtf8(kBusInterfaceXml);
    const qsizetype begin = xml.indexOf(QStringLiteral("<interface "));
    const QString endTag = QStringLiteral("</interface>");
    const qsizetype end = xml.lastIndexOf(endTag);
    if (begin < 0 || end < begin) return {};
    return xml.mid(begin, end + endTag.size() - begin) + QLatin1Char('\n');
}

bool BusService::handleMessage(const QDBusMessage& message, const QDBusConnection& connection) {
    if (message.type() != QDBusMessage::MethodCallMessage) return false;
    if (message.interface() == QLatin1String("org.freedesktop.DBus.Properties")) {
        connection.send(answerProperties(message));
        return true;
    }
    if (!message.interface().isEmpty() && message.interface() != kInterface) return false;
    const QString member = message.member();
    LOG("Bus call %s from %s", qPrintable(member), qPrintable(message.service()));

    using Method = std::function<QDBusMessage(BusService&, const QDBusMessage&)>;
    struct Entry {
        const char* name;
        const char* signature;
        Method method;
    };
    static const std::array<Entry, 20> methods{{
        {"GetState", "", &BusService::getState},
        {"ListKeyTables", "i", &BusService::listKeyTables},
        {"SetLayer", "i", &BusService::setLayer},
        {"ChooseKeyTable", "iu", &BusService::chooseKeyTable},
        {"Apply", "i", &BusService::apply},
        {"Show", "", [](BusService& s, const QDBusMessage& call) { s.app_.showWindow(); return call.createReply(); }},
        {"Hide", "", [](BusService& s, const QDBusMessage& call) { s.app_.hideWindows(); return call.createReply(); }},
        {"ListProfiles", "", [](BusService&, const QDBusMessage& call) { return answer(call, report::Profiles()); }},
        {"ListMacros", "",
         [](BusService& s, const QDBusMessage& call) { return answer(call, report::Macros(s.app_.view()->macroTree())); }},
        {"ImportKeyTable", "s", &BusService::importKeyTable},
        {"ExportKeyTable", "us", &BusService::exportKeyTable},
        {"ImportMacro", "ss", &BusService::importMacro},
        {"ExportMacro", "ss", &BusService::exportMacro},
        {"Save", "", &BusService::save},
        {"ListRules", "", &BusService::listRules},
        {"AddRule", "iss", &BusService::addRule},
        {"RemoveRule", "i", &BusService::removeRule},
        {"SetFollowing", "b",
         [](BusService& s, const QDBusMessage& call) {
             s.app_.follower()->setFollowing(call.arguments().at(0).toBool());
             return call.createReply();
         }},
        {"FocusChanged", "s",
         [](BusService& s, const QDBusMessage& call) {
             s.app_.follower()->focusChanged(call.arguments().at(0).toString().toStdString());
             return call.createReply();
         }},
        {"Quit", "",
         [](BusService& s, const QDBusMessage& call) {
             // Answered first; the end (which saves) follows on the event loop.
             QTimer::singleShot(0, &s.app_, [&app = s.app_] { app.quit(); });
             return call.createReply();
         }},
    }};
    for (const Entry& entry : methods) {
        if (member != QLatin1String(entry.name)) continue;
        QDBusMessage reply;
        if (message.signature() != QLatin1String(entry.signature))
            reply = message.createErrorReply(QDBusError::InvalidArgs,
                                             QStringLiteral("%1 takes the arguments \"%2\", not \"%3\"")
                                                 .arg(member, QLatin1String(entry.signature), message.signature()));
        else if (!app_.view() || app_.quitting())
            reply = message.createErrorReply(errorName("Failed"), QStringLiteral("keyloom is ending"));
        else
            reply = entry.method(*this, message);
        if (!message.isDelayedReply()) connection.send(reply);
        return true;
    }
    connection.send(message.createErrorReply(QDBusError::UnknownMethod,
                                             QStringLiteral("%1 has no method %2").arg(kInterface, member)));
    return true;
}

QDBusMessage BusService::answerProperties(const QDBusMessage& call) {
    // The interface has no properties; generic tools still ask for them all.
    const QString iface = call.arguments().value(0).toString();
    if (iface != kInterface && !iface.isEmpty())
        return call.createErrorReply(QDBusError::UnknownInterface, QStringLiteral("no interface %1 here").arg(iface));
    if (call.member() == QLatin1String("GetAll")) return call.createReply(QVariant::fromValue(QVariantMap()));
    return call.createErrorReply(QDBusError::UnknownProperty, kInterface + QStringLiteral(" has no properties"));
}

report::Following BusService::following() const {
    const FocusFollower& follower = *app_.follower();
    const FocusFollower::Active active = follower.active();
    return {follower.following(), follower.sourceName(), active.layer, active.table, active.app};
}

QDBusMessage BusService::listRules(const QDBusMessage& call) const {
    const report::Following now = following();
    return answer(call, report::Rules(app_.follower()->rules(), &now));
}

QDBusMessage BusService::addRule(const QDBusMessage& call) {
    const QList<QVariant> args = call.arguments();
    FocusFollower& follower = *app_.follower();
    const report::Outcome added = report::AddRule(follower.rules(), args.at(0).toInt(), args.at(1).toString().toStdString(),
                                                  args.at(2).toString().toStdString());
    if (added.ok()) follower.rulesChanged();
    return answer(call, added);
}

QDBusMessage BusService::removeRule(const QDBusMessage& call) {
    FocusFollower& follower = *app_.follower();
    const report::Outcome removed = report::RemoveRule(follower.rules(), call.arguments().at(0).toInt());
    if (removed.ok()) follower.rulesChanged();
    return answer(call, removed);
}

QDBusMessage BusService::getState(const QDBusMessage& call) const {
    const MainView& view = *app_.view();
    QVariantMap state;
    state[QStringLiteral("KeyboardAttached")] = view.keyboardShown() != KeyboardState::Missing;
    state[QStringLiteral("Simulated")] = view.keyboardShown() == KeyboardState::Simulated;
    state[QStringLiteral("DataFolder")] = QString::fromStdString(get_data_path());
    state[QStringLiteral("WindowShown")] = app_.windowShown();
    state[QStringLiteral("Applying")] = ApplyBusy();
    if (const _ST_PROFILE* profile = get_current_profile()) {
        state[QStringLiteral("Profile")] = uint32_t(profile->dwID);
        state[QStringLiteral("ProfileName")] = profileName(*profile);
        state[QStringLiteral("Layer")] = int(profile->nLayer) + 1;
        QList<uint32_t> tables;
        QStringList names;
        for (int mode = 0; mode < kLayers; ++mode) {
            tables.append(profile->dwKeyProID[mode]);
            names.append(keyTableName(profile->dwKeyProID[mode]));
        }
        state[QStringLiteral("KeyTables")] = QVariant::fromValue(tables);
        state[QStringLiteral("KeyTableNames")] = names;
        state[QStringLiteral("LightingMode")] = int(profile->stAdv.nMode);
        state[QStringLiteral("KnobSet")] = int(profile->nKnodSet) + 1;
    }
    return call.createReply(QVariant::fromValue(state));
}

QDBusMessage BusService::listKeyTables(const QDBusMessage& call) const {
    const int layer = call.arguments().at(0).toInt();
    const int mode = modeOfLayer(layer);
    if (mode < 0) return notFound(call, QStringLiteral("there is no layer %1: layers are 1 to 3").arg(layer));
    QList<KeyTableEntry> tables;
    for (int i = 0; const _ST_KEYPRO* table = get_keypro_by_index(i, mode); ++i)
        tables.append({uint32_t(table->dwID), QString::fromStdString(keypro_name(*table))});
    return call.createReply(QVariant::fromValue(tables));
}

QDBusMessage BusService::setLayer(const QDBusMessage& call) {
    const int layer = call.arguments().at(0).toInt();
    const int mode = modeOfLayer(layer);
    if (mode < 0) return notFound(call, QStringLiteral("there is no layer %1: layers are 1 to 3").arg(layer));
    // Done before the answer, so that the window shows it with the next frame.
    app_.view()->chooseMode(mode);
    return call.createReply();
}

QDBusMessage BusService::chooseKeyTable(const QDBusMessage& call) {
    const int layer = call.arguments().at(0).toInt();
    const uint32_t id = call.arguments().at(1).toUInt();
    const int mode = modeOfLayer(layer);
    if (mode < 0) return notFound(call, QStringLiteral("there is no layer %1: layers are 1 to 3").arg(layer));
    if (!app_.view()->chooseKeyTable(mode, id))
        return notFound(call, QStringLiteral("layer %1 has no key table %2").arg(layer).arg(id));
    return call.createReply();
}

QDBusMessage BusService::importKeyTable(const QDBusMessage& call) {
    const QString file = call.arguments().at(0).toString();
    if (auto refused = refuseRelative(call, file)) return *refused;
    return importShown(call, [&](MacroTree& tree) { return report::ImportKeyTable(file.toStdString(), tree); });
}

QDBusMessage BusService::exportKeyTable(const QDBusMessage& call) {
    const QString file = call.arguments().at(1).toString();
    if (auto refused = refuseRelative(call, file)) return *refused;
    return answer(call, report::ExportKeyTable(call.arguments().at(0).toUInt(), file.toStdString()));
}

QDBusMessage BusService::importMacro(const QDBusMessage& call) {
    const QString file = call.arguments().at(0).toString();
    if (auto refused = refuseRelative(call, file)) return *refused;
    const std::string folder = call.arguments().at(1).toString().toStdString();
    return importShown(call, [&](MacroTree& tree) { return report::ImportMacro(tree, file.toStdString(), folder); });
}

QDBusMessage BusService::importShown(const QDBusMessage& call,
                                     const std::function<report::Outcome(MacroTree&)>& import) {
    MainView& view = *app_.view();
    // The macro list is read again after an import, which would drop edits
    // the macro editor has not saved: they are written first, as at the end.
    if (!view.saveUnsavedChanges())
        return call.createErrorReply(errorName("Failed"),
                                     QStringLiteral("the macro being edited could not be written; nothing was imported"));
    const report::Outcome outcome = import(view.macroTree());
    if (outcome.ok()) view.dataChangedOutside();
    return answer(call, outcome);
}

QDBusMessage BusService::exportMacro(const QDBusMessage& call) {
    const QString file = call.arguments().at(1).toString();
    if (auto refused = refuseRelative(call, file)) return *refused;
    return answer(call, report::ExportMacro(app_.view()->macroTree(), call.arguments().at(0).toString().toStdString(),
                                            file.toStdString()));
}

QDBusMessage BusService::save(const QDBusMessage& call) {
    std::string failure;
    if (!app_.saveWithoutAsking(&failure))
        return call.createErrorReply(errorName("Failed"), QString::fromStdString("not saved: " + failure));
    return answer(call, report::Init(app_.startupReport(), true));
}

QDBusMessage BusService::apply(const QDBusMessage& call) {
    MainView& view = *app_.view();
    if (const Reason refusal = view.applyRefusal(); !refusal.empty())
        return call.createErrorReply(errorName("NoKeyboard"), QString::fromStdString(ReasonText(refusal)));
    view.applyFromOutside(call.arguments().at(0).toInt());
    call.setDelayedReply(true);
    waitingApplies_.push_back({ApplyTakeOfLatestRequest(), call});
    return {};
}

void BusService::answerApplies(uint64_t throughTake, const char* errorKind, const std::string& failure) {
    std::erase_if(waitingApplies_, [&](const WaitingApply& waiting) {
        if (waiting.take > throughTake) return false;
        bus_.send(!errorKind ? waiting.call.createReply()
                             : waiting.call.createErrorReply(errorName(errorKind), QString::fromStdString(failure)));
        return true;
    });
}

void BusService::emitSignal(const QString& name, const QList<QVariant>& arguments) {
    if (name_.isEmpty()) return;
    QDBusMessage signal = QDBusMessage::createSignal(kPath, kInterface, name);
    signal.setArguments(arguments);
    bus_.send(signal);
}

void BusService::followEvents() {
    AppEvents& events = app_.events();
    events.layerSwitched.add([this](int mode, bool byKeyboard) {
        const _ST_PROFILE* profile = get_current_profile();
        const uint32_t table = profile && mode >= 0 && mode < kLayers ? profile->dwKeyProID[mode] : 0;
        emitSignal(QStringLiteral("LayerSwitched"), {mode + 1, table, keyTableName(table), byKeyboard});
    });
    events.keyboardChanged.add([this](bool present) {
        if (!present) return emitSignal(QStringLiteral("KeyboardRemoved"));
        const MainView* view = app_.view();
        emitSignal(QStringLiteral("KeyboardAttached"),
                   {bool(view && view->keyboardShown() == KeyboardState::Simulated)});
    });
    events.applyStarted.add([this](int32_t flags) { emitSignal(QStringLiteral("ApplyStarted"), {int(flags)}); });
    events.applyProgress.add([this](int progress) { emitSignal(QStringLiteral("ApplyProgress"), {progress}); });
    events.applyFinished.add([this](int32_t flags, bool ok, const std::string& reason) {
        // The take finished told about is the last one the worker started.
        answerApplies(msParam ? msParam->finishedTake : 0, ok ? nullptr : "ApplyFailed", reason);
        emitSignal(QStringLiteral("ApplyFinished"), {int(flags), ok, QString::fromStdString(reason)});
    });
    events.knobSetChosen.add([this](int set) { emitSignal(QStringLiteral("KnobSetChosen"), {set + 1}); });
    events.dataChanged.add([this] { emitSignal(QStringLiteral("DataChanged")); });
    events.followingChanged.add([this] {
        const report::Following now = following();
        emitSignal(QStringLiteral("FollowingChanged"), {now.on, now.activeLayer + 1, QString::fromStdString(now.activeTable),
                                                        QString::fromStdString(now.activeApp)});
    });
}

}  // namespace keyloom::app
