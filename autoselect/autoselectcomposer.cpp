#include "autoselect/autoselectcomposer.h"

#include <cstddef>
#include <optional>

namespace {

int TypeOfGroup(SimulationGroup group) {
  switch (group) {
    case SimulationGroup::Multiparameter:
      return 0;
    case SimulationGroup::Arrhythmia:
      return 1;
    case SimulationGroup::Fetal:
      return 2;
    case SimulationGroup::PacedECG:
      return 3;
    case SimulationGroup::ECGPerformance:
      return 4;
    case SimulationGroup::TempCO:
    case SimulationGroup::None:
      break;
  }
  return -1;
}

bool IsType(int type) { return type >= 0 && type < AutoSelectComposer::TypeCount; }

// The place of list among KeyCategories(); runs are disjoint, so the first
// code names a category.
std::optional<std::size_t> SlotOf(const KeyCategory& list) {
  const std::span<const KeyCategory> all = KeyCategories();
  for (std::size_t i = 0; i < all.size(); ++i) {
    if (all[i].firstCode == list.firstCode) return i;
  }
  return std::nullopt;
}

}  // namespace

int AutoSelectComposer::TypeOf(int code) { return TypeOfGroup(SimulationGroupOf(code)); }

// The catalogue holds its categories in code order, and each type's page, like
// the temperature / cardiac-output panel, lays its lists out in that same
// order: so a group's categories, in catalogue order, are its lists in the
// order they give codes.
std::vector<const KeyCategory*> AutoSelectComposer::ListsOf(int type) {
  std::vector<const KeyCategory*> lists;
  if (!IsType(type)) return lists;
  for (const KeyCategory& category : KeyCategories()) {
    if (TypeOfGroup(category.group) == type) lists.push_back(&category);
  }
  return lists;
}

std::vector<const KeyCategory*> AutoSelectComposer::TempCOLists() {
  std::vector<const KeyCategory*> lists;
  for (const KeyCategory& category : KeyCategories()) {
    if (category.group == SimulationGroup::TempCO) lists.push_back(&category);
  }
  return lists;
}

AutoSelectComposer::AutoSelectComposer(int type)
    : type_(IsType(type) ? type : 0), codes_(KeyCategories().size(), 0) {}

AutoSelectComposer AutoSelectComposer::FromEntry(const TAutoSelect& entry) {
  AutoSelectComposer composer;
  for (unsigned i = 0; i < entry.KeyCount(); ++i) {
    const int code = entry.KeyAt(i);
    if (const KeyCategory* list = KeyCategoryOf(code)) composer.SetCode(*list, code);
    if (const int type = TypeOf(code); type >= 0) composer.type_ = type;
  }
  return composer;
}

int AutoSelectComposer::Code(const KeyCategory& list) const {
  const std::optional<std::size_t> slot = SlotOf(list);
  return slot ? codes_[*slot] : 0;
}

void AutoSelectComposer::SetCode(const KeyCategory& list, int code) {
  const std::optional<std::size_t> slot = SlotOf(list);
  if (!slot || (code != 0 && !list.Holds(code))) return;
  codes_[*slot] = code;
}

int AutoSelectComposer::CommandCount(int type) const {
  if (!IsType(type)) return -1;
  // Counted the way the instrument's slot fills: an entry refuses the
  // eleventh code.
  TAutoSelect scratch;
  if (AddKeys(scratch, ListsOf(type)) != 0 || AddKeys(scratch, TempCOLists()) != 0) return -1;
  return static_cast<int>(scratch.KeyCount());
}

void AutoSelectComposer::CarryTempCO(int type) {
  if (IsType(type)) type_ = type;
}

int AutoSelectComposer::ToEntry(TAutoSelect& entry) const {
  if (AddKeys(entry, ListsOf(type_)) != 0) return -1;
  return AddKeys(entry, TempCOLists());
}

int AutoSelectComposer::AddKeys(TAutoSelect& entry,
                                std::span<const KeyCategory* const> lists) const {
  for (const KeyCategory* list : lists) {
    const int code = Code(*list);
    if (code != 0 && entry.AddKey(code) != 0) return -1;
  }
  return 0;
}
