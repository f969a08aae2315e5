// One port's work in korapc-program: its uploads in turn over the upload
// sequence, where it stops, and what it reports.
#include "cli/portprogrammer.h"

#include <gtest/gtest.h>

#include <sstream>

#include "cli/progressconsole.h"
#include "common/clock.h"
#include "device/koracomm.h"
#include "device/progresssink.h"
#include "history/unkepthistorystore.h"
#include "machine/koraglobals.h"
#include "support/scriptedport.h"
#include "support/scriptedportfactory.h"
#include "support/writesplan.h"

namespace {

const std::string kAdvice =
    "\n\n-Power down KORA-1\n-Wait one second\n-Power up KORA-1 and try again.";

class NoWaitClock : public Clock {
 public:
  void Sleep(int) override {}
  std::int64_t NowMicroseconds() const override { return 0; }
};

// n writes of value 1 from address first, one step each.
UploadJob Job(const std::string& name, int first, int n, const std::string& caption) {
  return {name, WritesPlan(first, n, "1", "Sending...", caption)};
}

std::string Commands(int first, int n) { return WritesCommands(first, n, "1"); }

class PortProgrammerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ServiceCode = "5173920468";
    port.respond = ScriptedPort::Instrument();
    jobs = {Job("first upload", 300, 3, "First"), Job("second upload", 400, 2, "Second")};
    for (const UploadJob& job : jobs) rehearsals.push_back(Rehearse(job.plan, 10));
  }
  PortReport Run() {
    ProgressConsole console(err, {"/dev/ttyTEST4"}, false);
    PortProgrammer programmer("/dev/ttyTEST4", LinkSettings{"", 10}, jobs, rehearsals, console, 0,
                              stop, clock, ports, history);
    return programmer.Run();
  }

  ScriptedPort port;
  NoWaitClock clock;
  UnkeptHistoryStore history;
  std::atomic<bool> stop{false};
  std::ostringstream err;
  std::vector<UploadJob> jobs;
  std::vector<Rehearsal> rehearsals;
  ScriptedPortFactory ports{port};
  std::vector<std::string>& opened = ports.devices;
};

TEST_F(PortProgrammerTest, EachUploadGoesOutInTurnAsItsOwnSequence) {
  const PortReport report = Run();
  EXPECT_EQ(port.written,
            "MS5173920468" + Commands(300, 3) + "X" + "MS5173920468" + Commands(400, 2) + "X");
  EXPECT_EQ(opened, (std::vector<std::string>{"/dev/ttyTEST4", "/dev/ttyTEST4"}));
  EXPECT_EQ(port.portName, "/dev/ttyTEST4");
  EXPECT_EQ(port.openCalls, 2);
  EXPECT_FALSE(port.open);
  EXPECT_TRUE(report.Programmed());
  EXPECT_FALSE(report.stopped);
  ASSERT_EQ(report.uploads.size(), 2u);
  EXPECT_EQ(report.uploads[1].name, "second upload");
  EXPECT_TRUE(report.uploads[1].result.completed);
  EXPECT_EQ(report.uploads[1].result.stepsDone, 2);
  EXPECT_EQ(report.failureText, "");
}

TEST_F(PortProgrammerTest, ThePowerCycleNoticeComesOnceAfterThePortsLastUpload) {
  const std::string start1 = "/dev/ttyTEST4: first upload: 0/3, about 0:01\n";
  const std::string start2 = "/dev/ttyTEST4: second upload: 0/2, about 0:01\n";
  const std::string notice =
      ": Switch KORA-1 power OFF, then switch back ON for settings to take effect.\n";
  const std::string memoryError =
      "/dev/ttyTEST4: KORA-1 Memory Error: Invalid data value! -Power down KORA-1 -Wait one second "
      "-Power up KORA-1 and try again.\n";
  struct Case {
    const char* what;
    int failAtFinal;  // the final R answered T; 0: none
    bool stopAtFirst;
    std::string err;
  };
  const Case cases[] = {
      {"both uploads", 0, false,
       start1 + "/dev/ttyTEST4: first upload: 3/3 done\n" + start2 +
           "/dev/ttyTEST4: second upload: 2/2 done\n/dev/ttyTEST4: Second" + notice},
      {"stopped after the first", 0, true,
       start1 + "/dev/ttyTEST4: first upload: 3/3 done\n/dev/ttyTEST4: First" + notice},
      {"the second fails", 5, false,
       start1 + "/dev/ttyTEST4: first upload: 3/3 done\n" + start2 + memoryError +
           "/dev/ttyTEST4: second upload: 1/2 failed\n"},
      {"the first fails", 2, false,
       start1 + memoryError + "/dev/ttyTEST4: first upload: 1/3 failed\n"},
  };
  for (const Case& c : cases) {
    err.str("");
    stop = false;
    port.written.clear();
    port.respond = [this, c, finals = 0,
                    instrument = ScriptedPort::Instrument()](std::uint8_t b) mutable {
      if (c.stopAtFirst && b == 'M') stop = true;
      if (b == 'R' && ++finals == c.failAtFinal) return std::string("T");
      return instrument(b);
    };
    Run();
    EXPECT_EQ(err.str(), c.err) << c.what;
  }
}

TEST_F(PortProgrammerTest, AFailedUploadEndsThePortsWorkWithItsMessage) {
  port.respond = [finals = 0, instrument = ScriptedPort::Instrument()](std::uint8_t c) mutable {
    if (c == 'R' && ++finals == 2) return std::string("T");
    return instrument(c);
  };
  const PortReport report = Run();
  EXPECT_EQ(port.written, "MS5173920468" + Commands(300, 2));  // no X, and nothing of the second
  EXPECT_FALSE(report.Programmed());
  EXPECT_TRUE(report.uploads[0].sent);
  EXPECT_FALSE(report.uploads[0].result.completed);
  EXPECT_EQ(report.uploads[0].result.stepsDone, 1);
  EXPECT_FALSE(report.uploads[1].sent);
  EXPECT_EQ(report.failureCaption, "KORA-1 Memory Error");
  EXPECT_EQ(report.failureText, "Invalid data value!" + kAdvice);
  EXPECT_NE(
      err.str().find(
          "/dev/ttyTEST4: KORA-1 Memory Error: Invalid data value! -Power down KORA-1 -Wait one "
          "second -Power up KORA-1 and try again.\n"),
      std::string::npos);
}

TEST_F(PortProgrammerTest, APortThatWillNotOpenReportsTheOpenMessage) {
  port.failOpen = true;
  const PortReport report = Run();
  EXPECT_EQ(port.written, "");
  EXPECT_FALSE(report.Programmed());
  EXPECT_EQ(report.failureCaption, "COM Port Error");
  EXPECT_EQ(
      report.failureText.rfind("Unable to open PC COM Port!\n\n/dev/ttyTEST4 does not exist", 0),
      0u);
}

TEST_F(PortProgrammerTest, AStopRequestLetsTheRunningUploadEndAndBeginsNoOther) {
  port.respond = [this, instrument = ScriptedPort::Instrument()](std::uint8_t c) mutable {
    if (c == 'M') stop = true;  // asked while the first upload enters service mode
    return instrument(c);
  };
  const PortReport report = Run();
  EXPECT_EQ(port.written, "MS5173920468" + Commands(300, 3) + "X");
  EXPECT_TRUE(report.uploads[0].result.completed);
  EXPECT_FALSE(report.uploads[1].sent);
  EXPECT_TRUE(report.stopped);
  EXPECT_FALSE(report.Programmed());
  EXPECT_EQ(report.failureText, "");  // nothing failed
}

TEST_F(PortProgrammerTest, AWarningOfACompletedUploadIsNoFailure) {
  // The X of the first upload cannot be written: shown, and still completed.
  port.failWritesFrom = 12 + 3 * 7;
  jobs.resize(1);
  const PortReport report = Run();
  EXPECT_TRUE(report.Programmed());
  EXPECT_EQ(report.failureText, "");
  EXPECT_NE(err.str().find("/dev/ttyTEST4: COM Port Error: Unable to write to PC COM Port!\n"),
            std::string::npos);
}

}  // namespace
