// WindowServices: the services of the window program, built by the main
// window over itself - message boxes and file dialogs over the main window
// (a box over the progress window or an editor while one is up), real waits,
// and a TCommPort for each upload.
#pragma once

#include "common/systemclock.h"
#include "device/commportfactory.h"
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

 private:
  QtMessageSink boxes_;
  SystemClock clock_;
  QtFilePicker dialogs_;
  CommPortFactory ports_;
  Services services_{boxes_, clock_, dialogs_, ports_};
};
