// korapc-program as a whole, in this process with scripted ports: its
// outputs, its exit statuses, and that its ports run side by side.
#include "cli/korapcprogram.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <unistd.h>
#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <sstream>

#include "common/clock.h"
#include "device/portfactory.h"
#include "history/unkepthistorystore.h"
#include "machine/koraglobals.h"
#include "services/services.h"
#include "support/aslrecord.h"
#include "support/pseudoterminal.h"
#include "support/recordingmessagesink.h"
#include "support/scriptedfilepicker.h"
#include "support/scriptedport.h"
#include "support/scriptedports.h"
#include "support/summingclock.h"
#include "support/tempdir.h"

namespace {

using Lines = std::vector<std::string>;

// The power-on options' addresses, in option order.
const int kAddresses[20] = {290, 287, 288, 275, 289, 272, 274, 273, 285, 286,
                            329, 284, 276, 277, 278, 279, 280, 281, 282, 283};

std::string Command(int address, int value) {
  return "A" + std::to_string(address) + "D" + std::to_string(value) + "R";
}

Lines SplitLines(const std::string& text) {
  Lines lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Counts the waits of every port; safe from several threads.
// The link figures of an instrument that answers every byte at once, at
// DELAY 10.
const std::string kPromptLink =
    "; link: 0 answers after DELAY, slowest 10 ms, 0 characters sent again, service-mode answer 10 "
    "ms";

class KorapcProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    env.out = &out;
    env.err = &err;
    env.listPorts = [] {
      return std::vector<PortEntry>{{"/dev/ttyS0", ""}, {"/dev/ttyUSB0", "FT232R USB UART - FTDI"}};
    };
  }
  int Run(const Lines& args) { return RunKorapcProgram(args, env, services); }
  std::string File(const std::string& name, const std::string& bytes) {
    TempDir::WriteAll(files.File(name), bytes);
    return files.File(name);
  }

  ScopedConfigHome home;
  TempDir files;
  std::ostringstream out;
  std::ostringstream err;
  SummingClock clock;
  ScriptedPorts scripted;
  RecordingMessageSink messages;
  ScriptedFilePicker dialogs;
  UnkeptHistoryStore history;
  Services services{messages, clock, dialogs, scripted, history};
  ProgramEnvironment env;
  std::map<std::string, ScriptedPort>& ports = scripted.ports;
  Lines& opened = scripted.opened;
};

TEST_F(KorapcProgramTest, BadUsageIsExitStatusTwoWithAHintAndNothingElse) {
  EXPECT_EQ(Run({"--power-on"}), 2);
  EXPECT_EQ(
      err.str(),
      "korapc-program: Missing value after '--power-on'.\nTry 'korapc-program --help' for more "
      "information.\n");
  EXPECT_EQ(out.str(), "");
  EXPECT_TRUE(opened.empty());

  err.str("");
  const std::string values = File("poweron.dat", "1\n");
  EXPECT_EQ(Run({"--power-on", values}), 2);  // no --port, and korapc.ini names none
  EXPECT_EQ(
      SplitLines(err.str())[0],
      "korapc-program: No port: give --port PATH, or choose a port on KORApc's Settings tab.");
  EXPECT_TRUE(opened.empty());
}

TEST_F(KorapcProgramTest, WithJsonABadUsageIsAlsoAnErrorObjectOnStandardOutput) {
  const std::string values = File("poweron.dat", "1\n");
  struct Case {
    Lines args;
    std::string error;
  };
  const Case cases[] = {
      {{"--json", "--power-on"}, "Missing value after '--power-on'."},
      {{"--json", "--bogus", "--power-on", values}, "Unknown option 'bogus'."},
      {{"--power-on", values, "stray", "--json"}, "Unexpected argument 'stray'."},
      {{"--json", "--delay", "ten", "--power-on", values},
       "--delay needs a whole number of milliseconds from 0 to 1000, not 'ten'."},
      {{"--json"}, "Nothing to send: give --power-on FILE, --auto-selections FILE, or both."},
      {{"--power-on", values, "--json"},  // no --port, and korapc.ini names none
       "No port: give --port PATH, or choose a port on KORApc's Settings tab."},
  };
  for (const Case& c : cases) {
    out.str("");
    err.str("");
    EXPECT_EQ(Run(c.args), 2) << c.error;
    EXPECT_EQ(out.str(), "{\"error\":\"" + c.error + "\",\"exitStatus\":2}\n");
    EXPECT_EQ(err.str(), "korapc-program: " + c.error +
                             "\nTry 'korapc-program --help' for more information.\n");
  }
  EXPECT_TRUE(opened.empty());
}

TEST_F(KorapcProgramTest, OneDeviceUnderTwoNamesIsRefusedBeforeAnyPortOpens) {
  const PseudoTerminal a;
  const PseudoTerminal b;
  const std::string linkA = files.File("kora-a");
  const std::string linkB = files.File("kora-b");
  ASSERT_EQ(::symlink(a.Path().c_str(), linkA.c_str()), 0);
  ASSERT_EQ(::symlink(b.Path().c_str(), linkB.c_str()), 0);
  const std::string values = File("poweron.dat", "1\n");
  struct Case {
    Lines ports;
    std::string same;  // the pair named in the refusal; empty: programmed
  };
  const Case cases[] = {
      {{a.Path(), linkA}, a.Path() + " and " + linkA},
      {{linkA, a.Path()}, linkA + " and " + a.Path()},
      {{a.Path(), linkB, b.Path()}, linkB + " and " + b.Path()},
      {{a.Path(), b.Path()}, ""},
      {{linkA, linkB}, ""},
      {{"/dev/ttyGONE", a.Path()}, ""},  // a name that is not there is no one's twin
  };
  for (const Case& c : cases) {
    opened.clear();
    out.str("");
    err.str("");
    Lines args = {"--power-on", values};
    for (const std::string& port : c.ports) args.insert(args.end(), {"--port", port});
    if (c.same.empty()) {
      EXPECT_EQ(Run(args), 0) << c.ports.front();
      EXPECT_EQ(opened.size(), c.ports.size());
      continue;
    }
    EXPECT_EQ(Run(args), 2) << c.same;
    EXPECT_EQ(err.str(), "korapc-program: The ports " + c.same +
                             " are the same device; give each instrument once.\n"
                             "Try 'korapc-program --help' for more information.\n");
    EXPECT_EQ(out.str(), "");
    EXPECT_TRUE(opened.empty());
  }
}

TEST_F(KorapcProgramTest, BothUploadsToOnePortEndInOnePowerCycleNotice) {
  const std::string values = File("poweron.dat", "1\n");
  std::string asl;
  for (int i = 0; i < 10; ++i) asl += AslRecord("", {});
  const std::string selections = File("ward-a.asl", asl);
  EXPECT_EQ(Run({"--port", "/dev/ttyUSB0", "--power-on", values, "--auto-selections", selections}),
            0);
  EXPECT_EQ(err.str(),
            "/dev/ttyUSB0: power-on values: 0/20, about 0:02\n"
            "/dev/ttyUSB0: power-on values: 20/20 done\n"
            "/dev/ttyUSB0: auto selections: 0/300, about 0:35\n"
            "/dev/ttyUSB0: auto selections: 300/300 done\n"
            "/dev/ttyUSB0: Auto Selections: Switch KORA-1 power OFF, then switch back ON for "
            "settings to take effect.\n");
  EXPECT_EQ(out.str(),
            "/dev/ttyUSB0: programmed: power-on values, auto selections" + kPromptLink + "\n");
}

TEST_F(KorapcProgramTest, HelpAndVersionGoToStandardOutput) {
  EXPECT_EQ(Run({"--version"}), 0);
  EXPECT_THAT(out.str(),
              ::testing::MatchesRegex("korapc-program \\(KORApc\\) [0-9]+\\.[0-9]+\\.[0-9]+\n"));
  out.str("");
  EXPECT_EQ(Run({"--help"}), 0);
  EXPECT_EQ(out.str().rfind("Usage: korapc-program ", 0), 0u);
  EXPECT_EQ(err.str(), "");
}

TEST_F(KorapcProgramTest, ListPortsGivesWhatTheSettingsTabOffersWithDescriptions) {
  TempDir::WriteAll(GetSettingsFilePath(),
                    "[KORAPCForm]\nCOMPORT=/dev/ttyGONE\n");  // not there, not offered
  EXPECT_EQ(Run({"--list-ports"}), 0);
  EXPECT_EQ(SplitLines(out.str()), (Lines{"/dev/ttyS0", "/dev/ttyUSB0  FT232R USB UART - FTDI"}));
  out.str("");
  EXPECT_EQ(Run({"--list-ports", "--json"}), 0);
  const QJsonArray list =
      QJsonDocument::fromJson(QByteArray::fromStdString(out.str()))["ports"].toArray();
  ASSERT_EQ(list.size(), 2);
  EXPECT_EQ(list[1].toObject()["port"].toString(), "/dev/ttyUSB0");
  EXPECT_EQ(list[1].toObject()["description"].toString(), "FT232R USB UART - FTDI");
  EXPECT_TRUE(opened.empty());
}

TEST_F(KorapcProgramTest, DryRunPrintsEveryCommandOfEachUploadAndOpensNoPort) {
  const std::string values = File("poweron.dat", "14\n7\n2\n3\n1\n8\n5\n0\n13\n4\n1\n4\n");
  std::string asl = AslRecord("AB", {300});
  for (int i = 1; i < 10; ++i) asl += AslRecord("", {});
  const std::string selections = File("ward-a.asl", asl);
  EXPECT_EQ(Run({"--port", "/dev/ttyUSB0", "--power-on", values, "--auto-selections", selections,
                 "--dry-run"}),
            0);

  // From the layouts: option k's value to its address; then per slot 20 name
  // bytes padded with blanks and ten words, low byte first.
  const int powerOn[20] = {14, 7, 2, 3, 1, 8, 5, 0, 13, 4, 1, 4};
  Lines expected = {"MS5173920468"};
  for (int k = 0; k < 20; ++k) expected.push_back(Command(kAddresses[k], powerOn[k]));
  expected.push_back("X");
  expected.push_back("MS5173920468");
  for (int slot = 0; slot < 10; ++slot) {
    const int base = 512 + 40 * slot;
    const std::string name = slot == 0 ? "AB" : "";
    for (int i = 0; i < 20; ++i) {
      expected.push_back(Command(
          base + i, i < static_cast<int>(name.size()) ? name[static_cast<std::size_t>(i)] : ' '));
    }
    for (int k = 0; k < 10; ++k) {
      const int code = slot == 0 && k == 0 ? 300 : 0;
      expected.push_back(Command(base + 20 + 2 * k, code & 255));
      expected.push_back(Command(base + 21 + 2 * k, code >> 8));
    }
  }
  expected.push_back("X");

  Lines commands;
  Lines comments;
  for (const std::string& line : SplitLines(out.str())) {
    (line.rfind("# ", 0) == 0 ? comments : commands).push_back(line);
  }
  EXPECT_EQ(commands, expected);
  EXPECT_EQ(comments, (Lines{"# power-on values to /dev/ttyUSB0: 22 commands, about 2 s",
                             "# auto selections to /dev/ttyUSB0: 402 commands, about 34 s"}));
  EXPECT_TRUE(opened.empty());
  EXPECT_EQ(clock.totalMs, 0);  // and waits for nothing
}

TEST_F(KorapcProgramTest, AFileToRefuseIsExitStatusTwoBeforeAnyPortOpens) {
  const std::string odd = File("odd.dat", "3\n3\n0\n1\n0\n2\n4\n200\n");
  EXPECT_EQ(Run({"--port", "/dev/ttyUSB0", "--port", "/dev/ttyUSB1", "--power-on", odd, "--json"}),
            2);
  EXPECT_TRUE(opened.empty());
  EXPECT_EQ(
      SplitLines(err.str()),
      (Lines{
          odd +
          ": Power On Settings: The power-on value of \"Respiration Delta\" is invalid (200). Choose a "
          "value for it with Edit Power On Value, then send the values again."}));
  const QJsonObject summary =
      QJsonDocument::fromJson(QByteArray::fromStdString(out.str())).object();
  EXPECT_EQ(summary["exitStatus"].toInt(), 2);
  EXPECT_EQ(summary["refused"].toObject()["caption"].toString(), "Power On Settings");
}

TEST_F(KorapcProgramTest, PortsRunSideBySideAndOneFailureMakesTheStatusOne) {
  // Each instrument holds its service-mode answer until all three have been
  // asked, which only ports programmed side by side can get past.
  std::mutex gate;
  std::condition_variable arrived;
  int asked = 0;
  bool allAsked = true;
  const auto waitForAll = [&] {
    std::unique_lock lock(gate);
    ++asked;
    arrived.notify_all();
    allAsked =
        arrived.wait_for(lock, std::chrono::seconds(10), [&] { return asked == 3; }) && allAsked;
  };
  for (const std::string device : {"/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyUSB2"}) {
    const bool faulty = device == "/dev/ttyUSB1";
    ports[device].respond = [&, faulty, finals = 0, request = 0,
                             instrument = ScriptedPort::Instrument()](std::uint8_t c) mutable {
      if (++request == 12) waitForAll();
      if (faulty && c == 'R' && ++finals == 5) return std::string("T");
      return instrument(c);
    };
  }
  const std::string values =
      File("poweron.dat", "3\n3\n0\n1\n0\n2\n4\n9\n8\n0\n0\n2\n1\n1\n0\n0\n0\n0\n3\n4\n");
  EXPECT_EQ(Run({"--port", "/dev/ttyUSB0", "--port", "/dev/ttyUSB1", "--port", "/dev/ttyUSB2",
                 "--power-on", values}),
            1);
  EXPECT_TRUE(allAsked);
  EXPECT_EQ(SplitLines(out.str()),
            (Lines{"/dev/ttyUSB0: programmed: power-on values" + kPromptLink,
                   "/dev/ttyUSB1: failed in power-on values at 4/20: KORA-1 Memory Error: Invalid "
                   "data value! -Power "
                   "down KORA-1 -Wait one second -Power up KORA-1 and try again." +
                       kPromptLink,
                   "/dev/ttyUSB2: programmed: power-on values" + kPromptLink}));
  std::string defaults = "MS5173920468";
  const int factory[20] = {3, 3, 0, 1, 0, 2, 4, 9, 8, 0, 0, 2, 1, 1, 0, 0, 0, 0, 3, 4};
  for (int k = 0; k < 20; ++k) defaults += Command(kAddresses[k], factory[k]);
  EXPECT_EQ(ports["/dev/ttyUSB0"].written, defaults + "X");
  EXPECT_EQ(ports["/dev/ttyUSB2"].written, defaults + "X");
  EXPECT_EQ(ports["/dev/ttyUSB1"].written,
            defaults.substr(0, 12 + 5 * 7));  // up to the fifth command
  EXPECT_NE(
      err.str().find("/dev/ttyUSB1: KORA-1 Memory Error: Invalid data value! -Power down KORA-1"),
      std::string::npos);
}

TEST_F(KorapcProgramTest, WithoutAPortTheSavedOneIsUsedAndDelayComesFromTheFileUnlessGiven) {
  TempDir::WriteAll(GetSettingsFilePath(),
                    "[KORAPCForm]\nCOMPORT=/dev/ttyACM3\n[KORACOMM]\nDELAY=25\n");
  const std::string values = File("poweron.dat", "1\n");
  EXPECT_EQ(Run({"--power-on", values}), 0);
  EXPECT_EQ(opened, Lines{"/dev/ttyACM3"});
  // 12 request bytes, 20 commands of 7 characters, X.
  EXPECT_EQ(clock.totalMs, 12 * 10 + 20 * (6 * 25 + 35) + 10);

  EXPECT_EQ(out.str(),
            "/dev/ttyACM3: programmed: power-on values; link: 0 answers after DELAY, slowest 25 "
            "ms, 0 characters sent "
            "again, service-mode answer 10 ms\n");
  clock.totalMs = 0;
  out.str("");
  EXPECT_EQ(Run({"--power-on", values, "--delay", "0", "--json"}), 0);
  EXPECT_EQ(clock.totalMs, 12 * 10 + 20 * 10 + 10);
  // With --json the summary line goes to standard error and standard output holds the JSON alone.
  const QJsonObject summary =
      QJsonDocument::fromJson(QByteArray::fromStdString(out.str())).object();
  EXPECT_EQ(summary["exitStatus"].toInt(-1), 0);
  ASSERT_EQ(summary["ports"].toArray().size(), 1);
  EXPECT_EQ(summary["ports"].toArray()[0].toObject()["port"].toString(), "/dev/ttyACM3");
  EXPECT_NE(
      err.str().find(
          "/dev/ttyACM3: programmed: power-on values; link: 0 answers after DELAY, slowest 0 ms"),
      std::string::npos);
}

}  // namespace
