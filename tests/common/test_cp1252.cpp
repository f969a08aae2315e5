#include "common/cp1252.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

TEST(Cp1252, MicroAndDegreeSignsAreTheirSingleBytes) {
  EXPECT_EQ(Cp1252ToUtf8("\xB5V"), "\xC2\xB5V");
  EXPECT_EQ(Cp1252ToUtf8("37\xBA C"), "37\xC2\xBA C");
  EXPECT_EQ(Utf8ToCp1252("37\xC2\xBA C"), "37\xBA C");
}

TEST(Cp1252, TheHighBlockMapsBothWays) {
  EXPECT_EQ(Cp1252ToUnicode(0x80), U'\u20AC');
  EXPECT_EQ(UnicodeToCp1252(U'\u20AC'), 0x80);
  EXPECT_EQ(Utf8ToCp1252("\xE2\x82\xAC"), "\x80");
  for (int b = 0; b < 256; ++b) {
    const auto byte = static_cast<unsigned char>(b);
    EXPECT_EQ(UnicodeToCp1252(Cp1252ToUnicode(byte)), byte) << b;
  }
}

TEST(Cp1252, ControlBytesDelAndTheFiveUndefinedBytesHaveNoPrintableForm) {
  std::vector<int> unprintable;
  for (int b = 0; b < 256; ++b) {
    if (IsCp1252Unprintable(static_cast<unsigned char>(b))) unprintable.push_back(b);
  }
  std::vector<int> expected;
  for (int b = 0; b < 0x20; ++b) expected.push_back(b);
  for (int b : {0x7F, 0x81, 0x8D, 0x8F, 0x90, 0x9D}) expected.push_back(b);
  EXPECT_EQ(unprintable, expected);  // the blank, 0xA0 and the soft hyphen 0xAD are characters
}

TEST(Cp1252, CharactersWithoutASingleByteFormAreRefused) {
  EXPECT_EQ(UnicodeToCp1252(U'\u0100'), std::nullopt);
  EXPECT_EQ(Utf8ToCp1252("\xE2\x88\x9E"), std::nullopt);  // infinity
  EXPECT_EQ(Utf8ToCp1252("\xC2"), std::nullopt);          // cut short
  EXPECT_EQ(Utf8ToCp1252("\xFF"), std::nullopt);
}

}  // namespace
