// The poll() main loop: posts from other threads, timers, descriptor watches,
// and changes made by handlers while the loop dispatches.
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "device/PollLoop.h"

namespace keyloom {
namespace {

// Generous: only a broken loop comes near it.
constexpr int kPatienceMs = 20000;

struct Pipe {
    int fds[2] = {-1, -1};
    Pipe() { EXPECT_EQ(::pipe(fds), 0); }
    ~Pipe() {
        closeWrite();
        if (fds[0] >= 0) ::close(fds[0]);
    }
    void write1() { EXPECT_EQ(::write(fds[1], "x", 1), 1); }
    void closeWrite() {
        if (fds[1] >= 0) ::close(fds[1]);
        fds[1] = -1;
    }
};

TEST(PollLoop, PostsFromOtherThreadsWakeTheLoopAndRunInOrder) {
    PollLoop loop;
    ASSERT_TRUE(loop.valid());
    std::vector<int> ran;
    auto start = std::chrono::steady_clock::now();
    std::thread poster([&] {
        for (int i = 0; i < 3; ++i) loop.post([&ran, i] { ran.push_back(i); });
    });
    // Nothing else is due, so only the wake-up can end the wait before the limit.
    EXPECT_TRUE(loop.runUntil([&] { return ran.size() == 3; }, 2 * kPatienceMs));
    poster.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(kPatienceMs));
    EXPECT_EQ(ran, (std::vector<int>{0, 1, 2}));

    // A call posted by a posted call waits for the next round.
    int inner = 0;
    loop.post([&] { loop.post([&] { ++inner; }); });
    loop.runFor(0);
    EXPECT_EQ(inner, 0);
    loop.runFor(0);
    EXPECT_EQ(inner, 1);
}

TEST(PollLoop, QuitEndsRunFromAnyThread) {
    PollLoop loop;
    std::thread quitter([&] { loop.quit(); });
    loop.run();  // returns whether the quit came before or during the run
    quitter.join();

    // The quit was taken by that run: the next bounded run is not cut short.
    bool ran = false;
    loop.post([&] { ran = true; });
    EXPECT_TRUE(loop.runUntil([&] { return ran; }, kPatienceMs));

    loop.post([&] { loop.quit(); });
    EXPECT_FALSE(loop.runUntil([] { return false; }, -1));
}

TEST(PollLoop, TimersFireByDueTimeThenCreation) {
    PollLoop loop;
    std::vector<std::string> fired;
    loop.addTimer(20, false, [&] { fired.push_back("20ms"); });
    loop.addTimer(0, false, [&] { fired.push_back("0ms a"); });
    loop.addTimer(10, false, [&] { fired.push_back("10ms"); });
    loop.addTimer(0, false, [&] { fired.push_back("0ms b"); });
    ASSERT_TRUE(loop.runUntil([&] { return fired.size() == 4; }, kPatienceMs));
    EXPECT_EQ(fired, (std::vector<std::string>{"0ms a", "0ms b", "10ms", "20ms"}));
    loop.runFor(30);
    EXPECT_EQ(fired.size(), 4u);  // one-shot timers do not come back
}

TEST(PollLoop, RepeatingAndCancelledTimers) {
    PollLoop loop;
    int ticks = 0;
    int ticker = -1;
    ticker = loop.addTimer(1, true, [&] {
        if (++ticks == 3) loop.cancelTimer(ticker);
    });

    bool cancelledEarly = false;
    int early = loop.addTimer(5, false, [&] { cancelledEarly = true; });
    loop.cancelTimer(early);

    // Two timers due in the same round: the first cancels the second.
    bool second = false;
    int secondId = -1;
    loop.addTimer(0, false, [&] { loop.cancelTimer(secondId); });
    secondId = loop.addTimer(0, false, [&] { second = true; });

    bool sentinel = false;
    loop.addTimer(40, false, [&] { sentinel = true; });
    ASSERT_TRUE(loop.runUntil([&] { return sentinel; }, kPatienceMs));
    EXPECT_EQ(ticks, 3);
    EXPECT_FALSE(cancelledEarly);
    EXPECT_FALSE(second);

    // A timer added by a timer runs in a later round, not in the one adding it.
    int chained = 0;
    loop.addTimer(0, false, [&] { loop.addTimer(0, false, [&] { ++chained; }); });
    ASSERT_TRUE(loop.runUntil([&] { return chained == 1; }, kPatienceMs));
}

TEST(PollLoop, WatchesReportReadableAndHangUp) {
    PollLoop loop;
    Pipe p;
    std::vector<short> seen;
    int watch = -1;
    watch = loop.watchFd(p.fds[0], [&](short revents) {
        seen.push_back(revents);
        char c;
        if (::read(p.fds[0], &c, 1) == 0) loop.unwatchFd(watch);  // end of file: stop watching
    });
    loop.runFor(0);
    EXPECT_TRUE(seen.empty());

    p.write1();
    ASSERT_TRUE(loop.runUntil([&] { return seen.size() == 1; }, kPatienceMs));
    EXPECT_TRUE(seen[0] & POLLIN);

    p.closeWrite();
    ASSERT_TRUE(loop.runUntil([&] { return seen.size() == 2; }, kPatienceMs));
    EXPECT_TRUE(seen[1] & POLLHUP);
    loop.runFor(0);
    EXPECT_EQ(seen.size(), 2u);  // unwatched by its own handler
}

TEST(PollLoop, HandlersChangeWatchesWhileDispatching) {
    PollLoop loop;
    Pipe a, b, c;
    int callsB = 0, callsC = 0;
    int watchB = -1;
    bool calledA = false;
    loop.watchFd(a.fds[0], [&](short) {
        if (calledA) return;
        calledA = true;
        loop.unwatchFd(watchB);  // B is ready in this round too, but must not be called
        loop.watchFd(c.fds[0], [&](short) { ++callsC; });
    });
    watchB = loop.watchFd(b.fds[0], [&](short) { ++callsB; });
    a.write1();
    b.write1();
    c.write1();
    loop.runFor(0);
    EXPECT_TRUE(calledA);
    EXPECT_EQ(callsB, 0);
    EXPECT_EQ(callsC, 0);  // added during the round: watched from the next one
    loop.runFor(0);
    EXPECT_EQ(callsB, 0);
    EXPECT_EQ(callsC, 1);
}

TEST(PollLoop, AWatchOnAClosedDescriptorIsReportedOnceAndDropped) {
    PollLoop loop;
    int fd;
    {
        Pipe p;
        fd = p.fds[0];
    }
    std::vector<short> seen;
    loop.watchFd(fd, [&](short revents) { seen.push_back(revents); });
    loop.runFor(0);
    loop.runFor(0);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_TRUE(seen[0] & POLLNVAL);
}

}  // namespace
}  // namespace keyloom
