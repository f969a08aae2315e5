#include "ui/uifont.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <algorithm>

namespace {

constexpr double kDesignLineHeight = 13.0;

}  // namespace

QFont KoraUiFont() {
  return QFontDatabase::hasFamily("Tahoma") ? QFont("Tahoma", 8) : QApplication::font();
}

double KoraUiScale(const QFont& font) {
  return std::max(1.0, QFontMetrics(font).height() / kDesignLineHeight);
}
