// The instrument's key-code catalogue: the display name of every key code
// 0..511 and the categories (runs of consecutive codes) that the editors offer
// in their drop-down lists. Constant data; nothing changes it.
//
// Names are single-byte Windows-1252 text (0xB5 is the micro sign, 0xBA the
// degree sign), each padded on the right with blanks to KeyNameWidth
// characters. The GUI turns them into display text with AnsiToQString only.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

inline constexpr int KeyCatalogueSize = 512;  // key codes 0..511
inline constexpr int KeyNameWidth = 25;       // characters in every padded name

// Item 0 of every category list: nothing chosen. Unpadded, unlike the
// catalogue's own reserved entries.
inline constexpr std::string_view NoSelectionText = "NO SELECTION";

// The display name of code, padded with blanks to KeyNameWidth characters.
// A code outside 0..511 gives the padded "NO SELECTION", like every reserved
// code; the table is never read outside its bounds.
std::string KeyName(int code);

// How the editor sorts a code onto the page of one type of simulation.
enum class SimulationGroup {
  None,            // offered by no type page
  Multiparameter,  // 10..66, 143..228, 425..456
  Arrhythmia,      // 67..142
  Fetal,           // 290..315
  PacedECG,        // 322..362
  ECGPerformance,  // 365..422
  TempCO,          // 230..234, 251..283: the temperature / cardiac-output lists of every type
};

// The group of code, from fixed bounds that cover whole stretches of the code
// space: a reserved or unoffered code inside a group's bounds (25, 64, 151,
// 261 ...) belongs to that group. Any int is accepted.
SimulationGroup SimulationGroupOf(int code);

// One category: the run firstCode..lastCode (inclusive) offered by the
// drop-down list named comboName. The list's item 0 is NoSelectionText and
// stands for no code; item i (1..lastCode - firstCode + 1) is KeyName(firstCode
// + i - 1) and stands for that code. Reserved codes inside the run are items
// like the rest.
struct KeyCategory {
  int firstCode;
  int lastCode;
  const char* comboName;  // "cbECGRate" ...
  SimulationGroup group;

  constexpr bool Holds(int code) const { return code >= firstCode && code <= lastCode; }
  // Number of list items, "NO SELECTION" included.
  constexpr int ItemCount() const { return lastCode - firstCode + 2; }
  // The code of item; 0 (no code) for item 0 and for any index outside the list.
  constexpr int CodeForItem(int item) const {
    return item >= 1 && item < ItemCount() ? firstCode + item - 1 : 0;
  }
  // The item that shows code; 0 when the code is not in this category.
  constexpr int ItemForCode(int code) const { return Holds(code) ? code - firstCode + 1 : 0; }
};

// The 37 categories in code order.
std::span<const KeyCategory> KeyCategories();

// The category offered by the list named comboName, or nullptr for any other name.
const KeyCategory* FindKeyCategory(std::string_view comboName);

// The category that holds code, or nullptr when no list offers it.
const KeyCategory* KeyCategoryOf(int code);

// The texts of a category's list: NoSelectionText, then the padded names of
// its codes in ascending order.
std::vector<std::string> KeyCategoryItems(const KeyCategory& category);
