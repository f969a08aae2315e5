// The Clock that really waits.
#pragma once

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
  std::int64_t NowMs() const override;
};
