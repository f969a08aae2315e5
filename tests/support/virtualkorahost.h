// Runs the virtual KORA-1 (tools/virtualkora) for one test: on a fresh link
// in a temporary folder, with its memory dump and log kept beside it.
#pragma once

#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

#include "support/tempdir.h"

class VirtualKoraHost {
 public:
  // The program named by the environment variable KORAPC_VIRTUAL_KORA, or
  // an empty string when it is not set.
  static std::string ProgramPath();

  // Starts the program with --link, --dump and extraArgs (e.g. "--fault",
  // "T@12") and waits until the link exists. Throws std::runtime_error when
  // the program is missing or does not come up within 5 seconds.
  explicit VirtualKoraHost(const std::vector<std::string>& extraArgs = {});
  // Stops the program (SIGTERM, then SIGKILL after 5 seconds).
  ~VirtualKoraHost();
  VirtualKoraHost(const VirtualKoraHost&) = delete;
  VirtualKoraHost& operator=(const VirtualKoraHost&) = delete;

  // The link to hand to the serial port, e.g. as ChosenComPort.
  const std::string& LinkPath() const { return link_; }

  // The instrument's 1024 bytes of memory as last dumped; the program dumps
  // before it answers a stored byte with V. Erased memory reads 0xFF.
  std::vector<std::uint8_t> Memory() const;

  // Everything the program logged so far.
  std::string Log() const;
  // The memory write commands it received, in order, e.g. "A512D65R".
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
  pid_t pid_ = -1;
};
