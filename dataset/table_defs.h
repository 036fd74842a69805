// TVxbBaseTableDefs: the tables a database component opens with its
// connection, each with whether its record edit locks are switched on. Names
// compare without regard to case.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vexilo::dataset {

class TVxbBaseTableDef {
 public:
  explicit TVxbBaseTableDef(std::u16string name) : FName(std::move(name)) {}

  const std::u16string& Name() const { return FName; }
  void SetName(std::u16string value) { FName = std::move(value); }
  // Whether the table's record edit locks are used (default true).
  bool UseEditLocks() const { return FUseEditLocks; }
  void SetUseEditLocks(bool value) { FUseEditLocks = value; }

 private:
  std::u16string FName;
  bool FUseEditLocks = true;
};

class TVxbBaseTableDefs {
 public:
  TVxbBaseTableDef& AddTableDef(std::u16string name);
  // The item named `name`, or nullptr.
  TVxbBaseTableDef* Find(std::u16string_view name);
  // The position of the item named `name`, or -1.
  int IndexOf(std::u16string_view name) const;
  void Clear() { FItems.clear(); }

  int Count() const { return static_cast<int>(FItems.size()); }
  TVxbBaseTableDef& operator[](int index) { return *FItems.at(static_cast<size_t>(index)); }

 private:
  std::vector<std::unique_ptr<TVxbBaseTableDef>> FItems;
};

}  // namespace vexilo::dataset
