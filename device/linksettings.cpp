#include "device/linksettings.h"

#include <utility>

#include "common/settingsfile.h"

int ReadCommandDelay(const SettingsFile& ini) {
  return ini.ReadInteger("KORACOMM", "DELAY", LinkSettings::kDefaultCommandDelay);
}

int ReadEchoGrace(const SettingsFile& ini) {
  return ini.ReadInteger("KORACOMM", "ECHOGRACE", LinkSettings::kDefaultEchoGrace);
}

LinkSettings ReadLinkSettings(const std::string& iniPath, std::string portName,
                              std::string serviceCode) {
  LinkSettings settings;
  settings.portName = std::move(portName);
  const SettingsFile ini(iniPath);
  settings.commandDelay = ReadCommandDelay(ini);
  settings.echoGrace = ReadEchoGrace(ini);
  settings.serviceCode = std::move(serviceCode);
  return settings;
}
