// The one place where the GUI turns the core's Windows-1252 bytes into Qt
// text and back.
#pragma once

#include <QString>
#include <optional>
#include <string>

// Windows-1252 bytes as display text. Blank padding is kept.
QString AnsiToQString(const std::string& bytes);

// Shown in place of a byte that has no printable form. U+FFFD is Unicode's
// own sign for a character that cannot be shown, every font draws it, and it
// has no Windows-1252 byte, so it can never be mistaken for a character the
// text really holds (a middle dot, 0xB7, could be).
inline constexpr QChar UnprintablePlaceholder = QChar::ReplacementCharacter;

// Windows-1252 bytes as one line of text to show: as AnsiToQString, but every
// byte that IsCp1252Unprintable (a control byte, DEL, an undefined byte) shows
// as UnprintablePlaceholder. The text has one character per byte.
QString AnsiToShownText(const std::string& bytes);

// As AnsiToShownText, except that a line feed stays a line break: for
// messages, whose fixed texts break their lines with it.
QString AnsiToShownLines(const std::string& bytes);

// Display text as Windows-1252 bytes, or nothing when a character has no
// single-byte form.
std::optional<std::string> QStringToAnsi(const QString& text);
