// korapc-program as a function of its arguments and its surroundings, so
// that main holds nothing but the process's own parts (signals, terminal).
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "app/portlist.h"
#include "cli/portprogrammer.h"

class Clock;

struct ProgramEnvironment {
  std::ostream* out = nullptr;  // standard output: summary, --dry-run, --list-ports, --json
  std::ostream* err = nullptr;  // standard error: progress, messages, usage errors
  bool errIsTerminal = false;   // draw live progress lines on err
  int terminalWidth = 80;       // columns of that terminal
  // Readable (a byte or more) once the user asks the program to stop, as
  // SIGINT does in main; -1 when nothing ever asks.
  int stopFd = -1;
  // The port of each upload; empty: a TCommPort. Tests give scripted ports.
  NamedPortFactory openPort;
  // The waits of every port; null: real sleeps. Must be safe to call from
  // several threads at once.
  Clock* clock = nullptr;
  // The ports present; empty: PortList::PresentPorts.
  PortLister listPorts;
};

// Runs korapc-program with args (those after the program name) and returns
// its exit status (cli/programreport.h). Everything it prints goes to env's
// streams. Files are checked, and two names of one device refused, before
// any port is opened; with --json a usage error is also a JSON object on
// env.out (programreport.h). The ports are then programmed in parallel, one
// worker each, while this thread keeps the progress lines and watches
// env.stopFd. Sets ServiceCode.
int RunKorapcProgram(const std::vector<std::string>& args, const ProgramEnvironment& env);
