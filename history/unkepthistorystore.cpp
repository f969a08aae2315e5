#include "history/unkepthistorystore.h"

std::int64_t UnkeptHistoryStore::Begin(const UploadStart&) { return 0; }

void UnkeptHistoryStore::AppendTrace(std::int64_t, const UploadTrace&) {}

bool UnkeptHistoryStore::Complete(std::int64_t, const UploadEnd&) { return false; }

std::int64_t UnkeptHistoryStore::Count() { return 0; }

std::vector<UploadRecord> UnkeptHistoryStore::List(std::size_t, std::size_t) { return {}; }

std::optional<UploadRecord> UnkeptHistoryStore::Get(std::int64_t) { return std::nullopt; }

UploadTrace UnkeptHistoryStore::Trace(std::int64_t) { return {}; }
