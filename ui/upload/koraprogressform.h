// TKORAProgress: the small window shown while the instrument is programmed,
// with a line of text and a progress bar. No way to close or cancel it.
#pragma once

#include <QWidget>
#include <string>

#include "device/progresssink.h"

class QLabel;
class QProgressBar;

class TKORAProgress : public QWidget, public ProgressSink {
  Q_OBJECT

 public:
  // owner: the window it is centred over when shown and kept above (usually
  // the main window); may be null. maximum: the number of steps of the whole
  // upload. text: what is being sent, Windows-1252. The window is not shown.
  TKORAProgress(QWidget* owner, int maximum, const std::string& text);

  // Advances the bar by one step (never past its maximum) and repaints it.
  // GUI thread only.
  void StepProgress() override;

  // Hides the window at the end of a successful upload.
  void CloseProgress();

  // Steps done so far.
  int Position() const;

  QLabel* labelProgress = nullptr;
  QProgressBar* pbComm = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;
  // The user cannot close the window (Alt+F4, the window manager); only
  // CloseProgress hides it.
  void closeEvent(QCloseEvent* event) override;
};
