// The main loop of keyloomctl and the tests, on poll(): posted calls, descriptor
// watches and steady-clock timers, all run on the thread that runs the loop.
// Only post() and quit() may be called from other threads.
#pragma once
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "device/MainLoop.h"

namespace keyloom {

class PollLoop : public MainLoop {
public:
    PollLoop();
    ~PollLoop() override;
    PollLoop(const PollLoop&) = delete;
    PollLoop& operator=(const PollLoop&) = delete;

    void post(std::function<void()> fn) override;
    int watchFd(int fd, std::function<void(short revents)> onReady) override;
    void unwatchFd(int watchId) override;
    int addTimer(int ms, bool repeat, std::function<void()> fn) override;
    void cancelTimer(int timerId) override;

    // Runs until quit(). A quit() that came before run() ends the next run at once.
    void run();
    // Ends the run in progress (or the next one); safe from any thread.
    void quit();
    // Runs for ms milliseconds, or until quit(). runFor(0) handles what is ready now.
    void runFor(int ms);
    // Runs until done() holds, quit() or timeoutMs passed (negative: no limit).
    // Returns done() as it stands at the end.
    bool runUntil(const std::function<bool()>& done, int timeoutMs);

    // Whether the wake-up descriptor could be made; without it posts from
    // other threads are noticed only at the next timer or watch.
    bool valid() const { return wakeFd_ >= 0; }

private:
    using Clock = std::chrono::steady_clock;
    struct Watch {
        int fd;
        std::shared_ptr<std::function<void(short)>> onReady;
    };
    struct Timer {
        Clock::time_point due;
        Clock::duration period;
        bool repeat;
        std::shared_ptr<std::function<void()>> fn;
    };

    // One round: waits at most until `limit` (or the next timer), then runs
    // posted calls, ready watches and due timers.
    void iterate(Clock::time_point limit);
    int pollTimeout(Clock::time_point limit) const;
    void runPosted();
    void dispatchWatches(const std::vector<int>& ids, const std::vector<short>& revents);
    void fireDueTimers();
    void drainWake();

    int wakeFd_ = -1;
    std::mutex postLock_;  // guards posted_
    std::vector<std::function<void()>> posted_;
    std::atomic<bool> quit_{false};

    int nextId_ = 1;
    std::map<int, Watch> watches_;
    std::map<int, Timer> timers_;
};

}  // namespace keyloom
