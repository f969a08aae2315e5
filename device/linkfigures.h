// LinkFigures: how the line behaved during one upload - how often and how
// late the instrument answered, and how often a character went again - for
// the technician who has to judge a slow adapter or a busy PC.
#pragma once

struct LinkFigures {
  // Answers that were not there when the link looked after the command delay
  // and came while it listened on (the echo grace).
  int lateAnswers = 0;
  // The slowest answer of a memory write command, in ms: an answer there at
  // the first look counts as the command delay; a late one as the time from
  // the send of its character until it came. 0 before the first answer.
  int slowestAnswerMs = 0;
  // Characters sent again because no answer came in the delay and the grace.
  int charactersSentAgain = 0;
  // How long the service-mode answer took, in ms from the send of the last
  // byte of the request (an answer there at the first look counts as the
  // 10 ms after that byte); -1 when no answer came or none was asked for.
  int serviceAnswerMs = -1;
};
