#include "autoselect/autoselectfile.h"

#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "common/messagesink.h"
#include "common/replacefile.h"

namespace {

constexpr const char* kOpenErrorText = "An error occurred while opening the file.";
constexpr const char* kOpenErrorCaption = "Error Opening File";
constexpr const char* kReadErrorText = "An error occurred while reading the file.";
constexpr const char* kReadErrorCaption = "Error Reading File";
constexpr const char* kWriteErrorText = "An error occurred while writing the file.";
constexpr const char* kWriteErrorCaption = "Error Writing File";

std::streamoff RecordOffset(std::size_t index) {
  return static_cast<std::streamoff>(index * AutoSelectRecordSize);
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A symbolic link is written through to its target, as writing the file in
// place would do, instead of being replaced by a plain file.
std::string WriteTarget(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  char resolved[PATH_MAX];
  return ::realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : path;
}

enum class WriteResult { Written, CannotOpen, WriteFailed };

WriteResult WriteRecords(const std::string& path, const AutoSelectList& list) {
  std::ostringstream bytes(std::ios::binary);
  for (std::size_t i = 0; i < list.size(); ++i) list[i].WriteTo(bytes, RecordOffset(i));
  if (!bytes) return WriteResult::WriteFailed;

  const std::string target = WriteTarget(path);
  // The file is replaced by a rename, which a write-protected file in a
  // writable folder would not stop; refuse it as opening it would have.
  if (IsFolder(target) ||
      (::access(target.c_str(), F_OK) == 0 && ::access(target.c_str(), W_OK) != 0)) {
    return WriteResult::CannotOpen;
  }
  if (ReplaceFileContents(target, bytes.view())) return WriteResult::Written;
  switch (errno) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
    case EIO:
      return WriteResult::WriteFailed;
    default:
      return WriteResult::CannotOpen;
  }
}

}  // namespace

int OpenAutoSelectFile(const std::string& path, AutoSelectList& list, MessageSink& sink) {
  std::ifstream stream;
  if (!IsFolder(path)) stream.open(path, std::ios::binary);
  if (!stream.is_open()) {
    sink.ShowMessage(kOpenErrorText, kOpenErrorCaption, MessageIcon::Stop);
    return -1;
  }
  // Built aside so that a short or damaged file changes nothing.
  AutoSelectList loaded(static_cast<std::size_t>(AutoSelectCount));
  for (std::size_t i = 0; i < loaded.size(); ++i) {
    if (loaded[i].ReadFrom(stream, RecordOffset(i)) != 0) {
      sink.ShowMessage(kReadErrorText, kReadErrorCaption, MessageIcon::Stop);
      return -1;
    }
  }
  list = std::move(loaded);
  return 0;
}

void LoadDefaultAutoSelectFile(const std::string& path, AutoSelectList& list) {
  list.clear();
  std::ifstream stream;
  if (!IsFolder(path)) stream.open(path, std::ios::binary);
  if (!stream.is_open()) {
    list.resize(static_cast<std::size_t>(AutoSelectCount));
    return;
  }
  for (std::size_t i = 0; i < static_cast<std::size_t>(AutoSelectCount); ++i) {
    TAutoSelect entry;
    // Only the complete records at the start count: after a short one every
    // later record is short too.
    if (entry.ReadFrom(stream, RecordOffset(i)) != 0) break;
    list.push_back(std::move(entry));
  }
}

int SaveAutoSelectFile(const std::string& path, const AutoSelectList& list, MessageSink& sink) {
  switch (WriteRecords(path, list)) {
    case WriteResult::Written:
      return 0;
    case WriteResult::CannotOpen:
      sink.ShowMessage(kOpenErrorText, kOpenErrorCaption, MessageIcon::Stop);
      return -1;
    case WriteResult::WriteFailed:
      sink.ShowMessage(kWriteErrorText, kWriteErrorCaption, MessageIcon::Stop);
      return -1;
  }
  return -1;
}

int SaveDefaultAutoSelectFile(const std::string& path, const AutoSelectList& list) {
  return WriteRecords(path, list) == WriteResult::Written ? 0 : -1;
}
