#include "ui/icons.h"

#include <gtest/gtest.h>
#include <QImage>

namespace {

// Pixels that are not fully transparent: a blank icon has none.
int VisiblePixels(const QIcon& icon, int size) {
  const QImage image = icon.pixmap(size, size).toImage();
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) count += qAlpha(image.pixel(x, y)) != 0;
  }
  return count;
}

const KoraIcon kAll[] = {KoraIcon::Open, KoraIcon::Save, KoraIcon::Edit, KoraIcon::Upload};

TEST(KoraIcons, EveryIconPaintsAtToolAndButtonSizes) {
  for (const KoraIcon which : kAll) {
    SCOPED_TRACE(static_cast<int>(which));
    for (const int size : {16, 32}) {
      EXPECT_GT(VisiblePixels(LoadKoraIcon(which), size), size * size / 8);
      EXPECT_GT(VisiblePixels(BundledKoraIcon(which), size), size * size / 8);
    }
  }
}

TEST(KoraIcons, AThemeWithoutTheIconFallsBackToTheDrawing) {
  const QString oldTheme = QIcon::themeName();
  const QStringList oldPaths = QIcon::themeSearchPaths();
  QIcon::setThemeSearchPaths({});
  QIcon::setThemeName("no-such-theme");
  const QIcon edit = LoadKoraIcon(KoraIcon::Edit);
  QIcon::setThemeSearchPaths(oldPaths);
  QIcon::setThemeName(oldTheme);
  EXPECT_EQ(edit.pixmap(32, 32).toImage(),
            BundledKoraIcon(KoraIcon::Edit).pixmap(32, 32).toImage());
}

}  // namespace
