// HistoryStore: where the programming record keeps its uploads. The window and
// korapc-program each open one (history/sqlitehistorystore.h) and hand it down;
// tests may put another in its place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "history/uploadrecord.h"

// Every operation may be called from any thread; calls are serialised inside.
// Several processes may use the same store at once. No operation throws: a
// store that cannot write any more loses what it is given (the record then
// reads Interrupted) and says so once through the message sink it was opened
// with; reads then return what was kept (possibly nothing).
class HistoryStore {
 public:
  virtual ~HistoryStore() = default;

  // --- Writing: one Begin, any number of AppendTrace, at most one Complete. ---

  // Writes a new record and commits it before returning, so that it exists
  // before the first byte goes out. Returns its id (1 upwards), or 0 when the
  // record could not be written (history is not being kept). Also drops the
  // traces of records older than the last 1,000; records are never dropped.
  virtual std::int64_t Begin(const UploadStart& start) = 0;

  // Adds bytes to the end of record id's trace and commits them. Ignored for
  // id 0 and for a record that has ended.
  virtual void AppendTrace(std::int64_t id, const UploadTrace& bytes) = 0;

  // Writes record id's end and commits it; end.result must be Programmed,
  // Failed or Interrupted. Ignored for id 0 and for a record that has ended.
  // Returns false when the end could not be written (the record then stays
  // without an end and reads Interrupted once this process is gone).
  virtual bool Complete(std::int64_t id, const UploadEnd& end) = 0;

  // --- Reading. ---

  // The number of records.
  virtual std::int64_t Count() = 0;

  // Up to limit records, newest first (highest id first), after skipping the
  // offset newest. A record without an end reads Running while the process
  // that began it still runs and Interrupted once it is gone.
  virtual std::vector<UploadRecord> List(std::size_t limit, std::size_t offset = 0) = 0;

  // Record id, or none when there is no such record.
  virtual std::optional<UploadRecord> Get(std::int64_t id) = 0;

  // Record id's trace in the order the bytes went over the wire; empty when
  // there is no such record or its trace was dropped.
  virtual UploadTrace Trace(std::int64_t id) = 0;
};
