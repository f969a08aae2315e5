// TraceWriter: hands a record's wire trace to the store on a thread of its
// own, so that the thread that speaks to the instrument never waits for the
// disk.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "history/historystore.h"

class TraceWriter {
 public:
  // store: not owned, must outlive the writer. id: the record the bytes go
  // to; 0 keeps nothing (and starts no thread).
  TraceWriter(HistoryStore& store, std::int64_t id);
  // Stores what is still queued, then ends the thread.
  ~TraceWriter();
  TraceWriter(const TraceWriter&) = delete;
  TraceWriter& operator=(const TraceWriter&) = delete;

  // Queues bytes and returns at once; the thread stores everything queued so
  // far in one write to the store.
  void Push(UploadTrace bytes);

  // Returns once everything queued before the call is in the store.
  void Drain();

 private:
  void Run();

  HistoryStore& store_;
  const std::int64_t id_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable stored_;
  UploadTrace queued_;
  bool writing_ = false;
  bool stop_ = false;
  std::thread thread_;
};
