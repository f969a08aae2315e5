// Telling a live process from one that is gone, across pid reuse and reboots.
#pragma once

#include "history/uploadrecord.h"

// This process: its pid, its start time from /proc/self/stat and the boot id.
// Fields that cannot be read are 0 or empty.
RecordingProcess CurrentProcess();

// True when process is still running: the same boot id, and a process with
// its pid whose start time is the same. A record whose fields could not be
// read (bootId empty) counts as running only on the pid and start time.
bool IsRunning(const RecordingProcess& process);
