#include "common/replacefile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>

namespace {

constexpr std::string_view kMarker = ".korapc-tmp-";
constexpr std::string_view kRandom = "XXXXXX";  // replaced by mkstemp
constexpr std::size_t kNameMax = NAME_MAX;

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

mode_t CurrentUmask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

// The pid of a name TemporaryTemplate makes (after mkstemp), or -1.
pid_t TemporaryPid(std::string_view name) {
  if (name.size() < 2 || name.front() != '.') return -1;
  const std::size_t marker = name.rfind(kMarker);
  if (marker == std::string_view::npos || marker == 0) return -1;
  std::string_view rest = name.substr(marker + kMarker.size());
  const std::size_t dash = rest.find('-');
  if (dash == 0 || dash == std::string_view::npos || rest.size() - dash - 1 != kRandom.size())
    return -1;
  long long pid = 0;
  for (const char c : rest.substr(0, dash)) {
    if (c < '0' || c > '9' || pid > INT_MAX / 10) return -1;
    pid = pid * 10 + (c - '0');
  }
  for (const char c : rest.substr(dash + 1)) {
    const bool alnum = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (!alnum) return -1;
  }
  return pid > 0 ? static_cast<pid_t>(pid) : -1;
}

bool ProcessRuns(pid_t pid) {
  // EPERM: it runs, under another user.
  return pid == ::getpid() || ::kill(pid, 0) == 0 || errno == EPERM;
}

}  // namespace

std::string TemporaryTemplate(const std::string& path, pid_t pid) {
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const std::string tail = std::string(kMarker) + std::to_string(pid) + "-" + std::string(kRandom);
  // A name near the limit would make mkstemp fail where writing the file
  // itself would not; the temporary only needs to be recognisable.
  const std::size_t room = kNameMax - 1 - tail.size();
  if (name.size() > room) name.resize(room);
  return folder + "." + name + tail;
}

bool ReplaceFileContents(const std::string& path, std::string_view bytes) {
  std::string tempPath = TemporaryTemplate(path, ::getpid());
  const int fd = ::mkstemp(tempPath.data());
  if (fd < 0) return false;
  // Held until the temporary has been renamed or removed. A file system
  // without locks only loses the second guard of RemoveStaleTemporaries.
  (void)::flock(fd, LOCK_EX | LOCK_NB);

  struct stat old {};
  const mode_t mode =
      ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : (0666 & ~CurrentUmask());
  bool ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, bytes) && ::fsync(fd) == 0;
  int savedErrno = errno;
  if (ok && ::rename(tempPath.c_str(), path.c_str()) != 0) {
    ok = false;
    savedErrno = errno;
  }
  if (!ok) ::unlink(tempPath.c_str());
  // After fsync the bytes are on the disk, so a failing close loses nothing;
  // it is reported all the same, as the write then did not end cleanly.
  if (::close(fd) != 0 && ok) {
    ok = false;
    savedErrno = errno;
  }
  if (!ok) errno = savedErrno;
  return ok;
}

int RemoveStaleTemporaries(const std::string& folder) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return 0;
  const int dirFd = ::dirfd(dir);
  int removed = 0;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    const pid_t pid = TemporaryPid(name);
    if (pid < 0 || ProcessRuns(pid)) continue;
    const int fd = ::openat(dirFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;  // a symbolic link among others
    struct stat opened {};
    struct stat named {};
    // Locked: a KORApc writes it right now (one whose process this one
    // cannot see, in another container for instance).
    const bool stale = ::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) &&
                       ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
                       ::fstatat(dirFd, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
                       named.st_dev == opened.st_dev && named.st_ino == opened.st_ino;
    if (stale && ::unlinkat(dirFd, name.c_str(), 0) == 0) ++removed;
    ::close(fd);
  }
  ::closedir(dir);
  return removed;
}
