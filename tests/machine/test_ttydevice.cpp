#include "machine/ttydevice.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "support/pseudoterminal.h"
#include "support/tempdir.h"

namespace {

using ttydevice::IsForeignLink;
using ttydevice::IsOwnPseudoTerminalLink;
using ttydevice::IsPseudoTerminal;
using ttydevice::IsTerminalDevice;

TEST(TerminalDevice, APseudoTerminalIsOneDirectlyAndThroughALink) {
  PseudoTerminal pty;
  TempDir dir;
  const std::string link = dir.File("ttyLINK");
  ASSERT_EQ(::symlink(pty.Path().c_str(), link.c_str()), 0);
  EXPECT_TRUE(IsTerminalDevice(pty.Path()));
  EXPECT_TRUE(IsTerminalDevice(link));
  EXPECT_TRUE(IsPseudoTerminal(pty.Path()));
  EXPECT_TRUE(IsPseudoTerminal(link));
}

TEST(TerminalDevice, OtherCharacterDevicesFilesFoldersAndMissingPathsAreNot) {
  TempDir dir;
  TempDir::WriteAll(dir.File("plain"), "not a device");
  const std::string nullLink = dir.File("null");
  ASSERT_EQ(::symlink("/dev/null", nullLink.c_str()), 0);
  for (const std::string& path :
       {std::string("/dev/null"), std::string("/dev/zero"), nullLink, dir.File("plain"), dir.path(),
        dir.File("missing"), std::string()}) {
    EXPECT_FALSE(IsTerminalDevice(path)) << path;
    EXPECT_FALSE(IsPseudoTerminal(path)) << path;
  }
}

TEST(TerminalDevice, ThePseudoTerminalMultiplexerIsNoPseudoTerminal) {
  EXPECT_FALSE(IsPseudoTerminal("/dev/pts/ptmx"));
  EXPECT_FALSE(IsPseudoTerminal("/dev/ptmx"));
}

TEST(OwnPseudoTerminalLink, OnlyALinkOfOursToAPseudoTerminalCounts) {
  PseudoTerminal pty;
  TempDir dir;
  const std::string good = dir.File("ttyKORA1");
  const std::string toNull = dir.File("toNull");
  const std::string dangling = dir.File("dangling");
  ASSERT_EQ(::symlink(pty.Path().c_str(), good.c_str()), 0);
  ASSERT_EQ(::symlink("/dev/null", toNull.c_str()), 0);
  ASSERT_EQ(::symlink(dir.File("nothing").c_str(), dangling.c_str()), 0);
  EXPECT_TRUE(IsOwnPseudoTerminalLink(good));
  EXPECT_FALSE(IsOwnPseudoTerminalLink(pty.Path()));  // the device itself is no link
  EXPECT_FALSE(IsOwnPseudoTerminalLink(toNull));
  EXPECT_FALSE(IsOwnPseudoTerminalLink(dangling));
  EXPECT_FALSE(IsOwnPseudoTerminalLink(dir.File("missing")));
  EXPECT_FALSE(IsForeignLink(good));
  EXPECT_FALSE(IsForeignLink(pty.Path()));
}

TEST(OwnPseudoTerminalLink, ALinkPlantedByAnotherUserIsForeignAndNotOurs) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root can give a link to another user";
  PseudoTerminal pty;
  TempDir dir;
  const std::string link = dir.File("ttyKORA1");
  ASSERT_EQ(::symlink(pty.Path().c_str(), link.c_str()), 0);
  ASSERT_EQ(::lchown(link.c_str(), 4242, 4242), 0);
  EXPECT_FALSE(IsOwnPseudoTerminalLink(link));
  EXPECT_TRUE(IsForeignLink(link));
  EXPECT_TRUE(IsTerminalDevice(link));  // still a terminal: the owner test is separate
}

}  // namespace
