#include "cli/progressconsole.h"

#include <algorithm>
#include <cstdio>

#include "cli/rehearsal.h"
#include "common/cp1252.h"

namespace {

// m:ss, rounded up so that a running upload never reads 0:00.
std::string MinutesSeconds(int ms) {
  const int seconds = (std::max(ms, 0) + 999) / 1000;
  char text[16];
  std::snprintf(text, sizeof text, "%d:%02d", seconds / 60, seconds % 60);
  return text;
}

std::string Padded(const std::string& text, std::size_t width) {
  return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

// At most columns characters of UTF-8 text, so that a line never wraps and
// the cursor can go back over the lines exactly.
std::string Clipped(const std::string& line, int columns) {
  int seen = 0;
  for (std::size_t i = 0; i < line.size(); ++i) {
    if ((static_cast<unsigned char>(line[i]) & 0xC0) == 0x80) continue;  // inside a character
    if (seen++ == columns) return line.substr(0, i);
  }
  return line;
}

}  // namespace

ProgressConsole::ProgressConsole(std::ostream& out, std::vector<std::string> ports, bool live,
                                 int width, Now now)
    : out_(out), live_(live), width_(std::max(width, 20)), now_(now) {
  for (std::string& name : ports) {
    nameWidth_ = std::max(nameWidth_, name.size());
    PortState port;
    port.name = std::move(name);
    port.state = "waiting";
    ports_.push_back(std::move(port));
  }
  const std::lock_guard lock(mutex_);
  if (live_) Draw();
}

std::string ProgressConsole::ProgressLine(const std::string& port, std::size_t nameWidth,
                                          const std::string& upload, int steps, int maximum,
                                          int msLeft) {
  return Padded(port, nameWidth) + "  " + upload + "  " + std::to_string(steps) + "/" +
         std::to_string(maximum) + "  " + MinutesSeconds(msLeft) + " left";
}

std::string ProgressConsole::FoldLines(const std::string& text) {
  std::string folded;
  bool pendingBlank = false;
  for (const char c : text) {
    if (c == '\n' || c == '\r') {
      pendingBlank = !folded.empty();
      continue;
    }
    if (pendingBlank && folded.back() != ' ' && c != ' ') folded += ' ';
    pendingBlank = false;
    folded += c;
  }
  while (!folded.empty() && folded.back() == ' ') folded.pop_back();
  const auto first = folded.find_first_not_of(' ');
  return Cp1252ToUtf8(first == std::string::npos ? std::string() : folded.substr(first));
}

std::string ProgressConsole::LineOf(const PortState& port) const {
  if (port.rehearsal == nullptr) return Padded(port.name, nameWidth_) + "  " + port.state;
  const auto elapsed =
      std::chrono::duration_cast<std::chrono::milliseconds>(now_() - port.started).count();
  return ProgressLine(port.name, nameWidth_, port.upload, port.steps, port.maximum,
                      RemainingMs(*port.rehearsal, port.steps, static_cast<int>(elapsed)));
}

void ProgressConsole::Draw() {
  std::string block;
  if (drawn_) block += "\x1b[" + std::to_string(ports_.size()) + "A";
  for (const PortState& port : ports_)
    block += "\r\x1b[2K" + Clipped(LineOf(port), width_ - 1) + "\n";
  out_ << block << std::flush;
  drawn_ = true;
}

void ProgressConsole::Above(const std::string& line) {
  if (!live_) {
    out_ << line << "\n" << std::flush;
    return;
  }
  // Up over the port lines, clear them, print the line, and draw them again
  // below it.
  out_ << "\x1b[" << ports_.size() << "A\r\x1b[J" << line << "\n";
  drawn_ = false;
  Draw();
}

void ProgressConsole::UploadStarted(std::size_t index, const std::string& name,
                                    const Rehearsal& rehearsal, int maximum) {
  const std::lock_guard lock(mutex_);
  PortState& port = ports_.at(index);
  port.upload = name;
  port.rehearsal = &rehearsal;
  port.steps = 0;
  port.maximum = maximum;
  port.started = now_();
  if (live_) {
    Draw();
  } else {
    out_ << port.name << ": " << name << ": 0/" << maximum << ", about "
         << MinutesSeconds(rehearsal.totalMs) << "\n"
         << std::flush;
  }
}

void ProgressConsole::Stepped(std::size_t index, int steps) {
  const std::lock_guard lock(mutex_);
  ports_.at(index).steps = steps;
}

void ProgressConsole::UploadEnded(std::size_t index, const UploadResult& result) {
  const std::lock_guard lock(mutex_);
  PortState& port = ports_.at(index);
  const std::string outcome = std::to_string(result.stepsDone) + "/" +
                              std::to_string(result.maximum) +
                              (result.completed ? " done" : " failed");
  port.rehearsal = nullptr;
  port.state = port.upload + "  " + outcome;
  if (live_) {
    Draw();
  } else {
    out_ << port.name << ": " << port.upload << ": " << outcome << "\n" << std::flush;
  }
}

void ProgressConsole::PortFinished(std::size_t index, const std::string& state) {
  const std::lock_guard lock(mutex_);
  PortState& port = ports_.at(index);
  port.rehearsal = nullptr;
  port.state = state;
  if (live_) Draw();
}

void ProgressConsole::Message(const std::string& where, const std::string& caption,
                              const std::string& text) {
  const std::lock_guard lock(mutex_);
  Above(where + ": " + Cp1252ToUtf8(caption) + ": " + FoldLines(text));
}

void ProgressConsole::Note(const std::string& line) {
  const std::lock_guard lock(mutex_);
  Above(line);
}

void ProgressConsole::Refresh() {
  const std::lock_guard lock(mutex_);
  if (live_) Draw();
}
