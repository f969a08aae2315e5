// What SQLite's own check says of a database file, read without the store
// under test.
#pragma once

#include <string>

// The first line of PRAGMA integrity_check on the file at path, opened read
// only: "ok" for an intact database; "cannot open" when it does not open.
std::string IntegrityOf(const std::string& path);
