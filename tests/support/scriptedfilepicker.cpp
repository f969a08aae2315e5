#include "support/scriptedfilepicker.h"

std::optional<std::string> ScriptedFilePicker::PickOpenFile(const FileDialogOptions& options) {
  return Next(false, options);
}

std::optional<std::string> ScriptedFilePicker::PickSaveFile(const FileDialogOptions& options) {
  return Next(true, options);
}

std::optional<std::string> ScriptedFilePicker::Next(bool save, const FileDialogOptions& options) {
  offered.push_back(options);
  saveDialogs.push_back(save);
  if (answers.empty()) return std::nullopt;
  std::optional<std::string> answer = answers.front();
  answers.pop_front();
  return answer;
}
