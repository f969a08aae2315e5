#include "tools/logwriter.h"

#include <cerrno>
#include <unistd.h>

LogWriter::LogWriter(int fd) : fd_(fd), thread_([this] { Run(); }) {}

LogWriter::~LogWriter() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_one();
  thread_.join();
}

void LogWriter::Add(const std::string& line) {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    pending_ += line;
    pending_ += '\n';
  }
  wake_.notify_one();
}

void LogWriter::Run() {
  std::string writing;
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || !pending_.empty(); });
      if (pending_.empty()) return;  // stopping, and all written
      writing.swap(pending_);
    }
    // Written outside the lock, so that Add never waits for the output.
    std::size_t done = 0;
    while (done < writing.size()) {
      const ssize_t n = ::write(fd_, writing.data() + done, writing.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;  // the output is gone; the lines are dropped
      done += static_cast<std::size_t>(n);
    }
    writing.clear();
  }
}
