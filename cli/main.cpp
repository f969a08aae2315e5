// korapc-program: programs KORA-1s from the command line, several at once.
// Usage: korapc-program --help; the manual page is korapc-program(1).
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <csignal>
#include <iostream>

#include "cli/korapcprogram.h"
#include "cli/programservices.h"
#include "historyview/uploadreport.h"

namespace {

// The self-pipe: a signal handler may only write a byte; the program reads it.
int g_stopPipe[2] = {-1, -1};

void OnStopSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t n = ::write(g_stopPipe[1], &byte, 1);
}

}  // namespace

int main(int argc, char* argv[]) {
  // A reader that goes away (korapc-program | head) must not end the program
  // in the middle of an upload.
  ::signal(SIGPIPE, SIG_IGN);

  ProgramServices services(std::cerr);
  ProgramEnvironment env;
  env.out = &std::cout;
  env.err = &std::cerr;
  env.errIsTerminal = ::isatty(STDERR_FILENO) == 1;
  winsize size{};
  if (env.errIsTerminal && ::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
    env.terminalWidth = size.ws_col;
  }
  // Ctrl+C, a kill and a closed terminal all let the uploads running end.
  if (::pipe2(g_stopPipe, O_CLOEXEC | O_NONBLOCK) == 0) {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(sig, &action, nullptr);
    env.stopFd = g_stopPipe[0];
  }
  // The report is drawn with Qt Gui on the offscreen platform: no display is
  // needed, and nothing else in the program uses more than Qt Core.
  env.writeReport = [](const UploadRecord& record, const std::string& path) {
    std::string error;
    return WriteUploadReportOffscreen(record, path, error) ? std::string() : error;
  };
  env.historyConsole = [&services](ProgressConsole* console) {
    services.HistoryLines().SetConsole(console);
  };
  return RunKorapcProgram(std::vector<std::string>(argv + 1, argv + argc), env, services.Get());
}
