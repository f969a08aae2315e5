// The failure that the serial port raises. It never leaves the device link:
// TKORAComm catches it at each of its operations.
#pragma once

#include <cerrno>
#include <cstdint>

// The kinds of port failure. The values are fixed; 0, 2, 12 and 13 are never
// raised.
enum class ECommKind : std::uint8_t {
  BaudRateRejected = 1,    // the open device refused the settings after a baud-rate change
  StopBitsRejected = 3,    // ... after a stop-bits change
  ParityRejected = 4,      // ... after a parity change
  ByteSizeRejected = 5,    // ... after a byte-size change
  PortIsOpen = 6,          // the port name was changed while the port is open
  PortNotOpen = 7,         // write, read or queue query on a closed port
  OpenFailed = 8,          // the device cannot be opened or taken for exclusive use
  WriteFailed = 9,         // the system reported a failed write, or the device is gone
  ReadFailed = 10,         // the system reported a failed read, or the device is gone
  CloseFailed = 11,        // the system reported a failure closing the device
  GetStateFailed = 14,     // the device's line settings cannot be read during Open
  SetStateFailed = 15,     // the line settings cannot be applied during Open
  SetQueuesFailed = 16,    // never raised on Linux (see TCommPort)
  SetTimeoutsFailed = 17,  // never raised on Linux (see TCommPort)
  QueueQueryFailed = 18,   // the receive-queue query failed, or the device is gone
};

// Raised and caught by value.
class ECommError {
 public:
  // error: the system's error number (errno) at the failure; by default the
  // current errno.
  explicit ECommError(ECommKind kind, std::uint32_t error = static_cast<std::uint32_t>(errno))
      : kind_(kind), error_(error) {}

  ECommKind Kind() const { return kind_; }
  std::uint32_t ErrorNumber() const { return error_; }

 private:
  ECommKind kind_;
  std::uint32_t error_;
};
