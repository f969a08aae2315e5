// Why a serial port would not open, in words a technician can act on: the
// paragraph that follows "Unable to open PC COM Port!".
#pragma once

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "device/portholder.h"

// The owner group and permission bits of a device file (st_gid, st_mode).
struct DeviceOwnership {
  gid_t group = 0;
  mode_t mode = 0;
};

// What the reason needs to know about the device and the user, so that tests
// can answer in place of the system. Every member must be set.
struct PortOpenLookups {
  // The device file's owner group and mode; nothing when it cannot be examined.
  std::function<std::optional<DeviceOwnership>(const std::string& device)> deviceOwnership;
  // The name of a group; nothing when the group database does not know it.
  std::function<std::optional<std::string>(gid_t group)> groupName;
  // The login name of the user running the program; nothing when unknown.
  std::function<std::optional<std::string>()> userName;
  // The groups this program runs with now: those granted when the session
  // started, whatever was changed since.
  std::function<std::vector<gid_t>()> sessionGroups;
  // The groups the account database gives user today, which a new session
  // would have.
  std::function<std::vector<gid_t>(const std::string& user)> accountGroups;
  // The other process that has device, as far as the system tells; nothing
  // when none can be found.
  std::function<std::optional<PortHolder>(const std::string& device)> portHolder;
};

// The real lookups: stat, getgrgid, getpwuid(getuid()), getegid with
// getgroups, getgrouplist, and PortHolderFinder::Find on /proc and the
// system's lock folders.
PortOpenLookups SystemPortOpenLookups();

// One short paragraph (lines joined by single "\n") saying why device could
// not be opened and what to do about it, in Windows-1252 for the message
// sink. device: the port name as the user chose it (local 8-bit text, "" when
// no port is chosen). error: the errno of the failure. The permission
// lookups are called only for a permission failure, portHolder only for a
// port in use. Returns "" when a port is chosen and error is 0, since there
// is then nothing to explain.
std::string PortOpenReason(const std::string& device, int error, const PortOpenLookups& lookups);
