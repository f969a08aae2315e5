#include "cli/portprogrammer.h"

#include <algorithm>

#include "cli/progressconsole.h"
#include "common/messagesink.h"
#include "device/koracomm.h"
#include "device/portfactory.h"
#include "device/progresssink.h"
#include "device/uploadrecorder.h"

#include <optional>

namespace {

// Prints each message at once (there is nobody to confirm it, so the upload
// goes straight on, as it would after OK) and keeps the last one that was not
// the closing notice: the reason the port failed. The closing notice is held
// back: a technician who switches the instrument off as it says must not do
// so while another upload to it is still to come.
class PortMessages : public MessageSink {
 public:
  PortMessages(ProgressConsole& console, const std::string& port)
      : console_(console), port_(port) {}

  void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) override {
    if (icon == MessageIcon::None && caption == noticeCaption) {
      heldCaption = caption;
      heldText = text;
      return;
    }
    console_.Message(port_, caption, text);
    lastCaption = caption;
    lastText = text;
  }

  // Prints the notice held back, if any, and forgets it.
  void ShowHeldNotice() {
    if (heldCaption.empty() && heldText.empty()) return;
    console_.Message(port_, heldCaption, heldText);
    heldCaption.clear();
    heldText.clear();
  }

  std::string noticeCaption;  // of the upload running
  std::string lastCaption;
  std::string lastText;
  std::string heldCaption;  // the notice of the last upload that completed
  std::string heldText;

 private:
  ProgressConsole& console_;
  const std::string& port_;
};

class PortSteps : public ProgressSink {
 public:
  PortSteps(ProgressConsole& console, std::size_t index) : console_(console), index_(index) {}
  void StepProgress() override { console_.Stepped(index_, ++steps_); }

 private:
  ProgressConsole& console_;
  std::size_t index_;
  int steps_ = 0;
};

}  // namespace

bool PortReport::Programmed() const {
  return !uploads.empty() && std::all_of(uploads.begin(), uploads.end(), [](const UploadReport& u) {
    return u.sent && u.result.completed;
  });
}

PortProgrammer::PortProgrammer(std::string port, const LinkSettings& pace,
                               const std::vector<UploadJob>& jobs,
                               const std::vector<Rehearsal>& rehearsals, ProgressConsole& console,
                               std::size_t index, const std::atomic<bool>& stop, Clock& clock,
                               PortFactory& ports, HistoryStore& history)
    : port_(std::move(port)),
      commandDelay_(pace.commandDelay),
      echoGrace_(pace.echoGrace),
      jobs_(jobs),
      rehearsals_(rehearsals),
      console_(console),
      index_(index),
      stop_(stop),
      clock_(clock),
      ports_(ports),
      history_(history) {}

PortReport PortProgrammer::Run() {
  PortReport report;
  report.port = port_;
  for (const UploadJob& job : jobs_) report.uploads.push_back({job.name, false, {}});

  PortMessages messages(console_, port_);
  bool failed = false;
  for (std::size_t k = 0; k < jobs_.size() && !failed; ++k) {
    if (stop_) {
      report.stopped = true;
      break;
    }
    const UploadJob& job = jobs_[k];
    UploadReport& upload = report.uploads[k];
    upload.sent = true;
    messages.noticeCaption = job.plan.noticeCaption;
    messages.lastCaption.clear();
    messages.lastText.clear();
    console_.UploadStarted(index_, job.name, rehearsals_.at(k), job.plan.progressMaximum);
    PortSteps steps(console_, index_);
    try {
      UploadRecorder recorder(history_, clock_, port_);
      TKORAComm link(LinkSettings{port_, commandDelay_, "", echoGrace_}, recorder.Watch(messages),
                     clock_, recorder.Trace(ports_.MakePort(port_)));
      UploadSequence sequence(link, job.plan, &recorder);
      upload.result = sequence.Run(steps);
    } catch (...) {
      // Nothing may leave the worker; the upload simply counts as failed.
      upload.result.completed = false;
      upload.result.maximum = job.plan.progressMaximum;
      if (messages.lastText.empty()) messages.lastText = "The upload ended unexpectedly.";
    }
    console_.UploadEnded(index_, upload.result);
    failed = !upload.result.completed;
  }
  if (failed) {
    report.failureCaption = messages.lastCaption;
    report.failureText = messages.lastText;
  } else {
    // Once, after the last upload this port gets, stopped or not.
    messages.ShowHeldNotice();
  }
  console_.PortFinished(index_, report.Programmed() ? "programmed" : failed ? "failed" : "stopped");
  return report;
}
