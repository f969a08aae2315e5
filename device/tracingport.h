// TracingPort: a serial port that passes every operation to another and
// notes each byte that goes over the line in either direction, with its time,
// for the programming record. It adds no wait: the bytes go to an upload
// recorder (device/uploadrecorder.h), which stores them on another thread.
#pragma once

#include <memory>

#include "device/serialport.h"
#include "history/uploadrecord.h"

class UploadRecorder;

class TracingPort : public SerialPort {
 public:
  // inner: the port that speaks to the line; owned. recorder: not owned, must
  // outlive the port.
  TracingPort(std::unique_ptr<SerialPort> inner, UploadRecorder& recorder);
  // Hands over what is still held.
  ~TracingPort() override;

  void Open() override { inner_->Open(); }
  // Hands over what is held, then closes.
  void Close() override;
  bool IsOpen() const override { return inner_->IsOpen(); }
  void SetPortName(const std::string& name) override { inner_->SetPortName(name); }
  void SetBaudRate(std::int32_t rate) override { inner_->SetBaudRate(rate); }
  void SetByteSize(std::uint8_t bits) override { inner_->SetByteSize(bits); }
  void SetParity(std::uint8_t parity) override { inner_->SetParity(parity); }
  void SetStopBits(std::uint8_t code) override { inner_->SetStopBits(code); }
  // Bytes the inner port accepted are noted as sent, secret while marked so.
  // The bytes held so far are handed over at the first write after an answer
  // that is not the echo of the byte before it (the status letter that ends
  // a command, or the answer to the service-mode request), so that each
  // command is stored as it ends.
  void Write(const std::uint8_t* data, std::int32_t count) override;
  // Bytes read are noted as received; while marked secret, as secret.
  std::uint32_t Read(std::uint8_t* buffer, std::uint32_t count) override;
  std::uint32_t BytesWaiting() override { return inner_->BytesWaiting(); }
  // A wait moves no byte; the byte it waited for is noted when it is read.
  bool WaitForInput(int timeoutMs) override { return inner_->WaitForInput(timeoutMs); }
  void MarkSecret(bool secret) override;

  // Hands the bytes held so far to the recorder.
  void HandOver();

 private:
  // The bytes held end in an answer that is not an echo.
  bool EndsAnExchange() const;
  void Note(TraceDirection direction, const std::uint8_t* data, std::uint32_t count);

  std::unique_ptr<SerialPort> inner_;
  UploadRecorder& recorder_;
  UploadTrace held_;
  bool secret_ = false;
};
