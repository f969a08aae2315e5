#include "device/systemclock.h"

#include <cerrno>
#include <ctime>
#include <sys/prctl.h>

namespace {

// The kernel may let a sleeping thread wake up to its timer slack late (50 µs
// by default) to group wake-ups together. An upload waits thousands of times,
// so that slack alone would stretch it by a large part of a second; the
// protocol's thread asks for almost none. Only the calling thread is changed.
void UseSmallTimerSlack() {
  thread_local const bool set = ::prctl(PR_SET_TIMERSLACK, SystemClock::kTimerSlackNs) == 0;
  static_cast<void>(set);
}

}  // namespace

void SystemClock::Sleep(int ms) {
  if (ms <= 0) return;
  // An absolute deadline, taken at once, so that a wait interrupted by a
  // signal resumes for the remaining time only and the protocol's pacing does
  // not drift.
  timespec deadline{};
  ::clock_gettime(CLOCK_MONOTONIC, &deadline);
  UseSmallTimerSlack();
  deadline.tv_sec += ms / 1000;
  deadline.tv_nsec += static_cast<long>(ms % 1000) * 1000000L;
  if (deadline.tv_nsec >= 1000000000L) {
    deadline.tv_sec += 1;
    deadline.tv_nsec -= 1000000000L;
  }
  while (::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
  }
}
