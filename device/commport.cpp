#include "device/commport.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <termios.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <chrono>

#include <utility>

namespace {

using SteadyClock = std::chrono::steady_clock;
using std::chrono::milliseconds;

struct BaudEntry {
  std::int32_t rate;
  speed_t constant;
};

constexpr BaudEntry kBaudRates[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

bool BaudConstant(std::int32_t rate, speed_t* constant) {
  for (const BaudEntry& entry : kBaudRates) {
    if (entry.rate == rate) {
      *constant = entry.constant;
      return true;
    }
  }
  return false;
}

constexpr tcflag_t kFramingFlags = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB;

// Milliseconds left until deadline, rounded up so that poll never wakes early.
int MillisecondsUntil(SteadyClock::time_point deadline) {
  const auto left = deadline - SteadyClock::now();
  if (left <= SteadyClock::duration::zero()) return 0;
  return static_cast<int>(std::chrono::ceil<milliseconds>(left).count());
}

// A pseudo-terminal's terminal end lives on a devpts file system.
bool IsPseudoTerminal(int fd) {
  struct statfs fs {};
  return ::fstatfs(fd, &fs) == 0 && fs.f_type == DEVPTS_SUPER_MAGIC;
}

bool DeviceGone(short revents) { return (revents & (POLLERR | POLLHUP | POLLNVAL)) != 0; }

}  // namespace

TCommPort::TCommPort() = default;

TCommPort::TCommPort(PortHolderFinder holders) : holders_(std::move(holders)) {}

TCommPort::~TCommPort() {
  try {
    Close();
  } catch (const ECommError&) {
    // The descriptor is released even when close reports a failure.
  }
}

void TCommPort::Open() {
  if (open_) return;

  fd_ = ::open(portName_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) throw ECommError(ECommKind::OpenFailed);

  // The lock keeps out a second open by any process that locks too, root
  // included; TIOCEXCL below keeps out every other non-root open.
  if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) FailOpen(ECommKind::OpenFailed);
  termios state{};
  if (::tcgetattr(fd_, &state) != 0) FailOpen(ECommKind::GetStateFailed);
  RefuseWhenTakenElsewhere();
  // Nobody had the flag set, so from here it is this descriptor's to clear.
  if (::ioctl(fd_, TIOCEXCL) != 0) FailOpen(ECommKind::OpenFailed);
  exclusive_ = true;
  if (!ApplyLineSettings()) FailOpen(ECommKind::SetStateFailed);
  RequestLowLatency();
  // A freshly opened port starts with an empty receive queue; a tty that
  // another descriptor kept open (a pseudo-terminal's own side) may still hold
  // bytes from an earlier session, which would be taken as the next answer.
  ::tcflush(fd_, TCIFLUSH);
  open_ = true;
}

void TCommPort::RefuseWhenTakenElsewhere() {
  // Root opens a device past another program's TIOCEXCL, and taking the flag
  // over would let Close clear it under that program.
  int exclusive = 0;
  bool taken = ::ioctl(fd_, TIOCGEXCL, &exclusive) == 0 && exclusive != 0;
  taken = taken || holders_.ByLockFile(portName_).has_value();
  // A terminal program left open on the port, locking nothing, would take
  // some of the instrument's echoes.
  struct stat st {};
  if (!taken && !IsPseudoTerminal(fd_) && ::fstat(fd_, &st) == 0) {
    taken = holders_.ByOpenDescriptor(st.st_rdev).has_value();
  }
  if (!taken) return;
  errno = EBUSY;
  FailOpen(ECommKind::OpenFailed);
}

void TCommPort::FailOpen(ECommKind kind) {
  const int error = errno;
  GiveBackDevice();
  ::close(fd_);
  fd_ = -1;
  throw ECommError(kind, static_cast<std::uint32_t>(error));
}

void TCommPort::RequestLowLatency() {
  // USB adapters hold a lone received byte for a latency timer before they
  // pass it on (FTDI: 16 ms by default, longer than the 10 ms an echo may
  // take). With low latency FTDI's timer drops to 1 ms. Any user may ask for
  // it; a driver without the setting (a pseudo-terminal, most built-in ports)
  // refuses, and the port works as it is.
  serial_struct serial{};
  if (::ioctl(fd_, TIOCGSERIAL, &serial) != 0) return;
  if ((serial.flags & ASYNC_LOW_LATENCY) != 0) return;  // nothing to put back
  serial.flags |= ASYNC_LOW_LATENCY;
  lowLatencySet_ = ::ioctl(fd_, TIOCSSERIAL, &serial) == 0;
}

void TCommPort::GiveBackDevice() {
  // Only the setting that Open changed is put back, read afresh, since a
  // normal user may change no other field.
  if (lowLatencySet_) {
    serial_struct serial{};
    if (::ioctl(fd_, TIOCGSERIAL, &serial) == 0) {
      serial.flags &= ~ASYNC_LOW_LATENCY;
      ::ioctl(fd_, TIOCSSERIAL, &serial);
    }
    lowLatencySet_ = false;
  }
  // The exclusive flag belongs to the tty, not to a descriptor: a
  // pseudo-terminal whose other side stays open would keep it and refuse
  // every later open. It is cleared only by the descriptor that set it; an
  // open refused because another holds the port must leave that holder's
  // flag alone.
  if (exclusive_) {
    ::ioctl(fd_, TIOCNXCL);
    exclusive_ = false;
  }
}

void TCommPort::Close() {
  if (!open_) return;
  GiveBackDevice();
  const int result = ::close(fd_);
  const int error = errno;
  // Linux releases the descriptor even when close reports an error, so the
  // port is closed whatever happens; keeping it marked open would later close
  // a number that may by then belong to another file.
  fd_ = -1;
  open_ = false;
  if (result != 0 && error != EINTR) {
    throw ECommError(ECommKind::CloseFailed, static_cast<std::uint32_t>(error));
  }
}

void TCommPort::SetPortName(const std::string& name) {
  if (open_) throw ECommError(ECommKind::PortIsOpen, 0);
  portName_ = name;
}

bool TCommPort::ApplyLineSettings() {
  termios state{};
  if (::tcgetattr(fd_, &state) != 0) return false;

  speed_t speed = B0;
  const bool sizeValid = byteSize_ >= 5 && byteSize_ <= 8;
  // One and a half stop bits exist only with 5 data bits, two only with more.
  const bool stopValid =
      stopBits_ == 0 || (stopBits_ == 1 && byteSize_ == 5) || (stopBits_ == 2 && byteSize_ > 5);
  if (!BaudConstant(baudRate_, &speed) || !sizeValid || parity_ > 4 || !stopValid) {
    errno = EINVAL;
    return false;
  }

  // Raw transfer: no echo, no line editing, no character translation, no
  // signals; and no software or hardware flow control, since the protocol
  // paces itself by echoes and fixed waits.
  ::cfmakeraw(&state);
  state.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  state.c_cflag &= ~(kFramingFlags | CRTSCTS);
  state.c_cflag |= CLOCAL | CREAD;
  static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
  state.c_cflag |= kSizes[byteSize_ - 5];
  switch (parity_) {
    case 1:
      state.c_cflag |= PARENB | PARODD;
      break;
    case 2:
      state.c_cflag |= PARENB;
      break;
    case 3:
      state.c_cflag |= PARENB | PARODD | CMSPAR;
      break;
    case 4:
      state.c_cflag |= PARENB | CMSPAR;
      break;
    default:
      break;
  }
  if (stopBits_ != 0) state.c_cflag |= CSTOPB;
  state.c_cc[VMIN] = 0;
  state.c_cc[VTIME] = 0;
  ::cfsetispeed(&state, speed);
  ::cfsetospeed(&state, speed);
  if (::tcsetattr(fd_, TCSANOW, &state) != 0) return false;

  // tcsetattr succeeds when any part of the request was taken, so read the
  // settings back to learn whether the device took all of them.
  termios applied{};
  if (::tcgetattr(fd_, &applied) != 0) return false;
  if ((applied.c_cflag & kFramingFlags) != (state.c_cflag & kFramingFlags) ||
      ::cfgetospeed(&applied) != speed) {
    errno = EINVAL;
    return false;
  }
  return true;
}

template <typename Assign, typename Undo>
void TCommPort::ChangeSetting(Assign assign, Undo undo, ECommKind kind) {
  assign();
  if (!open_) return;
  if (!ApplyLineSettings()) {
    const int error = errno;
    undo();
    ApplyLineSettings();  // put the device back as it was
    throw ECommError(kind, static_cast<std::uint32_t>(error));
  }
}

void TCommPort::SetBaudRate(std::int32_t rate) {
  const std::int32_t old = baudRate_;
  ChangeSetting([&] { baudRate_ = rate; }, [&] { baudRate_ = old; }, ECommKind::BaudRateRejected);
}

void TCommPort::SetByteSize(std::uint8_t bits) {
  const std::uint8_t old = byteSize_;
  ChangeSetting([&] { byteSize_ = bits; }, [&] { byteSize_ = old; }, ECommKind::ByteSizeRejected);
}

void TCommPort::SetParity(std::uint8_t parity) {
  const std::uint8_t old = parity_;
  ChangeSetting([&] { parity_ = parity; }, [&] { parity_ = old; }, ECommKind::ParityRejected);
}

void TCommPort::SetStopBits(std::uint8_t code) {
  const std::uint8_t old = stopBits_;
  ChangeSetting([&] { stopBits_ = code; }, [&] { stopBits_ = old; }, ECommKind::StopBitsRejected);
}

void TCommPort::Write(const std::uint8_t* data, std::int32_t count) {
  if (!open_) throw ECommError(ECommKind::PortNotOpen, 0);
  if (count <= 0 || data == nullptr) return;

  const auto deadline =
      SteadyClock::now() + milliseconds(kWriteTotalTimeoutConstant) +
      milliseconds(static_cast<std::int64_t>(kWriteTotalTimeoutMultiplier) * count);
  std::int32_t written = 0;
  while (written < count) {
    const ssize_t n = ::write(fd_, data + written, static_cast<std::size_t>(count - written));
    if (n > 0) {
      written += static_cast<std::int32_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) throw ECommError(ECommKind::WriteFailed);

    // The transmit queue is full: wait for room until the write time-out.
    const int wait = MillisecondsUntil(deadline);
    if (wait == 0) return;  // cut short by the time-out, which is not a failure
    pollfd watch{fd_, POLLOUT, 0};
    const int ready = ::poll(&watch, 1, wait);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) throw ECommError(ECommKind::WriteFailed);
    if (ready == 0) return;
    if (DeviceGone(watch.revents)) throw ECommError(ECommKind::WriteFailed, EIO);
  }
}

std::uint32_t TCommPort::Read(std::uint8_t* buffer, std::uint32_t count) {
  if (!open_) throw ECommError(ECommKind::PortNotOpen, 0);
  if (count == 0 || buffer == nullptr) return 0;

  const auto totalDeadline =
      SteadyClock::now() + milliseconds(kReadTotalTimeoutConstant) +
      milliseconds(static_cast<std::int64_t>(kReadTotalTimeoutMultiplier) * count);
  auto intervalDeadline = totalDeadline;
  std::uint32_t got = 0;
  while (got < count) {
    const int wait = MillisecondsUntil(std::min(totalDeadline, intervalDeadline));
    pollfd watch{fd_, POLLIN, 0};
    const int ready = ::poll(&watch, 1, wait);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) throw ECommError(ECommKind::ReadFailed);
    if (ready == 0) {
      if (wait == 0) break;
      continue;  // poll's millisecond rounding; the deadlines decide
    }
    if ((watch.revents & POLLIN) != 0) {
      const ssize_t n = ::read(fd_, buffer + got, count - got);
      if (n > 0) {
        got += static_cast<std::uint32_t>(n);
        intervalDeadline = SteadyClock::now() + milliseconds(kReadIntervalTimeout);
        continue;
      }
      // End of file on a terminal means it hung up.
      if (n == 0) throw ECommError(ECommKind::ReadFailed, EIO);
      if (errno == EAGAIN || errno == EINTR) continue;
      throw ECommError(ECommKind::ReadFailed);
    }
    if (DeviceGone(watch.revents)) throw ECommError(ECommKind::ReadFailed, EIO);
  }
  if (got < count) buffer[got] = 0;
  return got;
}

std::uint32_t TCommPort::BytesWaiting() {
  if (!open_) throw ECommError(ECommKind::PortNotOpen, 0);
  // A byte that the driver has received can still sit in the tty's flip
  // buffer until a kernel worker hands it to the line discipline, and TIOCINQ
  // counts only what has been handed over. Reporting such a byte as missing
  // would send the same character again, and the instrument would take it
  // twice. poll has the kernel finish the hand-over first; a byte that poll
  // sees but the count does not yet show counts as one.
  pollfd watch{fd_, POLLIN, 0};
  int ready = 0;
  do {
    ready = ::poll(&watch, 1, 0);
  } while (ready < 0 && errno == EINTR);
  if (ready < 0) throw ECommError(ECommKind::QueueQueryFailed);
  int waiting = 0;
  if (::ioctl(fd_, TIOCINQ, &waiting) != 0) throw ECommError(ECommKind::QueueQueryFailed);
  if (waiting > 0) return static_cast<std::uint32_t>(waiting);
  // An empty queue on a device that has gone away would otherwise look like
  // an instrument that does not answer; a hung-up tty also reports POLLIN.
  if (ready > 0 && DeviceGone(watch.revents)) throw ECommError(ECommKind::QueueQueryFailed, EIO);
  if (ready > 0 && (watch.revents & POLLIN) != 0) return 1;
  return 0;
}

bool TCommPort::WaitForInput(int timeoutMs) {
  if (!open_) throw ECommError(ECommKind::PortNotOpen, 0);
  const auto deadline = SteadyClock::now() + milliseconds(std::max(timeoutMs, 0));
  for (;;) {
    pollfd watch{fd_, POLLIN, 0};
    const int ready = ::poll(&watch, 1, MillisecondsUntil(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) throw ECommError(ECommKind::ReadFailed);
    if (ready == 0) {
      if (MillisecondsUntil(deadline) == 0) return false;
      continue;  // poll's millisecond rounding; the deadline decides
    }
    if (DeviceGone(watch.revents)) {
      // A hung-up tty also reports POLLIN; what it still holds may be read.
      int waiting = 0;
      if (::ioctl(fd_, TIOCINQ, &waiting) == 0 && waiting > 0) return true;
      throw ECommError(ECommKind::ReadFailed, EIO);
    }
    if ((watch.revents & POLLIN) != 0) return true;
  }
}
