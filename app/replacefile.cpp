#include "app/replacefile.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace {

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

}  // namespace

bool ReplaceFileContents(const std::string& path, std::string_view bytes) {
  std::string tempPath = path + ".XXXXXX";
  const int fd = ::mkstemp(tempPath.data());
  if (fd < 0) return false;

  struct stat old{};
  const mode_t mode = ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777)
                                                       : (0666 & ~CurrentUmask());
  bool ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, bytes) && ::fsync(fd) == 0;
  int savedErrno = errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    savedErrno = errno;
  }
  if (ok && ::rename(tempPath.c_str(), path.c_str()) != 0) {
    ok = false;
    savedErrno = errno;
  }
  if (!ok) {
    ::unlink(tempPath.c_str());
    errno = savedErrno;
  }
  return ok;
}
