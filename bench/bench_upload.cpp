// Uploads into the virtual KORA-1 through the real serial port, timed against
// the protocol's own floor (the sum of its specified waits).
//
// Prints one line per upload:
//   <upload>: wall <ms> ms, floor <ms> ms, ratio <r>, cpu <percent>%
// Targets: ratio at most 1.03, cpu under 3 % (the waits must be sleeps).
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "common/messagesink.h"
#include "common/programstrings.h"
#include "autoselect/autoselectupload.h"
#include "autoselect/tautoselect.h"
#include "device/koracomm.h"
#include "device/progresssink.h"
#include "common/systemclock.h"
#include "poweron/poweronupload.h"
#include "poweron/tpoweron.h"

extern char** environ;

namespace {

using SteadyClock = std::chrono::steady_clock;

class PrintingSink : public MessageSink {
 public:
  void ShowMessage(const std::string& text, const std::string& caption, MessageIcon) override {
    std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
    ++count;
  }
  int count = 0;
};

class NoProgress : public ProgressSink {
 public:
  void StepProgress() override {}
};

// The virtual KORA-1 on a link of its own, logging to a file.
class VirtualKora {
 public:
  explicit VirtualKora(const std::string& folder) : link_(folder + "/ttyKORA1"), log_(folder + "/log.txt") {
    std::vector<std::string> args = {VIRTUALKORA_PATH, "--link", link_};
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (posix_spawn(&pid_, VIRTUALKORA_PATH, &actions, nullptr, argv.data(), environ) != 0) {
      std::fprintf(stderr, "cannot start %s\n", VIRTUALKORA_PATH);
      std::exit(1);
    }
    posix_spawn_file_actions_destroy(&actions);
    struct stat st{};
    for (int i = 0; i < 500 && ::stat(link_.c_str(), &st) != 0; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  ~VirtualKora() {
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
  }
  const std::string& Link() const { return link_; }

  // The memory write commands logged so far ("command N: TEXT -> V").
  std::vector<std::string> Commands() const {
    std::vector<std::string> commands;
    std::ifstream in(log_);
    for (std::string line; std::getline(in, line);) {
      const auto colon = line.find(": ");
      const auto arrow = line.rfind(" -> ");
      if (line.rfind("command ", 0) == 0 && colon != std::string::npos && arrow != std::string::npos) {
        commands.push_back(line.substr(colon + 2, arrow - colon - 2));
      }
    }
    return commands;
  }

 private:
  std::string link_;
  std::string log_;
  pid_t pid_ = -1;
};

double CpuSeconds() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The specified waits of one upload with the default command delay of 10 ms:
// 10 ms after each of the 12 service-request bytes (the answer is there at the
// first poll), 10 ms after each command character and 20 ms after its final
// R, and 10 ms after the closing X.
int FloorMs(const std::vector<std::string>& commands) {
  int floor = 12 * 10 + 10;
  for (const std::string& command : commands) {
    floor += static_cast<int>(command.size() - 1) * 10 + 20;
  }
  return floor;
}

// One upload as the pages run it, timed.
template <typename WriteData>
void Measure(const char* name, WriteData writeData) {
  char folderTemplate[] = "/tmp/bench-upload-XXXXXX";
  const std::string folder = ::mkdtemp(folderTemplate);
  {
    VirtualKora kora(folder);
    LinkSettings settings;  // "DELAY" at its default
    settings.portName = kora.Link();
    settings.serviceCode = kora::kServiceCodeText;
    PrintingSink sink;
    SystemClock clock;

    const double cpuStart = CpuSeconds();
    const auto wallStart = SteadyClock::now();
    {
      TKORAComm link(settings, sink, clock);
      bool ok = link.OpenPort() == 0 && link.EnterServiceMode() == 0 && writeData(link) == 0;
      if (ok) {
        link.ExitServiceMode();
        link.ClosePort();
      }
      if (!ok || sink.count != 0) std::fprintf(stderr, "%s: the upload failed\n", name);
    }
    const double wallMs =
        std::chrono::duration<double, std::milli>(SteadyClock::now() - wallStart).count();
    const double cpuMs = (CpuSeconds() - cpuStart) * 1000.0;

    const int floor = FloorMs(kora.Commands());
    std::printf("%s: wall %.0f ms, floor %d ms, ratio %.3f, cpu %.2f%%\n", name, wallMs, floor,
                wallMs / floor, 100.0 * cpuMs / wallMs);
  }
  std::string remove = "rm -rf " + folder;
  if (std::system(remove.c_str()) != 0) std::fprintf(stderr, "cannot remove %s\n", folder.c_str());
}

}  // namespace

int main() {
  Measure("power-on defaults", [](TKORAComm& link) {
    TPowerOn values;
    values.SetDefaults();
    NoProgress progress;
    return WritePowerOnValues(values, link, progress);
  });

  // Ten full slots at 512..911, written as the page writes them.
  Measure("auto selections", [](TKORAComm& link) {
    AutoSelectList list(AutoSelectCount);
    for (int slot = 0; slot < AutoSelectCount; ++slot) {
      TAutoSelect& entry = list[static_cast<std::size_t>(slot)];
      entry.SetName("AUTO SETUP " + std::to_string(slot + 1));
      for (int key = 0; key < static_cast<int>(MaxAutoSelectKeys); ++key) {
        entry.AddKey(1 + (slot * 53 + key * 37) % 511);
      }
    }
    NoProgress progress;
    return WriteAutoSelections(list, link, progress);
  });
  return 0;
}
