// Runs the virtual KORA-1 (tools/virtualkora) for one test: on a fresh link
// in a temporary folder, with its memory dump and log kept beside it.
#pragma once

#include <sys/types.h>
#include <cstdint>
#include <string>
#include <vector>

#include "support/tempdir.h"

class VirtualKoraHost {
 public:
  // The program named by the environment variable KORAPC_VIRTUAL_KORA, or
  // an empty string when it is not set.
  static std::string ProgramPath();

  // Starts the program with --link, --dump, --trace and extraArgs (e.g. "--fault",
  // "T@12") and waits until the link exists. Throws std::runtime_error when
  // the program is missing or does not come up within 5 seconds.
  // output: where its standard output and error go; -1 is the log file that
  // Log reads, any other descriptor (not owned) leaves that file empty.
  explicit VirtualKoraHost(const std::vector<std::string>& extraArgs = {}, int output = -1);
  // Stops the program (SIGTERM, then SIGKILL after 5 seconds); when the
  // running test has failed, prints the program's log on standard error.
  ~VirtualKoraHost();
  VirtualKoraHost(const VirtualKoraHost&) = delete;
  VirtualKoraHost& operator=(const VirtualKoraHost&) = delete;

  // The link to hand to the serial port, e.g. as ChosenComPort.
  const std::string& LinkPath() const { return link_; }

  // The instrument's 1024 bytes of memory now; a stored byte is there before
  // its V goes out. Erased memory reads 0xFF.
  std::vector<std::uint8_t> Memory() const;

  // Everything the program logged about every byte it has answered so far.
  // The program writes its log from a thread of its own, a little after the
  // answers; this asks it (SIGUSR1) to confirm that all is written, and waits
  // up to 5 seconds for that. The confirmations are left out.
  std::string Log() const;
  // The memory write commands it received, in order, e.g. "A512D65R"; as
  // complete as Log.
  std::vector<std::string> Commands() const;
  // Waits until the log contains text; false after timeoutMs.
  bool WaitForLog(const std::string& text, int timeoutMs = 5000) const;

  // Stops the program now; returns its exit status (-1 when it was killed).
  int Stop();

 private:
  TempDir dir_;
  std::string link_;
  std::string dump_;
  std::string log_;
  bool logToFile_ = true;
  pid_t pid_ = -1;
};
