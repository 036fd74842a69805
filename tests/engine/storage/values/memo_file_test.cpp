// Memo files: chains of 256-byte blocks, line breaks stored as CR, texts
// ended by 0 or Ctrl-Z, the free list, emptying, reopening from disk and
// file names by level.
#include <string>
#include <vector>

#include "engine/errors/error_codes.h"
#include "tests/engine/storage/values/memo_blob_fixture.h"

namespace vexilo::storage::testing {
namespace {

constexpr int32_t kBlock = TVxbMemoFile::kBlockSize;
const std::string kName = "t.vxbm";

class MemoFile : public MemoBlobFixture {};

struct ChainCase {
  size_t length;
  int32_t blocks;
};

TEST_F(MemoFile, TextTakesOneBlockPer252BytesPlusItsTerminator) {
  const ChainCase cases[] = {{0, 0}, {1, 1}, {251, 1}, {252, 2}, {253, 2}, {503, 2}, {504, 3}, {2000, 8}};
  for (const ChainCase& c : cases) {
    SCOPED_TRACE(c.length);
    auto memo = Created(Memo());
    const std::string text = Text(c.length);
    const int32_t first = memo->WriteString(0, text);
    EXPECT_EQ(first, c.blocks == 0 ? 0 : 1);
    EXPECT_EQ(memo->GetLastBlock(), c.blocks);
    EXPECT_EQ(memo->GetNextBlock(), c.blocks + 1);
    std::string back;
    EXPECT_EQ(memo->ReadString(first, back), 0);
    EXPECT_EQ(back, text);
    EXPECT_EQ(memo->CalcMemoLength(first), static_cast<int32_t>(c.length));
    ASSERT_EQ(memo->Flush(), 0);
    if (c.blocks == 0) continue;
    // Blocks 1..n in order, the last linked to -1 and holding the 0 right
    // after the text.
    std::vector<int32_t> expected;
    for (int32_t b = 1; b <= c.blocks; ++b) expected.push_back(b);
    EXPECT_EQ(Chain(*memo, kName, first), expected);
    const std::string bytes = FileBytes(kName);
    const size_t terminator = kBlock * static_cast<size_t>(c.blocks) + 4 + c.length % 252;
    EXPECT_EQ(bytes[terminator], '\0');
    if (c.length % 252 != 0) {
      EXPECT_EQ(bytes[terminator - 1], text.back());
    }
  }
}

TEST_F(MemoFile, ValueOfAColumnHoldingZeroIsEmptyWithoutAFile) {
  auto memo = Memo("never_created.vxbm");
  std::string s = "old";
  EXPECT_EQ(memo->ReadString(0, s), 0);
  EXPECT_EQ(s, "");
  EXPECT_EQ(memo->CalcMemoLength(0), 0);
}

struct LineBreakCase {
  std::string written;
  std::string stored;  // text bytes up to the terminator
  std::string read;
  std::string readSupressed;
};

TEST_F(MemoFile, LineBreaksAreStoredAsOneCrAndReadAsCrLf) {
  const LineBreakCase cases[] = {
      {"a\r\nb", "a\rb", "a\r\nb", "a b"},
      {"a\nb", "a\rb", "a\r\nb", "a b"},
      {"a\rb", "a\rb", "a\r\nb", "a b"},
      {"\r\n\r\n", "\r\r", "\r\n\r\n", "  "},
      {"x\r\n", "x\r", "x\r\n", "x "},
      {"\n\r", "\r\r", "\r\n\r\n", "  "},
  };
  for (const LineBreakCase& c : cases) {
    SCOPED_TRACE(c.written);
    auto memo = Created(Memo());
    const int32_t first = memo->WriteString(0, c.written);
    ASSERT_EQ(first, 1);
    ASSERT_EQ(memo->Flush(), 0);
    const std::string bytes = FileBytes(kName);
    EXPECT_EQ(bytes.substr(kBlock + 4, c.stored.size() + 1), c.stored + std::string(1, '\0'));
    std::string s;
    EXPECT_EQ(memo->ReadString(first, s), 0);
    EXPECT_EQ(s, c.read);
    EXPECT_EQ(memo->ReadMemo(first, s, true, -1), 0);
    EXPECT_EQ(s, c.readSupressed);
    EXPECT_EQ(memo->CalcMemoLength(first), static_cast<int32_t>(c.read.size()));
  }
}

TEST_F(MemoFile, ReadingWithALimitNeverEndsInHalfALineBreak) {
  auto memo = Created(Memo());
  const int32_t first = memo->WriteString(0, "a\r\nb");
  const struct {
    int32_t maxLen;
    bool supress;
    std::string expected;
  } cases[] = {{0, false, ""},        {1, false, "a"},       {2, false, "a"},    {3, false, "a\r\n"},
               {4, false, "a\r\nb"},  {9, false, "a\r\nb"},  {-1, false, "a\r\nb"}, {2, true, "a "},
               {3, true, "a b"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.maxLen);
    std::string s = "old";
    EXPECT_EQ(memo->ReadMemo(first, s, c.supress, c.maxLen), 0);
    EXPECT_EQ(s, c.expected);
  }
}

TEST_F(MemoFile, TextEndsAtItsFirstZeroOrCtrlZ) {
  auto memo = Created(Memo());
  // A writer stores nothing a reader could not get back.
  const int32_t withZero = memo->WriteString(0, std::string("ab\0cd", 5));
  const int32_t withCtrlZ = memo->WriteString(0, Text(300) + "\x1a" + Text(600));
  const int32_t onlyZero = memo->WriteString(0, std::string(1, '\0'));
  std::string s;
  EXPECT_EQ(memo->ReadString(withZero, s), 0);
  EXPECT_EQ(s, "ab");
  EXPECT_EQ(memo->ReadString(withCtrlZ, s), 0);
  EXPECT_EQ(s, Text(300));
  EXPECT_EQ(onlyZero, 0);
  EXPECT_EQ(memo->GetLastBlock(), 3);  // 1 block for "ab", 2 for the 300 bytes
}

TEST_F(MemoFile, ReaderStopsAtCtrlZAndTurnsAStoredLfIntoABlank) {
  // Written by another program: "x", LF, "y", Ctrl-Z, garbage.
  WriteRawFile(kName, 2, 1, kBlock, kBlock, {std::string("\xff\xff\xff\xffx\ny\x1azzz", 11)});
  auto memo = Opened(Memo());
  std::string s;
  EXPECT_EQ(memo->ReadString(1, s), 0);
  EXPECT_EQ(s, "x y");
  EXPECT_EQ(memo->CalcMemoLength(1), 3);
}

TEST_F(MemoFile, ReaderClearsTheTopFourBitsOfALink) {
  std::string first(4, '\0');
  first[0] = 2;
  first[3] = static_cast<char>(0xF0);  // link 0xF0000002 is block 2
  first += Text(252);
  WriteRawFile(kName, 3, 2, kBlock, kBlock, {first, std::string("\xff\xff\xff\xff" "end", 7)});
  auto memo = Opened(Memo());
  std::string s;
  EXPECT_EQ(memo->ReadString(1, s), 0);
  EXPECT_EQ(s, Text(252) + "end");
}

TEST_F(MemoFile, RewritingPutsTheOldBlocksAtTheHeadOfTheFreeList) {
  auto memo = Created(Memo());
  const int32_t a = memo->WriteString(0, Text(600));  // blocks 1-3
  ASSERT_EQ(a, 1);
  EXPECT_EQ(FreeList(*memo, kName), std::vector<int32_t>{});

  // Shorter: the new text is written first (block 4), then 1-3 are freed.
  const int32_t shorter = memo->WriteString(a, "short");
  EXPECT_EQ(shorter, 4);
  EXPECT_EQ(FreeList(*memo, kName), (std::vector<int32_t>{1, 2, 3}));
  EXPECT_EQ(FileInt32(kName, 3 * kBlock), 5);  // the list ends at LastBlock + 1
  std::string s;
  EXPECT_EQ(memo->ReadString(shorter, s), 0);
  EXPECT_EQ(s, "short");

  // Longer: takes the free blocks in chain order before the file grows, then
  // frees block 4.
  const int32_t longer = memo->WriteString(shorter, Text(1000));  // 4 blocks
  EXPECT_EQ(longer, 1);
  EXPECT_EQ(Chain(*memo, kName, longer), (std::vector<int32_t>{1, 2, 3, 5}));
  EXPECT_EQ(memo->GetLastBlock(), 5);
  EXPECT_EQ(FreeList(*memo, kName), std::vector<int32_t>{4});
  EXPECT_EQ(memo->ReadString(longer, s), 0);
  EXPECT_EQ(s, Text(1000));

  // Writing an empty text frees the value and gives 0.
  EXPECT_EQ(memo->WriteString(longer, ""), 0);
  EXPECT_EQ(FreeList(*memo, kName), (std::vector<int32_t>{1, 2, 3, 5, 4}));
  const int32_t reused = memo->WriteString(0, Text(300));
  EXPECT_EQ(Chain(*memo, kName, reused), (std::vector<int32_t>{1, 2}));
  EXPECT_EQ(FreeList(*memo, kName), (std::vector<int32_t>{3, 5, 4}));
  EXPECT_EQ(CheckFindings(*memo, {{1, u"LEIR", reused}}), std::vector<std::u16string>{});
}

TEST_F(MemoFile, FreeingAValueHandsItsBlocksToTheNextValue) {
  auto memo = Created(Memo());
  const int32_t a = memo->WriteString(0, Text(300));
  const int32_t b = memo->WriteString(0, Text(10));
  EXPECT_EQ(memo->FreeValue(a), 0);
  EXPECT_EQ(memo->GetNextBlock(), a);
  EXPECT_EQ(FreeList(*memo, kName), (std::vector<int32_t>{1, 2}));
  EXPECT_EQ(memo->WriteString(0, Text(5)), 1);
  EXPECT_EQ(memo->GetNextBlock(), 2);
  EXPECT_EQ(memo->FreeValue(0), 0);
  std::string s;
  EXPECT_EQ(memo->ReadString(b, s), 0);
  EXPECT_EQ(s, Text(10));
}

TEST_F(MemoFile, EmptyResetsTheFileToItsHeader) {
  auto memo = Created(Memo());
  for (int i = 0; i < 40; ++i) memo->WriteString(0, Text(500));
  ASSERT_EQ(memo->Flush(), 0);
  ASSERT_GT(FileBytes(kName).size(), 8192u);
  EXPECT_EQ(memo->Empty(), 0);
  EXPECT_EQ(memo->GetNextBlock(), 1);
  EXPECT_EQ(memo->GetLastBlock(), 0);
  ASSERT_EQ(memo->Flush(), 0);
  // Cut to the header block (as far as the cache's tiles go).
  EXPECT_EQ(FileBytes(kName).size(), 8192u);
  EXPECT_EQ(FileInt32(kName, 0), 1);
  EXPECT_EQ(FileInt32(kName, 4), 0);
  EXPECT_EQ(memo->WriteString(0, "again"), 1);
}

TEST_F(MemoFile, ValuesAndHeaderSurviveReopening) {
  int32_t a, b;
  {
    auto memo = Created(Memo());
    a = memo->WriteString(0, "first\r\nline");
    b = memo->WriteString(0, Text(700));
    memo->FreeValue(a);
    ASSERT_EQ(memo->Flush(), 0);
  }
  EXPECT_EQ(FileInt32(kName, 0), 1);
  EXPECT_EQ(FileInt32(kName, 4), 4);
  EXPECT_EQ(FileInt32(kName, 8), 256);
  auto memo = Opened(Memo());
  EXPECT_FALSE(memo->IsDamaged());
  EXPECT_EQ(memo->GetNextBlock(), 1);
  EXPECT_EQ(memo->GetLastBlock(), 4);
  std::string s;
  EXPECT_EQ(memo->ReadString(b, s), 0);
  EXPECT_EQ(s, Text(700));
  EXPECT_EQ(memo->WriteString(0, "x"), 1);
}

TEST_F(MemoFile, ChangesNotFlushedAreUndoneAndOtherProcessesChangesSeenAfterUpdate) {
  int32_t a;
  {
    auto created = Created(Memo());
    a = created->WriteString(0, "kept");
    ASSERT_EQ(created->Flush(), 0);
  }
  // A file just created is this process's alone; opened again, it is shared.
  auto memo = Opened(Memo());
  memo->WriteString(0, Text(600));
  EXPECT_EQ(memo->GetLastBlock(), 4);
  EXPECT_EQ(memo->Undo(), 0);
  EXPECT_EQ(memo->GetLastBlock(), 1);
  EXPECT_EQ(memo->GetNextBlock(), 2);

  // A second page cache stands for another process with the file open.
  index::TVxbPageManager otherManager;
  TVxbMemoFile other(Services, Client(kName, otherManager), 6);
  ASSERT_EQ(other.Open(false, false), 0);
  const int32_t b = other.WriteString(0, "from elsewhere");
  ASSERT_EQ(other.Flush(), 0);
  EXPECT_EQ(memo->Update(), 0);
  EXPECT_EQ(memo->GetLastBlock(), 2);
  std::string s;
  EXPECT_EQ(memo->ReadString(b, s), 0);
  EXPECT_EQ(s, "from elsewhere");
  EXPECT_EQ(memo->ReadString(a, s), 0);
  EXPECT_EQ(s, "kept");
}

TEST_F(MemoFile, CopyFromTakesAValueOfAnotherFile) {
  auto source = Created(Memo("source.mmo", 5));
  auto target = Created(Memo("target.mmo", 5));
  target->WriteString(0, "occupies block 1");
  const int32_t a = source->WriteString(0, "line\r\nnext" + Text(400));
  const int32_t copy = target->CopyFrom(*source, a);
  EXPECT_EQ(copy, 2);
  std::string s;
  EXPECT_EQ(target->ReadString(copy, s), 0);
  EXPECT_EQ(s, "line\r\nnext" + Text(400));
}

TEST_F(MemoFile, FileNamesFollowTheTableLevel) {
  const struct {
    std::u16string table;
    int16_t level;
    std::u16string memo;
    std::u16string blob;
  } cases[] = {
      {u"Eng_hun.vxbt", 6, u"Eng_hun.vxbm", u"Eng_hun.vxbb"},
      {u"Eng_hun.dat", 5, u"Eng_hun.mmo", u"Eng_hun.blb"},
      {u"Eng_hun.dat", 1, u"Eng_hun.mmo", u"Eng_hun.blb"},
      {u"dir.d/Eng_hun", 6, u"dir.d/Eng_hun.vxbm", u"dir.d/Eng_hun.vxbb"},
      {u"C:\\db.x\\a.b.rel", 4, u"C:\\db.x\\a.b.mmo", u"C:\\db.x\\a.b.blb"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TVxbMemoFile::FileNameFor(c.table, c.level), c.memo);
    EXPECT_EQ(TVxbBlobFile::FileNameFor(c.table, c.level), c.blob);
  }
}

TEST_F(MemoFile, MemoBlocksAre256BytesWhateverTheHeaderSays) {
  WriteRawFile(kName, 2, 1, 4096, kBlock, {std::string("\xff\xff\xff\xffok", 6)});
  auto memo = Opened(Memo());
  EXPECT_FALSE(memo->IsDamaged());
  EXPECT_EQ(memo->GetBlockSize(), 256);
  std::string s;
  EXPECT_EQ(memo->ReadString(1, s), 0);
  EXPECT_EQ(s, "ok");
}

TEST_F(MemoFile, OpeningAMissingFileIsError31WithTheFileName) {
  auto memo = Memo("missing.vxbm");
  EXPECT_EQ(memo->Open(false, false), -errors::vxbErrOpenMemoFile);
  EXPECT_EQ(Services.LastErrorCode(), errors::vxbErrOpenMemoFile);
  EXPECT_NE(Services.LastErrorMsg().find(u"missing.vxbm"), std::u16string::npos);
  EXPECT_FALSE(memo->IsOpen());
}

TEST_F(MemoFile, CreatingInAMissingDirectoryIsError3WithTheTableName) {
  auto memo = Memo("no_such_dir/t.vxbm");
  memo->SetTableName(u"Eng_hun");
  EXPECT_EQ(memo->NewFile(), -errors::vxbErrWriteFile);
  EXPECT_EQ(Services.LastErrorCode(), errors::vxbErrWriteFile);
  EXPECT_NE(Services.LastErrorMsg().find(u"Eng_hun"), std::u16string::npos);
}

TEST_F(MemoFile, WritingToAFileOpenedReadOnlyIsError33) {
  Created(Memo())->Flush();
  auto memo = Opened(Memo(), true);
  EXPECT_EQ(memo->WriteString(0, "x"), -errors::vxbErrWriteMemo);
  EXPECT_EQ(Services.LastErrorCode(), errors::vxbErrWriteMemo);
  EXPECT_FALSE(memo->IsDamaged());
}

}  // namespace
}  // namespace vexilo::storage::testing
