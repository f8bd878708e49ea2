// keyloom on the session bus: the interface org.keyloom.Keyloom1 at
// /org/keyloom/Keyloom (packaging/dbus/org.keyloom.Keyloom1.xml), under the
// name of the data folder (instance_bus_name). Every call is answered on the
// main thread with what the window's own controls do; the events of the
// application go out as the interface's signals. Without a session bus, or
// with the name taken, keyloom runs on as before: the window never depends
// on the bus.
#pragma once
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "report/reports.h"

namespace keyloom::app {

class Application;

class BusService : public QDBusVirtualObject {
public:
    // Follows the application's events from now on (before its start, so
    // that none is missed); nothing is on the bus until publish().
    explicit BusService(Application& app);
    ~BusService() override;

    // Serves the object and asks for the data folder's name on the session
    // bus; false (and one log line) when there is no bus or the name is taken.
    bool publish(const std::string& dataDir);
    // Gives the name back; calls still waiting for an apply are told that
    // keyloom ended. Also done by the destructor.
    void release();
    // The name on the bus; empty until published.
    QString name() const { return name_; }

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    // An Apply call waiting for the take of the worker that runs its request.
    struct WaitingApply {
        uint64_t take;
        QDBusMessage call;
    };

    void followEvents();
    void emitSignal(const QString& name, const QList<QVariant>& arguments = {});
    // Answers the waiting Apply calls whose requests ran in takes up to
    // throughTake: a plain reply, or with errorKind the error of that kind.
    void answerApplies(uint64_t throughTake, const char* errorKind, const std::string& failure);

    static QDBusMessage answerProperties(const QDBusMessage& call);
    // The methods; each answers its call (an error, or the reply).
    QDBusMessage getState(const QDBusMessage& call) const;
    QDBusMessage listKeyTables(const QDBusMessage& call) const;
    QDBusMessage setLayer(const QDBusMessage& call);
    QDBusMessage chooseKeyTable(const QDBusMessage& call);
    // keyloomctl's exchange commands on the data the window shows; what an
    // import changed shows in the window at once.
    QDBusMessage importKeyTable(const QDBusMessage& call);
    QDBusMessage exportKeyTable(const QDBusMessage& call);
    QDBusMessage importMacro(const QDBusMessage& call);
    QDBusMessage exportMacro(const QDBusMessage& call);
    // Runs an import on the macro tree the window shows, which shows the
    // result at once.
    QDBusMessage importShown(const QDBusMessage& call, const std::function<report::Outcome(MacroTree&)>& import);
    // Saves now: keyloomctl init's JSON for the data as start-up found it.
    QDBusMessage save(const QDBusMessage& call);
    // No answer yet when the apply was requested (a delayed reply).
    QDBusMessage apply(const QDBusMessage& call);
    // The rules that make key tables follow the application in front; what
    // changes them is followed at once.
    report::Following following() const;
    QDBusMessage listRules(const QDBusMessage& call) const;
    QDBusMessage addRule(const QDBusMessage& call);
    QDBusMessage removeRule(const QDBusMessage& call);

    Application& app_;
    QDBusConnection bus_;
    QString name_;  // empty until published
    std::vector<WaitingApply> waitingApplies_;
};

}  // namespace keyloom::app
