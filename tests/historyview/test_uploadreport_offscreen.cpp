// The report from a program that has no window and no display, as
// korapc-program writes it: no Qt application object exists beforehand.
#include <gtest/gtest.h>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "historyview/uploadreport.h"
#include "support/tempdir.h"

namespace {

TEST(UploadReportOffscreen, IsWrittenWithNoDisplayAndNoApplicationObject) {
  ::unsetenv("DISPLAY");
  ::unsetenv("WAYLAND_DISPLAY");
  ::unsetenv("QT_QPA_PLATFORM");
  TempDir dir;
  UploadRecord record;
  record.id = 7;
  record.start.started = "2026-12-09T15:41:58.123Z";
  record.start.port.chosen = "/dev/ttyS0";
  std::string error;
  ASSERT_TRUE(WriteUploadReportOffscreen(record, dir.File("report.pdf"), error)) << error;
  std::ifstream in(dir.File("report.pdf"), std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), {}};
  EXPECT_EQ(bytes.substr(0, 5), "%PDF-");
  // A second call in the same program makes its own application object again.
  ASSERT_TRUE(WriteUploadReportOffscreen(record, dir.File("again.pdf"), error)) << error;
}

}  // namespace
