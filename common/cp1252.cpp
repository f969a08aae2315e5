#include "common/cp1252.h"

namespace {

// 0x80..0x9F; everything else is the same as Latin-1.
constexpr char32_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace

char32_t Cp1252ToUnicode(unsigned char byte) {
  if (byte >= 0x80 && byte <= 0x9F) return kHigh[byte - 0x80];
  return byte;
}

bool IsCp1252Unprintable(unsigned char byte) {
  return byte < 0x20 || byte == 0x7F || byte == 0x81 || byte == 0x8D || byte == 0x8F ||
         byte == 0x90 || byte == 0x9D;
}

std::optional<unsigned char> UnicodeToCp1252(char32_t codePoint) {
  if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) {
    return static_cast<unsigned char>(codePoint);
  }
  for (unsigned i = 0; i < 32; ++i) {
    if (kHigh[i] == codePoint) return static_cast<unsigned char>(0x80 + i);
  }
  return std::nullopt;
}

std::string Cp1252ToUtf8(const std::string& bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (const char c : bytes) AppendUtf8(out, Cp1252ToUnicode(static_cast<unsigned char>(c)));
  return out;
}

std::optional<std::string> Utf8ToCp1252(const std::string& utf8) {
  std::string out;
  size_t i = 0;
  while (i < utf8.size()) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    size_t extra = 0;
    char32_t cp = lead;
    if (lead >= 0x80) {
      if ((lead & 0xE0) == 0xC0) {
        extra = 1;
      } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
      } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
      } else {
        return std::nullopt;
      }
      if (i + extra >= utf8.size()) return std::nullopt;
      cp = lead & (0x3Fu >> extra);
      for (size_t k = 1; k <= extra; ++k) {
        const auto cont = static_cast<unsigned char>(utf8[i + k]);
        if ((cont & 0xC0) != 0x80) return std::nullopt;
        cp = (cp << 6) | (cont & 0x3Fu);
      }
    }
    const auto byte = UnicodeToCp1252(cp);
    if (!byte) return std::nullopt;
    out += static_cast<char>(*byte);
    i += extra + 1;
  }
  return out;
}
