// PortFactory: how the link gets the serial port of an upload, without
// knowing whether it is a real device or a test's script. The programs make
// TCommPorts (device/commportfactory.h); tests make scripted ports.
#pragma once

#include <memory>
#include <string>

#include "device/serialport.h"

class PortFactory {
 public:
  virtual ~PortFactory() = default;

  // A new, closed serial port for device (a path such as /dev/ttyUSB0, used
  // as given), owned by the caller; never null. Nothing is opened here: the
  // link names the device and opens it. May be called from several threads
  // at once (korapc-program makes one port per worker).
  [[nodiscard]] virtual std::unique_ptr<SerialPort> MakePort(const std::string& device) = 0;
};
