// CommPortFactory: the PortFactory of the running programs, a TCommPort for
// every upload.
#pragma once

#include "device/portfactory.h"

class CommPortFactory : public PortFactory {
 public:
  // A closed TCommPort; the device name is given to it by the link.
  std::unique_ptr<SerialPort> MakePort(const std::string& device) override;
};
