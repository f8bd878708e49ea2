#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

namespace keyloom::app {

namespace {

constexpr int kConnectMs = 2000;
constexpr int kExitWaitMs = 30000;  // the running instance saves before it ends

QString runtimeDir() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty()) dir = QDir::tempPath();
    return dir;
}

}  // namespace

SingleInstance::SingleInstance(const QString& dataDir) {
    const QByteArray key = QCryptographicHash::hash(QDir(dataDir).absolutePath().toUtf8(), QCryptographicHash::Sha1)
                               .toHex()
                               .left(16);
    const QString base = runtimeDir() + QStringLiteral("/keyloom-") + QString::fromLatin1(key);
    socketPath_ = base + QStringLiteral(".socket");
    lock_ = std::make_unique<QLockFile>(base + QStringLiteral(".lock"));
    lock_->setStaleLockTime(0);  // only a dead owner makes it stale
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    QObject::connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* peer = server_.nextPendingConnection()) {
            auto take = [this, peer] {
                while (peer->canReadLine()) {
                    const QByteArray request = peer->readLine().trimmed();
                    if (onRequest) onRequest(request);
                }
            };
            QObject::connect(peer, &QLocalSocket::readyRead, this, take);
            QObject::connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
            take();  // what arrived with the connection
        }
    });
}

bool SingleInstance::claim() {
    if (!lock_->tryLock(0)) return false;
    QLocalServer::removeServer(socketPath_);  // left by an instance that crashed
    return server_.listen(socketPath_);
}

bool SingleInstance::send(const QByteArray& request, bool waitForExit) const {
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
        if (socket.state() == QLocalSocket::ConnectedState) socket.waitForDisconnected(kExitWaitMs);
    } else {
        socket.disconnectFromServer();
        if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(kConnectMs);
    }
    return true;
}

}  // namespace keyloom::app
