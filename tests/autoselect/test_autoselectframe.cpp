#include "autoselect/autoselectframe.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <functional>
#include <gtest/gtest.h>

#include "app/koraglobals.h"
#include "app/settingsfile.h"
#include "autoselect/autoselecteditorform.h"
#include "grid/esstringgrid.h"
#include "support/recordingmessagesink.h"
#include "support/scriptedfilepicker.h"
#include "support/tempdir.h"

namespace {

// One 64-byte .asl record, built from the layout: 24 name bytes NUL-filled,
// then ten little-endian 32-bit codes.
std::string Record(const std::string& name, std::initializer_list<std::int32_t> codes) {
  std::string record(64, '\0');
  record.replace(0, name.size(), name);
  int offset = 24;
  for (std::int32_t code : codes) {
    const auto value = static_cast<std::uint32_t>(code);
    for (int byte = 0; byte < 4; ++byte) {
      record[static_cast<std::size_t>(offset++)] = static_cast<char>(value >> (8 * byte));
    }
  }
  return record;
}

std::string TenRecords() {
  std::string file;
  for (int i = 1; i <= 10; ++i) file += Record("FILE " + std::to_string(i), {i * 10});
  return file;
}

const RecordedMessage kOpenError{"An error occurred while opening the file.", "Error Opening File",
                                 MessageIcon::Stop};
const RecordedMessage kReadError{"An error occurred while reading the file.", "Error Reading File",
                                 MessageIcon::Stop};

// What the next modal editor showed, if one opened.
struct EditorSeen {
  bool opened = false;
  QString title;
  QString name;
};

// Answers the editor that the next user action opens, from inside its modal
// loop. When nothing opens, the check finds no modal window and does nothing.
void AnswerNextEditor(EditorSeen& seen, std::function<void(TAutoSelectEditor&)> answer) {
  QTimer::singleShot(0, [&seen, answer] {
    auto* editor = qobject_cast<TAutoSelectEditor*>(QApplication::activeModalWidget());
    if (editor == nullptr) return;
    seen.opened = true;
    seen.title = editor->windowTitle();
    seen.name = editor->txtName->text();
    answer(*editor);
  });
}

void Cancel(TAutoSelectEditor& editor) { QTest::mouseClick(editor.btnCancel, Qt::LeftButton); }

class AutoSelectMainTest : public ::testing::Test {
 protected:
  void SetUp() override { ChosenComPort = "/nonexistent/ttyKORA"; }

  std::unique_ptr<TAutoSelectMain> MakePage() {
    auto page = std::make_unique<TAutoSelectMain>(nullptr, &sink, nullptr, &picker);
    page->resize(540, 560);
    page->show();
    QCoreApplication::processEvents();
    return page;
  }

  QPoint CellCentre(TAutoSelectMain& page, int row, int col = 1) {
    return page.sgAutoSelect->visualRect(page.sgAutoSelect->model()->index(row - 1, col)).center();
  }

  // The names column, rows 1 ..
  static std::vector<QString> Names(TAutoSelectMain& page) {
    std::vector<QString> names;
    for (int row = 1; row < page.sgAutoSelect->RowCount(); ++row) {
      names.push_back(page.sgAutoSelect->Cells(1, row));
    }
    return names;
  }

  void WriteDefaultFile(const std::string& bytes) { TempDir::WriteAll(GetAutoSelectFilePath(), bytes); }

  ScopedConfigHome home;
  TempDir files;
  RecordingMessageSink sink;
  ScriptedFilePicker picker;
};

TEST_F(AutoSelectMainTest, TheFirstRunShowsTenNumberedRowsAndLeavingWritesTenEmptyRecords) {
  {
    auto page = MakePage();
    TesStringGrid& grid = *page->sgAutoSelect;
    EXPECT_EQ(grid.ColCount(), 2);
    ASSERT_EQ(grid.RowCount(), 11);
    EXPECT_EQ(grid.Cells(0, 0), "No.");
    EXPECT_EQ(grid.Cells(1, 0), "Auto Name");
    for (int row = 1; row <= 10; ++row) {
      EXPECT_EQ(grid.Cells(0, row), QString::number(row));
      EXPECT_EQ(grid.Cells(1, row), "");
    }
    EXPECT_EQ(grid.Row(), 1);
    EXPECT_TRUE(grid.isRowSelected(1));
    EXPECT_EQ(grid.getSelCount(), 1);
    EXPECT_EQ(grid.sortCol(), -1);
    EXPECT_EQ(page->tbOpen->toolTip(), "Open Auto Selection File");
    EXPECT_EQ(page->tbSave->toolTip(), "Save Auto Selections");
    EXPECT_EQ(page->tbEdit->toolTip(), "Edit Auto Selection");
    EXPECT_EQ(page->btnSetAuto->text(), "Set Auto Selections");
    const std::vector<QAbstractButton*> buttons = {page->tbOpen, page->tbSave, page->tbEdit,
                                                   page->btnSetAuto};
    for (QAbstractButton* button : buttons) {
      EXPECT_FALSE(button->icon().isNull()) << button->objectName().toStdString();
    }
    // Left to right: Open, Save, the separator, Edit; the button at the bottom right.
    EXPECT_LT(page->tbOpen->x(), page->tbSave->x());
    EXPECT_LT(page->tbSave->x(), page->ToolButton3->x());
    EXPECT_LT(page->ToolButton3->x(), page->tbEdit->x());
    EXPECT_EQ(page->Panel6->geometry().bottom(), page->height() - 1);
    EXPECT_GT(page->btnSetAuto->x(), page->Panel6->width() / 2);
    EXPECT_TRUE(sink.messages.empty());
  }
  EXPECT_EQ(TempDir::ReadAll(GetAutoSelectFilePath()), std::string(640, '\0'));
  const SettingsFile ini(GetSettingsFilePath());
  EXPECT_EQ(ini.ReadInteger("sgAutoSelect", "COL_SORTBY", 0), -1);
  EXPECT_GT(ini.ReadInteger("sgAutoSelect", "COL_0_WIDTH", 0), 0);
}

TEST_F(AutoSelectMainTest, AThreeRecordDefaultFileGivesThreeRowsAndABarOfNinety) {
  WriteDefaultFile(Record("ECG 80", {13}) + Record("APNEA", {}) + Record("\xE9T\xC9", {13, 232}) + "short");
  TempDir::WriteAll(GetSettingsFilePath(), "[sgAutoSelect]\nCOL_0_WIDTH=70\nCOL_SORTBY=1\n");
  auto page = MakePage();
  EXPECT_EQ(page->sgAutoSelect->RowCount(), 4);
  EXPECT_EQ(Names(*page), (std::vector<QString>{"ECG 80", "APNEA", QString::fromUtf8("\u00E9T\u00C9")}));
  EXPECT_EQ(page->sgAutoSelect->Cells(0, 3), "3");
  EXPECT_EQ(page->sgAutoSelect->ColWidths(0), 70);
  EXPECT_EQ(page->sgAutoSelect->sortCol(), -1);

  // The port does not exist: only its message, but the plan was for three slots.
  QTest::mouseClick(page->btnSetAuto, Qt::LeftButton);
  EXPECT_EQ(page->LastUpload().maximum, 90);
  EXPECT_FALSE(page->LastUpload().completed);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].caption, "COM Port Error");
  EXPECT_EQ(sink.messages[0].text.rfind("Unable to open PC COM Port!", 0), 0u);

  page.reset();
  EXPECT_EQ(TempDir::ReadAll(GetAutoSelectFilePath()).size(), 192u);
}

TEST_F(AutoSelectMainTest, CancelledDialogsChangeNothingAndOfferAslFiles) {
  WriteDefaultFile(TenRecords());
  const std::string target = files.File("kept.asl");
  TempDir::WriteAll(target, "old");
  auto page = MakePage();
  picker.Cancel();
  QTest::mouseClick(page->tbOpen, Qt::LeftButton);
  picker.Cancel();
  QTest::mouseClick(page->tbSave, Qt::LeftButton);

  ASSERT_EQ(picker.requests.size(), 2u);
  EXPECT_FALSE(picker.requests[0].save);
  EXPECT_TRUE(picker.requests[1].save);
  for (const ScriptedFilePicker::Request& request : picker.requests) {
    EXPECT_EQ(request.options.filter, "Auto Selection Files (*.asl);;All Files (*)");
    EXPECT_EQ(request.options.defaultSuffix, "asl");
  }
  EXPECT_TRUE(sink.messages.empty());
  EXPECT_EQ(Names(*page)[9], "FILE 10");
  EXPECT_EQ(TempDir::ReadAll(target), "old");
}

TEST_F(AutoSelectMainTest, AMissingOrShortFileIsReportedAndTheGridStaysAsItWas) {
  WriteDefaultFile(Record("ONE", {}) + Record("TWO", {}));
  TempDir::WriteAll(files.File("short.asl"), TenRecords().substr(0, 639));
  auto page = MakePage();
  picker.Choose(files.File("missing.asl"));
  QTest::mouseClick(page->tbOpen, Qt::LeftButton);
  picker.Choose(files.File("short.asl"));
  QTest::mouseClick(page->tbOpen, Qt::LeftButton);

  EXPECT_EQ(sink.messages, (std::vector<RecordedMessage>{kOpenError, kReadError}));
  EXPECT_EQ(Names(*page), (std::vector<QString>{"ONE", "TWO"}));
  EXPECT_EQ(page->AutoSelections().size(), 2u);
}

TEST_F(AutoSelectMainTest, OpeningATenRecordFileAfterAShortOneShowsTenSelectableRows) {
  WriteDefaultFile(Record("ONE", {}) + Record("TWO", {}) + Record("THREE", {}));
  TempDir::WriteAll(files.File("ten.asl"), TenRecords() + std::string(60, 'x'));
  auto page = MakePage();
  picker.Choose(files.File("ten.asl"));
  QTest::mouseClick(page->tbOpen, Qt::LeftButton);

  EXPECT_TRUE(sink.messages.empty());
  ASSERT_EQ(page->sgAutoSelect->RowCount(), 11);
  EXPECT_EQ(Names(*page)[0], "FILE 1");
  EXPECT_EQ(page->sgAutoSelect->Cells(0, 10), "10");
  EXPECT_EQ(Names(*page)[9], "FILE 10");
  EXPECT_EQ(page->AutoSelections()[6].KeyAt(0), 70);
  QTest::mouseClick(page->sgAutoSelect->viewport(), Qt::LeftButton, {}, CellCentre(*page, 9));
  EXPECT_EQ(page->sgAutoSelect->Row(), 9);
  EXPECT_TRUE(page->sgAutoSelect->isRowSelected(9));
  // The default file is written only when the page goes.
  EXPECT_EQ(TempDir::ReadAll(GetAutoSelectFilePath()).size(), 192u);
  page.reset();
  EXPECT_EQ(TempDir::ReadAll(GetAutoSelectFilePath()), TenRecords());
}

TEST_F(AutoSelectMainTest, SaveOverwritesTheChosenFileWithTheRecordsAndTouchesNothingElse) {
  WriteDefaultFile(Record("ECG 80", {13, 232}) + Record("", {}) + Record("LONGEST NAME 20 CHAR", {511, -1}));
  const std::string target = files.File("saved.asl");
  TempDir::WriteAll(target, std::string(1000, 'o'));
  auto page = MakePage();
  picker.Choose(target);
  QTest::mouseClick(page->tbSave, Qt::LeftButton);
  EXPECT_TRUE(sink.messages.empty());
  EXPECT_EQ(TempDir::ReadAll(target),
            Record("ECG 80", {13, 232}) + Record("", {}) + Record("LONGEST NAME 20 CHAR", {511, -1}));
  EXPECT_EQ(page->sgAutoSelect->RowCount(), 4);

  picker.Choose(files.File("no-such-folder/saved.asl"));
  QTest::mouseClick(page->tbSave, Qt::LeftButton);
  EXPECT_EQ(sink.messages, std::vector<RecordedMessage>{kOpenError});
}

TEST_F(AutoSelectMainTest, DoubleClicksOnTheHeaderOrBelowTheRowsOpenNothingButRowFourOpensAutoFour) {
  WriteDefaultFile(TenRecords());
  auto page = MakePage();
  TesStringGrid& grid = *page->sgAutoSelect;
  EditorSeen nothing;
  AnswerNextEditor(nothing, Cancel);
  QTest::mouseDClick(grid.horizontalHeader(), Qt::LeftButton, {},
                     QPoint(grid.horizontalHeader()->sectionPosition(1) + 5, 5));
  const QPoint belowLast = CellCentre(*page, 10) + QPoint(0, 3 * grid.DefaultRowHeight());
  ASSERT_LT(belowLast.y(), grid.viewport()->height());
  QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, belowLast);
  page->sgAutoSelectDblClick(0);
  page->sgAutoSelectDblClick(11);
  QCoreApplication::processEvents();
  EXPECT_FALSE(nothing.opened);

  EditorSeen seen;
  AnswerNextEditor(seen, Cancel);
  QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, CellCentre(*page, 4, 0));
  EXPECT_TRUE(seen.opened);
  EXPECT_EQ(seen.title, "Auto Editor - Auto No. 4");
  EXPECT_EQ(seen.name, "FILE 4");
  EXPECT_EQ(page->AutoSelections()[3].GetName(), "FILE 4");
}

TEST_F(AutoSelectMainTest, OkInTheEditorRenamesTheCurrentRowAndTheNameIsKept) {
  WriteDefaultFile(TenRecords());
  {
    auto page = MakePage();
    QTest::mouseClick(page->sgAutoSelect->viewport(), Qt::LeftButton, {}, CellCentre(*page, 6));
    ASSERT_EQ(page->sgAutoSelect->Row(), 6);
    EditorSeen seen;
    AnswerNextEditor(seen, [](TAutoSelectEditor& editor) {
      editor.txtName->selectAll();
      QTest::keyClicks(editor.txtName, "RESP 20");
      QTest::mouseClick(editor.btnOK, Qt::LeftButton);
    });
    QTest::mouseClick(page->tbEdit, Qt::LeftButton);
    ASSERT_TRUE(seen.opened);
    EXPECT_EQ(seen.title, "Auto Editor - Auto No. 6");
    EXPECT_EQ(page->sgAutoSelect->Cells(1, 6), "RESP 20");
    EXPECT_EQ(page->sgAutoSelect->Cells(1, 5), "FILE 5");
    EXPECT_EQ(page->AutoSelections()[5].GetName(), "RESP 20");
  }
  const std::string saved = TempDir::ReadAll(GetAutoSelectFilePath());
  ASSERT_EQ(saved.size(), 640u);
  EXPECT_EQ(saved.substr(5 * 64, 8), std::string("RESP 20\0", 8));
  EXPECT_EQ(saved.substr(4 * 64, 64), Record("FILE 5", {50}));
}

TEST_F(AutoSelectMainTest, AnEmptyListShowsOneBlankRowAndOpensNoEditor) {
  WriteDefaultFile(std::string(63, 'x'));
  auto page = MakePage();
  ASSERT_EQ(page->sgAutoSelect->RowCount(), 2);
  EXPECT_EQ(page->sgAutoSelect->Cells(0, 1), "");
  EditorSeen seen;
  AnswerNextEditor(seen, Cancel);
  QTest::mouseClick(page->tbEdit, Qt::LeftButton);
  QTest::mouseDClick(page->sgAutoSelect->viewport(), Qt::LeftButton, {}, CellCentre(*page, 1));
  QCoreApplication::processEvents();
  EXPECT_FALSE(seen.opened);
  EXPECT_TRUE(page->AutoSelections().empty());
}

TEST_F(AutoSelectMainTest, AForeignKeyCodeIsRefusedBeforeThePortIsOpened) {
  WriteDefaultFile(Record("GOOD", {13}) + Record("ODD CODES", {13, 1000}) + Record("ALSO", {-5}));
  auto page = MakePage();
  QTest::mouseClick(page->btnSetAuto, Qt::LeftButton);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].caption, "Auto Selections");
  EXPECT_EQ(sink.messages[0].icon, MessageIcon::Exclamation);
  EXPECT_NE(sink.messages[0].text.find("Auto selection 2 (\"ODD CODES\")"), std::string::npos)
      << sink.messages[0].text;
  EXPECT_NE(sink.messages[0].text.find("1000"), std::string::npos);
  // The refusal came before the port: the missing port's message never appeared.
  EXPECT_EQ(sink.messages[0].text.find("COM Port"), std::string::npos);
  EXPECT_EQ(page->sgAutoSelect->Row(), 2);
  EXPECT_EQ(page->LastUpload().maximum, 0);

  // Open and Save still carry the code as it is.
  picker.Choose(files.File("carried.asl"));
  QTest::mouseClick(page->tbSave, Qt::LeftButton);
  EXPECT_EQ(TempDir::ReadAll(files.File("carried.asl")).substr(64, 64), Record("ODD CODES", {13, 1000}));
}

}  // namespace
