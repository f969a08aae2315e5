#include "poweron/tpoweron.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "poweron/poweronoptions.h"
#include "support/tempdir.h"

namespace {

// Texts are compared without their padding; the padding is checked once below.
std::string Trimmed(const std::string& padded) {
  const size_t end = padded.find_last_not_of(' ');
  return end == std::string::npos ? std::string() : padded.substr(0, end + 1);
}

std::vector<int32_t> Values(const TPowerOn& set) {
  std::vector<int32_t> values;
  for (int k = 0; k < PowerOnOptionCount; ++k) values.push_back(set.GetValue(k));
  return values;
}

const std::vector<int32_t> kDefaults = {3, 3, 0, 1, 0, 2, 4, 9, 8, 0, 0, 2, 1, 1, 0, 0, 0, 0, 3, 4};
const std::vector<int32_t> kZeros(20, 0);

TEST(PowerOnOptions, NamesAddressesAndCountsMatchTheInstrument) {
  const char* names[] = {"ECG Rate", "ECG Amplitude", "ECG Axis", "ECG Baseline Impedance",
                         "ECG R-Wave", "Respiration Rate", "Respiration Waveform",
                         "Respiration Delta", "Pacer Pulse Amplitude", "Pacer Pulse Width",
                         "Pacer Pulse Polarity", "Temperature YSI 400/700",
                         "CO Injectate Temperature", "CO Baseline Temperature",
                         "CO Injectate Thermistor", "BP Sensitivity", "BP1 Dynamic",
                         "BP2 Dynamic", "BP3 Dynamic", "BP4 Dynamic"};
  const int addresses[] = {290, 287, 288, 275, 289, 272, 274, 273, 285, 286,
                           329, 284, 276, 277, 278, 279, 280, 281, 282, 283};
  const int counts[] = {15, 8, 3, 4, 2, 9, 6, 10, 14, 5, 2, 5, 2, 3, 4, 2, 9, 9, 9, 9};
  const int firsts[] = {0, 15, 23, 26, 30, 32, 41, 47, 57, 71, 76, 78, 83, 85, 88, 92, 94, 94, 94, 94};
  for (int k = 0; k < PowerOnOptionCount; ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(PowerOnOptionName(k), names[k]);
    EXPECT_EQ(PowerOnOptionAddress(k), addresses[k]);
    EXPECT_EQ(PowerOnOptionValueCount(k), counts[k]);
    EXPECT_EQ(PowerOnOptions[k].OptionFirstValue, firsts[k]);
  }
  EXPECT_EQ(PowerOnOptionName(20), "");
  EXPECT_EQ(PowerOnOptionName(-1), "");
  EXPECT_EQ(PowerOnOptionAddress(-1), -1);
  EXPECT_EQ(PowerOnOptionValueCount(20), 0);
}

TEST(PowerOnOptions, ValueTextsArePaddedTo27BlanksAndKeepTheirSigns) {
  for (int i = 0; i < PowerOnValueTextCount; ++i) {
    const std::string field(PowerOnValueTexts[i].Text, sizeof PowerOnValueTexts[i].Text);
    ASSERT_EQ(field.size(), 28u);
    EXPECT_EQ(field[27], '\0') << i;
    EXPECT_EQ(field.find('\0'), 27u) << i;
  }
  EXPECT_EQ(PowerOnValueText(0, 3), "80 BPM" + std::string(21, ' '));
  EXPECT_EQ(PowerOnValueText(11, 2), "37\xBA C" + std::string(22, ' '));
  EXPECT_EQ(Trimmed(PowerOnValueText(14, 0)), "H-P/Philips at 2\xBA" "C");
  EXPECT_EQ(Trimmed(PowerOnValueText(14, 3)), "Adjustable (20\xBA" "C default)");
  EXPECT_EQ(Trimmed(PowerOnValueText(15, 1)), "40\xB5V/V per mmHg");
  EXPECT_EQ(Trimmed(PowerOnValueText(7, 5)), "1 Ohm");
  EXPECT_EQ(Trimmed(PowerOnValueText(0, 14)), "300 BPM");
  EXPECT_EQ(Trimmed(PowerOnValueText(19, 8)), "Pulmonary Wedge 10/2");
}

TEST(PowerOnOptions, ListsEndAtTheirOwnLastTextAndTheBpChannelsShareOne) {
  // The last text of each list, so a shifted first position shows up.
  const char* lastTexts[] = {"300 BPM", "5 mV", "Vertical", "2000 Ohms", "Neonatal R-Wave",
                             "120 BPM", "Ventilator", "5 Ohms", "700 mV", "0.1 msec",
                             "Positive Pulse", "40\xBA C", "20\xBA C", "38\xBA C",
                             "Adjustable (20\xBA" "C default)", "40\xB5V/V per mmHg",
                             "Pulmonary Wedge 10/2", "Pulmonary Wedge 10/2",
                             "Pulmonary Wedge 10/2", "Pulmonary Wedge 10/2"};
  for (int k = 0; k < PowerOnOptionCount; ++k) {
    const int count = PowerOnOptionValueCount(k);
    EXPECT_EQ(Trimmed(PowerOnValueText(k, count - 1)), lastTexts[k]) << k;
    EXPECT_EQ(PowerOnValueText(k, count), "") << k;
    EXPECT_EQ(PowerOnValueText(k, -1), "") << k;
  }
  for (int v = 0; v < 9; ++v) EXPECT_EQ(PowerOnValueText(18, v), PowerOnValueText(16, v));
  EXPECT_FALSE(IsPowerOnValueValid(0, 15));
  EXPECT_TRUE(IsPowerOnValueValid(0, 14));
  EXPECT_FALSE(IsPowerOnValueValid(20, 0));
  EXPECT_EQ(PowerOnValueText(20, 0), "");
}

TEST(TPowerOnModel, StartsAtZeroAndDefaultsAreTheFactorySet) {
  TPowerOn set;
  EXPECT_EQ(Values(set), kZeros);
  set.SetValue(3, 77);
  set.SetDefaults();
  EXPECT_EQ(Values(set), kDefaults);
  const char* defaultTexts[] = {"80 BPM", "1 mV", "Normal (INT)", "1000 Ohms", "Adult R-Wave",
                                "20 BPM", "I/E 1/1", "5 Ohms", "20 mV", "2 msec",
                                "Negative Pulse", "37\xBA C", "20\xBA C", "37\xBA C",
                                "H-P/Philips at 2\xBA" "C", "5\xB5V/V per mmHg",
                                "Arterial 120/80", "Arterial 120/80", "Left Ventrical 120/0",
                                "Right Ventrical 25/0"};
  for (int k = 0; k < PowerOnOptionCount; ++k) {
    EXPECT_EQ(Trimmed(PowerOnValueText(k, set.GetValue(k))), defaultTexts[k]) << k;
  }
}

TEST(TPowerOnModel, OptionNumbersOutsideTheTableReadMinusOneAndWriteNothing) {
  TPowerOn set;
  set.SetDefaults();
  EXPECT_EQ(set.GetValue(20), -1);
  EXPECT_EQ(set.GetValue(-1), -1);
  set.SetValue(20, 5);
  set.SetValue(-1, 5);
  EXPECT_EQ(Values(set), kDefaults);
  set.SetValue(19, 200);  // not range-checked
  EXPECT_EQ(set.GetValue(19), 200);
  TPowerOn copy = set;
  EXPECT_EQ(copy.GetValue(19), 200);
  copy.SetValue(0, 1);
  EXPECT_EQ(set.GetValue(0), 3);
}

TEST(TPowerOnModel, ValuesOutsideTheirListAreFoundAndShownAsInvalid) {
  TPowerOn set;
  set.SetDefaults();
  EXPECT_EQ(FirstInvalidPowerOnOption(set), -1);
  EXPECT_EQ(PowerOnValueCellText(set, 6), "I/E 1/1" + std::string(20, ' '));
  set.SetValue(19, 9);  // one past the end of the shared pressure list
  set.SetValue(4, 2);   // would read the first text of the next option
  set.SetValue(0, -2);
  EXPECT_EQ(FirstInvalidPowerOnOption(set), 0);
  EXPECT_EQ(PowerOnValueCellText(set, 0), "invalid value -2");
  EXPECT_EQ(PowerOnValueCellText(set, 4), "invalid value 2");
  EXPECT_EQ(PowerOnValueCellText(set, 19), "invalid value 9");
  set.SetValue(0, 14);
  EXPECT_EQ(FirstInvalidPowerOnOption(set), 4);
}

class PowerOnFile : public ::testing::Test {
 protected:
  TempDir dir;
  std::string path = dir.File("poweron.dat");
  void Write(const std::string& bytes) { TempDir::WriteAll(path, bytes); }
};

TEST_F(PowerOnFile, TheFactoryDefaultsAreExactly60Bytes) {
  TPowerOn set;
  set.SetDefaults();
  ASSERT_EQ(set.SaveFile(path), 0);
  EXPECT_EQ(TempDir::ReadAll(path),
            "3\r\n3\r\n0\r\n1\r\n0\r\n2\r\n4\r\n9\r\n8\r\n0\r\n"
            "0\r\n2\r\n1\r\n1\r\n0\r\n0\r\n0\r\n0\r\n3\r\n4\r\n");
}

TEST_F(PowerOnFile, SignedValuesRoundTripAndReplaceALongerFile) {
  Write(std::string(500, '7'));
  TPowerOn set;
  set.SetDefaults();
  set.SetValue(0, 14);
  set.SetValue(5, -7);
  set.SetValue(19, 2147483647);
  set.SetValue(18, -2147483647 - 1);
  ASSERT_EQ(set.SaveFile(path), 0);
  const std::string bytes = TempDir::ReadAll(path);
  EXPECT_EQ(bytes.substr(0, 16), "14\r\n3\r\n0\r\n1\r\n0\r\n");
  EXPECT_EQ(bytes.substr(bytes.size() - 25), "-2147483648\r\n2147483647\r\n");
  TPowerOn loaded;
  ASSERT_EQ(loaded.LoadFile(path), 0);
  EXPECT_EQ(loaded, set);
}

TEST_F(PowerOnFile, AnEmptyFileGivesZerosAndShortFilesZeroTheRest) {
  TPowerOn set;
  set.SetDefaults();
  Write("");
  ASSERT_EQ(set.LoadFile(path), 0);
  EXPECT_EQ(Values(set), kZeros);

  Write("5\r\n4\r\n2\r\n3\r\n1");  // the last line has no line end
  set.SetDefaults();
  ASSERT_EQ(set.LoadFile(path), 0);
  std::vector<int32_t> expected = kZeros;
  expected[0] = 5, expected[1] = 4, expected[2] = 2, expected[3] = 3, expected[4] = 1;
  EXPECT_EQ(Values(set), expected);
}

TEST_F(PowerOnFile, LfCrAndCrLfLineEndsReadAlikeAndBlanksLeadingAreSkipped) {
  TPowerOn crlf, lf, cr, mixed;
  Write("1\r\n2\r\n3\r\n");
  ASSERT_EQ(crlf.LoadFile(path), 0);
  Write("1\n2\n3\n");
  ASSERT_EQ(lf.LoadFile(path), 0);
  Write("1\r2\r3\r");
  ASSERT_EQ(cr.LoadFile(path), 0);
  Write("  1\n\t2\r\n+3");
  ASSERT_EQ(mixed.LoadFile(path), 0);
  EXPECT_EQ(crlf.GetValue(2), 3);
  EXPECT_EQ(crlf.GetValue(3), 0);
  EXPECT_EQ(lf, crlf);
  EXPECT_EQ(cr, crlf);
  EXPECT_EQ(mixed, crlf);
}

TEST_F(PowerOnFile, ABadThirdLineReportsFailureAndStartUpTakesTheDefaults) {
  for (const std::string third : {"abc", "", "-1", "2x", "3 ", "99999999999", "--1"}) {
    SCOPED_TRACE("third line \"" + third + "\"");
    Write("7\r\n8\r\n" + third + "\r\n5\r\n");
    TPowerOn set;
    EXPECT_EQ(set.LoadFile(path), -1);
    EXPECT_EQ(set.GetValue(0), 7);  // read before the bad line
    EXPECT_EQ(set.GetValue(3), 0);  // never reached
    EXPECT_EQ(Values(LoadPowerOnAtStart(path)), kDefaults);
  }
}

TEST_F(PowerOnFile, OtherNegativeValuesAndOutOfListValuesAreKept) {
  Write("-2\n200\n");
  const TPowerOn set = LoadPowerOnAtStart(path);
  EXPECT_EQ(set.GetValue(0), -2);
  EXPECT_EQ(set.GetValue(1), 200);
  EXPECT_EQ(set.GetValue(2), 0);
}

TEST_F(PowerOnFile, LinesAfterTheTwentiethAreIgnored) {
  std::string bytes;
  for (int i = 0; i < 20; ++i) bytes += std::to_string(i) + "\r\n";
  Write(bytes + "abc\r\n-1\r\n42\r\n");
  TPowerOn set;
  ASSERT_EQ(set.LoadFile(path), 0);
  EXPECT_EQ(set.GetValue(0), 0);
  EXPECT_EQ(set.GetValue(19), 19);
}

TEST_F(PowerOnFile, AMissingOrUnreadableFileChangesNothing) {
  TPowerOn set;
  set.SetValue(4, 1);
  EXPECT_EQ(set.LoadFile(dir.File("nothing.dat")), -1);
  EXPECT_EQ(set.LoadFile(dir.path()), -1);  // a folder
  EXPECT_EQ(set.GetValue(4), 1);
  EXPECT_EQ(Values(LoadPowerOnAtStart(dir.File("nothing.dat"))), kDefaults);
}

TEST_F(PowerOnFile, AFailedSaveReportsFailureAndLeavesNoFileBehind) {
  TPowerOn set;
  set.SetDefaults();
  EXPECT_EQ(set.SaveFile(dir.File("missing/poweron.dat")), -1);
  // A folder in the file's place cannot be replaced either; it stays a folder.
  ::mkdir(path.c_str(), 0700);
  TempDir::WriteAll(path + "/keep", "x");
  EXPECT_EQ(set.SaveFile(path), -1);
  EXPECT_EQ(TempDir::ReadAll(path + "/keep"), "x");
}

}  // namespace
