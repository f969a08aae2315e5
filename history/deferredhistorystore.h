// DeferredHistoryStore: the programming record in history.sqlite, opened
// (SqliteHistoryStore::Open) at its first use rather than when it is built,
// so that a front end can hand it down before there is anywhere to show a
// message, and a run that records and reads nothing leaves no file.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "history/sqlitehistorystore.h"

class MessageSink;

// HistoryStore's contract, through the SqliteHistoryStore it opens. The open
// happens once, on the thread of the first call (or of Open); its messages
// go to sink on that thread.
class DeferredHistoryStore : public HistoryStore {
 public:
  // path, sink: as SqliteHistoryStore::Open takes them; sink is not owned
  // and must outlive the store. Nothing is opened yet.
  DeferredHistoryStore(std::string path, MessageSink& sink);
  DeferredHistoryStore(const DeferredHistoryStore&) = delete;
  DeferredHistoryStore& operator=(const DeferredHistoryStore&) = delete;

  // Opens the store now, unless it is open already.
  void Open();

  std::int64_t Begin(const UploadStart& start) override;
  void AppendTrace(std::int64_t id, const UploadTrace& bytes) override;
  bool Complete(std::int64_t id, const UploadEnd& end) override;
  std::int64_t Count() override;
  std::vector<UploadRecord> List(std::size_t limit, std::size_t offset = 0) override;
  std::optional<UploadRecord> Get(std::int64_t id) override;
  UploadTrace Trace(std::int64_t id) override;

 private:
  HistoryStore& Store();

  std::string path_;
  MessageSink& sink_;
  std::once_flag opened_;
  std::unique_ptr<SqliteHistoryStore> store_;
};
