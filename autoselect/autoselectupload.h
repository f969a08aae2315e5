// The auto-selection part of an upload: what is checked before the port is
// opened and what is written once the instrument is in service mode.
//
// Instrument memory of the auto selections: ten slots of 40 bytes from
// address 512, slot i at 512 + 40 i. A slot holds the name, one byte per
// character padded with blanks to 20, then ten key codes as 16-bit words (low
// byte first), 0 in every place after the last code. The window program and
// korapc-program both upload through AutoSelectUploadPlan.
#pragma once

#include <functional>
#include <string>

#include "autoselect/tautoselect.h"
#include "device/uploadsequence.h"

class MessageSink;
class ProgressSink;
class TKORAComm;

// Texts of the auto-selection upload.
inline constexpr const char* kAutoSelectProgressText = "Sending Auto Setups...";
inline constexpr const char* kAutoSelectNoticeCaption = "Auto Selections";

inline constexpr int AutoSelectFirstAddress = 512;  // slot 0
inline constexpr int AutoSelectSlotSize = 40;       // bytes of one slot
inline constexpr int AutoSelectStepsPerEntry = 30;  // 20 name bytes and 10 words

// The entries an upload writes: the first AutoSelectCount of list, so that no
// slot lies beyond address 911.
int AutoSelectUploadCount(const AutoSelectList& list);

// The progress bar's maximum for list: 30 per entry written.
int AutoSelectProgressMaximum(const AutoSelectList& list);

// The 20 characters written to a slot's name bytes: entry's name cut to
// MaxAutoNameLength characters, or padded with blanks to that length.
std::string AutoSelectSlotName(const TAutoSelect& entry);

// The index of the first entry to be written that holds a key code outside
// 1..511 (which the instrument does not have), or -1 when all are sound.
int FirstInvalidAutoSelect(const AutoSelectList& list);

// The message shown instead of an upload when entry index's codes are not all
// the instrument's, naming the auto selection (index + 1), its name and the
// first bad code.
std::string InvalidAutoSelectMessage(const AutoSelectList& list, int index);

// Shows InvalidAutoSelectMessage for entry index through sink, captioned
// "Auto Selections", with the exclamation icon.
void ShowAutoSelectRefusal(const AutoSelectList& list, int index, MessageSink& sink);

// Writes the entries of AutoSelectUploadCount(list) into consecutive slots
// from address 512: for each, the 20 slot-name characters with WriteText
// (which steps progress per character), then the ten code words with
// WriteWord, stepping progress after each. Stops at the first failure (the
// link has shown it) and returns -1; nothing after it is written. Returns 0
// when every write was accepted. link must be in service mode. Codes are sent
// as they are; check them with FirstInvalidAutoSelect first.
[[nodiscard]] int WriteAutoSelections(const AutoSelectList& list, TKORAComm& link,
                                      ProgressSink& progress);

// The upload of list: "Sending Auto Setups...", 30 steps per entry written,
// the notice captioned "Auto Selections", and WriteAutoSelections on a copy
// of list. The plan's record holds the entries written, sourceFile (the file
// they came from; "" for none) and the SHA-256 of those entries as an .asl
// file would hold them.
UploadPlan AutoSelectUploadPlan(const AutoSelectList& list, const std::string& sourceFile = "");

// Refuse or run the upload of list, as "Set Auto Selections" and
// korapc-program both do. When an entry to be written holds a key code
// outside 1..511, refused (unless empty) gets that entry's index first, so
// that a page can point at it, then ShowAutoSelectRefusal shows it through
// sink, and run is not called. Otherwise run gets
// AutoSelectUploadPlan(list, sourceFile) and nothing is shown. Returns true
// when run was called.
bool RefuseOrRunAutoSelectUpload(const AutoSelectList& list, const std::string& sourceFile,
                                 MessageSink& sink, const std::function<void(int index)>& refused,
                                 const std::function<void(const UploadPlan&)>& run);
