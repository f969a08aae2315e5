// Turns SIGTERM, SIGINT and SIGHUP (a desktop logout, kill, Ctrl+C in the
// terminal) into the same orderly close as the window's close box, so that the
// window settings, grid layouts, poweron.dat and autoselect.asl are saved.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

class QSocketNotifier;

class TerminationWatcher : public QObject {
  Q_OBJECT

 public:
  // Installs the signal handlers for the lifetime of the object. mainWindow is
  // the window to close; not owned. Only one watcher may exist at a time.
  explicit TerminationWatcher(QWidget* mainWindow, QObject* parent = nullptr);
  ~TerminationWatcher() override;

  // What a termination signal triggers; public so that tests can drive it.
  // An upload in progress is never cut short: while its progress window is on
  // screen the close waits for it. A message box or dialog that is open is
  // dismissed as if the user had pressed Esc, then the main window is closed.
  void RequestClose();

 private:
  void Tick();

  QPointer<QWidget> mainWindow_;
  QSocketNotifier* notifier_ = nullptr;
  bool closing_ = false;
};
