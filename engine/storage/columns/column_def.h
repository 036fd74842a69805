// TVxbColumnDef and its subclasses: the definition of one column of a table —
// its name, its data type (which carries the type code and nullability), the
// bytes it takes in a record, its option bits, where it lies in the record,
// and its calculation or initial-value expression. The subclasses add what
// some types need beyond their data type:
//
//   class                    type codes          adds
//   TVxbTextColumnDef        0, 1, 7, 18, 19     the column's own collation
//   TVxbNumberColumnDef      3                   (scale, kept in the type)
//   TVxbTimeColumnDef        13                  (precision, in the type)
//   TVxbEnumColumnDef        8                   (value names, in the type)
//   TVxbRecordIdColumnDef    9                   indication, start value
//   TVxbAdlColumnDef         10, 12              the linked table
//   TVxbColumnDef            all others
//
// A column's `Position` is set by the list that holds it (column_defs.h).
// SaveToStream / LoadFromStream write and read the column's entry in the
// definition block of level-5 and level-6 table files (layout in
// table_definition_block.h). Definitions are plain objects owned by their
// list; data types are shared registry objects and never owned.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/storage/table/expression_source.h"
#include "engine/storage/file/header_stream.h"
#include "engine/types/data_type.h"
#include "engine/types/field_codec.h"

namespace vexilo::storage {

// Option bits of a column.
inline constexpr uint32_t kColumnCalculated = 0x01;    // the expression is a calculation
inline constexpr uint32_t kColumnValueRange = 0x02;    // value range; the expression is no calculation
inline constexpr uint32_t kColumnCalcOnAppend = 0x04;  // with 0x01: calculate only when appending
inline constexpr uint32_t kColumnNullByte = 0x08;      // a null byte inside the column's Size
inline constexpr uint32_t kColumnNullable = 0x20;      // the column accepts null
inline constexpr uint32_t kColumnUnique = 0x40;        // RecordId: unique indication; Link: not indexed
inline constexpr uint32_t kColumnLevel4Marker = 0x80;  // set on every column of a level-4 header

// When a column's expression is evaluated (a set of these bits).
enum TVxbCalculationPurpose : uint8_t { clpInitialization = 1, clpAppending = 2, clpUpdating = 4 };
using TVxbCalculationPurposes = uint8_t;

// What reading a column entry needs to know about its table.
struct TVxbColumnLoadContext {
  int16_t Level = 6;
  std::u16string TableCollation;  // empty: the engine collation
};

class TVxbColumnDef {
 public:
  // A column `name` of `dataType` (not null) with `options`; its Size is
  // the type's data size.
  TVxbColumnDef(std::u16string name, const types::TVxbDataType* dataType, uint32_t options);
  virtual ~TVxbColumnDef() = default;
  TVxbColumnDef& operator=(const TVxbColumnDef&) = delete;

  // A column of the class type `typeCode` belongs to, with no name and no
  // data type yet, for LoadFromStream. Null for a code that is no column type.
  static std::unique_ptr<TVxbColumnDef> CreateForType(int16_t typeCode);
  // A column of the class `dataType`'s code belongs to.
  static std::unique_ptr<TVxbColumnDef> Create(std::u16string name, const types::TVxbDataType* dataType,
                                               uint32_t options);

  virtual std::unique_ptr<TVxbColumnDef> Clone() const;
  // Moves the definition to table `level`: the type becomes that level's,
  // Date and TimeStamp columns lose their null byte from level 6 on, and
  // Size follows the type. The owning list must recompute positions.
  virtual void SetTableLevel(int16_t level);
  // Writes the column's entry of a level-5/6 definition block.
  virtual void SaveToStream(TVxbHeaderWriter& s) const;
  // Reads the entry (after its type code, which chose the class). Raises
  // 134 for an entry that makes no valid column, 138 for an unknown
  // collation.
  virtual void LoadFromStream(TVxbHeaderReader& s, const TVxbColumnLoadContext& context);

  const std::u16string& Name() const { return FName; }
  void SetName(std::u16string name) { FName = std::move(name); }
  const types::TVxbDataType* DataType() const { return FDataType; }
  int16_t TypeCode() const { return FTypeCode; }
  // Bytes of the column in a record, null byte included.
  int16_t Size() const { return FSize; }
  // Sets the stored size (levels 5 and 6 keep the size a file gives).
  void SetSize(int16_t size) { FSize = size; }
  uint32_t Options() const { return FOptions; }
  void SetOptions(uint32_t options) { FOptions = options; }
  int32_t Position() const { return FPosition; }
  const std::optional<TVxbExpressionSource>& Calculation() const { return FCalculation; }
  void SetCalculation(std::optional<TVxbExpressionSource> calculation) { FCalculation = std::move(calculation); }
  int16_t BaseRltnIdx() const { return FBaseRltnIdx; }
  int16_t BaseFieldNo() const { return FBaseFieldNo; }

  bool IsNullable() const { return FDataType && FDataType->Nullable(); }
  bool HasNullByte() const { return (FOptions & kColumnNullByte) != 0; }
  TVxbCalculationPurposes CalculationPurposes() const;
  // Switches the type to its nullable or non-nullable variant and sets the
  // option bits and Size to match. The owning list must recompute positions.
  void SetNullable(bool value, int16_t tableLevel);
  // Where the column lies in a record of a table of `level`, for the field
  // codec.
  types::TVxbFieldLayout FieldLayout(int16_t level) const;

 protected:
  explicit TVxbColumnDef(int16_t typeCode);
  TVxbColumnDef(const TVxbColumnDef&) = default;

  // Reads the fields every entry has: name, options, size, expression.
  void LoadCommon(TVxbHeaderReader& s);
  // Sets the type made by `make` and makes the null-byte and nullable
  // options agree with it. Types that cannot be made from what a file holds,
  // or that need more bytes than the stored size, mark the header damaged
  // (134); an unknown collation stays error 138.
  template <typename Make>
  void SetLoadedType(Make make);
  // Clears 0x08 and 0x20 and sets them as the type says.
  void SyncNullOptions();

  friend class TVxbColumnDefs;

  int16_t FTypeCode;
  std::optional<TVxbExpressionSource> FCalculation;
  std::u16string FName;
  const types::TVxbDataType* FDataType = nullptr;
  int16_t FSize = 0;
  uint32_t FOptions = 0;
  int32_t FPosition = 0;
  int16_t FBaseRltnIdx = 0;
  int16_t FBaseFieldNo = 0;
};

// Char, String, Memo, WideString and WideMemo.
class TVxbTextColumnDef : public TVxbColumnDef {
 public:
  TVxbTextColumnDef(std::u16string name, const types::TVxbDataType* dataType, uint32_t options,
                    std::u16string collationName = {});
  std::unique_ptr<TVxbColumnDef> Clone() const override;
  void SaveToStream(TVxbHeaderWriter& s) const override;
  void LoadFromStream(TVxbHeaderReader& s, const TVxbColumnLoadContext& context) override;

  // The column's own collation; empty when it takes the table's.
  const std::u16string& CollationName() const { return FCollationName; }

 private:
  friend class TVxbColumnDef;
  explicit TVxbTextColumnDef(int16_t typeCode) : TVxbColumnDef(typeCode) {}
  TVxbTextColumnDef(const TVxbTextColumnDef&) = default;

  std::u16string FCollationName;
};

// Float; the scale is kept in the type.
class TVxbNumberColumnDef : public TVxbColumnDef {
 public:
  using TVxbColumnDef::TVxbColumnDef;
  std::unique_ptr<TVxbColumnDef> Clone() const override;
  void SaveToStream(TVxbHeaderWriter& s) const override;
  void LoadFromStream(TVxbHeaderReader& s, const TVxbColumnLoadContext& context) override;
  int16_t Scale() const;

 private:
  friend class TVxbColumnDef;
};

// Time; the precision (2 to 4) is kept in the type.
class TVxbTimeColumnDef : public TVxbColumnDef {
 public:
  using TVxbColumnDef::TVxbColumnDef;
  std::unique_ptr<TVxbColumnDef> Clone() const override;
  void SaveToStream(TVxbHeaderWriter& s) const override;
  void LoadFromStream(TVxbHeaderReader& s, const TVxbColumnLoadContext& context) override;
  int16_t Precision() const;

 private:
  friend class TVxbColumnDef;
};

// Enum; the value names are kept in the type.
class TVxbEnumColumnDef : public TVxbColumnDef {
 public:
  using TVxbColumnDef::TVxbColumnDef;
  std::unique_ptr<TVxbColumnDef> Clone() const override;
  void SaveToStream(TVxbHeaderWriter& s) const override;
  void LoadFromStream(TVxbHeaderReader& s, const TVxbColumnLoadContext& context) override;
  std::vector<std::u16string> ValueNames() const;

 private:
  friend class TVxbColumnDef;
};

// The table's record id column.
class TVxbRecordIdColumnDef : public TVxbColumnDef {
 public:
  TVxbRecordIdColumnDef(std::u16string name, const types::TVxbDataType* dataType, uint32_t options,
                        std::u16string indexSpec = {}, int32_t startValue = 1);
  std::unique_ptr<TVxbColumnDef> Clone() const override;

  // The indication: the columns that represent the record to other tables.
  const std::u16string& IndexSpec() const { return FIndexSpec; }
  void SetIndexSpec(std::u16string indexSpec) { FIndexSpec = std::move(indexSpec); }
  // Whether the indication is unique (option 0x40).
  bool GetUniqueIdInfo() const { return (FOptions & kColumnUnique) != 0; }
  void SetUniqueIdInfo(bool unique);
  int32_t StartValue() const { return FStartValue; }
  void SetStartValue(int32_t startValue) { FStartValue = startValue; }

 private:
  friend class TVxbColumnDef;
  explicit TVxbRecordIdColumnDef(int16_t typeCode) : TVxbColumnDef(typeCode) {}
  TVxbRecordIdColumnDef(const TVxbRecordIdColumnDef&) = default;

  std::u16string FIndexSpec;
  int32_t FStartValue = 1;
};

// Link and Relation.
class TVxbAdlColumnDef : public TVxbColumnDef {
 public:
  TVxbAdlColumnDef(std::u16string name, const types::TVxbDataType* dataType, uint32_t options,
                   std::u16string linkedTable);
  std::unique_ptr<TVxbColumnDef> Clone() const override;
  void SaveToStream(TVxbHeaderWriter& s) const override;
  void LoadFromStream(TVxbHeaderReader& s, const TVxbColumnLoadContext& context) override;

  // The linked table's name; "@" in a file stands for the table itself.
  const std::u16string& LinkedTable() const { return FLinkedTable; }
  void SetLinkedTable(std::u16string linkedTable) { FLinkedTable = std::move(linkedTable); }

  // Set by the table when it resolves the link.
  int16_t LinkedRltnIdx = 0;
  int16_t RelatedRltnIdx = 0;
  int16_t LinkIndexNo = 0;
  int16_t LinkColumnNo = 0;

 private:
  friend class TVxbColumnDef;
  explicit TVxbAdlColumnDef(int16_t typeCode) : TVxbColumnDef(typeCode) {}
  TVxbAdlColumnDef(const TVxbAdlColumnDef&) = default;

  std::u16string FLinkedTable;
};

// True for the type codes a column may have (0 to 13 and 16 to 21).
bool IsColumnTypeCode(int16_t typeCode);

}  // namespace vexilo::storage
