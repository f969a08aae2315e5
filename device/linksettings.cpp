#include "device/linksettings.h"

#include <utility>

#include "common/settingsfile.h"

int ReadCommandDelay(const SettingsFile& ini) {
  return ini.ReadInteger("KORACOMM", "DELAY", LinkSettings::kDefaultCommandDelay);
}

LinkSettings ReadLinkSettings(const std::string& iniPath, std::string portName, std::string serviceCode) {
  LinkSettings settings;
  settings.portName = std::move(portName);
  settings.commandDelay = ReadCommandDelay(SettingsFile(iniPath));
  settings.serviceCode = std::move(serviceCode);
  return settings;
}
