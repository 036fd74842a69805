// TVxbIndexPlaces: the index places of a stored table and the index files in
// them. A table numbers its indexes by place: places 0 to 49 (0 to 14 below
// level 4) take the user, temporary and automatic indexes; an index keeps its
// place while the table is open, and a freed place is taken again by the
// next index (the lowest free place first). The highest place that has held
// an index since the table was opened (`Last`) bounds every walk over the
// places; it only falls when every index is closed.
//
// The places own their index files. The table decides what goes into a
// place; this class only keeps the places and answers questions about them:
// which place holds a name, which place is free, which names the table
// header's index-name area lists, and what an index's file and a temporary
// index are called.
//
// Not thread-safe: used under the table's own serialisation, as the table
// is.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vexilo::index {
class TVxbIndexFile;
}

namespace vexilo::storage {

class TVxbIndexPlaces {
 public:
  // The places an index number may address (two beyond the level-4 limit
  // stay empty).
  static constexpr int kCount = 52;
  using TSlot = std::unique_ptr<index::TVxbIndexFile>;

  TVxbIndexPlaces();
  // Drops the index files as they are (see CloseAll for closing them).
  ~TVxbIndexPlaces();
  TVxbIndexPlaces(const TVxbIndexPlaces&) = delete;
  TVxbIndexPlaces& operator=(const TVxbIndexPlaces&) = delete;

  // The places a table of `level` may fill: 50 from level 4 on, else 15.
  static int PlaceCount(int16_t level) { return level >= 4 ? 50 : 15; }

  // The index file in `place`, or null (also for a place out of range).
  index::TVxbIndexFile* Get(int place) const;
  // The slot of `place` (0 to kCount - 1).
  TSlot& operator[](int place) { return FFiles[static_cast<size_t>(place)]; }
  const TSlot& operator[](int place) const { return FFiles[static_cast<size_t>(place)]; }
  TSlot* begin() { return FFiles.data(); }
  TSlot* end() { return FFiles.data() + FFiles.size(); }
  const TSlot* begin() const { return FFiles.data(); }
  const TSlot* end() const { return FFiles.data() + FFiles.size(); }

  // The highest place that has held an index since the places were last
  // emptied, or -1.
  int Last() const { return FLast; }
  // Restores `Last` (a failed index creation gives back the place it took).
  void SetLast(int last) { FLast = last; }

  // The place of the index named `name` (compared as index names compare),
  // or -1.
  int Find(std::u16string_view name) const;
  // The lowest empty place of a table of `level`, or -1.
  int Free(int16_t level) const;
  // Puts `file` into the empty `place`.
  void Put(int place, TSlot file);
  // Closes every index file (unwritten changes dropped) and empties every
  // place; never throws.
  void CloseAll() noexcept;

  // The names the table header's index-name area lists: the user and
  // temporary indexes in place order, then the full-text entries of `stored`
  // (the area as it is), which no place holds.
  std::vector<std::u16string> IndexNamesArea(const std::vector<std::u16string>& stored) const;

  // The path of index `indexName`'s file for the table `tableName` (its
  // name without directory and extension) in `directory` (ending in a
  // delimiter).
  static std::u16string FilePath(std::u16string_view directory, std::u16string_view tableName,
                                 std::u16string_view indexName, int16_t level);
  // The name a temporary index in `place` takes: "tmp" and the number in
  // three digits from level 4 on, else `standardName`, ".$" and the number
  // in two digits.
  static std::u16string TemporaryName(int16_t level, std::u16string_view standardName, int place);

 private:
  std::array<TSlot, kCount> FFiles;
  int FLast = -1;
};

}  // namespace vexilo::storage
