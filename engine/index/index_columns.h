// TVxbIndexColumns: what the index layer needs to know about the columns of
// the table an index belongs to. Column definitions live in the storage
// layer above; the table implements this interface so that index
// definitions can be parsed, checked and turned into key layouts here.
//
// Implementations are read-only views; they are used by one thread at a time.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/types/collation.h"

namespace vexilo::index {

// One column as an index sees it.
struct TVxbIndexColumn {
  int16_t Number = 0;     // 1-based column number
  std::u16string Name;
  int16_t TypeCode = 0;   // column type code
  int32_t Size = 0;       // bytes of the column's field in the record, null byte included
  int32_t Position = 0;   // where the field starts in the record buffer
  bool HasNullByte = false;
  // String and WideString columns: the column's collation (null = engine
  // collation) and comparison options.
  const types::TVxbCollation* Collation = nullptr;
  types::TStrCmpOptions CmpOptions = 0;
};

class TVxbIndexColumns {
 public:
  virtual ~TVxbIndexColumns() = default;

  virtual int ColumnCount() const = 0;
  // Fills `column` for 1-based `number`; false when there is no such column.
  virtual bool GetColumn(int number, TVxbIndexColumn& column) const = 0;
  // The 1-based number of the column named `name` (compared without regard
  // to case); 0 when there is none.
  virtual int FindColumn(std::u16string_view name) const = 0;
  // Compiles the expression of a calculated index and gives its result type
  // code and the size of its key; false when the expression is invalid. A
  // table without an expression compiler accepts no calculated index.
  virtual bool ResolveCalculation(std::u16string_view source, int16_t& resultType, int32_t& keySize) const {
    (void)source, (void)resultType, (void)keySize;
    return false;
  }
};

}  // namespace vexilo::index
