// Why a port would not open: each reason against a fake account database,
// then through TKORAComm on a real pseudo-terminal and a missing device.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <string>
#include <vector>

#include "device/koracomm.h"
#include "device/portopenreason.h"
#include "support/fakeclock.h"
#include "support/recordingmessagesink.h"
#include "support/tempdir.h"

namespace {

using Messages = std::vector<RecordedMessage>;

// User "jane", whose session has only the group users (100), and devices owned
// by dialout (20) with crw-rw----.
struct FakeSystem {
  std::optional<DeviceOwnership> owner = DeviceOwnership{20, S_IFCHR | 0660};
  std::map<gid_t, std::string> groups = {{0, "root"}, {20, "dialout"}, {100, "users"}};
  std::optional<std::string> user = "jane";
  std::vector<gid_t> session = {100};
  std::vector<gid_t> account = {100};
  std::optional<PortHolder> holder;

  PortOpenLookups Lookups() {
    return {
        [this](const std::string&) { return owner; },
        [this](gid_t group) -> std::optional<std::string> {
          if (auto it = groups.find(group); it != groups.end()) return it->second;
          return std::nullopt;
        },
        [this] { return user; },
        [this] { return session; },
        [this](const std::string& name) { return name == user ? account : std::vector<gid_t>{}; },
        [this](const std::string&) { return holder; }};
  }
};

const std::string kShowPermissions =
    "You may not open /dev/ttyUSB0: its permissions do not allow it. This command shows them:\nls -l /dev/ttyUSB0";
const std::string kGone =
    " does not exist (any more). Check the cable and the USB adapter, then pick the port again on the Settings tab.";
const std::string kBusy = " is in use by another program. Close that program and try again.";
const std::string kNoPort = "No port is chosen. Pick one on the Settings tab.";

struct Case {
  std::string device;
  int error;
  void (*arrange)(FakeSystem&);
  std::string reason;
};

class PortOpenReasonTest : public ::testing::TestWithParam<Case> {};

TEST_P(PortOpenReasonTest, SaysWhatWentWrongAndWhatMendsIt) {
  FakeSystem system;
  if (GetParam().arrange != nullptr) GetParam().arrange(system);
  EXPECT_EQ(PortOpenReason(GetParam().device, GetParam().error, system.Lookups()),
            GetParam().reason);
}

INSTANTIATE_TEST_SUITE_P(
    Reasons, PortOpenReasonTest,
    ::testing::Values(
        Case{
            "/dev/ttyUSB0", EACCES, nullptr,
            "You may not open /dev/ttyUSB0: it belongs to the group dialout, and your user (jane) is not in that "
            "group. Run this command, then log out and log in again:\nsudo usermod -aG dialout jane"},
        Case{
            "/dev/ttyUSB0", EPERM,
            [](FakeSystem& s) {
              s.account = {100, 20};
            },
            "You may not open /dev/ttyUSB0 yet: your user (jane) is in its group dialout, but this session "
            "started before that. Log out and log in again, then try again."},
        // Unknown user; names a shell would split are quoted in the command.
        Case{
            "/dev/ttyUSB0", EACCES,
            [](FakeSystem& s) { s.user.reset(), s.groups[20] = "serial users"; },
            "You may not open /dev/ttyUSB0: it belongs to the group serial users, and your user is not in that "
            "group. Run this command, then log out and log in again:\nsudo usermod -aG 'serial users' $USER"},
        // Where joining the group cannot help or is unknown, the permissions are shown.
        Case{"/dev/ttyUSB0", EACCES,
             [](FakeSystem& s) {
               s.session = {100, 20};
             },
             kShowPermissions},
        Case{"/dev/ttyUSB0", EACCES, [](FakeSystem& s) { s.groups.erase(20); }, kShowPermissions},
        Case{"/dev/ttyUSB0", EACCES, [](FakeSystem& s) { s.owner.reset(); }, kShowPermissions},
        Case{"/dev/ttyUSB0", EACCES, [](FakeSystem& s) { s.owner->group = 0; }, kShowPermissions},
        Case{"/dev/ttyUSB0", EACCES, [](FakeSystem& s) { s.owner->mode = S_IFCHR | 0640; },
             kShowPermissions},
        Case{"/dev/ttyUSB0", ENOENT, nullptr, "/dev/ttyUSB0" + kGone},
        Case{"/dev/ttyS3", ENXIO, nullptr, "/dev/ttyS3" + kGone},
        Case{"/dev/ttyUSB0", EBUSY, nullptr, "/dev/ttyUSB0" + kBusy},
        Case{"/dev/ttyUSB0", EWOULDBLOCK, nullptr, "/dev/ttyUSB0" + kBusy},
        // The program that holds it is named when the system tells which.
        Case{"/dev/ttyUSB0", EWOULDBLOCK,
             [](FakeSystem& s) {
               s.holder = PortHolder{4711, "picocom"};
             },
             "/dev/ttyUSB0 is in use by picocom (process 4711). Close that program and try again."},
        Case{"/dev/ttyUSB0", EBUSY,
             [](FakeSystem& s) {
               s.holder = PortHolder{815, ""};
             },
             "/dev/ttyUSB0 is in use by another program (process 815). Close that program and try "
             "again."},
        Case{"/tmp/notes", ENOTTY, nullptr,
             "/tmp/notes is not a serial port. Pick the port again on the Settings tab."},
        // In English whatever the user's language, like every other message.
        Case{"/dev/ttyUSB0", EIO, nullptr, "/dev/ttyUSB0 could not be opened: Input/output error."},
        Case{"", ENOENT, nullptr, kNoPort}, Case{"/dev/ttyUSB0", 0, nullptr, ""},
        // The message sink takes Windows-1252; a UTF-8 name arrives as its single bytes.
        Case{"/dev/Caf\xC3\xA9", EBUSY, nullptr, "/dev/Caf\xE9" + kBusy}));

// The real lookups on a file of the test's own group: joining that group
// cannot be the remedy.
TEST(PortOpenReasonSystem, AFileOfOurOwnGroupShowsItsPermissions) {
  TempDir dir;
  const std::string file = dir.File("ttyFAKE");
  TempDir::WriteAll(file, "");
  ASSERT_EQ(
      ::chown(file.c_str(), static_cast<uid_t>(-1), ::getegid()) | ::chmod(file.c_str(), 0660), 0);
  const PortOpenLookups system = SystemPortOpenLookups();
  ASSERT_TRUE(system.deviceOwnership(file).has_value());
  EXPECT_EQ(system.deviceOwnership(file)->group, ::getegid());
  EXPECT_EQ(PortOpenReason(file, EACCES, system),
            "You may not open " + file +
                ": its permissions do not allow it. This command shows them:\nls -l " + file);
}

TEST(OpenPortReason, ARealPortHeldByOneLinkIsBusyForTheNextAndAMissingOneIsGone) {
  FakeClock clock;
  RecordingMessageSink sink;
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(::grantpt(master) | ::unlockpt(master), 0);
  const std::string pty = ::ptsname(master);
  LinkSettings settings;
  settings.portName = pty;
  TKORAComm holder(settings, sink, clock);
  ASSERT_EQ(holder.OpenPort(), 0);
  TKORAComm other(settings, sink, clock);
  EXPECT_EQ(other.OpenPort(), -1);
  holder.ClosePort();
  EXPECT_EQ(other.OpenPort(), 0);  // the holder was the reason, and it is gone
  ::close(master);

  TempDir dir;
  settings.portName = dir.File("ttyUSB9");
  TKORAComm missing(settings, sink, clock);
  EXPECT_EQ(missing.OpenPort(), -1);
  EXPECT_EQ(sink.messages, (Messages{{"Unable to open PC COM Port!\n\n" + pty + kBusy,
                                      "COM Port Error", MessageIcon::Stop},
                                     {"Unable to open PC COM Port!\n\n" + settings.portName + kGone,
                                      "COM Port Error", MessageIcon::Stop}}));
}

}  // namespace
