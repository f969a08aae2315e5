// WindowServices: the services of the window program, built by the main
// window over itself - message boxes and file dialogs over the main window
// (a box over the progress window or an editor while one is up), real waits,
// a TCommPort for each upload, and the programming record in history.sqlite
// in the state folder.
#pragma once

#include "common/systemclock.h"
#include "device/commportfactory.h"
#include "history/deferredhistorystore.h"
#include "services/services.h"
#include "ui/qtfilepicker.h"
#include "ui/qtmessagesink.h"

class WindowServices {
 public:
  // window: the main window; not owned, and only kept, so it may be one that
  // is still being built.
  explicit WindowServices(QWidget* window) : boxes_(window), dialogs_(window) {}
  WindowServices(const WindowServices&) = delete;
  WindowServices& operator=(const WindowServices&) = delete;

  Services& Get() { return services_; }

  // Opens the programming record; a store that cannot be kept says so once,
  // in a box over the window. Called on the GUI thread right after the
  // window's first paint; an upload or the History tab before that opens it
  // at its first use.
  void OpenHistory() { history_.Open(); }

 private:
  QtMessageSink boxes_;
  SystemClock clock_;
  QtFilePicker dialogs_;
  CommPortFactory ports_;
  DeferredHistoryStore history_{GetHistoryFilePath(), boxes_};
  Services services_{boxes_, clock_, dialogs_, ports_, history_};
};
