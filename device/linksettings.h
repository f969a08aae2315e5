// What the device link needs to know before it opens a port: which device,
// and how long to wait after each character. The caller reads it once per
// upload and hands it to TKORAComm.
#pragma once

#include <string>

struct LinkSettings {
  static constexpr int kDefaultCommandDelay = 10;  // ms

  // The device path handed to the serial port as given, e.g. /dev/ttyUSB0.
  std::string portName;
  // Milliseconds to wait after each character of a command ("DELAY"); the
  // link clamps it to 0 .. TKORAComm::kMaxCommandDelay.
  int commandDelay = kDefaultCommandDelay;
};

// The settings of one upload through portName: the command delay is "DELAY"
// in section "KORACOMM" of the settings file at iniPath, 10 when the file,
// the section or the key is missing or the value is not an integer. The file
// is read once, here, and released at once.
LinkSettings ReadLinkSettings(const std::string& iniPath, std::string portName);
