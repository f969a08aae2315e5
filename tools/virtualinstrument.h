// The instrument's side of the KORA-1 wire protocol, byte by byte, with the
// faults the virtual KORA-1 can inject. Knows nothing of terminals or files.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "device/koraprotocol.h"

// One injected fault. Commands are the memory write commands received since
// the start, counted from 1; characters are counted from 1 within a command.
struct InstrumentFault {
  enum class Kind {
    LoseCharacter,  // the character is not received: no echo, not kept (the PC sends it again)
    WrongEcho,      // the character is answered with a different byte
    ZeroByte,       // the character is answered with a zero byte and not kept
    Silence,  // from this character on nothing is answered until the next service-mode request
    HangUp,   // the line is hung up on receiving the character
    Status,   // the command's final R is answered with status (N, R, T, U or Y), nothing stored
  };
  Kind kind = Kind::LoseCharacter;
  int command = 1;
  int character = 1;
  char status = 0;
  bool used = false;

  // Parses KIND@COMMAND[:CHARACTER], KIND one of lose, echo, zero, silent,
  // hangup, N, R, T, U, Y. Nothing when the text is not of that form.
  static std::optional<InstrumentFault> Parse(const std::string& text);
};

class VirtualInstrument {
 public:
  struct Options {
    std::string serviceCode;  // the code that is accepted; any other gets Z
    std::optional<std::string>
        serviceAnswer;            // answer to every service-mode request in place of S/Z ("" none)
    int hangUpAtServiceByte = 0;  // hang up on this byte (1 to 12) of the first request; 0 never
    std::vector<InstrumentFault> faults;
  };

  struct Reply {
    std::string bytes;                    // to send back, in order
    bool hangUp = false;                  // close the line now
    std::optional<std::size_t> storedAt;  // the address of the byte stored, if one was
  };

  // log receives one line per command, request, fault and stray byte.
  VirtualInstrument(Options options, std::function<void(const std::string&)> log);

  // Takes in one byte from the line and says what to answer.
  Reply Receive(std::uint8_t byte);

  // Memory starts erased (every byte 0xFF).
  const std::array<std::uint8_t, kora::wire::kMemorySize>& Memory() const { return memory_; }
  bool InServiceMode() const { return inService_; }
  int CommandsReceived() const { return commands_; }

 private:
  enum class State { Idle, ServiceRequest, Command, Silent };

  Reply ReceiveServiceByte(std::uint8_t byte);
  Reply ReceiveCommandByte(std::uint8_t byte);
  Reply FinishCommand();
  InstrumentFault* FaultAt(int command, int character);
  static std::string Printable(const std::string& bytes);

  Options options_;
  std::function<void(const std::string&)> log_;
  std::array<std::uint8_t, kora::wire::kMemorySize> memory_{};
  State state_ = State::Idle;
  bool inService_ = false;
  int serviceRequests_ = 0;
  int commands_ = 0;
  std::string buffer_;  // the request or command received so far
};
