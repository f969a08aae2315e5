// What korapc-program prints of the programming record: --history, --show ID
// and --trace ID.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

class HistoryStore;

// --history: one line per upload, newest first, at most limit of them:
//   "12  2026-12-09T15:41:58.123Z  /dev/ttyUSB0 (FTDI FT232R USB UART, serial
//    A10K3B2Q (0403:6001))  power-on  programmed  20/20"
// and after a failure "  - " and its message on one line. With json, one
// compact JSON array of objects, each with id, started, port, adapter (null,
// or vendor, model, serialNumber, vendorId, productId), what, result,
// message (null when none), done and total, and a newline. An empty history
// prints nothing (json: "[]").
void PrintHistory(HistoryStore& store, bool json, std::ostream& out, std::size_t limit = SIZE_MAX);

// --show ID: the upload in words, or as one JSON object with json: the
// fields of --history's objects and user, host, version, stablePort (null
// when none), durationMs (null while unended), commandDelayMs, echoGraceMs,
// sourceFile (null when none), sha256, link (lateAnswers, slowestAnswerMs,
// charactersResent, serviceModeAnswerMs; null where not known), and the
// values sent: powerOn as [{option, name, value, text}] or autoSelections as
// [{slot, name, codes, keys}]. Returns
// false, printing nothing, when there is no such upload.
bool PrintUpload(HistoryStore& store, std::int64_t id, bool json, std::ostream& out);

// --trace ID: the trace as history/tracetext.h writes it. Returns false,
// printing nothing, when there is no such upload.
bool PrintTrace(HistoryStore& store, std::int64_t id, std::ostream& out);
