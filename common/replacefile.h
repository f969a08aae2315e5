// Writing a file so that an interrupted write never loses its old contents,
// and clearing away what such an interruption leaves behind.
#pragma once

#include <sys/types.h>
#include <string>
#include <string_view>

// Writes bytes to a new temporary file in the folder of path, flushes it to
// the disk, and renames it over path. On success path holds exactly bytes and
// the function returns true. On any failure (the folder cannot be written, the
// disk is full, ...) the temporary file is removed, path is left exactly as it
// was, errno describes the failure and the function returns false.
// A new file gets mode 0666 less the umask; an existing file keeps its mode.
//
// The temporary is hidden and named after path and the writing process (see
// TemporaryTemplate), and it is locked (flock) while it is written, so that
// RemoveStaleTemporaries can tell it from one a killed process left behind.
[[nodiscard]] bool ReplaceFileContents(const std::string& path, std::string_view bytes);

// The mkstemp template of the temporary that process pid writes for path:
// "<folder>/.<name>.korapc-tmp-<pid>-XXXXXX", with <name> shortened when the
// whole would be longer than a file name may be.
std::string TemporaryTemplate(const std::string& path, pid_t pid);

// Removes from folder the temporaries that a KORApc killed while saving left
// there: entries named as TemporaryTemplate makes them whose process no
// longer runs, that are plain files, and that nobody holds locked. The
// temporary of a KORApc that is writing at the same moment is never touched
// (its process runs, and it holds the lock). Symbolic links, folders and every
// other name are left alone. Returns how many were removed.
int RemoveStaleTemporaries(const std::string& folder);
