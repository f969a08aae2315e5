// What korapc-program shows while it works, on standard error: a progress
// line per port, and every message the window program would show in a box as
// one line. Safe to call from every port's worker at once.
#pragma once

#include <chrono>
#include <cstddef>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "device/uploadsequence.h"

struct Rehearsal;

class ProgressConsole {
 public:
  using Now = std::chrono::steady_clock::time_point (*)();

  // out: where everything goes; not owned, must outlive the console.
  // ports: the port names, one line each, in this order.
  // live: a terminal of `width` columns; each port's line is redrawn in place
  // (Refresh) and a message is printed above the lines. Otherwise a port's
  // line is printed only when an upload starts and when it ends.
  ProgressConsole(std::ostream& out, std::vector<std::string> ports, bool live, int width = 80,
                  Now now = &std::chrono::steady_clock::now);

  // Port index begins the upload called name, whose rehearsal gives its
  // steps and time; rehearsal must outlive the upload.
  void UploadStarted(std::size_t index, const std::string& name, const Rehearsal& rehearsal,
                     int maximum);
  // Steps done so far in port index's upload.
  void Stepped(std::size_t index, int steps);
  // Port index's upload ended as result says.
  void UploadEnded(std::size_t index, const UploadResult& result);
  // Port index has nothing more to do; state is its last word, e.g. "programmed".
  void PortFinished(std::size_t index, const std::string& state);

  // One message box as one line: "where: caption: text", the line breaks of
  // text folded into blanks. caption and text are Windows-1252.
  void Message(const std::string& where, const std::string& caption, const std::string& text);
  // A line of the program's own (UTF-8), e.g. that it is stopping.
  void Note(const std::string& line);

  // Redraws the lines with the time left as of now; nothing when not live.
  void Refresh();

  // The line of one port, as drawn: name padded to nameWidth, the upload,
  // steps out of maximum, and the time left in m:ss.
  static std::string ProgressLine(const std::string& port, std::size_t nameWidth,
                                  const std::string& upload, int steps, int maximum, int msLeft);
  // text (Windows-1252) as one UTF-8 line: every run of line breaks becomes
  // one blank, and blanks at either end go.
  static std::string FoldLines(const std::string& text);

 private:
  struct PortState {
    std::string name;
    std::string upload;
    const Rehearsal* rehearsal = nullptr;
    int steps = 0;
    int maximum = 0;
    std::chrono::steady_clock::time_point started{};
    std::string state;  // set when there is no upload running: waiting, done, programmed ...
  };

  std::string LineOf(const PortState& port) const;  // with the mutex held
  void Draw();                                      // with the mutex held, live only
  void Above(const std::string& line);              // with the mutex held

  std::mutex mutex_;
  std::ostream& out_;
  std::vector<PortState> ports_;
  bool live_;
  int width_;
  Now now_;
  std::size_t nameWidth_ = 0;
  bool drawn_ = false;
};
