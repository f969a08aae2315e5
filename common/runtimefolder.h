// The user's private folder for the files of a running session, and the
// virtual KORA-1's link in it.
#pragma once

#include <string>

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
