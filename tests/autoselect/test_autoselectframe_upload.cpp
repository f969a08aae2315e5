// "Set Auto Selections" from the page, through the real serial port, against
// the virtual KORA-1. A full upload takes about 40 seconds of protocol waits.
#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "app/koraglobals.h"
#include "autoselect/autoselectframe.h"
#include "device/koraprogressform.h"
#include "support/recordingmessagesink.h"
#include "support/tempdir.h"
#include "support/virtualkorahost.h"

namespace {

const std::string kAdvice = "\n\n-Power down KORA-1\n-Wait one second\n-Power up KORA-1 and try again.";
const RecordedMessage kNotice{"Switch KORA-1 power OFF, then switch\nback ON for settings to take effect.",
                              "Auto Selections", MessageIcon::None};

// One 64-byte .asl record: 24 name bytes NUL-filled, then ten little-endian
// 32-bit codes.
std::string Record(const std::string& name, std::initializer_list<std::int32_t> codes) {
  std::string record(64, '\0');
  record.replace(0, name.size(), name);
  int offset = 24;
  for (std::int32_t code : codes) {
    const auto value = static_cast<std::uint32_t>(code);
    for (int byte = 0; byte < 4; ++byte) {
      record[static_cast<std::size_t>(offset++)] = static_cast<char>(value >> (8 * byte));
    }
  }
  return record;
}

std::uint32_t Code(const std::string& record, int place) {
  std::uint32_t value = 0;
  for (int byte = 3; byte >= 0; --byte) {
    const auto at = static_cast<std::size_t>(24 + 4 * place + byte);
    value = (value << 8) | static_cast<unsigned char>(record[at]);
  }
  return value;
}

// The 400 bytes of instrument memory at 512..911 that a file's ten records
// become: per record, its name (up to the first NUL) padded with blanks to 20
// bytes, then its codes up to the first 0 as 16-bit little-endian words, 0 in
// the places after them.
std::vector<std::uint8_t> SlotsOf(const std::string& file) {
  std::vector<std::uint8_t> memory;
  for (int slot = 0; slot < 10; ++slot) {
    const std::string record = file.substr(static_cast<std::size_t>(64 * slot), 64);
    const std::string name = record.substr(0, record.find('\0'));
    for (std::size_t i = 0; i < 20; ++i) {
      memory.push_back(i < name.size() ? static_cast<std::uint8_t>(name[i]) : ' ');
    }
    bool ended = false;
    for (int place = 0; place < 10; ++place) {
      ended = ended || Code(record, place) == 0;
      const std::uint32_t code = ended ? 0 : Code(record, place);
      memory.push_back(static_cast<std::uint8_t>(code & 0xFF));
      memory.push_back(static_cast<std::uint8_t>(code >> 8));
    }
  }
  return memory;
}

TKORAProgress* FindProgressWindow() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (auto* progress = qobject_cast<TKORAProgress*>(widget)) return progress;
  }
  return nullptr;
}

// Records each message with the progress bar's position at that moment (-1
// when no progress window was on screen).
class ObservingSink : public RecordingMessageSink {
 public:
  void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) override {
    RecordingMessageSink::ShowMessage(text, caption, icon);
    TKORAProgress* progress = FindProgressWindow();
    position.push_back(progress != nullptr && progress->isVisible() ? progress->Position() : -1);
  }
  std::vector<int> position;
};

class AutoSelectMainUploadTest : public ::testing::Test {
 protected:
  void Upload(const std::string& defaultFile, const std::vector<std::string>& hostArgs = {}) {
    TempDir::WriteAll(GetAutoSelectFilePath(), defaultFile);
    host = std::make_unique<VirtualKoraHost>(hostArgs);
    ChosenComPort = host->LinkPath();
    ServiceCode = kora::kServiceCodeText;
    page = std::make_unique<TAutoSelectMain>(nullptr, &sink);
    page->show();
    QTest::mouseClick(page->btnSetAuto, Qt::LeftButton);
  }
  std::vector<std::uint8_t> MemoryFrom(int first, int last) const {
    const std::vector<std::uint8_t> memory = host->Memory();
    return {memory.begin() + first, memory.begin() + last + 1};
  }
  bool ServiceModeEnded() const { return host->Log().find("X: service mode ended") != std::string::npos; }

  ScopedConfigHome home;
  ObservingSink sink;
  std::unique_ptr<VirtualKoraHost> host;
  std::unique_ptr<TAutoSelectMain> page;
};

TEST_F(AutoSelectMainUploadTest, TenEntriesFillMemory512To911AndEndWithTheNotice) {
  const std::string file = Record("ECG 80", {13, 300, 511}) + Record("B", {7}) +
                           Record("TWENTY CHARACTERS OK", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}) + Record("", {}) +
                           Record("\xC9T\xC9 \xB5V", {256}) + Record("FIVE ONLY", {5, 0, 7}) +
                           Record("APNEA", {490}) + Record("7", {}) + Record("NINE", {144, 145}) +
                           Record("LAST SLOT", {255, 256, 257});
  ASSERT_EQ(file.size(), 640u);
  Upload(file);

  EXPECT_EQ(sink.messages, std::vector<RecordedMessage>{kNotice});
  EXPECT_EQ(sink.position, std::vector<int>{-1});  // the progress window had gone
  EXPECT_TRUE(page->LastUpload().completed);
  EXPECT_EQ(page->LastUpload().stepsDone, 300);
  EXPECT_EQ(page->LastUpload().maximum, 300);
  EXPECT_EQ(FindProgressWindow(), nullptr);
  EXPECT_TRUE(host->WaitForLog("X: service mode ended"));
  EXPECT_EQ(host->Commands().size(), 400u);

  // The entry with three codes: its padded name, three words, seven zero words.
  const std::string name0 = "ECG 80" + std::string(14, ' ');
  std::vector<std::uint8_t> slot0(name0.begin(), name0.end());
  slot0.insert(slot0.end(), {13, 0, 44, 1, 255, 1});  // 13, 300 = 0x012C, 511 = 0x01FF
  slot0.resize(40, 0);
  EXPECT_EQ(MemoryFrom(512, 551), slot0);
  EXPECT_EQ(MemoryFrom(552, 552), std::vector<std::uint8_t>{'B'});  // the second name
  EXPECT_EQ(MemoryFrom(572, 573), (std::vector<std::uint8_t>{7, 0}));  // its first code

  EXPECT_EQ(MemoryFrom(512, 911), SlotsOf(file));
  EXPECT_EQ(MemoryFrom(511, 511), std::vector<std::uint8_t>{0xFF});
  EXPECT_EQ(MemoryFrom(912, 912), std::vector<std::uint8_t>{0xFF});
  EXPECT_EQ(page->AutoSelections()[0].KeyCount(), 3u);  // an upload changes nothing on the page
}

TEST_F(AutoSelectMainUploadTest, AFailureInTheThirdSlotSendsNoXAndShowsNoNotice) {
  // Three slots, a bar of 90; the 100th command is the third name's last byte.
  Upload(Record("ONE", {13}) + Record("TWO", {14}) + Record("THREE", {15}), {"--fault", "N@100"});
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0], (RecordedMessage{"Memory program/verify error!" + kAdvice,
                                               "KORA-1 Memory Error", MessageIcon::Stop}));
  EXPECT_EQ(sink.position, std::vector<int>{79});
  EXPECT_FALSE(page->LastUpload().completed);
  EXPECT_EQ(page->LastUpload().stepsDone, 79);
  EXPECT_EQ(page->LastUpload().maximum, 90);
  EXPECT_EQ(host->Commands().size(), 100u);
  EXPECT_EQ(FindProgressWindow(), nullptr);
  host->Stop();
  EXPECT_FALSE(ServiceModeEnded());
  EXPECT_EQ(MemoryFrom(572, 573), (std::vector<std::uint8_t>{14, 0}));  // the second slot is whole
  EXPECT_EQ(MemoryFrom(592, 594), (std::vector<std::uint8_t>{'T', 'H', 'R'}));
  EXPECT_EQ(MemoryFrom(610, 612), (std::vector<std::uint8_t>{' ', 0xFF, 0xFF}));  // 611 was refused
  EXPECT_EQ(MemoryFrom(632, 911), std::vector<std::uint8_t>(280, 0xFF));
}

}  // namespace
