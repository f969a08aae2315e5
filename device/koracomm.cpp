#include "device/koracomm.h"

#include <algorithm>

#include "common/clock.h"
#include "common/programstrings.h"
#include "device/commport.h"
#include "device/ecommerror.h"
#include "device/koraprotocol.h"
#include "device/portopenreason.h"
#include "device/progresssink.h"

namespace {

namespace wire = kora::wire;

constexpr const char* kComPortError = "COM Port Error";
constexpr const char* kCommunicationsError = "Communications Error";
constexpr const char* kMemoryError = "KORA-1 Memory Error";

constexpr const char* kUnableToOpen = "Unable to open PC COM Port!";
constexpr const char* kNotAccessible = "PC COM Port is not accessible!";
constexpr const char* kUnableToWrite = "Unable to write to PC COM Port!";
constexpr const char* kUnableToRead = "Unable to read from PC COM Port!";
constexpr const char* kInvalidCommand = "Invalid KORA-1 command!";
constexpr const char* kNotResponding =
    "KORA-1 is not responding to PC.\n\n-Check serial connection to KORA-1\n-Verify KORA-1 is powered ON";
constexpr const char* kWrongPassword = "Service mode password is incorrect.";
constexpr const char* kPowerCycle =
    "Switch KORA-1 power OFF, then switch\nback ON for settings to take effect.";
constexpr const char* kPowerDownAdvice =
    "\n\n-Power down KORA-1\n-Wait one second\n-Power up KORA-1 and try again.";

struct LinkFailure {
  const char* text;
  const char* caption;
};

// Indexed by failure code; the last row also serves every higher code.
constexpr LinkFailure kLinkFailures[] = {
    {"Memory program/verify error!", kMemoryError},
    {"Invalid KORA status message!", kCommunicationsError},
    {"Invalid data value!", kMemoryError},
    {"Missing address/data parameter!", kMemoryError},
    {"Invalid address value!", kMemoryError},
    {"Incorrect reply from KORA-1!", kCommunicationsError},
    {"KORA-1 has stopped responding to PC!", kCommunicationsError},
};
constexpr unsigned kIncorrectReply = 5;
constexpr unsigned kStoppedResponding = 6;
constexpr int kMaxEmptyPolls = 7;

constexpr int kByteGap = 10;  // ms after each byte of SendBytes

// The failure code of a status letter, or -1 when answer is none.
int StatusCode(std::uint8_t answer) {
  switch (answer) {
    case wire::kVerifyError:
      return 0;
    case wire::kInvalidStatus:
      return 1;
    case wire::kInvalidData:
      return 2;
    case wire::kMissingParameter:
      return 3;
    case wire::kInvalidAddress:
      return 4;
    default:
      return -1;
  }
}

// The instrument answers the final "R" in place of an echo, and status letters
// are judged before echoes, so a command can only complete when it ends in "R"
// and holds no status letter, "V" or zero byte before it; the position of the
// character being sent also never passes index 10. Anything else would leave a
// half-sent command in the instrument or, with an early "V", be taken for
// success.
bool IsSendableCommand(const std::string& text) {
  if (text.empty() || text.size() > wire::kMaxCommandLength) return false;
  if (text.back() != wire::kCommandEnd) return false;
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    const auto c = static_cast<std::uint8_t>(text[i]);
    if (c == 0 || c == wire::kStored || StatusCode(c) >= 0) return false;
  }
  return true;
}

std::string MemoryCommand(unsigned address, const std::string& data) {
  return std::string(1, wire::kAddressMark) + std::to_string(address) + wire::kDataMark + data +
         wire::kCommandEnd;
}

}  // namespace

TKORAComm::TKORAComm(const LinkSettings& settings, MessageSink& sink, Clock& clock,
                     std::unique_ptr<SerialPort> port)
    : sink_(sink),
      clock_(clock),
      port_(port ? std::move(port) : std::make_unique<TCommPort>()),
      commandDelay_(std::clamp(settings.commandDelay, 0, kMaxCommandDelay)),
      echoGrace_(std::clamp(settings.echoGrace, 0, kMaxEchoGrace)),
      serviceCode_(settings.serviceCode) {
  // The port is closed here, so none of these can be refused.
  try {
    port_->SetPortName(settings.portName);
    portName_ = settings.portName;
    port_->SetBaudRate(9600);
    port_->SetByteSize(8);
    port_->SetParity(0);
    port_->SetStopBits(0);
  } catch (const ECommError&) {
    // A port handed in already open keeps its settings; OpenPort will use it.
  }
}

TKORAComm::~TKORAComm() { ClosePort(); }

void TKORAComm::Show(const char* text, const char* caption, MessageIcon icon) {
  sink_.ShowMessage(text, caption, icon);
}

int TKORAComm::OpenPort() {
  try {
    port_->Open();
    return 0;
  } catch (const ECommError& error) {
    // On Linux the first failure is usually one the technician can mend
    // alone (a group to join, an adapter to plug in, another program to
    // close), so the fixed text is followed by what went wrong and what to do.
    std::string text = kUnableToOpen;
    const std::string reason =
        PortOpenReason(portName_, static_cast<int>(error.ErrorNumber()), SystemPortOpenLookups());
    if (!reason.empty()) text += "\n\n" + reason;
    Show(text.c_str(), kComPortError, MessageIcon::Stop);
    return -1;
  }
}

void TKORAComm::ClosePort() {
  try {
    port_->Close();
  } catch (const ECommError&) {
    // The device is released even then, and the upload's outcome is already
    // known; there is nothing the user could do about it.
  }
}

int TKORAComm::CheckPortOpen() {
  if (port_->IsOpen()) return 0;
  Show(kNotAccessible, kComPortError, MessageIcon::Stop);
  return 1;
}

void TKORAComm::SendBytes(const std::uint8_t* data, unsigned count, unsigned secretBegin,
                          unsigned secretEnd) {
  if (CheckPortOpen() != 0) return;
  for (unsigned i = 0; i < count; ++i) {
    port_->MarkSecret(i >= secretBegin && i < secretEnd);
    try {
      port_->Write(data + i, 1);
    } catch (const ECommError&) {
      port_->MarkSecret(false);
      Show(kUnableToWrite, kComPortError, MessageIcon::None);
      return;
    }
    clock_.Sleep(kByteGap);
  }
  port_->MarkSecret(false);
}

bool TKORAComm::PollAnswer(std::uint8_t* answer) {
  *answer = 0;
  if (port_->BytesWaiting() == 0) return false;
  std::uint8_t byte[1] = {0};
  port_->Read(byte, 1);  // a read that times out leaves the zero Read stores
  *answer = byte[0];
  return true;
}

std::uint8_t TKORAComm::ListenForAnswer(int limitMs, bool skipZeros, int* listenedMs) {
  // The wait on the port ends the moment a byte is handed over, so a late
  // answer is taken as soon as it is there and the next character follows
  // at once.
  const std::int64_t start = clock_.NowMs();
  std::uint8_t answer = 0;
  for (;;) {
    const std::int64_t left = start + limitMs - clock_.NowMs();
    if (left <= 0 || !port_->WaitForInput(static_cast<int>(left))) break;
    if (PollAnswer(&answer) && (answer != 0 || !skipZeros)) break;
  }
  *listenedMs = static_cast<int>(clock_.NowMs() - start);
  return answer;
}

int TKORAComm::SendCommand(const std::string& text) {
  if (CheckPortOpen() != 0) return -1;
  if (!IsSendableCommand(text)) {
    Show(kInvalidCommand, kCommunicationsError, MessageIcon::Stop);
    return -1;
  }

  std::size_t position = 0;
  int emptyPolls = 0;
  for (;;) {
    const auto sent = static_cast<std::uint8_t>(text[position]);
    try {
      port_->Write(&sent, 1);
    } catch (const ECommError&) {
      Show(kUnableToWrite, kComPortError, MessageIcon::Stop);
      return -1;
    }
    const std::int64_t sentAt = clock_.NowMs();
    clock_.Sleep(sent == wire::kCommandEnd ? commandDelay_ + kFinalCharacterExtraDelay
                                           : commandDelay_);
    std::uint8_t answer = 0;
    int answerMs = commandDelay_;  // what an answer there at the first look counts as
    try {
      PollAnswer(&answer);
      // An answer only late - held by a USB adapter, a radio link or a busy
      // machine - is awaited rather than answered by a second copy of the
      // character, which the instrument would take as one more character.
      if (answer == 0 && echoGrace_ > 0) {
        int listened = 0;
        answer = ListenForAnswer(echoGrace_, true, &listened);
        if (answer != 0) {
          ++figures_.lateAnswers;
          answerMs = static_cast<int>(clock_.NowMs() - sentAt);
        }
      }
    } catch (const ECommError&) {
      // A failed queue query or wait is as much a failure to read as a
      // failed read.
      Show(kUnableToRead, kComPortError, MessageIcon::Stop);
      return -1;
    }

    if (answer == 0) {
      // The instrument missed the character: send the same character again,
      // seven times at most.
      if (++emptyPolls == kMaxEmptyPolls) {
        ShowLinkError(kStoppedResponding);
        return -1;
      }
      ++figures_.charactersSentAgain;
      continue;
    }
    figures_.slowestAnswerMs = std::max(figures_.slowestAnswerMs, answerMs);
    if (const int code = StatusCode(answer); code >= 0) {
      ShowLinkError(static_cast<unsigned>(code));
      return -1;
    }
    if (answer == wire::kStored) return 0;
    if (answer == sent) {
      emptyPolls = 0;
      if (position + 1 < text.size()) ++position;
      continue;
    }
    ShowLinkError(kIncorrectReply);
    return -1;
  }
}

void TKORAComm::ShowLinkError(unsigned code) {
  const LinkFailure& failure = kLinkFailures[std::min(code, kStoppedResponding)];
  sink_.ShowMessage(std::string(failure.text) + kPowerDownAdvice, failure.caption,
                    MessageIcon::Stop);
}

int TKORAComm::EnterServiceMode() {
  if (CheckPortOpen() != 0) return -1;

  const std::string code =
      serviceCode_.empty() ? std::string(kora::kServiceCodeText) : serviceCode_;
  const std::string request =
      std::string(1, wire::kServiceRequest1) + wire::kServiceRequest2 + code;
  // The code is marked secret, so that no record of the line keeps it.
  SendBytes(reinterpret_cast<const std::uint8_t*>(request.data()),
            static_cast<unsigned>(request.size()), 2, static_cast<unsigned>(request.size()));

  // SendBytes reports its own write failure and returns nothing, so the
  // answer is awaited even then, in one wait that ends when a byte comes.
  std::uint8_t answer = 0;
  try {
    const bool there = PollAnswer(&answer);
    int listened = 0;
    if (!there || (answer == 0 && echoGrace_ > 0)) {
      answer = ListenForAnswer(kServiceAnswerWait + echoGrace_, echoGrace_ > 0, &listened);
    }
    if (answer != 0) figures_.serviceAnswerMs = kByteGap + listened;
  } catch (const ECommError&) {
    Show(kUnableToRead, kComPortError, MessageIcon::Stop);
    return -1;
  }

  if (answer == 0) {
    Show(kNotResponding, kCommunicationsError, MessageIcon::Exclamation);
    return -1;
  }
  if (answer == wire::kServiceAccepted) return 0;
  if (answer == wire::kServiceRefused) {
    Show(kWrongPassword, kCommunicationsError, MessageIcon::Exclamation);
    return -1;
  }
  ShowLinkError(kIncorrectReply);
  return -1;
}

void TKORAComm::ExitServiceMode() {
  const auto end = static_cast<std::uint8_t>(wire::kEndServiceMode);
  SendBytes(&end, 1);
}

void TKORAComm::ShowPowerCycleNotice(const std::string& caption) {
  sink_.ShowMessage(kPowerCycle, caption, MessageIcon::None);
}

int TKORAComm::WriteValue(int address, const std::string& valueText) {
  return SendCommand(MemoryCommand(static_cast<unsigned>(address), valueText));
}

int TKORAComm::WriteText(int address, const std::string& text, ProgressSink& progress) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned target = static_cast<unsigned>(address) + static_cast<unsigned>(i);
    const unsigned code = static_cast<std::uint8_t>(text[i]);
    if (SendCommand(MemoryCommand(target, std::to_string(code))) != 0) return -1;
    progress.StepProgress();
  }
  return 0;
}

int TKORAComm::WriteWord(int address, unsigned value) {
  const auto base = static_cast<unsigned>(address);
  if (SendCommand(MemoryCommand(base, std::to_string(value & 255u))) != 0) return -1;
  return SendCommand(MemoryCommand(base + 1, std::to_string((value >> 8) & 255u))) != 0 ? -1 : 0;
}
