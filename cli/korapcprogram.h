// korapc-program as a function of its arguments and its surroundings, so
// that main holds nothing but the process's own parts (signals, terminal).
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/portprogrammer.h"
#include "machine/portlist.h"

class ProgressConsole;
struct Services;
struct UploadRecord;

struct ProgramEnvironment {
  std::ostream* out = nullptr;  // standard output: summary, --dry-run, --list-ports, --json
  std::ostream* err = nullptr;  // standard error: progress, messages, usage errors
  bool errIsTerminal = false;   // draw live progress lines on err
  int terminalWidth = 80;       // columns of that terminal
  // Readable (a byte or more) once the user asks the program to stop, as
  // SIGINT does in main; -1 when nothing ever asks.
  int stopFd = -1;
  // The ports present; empty: PortList::PresentPorts.
  PortLister listPorts;
  // Called with the progress lines once they are drawn, and with null when
  // they are gone, so that the programming record's messages go through them
  // (ProgramServices::HistoryLines); empty: nothing to tell.
  std::function<void(ProgressConsole* console)> historyConsole;
  // Writes the one-page report of record to path for --report; returns ""
  // once written, else what went wrong. Empty: --report is refused.
  std::function<std::string(const UploadRecord& record, const std::string& path)> writeReport;
};

// Runs korapc-program with args (those after the program name) and returns
// its exit status (cli/programreport.h). Everything it prints goes to env's
// streams. Files are checked, and two names of one device refused, before
// any port is opened; with --json a usage error is also a JSON object on
// env.out (programreport.h). The ports are then programmed in parallel, one
// worker each, while this thread keeps the progress lines and watches
// env.stopFd. Every port waits through services.clock and gets its serial
// port from services.ports (main gives ProgramServices, tests scripted
// ports); each upload is recorded in services.history, which --history,
// --show, --trace and --report read. Sets ServiceCode.
int RunKorapcProgram(const std::vector<std::string>& args, const ProgramEnvironment& env,
                     Services& services);
