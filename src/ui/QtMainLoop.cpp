#include "ui/QtMainLoop.h"

#include <poll.h>

#include <QMetaObject>
#include <QSocketNotifier>
#include <QTimer>

namespace keyloom {

QtMainLoop::QtMainLoop() = default;

QtMainLoop::~QtMainLoop() {
    watches_.clear();
    timers_.clear();
}

void QtMainLoop::post(std::function<void()> fn) {
    QMetaObject::invokeMethod(&context_, std::move(fn), Qt::QueuedConnection);
}

int QtMainLoop::watchFd(int fd, std::function<void(short revents)> onReady) {
    const int id = nextId_++;
    auto notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    // The notifier fires for data, hang-up and errors alike; poll() tells which,
    // so the callback sees the same flags as under PollLoop.
    QObject::connect(notifier.get(), &QSocketNotifier::activated, &context_, [fd, onReady = std::move(onReady)] {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 0) <= 0) return;
        onReady(p.revents);
    });
    watches_[id] = std::move(notifier);
    return id;
}

void QtMainLoop::unwatchFd(int watchId) {
    auto it = watches_.find(watchId);
    if (it == watches_.end()) return;
    it->second->setEnabled(false);
    // The callback may be the one removing its own watch: delete after it returns.
    it->second.release()->deleteLater();
    watches_.erase(it);
}

int QtMainLoop::addTimer(int ms, bool repeat, std::function<void()> fn) {
    const int id = nextId_++;
    auto timer = std::make_unique<QTimer>();
    timer->setSingleShot(!repeat);
    timer->setInterval(ms);
    QObject::connect(timer.get(), &QTimer::timeout, &context_, [this, id, repeat, fn = std::move(fn)] {
        if (!repeat) cancelTimer(id);
        fn();
    });
    timer->start();
    timers_[id] = std::move(timer);
    return id;
}

void QtMainLoop::cancelTimer(int timerId) {
    auto it = timers_.find(timerId);
    if (it == timers_.end()) return;
    it->second->stop();
    it->second.release()->deleteLater();
    timers_.erase(it);
}

}  // namespace keyloom
