#include "support/holdingchild.h"

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

HoldingChild::HoldingChild(const std::string& name, const std::function<bool()>& take) {
  int ready[2];
  if (::pipe(ready) != 0) throw std::runtime_error("no pipe for the holding child");
  pid_ = ::fork();
  if (pid_ < 0) {
    ::close(ready[0]);
    ::close(ready[1]);
    throw std::runtime_error("cannot fork the holding child");
  }
  if (pid_ == 0) {
    ::close(ready[0]);
    ::prctl(PR_SET_NAME, name.c_str());
    const char answer = take() ? 'y' : 'n';
    if (::write(ready[1], &answer, 1) != 1) ::_exit(1);
    for (;;) ::pause();
  }
  ::close(ready[1]);
  char answer = 'n';
  ssize_t n = 0;
  do {
    n = ::read(ready[0], &answer, 1);
  } while (n < 0 && errno == EINTR);
  ::close(ready[0]);
  held_ = n == 1 && answer == 'y';
}

HoldingChild::~HoldingChild() { Kill(); }

void HoldingChild::Kill() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGKILL);
  int status = 0;
  while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  pid_ = -1;
}
