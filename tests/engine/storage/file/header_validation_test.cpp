// Damaged and foreign table files are refused with the engine's own errors
// (124 not a table file, 134 damaged header, 38 wrong credentials, 187 an
// encryption method this build cannot read, 138 an unknown collation), and
// sound variations are still read. Each case damages one hand-made fixture.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/storage/file/password_field.h"
#include "tests/engine/storage/file/header_fixtures.h"

namespace vexilo::storage::testing {
namespace {

void Put16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  Put16(b, at, static_cast<uint16_t>(v));
  Put16(b, at + 2, static_cast<uint16_t>(v >> 16));
}

struct DamageCase {
  const char* what;
  std::function<Bytes()> fixture;
  std::function<void(std::vector<uint8_t>&)> damage;
  int expected;  // engine error, 0 when the file is still read
};

std::vector<DamageCase> Cases() {
  const auto l2 = [] { return Level2Fixture(); };
  const auto l4 = [] { return Level4Fixture(); };
  const auto l6 = [] { return Level6Fixture(); };
  return {
      // What is not a heap table file at all.
      {"other first bytes", l6, [](auto& b) { Put32(b, 0, 0x04034B50); }, 124},
      {"three bytes", l6, [](auto& b) { b.resize(3); }, 124},
      {"empty file", l6, [](auto& b) { b.clear(); }, 124},
      // Levels.
      {"level 7", l6, [](auto& b) { Put16(b, 4, 7); }, 134},
      {"level 0", l2, [](auto& b) { Put16(b, 4, 0); }, 134},
      {"level -1", l2, [](auto& b) { Put16(b, 4, 0xFFFF); }, 134},
      {"magic and level only", l6, [](auto& b) { b.resize(6); }, 134},
      // Encryption methods: only temNone can be read; unknown codes mean none.
      {"Blowfish", l6, [](auto& b) { b[6] = 5; }, 187},
      {"protection", l6, [](auto& b) { b[6] = 2; }, 187},
      {"bit 7 ignored", l6, [](auto& b) { b[6] = 0x81; }, 0},
      {"method code 0", l6, [](auto& b) { b[6] = 0; }, 0},
      {"unknown method code", l6, [](auto& b) { b[6] = 9; }, 0},
      {"level-2 Blowfish marker", l2,
       [](auto& b) {
         const std::string field = ScrambleAnsiPassword("_en:bf_");
         b[829] = static_cast<uint8_t>(field.size());
         std::copy(field.begin(), field.end(), b.begin() + 830);
       },
       187},
      {"level-2 protection password", l2,
       [](auto& b) {
         const std::string field = ScrambleAnsiPassword("SECRET");
         b[829] = static_cast<uint8_t>(field.size());
         std::copy(field.begin(), field.end(), b.begin() + 830);
       },
       187},
      // Counts, sizes and lengths.
      {"negative record count", l6, [](auto& b) { Put32(b, 7, 0xFFFFFFFF); }, 134},
      {"more records than the file holds (level 6)", l6, [](auto& b) { Put32(b, 7, 4); }, 134},
      {"negative block length", l6, [](auto& b) { Put32(b, 4525, 0x80000000); }, 134},
      {"block beyond the file", l6, [](auto& b) { Put32(b, 4525, 20000); }, 134},
      {"file cut inside the block", l6, [](auto& b) { b.resize(5000); }, 134},
      {"record size 0", l6, [](auto& b) { Put16(b, kLevel6RecordSize, 0); }, 134},
      {"record size beyond 32767", l6, [](auto& b) { Put16(b, kLevel6RecordSize, 40000); }, 134},
      {"record size not the columns' sum", l6, [](auto& b) { Put16(b, kLevel6RecordSize, 327); }, 134},
      {"column count 0", l6, [](auto& b) { Put16(b, kLevel6ColumnCount, 0); }, 134},
      {"column count 1001", l6, [](auto& b) { Put16(b, kLevel6ColumnCount, 1001); }, 134},
      {"a column read from the padding", l6, [](auto& b) { Put16(b, kLevel6ColumnCount, 4); }, 134},
      {"type code 14", l6, [](auto& b) { b[kLevel6FirstColumnType] = 14; }, 134},
      {"type code 22", l6, [](auto& b) { b[kLevel6FirstColumnType] = 22; }, 134},
      {"indication without a record id column", [] { return Level6Fixture({}, u"ENG"); },
       [](auto&) {}, 134},
      {"unknown column collation", [] { return Level6Fixture({}, {}, u"Klingonish"); }, [](auto&) {},
       138},
      // The check string comes first: wrong, it is 38 whatever else is wrong.
      {"check string of 39 letters", l6, [](auto& b) { Put16(b, kLevel6CheckString, 39); }, 38},
      {"no x at 24", l6, [](auto& b) { Put16(b, kLevel6CheckString + 2 + 2 * 24, u'y'); }, 38},
      {"no v at 7, record size damaged too", l6,
       [](auto& b) {
         Put16(b, kLevel6CheckString + 2 + 2 * 7, u'w');
         Put16(b, kLevel6RecordSize, 0);
       },
       38},
      {"empty block", l6, [](auto& b) { Put32(b, 4525, 0); }, 38},
      // The index-name area.
      {"51 index names", l6, [](auto& b) { Put16(b, 23, 51); }, 134},
      {"index name of 45 characters", l6, [](auto& b) { Put16(b, 25, 45); }, 134},
      {"negative index-name count", l6, [](auto& b) { Put16(b, 23, 0xFFFB); }, 0},
      {"16 index names at level 2", l2, [](auto& b) { Put16(b, 14, 16); }, 134},
      {"level-2 entry of 45 characters", l2, [](auto& b) { b[16] = 45; }, 134},
      // Classic headers.
      {"level-2 record size off", l2, [](auto& b) { Put16(b, 10, 29); }, 134},
      {"level-2 column count 0", l2, [](auto& b) { Put16(b, 12, 0); }, 134},
      {"level-2 column count with bit 15", l2, [](auto& b) { Put16(b, 12, 0x8003); }, 0},
      {"level-2 negative record count", l2, [](auto& b) { Put32(b, 6, 0xFFFFFFFF); }, 134},
      {"level-2 type code 14", l2, [](auto& b) { b[691 + 45] = 0x8E; }, 134},
      {"level-2 file cut in the descriptors", l2, [](auto& b) { b.resize(700); }, 134},
      {"level-4 capacity 0", l4, [](auto& b) { Put32(b, kLevel4Capacity, 0); }, 134},
      {"level-4 check string without the record size", l4,
       [](auto& b) { Put16(b, kLevel4CheckString + 2 + 2 * 7, 26); }, 38},
      {"level-4 check string without the column count", l4,
       [](auto& b) { Put16(b, kLevel4CheckString + 2 + 2 * 31, 5); }, 38},
      {"level-4 check string of 41 letters", l4, [](auto& b) { Put16(b, kLevel4CheckString, 41); }, 38},
      {"level-4 expression of column 9", l4, [](auto& b) { Put16(b, kLevel4ExpressionCount + 2, 9); }, 134},
      {"level-4 foreign key action 7", l4, [](auto& b) { b[b.size() - 55] = 7; }, 134},
  };
}

TEST(DamagedHeader, IsRefusedWithTheEngineError) {
  for (const DamageCase& c : Cases()) {
    SCOPED_TRACE(c.what);
    Bytes image = c.fixture();
    c.damage(image.Data());
    EXPECT_EQ(ReadImageError(image.Data()), c.expected);
  }
}

TEST(DamagedHeader, FixtureOffsetsPointAtTheirFields) {
  const Bytes level4 = Level4Fixture();
  const auto& b = level4.Data();
  EXPECT_EQ(b[kLevel4CheckString] | b[kLevel4CheckString + 1] << 8, 40);
  EXPECT_EQ(b[kLevel4CheckString + 2 + 14], 25);                            // unit 7: the record size
  EXPECT_EQ(b[kLevel4ExpressionCount] | b[kLevel4ExpressionCount + 1] << 8, 1);
  EXPECT_EQ(b[kLevel4ExpressionCount + 2], 2);                               // the expression's column
  EXPECT_EQ(b[b.size() - 55], 1);  // the foreign key's delete action, before the 50-byte vector and the id
}

TEST_F(TableFileFixture, AFileRefusedOnOpeningIsClosedAgain) {
  Bytes image = Level6Fixture();
  Put16(image.Data(), kLevel6CheckString, 39);
  WriteFile("T.vxbt", image.Data());
  EXPECT_EQ(OpenError("T.vxbt"), 38);
  // Nothing holds the file: it opens exclusively now.
  auto client = Client("T.vxbt", Manager);
  EXPECT_NO_THROW(client->Open(false, true));
}

TEST_F(TableFileFixture, MissingTableFileIsError37) { EXPECT_EQ(OpenError("nothing.vxbt"), 37); }

TEST_F(TableFileFixture, Level2FileShorterThanItsCountOpensWithTheRecordsItHoldsAndKeepsThatCount) {
  Bytes image = Level2Fixture();
  Put32(image.Data(), 6, 9);  // nine records claimed, two and a half there
  image.Zeros(14);
  WriteFile("T.dat", image.Data());
  {
    TVxbTableCryptor cryptor;
    TVxbTableDefinition definition;
    auto file = Heap("T.dat");
    ASSERT_EQ(file->Open(false, false, cryptor, definition), 0);
    EXPECT_EQ(file->GetRecordCount(), 2);
    ASSERT_EQ(file->Flush(), 0);
  }
  EXPECT_EQ(FileInt32("T.dat", 6), 2);
}

TEST_F(TableFileFixture, Level2CountIsNotRepairedThroughAReadOnlyOpening) {
  Bytes image = Level2Fixture();
  Put32(image.Data(), 6, 9);
  WriteFile("T.dat", image.Data());
  TVxbTableCryptor cryptor;
  TVxbTableDefinition definition;
  auto file = Heap("T.dat");
  ASSERT_EQ(file->Open(true, false, cryptor, definition), 0);
  EXPECT_EQ(file->GetRecordCount(), 2);
  file->Close();
  EXPECT_EQ(FileInt32("T.dat", 6), 9);
}

}  // namespace
}  // namespace vexilo::storage::testing
