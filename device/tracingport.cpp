#include "device/tracingport.h"

#include <utility>

#include "device/uploadrecorder.h"

TracingPort::TracingPort(std::unique_ptr<SerialPort> inner, UploadRecorder& recorder)
    : inner_(std::move(inner)), recorder_(recorder) {}

TracingPort::~TracingPort() {
  HandOver();
  recorder_.PortGone(this);
}

void TracingPort::Close() {
  HandOver();
  inner_->Close();
}

void TracingPort::Write(const std::uint8_t* data, std::int32_t count) {
  if (EndsAnExchange()) HandOver();
  inner_->Write(data, count);  // a failed write throws: nothing went
  if (data && count > 0) Note(TraceDirection::Sent, data, static_cast<std::uint32_t>(count));
}

std::uint32_t TracingPort::Read(std::uint8_t* buffer, std::uint32_t count) {
  const std::uint32_t read = inner_->Read(buffer, count);
  Note(TraceDirection::Received, buffer, read);
  return read;
}

void TracingPort::MarkSecret(bool secret) {
  secret_ = secret;
  inner_->MarkSecret(secret);
}

bool TracingPort::EndsAnExchange() const {
  if (held_.empty() || held_.back().direction != TraceDirection::Received) return false;
  // An echo repeats the byte sent before it; any other answer ends the exchange.
  for (auto it = held_.rbegin(); it != held_.rend(); ++it) {
    if (it->direction == TraceDirection::Sent) return it->secret || it->byte != held_.back().byte;
  }
  return true;
}

void TracingPort::Note(TraceDirection direction, const std::uint8_t* data, std::uint32_t count) {
  if (count == 0) return;
  const std::int64_t micros = recorder_.Micros();
  for (std::uint32_t i = 0; i < count; ++i) {
    held_.push_back({micros, direction, secret_ ? std::uint8_t{0} : data[i], secret_});
  }
}

void TracingPort::HandOver() {
  if (held_.empty()) return;
  recorder_.Traced(std::move(held_));
  held_.clear();
}
