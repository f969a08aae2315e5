// QtFilePicker: the FilePicker of the running program, with modal QFileDialogs.
#pragma once

#include "common/filepicker.h"

class QWidget;

class QtFilePicker : public FilePicker {
 public:
  // parent: the widget the dialogs are modal to and centred over; may be
  // null; not owned.
  explicit QtFilePicker(QWidget* parent) : parent_(parent) {}

  std::optional<std::string> PickOpenFile(const FileDialogOptions& options) override;
  std::optional<std::string> PickSaveFile(const FileDialogOptions& options) override;

 private:
  QWidget* parent_;
};
