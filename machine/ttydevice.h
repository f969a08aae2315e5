// Tests on device paths that decide which ports are offered. None of them
// opens the device: opening a serial port raises its DTR and RTS lines, which
// resets some attached equipment, and a port must not be disturbed only
// because a list was drawn.
#pragma once

#include <string>

namespace ttydevice {

// True when path, after following symbolic links, names a terminal: a
// character device of the kernel's tty class (looked up in sysfs through
// libudev by its device number) or a pseudo-terminal (/dev/pts/N). False for
// other character devices such as /dev/null, for files, and for missing paths.
bool IsTerminalDevice(const std::string& path);

// True when path names a pseudo-terminal's terminal end: a character device
// /dev/pts/N on a devpts file system, reached after following links.
bool IsPseudoTerminal(const std::string& path);

// True when path itself is a symbolic link owned by this user (effective uid)
// and it leads to a pseudo-terminal. This is what the virtual KORA-1 leaves.
bool IsOwnPseudoTerminalLink(const std::string& path);

// True when path itself is a symbolic link owned by neither this user nor
// root: someone else may have planted it to catch what is sent to it.
bool IsForeignLink(const std::string& path);

}  // namespace ttydevice
