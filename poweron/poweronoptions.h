// The twenty power-on options of the KORA-1: their names, the instrument
// address each value is written to, and the texts of their allowed values.
//
// A value is an index into its own option's list of value texts; the same
// index is shown, stored in poweron.dat and sent to the instrument. All texts
// are single-byte Windows-1252 (0xBA is the degree sign, 0xB5 the micro sign).
#pragma once

#include <cstdint>
#include <string>

inline constexpr int PowerOnOptionCount = 20;
inline constexpr int PowerOnValueTextCount = 103;
// Value texts are padded with blanks to this many characters; the padding is
// part of the text that the page and the editor show.
inline constexpr int PowerOnValueTextWidth = 27;

struct TPowerOnOption {
  char OptionName[27];       // at most 26 characters, NUL-padded
  int32_t OptionAddress;     // instrument memory address of the value byte
  int32_t OptionValueCount;  // number of allowed values
  int32_t OptionFirstValue;  // position of value 0 in PowerOnValueTexts
};

// One value text: the text padded with blanks to 27 characters, then a NUL.
struct TPowerOnValueText {
  char Text[PowerOnValueTextWidth + 1];
};

extern const TPowerOnOption PowerOnOptions[PowerOnOptionCount];
extern const TPowerOnValueText PowerOnValueTexts[PowerOnValueTextCount];

// Lookups by option number 0 to 19. An option number outside that range gives
// "" for the name, -1 for the address and 0 for the count.
std::string PowerOnOptionName(int option);
int PowerOnOptionAddress(int option);
int PowerOnOptionValueCount(int option);

// True when value is an index into the option's own list (0 to count - 1).
bool IsPowerOnValueValid(int option, int value);

// The 27-character padded text of value index value of option, or "" when
// the option or the value lies outside the table. Never reads another
// option's texts.
std::string PowerOnValueText(int option, int value);
