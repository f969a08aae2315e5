// The rules by which the auto-selection editor turns its value lists into an
// auto selection and back, without a window.
//
// A composition is a type of simulation (0 Multiparameter, 1 Arrhythmia,
// 2 Fetal, 3 Paced ECG, 4 ECG Performance), the code chosen in each of the
// editor's 31 value lists, and the codes chosen in the six temperature /
// cardiac-output lists, which every type offers. A list is one category of the
// key catalogue; the category's simulation group tells the type whose page
// holds it. Every list holds at most one code, 0 when nothing is chosen.
//
// The rules:
// - the last code of an entry that belongs to a type chooses the type;
// - an auto selection is the current type's chosen codes in the order of its
//   lists, then the temperature / cardiac-output codes in theirs, and holds at
//   most MaxAutoSelectKeys of them;
// - the temperature / cardiac-output choices go with the type when it changes,
//   while the lists of the other types keep theirs, uncounted.
//
// A plain value: copies are independent.
#pragma once

#include <span>
#include <vector>

#include "autoselect/tautoselect.h"
#include "catalogue/keycatalogue.h"

class AutoSelectComposer {
 public:
  static constexpr int TypeCount = 5;

  // The type whose page offers code: 0..4, or -1 for a temperature /
  // cardiac-output code (offered on every page) and for a code of no type.
  // Like the simulation group it follows, a code inside a type's bounds that
  // no list offers (25, 64, 151 ...) still has the type.
  static int TypeOf(int code);
  // The value lists of type 0..4 in the order they give codes, the
  // temperature / cardiac-output lists not included; empty for any other type.
  // The pointers are into KeyCategories().
  static std::vector<const KeyCategory*> ListsOf(int type);
  // The six temperature / cardiac-output lists in the order they give codes.
  static std::vector<const KeyCategory*> TempCOLists();

  // type (0..4; any other value is taken as 0) is the current type; nothing is
  // chosen in any list.
  explicit AutoSelectComposer(int type = 0);

  // The composition that shows entry: each code is chosen in the list whose
  // run holds it (a later code for the same list replaces an earlier one) and
  // the type is that of the last code that has one, 0 when none has. Codes no
  // list offers are not kept.
  static AutoSelectComposer FromEntry(const TAutoSelect& entry);

  int Type() const { return type_; }

  // The code chosen in list, 0 when nothing is. list is one of KeyCategories().
  int Code(const KeyCategory& list) const;
  // Chooses code in list; 0 leaves nothing chosen there. A code outside the
  // list's run changes nothing.
  void SetCode(const KeyCategory& list, int code);

  // The number of codes an auto selection of type would hold - the codes
  // chosen in its lists and the temperature / cardiac-output codes - or -1
  // when that is more than MaxAutoSelectKeys. The lists of the other types are
  // not counted. -1 for a type outside 0..4.
  [[nodiscard]] int CommandCount(int type) const;

  // Makes type (0..4) the current type; any other value changes nothing. The
  // temperature / cardiac-output codes go with it, and every type's lists keep
  // their codes, to be counted again when their type comes back.
  void CarryTempCO(int type);

  // Appends to entry the codes chosen in the current type's lists, then the
  // temperature / cardiac-output codes, each in the order of their lists.
  // Returns 0, or -1 as soon as entry refuses a code (it already holds
  // MaxAutoSelectKeys); the codes appended before stay in entry. The name is
  // the caller's.
  [[nodiscard]] int ToEntry(TAutoSelect& entry) const;

  // Appends to entry the codes chosen in lists, in that order, skipping the
  // lists where nothing is chosen. Returns 0, or -1 as soon as entry refuses
  // one; the codes appended before stay.
  [[nodiscard]] int AddKeys(TAutoSelect& entry, std::span<const KeyCategory* const> lists) const;

 private:
  int type_;
  std::vector<int> codes_;  // one per entry of KeyCategories(), 0 for nothing chosen
};
