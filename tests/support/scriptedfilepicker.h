// A FilePicker for tests: answers each dialog from a queue and records what
// each dialog was asked to offer.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "autoselect/filepicker.h"

class ScriptedFilePicker : public FilePicker {
 public:
  struct Request {
    bool save = false;  // a save dialog; otherwise an open dialog
    FileDialogOptions options;
  };

  // The next dialog returns path.
  void Choose(const std::string& path) { answers.emplace_back(path); }
  // The next dialog is cancelled.
  void Cancel() { answers.emplace_back(std::nullopt); }

  // Each takes the next answer; with none left the dialog counts as cancelled.
  std::optional<std::string> PickOpenFile(const FileDialogOptions& options) override;
  std::optional<std::string> PickSaveFile(const FileDialogOptions& options) override;

  std::deque<std::optional<std::string>> answers;
  std::vector<Request> requests;

 private:
  std::optional<std::string> Next(bool save, const FileDialogOptions& options);
};
