#include "app/icons.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

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

TEST(KoraIcons, TheBundledDrawingsDifferFromEachOther) {
  for (const KoraIcon a : kAll) {
    for (const KoraIcon b : kAll) {
      if (a == b) continue;
      EXPECT_NE(BundledKoraIcon(a).pixmap(32, 32).toImage(), BundledKoraIcon(b).pixmap(32, 32).toImage());
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
  EXPECT_EQ(edit.pixmap(32, 32).toImage(), BundledKoraIcon(KoraIcon::Edit).pixmap(32, 32).toImage());
}

// Not an assertion of looks: writes the drawn icons, beside the theme's, for a
// person to look at.
TEST(KoraIcons, WritesASnapshotOfTheIcons) {
  const QByteArray dir = qgetenv("KORAPC_SNAPSHOT_DIR");
  if (dir.isEmpty()) GTEST_SKIP() << "KORAPC_SNAPSHOT_DIR not set";
  QDir().mkpath(QString::fromLocal8Bit(dir));
  QImage sheet(4 * 56, 2 * 56, QImage::Format_ARGB32);
  sheet.fill(Qt::white);
  QPainter p(&sheet);
  for (int i = 0; i < 4; ++i) {
    p.drawPixmap(i * 56 + 4, 4, BundledKoraIcon(kAll[i]).pixmap(48, 48));
    p.drawPixmap(i * 56 + 4, 60, LoadKoraIcon(kAll[i]).pixmap(48, 48));
  }
  p.end();
  EXPECT_TRUE(sheet.save(QString::fromLocal8Bit(dir) + "/icons.png"));
}

}  // namespace
