// The files of a table and their names: every extension a table's files get,
// at every level, is decided here and nowhere else.
//
// A table is a table file and the companion files named after it, in the
// same directory. A companion file's name is the table file's name with the
// extension replaced (index files: see index_names.h for the whole name).
//
//   file                       levels 1-5           level 6
//   table file                 ".dat"               ".vxbt"
//   index file                 ".ind" (1)           ".vxbi"
//   memo file                  ".mmo"               ".vxbm"
//   blob file                  ".blb"               ".vxbb"
//   lock file                  ".net"  ".rnt" (2)   ".vxbl"
//   move file                  ".mov"  ".rmv" (2)   ".vxbv"
//   redo log                   ".tra"  ".rtr" (2)   ".vxbr"
//   full-text index            ".ift"               ".vxbf" (3)
//
// (1) At levels 1-3 an index name without an extension gets ".ind", or
//     ".$$i" when the table's name begins with "~" (a temporary table).
// (2) The second form is a relation table's: below level 6 its table file
//     has the extension ".rel" instead of ".dat"; at level 6 a relation table
//     is one whose name holds "!rel_", and its files take the level-6 forms.
// (3) Either extension may stand in a table's index-name area; a full-text
//     index file is the table's name, "!", and that entry.
//
// Extensions compare without regard to ASCII case.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vexilo::index {

// The table file's extension at `level` (".vxbt" at 6, ".dat" below).
std::u16string_view TableFileExtension(int16_t level);
// Whether `fileName` ends with the table file extension of any level.
bool HasTableFileExtension(std::u16string_view fileName);
// The extension of a relation table's file below level 6, and the part of a
// level-6 relation table's name that marks it.
inline constexpr std::u16string_view kRelationTableExtension = u".rel";
inline constexpr std::u16string_view kRelationTableNameMark = u"!rel_";
// Whether the table file `fileName` of a table named `tableName` at `level`
// holds a relation table.
bool IsRelationTableFile(std::u16string_view fileName, std::u16string_view tableName, int16_t level);

// The extension an index file gets at `level`; `temporaryTable` for a table
// whose name begins with "~" (it matters at levels 1-3 only).
std::u16string_view IndexFileExtension(int16_t level, bool temporaryTable);
// Whether `extension` (dot included) is an index file extension of levels 4
// to 6 (".ind", ".vxbi"), which an index name may carry without changing
// which index it names.
bool IsIndexFileExtension(std::u16string_view extension);

std::u16string_view MemoFileExtension(int16_t level);
std::u16string_view BlobFileExtension(int16_t level);
std::u16string_view LockFileExtension(int16_t level, bool relationTable);
std::u16string_view MoveFileExtension(int16_t level, bool relationTable);
std::u16string_view RedoLogExtension(int16_t level, bool relationTable);

// An entry of the index-name area without its full-text extension; empty
// when `name` is no full-text index (or nothing but the extension).
std::u16string_view FullTextIndexStem(std::u16string_view name);
inline bool IsFullTextIndexName(std::u16string_view name) { return !FullTextIndexStem(name).empty(); }

// `fileName` with its extension (the part of the last path element from its
// last dot, if the dot is not its first character) replaced by `extension`.
std::u16string ChangeFileExtension(std::u16string_view fileName, std::u16string_view extension);

}  // namespace vexilo::index
