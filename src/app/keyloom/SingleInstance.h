// One keyloom per data folder: the first start holds a lock in the user's
// runtime folder and listens on a local socket beside it; a later start
// finds the lock taken and sends its request ("show" or "quit") instead.
// The lock names its owner's process, so one left by a crashed instance is
// taken over, and the socket file it left is removed before listening.
#pragma once
#include <QByteArray>
#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

namespace keyloom::app {

class SingleInstance : public QObject {
public:
    // Names derived from the data folder, in the runtime folder.
    explicit SingleInstance(const QString& dataDir);

    // True when this process is now the instance (and listens); false when
    // another one runs. Requests arriving later go to onRequest.
    bool claim();
    // Sends a request to the running instance. With waitForExit it returns
    // once that instance has ended (its socket closed). False when no
    // instance answered.
    bool send(const QByteArray& request, bool waitForExit = false) const;

    std::function<void(const QByteArray& request)> onRequest;
    QString socketPath() const { return socketPath_; }

private:
    QString socketPath_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer server_;
};

}  // namespace keyloom::app
