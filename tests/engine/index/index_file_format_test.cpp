// The stored form of index files: page 0 of new and old formats as bytes on
// disk, files without a magic read as version-1 B-trees, definitions that
// survive closing, files this build refuses, page sizes for new indexes,
// and the names and kinds of index files.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/index/btree.h"
#include "engine/index/index_names.h"
#include "tests/engine/index/index_test_support.h"

namespace vexilo::index::testing {
namespace {

using types::TvwMemory;

class IndexFileFormat : public IndexFixture {
 protected:
  std::vector<uint8_t> FileBytes(const std::string& name) {
    std::ifstream f(Dir.File(name), std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
  }
  std::unique_ptr<TVxbLongIndexInfo> e = std::make_unique<TVxbLongIndexInfo>();
};

TEST_F(IndexFileFormat, NewFormatPageZeroHoldsMagicVersionHeaderAndDefinition) {
  auto index = NewIntIndex("new", 128, 5);
  AddAll(*index, {{1, 1}, {2, 2}, {3, 3}});
  ASSERT_EQ(index->Close(true), 0);
  const std::vector<uint8_t> file = FileBytes("new.ind");
  ASSERT_GE(file.size(), 256u);
  const uint8_t* p = file.data();
  EXPECT_EQ(TvwMemory::ReadInt32(p, 0), 0x00E537AF);
  EXPECT_EQ(TvwMemory::ReadInt16(p, 4), 5);
  // Tree header at 6.
  EXPECT_EQ(TvwMemory::ReadInt32(p, 6), 128);   // page size
  EXPECT_EQ(TvwMemory::ReadInt16(p, 10), 8);    // entry size
  EXPECT_EQ(TvwMemory::ReadInt16(p, 12), 12);   // item size
  EXPECT_EQ(TvwMemory::ReadInt16(p, 14), 1);    // height
  EXPECT_EQ(TvwMemory::ReadInt32(p, 16), 1);    // node pages
  EXPECT_EQ(TvwMemory::ReadInt16(p, 20), 5);    // order
  EXPECT_EQ(TvwMemory::ReadInt16(p, 22), 10);   // capacity
  EXPECT_EQ(TvwMemory::ReadInt32(p, 24), 0);    // no free page
  // Definition block at 30.
  EXPECT_EQ(TvwMemory::ReadInt32(p, 30), 3);    // entries
  EXPECT_EQ(p[35], 0);                          // not calculated
  EXPECT_EQ(p[36], 0);                          // not unique
  EXPECT_EQ(TvwMemory::ReadInt16(p, 37), 1);    // one item
  EXPECT_EQ(TvwMemory::ReadInt16(p, 39), 1);    // column 1
  EXPECT_EQ(TvwMemory::ReadInt16(p, 41), 4);    // 4 bytes
  EXPECT_EQ(p[43], types::vxbInteger);
  EXPECT_EQ(TvwMemory::ReadInt16(p, 44), 8);    // entry size
  // The root leaf on page 1.
  EXPECT_EQ(TvwMemory::ReadInt32(p, 128), 0);
  EXPECT_EQ(TvwMemory::ReadInt16(p, 132), 3);
  EXPECT_EQ(TvwMemory::ReadInt32(p, 134 + 4), 1);      // record number of the first entry
  EXPECT_EQ(TvwMemory::ReadInt32(p, 134 + 8), 1);      // its key
  EXPECT_EQ(TvwMemory::ReadInt32(p, 134 + 24 + 8), 3); // the third key
}

TEST_F(IndexFileFormat, OldFormatFilesHaveNoMagicAndReadAsVersionOne) {
  auto index = NewIntIndex("old", 128, 3);
  for (int32_t k = 1; k <= 40; ++k) AddAll(*index, {{k, k}});
  ASSERT_EQ(index->Close(true), 0);
  const std::vector<uint8_t> file = FileBytes("old.ind");
  const uint8_t* p = file.data();
  EXPECT_EQ(TvwMemory::ReadUInt16(p, 0), 128);  // page size
  EXPECT_EQ(TvwMemory::ReadInt16(p, 2), 8);     // entry size
  EXPECT_EQ(TvwMemory::ReadInt16(p, 4), 10);    // item size
  EXPECT_EQ(TvwMemory::ReadInt16(p, 6), 2);     // height
  const int pages = TvwMemory::ReadUInt16(p, 8);
  EXPECT_GT(pages, 3);
  EXPECT_EQ(TvwMemory::ReadInt16(p, 10), 6);    // order
  EXPECT_EQ(TvwMemory::ReadInt16(p, 12), 12);   // capacity
  EXPECT_EQ(TvwMemory::ReadInt16(p, 126), 0);   // no free page
  // The index vector at 14, unique flag at 64, entries at 65, entry size at 69.
  EXPECT_EQ(TvwMemory::ReadInt16(p, 14), 1);
  EXPECT_EQ(TvwMemory::ReadInt16(p, 16), 4);
  EXPECT_EQ(p[18], types::vxbInteger);
  EXPECT_EQ(TvwMemory::ReadInt32(p, 65), 40);
  EXPECT_EQ(TvwMemory::ReadInt16(p, 69), 8);
  // Nodes with 16-bit child pages: the root's leftmost child at 128.
  EXPECT_GT(TvwMemory::ReadUInt16(p, 128), 1);
  EXPECT_GE(TvwMemory::ReadInt16(p, 130), 1);
  EXPECT_EQ(TvwMemory::ReadInt32(p, 132 + 2), 7);  // the first separator: the middle of 13 entries

  auto reopened = MakeIndex("old", 3, IntColumns, DefinitionOver(IntColumns, {1}));
  ASSERT_EQ(reopened->Open(), 0);
  EXPECT_EQ(reopened->BTree()->GetVersion(), 1);
  EXPECT_EQ(reopened->GetItemCount(), 40);
  EXPECT_EQ(Walk(*reopened).size(), 40u);
  ASSERT_EQ(reopened->Suche_Index(IntEntry(*e, 17, 0)), 0);
  EXPECT_EQ(KeyOf(*e), 17);
}

TEST_F(IndexFileFormat, DefinitionsAndTheUniqueFlagSurviveClosing) {
  TVxbSortDef def = DefinitionOver(WideColumns, {2, 1});
  def.Items[1].Descending = true;
  auto index = MakeIndex("def", 6, WideColumns, def);
  ASSERT_EQ(index->NewStorage(6, 4096), 0);
  index->SetUnique(true);
  ASSERT_EQ(index->Close(true), 0);
  auto reopened = MakeIndex("def", 6, WideColumns, DefinitionOver(WideColumns, {1}));
  ASSERT_EQ(reopened->Open(), 0);
  EXPECT_EQ(reopened->GetIndexDefinition().Items, def.Items);
  EXPECT_TRUE(reopened->GetUnique());
  EXPECT_EQ(reopened->GetIndexDefinition().Name, u"def");
  EXPECT_EQ(reopened->GetIndSize(), 16);
}

TEST_F(IndexFileFormat, FilesThisBuildCannotReadAreLost) {
  struct Case {
    const char* what;
    int64_t offset;
    std::vector<uint8_t> bytes;
  };
  const Case cases[] = {
      {"B+ tree magic", 0, {0xC9, 0x78, 0x66, 0xA6}},
      {"entry size other than the tree's", 44, {9, 0}},
      {"page size of 3 bytes", 6, {3, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto index = NewIntIndex("bad", 128, 5);
    ASSERT_EQ(index->Close(true), 0);
    {
      std::fstream f(Dir.File("bad.ind"), std::ios::in | std::ios::out | std::ios::binary);
      f.seekp(c.offset);
      f.write(reinterpret_cast<const char*>(c.bytes.data()), static_cast<std::streamsize>(c.bytes.size()));
    }
    Errors.clear();
    auto reopened = MakeIndex("bad", 5, IntColumns, DefinitionOver(IntColumns, {1}));
    EXPECT_EQ(reopened->Open(), -28);
    EXPECT_TRUE(reopened->IsLost);
    ASSERT_EQ(Errors.size(), 1u);
    EXPECT_EQ(Errors[0].text, u"bad");
  }
}

TEST_F(IndexFileFormat, NewStorageRefusesWhatItCannotWrite) {
  // A page too small for the header and the definition.
  auto index = MakeIndex("small", 5, IntColumns, DefinitionOver(IntColumns, {1}));
  EXPECT_EQ(index->NewStorage(5, 32), -4);
  EXPECT_FALSE(index->IsOpen);
  // Old format: the definition may not reach the first free page in the
  // last two bytes (14 + 57 bytes in a page of 72).
  auto old = MakeIndex("old", 3, IntColumns, DefinitionOver(IntColumns, {1}));
  EXPECT_EQ(old->NewStorage(3, 72), -4);
  EXPECT_EQ(old->NewStorage(3, 74), 0);
}

TEST_F(IndexFileFormat, TooManyKeyItemsForTheLevelAreRefused) {
  TVxbSortDef def;
  def.Items.assign(11, TVxbSortItem{1, types::vxbInteger, 4, false});
  auto index = MakeIndex("many", 3, IntColumns, DefinitionOver(IntColumns, {1}));
  EXPECT_EQ(index->SetIndexDefinition(def), -61);
  auto level4 = MakeIndex("many4", 4, IntColumns, DefinitionOver(IntColumns, {1}));
  EXPECT_EQ(level4->SetIndexDefinition(def), 0);
  def.Items.assign(257, TVxbSortItem{1, types::vxbInteger, 4, false});
  EXPECT_EQ(level4->SetIndexDefinition(def), -61);
}

TEST(IndexPageSize, NewIndexesGetPagesForFortyItemsAndTheTableCapacity) {
  struct Case {
    int16_t version;
    int32_t entrySize;
    int64_t capacity;
    int32_t pageSize;
  };
  const Case cases[] = {
      {6, 8, 1000, 4096},                // 341 items per page
      {6, 100, 1000, 8192},              // 39 items of 104 bytes: doubled
      {6, 96, 1000, 4096},               // 40 items of 100 bytes
      {6, 4000, 1000, 262144},           // 40 items of 4004 bytes
      {6, 32767, 1000, 2097152},         // the largest entry
      {6, 8, 1000000000, 4096},          // a new tree holds 2^31 - 1 entries ...
      {6, 8, 1100000000, 16777216},      // ... so a larger capacity doubles up to the limit
      {3, 8, 10000000, 4096},            // 409 items x 65535 >= 2 x 10,000,000
      {3, 8, 15000000, 8192},            // 409 items x 65535 < 2 x 15,000,000
      {3, 512, 10000000, 16384},         // capped at 16 KiB
      {1, 20, 100, 4096},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entrySize);
    EXPECT_EQ(TVxbBTree::CalcPageSizeFor(c.version, c.entrySize, c.capacity), c.pageSize);
  }
}

TEST(IndexNames, FileNamesFollowTheTableLevel) {
  struct Case {
    std::u16string table, index;
    int16_t level;
    std::u16string file;
  };
  const Case cases[] = {
      {u"Eng_hun", u"ENG", 6, u"Eng_hun!ENG.vxbi"},
      {u"Eng_hun", u"ENG.vxbi", 6, u"Eng_hun!ENG.vxbi"},
      {u"Eng_hun", u"HUN", 5, u"Eng_hun!HUN.ind"},
      {u"Eng_hun", u"HUN.IND", 4, u"Eng_hun!HUN.ind"},
      {u"Eng_hun", u"ENG", 3, u"ENG.ind"},
      {u"~tmp", u"ENG", 2, u"ENG.$$i"},
      {u"Eng_hun", u"ENG.X1", 1, u"ENG.X1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(fs::u8(c.index));
    EXPECT_EQ(IndexFileName(c.table, c.index, c.level), c.file);
  }
}

TEST(IndexNames, KindsFollowFromTheName) {
  struct Case {
    std::u16string name;
    int16_t level;
    TVxbIndexKind kind;
  };
  const Case cases[] = {
      {u"ENG", 6, tikUser},         {u"tmp001", 6, tikTemporary}, {u"sys_Id", 6, tikAdl},
      {u"SYS_INR", 5, tikAdl},      {u"sys_In3", 4, tikAdl},      {u"sys_In0", 4, tikConstraint},
      {u"sys_Primary", 6, tikConstraint}, {u"sys_In", 6, tikConstraint}, {u"sys_x.ind", 6, tikUser},
      {u"ENG", 3, tikUser},         {u"ENG.ind", 3, tikUser},     {u"ENG.$$i", 3, tikUser},
      {u"Eng_hun.$01", 3, tikTemporary}, {u"Eng_hun.inr", 2, tikAdl}, {u"Eng_hun.id", 1, tikAdl},
      {u"Eng_hun.in7", 3, tikAdl},  {u"Eng_hun.in0", 3, tikUnknown}, {u"Eng_hun.xyz", 3, tikUnknown},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(fs::u8(c.name));
    EXPECT_EQ(GetIndexKind(c.name, c.level), c.kind);
  }
  EXPECT_TRUE(IsAutomaticIndexKind(tikAdl));
  EXPECT_TRUE(IsAutomaticIndexKind(tikConstraint));
  EXPECT_FALSE(IsAutomaticIndexKind(tikTemporary));
}

TEST(IndexNames, SystemIndexNamesAndNameComparison) {
  EXPECT_EQ(SystemIndexName(TVxbSystemIndex::Id, 0, u"T", 6), u"sys_Id");
  EXPECT_EQ(SystemIndexName(TVxbSystemIndex::In, 4, u"T", 5), u"sys_In4");
  EXPECT_EQ(SystemIndexName(TVxbSystemIndex::Inr, 0, u"Eng_hun", 3), u"Eng_hun.inr");
  EXPECT_EQ(SystemIndexName(TVxbSystemIndex::In, 9, u"Eng_hun", 3), u"Eng_hun.in9");
  EXPECT_EQ(SystemIndexName(TVxbSystemIndex::Id, 0, std::u16string(50, u'a'), 2), std::u16string(40, u'a') + u".id");
  EXPECT_TRUE(IsSameIndexName(u"eng", u"ENG.vxbi"));
  EXPECT_TRUE(IsSameIndexName(u"ENG.ind", u"Eng"));
  EXPECT_FALSE(IsSameIndexName(u"ENG", u"HUN"));
  EXPECT_TRUE(IsReservedIndexName(u"sysX"));
  EXPECT_TRUE(IsReservedIndexName(u"TMPIDX1"));
  EXPECT_FALSE(IsReservedIndexName(u"tmp1"));
}

}  // namespace
}  // namespace vexilo::index::testing
