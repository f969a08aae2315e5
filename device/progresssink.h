// What the device link steps while it writes: the progress window, or a
// recorder in tests.
#pragma once

class ProgressSink {
 public:
  virtual ~ProgressSink() = default;

  // Advances the progress display by one accepted write.
  virtual void StepProgress() = 0;
};
