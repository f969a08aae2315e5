// A rehearsal of one upload: the upload sequence run against a stand-in
// port that answers as a sound instrument at once, with waits that are
// counted but not made. It yields the exact frames the upload sends and when
// each step falls, for --dry-run and for the time left.
#pragma once

#include <string>
#include <vector>

#include "device/uploadsequence.h"

struct Rehearsal {
  // Every frame in the order sent: "MS" and the service code, each memory
  // write command ("A512D65R"), and "X".
  std::vector<std::string> frames;
  // The protocol's own time in ms from the first byte to the end of each
  // step (stepEndsMs[k] for step k + 1), and to the end of the upload.
  std::vector<int> stepEndsMs;
  int totalMs = 0;
  // Anything the link showed besides the power-cycle notice; empty for every
  // plan this program builds.
  std::vector<std::string> problems;
};

// Runs plan with the given command delay (clamped as the link clamps it) and
// the current ServiceCode. Opens nothing and waits for nothing.
Rehearsal Rehearse(const UploadPlan& plan, int commandDelay);

// The time in ms still ahead once `steps` steps are done and `elapsedMs`
// have passed since the upload began: the rehearsed total less the time
// passed, stretched by how much slower than rehearsed the steps have come so
// far (an instrument that answers late, characters sent again); 0 at the end.
int RemainingMs(const Rehearsal& rehearsal, int steps, int elapsedMs);
