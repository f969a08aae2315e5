#include "support/scriptedportfactory.h"

std::unique_ptr<SerialPort> ScriptedPortFactory::MakePort(const std::string& device) {
  devices.push_back(device);
  return port_.Handle();
}
