#include "poweron/poframe.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <functional>

#include "common/settingsfile.h"
#include "grid/esstringgrid.h"
#include "poweron/poeditorform.h"
#include "support/pagebench.h"
#include "support/tempdir.h"

namespace {

QString Padded(const QString& text) { return text.leftJustified(27, ' '); }

const std::string kDefaultFile =
    "3\r\n3\r\n0\r\n1\r\n0\r\n2\r\n4\r\n9\r\n8\r\n0\r\n0\r\n2\r\n1\r\n1\r\n0\r\n0\r\n0\r\n0\r\n3\r\n4\r\n";

// What the next modal editor showed, if one opened.
struct EditorSeen {
  bool opened = false;
  QString label;
  QString selected;
};

// Answers the editor that the next user action opens, from inside its modal
// loop. When nothing opens, the check finds no modal window and does nothing.
void AnswerNextEditor(EditorSeen& seen, std::function<void(TPOEditor&)> answer) {
  QTimer::singleShot(0, [&seen, answer] {
    auto* editor = qobject_cast<TPOEditor*>(QApplication::activeModalWidget());
    if (editor == nullptr) return;
    seen.opened = true;
    seen.label = editor->lblPOOption->text();
    seen.selected = editor->cbPOValue->currentText();
    answer(*editor);
  });
}

void Cancel(TPOEditor& editor) { QTest::keyClick(&editor, Qt::Key_Escape); }

class POMainTest : public ::testing::Test {
 protected:
  // A page whose files are in data and whose uploads go to the scripted port.
  PageSetup Setup() const { return {data.File("korapc.ini"), data.File("poweron.dat")}; }

  std::unique_ptr<TPOMain> MakePage() {
    auto page = std::make_unique<TPOMain>(Setup(), bench.fakes.services, bench.runner);
    page->resize(540, 560);
    page->show();
    QCoreApplication::processEvents();
    return page;
  }

  QPoint CellCentre(TPOMain& page, int row) {
    return page.sgPowerOn->visualRect(page.sgPowerOn->model()->index(row - 1, 1)).center();
  }

  TempDir data;  // the page's data folder
  PageBench bench;
  RecordingMessageSink& sink = bench.fakes.messages;
};

TEST_F(POMainTest, TheFirstStartShowsTheFactoryDefaultsWithRowOneSelected) {
  auto page = MakePage();
  TesStringGrid& grid = *page->sgPowerOn;
  EXPECT_EQ(grid.ColCount(), 3);
  ASSERT_EQ(grid.RowCount(), 21);
  EXPECT_EQ(grid.Cells(0, 0), "No.");
  EXPECT_EQ(grid.Cells(1, 0), "Power On Option");
  EXPECT_EQ(grid.Cells(2, 0), "Power On Value");
  const char* texts[] = {"80 BPM",
                         "1 mV",
                         "Normal (INT)",
                         "1000 Ohms",
                         "Adult R-Wave",
                         "20 BPM",
                         "I/E 1/1",
                         "5 Ohms",
                         "20 mV",
                         "2 msec",
                         "Negative Pulse",
                         "37\u00BA C",
                         "20\u00BA C",
                         "37\u00BA C",
                         "H-P/Philips at 2\u00BAC",
                         "5\u00B5V/V per mmHg",
                         "Arterial 120/80",
                         "Arterial 120/80",
                         "Left Ventrical 120/0",
                         "Right Ventrical 25/0"};
  for (int row = 1; row <= 20; ++row) {
    EXPECT_EQ(grid.Cells(0, row), QString::number(row));
    EXPECT_EQ(grid.Cells(2, row), Padded(QString::fromUtf8(texts[row - 1]))) << row;
  }
  EXPECT_EQ(grid.Cells(1, 1), "ECG Rate");
  EXPECT_EQ(grid.Cells(1, 20), "BP4 Dynamic");
  // Without a saved layout no option name is cut short.
  for (int row = 0; row <= 20; ++row) {
    EXPECT_LE(grid.fontMetrics().horizontalAdvance(grid.Cells(1, row)) + 6, grid.ColWidths(1));
  }
  EXPECT_EQ(grid.Row(), 1);
  EXPECT_TRUE(grid.isRowSelected(1));
  EXPECT_EQ(grid.getSelCount(), 1);
  EXPECT_EQ(grid.getSelLstSize(), 20);
  EXPECT_EQ(grid.sortCol(), -1);
  EXPECT_EQ(page->tbEdit->toolTip(), "Edit Power On Value");
  EXPECT_EQ(page->btnSetPowerOn->text(), "Set Power On Values");
  EXPECT_GT(page->btnSetPowerOn->x(), page->width() / 2);
}

TEST_F(POMainTest, ASavedFileAndLayoutAreLoadedButTheSortMarkStaysOff) {
  TempDir::WriteAll(data.File("poweron.dat"), "14\n7\n");
  TempDir::WriteAll(data.File("korapc.ini"),
                    "[sgPowerOn]\nCOL_0_WIDTH=40\nCOL_1_WIDTH=200\nCOL_SORTBY=1\n");
  auto page = MakePage();
  EXPECT_EQ(page->sgPowerOn->Cells(2, 1), Padded("300 BPM"));
  EXPECT_EQ(page->sgPowerOn->Cells(2, 2), Padded("5 mV"));
  EXPECT_EQ(page->sgPowerOn->Cells(2, 3), Padded("Normal (INT)"));  // 0, not the default
  EXPECT_EQ(page->sgPowerOn->ColWidths(0), 40);
  EXPECT_EQ(page->sgPowerOn->ColWidths(1), 200);
  EXPECT_EQ(page->sgPowerOn->sortCol(), -1);
}

TEST_F(POMainTest, OnlyADoubleClickOnADataRowOpensTheEditor) {
  auto page = MakePage();
  TesStringGrid& grid = *page->sgPowerOn;
  EditorSeen seen;
  AnswerNextEditor(seen, Cancel);
  QTest::mouseDClick(grid.horizontalHeader(), Qt::LeftButton, {},
                     QPoint(grid.horizontalHeader()->sectionPosition(1) + 5, 5));
  const QPoint belowLast = CellCentre(*page, 20) + QPoint(0, 3 * grid.DefaultRowHeight());
  ASSERT_LT(belowLast.y(), grid.viewport()->height());
  QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, belowLast);
  QCoreApplication::processEvents();
  EXPECT_FALSE(seen.opened);

  AnswerNextEditor(seen, Cancel);
  QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, CellCentre(*page, 7));
  EXPECT_TRUE(seen.opened);
  EXPECT_EQ(seen.label, "Respiration Waveform:");
  EXPECT_EQ(seen.selected, Padded("I/E 1/1"));
}

TEST_F(POMainTest, CancelKeepsOkWithSixtyBpmStoresFiveAndClosingWritesIt) {
  auto page = MakePage();
  QTest::mouseClick(page->sgPowerOn->viewport(), Qt::LeftButton, {}, CellCentre(*page, 6));
  EditorSeen seen;
  AnswerNextEditor(seen, [](TPOEditor& editor) {
    QTest::keyClick(editor.cbPOValue, Qt::Key_Down);
    Cancel(editor);
  });
  QTest::mouseClick(page->tbEdit, Qt::LeftButton);
  ASSERT_TRUE(seen.opened);
  EXPECT_EQ(seen.label, "Respiration Rate:");
  EXPECT_EQ(page->Values().GetValue(5), 2);

  AnswerNextEditor(seen, [](TPOEditor& editor) {
    editor.cbPOValue->setCurrentIndex(editor.cbPOValue->findText(Padded("60 BPM")));
    QTest::keyClick(editor.cbPOValue, Qt::Key_Return);
  });
  QTest::mouseClick(page->tbEdit, Qt::LeftButton);
  EXPECT_EQ(page->Values().GetValue(5), 5);
  EXPECT_EQ(page->sgPowerOn->Cells(2, 6), Padded("60 BPM"));

  page.reset();
  std::string expected = kDefaultFile;
  expected.replace(15, 1, "5");  // the sixth line
  EXPECT_EQ(TempDir::ReadAll(data.File("poweron.dat")), expected);
  EXPECT_EQ(SettingsFile(data.File("korapc.ini")).ReadInteger("sgPowerOn", "COL_SORTBY", 0), -1);
}

TEST_F(POMainTest, AValueOutsideItsListShowsAsInvalidAndIsNeverSent) {
  TempDir::WriteAll(data.File("poweron.dat"), "3\n3\n0\n1\n0\n2\n4\n200\n");
  auto page = MakePage();
  EXPECT_EQ(page->sgPowerOn->Cells(2, 8), "invalid value 200");
  EXPECT_EQ(page->sgPowerOn->Cells(2, 9), Padded("2 mV"));  // the zero of option 8
  QTest::mouseClick(page->btnSetPowerOn, Qt::LeftButton);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].caption, "Power On Settings");
  EXPECT_EQ(sink.messages[0].icon, MessageIcon::Exclamation);
  EXPECT_NE(sink.messages[0].text.find("\"Respiration Delta\""), std::string::npos);
  EXPECT_NE(sink.messages[0].text.find("200"), std::string::npos);
  // The refusal came before the port: the bad port's message never appeared.
  EXPECT_EQ(sink.messages[0].text.find("COM Port"), std::string::npos);
  EXPECT_EQ(page->sgPowerOn->Row(), 8);
  EXPECT_EQ(page->Values().GetValue(7), 200);
}

}  // namespace
