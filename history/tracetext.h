// The wire trace as text, for support: what "Save Trace..." and
// korapc-program --trace write.
#pragma once

#include <string>

#include "history/uploadrecord.h"

// One line per byte, in order, each ending in '\n':
//   "   1.234567 s  PC>KORA  41  A"
//   "   1.245001 s  KORA>PC  56  V"
//   "   0.020000 s  PC>KORA  **  *"     (a service-code character)
// The time is seconds after the record began, to the microsecond, right-aligned
// in 11 columns; then the direction, the byte in two upper-case hex digits and
// the character itself when printable ASCII (32 to 126), else ".". "" for an
// empty trace.
std::string TraceText(const UploadTrace& trace);
