#include "poweron/tpoweron.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "poweron/poweronoptions.h"
#include "support/sha256hex.h"
#include "support/tempdir.h"

namespace {

std::vector<int32_t> Values(const TPowerOn& set) {
  std::vector<int32_t> values;
  for (int k = 0; k < PowerOnOptionCount; ++k) values.push_back(set.GetValue(k));
  return values;
}

std::string Padded(const std::string& text) { return text + std::string(27 - text.size(), ' '); }

const std::vector<int32_t> kDefaults = {3, 3, 0, 1, 0, 2, 4, 9, 8, 0, 0, 2, 1, 1, 0, 0, 0, 0, 3, 4};
const std::vector<int32_t> kZeros(20, 0);

TEST(PowerOnOptions, TheTableMatchesTheInstrument) {
  const int addresses[] = {290, 287, 288, 275, 289, 272, 274, 273, 285, 286,
                           329, 284, 276, 277, 278, 279, 280, 281, 282, 283};
  const int counts[] = {15, 8, 3, 4, 2, 9, 6, 10, 14, 5, 2, 5, 2, 3, 4, 2, 9, 9, 9, 9};
  const int firsts[] = {0,  15, 23, 26, 30, 32, 41, 47, 57, 71,
                        76, 78, 83, 85, 88, 92, 94, 94, 94, 94};
  // The last text of every list, so that a shifted first position shows.
  const char* lastTexts[] = {"300 BPM",
                             "5 mV",
                             "Vertical",
                             "2000 Ohms",
                             "Neonatal R-Wave",
                             "120 BPM",
                             "Ventilator",
                             "5 Ohms",
                             "700 mV",
                             "0.1 msec",
                             "Positive Pulse",
                             "40\xBA C",
                             "20\xBA C",
                             "38\xBA C",
                             "Adjustable (20\xBA"
                             "C default)",
                             "40\xB5V/V per mmHg",
                             "Pulmonary Wedge 10/2",
                             "Pulmonary Wedge 10/2",
                             "Pulmonary Wedge 10/2",
                             "Pulmonary Wedge 10/2"};
  for (int k = 0; k < PowerOnOptionCount; ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(PowerOnOptionAddress(k), addresses[k]);
    EXPECT_EQ(PowerOnOptionValueCount(k), counts[k]);
    EXPECT_EQ(PowerOnOptions[k].OptionFirstValue, firsts[k]);
    EXPECT_EQ(PowerOnValueText(k, counts[k] - 1), Padded(lastTexts[k]));
    EXPECT_EQ(PowerOnValueText(k, counts[k]), "");  // never the next option's text
    EXPECT_EQ(PowerOnValueText(k, -1), "");
  }
  for (int i = 0; i < PowerOnValueTextCount; ++i) {
    EXPECT_EQ(std::string(PowerOnValueTexts[i].Text, 28).find('\0'), 27u) << i;
  }
  EXPECT_EQ(PowerOnOptionName(6), "Respiration Waveform");
  EXPECT_EQ(PowerOnOptionName(20), "");
  EXPECT_EQ(PowerOnOptionAddress(-1), -1);
}

// The two tables are pinned whole by one digest each, computed outside the
// program from the instrument's published option table, not from this one:
//   value texts: the 103 texts in table order (the lists of options 0 to 16;
//     17 to 19 share the texts of 16), each in Windows-1252 padded with
//     blanks to 27 bytes, nothing between them -
//     iconv -f UTF-8 -t CP1252 texts.txt | while IFS= read -r t; do printf '%-27s' "$t"; done |
//     sha256sum (one text per line, LC_ALL=C);
//   options: one line per option, "name|address|count|first", each ended by
//     a line feed - iconv -f UTF-8 -t CP1252 options.txt | sha256sum.
TEST(PowerOnOptions, All103ValueTextsMatchThePublishedTable) {
  std::string texts;
  for (const TPowerOnValueText& text : PowerOnValueTexts) {
    texts.append(text.Text, PowerOnValueTextWidth);
  }
  EXPECT_EQ(Sha256Hex(texts), "2390ef98c2bab3a8e864a2caa64923234fe8525b032b7f040fcaffdf8ad5e23d");
}

TEST(PowerOnOptions, AllTwentyNamesAddressesAndListsMatchThePublishedTable) {
  std::string lines;
  for (const TPowerOnOption& option : PowerOnOptions) {
    lines += std::string(option.OptionName) + "|" + std::to_string(option.OptionAddress) + "|" +
             std::to_string(option.OptionValueCount) + "|" +
             std::to_string(option.OptionFirstValue) + "\n";
  }
  EXPECT_EQ(Sha256Hex(lines), "9fe8813b7fd454726720d367bd1cdbdb3d96188e67f8d9d9fefe61f19eb27979")
      << lines;
}

TEST(TPowerOnModel, ZerosDefaultsAndOptionNumbersOutOfRange) {
  TPowerOn set;
  EXPECT_EQ(Values(set), kZeros);
  set.SetDefaults();
  EXPECT_EQ(Values(set), kDefaults);
  EXPECT_EQ(PowerOnValueText(14, set.GetValue(14)), Padded("H-P/Philips at 2\xBA"
                                                           "C"));
  EXPECT_EQ(set.GetValue(20), -1);
  EXPECT_EQ(set.GetValue(-1), -1);
  set.SetValue(20, 5);
  set.SetValue(-1, 5);
  EXPECT_EQ(Values(set), kDefaults);
}

TEST(TPowerOnModel, ValuesOutsideTheirListAreFoundAndShownAsInvalid) {
  TPowerOn set;
  set.SetDefaults();
  EXPECT_EQ(FirstInvalidPowerOnOption(set), -1);
  EXPECT_EQ(PowerOnValueCellText(set, 6), Padded("I/E 1/1"));
  set.SetValue(19, 9);  // one past the shared pressure list
  set.SetValue(4, 2);   // would be the first text of the next option
  EXPECT_EQ(FirstInvalidPowerOnOption(set), 4);
  EXPECT_EQ(PowerOnValueCellText(set, 4), "invalid value 2");
  EXPECT_EQ(PowerOnValueCellText(set, 19), "invalid value 9");
  set.SetValue(0, -2);
  EXPECT_EQ(FirstInvalidPowerOnOption(set), 0);
}

class PowerOnFile : public ::testing::Test {
 protected:
  TempDir dir;
  std::string path = dir.File("poweron.dat");
  void Write(const std::string& bytes) { TempDir::WriteAll(path, bytes); }
};

TEST_F(PowerOnFile, TheDefaultsAreExactly60BytesAndValuesRoundTrip) {
  Write(std::string(500, '7'));  // a longer file is replaced whole
  TPowerOn set;
  set.SetDefaults();
  ASSERT_EQ(set.SaveFile(path), 0);
  EXPECT_EQ(TempDir::ReadAll(path),
            "3\r\n3\r\n0\r\n1\r\n0\r\n2\r\n4\r\n9\r\n8\r\n0\r\n"
            "0\r\n2\r\n1\r\n1\r\n0\r\n0\r\n0\r\n0\r\n3\r\n4\r\n");
  set.SetValue(5, -7);
  set.SetValue(19, 2147483647);
  ASSERT_EQ(set.SaveFile(path), 0);
  TPowerOn loaded;
  ASSERT_EQ(loaded.LoadFile(path), 0);
  EXPECT_EQ(loaded, set);
}

TEST_F(PowerOnFile, AnEmptyFileGivesZerosAndAShortOneZeroesTheRest) {
  TPowerOn set;
  set.SetDefaults();
  Write("");
  ASSERT_EQ(set.LoadFile(path), 0);
  EXPECT_EQ(Values(set), kZeros);
  Write("5\r\n4\r\n2\r\n3\r\n1");  // the last line has no line end
  ASSERT_EQ(set.LoadFile(path), 0);
  std::vector<int32_t> expected = kZeros;
  expected[0] = 5, expected[1] = 4, expected[2] = 2, expected[3] = 3, expected[4] = 1;
  EXPECT_EQ(Values(set), expected);
}

TEST_F(PowerOnFile, LfAndCrLineEndsAndLeadingBlanksReadAsCrLf) {
  TPowerOn crlf, other;
  Write("1\r\n2\r\n3\r\n");
  ASSERT_EQ(crlf.LoadFile(path), 0);
  for (const std::string bytes : {"1\n2\n3\n", "1\r2\r3", "  1\n\t2\r\n+3"}) {
    Write(bytes);
    ASSERT_EQ(other.LoadFile(path), 0);
    EXPECT_EQ(other, crlf);
  }
}

TEST_F(PowerOnFile, ABadThirdLineMakesStartUpTakeTheDefaults) {
  for (const std::string third : {"abc", "", "-1", "3 ", "99999999999"}) {
    SCOPED_TRACE("third line \"" + third + "\"");
    Write("7\r\n8\r\n" + third + "\r\n5\r\n");
    TPowerOn set;
    EXPECT_EQ(set.LoadFile(path), -1);
    EXPECT_EQ(Values(LoadPowerOnAtStart(path)), kDefaults);
  }
}

TEST_F(PowerOnFile, OutOfListValuesAreKeptAndLinesAfterTheTwentiethIgnored) {
  std::string bytes = "-2\n200\n";
  for (int i = 2; i < 20; ++i) bytes += "1\n";
  Write(bytes + "abc\n-1\n");
  const TPowerOn set = LoadPowerOnAtStart(path);
  EXPECT_EQ(set.GetValue(0), -2);
  EXPECT_EQ(set.GetValue(1), 200);
  EXPECT_EQ(set.GetValue(19), 1);
}

TEST_F(PowerOnFile, MissingUnreadableAndUnwritableFilesFail) {
  TPowerOn set;
  set.SetValue(4, 1);
  EXPECT_EQ(set.LoadFile(dir.File("nothing.dat")), -1);
  EXPECT_EQ(set.LoadFile(dir.path()), -1);  // a folder
  EXPECT_EQ(set.GetValue(4), 1);            // unchanged
  EXPECT_EQ(Values(LoadPowerOnAtStart(dir.File("nothing.dat"))), kDefaults);
  EXPECT_EQ(set.SaveFile(dir.File("missing/poweron.dat")), -1);
  ::mkdir(path.c_str(), 0700);  // a folder in the file's place stays a folder
  EXPECT_EQ(set.SaveFile(path), -1);
}

TEST_F(PowerOnFile, AFileThisUserMayNotReadOrWriteIsNotWrittenOver) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads and writes any file";
  const std::string kept = "14\r\n7\r\n";
  TPowerOn set;
  set.SetDefaults();
  for (const mode_t mode : {0000, 0200, 0400}) {
    TempDir::WriteAll(path, kept);
    ASSERT_EQ(::chmod(path.c_str(), mode), 0);
    EXPECT_EQ(set.SaveFile(path), -1) << mode;
    ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
    EXPECT_EQ(TempDir::ReadAll(path), kept) << mode;
  }
}

}  // namespace
