#include "tools/memorydump.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

MemoryDump::~MemoryDump() {
  if (map_ == nullptr) return;
  ::msync(map_, size_, MS_SYNC);
  ::munmap(map_, size_);
}

bool MemoryDump::Create(const std::string& path, const std::uint8_t* contents, std::size_t size) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  void* map = MAP_FAILED;
  if (::ftruncate(fd, static_cast<off_t>(size)) == 0) {
    map = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  }
  const int error = errno;
  ::close(fd);  // the mapping keeps the file
  if (map == MAP_FAILED) {
    errno = error;
    return false;
  }
  map_ = static_cast<std::uint8_t*>(map);
  size_ = size;
  std::memcpy(map_, contents, size);
  return true;
}

void MemoryDump::Store(std::size_t address, std::uint8_t value) {
  if (map_ != nullptr && address < size_) map_[address] = value;
}

void MemoryDump::ScheduleWriteOut() {
  if (map_ != nullptr) ::msync(map_, size_, MS_ASYNC);
}
