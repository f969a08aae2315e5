// One auto selection of the instrument (a name and up to ten key codes) and
// the list of all ten, with the 64-byte record that stores one in a .asl file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

inline constexpr unsigned MaxAutoSelectKeys = 10;  // codes one auto selection holds
inline constexpr unsigned MaxAutoNameLength = 20;  // name characters the file and instrument hold
inline constexpr int AutoSelectCount = 10;         // the instrument's auto keys AUTO1..AUTO10
inline constexpr std::size_t AutoSelectRecordSize = 64;  // bytes of one record in a .asl file

// A plain value: copies are independent. The name is single-byte Windows-1252
// text. Codes are not validated; at most MaxAutoSelectKeys are ever held.
class TAutoSelect {
 public:
  TAutoSelect() = default;

  // Name "" and no codes.
  void Clear();

  std::string GetName() const { return Name; }
  // Takes name as it is; the length is checked by the editor and cut by WriteTo.
  void SetName(const std::string& name) { Name = name; }

  unsigned KeyCount() const { return static_cast<unsigned>(Keys.size()); }
  // The code at index, or -1 when index >= KeyCount().
  std::int32_t KeyAt(unsigned index) const;

  // Appends code. Returns 0, or -1 with nothing changed when ten codes are held.
  [[nodiscard]] int AddKey(std::int32_t code);
  // Inserts code before position index, or appends it when index >= KeyCount().
  // Does nothing when ten codes are held.
  void InsertKey(unsigned index, std::int32_t code);

  // Reads one 64-byte record from the absolute byte offset of stream into this
  // entry. Returns 0, or -1 with the entry unchanged when fewer than 64 bytes
  // can be read there. The name is the bytes of the 24-byte name field up to
  // its first NUL, at most MaxAutoNameLength of them, whatever they are
  // (control bytes included; the GUI shows those as a placeholder); the
  // codes are the little-endian 32-bit words of the keys field up to the
  // first 0.
  [[nodiscard]] int ReadFrom(std::istream& stream, std::streamoff offset);

  // Writes this entry as one 64-byte record at the absolute byte offset of
  // stream: the first MaxAutoNameLength bytes of the name, NUL-filled to 24
  // bytes, then ten little-endian 32-bit codes, 0 after the last. Stream
  // errors are left in the stream's state for the caller to check.
  void WriteTo(std::ostream& stream, std::streamoff offset) const;

  bool operator==(const TAutoSelect&) const = default;

 private:
  std::string Name;
  std::vector<std::int32_t> Keys;
};

// The page's ten auto selections; element i is auto key i + 1 and record i of
// a file. It holds AutoSelectCount entries except after a start-up whose
// default file was short (see autoselectfile.h).
using AutoSelectList = std::vector<TAutoSelect>;
