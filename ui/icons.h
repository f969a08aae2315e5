// Icons of the tool buttons and command buttons: the desktop's own where its
// icon theme has one, otherwise one drawn by the program, so that no button is
// ever blank.
#pragma once

#include <QIcon>

enum class KoraIcon {
  Open,    // open a file
  Save,    // save a file
  Edit,    // edit the current entry
  Upload,  // program the instrument
};

// The theme's icon for which ("document-open", "document-save",
// "document-properties" or "document-edit", "document-send" or "go-up") when
// the theme can draw it; otherwise BundledKoraIcon(which). Never null.
QIcon LoadKoraIcon(KoraIcon which);

// The program's own drawing of which, at 16, 24, 32 and 48 pixels. Never null.
QIcon BundledKoraIcon(KoraIcon which);
