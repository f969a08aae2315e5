#include "support/recordingmessagesink.h"

void RecordingMessageSink::ShowMessage(const std::string& text, const std::string& caption,
                                       MessageIcon icon) {
  messages.push_back({text, caption, icon});
}
