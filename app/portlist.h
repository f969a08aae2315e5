// The serial ports offered on the Settings tab.
#pragma once

#include <QString>
#include <functional>
#include <vector>

struct PortEntry {
  QString name;         // device path handed to the serial port, e.g. /dev/ttyUSB0
  QString description;  // shown as the entry's tooltip; may be empty
};

// Produces the ports present on this machine. Injected into the main window so
// that tests can give it a fixed list.
using PortLister = std::function<std::vector<PortEntry>()>;

class PortList {
 public:
  // The serial devices Qt finds (real UARTs, USB and ACM adapters) as full
  // device paths in natural order (ttyS2 before ttyS10), then the virtual
  // KORA-1 when its link exists.
  static std::vector<PortEntry> PresentPorts();

  // ports with savedPort appended when it is not among them but names an
  // existing character device, so that any device can be used by naming it as
  // COMPORT in korapc.ini. Comparison is exact and case-sensitive.
  static std::vector<PortEntry> WithSavedPort(std::vector<PortEntry> ports, const QString& savedPort);

  // Natural order of device names: digit runs compare by value.
  static bool NaturalLess(const QString& a, const QString& b);
};
