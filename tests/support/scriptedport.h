// A serial port for tests of the instrument link: it records what is written,
// answers through a script, and fails where it is told to. No time passes but
// a fake clock's, and an answer may be made to arrive late.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "device/serialport.h"

class FakeClock;

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
  std::deque<std::uint8_t> incoming;   // bytes that have arrived, waiting to be read

  // Makes bytes arrive later than at once: they become readable once
  // BytesWaiting has been asked afterPolls more times and, with a clock set
  // below, afterMs more milliseconds have passed on it. As on a serial line
  // they arrive in order: every answer given after them (by respond, or by
  // another ArriveLater) waits behind them. May be called from respond.
  void ArriveLater(const std::string& bytes, int afterPolls, int afterMs = 0);
  // The clock whose waits count for afterMs; not owned. Without one only the
  // polls count.
  const FakeClock* clock = nullptr;
  // Bytes given but not arrived yet.
  std::size_t Underway() const { return underway_.size(); }

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

  struct LateByte {
    std::uint8_t byte;
    int pollsDue;  // the count of polls after which it has arrived
    int msDue;     // the clock's total after which it has arrived
  };
  // Hands to incoming, in order, what has arrived by now.
  void Arrive();
  // Passes an answer byte to incoming, or behind what is still underway.
  void Answer(std::uint8_t byte);
  int NowMs() const;

  std::deque<LateByte> underway_;
  int polls_ = 0;  // BytesWaiting calls so far
};
