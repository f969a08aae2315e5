// The command line of korapc-program: what each option gives, and what is
// refused as bad usage before anything else happens.
#include "cli/programoptions.h"

#include <gtest/gtest.h>

namespace {

using Args = std::vector<std::string>;

TEST(ProgramOptions, EveryOptionIsTakenAsGiven) {
  const ParsedOptions parsed = ParseProgramOptions(
      {"--port", "/dev/ttyUSB0", "--port=/dev/ttyUSB1", "--power-on", "poweron.dat",
       "--auto-selections", "saved", "--delay", "25", "--dry-run", "--json"});
  ASSERT_EQ(parsed.error, "");
  const ProgramOptions& o = parsed.options;
  EXPECT_EQ(o.ports, (Args{"/dev/ttyUSB0", "/dev/ttyUSB1"}));
  EXPECT_EQ(o.powerOnFile, "poweron.dat");
  EXPECT_EQ(o.autoSelectFile, "saved");
  EXPECT_EQ(o.commandDelay, 25);
  EXPECT_TRUE(o.dryRun);
  EXPECT_TRUE(o.json);
  EXPECT_FALSE(o.listPorts);
  EXPECT_FALSE(o.help);

  const ProgramOptions bare = ParseProgramOptions({"--auto-selections", "ward-a.asl"}).options;
  EXPECT_TRUE(bare.ports.empty());  // COMPORT then
  EXPECT_FALSE(bare.powerOnFile);
  EXPECT_FALSE(bare.commandDelay);  // DELAY then
}

TEST(ProgramOptions, HelpVersionAndListPortsNeedNoFile) {
  EXPECT_TRUE(ParseProgramOptions({"--help"}).options.help);
  EXPECT_TRUE(ParseProgramOptions({"-h"}).options.help);
  EXPECT_TRUE(ParseProgramOptions({"--version"}).options.version);
  const ParsedOptions list = ParseProgramOptions({"--list-ports", "--json"});
  EXPECT_EQ(list.error, "");
  EXPECT_TRUE(list.options.listPorts);
  EXPECT_TRUE(list.options.json);
  // --help wins over whatever else is wrong, as is usual.
  EXPECT_EQ(ParseProgramOptions({"--delay", "x", "--help"}).error, "");
}

struct BadLine {
  Args args;
  std::string error;
};

class ProgramOptionsBadLine : public ::testing::TestWithParam<BadLine> {};

TEST_P(ProgramOptionsBadLine, IsRefusedWithAReason) {
  EXPECT_EQ(ParseProgramOptions(GetParam().args).error, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProgramOptionsBadLine,
    ::testing::Values(
        BadLine{{}, "Nothing to send: give --power-on FILE, --auto-selections FILE, or both."},
        BadLine{{"--port", "/dev/ttyUSB0"},
                "Nothing to send: give --power-on FILE, --auto-selections FILE, or both."},
        BadLine{{"--power-on", "a", "--power-on", "b"}, "--power-on is given more than once."},
        BadLine{{"--auto-selections", ""}, "--auto-selections needs a file, or the word saved."},
        BadLine{{"--power-on", "a", "--port", "/dev/ttyS0", "--port", "/dev/ttyS0"},
                "The port /dev/ttyS0 is given twice."},
        BadLine{{"--power-on", "a", "--port", ""},
                "--port needs the path of a serial device, e.g. /dev/ttyUSB0."},
        BadLine{{"--power-on", "a", "--delay", "-1"},
                "--delay needs a whole number of milliseconds from 0 to 1000, not '-1'."},
        BadLine{{"--power-on", "a", "--delay", "1001"},
                "--delay needs a whole number of milliseconds from 0 to 1000, not '1001'."},
        BadLine{{"--power-on", "a", "--delay", "12ms"},
                "--delay needs a whole number of milliseconds from 0 to 1000, not '12ms'."},
        BadLine{{"--power-on", "a", "/dev/ttyUSB0"}, "Unexpected argument '/dev/ttyUSB0'."},
        BadLine{{"--power-on", "a", "--colour"}, "Unknown option 'colour'."},
        BadLine{{"--power-on"}, "Missing value after '--power-on'."}));

TEST(ProgramOptions, HelpNamesEveryOptionAndTheExitStatuses) {
  const std::string help = ProgramHelpText();
  for (const char* option :
       {"--port PATH", "--power-on FILE", "--auto-selections FILE", "--delay MS", "--dry-run",
        "--list-ports", "--json", "--help", "--version", "saved"}) {
    EXPECT_NE(help.find(option), std::string::npos) << option;
  }
  EXPECT_NE(help.find("Exit status: 0"), std::string::npos);
  EXPECT_EQ(help.back(), '\n');
  EXPECT_EQ(ProgramVersionText().rfind("korapc-program (KORApc) ", 0), 0u);
}

}  // namespace
