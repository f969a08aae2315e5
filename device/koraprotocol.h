// The bytes of the KORA-1 wire protocol, shared by the instrument link and the
// virtual KORA-1 (the two ends of the line). Constants only.
#pragma once

#include <cstddef>

namespace kora::wire {

// Service-mode request: 'M', 'S', then the ten characters of the service code.
inline constexpr char kServiceRequest1 = 'M';
inline constexpr char kServiceRequest2 = 'S';
inline constexpr std::size_t kServiceCodeLength = 10;
inline constexpr std::size_t kServiceRequestLength = 2 + kServiceCodeLength;
inline constexpr char kServiceAccepted = 'S';
inline constexpr char kServiceRefused = 'Z';

// Memory write command: 'A' address 'D' data 'R', all numbers in decimal.
inline constexpr char kAddressMark = 'A';
inline constexpr char kDataMark = 'D';
inline constexpr char kCommandEnd = 'R';
inline constexpr std::size_t kMaxCommandLength = 11;

// Answers to the command's final 'R'.
inline constexpr char kStored = 'V';
inline constexpr char kVerifyError = 'N';       // failure code 0
inline constexpr char kInvalidStatus = 'R';     // failure code 1
inline constexpr char kInvalidData = 'T';       // failure code 2
inline constexpr char kMissingParameter = 'U';  // failure code 3
inline constexpr char kInvalidAddress = 'Y';    // failure code 4

// End of service mode; no answer.
inline constexpr char kEndServiceMode = 'X';

// The instrument's memory, byte addresses 0 to kMemorySize - 1.
inline constexpr int kMemorySize = 1024;

}  // namespace kora::wire
