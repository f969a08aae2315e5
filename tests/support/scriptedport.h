// A serial port for tests of the instrument link: it records what is written,
// answers through a script, and fails where it is told to. No time passes.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "device/serialport.h"

class ScriptedPort {
 public:
  // Given each written byte, returns the bytes that arrive in answer (appended
  // to incoming at once).
  using Responder = std::function<std::string(std::uint8_t written)>;

  // A SerialPort that forwards to this object, for TKORAComm to own. This
  // object must outlive it.
  std::unique_ptr<SerialPort> Handle();

  // An instrument that answers "S" after a 12-byte service-mode request,
  // echoes every character of a command, answers its final "R" with "V" and
  // answers "X" with nothing.
  static Responder Instrument();

  Responder respond;
  std::string written;                 // every byte written, in order
  std::deque<std::uint8_t> incoming;   // bytes waiting to be read

  // Failures to inject. Write calls are counted from 0 over the object's life.
  bool failOpen = false;
  std::optional<std::size_t> failWritesFrom;  // this write call and every later one fail
  bool failRead = false;
  bool failQueueQuery = false;

  // What the link did to the port.
  bool open = false;
  int openCalls = 0;
  int closeCalls = 0;
  int readCalls = 0;
  std::size_t writeCalls = 0;
  std::string portName;
  std::int32_t baudRate = 0;
  int byteSize = -1;
  int parity = -1;
  int stopBits = -1;

 private:
  friend class ScriptedPortHandle;
};
