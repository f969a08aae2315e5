#include "historyview/historypage.h"

#include <gtest/gtest.h>
#include <QAbstractItemModel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <memory>

#include "autoselect/autoselectframe.h"
#include "history/sqlitehistorystore.h"
#include "history/tracetext.h"
#include "historyview/historymodel.h"
#include "poweron/poframe.h"
#include "services/services.h"
#include "support/aslrecord.h"
#include "support/pagebench.h"
#include "support/recordingmessagesink.h"
#include "support/scriptedfilepicker.h"
#include "support/scriptedquestion.h"
#include "support/tempdir.h"

namespace {

UploadStart Start(const char* started, UploadWhat what) {
  UploadStart start;
  start.started = started;
  start.user = "tech";
  start.host = "bench-pc";
  start.port = {"/dev/ttyUSB0", "", PortAdapter{"FTDI", "FT232R USB UART", "A1", "", ""}};
  start.what = what;
  start.powerOn = {3, 3, 0, 1, 0, 2, 4, 9, 8, 0, 0, 2, 1, 1, 0, 0, 0, 0, 3, 4};
  if (what == UploadWhat::AutoSelections) start.autoSelections.assign(10, AutoSelectionEntry{});
  start.process = {1, 1, "a boot long ago"};  // a process that is gone
  return start;
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
    powerOn =
        std::make_unique<TPOMain>(PageSetup{data.File("korapc.ini"), data.File("poweron.dat")},
                                  bench.fakes.services, bench.runner);
    autoSelect = std::make_unique<TAutoSelectMain>(
        PageSetup{data.File("korapc.ini"), data.File("autoselect.asl")}, bench.fakes.services,
        bench.runner);
  }

  // A record that ended with result (none: interrupted), with trace.
  void Add(const UploadStart& start, std::optional<UploadOutcome> result, UploadEnd end = {},
           const UploadTrace& trace = {}) {
    const std::int64_t id = store->Begin(start);
    ASSERT_NE(id, 0);
    store->AppendTrace(id, trace);
    end.result = result.value_or(UploadOutcome::Interrupted);
    if (result) {
      ASSERT_TRUE(store->Complete(id, end));
    }
  }

  std::unique_ptr<THistoryPage> MakePage() {
    auto page = std::make_unique<THistoryPage>(services, question, *powerOn, *autoSelect);
    page->resize(700, 500);
    page->show();  // showing reads the list
    QCoreApplication::processEvents();
    return page;
  }

  static QString Cell(THistoryPage& page, int row, int column, int role = Qt::DisplayRole) {
    return page.sgHistory->model()->index(row, column).data(role).toString();
  }

  static void Select(THistoryPage& page, int row) {
    page.sgHistory->selectRow(row);
    QCoreApplication::processEvents();
  }

  TempDir data;
  RecordingMessageSink sink;
  std::unique_ptr<SqliteHistoryStore> store = SqliteHistoryStore::Open(data.File("h.sqlite"), sink);
  ScriptedFilePicker picker;
  ScriptedQuestion question;
  PageBench bench;  // the pages' services and runner
  // The page's own messages, dialogs and record; the pages upload nothing here.
  Services services{sink, bench.fakes.clock, picker, bench.fakes.ports, *store};
  std::unique_ptr<TPOMain> powerOn;
  std::unique_ptr<TAutoSelectMain> autoSelect;
};

TEST_F(HistoryPageTest, TheListRunsNewestFirstAndTheSelectedUploadShowsInThePagesWords) {
  Add(Start("2026-12-01T09:00:00.000Z", UploadWhat::PowerOn), UploadOutcome::Programmed);
  UploadStart autoStart = Start("2026-12-02T10:30:15.500Z", UploadWhat::AutoSelections);
  autoStart.autoSelections[1] = {"ASYSTOLE", {67}};
  UploadEnd failed;
  failed.message = "Incorrect reply from KORA-1!";
  failed.link = {3, 17, 1, 90};
  Add(autoStart, UploadOutcome::Failed, failed);
  UploadStart killed = Start("2026-12-03T11:00:00.000Z", UploadWhat::PowerOn);
  killed.port = {"/dev/pts/4", "", std::nullopt};
  Add(killed, std::nullopt);
  auto page = MakePage();

  const QString ftdi = "/dev/ttyUSB0 (FTDI FT232R USB UART, serial A1)";
  const std::vector<QStringList> expected{
      {"Date and time", "Instrument", "Programmed", "Result"},
      {"2026-12-03 11:00:00 UTC", "/dev/pts/4", "Power-on values", "interrupted"},
      {"2026-12-02 10:30:15 UTC", ftdi, "Auto selections", "failed"},
      {"2026-12-01 09:00:00 UTC", ftdi, "Power-on values", "programmed"}};
  ASSERT_EQ(page->sgHistory->model()->rowCount(), 3);
  for (int c = 0; c < 4; ++c) {
    EXPECT_EQ(page->sgHistory->model()->headerData(c, Qt::Horizontal).toString(), expected[0][c]);
    for (int row = 0; row < 3; ++row) {
      EXPECT_EQ(Cell(*page, row, c), expected[static_cast<std::size_t>(row) + 1][c]) << row << c;
    }
  }
  EXPECT_EQ(Cell(*page, 1, 3, Qt::ToolTipRole), "Incorrect reply from KORA-1!");
  for (QPushButton* b :
       {page->btnSaveReport, page->btnSaveTrace, page->btnRestore, page->btnCompare}) {
    EXPECT_FALSE(b->isEnabled()) << "nothing selected: " << b->text().toStdString();
  }

  Select(*page, 1);
  const QString details = page->txtDetails->toPlainText();
  for (const char* shown : {"AUTO 1  \n", "AUTO 2  ASYSTOLE", "    Asystole 1", "Late answers: 3",
                            "Slowest answer: 17 ms", "Characters sent again: 1",
                            "Result: failed: Incorrect reply from KORA-1!"}) {
    EXPECT_TRUE(details.contains(shown)) << shown << "\nin: " << details.toStdString();
  }
  EXPECT_TRUE(page->btnRestore->isEnabled());

  // A new upload is listed on top when the tab is shown again, and the
  // selection stays on its upload.
  Add(Start("2026-12-04T08:00:00.000Z", UploadWhat::PowerOn), UploadOutcome::Programmed);
  page->hide();
  page->show();
  EXPECT_EQ(Cell(*page, 0, 0), "2026-12-04 08:00:00 UTC");
  EXPECT_EQ(page->SelectedRecord()->start.started, "2026-12-02T10:30:15.500Z");
}

TEST_F(HistoryPageTest, RestoreAsksFirstAndPutsTheUploadsValuesIntoThePageWithoutUploading) {
  UploadStart start = Start("2026-12-01T09:00:00.000Z", UploadWhat::PowerOn);
  start.powerOn[0] = 5;  // ECG Rate 120 BPM where the page has 80
  Add(start, UploadOutcome::Programmed);
  UploadStart autoStart = Start("2026-12-02T09:00:00.000Z", UploadWhat::AutoSelections);
  autoStart.autoSelections[3] = {"PACED", {322}};
  Add(autoStart, UploadOutcome::Programmed);
  auto page = MakePage();
  std::vector<QWidget*> restored;
  QObject::connect(page.get(), &THistoryPage::Restored, [&](QWidget* p) { restored.push_back(p); });

  Select(*page, 1);
  question.answers = {false, true};
  QTest::mouseClick(page->btnRestore, Qt::LeftButton);
  EXPECT_EQ(powerOn->Values().GetValue(0), 3);  // No: nothing replaced
  QTest::mouseClick(page->btnRestore, Qt::LeftButton);
  ASSERT_EQ(question.asked.size(), 2u);
  EXPECT_EQ(question.captions[0], "Restore to Page");
  EXPECT_NE(question.asked[0].find("Power On page"), std::string::npos);
  EXPECT_EQ(powerOn->Values().GetValue(0), 5);
  EXPECT_EQ(powerOn->Values().GetValue(1), 3);
  EXPECT_EQ(powerOn->LastUpload().maximum, 0);  // nothing was sent
  EXPECT_TRUE(sink.messages.empty());
  // Now the page holds them: nothing to ask.
  QTest::mouseClick(page->btnRestore, Qt::LeftButton);
  EXPECT_EQ(question.asked.size(), 2u);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].text, "The Power On page already holds the values of this upload.");

  Select(*page, 0);
  question.answers = {true};
  QTest::mouseClick(page->btnRestore, Qt::LeftButton);
  const AutoSelectList& list = autoSelect->AutoSelections();
  ASSERT_EQ(list.size(), 10u);
  EXPECT_EQ(list[0].GetName(), "");  // the whole list replaced, not only the slots that differ
  EXPECT_EQ(list[3].GetName(), "PACED");
  EXPECT_EQ(list[3].KeyAt(0), 322);
  EXPECT_EQ(restored, (std::vector<QWidget*>{powerOn.get(), autoSelect.get()}));
}

TEST_F(HistoryPageTest, CompareListsWhatDiffersFromThePageAsItIsNow) {
  UploadStart autoStart = Start("2026-12-01T09:00:00.000Z", UploadWhat::AutoSelections);
  autoStart.autoSelections[0] = {"ADULT NSR", {10, 14}};
  Add(autoStart, UploadOutcome::Programmed);
  Add(Start("2026-12-02T09:00:00.000Z", UploadWhat::PowerOn), UploadOutcome::Programmed);
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
  Add(Start("2026-12-01T09:00:00.000Z", UploadWhat::PowerOn), UploadOutcome::Programmed, {}, trace);
  auto page = MakePage();
  Select(*page, 0);

  picker.answers = {data.File("trace.txt"), std::nullopt, data.File("report.pdf")};
  QTest::mouseClick(page->btnSaveTrace, Qt::LeftButton);
  const std::string text = TempDir::ReadAll(data.File("trace.txt"));
  EXPECT_EQ(text.substr(0, 38), "Date and time: 2026-12-01 09:00:00 UTC");
  ASSERT_GT(text.size(), TraceText(trace).size());
  EXPECT_EQ(text.substr(text.size() - TraceText(trace).size()), TraceText(trace));

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
    Add(Start("2026-12-01T09:00:00.000Z", UploadWhat::PowerOn), UploadOutcome::Programmed);
  }
  auto page = MakePage();
  QAbstractItemModel* model = page->sgHistory->model();
  EXPECT_EQ(model->rowCount(), static_cast<int>(HistoryModel::kPageSize));
  while (model->canFetchMore({})) model->fetchMore({});
  EXPECT_EQ(model->rowCount(), 250);
  EXPECT_EQ(static_cast<HistoryModel*>(model)->RecordAt(249).id, 1);
}

}  // namespace
