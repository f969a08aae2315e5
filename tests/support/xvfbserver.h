// A private X server (Xvfb) for one test executable.
#pragma once

#include <sys/types.h>
#include <string>

class XvfbServer {
 public:
  // Starts Xvfb and returns once it accepts clients. Xvfb picks a display
  // number no other server holds and reports it itself (-displayfd), so two
  // tests never race for one. Throws std::runtime_error when Xvfb cannot be
  // started or does not report within timeoutMs.
  explicit XvfbServer(int timeoutMs = 30000);
  // Stops the server and waits for it.
  ~XvfbServer();
  XvfbServer(const XvfbServer&) = delete;
  XvfbServer& operator=(const XvfbServer&) = delete;

  // The value for DISPLAY, e.g. ":3".
  const std::string& Display() const { return display_; }

 private:
  pid_t pid_ = -1;
  std::string display_;
};
