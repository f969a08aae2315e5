#include "poweron/poweronupload.h"

#include "history/datadigest.h"

#include "common/messagesink.h"
#include "device/koracomm.h"
#include "device/progresssink.h"

int WritePowerOnValues(const TPowerOn& values, TKORAComm& link, ProgressSink& progress) {
  for (int option = 0; option < PowerOnOptionCount; ++option) {
    const std::string valueText = std::to_string(values.GetValue(option));
    if (link.WriteValue(PowerOnOptionAddress(option), valueText) != 0) return -1;
    progress.StepProgress();
  }
  return 0;
}

std::string InvalidPowerOnValueMessage(const TPowerOn& values, int option) {
  return "The power-on value of \"" + PowerOnOptionName(option) + "\" is invalid (" +
         std::to_string(values.GetValue(option)) +
         ").\n\nChoose a value for it with Edit Power On Value, then send the values again.";
}

UploadPlan PowerOnUploadPlan(const TPowerOn& values, const std::string& sourceFile) {
  UploadPlan plan;
  plan.record.what = UploadWhat::PowerOn;
  std::string fileBytes;  // as poweron.dat holds them
  for (int option = 0; option < PowerOnOptionCount; ++option) {
    plan.record.powerOn[static_cast<std::size_t>(option)] = values.GetValue(option);
    fileBytes += std::to_string(values.GetValue(option)) + "\r\n";
  }
  plan.record.sourceFile = sourceFile;
  plan.record.dataSha256 = DataSha256(fileBytes);
  plan.progressText = kPowerOnProgressText;
  plan.progressMaximum = kPowerOnProgressMaximum;
  plan.noticeCaption = kPowerOnNoticeCaption;
  plan.writeData = [values](TKORAComm& link, ProgressSink& progress) {
    return WritePowerOnValues(values, link, progress);
  };
  return plan;
}

void ShowPowerOnRefusal(const TPowerOn& values, int option, MessageSink& sink) {
  sink.ShowMessage(InvalidPowerOnValueMessage(values, option), kPowerOnNoticeCaption,
                   MessageIcon::Exclamation);
}

bool RefuseOrRunPowerOnUpload(const TPowerOn& values, const std::string& sourceFile,
                              MessageSink& sink, const std::function<void(int option)>& refused,
                              const std::function<void(const UploadPlan&)>& run) {
  // A value the instrument's own list does not have would be stored as a
  // meaningless index, so it is refused before the port is even opened.
  if (const int invalid = FirstInvalidPowerOnOption(values); invalid >= 0) {
    if (refused) refused(invalid);
    ShowPowerOnRefusal(values, invalid, sink);
    return false;
  }
  run(PowerOnUploadPlan(values, sourceFile));
  return true;
}
