// An upload plan for tests of the upload road: plain memory writes.
#pragma once

#include <string>

#include "device/uploadsequence.h"

// count writes of value (its decimal text) to the addresses from first, one
// progress step after each accepted write, shown as progressText and ended
// with the notice under noticeCaption.
UploadPlan WritesPlan(int first, int count, const std::string& value,
                      const std::string& progressText, const std::string& noticeCaption);

// The commands of WritesPlan(first, count, value, ...), in order, as written:
// "A" address "D" value "R" each.
std::string WritesCommands(int first, int count, const std::string& value);
