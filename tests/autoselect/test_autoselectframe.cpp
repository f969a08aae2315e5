#include "autoselect/autoselectframe.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>

#include "autoselect/autoselecteditorform.h"
#include "common/settingsfile.h"
#include "grid/esstringgrid.h"
#include "support/aslrecord.h"
#include "support/pagebench.h"
#include "support/tempdir.h"

namespace {

std::string TenRecords() {
  std::string file;
  for (int i = 1; i <= 10; ++i) file += AslRecord("FILE " + std::to_string(i), {i * 10});
  return file;
}

// Answers the editor that the next user action opens, from inside its modal
// loop, and records its title; stays empty when nothing opens.
void AnswerNextEditor(QString& title, std::function<void(TAutoSelectEditor&)> answer) {
  QTimer::singleShot(0, [&title, answer] {
    auto* editor = qobject_cast<TAutoSelectEditor*>(QApplication::activeModalWidget());
    if (editor == nullptr) return;
    title = editor->windowTitle();
    answer(*editor);
  });
}

void Cancel(TAutoSelectEditor& editor) { QTest::mouseClick(editor.btnCancel, Qt::LeftButton); }

class AutoSelectMainTest : public ::testing::Test {
 protected:
  // A page whose files are in data and whose uploads go to the scripted port.
  PageSetup Setup() const { return {data.File("korapc.ini"), data.File("autoselect.asl")}; }

  std::unique_ptr<TAutoSelectMain> MakePage(const std::string& defaultFile) {
    TempDir::WriteAll(data.File("autoselect.asl"), defaultFile);
    return MakePage();
  }
  std::unique_ptr<TAutoSelectMain> MakePage() {
    auto page = std::make_unique<TAutoSelectMain>(Setup(), bench.fakes.services, bench.runner);
    page->resize(540, 560);
    page->show();
    QCoreApplication::processEvents();
    return page;
  }
  static QPoint CellCentre(TAutoSelectMain& page, int row, int col = 1) {
    return page.sgAutoSelect->visualRect(page.sgAutoSelect->model()->index(row - 1, col)).center();
  }
  // Each data row as "number name".
  static std::vector<QString> Rows(TAutoSelectMain& page) {
    std::vector<QString> rows;
    for (int row = 1; row < page.sgAutoSelect->RowCount(); ++row) {
      rows.push_back(page.sgAutoSelect->Cells(0, row) + " " + page.sgAutoSelect->Cells(1, row));
    }
    return rows;
  }

  TempDir data;  // the page's data folder
  TempDir files;
  PageBench bench;
  RecordingMessageSink& sink = bench.fakes.messages;
  ScriptedFilePicker& picker = bench.fakes.files;
};

TEST_F(AutoSelectMainTest, TheFirstRunShowsTenNumberedRowsAndLeavingWritesTenEmptyRecords) {
  {
    auto page = MakePage();
    EXPECT_EQ(page->sgAutoSelect->Cells(0, 0), "No.");
    EXPECT_EQ(page->sgAutoSelect->Cells(1, 0), "Auto Name");
    EXPECT_EQ(Rows(*page),
              (std::vector<QString>{"1 ", "2 ", "3 ", "4 ", "5 ", "6 ", "7 ", "8 ", "9 ", "10 "}));
    EXPECT_TRUE(page->sgAutoSelect->isRowSelected(1));
    EXPECT_EQ(page->tbOpen->toolTip(), "Open Auto Selection File");
    EXPECT_EQ(page->tbSave->toolTip(), "Save Auto Selections");
    EXPECT_EQ(page->tbEdit->toolTip(), "Edit Auto Selection");
    for (QAbstractButton* button : std::vector<QAbstractButton*>{page->tbOpen, page->tbSave,
                                                                 page->tbEdit, page->btnSetAuto}) {
      EXPECT_FALSE(button->icon().isNull()) << button->objectName().toStdString();
    }
  }
  EXPECT_EQ(TempDir::ReadAll(data.File("autoselect.asl")), std::string(640, '\0'));
  EXPECT_EQ(SettingsFile(data.File("korapc.ini")).ReadInteger("sgAutoSelect", "COL_SORTBY", 0), -1);
}

TEST_F(AutoSelectMainTest, AThreeRecordDefaultFileGivesThreeRowsAndABarOfNinety) {
  auto page = MakePage(AslRecord("ECG 80", {13}) + AslRecord("", {}) +
                       AslRecord("\xE9T\xC9", {13}) + "short");
  EXPECT_EQ(Rows(*page),
            (std::vector<QString>{"1 ECG 80", "2 ", QString::fromUtf8("3 \u00E9T\u00C9")}));
  // The port will not open: only its message, but the plan was for three slots.
  bench.fakes.port.failOpen = true;
  QTest::mouseClick(page->btnSetAuto, Qt::LeftButton);
  EXPECT_EQ(page->LastUpload().maximum, 90);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].caption, "COM Port Error");
}

TEST_F(AutoSelectMainTest, CancelledDialogsChangeNothingAndOfferAslFiles) {
  auto page = MakePage(TenRecords());
  picker.answers = {std::nullopt, std::nullopt};
  QTest::mouseClick(page->tbOpen, Qt::LeftButton);
  QTest::mouseClick(page->tbSave, Qt::LeftButton);
  EXPECT_EQ(picker.saveDialogs, (std::vector<bool>{false, true}));
  for (const FileDialogOptions& options : picker.offered) {
    EXPECT_EQ(options.filter, "Auto Selection Files (*.asl);;All Files (*)");
    EXPECT_EQ(options.defaultSuffix, "asl");
  }
  EXPECT_TRUE(sink.messages.empty());
  EXPECT_EQ(Rows(*page).back(), "10 FILE 10");
}

TEST_F(AutoSelectMainTest, AMissingOrShortFileIsRefusedAndATenRecordFileReplacesAShortList) {
  auto page = MakePage(AslRecord("ONE", {}) + AslRecord("TWO", {}));
  TempDir::WriteAll(files.File("short.asl"), TenRecords().substr(0, 639));
  TempDir::WriteAll(files.File("ten.asl"), TenRecords());
  picker.answers = {files.File("missing.asl"), files.File("short.asl"), files.File("ten.asl")};
  QTest::mouseClick(page->tbOpen, Qt::LeftButton);
  QTest::mouseClick(page->tbOpen, Qt::LeftButton);
  ASSERT_EQ(sink.messages.size(), 2u);
  EXPECT_EQ(sink.messages[0].text, "An error occurred while opening the file.");
  EXPECT_EQ(sink.messages[1].text, "An error occurred while reading the file.");
  EXPECT_EQ(Rows(*page), (std::vector<QString>{"1 ONE", "2 TWO"}));

  QTest::mouseClick(page->tbOpen, Qt::LeftButton);
  ASSERT_EQ(Rows(*page).size(), 10u);
  EXPECT_EQ(Rows(*page)[9], "10 FILE 10");
  QTest::mouseClick(page->sgAutoSelect->viewport(), Qt::LeftButton, {}, CellCentre(*page, 9));
  EXPECT_TRUE(page->sgAutoSelect->isRowSelected(9));  // new rows are selectable too
}

TEST_F(AutoSelectMainTest, OnlyADoubleClickOnADataRowOpensItsEditorAndOkRenamesIt) {
  auto page = MakePage(TenRecords());
  TesStringGrid& grid = *page->sgAutoSelect;
  QString title;
  AnswerNextEditor(title, Cancel);
  QTest::mouseDClick(grid.horizontalHeader(), Qt::LeftButton, {},
                     QPoint(grid.horizontalHeader()->sectionPosition(1) + 5, 5));
  const QPoint belowLast = CellCentre(*page, 10) + QPoint(0, 3 * grid.DefaultRowHeight());
  ASSERT_LT(belowLast.y(), grid.viewport()->height());
  QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, belowLast);
  QCoreApplication::processEvents();
  EXPECT_EQ(title, "");

  AnswerNextEditor(title, [](TAutoSelectEditor& editor) {
    editor.txtName->selectAll();
    QTest::keyClicks(editor.txtName, "RESP 20");
    QTest::mouseClick(editor.btnOK, Qt::LeftButton);
  });
  QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, CellCentre(*page, 4, 0));
  EXPECT_EQ(title, "Auto Editor - Auto No. 4");
  EXPECT_EQ(grid.Cells(1, 4), "RESP 20");
  EXPECT_EQ(grid.Cells(1, 5), "FILE 5");
  EXPECT_EQ(page->AutoSelections()[3].KeyAt(0), 40);  // the codes stay

  page.reset();
  EXPECT_EQ(TempDir::ReadAll(data.File("autoselect.asl")).substr(3 * 64, 64),
            AslRecord("RESP 20", {40}));
}

TEST_F(AutoSelectMainTest, NameBytesWithNoPrintableFormShowAsAMarkAndSurviveOpenEditAndSave) {
  std::string file = TenRecords();
  const std::string odd = std::string(
      "BED\x01"
      "7\t\x7F\x9D");
  file.replace(64, odd.size(), odd);  // record 1: "FILE 2" becomes the odd name
  TempDir::WriteAll(files.File("odd.asl"), file);
  auto page = MakePage(TenRecords());
  picker.answers = {files.File("odd.asl"), files.File("saved.asl")};
  page->tbOpenClick();
  const QString mark(QChar::ReplacementCharacter);
  EXPECT_EQ(page->sgAutoSelect->Cells(1, 2), "BED" + mark + "7" + mark + mark + mark);

  QString title;
  AnswerNextEditor(
      title, [](TAutoSelectEditor& editor) { QTest::mouseClick(editor.btnOK, Qt::LeftButton); });
  QTest::mouseDClick(page->sgAutoSelect->viewport(), Qt::LeftButton, {}, CellCentre(*page, 2));
  ASSERT_EQ(title, "Auto Editor - Auto No. 2");
  page->tbSaveClick();
  EXPECT_EQ(TempDir::ReadAll(files.File("saved.asl")), file);
  EXPECT_TRUE(sink.messages.empty());
}

TEST_F(AutoSelectMainTest, EditOpensTheCurrentRowAndNothingWhenTheListIsEmpty) {
  auto page = MakePage(TenRecords());
  QTest::mouseClick(page->sgAutoSelect->viewport(), Qt::LeftButton, {}, CellCentre(*page, 6));
  QString title;
  AnswerNextEditor(title, Cancel);
  QTest::mouseClick(page->tbEdit, Qt::LeftButton);
  EXPECT_EQ(title, "Auto Editor - Auto No. 6");
  EXPECT_EQ(page->AutoSelections()[5].GetName(), "FILE 6");

  page.reset();
  page = MakePage(std::string(63, 'x'));
  EXPECT_EQ(Rows(*page), std::vector<QString>{" "});  // one blank row
  QString none;
  AnswerNextEditor(none, Cancel);
  QTest::mouseClick(page->tbEdit, Qt::LeftButton);
  QTest::mouseDClick(page->sgAutoSelect->viewport(), Qt::LeftButton, {}, CellCentre(*page, 1));
  QCoreApplication::processEvents();
  EXPECT_EQ(none, "");
}

TEST_F(AutoSelectMainTest, AForeignKeyCodeIsRefusedBeforeThePortIsOpenedButSavedAsItIs) {
  const std::string file =
      AslRecord("GOOD", {13}) + AslRecord("ODD CODES", {13, 1000}) + AslRecord("ALSO", {-5});
  auto page = MakePage(file);
  QTest::mouseClick(page->btnSetAuto, Qt::LeftButton);
  ASSERT_EQ(sink.messages.size(), 1u);  // no port message: the port was never opened
  EXPECT_EQ(sink.messages[0].caption, "Auto Selections");
  EXPECT_EQ(sink.messages[0].icon, MessageIcon::Exclamation);
  EXPECT_NE(sink.messages[0].text.find("Auto selection 2 (\"ODD CODES\") holds the key code 1000,"),
            std::string::npos)
      << sink.messages[0].text;
  EXPECT_EQ(page->sgAutoSelect->Row(), 2);

  picker.answers = {files.File("carried.asl")};
  QTest::mouseClick(page->tbSave, Qt::LeftButton);
  EXPECT_EQ(TempDir::ReadAll(files.File("carried.asl")), file);
}

}  // namespace
