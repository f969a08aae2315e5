// PageSetup: what the main window tells a page about the program around it,
// so that a page never reaches for the data folder or the chosen port itself.
#pragma once

#include <functional>
#include <string>

#include "device/linksettings.h"

struct PageSetup {
  // The settings file (korapc.ini), for the grid's column layout: read as the
  // page is built, written as it is destroyed.
  std::string settingsFilePath;
  // The page's own file (poweron.dat or autoselect.asl): loaded as the page
  // is built, saved as it is destroyed.
  std::string dataFilePath;
  // The port, command delay and service code of an upload. Called on the GUI
  // thread as each upload starts, since the user may pick another port at any
  // time; must not be empty.
  std::function<LinkSettings()> linkSettings;
};
