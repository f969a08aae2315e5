#include "catalogue/keycatalogue.h"

#include <algorithm>
#include <array>

namespace {

// Every code's name in code order, unpadded; padded at compile time below.
// "NO SELECTION" marks the reserved codes.
// Laid out by hand, four names a line, each line headed by its first code:
// clang-format off
constexpr const char* kNames[KeyCatalogueSize] = {
    /*   0 */ "NO SELECTION", "Battery Test", "BP ZERO", "BP DYNAMIC",
    /*   4 */ "NSR at 80BPM", "5\xB5V/V per mmHg", "40\xB5V/V per mmHg", "Squarewave 2 Hz",
    /*   8 */ "Normal", "OFF", "30 BPM", "40 BPM",
    /*  12 */ "60 BPM", "80 BPM", "100 BPM", "120 BPM",
    /*  16 */ "140 BPM", "160 BPM", "180 BPM", "200 BPM",
    /*  20 */ "220 BPM", "240 BPM", "260 BPM", "280 BPM",
    /*  24 */ "300 BPM", "NO SELECTION", "0.1 mV", "0.25 mV",
    /*  28 */ "0.5 mV", "1 mV", "2 mV", "3 mV",
    /*  32 */ "4 mV", "5 mV", "NO SELECTION", "NO SELECTION",
    /*  36 */ "NO SELECTION", "NO SELECTION", "NO SELECTION", "NO SELECTION",
    /*  40 */ "500 Ohms", "1000 Ohms", "1500 Ohms", "2000 Ohms",
    /*  44 */ "0 mV", "-0.8 mV", "-0.7 mV", "-0.6 mV",
    /*  48 */ "-0.5 mV", "-0.4 mV", "-0.3 mV", "-0.2 mV",
    /*  52 */ "-0.1 mV", "+0.1 mV", "+0.2 mV", "+0.3 mV",
    /*  56 */ "+0.4 mV", "+0.5 mV", "+0.6 mV", "+0.7 mV",
    /*  60 */ "+0.8 mV", "Normal (INT)", "Horizontal", "Vertical",
    /*  64 */ "NSR at 80BPM", "Neonatal ON", "Neonatal OFF", "Asystole 1",
    /*  68 */ "Asystole 2", "Asystole 3", "Bigeminy 1 LVF", "Bigeminy 2 RVF",
    /*  72 */ "Trigeminy 1 LVF", "Trigeminy 2 RVF", "PAC", "PNC",
    /*  76 */ "Multifocal PVC", "Frequent Multifocal PVC", "PVC1 LVF*", "PVC1 Early LV*",
    /*  80 */ "PVC1 RonT LVF*", "PVC1 6/minute", "PVC1 12/minute", "PVC1 24/minute",
    /*  84 */ "PVC1 Pair*", "PVC1 Run of 5*", "PVC1 Run of 11*", "NO SELECTION",
    /*  88 */ "PVC2 RVF*", "PVC2 Early RV*", "PVC2 RonT RVF*", "PVC2 6/minute",
    /*  92 */ "PVC2 12/minute", "PVC2 24/minute", "PVC2 Pair*", "PVC2 Run of 5*",
    /*  96 */ "PVC2 Run of 11*", "First Degree Block", "Second Degree Block 1", "Second Degree Block 2",
    /* 100 */ "Third Degree Block", "Right Bundle Branch Block", "Left Bundle Branch Block", "NSR at 80BPM",
    /* 104 */ "AFIB Coarse", "AFIB Fine", "VFIB Coarse", "VFIB Fine",
    /* 108 */ "NO SELECTION", "NO SELECTION", "NO SELECTION", "NO SELECTION",
    /* 112 */ "Paroxysmal Atrial Tachy", "Supraventricular Tachy", "NO SELECTION", "NO SELECTION",
    /* 116 */ "Atrial Flutter", "Sinus Arrythmia", "Missed Beat*", "NSR at 80BPM",
    /* 120 */ "Nodal PNC", "Ventricular Rhythm 90BPM", "Ventricular Rhythm 120BPM", "VTACH at 140BPM",
    /* 124 */ "VTACH at 160BPM", "VTACH at 180BPM", "VTACH at 190BPM", "Missed Beat at 80BPM",
    /* 128 */ "Missed Beat at 120BPM", "NSR at 80BPM", "NO SELECTION", "NO SELECTION",
    /* 132 */ "NO SELECTION", "NO SELECTION", "NO SELECTION", "NO SELECTION",
    /* 136 */ "NO SELECTION", "NO SELECTION", "Emergency 1", "Emergency 2",
    /* 140 */ "Cadioversion", "Defib NOW", "Defib R-Sync", "OFF",
    /* 144 */ "Muscle", "Wandering Baseline", "50Hz Mains Interference", "60Hz Mains Interference",
    /* 148 */ "NO SELECTION", "NO SELECTION", "NO SELECTION", "SAVE BP WAVES",
    /* 152 */ "5\xB5V/V per mmHg", "40\xB5V/V per mmHg", "PON 5\xB5V/V", "PON 40\xB5V/V",
    /* 156 */ "NO SELECTION", "NO SELECTION", "BP ZERO", "BP DYNAMIC",
    /* 160 */ "BP STATIC STEP", "-10 mmHg", "-5 mmHg", "0 mmHg",
    /* 164 */ "20 mmHg", "40 mmHg", "60 mmHg", "80 mmHg",
    /* 168 */ "100 mmHg", "120 mmHg", "150 mmHg", "160 mmHg",
    /* 172 */ "180 mmHg", "200 mmHg", "240 mmHg", "320 mmHg",
    /* 176 */ "400 mmHg", "BP DYNAMIC", "NO SELECTION", "Arterial 120/80",
    /* 180 */ "Arterial 90/40", "Arterial 160/110", "Left Ventrical 120/0", "Right Ventrical 25/0",
    /* 184 */ "Left Atrium 14/4", "Right Atrium 15/10", "Pulmonary Artery 25/10", "Pulmonary Wedge 10/2",
    /* 188 */ "Swan-Ganz AUTO", "Swan-Ganz MANUAL", "NO SELECTION", "Arterial 120/80",
    /* 192 */ "Arterial 90/40", "Arterial 160/110", "Left Ventrical 120/0", "Right Ventrical 25/0",
    /* 196 */ "Left Atrium 14/4", "Right Atrium 15/10", "Pulmonary Artery 25/10", "Pulmonary Wedge 10/2",
    /* 200 */ "Swan-Ganz AUTO", "Swan-Ganz MANUAL", "NO SELECTION", "Arterial 120/80",
    /* 204 */ "Arterial 90/40", "Arterial 160/110", "Left Ventrical 120/0", "Right Ventrical 25/0",
    /* 208 */ "Left Atrium 14/4", "Right Atrium 15/10", "Pulmonary Artery 25/10", "Pulmonary Wedge 10/2",
    /* 212 */ "Swan-Ganz AUTO", "Swan-Ganz MANUAL", "NO SELECTION", "Arterial 120/80",
    /* 216 */ "Arterial 90/40", "Arterial 160/110", "Left Ventrical 120/0", "Right Ventrical 25/0",
    /* 220 */ "Left Atrium 14/4", "Right Atrium 15/10", "Pulmonary Artery 25/10", "Pulmonary Wedge 10/2",
    /* 224 */ "Swan-Ganz AUTO", "Swan-Ganz MANUAL", "Respiration 1", "Respriation 2",
    /* 228 */ "OFF", "NO SELECTION", "30\xBA C", "35\xBA C",
    /* 232 */ "37\xBA C", "38\xBA C", "40\xBA C", "NO SELECTION",
    /* 236 */ "NO SELECTION", "NO SELECTION", "NO SELECTION", "NO SELECTION",
    /* 240 */ "NO SELECTION", "NO SELECTION", "NO SELECTION", "NO SELECTION",
    /* 244 */ "NO SELECTION", "NO SELECTION", "NO SELECTION", "NO SELECTION",
    /* 248 */ "NO SELECTION", "NO SELECTION", "NO SELECTION", "H-P/Philips at 2\xBA" "C",
    /* 252 */ "H-P/Philips at 20\xBA" "C", "Edwards/SpaceLabs at 2\xBA" "C", "Adjustable (20\xBA" "C default)", "NO SELECTION",
    /* 256 */ "36\xBA C", "37\xBA C", "38\xBA C", "2\xBA C",
    /* 260 */ "20\xBA C", "PON CO at 2\xBA C", "PON CO at 20\xBA C", "PON T1:2C (H-P)",
    /* 264 */ "PON T2:20C (HP)", "PON T3:2C (A-E)", "PON T4:Adjustable (A-E)", "NO SELECTION",
    /* 268 */ "NO SELECTION", "3 liters/minute", "4 liters/minute", "4.5 liters/minute",
    /* 272 */ "5 liters/minute", "5.5 liters/minute", "6 liters/minute", "6.5 liters/minute",
    /* 276 */ "7 liters/minute", "Trend ON", "Trend OFF", "Slow Inject",
    /* 280 */ "Faulty Inject", "L/R Shunt", "Cal Pulse 1\xBA/1 sec", "Cal Pulse 1\xBA/4 sec",
    /* 284 */ "NO SELECTION", "NO SELECTION", "NO SELECTION", "NO SELECTION",
    /* 288 */ "NO SELECTION", "NO SELECTION", "60 BPM", "90 BPM",
    /* 292 */ "120 BPM", "150 BPM", "180 BPM", "210 BPM",
    /* 296 */ "240 BPM", "NO SELECTION", "NO SELECTION", "NO SELECTION",
    /* 300 */ "0.1 mV", "0.25 mV", "0.5 mV", "1 mV",
    /* 304 */ "2 mV", "3 mV", "4 mV", "5 mV",
    /* 308 */ "NO SELECTION", "Uniform Deceleration", "Early Deceleration", "Late Deceleration",
    /* 312 */ "NO SELECTION", "0-25 mmHg", "0-50 mmHg", "0-100 mmHg",
    /* 316 */ "NO SELECTION", "NO SELECTION", "NO SELECTION", "NO SELECTION",
    /* 320 */ "NO SELECTION", "NO SELECTION", "Asynchronous at 75BPM", "Demand, Frequent Sinus",
    /* 324 */ "Demand, Occasional Sinus", "A-V Sequential", "Non-Capture", "Non-Function",
    /* 328 */ "NO SELECTION", "NO SELECTION", "NO SELECTION", "NO SELECTION",
    /* 332 */ "NO SELECTION", "NO SELECTION", "NO SELECTION", "NO SELECTION",
    /* 336 */ "NO SELECTION", "NO SELECTION", "NO SELECTION", "NO SELECTION",
    /* 340 */ "NO SELECTION", "Positive Pulse", "Negative Pulse", "2 mV",
    /* 344 */ "4 mV", "8 mV", "10 mV", "12 mV",
    /* 348 */ "14 mV", "16 mV", "18 mV", "20 mV",
    /* 352 */ "50 mV", "100 mV", "200 mV", "500 mV",
    /* 356 */ "700 mV", "NO SELECTION", "0.1 msec", "0.2 msec",
    /* 360 */ "0.5 msec", "1 msec", "2 msec", "PACE CAL",
    /* 364 */ "NO SELECTION", "Squarewave 2 Hz", "Squarewave 0.125 Hz", "Pulse 1 Hz, 80 msec",
    /* 368 */ "Triangle 2 Hz", "NO SELECTION", "0.05 Hz", "0.5 Hz",
    /* 372 */ "1 Hz", "10 Hz", "25 Hz", "30 Hz",
    /* 376 */ "40 Hz", "50 Hz", "60 Hz", "100 Hz",
    /* 380 */ "8 msec", "12 msec", "20 msec", "40 msec",
    /* 384 */ "60 msec", "80 msec", "100 msec", "120 msec",
    /* 388 */ "140 msec", "160 msec", "180 msec", "200 msec",
    /* 392 */ "NO SELECTION", "0.05 mV", "0.1 mV", "0.15 mV",
    /* 396 */ "0.2 mV", "0.25 mV", "0.3 mV", "0.35 mV",
    /* 400 */ "0.4 mV", "0.45 mV", "0.5 mV", "0.75 mV",
    /* 404 */ "1 mV", "1.25 mV", "1.5 mV", "1.75 mV",
    /* 408 */ "2 mV", "2.25 mV", "2.5 mV", "2.75 mV",
    /* 412 */ "3 mV", "3.25 mV", "3.5 mV", "3.75 mV",
    /* 416 */ "4 mV", "4.25 mV", "4.5 mV", "4.75 mV",
    /* 420 */ "5 mV", "5.25 mV", "5.5 mV", "RESP SET LOW",
    /* 424 */ "RESP SET HIGH", "0 BPM", "15 BPM", "20 BPM",
    /* 428 */ "30 BPM", "40 BPM", "60 BPM", "80 BPM",
    /* 432 */ "100 BPM", "120 BPM", "NO SELECTION", "12 seconds",
    /* 436 */ "22 seconds", "32 seconds", "Continuous", "NO SELECTION",
    /* 440 */ "0 Ohms", "0.05 Ohms", "0.1 Ohms", "0.2 Ohms",
    /* 444 */ "0.5 Ohms", "1 Ohm", "2 Ohms", "3 Ohms",
    /* 448 */ "4 Ohms", "5 Ohms", "NO SELECTION", "I/E 5/1",
    /* 452 */ "I/E 4/1", "I/E 3/1", "I/E 2/1", "I/E 1/1",
    /* 456 */ "Ventilator", "NO SELECTION", "NO SELECTION", "NO SELECTION",
    /* 460 */ "NO SELECTION", "NO SELECTION", "NO SELECTION", "NO SELECTION",
    /* 464 */ "NO SELECTION", "NO SELECTION", "NO SELECTION", "NO SELECTION",
    /* 468 */ "NO SELECTION", "NO SELECTION", "NO SELECTION", "NO SELECTION",
    /* 472 */ "NO SELECTION", "NO SELECTION", "NO SELECTION", "NO SELECTION",
    /* 476 */ "NO SELECTION", "NO SELECTION", "NO SELECTION", "NO SELECTION",
    /* 480 */ "AUTO1", "AUTO2", "AUTO3", "AUTO4",
    /* 484 */ "AUTO5", "AUTO6", "AUTO7", "AUTO8",
    /* 488 */ "AUTO9", "AUTO10", "NO SELECTION", "NO SELECTION",
    /* 492 */ "NO SELECTION", "NO SELECTION", "NO SELECTION", "NO SELECTION",
    /* 496 */ "NO SELECTION", "NO SELECTION", "DISPLAY SERIAL NUMBER", "NO SELECTION",
    /* 500 */ "ARRHYTHMIA", "AED ARRHYTHMIA", "ECG PERFORMANCE", "RESPIRATION",
    /* 504 */ "TEMPERATURE", "BP CH1 CH2", "BP CH3 CH4", "PACER",
    /* 508 */ "CARDIAC OUTPUT", "FETAL ECG/IUP", "KEY BEEP ON", "KEY BEEP OFF",
};
// clang-format on

using PaddedName = std::array<char, KeyNameWidth + 1>;

constexpr std::size_t Length(const char* text) {
  std::size_t n = 0;
  while (text[n] != '\0') ++n;
  return n;
}

// A name that does not fit, starts with a blank or is missing would shift
// every column the program shows, so the build refuses it.
constexpr bool NamesAreWellFormed() {
  for (const char* name : kNames) {
    if (name == nullptr) return false;
    const std::size_t n = Length(name);
    if (n == 0 || n > static_cast<std::size_t>(KeyNameWidth) || name[0] == ' ') return false;
  }
  return true;
}
static_assert(NamesAreWellFormed(),
              "every key name is 1 to 25 characters and starts with no blank");

constexpr std::array<PaddedName, KeyCatalogueSize> PadNames() {
  std::array<PaddedName, KeyCatalogueSize> table{};
  for (std::size_t code = 0; code < table.size(); ++code) {
    PaddedName& out = table[code];
    out.fill(' ');
    out[KeyNameWidth] = '\0';
    const char* name = kNames[code];
    for (std::size_t i = 0; name[i] != '\0'; ++i) out[i] = name[i];
  }
  return table;
}

constexpr std::array<PaddedName, KeyCatalogueSize> kCatalogue = PadNames();

using G = SimulationGroup;
constexpr std::array<KeyCategory, 37> kCategories = {{
    {10, 24, "cbECGRate", G::Multiparameter},
    {26, 33, "cbECGAmp", G::Multiparameter},
    {40, 43, "cbECGImpedance", G::Multiparameter},
    {44, 60, "cbECGSTDepression", G::Multiparameter},
    {61, 63, "cbECGAxis", G::Multiparameter},
    {65, 66, "cbECGNeonatal", G::Multiparameter},
    {67, 142, "cbArrhythmia", G::Arrhythmia},
    {143, 147, "cbECGArtifact", G::Multiparameter},
    {152, 153, "cbBPSens", G::Multiparameter},
    {161, 176, "cbBPStatic", G::Multiparameter},
    {179, 189, "cbBP1Dynamic", G::Multiparameter},
    {191, 201, "cbBP2Dynamic", G::Multiparameter},
    {203, 213, "cbBP3Dynamic", G::Multiparameter},
    {215, 225, "cbBP4Dynamic", G::Multiparameter},
    {226, 228, "cbBPArtifact", G::Multiparameter},
    {230, 234, "cbTemp", G::TempCO},
    {251, 254, "cbCOInj", G::TempCO},
    {256, 258, "cbCOBaseline", G::TempCO},
    {259, 260, "cbCOInjTemp", G::TempCO},
    {269, 276, "cbCOLM", G::TempCO},
    {277, 283, "cbCOTrend", G::TempCO},
    {290, 296, "cbFetalRate", G::Fetal},
    {300, 307, "cbFetalAmp", G::Fetal},
    {309, 311, "cbFetalWaveform", G::Fetal},
    {313, 315, "cbFetalPressure", G::Fetal},
    {322, 327, "cbPacerWaveform", G::PacedECG},
    {341, 342, "cbPacerPolarity", G::PacedECG},
    {343, 356, "cbPacerAmp", G::PacedECG},
    {358, 362, "cbPacerWidth", G::PacedECG},
    {365, 368, "cbPerfPulse", G::ECGPerformance},
    {370, 379, "cbPerfSine", G::ECGPerformance},
    {380, 391, "cbPerfWidth", G::ECGPerformance},
    {393, 422, "cbPerfAmp", G::ECGPerformance},
    {425, 433, "cbRespRate", G::Multiparameter},
    {435, 438, "cbRespApnea", G::Multiparameter},
    {440, 449, "cbRespDelta", G::Multiparameter},
    {451, 456, "cbRespIERatio", G::Multiparameter},
}};

// KeyCategoryOf relies on the runs being in code order and disjoint.
constexpr bool CategoriesAreOrdered() {
  for (std::size_t i = 0; i < kCategories.size(); ++i) {
    if (kCategories[i].firstCode > kCategories[i].lastCode) return false;
    if (i > 0 && kCategories[i - 1].lastCode >= kCategories[i].firstCode) return false;
  }
  return true;
}
static_assert(CategoriesAreOrdered(), "category runs are disjoint and in code order");

}  // namespace

std::string KeyName(int code) {
  if (code < 0 || code >= KeyCatalogueSize) code = 0;
  return std::string(kCatalogue[static_cast<std::size_t>(code)].data(), KeyNameWidth);
}

SimulationGroup SimulationGroupOf(int code) {
  const auto in = [code](int first, int last) { return code >= first && code <= last; };
  if (in(10, 66) || in(143, 228) || in(425, 456)) return G::Multiparameter;
  if (in(67, 142)) return G::Arrhythmia;
  if (in(290, 315)) return G::Fetal;
  if (in(322, 362)) return G::PacedECG;
  if (in(365, 422)) return G::ECGPerformance;
  if (in(230, 234) || in(251, 283)) return G::TempCO;
  return G::None;
}

std::span<const KeyCategory> KeyCategories() { return kCategories; }

const KeyCategory* FindKeyCategory(std::string_view comboName) {
  const auto it = std::find_if(kCategories.begin(), kCategories.end(),
                               [&](const KeyCategory& c) { return comboName == c.comboName; });
  return it == kCategories.end() ? nullptr : &*it;
}

const KeyCategory* KeyCategoryOf(int code) {
  const auto it = std::find_if(kCategories.begin(), kCategories.end(),
                               [code](const KeyCategory& c) { return c.lastCode >= code; });
  return it != kCategories.end() && it->Holds(code) ? &*it : nullptr;
}

std::vector<std::string> KeyCategoryItems(const KeyCategory& category) {
  std::vector<std::string> items;
  items.reserve(static_cast<std::size_t>(category.ItemCount()));
  items.emplace_back(NoSelectionText);
  for (int code = category.firstCode; code <= category.lastCode; ++code) {
    items.push_back(KeyName(code));
  }
  return items;
}
