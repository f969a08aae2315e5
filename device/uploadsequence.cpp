#include "device/uploadsequence.h"

#include <algorithm>
#include <utility>

#include "device/koracomm.h"
#include "device/progresssink.h"
#include "device/uploadrecorder.h"

namespace {

// Passes each step on and counts it, so that the result does not depend on
// what the caller's display does with steps.
class CountedProgress : public ProgressSink {
 public:
  CountedProgress(ProgressSink& target, int& steps) : target_(target), steps_(steps) {}
  void StepProgress() override {
    ++steps_;
    target_.StepProgress();
  }

 private:
  ProgressSink& target_;
  int& steps_;
};

}  // namespace

UploadSequence::UploadSequence(TKORAComm& link, UploadPlan plan, UploadRecorder* recorder)
    : link_(link), plan_(std::move(plan)), recorder_(recorder) {}

int UploadSequence::OpenPort() {
  if (recorder_) recorder_->Begin(plan_.record, link_.CommandDelay(), link_.EchoGrace());
  return link_.OpenPort();
}

int UploadSequence::Program(ProgressSink& progress) {
  if (link_.EnterServiceMode() != 0) return -1;
  CountedProgress counted(progress, steps_);
  if (plan_.writeData && plan_.writeData(link_, counted) != 0) return -1;
  // A failed write of "X" has been shown; the instrument holds every value
  // all the same, so the upload still ends with the notice.
  link_.ExitServiceMode();
  link_.ClosePort();
  completed_ = true;
  return 0;
}

void UploadSequence::Finish() {
  link_.ClosePort();
  if (completed_) link_.ShowPowerCycleNotice(plan_.noticeCaption);
  if (recorder_) recorder_->Complete(Result());
}

UploadResult UploadSequence::Result() const {
  UploadResult result;
  result.completed = completed_;
  result.maximum = plan_.progressMaximum;
  result.stepsDone = std::clamp(steps_, 0, std::max(plan_.progressMaximum, 0));
  result.link = link_.Figures();
  return result;
}

UploadResult UploadSequence::Run(ProgressSink& progress) {
  if (OpenPort() == 0) static_cast<void>(Program(progress));  // its outcome is in Result()
  Finish();
  return Result();
}
