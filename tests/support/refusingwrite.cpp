#include "support/refusingwrite.h"

ScriptedPort::Responder InstrumentRefusingWrite(int command, char status) {
  return [command, status, finals = 0,
          instrument = ScriptedPort::Instrument()](std::uint8_t c) mutable {
    // Only a write ends in "R": the service code is digits.
    if (c == 'R' && ++finals == command) return std::string(1, status);
    return instrument(c);
  };
}
