// virtualkora: a stand-in KORA-1 instrument on a pseudo-terminal, so that
// KORApc can be tried and tested with no instrument attached.
//
// Usage: virtualkora [options]
//   --link PATH           where to link the pseudo-terminal (default ttyKORA1 in
//                         the user's private runtime folder, the path KORApc's
//                         port list offers); an existing symbolic link there is
//                         replaced, anything else is refused
//   --runtime-folder      print that private runtime folder ($XDG_RUNTIME_DIR,
//                         or /tmp/korapc-UID made with mode 0700) and exit
//   --dump FILE           write the 1024-byte memory to FILE after every stored
//                         byte, on SIGUSR1 and on exit
//   --service-code CODE   the service code that is accepted (default 5173920468);
//                         any other is answered Z
//   --service-answer A    answer every service-mode request with A instead:
//                         one character (e.g. Z or Q), "zero" or "none"
//   --hangup-service K    hang up on byte K (1 to 12) of the first service-mode request
//   --fault KIND@N[:C]    inject a fault at character C (default 1) of the N-th
//                         memory write command (counted from 1 since the start);
//                         repeatable. KIND:
//                           lose    the character is lost once (no echo; the PC resends it)
//                           zero    the character is answered with a zero byte once
//                           echo    the character is echoed wrongly (next digit, or ?)
//                           silent  nothing is answered from there until the next
//                                   service-mode request
//                           hangup  the line is hung up (a fresh one is linked at once)
//                           N R T U Y  the command's final R is answered with that
//                                   status letter and nothing is stored (C unused)
//   --echo-delay MS       wait MS milliseconds before every answer (a slow instrument)
//   --help
//
// The instrument echoes every character of a memory write command "A" address
// "D" data "R" and answers the final R with V (stored), U (missing or malformed
// address or data), Y (address above 1023) or T (data above 255). The request
// "M" "S" and ten code digits is answered S or Z; "X" ends service mode and is
// not answered. Outside service mode nothing is answered. Memory starts erased
// (0xFF). Every request, command and fault is logged on standard output, one
// line each. SIGTERM and SIGINT end the program and remove the link.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include "common/programstrings.h"
#include "common/runtimefolder.h"
#include "tools/virtualinstrument.h"

namespace {

constexpr const char* kUsage =
    "Usage: virtualkora [--link PATH] [--dump FILE] [--service-code CODE]\n"
    "                   [--service-answer CHAR|zero|none] [--hangup-service K]\n"
    "                   [--fault KIND@N[:C]]... [--echo-delay MS] [--runtime-folder] [--help]\n"
    "A virtual KORA-1 instrument on a pseudo-terminal linked at PATH (default ttyKORA1 in\n"
    "the private runtime folder that --runtime-folder prints, where KORApc looks for it).\n"
    "  --dump FILE          write the 1024-byte memory to FILE after every stored byte,\n"
    "                       on SIGUSR1 and on exit\n"
    "  --service-code CODE  the accepted service code (default 5173920468)\n"
    "  --service-answer A   answer service-mode requests with A (a character, zero or none)\n"
    "  --hangup-service K   hang up on byte K of the first service-mode request\n"
    "  --fault KIND@N[:C]   fault at character C (default 1) of the N-th write command:\n"
    "                       lose, zero, echo, silent, hangup, or a status letter N R T U Y\n"
    "  --echo-delay MS      wait MS ms before every answer\n"
    "Memory starts erased (0xFF). Requests, commands and faults are logged on standard\n"
    "output. SIGUSR1 dumps the memory; SIGTERM or SIGINT end the program and remove the link.\n";

struct Settings {
  std::string link;  // empty: GetVirtualKoraLinkPath()
  std::string dump;
  int echoDelayMs = 0;
  VirtualInstrument::Options instrument;
};

void Log(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

bool ParseArguments(int argc, char** argv, Settings* settings) {
  settings->instrument.serviceCode = kora::kServiceCodeText;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      std::exit(0);
    } else if (arg == "--runtime-folder") {
      const std::string folder = GetRuntimeFolder();
      if (folder.empty()) {
        std::fputs("virtualkora: no private runtime folder (see --help)\n", stderr);
        std::exit(1);
      }
      std::printf("%s\n", folder.c_str());
      std::exit(0);
    } else if (arg == "--link" && hasValue) {
      settings->link = argv[++i];
    } else if (arg == "--dump" && hasValue) {
      settings->dump = argv[++i];
    } else if (arg == "--service-code" && hasValue) {
      settings->instrument.serviceCode = argv[++i];
    } else if (arg == "--service-answer" && hasValue) {
      const std::string answer = argv[++i];
      if (answer == "none") {
        settings->instrument.serviceAnswer = std::string();
      } else if (answer == "zero") {
        settings->instrument.serviceAnswer = std::string(1, '\0');
      } else if (answer.size() == 1) {
        settings->instrument.serviceAnswer = answer;
      } else {
        return false;
      }
    } else if (arg == "--hangup-service" && hasValue) {
      settings->instrument.hangUpAtServiceByte = std::atoi(argv[++i]);
      if (settings->instrument.hangUpAtServiceByte < 1 || settings->instrument.hangUpAtServiceByte > 12) return false;
    } else if (arg == "--fault" && hasValue) {
      const auto fault = InstrumentFault::Parse(argv[++i]);
      if (!fault) return false;
      settings->instrument.faults.push_back(*fault);
    } else if (arg == "--echo-delay" && hasValue) {
      settings->echoDelayMs = std::atoi(argv[++i]);
      if (settings->echoDelayMs < 0) return false;
    } else {
      return false;
    }
  }
  return true;
}

// The pseudo-terminal: the master is the instrument's end. A descriptor of the
// other end is kept open too, so that the line stays up between the PC's opens.
struct Line {
  int master = -1;
  int slave = -1;
  std::string slaveName;
};

bool OpenLine(Line* line) {
  line->master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (line->master < 0 || ::grantpt(line->master) != 0 || ::unlockpt(line->master) != 0) return false;
  char name[128];
  if (::ptsname_r(line->master, name, sizeof name) != 0) return false;
  line->slaveName = name;
  line->slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (line->slave < 0) return false;
  termios state{};
  if (::tcgetattr(line->slave, &state) != 0) return false;
  ::cfmakeraw(&state);
  ::cfsetispeed(&state, B9600);
  ::cfsetospeed(&state, B9600);
  return ::tcsetattr(line->slave, TCSANOW, &state) == 0;
}

void CloseLine(Line* line) {
  if (line->slave >= 0) ::close(line->slave);
  if (line->master >= 0) ::close(line->master);  // the PC's end sees the line hang up
  *line = Line{};
}

// Points the link at target, replacing an earlier symbolic link in one step.
bool PlaceLink(const std::string& link, const std::string& target) {
  struct stat st{};
  if (::lstat(link.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
    std::fprintf(stderr, "virtualkora: %s exists and is not a symbolic link\n", link.c_str());
    return false;
  }
  const std::string temporary = link + ".new" + std::to_string(::getpid());
  ::unlink(temporary.c_str());
  if (::symlink(target.c_str(), temporary.c_str()) != 0 || ::rename(temporary.c_str(), link.c_str()) != 0) {
    std::fprintf(stderr, "virtualkora: cannot link %s: %s\n", link.c_str(), std::strerror(errno));
    ::unlink(temporary.c_str());
    return false;
  }
  return true;
}

void RemoveLink(const std::string& link, const std::string& target) {
  char pointed[256];
  const ssize_t n = ::readlink(link.c_str(), pointed, sizeof pointed - 1);
  if (n > 0 && std::string(pointed, static_cast<std::size_t>(n)) == target) ::unlink(link.c_str());
}

// The dump is replaced in one rename, so a reader never sees half of it.
void DumpMemory(const std::string& file, const VirtualInstrument& instrument) {
  if (file.empty()) return;
  const std::string temporary = file + ".tmp";
  FILE* out = std::fopen(temporary.c_str(), "wb");
  if (out == nullptr) return;
  const auto& memory = instrument.Memory();
  const bool written = std::fwrite(memory.data(), 1, memory.size(), out) == memory.size();
  if (std::fclose(out) == 0 && written) ::rename(temporary.c_str(), file.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  Settings settings;
  if (!ParseArguments(argc, argv, &settings)) {
    std::fputs(kUsage, stderr);
    return 2;
  }

  if (settings.link.empty()) settings.link = GetVirtualKoraLinkPath();
  if (settings.link.empty()) {
    // Never fall back to a shared folder: another user could read the line.
    std::fprintf(stderr, "virtualkora: no private runtime folder: $XDG_RUNTIME_DIR is unset or not ours "
                         "with mode 0700, and korapc-%u in $TMPDIR or /tmp belongs to someone else or is open to "
                         "others; give --link PATH\n", ::geteuid());
    return 1;
  }

  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGHUP);
  sigaddset(&signals, SIGUSR1);
  ::sigprocmask(SIG_BLOCK, &signals, nullptr);
  const int signalFd = ::signalfd(-1, &signals, SFD_CLOEXEC);
  if (signalFd < 0) {
    std::perror("virtualkora: signalfd");
    return 1;
  }

  VirtualInstrument instrument(settings.instrument, Log);
  DumpMemory(settings.dump, instrument);  // before the link appears, so it is there once the link is
  Line line;
  if (!OpenLine(&line) || !PlaceLink(settings.link, line.slaveName)) {
    std::fprintf(stderr, "virtualkora: cannot set up the pseudo-terminal\n");
    return 1;
  }
  Log("virtual KORA-1 on " + line.slaveName + ", linked at " + settings.link);

  bool running = true;
  while (running) {
    pollfd watch[2] = {{line.master, POLLIN, 0}, {signalFd, POLLIN, 0}};
    if (::poll(watch, 2, -1) < 0) {
      if (errno == EINTR) continue;
      std::perror("virtualkora: poll");
      break;
    }
    if ((watch[1].revents & POLLIN) != 0) {
      signalfd_siginfo info{};
      if (::read(signalFd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
        if (info.ssi_signo == SIGUSR1) {
          DumpMemory(settings.dump, instrument);
        } else {
          running = false;
        }
      }
      continue;
    }
    if ((watch[0].revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;

    std::uint8_t received[64];
    const ssize_t n = ::read(line.master, received, sizeof received);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) {
      std::fprintf(stderr, "virtualkora: line read failed: %s\n", std::strerror(errno));
      break;
    }
    for (ssize_t i = 0; i < n; ++i) {
      const VirtualInstrument::Reply reply = instrument.Receive(received[i]);
      // Memory is dumped before the answer goes out, so that whoever has the
      // answer finds the stored byte in the dump.
      if (reply.memoryChanged) DumpMemory(settings.dump, instrument);
      if (!reply.bytes.empty()) {
        if (settings.echoDelayMs > 0) ::usleep(static_cast<useconds_t>(settings.echoDelayMs) * 1000u);
        if (::write(line.master, reply.bytes.data(), reply.bytes.size()) < 0) {
          std::fprintf(stderr, "virtualkora: line write failed: %s\n", std::strerror(errno));
        }
      }
      if (reply.hangUp) {
        const std::string old = line.slaveName;
        CloseLine(&line);
        if (!OpenLine(&line) || !PlaceLink(settings.link, line.slaveName)) {
          std::fprintf(stderr, "virtualkora: cannot set up a new pseudo-terminal\n");
          RemoveLink(settings.link, old);
          return 1;
        }
        Log("line hung up; now on " + line.slaveName);
        break;  // the rest of what was read belonged to the old line
      }
    }
  }

  DumpMemory(settings.dump, instrument);
  RemoveLink(settings.link, line.slaveName);
  CloseLine(&line);
  Log("virtual KORA-1 stopped");
  return 0;
}
