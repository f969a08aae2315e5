#include "autoselect/tautoselect.h"
#include "support/autoselectentry.h"

#include <cstdint>
#include <initializer_list>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

namespace {

// Builds an expected record straight from the layout: 24 name bytes, then ten
// little-endian 32-bit words.
std::string Record(const std::string& nameField, std::initializer_list<std::uint32_t> words) {
  std::string bytes = nameField;
  bytes.resize(24, '\0');
  for (std::uint32_t w : words) {
    for (int i = 0; i < 4; ++i) bytes += static_cast<char>((w >> (8 * i)) & 0xFF);
  }
  bytes.resize(64, '\0');
  return bytes;
}

std::string Written(const TAutoSelect& entry) {
  std::ostringstream out(std::ios::binary);
  entry.WriteTo(out, 0);
  return out.str();
}

TAutoSelect Read(const std::string& bytes) {
  std::istringstream in(bytes, std::ios::binary);
  TAutoSelect entry;
  EXPECT_EQ(entry.ReadFrom(in, 0), 0);
  return entry;
}

// --- the model ---

TEST(TAutoSelect, NewAndClearedEntriesAreEmpty) {
  TAutoSelect e;
  EXPECT_EQ(e.GetName(), "");
  EXPECT_EQ(e.KeyCount(), 0u);
  EXPECT_EQ(e.KeyAt(0), -1);
  e = Entry("X", {1, 2});
  e.Clear();
  EXPECT_EQ(e, TAutoSelect());
  EXPECT_EQ(e.KeyAt(0), -1);
}

TEST(TAutoSelect, AddKeyRefusesTheEleventhCode) {
  TAutoSelect e;
  for (std::int32_t k = 1; k <= 10; ++k) ASSERT_EQ(e.AddKey(k * 7), 0);
  EXPECT_EQ(e.AddKey(99), -1);
  EXPECT_EQ(e.KeyCount(), 10u);
  EXPECT_EQ(e.KeyAt(9), 70);
  EXPECT_EQ(e.KeyAt(10), -1);
}

TEST(TAutoSelect, InsertKeyInsertsAppendsAndIgnoresAFullEntry) {
  TAutoSelect e = Entry("", {10, 11, 12, 13, 14});
  e.InsertKey(3, 99);
  ASSERT_EQ(e.KeyCount(), 6u);
  EXPECT_EQ(e.KeyAt(2), 12);
  EXPECT_EQ(e.KeyAt(3), 99);
  EXPECT_EQ(e.KeyAt(4), 13);
  EXPECT_EQ(e.KeyAt(5), 14);

  TAutoSelect f = Entry("", {10, 11, 12, 13, 14});
  f.InsertKey(7, 55);
  ASSERT_EQ(f.KeyCount(), 6u);
  EXPECT_EQ(f.KeyAt(5), 55);

  TAutoSelect full = Entry("F", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  const TAutoSelect before = full;
  full.InsertKey(0, 42);
  full.InsertKey(10, 42);
  EXPECT_EQ(full, before);
}

TEST(TAutoSelect, CopiesAreIndependent) {
  TAutoSelect original = Entry("ONE", {13});
  TAutoSelect copy = original;
  copy.SetName("TWO");
  EXPECT_EQ(copy.AddKey(232), 0);
  EXPECT_EQ(original.GetName(), "ONE");
  EXPECT_EQ(original.KeyCount(), 1u);
  original = copy;
  EXPECT_EQ(original.KeyAt(1), 232);
  copy.Clear();
  EXPECT_EQ(original.KeyCount(), 2u);
}

// --- the record, byte for byte ---

TEST(AutoSelectRecord, TheTestExample) {
  const std::string expected = std::string("\x54\x65\x73\x74", 4) + std::string(20, '\0') +
                               std::string("\x0D\x00\x00\x00\x1B\x00\x00\x00", 8) +
                               std::string(32, '\0');
  ASSERT_EQ(expected.size(), 64u);
  EXPECT_EQ(Written(Entry("Test", {13, 27})), expected);
  EXPECT_EQ(Read(expected), Entry("Test", {13, 27}));
}

TEST(AutoSelectRecord, AnEmptyNameIs24Nuls) {
  const std::string expected = Record("", {232});
  EXPECT_EQ(Written(Entry("", {232})), expected);
  EXPECT_EQ(Read(expected).GetName(), "");
  EXPECT_EQ(Written(TAutoSelect()), std::string(64, '\0'));
}

TEST(AutoSelectRecord, ALongNameIsCutTo20) {
  const std::string expected = Record("ABCDEFGHIJKLMNOPQRST", {});
  EXPECT_EQ(Written(Entry("ABCDEFGHIJKLMNOPQRSTUVWXY", {})), expected);
  EXPECT_EQ(Read(expected).GetName(), "ABCDEFGHIJKLMNOPQRST");
}

TEST(AutoSelectRecord, TenCodesFillTheKeysField) {
  const std::string expected = Record("TEN", {10, 26, 40, 44, 61, 65, 143, 152, 161, 0x1FF});
  const TAutoSelect ten = Entry("TEN", {10, 26, 40, 44, 61, 65, 143, 152, 161, 511});
  EXPECT_EQ(Written(ten), expected);
  const TAutoSelect back = Read(expected);
  EXPECT_EQ(back, ten);
  EXPECT_EQ(back.KeyAt(9), 511);
}

TEST(AutoSelectRecord, AZeroEndsTheCodes) {
  const TAutoSelect e = Read(Record("Z", {5, 0, 7, 9}));
  ASSERT_EQ(e.KeyCount(), 1u);
  EXPECT_EQ(e.KeyAt(0), 5);
}

TEST(AutoSelectRecord, NegativeAndWideCodesAreKept) {
  const std::string expected = Record("N", {0xFFFFFFFF, 0x01020304});
  EXPECT_EQ(expected.substr(24, 8), std::string("\xFF\xFF\xFF\xFF\x04\x03\x02\x01", 8));
  EXPECT_EQ(Written(Entry("N", {-1, 0x01020304})), expected);
  const TAutoSelect back = Read(expected);
  ASSERT_EQ(back.KeyCount(), 2u);
  EXPECT_EQ(back.KeyAt(0), -1);
  EXPECT_EQ(back.KeyAt(1), 0x01020304);
}

TEST(AutoSelectRecord, ANameFieldWithoutNulGivesItsFirst20Bytes) {
  std::string bytes = Record("", {13});
  for (int i = 0; i < 24; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<char>('a' + i);
  const TAutoSelect e = Read(bytes);
  EXPECT_EQ(e.GetName(), "abcdefghijklmnopqrst");
  EXPECT_EQ(e.KeyAt(0), 13);  // the keys field was not taken for name bytes
}

TEST(AutoSelectRecord, NameBytesAreKeptAsTheyAre) {
  const std::string name = "37\xBA C \xB5V";
  EXPECT_EQ(Read(Record(name, {})).GetName(), name);
  EXPECT_EQ(Written(Entry(name, {})), Record(name, {}));
}

TEST(AutoSelectRecord, OnlyANulEndsTheNameAndEveryByteBeforeItIsKept) {
  for (const char* inside :
       {"\t", "\n", "\r", "\x01", "\x1F", "\x7F", "\x81", "\x8D", "\x8F", "\x90", "\x9D"}) {
    const std::string name = std::string("AB") + inside + "CD";
    const TAutoSelect e = Read(Record(name, {13}));
    EXPECT_EQ(e.GetName(), name) << static_cast<int>(static_cast<unsigned char>(inside[0]));
    EXPECT_EQ(e.KeyAt(0), 13);
    EXPECT_EQ(Written(e), Record(name, {13}));  // and written back byte for byte
  }
  // A NUL ends it; whatever the field holds after the NUL is not part of it.
  std::string bytes = Record("AB", {13});
  bytes[3] = 'X';
  EXPECT_EQ(Read(bytes).GetName(), "AB");
  const std::string text = "\x80\xA0\xAD\xFF ~";
  EXPECT_EQ(Read(Record(text, {})).GetName(), text);
}

TEST(AutoSelectRecord, AShortReadLeavesTheEntryUnchanged) {
  const std::string bytes = Record("A", {13}) + Record("B", {27}).substr(0, 63);
  std::istringstream in(bytes, std::ios::binary);
  TAutoSelect e = Entry("KEEP", {1});
  EXPECT_EQ(e.ReadFrom(in, 64), -1);
  EXPECT_EQ(e, Entry("KEEP", {1}));
  // The same stream still serves a complete record afterwards.
  EXPECT_EQ(e.ReadFrom(in, 0), 0);
  EXPECT_EQ(e, Entry("A", {13}));
  EXPECT_EQ(e.ReadFrom(in, -64), -1);
  EXPECT_EQ(e.ReadFrom(in, 128), -1);
}

TEST(AutoSelectRecord, ReadingReplacesEverythingAFullEntryHeld) {
  std::istringstream in(Record("", {13}), std::ios::binary);
  TAutoSelect e = Entry("OLD", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  ASSERT_EQ(e.ReadFrom(in, 0), 0);
  EXPECT_EQ(e, Entry("", {13}));
}

}  // namespace
