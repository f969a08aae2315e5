// Runs korapc-program as a child process for one test, with its standard
// output and standard error kept in files, as a terminal-less script sees it.
#pragma once

#include <sys/types.h>
#include <string>
#include <vector>

#include "support/tempdir.h"

class ProgramRun {
 public:
  // Starts program with args. The child gets this process's environment
  // (so XDG_CONFIG_HOME and the data folder are the test's). Throws
  // std::runtime_error when it cannot be started.
  ProgramRun(const std::string& program, const std::vector<std::string>& args);
  // Kills the child (SIGKILL) if it still runs.
  ~ProgramRun();
  ProgramRun(const ProgramRun&) = delete;
  ProgramRun& operator=(const ProgramRun&) = delete;

  // Waits for the child to end, at most timeoutMs; returns its exit status,
  // or -1 when it did not end in time (it is then killed) or died of a signal.
  int Wait(int timeoutMs);
  // Sends sig to the child.
  void Signal(int sig) const;

  std::string Out() const { return TempDir::ReadAll(out_); }
  std::string Err() const { return TempDir::ReadAll(err_); }

 private:
  TempDir dir_;
  std::string out_;
  std::string err_;
  pid_t pid_ = -1;
};
