// The serial ports offered on the Settings tab.
#pragma once

#include <QString>
#include <functional>
#include <map>
#include <vector>

struct PortEntry {
  QString name{};          // device path handed to the serial port, e.g. /dev/ttyUSB0
  QString description{};   // the adapter's description and maker; may be empty
  bool missing = false;    // the chosen port, kept in the list after it went away
  QString serialNumber{};  // the USB adapter's serial number; empty when it has none
  // The port's name under /dev/serial/by-id/, which udev makes from the
  // adapter's maker, model and serial number and which therefore names the
  // same adapter whatever number the kernel gives it; empty when it has none.
  QString stableName{};
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

  // ports with savedPort appended when it names none of them (IsNamedBy) but names a
  // terminal device (not merely any character device: /dev/null is none) and
  // is not a symbolic link planted by another user, so that any serial device
  // can be used by naming it as COMPORT in korapc.ini. Comparison is exact and
  // case-sensitive. The device is never opened.
  static std::vector<PortEntry> WithSavedPort(std::vector<PortEntry> ports,
                                              const QString& savedPort);

  // The list after a rescan: WithSavedPort(present, savedPort), then chosen
  // appended with missing set (and the description "Not present") when it is
  // not empty and neither its stable name (when it has one) nor, without one,
  // its name is among them, so that a chosen port that went away stays shown
  // and chosen until the user picks another.
  static std::vector<PortEntry> Refreshed(std::vector<PortEntry> present, const QString& savedPort,
                                          const PortEntry& chosen);

  // The links in byIdFolder (udev's /dev/serial/by-id) by the device each
  // leads to: canonical device path -> link path. Empty when the folder does
  // not exist. A device with several links gets the first in name order.
  static std::map<QString, QString> StableNames(const QString& byIdFolder = "/dev/serial/by-id");

  // The name korapc.ini keeps for port: its stable name where it has one, so
  // that two adapters that swap numbers on replug keep their meaning; its
  // name otherwise.
  static QString SavedName(const PortEntry& port);

  // True when savedName, as korapc.ini holds it, names port: its name or its
  // stable name, compared exactly and case-sensitively.
  static bool IsNamedBy(const PortEntry& port, const QString& savedName);

  // The entry's tooltip: the description, then "Serial number: " and the
  // serial number, then the stable name, each on a line of its own where
  // there is one.
  static QString ToolTip(const PortEntry& port);

  // Natural order of device names: digit runs compare by value.
  static bool NaturalLess(const QString& a, const QString& b);
};
