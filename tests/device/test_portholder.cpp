// Who has a port: lock files and /proc/locks against a process folder of the
// test's own, open descriptors and locks against a real child process.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "device/portholder.h"
#include "support/holdingchild.h"
#include "support/tempdir.h"

namespace {

// Process 4242 ("minicom") runs in the test's process folder. 99999999 is
// above the largest process number Linux gives out, so it never runs.
class PortHolderFake : public ::testing::Test {
 protected:
  void SetUp() override {
    ::mkdir(proc.File("4242").c_str(), 0755);
    TempDir::WriteAll(proc.File("4242/comm"), "minicom\n");
  }
  PortHolderFinder Finder() const {
    return PortHolderFinder(proc.path(), {locks.path(), locks.File("absent")});
  }

  TempDir proc;
  TempDir locks;
};

std::string Binary(std::int32_t pid) {
  return std::string(reinterpret_cast<const char*>(&pid), sizeof pid);
}

struct LockCase {
  std::string content;
  std::optional<pid_t> holder;
};

TEST_F(PortHolderFake, ALockFileNamesItsProcessOnlyWhileThatRunsAndIsNeverRemoved) {
  const std::vector<LockCase> cases = {
      {"      4242\n", 4242},
      {Binary(4242), 4242},
      {"4242", 4242},                              // as text, though four bytes long
      {"  99999999\n", std::nullopt},              // stale
      {std::to_string(::getpid()), std::nullopt},  // this process is never its own rival
      {"ttyUSB0\n", std::nullopt},
      {"", std::nullopt},
  };
  for (const LockCase& c : cases) {
    TempDir::WriteAll(locks.File("LCK..ttyUSB0"), c.content);
    const std::optional<PortHolder> holder = Finder().ByLockFile("/dev/ttyUSB0");
    ASSERT_EQ(holder.has_value(), c.holder.has_value()) << c.content;
    if (holder) {
      EXPECT_EQ(holder->pid, *c.holder);
      EXPECT_EQ(holder->program, "minicom");
    }
    EXPECT_EQ(TempDir::ReadAll(locks.File("LCK..ttyUSB0")), c.content);
  }
  EXPECT_FALSE(Finder().ByLockFile("/dev/ttyUSB1").has_value());
}

TEST_F(PortHolderFake, ALockFileIsFoundByTheNameOfTheDeviceALinkLeadsTo) {
  TempDir dev;
  TempDir::WriteAll(dev.File("ttyACM3"), "");
  ASSERT_EQ(::symlink(dev.File("ttyACM3").c_str(), dev.File("kora").c_str()), 0);
  TempDir::WriteAll(locks.File("LCK..ttyACM3"), "4242\n");
  ASSERT_TRUE(Finder().ByLockFile(dev.File("kora")).has_value());
  EXPECT_EQ(Finder().ByLockFile(dev.File("kora"))->pid, 4242);
}

TEST_F(PortHolderFake, TheFileLockTableIsReadByFileSystemAndInode) {
  TempDir::WriteAll(proc.File("locks"),
                    "1: POSIX  ADVISORY  WRITE 4343 08:1a:87 0 EOF\n"
                    "2: FLOCK  ADVISORY  WRITE 4242 00:05:87 0 EOF\n"
                    "2: -> FLOCK  ADVISORY  WRITE 4444 00:05:88 0 EOF\n"
                    "3: FLOCK  ADVISORY  WRITE 99999999 00:05:89 0 EOF\n");
  const auto holder = Finder().ByFileLock(::makedev(0, 5), 87);
  ASSERT_TRUE(holder.has_value());
  EXPECT_EQ(holder->pid, 4242);
  EXPECT_EQ(holder->program, "minicom");
  EXPECT_FALSE(Finder().ByFileLock(::makedev(0, 5), 88).has_value());  // only waits for it
  EXPECT_FALSE(Finder().ByFileLock(::makedev(0, 5), 89).has_value());  // gone
  EXPECT_FALSE(Finder().ByFileLock(::makedev(0, 6), 87).has_value());
}

TEST(PortHolderSystem, AChildThatLocksOrOpensTheDeviceIsNamedAndForgottenWhenItGoes) {
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(::grantpt(master) | ::unlockpt(master), 0);
  const std::string pty = ::ptsname(master);
  struct stat st {};
  ASSERT_EQ(::stat(pty.c_str(), &st), 0);
  const PortHolderFinder finder;
  EXPECT_FALSE(finder.Find(pty).has_value());

  for (const bool locks : {false, true}) {
    HoldingChild child(locks ? "lockholder" : "openholder", [&] {
      const int fd = ::open(pty.c_str(), O_RDWR | O_NOCTTY);
      return fd >= 0 && (!locks || ::flock(fd, LOCK_EX | LOCK_NB) == 0);
    });
    ASSERT_TRUE(child.Held());
    const auto holder =
        locks ? finder.ByFileLock(st.st_dev, st.st_ino) : finder.ByOpenDescriptor(st.st_rdev);
    ASSERT_TRUE(holder.has_value()) << locks;
    EXPECT_EQ(holder->pid, child.Pid());
    EXPECT_EQ(holder->program, locks ? "lockholder" : "openholder");
    ASSERT_TRUE(finder.Find(pty).has_value());
    EXPECT_EQ(finder.Find(pty)->pid, child.Pid());
    child.Kill();
    EXPECT_FALSE(finder.Find(pty).has_value()) << locks;
  }
  ::close(master);
}

}  // namespace
