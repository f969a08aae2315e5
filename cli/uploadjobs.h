// The uploads korapc-program sends to every port, built from the files on
// its command line and checked before any port is opened.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "device/uploadsequence.h"

class MessageSink;

struct UploadJob {
  std::string name;  // "power-on values" or "auto selections", for progress and reports
  UploadPlan plan;
};

// Where the files come from: a path, or kSavedFileWord for the file KORApc
// keeps in its data folder (GetPowerOnFilePath, GetAutoSelectFilePath).
struct UploadFiles {
  std::optional<std::string> powerOn;
  std::optional<std::string> autoSelect;
};

// A message that refused the files, with the file it is about.
struct FileRefusal {
  std::string file;     // the path as given, or the data folder's file for "saved"
  std::string caption;  // Windows-1252, as the window program shows it
  std::string text;
};

// The uploads in the order a user clicks them: the power-on values, then the
// auto selections. Refused, with nothing built:
//  - a power-on file that cannot be opened ("Error Opening File") or holds a
//    line that is not a value ("Error Reading File");
//  - a power-on value outside its option's list, with the power-on page's
//    message;
//  - an .asl file that the page's Open rejects, with Open's message, and a
//    pipe or device in its place ("Error Opening File"); the saved file is
//    read as the page reads it at start (its complete records), but must
//    exist and hold at least one record;
//  - a key code outside 1..511, with the auto-selection page's message.
// Returns the jobs, or the first refusal.
struct BuiltJobs {
  std::vector<UploadJob> jobs;
  std::optional<FileRefusal> refusal;
};
BuiltJobs BuildUploadJobs(const UploadFiles& files);

// The name of each upload.
inline constexpr const char* kPowerOnJobName = "power-on values";
inline constexpr const char* kAutoSelectJobName = "auto selections";
