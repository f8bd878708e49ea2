#include "device/PollLoop.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

#include "base/debug.h"

namespace keyloom {

namespace {
// Without a wake-up descriptor, posts from other threads are picked up this often.
constexpr int kFallbackWakeMs = 10;
}  // namespace

PollLoop::PollLoop() {
    wakeFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd_ < 0) SysLog("PollLoop: eventfd failed, errno=%d", errno);
}

PollLoop::~PollLoop() {
    if (wakeFd_ >= 0) ::close(wakeFd_);
}

void PollLoop::post(std::function<void()> fn) {
    {
        std::lock_guard<std::mutex> lock(postLock_);
        posted_.push_back(std::move(fn));
    }
    if (wakeFd_ >= 0) {
        uint64_t one = 1;
        // A full counter still leaves the descriptor readable, so a failed write loses nothing.
        (void)!::write(wakeFd_, &one, sizeof one);
    }
}

void PollLoop::quit() {
    quit_ = true;
    post([] {});
}

int PollLoop::watchFd(int fd, std::function<void(short revents)> onReady) {
    int id = nextId_++;
    watches_[id] = Watch{fd, std::make_shared<std::function<void(short)>>(std::move(onReady))};
    return id;
}

void PollLoop::unwatchFd(int watchId) { watches_.erase(watchId); }

int PollLoop::addTimer(int ms, bool repeat, std::function<void()> fn) {
    int id = nextId_++;
    // A repeating timer of 0 ms would keep the loop from ever waiting.
    int periodMs = std::max(ms, repeat ? 1 : 0);
    Clock::duration period = std::chrono::milliseconds(periodMs);
    timers_[id] = Timer{Clock::now() + period, period, repeat, std::make_shared<std::function<void()>>(std::move(fn))};
    return id;
}

void PollLoop::cancelTimer(int timerId) { timers_.erase(timerId); }

void PollLoop::run() { runUntil([] { return false; }, -1); }

void PollLoop::runFor(int ms) { runUntil([] { return false; }, std::max(ms, 0)); }

bool PollLoop::runUntil(const std::function<bool()>& done, int timeoutMs) {
    const bool bounded = timeoutMs >= 0;
    const Clock::time_point deadline = bounded ? Clock::now() + std::chrono::milliseconds(timeoutMs)
                                               : Clock::time_point::max();
    if (done()) return true;
    while (!quit_.exchange(false)) {
        iterate(deadline);
        if (done()) return true;
        if (bounded && Clock::now() >= deadline) break;
    }
    return done();
}

int PollLoop::pollTimeout(Clock::time_point limit) const {
    Clock::time_point target = limit;
    for (const auto& [id, timer] : timers_) target = std::min(target, timer.due);
    if (target == Clock::time_point::max()) return wakeFd_ >= 0 ? -1 : kFallbackWakeMs;
    Clock::duration left = target - Clock::now();
    if (left <= Clock::duration::zero()) return 0;
    // Round up: waking a little early would only spin until the timer is due.
    auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    int timeout = static_cast<int>(std::min<decltype(ms)>(ms, INT_MAX));
    return wakeFd_ >= 0 ? timeout : std::min(timeout, kFallbackWakeMs);
}

void PollLoop::iterate(Clock::time_point limit) {
    std::vector<pollfd> fds;
    std::vector<int> ids;
    fds.push_back({wakeFd_, POLLIN, 0});
    for (const auto& [id, watch] : watches_) {
        fds.push_back({watch.fd, POLLIN, 0});
        ids.push_back(id);
    }
    int n = ::poll(fds.data(), fds.size(), pollTimeout(limit));
    std::vector<short> revents(ids.size(), 0);
    if (n > 0) {
        if (fds[0].revents) drainWake();
        for (size_t i = 0; i < ids.size(); ++i) revents[i] = fds[i + 1].revents;
    }
    runPosted();
    dispatchWatches(ids, revents);
    fireDueTimers();
}

void PollLoop::drainWake() {
    uint64_t count;
    (void)!::read(wakeFd_, &count, sizeof count);
}

void PollLoop::runPosted() {
    std::vector<std::function<void()>> batch;
    {
        std::lock_guard<std::mutex> lock(postLock_);
        batch.swap(posted_);
    }
    // Calls posted by these run in the next round, so a call that posts itself cannot starve the loop.
    for (auto& fn : batch) fn();
}

void PollLoop::dispatchWatches(const std::vector<int>& ids, const std::vector<short>& revents) {
    for (size_t i = 0; i < ids.size(); ++i) {
        if (!revents[i]) continue;
        auto it = watches_.find(ids[i]);
        if (it == watches_.end()) continue;  // removed by an earlier handler this round
        auto onReady = it->second.onReady;
        if (revents[i] & POLLNVAL) {
            // The descriptor is not open: it can never become ready, and watching it would spin.
            LOG("PollLoop: fd %d is not open, watch %d dropped", it->second.fd, ids[i]);
            watches_.erase(it);
        }
        (*onReady)(revents[i]);
    }
}

void PollLoop::fireDueTimers() {
    const Clock::time_point now = Clock::now();
    std::vector<std::pair<Clock::time_point, int>> due;
    for (const auto& [id, timer] : timers_)
        if (timer.due <= now) due.emplace_back(timer.due, id);
    std::sort(due.begin(), due.end());  // by due time, then by creation
    for (const auto& [when, id] : due) {
        auto it = timers_.find(id);
        if (it == timers_.end()) continue;  // cancelled by an earlier timer this round
        auto fn = it->second.fn;
        if (it->second.repeat) {
            // A loop that fell behind skips the missed ticks instead of firing them in a burst.
            Timer& t = it->second;
            t.due += t.period;
            if (t.due <= now) t.due = now + t.period;
        } else {
            timers_.erase(it);
        }
        (*fn)();
    }
}

}  // namespace keyloom
