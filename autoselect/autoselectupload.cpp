#include "autoselect/autoselectupload.h"

#include <sstream>

#include "history/datadigest.h"

#include <algorithm>

#include "catalogue/keycatalogue.h"
#include "common/messagesink.h"
#include "device/koracomm.h"
#include "device/progresssink.h"

static_assert(MaxAutoNameLength + 2 * MaxAutoSelectKeys == AutoSelectSlotSize);
static_assert(AutoSelectFirstAddress + AutoSelectCount * AutoSelectSlotSize == 912);
static_assert(MaxAutoNameLength + MaxAutoSelectKeys == AutoSelectStepsPerEntry);

int AutoSelectUploadCount(const AutoSelectList& list) {
  return std::min(static_cast<int>(list.size()), AutoSelectCount);
}

int AutoSelectProgressMaximum(const AutoSelectList& list) {
  return AutoSelectUploadCount(list) * AutoSelectStepsPerEntry;
}

std::string AutoSelectSlotName(const TAutoSelect& entry) {
  // A longer name can only come from a file another program wrote; sent whole
  // it would run into the slot's code places (and, for the last slot, past
  // the end of the auto-selection memory).
  std::string name = entry.GetName();
  name.resize(MaxAutoNameLength, ' ');
  return name;
}

int FirstInvalidAutoSelect(const AutoSelectList& list) {
  for (int i = 0; i < AutoSelectUploadCount(list); ++i) {
    const TAutoSelect& entry = list[static_cast<std::size_t>(i)];
    for (unsigned k = 0; k < entry.KeyCount(); ++k) {
      const std::int32_t code = entry.KeyAt(k);
      if (code < 1 || code >= KeyCatalogueSize) return i;
    }
  }
  return -1;
}

std::string InvalidAutoSelectMessage(const AutoSelectList& list, int index) {
  const TAutoSelect& entry = list.at(static_cast<std::size_t>(index));
  std::int32_t code = 0;
  for (unsigned k = 0; k < entry.KeyCount(); ++k) {
    code = entry.KeyAt(k);
    if (code < 1 || code >= KeyCatalogueSize) break;
  }
  return "Auto selection " + std::to_string(index + 1) + " (\"" + entry.GetName() +
         "\") holds the key code " + std::to_string(code) +
         ", which the KORA-1 does not have.\n\nChoose its settings again with Edit Auto Selection, "
         "then send the auto selections again.";
}

void ShowAutoSelectRefusal(const AutoSelectList& list, int index, MessageSink& sink) {
  sink.ShowMessage(InvalidAutoSelectMessage(list, index), kAutoSelectNoticeCaption,
                   MessageIcon::Exclamation);
}

int WriteAutoSelections(const AutoSelectList& list, TKORAComm& link, ProgressSink& progress) {
  int address = AutoSelectFirstAddress;
  for (int i = 0; i < AutoSelectUploadCount(list); ++i) {
    const TAutoSelect& entry = list[static_cast<std::size_t>(i)];
    if (link.WriteText(address, AutoSelectSlotName(entry), progress) != 0) return -1;
    address += static_cast<int>(MaxAutoNameLength);
    for (unsigned k = 0; k < MaxAutoSelectKeys; ++k) {
      // KeyAt gives -1 past the last code; those places are written as 0.
      const std::int32_t code = k < entry.KeyCount() ? entry.KeyAt(k) : 0;
      if (link.WriteWord(address, static_cast<unsigned>(code)) != 0) return -1;
      progress.StepProgress();
      address += 2;
    }
  }
  return 0;
}

UploadPlan AutoSelectUploadPlan(const AutoSelectList& list, const std::string& sourceFile) {
  UploadPlan plan;
  plan.record.what = UploadWhat::AutoSelections;
  std::ostringstream fileBytes;  // as an .asl file holds them
  for (int i = 0; i < AutoSelectUploadCount(list); ++i) {
    const TAutoSelect& entry = list[static_cast<std::size_t>(i)];
    AutoSelectionEntry sent{entry.GetName(), {}};
    for (unsigned k = 0; k < entry.KeyCount(); ++k) sent.codes.push_back(entry.KeyAt(k));
    plan.record.autoSelections.push_back(std::move(sent));
    entry.WriteTo(fileBytes, static_cast<std::streamoff>(i * AutoSelectRecordSize));
  }
  plan.record.sourceFile = sourceFile;
  plan.record.dataSha256 = DataSha256(fileBytes.str());
  plan.progressText = kAutoSelectProgressText;
  plan.progressMaximum = AutoSelectProgressMaximum(list);
  plan.noticeCaption = kAutoSelectNoticeCaption;
  plan.writeData = [list](TKORAComm& link, ProgressSink& progress) {
    return WriteAutoSelections(list, link, progress);
  };
  return plan;
}

bool RefuseOrRunAutoSelectUpload(const AutoSelectList& list, const std::string& sourceFile,
                                 MessageSink& sink, const std::function<void(int index)>& refused,
                                 const std::function<void(const UploadPlan&)>& run) {
  // A code the instrument does not have would be stored as a meaningless
  // word, so the list is refused before the port is even opened.
  if (const int invalid = FirstInvalidAutoSelect(list); invalid >= 0) {
    if (refused) refused(invalid);
    ShowAutoSelectRefusal(list, invalid, sink);
    return false;
  }
  run(AutoSelectUploadPlan(list, sourceFile));
  return true;
}
