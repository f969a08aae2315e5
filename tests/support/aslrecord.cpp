#include "support/aslrecord.h"

std::string AslRecord(const std::string& name, std::initializer_list<std::int32_t> codes) {
  std::string record(64, '\0');
  record.replace(0, name.size(), name);
  std::size_t offset = 24;
  for (std::int32_t code : codes) {
    const auto value = static_cast<std::uint32_t>(code);
    for (unsigned byte = 0; byte < 4; ++byte)
      record[offset++] = static_cast<char>(value >> (8 * byte));
  }
  return record;
}
