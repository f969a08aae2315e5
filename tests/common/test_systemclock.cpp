// SystemClock: real waits, never shorter than asked, with a small timer slack
// on the waiting thread only.
#include <gtest/gtest.h>

#include <sys/prctl.h>
#include <chrono>
#include <thread>

#include "common/systemclock.h"

namespace {

unsigned long TimerSlack() { return static_cast<unsigned long>(::prctl(PR_GET_TIMERSLACK)); }

timespec Monotonic() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return now;
}

TEST(SystemClock, MovingATimeKeepsItsNanosecondsWithinTheSecond) {
  struct Case {
    timespec from;
    long ns;
    timespec to;
  };
  const Case cases[] = {
      {{5, 123}, 0, {5, 123}},
      // the wake-up of a deadline just past a second
      {{5, 50000}, -SystemClock::kAwakeNs, {4, 999950000}},
      {{5, 99999}, -SystemClock::kAwakeNs, {4, 999999999}},
      {{5, 100000}, -SystemClock::kAwakeNs, {5, 0}},
      {{5, 0}, -1, {4, 999999999}},
      {{5, 1}, -2500000000L, {2, 500000001}},
      {{5, 0}, -1000000000L, {4, 0}},
      {{5, 999999999}, 1, {6, 0}},
      {{5, 999950000}, SystemClock::kAwakeNs, {6, 50000}},
      {{5, 500000000}, 1500000000L, {7, 0}},
      {{5, 999000000}, 25000000L, {6, 24000000}},  // a 25 ms wait across a second
  };
  for (const Case& c : cases) {
    const timespec to = SystemClock::Plus(c.from, c.ns);
    EXPECT_EQ(to.tv_sec, c.to.tv_sec) << c.from.tv_sec << "." << c.from.tv_nsec << " + " << c.ns;
    EXPECT_EQ(to.tv_nsec, c.to.tv_nsec) << c.from.tv_sec << "." << c.from.tv_nsec << " + " << c.ns;
  }
}

TEST(SystemClock, ADeadlineJustPastASecondIsSleptForAndNotRefused) {
  // Deadlines just past the start of the current second (already gone, so
  // that nothing waits long): the wake-up before each lies in the second
  // before, which the kernel only takes once normalised.
  timespec now = Monotonic();
  if (now.tv_nsec < 1000000) now.tv_sec -= 1;
  const long pastTheSecond[] = {
      0L, 1L, 50000L, SystemClock::kAwakeNs - 1, SystemClock::kAwakeNs, 999999L};
  for (const long ns : pastTheSecond) {
    EXPECT_EQ(SystemClock::SleepUntil({now.tv_sec, ns}), 0) << ns;
  }
  // And one still to come, a little after now.
  EXPECT_EQ(SystemClock::SleepUntil(SystemClock::Plus(Monotonic(), 2000000L)), 0);
}

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
