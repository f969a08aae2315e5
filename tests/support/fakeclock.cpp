#include "support/fakeclock.h"

#include <numeric>

void FakeClock::Sleep(int ms) {
  sleeps.push_back(ms);
  if (onSleep) onSleep(ms);
}

void FakeClock::Pass(int ms) { waits.push_back(ms); }

int FakeClock::TotalMs() const {
  return std::accumulate(sleeps.begin(), sleeps.end(), 0) +
         std::accumulate(waits.begin(), waits.end(), 0);
}
