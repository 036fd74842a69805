// Index names: the file an index lives in, the kind of index a name denotes,
// and the names of the system indexes.
//
// File names (the directory is the caller's):
//   level 6      table name "!" index name ".vxbi"
//   levels 4, 5  table name "!" index name ".ind"
//   levels 1-3   the index name; without an extension ".ind" is added, or
//                ".$$i" when the table name begins with "~"
// Index names compare without regard to case, and a name given with the
// extension ".ind" or ".vxbi" is the same index as the bare name.
//
// System indexes: "sys_Id" (record id column), "sys_Inr", "sys_Primary" and
// "sys_In1" to "sys_In9" (link columns); on levels 1-3 the table name (at
// most 40 characters) with ".id", ".inr" or ".in1" to ".in9". Automatic
// (tikAdl) and constraint indexes are maintained by the engine.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vexilo::index {

enum TVxbIndexKind { tikUnknown, tikUser, tikTemporary, tikAdl, tikConstraint };

// The system indexes that have names of their own on every level.
enum class TVxbSystemIndex { Id, Inr, In, Primary };

// The kind of index named `name` on a table of `level`.
TVxbIndexKind GetIndexKind(std::u16string_view name, int16_t level);

// True for the kinds the engine maintains by itself.
inline bool IsAutomaticIndexKind(TVxbIndexKind kind) { return kind == tikAdl || kind == tikConstraint; }

// The file name (without directory) of index `indexName` of table
// `tableName` (without directory and extension) on `level`.
std::u16string IndexFileName(std::u16string_view tableName, std::u16string_view indexName, int16_t level);

// The name of a system index; `linkNo` (1 to 9) numbers the link-column
// indexes. Level-1-3 tables have no "sys_Primary"; the result is then empty.
std::u16string SystemIndexName(TVxbSystemIndex which, int linkNo, std::u16string_view tableName,
                               int16_t level);

// True when `a` and `b` name the same index.
bool IsSameIndexName(std::u16string_view a, std::u16string_view b);

// True for names a user index may not take: beginning with "sys" or "tmpIdx".
bool IsReservedIndexName(std::u16string_view name);

}  // namespace vexilo::index
