// LinkSettings: what the device link needs to know of the program around it -
// which device, how long to wait after each character, how long to listen on
// for a late answer, and the service code - handed to it by the caller, read
// once per upload.
#pragma once

#include <string>

class SettingsFile;

struct LinkSettings {
  // Used when "DELAY" is missing or not a number.
  static constexpr int kDefaultCommandDelay = 10;
  // Used when "ECHOGRACE" is missing or not a number.
  static constexpr int kDefaultEchoGrace = 200;

  // Device name of the serial port, e.g. /dev/ttyUSB0, used as given. Empty:
  // the open fails.
  std::string portName;
  // Pause after each character of a memory write, in ms, as the settings give
  // it; the link bounds it to 0 .. TKORAComm::kMaxCommandDelay.
  int commandDelay = kDefaultCommandDelay;
  // The instrument's ten-digit service-mode code. Empty: the built-in code
  // (kora::kServiceCodeText).
  std::string serviceCode = {};
  // How long, in ms, the link listens on for an answer that was not there
  // when it looked after the command delay, before it sends the character
  // again; as the settings give it, bounded by the link to
  // 0 .. TKORAComm::kMaxEchoGrace. 0: no listening on.
  int echoGrace = kDefaultEchoGrace;
};

// The command delay of "DELAY" in section "KORACOMM" of ini, unbounded;
// LinkSettings::kDefaultCommandDelay when the key is missing or not an
// integer. The program never writes the key.
int ReadCommandDelay(const SettingsFile& ini);

// The grace of "ECHOGRACE" in section "KORACOMM" of ini, unbounded;
// LinkSettings::kDefaultEchoGrace when the key is missing or not an integer.
// The program never writes the key.
int ReadEchoGrace(const SettingsFile& ini);

// The settings of one upload through portName with serviceCode (empty: the
// built-in code): the command delay and the grace are read with
// ReadCommandDelay and ReadEchoGrace from the settings file at iniPath, which
// is opened once, here, and released at once.
LinkSettings ReadLinkSettings(const std::string& iniPath, std::string portName,
                              std::string serviceCode = {});
