// A clock that waits nothing: its time is the sum of the waits asked of it.
// Safe from several threads, as korapc-program's workers share one clock.
#pragma once

#include <atomic>
#include <cstdint>

#include "common/clock.h"

class SummingClock : public Clock {
 public:
  void Sleep(int ms) override { totalMs += ms; }
  std::int64_t NowMicroseconds() const override { return std::int64_t{totalMs} * 1000; }

  std::atomic<int> totalMs{0};
};
