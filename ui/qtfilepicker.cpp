#include "ui/qtfilepicker.h"

#include <QFile>
#include <QFileDialog>
#include <QStringList>

namespace {

std::optional<std::string> RunDialog(QWidget* parent, const FileDialogOptions& options,
                                     QFileDialog::AcceptMode mode) {
  QFileDialog dialog(parent);
  dialog.setAcceptMode(mode);
  dialog.setNameFilter(QString::fromStdString(options.filter));
  if (mode == QFileDialog::AcceptOpen) {
    // A typed name is taken as it is, whether or not it exists (the read
    // reports a missing one): a file without an extension must open under
    // its own name, not under that name with ".asl" added.
    dialog.setFileMode(QFileDialog::AnyFile);
  } else {
    dialog.setDefaultSuffix(QString::fromStdString(options.defaultSuffix));
    // Saving replaces an existing file without a question, as the program
    // always has.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  }
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty() || files.first().isEmpty()) return std::nullopt;
  return QFile::encodeName(files.first()).toStdString();
}

}  // namespace

std::optional<std::string> QtFilePicker::PickOpenFile(const FileDialogOptions& options) {
  return RunDialog(parent_, options, QFileDialog::AcceptOpen);
}

std::optional<std::string> QtFilePicker::PickSaveFile(const FileDialogOptions& options) {
  return RunDialog(parent_, options, QFileDialog::AcceptSave);
}
