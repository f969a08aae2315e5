// The record opened on first use, and the record that keeps nothing.
#include "history/deferredhistorystore.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>
#include <vector>

#include "history/processidentity.h"
#include "history/unkepthistorystore.h"
#include "support/recordingmessagesink.h"
#include "support/tempdir.h"

namespace {

UploadStart PowerOnStart() {
  UploadStart s;
  s.started = "2026-12-09T15:41:58.123Z";
  s.user = "tech";
  s.host = "bench-pc";
  s.version = "1.0.0";
  s.port = {"/dev/ttyUSB0", "", std::nullopt};
  s.what = UploadWhat::PowerOn;
  s.powerOn = {3, 3, 0, 1, 0, 2, 4, 9, 8, 0, 0, 2, 1, 1, 0, 0, 0, 0, 3, 4};
  s.dataSha256 = std::string(64, 'a');
  s.process = CurrentProcess();
  return s;
}

// Nothing is created until the first call; then the file is the record, and
// uploads begun at once from several threads are each kept.
TEST(DeferredHistoryStore, OpensTheFileAtTheFirstCallAndKeepsWhatItIsGiven) {
  TempDir folder;
  const std::string path = folder.File("state/history.sqlite");
  RecordingMessageSink sink;
  DeferredHistoryStore store(path, sink);
  EXPECT_FALSE(std::filesystem::exists(folder.File("state")));

  std::vector<std::thread> workers;
  for (int i = 0; i < 4; ++i) {
    workers.emplace_back([&] { EXPECT_GT(store.Begin(PowerOnStart()), 0); });
  }
  for (std::thread& worker : workers) worker.join();
  EXPECT_TRUE(std::filesystem::exists(path));
  EXPECT_EQ(store.Count(), 4);
  EXPECT_TRUE(sink.messages.empty());

  RecordingMessageSink otherSink;
  auto again = SqliteHistoryStore::Open(path, otherSink);
  EXPECT_EQ(again->Count(), 4);
}

// Where nothing can be kept, the one message comes at the first call, not as
// the store is built, and never again.
TEST(DeferredHistoryStore, SaysOnceAtTheFirstCallThatNothingIsKept) {
  TempDir folder;
  TempDir::WriteAll(folder.File("state"), "a file where the folder should be");
  RecordingMessageSink sink;
  DeferredHistoryStore store(folder.File("state/history.sqlite"), sink);
  EXPECT_TRUE(sink.messages.empty());
  store.Open();
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].text.rfind(SqliteHistoryStore::kNotKeptText, 0), 0u);
  EXPECT_EQ(store.Begin(PowerOnStart()), 0);
  EXPECT_EQ(store.Count(), 0);
  EXPECT_EQ(sink.messages.size(), 1u);
}

TEST(UnkeptHistoryStore, BeginsNothingAndFindsNothing) {
  UnkeptHistoryStore store;
  EXPECT_EQ(store.Begin(PowerOnStart()), 0);
  store.AppendTrace(0, {TraceByte{0, TraceDirection::Sent, 'X', false}});
  EXPECT_FALSE(store.Complete(0, UploadEnd{}));
  EXPECT_EQ(store.Count(), 0);
  EXPECT_TRUE(store.List(10).empty());
  EXPECT_FALSE(store.Get(1).has_value());
  EXPECT_TRUE(store.Trace(1).empty());
}

}  // namespace
