// The power-on part of an upload: what is checked before the port is opened
// and what is written once the instrument is in service mode. The window
// program and korapc-program both upload through PowerOnUploadPlan.
#pragma once

#include <functional>
#include <string>

#include "device/uploadsequence.h"
#include "poweron/tpoweron.h"

class MessageSink;
class ProgressSink;
class TKORAComm;

// Texts of the power-on upload.
inline constexpr const char* kPowerOnProgressText = "Sending Power On Values...";
inline constexpr const char* kPowerOnNoticeCaption = "Power On Settings";
inline constexpr int kPowerOnProgressMaximum = PowerOnOptionCount;

// Writes the twenty values in option order, each as one command "A" address
// "D" value "R" to the option's address, the value in signed decimal, and
// steps progress after each accepted write. Stops at the first failure (the
// link has shown it) and returns -1; the options after it are not written.
// Returns 0 when all twenty were accepted. link must be in service mode.
[[nodiscard]] int WritePowerOnValues(const TPowerOn& values, TKORAComm& link,
                                     ProgressSink& progress);

// The upload of values: "Sending Power On Values...", 20 steps, the notice
// captioned "Power On Settings", and WritePowerOnValues on a copy of values.
// Check the values with FirstInvalidPowerOnOption first. The plan's record
// holds the twenty values, sourceFile (the file they came from; "" for none)
// and the SHA-256 of the values as poweron.dat would hold them.
UploadPlan PowerOnUploadPlan(const TPowerOn& values, const std::string& sourceFile = "");

// The message shown instead of an upload when option's value is not one of
// its list, naming the option and the value.
std::string InvalidPowerOnValueMessage(const TPowerOn& values, int option);

// Shows InvalidPowerOnValueMessage for option through sink, captioned
// "Power On Settings", with the exclamation icon.
void ShowPowerOnRefusal(const TPowerOn& values, int option, MessageSink& sink);

// Refuse or run the upload of values, as "Set Power On Values" and
// korapc-program both do. When an option's value is outside its list,
// refused (unless empty) gets that option first, so that a page can point at
// it, then ShowPowerOnRefusal shows it through sink, and run is not called.
// Otherwise run gets PowerOnUploadPlan(values, sourceFile) and nothing is
// shown. Returns true when run was called.
bool RefuseOrRunPowerOnUpload(const TPowerOn& values, const std::string& sourceFile,
                              MessageSink& sink, const std::function<void(int option)>& refused,
                              const std::function<void(const UploadPlan&)>& run);
