#include "cli/programservices.h"

#include "cli/progressconsole.h"

void ProgramServices::ShowMessage(const std::string& text, const std::string& caption,
                                  MessageIcon) {
  ProgressConsole(err_, {}, false).Message("korapc-program", caption, text);
}

std::optional<std::string> ProgramServices::PickOpenFile(const FileDialogOptions&) {
  return std::nullopt;
}

std::optional<std::string> ProgramServices::PickSaveFile(const FileDialogOptions&) {
  return std::nullopt;
}
