// Leaks on purpose. Run under LeakSanitizer this executable must exit with a
// leak report, so CTest expects it to fail; if it passes, the suppressions
// hide leaks of our own code.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>

namespace {

// Allocated and forgotten on a thread of its own: once that thread has ended
// no stack or register holds the address any more, so LeakSanitizer cannot
// take a stale copy of it for a live pointer.
__attribute__((noinline)) void ForgetABuffer() {
  char* buffer = new char[4000];
  std::memset(buffer, 'K', 4000);
}

TEST(LeakCanary, ABufferOfOurOwnIsLeaked) {
  std::thread leaker(ForgetABuffer);
  leaker.join();
}

}  // namespace
