// PageParts: what the "Power On" and "Auto Selections" pages are both built
// from - a tool bar of 32-pixel buttons at the top, the grid filling the
// middle, and a panel at the bottom with one command button at its right.
// Sizes are given in the pixels of the layout as designed for 8-point Tahoma
// and scaled up for a larger desktop font.
#pragma once

#include <QString>
#include <initializer_list>

#include "ui/icons.h"

class QPushButton;
class QToolBar;
class QToolButton;
class QWidget;
class TesStringGrid;

class PageParts {
 public:
  // page: the page being built; its font sets the scale. Every part is
  // created with page (or a part of it) as its Qt parent.
  explicit PageParts(QWidget* page);

  // designPixels at the page's scale; never fewer than designed.
  int Scaled(int designPixels) const;
  // designPixels at the scale of page's font, for use after the page is built.
  static int ScaledFor(const QWidget& page, int designPixels);

  // A tool bar that cannot be moved, 37 design pixels high (more when its
  // buttons need it), for 24-pixel images.
  QToolBar* ToolBar(const char* name) const;
  // Appends to bar a flat button of 32 x 32 design pixels showing icon, with
  // hint as its tool tip. Like the command button's, the icon is looked up
  // when the button is first shown (a blank image stands in until then).
  QToolButton* AddToolButton(QToolBar* bar, const char* name, KoraIcon icon,
                             const char* hint) const;
  // Appends to bar an empty gap of width design pixels.
  QWidget* AddSeparator(QToolBar* bar, const char* name, int width) const;

  // Gives grid its designed column widths, a row height of 18 pixels (the
  // font's line and 4 pixels when that is more) and its designed size, from
  // which the widths of columns the settings file lacks are taken. Call before
  // the grid loads its layout.
  void ShapeGrid(TesStringGrid* grid, std::initializer_list<int> colWidths) const;

  // A panel 33 design pixels high holding, at its right, the command button
  // (caption, the upload image, at least 140 x 25 design pixels), stored in
  // button.
  QWidget* ButtonPanel(const char* panelName, const char* buttonName, const QString& caption,
                       QPushButton*& button) const;

  // Lays top, middle and bottom out on the page from edge to edge; middle
  // takes every spare pixel of height.
  void Stack(QWidget* top, QWidget* middle, QWidget* bottom) const;

 private:
  QWidget* page_;
  double scale_ = 1.0;
};
