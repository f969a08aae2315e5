// Fuzzes the settings-file reader (korapc.ini) with arbitrary bytes: reads
// never crash and integers are integers; a write keeps what could be read
// before it and reads back itself.
//
// Long run (from the project folder, after cmake --preset fuzz and
// cmake --build --preset fuzz --target fuzz_ini):
//   mkdir -p build/fuzz/corpus-ini
//   build/fuzz/fuzz/fuzz_ini build/fuzz/corpus-ini -max_len=4096 -jobs=2 -max_total_time=3600
#include <cstdint>
#include <fstream>
#include <string>

#include "common/settingsfile.h"
#include "fuzz/scratchfile.h"

namespace {

struct Key {
  const char* section;
  const char* name;
};

constexpr Key kKeys[] = {
    {"KORAPCForm", "TOP"}, {"KORAPCForm", "WIDTH"},      {"KORAPCForm", "COMPORT"},
    {"KORACOMM", "DELAY"}, {"sgPowerOn", "COL_0_WIDTH"}, {"sgAutoSelect", "ASCENDING"},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = ScratchFolder() + "/korapc.ini";
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }

  std::string before[std::size(kKeys)];
  {
    const SettingsFile ini(path);
    for (size_t i = 0; i < std::size(kKeys); ++i) {
      before[i] = ini.ReadString(kKeys[i].section, kKeys[i].name, "\x01missing");
      const int value = ini.ReadInteger(kKeys[i].section, kKeys[i].name, -12345);
      if (value != -12345) FuzzCheck(std::to_string(value).size() <= 11);
    }
  }

  SettingsFile writer(path);
  FuzzCheck(writer.WriteInteger("KORAPCForm", "ACTIVEPAGE", 2));
  const SettingsFile reread(path);
  FuzzCheck(reread.ReadInteger("korapcform", "activepage", -1) == 2);
  for (size_t i = 0; i < std::size(kKeys); ++i) {
    // Lines the reader could not make sense of may go; what it could read stays.
    FuzzCheck(reread.ReadString(kKeys[i].section, kKeys[i].name, "\x01missing") == before[i]);
  }
  return 0;
}
