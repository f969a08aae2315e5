// Every wait of the device protocol goes through a Clock, so that tests can
// run the protocol without waiting.
#pragma once

#include <chrono>
#include <cstdint>

class Clock {
 public:
  virtual ~Clock() = default;

  // Waits ms milliseconds. A value of 0 or less returns at once.
  virtual void Sleep(int ms) = 0;

  // Microseconds on a steady count that only moves forward, for measuring how
  // long something took (its zero means nothing). This one reads the
  // system's monotonic clock; a clock that does not really wait counts its
  // waits instead.
  virtual std::int64_t NowMicroseconds() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }
};
