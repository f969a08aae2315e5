// The font KORApc's windows were laid out for, and how much a larger desktop
// font scales their fixed geometry.
#pragma once

#include <QFont>

// 8-point Tahoma where it is installed, otherwise the desktop's UI font.
QFont KoraUiFont();

// The line height of font against the 13 pixels of 8-point Tahoma the layouts
// were drawn with; never below 1, so a small font never shrinks a layout.
double KoraUiScale(const QFont& font);
