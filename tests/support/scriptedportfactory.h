// A PortFactory for tests: every port it makes forwards to one ScriptedPort.
#pragma once

#include <string>
#include <vector>

#include "device/portfactory.h"
#include "support/scriptedport.h"

class ScriptedPortFactory : public PortFactory {
 public:
  // port: where every port made forwards to; not owned, must outlive them.
  explicit ScriptedPortFactory(ScriptedPort& port) : port_(port) {}

  // port.Handle(), whatever the device; the device is noted in devices.
  std::unique_ptr<SerialPort> MakePort(const std::string& device) override;

  std::vector<std::string> devices;  // the device of each port made, in order

 private:
  ScriptedPort& port_;
};
