#include "history/uploadrecord.h"

const char* UploadWhatText(UploadWhat what) {
  return what == UploadWhat::AutoSelections ? "auto-selections" : "power-on";
}

const char* UploadOutcomeText(UploadOutcome outcome) {
  switch (outcome) {
    case UploadOutcome::Running:
      return "running";
    case UploadOutcome::Programmed:
      return "programmed";
    case UploadOutcome::Failed:
      return "failed";
    case UploadOutcome::Interrupted:
      break;
  }
  return "interrupted";
}
