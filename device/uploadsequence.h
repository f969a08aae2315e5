// UploadSequence: the one road of an upload over the instrument link, shared
// by the window program and korapc-program so that both send the same bytes
// with the same waits. It shows no window; the link's messages go through
// its MessageSink.
#pragma once

#include <functional>
#include <string>

#include "device/linkfigures.h"
#include "history/uploadrecord.h"

class ProgressSink;
class TKORAComm;
class UploadRecorder;

// What one upload sends and how it is announced.
struct UploadPlan {
  std::string progressText;   // e.g. "Sending Power On Values..." (Windows-1252)
  int progressMaximum = 0;    // steps of the whole upload, e.g. 20
  std::string noticeCaption;  // caption of the power-cycle notice, e.g. "Power On Settings"
  // Writes the data once the instrument is in service mode. Returns 0 when
  // every write was accepted, -1 at the first failure (already shown by the
  // link). Steps progress after each accepted write that the link does not
  // step itself (WriteText steps by itself). May run on a worker thread, so it
  // must own copies of what it sends and touch no window.
  std::function<int(TKORAComm& link, ProgressSink& progress)> writeData;
  // What the programming record keeps of the data: what, the data, the
  // source file and the SHA-256. The rest is filled in when the record begins.
  UploadStart record;
};

struct UploadResult {
  bool completed = false;  // every write was accepted and "X" was sent
  int stepsDone = 0;       // steps done when the upload ended, at most maximum
  int maximum = 0;         // the plan's progressMaximum
  LinkFigures link;        // how the line behaved, for the programming record
};

// One upload, in three stages so that a caller can show a progress window
// between them:
//   OpenPort   the port opens, or the upload ends with the link's message;
//   Program    "M" "S" and the service code, the plan's writes, and after the
//              last accepted write "X" and closing the port; at the first
//              failure nothing more is sent, not even "X";
//   Finish     the port is closed on every path, and a completed upload ends
//              with "Switch KORA-1 power OFF, ..." under the plan's caption.
// Call them in this order, each at most once; Program only after OpenPort
// returned 0. They may run on different threads, one at a time.
class UploadSequence {
 public:
  // link: opened, driven and closed here; not owned, must outlive the
  // sequence. plan: copied. recorder: the programming record of this upload
  // (device/uploadrecorder.h), begun at OpenPort before the port opens and
  // completed at the end of Finish; null records nothing. Not owned, must
  // outlive the sequence.
  UploadSequence(TKORAComm& link, UploadPlan plan, UploadRecorder* recorder = nullptr);

  // 0 when the port is open; -1 after "Unable to open PC COM Port!" was shown.
  [[nodiscard]] int OpenPort();

  // Service mode, the writes and the end of service mode. Each step goes to
  // progress and is counted. 0 when every write was accepted; -1 after the
  // failure was shown.
  [[nodiscard]] int Program(ProgressSink& progress);

  // Closes the port and, when Program returned 0, shows the power-cycle
  // notice; then completes the record.
  void Finish();

  // How the upload has gone so far; final once Finish has returned.
  UploadResult Result() const;

  // All three stages in a row, for a caller that shows nothing between them.
  UploadResult Run(ProgressSink& progress);

 private:
  TKORAComm& link_;
  UploadPlan plan_;
  UploadRecorder* recorder_;
  int steps_ = 0;
  bool completed_ = false;
};
