// Scratch files for the fuzz targets: an in-memory file rewritten for every
// input, and a private folder for files that are written by rename.
#pragma once

#include <sys/mman.h>
#include <unistd.h>
#include <cstdint>
#include <cstdlib>
#include <string>

inline void FuzzCheck(bool condition) {
  if (!condition) std::abort();
}

// An in-memory file opened by its /proc path, so nothing is left on disk.
class ScratchFile {
 public:
  explicit ScratchFile(const char* name) : fd_(::memfd_create(name, 0)) {
    FuzzCheck(fd_ >= 0);
    path_ = "/proc/self/fd/" + std::to_string(fd_);
  }
  void Write(const uint8_t* data, size_t size) const {
    FuzzCheck(::ftruncate(fd_, 0) == 0);
    FuzzCheck(size == 0 || ::pwrite(fd_, data, size, 0) == static_cast<ssize_t>(size));
  }
  const std::string& path() const { return path_; }

 private:
  int fd_;
  std::string path_;
};

// A folder of this process's own under /tmp, for writers that rename over
// their target (which a /proc path cannot take).
inline const std::string& ScratchFolder() {
  static const std::string folder = [] {
    std::string pattern = "/tmp/korapc-fuzz-XXXXXX";
    FuzzCheck(::mkdtemp(pattern.data()) != nullptr);
    return pattern;
  }();
  return folder;
}
