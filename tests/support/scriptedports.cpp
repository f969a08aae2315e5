#include "support/scriptedports.h"

std::unique_ptr<SerialPort> ScriptedPorts::MakePort(const std::string& device) {
  const std::lock_guard lock(mutex);
  opened.push_back(device);
  ScriptedPort& port = ports[device];
  if (!port.respond) port.respond = ScriptedPort::Instrument();
  return port.Handle();
}
