// Damaged memo and blob files: chains cut short, leaving the file or running
// in a circle, free lists that do the same, headers that contradict
// themselves and lengths the file cannot hold. Each is reported (as damage by
// reads and writes, as findings by the check), never followed forever; once
// damage is found every write is refused.
#include <functional>
#include <string>
#include <vector>

#include "engine/errors/error_codes.h"
#include "tests/engine/storage/values/memo_blob_fixture.h"

namespace vexilo::storage::testing {
namespace {

constexpr int32_t kBlock = TVxbMemoFile::kBlockSize;
const std::string kName = "t.vxbm";
using Findings = std::vector<std::u16string>;

class DamagedMemo : public MemoBlobFixture {
 protected:
  // Record 1 holds A (blocks 1-3), record 2 holds B (blocks 4-5); blocks 6-7
  // are free, 7 ending the list. Written, flushed and closed.
  void Build(int16_t level = 6) {
    auto memo = Created(Memo(kName, level));
    ASSERT_EQ(memo->WriteString(0, Text(600)), 1);
    ASSERT_EQ(memo->WriteString(0, Text(300)), 4);
    ASSERT_EQ(memo->FreeValue(memo->WriteString(0, Text(300))), 0);
    ASSERT_EQ(memo->Flush(), 0);
  }
  void PatchLink(int32_t block, int32_t link) const { PatchInt32(kName, int64_t{block} * kBlock, link); }
  std::unique_ptr<TVxbMemoFile> Reopen(int16_t level = 6) {
    auto memo = Opened(Memo(kName, level));
    memo->SetTableName(u"Eng_hun");
    return memo;
  }
  std::vector<Value> Records() const { return {{1, u"LEIR", 1}, {2, u"LEIR", 4}}; }
  // After damage was found: the mark is set and writes are refused with 112
  // naming the table.
  void ExpectWritesRefused(TVxbMemoFile& memo) {
    EXPECT_TRUE(memo.IsDamaged());
    Services.ClearLastError();
    EXPECT_EQ(memo.WriteString(0, "x"), -errors::vxbErrMemoDamaged);
    EXPECT_EQ(Services.LastErrorCode(), errors::vxbErrMemoDamaged);
    EXPECT_NE(Services.LastErrorMsg().find(u"Eng_hun"), std::u16string::npos);
    EXPECT_EQ(memo.Empty(), -errors::vxbErrMemoDamaged);
  }
};

TEST_F(DamagedMemo, SoundFileHasNoFindings) {
  Build();
  auto memo = Reopen();
  std::u16string kind;
  EXPECT_EQ(CheckFindings(*memo, Records(), &kind), Findings{});
  EXPECT_FALSE(memo->IsDamaged());
}

struct BrokenChainCase {
  const char* name;
  std::function<void()> patch;
  Findings findings;
  bool readFails;  // reading A runs into the damage
};

TEST_F(DamagedMemo, BrokenChainsAndFreeListsAreFoundAndNeverFollowedForever) {
  const std::u16string invalid = u"Record 1, field LEIR - Invalid block in chain.";
  const BrokenChainCase cases[] = {
      {"chain cut short", [this] { PatchLink(2, 0); }, {invalid, u"Unused block not in freelist"},
       true},
      {"chain leaves the file", [this] { PatchLink(2, 5000); },
       {invalid, u"Unused block not in freelist"}, true},
      {"chain loops back after its terminator", [this] { PatchLink(3, 1); },
       {u"Record 1, field LEIR - Block is used twice."}, false},
      {"text chain loops",
       [this] {
         PatchLink(3, 1);
         Patch(kName, 3 * kBlock + 4, std::string(252, 'x'));
       },
       {u"Record 1, field LEIR - Block is used twice."}, true},
      {"free list cycle", [this] { PatchLink(7, 6); }, {u"Freelist contains cycles"}, false},
      {"free list runs into a value", [this] { PatchLink(7, 1); },
       {u"Record 1, field LEIR - Chain contains unused block."}, false},
      {"free list points at the header", [this] { PatchLink(6, 0); },
       {u"Unused block not in freelist"}, false},
  };
  for (const BrokenChainCase& c : cases) {
    SCOPED_TRACE(c.name);
    Build();
    c.patch();
    auto memo = Reopen();
    EXPECT_FALSE(memo->IsDamaged());
    EXPECT_EQ(CheckFindings(*memo, Records()), c.findings);
    std::string s;
    Services.ClearLastError();
    const int16_t read = memo->ReadString(1, s);
    if (c.readFails) {
      EXPECT_EQ(read, -errors::vxbErrMemoDamaged);
      EXPECT_EQ(s, "");
      ExpectWritesRefused(*memo);
      continue;
    }
    EXPECT_EQ(read, 0);
    EXPECT_EQ(s, Text(600));
    // Freeing A or taking a free block runs into the damage.
    const int32_t written = memo->WriteString(1, Text(300));
    EXPECT_EQ(written, -errors::vxbErrMemoDamaged);
    ExpectWritesRefused(*memo);
  }
}

TEST_F(DamagedMemo, CheckReportsValuesThatPointWrong) {
  const struct {
    int32_t blockIdx;
    std::u16string finding;
  } cases[] = {
      {999, u"Record 3, field NOTE - Points to non-existing block."},
      {-4, u"Record 3, field NOTE - Points to non-existing block."},
      {5, u"Record 3, field NOTE - Block is used twice."},
      {6, u"Record 3, field NOTE - Chain contains unused block."},
  };
  Build();
  auto memo = Reopen();
  for (const auto& c : cases) {
    std::vector<Value> values = Records();
    values.push_back({3, u"NOTE", c.blockIdx});
    std::u16string kind;
    EXPECT_EQ(CheckFindings(*memo, values, &kind), Findings{c.finding});
    EXPECT_EQ(kind, u"Memo");
  }
  std::string s;
  EXPECT_EQ(memo->ReadString(999, s), -errors::vxbErrMemoDamaged);
  EXPECT_EQ(memo->ReadString(-4, s), -errors::vxbErrMemoDamaged);
}

TEST_F(DamagedMemo, FreeingBlocksThatAreFreeAlreadyIsDamageNotACircle) {
  for (const int32_t twice : {4, 6}) {
    SCOPED_TRACE(twice);
    Build();
    auto memo = Reopen();
    // Block 4 freed twice (two records held it), block 6 is free from the start.
    if (twice == 4) {
      ASSERT_EQ(memo->FreeValue(4), 0);
    }
    EXPECT_EQ(memo->FreeValue(twice), -errors::vxbErrMemoDamaged);
    EXPECT_EQ(memo->GetNextBlock(), twice);
    EXPECT_EQ(CheckFindings(*memo, {{1, u"LEIR", 1}}), Findings{u"Storage file is corrupt"});
    ExpectWritesRefused(*memo);
  }
}

TEST_F(DamagedMemo, HeaderThatContradictsItselfMarksTheFileDamaged) {
  const struct {
    const char* name;
    int64_t offset;
    int32_t value;
  } cases[] = {
      {"NextBlock 0 would hand out the header", 0, 0},
      {"NextBlock negative", 0, -3},
      {"NextBlock beyond the file", 0, 100000},
      {"LastBlock negative", 4, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Build();
    PatchInt32(kName, c.offset, c.value);
    auto memo = Reopen();
    EXPECT_TRUE(memo->IsDamaged());
    EXPECT_EQ(CheckFindings(*memo, Records()), Findings{u"Storage file is corrupt"});
    ExpectWritesRefused(*memo);
  }
}

TEST_F(DamagedMemo, FileWithoutAHeaderOpensDamaged) {
  std::ofstream(Path(kName), std::ios::binary | std::ios::trunc);
  auto memo = Reopen();
  EXPECT_TRUE(memo->IsDamaged());
  std::string s;
  EXPECT_EQ(memo->ReadString(1, s), -errors::vxbErrMemoDamaged);
  ExpectWritesRefused(*memo);
}

TEST_F(DamagedMemo, HeaderClaimingMoreBlocksThanTheFileHoldsIsAWrongBlockCount) {
  // One 8 KiB tile holds the header and 31 blocks; the header claims 40.
  std::vector<std::string> blocks(31, std::string("\xff\xff\xff\xff", 4));
  blocks[0] = std::string("\x21\0\0\0", 4);  // block 1 free, ending the list at 33
  WriteRawFile(kName, 1, 40, kBlock, kBlock, blocks);
  std::vector<Value> values;
  for (int32_t b = 2; b <= 31; ++b) values.push_back({b, u"LEIR", b});
  auto memo = Reopen();
  EXPECT_FALSE(memo->IsDamaged());
  EXPECT_EQ(CheckFindings(*memo, values), Findings{u"Wrong block count"});
  std::string s;
  EXPECT_EQ(memo->ReadString(35, s), -errors::vxbErrMemoDamaged);
}

TEST_F(DamagedMemo, OldLevelsFindTheEndOfAChainByItsTerminator) {
  // Below level 5 the last block is the one holding the terminator, whatever
  // its link says; from level 5 on the link must say -1.
  for (const int16_t level : {4, 6}) {
    SCOPED_TRACE(level);
    Build(level);
    PatchLink(3, 77);
    auto memo = Reopen(level);
    if (level < 5) {
      EXPECT_EQ(CheckFindings(*memo, Records()), Findings{});
      EXPECT_EQ(memo->FreeValue(1), 0);
      EXPECT_EQ(FreeList(*memo, kName), (std::vector<int32_t>{1, 2, 3, 6, 7}));
    } else {
      EXPECT_EQ(CheckFindings(*memo, Records()),
                (Findings{u"Record 1, field LEIR - Invalid block in chain."}));
      EXPECT_EQ(memo->FreeValue(1), -errors::vxbErrMemoDamaged);
    }
  }
}

TEST_F(DamagedMemo, BlockNumbersAbove268435455AreRefusedAndTheOldValueKept) {
  // Block 1 holds "old"; block 2 is free and ends the list at 0x10000000,
  // the first number a file may not use.
  WriteRawFile(kName, 2, TVxbBlockedBinaryFile::kMaxBlockNo, kBlock, kBlock,
               {std::string("\xff\xff\xff\xffold", 7), std::string("\0\0\0\x10", 4)});
  auto memo = Reopen();
  ASSERT_FALSE(memo->IsDamaged());
  EXPECT_EQ(memo->WriteString(1, Text(300)), -errors::vxbErrMemoTooLarge);
  EXPECT_EQ(Services.LastErrorCode(), errors::vxbErrMemoTooLarge);
  EXPECT_NE(Services.LastErrorMsg().find(u"Eng_hun"), std::u16string::npos);
  EXPECT_FALSE(memo->IsDamaged());
  // The block the failed write took is free again; the old value stays.
  EXPECT_EQ(memo->GetNextBlock(), 2);
  std::string s;
  EXPECT_EQ(memo->ReadString(1, s), 0);
  EXPECT_EQ(s, "old");
  EXPECT_EQ(memo->WriteString(0, "fits"), 2);
  EXPECT_EQ(memo->WriteString(0, "x"), -errors::vxbErrMemoTooLarge);
}

class DamagedBlob : public MemoBlobFixture {
 protected:
  static constexpr int32_t kBlobBlock = 512;
  const std::string kBlob = "t.blb";

  // Record 1 holds 1500 bytes in blocks 1-3; flushed and closed.
  void Build(int16_t level) {
    auto blob = Created(Blob(kBlob, level, kBlobBlock));
    ASSERT_EQ(blob->WriteString(0, Bytes(1500)), 1);
    ASSERT_EQ(blob->Flush(), 0);
  }
};

TEST_F(DamagedBlob, LengthsTheFileCannotHoldAreDamageNotAllocations) {
  for (const int32_t size : {-1, 0x7FFFFFFF, 3 * 508 + 100}) {
    SCOPED_TRACE(size);
    Build(6);
    PatchInt32(kBlob, kBlobBlock + 4, size);
    auto blob = Opened(Blob(kBlob, 6));
    std::string s;
    EXPECT_EQ(blob->ReadString(1, s), -errors::vxbErrBlobDamaged);
    EXPECT_EQ(s, "");
    EXPECT_EQ(blob->CalcBlobLength(1), -errors::vxbErrBlobDamaged);
    EXPECT_EQ(blob->WriteString(0, "x"), -errors::vxbErrBlobDamaged);
    EXPECT_EQ(Services.LastErrorCode(), errors::vxbErrBlobDamaged);
  }
}

TEST_F(DamagedBlob, ChainThatLoopsOrLeavesTheFileIsDamage) {
  for (const int32_t link : {1, 2, 0, 9999}) {
    SCOPED_TRACE(link);
    Build(6);
    PatchInt32(kBlob, 2 * kBlobBlock, link);
    auto blob = Opened(Blob(kBlob, 6));
    std::string s;
    EXPECT_EQ(blob->ReadString(1, s), -errors::vxbErrBlobDamaged);
    EXPECT_TRUE(blob->IsDamaged());
  }
}

TEST_F(DamagedBlob, OldLevelsFindTheEndOfAChainByTheLength) {
  for (const int16_t level : {3, 6}) {
    SCOPED_TRACE(level);
    Build(level);
    PatchInt32(kBlob, 3 * kBlobBlock, 55);  // the last block's link
    auto blob = Opened(Blob(kBlob, level));
    std::u16string kind;
    const Findings findings = CheckFindings(*blob, {{1, u"DATA", 1}}, &kind);
    if (level < 5) {
      EXPECT_EQ(findings, Findings{});
      EXPECT_EQ(blob->WriteString(1, "new"), 4);
      EXPECT_EQ(FreeList(*blob, kBlob), (std::vector<int32_t>{1, 2, 3}));
    } else {
      EXPECT_EQ(findings, Findings{u"Record 1, field DATA - Invalid block in chain."});
      EXPECT_EQ(kind, u"Blob");
      EXPECT_EQ(blob->WriteString(1, "new"), -errors::vxbErrBlobDamaged);
    }
  }
  Build(3);
  PatchInt32(kBlob, kBlobBlock + 4, -7);
  auto blob = Opened(Blob(kBlob, 3));
  EXPECT_EQ(CheckFindings(*blob, {{1, u"DATA", 1}}),
            (Findings{u"Record 1, field DATA - Invalid block in chain.", u"Unused block not in freelist",
                      u"Unused block not in freelist"}));
}

}  // namespace
}  // namespace vexilo::storage::testing
