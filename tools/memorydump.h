// The virtual KORA-1's memory as a file that may be read at any time. The
// file is mapped shared, so a stored byte is in the file (in the kernel's
// page cache, where every reader finds it) the moment it is stored, with no
// file input or output on the way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class MemoryDump {
 public:
  MemoryDump() = default;
  ~MemoryDump();  // writes the file out to disk and releases it
  MemoryDump(const MemoryDump&) = delete;
  MemoryDump& operator=(const MemoryDump&) = delete;

  // Creates or empties the file at path, fills it with the size bytes of
  // contents and maps it. Returns false with errno set when that fails.
  bool Create(const std::string& path, const std::uint8_t* contents, std::size_t size);

  // Stores value at address (below the size given to Create). Does nothing
  // when no file was created.
  void Store(std::size_t address, std::uint8_t value);

  // Asks the kernel to write the file out to disk soon; returns at once.
  void ScheduleWriteOut();

 private:
  std::uint8_t* map_ = nullptr;
  std::size_t size_ = 0;
};
