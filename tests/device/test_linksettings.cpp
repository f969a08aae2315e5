// The link's settings: read once from korapc.ini by the caller, and the only
// place the link takes its port and command delay from.
#include "device/linksettings.h"

#include <gtest/gtest.h>

#include "device/koracomm.h"
#include "support/fakeclock.h"
#include "support/recordingmessagesink.h"
#include "support/scriptedport.h"
#include "support/tempdir.h"

namespace {

TEST(LinkSettings, DelayComesFromKoracommInTheSettingsFileAndThePortFromTheCaller) {
  TempDir dir;
  const std::string ini = dir.File("korapc.ini");
  const LinkSettings missing = ReadLinkSettings(ini, "/dev/ttyUSB3");
  EXPECT_EQ(missing.portName, "/dev/ttyUSB3");
  EXPECT_EQ(missing.commandDelay, 10);
  EXPECT_EQ(missing.echoGrace, 200);

  TempDir::WriteAll(ini, "[KORAPCForm]\nCOMPORT=/dev/ttyS0\n[KORACOMM]\nDELAY=35\nECHOGRACE=450\n");
  const LinkSettings read = ReadLinkSettings(ini, "/dev/ttyACM1");
  EXPECT_EQ(read.portName, "/dev/ttyACM1");  // COMPORT is the window's business
  EXPECT_EQ(read.commandDelay, 35);
  EXPECT_EQ(read.echoGrace, 450);

  TempDir::WriteAll(ini, "[KORACOMM]\nDELAY=-5\nECHOGRACE=-9\n");
  EXPECT_EQ(ReadLinkSettings(ini, "").commandDelay, -5);  // the link clamps it
  EXPECT_EQ(ReadLinkSettings(ini, "").echoGrace, -9);
  TempDir::WriteAll(ini, "[KORACOMM]\nECHOGRACE=soon\n");
  EXPECT_EQ(ReadLinkSettings(ini, "").echoGrace, 200);
}

// The link cannot reach the program's globals or its data folder at all (the
// layering test keeps device/ away from app/); what it is given is what it uses.
TEST(LinkSettings, TheLinkUsesThePortAndDelayItIsGiven) {
  ScriptedPort port;
  port.respond = ScriptedPort::Instrument();
  FakeClock clock;
  RecordingMessageSink sink;
  TKORAComm link(LinkSettings{"/dev/ttyGIVEN", 40}, sink, clock, port.Handle());
  EXPECT_EQ(port.portName, "/dev/ttyGIVEN");
  EXPECT_EQ(link.CommandDelay(), 40);
  ASSERT_EQ(link.OpenPort(), 0);
  EXPECT_EQ(link.SendCommand("A1D2R"), 0);
  EXPECT_EQ(clock.sleeps, (std::vector<int>{40, 40, 40, 40, 50}));

  EXPECT_EQ(TKORAComm(LinkSettings{"", -3}, sink, clock, port.Handle()).CommandDelay(), 0);
  EXPECT_EQ(TKORAComm(LinkSettings{"", 5000}, sink, clock, port.Handle()).CommandDelay(), 1000);
}

}  // namespace
