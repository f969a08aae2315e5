#include "ui/icons.h"

#include <QPainter>
#include <QPixmap>
#include <QStringList>

namespace {

QStringList ThemeNames(KoraIcon which) {
  switch (which) {
    case KoraIcon::Open:
      return {"document-open"};
    case KoraIcon::Save:
      return {"document-save"};
    case KoraIcon::Edit:
      return {"document-properties", "document-edit"};
    case KoraIcon::Upload:
      return {"document-send", "go-up"};
  }
  return {};
}

// A theme may list a name whose only image is a format Qt cannot read here
// (SVG without the plugin); such an icon paints nothing, so it must not be used.
bool Paints(const QIcon& icon) {
  if (icon.isNull()) return false;
  const QImage image = icon.pixmap(32, 32).toImage();
  if (image.isNull()) return false;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (qAlpha(image.pixel(x, y)) != 0) return true;
    }
  }
  return false;
}

// The drawings use a 32 x 32 grid and are scaled to each size.
void DrawFolder(QPainter& p) {
  p.setPen(QPen(QColor(140, 100, 20), 1.2));
  p.setBrush(QColor(230, 180, 60));
  p.drawPolygon(QPolygonF({{3, 8}, {12, 8}, {14, 11}, {27, 11}, {27, 26}, {3, 26}}));
  p.setBrush(QColor(250, 210, 100));
  p.drawPolygon(QPolygonF({{3, 26}, {7, 15}, {30, 15}, {27, 26}}));
}

void DrawDisk(QPainter& p) {
  p.setPen(QPen(QColor(20, 40, 90), 1.2));
  p.setBrush(QColor(50, 90, 170));
  p.drawPolygon(QPolygonF({{4, 4}, {25, 4}, {28, 7}, {28, 28}, {4, 28}}));
  p.setBrush(QColor(245, 245, 245));
  p.drawRect(QRectF(9, 4, 14, 9));
  p.setBrush(QColor(20, 40, 90));
  p.drawRect(QRectF(18, 5.5, 3, 6));
  p.setBrush(QColor(220, 225, 235));
  p.drawRect(QRectF(8, 17, 16, 11));
}

void DrawPageAndPencil(QPainter& p) {
  p.setPen(QPen(QColor(90, 90, 90), 1.2));
  p.setBrush(Qt::white);
  p.drawPolygon(QPolygonF({{5, 3}, {19, 3}, {24, 8}, {24, 29}, {5, 29}}));
  p.setPen(QPen(QColor(150, 150, 150), 1.5));
  for (int y = 10; y <= 24; y += 4) p.drawLine(QPointF(8, y), QPointF(18, y));
  p.setPen(QPen(QColor(60, 40, 10), 1.2));
  p.setBrush(QColor(240, 170, 40));
  p.drawPolygon(QPolygonF({{27, 6}, {31, 10}, {17, 24}, {13, 20}}));
  p.setBrush(QColor(240, 210, 160));
  p.drawPolygon(QPolygonF({{13, 20}, {17, 24}, {11, 26}}));
}

void DrawSendToInstrument(QPainter& p) {
  // The instrument: a grey box with a screen.
  p.setPen(QPen(QColor(60, 60, 60), 1.2));
  p.setBrush(QColor(190, 195, 200));
  p.drawRoundedRect(QRectF(13, 8, 17, 20), 2, 2);
  p.setBrush(QColor(30, 70, 50));
  p.drawRect(QRectF(16, 11, 11, 7));
  p.setPen(QPen(QColor(120, 255, 160), 1.2));
  p.drawPolyline(QPolygonF({{16.5, 15}, {19, 15}, {20.5, 12}, {22, 17}, {23.5, 15}, {26.5, 15}}));
  // The arrow into it.
  p.setPen(QPen(QColor(20, 90, 30), 1.2));
  p.setBrush(QColor(60, 170, 70));
  p.drawPolygon(QPolygonF({{2, 14}, {8, 14}, {8, 9}, {15, 17}, {8, 25}, {8, 20}, {2, 20}}));
}

QPixmap Draw(KoraIcon which, int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 32.0, size / 32.0);
  switch (which) {
    case KoraIcon::Open:
      DrawFolder(p);
      break;
    case KoraIcon::Save:
      DrawDisk(p);
      break;
    case KoraIcon::Edit:
      DrawPageAndPencil(p);
      break;
    case KoraIcon::Upload:
      DrawSendToInstrument(p);
      break;
  }
  return pixmap;
}

}  // namespace

QIcon BundledKoraIcon(KoraIcon which) {
  QIcon icon;
  for (const int size : {16, 24, 32, 48}) icon.addPixmap(Draw(which, size));
  return icon;
}

QIcon LoadKoraIcon(KoraIcon which) {
  for (const QString& name : ThemeNames(which)) {
    const QIcon themed = QIcon::fromTheme(name);
    if (Paints(themed)) return themed;
  }
  return BundledKoraIcon(which);
}
