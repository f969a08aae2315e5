// TKORAComm: the link to the KORA-1 instrument. It speaks the instrument's
// byte protocol over a serial port and shows every failure to the user itself.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "common/messagesink.h"
#include "device/linkfigures.h"
#include "device/linksettings.h"
#include "device/serialport.h"

class Clock;
class ProgressSink;

// One object lives for one upload (device/uploadsequence.h): construct, OpenPort, EnterServiceMode,
// the writes, ExitServiceMode, ClosePort, ShowPowerCycleNotice, destroy.
//
// No operation throws. Each failure is shown through the MessageSink (a modal
// box the user confirms) before the operation returns, and reported as -1 (or
// 1 for CheckPortOpen). Every wait goes through the Clock.
//
// The object may be built on one thread and used on another, but by one
// thread at a time.
class TKORAComm {
 public:
  // Pause after the final 'R' of a command beyond the command delay, in ms.
  static constexpr int kFinalCharacterExtraDelay = 10;
  // Bounds of the command delay ("DELAY"): a negative value counts as 0;
  // anything above 1000 ms (which would make one upload last most of an
  // hour) counts as 1000.
  static constexpr int kDefaultCommandDelay = LinkSettings::kDefaultCommandDelay;
  static constexpr int kMaxCommandDelay = 1000;
  // Bounds of the echo grace ("ECHOGRACE"), in ms, clamped as the delay is.
  static constexpr int kDefaultEchoGrace = LinkSettings::kDefaultEchoGrace;
  static constexpr int kMaxEchoGrace = 1000;
  // How long the service-mode answer is awaited beyond the echo grace, in ms.
  static constexpr int kServiceAnswerWait = 100;

  // settings: the port name, the command delay and the echo grace (bounded
  // as above) and the service code; copied. sink, clock: where messages go,
  // how waits are made and the time is read; not owned, must outlive the
  // object. port: the serial port to speak through; null builds a TCommPort
  // (device/commport.h).
  // Gives the port its name and 9600 baud, 8 data bits, no parity, 1 stop
  // bit. Does not open the port.
  TKORAComm(const LinkSettings& settings, MessageSink& sink, Clock& clock,
            std::unique_ptr<SerialPort> port = nullptr);
  ~TKORAComm();  // ClosePort
  TKORAComm(const TKORAComm&) = delete;
  TKORAComm& operator=(const TKORAComm&) = delete;

  // The command delay in ms that this object uses, after clamping.
  int CommandDelay() const { return commandDelay_; }
  // The echo grace in ms that this object uses, after clamping.
  int EchoGrace() const { return echoGrace_; }

  // How the line has behaved since construction (device/linkfigures.h).
  const LinkFigures& Figures() const { return figures_; }

  // Opens the port. Returns 0, or -1 after "Unable to open PC COM Port!"
  // (caption "COM Port Error", stop icon), followed by a blank line and the
  // reason with what to do about it (device/portopenreason.h) whenever the
  // system gave one.
  [[nodiscard]] int OpenPort();
  // Closes the port if it is open; never reports anything.
  void ClosePort();
  // Returns 0 when the port is open; otherwise shows "PC COM Port is not
  // accessible!" and returns 1.
  [[nodiscard]] int CheckPortOpen();

  // Writes count bytes one at a time with 10 ms after each; reads nothing. A
  // failed write is shown (no icon) and ends the call. Nothing happens on a
  // closed port beyond the CheckPortOpen message.
  void SendBytes(const std::uint8_t* data, unsigned count) { SendBytes(data, count, count, count); }

  // Sends one memory write command ("A" address "D" data "R") a character at
  // a time, checking each echo, and judges the status letter that answers the
  // final "R". Returns 0 when the instrument answered "V"; -1 after the
  // failure has been shown. A text that is not a well-formed command of at
  // most 11 characters ending in "R", with no status letter before it, is
  // refused before anything is sent.
  //
  // After each character the link waits the command delay (10 ms more after
  // "R") and looks once for the answer. When nothing is there it listens on
  // for up to the echo grace and takes the first byte other than zero that
  // comes, the moment it comes; zero bytes are skipped. Only when the grace
  // ends with nothing is the same character sent again, seven times at most.
  // With a grace of 0 a zero byte counts as nothing and the character goes
  // again straight after the look.
  [[nodiscard]] int SendCommand(const std::string& text);

  // Shows the protocol failure of code (0 to 5; 6 and above: no answer) with
  // the power-down advice and the stop icon.
  void ShowLinkError(unsigned code);

  // Sends "M", "S" and the ten characters of the service code (the built-in
  // code when the settings gave none) and waits up to kServiceAnswerWait ms
  // plus the echo grace for the answer, skipping zero bytes when the grace is
  // above 0 (with a grace of 0 a zero byte is no answer).
  // Returns 0 when the instrument answered "S"; -1 after the failure (no
  // answer, "Z", any other byte, a port failure, or a closed port) was shown.
  [[nodiscard]] int EnterServiceMode();

  // Sends the single byte "X"; reads nothing.
  void ExitServiceMode();

  // Tells the user to switch the instrument off and on; caption is the
  // page's, e.g. "Power On Settings".
  void ShowPowerCycleNotice(const std::string& caption);

  // Writes valueText, sent unchanged as the data, to address. 0 or -1 as
  // SendCommand.
  [[nodiscard]] int WriteValue(int address, const std::string& valueText);

  // Writes each character of text (its code 0 to 255) to address, address + 1,
  // ..., stepping progress after each accepted write. Stops at the first
  // failure and returns -1; returns 0 when all were written (also for "").
  [[nodiscard]] int WriteText(int address, const std::string& text, ProgressSink& progress);

  // Writes the low byte of value to address and the next byte to address + 1.
  // Does not step any progress. 0, or -1 at the first failure.
  [[nodiscard]] int WriteWord(int address, unsigned value);

 private:
  // Looks once: true with the byte in *answer when one was waiting (it may be
  // a zero byte), false when none was. Throws ECommError.
  bool PollAnswer(std::uint8_t* answer);
  // Listens for up to limitMs from now for a byte and returns it, or 0 when
  // none came; with skipZeros a zero byte is passed over and listening goes
  // on, without it a zero byte ends the listening. *listenedMs: how long it
  // listened. Throws ECommError.
  std::uint8_t ListenForAnswer(int limitMs, bool skipZeros, int* listenedMs);
  // SendBytes, with bytes secretBegin to secretEnd - 1 marked secret at the
  // port (device/serialport.h); the bytes and waits on the line are the same.
  void SendBytes(const std::uint8_t* data, unsigned count, unsigned secretBegin,
                 unsigned secretEnd);
  void Show(const char* text, const char* caption, MessageIcon icon);

  MessageSink& sink_;
  Clock& clock_;
  std::unique_ptr<SerialPort> port_;
  int commandDelay_ = kDefaultCommandDelay;
  int echoGrace_ = kDefaultEchoGrace;
  LinkFigures figures_;
  std::string portName_;  // as given to the port, for the reason of a failed open
  std::string serviceCode_;
};
