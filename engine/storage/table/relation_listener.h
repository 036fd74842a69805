// IRelationListener: what a relation tells the accessors registered on it
// about changes to its records and structure, and the questions it asks
// them (whether one of them is editing a record or using an index). Accessors implement it and
// register with TVxbRelation::AddAccessor; every notice has an empty default
// so an accessor overrides only what it cares about.
//
// Notices arrive on the thread that changed the relation, after the change
// is complete and while the relation still holds its write lock; a listener
// must not change the relation from inside a notice.
#pragma once

#include <cstdint>

namespace vexilo::storage {

class IRelationListener {
 public:
  virtual ~IRelationListener() = default;

  // Records were added, or the relation was refreshed after another
  // session's changes: anything read before may be stale.
  virtual void RecordsChanged() {}
  // Record `recNo` was replaced.
  virtual void RecordUpdated(int32_t recNo) { (void)recNo; }
  // Record `recNo` was deleted; the record numbered `movedFrom` now carries
  // number `recNo` (0 when no record moved).
  virtual void RecordDeleted(int32_t recNo, int32_t movedFrom) { (void)recNo, (void)movedFrom; }
  // Columns, indexes or the whole content changed at once.
  virtual void StructureChanged() {}
  // The index in place `indexNo` is gone.
  virtual void IndexRemoved(int indexNo) { (void)indexNo; }
  // Whether this accessor is editing record `recNo`.
  virtual bool IsEditing(int32_t recNo) const {
    (void)recNo;
    return false;
  }
  // Whether this accessor uses the index in place `indexNo` (which may then
  // not be deleted).
  virtual bool UsesIndex(int indexNo) const {
    (void)indexNo;
    return false;
  }
};

}  // namespace vexilo::storage
