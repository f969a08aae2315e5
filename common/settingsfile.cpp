#include "common/settingsfile.h"

// The file is single-byte text; no character-set conversion is wanted.
#define SI_NO_CONVERSION
#include <SimpleIni.h>

#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <charconv>
#include <climits>

#include "common/replacefile.h"

// CSimpleIniA compares section and key names without regard to case.
class SettingsIni {
 public:
  CSimpleIniA ini{/*a_bIsUtf8=*/false, /*a_bMultiKey=*/false, /*a_bMultiLine=*/false};
};

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

}  // namespace

SettingsFile::SettingsFile(std::string path)
    : path_(std::move(path)), ini_(std::make_unique<SettingsIni>()) {
  ini_->ini.SetSpaces(false);  // key=value, as the file has always been written
  // A missing or unreadable file reads as empty. Only a plain file is read:
  // a folder or a device in its place would read as nonsense, or block.
  struct stat st {};
  const bool exists = ::stat(path_.c_str(), &st) == 0;
  const SI_Error loaded =
      exists && S_ISREG(st.st_mode) ? ini_->ini.LoadFile(path_.c_str()) : SI_FILE;
  // Each write puts the whole file anew. Over a file that is there but could
  // not be read, that would keep only the keys written here and lose every
  // other one; over a write-protected file, the rename would get past its
  // protection. Such a file is left as it is.
  keep_ = exists && (loaded < 0 || ::access(path_.c_str(), W_OK) != 0);
}

SettingsFile::~SettingsFile() = default;

int SettingsFile::ReadInteger(const std::string& section, const std::string& key, int def) const {
  const char* raw = ini_->ini.GetValue(section.c_str(), key.c_str(), nullptr);
  if (raw == nullptr) return def;
  std::string_view text = Trim(raw);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  long long value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return def;
  if (value < INT_MIN || value > INT_MAX) return def;
  return static_cast<int>(value);
}

std::string SettingsFile::ReadString(const std::string& section, const std::string& key,
                                     const std::string& def) const {
  const char* raw = ini_->ini.GetValue(section.c_str(), key.c_str(), nullptr);
  return raw == nullptr ? def : std::string(Trim(raw));
}

bool SettingsFile::HasSection(const std::string& section) const {
  return ini_->ini.GetSection(section.c_str()) != nullptr;
}

bool SettingsFile::WriteInteger(const std::string& section, const std::string& key, int value) {
  return WriteString(section, key, std::to_string(value));
}

bool SettingsFile::WriteString(const std::string& section, const std::string& key,
                               const std::string& value) {
  ini_->ini.SetValue(section.c_str(), key.c_str(), value.c_str());
  return Save();
}

bool SettingsFile::Save() {
  if (keep_) {
    errno = EACCES;
    return false;
  }
  std::string text;
  if (ini_->ini.Save(text) < 0) return false;
  return ReplaceFileContents(path_, text);
}
