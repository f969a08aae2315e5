// Why a port would not open: every reason against a fake account database,
// and through TKORAComm on a real pseudo-terminal and a missing device.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/koraglobals.h"
#include "device/commport.h"
#include "device/koracomm.h"
#include "device/portopenreason.h"
#include "support/fakeclock.h"
#include "support/recordingmessagesink.h"
#include "support/scriptedport.h"
#include "support/tempdir.h"

namespace {

using Messages = std::vector<RecordedMessage>;

constexpr gid_t kDialout = 20;
constexpr gid_t kUsers = 100;
constexpr mode_t kCharDevice0660 = S_IFCHR | 0660;

// The account database of a user "jane" whose session runs with the group
// users only, and a device /dev/ttyUSB0 owned by dialout, crw-rw----.
struct FakeSystem {
  std::optional<DeviceOwnership> owner = DeviceOwnership{kDialout, kCharDevice0660};
  std::map<gid_t, std::string> groups = {{0, "root"}, {kDialout, "dialout"}, {kUsers, "users"}};
  std::optional<std::string> user = "jane";
  std::vector<gid_t> session = {kUsers};
  std::vector<gid_t> account = {kUsers};
  int calls = 0;

  PortOpenLookups Lookups() {
    return PortOpenLookups{
        [this](const std::string&) { return ++calls, owner; },
        [this](gid_t group) -> std::optional<std::string> {
          ++calls;
          if (auto it = groups.find(group); it != groups.end()) return it->second;
          return std::nullopt;
        },
        [this] { return ++calls, user; },
        [this] { return ++calls, session; },
        [this](const std::string& name) { return ++calls, name == user ? account : std::vector<gid_t>{}; },
    };
  }
};

const std::string kJoinDialout =
    "You may not open /dev/ttyUSB0: it belongs to the group dialout, and your user (jane) is not in that "
    "group. Run this command, then log out and log in again:\nsudo usermod -aG dialout jane";
const std::string kPermissionsShown =
    "You may not open /dev/ttyUSB0: its permissions do not allow it. This command shows them:\n"
    "ls -l /dev/ttyUSB0";

struct PermissionCase {
  const char* name;
  void (*arrange)(FakeSystem&);
  std::string reason;
};

class PermissionReasonTest : public ::testing::TestWithParam<PermissionCase> {};

TEST_P(PermissionReasonTest, NamesTheDeviceAndWhatMendsIt) {
  for (const int error : {EACCES, EPERM}) {
    FakeSystem system;
    GetParam().arrange(system);
    EXPECT_EQ(PortOpenReason("/dev/ttyUSB0", error, system.Lookups()), GetParam().reason) << error;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Branches, PermissionReasonTest,
    ::testing::Values(
        PermissionCase{"NotInTheGroup", [](FakeSystem&) {}, kJoinDialout},
        PermissionCase{"AddedAfterTheSessionStarted",
                       [](FakeSystem& s) { s.account = {kUsers, kDialout}; },
                       "You may not open /dev/ttyUSB0 yet: your user (jane) is in its group dialout, but this "
                       "session started before that. Log out and log in again, then try again."},
        // Joining a group the session already has cannot help.
        PermissionCase{"AlreadyInTheGroup",
                       [](FakeSystem& s) { s.session = {kUsers, kDialout}, s.account = s.session; },
                       kPermissionsShown},
        PermissionCase{"GroupUnknown", [](FakeSystem& s) { s.groups.erase(kDialout); }, kPermissionsShown},
        PermissionCase{"DeviceCannotBeExamined", [](FakeSystem& s) { s.owner.reset(); }, kPermissionsShown},
        // Nobody should be sent to join root's group.
        PermissionCase{"OwnedByRoot", [](FakeSystem& s) { s.owner->group = 0; }, kPermissionsShown},
        // Joining a group that may only read would not let the port open.
        PermissionCase{"GroupMayOnlyRead", [](FakeSystem& s) { s.owner->mode = S_IFCHR | 0640; },
                       kPermissionsShown},
        PermissionCase{"UserUnknown", [](FakeSystem& s) { s.user.reset(); },
                       "You may not open /dev/ttyUSB0: it belongs to the group dialout, and your user is not in "
                       "that group. Run this command, then log out and log in again:\n"
                       "sudo usermod -aG dialout $USER"}),
    [](const ::testing::TestParamInfo<PermissionCase>& param) { return std::string(param.param.name); });

struct PlainCase {
  std::string device;
  int error;
  std::string reason;
};

class PlainReasonTest : public ::testing::TestWithParam<PlainCase> {};

TEST_P(PlainReasonTest, NeedsNoAccountLookups) {
  FakeSystem system;
  EXPECT_EQ(PortOpenReason(GetParam().device, GetParam().error, system.Lookups()), GetParam().reason);
  EXPECT_EQ(system.calls, 0);
}

const std::string kGone =
    " does not exist (any more). Check the cable and the USB adapter, then pick the port again on the "
    "Settings tab.";
const std::string kBusy = " is in use by another program. Close that program and try again.";
const std::string kNoPort = "No port is chosen. Pick one on the Settings tab.";

INSTANTIATE_TEST_SUITE_P(
    Errors, PlainReasonTest,
    ::testing::Values(PlainCase{"/dev/ttyUSB0", ENOENT, "/dev/ttyUSB0" + kGone},
                      PlainCase{"/dev/ttyUSB0", ENODEV, "/dev/ttyUSB0" + kGone},
                      PlainCase{"/dev/ttyS3", ENXIO, "/dev/ttyS3" + kGone},
                      PlainCase{"/dev/ttyUSB0", EBUSY, "/dev/ttyUSB0" + kBusy},
                      PlainCase{"/dev/ttyUSB0", EWOULDBLOCK, "/dev/ttyUSB0" + kBusy},
                      PlainCase{"/home/jane/notes.txt", ENOTTY,
                                "/home/jane/notes.txt is not a serial port. Pick the port again on the "
                                "Settings tab."},
                      // In English whatever the user's language, like every other message.
                      PlainCase{"/dev/ttyUSB0", EIO, "/dev/ttyUSB0 could not be opened: Input/output error."},
                      // No port chosen wins over whatever the system said, even nothing.
                      PlainCase{"", ENOENT, kNoPort}, PlainCase{"", EACCES, kNoPort}, PlainCase{"", 0, kNoPort},
                      // Nothing to explain: the bare message stays.
                      PlainCase{"/dev/ttyUSB0", 0, ""},
                      // The message sink takes Windows-1252; a UTF-8 name arrives as its single bytes.
                      PlainCase{"/dev/serial/by-id/usb-Caf\xC3\xA9", EBUSY, "/dev/serial/by-id/usb-Caf\xE9" + kBusy}));

TEST(PortOpenReasonCommands, NamesThatAShellWouldSplitAreQuotedInTheCommand) {
  FakeSystem system;
  system.user = "jane o'neil";
  system.groups[kDialout] = "serial users";
  EXPECT_EQ(PortOpenReason("/dev/my port", EACCES, system.Lookups()),
            "You may not open /dev/my port: it belongs to the group serial users, and your user (jane o'neil) is "
            "not in that group. Run this command, then log out and log in again:\n"
            "sudo usermod -aG 'serial users' 'jane o'\\''neil'");
  system.owner.reset();
  EXPECT_EQ(PortOpenReason("/dev/my port", EACCES, system.Lookups()),
            "You may not open /dev/my port: its permissions do not allow it. This command shows them:\n"
            "ls -l '/dev/my port'");
}

// The real lookups on a file this test owns: it is in the file's group, so
// the reason must not send it to join that group.
TEST(PortOpenReasonSystem, AFileOfOneOfOurGroupsIsNotMendedByJoiningIt) {
  TempDir dir;
  const std::string file = dir.File("ttyFAKE");
  TempDir::WriteAll(file, "");
  ASSERT_EQ(::chmod(file.c_str(), 0660), 0);
  struct stat status {};
  ASSERT_EQ(::stat(file.c_str(), &status), 0);

  const PortOpenLookups system = SystemPortOpenLookups();
  const std::optional<DeviceOwnership> owner = system.deviceOwnership(file);
  ASSERT_TRUE(owner.has_value());
  EXPECT_EQ(owner->group, status.st_gid);
  EXPECT_EQ(owner->mode & 07777, 0660u);
  EXPECT_FALSE(system.deviceOwnership(dir.File("absent")).has_value());
  const std::vector<gid_t> session = system.sessionGroups();
  EXPECT_NE(std::find(session.begin(), session.end(), ::getegid()), session.end());
  const std::optional<std::string> user = system.userName();
  ASSERT_TRUE(user.has_value());
  EXPECT_FALSE(system.accountGroups(*user).empty());
  EXPECT_TRUE(system.accountGroups("no-such-user-korapc").empty());

  EXPECT_EQ(PortOpenReason(file, EACCES, system),
            "You may not open " + file + ": its permissions do not allow it. This command shows them:\nls -l " + file);
}

class OpenPortReasonTest : public ::testing::Test {
 protected:
  ScopedConfigHome home;
  FakeClock clock;
  RecordingMessageSink sink;
};

TEST_F(OpenPortReasonTest, TheFixedTextKeepsItsCaptionAndIconAndGainsTheReason) {
  struct Case {
    std::string port;
    int error;
    std::string text;
  };
  const std::vector<Case> cases = {
      {"/dev/ttyTEST7", ENOENT, "Unable to open PC COM Port!\n\n/dev/ttyTEST7" + kGone},
      // The device does not exist, so its permissions cannot be examined either.
      {"/dev/ttyTEST7", EACCES,
       "Unable to open PC COM Port!\n\nYou may not open /dev/ttyTEST7: its permissions do not allow it. This "
       "command shows them:\nls -l /dev/ttyTEST7"},
      {"", ENOENT, "Unable to open PC COM Port!\n\n" + kNoPort},
      {"/dev/ttyTEST7", 0, "Unable to open PC COM Port!"},
  };
  for (const Case& c : cases) {
    sink.messages.clear();
    ChosenComPort = c.port;
    ScriptedPort port;
    port.failOpen = true;
    port.openError = c.error;
    TKORAComm link(sink, clock, port.Handle());
    EXPECT_EQ(link.OpenPort(), -1);
    EXPECT_EQ(sink.messages, (Messages{{c.text, "COM Port Error", MessageIcon::Stop}})) << c.error;
    EXPECT_EQ(port.written, "");
  }
}

TEST_F(OpenPortReasonTest, ARealPseudoTerminalHeldByOneLinkIsBusyForTheNext) {
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(::grantpt(master), 0);
  ASSERT_EQ(::unlockpt(master), 0);
  ChosenComPort = ::ptsname(master);

  TKORAComm holder(sink, clock);
  ASSERT_EQ(holder.OpenPort(), 0);
  RecordingMessageSink otherSink;
  TKORAComm other(otherSink, clock);
  EXPECT_EQ(other.OpenPort(), -1);
  EXPECT_EQ(otherSink.messages,
            (Messages{{"Unable to open PC COM Port!\n\n" + ChosenComPort + kBusy, "COM Port Error",
                       MessageIcon::Stop}}));
  holder.ClosePort();
  EXPECT_EQ(other.OpenPort(), 0);  // the reason was the holder, and it is gone
  EXPECT_TRUE(sink.messages.empty());
  other.ClosePort();
  ::close(master);
}

TEST_F(OpenPortReasonTest, ARealMissingDeviceSaysSoAndIsNotBlamedOnPermissions) {
  TempDir dir;
  ChosenComPort = dir.File("ttyUSB9");
  TKORAComm link(sink, clock);
  EXPECT_EQ(link.OpenPort(), -1);
  EXPECT_EQ(sink.messages, (Messages{{"Unable to open PC COM Port!\n\n" + ChosenComPort + kGone, "COM Port Error",
                                      MessageIcon::Stop}}));
}

}  // namespace
