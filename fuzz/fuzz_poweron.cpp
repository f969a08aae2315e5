// Fuzzes the poweron.dat reader with arbitrary bytes: it may refuse a file,
// but never crash, read out of bounds, or start with a value the grid cannot
// show; what it accepts must survive a write and a second read unchanged.
//
// Long run (from the project folder, after cmake --preset fuzz and
// cmake --build --preset fuzz --target fuzz_poweron):
//   mkdir -p build/fuzz/corpus-poweron
//   build/fuzz/fuzz/fuzz_poweron build/fuzz/corpus-poweron -max_len=512 -jobs=2
//   -max_total_time=3600
#include <cstdint>
#include <string>

#include "fuzz/scratchfile.h"
#include "poweron/poweronoptions.h"
#include "poweron/tpoweron.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const ScratchFile scratch("fuzz_poweron");
  scratch.Write(data, size);

  TPowerOn values;
  const int loaded = values.LoadFile(scratch.path());
  FuzzCheck(loaded == 0 || loaded == -1);
  for (int option = 0; option < PowerOnOptionCount; ++option) {
    FuzzCheck(!PowerOnValueCellText(values, option).empty());
  }
  const int invalid = FirstInvalidPowerOnOption(values);
  FuzzCheck(invalid >= -1 && invalid < PowerOnOptionCount);
  if (invalid >= 0) FuzzCheck(!IsPowerOnValueValid(invalid, values.GetValue(invalid)));

  if (loaded == 0) {
    const std::string copy = ScratchFolder() + "/poweron.dat";
    FuzzCheck(values.SaveFile(copy) == 0);
    TPowerOn again;
    FuzzCheck(again.LoadFile(copy) == 0 && again == values);
  }

  // At start the page gets either the file's values or the factory defaults.
  const TPowerOn start = LoadPowerOnAtStart(scratch.path());
  TPowerOn defaults;
  defaults.SetDefaults();
  FuzzCheck(loaded == 0 ? start == values : start == defaults);
  return 0;
}
