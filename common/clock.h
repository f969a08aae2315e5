// Every wait of the device protocol goes through a Clock, so that tests can
// run the protocol without waiting, and so does every reading of the time.
#pragma once

#include <cstdint>

class Clock {
 public:
  virtual ~Clock() = default;

  // Waits ms milliseconds. A value of 0 or less returns at once.
  virtual void Sleep(int ms) = 0;

  // Microseconds on a count that only ever goes forward, from an origin of
  // the clock's own; only differences between two readings mean anything. A
  // clock that does not really wait counts its waits instead.
  virtual std::int64_t NowMicroseconds() const = 0;

  // The same in whole milliseconds.
  std::int64_t NowMs() const { return NowMicroseconds() / 1000; }
};
