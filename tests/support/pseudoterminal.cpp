#include "support/pseudoterminal.h"

#include <fcntl.h>
#include <unistd.h>
#include <cstdlib>
#include <stdexcept>

PseudoTerminal::PseudoTerminal() {
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  char name[128] = {};
  if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
      ::ptsname_r(master_, name, sizeof name) != 0) {
    if (master_ >= 0) ::close(master_);
    throw std::runtime_error("no pseudo-terminal");
  }
  path_ = name;
}

PseudoTerminal::~PseudoTerminal() { ::close(master_); }
