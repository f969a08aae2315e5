#include "autoselect/autonametext.h"

#include <algorithm>

#include "autoselect/autonamevalidator.h"
#include "common/cp1252.h"
#include "ui/ansitext.h"

AutoNameText::AutoNameText(const std::string& bytes)
    : shown_(AutoNameValidator::ToUpperAnsi(AnsiToShownText(bytes))) {
  bytes_.reserve(bytes.size());
  for (qsizetype i = 0; i < shown_.size(); ++i) {
    const QChar ch = shown_.at(i);
    if (ch == UnprintablePlaceholder) {
      bytes_ += bytes[static_cast<std::size_t>(i)];
      ++budget_;
    } else {
      // Every character here came from a byte, and ToUpperAnsi keeps it in
      // the code page.
      bytes_ += static_cast<char>(
          UnicodeToCp1252(ch.unicode())
              .value_or(static_cast<unsigned char>(bytes[static_cast<std::size_t>(i)])));
    }
  }
}

bool AutoNameText::Edit(const QString& text, int cursor) {
  if (text == shown_) return true;
  const qsizetype oldSize = shown_.size();
  const qsizetype newSize = text.size();

  // One change replaces shown_[prefix, oldSize - suffix) by
  // text[prefix, newSize - suffix). Where the same character stands twice in
  // a row the strings alone cannot say which one was deleted; the cursor
  // can, as the change ends there.
  const qsizetype tail = newSize - std::clamp<qsizetype>(cursor, 0, newSize);
  qsizetype suffix = 0;
  if (tail <= oldSize && text.right(tail) == shown_.right(tail)) {
    suffix = tail;
  } else {
    while (suffix < std::min(oldSize, newSize) &&
           text.at(newSize - 1 - suffix) == shown_.at(oldSize - 1 - suffix)) {
      ++suffix;
    }
  }
  qsizetype prefix = 0;
  while (prefix < std::min(oldSize, newSize) - suffix && text.at(prefix) == shown_.at(prefix)) {
    ++prefix;
  }

  // Bytes of the placeholders the change removed, in their order.
  std::string freed;
  for (qsizetype i = prefix; i < oldSize - suffix; ++i) {
    if (shown_.at(i) == UnprintablePlaceholder) freed += bytes_[static_cast<std::size_t>(i)];
  }
  const qsizetype inserted = newSize - suffix - prefix;
  const auto wanted = static_cast<std::size_t>(
      std::count(text.begin() + prefix, text.begin() + prefix + inserted, UnprintablePlaceholder));
  // Placeholders the change brings in beyond those it removed are the last
  // ones deleted before, in their order.
  std::string pool = removed_;
  std::size_t fromPool = 0;
  if (wanted > freed.size()) {
    fromPool = wanted - freed.size();
    if (fromPool > pool.size()) return false;
    freed += pool.substr(pool.size() - fromPool);
    pool.resize(pool.size() - fromPool);
  }

  std::string middle;
  std::size_t nextFreed = 0;
  for (qsizetype i = prefix; i < prefix + inserted; ++i) {
    const QChar ch = text.at(i);
    if (ch == UnprintablePlaceholder) {
      middle += freed[nextFreed++];
      continue;
    }
    const auto byte = UnicodeToCp1252(ch.unicode());
    if (!byte) return false;
    middle += static_cast<char>(*byte);
  }
  pool += freed.substr(nextFreed);  // removed for good, until an undo brings them back

  bytes_ = bytes_.substr(0, static_cast<std::size_t>(prefix)) + middle +
           bytes_.substr(static_cast<std::size_t>(oldSize - suffix));
  shown_ = text;
  removed_ = std::move(pool);
  return true;
}
