// "Set Power On Values" from the page, through the real serial port, against
// the virtual KORA-1.
#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "common/programstrings.h"
#include "ui/upload/koraprogressform.h"
#include "poweron/poframe.h"
#include "support/progressobservingsink.h"
#include "support/recordingmessagesink.h"
#include "support/tempdir.h"
#include "support/virtualkorahost.h"

namespace {

const std::string kAdvice = "\n\n-Power down KORA-1\n-Wait one second\n-Power up KORA-1 and try again.";
const RecordedMessage kNotice{"Switch KORA-1 power OFF, then switch\nback ON for settings to take effect.",
                              "Power On Settings", MessageIcon::None};

// A pseudo-terminal can hold a byte on its way to the virtual KORA-1 for more
// than 10 ms when the kernel's worker is late, and the link then sends it again
// (as it must: the protocol has no checksum). What this test looks at is what
// reaches the instrument, so it gives each echo 20 ms; the waits of the default
// pace are pinned against the scripted port and timed in bench/bench_upload.
constexpr int kRealTimeDelayMs = 20;

class POMainUploadTest : public ::testing::Test {
 protected:
  void Upload(const std::vector<std::string>& hostArgs = {}) {
    host = std::make_unique<VirtualKoraHost>(hostArgs);
    const LinkSettings link{host->LinkPath(), kRealTimeDelayMs, kora::kServiceCodeText};
    page = std::make_unique<TPOMain>(
        PageSetup{data.File("korapc.ini"), data.File("poweron.dat"), [link] { return link; }}, nullptr,
        &sink);
    page->show();
    QTest::mouseClick(page->btnSetPowerOn, Qt::LeftButton);
  }
  int MemoryAt(int address) const { return host->Memory().at(static_cast<std::size_t>(address)); }
  bool ServiceModeEnded() const { return host->Log().find("X: service mode ended") != std::string::npos; }

  TempDir data;  // the page's data folder
  ProgressObservingSink sink;
  std::unique_ptr<VirtualKoraHost> host;
  std::unique_ptr<TPOMain> page;
};

TEST_F(POMainUploadTest, TheFactoryDefaultsGoOutAsTwentyCommandsAndEndWithTheNotice) {
  Upload();
  EXPECT_EQ(host->Commands(),
            (std::vector<std::string>{"A290D3R", "A287D3R", "A288D0R", "A275D1R", "A289D0R",
                                      "A272D2R", "A274D4R", "A273D9R", "A285D8R", "A286D0R",
                                      "A329D0R", "A284D2R", "A276D1R", "A277D1R", "A278D0R",
                                      "A279D0R", "A280D0R", "A281D0R", "A282D3R", "A283D4R"}));
  EXPECT_EQ(sink.messages, std::vector<RecordedMessage>{kNotice});
  EXPECT_EQ(sink.progressPosition, std::vector<int>{-1});  // the progress window had gone
  EXPECT_TRUE(host->WaitForLog("X: service mode ended"));
  EXPECT_TRUE(page->LastUpload().completed);
  EXPECT_EQ(page->LastUpload().stepsDone, 20);
  EXPECT_EQ(page->LastUpload().maximum, 20);
  EXPECT_EQ(FindProgressWindow(), nullptr);

  // Address 272 + i holds the option stored there; 329 the pacer polarity.
  const std::vector<int> memory272to290 = {2, 9, 4, 1, 1, 1, 0, 0, 0, 0, 3, 4, 2, 8, 0, 3, 0, 0, 3};
  for (int i = 0; i < 19; ++i) EXPECT_EQ(MemoryAt(272 + i), memory272to290[i]) << 272 + i;
  EXPECT_EQ(MemoryAt(329), 0);
  EXPECT_EQ(MemoryAt(291), 0xFF);
}

TEST_F(POMainUploadTest, ARefusedServiceCodeWritesNothing) {
  Upload({"--service-code", "0000000000"});
  EXPECT_EQ(sink.messages, (std::vector<RecordedMessage>{
                               {"Service mode password is incorrect.", "Communications Error",
                                MessageIcon::Exclamation}}));
  EXPECT_EQ(sink.progressPosition, std::vector<int>{0});  // shown over the progress window
  EXPECT_TRUE(host->Commands().empty());
  EXPECT_EQ(MemoryAt(290), 0xFF);
  EXPECT_FALSE(page->LastUpload().completed);
  EXPECT_EQ(FindProgressWindow(), nullptr);
}

TEST_F(POMainUploadTest, AFailureAtTheTwelfthWriteLeavesElevenStepsAndNoX) {
  TempDir::WriteAll(data.File("poweron.dat"), "14\n7\n2\n3\n1\n8\n5\n0\n13\n4\n1\n4\n");
  Upload({"--fault", "N@12"});
  ASSERT_EQ(sink.messages.size(), 1u);  // no notice after the failure
  EXPECT_EQ(sink.messages[0],
            (RecordedMessage{"Memory program/verify error!" + kAdvice, "KORA-1 Memory Error", MessageIcon::Stop}));
  EXPECT_EQ(sink.progressPosition, std::vector<int>{11});
  EXPECT_FALSE(page->LastUpload().completed);
  EXPECT_EQ(page->LastUpload().stepsDone, 11);
  EXPECT_EQ(host->Commands().size(), 12u);
  EXPECT_EQ(FindProgressWindow(), nullptr);
  host->Stop();
  EXPECT_FALSE(ServiceModeEnded());
  EXPECT_EQ(MemoryAt(290), 14);    // the page's own values went out
  EXPECT_EQ(MemoryAt(285), 13);
  EXPECT_EQ(MemoryAt(329), 1);     // the eleventh write
  EXPECT_EQ(MemoryAt(284), 0xFF);  // the twelfth, refused
  EXPECT_EQ(MemoryAt(276), 0xFF);  // never sent
}

}  // namespace
