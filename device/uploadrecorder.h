// UploadRecorder: the programming record of one upload (history/). The upload
// sequence begins the record before the first byte and completes it at the
// end; the port it makes traces the line, and the sink it watches gives the
// message a failed upload ended with.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "common/messagesink.h"
#include "device/serialport.h"
#include "device/uploadsequence.h"
#include "history/historystore.h"
#include "history/tracewriter.h"

class Clock;
class TracingPort;

// Use: build it, make the link with Trace(port) and Watch(sink), and hand it
// to the UploadSequence, which calls Begin and Complete. One object per
// upload, on the sequence's threads one at a time; Traced comes from the
// port on the protocol thread.
class UploadRecorder {
 public:
  // store, clock: not owned, must outlive the recorder. port: the port as
  // chosen (device path or by-id name), described through udev at Begin.
  UploadRecorder(HistoryStore& store, Clock& clock, std::string port);
  ~UploadRecorder();
  UploadRecorder(const UploadRecorder&) = delete;
  UploadRecorder& operator=(const UploadRecorder&) = delete;

  // The port to give the link: port (a TCommPort when null) behind a
  // TracingPort that notes every byte for this record. The recorder must
  // outlive it.
  std::unique_ptr<SerialPort> Trace(std::unique_ptr<SerialPort> port);

  // A sink to give the link: passes every message on to target (not owned,
  // must outlive the recorder) and keeps the last one. Each call replaces the
  // target of the one sink the recorder has.
  MessageSink& Watch(MessageSink& target);

  // Writes the record: data (what, the data, source file and SHA-256 from the
  // plan) with the time, user, host, version, this process, the port and its
  // adapter, and the link's DELAY and ECHOGRACE (ms). Committed when it
  // returns. Time 0 of the trace is now.
  void Begin(const UploadStart& data, int commandDelayMs, int echoGraceMs);

  // Writes the end from result: programmed when completed, otherwise failed
  // with the last message watched. Takes what the port still holds and waits
  // until the whole trace is stored.
  void Complete(const UploadResult& result);

  // The record's id; 0 before Begin or when history is not being kept.
  std::int64_t Id() const { return id_; }

  // For TracingPort: microseconds since Begin, bytes to store, and that the
  // port is going.
  std::int64_t Micros();
  void Traced(UploadTrace bytes);
  void PortGone(const TracingPort* port);

 private:
  class WatchingSink : public MessageSink {
   public:
    void ShowMessage(const std::string& text, const std::string& caption,
                     MessageIcon icon) override;
    MessageSink* target = nullptr;
    std::string last;
  };

  HistoryStore& store_;
  Clock& clock_;
  std::string port_;
  WatchingSink sink_;
  std::int64_t id_ = 0;
  std::int64_t startMicros_ = 0;
  bool begun_ = false;
  std::unique_ptr<TraceWriter> writer_;
  TracingPort* tracing_ = nullptr;  // the port Trace made, while it lives
};

// The UTC time now in ISO 8601 to the millisecond, e.g. "2026-12-09T15:41:58.123Z".
std::string UtcNowText();
