#include "cli/rehearsal.h"

#include <algorithm>
#include <cstdint>

#include "common/clock.h"
#include "common/messagesink.h"
#include "device/ecommerror.h"
#include "device/koracomm.h"
#include "device/koraprotocol.h"
#include "device/progresssink.h"
#include "device/serialport.h"

namespace {

namespace wire = kora::wire;

// Counts the waits instead of making them.
class CountingClock : public Clock {
 public:
  void Sleep(int ms) override { totalMs += std::max(ms, 0); }
  std::int64_t NowMicroseconds() const override { return std::int64_t{totalMs} * 1000; }
  int totalMs = 0;
};

// A port with a sound instrument behind it: it accepts the service code,
// echoes every character, answers each final R with V, and cuts what it is
// sent into frames.
class RehearsalPort : public SerialPort {
 public:
  explicit RehearsalPort(std::vector<std::string>& frames) : frames_(frames) {}

  void Open() override { open_ = true; }
  void Close() override { open_ = false; }
  bool IsOpen() const override { return open_; }
  void SetPortName(const std::string&) override {}
  void SetBaudRate(std::int32_t) override {}
  void SetByteSize(std::uint8_t) override {}
  void SetParity(std::uint8_t) override {}
  void SetStopBits(std::uint8_t) override {}

  void Write(const std::uint8_t* data, std::int32_t count) override {
    if (!open_) throw ECommError(ECommKind::PortNotOpen, 0);
    for (std::int32_t i = 0; i < count; ++i) Take(static_cast<char>(data[i]));
  }
  std::uint32_t Read(std::uint8_t* buffer, std::uint32_t count) override {
    std::uint32_t got = 0;
    while (got < count && !answers_.empty()) {
      buffer[got++] = static_cast<std::uint8_t>(answers_.front());
      answers_.erase(answers_.begin());
    }
    if (got < count) buffer[got] = 0;
    return got;
  }
  std::uint32_t BytesWaiting() override { return static_cast<std::uint32_t>(answers_.size()); }
  // Every answer is there at once, so a wait never passes any time.
  bool WaitForInput(int) override { return !answers_.empty(); }

 private:
  void Take(char c) {
    if (frame_.empty() && c == wire::kEndServiceMode) {
      frames_.push_back(std::string(1, c));
      return;
    }
    frame_ += c;
    if (frame_.front() == wire::kServiceRequest1) {
      if (frame_.size() < wire::kServiceRequestLength) return;
      answers_ += wire::kServiceAccepted;
    } else if (c == wire::kCommandEnd) {
      answers_ += wire::kStored;
    } else {
      answers_ += c;
      return;
    }
    frames_.push_back(frame_);
    frame_.clear();
  }

  std::vector<std::string>& frames_;
  std::string frame_;
  std::string answers_;
  bool open_ = false;
};

class StepTimes : public ProgressSink {
 public:
  StepTimes(const CountingClock& clock, std::vector<int>& ends) : clock_(clock), ends_(ends) {}
  void StepProgress() override { ends_.push_back(clock_.totalMs); }

 private:
  const CountingClock& clock_;
  std::vector<int>& ends_;
};

class ProblemSink : public MessageSink {
 public:
  ProblemSink(const std::string& notice, std::vector<std::string>& problems)
      : notice_(notice), problems_(problems) {}
  void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) override {
    if (icon != MessageIcon::None || caption != notice_) problems_.push_back(text);
  }

 private:
  const std::string& notice_;
  std::vector<std::string>& problems_;
};

}  // namespace

Rehearsal Rehearse(const UploadPlan& plan, int commandDelay) {
  Rehearsal rehearsal;
  CountingClock clock;
  ProblemSink sink(plan.noticeCaption, rehearsal.problems);
  StepTimes steps(clock, rehearsal.stepEndsMs);
  {
    TKORAComm link(LinkSettings{"", commandDelay, ""}, sink, clock,
                   std::make_unique<RehearsalPort>(rehearsal.frames));
    UploadSequence sequence(link, plan);
    static_cast<void>(sequence.Run(steps));  // a sound instrument accepts everything
  }
  rehearsal.totalMs = clock.totalMs;
  return rehearsal;
}

int RemainingMs(const Rehearsal& rehearsal, int steps, int elapsedMs) {
  const int count = static_cast<int>(rehearsal.stepEndsMs.size());
  const int done =
      steps <= 0 ? 0 : rehearsal.stepEndsMs[static_cast<std::size_t>(std::min(steps, count) - 1)];
  const int ahead = std::max(rehearsal.totalMs - done, 0);
  if (done <= 0 || elapsedMs <= done)
    return std::max(rehearsal.totalMs - std::max(elapsedMs, 0), 0);
  return static_cast<int>(static_cast<long long>(ahead) * elapsedMs / done);
}
