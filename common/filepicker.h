// FilePicker: how a page asks the user for a file to open or to save to,
// without knowing the dialog. The GUI answers with QFileDialog
// (ui/qtfilepicker.h); tests answer from a script.
#pragma once

#include <optional>
#include <string>

// What one dialog offers.
struct FileDialogOptions {
  // File types in Qt's filter syntax, e.g. "Auto Selection Files (*.asl);;All Files (*)".
  std::string filter;
  // Save only: appended (after a dot) to a typed name that has no extension,
  // e.g. "asl". Open takes a typed name as it is.
  std::string defaultSuffix;
};

class FilePicker {
 public:
  virtual ~FilePicker() = default;

  // Asks for a file to read. A typed name is taken as it is, without
  // options.defaultSuffix; the name of a file that does not exist is
  // accepted (reading it then fails). Returns the path in the file system's
  // encoding, or nothing when the user cancelled.
  virtual std::optional<std::string> PickOpenFile(const FileDialogOptions& options) = 0;

  // Asks for a file to write. A typed name without an extension gets
  // options.defaultSuffix. An existing file is chosen without any question. Returns the path in the
  // file system's encoding, or nothing when the user cancelled.
  virtual std::optional<std::string> PickSaveFile(const FileDialogOptions& options) = 0;
};
