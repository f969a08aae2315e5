// A MessageSink that records every message instead of showing it.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "common/messagesink.h"

struct RecordedMessage {
  std::string text;
  std::string caption;
  MessageIcon icon;
  bool operator==(const RecordedMessage&) const = default;
};

// Lets test failures show the message as text.
void PrintTo(const RecordedMessage& message, std::ostream* out);

class RecordingMessageSink : public MessageSink {
 public:
  void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) override;

  std::vector<RecordedMessage> messages;
};
