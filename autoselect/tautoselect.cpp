#include "autoselect/tautoselect.h"

#include <algorithm>
#include <array>
#include <istream>
#include <ostream>

namespace {

constexpr std::size_t kNameFieldSize = 24;
constexpr std::size_t kKeysOffset = 24;
static_assert(kKeysOffset + 4 * MaxAutoSelectKeys == AutoSelectRecordSize);

using Record = std::array<char, AutoSelectRecordSize>;

// Byte by byte, so the file is little-endian whatever the host is.
std::int32_t ReadLittleEndian32(const char* at) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(at[i]);
  return static_cast<std::int32_t>(value);
}

void WriteLittleEndian32(char* at, std::int32_t code) {
  auto value = static_cast<std::uint32_t>(code);
  for (int i = 0; i < 4; ++i) {
    at[i] = static_cast<char>(value & 0xFFu);
    value >>= 8;
  }
}

}  // namespace

void TAutoSelect::Clear() {
  Name.clear();
  Keys.clear();
}

std::int32_t TAutoSelect::KeyAt(unsigned index) const {
  return index < Keys.size() ? Keys[index] : -1;
}

int TAutoSelect::AddKey(std::int32_t code) {
  if (Keys.size() >= MaxAutoSelectKeys) return -1;
  Keys.push_back(code);
  return 0;
}

void TAutoSelect::InsertKey(unsigned index, std::int32_t code) {
  if (Keys.size() >= MaxAutoSelectKeys) return;
  const auto at = std::min<std::size_t>(index, Keys.size());
  Keys.insert(Keys.begin() + static_cast<std::ptrdiff_t>(at), code);
}

int TAutoSelect::ReadFrom(std::istream& stream, std::streamoff offset) {
  // A failure left by an earlier short read must not decide this one.
  stream.clear();
  Record record{};
  if (offset < 0 || !stream.seekg(offset, std::ios::beg)) return -1;
  stream.read(record.data(), static_cast<std::streamsize>(record.size()));
  if (stream.gcount() != static_cast<std::streamsize>(record.size())) return -1;

  Clear();
  // Only a NUL ends the name; every byte before it is the file's and is kept,
  // so that opening and saving a file gives back the same bytes. A field
  // that another program filled without a NUL still yields at most the 20
  // characters the instrument can hold, and nothing past the field.
  const char* name = record.data();
  const auto nameEnd = std::find(name, name + kNameFieldSize, '\0');
  Name.assign(name,
              std::min<std::size_t>(static_cast<std::size_t>(nameEnd - name), MaxAutoNameLength));
  for (unsigned k = 0; k < MaxAutoSelectKeys; ++k) {
    const std::int32_t code = ReadLittleEndian32(record.data() + kKeysOffset + 4 * k);
    if (code == 0) break;  // a 0 ends the list; whatever follows it is ignored
    InsertKey(k, code);
  }
  return 0;
}

void TAutoSelect::WriteTo(std::ostream& stream, std::streamoff offset) const {
  Record record{};
  std::copy_n(Name.begin(), std::min<std::size_t>(Name.size(), MaxAutoNameLength), record.begin());
  for (unsigned k = 0; k < KeyCount(); ++k) {
    WriteLittleEndian32(record.data() + kKeysOffset + 4 * k, Keys[k]);
  }
  stream.seekp(offset, std::ios::beg);
  stream.write(record.data(), static_cast<std::streamsize>(record.size()));
}
