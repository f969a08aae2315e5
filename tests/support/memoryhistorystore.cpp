#include "support/memoryhistorystore.h"

std::int64_t MemoryHistoryStore::Add(UploadRecord record, UploadTrace trace) {
  const std::lock_guard lock(mutex_);
  record.id = nextId_++;
  records_[record.id] = record;
  traces_[record.id] = std::move(trace);
  return record.id;
}

std::int64_t MemoryHistoryStore::Begin(const UploadStart& start) {
  UploadRecord record;
  record.start = start;
  record.end.result = UploadOutcome::Running;
  record.end.durationMs = -1;
  record.traceKept = true;
  return Add(record);
}

void MemoryHistoryStore::AppendTrace(std::int64_t id, const UploadTrace& bytes) {
  const std::lock_guard lock(mutex_);
  const auto found = records_.find(id);
  if (found == records_.end() || found->second.ended) return;
  traces_[id].insert(traces_[id].end(), bytes.begin(), bytes.end());
}

bool MemoryHistoryStore::Complete(std::int64_t id, const UploadEnd& end) {
  const std::lock_guard lock(mutex_);
  const auto found = records_.find(id);
  if (found == records_.end() || found->second.ended) return false;
  found->second.end = end;
  found->second.ended = true;
  return true;
}

std::int64_t MemoryHistoryStore::Count() {
  const std::lock_guard lock(mutex_);
  return static_cast<std::int64_t>(records_.size());
}

std::vector<UploadRecord> MemoryHistoryStore::List(std::size_t limit, std::size_t offset) {
  const std::lock_guard lock(mutex_);
  ++listCalls;
  std::vector<UploadRecord> list;
  std::size_t skipped = 0;
  for (auto it = records_.rbegin(); it != records_.rend() && list.size() < limit; ++it) {
    if (skipped++ < offset) continue;
    list.push_back(it->second);
  }
  listedRecords += list.size();
  return list;
}

std::optional<UploadRecord> MemoryHistoryStore::Get(std::int64_t id) {
  const std::lock_guard lock(mutex_);
  const auto found = records_.find(id);
  if (found == records_.end()) return std::nullopt;
  return found->second;
}

UploadTrace MemoryHistoryStore::Trace(std::int64_t id) {
  const std::lock_guard lock(mutex_);
  const auto found = traces_.find(id);
  return found == traces_.end() ? UploadTrace{} : found->second;
}
