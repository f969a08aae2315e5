// A Clock that records every wait instead of waiting.
#pragma once

#include <functional>
#include <vector>

#include "common/clock.h"

class FakeClock : public Clock {
 public:
  void Sleep(int ms) override;
  // The sum of all recorded waits, in µs: time passes only by waiting.
  std::int64_t NowMicroseconds() override { return std::int64_t{TotalMs()} * 1000; }

  // The sum of all recorded waits in ms.
  int TotalMs() const;

  std::vector<int> sleeps;
  // Called after each wait is recorded, e.g. to let an answer arrive later.
  std::function<void(int ms)> onSleep;
};
