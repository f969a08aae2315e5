// A ProgressSink that counts its steps.
#pragma once

#include "device/progresssink.h"

class CountingProgress : public ProgressSink {
 public:
  void StepProgress() override { ++steps; }
  int steps = 0;
};
