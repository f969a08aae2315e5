// The Clock that really waits.
#pragma once

#include <ctime>

#include "common/clock.h"

class SystemClock : public Clock {
 public:
  // The timer slack, in ns, that Sleep gives the calling thread.
  static constexpr unsigned long kTimerSlackNs = 1000;
  // The end of each wait, in ns, that is waited for awake.
  static constexpr long kAwakeNs = 100000;

  // Blocks the calling thread for at least ms milliseconds, counted from the
  // call (a signal does not cut the wait short), and hardly longer: the last
  // kAwakeNs are spent reading the clock rather than asleep. A value of 0 or
  // less returns at once. The first call on a thread sets that thread's timer
  // slack to kTimerSlackNs, so that its waits end when they are due.
  void Sleep(int ms) override;

  // CLOCK_MONOTONIC in whole ms.
  std::int64_t NowMicroseconds() const override;

  // t moved by ns nanoseconds, earlier when ns is negative. t must be
  // normalised (0 <= tv_nsec < 1e9), and so is the result.
  static timespec Plus(timespec t, long ns);

  // Blocks until deadline on CLOCK_MONOTONIC, asleep until kAwakeNs before
  // it and awake for the rest; a deadline already past returns at once.
  // Returns 0 when the sleep went as planned, or the error clock_nanosleep
  // gave (the wait was then spent awake, and still ended at deadline).
  static int SleepUntil(const timespec& deadline);
};
