// The SQLite store of the programming record: what goes in comes back, newest
// first; an unended record reads running or interrupted by its process; a
// damaged or foreign file is moved aside; a folder that cannot be written
// keeps nothing but says so once; several processes write at once.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <thread>

#include "history/processidentity.h"
#include "history/sqlitehistorystore.h"
#include "support/recordingmessagesink.h"
#include "support/scopedenv.h"
#include "support/sqliteintegrity.h"
#include "support/tempdir.h"

namespace {

namespace fs = std::filesystem;

UploadStart PowerOnStart(const std::string& port) {
  UploadStart s;
  s.started = "2026-12-09T15:41:58.123Z";
  s.user = "tech";
  s.host = "bench-pc";
  s.version = "1.0.0";
  s.port = {port, "/dev/serial/by-id/usb-FTDI_FT232R_A10K3B2Q-if00-port0",
            PortAdapter{"FTDI", "FT232R USB UART", "A10K3B2Q", "0403", "6001"}};
  s.what = UploadWhat::PowerOn;
  s.powerOn = {3, 3, 0, 1, 0, 2, 4, 9, 8, 0, 0, 2, 1, 1, 0, 0, 0, 0, 3, 4};
  s.sourceFile = "/home/tech/poweron.dat";
  s.dataSha256 = std::string(64, 'a');
  s.commandDelayMs = 10;
  s.echoGraceMs = 0;
  s.process = CurrentProcess();
  return s;
}

UploadStart AutoStart() {
  UploadStart s = PowerOnStart("/dev/ttyUSB1");
  s.port.adapter.reset();
  s.port.stable.clear();
  s.what = UploadWhat::AutoSelections;
  s.powerOn = {};
  s.autoSelections = {{"CARDIAC ARREST", {1, 2, 511}}, {"", {}}, {"\xC4 20 characters long", {7}}};
  return s;
}

std::vector<std::string> FilesIn(const std::string& folder, const std::string& prefix) {
  std::vector<std::string> found;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(prefix, 0) == 0) found.push_back(name);
  }
  return found;
}

class HistoryStoreTest : public ::testing::Test {
 protected:
  std::unique_ptr<SqliteHistoryStore> OpenStore() {
    return SqliteHistoryStore::Open(path, messages);
  }

  TempDir dir;
  std::string path = dir.File("state/Quorvel/KORApc/history.sqlite");
  RecordingMessageSink messages;
};

TEST_F(HistoryStoreTest, WhatIsWrittenReadsBackNewestFirstWithItsTrace) {
  auto store = OpenStore();
  ASSERT_TRUE(store->Keeping());
  const std::int64_t first = store->Begin(PowerOnStart("/dev/ttyUSB0"));
  const std::int64_t second = store->Begin(AutoStart());
  ASSERT_EQ(first, 1);
  ASSERT_EQ(second, 2);
  const UploadTrace part1{{0, TraceDirection::Sent, 'M', false},
                          {10000, TraceDirection::Sent, 0, true}};
  const UploadTrace part2{{20123, TraceDirection::Received, 'S', false}};
  store->AppendTrace(first, part1);
  store->AppendTrace(first, part2);
  UploadEnd failed{UploadOutcome::Failed, "KORA-1 is not responding!", 3, 20, {2, 41, 1, 55}, 1234};
  EXPECT_TRUE(store->Complete(first, failed));
  // An ended record takes no more trace and no second end.
  store->AppendTrace(first, part1);
  EXPECT_FALSE(store->Complete(first, {UploadOutcome::Programmed, "", 20, 20, {}, 1}));

  const std::vector<UploadRecord> all = store->List(10);
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0].id, second);
  EXPECT_EQ(all[1].id, first);
  EXPECT_EQ(all[0].start, AutoStart());
  EXPECT_EQ(all[1].start, PowerOnStart("/dev/ttyUSB0"));
  EXPECT_TRUE(all[1].ended);
  EXPECT_EQ(all[1].end, failed);
  // Begun by this process, which still runs.
  EXPECT_FALSE(all[0].ended);
  EXPECT_EQ(all[0].end.result, UploadOutcome::Running);

  EXPECT_EQ(store->List(1, 1).at(0).id, first);
  EXPECT_TRUE(store->List(5, 2).empty());
  EXPECT_EQ(store->Count(), 2);
  EXPECT_FALSE(store->Get(99).has_value());

  UploadTrace expected = part1;
  expected.insert(expected.end(), part2.begin(), part2.end());
  EXPECT_EQ(store->Trace(first), expected);
  EXPECT_TRUE(store->Trace(second).empty());
  EXPECT_TRUE(messages.messages.empty());

  struct stat info {};
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  ASSERT_EQ(::stat(fs::path(path).parent_path().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST_F(HistoryStoreTest, ASecretByteIsNeverStored) {
  auto store = OpenStore();
  const std::int64_t id = store->Begin(PowerOnStart("/dev/ttyUSB0"));
  store->AppendTrace(id, {{5, TraceDirection::Sent, '7', true}});
  EXPECT_EQ(store->Trace(id), (UploadTrace{{5, TraceDirection::Sent, 0, true}}));
}

TEST_F(HistoryStoreTest, AnUnendedRecordIsInterruptedOnceItsProcessIsGone) {
  RecordingProcess exited;
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ASSERT_GT(child, 0);
  exited = CurrentProcess();
  exited.pid = child;
  ::waitpid(child, nullptr, 0);

  RecordingProcess otherBoot = CurrentProcess();
  otherBoot.bootId = "00000000-0000-0000-0000-000000000000";
  RecordingProcess reusedPid = CurrentProcess();
  reusedPid.startTicks += 1;  // the same pid, started at another time

  struct Case {
    const char* what;
    RecordingProcess process;
    UploadOutcome expected;
  } cases[] = {
      {"this process", CurrentProcess(), UploadOutcome::Running},
      {"an exited child", exited, UploadOutcome::Interrupted},
      {"another boot", otherBoot, UploadOutcome::Interrupted},
      {"a reused pid", reusedPid, UploadOutcome::Interrupted},
  };
  auto store = OpenStore();
  for (const Case& c : cases) {
    UploadStart start = PowerOnStart("/dev/ttyUSB0");
    start.process = c.process;
    const auto record = store->Get(store->Begin(start));
    ASSERT_TRUE(record) << c.what;
    EXPECT_EQ(record->end.result, c.expected) << c.what;
    EXPECT_EQ(record->end.durationMs, -1) << c.what;
  }
}

TEST_F(HistoryStoreTest, ADamagedOrForeignFileIsMovedAsideAndANewOneStarted) {
  struct Case {
    const char* what;
    std::function<void(const std::string&)> make;
  } cases[] = {
      {"not a database",
       [](const std::string& p) { TempDir::WriteAll(p, std::string(4096, 'x')); }},
      {"another program's database",
       [](const std::string& p) {
         sqlite3* db = nullptr;
         sqlite3_open(p.c_str(), &db);
         sqlite3_exec(db, "CREATE TABLE songs(title TEXT); INSERT INTO songs VALUES('x');", nullptr,
                      nullptr, nullptr);
         sqlite3_close(db);
       }},
  };
  for (const Case& c : cases) {
    TempDir folder;
    const std::string file = folder.File("history.sqlite");
    c.make(file);
    const std::string before = TempDir::ReadAll(file);
    RecordingMessageSink sink;
    auto store = SqliteHistoryStore::Open(file, sink);
    EXPECT_TRUE(store->Keeping()) << c.what;
    EXPECT_EQ(store->Begin(PowerOnStart("/dev/ttyUSB0")), 1) << c.what;
    ASSERT_EQ(sink.messages.size(), 1u) << c.what;
    EXPECT_NE(sink.messages[0].text.find("history.sqlite.corrupt-"), std::string::npos) << c.what;
    const auto aside = FilesIn(folder.path(), "history.sqlite.corrupt-");
    ASSERT_EQ(aside.size(), 1u) << c.what;
    EXPECT_EQ(TempDir::ReadAll(folder.File(aside[0])), before) << c.what;
  }
}

TEST_F(HistoryStoreTest, WhereNothingCanBeWrittenUploadsGoOnAndOneMessageSaysSo) {
  TempDir folder;
  TempDir::WriteAll(folder.File("state"), "a file where the folder should be");
  RecordingMessageSink sink;
  auto store = SqliteHistoryStore::Open(folder.File("state/Quorvel/KORApc/history.sqlite"), sink);
  EXPECT_FALSE(store->Keeping());
  EXPECT_EQ(store->Begin(PowerOnStart("/dev/ttyUSB0")), 0);
  EXPECT_EQ(store->Begin(PowerOnStart("/dev/ttyUSB0")), 0);
  EXPECT_FALSE(store->Complete(0, {}));
  EXPECT_TRUE(store->List(10).empty());
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].text.rfind(SqliteHistoryStore::kNotKeptText, 0), 0u);
  EXPECT_EQ(sink.messages[0].caption, "KORApc History");
}

// A full disk, as a file-size limit makes it: the first failed write stops
// the record with one message, later uploads get none, and the file stays
// whole with every record written before.
TEST_F(HistoryStoreTest, AFullDiskStopsTheRecordWithOneMessageAndKeepsTheFileWhole) {
  OpenStore();
  const pid_t child = ::fork();
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    RecordingMessageSink sink;
    auto store = SqliteHistoryStore::Open(path, sink);
    struct stat info {};
    ::stat(path.c_str(), &info);
    const rlimit limit{static_cast<rlim_t>(info.st_size + 64 * 1024), RLIM_INFINITY};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    int begun = 0;
    bool stopped = false;
    for (int i = 0; i < 2000 && !stopped; ++i) {
      const std::int64_t id = store->Begin(PowerOnStart("/dev/ttyUSB0"));
      if (id == 0) {
        stopped = true;
        break;
      }
      ++begun;
      store->AppendTrace(id, UploadTrace(200, {0, TraceDirection::Sent, 'A', false}));
    }
    const bool laterQuiet = store->Begin(PowerOnStart("/dev/ttyUSB0")) == 0;
    const bool told = sink.messages.size() == 1 &&
                      sink.messages[0].text.rfind(SqliteHistoryStore::kNotKeptText, 0) == 0;
    ::_exit(stopped && begun > 0 && laterQuiet && told ? 0 : 1);
  }
  int status = -1;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(IntegrityOf(path), "ok");
  auto store = OpenStore();
  EXPECT_GT(store->Count(), 0);
  EXPECT_TRUE(messages.messages.empty());
}

TEST_F(HistoryStoreTest, TheStateFolderFollowsXdgStateHome) {
  struct Case {
    const char* state;
    const char* home;
    const char* expected;
  } cases[] = {
      {"/srv/state", "/home/tech", "/srv/state/Quorvel/KORApc/history.sqlite"},
      {"", "/home/tech", "/home/tech/.local/state/Quorvel/KORApc/history.sqlite"},
      {"relative/state", "/home/tech/", "/home/tech/.local/state/Quorvel/KORApc/history.sqlite"},
      {nullptr, nullptr, ""},
  };
  for (const Case& c : cases) {
    const ScopedEnv state("XDG_STATE_HOME", c.state);
    const ScopedEnv home("HOME", c.home);
    EXPECT_EQ(GetHistoryFilePath(), c.expected) << (c.state ? c.state : "(unset)");
  }
}

TEST_F(HistoryStoreTest, OnlyTheNewestThousandTracesAreKeptButEveryRecord) {
  auto store = OpenStore();
  for (int i = 0; i < 1002; ++i) {
    const std::int64_t id = store->Begin(PowerOnStart("/dev/ttyUSB0"));
    store->AppendTrace(id, {{0, TraceDirection::Sent, 'M', false}});
  }
  EXPECT_EQ(store->Count(), 1002);
  EXPECT_FALSE(store->Get(1)->traceKept);
  EXPECT_TRUE(store->Trace(2).empty());
  EXPECT_TRUE(store->Get(3)->traceKept);
  EXPECT_EQ(store->Trace(3).size(), 1u);
}

// Four processes and a thread of this one, each with a store of its own on
// the same file, write whole records at the same time.
TEST_F(HistoryStoreTest, SeveralWritersAtOnceLeaveEveryRecordWhole) {
  constexpr int kProcesses = 4;
  constexpr int kEach = 25;
  OpenStore();  // made before the writers start
  const auto write = [this] {
    RecordingMessageSink sink;
    auto store = SqliteHistoryStore::Open(path, sink);
    int ok = 0;
    for (int i = 0; i < kEach; ++i) {
      const std::int64_t id = store->Begin(PowerOnStart("/dev/ttyUSB0"));
      for (int k = 0; k < 5; ++k) store->AppendTrace(id, {{k, TraceDirection::Sent, 'A', false}});
      ok += store->Complete(id, {UploadOutcome::Programmed, "", 20, 20, {}, 5}) ? 1 : 0;
    }
    return ok == kEach && sink.messages.empty();
  };
  std::vector<pid_t> children;
  for (int p = 0; p < kProcesses; ++p) {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(write() ? 0 : 1);
    children.push_back(child);
  }
  bool threadOk = false;
  std::thread window([&] { threadOk = write(); });
  window.join();
  EXPECT_TRUE(threadOk);
  for (const pid_t child : children) {
    int status = -1;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  auto store = OpenStore();
  const auto all = store->List(1000);
  ASSERT_EQ(all.size(), static_cast<std::size_t>((kProcesses + 1) * kEach));
  for (const UploadRecord& r : all) {
    EXPECT_EQ(r.end.result, UploadOutcome::Programmed) << r.id;
    EXPECT_EQ(store->Trace(r.id).size(), 5u) << r.id;
  }
  EXPECT_EQ(IntegrityOf(path), "ok");
}

}  // namespace
