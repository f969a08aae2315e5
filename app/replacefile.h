// Writing a file so that an interrupted write never loses its old contents.
#pragma once

#include <string>
#include <string_view>

// Writes bytes to a new temporary file in the folder of path, flushes it to
// the disk, and renames it over path. On success path holds exactly bytes and
// the function returns true. On any failure (the folder cannot be written, the
// disk is full, ...) the temporary file is removed, path is left exactly as it
// was, errno describes the failure and the function returns false.
// A new file gets mode 0666 less the umask; an existing file keeps its mode.
bool ReplaceFileContents(const std::string& path, std::string_view bytes);
