// UploadRunner: the one road of an upload, shared by the power-on and the
// auto-selection pages. Keeps the windows alive while the instrument is
// programmed.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "device/linksettings.h"
#include "device/serialport.h"

class Clock;
class MessageSink;
class ProgressSink;
class QWidget;
class TKORAComm;

struct UploadPlan {
  LinkSettings link;          // the port, command delay and service code to use
  std::string progressText;   // e.g. "Sending Power On Values..." (Windows-1252)
  int progressMaximum = 0;    // e.g. 20
  std::string noticeCaption;  // e.g. "Power On Settings"
  // Runs on a worker thread once the instrument is in service mode; must not
  // touch any widget. Returns 0 when every write succeeded, -1 at the first
  // failure (already shown by the link). Steps progress after each accepted
  // write that the link does not step itself (WriteText steps by itself).
  std::function<int(TKORAComm& link, ProgressSink& progress)> writeData;
};

struct UploadResult {
  bool completed = false;  // every write was accepted and "X" was sent
  int stepsDone = 0;       // the progress bar's position when the upload ended
  int maximum = 0;         // the plan's progressMaximum
};

// Makes the serial port of one upload; empty means a TCommPort.
using PortFactory = std::function<std::unique_ptr<SerialPort>()>;

class UploadRunner {
 public:
  // owner: a widget of the main window; the progress window is centred over
  // its window. sink: where every message goes; null shows them as message
  // boxes over the progress window (or the main window before and after it).
  // clock: null makes real waits. Neither is owned.
  UploadRunner(QWidget* owner, MessageSink* sink = nullptr, Clock* clock = nullptr,
               PortFactory portFactory = {});

  // Runs the whole upload and returns when it has ended. GUI thread only.
  //  1. Builds the link from plan.link and opens the port; a failure
  //     is shown and ends the upload before any window appears.
  //  2. Shows the progress window (caption "KORApc Communications", text,
  //     maximum), application-modal: the main window cannot be touched and
  //     there is no cancel.
  //  3. On a worker thread: EnterServiceMode, plan.writeData, and on success
  //     ExitServiceMode and ClosePort. Meanwhile the GUI thread runs its event
  //     loop, so every window keeps painting; each message is shown on the
  //     GUI thread over the progress window while the worker waits for the
  //     user to confirm it.
  //  4. Success: CloseProgress, the window is destroyed, and the power-cycle
  //     notice is shown with plan.noticeCaption. Failure: the window is
  //     destroyed (after the message was confirmed) and the port closed; no
  //     "X", no notice.
  UploadResult Run(const UploadPlan& plan);

 private:
  QWidget* owner_;
  MessageSink* sink_;
  Clock* clock_;
  PortFactory portFactory_;
};
