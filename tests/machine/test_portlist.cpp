#include "machine/portlist.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <algorithm>

#include "support/pseudoterminal.h"
#include "support/scopedenv.h"
#include "support/tempdir.h"

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

bool Lists(const std::vector<PortEntry>& ports, const QString& name) {
  return std::any_of(ports.begin(), ports.end(),
                     [&](const PortEntry& p) { return p.name == name; });
}

TEST(PortList, NaturalOrderComparesNumbersByValue) {
  EXPECT_TRUE(PortList::NaturalLess("/dev/ttyS2", "/dev/ttyS10"));
  EXPECT_FALSE(PortList::NaturalLess("/dev/ttyS10", "/dev/ttyS2"));
  EXPECT_TRUE(PortList::NaturalLess("/dev/ttyACM0", "/dev/ttyUSB0"));
  EXPECT_FALSE(PortList::NaturalLess("/dev/ttyS0", "/dev/ttyS0"));
}

TEST(PortList, ASavedTerminalIsAddedOnceAndNothingElseIs) {
  PseudoTerminal pty;
  const std::vector<PortEntry> ports{{"/dev/ttyS0", ""}};
  const auto withPty = PortList::WithSavedPort(ports, Q(pty.Path()));
  ASSERT_EQ(withPty.size(), 2u);
  EXPECT_EQ(withPty[1].name, Q(pty.Path()));
  EXPECT_EQ(withPty[1].description, "From korapc.ini");
  EXPECT_FALSE(withPty[1].missing);

  // Already listed, exactly: not added again.
  EXPECT_EQ(PortList::WithSavedPort(withPty, Q(pty.Path())).size(), 2u);

  // A character device that is no terminal is not offered.
  EXPECT_EQ(PortList::WithSavedPort(ports, "/dev/null").size(), 1u);
  EXPECT_EQ(PortList::WithSavedPort(ports, "/dev/zero").size(), 1u);
  TempDir dir;
  TempDir::WriteAll(dir.File("plain"), "not a device");
  EXPECT_EQ(PortList::WithSavedPort(ports, Q(dir.File("plain"))).size(), 1u);
  EXPECT_EQ(PortList::WithSavedPort(ports, "/dev/does-not-exist").size(), 1u);
  EXPECT_EQ(PortList::WithSavedPort(ports, "COM1").size(), 1u);
  EXPECT_EQ(PortList::WithSavedPort(ports, "").size(), 1u);
}

TEST(PortList, ASavedLinkToATerminalIsOfferedOnlyWhenNoOtherUserMadeIt) {
  PseudoTerminal pty;
  TempDir dir;
  const std::string link = dir.File("ttyLINK");
  ASSERT_EQ(::symlink(pty.Path().c_str(), link.c_str()), 0);
  EXPECT_EQ(PortList::WithSavedPort({}, Q(link)).size(), 1u);
  if (::geteuid() != 0) GTEST_SKIP() << "only root can give a link to another user";
  ASSERT_EQ(::lchown(link.c_str(), 4242, 4242), 0);
  EXPECT_EQ(PortList::WithSavedPort({}, Q(link)).size(), 0u);
}

TEST(PortList, ARefreshKeepsAChosenPortThatWentAwayShownAndMarked) {
  PseudoTerminal pty;
  const std::vector<PortEntry> present{{"/dev/ttyS0", "built-in"}, {"/dev/ttyUSB1", "adapter"}};

  const auto gone = PortList::Refreshed(present, "", {"/dev/ttyUSB0"});
  ASSERT_EQ(gone.size(), 3u);
  EXPECT_EQ(gone[2].name, "/dev/ttyUSB0");
  EXPECT_EQ(gone[2].description, "Not present");
  EXPECT_TRUE(gone[2].missing);
  EXPECT_FALSE(gone[0].missing);
  EXPECT_FALSE(gone[1].missing);

  // Still there, or nothing chosen: nothing is added.
  EXPECT_EQ(PortList::Refreshed(present, "", {"/dev/ttyUSB1"}).size(), 2u);
  EXPECT_EQ(PortList::Refreshed(present, "", {}).size(), 2u);

  // The port named in korapc.ini keeps being offered, and counts as listed.
  const auto saved = PortList::Refreshed(present, Q(pty.Path()), {Q(pty.Path())});
  ASSERT_EQ(saved.size(), 3u);
  EXPECT_EQ(saved[2].name, Q(pty.Path()));
  EXPECT_FALSE(saved[2].missing);
}

TEST(PortList, StableNamesAreTheLinksOfTheByIdFolderByTheDeviceTheyLeadTo) {
  PseudoTerminal a;
  PseudoTerminal b;
  TempDir byId;
  // Two links to a: the first in name order is kept. A dangling link and a
  // plain file are no names.
  const std::string ftdi = byId.File("usb-FTDI_FT232R_A50285BI-if00-port0");
  ASSERT_EQ(::symlink(a.Path().c_str(), ftdi.c_str()), 0);
  ASSERT_EQ(::symlink(a.Path().c_str(), byId.File("usb-ZZZ-if00").c_str()), 0);
  ASSERT_EQ(::symlink(b.Path().c_str(), byId.File("usb-Prolific_PL2303-if00-port0").c_str()), 0);
  ASSERT_EQ(::symlink("/dev/no-such-tty", byId.File("usb-gone-if00").c_str()), 0);
  TempDir::WriteAll(byId.File("README"), "not a link");

  const auto names = PortList::StableNames(Q(byId.path()));
  ASSERT_EQ(names.size(), 2u);
  EXPECT_EQ(names.at(Q(a.Path())), Q(byId.File("usb-FTDI_FT232R_A50285BI-if00-port0")));
  EXPECT_EQ(names.at(Q(b.Path())), Q(byId.File("usb-Prolific_PL2303-if00-port0")));
  EXPECT_TRUE(PortList::StableNames(Q(byId.File("missing"))).empty());
}

TEST(PortList, AnAdapterIsSavedByItsStableNameAndKnownByEitherName) {
  const PortEntry ftdi{"/dev/ttyUSB0", "FT232R USB UART - FTDI", false, "A50285BI",
                       "/dev/serial/by-id/usb-FTDI_FT232R_A50285BI-if00-port0"};
  const PortEntry uart{"/dev/ttyS0", "", false, "", ""};
  EXPECT_EQ(PortList::SavedName(ftdi), ftdi.stableName);
  EXPECT_EQ(PortList::SavedName(uart), "/dev/ttyS0");

  struct Case {
    const PortEntry& port;
    QString saved;
    bool named;
  };
  for (const Case& c : {Case{ftdi, "/dev/ttyUSB0", true}, Case{ftdi, ftdi.stableName, true},
                        Case{ftdi, "/dev/ttyusb0", false}, Case{ftdi, "/dev/ttyUSB1", false},
                        Case{uart, "/dev/ttyS0", true}, Case{uart, "", false}}) {
    EXPECT_EQ(PortList::IsNamedBy(c.port, c.saved), c.named) << c.saved.toStdString();
  }

  EXPECT_EQ(PortList::ToolTip(ftdi),
            "FT232R USB UART - FTDI\nSerial number: A50285BI\n"
            "/dev/serial/by-id/usb-FTDI_FT232R_A50285BI-if00-port0");
  EXPECT_EQ(PortList::ToolTip({"/dev/ttyS0", "built-in"}), "built-in");
  EXPECT_EQ(PortList::ToolTip(uart), "");
}

TEST(PortList, ARefreshFollowsTheChosenAdapterByItsStableName) {
  const QString stable = "/dev/serial/by-id/usb-FTDI_A";
  // The adapter came back as ttyUSB1, and another took ttyUSB0: the chosen
  // one is listed, so nothing is added.
  const std::vector<PortEntry> swapped{{"/dev/ttyUSB0", "other", false, "B", "/dev/serial/by-id/B"},
                                       {"/dev/ttyUSB1", "FTDI", false, "A", stable}};
  EXPECT_EQ(PortList::Refreshed(swapped, "", {"/dev/ttyUSB0", "", false, "A", stable}).size(), 2u);

  // Only the other adapter is left: the chosen one is shown missing under
  // its old name, its stable name kept.
  const auto gone = PortList::Refreshed({swapped[0]}, "", {"/dev/ttyUSB0", "", false, "A", stable});
  ASSERT_EQ(gone.size(), 2u);
  EXPECT_EQ(gone[1].name, "/dev/ttyUSB0");
  EXPECT_TRUE(gone[1].missing);
  EXPECT_EQ(gone[1].stableName, stable);

  // A stable name in korapc.ini counts as listed when its adapter is.
  EXPECT_EQ(PortList::WithSavedPort(swapped, stable).size(), 2u);
}

class VirtualKoraPortTest : public ::testing::Test {
 protected:
  std::string Link() const { return runtime.File("ttyKORA1"); }
  TempDir runtime;  // private, as a real runtime folder is
  ScopedEnv xdg{"XDG_RUNTIME_DIR", runtime.path().c_str()};
};

TEST_F(VirtualKoraPortTest, AnOwnLinkToAPseudoTerminalInTheRuntimeFolderIsOfferedLast) {
  PseudoTerminal pty;
  ASSERT_EQ(::symlink(pty.Path().c_str(), Link().c_str()), 0);
  const auto ports = PortList::PresentPorts();
  ASSERT_FALSE(ports.empty());
  EXPECT_EQ(ports.back().name, Q(Link()));
  EXPECT_EQ(ports.back().description, "Virtual KORA-1");
}

TEST_F(VirtualKoraPortTest, ALinkToAnythingButAPseudoTerminalOrNoLinkIsNotOffered) {
  EXPECT_FALSE(Lists(PortList::PresentPorts(), Q(Link())));
  ASSERT_EQ(::symlink("/dev/null", Link().c_str()), 0);
  EXPECT_FALSE(Lists(PortList::PresentPorts(), Q(Link())));
}

TEST_F(VirtualKoraPortTest, ALinkOfAnotherUserInTheRuntimeFolderIsNotOffered) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root can give a link to another user";
  PseudoTerminal pty;
  ASSERT_EQ(::symlink(pty.Path().c_str(), Link().c_str()), 0);
  ASSERT_EQ(::lchown(Link().c_str(), 4242, 4242), 0);
  EXPECT_FALSE(Lists(PortList::PresentPorts(), Q(Link())));
}

}  // namespace
