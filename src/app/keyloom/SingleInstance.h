// One keyloom per data folder: the first start holds the data folder's lock
// (see base/instance_lock.h) and listens on a local socket beside it; a later
// start finds the lock taken and sends its request ("show" or "quit")
// instead. The kernel drops the lock with its process, so one left by a
// crashed instance is simply taken, and the socket file it left is removed
// before listening. Plain Unix sockets watched by the event loop: the
// program needs no network library.
#pragma once
#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "base/instance_lock.h"

class QSocketNotifier;

namespace keyloom::app {

class SingleInstance : public QObject {
public:
    enum class Claim { Ours, Taken, Failed };

    // Names derived from the data folder, in the runtime folder.
    explicit SingleInstance(const QString& dataDir);
    ~SingleInstance() override;

    // Ours when this process is now the instance (and listens); Taken when
    // another process holds the data folder (holder() names it); Failed when
    // the lock or the socket cannot be set up (error() says why). Requests
    // arriving later go to onRequest.
    Claim claim();
    QString holder() const { return QString::fromStdString(lock_.holder()); }
    QString error() const { return error_; }

    // Sends a request to the running instance. False when no instance
    // answered. With waitForExit it returns once that instance has ended
    // (its socket closed), and `answer` holds the last line it sent back.
    bool send(const QByteArray& request, bool waitForExit = false, QByteArray* answer = nullptr) const;

    // A line for every peer that asked to quit, written before this process
    // ends ("saved", or why not).
    void answerQuit(const QByteArray& line);

    std::function<void(const QByteArray& request)> onRequest;
    QString socketPath() const { return socketPath_; }

private:
    struct Peer {
        int fd = -1;
        QByteArray received;  // up to the next end of line
        bool askedToQuit = false;
        QSocketNotifier* readable = nullptr;
    };
    void acceptPeers();
    void readFrom(Peer* peer);
    void closePeer(Peer* peer);

    QString socketPath_;
    InstanceLock lock_;
    int listening_ = -1;
    QString error_;
    std::vector<std::unique_ptr<Peer>> peers_;
};

}  // namespace keyloom::app
