#include "common/runtimefolder.h"

#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>

#include "common/pathtext.h"
#include "common/programstrings.h"

namespace {

// A real folder (lstat: not a symbolic link) of ours that only we can enter.
bool IsPrivateFolder(const std::string& folder) {
  struct stat st {};
  return ::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
         (st.st_mode & 0777) == 0700;
}

}  // namespace

std::string GetRuntimeFolder() {
  const std::string runtime = EnvOrEmpty("XDG_RUNTIME_DIR");
  if (!runtime.empty() && runtime.front() == '/' && IsPrivateFolder(runtime))
    return WithTrailingSlash(runtime);

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
