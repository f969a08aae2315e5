#include "common/systemclock.h"

#include <sys/prctl.h>
#include <cerrno>
#include <ctime>

namespace {

constexpr long kNsPerSecond = 1000000000L;

timespec Now() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return now;
}

bool Before(const timespec& a, const timespec& b) {
  return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

// The kernel may let a sleeping thread wake up to its timer slack late (50 µs
// by default) to group wake-ups together. An upload waits thousands of times,
// so that slack alone would stretch it by a large part of a second; the
// protocol's thread asks for almost none. Only the calling thread is changed.
void UseSmallTimerSlack() {
  thread_local const bool set = ::prctl(PR_SET_TIMERSLACK, SystemClock::kTimerSlackNs) == 0;
  static_cast<void>(set);
}

}  // namespace

timespec SystemClock::Plus(timespec t, long ns) {
  // Division truncates towards zero, so a negative ns leaves a negative
  // remainder: borrowed from the seconds, or clock_nanosleep refuses the
  // value with EINVAL.
  t.tv_sec += ns / kNsPerSecond;
  t.tv_nsec += ns % kNsPerSecond;
  if (t.tv_nsec >= kNsPerSecond) {
    t.tv_sec += 1;
    t.tv_nsec -= kNsPerSecond;
  } else if (t.tv_nsec < 0) {
    t.tv_sec -= 1;
    t.tv_nsec += kNsPerSecond;
  }
  return t;
}

int SystemClock::SleepUntil(const timespec& deadline) {
  UseSmallTimerSlack();
  // A thread woken at its time takes some tens of µs more to run again. The
  // sleep therefore ends kAwakeNs early and the rest is waited for awake,
  // reading the clock, so that the wait ends when it is due and never before.
  const timespec wake = Plus(deadline, -kAwakeNs);
  int result = 0;
  do {
    result = ::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &wake, nullptr);
  } while (result == EINTR);
  while (Before(Now(), deadline)) {
  }
  return result;
}

void SystemClock::Sleep(int ms) {
  if (ms <= 0) return;
  // An absolute deadline, taken at once, so that a wait interrupted by a
  // signal resumes for the remaining time only and the protocol's pacing does
  // not drift.
  static_cast<void>(SleepUntil(Plus(Now(), static_cast<long>(ms) * 1000000L)));
}

std::int64_t SystemClock::NowMicroseconds() const {
  const timespec now = Now();
  return static_cast<std::int64_t>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}
