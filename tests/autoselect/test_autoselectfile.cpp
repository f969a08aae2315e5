#include "autoselect/autoselectfile.h"

#include <sys/resource.h>
#include <csignal>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "support/recordingmessagesink.h"
#include "support/tempdir.h"

namespace {

const RecordedMessage kOpenError{"An error occurred while opening the file.", "Error Opening File",
                                 MessageIcon::Stop};
const RecordedMessage kReadError{"An error occurred while reading the file.", "Error Reading File",
                                 MessageIcon::Stop};
const RecordedMessage kWriteError{"An error occurred while writing the file.", "Error Writing File",
                                  MessageIcon::Stop};

// Record i of a test file: name "E<i>", codes 10 + i and 230, written out from
// the layout (24 name bytes, ten little-endian words).
std::string RecordFor(int i) {
  std::string r = "E" + std::to_string(i);
  r.resize(24, '\0');
  r += static_cast<char>(10 + i);
  r += std::string(3, '\0');
  r += std::string("\xE6\x00\x00\x00", 4);
  r.resize(64, '\0');
  return r;
}

TAutoSelect EntryFor(int i) {
  TAutoSelect e;
  e.SetName("E" + std::to_string(i));
  EXPECT_EQ(e.AddKey(10 + i), 0);
  EXPECT_EQ(e.AddKey(230), 0);
  return e;
}

// size bytes of consecutive records (the last one possibly cut short).
std::string FileBytes(std::size_t size) {
  std::string bytes;
  for (int i = 0; bytes.size() < size; ++i) bytes += RecordFor(i);
  bytes.resize(size, '\0');
  return bytes;
}

AutoSelectList Marker() {
  TAutoSelect m;
  m.SetName("UNTOUCHED");
  EXPECT_EQ(m.AddKey(480), 0);
  return AutoSelectList(3, m);
}

class AutoSelectFileTest : public ::testing::Test {
 protected:
  TempDir dir;
  RecordingMessageSink sink;
};

struct SizeCase {
  std::size_t bytes;
  bool opens;           // the strict Open accepts it
  std::size_t lenient;  // entries the default-file read gives
};

class FileSizeTest : public AutoSelectFileTest, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(FileSizeTest, BothReaders) {
  const SizeCase c = GetParam();
  const std::string path = dir.File("f.asl");
  TempDir::WriteAll(path, FileBytes(c.bytes));

  AutoSelectList list = Marker();
  const int result = OpenAutoSelectFile(path, list, sink);
  if (c.opens) {
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(sink.messages.empty());
    ASSERT_EQ(list.size(), 10u);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(list[static_cast<std::size_t>(i)], EntryFor(i)) << i;
  } else {
    EXPECT_EQ(result, -1);
    EXPECT_EQ(sink.messages, std::vector<RecordedMessage>{kReadError});
    EXPECT_EQ(list, Marker());
  }

  AutoSelectList lenient = Marker();
  LoadDefaultAutoSelectFile(path, lenient);
  ASSERT_EQ(lenient.size(), c.lenient);
  for (std::size_t i = 0; i < c.lenient; ++i) EXPECT_EQ(lenient[i], EntryFor(static_cast<int>(i)));
}

INSTANTIATE_TEST_SUITE_P(Sizes, FileSizeTest,
                         ::testing::Values(SizeCase{640, true, 10}, SizeCase{639, false, 9},
                                           SizeCase{700, true, 10}, SizeCase{192, false, 3},
                                           SizeCase{200, false, 3}, SizeCase{0, false, 0}),
                         [](const ::testing::TestParamInfo<SizeCase>& p) {
                           return std::to_string(p.param.bytes) + "bytes";
                         });

TEST_F(AutoSelectFileTest, OpenThatCannotOpenLeavesTheListUntouched) {
  AutoSelectList list = Marker();
  EXPECT_EQ(OpenAutoSelectFile(dir.File("missing.asl"), list, sink), -1);
  EXPECT_EQ(OpenAutoSelectFile(dir.path(), list, sink), -1);
  EXPECT_EQ(sink.messages, (std::vector<RecordedMessage>{kOpenError, kOpenError}));
  EXPECT_EQ(list, Marker());
}

TEST_F(AutoSelectFileTest, AMissingDefaultFileGivesTenEmptyEntriesWrittenAs640Zeros) {
  AutoSelectList list = Marker();
  LoadDefaultAutoSelectFile(dir.File("autoselect.asl"), list);
  EXPECT_EQ(list, AutoSelectList(10));
  LoadDefaultAutoSelectFile(dir.path(), list);  // a folder in its place reads like no file
  EXPECT_EQ(list, AutoSelectList(10));

  EXPECT_EQ(SaveDefaultAutoSelectFile(dir.File("autoselect.asl"), list), 0);
  EXPECT_EQ(TempDir::ReadAll(dir.File("autoselect.asl")), std::string(640, '\0'));
}

TEST_F(AutoSelectFileTest, SaveWritesOneRecordPerEntryAndOpensBackUnchanged) {
  AutoSelectList list;
  for (int i = 0; i < 10; ++i) list.push_back(EntryFor(i));
  list[4].SetName("A NAME OF 25 CHARACTERS..");
  const std::string path = dir.File("saved.asl");
  TempDir::WriteAll(path, std::string(2000, 'x'));  // an older, longer file is replaced whole

  ASSERT_EQ(SaveAutoSelectFile(path, list, sink), 0);
  EXPECT_TRUE(sink.messages.empty());
  const std::string bytes = TempDir::ReadAll(path);
  ASSERT_EQ(bytes.size(), 640u);
  EXPECT_EQ(bytes.substr(0, 64), RecordFor(0));
  EXPECT_EQ(bytes.substr(576, 64), RecordFor(9));
  EXPECT_EQ(bytes.substr(256, 24), "A NAME OF 25 CHARACT" + std::string(4, '\0'));

  AutoSelectList back;
  ASSERT_EQ(OpenAutoSelectFile(path, back, sink), 0);
  list[4].SetName("A NAME OF 25 CHARACT");
  EXPECT_EQ(back, list);
}

TEST_F(AutoSelectFileTest, OpeningAndSavingGivesBackTheSameBytesWhateverTheNamesHold) {
  // Names another program wrote: control bytes, the bytes the code page
  // leaves undefined, a full 20 characters, and an empty one.
  const std::string names[10] = {
      "A\x01"
      "B",
      "\x1F\x7F",
      "TAB\tCR\rLF\n",
      "\x81\x8D\x8F\x90\x9D",
      "12345678901234567890",
      "",
      "37\xBA"
      "C \xB5V",
      "\x02",
      "END\x1B",
      "\xFF\xA0\xAD"};
  std::string bytes;
  for (int i = 0; i < 10; ++i) {
    std::string record = names[i];
    record.resize(24, '\0');
    record += static_cast<char>(13 + i);
    record.resize(64, '\0');
    bytes += record;
  }
  TempDir::WriteAll(dir.File("foreign.asl"), bytes);
  AutoSelectList list;
  ASSERT_EQ(OpenAutoSelectFile(dir.File("foreign.asl"), list, sink), 0);
  EXPECT_EQ(list[2].GetName(), "TAB\tCR\rLF\n");
  ASSERT_EQ(SaveAutoSelectFile(dir.File("again.asl"), list, sink), 0);
  EXPECT_EQ(TempDir::ReadAll(dir.File("again.asl")), bytes);
  AutoSelectList lenient;
  LoadDefaultAutoSelectFile(dir.File("again.asl"), lenient);
  EXPECT_EQ(lenient, list);
  EXPECT_TRUE(sink.messages.empty());
}

TEST_F(AutoSelectFileTest, AThreeEntryListSavesAs192BytesWhichOpenRejects) {
  const AutoSelectList three = {EntryFor(0), EntryFor(1), EntryFor(2)};
  const std::string path = dir.File("three.asl");
  ASSERT_EQ(SaveAutoSelectFile(path, three, sink), 0);
  EXPECT_EQ(TempDir::ReadAll(path), FileBytes(192));
  AutoSelectList list = Marker();
  EXPECT_EQ(OpenAutoSelectFile(path, list, sink), -1);
  EXPECT_EQ(sink.messages, std::vector<RecordedMessage>{kReadError});
  EXPECT_EQ(list, Marker());
}

TEST_F(AutoSelectFileTest, SaveWhereNoFileCanBeCreatedIsAnOpenError) {
  const AutoSelectList list(10);
  EXPECT_EQ(SaveAutoSelectFile(dir.File("no/such/folder/a.asl"), list, sink), -1);
  EXPECT_EQ(SaveAutoSelectFile(dir.path(), list, sink), -1);
  EXPECT_EQ(sink.messages, (std::vector<RecordedMessage>{kOpenError, kOpenError}));
  EXPECT_EQ(SaveDefaultAutoSelectFile(dir.File("no/such/folder/a.asl"), list), -1);
  EXPECT_EQ(sink.messages.size(), 2u);  // the default file reports nothing
}

TEST_F(AutoSelectFileTest, SaveThroughASymbolicLinkWritesItsTarget) {
  const std::string target = dir.File("real.asl");
  TempDir::WriteAll(target, "old");
  std::filesystem::create_symlink(target, dir.File("link.asl"));
  ASSERT_EQ(SaveAutoSelectFile(dir.File("link.asl"), AutoSelectList(10), sink), 0);
  EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.asl")));
  EXPECT_EQ(TempDir::ReadAll(target), std::string(640, '\0'));
}

// Makes every file write past limit bytes fail with EFBIG, the way a full disk
// fails a write after the file was opened.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t limit) {
    ::getrlimit(RLIMIT_FSIZE, &old_);
    oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit r = old_;
    r.rlim_cur = limit;
    ::setrlimit(RLIMIT_FSIZE, &r);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, oldHandler_);
  }

 private:
  rlimit old_{};
  void (*oldHandler_)(int) = nullptr;
};

TEST_F(AutoSelectFileTest, AFailedWriteIsReportedAndLeavesThePreviousFileWhole) {
  const std::string path = dir.File("kept.asl");
  const std::string previous = FileBytes(640);
  TempDir::WriteAll(path, previous);
  AutoSelectList list(10);
  int saved = 0;
  int savedDefault = 0;
  {
    FileSizeLimit limit(100);
    saved = SaveAutoSelectFile(path, list, sink);
    savedDefault = SaveDefaultAutoSelectFile(path, list);
  }
  EXPECT_EQ(saved, -1);
  EXPECT_EQ(savedDefault, -1);
  EXPECT_EQ(sink.messages, std::vector<RecordedMessage>{kWriteError});
  EXPECT_EQ(TempDir::ReadAll(path), previous);
  // No temporary file is left beside it.
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++files;
  EXPECT_EQ(files, 1u);
}

}  // namespace
