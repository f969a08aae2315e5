#include "support/fakeclock.h"

#include <numeric>

void FakeClock::Sleep(int ms) {
  sleeps.push_back(ms);
  if (onSleep) onSleep(ms);
}

int FakeClock::TotalMs() const { return std::accumulate(sleeps.begin(), sleeps.end(), 0); }
