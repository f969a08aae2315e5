#include "support/xvfbserver.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <stdexcept>
#include <string>

namespace {

void Stop(pid_t pid) {
  ::kill(pid, SIGTERM);
  while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace

XvfbServer::XvfbServer(int timeoutMs) {
  int ready[2];
  if (::pipe2(ready, O_CLOEXEC) != 0) {
    throw std::runtime_error("pipe: " + std::string(std::strerror(errno)));
  }
  pid_ = ::fork();
  if (pid_ < 0) {
    ::close(ready[0]);
    ::close(ready[1]);
    throw std::runtime_error("fork: " + std::string(std::strerror(errno)));
  }
  if (pid_ == 0) {
    // A copy of the write end without O_CLOEXEC stays open across exec:
    // Xvfb writes the display number there once it is ready.
    const std::string fd = std::to_string(::dup(ready[1]));
    const char* argv[] = {"Xvfb",    "-displayfd", fd.c_str(),    "-nolisten", "tcp",
                          "-screen", "0",          "1024x768x24", nullptr};
    ::execvp(argv[0], const_cast<char**>(argv));
    ::_exit(127);
  }
  ::close(ready[1]);
  std::string answer;
  const char* failure = nullptr;
  while (answer.find('\n') == std::string::npos) {
    pollfd wait{ready[0], POLLIN, 0};
    const int polled = ::poll(&wait, 1, timeoutMs);
    if (polled < 0 && errno == EINTR) continue;
    if (polled <= 0) {
      failure = "Xvfb did not report a display in time";
      break;
    }
    char chunk[32];
    const ssize_t got = ::read(ready[0], chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      failure = "Xvfb ended before it reported a display (is the package xvfb installed?)";
      break;
    }
    answer.append(chunk, static_cast<size_t>(got));
  }
  ::close(ready[0]);
  if (failure != nullptr) {
    Stop(pid_);
    throw std::runtime_error(failure);
  }
  display_ = ":" + answer.substr(0, answer.find('\n'));
}

XvfbServer::~XvfbServer() {
  if (pid_ > 0) Stop(pid_);
}
