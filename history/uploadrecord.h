// UploadRecord: what the programming record keeps of one upload to the
// instrument, from the window or from korapc-program. Plain values, no Qt;
// copies are independent. Text fields are single-byte Windows-1252 text as the
// program shows it, except the paths and names the system gave (UTF-8 bytes
// as they came).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The USB serial adapter behind a port, as udev describes it. Each field is
// empty when udev does not know it.
struct PortAdapter {
  std::string vendor;        // e.g. "FTDI" (ID_VENDOR_FROM_DATABASE, else ID_VENDOR)
  std::string model;         // e.g. "FT232R USB UART" (ID_MODEL_FROM_DATABASE, else ID_MODEL)
  std::string serialNumber;  // e.g. "A10K3B2Q" (ID_SERIAL_SHORT)
  std::string vendorId;      // four hex digits, e.g. "0403"
  std::string productId;     // four hex digits, e.g. "6001"

  bool operator==(const PortAdapter&) const = default;
};

// The port an upload went through.
struct UploadPort {
  std::string chosen;                  // as the user or the settings named it, e.g. "/dev/ttyUSB0"
  std::string stable;                  // its /dev/serial/by-id/ name; empty when udev has none
  std::optional<PortAdapter> adapter;  // none when the port is not a USB adapter or unknown

  bool operator==(const UploadPort&) const = default;
};

enum class UploadWhat {
  PowerOn,         // the twenty power-on values
  AutoSelections,  // the ten auto selections
};

// How an upload ended.
//   Running      no end is recorded and the process that began it is still
//                running (same boot, same process start time): it may yet end.
//   Programmed   every write was accepted and the end of service mode was sent.
//   Failed       the upload stopped at a failure; the message says which.
//   Interrupted  no end is recorded and the process that began it is gone
//                (killed, crashed, powered off), or its end could not be
//                written. Never shown as programmed.
enum class UploadOutcome { Running, Programmed, Failed, Interrupted };

// "power-on" / "auto-selections".
const char* UploadWhatText(UploadWhat what);
// "running" / "programmed" / "failed" / "interrupted".
const char* UploadOutcomeText(UploadOutcome outcome);

// One auto selection as it was sent: the name bytes (at most 20, Windows-1252)
// and the key codes (at most 10), as in autoselect/tautoselect.h.
struct AutoSelectionEntry {
  std::string name;
  std::vector<std::int32_t> codes;

  bool operator==(const AutoSelectionEntry&) const = default;
};

// The process that began a record, to tell a live upload from one whose
// program is gone.
struct RecordingProcess {
  std::int64_t pid = 0;
  std::uint64_t startTicks = 0;  // field 22 of /proc/PID/stat (clock ticks after boot)
  std::string bootId;            // /proc/sys/kernel/random/boot_id

  bool operator==(const RecordingProcess&) const = default;
};

// Everything known before the first byte goes out.
struct UploadStart {
  std::string started;  // UTC, ISO 8601 to the millisecond, e.g. "2026-12-09T15:41:58.123Z"
  std::string user;     // the PC user's login name
  std::string host;     // the PC's host name
  std::string version;  // the program's version, e.g. "1.0.0"
  UploadPort port;
  UploadWhat what = UploadWhat::PowerOn;
  // The data sent, by what: for PowerOn the twenty value indexes (option 0 to
  // 19, as in poweron/tpoweron.h) and autoSelections empty; for AutoSelections
  // the entries in order (element i is auto key i + 1, normally ten) and
  // powerOn all 0.
  std::array<std::int32_t, 20> powerOn{};
  std::vector<AutoSelectionEntry> autoSelections;
  // The file the data came from or was last saved to; empty when none.
  std::string sourceFile;
  // SHA-256, 64 lower-case hex digits, of the data as their file format would
  // write them (poweron.dat: twenty lines "value CR LF"; .asl: the 64-byte
  // records), whatever the file on disk holds now.
  std::string dataSha256;
  int commandDelayMs = 0;  // DELAY, as the link used it
  int echoGraceMs = 0;     // ECHOGRACE; 0 where the link has none
  RecordingProcess process;

  bool operator==(const UploadStart&) const = default;
};

// How the link went, from the upload's result. -1 where not known.
struct RecordedLinkFigures {
  int lateAnswers = -1;          // answers that came after the first wait
  int slowestAnswerMs = -1;      // the longest wait for one answer
  int charactersResent = -1;     // characters sent again after a missing echo
  int serviceModeAnswerMs = -1;  // how long the instrument took to answer "S"

  bool operator==(const RecordedLinkFigures&) const = default;
};

// Everything known at the end.
struct UploadEnd {
  UploadOutcome result = UploadOutcome::Interrupted;  // Programmed, Failed or Interrupted
  std::string message;  // the failure's message as shown (Windows-1252); empty when none
  int done = 0;         // commands (progress steps) done
  int total = 0;        // commands of the whole upload
  RecordedLinkFigures link;
  std::int64_t durationMs = 0;  // from the record's beginning to its end

  bool operator==(const UploadEnd&) const = default;
};

// One record as read back from the store.
struct UploadRecord {
  std::int64_t id = 0;  // the store's number, 1 upwards, never reused
  UploadStart start;
  // The end as recorded. When none was recorded, result is Running or
  // Interrupted (see UploadOutcome), done and total are 0 and durationMs -1.
  UploadEnd end;
  bool ended = false;      // an end was recorded
  bool traceKept = false;  // the wire trace is still stored (older ones may be dropped)
};

enum class TraceDirection : std::uint8_t {
  Sent = 0,      // from the PC to the instrument
  Received = 1,  // from the instrument to the PC
};

// One byte on the wire.
struct TraceByte {
  std::int64_t micros = 0;  // microseconds after the record began, from the program's clock
  TraceDirection direction = TraceDirection::Sent;
  // The byte; always 0 when secret (a service-code character, shown as "*";
  // the code itself is never stored).
  std::uint8_t byte = 0;
  bool secret = false;

  bool operator==(const TraceByte&) const = default;
};

using UploadTrace = std::vector<TraceByte>;
