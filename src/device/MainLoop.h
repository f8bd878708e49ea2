// The main thread's event loop as the device layer sees it: calls posted from
// any thread, descriptor watches and timers, all run on the main thread. The
// window runs it on Qt's loop; keyloomctl and the tests on PollLoop.
#pragma once
#include <functional>

namespace keyloom {

class MainLoop {
public:
    virtual ~MainLoop() = default;

    // Runs fn on the main thread soon; safe to call from any thread, never waits.
    virtual void post(std::function<void()> fn) = 0;

    // Calls onReady(revents) on the main thread while fd is readable or hung up
    // (POLLIN/POLLHUP/POLLERR as poll() reports them). Returns a watch id.
    virtual int watchFd(int fd, std::function<void(short revents)> onReady) = 0;
    virtual void unwatchFd(int watchId) = 0;

    // Calls fn once after ms milliseconds (or every ms when repeat). Returns a timer id.
    virtual int addTimer(int ms, bool repeat, std::function<void()> fn) = 0;
    virtual void cancelTimer(int timerId) = 0;
};

}  // namespace keyloom
