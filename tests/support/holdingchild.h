// A child process that takes hold of something (a device, a lock) and keeps
// it until it is killed, for tests about other programs that have a port.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>

class HoldingChild {
 public:
  // Forks a child named name (at most 15 characters, its /proc/N/comm) that
  // runs take and then waits. take returns false when it could not take hold.
  // Returns once take has run; Held() says how it went. Throws
  // std::runtime_error when no process can be made.
  HoldingChild(const std::string& name, const std::function<bool()>& take);
  ~HoldingChild();  // Kill
  HoldingChild(const HoldingChild&) = delete;
  HoldingChild& operator=(const HoldingChild&) = delete;

  pid_t Pid() const { return pid_; }
  bool Held() const { return held_; }
  // SIGKILL, then waits until the child is gone and the kernel has closed
  // all it had open.
  void Kill();

 private:
  pid_t pid_ = -1;
  bool held_ = false;
};
