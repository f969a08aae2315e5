// The serial ports offered on the Settings tab.
#pragma once

#include <QString>
#include <functional>
#include <vector>

struct PortEntry {
  QString name;         // device path handed to the serial port, e.g. /dev/ttyUSB0
  QString description;  // shown as the entry's tooltip; may be empty
  bool missing = false; // the chosen port, kept in the list after it went away
};

// Produces the ports present on this machine. Injected into the main window so
// that tests can give it a fixed list.
using PortLister = std::function<std::vector<PortEntry>()>;

class PortList {
 public:
  // The serial devices Qt finds (real UARTs, USB and ACM adapters) as full
  // device paths in natural order (ttyS2 before ttyS10), then the virtual
  // KORA-1 when its link is usable: a symbolic link of this user's in the
  // private runtime folder that points at a pseudo-terminal. Safe to call from
  // any thread.
  static std::vector<PortEntry> PresentPorts();

  // ports with savedPort appended when it is not among them but names a
  // terminal device (not merely any character device: /dev/null is none) and
  // is not a symbolic link planted by another user, so that any serial device
  // can be used by naming it as COMPORT in korapc.ini. Comparison is exact and
  // case-sensitive. The device is never opened.
  static std::vector<PortEntry> WithSavedPort(std::vector<PortEntry> ports, const QString& savedPort);

  // The list after a rescan: WithSavedPort(present, savedPort), then chosen
  // appended with missing set (and the tooltip "Not present") when it is not
  // empty and not among them, so that a chosen port that went away stays shown
  // and chosen until the user picks another.
  static std::vector<PortEntry> Refreshed(std::vector<PortEntry> present, const QString& savedPort,
                                          const QString& chosen);

  // Natural order of device names: digit runs compare by value.
  static bool NaturalLess(const QString& a, const QString& b);
};
