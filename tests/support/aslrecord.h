// .asl records for tests, built byte by byte from the file layout.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

// One 64-byte record: name in 24 bytes NUL-filled (name must fit), then ten
// little-endian 32-bit codes, 0 after the given ones.
std::string AslRecord(const std::string& name, std::initializer_list<std::int32_t> codes);
