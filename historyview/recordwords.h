// RecordWords: one recorded upload in the words of the pages - the power-on
// option names and value texts, the auto selections' slots, names and key
// names - and what differs between it and a page's values. What the History
// tab, the printed report and Compare show. No Qt.
//
// Every text returned is UTF-8: the pages' Windows-1252 texts (option names,
// value texts, key names, auto-selection names, messages) are converted, the
// names the system gave (user, host, paths, adapter) are taken as they are.
// The blank padding of option names, value texts and key names is trimmed.
#pragma once

#include <string>
#include <vector>

#include "autoselect/tautoselect.h"
#include "history/uploadrecord.h"
#include "poweron/tpoweron.h"

// One labelled fact of a record, e.g. {"Result", "programmed"}.
struct RecordField {
  std::string label;
  std::string value;

  bool operator==(const RecordField&) const = default;
};

// The record's facts in this order: "Date and time" (UTC, as "2026-12-09
// 15:41:58 UTC"), "By" ("user on host"), "Program" (its version), "Port",
// "Stable name" (only where there is one), "Adapter" ("unknown" when none),
// "Programmed" ("Power-on values" or "Auto selections"), "Source file" (only
// where there is one), "Data SHA-256", "DELAY" ("10 ms"), "Result" (the
// result word, then ": " and the message for a failure), "Commands" ("20 of
// 20"), "Late answers", "Slowest answer" ("14 ms"), "Characters sent again",
// "Duration" ("8.531 s"). A link figure or duration that is not known reads
// "not known".
std::vector<RecordField> RecordSummary(const UploadRecord& record);

// The data as sent, one line each: for power-on values "Option name: value
// text" for the twenty options in order (a value outside its list reads as
// the page shows it, "invalid value N"); for auto selections, per slot,
// "AUTO n  NAME" and then, indented, the key names joined by ", " (or "(no
// keys)").
std::vector<std::string> RecordDataLines(const UploadStart& start);

// The recorded power-on values as the page holds them.
TPowerOn RecordedPowerOn(const UploadStart& start);
// The recorded auto selections as the page holds them, in slot order.
AutoSelectList RecordedAutoSelections(const UploadStart& start);

// What differs between the record's data and a page's values, one line per
// difference, empty when they agree:
//   power-on: "Option name: page value text; uploaded value text"
//   auto selections: "AUTO n name: page NAME; uploaded NAME" and
//   "AUTO n keys: page key, key; uploaded key, key"; a slot only one side has
//   reads "AUTO n: only on the page" or "AUTO n: only in the upload".
// An empty list means the page holds what was uploaded.
std::vector<std::string> PowerOnDifferences(const UploadStart& start, const TPowerOn& page);
std::vector<std::string> AutoSelectionDifferences(const UploadStart& start,
                                                  const AutoSelectList& page);

// What the History tab's list shows of the record's instrument: the port,
// and the adapter in brackets where it is known.
std::string RecordInstrumentText(const UploadRecord& record);
// "Power-on values" or "Auto selections".
std::string RecordWhatText(UploadWhat what);
// The start time as "2026-12-09 15:41:58 UTC" (seconds, without the
// milliseconds); the stored text unchanged when it is not in ISO 8601 form.
std::string RecordTimeText(const std::string& started);
