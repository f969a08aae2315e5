#include "device/portopenreason.h"

#include <grp.h>
#include <locale.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <utility>

#include "common/cp1252.h"

namespace {

constexpr const char* kSettingsTab = "the Settings tab";

// The text of an error number in English, like every other message of the
// program: Qt switches the process to the user's locale, so plain strerror
// could answer in another language and another encoding.
std::string ErrorText(int error) {
  static const locale_t cLocale = ::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  if (cLocale == static_cast<locale_t>(nullptr)) return "error " + std::to_string(error);
  return ::strerror_l(error, cLocale);
}

// A word the technician can paste into a shell as it is shown.
std::string ShellWord(const std::string& word) {
  const bool plain = !word.empty() && std::all_of(word.begin(), word.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 ||
           std::strchr("/._-+:@%=,", c) != nullptr;
  });
  if (plain) return word;
  std::string quoted = "'";
  for (char c : word) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

bool Contains(const std::vector<gid_t>& groups, gid_t group) {
  return std::find(groups.begin(), groups.end(), group) != groups.end();
}

std::string PermissionReason(const std::string& device, const PortOpenLookups& lookups) {
  const std::string unexplained =
      "You may not open " + device +
      ": its permissions do not allow it. This command shows them:\nls -l " + ShellWord(device);

  const std::optional<DeviceOwnership> owner = lookups.deviceOwnership(device);
  if (!owner) return unexplained;
  // Joining the group helps only when the group may both read and write the
  // device; and nobody should be told to join root's group.
  const bool groupGrants = (owner->mode & S_IRGRP) != 0 && (owner->mode & S_IWGRP) != 0;
  if (owner->group == 0 || !groupGrants) return unexplained;
  const std::optional<std::string> group = lookups.groupName(owner->group);
  if (!group || group->empty()) return unexplained;
  // Already in the group and still refused: something other than the group
  // (an access list, a security module) stands in the way.
  if (Contains(lookups.sessionGroups(), owner->group)) return unexplained;

  const std::optional<std::string> user = lookups.userName();
  const bool userKnown = user && !user->empty();
  if (userKnown && Contains(lookups.accountGroups(*user), owner->group)) {
    return "You may not open " + device + " yet: your user (" + *user + ") is in its group " +
           *group +
           ", but this session started before that. Log out and log in again, then try again.";
  }
  const std::string who = userKnown ? "your user (" + *user + ")" : "your user";
  return "You may not open " + device + ": it belongs to the group " + *group + ", and " + who +
         " is not in that group. Run this command, then log out and log in again:\nsudo usermod -aG " +
         ShellWord(*group) + " " + (userKnown ? ShellWord(*user) : std::string("$USER"));
}

std::string Reason(const std::string& device, int error, const PortOpenLookups& lookups) {
  if (device.empty()) return std::string("No port is chosen. Pick one on ") + kSettingsTab + ".";
  switch (error) {
    case EACCES:
    case EPERM:
      return PermissionReason(device, lookups);
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return device +
             " does not exist (any more). Check the cable and the USB adapter, then pick the port "
             "again on " +
             kSettingsTab + ".";
    case EBUSY:
    case EWOULDBLOCK: {
      std::string who = "another program";
      if (const std::optional<PortHolder> holder = lookups.portHolder(device)) {
        who = (holder->program.empty() ? who : holder->program) + " (process " +
              std::to_string(holder->pid) + ")";
      }
      return device + " is in use by " + who + ". Close that program and try again.";
    }
    case ENOTTY:
      return device + " is not a serial port. Pick the port again on " + std::string(kSettingsTab) +
             ".";
    default:
      return device + " could not be opened: " + ErrorText(error) + ".";
  }
}

// Runs a getpw*_r / getgr*_r style call, growing its buffer while it asks for
// more room. Returns false when the entry does not exist or cannot be read.
template <typename Call>
bool WithGrowingBuffer(Call call) {
  std::vector<char> buffer(1024);
  for (;;) {
    const int result = call(buffer);
    if (result != ERANGE) return result == 0;
    if (buffer.size() >= (1u << 20)) return false;
    buffer.resize(buffer.size() * 2);
  }
}

std::optional<DeviceOwnership> SystemDeviceOwnership(const std::string& device) {
  struct stat status {};
  if (::stat(device.c_str(), &status) != 0) return std::nullopt;
  return DeviceOwnership{status.st_gid, status.st_mode};
}

std::optional<std::string> SystemGroupName(gid_t group) {
  std::optional<std::string> name;
  WithGrowingBuffer([&](std::vector<char>& buffer) {
    struct group entry {};
    struct group* found = nullptr;
    const int result = ::getgrgid_r(group, &entry, buffer.data(), buffer.size(), &found);
    if (result == 0 && found != nullptr) name = found->gr_name;
    return result;
  });
  return name;
}

// The account entry of name (or of the real user when name is null).
std::optional<std::pair<std::string, gid_t>> AccountEntry(const char* name) {
  std::optional<std::pair<std::string, gid_t>> account;
  WithGrowingBuffer([&](std::vector<char>& buffer) {
    struct passwd entry {};
    struct passwd* found = nullptr;
    const int result = name != nullptr
                           ? ::getpwnam_r(name, &entry, buffer.data(), buffer.size(), &found)
                           : ::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found);
    if (result == 0 && found != nullptr) account = std::make_pair(found->pw_name, found->pw_gid);
    return result;
  });
  return account;
}

std::optional<std::string> SystemUserName() {
  if (auto account = AccountEntry(nullptr)) return account->first;
  return std::nullopt;
}

std::vector<gid_t> SystemSessionGroups() {
  std::vector<gid_t> groups{::getegid()};
  const int count = ::getgroups(0, nullptr);
  if (count > 0) {
    std::vector<gid_t> supplementary(static_cast<std::size_t>(count));
    const int got = ::getgroups(count, supplementary.data());
    if (got > 0) groups.insert(groups.end(), supplementary.begin(), supplementary.begin() + got);
  }
  return groups;
}

std::vector<gid_t> SystemAccountGroups(const std::string& user) {
  const auto account = AccountEntry(user.c_str());
  if (!account) return {};
  int count = 32;
  std::vector<gid_t> groups;
  // getgrouplist reports the number it needs when the room is too small; the
  // database may change between calls, hence the loop.
  for (int attempt = 0; attempt < 8; ++attempt) {
    groups.resize(static_cast<std::size_t>(count));
    int room = count;
    if (::getgrouplist(user.c_str(), account->second, groups.data(), &room) >= 0) {
      groups.resize(static_cast<std::size_t>(room));
      return groups;
    }
    count = std::max(room, count * 2);
  }
  return {account->second};
}

}  // namespace

PortOpenLookups SystemPortOpenLookups() {
  return PortOpenLookups{SystemDeviceOwnership,
                         SystemGroupName,
                         SystemUserName,
                         SystemSessionGroups,
                         SystemAccountGroups,
                         [](const std::string& device) { return PortHolderFinder().Find(device); }};
}

std::string PortOpenReason(const std::string& device, int error, const PortOpenLookups& lookups) {
  if (error == 0 && !device.empty()) return "";
  const std::string reason = Reason(device, error, lookups);
  // Device, user and group names come in the locale's encoding (UTF-8); the
  // message sink takes Windows-1252. A name that code page cannot hold is
  // left as it is rather than lost.
  return Utf8ToCp1252(reason).value_or(reason);
}
