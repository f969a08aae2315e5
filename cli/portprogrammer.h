// PortProgrammer: everything korapc-program does on one port, on a worker
// thread of its own: each upload in turn through the upload sequence, as the
// window program sends it.
#pragma once

#include <atomic>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "cli/rehearsal.h"
#include "cli/uploadjobs.h"
#include "device/linksettings.h"
#include "device/uploadsequence.h"

class Clock;
class HistoryStore;
class PortFactory;
class ProgressConsole;

struct UploadReport {
  std::string name;     // the job's name
  bool sent = false;    // the upload was begun (the port was to be opened)
  UploadResult result;  // how it ended; all zero when not sent
};

struct PortReport {
  std::string port;
  std::vector<UploadReport> uploads;  // one per job, in order
  bool stopped = false;               // a stop request kept uploads from being sent
  // The message that ended the port's work (Windows-1252), when one did.
  std::string failureCaption;
  std::string failureText;

  // Every upload was sent and completed.
  bool Programmed() const;
};

class PortProgrammer {
 public:
  // port: the device path. pace: the command delay ("DELAY" or --delay) and
  // the echo grace ("ECHOGRACE") of every upload; its port name and service
  // code are not used (the code is the built-in one). jobs and rehearsals
  // (one per job, same order), console, stop, clock and ports are not owned
  // and must outlive the object. index: the port's line on console. ports
  // makes the port of each upload.
  // stop: once true, no further upload is begun; the one running goes on to
  // its end, as the window program lets an upload end before it closes.
  // history: where each upload is recorded. Not owned.
  PortProgrammer(std::string port, const LinkSettings& pace, const std::vector<UploadJob>& jobs,
                 const std::vector<Rehearsal>& rehearsals, ProgressConsole& console,
                 std::size_t index, const std::atomic<bool>& stop, Clock& clock, PortFactory& ports,
                 HistoryStore& history);

  // Sends the jobs in order and stops at the first that fails; every message
  // goes to the console as one line. The power-cycle notice ("Switch KORA-1
  // power OFF, ...") comes once, after the last upload the port gets, under
  // that upload's caption, and not at all when an upload failed. Never throws.
  PortReport Run();

 private:
  std::string port_;
  int commandDelay_;
  int echoGrace_;
  const std::vector<UploadJob>& jobs_;
  const std::vector<Rehearsal>& rehearsals_;
  ProgressConsole& console_;
  std::size_t index_;
  const std::atomic<bool>& stop_;
  Clock& clock_;
  PortFactory& ports_;
  HistoryStore& history_;
};
