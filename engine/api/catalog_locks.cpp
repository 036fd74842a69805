// The catalog's lock sets, transactions and the unlock thread's pass.
#include <mutex>

#include "engine/api/catalog.h"
#include "engine/errors/error_codes.h"
#include "fs/contract.h"

namespace vexilo::api {

namespace {

using Sync = std::lock_guard<fs::TvwOwnedMutex>;

}  // namespace

std::vector<int16_t> TVxbCatalog::ListIndexes(TVxbRelationList list) {
  std::vector<int16_t> indexes;
  for (const int16_t rltnIdx : list) {
    if (rltnIdx < 0 || indexes.size() >= kMaxRltnIdx) break;
    if (rltnIdx > 0) indexes.push_back(rltnIdx);
  }
  return indexes;
}

std::vector<int16_t> TVxbCatalog::SetIndexes(const TVxbRelationSet& set) {
  std::vector<int16_t> indexes;
  for (int16_t rltnIdx = 1; rltnIdx <= kMaxRltnIdx; ++rltnIdx) {
    if (set.test(static_cast<size_t>(rltnIdx))) indexes.push_back(rltnIdx);
  }
  return indexes;
}

int16_t TVxbCatalog::AcquireAll(const std::vector<int16_t>& indexes, storage::TVxbTableLockKind kind,
                                TLockSetGuards& held, int16_t* refusedRltnIdx) {
  if (refusedRltnIdx != nullptr) *refusedRltnIdx = 0;
  // Locks taken by this call, given back (last first) unless all are had.
  std::vector<std::pair<int16_t, storage::TVxbTableLockGuard>> taken;
  int16_t result = 0;
  for (const int16_t rltnIdx : indexes) {
    TVxbCatalogTable* table = GetTable(rltnIdx);
    if (table == nullptr || !table->GetActive()) {
      result = Fail(errors::vxbErrInvalidParameter, {u"RltnIdx"});
    } else {
      storage::TVxbTableLockGuard lock(table->Locks(), kind, true);
      if (lock) {
        taken.emplace_back(rltnIdx, std::move(lock));
        continue;
      }
      result = lock.Result();
    }
    if (refusedRltnIdx != nullptr) *refusedRltnIdx = rltnIdx;
    while (!taken.empty()) {
      taken.back().second.Release();
      taken.pop_back();
    }
    return result;
  }
  for (auto& [rltnIdx, lock] : taken) held[rltnIdx].push_back(std::move(lock));
  return 0;
}

int16_t TVxbCatalog::ReleaseAll(const std::vector<int16_t>& indexes, TLockSetGuards& held, bool stopAtMissing) {
  for (const int16_t rltnIdx : indexes) {
    if (rltnIdx > kMaxRltnIdx || held[rltnIdx].empty()) {
      if (stopAtMissing) return Fail(errors::vxbErrInvalidAccess, {});
      continue;
    }
    held[rltnIdx].back().Release();
    held[rltnIdx].pop_back();
  }
  return 0;
}

int16_t TVxbCatalog::AcquireReadLocks(TVxbRelationList list, int16_t* refusedRltnIdx) {
  return AcquireAll(ListIndexes(list), storage::TVxbTableLockKind::Read, FReadLockSets, refusedRltnIdx);
}

int16_t TVxbCatalog::AcquireWriteLocks(TVxbRelationList list, int16_t* refusedRltnIdx) {
  return AcquireAll(ListIndexes(list), storage::TVxbTableLockKind::Write, FWriteLockSets, refusedRltnIdx);
}

int16_t TVxbCatalog::ReleaseReadLocks(TVxbRelationList list) {
  ReleaseAll(ListIndexes(list), FReadLockSets, false);
  return 0;
}

int16_t TVxbCatalog::ReleaseWriteLocks(TVxbRelationList list) {
  ReleaseAll(ListIndexes(list), FWriteLockSets, false);
  return 0;
}

int16_t TVxbCatalog::WaitReadFiles(const TVxbRelationSet& set, int16_t* refusedRltnIdx) {
  return AcquireAll(SetIndexes(set), storage::TVxbTableLockKind::Read, FReadLockSets, refusedRltnIdx);
}

int16_t TVxbCatalog::WaitWriteFiles(const TVxbRelationSet& set, int16_t* refusedRltnIdx) {
  return AcquireAll(SetIndexes(set), storage::TVxbTableLockKind::Write, FWriteLockSets, refusedRltnIdx);
}

int16_t TVxbCatalog::EndReadFiles(const TVxbRelationSet& set) { return ReleaseAll(SetIndexes(set), FReadLockSets, true); }

int16_t TVxbCatalog::EndWriteFiles(const TVxbRelationSet& set) {
  return ReleaseAll(SetIndexes(set), FWriteLockSets, true);
}

// --- transactions ---

int16_t TVxbCatalog::BeginTransaction() {
  if (InTransaction()) return Fail(errors::vxbErrTransactionRunning, {});
  const Sync sync(FRelationListSync);
  FServices.SetIsolationLevel(storage::TVxbIsolationLevel::ReadCommitted);
  for (const auto& table : FRelations) {
    if (table) table->SetIsolationLevel(storage::TVxbIsolationLevel::ReadCommitted);
  }
  return 0;
}

int16_t TVxbCatalog::EndTransaction(bool commit) {
  if (!InTransaction()) return 0;
  const Sync sync(FRelationListSync);
  for (const auto& table : FRelations) {
    if (table && table->GetActive() && (table->CountReadLocks() > 0 || table->CountWriteLocks() > 1)) {
      return Fail(errors::vxbErrLocksOnTable, {table->GetName()});
    }
  }
  FServices.SetIsolationLevel(storage::TVxbIsolationLevel::None);
  // Every table ends its part, even after one failed: a rollback undoes as
  // much as it can, and no table keeps a redo log or a lock of a
  // transaction that is over. The first failure is the result.
  int16_t result = 0;
  for (const auto& table : FRelations) {
    if (!table) continue;
    table->SetIsolationLevel(storage::TVxbIsolationLevel::None);
    if (!table->GetActive()) continue;
    const int16_t ended = table->EndTransaction(commit);
    if (ended < 0 && result == 0) result = ended;
  }
  return result;
}

// --- the unlock thread's pass ---

void TVxbCatalog::CheckUnlock(int64_t ticks) {
  const Sync sync(FRelationListSync);
  for (int16_t rltnIdx = 1; rltnIdx <= kMaxRltnIdx; ++rltnIdx) {
    TVxbCatalogTable* table = FRelations[rltnIdx].get();
    if (table == nullptr || !table->GetActive()) continue;
    try {
      table->CheckUnlock(ticks);
    } catch (...) {
      // One table's failure does not keep the others waiting.
    }
  }
}

}  // namespace vexilo::api
