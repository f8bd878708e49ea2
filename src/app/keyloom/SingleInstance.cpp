#include "SingleInstance.h"

#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace keyloom::app {

namespace {

constexpr int kConnectMs = 2000;
constexpr int kExitWaitMs = 30000;  // the running instance saves before it ends

using Clock = std::chrono::steady_clock;

int msSince(Clock::time_point start) {
    return int(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// The socket's address; false when the path does not fit one.
bool addressOf(const QString& path, sockaddr_un* address) {
    const QByteArray name = path.toLocal8Bit();
    *address = {};
    address->sun_family = AF_UNIX;
    if (name.isEmpty() || size_t(name.size()) >= sizeof address->sun_path) return false;
    std::memcpy(address->sun_path, name.constData(), size_t(name.size()));
    return true;
}

// Writes all of bytes, waiting at most timeoutMs for room.
bool writeAll(int fd, const QByteArray& bytes, int timeoutMs) {
    const Clock::time_point start = Clock::now();
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.constData() + done, size_t(bytes.size() - done), MSG_NOSIGNAL);
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd wait{fd, POLLOUT, 0};
            const int left = timeoutMs - msSince(start);
            if (left <= 0 || ::poll(&wait, 1, left) <= 0) return false;
            continue;
        }
        return false;
    }
    return true;
}

}  // namespace

SingleInstance::SingleInstance(const QString& dataDir)
    : socketPath_(QString::fromStdString(instance_base_path(dataDir.toStdString())) + QStringLiteral(".socket")),
      lock_(dataDir.toStdString(), "keyloom") {}

SingleInstance::~SingleInstance() {
    while (!peers_.empty()) closePeer(peers_.back().get());
    if (listening_ >= 0) {
        ::close(listening_);
        ::unlink(socketPath_.toLocal8Bit().constData());
    }
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
    auto fail = [this](const char* what) {
        error_ = socketPath_ + QStringLiteral(": ") + QString::fromLocal8Bit(what);
        if (listening_ >= 0) ::close(listening_);
        listening_ = -1;
        return Claim::Failed;
    };
    sockaddr_un address;
    if (!addressOf(socketPath_, &address)) return fail("the path is too long for a local socket");
    listening_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (listening_ < 0) return fail(std::strerror(errno));
    ::unlink(address.sun_path);  // left by an instance that crashed
    // Only this user may connect: the socket is made without rights for others.
    const mode_t before = ::umask(0077);
    const int bound = ::bind(listening_, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    ::umask(before);
    if (bound != 0 || ::listen(listening_, 8) != 0) return fail(std::strerror(errno));
    auto* incoming = new QSocketNotifier(listening_, QSocketNotifier::Read, this);
    connect(incoming, &QSocketNotifier::activated, this, [this] { acceptPeers(); });
    return Claim::Ours;
}

void SingleInstance::acceptPeers() {
    for (;;) {
        const int fd = ::accept4(listening_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            if (errno == EINTR) continue;
            return;  // none waiting (or a peer that left at once)
        }
        peers_.push_back(std::make_unique<Peer>());
        Peer* peer = peers_.back().get();
        peer->fd = fd;
        peer->readable = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        connect(peer->readable, &QSocketNotifier::activated, this, [this, peer] { readFrom(peer); });
        readFrom(peer);  // what arrived with the connection
    }
}

void SingleInstance::readFrom(Peer* peer) {
    char buffer[512];
    for (;;) {
        const ssize_t n = ::read(peer->fd, buffer, sizeof buffer);
        if (n > 0) {
            peer->received.append(buffer, n);
            // A peer says little: one short line per request.
            if (peer->received.size() > 4096) return closePeer(peer);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        const bool ended = n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
        for (qsizetype end; (end = peer->received.indexOf('\n')) >= 0;) {
            const QByteArray request = peer->received.left(end).trimmed();
            peer->received.remove(0, end + 1);
            if (request == "quit") peer->askedToQuit = true;
            if (onRequest) onRequest(request);
        }
        if (ended) closePeer(peer);
        return;
    }
}

void SingleInstance::closePeer(Peer* peer) {
    delete peer->readable;
    ::close(peer->fd);
    peers_.erase(std::find_if(peers_.begin(), peers_.end(), [peer](const auto& p) { return p.get() == peer; }));
}

bool SingleInstance::send(const QByteArray& request, bool waitForExit, QByteArray* answer) const {
    sockaddr_un address;
    if (!addressOf(socketPath_, &address)) return false;
    // The instance may still be starting: it holds the lock before it listens.
    const Clock::time_point start = Clock::now();
    int fd = -1;
    for (;;) {
        fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return false;
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) break;
        ::close(fd);
        if (msSince(start) > kConnectMs) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    bool sent = writeAll(fd, request + '\n', kConnectMs);
    if (sent && waitForExit) {
        // Every line it sends back until it closes the connection as it ends.
        const Clock::time_point waiting = Clock::now();
        QByteArray received;
        for (;;) {
            pollfd wait{fd, POLLIN, 0};
            const int left = kExitWaitMs - msSince(waiting);
            if (left <= 0 || ::poll(&wait, 1, left) <= 0) break;
            char buffer[512];
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            received.append(buffer, n);
        }
        for (const QByteArray& line : received.split('\n'))
            if (answer && !line.trimmed().isEmpty()) *answer = line.trimmed();
    }
    ::close(fd);
    return sent;
}

void SingleInstance::answerQuit(const QByteArray& line) {
    for (const auto& peer : peers_)
        if (peer->askedToQuit) writeAll(peer->fd, line + '\n', kConnectMs);
}

}  // namespace keyloom::app
