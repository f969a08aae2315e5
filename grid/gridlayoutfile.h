// The column layout of a grid in the settings file (korapc.ini): in the
// section named after the grid's objectName(), the widths of all but the
// last column as "COL_<n>_WIDTH", then "COL_SORTBY" and "ASCENDING" (1 or 0).
#pragma once

class SettingsFile;
class TesStringGrid;

// Applies the layout ini holds for grid (TesStringGrid::applyLayout). A width
// that is missing or not an integer takes the default; a missing "COL_SORTBY"
// is 0 and a missing "ASCENDING" 1. A grid without an objectName has no
// section of its own, reads nothing and takes the defaults as on a first
// start. The caller owns the file and keeps it open.
void LoadGridLayout(TesStringGrid& grid, const SettingsFile& ini);

// Writes grid's layout to ini. Returns false when the file could not be
// written or the grid has no objectName.
bool SaveGridLayout(const TesStringGrid& grid, SettingsFile& ini);
