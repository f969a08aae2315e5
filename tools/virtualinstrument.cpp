#include "tools/virtualinstrument.h"

#include <cctype>
#include <cstdio>

namespace wire = kora::wire;

std::optional<InstrumentFault> InstrumentFault::Parse(const std::string& text) {
  const auto at = text.find('@');
  if (at == std::string::npos) return std::nullopt;
  const std::string kind = text.substr(0, at);
  InstrumentFault fault;
  if (kind == "lose") {
    fault.kind = Kind::LoseCharacter;
  } else if (kind == "echo") {
    fault.kind = Kind::WrongEcho;
  } else if (kind == "zero") {
    fault.kind = Kind::ZeroByte;
  } else if (kind == "silent") {
    fault.kind = Kind::Silence;
  } else if (kind == "hangup") {
    fault.kind = Kind::HangUp;
  } else if (kind.size() == 1 && std::string("NRTUY").find(kind[0]) != std::string::npos) {
    fault.kind = Kind::Status;
    fault.status = kind[0];
  } else {
    return std::nullopt;
  }
  int command = 0;
  int character = 1;
  char extra = 0;
  const std::string where = text.substr(at + 1);
  const int fields = std::sscanf(where.c_str(), "%d:%d%c", &command, &character, &extra);
  if (fields < 1 || fields > 2 || command < 1 || character < 1) return std::nullopt;
  if (fields == 1 && where.find_first_not_of("0123456789") != std::string::npos)
    return std::nullopt;
  fault.command = command;
  fault.character = character;
  return fault;
}

VirtualInstrument::VirtualInstrument(Options options, std::function<void(const std::string&)> log)
    : options_(std::move(options)), log_(std::move(log)) {
  memory_.fill(0xFF);
}

std::string VirtualInstrument::Printable(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (std::isprint(c)) {
      out += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  return out;
}

InstrumentFault* VirtualInstrument::FaultAt(int command, int character) {
  for (InstrumentFault& fault : options_.faults) {
    if (!fault.used && fault.kind != InstrumentFault::Kind::Status && fault.command == command &&
        fault.character == character) {
      return &fault;
    }
  }
  return nullptr;
}

VirtualInstrument::Reply VirtualInstrument::Receive(std::uint8_t byte) {
  // A service-mode request wakes the instrument from anything, silence included.
  if (byte == static_cast<std::uint8_t>(wire::kServiceRequest1) &&
      state_ != State::ServiceRequest) {
    if (state_ == State::Command) log_("abandoned unfinished command: " + Printable(buffer_));
    state_ = State::ServiceRequest;
    buffer_.clear();
    ++serviceRequests_;
  }
  switch (state_) {
    case State::ServiceRequest:
      return ReceiveServiceByte(byte);
    case State::Command:
      return ReceiveCommandByte(byte);
    case State::Silent:
      return {};
    case State::Idle:
      break;
  }
  if (!inService_) {
    log_("ignored outside service mode: " + Printable(std::string(1, static_cast<char>(byte))));
    return {};
  }
  if (byte == static_cast<std::uint8_t>(wire::kEndServiceMode)) {
    inService_ = false;
    log_("X: service mode ended");
    return {};
  }
  if (byte == static_cast<std::uint8_t>(wire::kAddressMark)) {
    buffer_.clear();
    state_ = State::Command;
    return ReceiveCommandByte(byte);
  }
  log_("ignored between commands: " + Printable(std::string(1, static_cast<char>(byte))));
  return {};
}

VirtualInstrument::Reply VirtualInstrument::ReceiveServiceByte(std::uint8_t byte) {
  buffer_ += static_cast<char>(byte);
  Reply reply;
  if (serviceRequests_ == 1 && options_.hangUpAtServiceByte == static_cast<int>(buffer_.size())) {
    log_("fault: hang-up at byte " + std::to_string(buffer_.size()) +
         " of the service-mode request");
    state_ = State::Idle;
    reply.hangUp = true;
    return reply;
  }
  if (buffer_.size() < wire::kServiceRequestLength) return reply;

  state_ = State::Idle;
  const bool accepted =
      buffer_[1] == wire::kServiceRequest2 && buffer_.substr(2) == options_.serviceCode;
  if (options_.serviceAnswer) {
    reply.bytes = *options_.serviceAnswer;
    inService_ = reply.bytes == std::string(1, wire::kServiceAccepted);
    log_("service-mode request " + Printable(buffer_) + " -> " +
         (reply.bytes.empty() ? std::string("(no answer)") : Printable(reply.bytes)) + " (fault)");
    return reply;
  }
  inService_ = accepted;
  reply.bytes = std::string(1, accepted ? wire::kServiceAccepted : wire::kServiceRefused);
  log_("service-mode request " + Printable(buffer_) + " -> " + reply.bytes);
  return reply;
}

VirtualInstrument::Reply VirtualInstrument::ReceiveCommandByte(std::uint8_t byte) {
  const bool starting = buffer_.empty();
  const int command = starting ? commands_ + 1 : commands_;
  const int character = static_cast<int>(buffer_.size()) + 1;
  Reply reply;

  if (InstrumentFault* fault = FaultAt(command, character)) {
    fault->used = true;
    const std::string what = " at character " + std::to_string(character) + " ('" +
                             Printable(std::string(1, static_cast<char>(byte))) + "') of command " +
                             std::to_string(command);
    switch (fault->kind) {
      case InstrumentFault::Kind::LoseCharacter:
        log_("fault: character lost" + what);
        if (starting) state_ = State::Idle;
        return reply;
      case InstrumentFault::Kind::ZeroByte:
        log_("fault: zero byte answered" + what);
        if (starting) state_ = State::Idle;
        reply.bytes = std::string(1, '\0');
        return reply;
      case InstrumentFault::Kind::WrongEcho:
        log_("fault: wrong echo" + what);
        if (starting) ++commands_;
        buffer_ += static_cast<char>(byte);
        reply.bytes = std::isdigit(byte)
                          ? std::string(1, static_cast<char>('0' + (byte - '0' + 1) % 10))
                          : std::string("?");
        return reply;
      case InstrumentFault::Kind::Silence:
        log_("fault: silent from" + what);
        state_ = State::Silent;
        return reply;
      case InstrumentFault::Kind::HangUp:
        log_("fault: hang-up" + what);
        state_ = State::Idle;
        reply.hangUp = true;
        return reply;
      case InstrumentFault::Kind::Status:
        break;
    }
  }

  if (starting) ++commands_;
  buffer_ += static_cast<char>(byte);
  if (byte != static_cast<std::uint8_t>(wire::kCommandEnd)) {
    reply.bytes = std::string(1, static_cast<char>(byte));  // the echo
    return reply;
  }
  return FinishCommand();
}

VirtualInstrument::Reply VirtualInstrument::FinishCommand() {
  state_ = State::Idle;
  Reply reply;
  char status = wire::kStored;

  // "A" address "D" data "R", both numbers plain decimal.
  const std::string body = buffer_.substr(1, buffer_.size() - 2);
  const auto mark = body.find(wire::kDataMark);
  const std::string address = mark == std::string::npos ? std::string() : body.substr(0, mark);
  const std::string data = mark == std::string::npos ? std::string() : body.substr(mark + 1);
  const auto isNumber = [](const std::string& s) {
    return !s.empty() && s.size() <= 6 && s.find_first_not_of("0123456789") == std::string::npos;
  };
  for (InstrumentFault& fault : options_.faults) {
    if (!fault.used && fault.kind == InstrumentFault::Kind::Status && fault.command == commands_) {
      fault.used = true;
      status = fault.status;
      log_(std::string("fault: status ") + status + " for command " + std::to_string(commands_));
    }
  }
  if (status == wire::kStored) {
    if (!isNumber(address) || !isNumber(data)) {
      status = wire::kMissingParameter;
    } else if (std::stoi(address) >= wire::kMemorySize) {
      status = wire::kInvalidAddress;
    } else if (std::stoi(data) > 255) {
      status = wire::kInvalidData;
    } else {
      reply.storedAt = static_cast<std::size_t>(std::stoi(address));
      memory_[*reply.storedAt] = static_cast<std::uint8_t>(std::stoi(data));
    }
  }
  log_("command " + std::to_string(commands_) + ": " + Printable(buffer_) + " -> " + status);
  reply.bytes = std::string(1, status);
  buffer_.clear();
  return reply;
}
