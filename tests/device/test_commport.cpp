// TCommPort on a real pseudo-terminal whose master end the test holds.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "device/commport.h"
#include "device/ecommerror.h"
#include "device/portopenreason.h"
#include "support/holdingchild.h"
#include "support/tempdir.h"

namespace {

ECommKind KindOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const ECommError& e) {
    return e.Kind();
  }
  return ECommKind{0};
}

class CommPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ::grantpt(master);
    ::unlockpt(master);
    char name[128] = {};
    ::ptsname_r(master, name, sizeof name);
    device = name;
    ::chmod(name, 0666);
    port.SetPortName(device);
  }
  void TearDown() override {
    if (master >= 0) ::close(master);
  }
  void Send(const std::string& bytes) const {
    ASSERT_EQ(::write(master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    ::usleep(20000);  // let the line discipline pass them on
  }
  std::string Received() const {
    std::string got;
    pollfd watch{master, POLLIN, 0};
    char buffer[512];
    for (int wait = 200; ::poll(&watch, 1, wait) > 0 && (watch.revents & POLLIN) != 0; wait = 30) {
      const ssize_t n = ::read(master, buffer, sizeof buffer);
      if (n <= 0) break;
      got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
  }
  termios DeviceSettings() const {
    termios state{};
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ::tcgetattr(fd, &state);
    ::close(fd);
    return state;
  }

  int master = -1;
  std::string device;
  TCommPort port;
};

TEST_F(CommPortTest, OpenFailuresLeaveThePortClosedAndTheDeviceFree) {
  TempDir dir;
  port.SetPortName(dir.File("missing"));
  EXPECT_EQ(KindOf([&] { port.Open(); }), ECommKind::OpenFailed);
  TempDir::WriteAll(dir.File("plain"), "not a terminal");
  port.SetPortName(dir.File("plain"));
  EXPECT_EQ(KindOf([&] { port.Open(); }), ECommKind::GetStateFailed);
  EXPECT_FALSE(port.IsOpen());
  const int fd = ::open(dir.File("plain").c_str(), O_RDONLY);
  EXPECT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);  // the failed open released its lock
  ::close(fd);
}

TEST_F(CommPortTest, SecondOpenFailsUntilTheFirstCloses) {
  port.Open();
  port.Open();  // already open: nothing happens
  EXPECT_EQ(KindOf([&] { port.SetPortName("/dev/ttyS9"); }), ECommKind::PortIsOpen);
  EXPECT_EQ(port.PortName(), device);

  TCommPort second;
  second.SetPortName(device);
  EXPECT_EQ(KindOf([&] { second.Open(); }), ECommKind::OpenFailed);
  EXPECT_FALSE(second.IsOpen());
  port.Close();
  second.Open();
  EXPECT_TRUE(second.IsOpen());
}

TEST_F(CommPortTest, OtherUsersAreKeptOutOnlyWhileOpen) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to try the open as another user";
  const auto otherUserCanOpen = [&] {
    const pid_t child = ::fork();
    if (child == 0) {
      if (::setuid(65534) != 0) ::_exit(2);
      ::_exit(::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK) >= 0 ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
  };
  // Another descriptor keeps the terminal alive, so its exclusive flag would
  // outlive ours if Close did not clear it.
  const int keeper = ::open(device.c_str(), O_RDWR | O_NOCTTY);
  port.Open();
  EXPECT_FALSE(otherUserCanOpen());
  port.Close();
  EXPECT_TRUE(otherUserCanOpen());
  ::close(keeper);
}

// The flag that TIOCEXCL sets, as the terminal itself reports it.
bool ExclusiveFlag(int fd) {
  int exclusive = -1;
  EXPECT_EQ(::ioctl(fd, TIOCGEXCL, &exclusive), 0);
  return exclusive != 0;
}

TEST_F(CommPortTest, AnOpenThatIsRefusedLeavesTheHoldersExclusiveUseInPlace) {
  // A descriptor opened before the port was taken, to ask the terminal
  // about its flag whoever we are.
  const int observer = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(observer, 0);
  port.Open();
  EXPECT_TRUE(ExclusiveFlag(observer));

  // As root the second open gets past TIOCEXCL and is refused by the lock;
  // as anyone else TIOCEXCL refuses it. Either way the holder keeps the port.
  TCommPort second;
  second.SetPortName(device);
  EXPECT_EQ(KindOf([&] { second.Open(); }), ECommKind::OpenFailed);
  EXPECT_FALSE(second.IsOpen());
  EXPECT_TRUE(ExclusiveFlag(observer));
  second.Close();
  EXPECT_TRUE(ExclusiveFlag(observer));

  port.Close();
  EXPECT_FALSE(ExclusiveFlag(observer));
  ::close(observer);
}

std::uint32_t OpenError(TCommPort& port) {
  try {
    port.Open();
  } catch (const ECommError& e) {
    return e.Kind() == ECommKind::OpenFailed ? e.ErrorNumber() : 0;
  }
  return 0;
}

TEST_F(CommPortTest, AnotherProgramsExclusiveUseIsRefusedEvenToRootAndOutlivesOurClose) {
  const int observer = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(observer, 0);
  // A terminal program that took the port with TIOCEXCL alone, no lock.
  HoldingChild holder("exclholder", [&] {
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY);
    return fd >= 0 && ::ioctl(fd, TIOCEXCL) == 0;
  });
  ASSERT_TRUE(holder.Held());
  EXPECT_EQ(OpenError(port), static_cast<std::uint32_t>(EBUSY));
  EXPECT_FALSE(port.IsOpen());
  port.Close();
  EXPECT_TRUE(ExclusiveFlag(observer));
  EXPECT_EQ(PortOpenReason(device, EBUSY, SystemPortOpenLookups()),
            device + " is in use by exclholder (process " + std::to_string(holder.Pid()) +
                "). Close that program and try again.");

  // The flag stays with the terminal while anyone keeps it open.
  holder.Kill();
  EXPECT_EQ(OpenError(port), static_cast<std::uint32_t>(EBUSY));
  ASSERT_EQ(::ioctl(observer, TIOCNXCL), 0);
  port.Open();
  EXPECT_TRUE(ExclusiveFlag(observer));
  port.Close();
  EXPECT_FALSE(ExclusiveFlag(observer));
  ::close(observer);
}

TEST_F(CommPortTest, ALockFileOfARunningProcessRefusesThePortAndIsNeverRemoved) {
  TempDir proc;
  TempDir locks;
  ::mkdir(proc.File("4242").c_str(), 0755);
  TempDir::WriteAll(proc.File("4242/comm"), "minicom\n");
  TCommPort locked(PortHolderFinder(proc.path(), {locks.path()}));
  locked.SetPortName(device);
  const std::string lock = locks.File("LCK.." + device.substr(device.rfind('/') + 1));
  struct Case {
    std::string content;
    std::uint32_t error;
  };
  // 99999999 is above every process number Linux gives out: a stale file.
  for (const Case& c : {Case{"      4242\n", EBUSY}, Case{"  99999999\n", 0}}) {
    TempDir::WriteAll(lock, c.content);
    EXPECT_EQ(OpenError(locked), c.error) << c.content;
    EXPECT_EQ(locked.IsOpen(), c.error == 0);
    locked.Close();
    EXPECT_EQ(TempDir::ReadAll(lock), c.content);
  }
}

TEST_F(CommPortTest, APseudoTerminalThatAnotherProcessKeepsOpenIsStillFree) {
  // A stand-in instrument may keep the terminal end open itself; only a real
  // serial device open elsewhere counts as taken.
  HoldingChild keeper("keeper", [&] { return ::open(device.c_str(), O_RDWR | O_NOCTTY) >= 0; });
  ASSERT_TRUE(keeper.Held());
  port.Open();
  EXPECT_TRUE(port.IsOpen());
}

TEST_F(CommPortTest, BytesWaitingCountsEveryByteTheFarEndHasWrittenAtOnce) {
  // A byte written at the far end first sits in the terminal's flip buffer
  // until a kernel worker hands it on; a count taken in between must still
  // see it, or the link would send the same character again.
  port.Open();
  int missed = 0;
  for (int i = 0; i < 5000; ++i) {
    const auto byte = static_cast<char>('0' + i % 10);
    ASSERT_EQ(::write(master, &byte, 1), 1);
    if (port.BytesWaiting() == 0) ++missed;
    std::uint8_t got = 0;
    ASSERT_EQ(port.Read(&got, 1), 1u);
    ASSERT_EQ(got, static_cast<std::uint8_t>(byte));
    ASSERT_EQ(port.BytesWaiting(), 0u);
  }
  EXPECT_EQ(missed, 0);
}

TEST_F(CommPortTest, AnUnsupportedLowLatencyRequestIsNoFailure) {
  // A pseudo-terminal has no serial driver settings to ask for; a USB
  // adapter's would be set to low latency here and put back at Close.
  const int probe = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  serial_struct serial{};
  ASSERT_NE(::ioctl(probe, TIOCGSERIAL, &serial), 0);
  ::close(probe);
  port.Open();
  EXPECT_TRUE(port.IsOpen());
  port.Close();
  EXPECT_FALSE(port.IsOpen());
  port.Open();
  EXPECT_TRUE(port.IsOpen());
}

TEST_F(CommPortTest, OpenSetsRaw9600EightNoneOneAndEveryByteValuePasses) {
  port.Open();
  const termios state = DeviceSettings();
  EXPECT_EQ(::cfgetospeed(&state), static_cast<speed_t>(B9600));
  EXPECT_EQ(state.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS | CLOCAL),
            static_cast<tcflag_t>(CS8 | CLOCAL));
  EXPECT_EQ(state.c_iflag & (IXON | IXOFF | ICRNL | ISTRIP), 0u);
  EXPECT_EQ(state.c_lflag & (ICANON | ECHO | ISIG), 0u);
  EXPECT_EQ(state.c_oflag & OPOST, 0u);

  std::string all;
  for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
  port.Write(reinterpret_cast<const std::uint8_t*>(all.data()), 256);
  EXPECT_EQ(Received(), all);
  Send(all);
  std::uint8_t buffer[256];
  EXPECT_EQ(port.Read(buffer, 256), 256u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 256), all);
}

TEST_F(CommPortTest, LineSettingsApplyWhenOpenAndRefusalsKeepTheOldValue) {
  port.SetBaudRate(19200);  // closed: only stored
  port.Open();
  termios state = DeviceSettings();
  EXPECT_EQ(::cfgetospeed(&state), static_cast<speed_t>(B19200));
  port.SetBaudRate(9600);
  EXPECT_EQ(KindOf([&] { port.SetBaudRate(12345); }), ECommKind::BaudRateRejected);
  EXPECT_EQ(KindOf([&] { port.SetStopBits(1); }),
            ECommKind::StopBitsRejected);  // 1.5 needs 5 data bits
  // A pseudo-terminal takes any request but keeps 8 bits and no parity;
  // reading the settings back shows the refusal.
  EXPECT_EQ(KindOf([&] { port.SetParity(2); }), ECommKind::ParityRejected);
  EXPECT_EQ(KindOf([&] { port.SetByteSize(7); }), ECommKind::ByteSizeRejected);
  EXPECT_EQ(port.BaudRate(), 9600);
  EXPECT_EQ(port.StopBits(), 0);
  EXPECT_EQ(port.Parity(), 0);
  EXPECT_EQ(port.ByteSize(), 8);
  state = DeviceSettings();
  EXPECT_EQ(::cfgetospeed(&state), static_cast<speed_t>(B9600));
}

TEST_F(CommPortTest, ClosedPortRefusesInputAndOutputAndEmptyWritesSendNothing) {
  std::uint8_t byte = 'A';
  EXPECT_EQ(KindOf([&] { port.Write(&byte, 1); }), ECommKind::PortNotOpen);
  EXPECT_EQ(KindOf([&] { port.Read(&byte, 1); }), ECommKind::PortNotOpen);
  EXPECT_EQ(KindOf([&] { port.BytesWaiting(); }), ECommKind::PortNotOpen);
  EXPECT_EQ(KindOf([&] { port.WaitForInput(5); }), ECommKind::PortNotOpen);
  port.Open();
  port.Write(&byte, 0);
  port.Write(nullptr, 5);
  EXPECT_EQ(Received(), "");
}

TEST_F(CommPortTest, ReadOfFourWhenTwoArriveReturnsTwoFollowedByAZero) {
  port.Open();
  Send("ab");
  EXPECT_EQ(port.BytesWaiting(), 2u);
  std::uint8_t buffer[4] = {'x', 'x', 'x', 'x'};
  EXPECT_EQ(port.Read(buffer, 4), 2u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 4), std::string("ab\0x", 4));
  EXPECT_EQ(port.BytesWaiting(), 0u);

  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(port.Read(buffer, 1), 0u);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(250));
  EXPECT_EQ(buffer[0], 0);
}

TEST_F(CommPortTest, WaitForInputReturnsWhenAByteIsThereOrTheTimeOutHasPassed) {
  using std::chrono::milliseconds;
  using std::chrono::steady_clock;
  port.Open();
  auto start = steady_clock::now();
  EXPECT_FALSE(port.WaitForInput(30));
  EXPECT_GE(steady_clock::now() - start, milliseconds(30));
  EXPECT_FALSE(port.WaitForInput(0));
  EXPECT_FALSE(port.WaitForInput(-4));

  Send("q");
  EXPECT_TRUE(port.WaitForInput(0));
  EXPECT_TRUE(port.WaitForInput(5000));  // reads nothing: the byte stays
  EXPECT_EQ(port.BytesWaiting(), 1u);
  std::uint8_t byte = 0;
  ASSERT_EQ(port.Read(&byte, 1), 1u);

  // A byte written while the wait runs ends it, long before its time-out.
  std::thread writer([this] {
    std::this_thread::sleep_for(milliseconds(40));
    ASSERT_EQ(::write(master, "w", 1), 1);
  });
  start = steady_clock::now();
  EXPECT_TRUE(port.WaitForInput(20000));
  EXPECT_LT(steady_clock::now() - start, milliseconds(10000));
  writer.join();
  ASSERT_EQ(port.Read(&byte, 1), 1u);
  EXPECT_EQ(byte, 'w');
}

TEST_F(CommPortTest, AHangUpDuringTheWaitIsAReadFailure) {
  port.Open();
  std::thread hangUp([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
    ::close(master);
    master = -1;
  });
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(KindOf([&] { port.WaitForInput(20000); }), ECommKind::ReadFailed);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(10000));
  hangUp.join();
}

TEST_F(CommPortTest, StaleInputIsDiscardedAtOpen) {
  const int keeper = ::open(device.c_str(), O_RDWR | O_NOCTTY);
  Send("left over");
  port.Open();
  EXPECT_EQ(port.BytesWaiting(), 0u);
  ::close(keeper);
}

TEST_F(CommPortTest, VanishedDeviceFailsEveryOperationAtOnce) {
  port.Open();
  Send("z");
  ::close(master);
  master = -1;
  std::uint8_t buffer[4];
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(KindOf([&] { port.BytesWaiting(); }), ECommKind::QueueQueryFailed);
  EXPECT_EQ(KindOf([&] { port.Read(buffer, 4); }), ECommKind::ReadFailed);
  EXPECT_EQ(KindOf([&] { port.Write(buffer, 1); }), ECommKind::WriteFailed);
  EXPECT_EQ(KindOf([&] { port.WaitForInput(1000); }), ECommKind::ReadFailed);
  // Not one read time-out of 254 ms was spent waiting on the dead line.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(240));
  port.Close();
  EXPECT_FALSE(port.IsOpen());
}

}  // namespace
