// The trace and the adapter as text, and a port that is no USB adapter.
#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include "history/portidentity.h"
#include "history/tracetext.h"

namespace {

TEST(TraceText, OneLinePerByteWithTheCodeHidden) {
  const UploadTrace trace{{0, TraceDirection::Sent, 'M', false},
                          {10000, TraceDirection::Sent, 0, true},
                          {1245001, TraceDirection::Received, 'V', false},
                          {12345678901, TraceDirection::Received, 0x0D, false}};
  EXPECT_EQ(TraceText(trace),
            "   0.000000 s  PC>KORA  4D  M\n"
            "   0.010000 s  PC>KORA  **  *\n"
            "   1.245001 s  KORA>PC  56  V\n"
            "12345.678901 s  KORA>PC  0D  .\n");
  EXPECT_EQ(TraceText({}), "");
}

TEST(AdapterText, LeavesOutWhatIsNotKnown) {
  struct Case {
    std::optional<PortAdapter> adapter;
    const char* expected;
  } cases[] = {
      {PortAdapter{"FTDI", "FT232R USB UART", "A10K3B2Q", "0403", "6001"},
       "FTDI FT232R USB UART, serial A10K3B2Q (0403:6001)"},
      {PortAdapter{"", "CP2102", "", "10c4", "ea60"}, "CP2102 (10c4:ea60)"},
      {PortAdapter{"", "", "0001", "", ""}, "serial 0001"},
      {std::nullopt, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(AdapterText(c.adapter), c.expected);
}

TEST(DescribePort, APortWithoutAnAdapterIsOnlyItsName) {
  int master = -1;
  int slave = -1;
  char name[128] = {};
  ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
  for (const std::string& port : {std::string(name), std::string("/dev/ttyUSB97-not-there")}) {
    const UploadPort described = DescribePort(port);
    EXPECT_EQ(described.chosen, port);
    EXPECT_EQ(described.stable, "");
    EXPECT_FALSE(described.adapter.has_value());
  }
  ::close(slave);
  ::close(master);
}

}  // namespace
