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
//   --dump FILE           keep the 1024-byte memory in FILE: each stored byte is
//                         in the file before its V goes out (the file is mapped
//                         shared, so the answer waits for no disk)
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
//   --echo-delay MS       send every answer MS milliseconds after the byte it answers
//                         (a slow instrument or USB adapter); bytes keep being
//                         received meanwhile
//   --echo-jitter MS      add to each answer a further delay drawn evenly from 0 to
//                         MS milliseconds (to microseconds); answers never overtake
//   --seed N              the seed of that random draw (default 1): the same seed
//                         gives the same delays
//   --trace               also log every byte received and sent, with the time in
//                         µs on the monotonic clock (as "rx 41 at 12345678")
//   --help
//
// The instrument echoes every character of a memory write command "A" address
// "D" data "R" and answers the final R with V (stored), U (missing or malformed
// address or data), Y (address above 1023) or T (data above 255). The request
// "M" "S" and ten code digits is answered S or Z; "X" ends service mode and is
// not answered. Outside service mode nothing is answered. Memory starts erased
// (0xFF). Every request, command and fault is logged on standard output, one
// line each, after the answer has gone out and by a thread of its own, so that
// no answer waits for the log. SIGUSR1 logs "SIGUSR1: log and dump up to date"
// once every earlier line is on its way out. The answering thread runs at
// real-time priority where the system allows it, so that busy programs do not
// delay its answers. SIGTERM and SIGINT end the program and remove the link.
//
// Each time the PC's last descriptor of the line closes, even when the PC was
// killed with the port still taken for exclusive use, a fresh pseudo-terminal
// is linked in its place ("the PC closed /dev/pts/N; now on /dev/pts/M"), so
// the next open always finds a free line. A PC that opens the old line again
// within a second (it read the link just before it moved) is still answered.
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "common/programstrings.h"
#include "common/runtimefolder.h"
#include "tools/answerschedule.h"
#include "tools/logwriter.h"
#include "tools/memorydump.h"
#include "tools/virtualinstrument.h"

namespace {

constexpr const char* kUsage =
    "Usage: virtualkora [--link PATH] [--dump FILE] [--service-code CODE]\n"
    "                   [--service-answer CHAR|zero|none] [--hangup-service K]\n"
    "                   [--fault KIND@N[:C]]... [--echo-delay MS] [--echo-jitter MS]\n"
    "                   [--seed N] [--trace] [--runtime-folder] [--help]\n"
    "A virtual KORA-1 instrument on a pseudo-terminal linked at PATH (default ttyKORA1 in\n"
    "the private runtime folder that --runtime-folder prints, where KORApc looks for it).\n"
    "  --dump FILE          keep the 1024-byte memory in FILE, each stored byte there\n"
    "                       before its V goes out\n"
    "  --service-code CODE  the accepted service code (default 5173920468)\n"
    "  --service-answer A   answer service-mode requests with A (a character, zero or none)\n"
    "  --hangup-service K   hang up on byte K of the first service-mode request\n"
    "  --fault KIND@N[:C]   fault at character C (default 1) of the N-th write command:\n"
    "                       lose, zero, echo, silent, hangup, or a status letter N R T U Y\n"
    "  --echo-delay MS      send every answer MS ms after the byte it answers\n"
    "                       (a slow instrument or USB adapter)\n"
    "  --echo-jitter MS     and a further 0 to MS ms, drawn at random for each answer\n"
    "  --seed N             the seed of that draw (default 1)\n"
    "  --trace              log every byte received and sent, with its time in µs\n"
    "Memory starts erased (0xFF). Requests, commands and faults are logged on standard\n"
    "output. Answers at real-time priority where the system allows it (the log says).\n"
    "SIGUSR1 logs \"SIGUSR1: log and dump up to date\" after every earlier line;\n"
    "SIGTERM or SIGINT end the program and remove the link.\n";

constexpr const char* kUpToDate = "SIGUSR1: log and dump up to date";

struct Settings {
  std::string link;  // empty: GetVirtualKoraLinkPath()
  std::string dump;
  int echoDelayMs = 0;
  int echoJitterMs = 0;
  std::uint32_t seed = 1;
  bool trace = false;
  VirtualInstrument::Options instrument;
};

// A whole number from 0 to 60000 (a minute), or -1.
int Milliseconds(const char* text) {
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0' || value < 0 || value > 60000) return -1;
  return static_cast<int>(value);
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
      if (settings->instrument.hangUpAtServiceByte < 1 ||
          settings->instrument.hangUpAtServiceByte > 12)
        return false;
    } else if (arg == "--fault" && hasValue) {
      const auto fault = InstrumentFault::Parse(argv[++i]);
      if (!fault) return false;
      settings->instrument.faults.push_back(*fault);
    } else if (arg == "--echo-delay" && hasValue) {
      settings->echoDelayMs = Milliseconds(argv[++i]);
      if (settings->echoDelayMs < 0) return false;
    } else if (arg == "--echo-jitter" && hasValue) {
      settings->echoJitterMs = Milliseconds(argv[++i]);
      if (settings->echoJitterMs < 0) return false;
    } else if (arg == "--trace") {
      settings->trace = true;
    } else if (arg == "--seed" && hasValue) {
      char* end = nullptr;
      const unsigned long seed = std::strtoul(argv[++i], &end, 10);
      if (*end != '\0' || end == argv[i]) return false;
      settings->seed = static_cast<std::uint32_t>(seed);
    } else {
      return false;
    }
  }
  return true;
}

// One pseudo-terminal: the master is the instrument's end, and the PC opens the
// other end through the link. No descriptor of the PC's end is kept here, so
// the master sees the line hang up once the PC's last descriptor closes,
// whether the PC closed it or was killed. That is the sign to hand out a fresh
// line: a terminal that a killed program left with its exclusive flag set
// would refuse every later open.
struct Line {
  int master = -1;
  std::string slaveName;
  // Set once the PC's end has closed and a fresh line has the link: a PC that
  // read the link just before it moved may still open this one until then.
  std::optional<AnswerSchedule::Clock::time_point> retireAt;
};

// How long a line whose PC end closed may still be opened again, and how
// often it is looked at meanwhile: an open under way when the link moved
// must find it, and be answered within a millisecond.
constexpr auto kRetireAfter = std::chrono::seconds(1);
constexpr auto kRetiringCheck = std::chrono::milliseconds(1);

void CloseLine(Line* line) {
  if (line->master >= 0) ::close(line->master);  // the PC's end sees the line hang up
  *line = Line{};
}

bool OpenLine(Line* line) {
  // Never blocking: the PC may open the line again between a poll and a read.
  line->master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (line->master < 0 || ::grantpt(line->master) != 0 || ::unlockpt(line->master) != 0 ||
      ::fcntl(line->master, F_SETFL, ::fcntl(line->master, F_GETFL) | O_NONBLOCK) != 0) {
    CloseLine(line);
    return false;
  }
  char name[128];
  // The line settings are the terminal end's, set here through the master:
  // opening that end here and closing it again would read as a hang-up.
  termios state{};
  if (::ptsname_r(line->master, name, sizeof name) != 0 || ::tcgetattr(line->master, &state) != 0) {
    CloseLine(line);
    return false;
  }
  line->slaveName = name;
  ::cfmakeraw(&state);
  ::cfsetispeed(&state, B9600);
  ::cfsetospeed(&state, B9600);
  if (::tcsetattr(line->master, TCSANOW, &state) != 0) {
    CloseLine(line);
    return false;
  }
  return true;
}

// Points the link at target, replacing an earlier symbolic link in one step.
bool PlaceLink(const std::string& link, const std::string& target) {
  struct stat st {};
  if (::lstat(link.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
    std::fprintf(stderr, "virtualkora: %s exists and is not a symbolic link\n", link.c_str());
    return false;
  }
  const std::string temporary = link + ".new" + std::to_string(::getpid());
  ::unlink(temporary.c_str());
  if (::symlink(target.c_str(), temporary.c_str()) != 0 ||
      ::rename(temporary.c_str(), link.c_str()) != 0) {
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

// The microcontroller that this program stands for answers at once, whatever
// else the PC does. A process that shares the cores with busy programs of its
// own session can wait 10 ms and more for a processor, as long as an echo may
// take; so the answering thread takes the lowest real-time priority wherever
// the system allows it (root, or a real-time priority limit). It only ever
// waits for the line, a signal or an answer's time, so it cannot hog a core.
bool TakeRealTimePriority() {
  sched_param param{};
  param.sched_priority = ::sched_get_priority_min(SCHED_FIFO);
  return ::pthread_setschedparam(::pthread_self(), SCHED_FIFO, &param) == 0;
}

// One line of --trace: "rx" or "tx", the bytes in hexadecimal, and when, in µs
// on the monotonic clock, which every program on the machine shares.
std::string TraceLine(const char* direction, const std::string& bytes,
                      AnswerSchedule::Clock::time_point when) {
  std::string line = direction;
  for (const char c : bytes) {
    char hex[4];
    std::snprintf(hex, sizeof hex, " %02X", static_cast<unsigned char>(c));
    line += hex;
  }
  const auto us =
      std::chrono::duration_cast<std::chrono::microseconds>(when.time_since_epoch()).count();
  return line + " at " + std::to_string(us);
}

// Writes all of bytes to the line; false when the line refuses them.
bool SendAnswer(int master, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(master, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// The time ppoll is to wait until due, or null (for ever) when nothing is due.
const timespec* TimeoutUntil(const std::optional<AnswerSchedule::Clock::time_point>& due,
                             timespec* storage) {
  if (!due) return nullptr;
  const auto left =
      std::max(*due - AnswerSchedule::Clock::now(), AnswerSchedule::Clock::duration::zero());
  const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
  storage->tv_sec = static_cast<time_t>(ns / 1000000000);
  storage->tv_nsec = static_cast<long>(ns % 1000000000);
  return storage;
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
    std::fprintf(
        stderr,
        "virtualkora: no private runtime folder: $XDG_RUNTIME_DIR is unset or not ours "
        "with mode 0700, and korapc-%u in $TMPDIR or /tmp belongs to someone else or is open to "
        "others; give --link PATH\n",
        ::geteuid());
    return 1;
  }

  // Blocked before any thread starts, so that every thread leaves these
  // signals to the signalfd.
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
  // A log reader that goes away costs the log, not the instrument.
  std::signal(SIGPIPE, SIG_IGN);
  // An answer that is due goes out when it is due, not up to 50 µs later.
  ::prctl(PR_SET_TIMERSLACK, 1000UL);

  LogWriter log(STDOUT_FILENO);
  // After the log's thread has started, which keeps the normal priority.
  const bool realTime = TakeRealTimePriority();
  // The instrument's lines wait here until the answers of the moment are out.
  std::vector<std::string> logLines;
  VirtualInstrument instrument(settings.instrument,
                               [&logLines](const std::string& text) { logLines.push_back(text); });
  const auto passLinesOn = [&log, &logLines] {
    for (const std::string& text : logLines) log.Add(text);
    logLines.clear();
  };
  MemoryDump dump;
  // Before the link appears, so that the dump is there once the link is.
  if (!settings.dump.empty() &&
      !dump.Create(settings.dump, instrument.Memory().data(), instrument.Memory().size())) {
    std::fprintf(stderr, "virtualkora: cannot keep the memory in %s: %s\n", settings.dump.c_str(),
                 std::strerror(errno));
    return 1;
  }
  AnswerSchedule answers(std::chrono::milliseconds(settings.echoDelayMs),
                         std::chrono::milliseconds(settings.echoJitterMs), settings.seed);
  // The last line is the one behind the link; any before it wait to retire
  // or were opened again by a PC that read the link before it moved.
  std::vector<Line> lines(1);
  if (!OpenLine(&lines[0]) || !PlaceLink(settings.link, lines[0].slaveName)) {
    std::fprintf(stderr, "virtualkora: cannot set up the pseudo-terminal\n");
    return 1;
  }
  log.Add("virtual KORA-1 on " + lines[0].slaveName + ", linked at " + settings.link);
  log.Add(realTime ? "answering at real-time priority"
                   : "answering at normal priority (real-time priority not permitted)");

  int answerTo = -1;  // the master whose bytes the waiting answers belong to
  const auto closeLine = [&](std::size_t index) {
    if (lines[index].master == answerTo) {
      answers.Clear();  // lost with the line
      answerTo = -1;
    }
    CloseLine(&lines[index]);
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(index));
  };
  // Puts a fresh line behind the link; false when none can be had.
  const auto linkFreshLine = [&] {
    Line fresh;
    if (!OpenLine(&fresh) || !PlaceLink(settings.link, fresh.slaveName)) {
      std::fprintf(stderr, "virtualkora: cannot set up a new pseudo-terminal\n");
      CloseLine(&fresh);
      return false;
    }
    lines.push_back(fresh);
    return true;
  };

  bool running = true;
  while (running) {
    // Waits for a byte, a signal, or the next answer that falls due; an
    // answer that waits its turn never holds up receiving. A retiring line
    // reports its hang-up at every poll, so it is looked at on a timer instead.
    std::vector<pollfd> watch{{signalFd, POLLIN, 0}};
    std::vector<std::size_t> watched;
    bool retiring = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      retiring = retiring || lines[i].retireAt.has_value();
      if (lines[i].retireAt) continue;
      watch.push_back({lines[i].master, POLLIN, 0});
      watched.push_back(i);
    }
    std::optional<AnswerSchedule::Clock::time_point> wake = answers.NextDue();
    if (retiring) {
      const auto check = AnswerSchedule::Clock::now() + kRetiringCheck;
      wake = wake ? std::min(*wake, check) : check;
    }
    timespec timeout{};
    if (::ppoll(watch.data(), watch.size(), TimeoutUntil(wake, &timeout), nullptr) < 0) {
      if (errno == EINTR) continue;
      std::perror("virtualkora: poll");
      break;
    }
    if ((watch[0].revents & POLLIN) != 0) {
      signalfd_siginfo info{};
      if (::read(signalFd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
        if (info.ssi_signo == SIGUSR1) {
          // The dump is current at every moment; the log line says that
          // every line before it has been handed to the log.
          dump.ScheduleWriteOut();
          log.Add(kUpToDate);
        } else {
          running = false;
        }
      }
    }

    // From the last, so that closing one leaves the places of those before.
    for (std::size_t k = watched.size(); k-- > 0;) {
      if ((watch[k + 1].revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
      const std::size_t index = watched[k];
      const int master = lines[index].master;
      std::uint8_t received[64];
      const ssize_t n = ::read(master, received, sizeof received);
      if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;  // opened again meanwhile
      if (n <= 0) {
        // The PC's last descriptor of this line has closed.
        if (index + 1 == lines.size()) {
          if (!linkFreshLine()) {
            RemoveLink(settings.link, lines[index].slaveName);
            return 1;
          }
          log.Add("the PC closed " + lines[index].slaveName + "; now on " + lines.back().slaveName);
        }
        lines[index].retireAt = AnswerSchedule::Clock::now() + kRetireAfter;
        continue;
      }
      const auto now = AnswerSchedule::Clock::now();
      if (master != answerTo) answers.Clear();  // a new PC end: the old one's answers are lost
      answerTo = master;
      if (settings.trace) {
        const std::string bytes(reinterpret_cast<char*>(received), static_cast<std::size_t>(n));
        logLines.push_back(TraceLine("rx", bytes, now));
      }
      for (ssize_t i = 0; i < n; ++i) {
        const VirtualInstrument::Reply reply = instrument.Receive(received[i]);
        // The byte is in the dump before its V can go out.
        if (reply.storedAt) dump.Store(*reply.storedAt, instrument.Memory()[*reply.storedAt]);
        answers.Add(reply.bytes, now);
        if (!reply.hangUp) continue;

        // What was due before the hang-up still goes out; the rest is lost
        // with the line.
        SendAnswer(master, answers.TakeDue(now));
        passLinesOn();
        const bool linked = index + 1 == lines.size();
        const std::string old = lines[index].slaveName;
        closeLine(index);
        if (linked && !linkFreshLine()) {
          RemoveLink(settings.link, old);
          return 1;
        }
        log.Add("line hung up; now on " + lines.back().slaveName);
        break;  // the rest of what was read belonged to the old line
      }
    }

    // A retiring line that the PC has opened again is served again; one
    // still hung up when its time is over is closed.
    const auto now = AnswerSchedule::Clock::now();
    for (std::size_t i = lines.size(); i-- > 0;) {
      if (!lines[i].retireAt) continue;
      pollfd line{lines[i].master, POLLIN, 0};
      if (::poll(&line, 1, 0) >= 0 && (line.revents & POLLHUP) == 0) {
        lines[i].retireAt.reset();
      } else if (now >= *lines[i].retireAt) {
        closeLine(i);
      }
    }

    const std::string due = answers.TakeDue(AnswerSchedule::Clock::now());
    if (!due.empty() && answerTo >= 0) {
      const bool sent = SendAnswer(answerTo, due);
      const int error = errno;
      if (settings.trace) logLines.push_back(TraceLine("tx", due, AnswerSchedule::Clock::now()));
      if (!sent) logLines.push_back(std::string("line write failed: ") + std::strerror(error));
    }
    passLinesOn();
  }

  RemoveLink(settings.link, lines.back().slaveName);
  for (Line& line : lines) CloseLine(&line);
  log.Add("virtual KORA-1 stopped");
  return 0;
}
