#include "app/koraglobals.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

std::string ChosenComPort;
std::string ServiceCode;

namespace {

std::string WithTrailingSlash(std::string path) {
  if (path.empty() || path.back() != '/') path += '/';
  return path;
}

std::string EnvOrEmpty(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

// A real folder (lstat: not a symbolic link) of ours that only we can enter.
bool IsPrivateFolder(const std::string& folder) {
  struct stat st{};
  return ::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
         (st.st_mode & 0777) == 0700;
}

}  // namespace

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
  const std::string folder = WithTrailingSlash(base) + kora::kVendorName + "/" +
                             kora::kProductName + "/";
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);  // failure shows later, as files that will not open
  return folder;
}

std::string GetRuntimeFolder() {
  const std::string runtime = EnvOrEmpty("XDG_RUNTIME_DIR");
  if (!runtime.empty() && runtime.front() == '/' && IsPrivateFolder(runtime)) return WithTrailingSlash(runtime);

  std::string base = EnvOrEmpty("TMPDIR");
  if (base.empty() || base.front() != '/') base = "/tmp";
  std::string folder = WithTrailingSlash(base) + "korapc-" + std::to_string(::geteuid());
  // mkdir never follows a link at the path, and in a sticky /tmp nobody else
  // can rename or remove our folder once it is there, so checking it after
  // creating it is enough.
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return {};
  return IsPrivateFolder(folder) ? WithTrailingSlash(folder) : std::string();
}

std::string GetVirtualKoraLinkPath() {
  const std::string folder = GetRuntimeFolder();
  return folder.empty() ? std::string() : folder + kora::kVirtualKoraLinkName;
}

std::string GetSettingsFilePath() { return GetDataFolder() + kora::kSettingsFileName; }
std::string GetAutoSelectFilePath() { return GetDataFolder() + kora::kAutoSelectFileName; }
std::string GetPowerOnFilePath() { return GetDataFolder() + kora::kPowerOnFileName; }
