// SystemClock: real waits, never shorter than asked, with a small timer slack
// on the waiting thread only.
#include <gtest/gtest.h>

#include <chrono>
#include <sys/prctl.h>
#include <thread>

#include "common/systemclock.h"

namespace {

unsigned long TimerSlack() { return static_cast<unsigned long>(::prctl(PR_GET_TIMERSLACK)); }

TEST(SystemClock, WaitsAtLeastTheTimeAskedAndNothingForZeroOrLess) {
  SystemClock clock;
  for (const int ms : {1, 10, 25}) {
    const auto start = std::chrono::steady_clock::now();
    const std::int64_t startMs = clock.NowMs();
    clock.Sleep(ms);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(ms));
    EXPECT_GE(clock.NowMs() - startMs, ms);
  }
  clock.Sleep(0);
  clock.Sleep(-5);
}

TEST(SystemClock, TheWaitingThreadGetsTheSmallSlackAndNoOtherThreadDoes) {
  constexpr unsigned long kDefaultSlack = 50000;  // the kernel's own default
  ASSERT_EQ(::prctl(PR_SET_TIMERSLACK, kDefaultSlack), 0);
  unsigned long after = 0;
  std::thread([&after] {
    ::prctl(PR_SET_TIMERSLACK, kDefaultSlack);
    SystemClock().Sleep(1);
    after = TimerSlack();
  }).join();
  EXPECT_EQ(after, SystemClock::kTimerSlackNs);
  EXPECT_EQ(TimerSlack(), kDefaultSlack);
}

}  // namespace
