// korapc-program's power-on upload into four virtual KORA-1s at once, timed
// against the same upload into one alone. The ports run side by side, so the
// four should take the time of one; and since every wait is a sleep, each
// port should cost almost no processor time.
//
// Prints, for one port and for four (the median of a few alternating runs):
//   <ports>: wall <ms> ms, cpu <percent>% of the wall time per port
// and then:
//   ratio <four / one>, cpu per port <percent>%  (targets: ratio <= 1.1, cpu < 3 %)
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <spawn.h>
#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "support/tempdir.h"
#include "support/virtualkorahost.h"

extern char** environ;

namespace {

constexpr int kRounds = 3;

struct Timing {
  double wallMs = 0;
  double cpuMs = 0;  // the program's own, user and system
};

double Ms(const timeval& t) {
  return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_usec) / 1000.0;
}

// One run of korapc-program over the given instruments; exits on failure.
Timing Program(const std::vector<std::unique_ptr<VirtualKoraHost>>& hosts,
               const std::string& values) {
  std::vector<std::string> args = {KORAPC_PROGRAM_PATH, "--power-on", values};
  for (const auto& host : hosts) args.insert(args.end(), {"--port", host->LinkPath()});
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = -1;
  if (posix_spawn(&pid, KORAPC_PROGRAM_PATH, &actions, nullptr, argv.data(), environ) != 0) {
    std::fprintf(stderr, "cannot start %s\n", KORAPC_PROGRAM_PATH);
    std::exit(1);
  }
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  rusage usage{};
  ::wait4(pid, &status, 0, &usage);
  Timing timing;
  timing.wallMs =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  timing.cpuMs = Ms(usage.ru_utime) + Ms(usage.ru_stime);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "korapc-program failed with %zu port(s)\n", hosts.size());
    std::exit(1);
  }
  return timing;
}

Timing Median(std::vector<Timing> runs) {
  std::sort(runs.begin(), runs.end(),
            [](const Timing& a, const Timing& b) { return a.wallMs < b.wallMs; });
  return runs[runs.size() / 2];
}

void Print(std::size_t ports, const Timing& t) {
  std::printf("%zu port%s: wall %.0f ms, cpu %.2f%% of the wall time per port\n", ports,
              ports == 1 ? "" : "s", t.wallMs,
              100.0 * t.cpuMs / t.wallMs / static_cast<double>(ports));
}

}  // namespace

int main() {
  TempDir folder;
  ::setenv("XDG_CONFIG_HOME", folder.path().c_str(), 1);  // "DELAY" at its default
  ::setenv("KORAPC_VIRTUAL_KORA", VIRTUALKORA_PATH, 1);
  const std::string values = folder.File("poweron.dat");
  TempDir::WriteAll(
      values, "3\n3\n0\n1\n0\n2\n4\n9\n8\n0\n0\n2\n1\n1\n0\n0\n0\n0\n3\n4\n");  // factory defaults

  std::vector<std::unique_ptr<VirtualKoraHost>> one;
  std::vector<std::unique_ptr<VirtualKoraHost>> four;
  one.push_back(std::make_unique<VirtualKoraHost>());
  for (int i = 0; i < 4; ++i) four.push_back(std::make_unique<VirtualKoraHost>());

  std::vector<Timing> alone;
  std::vector<Timing> together;
  for (int round = 0; round < kRounds; ++round) {  // alternating, so that a busy spell hits both
    alone.push_back(Program(one, values));
    together.push_back(Program(four, values));
  }
  const Timing a = Median(alone);
  const Timing b = Median(together);
  Print(1, a);
  Print(4, b);
  std::printf("ratio %.3f, cpu per port %.2f%%  (targets: ratio <= 1.1, cpu < 3 %%)\n",
              b.wallMs / a.wallMs, 100.0 * b.cpuMs / b.wallMs / 4.0);
  return 0;
}
