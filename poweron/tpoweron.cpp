#include "poweron/tpoweron.h"

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <charconv>
#include <optional>
#include <string_view>

#include "common/replacefile.h"

namespace {

constexpr std::array<int32_t, PowerOnOptionCount> kFactoryDefaults = {3, 3, 0, 1, 0, 2, 4, 9, 8, 0,
                                                                      0, 2, 1, 1, 0, 0, 0, 0, 3, 4};

bool IsOption(int option) {
  return static_cast<unsigned>(option) < static_cast<unsigned>(PowerOnOptionCount);
}

// A whole line as a signed 32-bit decimal number. Leading blanks are skipped;
// anything else around the digits (trailing blanks included) makes the line bad.
std::optional<int32_t> ParseLine(std::string_view line) {
  while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
  if (!line.empty() && line.front() == '+') {
    line.remove_prefix(1);
    if (!line.empty() && line.front() == '-') return std::nullopt;
  }
  int32_t value = 0;
  const char* end = line.data() + line.size();
  const auto [ptr, ec] = std::from_chars(line.data(), end, value);
  if (ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

// The file's bytes, or nothing when it is missing or cannot be read (a
// folder at the path included, which opens but fails to read).
std::optional<std::string> ReadWholeFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::string bytes;
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ::close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    bytes.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return bytes;
}

}  // namespace

int32_t TPowerOn::GetValue(int option) const { return IsOption(option) ? values_[option] : -1; }

void TPowerOn::SetValue(int option, int32_t value) {
  if (IsOption(option)) values_[option] = value;
}

void TPowerOn::SetDefaults() { values_ = kFactoryDefaults; }

int TPowerOn::LoadFile(const std::string& path) {
  const std::optional<std::string> bytes = ReadWholeFile(path);
  if (!bytes) return -1;

  values_.fill(0);
  std::string_view rest(*bytes);
  for (int option = 0; option < PowerOnOptionCount && !rest.empty(); ++option) {
    const size_t eol = rest.find_first_of("\r\n");
    const std::string_view line = rest.substr(0, eol);
    if (eol == std::string_view::npos) {
      rest = {};
    } else {
      const size_t width = rest.compare(eol, 2, "\r\n") == 0 ? 2 : 1;
      rest.remove_prefix(eol + width);
    }
    const std::optional<int32_t> value = ParseLine(line);
    // -1 is what an unset value reads as, so the whole file counts as bad.
    if (!value || *value == -1) return -1;
    values_[option] = *value;
  }
  return 0;
}

int TPowerOn::SaveFile(const std::string& path) const {
  // The file is replaced by a rename, which neither a file's unreadable mode
  // nor its write protection would stop; the values such a file holds are
  // the user's and are not written over.
  if (::access(path.c_str(), F_OK) == 0 && ::access(path.c_str(), R_OK | W_OK) != 0) {
    errno = EACCES;
    return -1;
  }
  std::string bytes;
  for (const int32_t value : values_) {
    bytes += std::to_string(value);
    bytes += "\r\n";
  }
  return ReplaceFileContents(path, bytes) ? 0 : -1;
}

TPowerOn LoadPowerOnAtStart(const std::string& path) {
  TPowerOn loaded;
  if (loaded.LoadFile(path) != 0) loaded.SetDefaults();
  return loaded;
}

int FirstInvalidPowerOnOption(const TPowerOn& values) {
  for (int option = 0; option < PowerOnOptionCount; ++option) {
    if (!IsPowerOnValueValid(option, values.GetValue(option))) return option;
  }
  return -1;
}

std::string PowerOnValueCellText(const TPowerOn& values, int option) {
  const int32_t value = values.GetValue(option);
  if (IsPowerOnValueValid(option, value)) return PowerOnValueText(option, value);
  return "invalid value " + std::to_string(value);
}
