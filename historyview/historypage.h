// The "History" tab: every recorded upload, newest first; the one selected
// shown in the pages' words with its link figures; and four buttons - "Save
// Report…" (a one-page PDF), "Save Trace…" (the wire trace as text),
// "Restore to Page" (its values into the Power On or Auto Selections page,
// after asking; nothing is uploaded) and "Compare with Page" (what differs
// between it and the page as it is now).
#pragma once

#include <QWidget>
#include <optional>

#include "history/historystore.h"

class HistoryModel;
class QPlainTextEdit;
class QPushButton;
class QTableView;
class Question;
struct Services;
class TAutoSelectMain;
class TPOMain;

class THistoryPage : public QWidget {
  Q_OBJECT

 public:
  // services: the record listed (history), its messages and its save
  // dialogs. question: asks before a restore. powerOnPage, autoSelectPage:
  // where power-on and auto-selection records are restored and compared.
  // Nothing is owned; each must outlive the tab.
  THistoryPage(Services& services, Question& question, TPOMain& powerOnPage,
               TAutoSelectMain& autoSelectPage, QWidget* parent = nullptr);
  ~THistoryPage() override;

  // Reads the list again from the store, newest first, keeping the selected
  // record selected where it is still listed. Done each time the tab is shown.
  void Reload();

  // The record of the selected line, read anew from the store; none when no
  // line is selected.
  std::optional<UploadRecord> SelectedRecord() const;

  // The four buttons' actions on the selected record; nothing without one.
  // Messages and dialogs go to the services, the yes/no to the question.
  void btnSaveReportClick();
  void btnSaveTraceClick();
  void btnRestoreClick();
  void btnCompareClick();

  QTableView* sgHistory = nullptr;
  QPlainTextEdit* txtDetails = nullptr;  // the selected record in words
  QPushButton* btnSaveReport = nullptr;
  QPushButton* btnSaveTrace = nullptr;
  QPushButton* btnRestore = nullptr;
  QPushButton* btnCompare = nullptr;

 signals:
  // A record's values were put into page (the Power On or the Auto
  // Selections page), so that the window can bring it forward.
  void Restored(QWidget* page);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void SelectionChanged();
  void Show(const std::string& text, const std::string& caption, bool failure);
  QWidget* PageOf(const UploadRecord& record) const;
  std::vector<std::string> Differences(const UploadRecord& record) const;

  Services& services_;
  Question& question_;
  TPOMain& powerOnPage_;
  TAutoSelectMain& autoSelectPage_;
  HistoryModel* model_ = nullptr;
};
