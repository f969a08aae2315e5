#include "device/linksettings.h"

#include <utility>

#include "app/settingsfile.h"

LinkSettings ReadLinkSettings(const std::string& iniPath, std::string portName) {
  LinkSettings settings;
  settings.portName = std::move(portName);
  settings.commandDelay = SettingsFile(iniPath).ReadInteger("KORACOMM", "DELAY", LinkSettings::kDefaultCommandDelay);
  return settings;
}
