// Whether two of korapc-program's ports are one device under two names, such
// as /dev/ttyUSB0 and its /dev/serial/by-id/... link.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

struct SameDevice {
  std::size_t first;  // index of the earlier name in the list
  std::size_t again;  // index of the later name for the same device
};

// The first pair of ports that are one device: two names of one character
// device (links followed, compared by device number), or of one file. A
// name that does not exist matches nothing here; names equal as text are
// the command line's to refuse. Opens nothing.
std::optional<SameDevice> FindSameDevice(const std::vector<std::string>& ports);
