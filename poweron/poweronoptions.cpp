#include "poweron/poweronoptions.h"

#include <cstring>

namespace {

// Builds the 28-byte field at compile time, so the table below can list the
// texts without their padding.
constexpr TPowerOnValueText Padded(const char* text) {
  TPowerOnValueText field{};
  int i = 0;
  for (; text[i] != '\0' && i < PowerOnValueTextWidth; ++i) field.Text[i] = text[i];
  for (; i < PowerOnValueTextWidth; ++i) field.Text[i] = ' ';
  field.Text[PowerOnValueTextWidth] = '\0';
  return field;
}

}  // namespace

const TPowerOnOption PowerOnOptions[PowerOnOptionCount] = {
    {"ECG Rate", 290, 15, 0},
    {"ECG Amplitude", 287, 8, 15},
    {"ECG Axis", 288, 3, 23},
    {"ECG Baseline Impedance", 275, 4, 26},
    {"ECG R-Wave", 289, 2, 30},
    {"Respiration Rate", 272, 9, 32},
    {"Respiration Waveform", 274, 6, 41},
    {"Respiration Delta", 273, 10, 47},
    {"Pacer Pulse Amplitude", 285, 14, 57},
    {"Pacer Pulse Width", 286, 5, 71},
    {"Pacer Pulse Polarity", 329, 2, 76},
    {"Temperature YSI 400/700", 284, 5, 78},
    {"CO Injectate Temperature", 276, 2, 83},
    {"CO Baseline Temperature", 277, 3, 85},
    {"CO Injectate Thermistor", 278, 4, 88},
    {"BP Sensitivity", 279, 2, 92},
    // The four dynamic pressure channels offer the same nine waveforms.
    {"BP1 Dynamic", 280, 9, 94},
    {"BP2 Dynamic", 281, 9, 94},
    {"BP3 Dynamic", 282, 9, 94},
    {"BP4 Dynamic", 283, 9, 94},
};

// "\xBA" is the degree sign and "\xB5" the micro sign; a literal is split after
// an escape wherever a hex digit follows, so the escape takes only its byte.
// Laid out by hand, by option:
// clang-format off
const TPowerOnValueText PowerOnValueTexts[PowerOnValueTextCount] = {
    // 0: ECG Rate
    Padded("30 BPM"), Padded("40 BPM"), Padded("60 BPM"), Padded("80 BPM"), Padded("100 BPM"),
    Padded("120 BPM"), Padded("140 BPM"), Padded("160 BPM"), Padded("180 BPM"),
    Padded("200 BPM"), Padded("220 BPM"), Padded("240 BPM"), Padded("260 BPM"),
    Padded("280 BPM"), Padded("300 BPM"),
    // 15: ECG Amplitude
    Padded("0.1 mV"), Padded("0.25 mV"), Padded("0.5 mV"), Padded("1 mV"), Padded("2 mV"),
    Padded("3 mV"), Padded("4 mV"), Padded("5 mV"),
    // 23: ECG Axis
    Padded("Normal (INT)"), Padded("Horizontal"), Padded("Vertical"),
    // 26: ECG Baseline Impedance
    Padded("500 Ohms"), Padded("1000 Ohms"), Padded("1500 Ohms"), Padded("2000 Ohms"),
    // 30: ECG R-Wave
    Padded("Adult R-Wave"), Padded("Neonatal R-Wave"),
    // 32: Respiration Rate
    Padded("0 BPM"), Padded("15 BPM"), Padded("20 BPM"), Padded("30 BPM"), Padded("40 BPM"),
    Padded("60 BPM"), Padded("80 BPM"), Padded("100 BPM"), Padded("120 BPM"),
    // 41: Respiration Waveform
    Padded("I/E 5/1"), Padded("I/E 4/1"), Padded("I/E 3/1"), Padded("I/E 2/1"),
    Padded("I/E 1/1"), Padded("Ventilator"),
    // 47: Respiration Delta
    Padded("0 Ohms"), Padded("0.05 Ohms"), Padded("0.1 Ohms"), Padded("0.2 Ohms"),
    Padded("0.5 Ohms"), Padded("1 Ohm"), Padded("2 Ohms"), Padded("3 Ohms"), Padded("4 Ohms"),
    Padded("5 Ohms"),
    // 57: Pacer Pulse Amplitude
    Padded("2 mV"), Padded("4 mV"), Padded("8 mV"), Padded("10 mV"), Padded("12 mV"),
    Padded("14 mV"), Padded("16 mV"), Padded("18 mV"), Padded("20 mV"), Padded("50 mV"),
    Padded("100 mV"), Padded("200 mV"), Padded("500 mV"), Padded("700 mV"),
    // 71: Pacer Pulse Width
    Padded("2 msec"), Padded("1 msec"), Padded("0.5 msec"), Padded("0.2 msec"),
    Padded("0.1 msec"),
    // 76: Pacer Pulse Polarity
    Padded("Negative Pulse"), Padded("Positive Pulse"),
    // 78: Temperature YSI 400/700
    Padded("30\xBA C"), Padded("35\xBA C"), Padded("37\xBA C"), Padded("38\xBA C"),
    Padded("40\xBA C"),
    // 83: CO Injectate Temperature
    Padded("2\xBA C"), Padded("20\xBA C"),
    // 85: CO Baseline Temperature
    Padded("36\xBA C"), Padded("37\xBA C"), Padded("38\xBA C"),
    // 88: CO Injectate Thermistor
    Padded("H-P/Philips at 2\xBA" "C"), Padded("H-P/Philips at 20\xBA" "C"),
    Padded("Edwards/SpaceLabs at 2\xBA" "C"), Padded("Adjustable (20\xBA" "C default)"),
    // 92: BP Sensitivity
    Padded("5\xB5V/V per mmHg"), Padded("40\xB5V/V per mmHg"),
    // 94: BP1 to BP4 Dynamic
    Padded("Arterial 120/80"), Padded("Arterial 90/40"), Padded("Arterial 160/110"),
    Padded("Left Ventrical 120/0"), Padded("Right Ventrical 25/0"), Padded("Left Atrium 14/4"),
    Padded("Right Atrium 15/10"), Padded("Pulmonary Artery 25/10"),
    Padded("Pulmonary Wedge 10/2"),
};
// clang-format on

namespace {

bool IsOption(int option) {
  // Compared as unsigned, so a negative option number is out of range too.
  return static_cast<unsigned>(option) < static_cast<unsigned>(PowerOnOptionCount);
}

}  // namespace

std::string PowerOnOptionName(int option) {
  if (!IsOption(option)) return {};
  const char* name = PowerOnOptions[option].OptionName;
  return std::string(name, ::strnlen(name, sizeof PowerOnOptions[option].OptionName));
}

int PowerOnOptionAddress(int option) {
  return IsOption(option) ? PowerOnOptions[option].OptionAddress : -1;
}

int PowerOnOptionValueCount(int option) {
  return IsOption(option) ? PowerOnOptions[option].OptionValueCount : 0;
}

bool IsPowerOnValueValid(int option, int value) {
  return IsOption(option) && value >= 0 && value < PowerOnOptions[option].OptionValueCount;
}

std::string PowerOnValueText(int option, int value) {
  if (!IsPowerOnValueValid(option, value)) return {};
  const int position = PowerOnOptions[option].OptionFirstValue + value;
  if (position >= PowerOnValueTextCount) return {};
  return std::string(PowerOnValueTexts[position].Text, PowerOnValueTextWidth);
}
