// What korapc-program reports at the end: a line per port, the exit status,
// and the summary for --json.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/portprogrammer.h"
#include "cli/uploadjobs.h"

// Exit statuses.
inline constexpr int kExitProgrammed = 0;  // every port was programmed
inline constexpr int kExitFailed = 1;      // a port failed, or was stopped before the end
inline constexpr int kExitRefused = 2;     // bad usage or a file to refuse; nothing was sent

// kExitProgrammed when every port was programmed, else kExitFailed.
int ExitStatus(const std::vector<PortReport>& reports);

// One line, UTF-8, e.g.
//   /dev/ttyUSB0: programmed: power-on values, auto selections; link: 2 answers after DELAY,
//     slowest 27 ms, 0 characters sent again, service-mode answer 10 ms
//   /dev/ttyUSB1: failed in power-on values at 4/20: KORA-1 Memory Error: Invalid data value! ...;
//     link: ...
//   /dev/ttyUSB2: stopped: power-on values programmed; auto selections not sent; link: ...
// The link figures are those of every upload sent to the port together (the
// counts added up, the slowest of the slowest answers and of the
// service-mode answers; "no service-mode answer" when none came); a port to
// which nothing was sent has none.
std::string SummaryLine(const PortReport& report);

// The --json summary of a run, one JSON object and a newline:
//   {"exitStatus": 1, "ports": [{"port": "/dev/ttyUSB0", "result": "programmed" | "failed" |
//    "stopped", "message": {"caption": ..., "text": ...} or null, "uploads": [{"upload":
//    "power-on values", "sent": true, "completed": true, "steps": 20, "maximum": 20,
//    "link": {"answersAfterDelay": 2, "slowestAnswerMs": 27, "charactersSentAgain": 0,
//    "serviceAnswerMs": 10 or null}}]}]}; "link" is null for an upload not sent.
// or, for files refused before anything was sent, {"exitStatus": 2, "refused": {"file": ...,
// "caption": ..., "text": ...}, "ports": []}. Texts keep their line breaks.
std::string JsonSummary(const std::vector<PortReport>& reports,
                        const std::optional<FileRefusal>& refusal);

// The --json report of a command line refused before anything was done (exit
// status 2), one JSON object and a newline: {"error": "...", "exitStatus": 2}.
// error: the usage error's line, in the locale's encoding.
std::string JsonUsageError(const std::string& error);
