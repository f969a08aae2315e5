#include "device/uploadrecorder.h"

#include <pwd.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <utility>

#include "common/clock.h"
#include "device/commport.h"
#include "device/tracingport.h"
#include "history/portidentity.h"
#include "history/processidentity.h"

namespace {

std::string UserName() {
  passwd entry{};
  passwd* found = nullptr;
  char buffer[1024];
  if (::getpwuid_r(::geteuid(), &entry, buffer, sizeof buffer, &found) == 0 && found)
    return found->pw_name;
  return std::to_string(::geteuid());
}

std::string HostName() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return "";
  return name;
}

}  // namespace

std::string UtcNowText() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const auto millis =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm utc{};
  ::gmtime_r(&seconds, &utc);
  char text[40];
  const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
  std::snprintf(text + length, sizeof text - length, ".%03dZ", static_cast<int>(millis));
  return text;
}

void UploadRecorder::WatchingSink::ShowMessage(const std::string& text, const std::string& caption,
                                               MessageIcon icon) {
  last = text;
  if (target) target->ShowMessage(text, caption, icon);
}

UploadRecorder::UploadRecorder(HistoryStore& store, Clock& clock, std::string port)
    : store_(store), clock_(clock), port_(std::move(port)) {}

UploadRecorder::~UploadRecorder() = default;

std::unique_ptr<SerialPort> UploadRecorder::Trace(std::unique_ptr<SerialPort> port) {
  if (!port) port = std::make_unique<TCommPort>();
  auto traced = std::make_unique<TracingPort>(std::move(port), *this);
  tracing_ = traced.get();
  return traced;
}

void UploadRecorder::PortGone(const TracingPort* port) {
  if (tracing_ == port) tracing_ = nullptr;
}

MessageSink& UploadRecorder::Watch(MessageSink& target) {
  sink_.target = &target;
  return sink_;
}

void UploadRecorder::Begin(const UploadStart& data, int commandDelayMs, int echoGraceMs) {
  if (begun_) return;
  begun_ = true;
  UploadStart start = data;
  start.started = UtcNowText();
  start.user = UserName();
  start.host = HostName();
  start.version = KORAPC_VERSION;
  start.port = DescribePort(port_);
  start.commandDelayMs = commandDelayMs;
  start.echoGraceMs = echoGraceMs;
  start.process = CurrentProcess();
  startMicros_ = clock_.NowMicroseconds();
  id_ = store_.Begin(start);
  writer_ = std::make_unique<TraceWriter>(store_, id_);
}

std::int64_t UploadRecorder::Micros() { return clock_.NowMicroseconds() - startMicros_; }

void UploadRecorder::Traced(UploadTrace bytes) {
  if (writer_) writer_->Push(std::move(bytes));
}

void UploadRecorder::Complete(const UploadResult& result) {
  if (!writer_) return;
  if (tracing_) tracing_->HandOver();
  writer_->Drain();
  UploadEnd end;
  end.result = result.completed ? UploadOutcome::Programmed : UploadOutcome::Failed;
  if (!result.completed) end.message = sink_.last;
  end.done = result.stepsDone;
  end.total = result.maximum;
  end.link.lateAnswers = result.link.lateAnswers;
  end.link.slowestAnswerMs = result.link.slowestAnswerMs;
  end.link.charactersResent = result.link.charactersSentAgain;
  end.link.serviceModeAnswerMs = result.link.serviceAnswerMs;
  end.durationMs = Micros() / 1000;
  static_cast<void>(store_.Complete(id_, end));  // one that fails reads "interrupted"
  writer_.reset();
}
