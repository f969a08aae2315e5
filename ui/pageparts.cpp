#include "ui/pageparts.h"

#include <QAbstractButton>
#include <QEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QPixmap>
#include <QPushButton>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "grid/esstringgrid.h"
#include "ui/uifont.h"

namespace {

// The grid's designed size. A column without a saved width gets a share of
// this width, as the grid has not been laid out yet when it loads.
constexpr int kDesignGridWidth = 535;
constexpr int kDesignGridHeight = 420;

double ScaleOf(const QWidget& page) { return KoraUiScale(page.font()); }

int ScaledBy(double scale, int designPixels) {
  return static_cast<int>(designPixels * scale + 0.5);
}

// Gives a button its icon when it is first shown, so that the buttons of a
// page that is not shown cost no icon lookup before the window's first paint.
// The button is shown (and so gets its icon) before it is first painted.
class IconWhenShown : public QObject {
 public:
  IconWhenShown(QAbstractButton* button, KoraIcon which) : QObject(button), which_(which) {
    // Until then a blank image keeps the button the size its icon gives it.
    QPixmap blank(1, 1);
    blank.fill(Qt::transparent);
    button->setIcon(QIcon(blank));
    button->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show) {
      watched->removeEventFilter(this);
      static_cast<QAbstractButton*>(watched)->setIcon(LoadKoraIcon(which_));
      deleteLater();
    }
    return false;
  }

 private:
  KoraIcon which_;
};

}  // namespace

PageParts::PageParts(QWidget* page) : page_(page), scale_(ScaleOf(*page)) {}

int PageParts::Scaled(int designPixels) const { return ScaledBy(scale_, designPixels); }

int PageParts::ScaledFor(const QWidget& page, int designPixels) {
  return ScaledBy(ScaleOf(page), designPixels);
}

QToolBar* PageParts::ToolBar(const char* name) const {
  auto* bar = new QToolBar(page_);
  bar->setObjectName(name);
  bar->setMovable(false);
  bar->setFloatable(false);
  bar->setIconSize(QSize(Scaled(24), Scaled(24)));
  bar->setFixedHeight(Scaled(37));
  return bar;
}

QToolButton* PageParts::AddToolButton(QToolBar* bar, const char* name, KoraIcon icon,
                                      const char* hint) const {
  auto* button = new QToolButton(bar);
  button->setObjectName(name);
  new IconWhenShown(button, icon);
  button->setAutoRaise(true);
  button->setFixedSize(Scaled(32), Scaled(32));
  button->setToolTip(hint);
  bar->addWidget(button);
  // The bar's own margins may need more than the designed height.
  bar->setFixedHeight(std::max(Scaled(37), bar->sizeHint().height()));
  return button;
}

QWidget* PageParts::AddSeparator(QToolBar* bar, const char* name, int width) const {
  auto* gap = new QWidget(bar);
  gap->setObjectName(name);
  gap->setFixedWidth(Scaled(width));
  bar->addWidget(gap);
  return gap;
}

void PageParts::ShapeGrid(TesStringGrid* grid, std::initializer_list<int> colWidths) const {
  grid->SetColCount(static_cast<int>(colWidths.size()));
  grid->SetDefaultRowHeight(
      std::max(TesStringGrid::kDefaultRowHeight, QFontMetrics(page_->font()).height() + 4));
  int col = 0;
  for (int width : colWidths) grid->SetColWidths(col++, Scaled(width));
  grid->resize(Scaled(kDesignGridWidth), Scaled(kDesignGridHeight));
}

QWidget* PageParts::ButtonPanel(const char* panelName, const char* buttonName,
                                const QString& caption, QPushButton*& button) const {
  auto* panel = new QWidget(page_);
  panel->setObjectName(panelName);
  button = new QPushButton(caption, panel);
  button->setObjectName(buttonName);
  new IconWhenShown(button, KoraIcon::Upload);
  button->setFixedSize(std::max(Scaled(140), button->sizeHint().width()),
                       std::max(Scaled(25), button->sizeHint().height()));
  auto* layout = new QHBoxLayout(panel);
  layout->setContentsMargins(Scaled(4), Scaled(4), Scaled(4), Scaled(4));
  layout->addStretch(1);
  layout->addWidget(button);
  panel->setFixedHeight(std::max(Scaled(33), button->height() + Scaled(8)));
  return panel;
}

void PageParts::Stack(QWidget* top, QWidget* middle, QWidget* bottom) const {
  auto* layout = new QVBoxLayout(page_);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(top);
  layout->addWidget(middle, 1);
  layout->addWidget(bottom);
}
