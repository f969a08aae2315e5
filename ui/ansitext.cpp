#include "ui/ansitext.h"

#include "common/cp1252.h"

QString AnsiToQString(const std::string& bytes) {
  QString text;
  text.reserve(static_cast<qsizetype>(bytes.size()));
  for (const char c : bytes) {
    text += QChar(static_cast<char16_t>(Cp1252ToUnicode(static_cast<unsigned char>(c))));
  }
  return text;
}

namespace {

QString Shown(const std::string& bytes, bool keepLineFeeds) {
  QString text;
  text.reserve(static_cast<qsizetype>(bytes.size()));
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (IsCp1252Unprintable(byte) && !(keepLineFeeds && byte == '\n')) {
      text += UnprintablePlaceholder;
    } else {
      text += QChar(static_cast<char16_t>(Cp1252ToUnicode(byte)));
    }
  }
  return text;
}

}  // namespace

QString AnsiToShownText(const std::string& bytes) { return Shown(bytes, false); }

QString AnsiToShownLines(const std::string& bytes) { return Shown(bytes, true); }

std::optional<std::string> QStringToAnsi(const QString& text) {
  std::string bytes;
  bytes.reserve(static_cast<size_t>(text.size()));
  for (const QChar ch : text) {
    const auto byte = UnicodeToCp1252(ch.unicode());
    if (!byte) return std::nullopt;
    bytes += static_cast<char>(*byte);
  }
  return bytes;
}
