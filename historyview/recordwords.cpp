#include "historyview/recordwords.h"

#include <algorithm>
#include <cstdio>

#include "catalogue/keycatalogue.h"
#include "common/cp1252.h"
#include "history/portidentity.h"

namespace {

// Windows-1252 text of the tables or the pages, without its blank padding,
// as UTF-8.
std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return Cp1252ToUtf8(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

std::string Figure(int value, const char* unit) {
  if (value < 0) return "not known";
  return std::to_string(value) + unit;
}

std::string Seconds(std::int64_t ms) {
  if (ms < 0) return "not known";
  char text[32];
  std::snprintf(text, sizeof text, "%lld.%03lld s", static_cast<long long>(ms / 1000),
                static_cast<long long>(ms % 1000));
  return text;
}

std::string PowerOnText(const TPowerOn& values, int option) {
  return Trimmed(PowerOnValueCellText(values, option));
}

std::string KeyNames(const TAutoSelect& entry) {
  if (entry.KeyCount() == 0) return "(no keys)";
  std::string names;
  for (unsigned i = 0; i < entry.KeyCount(); ++i) {
    if (i > 0) names += ", ";
    names += Trimmed(KeyName(entry.KeyAt(i)));
  }
  return names;
}

std::string Slot(std::size_t index) { return "AUTO " + std::to_string(index + 1); }

}  // namespace

std::string RecordWhatText(UploadWhat what) {
  return what == UploadWhat::PowerOn ? "Power-on values" : "Auto selections";
}

std::string RecordTimeText(const std::string& started) {
  // "2026-12-09T15:41:58.123Z": the date, a T, the time to the second.
  if (started.size() < 19 || started[10] != 'T' || started.back() != 'Z') return started;
  return started.substr(0, 10) + " " + started.substr(11, 8) + " UTC";
}

std::string RecordInstrumentText(const UploadRecord& record) {
  const std::string adapter = AdapterText(record.start.port.adapter);
  return adapter.empty() ? record.start.port.chosen
                         : record.start.port.chosen + " (" + adapter + ")";
}

std::vector<RecordField> RecordSummary(const UploadRecord& record) {
  const UploadStart& start = record.start;
  const UploadEnd& end = record.end;
  std::vector<RecordField> fields;
  fields.push_back({"Date and time", RecordTimeText(start.started)});
  fields.push_back({"By", start.user + " on " + start.host});
  fields.push_back({"Program", "KORApc " + start.version});
  fields.push_back({"Port", start.port.chosen});
  if (!start.port.stable.empty()) fields.push_back({"Stable name", start.port.stable});
  const std::string adapter = AdapterText(start.port.adapter);
  fields.push_back({"Adapter", adapter.empty() ? "unknown" : adapter});
  fields.push_back({"Programmed", RecordWhatText(start.what)});
  if (!start.sourceFile.empty()) fields.push_back({"Source file", start.sourceFile});
  fields.push_back({"Data SHA-256", start.dataSha256});
  fields.push_back({"DELAY", std::to_string(start.commandDelayMs) + " ms"});
  std::string result = UploadOutcomeText(end.result);
  if (!end.message.empty()) result += ": " + Cp1252ToUtf8(end.message);
  fields.push_back({"Result", result});
  fields.push_back({"Commands", std::to_string(end.done) + " of " + std::to_string(end.total)});
  fields.push_back({"Late answers", Figure(end.link.lateAnswers, "")});
  fields.push_back({"Slowest answer", Figure(end.link.slowestAnswerMs, " ms")});
  fields.push_back({"Characters sent again", Figure(end.link.charactersResent, "")});
  fields.push_back({"Duration", Seconds(end.durationMs)});
  return fields;
}

TPowerOn RecordedPowerOn(const UploadStart& start) {
  TPowerOn values;
  for (int option = 0; option < PowerOnOptionCount; ++option) {
    values.SetValue(option, start.powerOn[static_cast<std::size_t>(option)]);
  }
  return values;
}

AutoSelectList RecordedAutoSelections(const UploadStart& start) {
  AutoSelectList list;
  for (const AutoSelectionEntry& recorded : start.autoSelections) {
    TAutoSelect entry;
    entry.SetName(recorded.name);
    for (const std::int32_t code : recorded.codes) {
      if (entry.AddKey(code) != 0) break;  // a record holds at most ten
    }
    list.push_back(entry);
  }
  return list;
}

std::vector<std::string> RecordDataLines(const UploadStart& start) {
  std::vector<std::string> lines;
  if (start.what == UploadWhat::PowerOn) {
    const TPowerOn values = RecordedPowerOn(start);
    for (int option = 0; option < PowerOnOptionCount; ++option) {
      lines.push_back(Trimmed(PowerOnOptionName(option)) + ": " + PowerOnText(values, option));
    }
    return lines;
  }
  const AutoSelectList list = RecordedAutoSelections(start);
  for (std::size_t i = 0; i < list.size(); ++i) {
    lines.push_back(Slot(i) + "  " + Cp1252ToUtf8(list[i].GetName()));
    lines.push_back("    " + KeyNames(list[i]));
  }
  return lines;
}

std::vector<std::string> PowerOnDifferences(const UploadStart& start, const TPowerOn& page) {
  std::vector<std::string> lines;
  const TPowerOn uploaded = RecordedPowerOn(start);
  for (int option = 0; option < PowerOnOptionCount; ++option) {
    if (page.GetValue(option) == uploaded.GetValue(option)) continue;
    lines.push_back(Trimmed(PowerOnOptionName(option)) + ": page " + PowerOnText(page, option) +
                    "; uploaded " + PowerOnText(uploaded, option));
  }
  return lines;
}

std::vector<std::string> AutoSelectionDifferences(const UploadStart& start,
                                                  const AutoSelectList& page) {
  std::vector<std::string> lines;
  const AutoSelectList uploaded = RecordedAutoSelections(start);
  for (std::size_t i = 0; i < std::max(page.size(), uploaded.size()); ++i) {
    if (i >= uploaded.size()) {
      lines.push_back(Slot(i) + ": only on the page");
    } else if (i >= page.size()) {
      lines.push_back(Slot(i) + ": only in the upload");
    } else {
      if (page[i].GetName() != uploaded[i].GetName()) {
        lines.push_back(Slot(i) + " name: page " + Cp1252ToUtf8(page[i].GetName()) + "; uploaded " +
                        Cp1252ToUtf8(uploaded[i].GetName()));
      }
      const std::string pageKeys = KeyNames(page[i]);
      const std::string uploadedKeys = KeyNames(uploaded[i]);
      // Compared by code: two reserved codes share the name "NO SELECTION".
      bool sameCodes = page[i].KeyCount() == uploaded[i].KeyCount();
      for (unsigned k = 0; sameCodes && k < page[i].KeyCount(); ++k) {
        sameCodes = page[i].KeyAt(k) == uploaded[i].KeyAt(k);
      }
      if (!sameCodes) {
        lines.push_back(Slot(i) + " keys: page " + pageKeys + "; uploaded " + uploadedKeys);
      }
    }
  }
  return lines;
}
