#include "machine/koraglobals.h"

#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "common/pathtext.h"
#include "common/settingsfile.h"

std::string ChosenComPort;
std::string ServiceCode;

std::string GetExeFolder() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec || exe.empty()) return "./";
  return WithTrailingSlash(exe.parent_path().string());
}

std::string GetDataFolder() {
  // XDG base directories: an empty or relative XDG_CONFIG_HOME is to be ignored.
  std::string base = EnvOrEmpty("XDG_CONFIG_HOME");
  if (base.empty() || base.front() != '/') {
    const std::string home = EnvOrEmpty("HOME");
    if (home.empty()) return GetExeFolder();
    base = WithTrailingSlash(home) + ".config";
  }
  const std::string folder =
      WithTrailingSlash(base) + kora::kVendorName + "/" + kora::kProductName + "/";
  std::error_code ec;
  std::filesystem::create_directories(folder,
                                      ec);  // failure shows later, as files that will not open
  return folder;
}

std::string GetSettingsFilePath() { return GetDataFolder() + kora::kSettingsFileName; }
std::string GetAutoSelectFilePath() { return GetDataFolder() + kora::kAutoSelectFileName; }
std::string GetPowerOnFilePath() { return GetDataFolder() + kora::kPowerOnFileName; }

LinkSettings CurrentLinkSettings() {
  const SettingsFile ini(GetSettingsFilePath());
  return {ChosenComPort, ReadCommandDelay(ini), ServiceCode, ReadEchoGrace(ini)};
}
