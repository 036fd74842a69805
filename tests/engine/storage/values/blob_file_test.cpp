// Blob files: chains with a length in the first block, the block size from
// the database's default and from the header, WideMemo text as UTF-16LE,
// the free list, and the table's cipher over data blocks.
#include <cstring>
#include <string>
#include <vector>

#include "engine/errors/error_codes.h"
#include "tests/engine/storage/values/memo_blob_fixture.h"

namespace vexilo::storage::testing {
namespace {

const std::string kName = "t.vxbb";

class BlobFile : public MemoBlobFixture {};

TEST_F(BlobFile, ValueTakesItsFirstBlockMinus8ThenBlockMinus4BytesPerBlock) {
  const struct {
    int32_t blockSize;
    size_t size;
    int32_t blocks;
  } cases[] = {{512, 0, 0},     {512, 1, 1},     {512, 504, 1},  {512, 505, 2},  {512, 1012, 2},
               {512, 1013, 3},  {512, 5000, 10}, {4096, 4088, 1}, {4096, 4089, 2}, {16, 8, 1},
               {16, 9, 2},      {16, 100, 9},    {12, 4, 1},     {12, 5, 2},     {12, 13, 3}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.blockSize << "/" << c.size);
    auto blob = Created(Blob(kName, 6, c.blockSize));
    const std::string data = Bytes(c.size);
    const int32_t first = blob->WriteString(0, data);
    EXPECT_EQ(first, c.blocks == 0 ? 0 : 1);
    EXPECT_EQ(blob->GetLastBlock(), c.blocks);
    EXPECT_EQ(blob->CalcBlobLength(first), static_cast<int32_t>(c.size));
    std::string back = "old";
    EXPECT_EQ(blob->ReadString(first, back), 0);
    EXPECT_EQ(back, data);
    ASSERT_EQ(blob->Flush(), 0);
    if (c.blocks == 0) continue;
    EXPECT_EQ(FileInt32(kName, c.blockSize + 4), static_cast<int32_t>(c.size));
    const std::vector<int32_t> chain = Chain(*blob, kName, first);
    EXPECT_EQ(static_cast<int32_t>(chain.size()), c.blocks);
    EXPECT_EQ(FileInt32(kName, int64_t{c.blocks} * c.blockSize), -1);
  }
}

TEST_F(BlobFile, BlockSizeComesFromTheHeaderOnceTheFileExists) {
  // 12 bytes is the smallest block that does not overlap the header.
  for (const int32_t blockSize : {512, 12, 1000}) {
    SCOPED_TRACE(blockSize);
    {
      auto blob = Created(Blob(kName, 6, blockSize));
      blob->WriteString(0, Bytes(3000));
      ASSERT_EQ(blob->Flush(), 0);
    }
    EXPECT_EQ(FileInt32(kName, 8), blockSize);
    auto blob = Opened(Blob(kName, 6, 1024));
    EXPECT_FALSE(blob->IsDamaged());
    EXPECT_EQ(blob->GetBlockSize(), blockSize);
    std::string s;
    EXPECT_EQ(blob->ReadString(1, s), 0);
    EXPECT_EQ(s, Bytes(3000));
  }
  // A default the file cannot use is refused at creation.
  EXPECT_EQ(Blob("small.vxbb", 6, 11)->NewFile(), -errors::vxbErrWriteFile);
}

TEST_F(BlobFile, StoredBlockSizeZeroMeans4096AndOneOutOfRangeMarksTheFileDamaged) {
  const struct {
    int32_t stored;
    bool damaged;
  } cases[] = {{0, false}, {4096, false}, {-1, true}, {65769, true}, {4, true}, {11, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored);
    std::string block(4096, '\0');
    block.replace(0, 8, std::string("\xff\xff\xff\xff\x03\0\0\0", 8));
    block.replace(8, 3, "abc");
    WriteRawFile(kName, 2, 1, c.stored, 4096, {block});
    Services.ClearLastError();
    auto blob = Opened(Blob(kName, 6, 512));
    EXPECT_EQ(blob->IsDamaged(), c.damaged);
    std::string s;
    if (c.damaged) {
      EXPECT_EQ(blob->ReadString(1, s), -errors::vxbErrBlobDamaged);
      EXPECT_EQ(blob->WriteString(0, "x"), -errors::vxbErrBlobDamaged);
      EXPECT_EQ(Services.LastErrorCode(), errors::vxbErrBlobDamaged);
    } else {
      EXPECT_EQ(blob->GetBlockSize(), 4096);
      EXPECT_EQ(blob->ReadString(1, s), 0);
      EXPECT_EQ(s, "abc");
    }
  }
}

TEST_F(BlobFile, NewFileWithDefaultBlockSizeZeroUses4096) {
  auto blob = Created(Blob(kName, 6, 0));
  EXPECT_EQ(blob->GetBlockSize(), 4096);
  ASSERT_EQ(blob->Flush(), 0);
  EXPECT_EQ(FileInt32(kName, 8), 4096);
}

TEST_F(BlobFile, HungarianWideMemoRoundTripsAsUtf16Le) {
  const std::u16string text = u"Árvíztűrő tükörfúrógép – ŐŰ őű\r\n[ˈeksəmpəl]";
  int32_t first;
  {
    auto blob = Created(Blob());
    first = blob->WriteWideString(0, text);
    ASSERT_EQ(first, 1);
    EXPECT_EQ(blob->CalcBlobLength(first), static_cast<int32_t>(2 * text.size()));
    ASSERT_EQ(blob->Flush(), 0);
  }
  // "ő" is U+0151: bytes 0x51 0x01.
  const std::string bytes = FileBytes(kName);
  const size_t o = 512 + 8 + 2 * text.find(u'ő');
  EXPECT_EQ(static_cast<uint8_t>(bytes[o]), 0x51);
  EXPECT_EQ(static_cast<uint8_t>(bytes[o + 1]), 0x01);
  auto blob = Opened(Blob());
  std::u16string back;
  EXPECT_EQ(blob->ReadWideString(first, back), 0);
  EXPECT_EQ(back, text);
  // Long enough for several blocks, rewritten in place of the first.
  const std::u16string longer(2000, u'ű');
  const int32_t second = blob->WriteWideString(first, longer);
  EXPECT_EQ(blob->ReadWideString(second, back), 0);
  EXPECT_EQ(back, longer);
  EXPECT_EQ(blob->ReadWideString(0, back), 0);
  EXPECT_EQ(back, u"");
}

TEST_F(BlobFile, BlobTypeIsTheFirstTwoBytes) {
  auto blob = Created(Blob());
  EXPECT_EQ(blob->ReadBlobType(blob->WriteString(0, std::string("\x34\x12rest", 6))), 0x1234);
  EXPECT_EQ(blob->ReadBlobType(blob->WriteString(0, std::string("\xff\xff", 2))), 0xFFFF);
  EXPECT_EQ(blob->ReadBlobType(blob->WriteString(0, "x")), 0);
  EXPECT_EQ(blob->ReadBlobType(0), 0);
}

TEST_F(BlobFile, RewritingShorterAndLongerKeepsTheFreeListInChainOrder) {
  auto blob = Created(Blob());
  const int32_t a = blob->WriteString(0, Bytes(1500));  // blocks 1-3
  const int32_t b = blob->WriteString(0, Bytes(10));    // block 4
  ASSERT_EQ(a, 1);
  ASSERT_EQ(b, 4);
  const int32_t shorter = blob->WriteString(a, Bytes(20));
  EXPECT_EQ(shorter, 5);
  EXPECT_EQ(FreeList(*blob, kName), (std::vector<int32_t>{1, 2, 3}));
  const int32_t longer = blob->WriteString(shorter, Bytes(2100));  // 5 blocks
  EXPECT_EQ(Chain(*blob, kName, longer), (std::vector<int32_t>{1, 2, 3, 6, 7}));
  EXPECT_EQ(FreeList(*blob, kName), std::vector<int32_t>{5});
  std::string s;
  EXPECT_EQ(blob->ReadString(longer, s), 0);
  EXPECT_EQ(s, Bytes(2100));
  EXPECT_EQ(blob->ReadString(b, s), 0);
  EXPECT_EQ(s, Bytes(10));
  EXPECT_EQ(CheckFindings(*blob, {{1, u"A", longer}, {2, u"A", b}}), std::vector<std::u16string>{});
}

TEST_F(BlobFile, EmptyAndReopen) {
  {
    auto blob = Created(Blob());
    for (int i = 0; i < 30; ++i) blob->WriteString(0, Bytes(1000));
    EXPECT_EQ(blob->Empty(), 0);
    EXPECT_EQ(blob->WriteString(0, Bytes(600)), 1);
    ASSERT_EQ(blob->Flush(), 0);
  }
  auto blob = Opened(Blob());
  EXPECT_EQ(blob->GetLastBlock(), 2);
  EXPECT_EQ(blob->GetNextBlock(), 3);
  std::string s;
  EXPECT_EQ(blob->ReadString(1, s), 0);
  EXPECT_EQ(s, Bytes(600));
}

// A cipher for the test: every byte XOR 0x5A. The header must stay plain.
class XorCipher : public index::TVxbEncryption {
 public:
  void EncryptBlock(uint8_t* block, size_t size) override {
    for (size_t i = 0; i < size; ++i) block[i] ^= 0x5A;
  }
  void DecryptBlock(uint8_t* block, size_t size) override { EncryptBlock(block, size); }
};

TEST_F(BlobFile, DataBlocksAreEncipheredAndTheHeaderIsNot) {
  XorCipher cipher;
  int32_t first;
  {
    auto blob = Created(Blob());
    blob->SetEncryption(&cipher);
    first = blob->WriteString(0, Bytes(700));
    ASSERT_EQ(blob->Flush(), 0);
  }
  EXPECT_EQ(FileInt32(kName, 0), 3);
  EXPECT_EQ(FileInt32(kName, 4), 2);
  EXPECT_EQ(FileInt32(kName, 8), 512);
  EXPECT_EQ(FileInt32(kName, 512 + 4), 700 ^ 0x5A5A5A5A);
  EXPECT_EQ(FileInt32(kName, 512), 2 ^ 0x5A5A5A5A);
  auto blob = Opened(Blob());
  blob->SetEncryption(&cipher);
  std::string s;
  EXPECT_EQ(blob->ReadString(first, s), 0);
  EXPECT_EQ(s, Bytes(700));
}

TEST_F(BlobFile, ErrorsNameTheirFileOrTable) {
  auto missing = Blob("missing.vxbb");
  EXPECT_EQ(missing->Open(false, false), -errors::vxbErrOpenBlob);
  EXPECT_EQ(Services.LastErrorCode(), errors::vxbErrOpenBlob);
  EXPECT_NE(Services.LastErrorMsg().find(u"missing.vxbb"), std::u16string::npos);

  Created(Blob())->Flush();
  auto readOnly = Opened(Blob(), true);
  EXPECT_EQ(readOnly->WriteString(0, "x"), -errors::vxbErrWriteFile);
  EXPECT_NE(Services.LastErrorMsg().find(u"t.vxbb"), std::u16string::npos);
}

}  // namespace
}  // namespace vexilo::storage::testing
