// The settings file korapc.ini: sections of name=value lines.
#pragma once

#include <memory>
#include <string>

class SettingsIni;

// One use of the settings file. The constructor reads the file at path (a
// missing or unreadable file reads as empty); the object is meant to live for
// one load or save and be released at once.
//
// Section and key names match whatever their case. Every write is on the disk
// when the call returns: the whole file is written anew beside the old one and
// renamed over it, so a crash or a full disk leaves the old file whole, and every
// other section and key is kept. The first write creates the file. A file that
// is there but cannot be read or written is never written over: every write
// then returns false and leaves it as it is.
class SettingsFile {
 public:
  explicit SettingsFile(std::string path);
  ~SettingsFile();
  SettingsFile(const SettingsFile&) = delete;
  SettingsFile& operator=(const SettingsFile&) = delete;

  // The key's value as a decimal integer (optional sign, blanks around it
  // ignored). A missing section or key, or a value that is not an integer in
  // the range of int, gives def.
  int ReadInteger(const std::string& section, const std::string& key, int def) const;

  // The key's value as stored (blanks around it trimmed), or def when the
  // section or key is missing.
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& def) const;

  // True when the file has the section, even one without keys.
  bool HasSection(const std::string& section) const;

  // Stores the value and writes the file. Returns false when the file could not
  // be written; the file on disk is then unchanged.
  bool WriteInteger(const std::string& section, const std::string& key, int value);
  bool WriteString(const std::string& section, const std::string& key, const std::string& value);

  const std::string& Path() const { return path_; }

 private:
  bool Save();

  std::string path_;
  std::unique_ptr<SettingsIni> ini_;
  bool keep_ = false;  // the file is there but was not read, or is write-protected
};
