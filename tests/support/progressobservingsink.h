// A recording MessageSink for upload tests that also notes, for each message,
// what the progress window showed at that moment.
#pragma once

#include <vector>

#include "support/recordingmessagesink.h"

class TKORAProgress;

// The progress window on screen or hidden, or null when there is none.
TKORAProgress* FindProgressWindow();

class ProgressObservingSink : public RecordingMessageSink {
 public:
  void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) override;

  std::vector<bool> onGuiThread;      // the message came on the GUI thread
  std::vector<bool> progressShown;    // a progress window was visible
  std::vector<int> progressPosition;  // its bar's position, -1 when none was visible
};
