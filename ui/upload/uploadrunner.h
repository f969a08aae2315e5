// UploadRunner: the window side of an upload, shared by the power-on and the
// auto-selection pages. It runs the upload sequence (device/uploadsequence.h)
// on a worker thread behind the progress window, and brings the link's
// messages to the GUI thread. The main window owns the one runner of the
// program, so that only one upload runs at a time.
#pragma once

#include <functional>

#include "device/linksettings.h"
#include "device/uploadsequence.h"

class QWidget;
struct Services;

class UploadRunner {
 public:
  // window: the main window; the progress window is centred over it.
  // services: the messages, the waits, the port and the record
  // (device/uploadrecorder.h) of every upload.
  // linkSettings: the port, "DELAY" and service code, called on the GUI
  // thread as each upload starts (the user may pick another port at any
  // time); must not be empty. window and services are not owned and must
  // outlive the runner.
  UploadRunner(QWidget& window, Services& services, std::function<LinkSettings()> linkSettings);

  // Runs the whole upload and returns when it has ended. GUI thread only.
  //  1. Opens the port; a failure is shown and ends the upload before any
  //     window appears.
  //  2. Shows the progress window (caption "KORApc Communications", the
  //     plan's text and maximum), application-modal: the main window cannot be
  //     touched and there is no cancel.
  //  3. On a worker thread: service mode, the plan's writes, and on success
  //     "X" and closing the port. Meanwhile the GUI thread runs its event
  //     loop, so every window keeps painting; each message is shown on the
  //     GUI thread (over the progress window) while the worker waits for the
  //     user to confirm it.
  //  4. Success: CloseProgress, the window is destroyed, and the power-cycle
  //     notice is shown with the plan's caption. Failure: the window is
  //     destroyed (after the message was confirmed) and the port closed; no
  //     "X", no notice.
  // One upload at a time: a call made while one runs (a second click that
  // slipped in before the progress window was modal, or the other page's
  // button) returns at once with an empty result, sending and showing
  // nothing.
  UploadResult Run(const UploadPlan& plan);

 private:
  QWidget& window_;
  Services& services_;
  std::function<LinkSettings()> linkSettings_;
  bool running_ = false;
};
