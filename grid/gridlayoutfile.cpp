#include "grid/gridlayoutfile.h"

#include <climits>
#include <string>

#include "common/settingsfile.h"
#include "grid/esstringgrid.h"

namespace {

std::string WidthKey(int col) { return "COL_" + std::to_string(col) + "_WIDTH"; }

}  // namespace

void LoadGridLayout(TesStringGrid& grid, const SettingsFile& ini) {
  const std::string section = grid.objectName().toStdString();
  TesStringGrid::ColumnLayout layout;
  // Without a name the grid has no section of its own: the keys at the top of
  // the file are not its keys.
  if (!section.empty()) {
    layout.saved = ini.HasSection(section);
    for (int col = 0; col < grid.columnCount() - 1; ++col) {
      // INT_MIN stands for "missing or not an integer"; it is below zero and
      // so takes the default.
      layout.widths.push_back(ini.ReadInteger(section, WidthKey(col), INT_MIN));
    }
    layout.sortCol = ini.ReadInteger(section, "COL_SORTBY", 0);
    layout.ascending = ini.ReadInteger(section, "ASCENDING", 1) != 0;
  }
  grid.applyLayout(layout);
}

bool SaveGridLayout(const TesStringGrid& grid, SettingsFile& ini) {
  const std::string section = grid.objectName().toStdString();
  if (section.empty()) return false;
  const TesStringGrid::ColumnLayout layout = grid.layout();
  bool written = true;
  for (int col = 0; col < static_cast<int>(layout.widths.size()); ++col) {
    written = ini.WriteInteger(section, WidthKey(col), layout.widths[static_cast<size_t>(col)]) &&
              written;
  }
  written = ini.WriteInteger(section, "COL_SORTBY", layout.sortCol) && written;
  written = ini.WriteInteger(section, "ASCENDING", layout.ascending ? 1 : 0) && written;
  return written;
}
