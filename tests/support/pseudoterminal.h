// A pseudo-terminal for one test: the terminal end is a real /dev/pts/N
// device, held open through the master until the object goes.
#pragma once

#include <string>

class PseudoTerminal {
 public:
  // Throws std::runtime_error when no pseudo-terminal can be had.
  PseudoTerminal();
  ~PseudoTerminal();
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  // The terminal end, e.g. /dev/pts/3.
  const std::string& Path() const { return path_; }

 private:
  int master_ = -1;
  std::string path_;
};
