#include "cli/korapcprogram.h"

#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <atomic>
#include <csignal>
#include <thread>

#include "cli/historyreport.h"
#include "cli/programoptions.h"
#include "cli/programreport.h"
#include "cli/progressconsole.h"
#include "cli/rehearsal.h"
#include "cli/samedevice.h"
#include "cli/uploadjobs.h"
#include "common/messagesink.h"
#include "common/settingsfile.h"
#include "device/linksettings.h"
#include "history/historystore.h"
#include "machine/koraglobals.h"
#include "services/services.h"

#include <memory>
#include <mutex>

namespace {

constexpr const char* kProgram = "korapc-program";
// How often the live lines are redrawn while the ports work.
constexpr int kRefreshMs = 250;
// How often this thread looks at the workers when no wake-up came.
constexpr int kLookAgainMs = 1000;

// With --json, standard output gets the error too, so that a script never
// reads an empty output.
int UsageError(const ProgramEnvironment& env, const std::string& error, bool json) {
  *env.err << kProgram << ": " << error << "\nTry '" << kProgram
           << " --help' for more information.\n";
  if (json) *env.out << JsonUsageError(error);
  return kExitRefused;
}

std::string Local(const QString& text) { return text.toLocal8Bit().toStdString(); }

// The port KORApc's Settings tab last had chosen.
std::string SavedPort() {
  return SettingsFile(GetSettingsFilePath()).ReadString("KORAPCForm", "COMPORT", "");
}

int ListPorts(const ProgramOptions& options, const ProgramEnvironment& env) {
  const std::vector<PortEntry> ports =
      PortList::WithSavedPort(env.listPorts ? env.listPorts() : PortList::PresentPorts(),
                              QString::fromLocal8Bit(SavedPort().c_str()));
  if (options.json) {
    QJsonArray list;
    for (const PortEntry& port : ports) {
      list.append(QJsonObject{{"port", port.name}, {"description", port.description}});
    }
    *env.out
        << QJsonDocument(QJsonObject{{"ports", list}}).toJson(QJsonDocument::Compact).toStdString()
        << "\n";
    return kExitProgrammed;
  }
  qsizetype width = 0;
  for (const PortEntry& port : ports) width = std::max(width, port.name.size());
  for (const PortEntry& port : ports) {
    std::string line = Local(port.name.leftJustified(width));
    if (!port.description.isEmpty()) line += "  " + Local(port.description);
    while (!line.empty() && line.back() == ' ') line.pop_back();
    *env.out << line << "\n";
  }
  return kExitProgrammed;
}

void PrintDryRun(const std::vector<UploadJob>& jobs, const std::vector<Rehearsal>& rehearsals,
                 const std::vector<std::string>& ports, const ProgramOptions& options,
                 const ProgramEnvironment& env) {
  if (options.json) {
    QJsonArray uploads;
    for (std::size_t k = 0; k < jobs.size(); ++k) {
      QJsonArray commands;
      for (const std::string& frame : rehearsals[k].frames)
        commands.append(QString::fromLatin1(frame.c_str()));
      uploads.append(QJsonObject{{"upload", QString::fromUtf8(jobs[k].name.c_str())},
                                 {"commands", commands},
                                 {"milliseconds", rehearsals[k].totalMs}});
    }
    QJsonArray portList;
    for (const std::string& port : ports) portList.append(QString::fromLocal8Bit(port.c_str()));
    const QJsonObject summary{{"dryRun", true}, {"ports", portList}, {"uploads", uploads}};
    *env.out << QJsonDocument(summary).toJson(QJsonDocument::Compact).toStdString() << "\n";
    return;
  }
  std::string to;
  for (const std::string& port : ports) to += (to.empty() ? " to " : ", ") + port;
  for (std::size_t k = 0; k < jobs.size(); ++k) {
    const Rehearsal& rehearsal = rehearsals[k];
    *env.out << "# " << jobs[k].name << to << ": " << rehearsal.frames.size() << " commands, about "
             << (rehearsal.totalMs + 500) / 1000 << " s\n";
    for (const std::string& frame : rehearsal.frames) *env.out << frame << "\n";
  }
}

// Keeps the stop signals for the thread that watches them, so that no
// serial read or write of a worker is ever interrupted by one.
class StopSignalsBlocked {
 public:
  StopSignalsBlocked() {
    sigset_t set;
    sigemptyset(&set);
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&set, sig);
    pthread_sigmask(SIG_BLOCK, &set, &old_);
  }
  ~StopSignalsBlocked() { pthread_sigmask(SIG_SETMASK, &old_, nullptr); }
  StopSignalsBlocked(const StopSignalsBlocked&) = delete;
  StopSignalsBlocked& operator=(const StopSignalsBlocked&) = delete;

 private:
  sigset_t old_;
};

bool Drain(int fd) {
  char buffer[64];
  bool any = false;
  while (::read(fd, buffer, sizeof buffer) > 0) any = true;
  return any;
}

// --history, --show, --trace and --report.
int ReadHistory(const ProgramOptions& options, const ProgramEnvironment& env, HistoryStore& store) {
  if (options.history) {
    PrintHistory(store, options.json, *env.out);
    return kExitProgrammed;
  }
  const std::int64_t id = options.show    ? *options.show
                          : options.trace ? *options.trace
                                          : *options.report;
  bool found = false;
  if (options.show) found = PrintUpload(store, id, options.json, *env.out);
  if (options.trace) found = PrintTrace(store, id, *env.out);
  if (options.report) {
    const std::optional<UploadRecord> record = store.Get(id);
    found = record.has_value();
    if (found) {
      if (!env.writeReport) {
        return UsageError(env, "--report is not available in this build.", options.json);
      }
      const std::string error = env.writeReport(*record, *options.output);
      if (!error.empty()) {
        *env.err << kProgram << ": " << *options.output << ": " << error << "\n";
        return kExitFailed;
      }
    }
  }
  if (!found) {
    *env.err << kProgram << ": there is no upload " << id << " in the history.\n";
    return kExitFailed;
  }
  return kExitProgrammed;
}

std::vector<PortReport> ProgramPorts(const std::vector<std::string>& ports,
                                     const LinkSettings& pace, const std::vector<UploadJob>& jobs,
                                     const std::vector<Rehearsal>& rehearsals,
                                     const ProgramEnvironment& env, Services& services) {
  ProgressConsole console(*env.err, ports, env.errIsTerminal, env.terminalWidth);
  if (env.historyConsole) env.historyConsole(&console);
  std::atomic<bool> stop{false};
  std::atomic<std::size_t> done{0};
  // Each worker adds to it as it ends, which wakes this thread at once.
  const int finished = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);

  std::vector<PortReport> reports(ports.size());
  std::vector<std::thread> workers;
  {
    const StopSignalsBlocked blocked;  // the workers start with them blocked
    for (std::size_t i = 0; i < ports.size(); ++i) {
      workers.emplace_back([&, i] {
        PortProgrammer programmer(ports[i], pace, jobs, rehearsals, console, i, stop,
                                  services.clock, services.ports, services.history);
        reports[i] = programmer.Run();
        ++done;
        const std::uint64_t one = 1;
        if (finished >= 0) {
          [[maybe_unused]] const ssize_t n = ::write(finished, &one, sizeof one);
        }
      });
    }
  }

  // This thread only waits: for a stop request, a worker's end, or the next
  // redraw of the live lines.
  int stopFd = env.stopFd;
  const int timeoutMs = env.errIsTerminal ? kRefreshMs : kLookAgainMs;
  while (done < ports.size()) {
    pollfd fds[2] = {{finished, POLLIN, 0}, {stopFd, POLLIN, 0}};
    if (::poll(fds, 2, timeoutMs) > 0) {
      if ((fds[0].revents & POLLIN) != 0) Drain(finished);
      if ((fds[1].revents & POLLIN) != 0 && Drain(stopFd) && !stop) {
        stop = true;
        console.Note(
            std::string(kProgram) +
            ": stopping: every port finishes the upload it is in, then nothing more is sent");
      }
      // A stop source that has gone can ask nothing more.
      if ((fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) stopFd = -1;
    }
    console.Refresh();
  }
  for (std::thread& worker : workers) worker.join();
  if (finished >= 0) ::close(finished);
  if (env.historyConsole) env.historyConsole(nullptr);
  return reports;
}

}  // namespace

int RunKorapcProgram(const std::vector<std::string>& args, const ProgramEnvironment& env,
                     Services& services) {
  const ParsedOptions parsed = ParseProgramOptions(args);
  if (!parsed.error.empty()) return UsageError(env, parsed.error, parsed.options.json);
  const ProgramOptions& options = parsed.options;
  if (options.help) {
    *env.out << ProgramHelpText();
    return kExitProgrammed;
  }
  if (options.version) {
    *env.out << ProgramVersionText();
    return kExitProgrammed;
  }
  if (options.listPorts) return ListPorts(options, env);

  if (options.history || options.show || options.trace || options.report) {
    return ReadHistory(options, env, services.history);
  }

  ServiceCode = kora::kServiceCodeText;
  const BuiltJobs built = BuildUploadJobs({options.powerOnFile, options.autoSelectFile});
  if (built.refusal) {
    // Shown as the window program shows it, with the file in the port's place.
    ProgressConsole(*env.err, {}, false)
        .Message(built.refusal->file, built.refusal->caption, built.refusal->text);
    if (options.json) *env.out << JsonSummary({}, built.refusal);
    return kExitRefused;
  }

  std::vector<std::string> ports = options.ports;
  if (ports.empty()) {
    const std::string saved = SavedPort();
    if (!saved.empty()) ports.push_back(saved);
  }
  if (ports.empty() && !options.dryRun) {
    return UsageError(env, "No port: give --port PATH, or choose a port on KORApc's Settings tab.",
                      options.json);
  }
  // Two workers on one device would each take the other's echoes; the
  // second would only fail as "in use", after the first had begun.
  if (const std::optional<SameDevice> same = FindSameDevice(ports)) {
    return UsageError(env,
                      "The ports " + ports[same->first] + " and " + ports[same->again] +
                          " are the same device; give each instrument once.",
                      options.json);
  }
  // "DELAY" and "ECHOGRACE" are read once, for every port alike.
  LinkSettings pace = ReadLinkSettings(GetSettingsFilePath(), "");
  if (options.commandDelay) pace.commandDelay = *options.commandDelay;
  const int commandDelay = pace.commandDelay;

  std::vector<Rehearsal> rehearsals;
  for (const UploadJob& job : built.jobs) rehearsals.push_back(Rehearse(job.plan, commandDelay));
  if (options.dryRun) {
    PrintDryRun(built.jobs, rehearsals, ports, options, env);
    return kExitProgrammed;
  }

  // The record is opened (when it is opened on first use) before the
  // progress lines are drawn, so that a message from opening it stands alone.
  services.history.Count();
  const std::vector<PortReport> reports =
      ProgramPorts(ports, pace, built.jobs, rehearsals, env, services);
  std::ostream& summary = options.json ? *env.err : *env.out;
  for (const PortReport& report : reports) summary << SummaryLine(report) << "\n";
  if (options.json) *env.out << JsonSummary(reports, std::nullopt);
  summary.flush();
  env.out->flush();
  return ExitStatus(reports);
}
