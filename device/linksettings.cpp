#include "device/linksettings.h"

#include "common/settingsfile.h"

int ReadCommandDelay(const SettingsFile& ini) {
  return ini.ReadInteger("KORACOMM", "DELAY", LinkSettings::kDefaultCommandDelay);
}
