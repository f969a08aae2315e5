#include "cli/uploadjobs.h"

#include <sys/stat.h>
#include <filesystem>
#include <fstream>

#include "autoselect/autoselectfile.h"
#include "autoselect/autoselectupload.h"
#include "cli/programoptions.h"
#include "common/messagesink.h"
#include "machine/koraglobals.h"
#include "poweron/poweronupload.h"
#include "poweron/tpoweron.h"

namespace {

// The window program's words for a file that cannot be opened or read.
constexpr const char* kOpenErrorText = "An error occurred while opening the file.";
constexpr const char* kOpenErrorCaption = "Error Opening File";
constexpr const char* kReadErrorText = "An error occurred while reading the file.";
constexpr const char* kReadErrorCaption = "Error Reading File";

// Keeps the first message the file procedures and the refusals show.
class RefusalSink : public MessageSink {
 public:
  explicit RefusalSink(std::string file) : file_(std::move(file)) {}
  void ShowMessage(const std::string& text, const std::string& caption, MessageIcon) override {
    if (!refusal) refusal = FileRefusal{file_, caption, text};
  }
  std::optional<FileRefusal> refusal;

 private:
  std::string file_;
};

bool IsReadableFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
         std::ifstream(path, std::ios::binary).is_open();
}

// The file as the record names it, whatever the working folder was.
std::string AbsolutePath(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
  return ec ? path : absolute.lexically_normal().string();
}

std::string Resolve(const std::string& given, const std::string& saved) {
  return given == kSavedFileWord ? saved : given;
}

std::optional<FileRefusal> AddPowerOn(const std::string& path, std::vector<UploadJob>& jobs) {
  RefusalSink sink(path);
  if (!IsReadableFile(path)) {
    sink.ShowMessage(kOpenErrorText, kOpenErrorCaption, MessageIcon::Stop);
    return sink.refusal;
  }
  // Unlike the page at start, a bad file never turns into the factory
  // defaults here: the user asked for this file's values.
  TPowerOn values;
  if (values.LoadFile(path) != 0) {
    sink.ShowMessage(kReadErrorText, kReadErrorCaption, MessageIcon::Stop);
    return sink.refusal;
  }
  const auto add = [&jobs](const UploadPlan& plan) { jobs.push_back({kPowerOnJobName, plan}); };
  if (!RefuseOrRunPowerOnUpload(values, AbsolutePath(path), sink, {}, add)) return sink.refusal;
  return std::nullopt;
}

std::optional<FileRefusal> AddAutoSelections(const std::string& given,
                                             std::vector<UploadJob>& jobs) {
  const std::string path = Resolve(given, GetAutoSelectFilePath());
  RefusalSink sink(path);
  AutoSelectList list;
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
    // A pipe or a device would keep Open waiting for records that may never
    // come; nobody keeps auto selections in one.
    sink.ShowMessage(kOpenErrorText, kOpenErrorCaption, MessageIcon::Stop);
    return sink.refusal;
  }
  if (given != kSavedFileWord) {
    if (OpenAutoSelectFile(path, list, sink) != 0) return sink.refusal;
  } else if (!IsReadableFile(path)) {
    sink.ShowMessage(kOpenErrorText, kOpenErrorCaption, MessageIcon::Stop);
    return sink.refusal;
  } else {
    // As the page reads it: the complete records at its start. With none
    // there would be nothing but service mode to send.
    LoadDefaultAutoSelectFile(path, list);
    if (list.empty()) {
      sink.ShowMessage(kReadErrorText, kReadErrorCaption, MessageIcon::Stop);
      return sink.refusal;
    }
  }
  const auto add = [&jobs](const UploadPlan& plan) { jobs.push_back({kAutoSelectJobName, plan}); };
  if (!RefuseOrRunAutoSelectUpload(list, AbsolutePath(path), sink, {}, add)) return sink.refusal;
  return std::nullopt;
}

}  // namespace

BuiltJobs BuildUploadJobs(const UploadFiles& files) {
  BuiltJobs built;
  if (files.powerOn) {
    built.refusal = AddPowerOn(Resolve(*files.powerOn, GetPowerOnFilePath()), built.jobs);
  }
  if (!built.refusal && files.autoSelect)
    built.refusal = AddAutoSelections(*files.autoSelect, built.jobs);
  if (built.refusal) built.jobs.clear();
  return built;
}
