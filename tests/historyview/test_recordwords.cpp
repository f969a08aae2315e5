#include "historyview/recordwords.h"

#include <gtest/gtest.h>

#include "autoselect/autoselectfile.h"
#include "support/aslrecord.h"
#include "support/autoselectentry.h"
#include "support/recordingmessagesink.h"
#include "support/tempdir.h"

namespace {

// The factory defaults, as a poweron.dat written out by hand.
constexpr const char* kDefaultsFile =
    "3\r\n3\r\n0\r\n1\r\n0\r\n2\r\n4\r\n9\r\n8\r\n0\r\n"
    "0\r\n2\r\n1\r\n1\r\n0\r\n0\r\n0\r\n0\r\n3\r\n4\r\n";

UploadStart PowerOnStart(std::array<std::int32_t, 20> values) {
  UploadStart start;
  start.what = UploadWhat::PowerOn;
  start.powerOn = values;
  return start;
}

UploadStart AutoStart(std::vector<AutoSelectionEntry> entries) {
  UploadStart start;
  start.what = UploadWhat::AutoSelections;
  start.autoSelections = std::move(entries);
  return start;
}

TEST(RecordWords, TheSummaryNamesEveryFactInOrderAndSaysWhatIsNotKnown) {
  UploadRecord record;
  record.start.started = "2026-12-09T15:41:58.123Z";
  record.start.user = "tech";
  record.start.host = "bench-pc";
  record.start.version = "1.0.0";
  record.start.port = {"/dev/ttyUSB0", "/dev/serial/by-id/usb-FTDI-if00",
                       PortAdapter{"FTDI", "FT232R USB UART", "A10K3B2Q", "0403", "6001"}};
  record.start.dataSha256 = std::string(64, 'a');
  record.start.commandDelayMs = 25;
  record.end.result = UploadOutcome::Failed;
  record.end.message = "Incorrect reply from KORA-1!";
  record.end.done = 7;
  record.end.total = 20;
  record.end.link = {2, 14, -1, 95};
  record.end.durationMs = 8531;

  const std::vector<RecordField> expected{
      {"Date and time", "2026-12-09 15:41:58 UTC"},
      {"By", "tech on bench-pc"},
      {"Program", "KORApc 1.0.0"},
      {"Port", "/dev/ttyUSB0"},
      {"Stable name", "/dev/serial/by-id/usb-FTDI-if00"},
      {"Adapter", "FTDI FT232R USB UART, serial A10K3B2Q (0403:6001)"},
      {"Programmed", "Power-on values"},
      {"Data SHA-256", std::string(64, 'a')},
      {"DELAY", "25 ms"},
      {"Result", "failed: Incorrect reply from KORA-1!"},
      {"Commands", "7 of 20"},
      {"Late answers", "2"},
      {"Slowest answer", "14 ms"},
      {"Characters sent again", "not known"},
      {"Duration", "8.531 s"},
  };
  EXPECT_EQ(RecordSummary(record), expected);

  // No stable name, no adapter, a source file, no end yet.
  record.start.port = {"/dev/pts/3", "", std::nullopt};
  record.start.sourceFile = "/home/tech/ward-a.asl";
  record.end = {};
  record.end.durationMs = -1;
  const std::vector<RecordField> fields = RecordSummary(record);
  ASSERT_EQ(fields.size(), expected.size());
  EXPECT_EQ(fields[4], (RecordField{"Adapter", "unknown"}));
  EXPECT_EQ(fields[6], (RecordField{"Source file", "/home/tech/ward-a.asl"}));
  EXPECT_EQ(fields[9], (RecordField{"Result", "interrupted"}));
  EXPECT_EQ(fields.back(), (RecordField{"Duration", "not known"}));
  EXPECT_EQ(RecordInstrumentText(record), "/dev/pts/3");
  EXPECT_EQ(RecordTimeText("yesterday"), "yesterday");  // not ISO 8601: as it is
}

TEST(RecordWords, PowerOnValuesReadAsThePageShowsThem) {
  TempDir dir;
  TempDir::WriteAll(dir.File("poweron.dat"), kDefaultsFile);
  TPowerOn known;
  ASSERT_EQ(known.LoadFile(dir.File("poweron.dat")), 0);
  UploadStart start = PowerOnStart({3, 3, 0, 1, 0, 2, 4, 9, 8, 0, 0, 2, 1, 1, 0, 0, 0, 0, 3, 4});
  start.powerOn[11] = 99;  // outside the list of "Temperature YSI 400/700"

  EXPECT_NE(RecordedPowerOn(start), known);
  start.powerOn[11] = 2;
  EXPECT_EQ(RecordedPowerOn(start), known);  // Restore gives the file's values back
  start.powerOn[11] = 99;

  const std::vector<std::string> lines = RecordDataLines(start);
  ASSERT_EQ(lines.size(), 20u);
  EXPECT_EQ(lines[0], "ECG Rate: 80 BPM");
  EXPECT_EQ(lines[1], "ECG Amplitude: 1 mV");
  EXPECT_EQ(lines[2], "ECG Axis: Normal (INT)");
  EXPECT_EQ(lines[11], "Temperature YSI 400/700: invalid value 99");
  EXPECT_EQ(lines[19].rfind("BP4 Dynamic: ", 0), 0u);
}

TEST(RecordWords, ComparePowerOnNamesEachOptionThatDiffersInThePagesWords) {
  TempDir dir;
  TempDir::WriteAll(dir.File("poweron.dat"), kDefaultsFile);
  TPowerOn page;
  ASSERT_EQ(page.LoadFile(dir.File("poweron.dat")), 0);

  struct Case {
    int option;
    int uploaded;
    std::vector<std::string> expected;
  };
  const std::vector<Case> cases{
      {0, 3, {}},
      {0, 5, {"ECG Rate: page 80 BPM; uploaded 120 BPM"}},
      {11, 3, {"Temperature YSI 400/700: page 37\xC2\xBA C; uploaded 38\xC2\xBA C"}},
      {2, 2, {"ECG Axis: page Normal (INT); uploaded Vertical"}},
  };
  for (const Case& c : cases) {
    UploadStart start = PowerOnStart({3, 3, 0, 1, 0, 2, 4, 9, 8, 0, 0, 2, 1, 1, 0, 0, 0, 0, 3, 4});
    start.powerOn[static_cast<std::size_t>(c.option)] = c.uploaded;
    EXPECT_EQ(PowerOnDifferences(start, page), c.expected) << c.option << " " << c.uploaded;
  }
}

TEST(RecordWords, AutoSelectionsReadBySlotNameAndKeyNamesAndCompareWithAnOpenedFile) {
  TempDir dir;
  std::string file = AslRecord("ADULT NSR", {10, 13}) + AslRecord("ASYSTOLE", {67});
  for (int i = 2; i < 10; ++i) file += AslRecord("", {});
  TempDir::WriteAll(dir.File("ward.asl"), file);
  AutoSelectList page;
  RecordingMessageSink sink;
  ASSERT_EQ(OpenAutoSelectFile(dir.File("ward.asl"), page, sink), 0);
  ASSERT_EQ(page.size(), 10u);

  std::vector<AutoSelectionEntry> sent{{"ADULT NSR", {10, 13}}, {"ASYSTOLE", {67}}};
  sent.resize(10);
  const UploadStart same = AutoStart(sent);
  EXPECT_EQ(RecordedAutoSelections(same), page);  // Restore gives the file's entries back
  EXPECT_TRUE(AutoSelectionDifferences(same, page).empty());
  const std::vector<std::string> lines = RecordDataLines(same);
  ASSERT_EQ(lines.size(), 20u);
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 6),
            (std::vector<std::string>{"AUTO 1  ADULT NSR", "    30 BPM, 80 BPM", "AUTO 2  ASYSTOLE",
                                      "    Asystole 1", "AUTO 3  ", "    (no keys)"}));
  EXPECT_EQ(lines[18], "AUTO 10  ");

  sent[0].codes = {10, 14};
  sent[1].name = "ASYSTOLE 2";
  sent.resize(9);
  EXPECT_EQ(AutoSelectionDifferences(AutoStart(sent), page),
            (std::vector<std::string>{"AUTO 1 keys: page 30 BPM, 80 BPM; uploaded 30 BPM, 100 BPM",
                                      "AUTO 2 name: page ASYSTOLE; uploaded ASYSTOLE 2",
                                      "AUTO 10: only on the page"}));
  EXPECT_EQ(AutoSelectionDifferences(AutoStart({{"", {}}, {"X", {}}}), {Entry("", {})}),
            (std::vector<std::string>{"AUTO 2: only in the upload"}));
  // Two reserved codes share the name "NO SELECTION" and still differ.
  EXPECT_EQ(AutoSelectionDifferences(AutoStart({{"A", {25}}}), {Entry("A", {34})}).size(), 1u);
}

}  // namespace
