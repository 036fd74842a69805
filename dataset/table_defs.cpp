#include "dataset/table_defs.h"

#include "framework/core/name_compare.h"

namespace vexilo::dataset {

TVxbBaseTableDef& TVxbBaseTableDefs::AddTableDef(std::u16string name) {
  FItems.push_back(std::make_unique<TVxbBaseTableDef>(std::move(name)));
  return *FItems.back();
}

TVxbBaseTableDef* TVxbBaseTableDefs::Find(std::u16string_view name) {
  const int index = IndexOf(name);
  return index < 0 ? nullptr : FItems[static_cast<size_t>(index)].get();
}

int TVxbBaseTableDefs::IndexOf(std::u16string_view name) const {
  for (size_t i = 0; i < FItems.size(); ++i) {
    if (framework::SameText(FItems[i]->Name(), name)) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace vexilo::dataset
