// Where KORApc keeps its files, the program's fixed strings, and the two
// process-wide values that the main window publishes for the device link.
#pragma once

#include <string>

namespace kora {

// The program's string resources 1001 to 1006.
inline constexpr const char* kVendorName = "Quorvel";            // 1001
inline constexpr const char* kProductName = "KORApc";            // 1002
inline constexpr const char* kSettingsFileName = "korapc.ini";   // 1003
inline constexpr const char* kAutoSelectFileName = "autoselect.asl";  // 1004
inline constexpr const char* kPowerOnFileName = "poweron.dat";   // 1005
inline constexpr const char* kServiceCodeText = "5173920468";    // 1006

// The name of the virtual KORA-1's link in the runtime folder.
inline constexpr const char* kVirtualKoraLinkName = "ttyKORA1";

}  // namespace kora

// Device name of the chosen serial port, for example /dev/ttyUSB0. Empty at
// start; set by the main window whenever the user picks a port. The device
// link reads it anew at the start of every upload.
extern std::string ChosenComPort;

// The instrument's ten-digit service-mode code. Empty at start; set once by
// the main window's constructor.
extern std::string ServiceCode;

// The folder of the running executable, ending in '/'. Falls back to the
// current folder ("./") when /proc/self/exe cannot be read.
std::string GetExeFolder();

// The per-user data folder, ending in '/': $XDG_CONFIG_HOME/Quorvel/KORApc/,
// or ~/.config/Quorvel/KORApc/ when XDG_CONFIG_HOME is unset or empty. The
// folder is created with its parents if missing; a failure to create it is not
// reported and the path is returned all the same. When neither variable gives
// a folder, GetExeFolder() is returned. Nothing is cached.
std::string GetDataFolder();

// The user's private folder for files of a running session (the virtual
// KORA-1's link and log), ending in '/'. It is $XDG_RUNTIME_DIR when that is an
// absolute path naming a real folder (not a symbolic link) owned by this user
// with mode 0700. Otherwise it is korapc-<uid>/ in $TMPDIR (when absolute) or
// /tmp, created with mode 0700 when missing. A fallback folder that exists but
// is a symbolic link, belongs to someone else or is open to others could hold
// what another user planted, so it is not used: the result is then empty.
// Nothing is cached.
std::string GetRuntimeFolder();

// GetRuntimeFolder() followed by "ttyKORA1": where the virtual KORA-1 links its
// pseudo-terminal and where the port list looks for it. Empty when there is no
// private runtime folder.
std::string GetVirtualKoraLinkPath();

// GetDataFolder() followed by "korapc.ini", "autoselect.asl" or "poweron.dat".
std::string GetSettingsFilePath();
std::string GetAutoSelectFilePath();
std::string GetPowerOnFilePath();
