#include "device/commportfactory.h"

#include "device/commport.h"

std::unique_ptr<SerialPort> CommPortFactory::MakePort(const std::string& device) {
  auto port = std::make_unique<TCommPort>();
  port->SetPortName(device);
  return port;
}
