// TCommPort: a plain serial port over POSIX termios. It knows nothing of the
// instrument; every failure raises ECommError (device/ecommerror.h).
#pragma once

#include <cstdint>
#include <string>

#include "device/ecommerror.h"
#include "device/portholder.h"
#include "device/serialport.h"

// Open takes the device for exclusive use (TIOCEXCL and an exclusive flock),
// so a second open, by this or another program, fails with OpenFailed and
// leaves the holder's exclusive use in place. It also refuses, with
// OpenFailed and EBUSY, a device that is taken already in any way it can
// see, root or not: another descriptor's TIOCEXCL, a UUCP lock file naming a
// live process, or an open descriptor in another process of this user (not
// on a pseudo-terminal, whose terminal end a stand-in instrument may keep
// open itself). Close clears TIOCEXCL only when this port set it.
//
// It sets raw 8-bit transfer with no flow control, ignores the modem-control
// lines, and starts with an empty receive queue, as a freshly opened port
// does. It asks the driver for low
// latency (ASYNC_LOW_LATENCY), so that a USB adapter passes each byte on at
// once rather than after its latency timer; a driver without that setting is
// used as it is, and Close puts the setting back as Open found it.
//
// Time-outs, all in ms:
//   Read: returns when count bytes arrived, when 15 ms pass after a byte with
//   no further byte, or when 250 + count ms have passed in all.
//   Write: waits at most 250 + count ms for room in the transmit queue; bytes
//   that do not fit in that time are dropped without a failure.
// Queue sizes: the 32768-byte receive and 9216-byte transmit queues have no
// Linux counterpart; the kernel's fixed tty buffers (at least 4 KiB each way)
// serve instead, so SetQueuesFailed, like SetTimeoutsFailed, is never raised.
//
// A device that disappears (a USB adapter pulled out, the far end of a
// pseudo-terminal closed) makes the next Read or WaitForInput fail at once
// with ReadFailed, Write with WriteFailed, BytesWaiting with QueueQueryFailed.
//
// Used by one thread at a time.
class TCommPort : public SerialPort {
 public:
  static constexpr int kReadIntervalTimeout = 15;
  static constexpr int kReadTotalTimeoutMultiplier = 1;
  static constexpr int kReadTotalTimeoutConstant = 250;
  static constexpr int kWriteTotalTimeoutMultiplier = 1;
  static constexpr int kWriteTotalTimeoutConstant = 250;

  // Closed; port name "/dev/ttyS0" (the first serial port); 9600 baud, 8 data
  // bits, no parity, one stop bit.
  TCommPort();
  // As above, with the lock files and processes looked up through holders.
  explicit TCommPort(PortHolderFinder holders);
  ~TCommPort() override;  // closes an open port; never throws
  TCommPort(const TCommPort&) = delete;
  TCommPort& operator=(const TCommPort&) = delete;

  // OpenFailed: the device cannot be opened or is in use. GetStateFailed: it
  // is not a terminal. SetStateFailed: it refused the line settings. The port
  // stays closed and the device free after any failure.
  void Open() override;
  void Close() override;
  bool IsOpen() const override { return open_; }

  void SetPortName(const std::string& name) override;
  const std::string& PortName() const { return portName_; }

  // On an open port a refused setting keeps the old value and raises
  // BaudRateRejected, ByteSizeRejected, ParityRejected or StopBitsRejected.
  void SetBaudRate(std::int32_t rate) override;
  void SetByteSize(std::uint8_t bits) override;
  void SetParity(std::uint8_t parity) override;
  void SetStopBits(std::uint8_t code) override;
  std::int32_t BaudRate() const { return baudRate_; }
  std::uint8_t ByteSize() const { return byteSize_; }
  std::uint8_t Parity() const { return parity_; }
  std::uint8_t StopBits() const { return stopBits_; }

  void Write(const std::uint8_t* data, std::int32_t count) override;
  std::uint32_t Read(std::uint8_t* buffer, std::uint32_t count) override;
  // Counts every byte that has reached the machine, including one the kernel
  // has received but not yet passed to the terminal's input queue; for that
  // it may wait the moment the kernel takes to finish passing it on.
  std::uint32_t BytesWaiting() override;
  // poll() on the descriptor, so that it returns the moment a byte is
  // handed over; a signal does not cut the wait short. A device that hangs
  // up with nothing left to read raises ReadFailed.
  bool WaitForInput(int timeoutMs) override;

 private:
  // Applies the four line settings to the open device over what it reports.
  // Returns false with errno set when the device refuses them.
  bool ApplyLineSettings();
  // Stores a new line setting through assign, and on an open port applies
  // it; when the device refuses, undo restores the old value and kind is
  // raised.
  template <typename Assign, typename Undo>
  void ChangeSetting(Assign assign, Undo undo, ECommKind kind);
  // Releases the device after a failed step of Open and raises kind with
  // the errno of that step.
  [[noreturn]] void FailOpen(ECommKind kind);
  // Raises OpenFailed with EBUSY after releasing the device when another
  // program has it (see above).
  void RefuseWhenTakenElsewhere();
  void RequestLowLatency();
  // Undoes what Open changed on the device: low latency and exclusive use.
  void GiveBackDevice();

  bool open_ = false;
  std::string portName_ = "/dev/ttyS0";
  std::int32_t baudRate_ = 9600;
  std::uint8_t byteSize_ = 8;
  std::uint8_t parity_ = 0;
  std::uint8_t stopBits_ = 0;
  int fd_ = -1;
  PortHolderFinder holders_;
  bool exclusive_ = false;      // this descriptor set TIOCEXCL
  bool lowLatencySet_ = false;  // this descriptor set ASYNC_LOW_LATENCY
};
