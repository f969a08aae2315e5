// A Clock that records every wait instead of waiting. Its time is the sum of
// the waits so far, sleeps and waits for input alike.
#pragma once

#include <functional>
#include <vector>

#include "common/clock.h"

class FakeClock : public Clock {
 public:
  void Sleep(int ms) override;
  // The sum of all recorded sleeps and waits, in µs: time passes only by waiting.
  std::int64_t NowMicroseconds() const override { return std::int64_t{TotalMs()} * 1000; }

  // Lets ms pass as a wait for input on a port (the scripted port's
  // WaitForInput), recorded in waits, not in sleeps; onSleep is not called.
  void Pass(int ms);

  // The sum of all recorded sleeps and waits in ms.
  int TotalMs() const;

  std::vector<int> sleeps;
  std::vector<int> waits;  // how long each wait for input lasted, in ms
  // Called after each wait is recorded, e.g. to let an answer arrive later.
  std::function<void(int ms)> onSleep;
};
