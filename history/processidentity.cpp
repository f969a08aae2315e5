#include "history/processidentity.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string BootId() {
  std::ifstream in("/proc/sys/kernel/random/boot_id");
  std::string id;
  std::getline(in, id);
  return id;
}

// Field 22 of /proc/PID/stat, the start time in clock ticks after boot; 0
// when the process does not exist. The command name (field 2) may hold
// blanks and parentheses, so counting starts after its last ')'.
std::uint64_t StartTicks(std::int64_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string text;
  std::getline(in, text);
  const auto close = text.rfind(')');
  if (close == std::string::npos) return 0;
  std::istringstream fields(text.substr(close + 1));
  std::string field;
  for (int number = 3; number <= 22 && fields >> field; ++number) {
    // A zombie has ended; only its parent has not yet collected it.
    if (number == 3 && (field == "Z" || field == "X")) return 0;
    if (number == 22) return std::strtoull(field.c_str(), nullptr, 10);
  }
  return 0;
}

}  // namespace

RecordingProcess CurrentProcess() {
  RecordingProcess process;
  process.pid = ::getpid();
  process.startTicks = StartTicks(process.pid);
  process.bootId = BootId();
  return process;
}

bool IsRunning(const RecordingProcess& process) {
  if (process.pid <= 0) return false;
  if (!process.bootId.empty() && process.bootId != BootId()) return false;
  const std::uint64_t ticks = StartTicks(process.pid);
  return ticks != 0 && ticks == process.startTicks;
}
