// The cancel token that cuts the monitor's pause and a waiting probe short,
// and the name lookup that a closing window need not wait for.

#include "platform/IcmpSocket.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>

namespace kestrune::platform {
namespace {

using namespace std::chrono_literals;

// A guard against hangs, not a speed check.
constexpr auto kHangGuard = 20s;

TEST(CancelToken, WaitRunsItsFullTimeWhenNotCancelled) {
    CancelToken token;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(token.waitFor(50ms));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 50ms); // a lower bound only
    EXPECT_FALSE(token.cancelled());
}

TEST(CancelToken, CancelledTokenStaysCancelledAndEndsEveryWait) {
    CancelToken token;
    token.cancel();
    token.cancel(); // harmless
    EXPECT_TRUE(token.cancelled());
    EXPECT_TRUE(token.waitFor(std::chrono::hours(1)));
    EXPECT_TRUE(token.waitFor(std::chrono::hours(1)));
}

TEST(CancelToken, CancelFromAnotherThreadWakesAWaiter) {
    CancelToken token;
    std::promise<void> waiting;
    auto waiter = std::async(std::launch::async, [&] {
        waiting.set_value();
        return token.waitFor(std::chrono::hours(1));
    });
    waiting.get_future().wait();
    token.cancel();
    ASSERT_EQ(waiter.wait_for(kHangGuard), std::future_status::ready);
    EXPECT_TRUE(waiter.get());
}

// A lookup the test holds until it lets go.
class HeldLookup {
public:
    std::optional<std::uint32_t> operator()() {
        std::unique_lock<std::mutex> lock(mutex_);
        started_ = true;
        changed_.notify_all();
        changed_.wait(lock, [&] { return released_; });
        finished_ = true;
        changed_.notify_all();
        return 0x0100007Fu;
    }
    void waitUntilStarted() {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return started_; });
    }
    void releaseAndWaitUntilFinished() {
        std::unique_lock<std::mutex> lock(mutex_);
        released_ = true;
        changed_.notify_all();
        changed_.wait_for(lock, kHangGuard, [&] { return finished_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool started_ = false;
    bool released_ = false;
    bool finished_ = false;
};

TEST(LookupCancellable, GivesTheLookupsResult) {
    CancelToken token;
    EXPECT_EQ(lookupCancellable([] { return std::optional<std::uint32_t>(0x0100007Fu); }, token),
              0x0100007Fu);
    EXPECT_EQ(lookupCancellable([] { return std::optional<std::uint32_t>(); }, token), std::nullopt);
    EXPECT_EQ(lookupCancellable([]() -> std::optional<std::uint32_t> { throw std::bad_alloc(); },
                                token),
              std::nullopt);
}

TEST(LookupCancellable, CancelEndsTheWaitWhileTheLookupIsStillRunning) {
    CancelToken token;
    auto held = std::make_shared<HeldLookup>();
    auto waiter = std::async(std::launch::async, [&] {
        return lookupCancellable([held] { return (*held)(); }, token);
    });
    held->waitUntilStarted();
    token.cancel();
    ASSERT_EQ(waiter.wait_for(kHangGuard), std::future_status::ready);
    EXPECT_EQ(waiter.get(), std::nullopt) << "a lookup cut short gives nothing";
    held->releaseAndWaitUntilFinished(); // the lookup ends on its own thread
}

TEST(LookupCancellable, CancelledTokenStartsNoLookup) {
    CancelToken token;
    token.cancel();
    std::atomic<bool> ran{false};
    EXPECT_EQ(lookupCancellable(
                  [&] {
                      ran = true;
                      return std::optional<std::uint32_t>(1);
                  },
                  token),
              std::nullopt);
    EXPECT_FALSE(ran);
}

} // namespace
} // namespace kestrune::platform
