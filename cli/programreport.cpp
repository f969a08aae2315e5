#include "cli/programreport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <algorithm>

#include "cli/progressconsole.h"
#include "common/cp1252.h"

namespace {

QString FromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
QString FromCp1252(const std::string& text) { return FromUtf8(Cp1252ToUtf8(text)); }

std::string ResultWord(const PortReport& report) {
  if (report.Programmed()) return "programmed";
  return report.stopped ? "stopped" : "failed";
}

QJsonValue Message(const std::string& caption, const std::string& text) {
  if (caption.empty() && text.empty()) return QJsonValue::Null;
  return QJsonObject{{"caption", FromCp1252(caption)}, {"text", FromCp1252(text)}};
}

QJsonValue Figures(const UploadReport& upload) {
  if (!upload.sent) return QJsonValue::Null;
  const LinkFigures& f = upload.result.link;
  return QJsonObject{{"answersAfterDelay", f.lateAnswers},
                     {"slowestAnswerMs", f.slowestAnswerMs},
                     {"charactersSentAgain", f.charactersSentAgain},
                     {"serviceAnswerMs", f.serviceAnswerMs < 0 ? QJsonValue(QJsonValue::Null)
                                                               : QJsonValue(f.serviceAnswerMs)}};
}

// "; link: ..." for the uploads sent to the port, or nothing when none was.
std::string FiguresText(const PortReport& report) {
  LinkFigures all;
  bool any = false;
  for (const UploadReport& u : report.uploads) {
    if (!u.sent) continue;
    any = true;
    const LinkFigures& f = u.result.link;
    all.lateAnswers += f.lateAnswers;
    all.slowestAnswerMs = std::max(all.slowestAnswerMs, f.slowestAnswerMs);
    all.charactersSentAgain += f.charactersSentAgain;
    all.serviceAnswerMs = std::max(all.serviceAnswerMs, f.serviceAnswerMs);
  }
  if (!any) return {};
  const auto count = [](int n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
  };
  return "; link: " + count(all.lateAnswers, "answer", "answers") + " after DELAY, slowest " +
         std::to_string(all.slowestAnswerMs) + " ms, " +
         count(all.charactersSentAgain, "character", "characters") + " sent again, " +
         (all.serviceAnswerMs < 0
              ? std::string("no service-mode answer")
              : "service-mode answer " + std::to_string(all.serviceAnswerMs) + " ms");
}

}  // namespace

int ExitStatus(const std::vector<PortReport>& reports) {
  const bool all =
      !reports.empty() && std::all_of(reports.begin(), reports.end(),
                                      [](const PortReport& r) { return r.Programmed(); });
  return all ? kExitProgrammed : kExitFailed;
}

std::string SummaryLine(const PortReport& report) {
  std::string line = report.port + ": ";
  const auto names = [&](bool completed) {
    std::string list;
    for (const UploadReport& u : report.uploads) {
      if ((u.sent && u.result.completed) != completed) continue;
      list += (list.empty() ? "" : ", ") + u.name;
    }
    return list;
  };
  if (report.Programmed()) return line + "programmed: " + names(true) + FiguresText(report);
  if (report.stopped) {
    const std::string done = names(true);
    return line + "stopped: " + (done.empty() ? std::string() : done + " programmed; ") +
           names(false) + " not sent" + FiguresText(report);
  }
  for (const UploadReport& u : report.uploads) {
    if (!u.sent || u.result.completed) continue;
    line += "failed in " + u.name + " at " + std::to_string(u.result.stepsDone) + "/" +
            std::to_string(u.result.maximum);
    break;
  }
  if (!report.failureText.empty()) {
    line += ": " + Cp1252ToUtf8(report.failureCaption) + ": " +
            ProgressConsole::FoldLines(report.failureText);
  }
  return line + FiguresText(report);
}

std::string JsonSummary(const std::vector<PortReport>& reports,
                        const std::optional<FileRefusal>& refusal) {
  QJsonArray ports;
  for (const PortReport& report : reports) {
    QJsonArray uploads;
    for (const UploadReport& u : report.uploads) {
      uploads.append(QJsonObject{{"upload", FromUtf8(u.name)},
                                 {"sent", u.sent},
                                 {"completed", u.result.completed},
                                 {"steps", u.result.stepsDone},
                                 {"maximum", u.result.maximum},
                                 {"link", Figures(u)}});
    }
    ports.append(QJsonObject{{"port", QString::fromLocal8Bit(report.port.c_str())},
                             {"result", FromUtf8(ResultWord(report))},
                             {"message", Message(report.failureCaption, report.failureText)},
                             {"uploads", uploads}});
  }
  QJsonObject summary{{"ports", ports}};
  if (refusal) {
    summary["exitStatus"] = kExitRefused;
    summary["refused"] = QJsonObject{{"file", QString::fromLocal8Bit(refusal->file.c_str())},
                                     {"caption", FromCp1252(refusal->caption)},
                                     {"text", FromCp1252(refusal->text)}};
  } else {
    summary["exitStatus"] = ExitStatus(reports);
  }
  return QJsonDocument(summary).toJson(QJsonDocument::Compact).toStdString() + "\n";
}

std::string JsonUsageError(const std::string& error) {
  const QJsonObject report{{"error", QString::fromLocal8Bit(error.c_str())},
                           {"exitStatus", kExitRefused}};
  return QJsonDocument(report).toJson(QJsonDocument::Compact).toStdString() + "\n";
}
