// Every wait of the device protocol goes through a Clock, so that tests can
// run the protocol without waiting, and so does every reading of the time.
#pragma once

#include <cstdint>

class Clock {
 public:
  virtual ~Clock() = default;

  // Waits ms milliseconds. A value of 0 or less returns at once.
  virtual void Sleep(int ms) = 0;

  // The time in ms on a clock that only ever goes forward, from an origin of
  // the clock's own; only differences between two readings mean anything.
  virtual std::int64_t NowMs() const = 0;
};
