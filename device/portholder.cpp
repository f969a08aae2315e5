#include "device/portholder.h"

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <utility>

namespace {

std::string BaseName(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A whole positive number written in decimal, or -1.
long Number(const std::string& text) {
  if (text.empty() || text.size() > 10) return -1;
  for (char c : text) {
    if (c < '0' || c > '9') return -1;
  }
  const long value = std::strtol(text.c_str(), nullptr, 10);
  return value > 0 && value <= INT_MAX ? value : -1;
}

// The process number in a lock file: ASCII ("%10d\n", as most programs write
// it) or the 4-byte int of older programs. -1 when it holds neither.
long LockFilePid(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return -1;
  std::string content(64, '\0');
  in.read(content.data(), static_cast<std::streamsize>(content.size()));
  content.resize(static_cast<std::size_t>(in.gcount()));
  // Four bytes that are all digits or blanks ("4242") are text.
  const bool text = content.find_first_not_of("0123456789 \n") == std::string::npos;
  if (content.size() == sizeof(std::int32_t) && !text) {
    std::int32_t binary = 0;
    std::memcpy(&binary, content.data(), sizeof binary);
    if (binary > 0) return binary;
  }
  std::istringstream words(content);
  std::string word;
  words >> word;
  return Number(word);
}

struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};
using Dir = std::unique_ptr<DIR, DirCloser>;

}  // namespace

PortHolderFinder::PortHolderFinder(std::string procRoot, std::vector<std::string> lockFolders)
    : procRoot_(std::move(procRoot)), lockFolders_(std::move(lockFolders)) {}

std::optional<PortHolder> PortHolderFinder::Running(long pid) const {
  if (pid <= 0 || pid == ::getpid()) return std::nullopt;
  const std::string folder = procRoot_ + "/" + std::to_string(pid);
  struct stat st {};
  // A process of another user may be hidden from /proc (hidepid) and still run.
  const bool runs =
      ::stat(folder.c_str(), &st) == 0 || ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
  if (!runs) return std::nullopt;
  PortHolder holder{static_cast<pid_t>(pid), ""};
  std::ifstream comm(folder + "/comm");
  std::getline(comm, holder.program);
  return holder;
}

std::optional<PortHolder> PortHolderFinder::ByLockFile(const std::string& device) const {
  std::vector<std::string> names{"LCK.." + BaseName(device)};
  if (char* resolved = ::realpath(device.c_str(), nullptr)) {
    const std::string real = "LCK.." + BaseName(resolved);
    std::free(resolved);
    if (real != names.front()) names.push_back(real);
  }
  for (const std::string& folder : lockFolders_) {
    for (const std::string& name : names) {
      if (auto holder = Running(LockFilePid(folder + "/" + name))) return holder;
    }
  }
  return std::nullopt;
}

std::optional<PortHolder> PortHolderFinder::ByFileLock(dev_t fileSystem, ino_t inode) const {
  // Lines such as "3: FLOCK  ADVISORY  WRITE 4711 00:05:87 0 EOF", the device
  // numbers in hexadecimal; "3: -> FLOCK ..." is a process waiting for it.
  std::ifstream locks(procRoot_ + "/locks");
  for (std::string line; std::getline(locks, line);) {
    std::istringstream words(line);
    std::string number, type, mode, access, pid, file;
    words >> number >> type;
    if (type == "->") continue;
    words >> mode >> access >> pid >> file;
    unsigned major = 0, minor = 0;
    unsigned long long node = 0;
    if (std::sscanf(file.c_str(), "%x:%x:%llu", &major, &minor, &node) != 3) continue;
    if (::makedev(major, minor) != fileSystem || node != inode) continue;
    if (auto holder = Running(Number(pid))) return holder;
  }
  return std::nullopt;
}

std::optional<PortHolder> PortHolderFinder::ByOpenDescriptor(dev_t device) const {
  const Dir processes(::opendir(procRoot_.c_str()));
  if (!processes) return std::nullopt;
  while (const dirent* process = ::readdir(processes.get())) {
    const long pid = Number(process->d_name);
    if (pid <= 0 || pid == ::getpid()) continue;
    const std::string fdFolder = procRoot_ + "/" + process->d_name + "/fd";
    // Another user's descriptors stay closed to us (EACCES): skipped.
    const Dir descriptors(::opendir(fdFolder.c_str()));
    if (!descriptors) continue;
    while (const dirent* fd = ::readdir(descriptors.get())) {
      if (fd->d_name[0] == '.') continue;
      struct stat st {};
      const std::string entry = fdFolder + "/" + fd->d_name;
      if (::stat(entry.c_str(), &st) == 0 && S_ISCHR(st.st_mode) && st.st_rdev == device) {
        if (auto holder = Running(pid)) return holder;
        break;
      }
    }
  }
  return std::nullopt;
}

std::optional<PortHolder> PortHolderFinder::Find(const std::string& path) const {
  if (auto holder = ByLockFile(path)) return holder;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  if (auto holder = ByFileLock(st.st_dev, st.st_ino)) return holder;
  if (!S_ISCHR(st.st_mode)) return std::nullopt;
  return ByOpenDescriptor(st.st_rdev);
}
