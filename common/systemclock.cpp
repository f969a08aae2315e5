#include "common/systemclock.h"

#include <cerrno>
#include <ctime>

void SystemClock::Sleep(int ms) {
  if (ms <= 0) return;
  // An absolute deadline, so that a wait interrupted by a signal resumes for
  // the remaining time only and the protocol's pacing does not drift.
  timespec deadline{};
  ::clock_gettime(CLOCK_MONOTONIC, &deadline);
  deadline.tv_sec += ms / 1000;
  deadline.tv_nsec += static_cast<long>(ms % 1000) * 1000000L;
  if (deadline.tv_nsec >= 1000000000L) {
    deadline.tv_sec += 1;
    deadline.tv_nsec -= 1000000000L;
  }
  while (::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
  }
}
