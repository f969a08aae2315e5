// "Set Auto Selections" from the page, through the real serial port, against
// the virtual KORA-1. A full upload takes about 40 seconds of protocol waits.
#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "autoselect/autoselectframe.h"
#include "common/programstrings.h"
#include "ui/upload/koraprogressform.h"
#include "support/progressobservingsink.h"
#include "support/aslrecord.h"
#include "support/recordingmessagesink.h"
#include "support/tempdir.h"
#include "support/virtualkorahost.h"

namespace {

const RecordedMessage kNotice{"Switch KORA-1 power OFF, then switch\nback ON for settings to take effect.",
                              "Auto Selections", MessageIcon::None};

using Bytes = std::vector<std::uint8_t>;

// The instrument memory at 512..911 that a file's ten records become: per
// record, its name (up to the first NUL) padded with blanks to 20 bytes, then
// its codes up to the first 0 as 16-bit little-endian words, 0 after them.
Bytes SlotsOf(const std::string& file) {
  Bytes memory;
  for (std::size_t record = 0; record < 640; record += 64) {
    const std::string field = file.substr(record, 24);
    const std::string name = field.substr(0, field.find('\0'));
    for (std::size_t i = 0; i < 20; ++i) {
      memory.push_back(i < name.size() ? static_cast<std::uint8_t>(name[i]) : ' ');
    }
    bool ended = false;
    for (std::size_t code = record + 24; code < record + 64; code += 4) {
      ended = ended || file.compare(code, 4, std::string(4, '\0')) == 0;
      memory.push_back(ended ? 0 : static_cast<std::uint8_t>(file[code]));
      memory.push_back(ended ? 0 : static_cast<std::uint8_t>(file[code + 1]));
    }
  }
  return memory;
}

// A pseudo-terminal can hold a byte on its way to the virtual KORA-1 for more
// than 10 ms when the kernel's worker is late, and the link then sends it again
// (as it must: the protocol has no checksum). What this test looks at is what
// reaches the instrument, so it gives each echo 20 ms; the waits of the default
// pace are pinned against the scripted port and timed in bench/bench_upload.
constexpr int kRealTimeDelayMs = 20;

class AutoSelectMainUploadTest : public ::testing::Test {
 protected:
  void Upload(const std::string& defaultFile, const std::vector<std::string>& hostArgs = {}) {
    TempDir::WriteAll(data.File("autoselect.asl"), defaultFile);
    host = std::make_unique<VirtualKoraHost>(hostArgs);
    const LinkSettings link{host->LinkPath(), kRealTimeDelayMs, kora::kServiceCodeText};
    page = std::make_unique<TAutoSelectMain>(
        PageSetup{data.File("korapc.ini"), data.File("autoselect.asl"), [link] { return link; }}, nullptr,
        &sink);
    page->show();
    QTest::mouseClick(page->btnSetAuto, Qt::LeftButton);
  }
  Bytes Memory(int first, int last) const {
    const Bytes memory = host->Memory();
    return {memory.begin() + first, memory.begin() + last + 1};
  }

  TempDir data;  // the page's data folder
  ProgressObservingSink sink;
  std::unique_ptr<VirtualKoraHost> host;
  std::unique_ptr<TAutoSelectMain> page;
};

TEST_F(AutoSelectMainUploadTest, TenEntriesFillMemory512To911AndEndWithTheNotice) {
  const std::string file =
      AslRecord("ECG 80", {13, 300, 511}) + AslRecord("B", {7}) +
      AslRecord("TWENTY CHARACTERS OK", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}) + AslRecord("", {}) +
      AslRecord("\xC9T\xC9 \xB5V", {256}) + AslRecord("FIVE ONLY", {5, 0, 7}) + AslRecord("APNEA", {490}) +
      AslRecord("7", {}) + AslRecord("NINE", {144, 145}) + AslRecord("LAST SLOT", {255, 256, 257});
  Upload(file);
  EXPECT_EQ(sink.messages, std::vector<RecordedMessage>{kNotice});
  EXPECT_EQ(sink.progressPosition, std::vector<int>{-1});  // the progress window had gone
  EXPECT_TRUE(page->LastUpload().completed);
  EXPECT_EQ(page->LastUpload().stepsDone, 300);
  EXPECT_EQ(page->LastUpload().maximum, 300);
  EXPECT_TRUE(host->WaitForLog("X: service mode ended"));

  // The entry with three codes: its padded name, three words, seven zero words.
  const std::string name0 = "ECG 80" + std::string(14, ' ');
  Bytes slot0(name0.begin(), name0.end());
  slot0.insert(slot0.end(), {13, 0, 44, 1, 255, 1});  // 13, 300 = 0x012C, 511 = 0x01FF
  slot0.resize(40, 0);
  EXPECT_EQ(Memory(512, 551), slot0);
  EXPECT_EQ(Memory(552, 552), Bytes{'B'});     // the second name
  EXPECT_EQ(Memory(572, 573), (Bytes{7, 0}));  // its first code
  EXPECT_EQ(Memory(512, 911), SlotsOf(file));
  EXPECT_EQ(Memory(911, 912), (Bytes{0, 0xFF}));  // nothing beyond the last slot
}

TEST_F(AutoSelectMainUploadTest, AFailureInTheThirdOfThreeSlotsSendsNoXAndShowsNoNotice) {
  // Bar of 90; the 100th command is the third name's last byte.
  Upload(AslRecord("ONE", {13}) + AslRecord("TWO", {14}) + AslRecord("THREE", {15}),
         {"--fault", "N@100"});
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].caption, "KORA-1 Memory Error");
  EXPECT_EQ(sink.progressPosition, std::vector<int>{79});
  EXPECT_FALSE(page->LastUpload().completed);
  EXPECT_EQ(page->LastUpload().maximum, 90);
  EXPECT_EQ(host->Commands().size(), 100u);
  host->Stop();
  EXPECT_EQ(host->Log().find("X: service mode ended"), std::string::npos);
  EXPECT_EQ(Memory(572, 573), (Bytes{14, 0}));      // the second slot is whole
  EXPECT_EQ(Memory(610, 611), (Bytes{' ', 0xFF}));  // 611 was refused
  EXPECT_EQ(Memory(632, 911), Bytes(280, 0xFF));    // slots 3 to 9 untouched
}

}  // namespace
