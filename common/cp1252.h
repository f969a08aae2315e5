// The Windows-1252 code page: every text the instrument, the catalogue and the
// files hold is one byte per character in it.
#pragma once

#include <optional>
#include <string>

// The Unicode code point of a Windows-1252 byte. The five bytes the code page
// leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to U+0081 and so on, so
// that every byte survives a round trip.
char32_t Cp1252ToUnicode(unsigned char byte);

// True for a byte that has no printable form: a control byte (below the
// blank, or DEL) or one of the five bytes the code page leaves undefined.
bool IsCp1252Unprintable(unsigned char byte);

// The Windows-1252 byte of a code point, or nothing when the code page cannot
// hold it.
std::optional<unsigned char> UnicodeToCp1252(char32_t codePoint);

// UTF-8 to and from Windows-1252 bytes. ToCp1252 returns nothing when any
// character has no single-byte form or the UTF-8 is malformed.
std::string Cp1252ToUtf8(const std::string& bytes);
std::optional<std::string> Utf8ToCp1252(const std::string& utf8);
