// TCommPort on a real pseudo-terminal: the test holds the far end.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include "device/commport.h"
#include "device/ecommerror.h"
#include "support/tempdir.h"

namespace {

// A pseudo-terminal whose master end plays the far side of the line.
class PtyPair {
 public:
  PtyPair() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    EXPECT_GE(master_, 0);
    ::grantpt(master_);
    ::unlockpt(master_);
    char name[128] = {};
    ::ptsname_r(master_, name, sizeof name);
    slaveName_ = name;
    ::chmod(name, 0666);
  }
  ~PtyPair() { CloseMaster(); }

  const std::string& SlaveName() const { return slaveName_; }
  void Send(const std::string& bytes) const {
    ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    ::usleep(20000);  // let the line discipline pass them on
  }
  // What arrived at the master within timeoutMs.
  std::string Receive(int timeoutMs = 200) const {
    std::string got;
    pollfd watch{master_, POLLIN, 0};
    while (::poll(&watch, 1, timeoutMs) > 0 && (watch.revents & POLLIN) != 0) {
      char buffer[256];
      const ssize_t n = ::read(master_, buffer, sizeof buffer);
      if (n <= 0) break;
      got.append(buffer, static_cast<std::size_t>(n));
      timeoutMs = 30;
    }
    return got;
  }
  void CloseMaster() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
  }

 private:
  int master_ = -1;
  std::string slaveName_;
};

ECommKind KindOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const ECommError& e) {
    return e.Kind();
  }
  ADD_FAILURE() << "no ECommError raised";
  return ECommKind{0};
}

termios SettingsOf(const std::string& device) {
  termios state{};
  const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  EXPECT_GE(fd, 0);
  ::tcgetattr(fd, &state);
  ::close(fd);
  return state;
}

class CommPortTest : public ::testing::Test {
 protected:
  void SetUp() override { port.SetPortName(pty.SlaveName()); }
  PtyPair pty;
  TCommPort port;
};

TEST_F(CommPortTest, DefaultsAre9600EightNoneOne) {
  TCommPort fresh;
  EXPECT_FALSE(fresh.IsOpen());
  EXPECT_EQ(fresh.BaudRate(), 9600);
  EXPECT_EQ(fresh.ByteSize(), 8);
  EXPECT_EQ(fresh.Parity(), 0);
  EXPECT_EQ(fresh.StopBits(), 0);
}

TEST_F(CommPortTest, OpenFailuresLeaveThePortClosedAndTheDeviceFree) {
  TempDir dir;
  port.SetPortName(dir.File("missing"));
  EXPECT_EQ(KindOf([&] { port.Open(); }), ECommKind::OpenFailed);
  EXPECT_FALSE(port.IsOpen());

  TempDir::WriteAll(dir.File("plain"), "not a terminal");
  port.SetPortName(dir.File("plain"));
  EXPECT_EQ(KindOf([&] { port.Open(); }), ECommKind::GetStateFailed);
  EXPECT_FALSE(port.IsOpen());
  // The failed open released its lock.
  const int fd = ::open(dir.File("plain").c_str(), O_RDONLY);
  EXPECT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
  ::close(fd);
}

TEST_F(CommPortTest, SecondOpenOfTheSameDeviceFailsUntilTheFirstCloses) {
  port.Open();
  port.Open();  // already open: nothing happens
  EXPECT_TRUE(port.IsOpen());

  TCommPort second;
  second.SetPortName(pty.SlaveName());
  EXPECT_EQ(KindOf([&] { second.Open(); }), ECommKind::OpenFailed);
  EXPECT_FALSE(second.IsOpen());

  port.Close();
  EXPECT_FALSE(port.IsOpen());
  second.Open();
  EXPECT_TRUE(second.IsOpen());
}

TEST_F(CommPortTest, OtherUsersAreKeptOutOnlyWhileOpen) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to try the open as another user";
  const auto otherUserCanOpen = [&] {
    const pid_t child = ::fork();
    if (child == 0) {
      if (::setuid(65534) != 0) ::_exit(2);
      const int fd = ::open(pty.SlaveName().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
      ::_exit(fd >= 0 ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
  };
  // The far end keeps the terminal alive, so the exclusive flag would outlive
  // our descriptor if Close did not clear it.
  const int keeper = ::open(pty.SlaveName().c_str(), O_RDWR | O_NOCTTY);
  port.Open();
  EXPECT_FALSE(otherUserCanOpen());
  port.Close();
  EXPECT_TRUE(otherUserCanOpen());
  ::close(keeper);
}

TEST_F(CommPortTest, PortNameCannotChangeWhileOpen) {
  port.Open();
  EXPECT_EQ(KindOf([&] { port.SetPortName("/dev/ttyS9"); }), ECommKind::PortIsOpen);
  EXPECT_EQ(port.PortName(), pty.SlaveName());
}

TEST_F(CommPortTest, OpenSetsRaw9600EightNoneOneWithoutFlowControl) {
  port.Open();
  const termios state = SettingsOf(pty.SlaveName());
  EXPECT_EQ(::cfgetospeed(&state), static_cast<speed_t>(B9600));
  EXPECT_EQ(state.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(state.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
  EXPECT_NE(state.c_cflag & CLOCAL, 0u);
  EXPECT_EQ(state.c_iflag & (IXON | IXOFF | ICRNL | ISTRIP), 0u);
  EXPECT_EQ(state.c_lflag & (ICANON | ECHO | ISIG), 0u);
  EXPECT_EQ(state.c_oflag & OPOST, 0u);
}

TEST_F(CommPortTest, EveryByteValuePassesUnchangedBothWays) {
  port.Open();
  std::string all;
  for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
  port.Write(reinterpret_cast<const std::uint8_t*>(all.data()), static_cast<std::int32_t>(all.size()));
  EXPECT_EQ(pty.Receive(), all);

  pty.Send(all);
  std::uint8_t buffer[256];
  EXPECT_EQ(port.Read(buffer, 256), 256u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 256), all);
}

TEST_F(CommPortTest, LineSettingChangesApplyWhenOpenAndRefusalsKeepTheOldValue) {
  port.SetBaudRate(19200);  // closed: only stored
  EXPECT_EQ(port.BaudRate(), 19200);
  port.Open();
  termios state = SettingsOf(pty.SlaveName());
  EXPECT_EQ(::cfgetospeed(&state), static_cast<speed_t>(B19200));
  port.SetBaudRate(9600);
  state = SettingsOf(pty.SlaveName());
  EXPECT_EQ(::cfgetospeed(&state), static_cast<speed_t>(B9600));

  EXPECT_EQ(KindOf([&] { port.SetBaudRate(12345); }), ECommKind::BaudRateRejected);
  EXPECT_EQ(port.BaudRate(), 9600);
  EXPECT_EQ(KindOf([&] { port.SetStopBits(1); }), ECommKind::StopBitsRejected);  // 1.5 needs 5 data bits
  EXPECT_EQ(port.StopBits(), 0);
  EXPECT_EQ(KindOf([&] { port.SetByteSize(9); }), ECommKind::ByteSizeRejected);
  EXPECT_EQ(port.ByteSize(), 8);
  EXPECT_EQ(KindOf([&] { port.SetParity(7); }), ECommKind::ParityRejected);
  EXPECT_EQ(port.Parity(), 0);

  // A pseudo-terminal takes the request but silently keeps 8 bits and no
  // parity; reading the settings back shows the refusal.
  EXPECT_EQ(KindOf([&] { port.SetParity(2); }), ECommKind::ParityRejected);
  EXPECT_EQ(port.Parity(), 0);
  EXPECT_EQ(KindOf([&] { port.SetByteSize(7); }), ECommKind::ByteSizeRejected);
  EXPECT_EQ(port.ByteSize(), 8);
  state = SettingsOf(pty.SlaveName());
  EXPECT_EQ(state.c_cflag & (PARENB | CSIZE), static_cast<tcflag_t>(CS8));
  EXPECT_EQ(::cfgetospeed(&state), static_cast<speed_t>(B9600));
}

TEST_F(CommPortTest, ClosedPortRefusesInputAndOutput) {
  std::uint8_t byte = 'A';
  EXPECT_EQ(KindOf([&] { port.Write(&byte, 1); }), ECommKind::PortNotOpen);
  EXPECT_EQ(KindOf([&] { port.Read(&byte, 1); }), ECommKind::PortNotOpen);
  EXPECT_EQ(KindOf([&] { port.BytesWaiting(); }), ECommKind::PortNotOpen);
  port.Close();  // closing a closed port does nothing
}

TEST_F(CommPortTest, WriteOfNothingSendsNothing) {
  port.Open();
  const std::uint8_t byte = 'A';
  port.Write(&byte, 0);
  port.Write(nullptr, 5);
  EXPECT_EQ(pty.Receive(50), "");
}

TEST_F(CommPortTest, ReadOfFourWhenTwoArriveReturnsTwoFollowedByAZero) {
  port.Open();
  pty.Send("ab");
  EXPECT_EQ(port.BytesWaiting(), 2u);
  std::uint8_t buffer[4] = {'x', 'x', 'x', 'x'};
  EXPECT_EQ(port.Read(buffer, 4), 2u);
  EXPECT_EQ(buffer[0], 'a');
  EXPECT_EQ(buffer[1], 'b');
  EXPECT_EQ(buffer[2], 0);
  EXPECT_EQ(buffer[3], 'x');
  EXPECT_EQ(port.BytesWaiting(), 0u);
}

TEST_F(CommPortTest, ReadOfNothingWaitsForTheTotalTimeout) {
  port.Open();
  std::uint8_t buffer[1] = {'x'};
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(port.Read(buffer, 1), 0u);
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(250));
  EXPECT_EQ(buffer[0], 0);
}

TEST_F(CommPortTest, StaleInputIsDiscardedAtOpen) {
  const int keeper = ::open(pty.SlaveName().c_str(), O_RDWR | O_NOCTTY);
  pty.Send("left over");
  port.Open();
  EXPECT_EQ(port.BytesWaiting(), 0u);
  ::close(keeper);
}

TEST_F(CommPortTest, VanishedDeviceFailsEveryOperationAtOnce) {
  port.Open();
  pty.Send("z");
  pty.CloseMaster();
  std::uint8_t buffer[4];
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(KindOf([&] { port.BytesWaiting(); }), ECommKind::QueueQueryFailed);
  EXPECT_EQ(KindOf([&] { port.Read(buffer, 4); }), ECommKind::ReadFailed);
  EXPECT_EQ(KindOf([&] { port.Write(buffer, 1); }), ECommKind::WriteFailed);
  // Not one read time-out of 254 ms was spent waiting on the dead line.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(240));
  port.Close();
  EXPECT_FALSE(port.IsOpen());
}

}  // namespace
