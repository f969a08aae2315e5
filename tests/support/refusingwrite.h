// A scripted instrument that refuses one memory write.
#pragma once

#include "support/scriptedport.h"

// Answers as ScriptedPort::Instrument does, except that the final "R" of the
// command-th memory write (counted from 1) is answered with status instead of
// "V", as the instrument answers a write it could not store.
ScriptedPort::Responder InstrumentRefusingWrite(int command, char status);
