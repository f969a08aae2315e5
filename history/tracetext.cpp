#include "history/tracetext.h"

#include <cstdio>

std::string TraceText(const UploadTrace& trace) {
  std::string text;
  text.reserve(trace.size() * 32);
  for (const TraceByte& b : trace) {
    char line[64];
    const char* direction = b.direction == TraceDirection::Sent ? "PC>KORA" : "KORA>PC";
    const long long seconds = b.micros / 1000000;
    const long long micros = (b.micros % 1000000 + 1000000) % 1000000;
    if (b.secret) {
      std::snprintf(line, sizeof line, "%4lld.%06lld s  %s  **  *\n", seconds, micros, direction);
    } else {
      const char shown = b.byte >= 32 && b.byte <= 126 ? static_cast<char>(b.byte) : '.';
      std::snprintf(line, sizeof line, "%4lld.%06lld s  %s  %02X  %c\n", seconds, micros, direction,
                    static_cast<unsigned>(b.byte), shown);
    }
    text += line;
  }
  return text;
}
