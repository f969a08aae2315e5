// UploadRunner: the window side of an upload, shared by the power-on and the
// auto-selection pages. It runs the upload sequence (device/uploadsequence.h)
// on a worker thread behind the progress window, and brings the link's
// messages to the GUI thread.
#pragma once

#include <functional>
#include <memory>

#include "device/linksettings.h"
#include "device/serialport.h"
#include "device/uploadsequence.h"

class Clock;
class MessageSink;
class QWidget;

// Makes the serial port of one upload; empty means a TCommPort.
using PortFactory = std::function<std::unique_ptr<SerialPort>()>;

class UploadRunner {
 public:
  // owner: a widget of the main window; the progress window is centred over
  // its window. sink: where every message goes; null shows them as message
  // boxes over the progress window (or the main window before and after it).
  // clock: null makes real waits. Neither is owned.
  UploadRunner(QWidget* owner, MessageSink* sink = nullptr, Clock* clock = nullptr, PortFactory portFactory = {});

  // Runs the whole upload through settings' port and returns when it has
  // ended. GUI thread only.
  //  1. Opens the port; a failure is shown and ends the upload before any
  //     window appears.
  //  2. Shows the progress window (caption "KORApc Communications", the
  //     plan's text and maximum), application-modal: the main window cannot be
  //     touched and there is no cancel.
  //  3. On a worker thread: service mode, the plan's writes, and on success
  //     "X" and closing the port. Meanwhile the GUI thread runs its event
  //     loop, so every window keeps painting; each message is shown on the
  //     GUI thread over the progress window while the worker waits for the
  //     user to confirm it.
  //  4. Success: CloseProgress, the window is destroyed, and the power-cycle
  //     notice is shown with the plan's caption. Failure: the window is
  //     destroyed (after the message was confirmed) and the port closed; no
  //     "X", no notice.
  // Only one upload runs at a time in a main window: a call made while one
  // runs there (a second click that slipped in before the progress window
  // was modal, or the other page's button) returns at once with an empty
  // result, sending and showing nothing.
  UploadResult Run(const UploadPlan& plan, const LinkSettings& settings);

 private:
  QWidget* owner_;
  MessageSink* sink_;
  Clock* clock_;
  PortFactory portFactory_;
};
