// HistoryMessages: korapc-program's messages of the programming record, each
// on its own line of standard error ("korapc-program: caption: text"),
// through the live progress lines while they are drawn.
#pragma once

#include <mutex>
#include <ostream>

#include "common/messagesink.h"

class ProgressConsole;

// Safe to call from several threads at once.
class HistoryMessages : public MessageSink {
 public:
  // err: standard error; not owned, must outlive the object.
  explicit HistoryMessages(std::ostream& err) : err_(err) {}

  void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) override;

  // The progress lines the messages go through from now on; null: straight
  // to err again. Not owned; must outlive its use here.
  void SetConsole(ProgressConsole* console);

 private:
  std::ostream& err_;
  std::mutex mutex_;
  ProgressConsole* console_ = nullptr;
};
