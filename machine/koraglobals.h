// Where KORApc keeps its files, the program's fixed strings, and the two
// process-wide values that the main window publishes for the device link.
#pragma once

#include <string>

#include "common/programstrings.h"  // the fixed strings, re-exported
#include "common/runtimefolder.h"   // the runtime folder, re-exported
#include "device/linksettings.h"

// Device name of the chosen serial port, for example /dev/ttyUSB0. Empty at
// start; set by the main window whenever the user picks a port. Read anew,
// through CurrentLinkSettings, at the start of every upload.
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

// GetDataFolder() followed by "korapc.ini", "autoselect.asl" or "poweron.dat".
std::string GetSettingsFilePath();
std::string GetAutoSelectFilePath();
std::string GetPowerOnFilePath();

// What the next upload is to use: ChosenComPort, ServiceCode, and "DELAY" and
// "ECHOGRACE" of section "KORACOMM" as korapc.ini holds them now
// (ReadCommandDelay, ReadEchoGrace).
LinkSettings CurrentLinkSettings();
