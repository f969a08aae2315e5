#include "history/historypage.h"

#include <QAbstractItemModel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

#include "autoselect/autoselectframe.h"
#include "history/historymodel.h"
#include "history/tracetext.h"
#include "poweron/poframe.h"
#include "support/aslrecord.h"
#include "support/memoryhistorystore.h"
#include "support/recordingmessagesink.h"
#include "support/scriptedfilepicker.h"
#include "support/scriptedquestion.h"
#include "support/tempdir.h"

namespace {

constexpr std::array<std::int32_t, 20> kDefaults{3, 3, 0, 1, 0, 2, 4, 9, 8, 0,
                                                 0, 2, 1, 1, 0, 0, 0, 0, 3, 4};

UploadRecord Record(const char* started, UploadWhat what, UploadOutcome result) {
  UploadRecord record;
  record.start.started = started;
  record.start.user = "tech";
  record.start.host = "bench-pc";
  record.start.port = {"/dev/ttyUSB0", "", PortAdapter{"FTDI", "FT232R USB UART", "A1", "", ""}};
  record.start.what = what;
  record.start.powerOn = kDefaults;
  record.end.result = result;
  record.ended = result != UploadOutcome::Interrupted;
  record.traceKept = true;
  return record;
}

class HistoryPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Known files for the two pages: the factory defaults, and a ward's list.
    TempDir::WriteAll(data.File("poweron.dat"),
                      "3\r\n3\r\n0\r\n1\r\n0\r\n2\r\n4\r\n9\r\n8\r\n0\r\n"
                      "0\r\n2\r\n1\r\n1\r\n0\r\n0\r\n0\r\n0\r\n3\r\n4\r\n");
    std::string asl = AslRecord("ADULT NSR", {10, 13});
    for (int i = 1; i < 10; ++i) asl += AslRecord("", {});
    TempDir::WriteAll(data.File("autoselect.asl"), asl);
    const auto link = [] { return LinkSettings{"/nonexistent/tty", 10, ""}; };
    powerOn = std::make_unique<TPOMain>(
        PageSetup{data.File("korapc.ini"), data.File("poweron.dat"), link}, nullptr, &sink);
    autoSelect = std::make_unique<TAutoSelectMain>(
        PageSetup{data.File("korapc.ini"), data.File("autoselect.asl"), link}, nullptr, &sink);
  }

  std::unique_ptr<THistoryPage> MakePage() {
    auto page = std::make_unique<THistoryPage>(
        HistoryPageSetup{&store, powerOn.get(), autoSelect.get(), &sink, &picker, &question});
    page->resize(700, 500);
    page->show();  // showing reads the list
    QCoreApplication::processEvents();
    return page;
  }

  QString Cell(THistoryPage& page, int row, int column) {
    return page.sgHistory->model()->index(row, column).data().toString();
  }

  void Select(THistoryPage& page, int row) {
    page.sgHistory->selectRow(row);
    QCoreApplication::processEvents();
  }

  TempDir data;
  MemoryHistoryStore store;
  RecordingMessageSink sink;
  ScriptedFilePicker picker;
  ScriptedQuestion question;
  std::unique_ptr<TPOMain> powerOn;
  std::unique_ptr<TAutoSelectMain> autoSelect;
};

TEST_F(HistoryPageTest, TheListRunsNewestFirstWithTimeInstrumentWhatAndResult) {
  store.Add(Record("2026-12-01T09:00:00.000Z", UploadWhat::PowerOn, UploadOutcome::Programmed));
  UploadRecord failed =
      Record("2026-12-02T10:30:15.500Z", UploadWhat::AutoSelections, UploadOutcome::Failed);
  failed.end.message = "Incorrect reply from KORA-1!";
  store.Add(failed);
  UploadRecord killed =
      Record("2026-12-03T11:00:00.000Z", UploadWhat::PowerOn, UploadOutcome::Interrupted);
  killed.start.port = {"/dev/pts/4", "", std::nullopt};
  store.Add(killed);
  auto page = MakePage();

  const QStringList header{"Date and time", "Instrument", "Programmed", "Result"};
  for (int c = 0; c < 4; ++c) {
    EXPECT_EQ(page->sgHistory->model()->headerData(c, Qt::Horizontal).toString(), header[c]);
  }
  const std::vector<QStringList> expected{
      {"2026-12-03 11:00:00 UTC", "/dev/pts/4", "Power-on values", "interrupted"},
      {"2026-12-02 10:30:15 UTC", "/dev/ttyUSB0 (FTDI FT232R USB UART, serial A1)",
       "Auto selections", "failed"},
      {"2026-12-01 09:00:00 UTC", "/dev/ttyUSB0 (FTDI FT232R USB UART, serial A1)",
       "Power-on values", "programmed"}};
  ASSERT_EQ(page->sgHistory->model()->rowCount(), 3);
  for (int row = 0; row < 3; ++row) {
    for (int c = 0; c < 4; ++c) {
      EXPECT_EQ(Cell(*page, row, c), expected[static_cast<std::size_t>(row)][c]) << row << c;
    }
  }
  EXPECT_EQ(page->sgHistory->model()->index(1, 3).data(Qt::ToolTipRole).toString(),
            "Incorrect reply from KORA-1!");

  // Nothing selected: nothing to act on.
  for (QPushButton* b : {page->btnSaveReport, page->btnSaveTrace, page->btnRestore,
                         page->btnCompare}) {
    EXPECT_FALSE(b->isEnabled()) << b->text().toStdString();
  }
  // A new upload is listed on top when the tab is shown again.
  store.Add(Record("2026-12-04T08:00:00.000Z", UploadWhat::PowerOn, UploadOutcome::Programmed));
  page->hide();
  page->show();
  EXPECT_EQ(Cell(*page, 0, 0), "2026-12-04 08:00:00 UTC");
}

TEST_F(HistoryPageTest, SelectingAnUploadShowsItsValuesInThePagesWordsAndItsLinkFigures) {
  UploadRecord record = Record("2026-12-01T09:00:00.000Z", UploadWhat::AutoSelections,
                               UploadOutcome::Programmed);
  record.start.autoSelections = {{"ADULT NSR", {10, 13}}, {"ASYSTOLE", {67}}};
  record.end.link = {3, 17, 1, 90};
  record.traceKept = false;
  store.Add(record);
  auto page = MakePage();
  Select(*page, 0);

  const QString details = page->txtDetails->toPlainText();
  for (const char* expected : {"AUTO 1  ADULT NSR", "30 BPM, 80 BPM", "AUTO 2  ASYSTOLE",
                               "Asystole 1", "Late answers: 3", "Slowest answer: 17 ms",
                               "Characters sent again: 1", "Result: programmed"}) {
    EXPECT_TRUE(details.contains(expected)) << expected << "\nin: " << details.toStdString();
  }
  EXPECT_TRUE(page->btnSaveReport->isEnabled());
  EXPECT_FALSE(page->btnSaveTrace->isEnabled());  // its trace was dropped
  EXPECT_TRUE(page->btnRestore->isEnabled());
}

TEST_F(HistoryPageTest, RestoreAsksFirstAndPutsTheUploadsValuesIntoThePageWithoutUploading) {
  UploadRecord record =
      Record("2026-12-01T09:00:00.000Z", UploadWhat::PowerOn, UploadOutcome::Programmed);
  record.start.powerOn[0] = 5;  // ECG Rate 120 BPM where the page has 80
  store.Add(record);
  auto page = MakePage();
  QWidget* restored = nullptr;
  QObject::connect(page.get(), &THistoryPage::Restored, [&](QWidget* p) { restored = p; });
  Select(*page, 0);

  question.answers = {false};
  QTest::mouseClick(page->btnRestore, Qt::LeftButton);
  ASSERT_EQ(question.asked.size(), 1u);
  EXPECT_EQ(question.captions[0], "Restore to Page");
  EXPECT_NE(question.asked[0].find("Power On page"), std::string::npos);
  EXPECT_EQ(powerOn->Values().GetValue(0), 3);  // No: nothing replaced
  EXPECT_EQ(restored, nullptr);

  question.answers = {true};
  QTest::mouseClick(page->btnRestore, Qt::LeftButton);
  EXPECT_EQ(powerOn->Values().GetValue(0), 5);
  EXPECT_EQ(powerOn->Values().GetValue(1), 3);
  EXPECT_EQ(restored, powerOn.get());
  EXPECT_EQ(powerOn->LastUpload().maximum, 0);  // nothing was sent
  EXPECT_TRUE(sink.messages.empty());

  // Now the page holds them: nothing to ask.
  QTest::mouseClick(page->btnRestore, Qt::LeftButton);
  EXPECT_EQ(question.asked.size(), 2u);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].text, "The Power On page already holds the values of this upload.");
}

TEST_F(HistoryPageTest, RestoreOfAutoSelectionsReplacesTheWholeList) {
  UploadRecord record = Record("2026-12-01T09:00:00.000Z", UploadWhat::AutoSelections,
                               UploadOutcome::Programmed);
  record.start.autoSelections.assign(10, AutoSelectionEntry{});
  record.start.autoSelections[3] = {"PACED", {322}};
  store.Add(record);
  auto page = MakePage();
  Select(*page, 0);
  question.answers = {true};
  QTest::mouseClick(page->btnRestore, Qt::LeftButton);
  const AutoSelectList& list = autoSelect->AutoSelections();
  ASSERT_EQ(list.size(), 10u);
  EXPECT_EQ(list[0].GetName(), "");
  EXPECT_EQ(list[3].GetName(), "PACED");
  EXPECT_EQ(list[3].KeyAt(0), 322);
}

TEST_F(HistoryPageTest, CompareListsWhatDiffersFromThePageAsItIsNow) {
  UploadRecord record = Record("2026-12-01T09:00:00.000Z", UploadWhat::AutoSelections,
                               UploadOutcome::Programmed);
  record.start.autoSelections.assign(10, AutoSelectionEntry{});
  record.start.autoSelections[0] = {"ADULT NSR", {10, 14}};
  store.Add(record);
  store.Add(Record("2026-12-02T09:00:00.000Z", UploadWhat::PowerOn, UploadOutcome::Programmed));
  auto page = MakePage();

  Select(*page, 1);
  QTest::mouseClick(page->btnCompare, Qt::LeftButton);
  Select(*page, 0);
  QTest::mouseClick(page->btnCompare, Qt::LeftButton);
  ASSERT_EQ(sink.messages.size(), 2u);
  EXPECT_EQ(sink.messages[0].caption, "Compare with Page");
  EXPECT_EQ(sink.messages[0].text,
            "The Auto Selections page differs from this upload:\n\n"
            "AUTO 1 keys: page 30 BPM, 80 BPM; uploaded 30 BPM, 100 BPM\n");
  EXPECT_EQ(sink.messages[1].text, "The Power On page holds the values of this upload.");
  EXPECT_TRUE(question.asked.empty());
}

TEST_F(HistoryPageTest, SaveTraceWritesTheRecordAndItsTraceAndSaveReportAPdf) {
  const UploadTrace trace{{0, TraceDirection::Sent, 'M', false},
                          {20000, TraceDirection::Sent, 0, true},
                          {31000, TraceDirection::Received, 'S', false}};
  store.Add(Record("2026-12-01T09:00:00.000Z", UploadWhat::PowerOn, UploadOutcome::Programmed),
            trace);
  auto page = MakePage();
  Select(*page, 0);

  picker.answers = {data.File("trace.txt"), std::nullopt, data.File("report.pdf")};
  QTest::mouseClick(page->btnSaveTrace, Qt::LeftButton);
  const std::string text = TempDir::ReadAll(data.File("trace.txt"));
  EXPECT_EQ(text.substr(0, 38), "Date and time: 2026-12-01 09:00:00 UTC");
  EXPECT_EQ(text.substr(text.size() - TraceText(trace).size()), TraceText(trace));
  EXPECT_NE(text.find("**"), std::string::npos);  // the service code never shows

  QTest::mouseClick(page->btnSaveReport, Qt::LeftButton);  // cancelled
  QTest::mouseClick(page->btnSaveReport, Qt::LeftButton);
  EXPECT_EQ(TempDir::ReadAll(data.File("report.pdf")).substr(0, 5), "%PDF-");
  ASSERT_EQ(picker.offered.size(), 3u);
  EXPECT_EQ(picker.offered[0].defaultSuffix, "txt");
  EXPECT_EQ(picker.offered[2].defaultSuffix, "pdf");
  EXPECT_TRUE(sink.messages.empty());

  picker.answers = {data.File("no/such/folder/trace.txt")};
  QTest::mouseClick(page->btnSaveTrace, Qt::LeftButton);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].caption, "Save Trace");
  EXPECT_EQ(sink.messages[0].icon, MessageIcon::Stop);
}

TEST_F(HistoryPageTest, ALongHistoryIsReadAPageAtATimeAsTheListScrolls) {
  for (int i = 0; i < 250; ++i) {
    store.Add(Record("2026-12-01T09:00:00.000Z", UploadWhat::PowerOn, UploadOutcome::Programmed));
  }
  auto page = MakePage();
  QAbstractItemModel* model = page->sgHistory->model();
  EXPECT_EQ(model->rowCount(), static_cast<int>(HistoryModel::kPageSize));
  EXPECT_LE(store.listedRecords, 2 * HistoryModel::kPageSize);
  while (model->canFetchMore({})) model->fetchMore({});
  EXPECT_EQ(model->rowCount(), 250);
  EXPECT_EQ(static_cast<HistoryModel*>(model)->RecordAt(249).id, 1);
}

}  // namespace
