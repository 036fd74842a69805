#include "framework/core/index_defs.h"

#include "framework/core/name_compare.h"

namespace vexilo::framework {

TIndexDef& TIndexDefs::Add(std::u16string name, std::u16string fields, TIndexOptions options) {
  FItems.push_back(std::make_unique<TIndexDef>(std::move(name), std::move(fields), options));
  return *FItems.back();
}

int TIndexDefs::IndexOf(std::u16string_view name) const {
  for (size_t i = 0; i < FItems.size(); ++i) {
    if (SameText(FItems[i]->Name(), name)) return static_cast<int>(i);
  }
  return -1;
}

TIndexDef* TIndexDefs::Find(std::u16string_view name) {
  const int index = IndexOf(name);
  return index >= 0 ? FItems[static_cast<size_t>(index)].get() : nullptr;
}

TIndexDef* TIndexDefs::FindIndexForFields(std::u16string_view fields) {
  for (const auto& item : FItems) {
    if (!item->Options().Expression && SameText(item->Fields(), fields)) return item.get();
  }
  return nullptr;
}

}  // namespace vexilo::framework
