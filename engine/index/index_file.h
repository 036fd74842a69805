// TVxbIndexFile: one index of a table as a file: its definition, its search
// tree and its entry count, with the search, walk and maintenance
// operations the table and its cursors use. Failures of the tree and the
// page cache are turned into engine errors here, reported through the
// owner's error reporter (or the session's services) with the index name,
// and returned as the negated error number.
//
// Page 0 of an index file:
//
//   | Offset | Size | Meaning                                               |
//   |--------|------|-------------------------------------------------------|
//   | 0      | 4    | magic: 0x00E537AF B-tree, 0xA66678C9 B+ tree; written |
//   |        |      | for levels 4 to 6 only                                |
//   | 4      | 2    | format version (the table level at creation), int16   |
//   | O      |      | the tree header (btree.h, bplus_tree.h), O = 6 after  |
//   |        |      | a magic, 0 in a file without one (read as a version-1 |
//   |        |      | B-tree)                                               |
//   | H      |      | the definition block (definition_block.h),           |
//   |        |      | H = O + tree header size                              |
//
// A new index is a B+ tree (bplus_tree.h) when its level is 6 and its
// entries vary in size, else a B-tree (btree.h); an existing file's magic
// decides. The B+ tree's pages start at page 1, after page 0 with the
// headers and the definition.
//
// Results: 0 success, 1 nothing there, negative = minus the engine error
// number reported. The search operations report 91 ("Error while reading
// from index"), the changing ones 90 ("Error while writing to index").
//
// An index file belongs to one table object and is used by one thread at a
// time; other processes' changes become visible after Update.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "engine/errors/services.h"
#include "engine/index/pages/client_storage.h"
#include "engine/index/index_columns.h"
#include "engine/index/index_error_reporter.h"
#include "engine/index/index_names.h"
#include "engine/index/pages/page_site.h"
#include "engine/index/sort_def.h"
#include "engine/index/tree_base.h"
#include "engine/types/index_key.h"

namespace vexilo::index {

// Progress of a bulk build: entries done and the expected total.
using TVxbIndexProgress = std::function<void(int64_t done, int64_t total)>;

class TVxbIndexFile {
 public:
  static constexpr int32_t kBTreeMagic = 0x00E537AF;
  static constexpr int32_t kBPlusTreeMagic = static_cast<int32_t>(0xA66678C9u);
  static constexpr int kWorkInfoCount = 5;
  static constexpr int32_t kProvisionalPageSize = 4096;
  // The first page of a B+ tree: page 0 holds the headers and the definition.
  static constexpr int32_t kFirstTreePage = 1;

  // A closed index file of a table of `version` (its level) on `storage`
  // (owned; its name is set by SetFileName). `services` (not owned, may be
  // null) records errors when there is no error reporter.
  TVxbIndexFile(errors::TVxbServices* services, int16_t version, std::unique_ptr<TVxbClientStorage> storage);
  // A closed index file with the definition, names and comparison of
  // `indexFile` on `storage`, to be created with NewStorage.
  static std::unique_ptr<TVxbIndexFile> CreateCopy(const TVxbIndexFile& indexFile,
                                                   std::unique_ptr<TVxbClientStorage> storage);
  // Closes without flushing.
  ~TVxbIndexFile();
  TVxbIndexFile(const TVxbIndexFile&) = delete;
  TVxbIndexFile& operator=(const TVxbIndexFile&) = delete;

  void SetName(std::u16string_view name);
  const std::u16string& GetName() const { return FName; }
  void SetFileName(std::u16string_view fileName);
  const std::u16string& GetFileName() const { return FFileName; }
  void SetKind(TVxbIndexKind kind) { FKind = kind; }
  TVxbIndexKind GetKind() const { return FKind; }
  // A primary index is unique as well.
  void SetPrimary(bool primary);
  void SetUnique(bool unique);
  void SetReadOnly(bool readOnly) { FReadOnly = readOnly; }
  void SetExclusive(bool exclusive) { FExclusive = exclusive; }
  bool GetReadOnly() const { return FReadOnly; }
  void SetOnError(TVxbErrorReporter onError) { FOnError = std::move(onError); }
  const TVxbErrorReporter& GetOnError() const { return FOnError; }
  errors::TVxbServices* GetServices() const { return FServices; }
  // Reports error `code` as this index's errors are reported; returns -code.
  int16_t ReportError(int16_t code, std::initializer_list<fs::FormatArg> args) { return Report(code, args); }
  // The table's key comparison. Without one, entries compare by the key
  // layout of the definition resolved against the columns (SetColumns).
  void SetCompareFunction(TVxbEntryCompare compare) { FCompareFunction = std::move(compare); }
  // The comparison in use: the table's, or the one over the key layout.
  TVxbEntryCompare Comparison() const;
  bool HasOwnComparison() const { return static_cast<bool>(FCompareFunction); }
  // The table's columns (not owned; may be null), for the key layout.
  void SetColumns(const TVxbIndexColumns* columns);
  // Takes `def` as the definition (its name becomes the index name). -61
  // with more key items than the level allows.
  int16_t SetIndexDefinition(const TVxbSortDef& def);
  const TVxbSortDef& GetIndexDefinition() const { return FIndexDef; }
  const types::TVxbKeyLayout& GetKeyLayout() const { return FKeyLayout; }

  // Creates the file with `pageSize` and an empty tree; error 4 on failure.
  int16_t NewStorage(int16_t version, int32_t pageSize);
  // Opens the file: error 37 when it does not exist, 28 when it cannot be
  // read; both mark the index lost.
  int16_t Open();
  // Flushes first when `update` is set, then lets go of tree and storage;
  // error 10 on failure. Nothing when closed.
  int16_t Close(bool update);

  // Nearest-key search: the entry equal to `key` or the smallest greater one
  // replaces `key` (0); 1 when there is none; -1 when a B-tree index is
  // empty (a B+ tree answers 1).
  int16_t Suche_Index(types::TVxbLongIndexInfo& key);
  // The first / last entry into `key`; 1 when the index is empty.
  int16_t Erster_Index(types::TVxbLongIndexInfo& key);
  int16_t Letzter_Index(types::TVxbLongIndexInfo& key);
  // The entry after / before the entry in `key` replaces it; 1 at the end,
  // -1 when `key` is not in the index.
  int16_t Naechster_Index(types::TVxbLongIndexInfo& key);
  int16_t Vorheriger_Index(types::TVxbLongIndexInfo& key);
  // The 1-based position of `key` in key order (estimated in large
  // indexes); 0 on failure.
  int32_t CalcItemSequenceNo(const types::TVxbLongIndexInfo& key);

  // Inserts an entry of `itemSize` bytes and counts it (also when it was
  // there already).
  int16_t Add_Index(const types::TVxbLongIndexInfo& item, size_t itemSize);
  // Deletes the entry and counts it off (also when it was not there).
  int16_t Loesche_Index(const types::TVxbLongIndexInfo& key);
  // Empties the index.
  int16_t Clear_Index();
  // Inserts every entry `getItem` hands out (sorted input is fastest);
  // `progress` gets (0, count) first, then (n, count) after every 1000
  // entries and (count, count) at the end.
  int16_t BulkInsert(int64_t count, const TVxbEntrySource& getItem, const TVxbIndexProgress& progress);
  // Walks the whole tree: entries, and places out of order. Error 91 when the
  // tree is damaged.
  int16_t Check(int64_t& itemCount, int64_t& wrongSortCount);

  // Writes the changes (nothing for a read-only file) and cuts the file
  // after the last page in use.
  int16_t Flush();
  // Discards the changes not written.
  int16_t Undo();
  // Drops everything cached after another process changed the file.
  int16_t Update();
  // Reopens the file handle.
  int16_t UpdateDir();

  // The entry count kept in page 0.
  int32_t GetItemCount();
  bool GetUnique() const { return FIndexDef.IsUnique; }
  bool GetMustBeUnique() const { return FIndexDef.IsUnique || FIsPrimary; }
  bool GetIsAutomatic() const { return IsAutomaticIndexKind(FKind); }
  bool GetCalculated() const { return FIndexDef.IsCalculated; }
  bool GetIsPrimary() const { return FIsPrimary; }
  // Bytes of an entry.
  int32_t GetIndSize() const { return FIndexDef.EntrySize(); }
  int16_t GetVersion() const { return FVersion; }
  // A new, zeroed entry buffer.
  std::unique_ptr<types::TVxbLongIndexInfo> CreateLongIndexInfo() const;
  // Scratch entry `index` (0 to 4), allocated on first use.
  types::TVxbLongIndexInfo& GetWorkInfo(int index);
  // The page size a new file of this index gets for `capacity` records.
  int32_t CalcPageSizeForCapacity(int64_t capacity) const;
  bool IsSameName(std::u16string_view name) const { return IsSameIndexName(FName, name); }
  // Whether a new file of this index gets a B+ tree (level 6, variable-size
  // entries).
  bool IsBPlusTree() const { return FVersion >= 6 && FIndexDef.IsVarSize; }
  TVxbTreeBase* BTree() const { return FTree.get(); }
  TVxbClientStorage& Storage() const { return *FStorage; }

  bool IsOpen = false;
  // The file is missing or unreadable.
  bool IsLost = false;

 private:
  int16_t Report(int16_t code, std::initializer_list<fs::FormatArg> args);
  int16_t ReportException(const std::exception& e, int16_t fallbackCode, bool withName);
  void RebuildKeyLayout();
  void WriteItemCount(int32_t count);
  void CloseQuietly();
  size_t EntryBytes() const { return static_cast<size_t>(FIndexDef.EntrySize()); }
  // Copies the entry bytes of `from` into `to`.
  void CopyEntry(const types::TVxbLongIndexInfo& from, types::TVxbLongIndexInfo& to) const;

  errors::TVxbServices* FServices;
  TVxbIndexKind FKind = tikUser;
  int16_t FVersion;
  TVxbSortDef FIndexDef;
  types::TVxbKeyLayout FKeyLayout;
  const TVxbIndexColumns* FColumns = nullptr;
  std::array<std::unique_ptr<types::TVxbLongIndexInfo>, kWorkInfoCount> FWorkInfos;
  size_t FIsUniqueOffset = 0;
  size_t FItemCountOffset = 0;
  std::u16string FName;
  std::u16string FFileName;
  std::unique_ptr<TVxbClientStorage> FStorage;
  std::unique_ptr<TVxbStoragePageSite> FPageSite;
  bool FReadOnly = false;
  bool FExclusive = false;
  TVxbErrorReporter FOnError;
  TVxbEntryCompare FCompareFunction;
  bool FIsPrimary = false;
  std::unique_ptr<TVxbTreeBase> FTree;
};

}  // namespace vexilo::index
