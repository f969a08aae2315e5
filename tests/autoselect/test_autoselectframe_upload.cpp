// "Set Auto Selections" from the page, through the upload runner, over the
// scripted port and the fake clock.
#include <gtest/gtest.h>
#include <QPushButton>
#include <QTest>

#include <map>

#include "autoselect/autoselectframe.h"
#include "support/aslrecord.h"
#include "support/pagebench.h"
#include "support/refusingwrite.h"
#include "support/tempdir.h"

namespace {

const RecordedMessage kNotice{
    "Switch KORA-1 power OFF, then switch\nback ON for settings to take effect.", "Auto Selections",
    MessageIcon::None};
const std::string kServiceRequest = "MS5173920468";

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

class AutoSelectMainUploadTest : public ::testing::Test {
 protected:
  void Upload(const std::string& defaultFile) {
    TempDir::WriteAll(data.File("autoselect.asl"), defaultFile);
    page = std::make_unique<TAutoSelectMain>(
        PageSetup{data.File("korapc.ini"), data.File("autoselect.asl")}, bench.fakes.services,
        bench.runner);
    page->show();
    QTest::mouseClick(page->btnSetAuto, Qt::LeftButton);
  }
  // The memory commands written after the service-mode request, each
  // "A" address "D" value "R", in order.
  std::vector<std::pair<int, int>> Writes() const {
    std::vector<std::pair<int, int>> writes;
    EXPECT_EQ(port.written.rfind(kServiceRequest, 0), 0u);
    std::size_t at = kServiceRequest.size();
    while (at < port.written.size() && port.written[at] == 'A') {
      const std::size_t d = port.written.find('D', at);
      const std::size_t r = port.written.find('R', at);
      writes.emplace_back(std::stoi(port.written.substr(at + 1, d - at - 1)),
                          std::stoi(port.written.substr(d + 1, r - d - 1)));
      at = r + 1;
    }
    return writes;
  }
  // Memory first..last as the accepted writes leave it (0xFF where nothing
  // was written); accepted: how many of the writes the instrument stored.
  Bytes Memory(int first, int last, std::size_t accepted = SIZE_MAX) const {
    std::map<int, int> memory;
    const auto writes = Writes();
    for (std::size_t i = 0; i < writes.size() && i < accepted; ++i)
      memory[writes[i].first] = writes[i].second;
    Bytes bytes;
    for (int a = first; a <= last; ++a) {
      bytes.push_back(memory.count(a) != 0 ? static_cast<std::uint8_t>(memory[a]) : 0xFF);
    }
    return bytes;
  }

  TempDir data;  // the page's data folder
  PageBench bench;
  ProgressObservingSink& sink = bench.fakes.messages;
  ScriptedPort& port = bench.fakes.port;
  std::unique_ptr<TAutoSelectMain> page;
};

TEST_F(AutoSelectMainUploadTest, TenEntriesFillMemory512To911AndEndWithTheNotice) {
  const std::string file = AslRecord("ECG 80", {13, 300, 511}) + AslRecord("B", {7}) +
                           AslRecord("TWENTY CHARACTERS OK", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}) +
                           AslRecord("", {}) + AslRecord("\xC9T\xC9 \xB5V", {256}) +
                           AslRecord("FIVE ONLY", {5, 0, 7}) + AslRecord("APNEA", {490}) +
                           AslRecord("7", {}) + AslRecord("NINE", {144, 145}) +
                           AslRecord("LAST SLOT", {255, 256, 257});
  Upload(file);
  EXPECT_EQ(sink.messages, std::vector<RecordedMessage>{kNotice});
  EXPECT_EQ(sink.progressPosition, std::vector<int>{-1});  // the progress window had gone
  EXPECT_TRUE(page->LastUpload().completed);
  EXPECT_EQ(page->LastUpload().stepsDone, 300);
  EXPECT_EQ(page->LastUpload().maximum, 300);
  EXPECT_EQ(port.written.back(), 'X');
  EXPECT_FALSE(port.open);

  // Each slot in address order, one byte a write: the first slot's writes as
  // they go out, its name then its three words.
  ASSERT_EQ(Writes().size(), 400u);
  EXPECT_EQ(port.written.substr(kServiceRequest.size(), 32), "A512D69RA513D67RA514D71RA515D32R");
  EXPECT_NE(port.written.find("A531D32RA532D13RA533D0RA534D44RA535D1RA536D255RA537D1RA538D0R"),
            std::string::npos);
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
  port.respond = InstrumentRefusingWrite(100, 'N');
  Upload(AslRecord("ONE", {13}) + AslRecord("TWO", {14}) + AslRecord("THREE", {15}));
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].caption, "KORA-1 Memory Error");
  EXPECT_EQ(sink.progressPosition, std::vector<int>{79});
  EXPECT_FALSE(page->LastUpload().completed);
  EXPECT_EQ(page->LastUpload().maximum, 90);
  EXPECT_EQ(Writes().size(), 100u);
  EXPECT_EQ(port.written.find('X'), std::string::npos);
  EXPECT_EQ(port.written.substr(port.written.size() - 8), "A611D32R");  // the refused write
  EXPECT_EQ(Memory(572, 573, 99), (Bytes{14, 0}));                      // the second slot is whole
  EXPECT_EQ(Memory(610, 611, 99), (Bytes{' ', 0xFF}));                  // 611 was refused
  EXPECT_EQ(Memory(632, 911, 99), Bytes(280, 0xFF));                    // slots 3 to 9 untouched
}

}  // namespace
