#include "support/scriptedport.h"

#include <algorithm>

#include "device/ecommerror.h"
#include "support/fakeclock.h"

class ScriptedPortHandle : public SerialPort {
 public:
  explicit ScriptedPortHandle(ScriptedPort& port) : p_(port) {}

  void Open() override {
    ++p_.openCalls;
    if (p_.open) return;
    if (p_.failOpen) throw ECommError(ECommKind::OpenFailed, 2);
    p_.open = true;
  }
  void Close() override {
    if (!p_.open) return;
    ++p_.closeCalls;
    p_.open = false;
  }
  bool IsOpen() const override { return p_.open; }
  void SetPortName(const std::string& name) override {
    if (p_.open) throw ECommError(ECommKind::PortIsOpen, 0);
    p_.portName = name;
  }
  void SetBaudRate(std::int32_t rate) override { p_.baudRate = rate; }
  void SetByteSize(std::uint8_t bits) override { p_.byteSize = bits; }
  void SetParity(std::uint8_t parity) override { p_.parity = parity; }
  void SetStopBits(std::uint8_t code) override { p_.stopBits = code; }

  void Write(const std::uint8_t* data, std::int32_t count) override {
    if (!p_.open) throw ECommError(ECommKind::PortNotOpen, 0);
    const std::size_t call = p_.writeCalls++;
    if (p_.failWritesFrom && call >= *p_.failWritesFrom)
      throw ECommError(ECommKind::WriteFailed, 5);
    for (std::int32_t i = 0; i < count; ++i) {
      p_.written.push_back(static_cast<char>(data[i]));
      if (p_.respond) {
        for (char c : p_.respond(data[i])) p_.Answer(static_cast<std::uint8_t>(c));
      }
    }
  }
  std::uint32_t Read(std::uint8_t* buffer, std::uint32_t count) override {
    if (!p_.open) throw ECommError(ECommKind::PortNotOpen, 0);
    ++p_.readCalls;
    if (p_.failRead) throw ECommError(ECommKind::ReadFailed, 5);
    std::uint32_t got = 0;
    while (got < count && !p_.incoming.empty()) {
      buffer[got++] = p_.incoming.front();
      p_.incoming.pop_front();
    }
    if (got < count) buffer[got] = 0;
    return got;
  }
  std::uint32_t BytesWaiting() override {
    if (!p_.open) throw ECommError(ECommKind::PortNotOpen, 0);
    if (p_.failQueueQuery) throw ECommError(ECommKind::QueueQueryFailed, 5);
    p_.Arrive();
    ++p_.polls_;
    return static_cast<std::uint32_t>(p_.incoming.size());
  }
  bool WaitForInput(int timeoutMs) override {
    if (!p_.open) throw ECommError(ECommKind::PortNotOpen, 0);
    p_.waitTimeouts.push_back(timeoutMs);
    if (p_.failWait) throw ECommError(ECommKind::ReadFailed, 5);
    return p_.Wait(timeoutMs);
  }

 private:
  ScriptedPort& p_;
};

void ScriptedPort::ArriveLater(const std::string& bytes, int afterPolls, int afterMs) {
  for (const char c : bytes) {
    underway_.push_back({static_cast<std::uint8_t>(c), polls_ + afterPolls, NowMs() + afterMs});
  }
}

void ScriptedPort::Answer(std::uint8_t byte) {
  if (underway_.empty()) {
    incoming.push_back(byte);
  } else {
    underway_.push_back({byte, polls_, NowMs()});
  }
}

void ScriptedPort::Arrive() {
  while (!underway_.empty() && polls_ >= underway_.front().pollsDue &&
         NowMs() >= underway_.front().msDue) {
    incoming.push_back(underway_.front().byte);
    underway_.pop_front();
  }
}

bool ScriptedPort::Wait(int timeoutMs) {
  const int limit = std::max(timeoutMs, 0);
  Arrive();
  int passed = limit;
  if (incoming.empty() && !underway_.empty() && polls_ >= underway_.front().pollsDue) {
    const int due = underway_.front().msDue - NowMs();
    if (due <= limit) passed = std::max(due, 0);
  }
  if (!incoming.empty()) passed = 0;
  if (clock != nullptr) clock->Pass(passed);
  Arrive();
  return !incoming.empty();
}

int ScriptedPort::NowMs() const { return clock != nullptr ? clock->TotalMs() : 0; }

std::unique_ptr<SerialPort> ScriptedPort::Handle() {
  return std::make_unique<ScriptedPortHandle>(*this);
}

ScriptedPort::Responder ScriptedPort::Instrument() {
  int serviceBytes = 0;  // bytes of a service-mode request still expected
  return [serviceBytes](std::uint8_t c) mutable -> std::string {
    if (serviceBytes > 0) {
      return --serviceBytes == 0 ? std::string("S") : std::string();
    }
    if (c == 'M') {
      serviceBytes = 11;
      return {};
    }
    if (c == 'X') return {};
    if (c == 'R') return "V";
    return std::string(1, static_cast<char>(c));
  };
}
