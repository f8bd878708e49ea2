// The device layer's main loop on Qt's event loop: descriptor watches are
// socket notifiers, posted calls are queued calls, timers are QTimers. All
// callbacks run on the thread that owns the QtMainLoop (the GUI thread).
#pragma once
#include <QObject>
#include <map>
#include <memory>

#include "device/MainLoop.h"

class QSocketNotifier;
class QTimer;

namespace keyloom {

class QtMainLoop final : public MainLoop {
public:
    QtMainLoop();
    ~QtMainLoop() override;

    void post(std::function<void()> fn) override;
    int watchFd(int fd, std::function<void(short revents)> onReady) override;
    void unwatchFd(int watchId) override;
    int addTimer(int ms, bool repeat, std::function<void()> fn) override;
    void cancelTimer(int timerId) override;

private:
    // Queued calls are delivered to this object, so they run on its thread and
    // are dropped when the loop is destroyed.
    QObject context_;
    std::map<int, std::unique_ptr<QSocketNotifier>> watches_;
    std::map<int, std::unique_ptr<QTimer>> timers_;
    int nextId_ = 1;
};

}  // namespace keyloom
