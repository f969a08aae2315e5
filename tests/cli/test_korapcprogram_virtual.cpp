// korapc-program in real time against several virtual KORA-1s at once: the
// instruments' memories afterwards, a fault on one, files refused, a port
// that is not there, and Ctrl+C in the middle.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <memory>
#include <sstream>

#include "machine/koraglobals.h"
#include "support/aslrecord.h"
#include "support/programrun.h"
#include "support/tempdir.h"
#include "support/virtualkorahost.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Lines = std::vector<std::string>;

// Generous: a full auto-selection upload takes about 36 s of protocol waits
// at the default pace.
constexpr int kRunTimeoutMs = 300000;

// The power-on options' addresses, in option order.
const int kAddresses[20] = {290, 287, 288, 275, 289, 272, 274, 273, 285, 286,
                            329, 284, 276, 277, 278, 279, 280, 281, 282, 283};
// Twelve lines; the options after them are 0.
const std::string kPowerOnFile = "14\n7\n2\n3\n1\n8\n5\n0\n13\n4\n1\n4\n";
const int kPowerOnValues[20] = {14, 7, 2, 3, 1, 8, 5, 0, 13, 4, 1, 4};

struct Selection {
  std::string name;
  std::vector<int> codes;
};

const std::vector<Selection> kSelections = {
    {"ECG 80", {13, 300, 511}},
    {"B", {7}},
    {"TWENTY CHARACTERS OK", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
    {"", {}},
    {"\xC9T\xC9", {256}},
    {"APNEA", {490}},
    {"7", {}},
    {"NINE", {144, 145}},
    {"CARDIAC OUTPUT", {400, 401, 402}},
    {"LAST SLOT", {255, 256, 257}}};

std::string AslFile() {
  std::string file;
  for (const Selection& s : kSelections) {
    std::string record = AslRecord(s.name, {});
    for (std::size_t k = 0; k < s.codes.size(); ++k) {
      const auto code = static_cast<std::uint32_t>(s.codes[k]);
      for (std::size_t b = 0; b < 4; ++b)
        record[24 + 4 * k + b] = static_cast<char>((code >> (8 * b)) & 0xFF);
    }
    file += record;
  }
  return file;
}

// The 1024 bytes of an erased instrument after the uploads, from the memory
// maps: option k's value at its address; slot i at 512 + 40 i with its name
// padded with blanks to 20 bytes, then ten words low byte first, 0 after the
// last code.
Bytes ExpectedMemory(bool powerOn, bool selections) {
  Bytes memory(1024, 0xFF);
  if (powerOn) {
    for (int k = 0; k < 20; ++k) {
      memory[static_cast<std::size_t>(kAddresses[k])] =
          static_cast<std::uint8_t>(kPowerOnValues[k]);
    }
  }
  if (selections) {
    for (std::size_t i = 0; i < kSelections.size(); ++i) {
      const std::size_t slot = 512 + 40 * i;
      const Selection& s = kSelections[i];
      for (std::size_t c = 0; c < 20; ++c) {
        memory[slot + c] = c < s.name.size() ? static_cast<std::uint8_t>(s.name[c]) : ' ';
      }
      for (std::size_t k = 0; k < 10; ++k) {
        const int code = k < s.codes.size() ? s.codes[k] : 0;
        memory[slot + 20 + 2 * k] = static_cast<std::uint8_t>(code & 0xFF);
        memory[slot + 21 + 2 * k] = static_cast<std::uint8_t>(code >> 8);
      }
    }
  }
  return memory;
}

Lines SplitLines(const std::string& text) {
  Lines lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The summary lines without their link figures, which depend on how the
// machine keeps time; each must say that no character went twice.
Lines Summaries(const std::string& text) {
  Lines lines;
  for (std::string line : SplitLines(text)) {
    const auto figures = line.find("; link: ");
    EXPECT_NE(figures, std::string::npos) << line;
    if (figures == std::string::npos) continue;
    EXPECT_NE(line.find(", 0 characters sent again, ", figures), std::string::npos) << line;
    line.erase(figures);
    lines.push_back(line);
  }
  return lines;
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class KorapcProgramVirtualTest : public ::testing::Test {
 protected:
  void Start(std::size_t count, const std::vector<std::vector<std::string>>& hostArgs = {}) {
    for (std::size_t i = 0; i < count; ++i) {
      hosts.push_back(std::make_unique<VirtualKoraHost>(
          i < hostArgs.size() ? hostArgs[i] : std::vector<std::string>{}));
    }
  }
  std::vector<std::string> PortArgs() const {
    std::vector<std::string> args;
    for (const auto& host : hosts) args.insert(args.end(), {"--port", host->LinkPath()});
    return args;
  }
  std::string File(const std::string& name, const std::string& bytes) {
    TempDir::WriteAll(files.File(name), bytes);
    return files.File(name);
  }
  // Stops every virtual KORA-1, so that its log and memory are complete.
  void StopHosts() {
    for (const auto& host : hosts) host->Stop();
  }

  ScopedConfigHome home;
  TempDir files;
  std::vector<std::unique_ptr<VirtualKoraHost>> hosts;
};

TEST_F(KorapcProgramVirtualTest, ThreeInstrumentsAtOnceEndWithExactlyTheSameMemory) {
  Start(3);
  std::vector<std::string> args = PortArgs();
  args.insert(args.end(), {"--power-on", File("poweron.dat", kPowerOnFile), "--auto-selections",
                           File("ward-a.asl", AslFile())});
  ProgramRun run(KORAPC_PROGRAM, args);
  ASSERT_EQ(run.Wait(kRunTimeoutMs), 0) << run.Err();
  StopHosts();

  const Bytes expected = ExpectedMemory(true, true);
  for (const auto& host : hosts) {
    EXPECT_EQ(host->Memory(), expected) << host->LinkPath();
    EXPECT_EQ(host->Commands().size(), 20u + 400u);
  }
  Lines summary;
  for (const auto& host : hosts)
    summary.push_back(host->LinkPath() + ": programmed: power-on values, auto selections");
  EXPECT_EQ(Summaries(run.Out()), summary);
  // One notice per port, on a line of its own after its last upload, and
  // none between the two uploads.
  const std::string notice =
      ": Switch KORA-1 power OFF, then switch back ON for settings to take effect.";
  for (const auto& host : hosts) {
    const Lines err = SplitLines(run.Err());
    const std::string port = host->LinkPath();
    const std::string autoNotice = port + ": Auto Selections" + notice;
    EXPECT_EQ(std::count(err.begin(), err.end(), autoNotice), 1) << run.Err();
    EXPECT_EQ(std::count(err.begin(), err.end(), port + ": Power On Settings" + notice), 0);
    const auto last = std::find(err.begin(), err.end(), port + ": auto selections: 300/300 done");
    EXPECT_NE(std::find(last, err.end(), autoNotice), err.end()) << run.Err();
  }
}

TEST_F(KorapcProgramVirtualTest, AFaultOnOneInstrumentFailsItAloneWithItsMessage) {
  Start(3, {{}, {"--fault", "T@5"}, {}});
  std::vector<std::string> args = PortArgs();
  args.insert(args.end(), {"--power-on", File("poweron.dat", kPowerOnFile)});
  ProgramRun run(KORAPC_PROGRAM, args);
  ASSERT_EQ(run.Wait(kRunTimeoutMs), 1) << run.Err();
  StopHosts();

  const std::string failure =
      "KORA-1 Memory Error: Invalid data value! -Power down KORA-1 -Wait one second -Power up KORA-1 and try again.";
  EXPECT_EQ(Summaries(run.Out()),
            (Lines{hosts[0]->LinkPath() + ": programmed: power-on values",
                   hosts[1]->LinkPath() + ": failed in power-on values at 4/20: " + failure,
                   hosts[2]->LinkPath() + ": programmed: power-on values"}));
  EXPECT_TRUE(Contains(run.Err(), hosts[1]->LinkPath() + ": " + failure + "\n")) << run.Err();
  EXPECT_EQ(hosts[0]->Memory(), ExpectedMemory(true, false));
  EXPECT_EQ(hosts[2]->Memory(), ExpectedMemory(true, false));
  // The faulty one holds the first four values and no more, and never left service mode.
  Bytes four(1024, 0xFF);
  for (int k = 0; k < 4; ++k) {
    four[static_cast<std::size_t>(kAddresses[k])] = static_cast<std::uint8_t>(kPowerOnValues[k]);
  }
  EXPECT_EQ(hosts[1]->Memory(), four);
  EXPECT_FALSE(Contains(hosts[1]->Log(), "X: service mode ended"));
  EXPECT_TRUE(Contains(hosts[0]->Log(), "X: service mode ended"));
}

TEST_F(KorapcProgramVirtualTest, AFileToRefuseSendsNothingToAnyInstrument) {
  Start(2);
  std::string foreign = AslFile();
  foreign.replace(64 * 2, 64, AslRecord("ODD", {13, 600}));
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"--power-on", File("odd.dat", "3\n3\n0\n1\n0\n2\n4\n200\n")},
       ": Power On Settings: The power-on value of \"Respiration Delta\" is invalid (200)."},
      {{"--power-on", File("poweron.dat", kPowerOnFile), "--auto-selections",
        File("foreign.asl", foreign)},
       ": Auto Selections: Auto selection 3 (\"ODD\") holds the key code 600, which the KORA-1 does not have."},
      {{"--auto-selections", File("short.asl", AslFile().substr(0, 639))},
       ": Error Reading File: An error occurred while reading the file."},
      {{"--power-on", files.File("missing.dat")},
       ": Error Opening File: An error occurred while opening the file."},
  };
  for (const auto& [fileArgs, message] : cases) {
    std::vector<std::string> args = PortArgs();
    args.insert(args.end(), fileArgs.begin(), fileArgs.end());
    ProgramRun run(KORAPC_PROGRAM, args);
    EXPECT_EQ(run.Wait(kRunTimeoutMs), 2) << message;
    EXPECT_TRUE(Contains(run.Err(), message)) << run.Err();
    EXPECT_EQ(run.Out(), "");
  }
  StopHosts();
  for (const auto& host : hosts) {
    EXPECT_FALSE(Contains(host->Log(), "service-mode request")) << host->Log();
    EXPECT_FALSE(Contains(host->Log(), "ignored")) << host->Log();
    EXPECT_TRUE(host->Commands().empty());
    EXPECT_EQ(host->Memory(), Bytes(1024, 0xFF));
  }
}

TEST_F(KorapcProgramVirtualTest, APortThatIsNotThereShowsTheOpenMessageWithItsReason) {
  Start(1);
  const std::string missing = files.File("ttyUSB9");
  std::vector<std::string> args = {"--port", missing};
  const std::vector<std::string> present = PortArgs();
  args.insert(args.end(), present.begin(), present.end());
  args.insert(args.end(), {"--power-on", File("poweron.dat", kPowerOnFile)});
  ProgramRun run(KORAPC_PROGRAM, args);
  ASSERT_EQ(run.Wait(kRunTimeoutMs), 1) << run.Err();
  const std::string message =
      "COM Port Error: Unable to open PC COM Port! " + missing +
      " does not exist (any more). Check the cable and the USB adapter, then pick the port "
      "again on the Settings tab.";
  EXPECT_TRUE(Contains(run.Err(), missing + ": " + message + "\n")) << run.Err();
  EXPECT_EQ(Summaries(run.Out()),
            (Lines{missing + ": failed in power-on values at 0/20: " + message,
                   hosts[0]->LinkPath() + ": programmed: power-on values"}));
  StopHosts();
  EXPECT_EQ(hosts[0]->Memory(), ExpectedMemory(true, false));
}

TEST_F(KorapcProgramVirtualTest, CtrlCLetsEveryPortFinishTheUploadItIsInAndReports) {
  Start(2);
  std::vector<std::string> args = PortArgs();
  // A slower pace keeps the power-on upload running well after the signal.
  args.insert(args.end(), {"--delay", "40", "--power-on", File("poweron.dat", kPowerOnFile),
                           "--auto-selections", File("ward-a.asl", AslFile())});
  ProgramRun run(KORAPC_PROGRAM, args);
  ASSERT_TRUE(hosts[0]->WaitForLog("command 3:", 60000)) << hosts[0]->Log();
  run.Signal(SIGINT);
  ASSERT_EQ(run.Wait(kRunTimeoutMs), 1) << run.Err();
  StopHosts();

  for (const auto& host : hosts) {
    EXPECT_EQ(host->Commands().size(), 20u) << host->Log();  // the power-on values, whole
    EXPECT_TRUE(Contains(host->Log(), "X: service mode ended"));
    EXPECT_EQ(host->Memory(), ExpectedMemory(true, false));
  }
  EXPECT_EQ(Summaries(run.Out()),
            (Lines{hosts[0]->LinkPath() +
                       ": stopped: power-on values programmed; auto selections not sent",
                   hosts[1]->LinkPath() +
                       ": stopped: power-on values programmed; auto selections not sent"}));
  EXPECT_TRUE(
      Contains(run.Err(),
               "korapc-program: stopping: every port finishes the upload it is in, then nothing "
               "more is sent\n"))
      << run.Err();
}

}  // namespace
