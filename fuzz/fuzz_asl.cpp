// Fuzzes the .asl record reader and both whole-file readers with arbitrary
// bytes: none may crash, read out of bounds, or half-load a list.
//
// Long run (from the project folder, after cmake --preset fuzz and
// cmake --build --preset fuzz --target fuzz_asl):
//   mkdir -p build/fuzz/corpus-asl
//   build/fuzz/fuzz/fuzz_asl build/fuzz/corpus-asl -max_len=2048 -jobs=2 -max_total_time=3600
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "autoselect/autoselectfile.h"
#include "autoselect/tautoselect.h"
#include "common/messagesink.h"
#include "fuzz/scratchfile.h"

namespace {

class CountingSink : public MessageSink {
 public:
  void ShowMessage(const std::string&, const std::string&, MessageIcon) override { ++count; }
  int count = 0;
};

void Check(bool condition) { FuzzCheck(condition); }

void CheckEntry(const TAutoSelect& e) {
  Check(e.KeyCount() <= MaxAutoSelectKeys);
  Check(e.GetName().size() <= MaxAutoNameLength);
  Check(e.GetName().find('\0') == std::string::npos);
  for (unsigned k = 0; k < e.KeyCount(); ++k) Check(e.KeyAt(k) != 0);
  Check(e.KeyAt(e.KeyCount()) == -1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);

  // Every record offset of the input, then a written record must read back equal.
  std::istringstream in(bytes, std::ios::binary);
  for (std::size_t offset = 0; offset <= size; offset += AutoSelectRecordSize / 2) {
    TAutoSelect entry;
    const int result = entry.ReadFrom(in, static_cast<std::streamoff>(offset));
    Check(result == (size - offset >= AutoSelectRecordSize ? 0 : -1));
    CheckEntry(entry);
    if (result == 0) {
      // The name is every byte of its field before the first NUL (at most 20),
      // whatever they are.
      const std::string field = bytes.substr(offset, 24);
      Check(entry.GetName() ==
            field.substr(0, std::min<std::size_t>(field.find('\0'), MaxAutoNameLength)));
    }
    std::ostringstream out(std::ios::binary);
    entry.WriteTo(out, 0);
    Check(out.str().size() == AutoSelectRecordSize);
    std::istringstream again(out.str(), std::ios::binary);
    TAutoSelect reread;
    Check(reread.ReadFrom(again, 0) == 0 && reread == entry);
  }

  static const ScratchFile scratch("fuzz_asl");
  scratch.Write(data, size);
  const std::size_t complete = size / AutoSelectRecordSize;

  CountingSink sink;
  const AutoSelectList before(2);
  AutoSelectList list = before;
  const int opened = OpenAutoSelectFile(scratch.path(), list, sink);
  if (complete >= static_cast<std::size_t>(AutoSelectCount)) {
    Check(opened == 0 && sink.count == 0 &&
          list.size() == static_cast<std::size_t>(AutoSelectCount));
  } else {
    Check(opened == -1 && sink.count == 1 && list == before);
  }
  for (const auto& e : list) CheckEntry(e);

  AutoSelectList lenient;
  LoadDefaultAutoSelectFile(scratch.path(), lenient);
  Check(lenient.size() == std::min<std::size_t>(complete, AutoSelectCount));
  for (std::size_t i = 0; i < lenient.size(); ++i) {
    CheckEntry(lenient[i]);
    if (opened == 0) Check(lenient[i] == list[i]);
  }
  return 0;
}
