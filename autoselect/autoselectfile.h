// Reading and writing whole .asl files: ten 64-byte records, one per auto
// selection, no header (see TAutoSelect::ReadFrom / WriteTo for a record).
#pragma once

#include <string>

#include "autoselect/tautoselect.h"

class MessageSink;

// Open: reads the file a user picked. All AutoSelectCount records are
// required; bytes after them are ignored. Returns 0 after replacing the whole
// of list. Returns -1 after showing "An error occurred while opening the
// file." ("Error Opening File") or "An error occurred while reading the
// file." ("Error Reading File") through sink, with list untouched.
[[nodiscard]] int OpenAutoSelectFile(const std::string& path, AutoSelectList& list,
                                     MessageSink& sink);

// Reads the default file at start-up; never reports anything. When the file
// cannot be opened list becomes AutoSelectCount empty entries; otherwise it
// becomes the complete records at the start of the file, at most
// AutoSelectCount of them (a 200-byte file gives three, an empty file none).
void LoadDefaultAutoSelectFile(const std::string& path, AutoSelectList& list);

// Save: writes every entry of list, in order, as one record each (a ten-entry
// list gives 640 bytes). The file is replaced as a whole, so a failed write
// leaves the previous file exactly as it was. Returns 0 once the file is on
// disk. Returns -1 after showing through sink "An error occurred while opening
// the file." ("Error Opening File") when the file or its folder cannot be
// written, or "An error occurred while writing the file." ("Error Writing
// File") when writing the bytes failed (a full disk ...).
[[nodiscard]] int SaveAutoSelectFile(const std::string& path, const AutoSelectList& list,
                                     MessageSink& sink);

// Writes the default file at shutdown like SaveAutoSelectFile, but shows
// nothing. Returns 0 on success, -1 on failure (previous file kept).
[[nodiscard]] int SaveDefaultAutoSelectFile(const std::string& path, const AutoSelectList& list);
