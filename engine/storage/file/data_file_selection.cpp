#include "engine/storage/file/data_file_selection.h"

#include "engine/errors/engine_exception.h"
#include "engine/errors/error_codes.h"
#include "engine/index/pages/page_manager_errors.h"
#include "engine/index/pages/page_site.h"
#include "engine/storage/file/bplus_data_file.h"
#include "engine/storage/file/heap_data_file.h"
#include "engine/storage/file/table_file_layout.h"
#include "engine/types/column_type.h"

namespace vexilo::storage {

TVxbDataFileKind DataFileKindForNewTable(int16_t level, const TVxbColumnDefs& columns) {
  const TVxbColumnDef* first = columns.GetColumnDef(1);
  if (level >= 6 && first && first->TypeCode() == types::vxbRecordId && first->Name() == u"_XXX" &&
      columns.GetRecordSize() <= 16384 && columns.GetRecordSize() <= TVxbBPlusDataFile::MaxRecordSize())
    return TVxbDataFileKind::BPlus;
  return TVxbDataFileKind::Heap;
}

TVxbDataFileKind DataFileKindOf(index::TVxbClientStorage& storage) {
  try {
    if (storage.GetPageCount() == 0) return TVxbDataFileKind::Heap;
    auto page = storage.ReadPage(0);
    if (page->GetPageSize() >= 4 && page->ReadInt32(0) == kBPlusMagic) return TVxbDataFileKind::BPlus;
  } catch (const index::EVxbPageManager&) {
    throw errors::EVxbEngine(errors::vxbErrReadFile, storage.GetName());
  }
  return TVxbDataFileKind::Heap;
}

std::unique_ptr<TVxbDataFile> CreateDataFile(TVxbDataFileKind kind, errors::TVxbServices& services,
                                             std::unique_ptr<index::TVxbClientStorage> storage) {
  if (kind == TVxbDataFileKind::BPlus) return std::make_unique<TVxbBPlusDataFile>(services, std::move(storage));
  return std::make_unique<TVxbHeapDataFile>(services, std::move(storage));
}

std::unique_ptr<TVxbDataFile> SelectDataFile(errors::TVxbServices& services,
                                             std::unique_ptr<index::TVxbClientStorage> storage, bool readOnly,
                                             bool exclusive) {
  OpenTableStorage(*storage, readOnly, exclusive);
  const TVxbDataFileKind kind = DataFileKindOf(*storage);
  return CreateDataFile(kind, services, std::move(storage));
}

}  // namespace vexilo::storage
