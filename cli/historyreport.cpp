#include "cli/historyreport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include "catalogue/keycatalogue.h"
#include "common/cp1252.h"
#include "history/historystore.h"
#include "history/portidentity.h"
#include "history/tracetext.h"
#include "poweron/poweronoptions.h"

namespace {

// Texts of the instrument's tables and messages are Windows-1252; the
// system's names came as UTF-8.
QString FromCp1252(const std::string& text) { return QString::fromStdString(Cp1252ToUtf8(text)); }
QString FromSystem(const std::string& text) { return QString::fromUtf8(text.c_str()); }
std::string Trimmed(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

QJsonValue OrNull(const std::string& text, bool cp1252 = false) {
  if (text.empty()) return QJsonValue::Null;
  return cp1252 ? FromCp1252(text) : FromSystem(text);
}
QJsonValue OrNull(int value) {
  return value < 0 ? QJsonValue(QJsonValue::Null) : QJsonValue(value);
}

QJsonObject ToJson(const UploadRecord& r, bool data) {
  const UploadStart& s = r.start;
  QJsonObject o{
      {"id", static_cast<qint64>(r.id)},
      {"started", FromSystem(s.started)},
      {"user", FromSystem(s.user)},
      {"host", FromSystem(s.host)},
      {"version", FromSystem(s.version)},
      {"port", FromSystem(s.port.chosen)},
      {"stablePort", OrNull(s.port.stable)},
      {"what", UploadWhatText(s.what)},
      {"result", UploadOutcomeText(r.end.result)},
      {"message", OrNull(r.end.message, true)},
      {"done", r.end.done},
      {"total", r.end.total},
      {"durationMs", r.ended ? QJsonValue(static_cast<qint64>(r.end.durationMs)) : QJsonValue()},
      {"commandDelayMs", s.commandDelayMs},
      {"echoGraceMs", s.echoGraceMs},
      {"sourceFile", OrNull(s.sourceFile)},
      {"sha256", FromSystem(s.dataSha256)},
      {"link", QJsonObject{{"lateAnswers", OrNull(r.end.link.lateAnswers)},
                           {"slowestAnswerMs", OrNull(r.end.link.slowestAnswerMs)},
                           {"charactersResent", OrNull(r.end.link.charactersResent)},
                           {"serviceModeAnswerMs", OrNull(r.end.link.serviceModeAnswerMs)}}}};
  if (s.port.adapter) {
    const PortAdapter& a = *s.port.adapter;
    o["adapter"] = QJsonObject{{"vendor", FromSystem(a.vendor)},
                               {"model", FromSystem(a.model)},
                               {"serialNumber", FromSystem(a.serialNumber)},
                               {"vendorId", FromSystem(a.vendorId)},
                               {"productId", FromSystem(a.productId)}};
  } else {
    o["adapter"] = QJsonValue::Null;
  }
  if (!data) return o;
  if (s.what == UploadWhat::PowerOn) {
    QJsonArray values;
    for (int option = 0; option < PowerOnOptionCount; ++option) {
      const int value = s.powerOn[static_cast<std::size_t>(option)];
      values.append(QJsonObject{{"option", option},
                                {"name", FromCp1252(Trimmed(PowerOnOptionName(option)))},
                                {"value", value},
                                {"text", FromCp1252(Trimmed(PowerOnValueText(option, value)))}});
    }
    o["powerOn"] = values;
  } else {
    QJsonArray entries;
    for (std::size_t i = 0; i < s.autoSelections.size(); ++i) {
      const AutoSelectionEntry& entry = s.autoSelections[i];
      QJsonArray codes;
      QJsonArray keys;
      for (const std::int32_t code : entry.codes) {
        codes.append(code);
        keys.append(FromCp1252(Trimmed(KeyName(code))));
      }
      entries.append(QJsonObject{{"slot", static_cast<int>(i + 1)},
                                 {"name", FromCp1252(entry.name)},
                                 {"codes", codes},
                                 {"keys", keys}});
    }
    o["autoSelections"] = entries;
  }
  return o;
}

std::string Compact(const QJsonDocument& document) {
  return document.toJson(QJsonDocument::Compact).toStdString();
}

std::string PortText(const UploadPort& port) {
  std::string text = port.chosen;
  const std::string adapter = AdapterText(port.adapter);
  if (!adapter.empty()) text += " (" + adapter + ")";
  return text;
}

std::string FigureText(int value, const char* unit = "") {
  return value < 0 ? std::string("not known") : std::to_string(value) + unit;
}

std::string Utf8(const std::string& cp1252) { return Cp1252ToUtf8(cp1252); }

}  // namespace

void PrintHistory(HistoryStore& store, bool json, std::ostream& out, std::size_t limit) {
  const std::vector<UploadRecord> records = store.List(limit);
  if (json) {
    QJsonArray list;
    for (const UploadRecord& r : records) list.append(ToJson(r, false));
    out << Compact(QJsonDocument(list)) << "\n";
    return;
  }
  for (const UploadRecord& r : records) {
    out << r.id << "  " << r.start.started << "  " << PortText(r.start.port) << "  "
        << UploadWhatText(r.start.what) << "  " << UploadOutcomeText(r.end.result);
    if (r.ended) out << "  " << r.end.done << "/" << r.end.total;
    if (!r.end.message.empty()) {
      std::string message = Utf8(r.end.message);
      for (char& c : message) {
        if (c == '\n' || c == '\r') c = ' ';
      }
      out << "  - " << message;
    }
    out << "\n";
  }
}

bool PrintUpload(HistoryStore& store, std::int64_t id, bool json, std::ostream& out) {
  const std::optional<UploadRecord> found = store.Get(id);
  if (!found) return false;
  const UploadRecord& r = *found;
  if (json) {
    out << Compact(QJsonDocument(ToJson(r, true))) << "\n";
    return true;
  }
  const UploadStart& s = r.start;
  out << "Upload " << r.id << "\n"
      << "  Started:      " << s.started << "\n"
      << "  By:           " << s.user << " on " << s.host << ", KORApc " << s.version << "\n"
      << "  Port:         " << s.port.chosen << "\n";
  if (!s.port.stable.empty() && s.port.stable != s.port.chosen)
    out << "  Stable name:  " << s.port.stable << "\n";
  out << "  Adapter:      "
      << (s.port.adapter ? AdapterText(s.port.adapter) : std::string("not known")) << "\n"
      << "  What:         " << UploadWhatText(s.what) << "\n"
      << "  Source file:  " << (s.sourceFile.empty() ? std::string("none") : s.sourceFile) << "\n"
      << "  SHA-256:      " << s.dataSha256 << "\n"
      << "  DELAY:        " << s.commandDelayMs << " ms\n"
      << "  ECHOGRACE:    " << s.echoGraceMs << " ms\n"
      << "  Result:       " << UploadOutcomeText(r.end.result) << "\n";
  if (!r.end.message.empty()) out << "  Message:      " << Utf8(r.end.message) << "\n";
  if (r.ended) {
    out << "  Commands:     " << r.end.done << " of " << r.end.total << "\n"
        << "  Took:         " << r.end.durationMs << " ms\n"
        << "  Late answers: " << FigureText(r.end.link.lateAnswers) << "\n"
        << "  Slowest answer: " << FigureText(r.end.link.slowestAnswerMs, " ms") << "\n"
        << "  Characters sent again: " << FigureText(r.end.link.charactersResent) << "\n"
        << "  Service mode answered in: " << FigureText(r.end.link.serviceModeAnswerMs, " ms")
        << "\n";
  }
  if (s.what == UploadWhat::PowerOn) {
    out << "Power-on values:\n";
    for (int option = 0; option < PowerOnOptionCount; ++option) {
      const int value = s.powerOn[static_cast<std::size_t>(option)];
      const std::string text = Trimmed(PowerOnValueText(option, value));
      out << "  " << Utf8(Trimmed(PowerOnOptionName(option))) << ": "
          << (text.empty() ? "invalid value " + std::to_string(value) : Utf8(text)) << "\n";
    }
  } else {
    out << "Auto selections:\n";
    for (std::size_t i = 0; i < s.autoSelections.size(); ++i) {
      const AutoSelectionEntry& entry = s.autoSelections[i];
      out << "  AUTO" << i + 1 << " \"" << Utf8(entry.name) << "\":";
      for (std::size_t k = 0; k < entry.codes.size(); ++k) {
        out << (k ? ", " : " ") << Utf8(Trimmed(KeyName(entry.codes[k])));
      }
      out << "\n";
    }
  }
  return true;
}

bool PrintTrace(HistoryStore& store, std::int64_t id, std::ostream& out) {
  if (!store.Get(id)) return false;
  out << TraceText(store.Trace(id));
  return true;
}
