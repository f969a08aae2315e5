// A HistoryStore for tests that keeps its records in memory: records are put
// in whole with Add, and List counts its calls so that a test can see how
// much a view asked for.
#pragma once

#include <map>
#include <mutex>

#include "history/historystore.h"

class MemoryHistoryStore : public HistoryStore {
 public:
  // Stores record under the next id (1 upwards; record.id is overwritten)
  // with trace, and returns that id.
  std::int64_t Add(UploadRecord record, UploadTrace trace = {});

  std::int64_t Begin(const UploadStart& start) override;
  void AppendTrace(std::int64_t id, const UploadTrace& bytes) override;
  bool Complete(std::int64_t id, const UploadEnd& end) override;
  std::int64_t Count() override;
  std::vector<UploadRecord> List(std::size_t limit, std::size_t offset = 0) override;
  std::optional<UploadRecord> Get(std::int64_t id) override;
  UploadTrace Trace(std::int64_t id) override;

  int listCalls = 0;
  std::size_t listedRecords = 0;  // records every List call returned, together

 private:
  std::mutex mutex_;
  std::map<std::int64_t, UploadRecord> records_;
  std::map<std::int64_t, UploadTrace> traces_;
  std::int64_t nextId_ = 1;
};
