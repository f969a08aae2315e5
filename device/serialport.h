// The operations of a serial port that the instrument link uses. TCommPort is
// the real one; tests put a scripted port in its place.
#pragma once

#include <cstdint>
#include <string>

// Every operation may raise ECommError (device/ecommerror.h).
class SerialPort {
 public:
  virtual ~SerialPort() = default;

  // Opens and configures the device; does nothing when already open.
  virtual void Open() = 0;
  // Closes the device when it is open. When the system reports a failure the
  // device is released all the same and CloseFailed is raised.
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;

  // Device path, e.g. /dev/ttyUSB0, used as given. PortIsOpen while open.
  virtual void SetPortName(const std::string& name) = 0;
  // Line settings; stored while closed, applied at once while open.
  // rate in baud; bits 5 to 8; parity 0 none, 1 odd, 2 even, 3 mark, 4 space;
  // stop bits 0 one, 1 one and a half (only with 5 data bits), 2 two.
  virtual void SetBaudRate(std::int32_t rate) = 0;
  virtual void SetByteSize(std::uint8_t bits) = 0;
  virtual void SetParity(std::uint8_t parity) = 0;
  virtual void SetStopBits(std::uint8_t code) = 0;

  // Writes count bytes of data. Nothing happens for a count of 0 or less or a
  // null pointer. PortNotOpen on a closed port; WriteFailed on a failure.
  virtual void Write(const std::uint8_t* data, std::int32_t count) = 0;

  // Reads up to count bytes into buffer, which must have room for count bytes.
  // Returns the number read (0 when the time-out passed with nothing). When
  // fewer than count arrived, buffer[result] is set to 0. PortNotOpen on a
  // closed port; ReadFailed on a failure.
  virtual std::uint32_t Read(std::uint8_t* buffer, std::uint32_t count) = 0;

  // The number of received bytes waiting to be read. PortNotOpen on a closed
  // port; QueueQueryFailed when the query fails.
  virtual std::uint32_t BytesWaiting() = 0;

  // Marks what follows, until cleared, as secret (the service code): a port
  // that records the line keeps only that such bytes went, never the bytes.
  // Sends and waits nothing; the real port ignores it.
  virtual void MarkSecret(bool /*secret*/) {}

  // Waits until a received byte is there to be read, or until timeoutMs
  // have passed; true when a byte is there (at once when one already is).
  // Reads nothing. A timeoutMs of 0 or less only looks. PortNotOpen on a
  // closed port; ReadFailed when the wait fails or the device hangs up.
  virtual bool WaitForInput(int timeoutMs) = 0;
};
