#include "history/tracewriter.h"

#include <utility>

TraceWriter::TraceWriter(HistoryStore& store, std::int64_t id) : store_(store), id_(id) {
  if (id_ > 0) thread_ = std::thread([this] { Run(); });
}

TraceWriter::~TraceWriter() {
  {
    const std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_one();
  if (thread_.joinable()) thread_.join();
}

void TraceWriter::Push(UploadTrace bytes) {
  if (id_ <= 0 || bytes.empty()) return;
  {
    const std::lock_guard lock(mutex_);
    if (queued_.empty()) {
      queued_ = std::move(bytes);
    } else {
      queued_.insert(queued_.end(), bytes.begin(), bytes.end());
    }
  }
  wake_.notify_one();
}

void TraceWriter::Drain() {
  std::unique_lock lock(mutex_);
  stored_.wait(lock, [this] { return !thread_.joinable() || (queued_.empty() && !writing_); });
}

void TraceWriter::Run() {
  std::unique_lock lock(mutex_);
  while (true) {
    wake_.wait(lock, [this] { return stop_ || !queued_.empty(); });
    if (queued_.empty()) break;  // stopping, and nothing left
    UploadTrace batch = std::move(queued_);
    queued_.clear();
    writing_ = true;
    lock.unlock();
    store_.AppendTrace(id_, batch);
    lock.lock();
    writing_ = false;
    stored_.notify_all();
  }
  stored_.notify_all();
}
