// The command line of korapc-program.
#pragma once

#include <optional>
#include <string>
#include <vector>

// The word that names the file kept in the data folder instead of a path.
inline constexpr const char* kSavedFileWord = "saved";

struct ProgramOptions {
  std::vector<std::string> ports;             // --port, in the order given; none: COMPORT
  std::optional<std::string> powerOnFile;     // --power-on: a path or "saved"
  std::optional<std::string> autoSelectFile;  // --auto-selections: a path or "saved"
  std::optional<int> commandDelay;            // --delay, ms, 0 .. 1000
  bool dryRun = false;
  bool listPorts = false;
  bool json = false;
  bool help = false;
  bool version = false;
};

struct ParsedOptions {
  // With an error, only json is to be relied on: whether --json was given.
  ProgramOptions options;
  // Empty when the command line is sound; otherwise one line saying what is
  // wrong with it, in the user's words (no "Try --help" hint).
  std::string error;
};

// Parses the arguments after the program name. --help and --version need
// nothing else; --list-ports needs no file; everything else needs at least
// one of --power-on and --auto-selections. A --delay that is not a whole
// number from 0 to 1000, an empty or repeated --port, or an argument that is
// no option, is an error.
ParsedOptions ParseProgramOptions(const std::vector<std::string>& args);

// What --help prints: usage, every option, exit status. Ends in a newline.
std::string ProgramHelpText();

// What --version prints, e.g. "korapc-program (KORApc) 1.0.0\n".
std::string ProgramVersionText();
