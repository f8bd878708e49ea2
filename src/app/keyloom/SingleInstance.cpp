#include "SingleInstance.h"

#include <QElapsedTimer>
#include <QLocalSocket>
#include <QThread>

namespace keyloom::app {

namespace {

constexpr int kConnectMs = 2000;
constexpr int kExitWaitMs = 30000;  // the running instance saves before it ends

}  // namespace

SingleInstance::SingleInstance(const QString& dataDir)
    : socketPath_(QString::fromStdString(instance_base_path(dataDir.toStdString())) + QStringLiteral(".socket")),
      lock_(dataDir.toStdString(), "keyloom") {
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    QObject::connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* peer = server_.nextPendingConnection()) {
            auto take = [this, peer] {
                while (peer->canReadLine()) {
                    const QByteArray request = peer->readLine().trimmed();
                    if (request == "quit") quitPeers_.append(peer);
                    if (onRequest) onRequest(request);
                }
            };
            QObject::connect(peer, &QLocalSocket::readyRead, this, take);
            QObject::connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
            take();  // what arrived with the connection
        }
    });
}

SingleInstance::Claim SingleInstance::claim() {
    switch (lock_.tryLock()) {
    case InstanceLock::State::Held:
        return Claim::Taken;
    case InstanceLock::State::Failed:
        error_ = QString::fromStdString(lock_.error());
        return Claim::Failed;
    case InstanceLock::State::Taken:
        break;
    }
    QLocalServer::removeServer(socketPath_);  // left by an instance that crashed
    if (server_.listen(socketPath_)) return Claim::Ours;
    error_ = socketPath_ + QStringLiteral(": ") + server_.errorString();
    return Claim::Failed;
}

bool SingleInstance::send(const QByteArray& request, bool waitForExit, QByteArray* answer) const {
    QLocalSocket socket;
    // The instance may still be starting: it holds the lock before it listens.
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        socket.connectToServer(socketPath_);
        if (socket.waitForConnected(kConnectMs)) break;
        if (clock.elapsed() > kConnectMs) return false;
        QThread::msleep(50);
    }
    socket.write(request + '\n');
    if (!socket.waitForBytesWritten(kConnectMs)) return false;
    if (waitForExit) {
        clock.restart();
        for (;;) {
            while (socket.canReadLine()) {
                const QByteArray line = socket.readLine().trimmed();
                if (answer) *answer = line;
            }
            if (socket.state() != QLocalSocket::ConnectedState || clock.elapsed() >= kExitWaitMs) break;
            socket.waitForReadyRead(int(kExitWaitMs - clock.elapsed()));
        }
    } else {
        socket.disconnectFromServer();
        if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(kConnectMs);
    }
    return true;
}

void SingleInstance::answerQuit(const QByteArray& line) {
    for (const QPointer<QLocalSocket>& peer : quitPeers_) {
        if (!peer || peer->state() != QLocalSocket::ConnectedState) continue;
        peer->write(line + '\n');
        peer->waitForBytesWritten(kConnectMs);
    }
}

}  // namespace keyloom::app
