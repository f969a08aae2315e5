#include "history/sqlitehistorystore.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <utility>

#include "common/messagesink.h"
#include "common/programstrings.h"
#include "history/processidentity.h"

namespace {

constexpr const char* kCaption = "KORApc History";
constexpr int kBusyTimeoutMs = 5000;
// "KORA" as the file's application id, so that another program's database
// in its place is known for what it is.
constexpr int kApplicationId = 0x4B4F5241;
// The traces of the newest uploads that are kept; older ones may be dropped.
constexpr int kTracesKept = 1000;

// The schema, one step per version: step i brings version i to i + 1.
constexpr const char* kMigrations[] = {
    // 0 -> 1: the uploads and their traces.
    "CREATE TABLE uploads ("
    " id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " started TEXT NOT NULL, user TEXT NOT NULL, host TEXT NOT NULL, version TEXT NOT NULL,"
    " port TEXT NOT NULL, stable_port TEXT NOT NULL,"
    " adapter_known INTEGER NOT NULL, adapter_vendor TEXT NOT NULL, adapter_model TEXT NOT NULL,"
    " adapter_serial TEXT NOT NULL, adapter_vendor_id TEXT NOT NULL,"
    " adapter_product_id TEXT NOT NULL,"
    " what TEXT NOT NULL, power_on TEXT NOT NULL, auto_selections BLOB NOT NULL,"
    " source_file TEXT NOT NULL, sha256 TEXT NOT NULL,"
    " delay_ms INTEGER NOT NULL, echo_grace_ms INTEGER NOT NULL,"
    " pid INTEGER NOT NULL, start_ticks INTEGER NOT NULL, boot_id TEXT NOT NULL,"
    " ended INTEGER NOT NULL DEFAULT 0, result TEXT, message TEXT,"
    " done INTEGER, total INTEGER, late_answers INTEGER, slowest_answer_ms INTEGER,"
    " characters_resent INTEGER, service_answer_ms INTEGER, duration_ms INTEGER,"
    " trace_dropped INTEGER NOT NULL DEFAULT 0);"
    "CREATE TABLE trace ("
    " seq INTEGER PRIMARY KEY AUTOINCREMENT,"
    " upload_id INTEGER NOT NULL REFERENCES uploads(id),"
    " bytes BLOB NOT NULL);"
    "CREATE INDEX trace_by_upload ON trace(upload_id, seq);",
};
constexpr int kSchemaVersion = static_cast<int>(std::size(kMigrations));

// One prepared statement, finalised when it goes.
class Statement {
 public:
  Statement(sqlite3* db, const char* sql) {
    ok_ = sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) == SQLITE_OK;
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  bool Ok() const { return ok_; }
  Statement& Bind(int i, const std::string& text) {
    sqlite3_bind_text(stmt_, i, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    return *this;
  }
  Statement& BindBlob(int i, const std::string& bytes) {
    sqlite3_bind_blob(stmt_, i, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
    return *this;
  }
  Statement& Bind(int i, std::int64_t value) {
    sqlite3_bind_int64(stmt_, i, value);
    return *this;
  }
  // SQLITE_ROW, SQLITE_DONE or an error.
  int Step() { return ok_ ? sqlite3_step(stmt_) : SQLITE_ERROR; }
  std::int64_t Int(int column) const { return sqlite3_column_int64(stmt_, column); }
  bool IsNull(int column) const { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }
  std::string Text(int column) const {
    const void* data = sqlite3_column_blob(stmt_, column);
    const int size = sqlite3_column_bytes(stmt_, column);
    return data ? std::string(static_cast<const char*>(data), static_cast<std::size_t>(size))
                : std::string();
  }

 private:
  sqlite3_stmt* stmt_ = nullptr;
  bool ok_ = false;
};

std::string EnvOrEmpty(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string Slashed(std::string path) {
  if (path.empty() || path.back() != '/') path += '/';
  return path;
}

std::string PowerOnText(const std::array<std::int32_t, 20>& values) {
  std::string text;
  for (std::size_t i = 0; i < values.size(); ++i)
    text += (i ? "," : "") + std::to_string(values[i]);
  return text;
}

std::array<std::int32_t, 20> PowerOnFrom(const std::string& text) {
  std::array<std::int32_t, 20> values{};
  const char* p = text.c_str();
  for (std::size_t i = 0; i < values.size() && *p; ++i) {
    char* end = nullptr;
    values[i] = static_cast<std::int32_t>(std::strtol(p, &end, 10));
    p = *end == ',' ? end + 1 : end;
  }
  return values;
}

void PutLe(std::string& out, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::uint64_t GetLe(const std::string& in, std::size_t at, int bytes) {
  std::uint64_t value = 0;
  for (int i = 0; i < bytes; ++i)
    value |= std::uint64_t{static_cast<std::uint8_t>(in[at + i])} << (8 * i);
  return value;
}

// Each entry: the name's length (one byte), its bytes, the number of codes
// (one byte), each code as four bytes, low first.
std::string EntriesBlob(const std::vector<AutoSelectionEntry>& entries) {
  std::string out;
  for (const AutoSelectionEntry& entry : entries) {
    const std::string name = entry.name.substr(0, 255);
    PutLe(out, name.size(), 1);
    out += name;
    const std::size_t count = std::min<std::size_t>(entry.codes.size(), 255);
    PutLe(out, count, 1);
    for (std::size_t i = 0; i < count; ++i)
      PutLe(out, static_cast<std::uint32_t>(entry.codes[i]), 4);
  }
  return out;
}

std::vector<AutoSelectionEntry> EntriesFrom(const std::string& blob) {
  std::vector<AutoSelectionEntry> entries;
  std::size_t at = 0;
  while (at < blob.size()) {
    AutoSelectionEntry entry;
    const std::size_t nameSize = GetLe(blob, at++, 1);
    if (at + nameSize + 1 > blob.size()) break;
    entry.name = blob.substr(at, nameSize);
    at += nameSize;
    const std::size_t count = GetLe(blob, at++, 1);
    if (at + 4 * count > blob.size()) break;
    for (std::size_t i = 0; i < count; ++i, at += 4) {
      entry.codes.push_back(
          static_cast<std::int32_t>(static_cast<std::uint32_t>(GetLe(blob, at, 4))));
    }
    entries.push_back(std::move(entry));
  }
  return entries;
}

// Ten bytes a byte on the wire: the time (eight bytes, low first), the flags
// (bit 0 received, bit 1 secret) and the byte.
constexpr std::size_t kTraceEntrySize = 10;

std::string TraceBlob(const UploadTrace& trace) {
  std::string out;
  out.reserve(trace.size() * kTraceEntrySize);
  for (const TraceByte& b : trace) {
    PutLe(out, static_cast<std::uint64_t>(b.micros), 8);
    PutLe(out, (b.direction == TraceDirection::Received ? 1u : 0u) | (b.secret ? 2u : 0u), 1);
    PutLe(out, b.secret ? 0 : b.byte, 1);
  }
  return out;
}

void AppendTraceFrom(const std::string& blob, UploadTrace& trace) {
  for (std::size_t at = 0; at + kTraceEntrySize <= blob.size(); at += kTraceEntrySize) {
    TraceByte b;
    b.micros = static_cast<std::int64_t>(GetLe(blob, at, 8));
    const auto flags = GetLe(blob, at + 8, 1);
    b.direction = (flags & 1) ? TraceDirection::Received : TraceDirection::Sent;
    b.secret = (flags & 2) != 0;
    b.byte = static_cast<std::uint8_t>(GetLe(blob, at + 9, 1));
    trace.push_back(b);
  }
}

UploadOutcome OutcomeFrom(const std::string& text) {
  if (text == "programmed") return UploadOutcome::Programmed;
  if (text == "failed") return UploadOutcome::Failed;
  return UploadOutcome::Interrupted;
}

// The columns List and Get read, in this order.
constexpr const char* kRecordColumns =
    "SELECT id, started, user, host, version, port, stable_port, adapter_known, adapter_vendor,"
    " adapter_model, adapter_serial, adapter_vendor_id, adapter_product_id, what, power_on,"
    " auto_selections, source_file, sha256, delay_ms, echo_grace_ms, pid, start_ticks, boot_id,"
    " ended, result, message, done, total, late_answers, slowest_answer_ms, characters_resent,"
    " service_answer_ms, duration_ms, trace_dropped FROM uploads ";

UploadRecord RecordFrom(const Statement& row) {
  UploadRecord r;
  int c = 0;
  r.id = row.Int(c++);
  UploadStart& s = r.start;
  s.started = row.Text(c++);
  s.user = row.Text(c++);
  s.host = row.Text(c++);
  s.version = row.Text(c++);
  s.port.chosen = row.Text(c++);
  s.port.stable = row.Text(c++);
  const bool known = row.Int(c++) != 0;
  PortAdapter adapter;
  adapter.vendor = row.Text(c++);
  adapter.model = row.Text(c++);
  adapter.serialNumber = row.Text(c++);
  adapter.vendorId = row.Text(c++);
  adapter.productId = row.Text(c++);
  if (known) s.port.adapter = adapter;
  s.what = row.Text(c++) == "auto-selections" ? UploadWhat::AutoSelections : UploadWhat::PowerOn;
  s.powerOn = PowerOnFrom(row.Text(c++));
  s.autoSelections = EntriesFrom(row.Text(c++));
  s.sourceFile = row.Text(c++);
  s.dataSha256 = row.Text(c++);
  s.commandDelayMs = static_cast<int>(row.Int(c++));
  s.echoGraceMs = static_cast<int>(row.Int(c++));
  s.process.pid = row.Int(c++);
  s.process.startTicks = static_cast<std::uint64_t>(row.Int(c++));
  s.process.bootId = row.Text(c++);
  r.ended = row.Int(c++) != 0;
  UploadEnd& e = r.end;
  if (r.ended) {
    e.result = OutcomeFrom(row.Text(c++));
    e.message = row.Text(c++);
    e.done = static_cast<int>(row.Int(c++));
    e.total = static_cast<int>(row.Int(c++));
    e.link.lateAnswers = static_cast<int>(row.Int(c++));
    e.link.slowestAnswerMs = static_cast<int>(row.Int(c++));
    e.link.charactersResent = static_cast<int>(row.Int(c++));
    e.link.serviceModeAnswerMs = static_cast<int>(row.Int(c++));
    e.durationMs = row.Int(c++);
  } else {
    c += 9;
    e.result = IsRunning(s.process) ? UploadOutcome::Running : UploadOutcome::Interrupted;
    e.durationMs = -1;
  }
  r.traceKept = row.Int(c++) == 0;
  return r;
}

// Creates the missing folders of path, each with mode 0700.
bool MakeFolders(const std::filesystem::path& folder) {
  std::error_code ec;
  if (std::filesystem::is_directory(folder, ec)) return true;
  if (!folder.has_parent_path() || folder.parent_path() == folder) return false;
  if (!MakeFolders(folder.parent_path())) return false;
  return ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

std::string UtcStamp() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  ::gmtime_r(&now, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", &utc);
  return text;
}

bool IsDamage(int code) {
  const int primary = code & 0xFF;
  return primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT;
}

}  // namespace

std::string GetStateFolder() {
  std::string base = EnvOrEmpty("XDG_STATE_HOME");
  if (base.empty() || base.front() != '/') {
    const std::string home = EnvOrEmpty("HOME");
    if (home.empty() || home.front() != '/') return "";
    base = Slashed(home) + ".local/state";
  }
  return Slashed(base) + kora::kVendorName + "/" + kora::kProductName + "/";
}

std::string GetHistoryFilePath() {
  const std::string folder = GetStateFolder();
  return folder.empty() ? "" : folder + "history.sqlite";
}

std::unique_ptr<SqliteHistoryStore> SqliteHistoryStore::Open(const std::string& path,
                                                             MessageSink& sink) {
  std::unique_ptr<SqliteHistoryStore> store(new SqliteHistoryStore(path, sink));
  if (path.empty()) {
    store->Fail("there is no folder for it (HOME is not set).");
  } else if (!store->OpenFile()) {
    // OpenFile has said why.
  }
  return store;
}

SqliteHistoryStore::SqliteHistoryStore(std::string path, MessageSink& sink)
    : path_(std::move(path)), sink_(sink) {}

SqliteHistoryStore::~SqliteHistoryStore() { sqlite3_close_v2(db_); }

bool SqliteHistoryStore::Keeping() const {
  const std::lock_guard lock(mutex_);
  return db_ != nullptr;
}

bool SqliteHistoryStore::Fail(const std::string& why, bool tellNow) {
  if (db_) {
    sqlite3_close_v2(db_);
    db_ = nullptr;
  }
  if (untold_.empty() && !told_) untold_ = std::string(kNotKeptText) + why;
  if (tellNow) Tell();
  return false;
}

void SqliteHistoryStore::Tell() {
  if (told_ || untold_.empty()) return;
  told_ = true;
  sink_.ShowMessage(untold_, kCaption, MessageIcon::Exclamation);
}

namespace {

enum class FileState { Ready, Damaged, Failed, Newer };

// Opens path, brings its schema up to date and says what it found.
FileState OpenAndMigrate(const std::string& path, sqlite3*& db, std::string& why) {
  // The file is made here, so that it, its -wal and its -shm (which take the
  // file's mode) are for this user alone.
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    why = std::string(std::strerror(errno)) + ": " + path;
    return FileState::Failed;
  }
  struct stat info {};
  if (::fstat(fd, &info) == 0 && info.st_uid == ::geteuid() && (info.st_mode & 077) != 0) {
    ::fchmod(fd, 0600);
  }
  ::close(fd);

  int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    why = std::string(sqlite3_errstr(rc)) + ": " + path;
    return FileState::Failed;
  }
  sqlite3_busy_timeout(db, kBusyTimeoutMs);
  sqlite3_extended_result_codes(db, 1);
  auto exec = [&](const char* sql) {
    rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    return rc == SQLITE_OK;
  };
  auto pragma = [&](const char* sql, std::int64_t& value) {
    Statement s(db, sql);
    rc = s.Step();
    if (rc == SQLITE_ROW) value = s.Int(0);
    return rc == SQLITE_ROW;
  };
  std::int64_t version = 0, appId = 0, objects = 0;
  if (!pragma("PRAGMA user_version", version) || !pragma("PRAGMA application_id", appId) ||
      !pragma("SELECT count(*) FROM sqlite_schema", objects)) {
    why = std::string(sqlite3_errstr(rc));
    return IsDamage(rc) ? FileState::Damaged : FileState::Failed;
  }
  if (objects > 0 && appId != kApplicationId) {
    why = "it is not a KORApc history";
    return FileState::Damaged;
  }
  if (version > kSchemaVersion) {
    why = "it was written by a newer KORApc: " + path;
    return FileState::Newer;
  }
  if (!exec("PRAGMA journal_mode=WAL") || !exec("PRAGMA synchronous=NORMAL")) {
    why = std::string(sqlite3_errstr(rc)) + ": " + path;
    return IsDamage(rc) ? FileState::Damaged : FileState::Failed;
  }
  // Each step and its new version in one transaction; a second process that
  // opens the file at the same time waits, then finds the schema up to date.
  while (true) {
    if (!exec("BEGIN IMMEDIATE")) break;
    std::int64_t now = 0;
    if (!pragma("PRAGMA user_version", now)) break;
    if (now >= kSchemaVersion) {
      exec("COMMIT");
      return FileState::Ready;
    }
    const std::string step = std::string(kMigrations[now]) +
                             "PRAGMA application_id=" + std::to_string(kApplicationId) +
                             ";PRAGMA user_version=" + std::to_string(now + 1) + ";";
    if (!exec(step.c_str()) || !exec("COMMIT")) break;
  }
  const int failure = rc;
  sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
  why = std::string(sqlite3_errstr(failure)) + ": " + path;
  return IsDamage(failure) ? FileState::Damaged : FileState::Failed;
}

}  // namespace

bool SqliteHistoryStore::OpenFile() {
  const std::filesystem::path file(path_);
  if (!MakeFolders(file.parent_path())) {
    return Fail("its folder cannot be made: " + file.parent_path().string());
  }
  std::string why;
  FileState state = OpenAndMigrate(path_, db_, why);
  if (state == FileState::Damaged) {
    sqlite3_close_v2(db_);
    db_ = nullptr;
    const std::string aside = path_ + ".corrupt-" + UtcStamp();
    if (std::rename(path_.c_str(), aside.c_str()) != 0 && errno != ENOENT) {
      return Fail("the file is damaged (" + why + ") and cannot be moved aside: " + path_);
    }
    // The journal files belong to the damaged file and go with it.
    for (const char* suffix : {"-wal", "-shm"}) {
      std::rename((path_ + suffix).c_str(), (aside + suffix).c_str());
    }
    sink_.ShowMessage("The programming history was damaged (" + why + "). It was moved to " +
                          aside + " and a new history was started.",
                      kCaption, MessageIcon::Exclamation);
    state = OpenAndMigrate(path_, db_, why);
  }
  if (state != FileState::Ready) return Fail(why);
  return true;
}

std::int64_t SqliteHistoryStore::Begin(const UploadStart& s) {
  const std::lock_guard lock(mutex_);
  if (!db_) {
    Tell();  // what a write on another thread found
    return 0;
  }
  if (sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) {
    Fail(std::string(sqlite3_errmsg(db_)) + ": " + path_);
    return 0;
  }
  Statement insert(
      db_,
      "INSERT INTO uploads (started, user, host, version, port, stable_port, adapter_known,"
      " adapter_vendor, adapter_model, adapter_serial, adapter_vendor_id, adapter_product_id,"
      " what, power_on, auto_selections, source_file, sha256, delay_ms, echo_grace_ms, pid,"
      " start_ticks, boot_id) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12,"
      " ?13, ?14, ?15, ?16, ?17, ?18, ?19, ?20, ?21, ?22)");
  const PortAdapter adapter = s.port.adapter.value_or(PortAdapter{});
  insert.Bind(1, s.started).Bind(2, s.user).Bind(3, s.host).Bind(4, s.version);
  insert.Bind(5, s.port.chosen)
      .Bind(6, s.port.stable)
      .Bind(7, std::int64_t{s.port.adapter.has_value()});
  insert.Bind(8, adapter.vendor).Bind(9, adapter.model).Bind(10, adapter.serialNumber);
  insert.Bind(11, adapter.vendorId).Bind(12, adapter.productId);
  insert.Bind(13, std::string(UploadWhatText(s.what))).Bind(14, PowerOnText(s.powerOn));
  insert.BindBlob(15, EntriesBlob(s.autoSelections)).Bind(16, s.sourceFile).Bind(17, s.dataSha256);
  insert.Bind(18, std::int64_t{s.commandDelayMs}).Bind(19, std::int64_t{s.echoGraceMs});
  insert.Bind(20, s.process.pid).Bind(21, static_cast<std::int64_t>(s.process.startTicks));
  insert.Bind(22, s.process.bootId);
  std::int64_t id = 0;
  if (insert.Step() == SQLITE_DONE) {
    id = sqlite3_last_insert_rowid(db_);
    const std::string drop =
        "DELETE FROM trace WHERE upload_id <= " + std::to_string(id - kTracesKept) +
        "; UPDATE uploads SET trace_dropped = 1 WHERE id <= " + std::to_string(id - kTracesKept) +
        " AND trace_dropped = 0;";
    if (id <= kTracesKept ||
        sqlite3_exec(db_, drop.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK) {
      if (sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK) return id;
    }
  }
  const std::string why = std::string(sqlite3_errmsg(db_)) + ": " + path_;
  sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  Fail(why);
  return 0;
}

void SqliteHistoryStore::AppendTrace(std::int64_t id, const UploadTrace& bytes) {
  const std::lock_guard lock(mutex_);
  if (!db_ || id <= 0 || bytes.empty()) return;
  Statement insert(db_,
                   "INSERT INTO trace (upload_id, bytes) SELECT id, ?2 FROM uploads WHERE id = ?1 "
                   "AND ended = 0");
  insert.Bind(1, id).BindBlob(2, TraceBlob(bytes));
  const int rc = insert.Step();
  if (rc != SQLITE_DONE) Fail(std::string(sqlite3_errmsg(db_)) + ": " + path_, false);
}

bool SqliteHistoryStore::Complete(std::int64_t id, const UploadEnd& e) {
  const std::lock_guard lock(mutex_);
  if (!db_ || id <= 0 || e.result == UploadOutcome::Running) return false;
  Statement update(db_,
                   "UPDATE uploads SET ended = 1, result = ?2, message = ?3, done = ?4, total = ?5,"
                   " late_answers = ?6, slowest_answer_ms = ?7, characters_resent = ?8,"
                   " service_answer_ms = ?9, duration_ms = ?10 WHERE id = ?1 AND ended = 0");
  update.Bind(1, id).Bind(2, std::string(UploadOutcomeText(e.result))).Bind(3, e.message);
  update.Bind(4, std::int64_t{e.done}).Bind(5, std::int64_t{e.total});
  update.Bind(6, std::int64_t{e.link.lateAnswers}).Bind(7, std::int64_t{e.link.slowestAnswerMs});
  update.Bind(8, std::int64_t{e.link.charactersResent})
      .Bind(9, std::int64_t{e.link.serviceModeAnswerMs});
  update.Bind(10, e.durationMs);
  if (update.Step() != SQLITE_DONE)
    return Fail(std::string(sqlite3_errmsg(db_)) + ": " + path_, false);
  return sqlite3_changes(db_) == 1;
}

std::int64_t SqliteHistoryStore::Count() {
  const std::lock_guard lock(mutex_);
  if (!db_) return 0;
  Statement count(db_, "SELECT count(*) FROM uploads");
  return count.Step() == SQLITE_ROW ? count.Int(0) : 0;
}

std::vector<UploadRecord> SqliteHistoryStore::List(std::size_t limit, std::size_t offset) {
  const std::lock_guard lock(mutex_);
  std::vector<UploadRecord> records;
  if (!db_ || limit == 0) return records;
  Statement list(db_,
                 (std::string(kRecordColumns) + "ORDER BY id DESC LIMIT ?1 OFFSET ?2").c_str());
  list.Bind(1, static_cast<std::int64_t>(std::min<std::size_t>(limit, INT64_MAX)));
  list.Bind(2, static_cast<std::int64_t>(std::min<std::size_t>(offset, INT64_MAX)));
  while (list.Step() == SQLITE_ROW) records.push_back(RecordFrom(list));
  return records;
}

std::optional<UploadRecord> SqliteHistoryStore::Get(std::int64_t id) {
  const std::lock_guard lock(mutex_);
  if (!db_) return std::nullopt;
  Statement get(db_, (std::string(kRecordColumns) + "WHERE id = ?1").c_str());
  get.Bind(1, id);
  if (get.Step() != SQLITE_ROW) return std::nullopt;
  return RecordFrom(get);
}

UploadTrace SqliteHistoryStore::Trace(std::int64_t id) {
  const std::lock_guard lock(mutex_);
  UploadTrace trace;
  if (!db_) return trace;
  Statement read(db_, "SELECT bytes FROM trace WHERE upload_id = ?1 ORDER BY seq");
  read.Bind(1, id);
  while (read.Step() == SQLITE_ROW) AppendTraceFrom(read.Text(0), trace);
  return trace;
}
