#include "support/writesplan.h"

#include "device/koracomm.h"
#include "device/progresssink.h"

UploadPlan WritesPlan(int first, int count, const std::string& value,
                      const std::string& progressText, const std::string& noticeCaption) {
  UploadPlan plan;
  plan.progressText = progressText;
  plan.progressMaximum = count;
  plan.noticeCaption = noticeCaption;
  plan.writeData = [first, count, value](TKORAComm& link, ProgressSink& progress) {
    for (int address = first; address < first + count; ++address) {
      if (link.WriteValue(address, value) != 0) return -1;
      progress.StepProgress();
    }
    return 0;
  };
  return plan;
}

std::string WritesCommands(int first, int count, const std::string& value) {
  std::string commands;
  for (int address = first; address < first + count; ++address) {
    commands += "A" + std::to_string(address) + "D" + value + "R";
  }
  return commands;
}
