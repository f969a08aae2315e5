// One complete set of power-on values: for each of the twenty options the
// index of its value in the option's list (see poweronoptions.h).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "poweron/poweronoptions.h"

class TPowerOn {
 public:
  // Every value 0, the first text of each list. Not the factory defaults.
  TPowerOn() = default;

  // The value of option 0 to 19, or -1 for any other option number.
  int32_t GetValue(int option) const;

  // Stores value for option 0 to 19; any other option number is ignored.
  // The value is not checked against the option's list.
  void SetValue(int option, int32_t value);

  // The factory defaults: 3, 3, 0, 1, 0, 2, 4, 9, 8, 0, 0, 2, 1, 1, 0, 0, 0, 0, 3, 4.
  void SetDefaults();

  // Reads a values file: one signed decimal integer per line (leading blanks
  // allowed), line i for option i; lines end in CR LF, CR or LF. Returns 0 after
  // the last line: options without a line are 0, lines after the twentieth are
  // ignored. Returns -1 and leaves the set unchanged when no file can be read
  // at path. Returns -1 at the first line that is not a 32-bit integer or that
  // reads -1; the values before it stay stored, those after it are 0.
  [[nodiscard]] int LoadFile(const std::string& path);

  // Replaces the file at path with the twenty values, each in signed decimal
  // followed by CR LF. The old file stays whole if the write fails, and an
  // existing file that this user may not read or write is left as it is.
  // Returns 0 on success, -1 on failure (errno tells why).
  [[nodiscard]] int SaveFile(const std::string& path) const;

  bool operator==(const TPowerOn&) const = default;

 private:
  std::array<int32_t, PowerOnOptionCount> values_{};
};

// The first option (0 to 19) whose value is not an index into its own list,
// or -1 when every value is valid. Only a hand-edited poweron.dat can hold
// such a value; the instrument must never be sent one.
int FirstInvalidPowerOnOption(const TPowerOn& values);

// What the page shows for option's value: the 27-character padded value text,
// or "invalid value " and the number when the value lies outside the list.
std::string PowerOnValueCellText(const TPowerOn& values, int option);

// The values the power-on page starts with: those in the file at path, or the
// factory defaults when the file is missing, unreadable or holds a bad line.
TPowerOn LoadPowerOnAtStart(const std::string& path);
