#include "historyview/uploadreport.h"

#include <gtest/gtest.h>
#include <cstdio>
#include <string>

#include "support/tempdir.h"

namespace {

// The standard output of command (poppler's tools read the PDF back).
std::string Output(const std::string& command) {
  std::string text;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return text;
  char buffer[4096];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
  ::pclose(pipe);
  return text;
}

// pdftotext joins a word wrapped over two lines with a line break; the
// checks look for words, so every run of white space counts as one blank.
std::string Words(std::string text) {
  std::string out;
  for (const char c : text) {
    const bool blank = c == ' ' || c == '\n' || c == '\f' || c == '\t';
    if (blank && (out.empty() || out.back() == ' ')) continue;
    out += blank ? ' ' : c;
  }
  return out;
}

UploadRecord BaseRecord() {
  UploadRecord record;
  record.id = 42;
  record.start.started = "2026-12-09T15:41:58.123Z";
  record.start.user = "tech";
  record.start.host = "bench-pc";
  record.start.version = "1.0.0";
  record.start.port = {"/dev/ttyUSB0", "/dev/serial/by-id/usb-FTDI_FT232R_A10K3B2Q-if00-port0",
                       PortAdapter{"FTDI", "FT232R USB UART", "A10K3B2Q", "0403", "6001"}};
  record.start.dataSha256 = "9f" + std::string(62, '0');
  record.start.commandDelayMs = 10;
  record.end.result = UploadOutcome::Programmed;
  record.end.done = 20;
  record.end.total = 20;
  record.end.link = {1, 13, 0, 96};
  record.end.durationMs = 8531;
  record.ended = true;
  return record;
}

class UploadReportTest : public ::testing::Test {
 protected:
  // Writes record, checks that it is one page of paper, and returns its words.
  std::string Written(const UploadRecord& record, ReportPaper paper, const char* paperName) {
    const std::string path = dir.File("report.pdf");
    std::string error;
    EXPECT_TRUE(WriteUploadReport(record, path, paper, error)) << error;
    const std::string info = Output("pdfinfo '" + path + "'");
    EXPECT_NE(info.find("Pages:           1\n"), std::string::npos) << info;
    EXPECT_NE(info.find(paperName), std::string::npos) << info;
    return Words(Output("pdftotext -layout '" + path + "' -"));
  }
  TempDir dir;
};

TEST_F(UploadReportTest, APowerOnReportNamesTheUploadTheInstrumentTheResultAndEveryValue) {
  UploadRecord record = BaseRecord();
  record.start.what = UploadWhat::PowerOn;
  record.start.powerOn = {3, 3, 0, 1, 0, 2, 4, 9, 8, 0, 0, 3, 1, 1, 0, 0, 0, 0, 3, 4};
  record.start.sourceFile = "/home/tech/poweron.dat";
  const std::string text = Written(record, ReportPaper::A4, "(A4)");
  for (const char* expected :
       {"KORA-1 programming record", "2026-12-09 15:41:58 UTC", "tech on bench-pc", "/dev/ttyUSB0",
        "FTDI FT232R USB UART, serial A10K3B2Q (0403:6001)", "Power-on values",
        "Source file /home/tech/poweron.dat", "programmed", "20 of 20", "Late answers 1",
        "Slowest answer 13 ms", "Characters sent again 0", "ECG Rate: 80 BPM",
        "ECG Axis: Normal (INT)", "Temperature YSI 400/700: 38\xC2\xBA C",
        "BP4 Dynamic:", "Signature", "Date"}) {
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\nin: " << text;
  }
}

TEST_F(UploadReportTest, TenFullAutoSelectionsAndAFailureStillFitOneLetterPage) {
  UploadRecord record = BaseRecord();
  record.start.what = UploadWhat::AutoSelections;
  for (int slot = 0; slot < 10; ++slot) {
    AutoSelectionEntry entry{"SLOT " + std::to_string(slot + 1), {}};
    for (int k = 0; k < 10; ++k) entry.codes.push_back(67 + slot * 10 + k);
    record.start.autoSelections.push_back(entry);
  }
  record.end.result = UploadOutcome::Failed;
  record.end.message = "KORA-1 has stopped responding to PC!";
  record.end.done = 123;
  record.end.total = 301;
  const std::string text = Written(record, ReportPaper::Letter, "(letter)");
  for (const char* expected :
       {"Auto selections", "failed: KORA-1 has stopped responding to PC!", "123 of 301",
        "AUTO 1 SLOT 1", "Asystole 1", "AUTO 10 SLOT 10", "Signature"}) {
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\nin: " << text;
  }
}

TEST(UploadReport, ThePaperFollowsTheLocalesTerritory) {
  struct Case {
    const char* locale;
    ReportPaper paper;
  };
  for (const Case& c :
       {Case{"en_US", ReportPaper::Letter}, Case{"en_US.UTF-8", ReportPaper::Letter},
        Case{"fr_CA.UTF-8", ReportPaper::Letter}, Case{"es_MX", ReportPaper::Letter},
        Case{"en_GB.UTF-8", ReportPaper::A4}, Case{"de_DE@euro", ReportPaper::A4},
        Case{"fr_FR", ReportPaper::A4}, Case{"C", ReportPaper::A4}, Case{"", ReportPaper::A4},
        Case{"xx_nonsense", ReportPaper::A4}}) {
    EXPECT_EQ(ReportPaperFor(c.locale), c.paper) << c.locale;
  }
}

TEST_F(UploadReportTest, AFolderThatCannotBeWrittenIsReportedAndLeavesNoFile) {
  std::string error;
  EXPECT_FALSE(WriteUploadReport(BaseRecord(), dir.File("no/such/folder/report.pdf"),
                                 ReportPaper::A4, error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
