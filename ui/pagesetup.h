// PageSetup: what the main window tells a page about its files, so that a
// page never reaches for the data folder itself. Where its uploads go is the
// upload runner's (ui/upload/uploadrunner.h).
#pragma once

#include <string>

struct PageSetup {
  // The settings file (korapc.ini), for the grid's column layout: read as the
  // page is built, written as it is destroyed.
  std::string settingsFilePath;
  // The page's own file (poweron.dat or autoselect.asl): loaded as the page
  // is built, saved as it is destroyed.
  std::string dataFilePath;
};
