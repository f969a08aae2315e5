#include "machine/ttydevice.h"

#include <libudev.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace ttydevice {

namespace {

struct UdevDeleter {
  void operator()(udev* u) const { udev_unref(u); }
  void operator()(udev_device* d) const { udev_device_unref(d); }
};

bool IsTtyClassDevice(dev_t number) {
  const std::unique_ptr<udev, UdevDeleter> context(udev_new());
  if (!context) return false;
  const std::unique_ptr<udev_device, UdevDeleter> device(
      udev_device_new_from_devnum(context.get(), 'c', number));
  const char* subsystem = device ? udev_device_get_subsystem(device.get()) : nullptr;
  return subsystem != nullptr && std::strcmp(subsystem, "tty") == 0;
}

}  // namespace

bool IsPseudoTerminal(const std::string& path) {
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISCHR(st.st_mode)) return false;
  std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                       &std::free);
  if (!resolved) return false;
  // /dev/pts/ptmx lives there too, but it is the multiplexer, not a terminal.
  const std::string target = resolved.get();
  const std::string prefix = "/dev/pts/";
  if (target.size() <= prefix.size() || target.compare(0, prefix.size(), prefix) != 0) return false;
  for (std::size_t i = prefix.size(); i < target.size(); ++i) {
    if (target[i] < '0' || target[i] > '9') return false;
  }
  struct statfs fs {};
  return ::statfs(target.c_str(), &fs) == 0 && fs.f_type == DEVPTS_SUPER_MAGIC;
}

bool IsTerminalDevice(const std::string& path) {
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISCHR(st.st_mode)) return false;
  // Pseudo-terminals have no entry in sysfs.
  return IsTtyClassDevice(st.st_rdev) || IsPseudoTerminal(path);
}

bool IsOwnPseudoTerminalLink(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode) &&
         st.st_uid == ::geteuid() && IsPseudoTerminal(path);
}

bool IsForeignLink(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode) &&
         st.st_uid != ::geteuid() && st.st_uid != 0;
}

}  // namespace ttydevice
