#include "historyview/historypage.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>
#include <cerrno>
#include <cstring>

#include "autoselect/autoselectframe.h"
#include "common/cp1252.h"
#include "common/filepicker.h"
#include "common/messagesink.h"
#include "common/question.h"
#include "common/replacefile.h"
#include "history/historystore.h"
#include "history/tracetext.h"
#include "historyview/historymodel.h"
#include "historyview/recordwords.h"
#include "historyview/uploadreport.h"
#include "poweron/poframe.h"
#include "services/services.h"

namespace {

const FileDialogOptions kReportDialog{"PDF Files (*.pdf);;All Files (*)", "pdf"};
const FileDialogOptions kTraceDialog{"Text Files (*.txt);;All Files (*)", "txt"};

QString U(const std::string& utf8) { return QString::fromStdString(utf8); }

// The record's words (UTF-8) as the Windows-1252 text a message takes; a
// character the code page lacks (only a system-given name can hold one)
// becomes "?".
std::string Ansi(const std::string& utf8) {
  if (std::optional<std::string> ansi = Utf8ToCp1252(utf8)) return *ansi;
  std::string text;
  for (const QChar c : U(utf8)) {
    const std::optional<unsigned char> byte = UnicodeToCp1252(c.unicode());
    text += byte ? static_cast<char>(*byte) : '?';
  }
  return text;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

std::string PageName(UploadWhat what) {
  return what == UploadWhat::PowerOn ? "Power On" : "Auto Selections";
}

}  // namespace

THistoryPage::THistoryPage(Services& services, Question& question, TPOMain& powerOnPage,
                           TAutoSelectMain& autoSelectPage, QWidget* parent)
    : QWidget(parent),
      services_(services),
      question_(question),
      powerOnPage_(powerOnPage),
      autoSelectPage_(autoSelectPage) {
  setObjectName("HistoryPage");
  model_ = new HistoryModel(services_.history, this);

  sgHistory = new QTableView(this);
  sgHistory->setObjectName("sgHistory");
  sgHistory->setModel(model_);
  sgHistory->setSelectionBehavior(QAbstractItemView::SelectRows);
  sgHistory->setSelectionMode(QAbstractItemView::SingleSelection);
  sgHistory->setEditTriggers(QAbstractItemView::NoEditTriggers);
  sgHistory->setWordWrap(false);
  sgHistory->verticalHeader()->hide();
  // Fixed row heights: the view never measures the rows it does not show.
  sgHistory->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  sgHistory->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
  // The instrument takes the width the others leave; they are as wide as their
  // longest text, measured once rather than row by row.
  QHeaderView* header = sgHistory->horizontalHeader();
  header->setSectionResizeMode(QHeaderView::Interactive);
  header->setSectionResizeMode(HistoryModel::Instrument, QHeaderView::Stretch);
  const int padding = fontMetrics().horizontalAdvance("0000");
  sgHistory->setColumnWidth(HistoryModel::DateTime,
                            fontMetrics().horizontalAdvance("2026-12-09 15:41:58 UTC") + padding);
  sgHistory->setColumnWidth(HistoryModel::Programmed,
                            fontMetrics().horizontalAdvance("Auto selections") + padding);
  sgHistory->setColumnWidth(HistoryModel::Result,
                            fontMetrics().horizontalAdvance("interrupted") + padding);

  txtDetails = new QPlainTextEdit(this);
  txtDetails->setObjectName("txtDetails");
  txtDetails->setReadOnly(true);
  txtDetails->setLineWrapMode(QPlainTextEdit::NoWrap);

  auto* splitter = new QSplitter(Qt::Vertical, this);
  splitter->addWidget(sgHistory);
  splitter->addWidget(txtDetails);
  splitter->setStretchFactor(0, 1);
  splitter->setStretchFactor(1, 1);

  auto* buttons = new QHBoxLayout;
  const auto button = [&](const char* name, const QString& caption) {
    auto* b = new QPushButton(caption, this);
    b->setObjectName(name);
    b->setEnabled(false);
    buttons->addWidget(b);
    return b;
  };
  btnSaveReport = button("btnSaveReport", QString::fromUtf8("Save Report…"));
  btnSaveTrace = button("btnSaveTrace", QString::fromUtf8("Save Trace…"));
  btnRestore = button("btnRestore", "Restore to Page");
  btnCompare = button("btnCompare", "Compare with Page");
  buttons->addStretch(1);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(splitter, 1);
  layout->addLayout(buttons);

  connect(sgHistory->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &THistoryPage::SelectionChanged);
  connect(model_, &QAbstractItemModel::modelReset, this, &THistoryPage::SelectionChanged);
  connect(btnSaveReport, &QPushButton::clicked, this, &THistoryPage::btnSaveReportClick);
  connect(btnSaveTrace, &QPushButton::clicked, this, &THistoryPage::btnSaveTraceClick);
  connect(btnRestore, &QPushButton::clicked, this, &THistoryPage::btnRestoreClick);
  connect(btnCompare, &QPushButton::clicked, this, &THistoryPage::btnCompareClick);
}

THistoryPage::~THistoryPage() = default;

void THistoryPage::showEvent(QShowEvent* event) {
  // Uploads made since the tab was last shown are listed.
  Reload();
  QWidget::showEvent(event);
}

void THistoryPage::Reload() {
  const std::optional<UploadRecord> selected = SelectedRecord();
  model_->Reload();
  if (!selected) return;
  const int row = model_->RowOf(selected->id);
  if (row >= 0) sgHistory->selectRow(row);
}

std::optional<UploadRecord> THistoryPage::SelectedRecord() const {
  const QModelIndexList rows = sgHistory->selectionModel()->selectedRows();
  if (rows.isEmpty()) return std::nullopt;
  // Read anew: a record that was running when listed may have ended since.
  return services_.history.Get(model_->RecordAt(rows.front().row()).id);
}

void THistoryPage::SelectionChanged() {
  const std::optional<UploadRecord> record = SelectedRecord();
  btnSaveReport->setEnabled(record.has_value());
  btnSaveTrace->setEnabled(record && record->traceKept);
  btnRestore->setEnabled(record.has_value());
  btnCompare->setEnabled(record.has_value());
  if (!record) {
    txtDetails->clear();
    return;
  }
  QString text;
  for (const RecordField& field : RecordSummary(*record)) {
    text += U(field.label) + ": " + U(field.value) + "\n";
  }
  text += "\n" + U(RecordWhatText(record->start.what)) + " sent:\n";
  for (const std::string& line : RecordDataLines(record->start)) text += "  " + U(line) + "\n";
  txtDetails->setPlainText(text);
}

QWidget* THistoryPage::PageOf(const UploadRecord& record) const {
  if (record.start.what == UploadWhat::PowerOn) return &powerOnPage_;
  return &autoSelectPage_;
}

std::vector<std::string> THistoryPage::Differences(const UploadRecord& record) const {
  if (record.start.what == UploadWhat::PowerOn) {
    return PowerOnDifferences(record.start, powerOnPage_.Values());
  }
  return AutoSelectionDifferences(record.start, autoSelectPage_.AutoSelections());
}

void THistoryPage::Show(const std::string& text, const std::string& caption, bool failure) {
  services_.messages.ShowMessage(Ansi(text), caption,
                                 failure ? MessageIcon::Stop : MessageIcon::Information);
}

void THistoryPage::btnSaveReportClick() {
  const std::optional<UploadRecord> record = SelectedRecord();
  if (!record) return;
  const std::optional<std::string> path = services_.files.PickSaveFile(kReportDialog);
  if (!path) return;
  std::string error;
  if (!WriteUploadReport(*record, *path, SystemReportPaper(), error)) {
    Show("The report could not be written: " + error + ".", "Save Report", true);
  }
}

void THistoryPage::btnSaveTraceClick() {
  const std::optional<UploadRecord> record = SelectedRecord();
  if (!record) return;
  const std::optional<std::string> path = services_.files.PickSaveFile(kTraceDialog);
  if (!path) return;
  // What support needs to read the bytes: which upload, how it ended.
  std::string text;
  for (const RecordField& field : RecordSummary(*record)) {
    text += field.label + ": " + field.value + "\n";
  }
  text += "\n" + TraceText(services_.history.Trace(record->id));
  if (!ReplaceFileContents(*path, text)) {
    Show(std::string("The trace could not be written: ") + std::strerror(errno) + ".", "Save Trace",
         true);
  }
}

void THistoryPage::btnRestoreClick() {
  const std::optional<UploadRecord> record = SelectedRecord();
  if (!record) return;
  const std::string page = PageName(record->start.what);
  if (Differences(*record).empty()) {
    Show("The " + page + " page already holds the values of this upload.", "Restore to Page",
         false);
    return;
  }
  const std::string text = "Replace the values on the " + page +
                           " page with those of this upload?\n\n"
                           "Nothing is sent to the instrument until you program it.";
  if (!question_.AskYesNo(text, "Restore to Page")) return;
  if (record->start.what == UploadWhat::PowerOn) {
    powerOnPage_.SetValues(RecordedPowerOn(record->start));
  } else {
    autoSelectPage_.SetAutoSelections(RecordedAutoSelections(record->start));
  }
  emit Restored(PageOf(*record));
}

void THistoryPage::btnCompareClick() {
  const std::optional<UploadRecord> record = SelectedRecord();
  if (!record) return;
  const std::string page = PageName(record->start.what);
  const std::vector<std::string> differences = Differences(*record);
  if (differences.empty()) {
    Show("The " + page + " page holds the values of this upload.", "Compare with Page", false);
    return;
  }
  Show("The " + page + " page differs from this upload:\n\n" + Joined(differences),
       "Compare with Page", false);
}
