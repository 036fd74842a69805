// TRelationList: the process-wide register of open relations, addressed by
// relation handles. A handle combines the 1-based session handle and the
// relation's index within its session (1 to 255 here; the catalog hands out
// 1 to 254, and 254 is each session's temporary handle):
//
//   handle  = (session - 1) * 256 + index     (an index of 0 or below is
//                                               passed through unchanged)
//   session = handle div 256 + 1
//   index   = handle mod 256
//
// The register is a flat table of 25601 places (place 0 unused). A handle is
// valid when it lies in 1 .. 25599 — every index 1 to 255 of the sessions 1
// to 100 — and names an active relation.
//
// The relations are not owned: the catalog that creates a relation
// registers it and removes it before destroying it. All operations are
// safe across threads.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>

#include "engine/storage/table/relation.h"

namespace vexilo::storage {

class TRelationList {
 public:
  static constexpr int kMaxSessions = 100;
  static constexpr int kHandlesPerSession = 256;
  static constexpr int32_t kSlotCount = 25601;
  static constexpr int16_t kTemporaryIndex = 254;
  // The highest valid handle: session 100, index 255.
  static constexpr int32_t kMaxHandle = (kMaxSessions - 1) * kHandlesPerSession + 255;

  TRelationList() = default;
  TRelationList(const TRelationList&) = delete;
  TRelationList& operator=(const TRelationList&) = delete;

  // The one register of the process.
  static TRelationList& Instance();

  static int32_t CalcRltnHdl(int32_t sessHdl, int32_t rltnIdx);
  static int32_t GetSessionHandle(int32_t rltnHdl) { return rltnHdl / kHandlesPerSession + 1; }
  static int32_t GetRltnIdx(int32_t rltnHdl) { return rltnHdl % kHandlesPerSession; }
  // The handle of session `sessHdl`'s temporary relation.
  static int32_t GetTemporaryHandle(int32_t sessHdl) { return CalcRltnHdl(sessHdl, kTemporaryIndex); }

  // The relation registered under `rltnHdl`; null for none or a handle
  // outside the table.
  TVxbRelation* GetRelation(int32_t rltnHdl) const;
  TVxbRelation* GetSessionRelation(int32_t sessHdl, int32_t rltnIdx) const {
    return GetRelation(CalcRltnHdl(sessHdl, rltnIdx));
  }
  // Registers `relation` under `rltnHdl`; false for a handle outside the
  // valid range.
  bool SetRelation(int32_t rltnHdl, TVxbRelation* relation);
  void RemoveRelation(int32_t rltnHdl) { SetRelation(rltnHdl, nullptr); }
  // Whether the handle is in range and names an active relation.
  bool IsValidRltnHdl(int32_t rltnHdl) const;
  bool IsValidRelation(int32_t sessHdl, int32_t rltnIdx) const {
    return IsValidRltnHdl(CalcRltnHdl(sessHdl, rltnIdx));
  }

 private:
  mutable std::mutex FMutex;
  std::array<TVxbRelation*, kSlotCount> FRelations{};
};

}  // namespace vexilo::storage
