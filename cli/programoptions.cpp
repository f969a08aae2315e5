#include "cli/programoptions.h"

#include <QCommandLineParser>
#include <QStringList>
#include <cctype>
#include <exception>
#include <string>

#include "device/koracomm.h"

#ifndef KORAPC_VERSION
#error "KORAPC_VERSION must name the program's version"
#endif

namespace {

QString Local(const std::string& text) { return QString::fromLocal8Bit(text.c_str()); }
std::string Local(const QString& text) { return text.toLocal8Bit().toStdString(); }

}  // namespace

ParsedOptions ParseProgramOptions(const std::vector<std::string>& args) {
  QCommandLineParser parser;
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  const QCommandLineOption port("port", "", "PATH");
  const QCommandLineOption powerOn("power-on", "", "FILE");
  const QCommandLineOption autoSelections("auto-selections", "", "FILE");
  const QCommandLineOption delay("delay", "", "MS");
  const QCommandLineOption dryRun("dry-run");
  const QCommandLineOption listPorts("list-ports");
  const QCommandLineOption json("json");
  const QCommandLineOption help(QStringList{"h", "help"});
  const QCommandLineOption version("version");
  const QCommandLineOption history("history");
  const QCommandLineOption show("show", "", "ID");
  const QCommandLineOption trace("trace", "", "ID");
  const QCommandLineOption report("report", "", "ID");
  const QCommandLineOption output("output", "", "FILE");
  parser.addOptions({port, powerOn, autoSelections, delay, dryRun, listPorts, json, help, version,
                     history, show, trace, report, output});

  QStringList arguments{"korapc-program"};
  for (const std::string& arg : args) arguments << Local(arg);

  ParsedOptions parsed;
  ProgramOptions& o = parsed.options;
  // The parser reads every argument even past an error, so --json is known
  // for the error's own report too.
  const bool parsedAll = parser.parse(arguments);
  o.json = parser.isSet(json);
  if (!parsedAll) {
    parsed.error = Local(parser.errorText());
    return parsed;
  }
  o.help = parser.isSet(help);
  o.version = parser.isSet(version);
  if (o.help || o.version) return parsed;

  if (!parser.positionalArguments().isEmpty()) {
    parsed.error = "Unexpected argument '" + Local(parser.positionalArguments().front()) + "'.";
    return parsed;
  }
  for (const QString& value : parser.values(port)) {
    const std::string name = Local(value);
    if (name.empty()) {
      parsed.error = "--port needs the path of a serial device, e.g. /dev/ttyUSB0.";
      return parsed;
    }
    for (const std::string& earlier : o.ports) {
      if (earlier == name) {
        parsed.error = "The port " + name + " is given twice.";
        return parsed;
      }
    }
    o.ports.push_back(name);
  }
  // A repeated file option would leave one of the two files unsent.
  const auto single = [&](const QCommandLineOption& option, const char* name,
                          std::optional<std::string>& target) {
    const QStringList values = parser.values(option);
    if (values.size() > 1) {
      parsed.error = std::string(name) + " is given more than once.";
      return false;
    }
    if (!values.isEmpty()) target = Local(values.front());
    if (target && target->empty()) {
      parsed.error = std::string(name) + (option.names().front() == "output"
                                              ? " needs a file."
                                              : " needs a file, or the word saved.");
      return false;
    }
    return true;
  };
  std::optional<std::string> delayText;
  if (!single(powerOn, "--power-on", o.powerOnFile) ||
      !single(autoSelections, "--auto-selections", o.autoSelectFile) ||
      !single(delay, "--delay", delayText)) {
    return parsed;
  }
  if (delayText) {
    std::size_t used = 0;
    int ms = -1;
    try {
      ms = std::stoi(*delayText, &used);
    } catch (const std::exception&) {
      used = 0;
    }
    if (used != delayText->size() || ms < 0 || ms > TKORAComm::kMaxCommandDelay ||
        !std::isdigit(static_cast<unsigned char>(delayText->front()))) {
      parsed.error = "--delay needs a whole number of milliseconds from 0 to " +
                     std::to_string(TKORAComm::kMaxCommandDelay) + ", not '" + *delayText + "'.";
      return parsed;
    }
    o.commandDelay = ms;
  }
  o.dryRun = parser.isSet(dryRun);
  o.listPorts = parser.isSet(listPorts);
  o.history = parser.isSet(history);
  const auto recordId = [&](const QCommandLineOption& option, const char* name,
                            std::optional<std::int64_t>& target) {
    const QStringList values = parser.values(option);
    if (values.isEmpty()) return true;
    bool ok = false;
    const qlonglong id = values.front().toLongLong(&ok);
    if (values.size() > 1 || !ok || id < 1 || !values.front().front().isDigit()) {
      parsed.error = std::string(name) + " needs one upload number from --history, not '" +
                     Local(values.join(' ')) + "'.";
      return false;
    }
    target = id;
    return true;
  };
  if (!recordId(show, "--show", o.show) || !recordId(trace, "--trace", o.trace) ||
      !recordId(report, "--report", o.report) || !single(output, "--output", o.output)) {
    return parsed;
  }
  const int reading = int{o.history} + int{o.show.has_value()} + int{o.trace.has_value()} +
                      int{o.report.has_value()};
  if (reading > 1) {
    parsed.error = "Give one of --history, --show, --trace and --report at a time.";
    return parsed;
  }
  if (o.report.has_value() != o.output.has_value()) {
    parsed.error = "--report ID needs --output FILE.pdf, and --output belongs to --report.";
    return parsed;
  }
  if (reading == 1) {
    if (o.powerOnFile || o.autoSelectFile || !o.ports.empty() || o.dryRun || o.listPorts) {
      parsed.error =
          "--history, --show, --trace and --report send nothing; give no port or file with them.";
    }
    return parsed;
  }
  if (!o.listPorts && !o.powerOnFile && !o.autoSelectFile) {
    parsed.error = "Nothing to send: give --power-on FILE, --auto-selections FILE, or both.";
  }
  return parsed;
}

std::string ProgramHelpText() {
  return "Usage: korapc-program [--port PATH]... [--power-on FILE] [--auto-selections FILE]\n"
         "                      [--delay MS] [--dry-run] [--json]\n"
         "       korapc-program --list-ports [--json]\n"
         "       korapc-program --history [--json] | --show ID [--json] | --trace ID\n"
         "       korapc-program --report ID --output FILE.pdf\n"
         "Programs one or more KORA-1 patient simulators, each on its own serial port, all at\n"
         "once: the power-on values first, then the auto selections, as the buttons \"Set Power\n"
         "On Values\" and \"Set Auto Selections\" of KORApc do.\n"
         "\n"
         "  --port PATH             a serial port with a KORA-1 on it, as /dev/ttyUSB0 or by\n"
         "                          its adapter's /dev/serial/by-id/ name; repeat it for\n"
         "                          more instruments. Without it, the port chosen in KORApc\n"
         "                          (COMPORT in korapc.ini).\n"
         "  --power-on FILE         send the twenty power-on values of FILE (poweron.dat\n"
         "                          format); the word saved takes KORApc's own poweron.dat\n"
         "  --auto-selections FILE  send the ten auto selections of FILE (an .asl file);\n"
         "                          the word saved takes KORApc's own autoselect.asl\n"
         "  --delay MS              wait MS milliseconds after each character (0 to 1000)\n"
         "                          instead of DELAY from korapc.ini (default 10); a late\n"
         "                          answer is awaited up to ECHOGRACE ms (default 200)\n"
         "  --dry-run               print the commands each upload would send, one per line,\n"
         "                          and open no port\n"
         "  --list-ports            print the ports KORApc's Settings tab offers\n"
         "  --history               print every upload KORApc and korapc-program made, one\n"
         "                          line each, newest first\n"
         "  --show ID               print upload ID of --history: where, when, by whom, the\n"
         "                          values sent and how it ended\n"
         "  --trace ID              print every byte upload ID sent and received, with times\n"
         "  --report ID             write upload ID's one-page report to --output FILE.pdf\n"
         "  --json                  print a machine-readable summary on standard output\n"
         "  -h, --help              print this help and exit\n"
         "  --version               print the version and exit\n"
         "\n"
         "Every file is checked before any port is opened. Progress goes to standard error,\n"
         "live on a terminal; each message KORApc would show in a box is one line there, and\n"
         "one summary line per port goes to standard output. Ctrl+C lets every port finish\n"
         "the upload it is in, sends nothing more, and reports. Every upload is recorded in\n"
         "history.sqlite in $XDG_STATE_HOME/Quorvel/KORApc/ (~/.local/state/Quorvel/KORApc/).\n"
         "\n"
         "Exit status: 0 every port was programmed; 1 a port failed or was stopped;\n"
         "2 bad usage or a file to refuse, and nothing was sent.\n";
}

std::string ProgramVersionText() {
  return std::string("korapc-program (KORApc) ") + KORAPC_VERSION + "\n";
}
