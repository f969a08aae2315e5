// The SHA-256 a record keeps of the data it sent.
#pragma once

#include <string>
#include <string_view>

// SHA-256 of bytes as 64 lower-case hex digits, as sha256sum prints it.
std::string DataSha256(std::string_view bytes);
