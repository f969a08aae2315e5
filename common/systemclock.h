// The Clock that really waits.
#pragma once

#include "common/clock.h"

class SystemClock : public Clock {
 public:
  // Blocks the calling thread for at least ms milliseconds (a signal does not
  // cut the wait short). A value of 0 or less returns at once.
  void Sleep(int ms) override;
};
