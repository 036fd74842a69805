// Managing a table's set of indexes: removing, renaming and rebuilding
// indexes, and renaming the table with all its files.
#include "engine/errors/error_codes.h"
#include "engine/storage/base_table.h"

namespace vexilo::storage {

int16_t TVxbBaseTable::NewIndex(std::u16string_view name, const index::TVxbSortDef& def, int64_t capacity,
                                const index::TVxbBuildProgress& progress) {
  (void)name, (void)def, (void)capacity, (void)progress;
  return -errors::vxbErrInternal;
}

void TVxbBaseTable::IndexRemoved(int indexNo) { (void)indexNo; }

int16_t TVxbBaseTable::DeleteIndex(int indexNo) {
  (void)indexNo;
  return -errors::vxbErrInternal;
}

int16_t TVxbBaseTable::RenameIndex(int indexNo, std::u16string_view newName) {
  (void)indexNo, (void)newName;
  return -errors::vxbErrInternal;
}

int16_t TVxbBaseTable::RegenIndex(const index::TVxbBuildProgress& progress) {
  (void)progress;
  return -errors::vxbErrInternal;
}

int16_t TVxbBaseTable::RegenIndex(int indexNo, const index::TVxbBuildProgress& progress) {
  (void)indexNo, (void)progress;
  return -errors::vxbErrInternal;
}

int16_t TVxbBaseTable::Rename(std::u16string_view newName) {
  (void)newName;
  return -errors::vxbErrInternal;
}

int16_t TVxbBaseTable::Check(TVxbRelation& report, const TVxbCheckProgress& progress) {
  (void)report, (void)progress;
  return -errors::vxbErrInternal;
}

}  // namespace vexilo::storage
