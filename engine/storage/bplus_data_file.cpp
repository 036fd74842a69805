#include "engine/storage/bplus_data_file.h"

#include "engine/errors/engine_exception.h"
#include "engine/errors/error_codes.h"
#include "engine/storage/table_file_layout.h"
#include "engine/types/column_type.h"
#include "engine/types/memory.h"

namespace vexilo::storage {

namespace {

constexpr char16_t kLayoutName[] = u"B+ tree table files";

}  // namespace

int16_t TVxbBPlusDataFile::Refuse() {
  return FServices.SetLastError(errors::vxbErrNotSupported, {fs::FormatArg(kLayoutName)});
}

int16_t TVxbBPlusDataFile::Open(bool readOnly, bool exclusive, TVxbTableCryptor& cryptor,
                                TVxbTableDefinition& definition) {
  (void)cryptor, (void)definition;
  try {
    OpenStorage(readOnly, exclusive);
    auto source = HeaderSource();
    if (source->Size() < 6) RaiseDamagedHeader();
    uint8_t start[6];
    source->ReadAt(0, start, sizeof start);
    if (types::TvwMemory::ReadInt32(start, 0) != kBPlusMagic) RaiseDamagedHeader();
    const int16_t level = types::TvwMemory::ReadInt16(start, 4);
    if (level > kMaxLevel) RaiseDamagedHeader();
    throw errors::EVxbEngine(errors::vxbErrNotSupported, {fs::FormatArg(kLayoutName)});
  } catch (...) {
    CloseStorage();
    throw;
  }
}

int16_t TVxbBPlusDataFile::NewFile(int16_t level, TVxbTableCryptor& cryptor, TVxbTableDefinition& definition) {
  (void)level, (void)cryptor;
  const TVxbColumnDef* first = definition.ColumnDefs.GetColumnDef(1);
  if (!first || first->TypeCode() != types::vxbRecordId)
    return FServices.SetLastError(errors::vxbErrLevelFeature,
                                  {fs::FormatArg(FileName()), fs::FormatArg(u"First column must be a record id")});
  return Refuse();
}

}  // namespace vexilo::storage
