// A PortFactory for tests of several ports at once: a ScriptedPort of its
// own for every device, made from any worker.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "device/portfactory.h"
#include "support/scriptedport.h"

class ScriptedPorts : public PortFactory {
 public:
  // The port of device, made on its first call and answering as
  // ScriptedPort::Instrument unless a test has scripted it before.
  std::unique_ptr<SerialPort> MakePort(const std::string& device) override;

  std::mutex mutex;                           // held while a port is made
  std::map<std::string, ScriptedPort> ports;  // by device
  std::vector<std::string> opened;            // the device of each port made, in order
};
