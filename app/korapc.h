// The main window: four tabs, "Power On", "Auto Selections", "Settings" and
// "History".
#pragma once

#include <QWidget>
#include <future>
#include <memory>
#include <vector>

#include "app/portwatcher.h"
#include "app/windowservices.h"
#include "machine/portlist.h"
#include "ui/qtmessagesink.h"
#include "ui/qtquestion.h"
#include "ui/upload/uploadrunner.h"

class QComboBox;
class QFrame;
class QLabel;
class QTabWidget;
class HistoryStore;
class TAutoSelectMain;
class THistoryPage;
class TPOMain;

class TKORAPCForm : public QWidget {
  Q_OBJECT

 public:
  // Builds the port list, sets the caption ("Quorvel KORApc"), restores the
  // window settings from korapc.ini, publishes the chosen port in
  // ChosenComPort and sets ServiceCode. lister gives every list of ports; when
  // it is empty the ports present are listed, the first time on a worker
  // thread while the pages are built, and the list follows the machine
  // through a PortWatcher of its own; unless the Settings page is the one
  // shown, that first list is waited for, shown and published only right
  // after the window's first paint. watcher, when given, is what makes the
  // list be scanned again (taken over). The window builds the program's
  // services (WindowServices) over itself and hands them to the pages, the
  // editors and its one upload runner.
  explicit TKORAPCForm(QWidget* parent = nullptr, PortLister lister = {},
                       std::unique_ptr<PortWatcher> watcher = {});
  // The same with services given instead, as tests give recorders, a fake
  // clock and scripted ports; not owned, must outlive the window.
  TKORAPCForm(Services& services, QWidget* parent = nullptr, PortLister lister = {},
              std::unique_ptr<PortWatcher> watcher = {});

  // Saves the window settings to korapc.ini; the pages then save their own
  // state as they are destroyed, before the services and the runner go.
  ~TKORAPCForm() override;

  // Publishes the selected port in ChosenComPort: its stable name
  // (/dev/serial/by-id/...) where it has one, else its text; does nothing
  // when no entry is selected.
  void cbComPortChange();

  // Lists the ports again and redraws cbComPort. The chosen entry stays
  // chosen, and stays shown (tooltip "Not present") when it has gone, until
  // the user picks another; when nothing was chosen the saved COMPORT or else
  // the first entry is chosen and published. While an upload runs (its
  // TKORAProgress window exists) nothing is scanned: the refresh waits until
  // that window is gone.
  void RefreshPortList();

  // The one upload runner of the program; both pages upload through it, so
  // that only one upload runs at a time.
  UploadRunner& Uploads() { return uploads_; }

  // The programming record of this window's uploads (history.sqlite in the
  // state folder), opened as the window is built; never null. A store that
  // cannot be kept has said so once, over this window.
  HistoryStore& History();

  QTabWidget* PageControl = nullptr;
  QWidget* TabSheet3 = nullptr;                // page 0, "Power On"
  TPOMain* POMain1 = nullptr;                  // the power-on page, filling TabSheet3
  QWidget* TabSheet1 = nullptr;                // page 1, "Auto Selections"
  TAutoSelectMain* AutoSelectMain1 = nullptr;  // the auto-selection page, filling TabSheet1
  QWidget* TabSheet2 = nullptr;                // page 2, "Settings"
  QLabel* Label3 = nullptr;
  QLabel* Label2 = nullptr;
  QComboBox* cbComPort = nullptr;
  QFrame* Bevel1 = nullptr;
  QWidget* TabSheet4 = nullptr;          // page 3, "History"
  THistoryPage* HistoryPage1 = nullptr;  // the recorded uploads, filling TabSheet4

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  // After the first paint, the first list of ports (see the constructor).
  void paintEvent(QPaintEvent* event) override;

 private:
  // Builds the window's own services and keeps them (delegated to by the
  // first public constructor).
  TKORAPCForm(std::unique_ptr<WindowServices> own, QWidget* parent, PortLister lister,
              std::unique_ptr<PortWatcher> watcher);

  void BuildSettingsPage();
  void FillPortList(const std::vector<PortEntry>& ports);
  // Waits for the first scan, when one is pending, fills cbComPort from it
  // and selects the saved port without publishing it.
  void JoinFirstScan();
  // The entry at index of cbComPort as it was listed (without its
  // description); an empty entry for an index outside the list.
  PortEntry PortAt(int index) const;
  void FitPortListWidth();
  void SelectSavedPort();
  void DropMissingPorts();
  void LoadWindowSettings();
  void SaveWindowSettings();
  int Scaled(int designPixels) const;

  // The program's own services, when none were given. The destructor
  // deletes the pages first, so that these outlive everything that uses them.
  std::unique_ptr<WindowServices> ownServices_;
  Services& services_;
  QtQuestion question_{this};  // the History tab's yes/no question, over this window
  UploadRunner uploads_;
  double scale_ = 1.0;  // the font's height against the 8-point Tahoma the layout was drawn for
  PortLister lister_;
  QString savedPort_;  // COMPORT as read at start
  std::unique_ptr<PortWatcher> watcher_;
  bool refreshWaitsForUpload_ = false;
  std::future<std::vector<PortEntry>> firstScan_;  // the scan of the ports present, until joined
  bool joinPosted_ = false;
  bool historyOpenPosted_ = false;
};
