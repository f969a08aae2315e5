// ProgramServices: korapc-program's own services - real waits, a TCommPort
// for each upload, a message that belongs to no port as one line on standard
// error ("korapc-program: caption: text"), and no file dialog: its files come
// from its command line, so every dialog counts as cancelled. Its programming
// record is history.sqlite in the state folder, opened when first used (a run
// that neither programs nor reads it leaves no file); that record's messages
// go through HistoryLines().
#pragma once

#include <ostream>

#include "cli/historymessages.h"
#include "common/filepicker.h"
#include "common/messagesink.h"
#include "common/systemclock.h"
#include "device/commportfactory.h"
#include "history/deferredhistorystore.h"
#include "services/services.h"

class ProgramServices : private MessageSink, private FilePicker {
 public:
  // err: where the messages go; not owned, must outlive the object.
  explicit ProgramServices(std::ostream& err) : err_(err) {}
  ProgramServices(const ProgramServices&) = delete;
  ProgramServices& operator=(const ProgramServices&) = delete;

  Services& Get() { return services_; }
  HistoryMessages& HistoryLines() { return historyMessages_; }

 private:
  void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) override;
  std::optional<std::string> PickOpenFile(const FileDialogOptions& options) override;
  std::optional<std::string> PickSaveFile(const FileDialogOptions& options) override;

  std::ostream& err_;
  SystemClock clock_;
  CommPortFactory ports_;
  HistoryMessages historyMessages_{err_};
  DeferredHistoryStore history_{GetHistoryFilePath(), historyMessages_};
  Services services_{*this, clock_, *this, ports_, history_};
};
