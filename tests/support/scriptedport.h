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
#include <vector>

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
  std::string written;                // every byte written, in order
  std::deque<std::uint8_t> incoming;  // bytes that have arrived, waiting to be read

  // Makes bytes arrive later than at once: they become readable once
  // BytesWaiting has been asked afterPolls more times and, with a clock set
  // below, afterMs more milliseconds have passed on it. A WaitForInput lets
  // the clock run up to the moment the next byte is due (the whole time-out
  // when it is not due in that time); only the polls make a byte due that
  // waits for polls. As on a serial line
  // they arrive in order: every answer given after them (by respond, or by
  // another ArriveLater) waits behind them. May be called from respond.
  void ArriveLater(const std::string& bytes, int afterPolls, int afterMs = 0);
  // The clock whose waits count for afterMs, and on which WaitForInput lets
  // time pass (FakeClock::Pass); not owned. Without one only the polls count
  // and a wait passes no time.
  FakeClock* clock = nullptr;
  // Bytes given but not arrived yet.
  std::size_t Underway() const { return underway_.size(); }

  // Failures to inject. Write calls are counted from 0 over the object's life.
  bool failOpen = false;
  std::optional<std::size_t> failWritesFrom;  // this write call and every later one fail
  bool failRead = false;
  bool failQueueQuery = false;
  bool failWait = false;  // WaitForInput raises ReadFailed, as on a hang-up

  // What the link did to the port.
  bool open = false;
  int openCalls = 0;
  int closeCalls = 0;
  int readCalls = 0;
  std::size_t writeCalls = 0;
  std::vector<int> waitTimeouts;  // the time-out of every WaitForInput, in order
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
  // WaitForInput: lets up to timeoutMs pass until a byte is there.
  bool Wait(int timeoutMs);
  // Passes an answer byte to incoming, or behind what is still underway.
  void Answer(std::uint8_t byte);
  int NowMs() const;

  std::deque<LateByte> underway_;
  int polls_ = 0;  // BytesWaiting calls so far
};
