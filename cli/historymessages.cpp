#include "cli/historymessages.h"

#include "cli/progressconsole.h"

namespace {

constexpr const char* kProgram = "korapc-program";

}  // namespace

void HistoryMessages::ShowMessage(const std::string& text, const std::string& caption,
                                  MessageIcon) {
  const std::lock_guard lock(mutex_);
  if (console_) {
    console_->Note(std::string(kProgram) + ": " + caption + ": " + text);
  } else {
    err_ << kProgram << ": " << caption << ": " << text << "\n";
  }
}

void HistoryMessages::SetConsole(ProgressConsole* console) {
  const std::lock_guard lock(mutex_);
  console_ = console;
}
