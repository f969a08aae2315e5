#include "tools/logwriter.h"

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>

namespace {

// Room for some thousands of lines, so that a stalled output fills memory
// only after a long while.
constexpr int kQueueBytes = 1 << 20;

// Writes all of size bytes; false when fd refuses them.
bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

LogWriter::LogWriter(int fd) : out_(fd) {
  if (::pipe2(queue_, O_CLOEXEC) == 0) {
    ::fcntl(queue_[1], F_SETPIPE_SZ, kQueueBytes);  // a smaller queue serves too
    ::fcntl(queue_[1], F_SETFL, O_NONBLOCK);
    thread_ = std::thread([this] { Run(); });
  }
}

LogWriter::~LogWriter() {
  if (queue_[1] < 0) return;
  // The last lines may wait for the writing thread now.
  ::fcntl(queue_[1], F_SETFL, 0);
  WriteAll(queue_[1], backlog_.data(), backlog_.size());
  ::close(queue_[1]);  // the thread ends once it has written everything
  thread_.join();
  ::close(queue_[0]);
}

void LogWriter::Add(const std::string& line) {
  backlog_ += line;
  backlog_ += '\n';
  HandOver();
}

void LogWriter::HandOver() {
  if (queue_[1] < 0) {  // no queue: the lines go out here
    WriteAll(out_, backlog_.data(), backlog_.size());
    backlog_.clear();
    return;
  }
  std::size_t done = 0;
  while (done < backlog_.size()) {
    const ssize_t n = ::write(queue_[1], backlog_.data() + done, backlog_.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // full: the rest goes with a later line
    done += static_cast<std::size_t>(n);
  }
  backlog_.erase(0, done);
}

void LogWriter::Run() {
  char buffer[65536];
  bool writing = true;
  for (;;) {
    const ssize_t n = ::read(queue_[0], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // the queue is closed and empty
    // An output that is gone costs the lines, not the instrument.
    if (writing) writing = WriteAll(out_, buffer, static_cast<std::size_t>(n));
  }
}
