// A FilePicker for tests: answers each dialog from a queue (a path, or
// nothing for Cancel) and records what each dialog offered.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "common/filepicker.h"

class ScriptedFilePicker : public FilePicker {
 public:
  // Each takes the next answer; with none left the dialog counts as cancelled.
  std::optional<std::string> PickOpenFile(const FileDialogOptions& options) override;
  std::optional<std::string> PickSaveFile(const FileDialogOptions& options) override;

  std::deque<std::optional<std::string>> answers;
  std::vector<FileDialogOptions> offered;  // one per dialog, in order
  std::vector<bool> saveDialogs;           // true for a save dialog, false for an open dialog

 private:
  std::optional<std::string> Next(bool save, const FileDialogOptions& options);
};
