// Every wait of the device protocol goes through a Clock, so that tests can
// run the protocol without waiting.
#pragma once

class Clock {
 public:
  virtual ~Clock() = default;

  // Waits ms milliseconds. A value of 0 or less returns at once.
  virtual void Sleep(int ms) = 0;
};
