#include "support/recordingmessagesink.h"

void RecordingMessageSink::ShowMessage(const std::string& text, const std::string& caption,
                                       MessageIcon icon) {
  messages.push_back({text, caption, icon});
}

void PrintTo(const RecordedMessage& message, std::ostream* out) {
  *out << "{\"" << message.text << "\", \"" << message.caption << "\", icon "
       << static_cast<int>(message.icon) << "}";
}
