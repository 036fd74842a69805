#include "engine/index/index_file.h"

#include <cstring>

#include "engine/errors/engine_exception.h"
#include "engine/errors/error_codes.h"
#include "engine/index/bplus_tree.h"
#include "engine/index/btree.h"
#include "engine/index/definition_block.h"
#include "engine/index/pages/page_manager_errors.h"
#include "engine/types/memory.h"
#include "fs/text.h"

namespace vexilo::index {

using types::TVxbLongIndexInfo;
using types::TvwMemory;

namespace {

constexpr int64_t kProgressStep = 1000;

// The bytes of page 0 the header and definition may use: the old format
// keeps its first free page in the last two.
size_t DefinitionArea(const TVxbTreeBase& tree) {
  return static_cast<size_t>(tree.GetPageSize()) - (tree.GetVersion() >= 4 ? 0 : 2);
}

}  // namespace

TVxbIndexFile::TVxbIndexFile(errors::TVxbServices* services, int16_t version,
                             std::unique_ptr<TVxbClientStorage> storage)
    : FServices(services), FVersion(version), FStorage(std::move(storage)) {}

std::unique_ptr<TVxbIndexFile> TVxbIndexFile::CreateCopy(const TVxbIndexFile& indexFile,
                                                         std::unique_ptr<TVxbClientStorage> storage) {
  auto copy = std::make_unique<TVxbIndexFile>(indexFile.FServices, indexFile.FVersion, std::move(storage));
  copy->FName = indexFile.FName;
  copy->FFileName = copy->FStorage->GetName();
  copy->FKind = indexFile.FKind;
  copy->FIndexDef = indexFile.FIndexDef;
  copy->FColumns = indexFile.FColumns;
  copy->FKeyLayout = indexFile.FKeyLayout;
  copy->FOnError = indexFile.FOnError;
  copy->FCompareFunction = indexFile.FCompareFunction;
  copy->FIsPrimary = indexFile.FIsPrimary;
  copy->FExclusive = indexFile.FExclusive;
  return copy;
}

TVxbIndexFile::~TVxbIndexFile() { CloseQuietly(); }

void TVxbIndexFile::SetName(std::u16string_view name) {
  FName = std::u16string(name);
  FIndexDef.Name = FName;
}

void TVxbIndexFile::SetFileName(std::u16string_view fileName) {
  FFileName = std::u16string(fileName);
  FStorage->SetName(FFileName);
}

void TVxbIndexFile::SetPrimary(bool primary) {
  FIsPrimary = primary;
  if (primary) SetUnique(true);
}

void TVxbIndexFile::SetUnique(bool unique) {
  FIndexDef.IsUnique = unique;
  if (IsOpen && !FReadOnly && FPageSite) {
    try {
      FPageSite->WriteInt8(static_cast<int32_t>(FIsUniqueOffset), unique ? 1 : 0);
    } catch (const std::exception& e) {
      ReportException(e, errors::vxbErrWriteIndex, false);
    }
  }
}

void TVxbIndexFile::SetColumns(const TVxbIndexColumns* columns) {
  FColumns = columns;
  RebuildKeyLayout();
}

int16_t TVxbIndexFile::SetIndexDefinition(const TVxbSortDef& def) {
  if (def.LevelCount() > TVxbSortDef::MaxLevelCount(FVersion)) return Report(errors::vxbErrTooManyIndexLevels, {});
  FIndexDef = def;
  FIndexDef.Name = FName;
  RebuildKeyLayout();
  return 0;
}

void TVxbIndexFile::RebuildKeyLayout() { FKeyLayout = FIndexDef.BuildKeyLayout(FVersion, FColumns); }

TVxbEntryCompare TVxbIndexFile::Comparison() const {
  if (FCompareFunction) return FCompareFunction;
  return [this](int32_t ra, const uint8_t* ka, size_t la, int32_t rb, const uint8_t* kb, size_t lb,
                bool* keysEqual) {
    return types::CompareIndexEntries(FKeyLayout, ra, ka, la, rb, kb, lb, 0, keysEqual);
  };
}

int16_t TVxbIndexFile::Report(int16_t code, std::initializer_list<fs::FormatArg> args) {
  return ReportIndexError(FOnError, FServices, code, args);
}

// Records an exception as error `code` (with the index name when
// `withName`). For code 52 an engine exception keeps its own error, and
// any other exception gives its text.
int16_t TVxbIndexFile::ReportException(const std::exception& e, int16_t code, bool withName) {
  if (code == errors::vxbErrUnknown) {
    if (const auto* engine = dynamic_cast<const errors::EVxbEngine*>(&e)) {
      if (!FOnError && FServices) return FServices->SetLastError(*engine);
      return Report(engine->Code(), {FName});
    }
    return Report(code, {fs::Utf8ToUtf16(e.what())});
  }
  return withName ? Report(code, {FName}) : Report(code, {});
}

void TVxbIndexFile::CopyEntry(const TVxbLongIndexInfo& from, TVxbLongIndexInfo& to) const {
  to.DateiVerweis = from.DateiVerweis;
  const size_t n = std::min(EntryBytes() - 4, TVxbLongIndexInfo::kMaxKeySize);
  if (&from != &to && n) std::memcpy(to.Key, from.Key, n);
}

std::unique_ptr<TVxbLongIndexInfo> TVxbIndexFile::CreateLongIndexInfo() const {
  return std::make_unique<TVxbLongIndexInfo>();
}

TVxbLongIndexInfo& TVxbIndexFile::GetWorkInfo(int index) {
  if (index < 0 || index >= kWorkInfoCount) index = 0;
  if (!FWorkInfos[index]) FWorkInfos[index] = CreateLongIndexInfo();
  return *FWorkInfos[index];
}

int32_t TVxbIndexFile::CalcPageSizeForCapacity(int64_t capacity) const {
  if (IsBPlusTree()) return TVxbBPlusTree::kPageSize;
  return TVxbBTree::CalcPageSizeFor(FVersion, FIndexDef.EntrySize(), capacity);
}

// --- creating, opening, closing ---

int16_t TVxbIndexFile::NewStorage(int16_t version, int32_t pageSize) {
  CloseQuietly();
  FVersion = version;
  RebuildKeyLayout();
  try {
    if (FIndexDef.LevelCount() < 1) throw EVxbTree("The index has no definition");
    // Variable-size keys on level 6 live in a B+ tree file.
    const bool bplus = IsBPlusTree();
    FStorage->SetPageSize(pageSize);
    FStorage->NewStorage();
    FPageSite = FStorage->NewPage(0);
    const int32_t offset = FVersion >= 4 ? 6 : 0;
    if (FVersion >= 4) {
      FPageSite->WriteInt32(0, bplus ? kBPlusTreeMagic : kBTreeMagic);
      FPageSite->WriteInt16(4, FVersion);
    }
    if (bplus) {
      FTree = std::make_unique<TVxbBPlusTree>(*FStorage, offset, kFirstTreePage);
    } else {
      auto btree = std::make_unique<TVxbBTree>(*FStorage, FVersion, offset);
      btree->SetName(FFileName);
      FTree = std::move(btree);
    }
    FTree->New(pageSize, FIndexDef.EntrySize(), Comparison());
    FPageSite->Modify();
    const auto place = WriteDefinitionBlock(FPageSite->GetMemory(), DefinitionArea(*FTree),
                                            static_cast<size_t>(offset + FTree->GetHeaderSize()), FVersion >= 4,
                                            FIndexDef, 0);
    if (!place) throw EVxbTree("The index definition does not fit into the page");
    FIsUniqueOffset = place->UniqueOffset;
    FItemCountOffset = place->ItemCountOffset;
  } catch (const std::exception&) {
    CloseQuietly();
    return Report(errors::vxbErrIndexInsert, {FName});
  }
  IsOpen = true;
  IsLost = false;
  return 0;
}

int16_t TVxbIndexFile::Open() {
  if (IsOpen) return 0;
  IsLost = false;
  if (!FStorage->GetFileSystem().FileExists(FFileName)) {
    IsLost = true;
    return Report(errors::vxbErrFileNotFound, {FFileName});
  }
  try {
    if (!FStorage->IsOpen()) FStorage->SetPageSize(kProvisionalPageSize);
    FStorage->Open(FReadOnly, FExclusive);
  } catch (const EVxbPMStorageNotFound&) {
    IsLost = true;
    return Report(errors::vxbErrFileNotFound, {FFileName});
  } catch (const std::exception&) {
    CloseQuietly();
    IsLost = true;
    return Report(errors::vxbErrInconsistentIndex, {FName});
  }
  try {
    FPageSite = FStorage->ReadPage(0);
    const int32_t magic = FPageSite->ReadInt32(0);
    int16_t treeVersion = 1;
    int32_t offset = 0;
    const bool bplus = magic == kBPlusTreeMagic;
    if (magic == kBTreeMagic || bplus) {
      treeVersion = FPageSite->ReadInt16(4);
      offset = 6;
      // Old-format headers sit at fixed places that a magic would overlap.
      if (treeVersion < 4) throw EVxbTree("Index file version is invalid");
    }
    if (bplus) {
      FTree = std::make_unique<TVxbBPlusTree>(*FStorage, offset, kFirstTreePage);
    } else {
      auto btree = std::make_unique<TVxbBTree>(*FStorage, treeVersion, offset);
      btree->SetName(FFileName);
      FTree = std::move(btree);
    }
    FTree->Open(Comparison());
    FPageSite->LoadPage(0);
    TVxbSortDef def;
    def.Name = FName;
    const auto place =
        ReadDefinitionBlock(FPageSite->GetMemory(), DefinitionArea(*FTree),
                            static_cast<size_t>(offset + FTree->GetHeaderSize()), treeVersion >= 4, def);
    if (!place) throw EVxbTree("Index definition is malformed");
    if (bplus) {
      // A B+ tree file always has variable-size keys.
      def.IsVarSize = true;
      if (def.EntrySize() > TVxbBPlusTree::MaxEntrySize(FTree->GetPageSize())) {
        throw EVxbTree("Index entries do not fit the pages of its tree");
      }
    } else if (def.EntrySize() != static_cast<TVxbBTree*>(FTree.get())->GetKeySize()) {
      throw EVxbTree("Index definition does not match its tree");
    }
    FIsUniqueOffset = place->UniqueOffset;
    FItemCountOffset = place->ItemCountOffset;
    FIndexDef = std::move(def);
    RebuildKeyLayout();
  } catch (const std::exception&) {
    CloseQuietly();
    IsLost = true;
    return Report(errors::vxbErrInconsistentIndex, {FName});
  }
  IsOpen = true;
  return 0;
}

void TVxbIndexFile::CloseQuietly() {
  for (auto& info : FWorkInfos) info.reset();
  if (FTree) {
    try {
      FTree->Close();
    } catch (const std::exception&) {
    }
    FTree.reset();
  }
  FPageSite.reset();
  try {
    FStorage->Close();
  } catch (const std::exception&) {
  }
  IsOpen = false;
}

int16_t TVxbIndexFile::Close(bool update) {
  if (!IsOpen && !FStorage->IsOpen()) return 0;
  int16_t result = 0;
  try {
    if (update && IsOpen && !FReadOnly && FTree) FTree->Flush();
  } catch (const std::exception&) {
    result = Report(errors::vxbErrCloseFile, {FFileName});
  }
  try {
    for (auto& info : FWorkInfos) info.reset();
    if (FTree) FTree->Close();
    FTree.reset();
    FPageSite.reset();
    FStorage->Close();
  } catch (const std::exception&) {
    FTree.reset();
    FPageSite.reset();
    if (result == 0) result = Report(errors::vxbErrCloseFile, {FFileName});
  }
  IsOpen = false;
  return result;
}

// --- searching ---

int16_t TVxbIndexFile::Suche_Index(TVxbLongIndexInfo& key) {
  if (!IsOpen) return Report(errors::vxbErrReadIndex, {FName});
  try {
    TVxbLongIndexInfo& found = GetWorkInfo(0);
    const int16_t result = FTree->Find(key, found, EntryBytes());
    if (result == 0) CopyEntry(found, key);
    return result;
  } catch (const std::exception& e) {
    return ReportException(e, errors::vxbErrReadIndex, true);
  }
}

int16_t TVxbIndexFile::Erster_Index(TVxbLongIndexInfo& key) {
  if (!IsOpen) return Report(errors::vxbErrReadIndex, {FName});
  try {
    return FTree->FindFirst(key, EntryBytes());
  } catch (const std::exception& e) {
    return ReportException(e, errors::vxbErrReadIndex, true);
  }
}

int16_t TVxbIndexFile::Letzter_Index(TVxbLongIndexInfo& key) {
  if (!IsOpen) return Report(errors::vxbErrReadIndex, {FName});
  try {
    return FTree->FindLast(key, EntryBytes());
  } catch (const std::exception& e) {
    return ReportException(e, errors::vxbErrReadIndex, true);
  }
}

int16_t TVxbIndexFile::Naechster_Index(TVxbLongIndexInfo& key) {
  if (!IsOpen) return Report(errors::vxbErrReadIndex, {FName});
  try {
    TVxbLongIndexInfo& next = GetWorkInfo(0);
    const int16_t result = FTree->FindNext(key, next, EntryBytes());
    if (result == 0) CopyEntry(next, key);
    return result;
  } catch (const std::exception& e) {
    return ReportException(e, errors::vxbErrReadIndex, true);
  }
}

int16_t TVxbIndexFile::Vorheriger_Index(TVxbLongIndexInfo& key) {
  if (!IsOpen) return Report(errors::vxbErrReadIndex, {FName});
  try {
    TVxbLongIndexInfo& prev = GetWorkInfo(0);
    const int16_t result = FTree->FindPrev(key, prev, EntryBytes());
    if (result == 0) CopyEntry(prev, key);
    return result;
  } catch (const std::exception& e) {
    return ReportException(e, errors::vxbErrReadIndex, true);
  }
}

int32_t TVxbIndexFile::CalcItemSequenceNo(const TVxbLongIndexInfo& key) {
  if (!IsOpen) return 0;
  try {
    return FTree->CalcItemSequenceNo(key);
  } catch (const std::exception&) {
    return 0;
  }
}

int16_t TVxbIndexFile::Check(int64_t& itemCount, int64_t& wrongSortCount) {
  itemCount = 0;
  wrongSortCount = 0;
  if (!IsOpen) return Report(errors::vxbErrReadIndex, {FName});
  try {
    FTree->Check(itemCount, wrongSortCount);
    return 0;
  } catch (const std::exception& e) {
    return ReportException(e, errors::vxbErrReadIndex, true);
  }
}

// --- changing ---

int32_t TVxbIndexFile::GetItemCount() {
  if (!IsOpen || !FPageSite) return 0;
  try {
    return FPageSite->ReadInt32(static_cast<int32_t>(FItemCountOffset));
  } catch (const std::exception&) {
    return 0;
  }
}

void TVxbIndexFile::WriteItemCount(int32_t count) {
  FPageSite->WriteInt32(static_cast<int32_t>(FItemCountOffset), count);
}

int16_t TVxbIndexFile::Add_Index(const TVxbLongIndexInfo& item, size_t itemSize) {
  if (!IsOpen) return Report(errors::vxbErrWriteIndex, {});
  try {
    FTree->Insert(item, itemSize);
    WriteItemCount(GetItemCount() + 1);
    return 0;
  } catch (const std::exception& e) {
    return ReportException(e, errors::vxbErrWriteIndex, false);
  }
}

int16_t TVxbIndexFile::Loesche_Index(const TVxbLongIndexInfo& key) {
  if (!IsOpen) return Report(errors::vxbErrWriteIndex, {});
  try {
    FTree->Delete(key);
    WriteItemCount(GetItemCount() - 1);
    return 0;
  } catch (const std::exception& e) {
    return ReportException(e, errors::vxbErrWriteIndex, false);
  }
}

int16_t TVxbIndexFile::Clear_Index() {
  if (!IsOpen) return Report(errors::vxbErrWriteIndex, {});
  try {
    FTree->Clear();
    WriteItemCount(0);
    return 0;
  } catch (const std::exception& e) {
    return ReportException(e, errors::vxbErrWriteIndex, false);
  }
}

int16_t TVxbIndexFile::BulkInsert(int64_t count, const TVxbEntrySource& getItem,
                                  const TVxbIndexProgress& progress) {
  if (!IsOpen) return Report(errors::vxbErrWriteIndex, {});
  if (progress) progress(0, count);
  int64_t inserted = 0;
  int16_t result = 0;
  try {
    TVxbLongIndexInfo& entry = GetWorkInfo(1);
    for (;;) {
      const size_t size = getItem(entry);
      if (size == 0) break;
      FTree->InsertInOrder(entry, size);
      ++inserted;
      if (progress && inserted % kProgressStep == 0) progress(inserted, count);
    }
  } catch (const std::exception& e) {
    result = ReportException(e, errors::vxbErrUnknown, false);
  }
  try {
    WriteItemCount(GetItemCount() + static_cast<int32_t>(inserted));
  } catch (const std::exception& e) {
    if (result == 0) result = ReportException(e, errors::vxbErrWriteIndex, false);
  }
  if (result == 0 && progress) progress(count, count);
  return result;
}

int16_t TVxbIndexFile::Flush() {
  if (!IsOpen || FReadOnly) return 0;
  try {
    FTree->Flush();
    return 0;
  } catch (const std::exception& e) {
    return ReportException(e, errors::vxbErrWriteIndex, false);
  }
}

int16_t TVxbIndexFile::Undo() {
  if (!IsOpen) return 0;
  try {
    FTree->Undo();
    return 0;
  } catch (const std::exception& e) {
    return ReportException(e, errors::vxbErrReadIndex, true);
  }
}

int16_t TVxbIndexFile::Update() {
  if (!IsOpen) return 0;
  try {
    FTree->Update();
    return 0;
  } catch (const std::exception& e) {
    return ReportException(e, errors::vxbErrReadIndex, true);
  }
}

int16_t TVxbIndexFile::UpdateDir() {
  if (!IsOpen) return 0;
  try {
    FTree->UpdateDir();
    return 0;
  } catch (const std::exception& e) {
    return ReportException(e, errors::vxbErrReadIndex, true);
  }
}

}  // namespace vexilo::index
