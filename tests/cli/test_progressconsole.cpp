// What korapc-program prints while it works: the progress line of each port,
// live on a terminal or seldom otherwise, and each message as one line.
#include "cli/progressconsole.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <thread>

#include "cli/rehearsal.h"

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

steady_clock::time_point g_now{};
steady_clock::time_point FakeNow() { return g_now; }

// A rehearsal of two steps, at 1 s and 2 s, ending at 2.5 s.
Rehearsal TwoSteps() {
  Rehearsal rehearsal;
  rehearsal.stepEndsMs = {1000, 2000};
  rehearsal.totalMs = 2500;
  return rehearsal;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(ProgressConsoleText, MessagesFoldTheirLineBreaksAndComeOutInUtf8) {
  EXPECT_EQ(
      ProgressConsole::FoldLines("Invalid data value!\n\n-Power down KORA-1\n-Wait one second"),
      "Invalid data value! -Power down KORA-1 -Wait one second");
  EXPECT_EQ(ProgressConsole::FoldLines("Switch KORA-1 power OFF, then switch\nback ON"),
            "Switch KORA-1 power OFF, then switch back ON");
  EXPECT_EQ(ProgressConsole::FoldLines("\r\nends \n\n"), "ends");
  EXPECT_EQ(ProgressConsole::FoldLines("\xB5V and 37\xBA"), "\xC2\xB5V and 37\xC2\xBA");  // µV, º
}

TEST(ProgressConsoleText, AProgressLineHasThePortTheUploadTheStepsAndTheTimeLeft) {
  EXPECT_EQ(ProgressConsole::ProgressLine("/dev/ttyUSB0", 14, "power-on values", 12, 20, 1001),
            "/dev/ttyUSB0    power-on values  12/20  0:02 left");
  EXPECT_EQ(ProgressConsole::ProgressLine("/dev/ttyS0", 4, "auto selections", 0, 300, 37000),
            "/dev/ttyS0  auto selections  0/300  0:37 left");
  EXPECT_EQ(ProgressConsole::ProgressLine("p", 1, "x", 1, 1, 61000), "p  x  1/1  1:01 left");
}

TEST(ProgressConsole, OffATerminalALinePerUploadStartAndEndAndEveryMessage) {
  std::ostringstream out;
  const Rehearsal rehearsal = TwoSteps();
  ProgressConsole console(out, {"/dev/ttyUSB0", "/dev/ttyUSB1"}, false, 80, &FakeNow);
  console.UploadStarted(1, "power-on values", rehearsal, 2);
  console.Stepped(1, 1);
  console.Refresh();  // nothing off a terminal
  console.Message("/dev/ttyUSB1", "KORA-1 Memory Error",
                  "Invalid data value!\n\n-Power down KORA-1");
  console.UploadEnded(1, UploadResult{false, 1, 2, {}});
  console.UploadStarted(0, "auto selections", rehearsal, 2);
  console.UploadEnded(0, UploadResult{true, 2, 2, {}});
  console.PortFinished(0, "programmed");
  console.Note("korapc-program: stopping");
  EXPECT_EQ(Lines(out.str()),
            (std::vector<std::string>{
                "/dev/ttyUSB1: power-on values: 0/2, about 0:03",
                "/dev/ttyUSB1: KORA-1 Memory Error: Invalid data value! -Power down KORA-1",
                "/dev/ttyUSB1: power-on values: 1/2 failed",
                "/dev/ttyUSB0: auto selections: 0/2, about 0:03",
                "/dev/ttyUSB0: auto selections: 2/2 done",
                "korapc-program: stopping",
            }));
}

TEST(ProgressConsole, OnATerminalTheLinesAreRedrawnInPlaceWithTheTimeLeftAndMessagesAboveThem) {
  std::ostringstream out;
  const Rehearsal rehearsal = TwoSteps();
  g_now = steady_clock::time_point{};
  ProgressConsole console(out, {"/dev/ttyA", "/dev/ttyBB"}, true, 80, &FakeNow);
  const std::string start = "\r\x1b[2K/dev/ttyA   waiting\n\r\x1b[2K/dev/ttyBB  waiting\n";
  EXPECT_EQ(out.str(), start);

  out.str("");
  console.UploadStarted(0, "power-on values", rehearsal, 2);
  // The first step took 3 s against 1 s rehearsed: the 1.5 s ahead take three times as long.
  g_now += milliseconds(3000);
  console.Stepped(0, 1);
  console.Refresh();
  const std::string up = "\x1b[2A";
  const std::string line = "\r\x1b[2K/dev/ttyA   power-on values  ";
  const std::string running = line + "1/2  ";
  EXPECT_EQ(out.str(), up + line +
                           "0/2  0:03 left\n\r\x1b[2K/dev/ttyBB  waiting\n" +  // 2.5 s at the start
                           up + running + "0:05 left\n\r\x1b[2K/dev/ttyBB  waiting\n");

  out.str("");
  console.Message("/dev/ttyBB", "COM Port Error", "Unable to open PC COM Port!\n\nwhy");
  EXPECT_EQ(out.str(), up +
                           "\r\x1b[J/dev/ttyBB: COM Port Error: Unable to open PC COM Port! why\n" +
                           running + "0:05 left\n\r\x1b[2K/dev/ttyBB  waiting\n");

  out.str("");
  console.PortFinished(0, "programmed");
  EXPECT_EQ(out.str(), up + "\r\x1b[2K/dev/ttyA   programmed\n\r\x1b[2K/dev/ttyBB  waiting\n");
}

TEST(ProgressConsole, ALineLongerThanTheTerminalIsCutSoThatItNeverWraps) {
  std::ostringstream out;
  ProgressConsole console(out, {"/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"},
                          true, 30);
  EXPECT_EQ(out.str(), "\r\x1b[2K/dev/serial/by-id/usb-FTDI_FT\n");  // 29 columns
}

TEST(ProgressConsole, MessagesFromManyWorkersAtOnceStayWholeLines) {
  std::ostringstream out;
  ProgressConsole console(out, {"a", "b", "c", "d"}, false);
  std::vector<std::thread> workers;
  for (const std::string port : {"a", "b", "c", "d"}) {
    workers.emplace_back([&console, port] {
      for (int i = 0; i < 200; ++i) console.Message(port, "Caption", "first line\nsecond line");
    });
  }
  for (std::thread& worker : workers) worker.join();
  const std::vector<std::string> lines = Lines(out.str());
  EXPECT_EQ(lines.size(), 800u);
  const std::set<std::string> distinct(lines.begin(), lines.end());
  EXPECT_EQ(distinct,
            (std::set<std::string>{
                "a: Caption: first line second line", "b: Caption: first line second line",
                "c: Caption: first line second line", "d: Caption: first line second line"}));
}

}  // namespace
