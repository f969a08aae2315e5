// "Set Power On Values" from the page, through the upload runner, over the
// scripted port and the fake clock.
#include <gtest/gtest.h>
#include <QPushButton>
#include <QTest>

#include "poweron/poframe.h"
#include "support/pagebench.h"
#include "support/refusingwrite.h"
#include "support/tempdir.h"
#include "ui/upload/koraprogressform.h"

namespace {

const std::string kAdvice =
    "\n\n-Power down KORA-1\n-Wait one second\n-Power up KORA-1 and try again.";
const RecordedMessage kNotice{
    "Switch KORA-1 power OFF, then switch\nback ON for settings to take effect.",
    "Power On Settings", MessageIcon::None};
const std::string kServiceRequest = "MS5173920468";

class POMainUploadTest : public ::testing::Test {
 protected:
  void Upload() {
    page = std::make_unique<TPOMain>(PageSetup{data.File("korapc.ini"), data.File("poweron.dat")},
                                     bench.fakes.services, bench.runner);
    page->show();
    QTest::mouseClick(page->btnSetPowerOn, Qt::LeftButton);
  }

  TempDir data;  // the page's data folder
  PageBench bench;
  ProgressObservingSink& sink = bench.fakes.messages;
  ScriptedPort& port = bench.fakes.port;
  std::unique_ptr<TPOMain> page;
};

TEST_F(POMainUploadTest, TheFactoryDefaultsGoOutAsTwentyCommandsAndEndWithTheNotice) {
  Upload();
  // Address 272 + i holds the option stored there; 329 the pacer polarity.
  EXPECT_EQ(port.written, kServiceRequest +
                              "A290D3RA287D3RA288D0RA275D1RA289D0R"
                              "A272D2RA274D4RA273D9RA285D8RA286D0R"
                              "A329D0RA284D2RA276D1RA277D1RA278D0R"
                              "A279D0RA280D0RA281D0RA282D3RA283D4R"
                              "X");
  EXPECT_EQ(bench.fakes.ports.devices, std::vector<std::string>{"/dev/ttyKORA"});
  EXPECT_FALSE(port.open);
  EXPECT_EQ(sink.messages, std::vector<RecordedMessage>{kNotice});
  EXPECT_EQ(sink.progressPosition, std::vector<int>{-1});  // the progress window had gone
  EXPECT_TRUE(page->LastUpload().completed);
  EXPECT_EQ(page->LastUpload().stepsDone, 20);
  EXPECT_EQ(page->LastUpload().maximum, 20);
  EXPECT_EQ(FindProgressWindow(), nullptr);
}

TEST_F(POMainUploadTest, ARefusedServiceCodeWritesNothing) {
  port.respond = [](std::uint8_t c) { return c == '8' ? std::string("Z") : std::string(); };
  Upload();
  EXPECT_EQ(sink.messages,
            (std::vector<RecordedMessage>{{"Service mode password is incorrect.",
                                           "Communications Error", MessageIcon::Exclamation}}));
  EXPECT_EQ(sink.progressPosition, std::vector<int>{0});  // shown over the progress window
  EXPECT_EQ(port.written, kServiceRequest);
  EXPECT_FALSE(port.open);
  EXPECT_FALSE(page->LastUpload().completed);
  EXPECT_EQ(FindProgressWindow(), nullptr);
}

TEST_F(POMainUploadTest, AFailureAtTheTwelfthWriteLeavesElevenStepsAndNoX) {
  TempDir::WriteAll(data.File("poweron.dat"), "14\n7\n2\n3\n1\n8\n5\n0\n13\n4\n1\n4\n");
  port.respond = InstrumentRefusingWrite(12, 'N');
  Upload();
  ASSERT_EQ(sink.messages.size(), 1u);  // no notice after the failure
  EXPECT_EQ(sink.messages[0], (RecordedMessage{"Memory program/verify error!" + kAdvice,
                                               "KORA-1 Memory Error", MessageIcon::Stop}));
  EXPECT_EQ(sink.progressPosition, std::vector<int>{11});
  EXPECT_FALSE(page->LastUpload().completed);
  EXPECT_EQ(page->LastUpload().stepsDone, 11);
  EXPECT_FALSE(port.open);
  EXPECT_EQ(FindProgressWindow(), nullptr);
  // The page's own values went out, up to the refused twelfth; nothing after
  // it, and no "X".
  EXPECT_EQ(port.written, kServiceRequest +
                              "A290D14RA287D7RA288D2RA275D3RA289D1R"
                              "A272D8RA274D5RA273D0RA285D13RA286D4R"
                              "A329D1RA284D4R");
}

}  // namespace
