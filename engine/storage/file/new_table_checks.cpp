#include "engine/storage/file/new_table_checks.h"

#include <string>

#include "engine/errors/error_codes.h"
#include "engine/storage/file/password_field.h"
#include "engine/storage/file/table_file_layout.h"
#include "engine/storage/file/table_header.h"
#include "engine/types/column_type.h"

namespace vexilo::storage {

int16_t CheckNewTable(errors::TVxbServices& services, std::u16string_view fileName, int16_t level,
                      const TVxbTableCryptor& cryptor, const TVxbTableDefinition& definition) {
  const TVxbEncryptionMethod method = cryptor.Method();
  const fs::FormatArg file{fileName};
  if (level <= 3 && (method == temFastEncrypt || method == temBlowfish || method == temRijndael))
    return services.SetLastError(errors::vxbErrLevelFeature, {file, fs::FormatArg(u"Strong encryption")});
  if (level >= 4 && method == temClassic)
    return services.SetLastError(errors::vxbErrLevelFeature, {file, fs::FormatArg(u"Classic encryption")});
  if (!cryptor.Init())
    return services.SetLastError(errors::vxbErrNotSupported,
                                 {fs::FormatArg(u"Table encryption " + std::u16string(EncryptionMethodName(method)))});
  if (level >= 5 && cryptor.Password().size() > kMaxPasswordLength)
    return services.SetLastError(errors::vxbErrInvalidPassword, fs::FormatArgs{});

  const TVxbColumnDefs& columns = definition.ColumnDefs;
  if (columns.Count() == 0 || columns.GetRecordSize() == 0)
    return services.SetLastError(errors::vxbErrDefinitionMissing, fs::FormatArgs{});
  if (columns.Count() > kMaxColumns || columns.GetRecordSize() > kMaxRecordSize)
    return services.SetLastError(errors::vxbErrTooManyColumns, fs::FormatArgs{});
  if (definition.Capacity < 1) return services.SetLastError(errors::vxbErrInvalidParameter, {fs::FormatArg(u"Capacity")});

  const size_t collationRoom = level <= 2 ? 0 : level <= 4 ? 3 : 0xFFFF;
  if (HeaderCollation(definition.CollationName).WideToAnsi(definition.CollationName).size() > collationRoom)
    return services.SetLastError(errors::vxbErrLevelFeature, {file, fs::FormatArg(u"Collation")});
  for (const auto& column : columns) {
    const fs::FormatArg name{column->Name()};
    if (level < 3 && column->TypeCode() >= 16)
      return services.SetLastError(errors::vxbErrLevelFeature, {name, fs::FormatArg(u"Data type")});
    if (level <= 2 && column->Size() > 256)
      return services.SetLastError(errors::vxbErrLevelFeature, {name, fs::FormatArg(u"String length")});
  }
  return 0;
}

}  // namespace vexilo::storage
