// SqliteHistoryStore: the programming record in one SQLite file,
// history.sqlite in the user's state folder.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "history/historystore.h"

class MessageSink;
struct sqlite3;

// The state folder, ending in '/': $XDG_STATE_HOME/Quorvel/KORApc/, or
// ~/.local/state/Quorvel/KORApc/ when XDG_STATE_HOME is unset, empty or
// relative. Empty when neither gives an absolute path. Not created here.
std::string GetStateFolder();

// GetStateFolder() followed by "history.sqlite"; empty when there is no state
// folder.
std::string GetHistoryFilePath();

// The store behind HistoryStore's contract. The file is created with mode
// 0600, in WAL mode with a busy time-out, so that the window and several
// korapc-program workers can write at once; its schema is numbered by
// PRAGMA user_version and older schemas are brought up to date on opening.
// A process killed at any moment leaves the file intact.
class SqliteHistoryStore : public HistoryStore {
 public:
  // The text shown (caption "KORApc History", exclamation icon) when history
  // cannot be kept; at most once per store.
  static constexpr const char* kNotKeptText = "The programming history is not being kept: ";

  // Opens or creates the store at path, creating its folder (mode 0700) when
  // missing. A file that is not a history store of this program (corrupt or
  // foreign) is moved aside to
  // path + ".corrupt-YYYYMMDDTHHMMSSZ", never deleted; one message tells where
  // it went, and a new store is started. When nothing can be written there
  // (folder not writable, disk full), or the file is of a newer schema (left
  // as it is), the store still works as one that keeps nothing: one message
  // says history is not being kept, Begin returns 0 and reads find nothing.
  // A write that fails later (disk full) gives that message too, once, and
  // the store keeps nothing from then on.
  // sink: not owned, must outlive the store; messages are Windows-1252. It
  // is called only from Open and from Begin (on the thread that calls them),
  // never from the other operations: a failure they meet is shown at the
  // next Begin.
  // Never throws, never returns null.
  static std::unique_ptr<SqliteHistoryStore> Open(const std::string& path, MessageSink& sink);

  ~SqliteHistoryStore() override;
  SqliteHistoryStore(const SqliteHistoryStore&) = delete;
  SqliteHistoryStore& operator=(const SqliteHistoryStore&) = delete;

  // True when records are being written to a file.
  bool Keeping() const;

  std::int64_t Begin(const UploadStart& start) override;
  void AppendTrace(std::int64_t id, const UploadTrace& bytes) override;
  bool Complete(std::int64_t id, const UploadEnd& end) override;
  std::int64_t Count() override;
  std::vector<UploadRecord> List(std::size_t limit, std::size_t offset = 0) override;
  std::optional<UploadRecord> Get(std::int64_t id) override;
  UploadTrace Trace(std::int64_t id) override;

 private:
  SqliteHistoryStore(std::string path, MessageSink& sink);
  bool OpenFile();
  // Stops keeping records, for the reason why; shows it now or at the next Begin.
  bool Fail(const std::string& why, bool tellNow = true);
  void Tell();

  std::string path_;
  MessageSink& sink_;
  mutable std::mutex mutex_;
  sqlite3* db_ = nullptr;
  bool told_ = false;
  std::string untold_;  // the message not yet shown
};
