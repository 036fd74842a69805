// TIndexDefs and TIndexDef: the indexes a dataset's table offers (name, key
// fields or expression, options), as the dataset reads them from its cursor.
// The collection belongs to its dataset; the framework itself does not use
// it.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vexilo::framework {

struct TIndexOptions {
  bool Primary = false;          // ixPrimary
  bool Unique = false;           // ixUnique
  bool Descending = false;       // ixDescending
  bool CaseInsensitive = false;  // ixCaseInsensitive
  bool Expression = false;       // ixExpression
};

class TIndexDef {
 public:
  TIndexDef(std::u16string name, std::u16string fields, TIndexOptions options)
      : FName(std::move(name)), FFields(std::move(fields)), FOptions(options) {}

  const std::u16string& Name() const { return FName; }
  // The key fields, separated by ";".
  const std::u16string& Fields() const { return FFields; }
  // The key expression of an expression index.
  const std::u16string& Expression() const { return FExpression; }
  // The key fields sorted in descending order, separated by ";".
  const std::u16string& DescFields() const { return FDescFields; }
  const TIndexOptions& Options() const { return FOptions; }

  void SetFields(std::u16string value) { FFields = std::move(value); }
  void SetExpression(std::u16string value) { FExpression = std::move(value); }
  void SetDescFields(std::u16string value) { FDescFields = std::move(value); }
  void SetOptions(const TIndexOptions& value) { FOptions = value; }

 private:
  std::u16string FName;
  std::u16string FFields;
  std::u16string FExpression;
  std::u16string FDescFields;
  TIndexOptions FOptions;
};

class TIndexDefs {
 public:
  TIndexDefs() = default;
  TIndexDefs(const TIndexDefs&) = delete;
  TIndexDefs& operator=(const TIndexDefs&) = delete;

  // Appends a definition and returns it.
  TIndexDef& Add(std::u16string name, std::u16string fields, TIndexOptions options = {});
  void Clear() { FItems.clear(); }
  int Count() const { return static_cast<int>(FItems.size()); }
  TIndexDef& operator[](int index) { return *FItems.at(static_cast<size_t>(index)); }
  const TIndexDef& operator[](int index) const { return *FItems.at(static_cast<size_t>(index)); }
  // The position of the index named `name` (case ignored), or -1.
  int IndexOf(std::u16string_view name) const;
  // The index named `name` (case ignored), or nullptr.
  TIndexDef* Find(std::u16string_view name);
  // The index whose key fields are `fields` (";"-separated, case ignored),
  // or nullptr.
  TIndexDef* FindIndexForFields(std::u16string_view fields);
  // Whether the definitions are current.
  bool Updated() const { return FUpdated; }
  void SetUpdated(bool value) { FUpdated = value; }

 private:
  std::vector<std::unique_ptr<TIndexDef>> FItems;
  bool FUpdated = false;
};

}  // namespace vexilo::framework
