// The one place where the GUI turns the core's Windows-1252 bytes into Qt
// text and back.
#pragma once

#include <QString>
#include <optional>
#include <string>

// Windows-1252 bytes as display text. Blank padding is kept.
QString AnsiToQString(const std::string& bytes);

// Display text as Windows-1252 bytes, or nothing when a character has no
// single-byte form.
std::optional<std::string> QStringToAnsi(const QString& text);
