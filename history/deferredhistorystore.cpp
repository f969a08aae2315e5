#include "history/deferredhistorystore.h"

#include <utility>

DeferredHistoryStore::DeferredHistoryStore(std::string path, MessageSink& sink)
    : path_(std::move(path)), sink_(sink) {}

void DeferredHistoryStore::Open() { Store(); }

HistoryStore& DeferredHistoryStore::Store() {
  std::call_once(opened_, [this] { store_ = SqliteHistoryStore::Open(path_, sink_); });
  return *store_;
}

std::int64_t DeferredHistoryStore::Begin(const UploadStart& start) { return Store().Begin(start); }

void DeferredHistoryStore::AppendTrace(std::int64_t id, const UploadTrace& bytes) {
  Store().AppendTrace(id, bytes);
}

bool DeferredHistoryStore::Complete(std::int64_t id, const UploadEnd& end) {
  return Store().Complete(id, end);
}

std::int64_t DeferredHistoryStore::Count() { return Store().Count(); }

std::vector<UploadRecord> DeferredHistoryStore::List(std::size_t limit, std::size_t offset) {
  return Store().List(limit, offset);
}

std::optional<UploadRecord> DeferredHistoryStore::Get(std::int64_t id) { return Store().Get(id); }

UploadTrace DeferredHistoryStore::Trace(std::int64_t id) { return Store().Trace(id); }
