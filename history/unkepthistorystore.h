// UnkeptHistoryStore: a programming record that keeps nothing, for a
// program or a test that records no upload. Every upload still goes through
// the recorder; its record simply has id 0.
#pragma once

#include "history/historystore.h"

// Begin returns 0, AppendTrace and Complete ignore what they are given
// (Complete returns false), and every read finds nothing. Says nothing.
class UnkeptHistoryStore : public HistoryStore {
 public:
  std::int64_t Begin(const UploadStart& start) override;
  void AppendTrace(std::int64_t id, const UploadTrace& bytes) override;
  bool Complete(std::int64_t id, const UploadEnd& end) override;
  std::int64_t Count() override;
  std::vector<UploadRecord> List(std::size_t limit, std::size_t offset = 0) override;
  std::optional<UploadRecord> Get(std::int64_t id) override;
  UploadTrace Trace(std::int64_t id) override;
};
