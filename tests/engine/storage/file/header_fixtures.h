// Table files made by hand, byte by byte, at levels 2, 4 and 6, as the
// format describes them (not as the writer happens to write them). The
// header tests read them, the validation tests damage them, and the fuzz
// corpus starts from them.
#pragma once

#include <cstdint>
#include <string>

#include "tests/engine/storage/table_file_fixture.h"

namespace vexilo::storage::testing {

// Level 2, three columns, two records:
//   Nr     SmallInt, nullable (null byte)   size 3   position 0
//   Name   String of 20                     size 21  position 3
//   Kunde  Link to "Kunden"                 size 4   position 24
// Record size 28; index name "ByName"; records start at 840.
inline Bytes Level2Fixture() {
  Bytes b;
  b.Raw({0x64, 0xAA, 0x57, 0xFF})  // 0: magic
      .I16(2)                      // 4: level
      .I32(2)                      // 6: record count
      .U16(28)                     // 10: record size
      .U16(3);                     // 12: column count
  // 14: index-name area, 677 bytes: count, then 45-byte entries.
  b.I16(1).Short("ByName", 44).PadTo(14 + 677);
  // 691: 46-byte descriptors: 2 zero bytes, name (short string of 40),
  // Size - 1, detail, option nibble << 4 | type code.
  b.Zeros(2).Short("Nr", 40).U8(2).U8(0).U8(0x80 | 2);          // nibble 8: null byte
  b.Zeros(2).Short("Name", 40).U8(20).U8(0).U8(1);
  b.Zeros(2).Short("Kunde(Kunden)", 35).Zeros(5).U8(3).U8(0).U8(10);
  // 829: password field, short string of 10: empty (no encryption).
  b.Short("", 10);
  // 840: two records.
  b.Raw({1, 0, 1}).Short("Kovacs", 20).I32(0);
  b.Raw({2, 0, 1}).Short("Nagy", 20).I32(5);
  return b;
}
inline constexpr size_t kLevel2RecordArea = 840;

// Level 4, four columns, no records:
//   Id     RecordId, unique indication on Name   size 4   position 0
//   Name   String of 10, nullable, initial value size 12  position 4
//   Preis  Float, scale 2                        size 8   position 16
//   Farbe  Enum ("Rot", "Grün")                  size 1   position 24
// Record size 25, capacity 1000, next record id 7; one key, one check and
// one foreign key whose second action byte (2) differs from the third (1).
inline Bytes Level4Fixture() {
  Bytes b;
  b.Raw({0x64, 0xAA, 0x57, 0xFF})  // 0: magic
      .I16(4)                      // 4: level
      .Short("", 3)                // 6: table collation: the engine's
      .I32(0)                      // 10: record count
      .U16(25)                     // 14: record size
      .U16(4)                      // 16: column count
      .I32(1000);                  // 18: capacity
  b.I16(0).PadTo(22 + 2252);       // 22: index-name area, empty
  // 2274: descriptors: name, Size - 1, type code, options | 80h, detail.
  b.Ansi("Id").U16(3).U8(9).U32(0x80 | 0x40);
  b.Ansi("Name").U16(11).U8(1).U32(0x80 | 0x20 | 0x08);
  b.Ansi("Preis").U16(7).U8(3).U32(0x80).U16(2);
  b.Ansi("Farbe").U16(0).U8(8).U32(0x80 | 0x20).U16(2);
  b.Short("", 10);  // password field: empty
  // Check string: 40 letters, unit 7 = record size, unit 31 = column count.
  b.U16(40);
  for (int i = 0; i < 40; ++i) b.U16(i == 7 ? 25 : i == 31 ? 4 : u'q');
  b.Short("Rot", 20).Short("Gr\xFCn", 20);                      // enum names (code page 1252)
  b.U16(1).U16(2).Wide(u"Upper('x')");                          // expressions: column 2
  b.U16(1).U8(1).Ansi("PK").Ansi("${Id}");                      // candidate keys
  b.U16(1).Ansi("Preis").Wide(u"Preis >= 0");                   // checks
  b.U16(1).Ansi("FK").Ansi("Kunden").Wide(u"Nr").Wide(u"Kunde")  // foreign key
      .U8(3).U8(2).U8(1);                                        // update, update again, delete
  // Indication vector: item 0 = column 2 (Name), size 12, type 1; then the
  // terminator with 0xFF (unique); then the next record id.
  Bytes vector;
  vector.U16(2).I16(12).U8(1).U16(0).I16(0).U8(0xFF).PadTo(50);
  b.Append(vector).I32(7);
  return b;
}
// Offsets in the level-4 fixture: the descriptors take 11 + 13 + 16 + 16
// bytes from 2274, the password field 11.
inline constexpr size_t kLevel4CheckString = 2341;  // count, then unit i at 2343 + 2i
inline constexpr size_t kLevel4ExpressionCount = 2465;  // after 80 check bytes and two enum names
inline constexpr size_t kLevel4Capacity = 18;

// Level 6, the dictionary's shape, three records:
//   ENG    WideString of 80               size 162  position 0
//   HUN    WideString of 80, "Hungarian"  size 162  position 162
//   LEIR   WideMemo, nullable             size 4    position 324
// Record size 328; index names "ENG" and "HUN"; the block is padded so
// that the records start at 16384 (L = 11855).
inline constexpr size_t kLevel6CheckString = 4529;  // count at 4529, unit i at 4531 + 2i
inline constexpr size_t kLevel6PasswordField = 4611;
inline constexpr size_t kLevel6RecordSize = 4703;
inline constexpr size_t kLevel6ColumnCount = 4711;
inline constexpr size_t kLevel6FirstColumnType = 4713;
// The fixture can carry a stored (scrambled) password field, a record id
// indication (though it has no such column) and another collation for HUN.
inline Bytes Level6Fixture(const std::u16string& passwordField = {}, const std::u16string& indication = {},
                           const std::u16string& hunCollation = u"Hungarian") {
  Bytes b;
  b.Raw({0x64, 0xAA, 0x57, 0xFF})  // 0: magic
      .I16(6)                      // 4: level
      .U8(1)                       // 6: encryption method temNone
      .I32(3)                      // 7: record count
      .I32(0)                      // 11: reserved
      .I32(1)                      // 15: next record id
      .I32(0);                     // 19: reserved
  // 23: index-name area: count, then 90-byte entries of counted UTF-16.
  b.I16(2).Wide(u"ENG").PadTo(23 + 2 + 90).Wide(u"HUN").PadTo(23 + 4502);
  b.I32(11855);  // 4525: definition block length
  // 4529: definition block.
  std::u16string check(40, u'q');  // 40 letters with v, x, b at 7, 24, 37
  check[7] = u'v';
  check[24] = u'x';
  check[37] = u'b';
  b.Wide(check);
  b.Wide(passwordField).Zeros(2 * (40 - passwordField.size()));  // 4611: password, fixed of 40
  b.Wide(u"")                                                    // 4693: table collation
      .I32(10000000)                                             // 4695: capacity
      .I32(0)                                                    // reserved
      .U16(328)                                                  // 4703: record size
      .U16(0)                                                    // reserved
      .Wide(indication);                                   // 4707: indication
  if (!indication.empty()) b.U8(0);                        //       its unique flag
  b.U16(0)                                                       // 4709: no type definitions
      .U16(3);                                                   // 4711: column count
  // Columns: type, name, options, size, expression, then by type.
  b.U8(18).Wide(u"ENG").U32(0).I16(162).Wide(u"").Wide(u"").U16(80);
  b.U8(18).Wide(u"HUN").U32(0).I16(162).Wide(u"").Wide(hunCollation).U16(80);
  b.U8(19).Wide(u"LEIR").U32(0x20).I16(4).Wide(u"").Wide(u"");
  b.I16(0).U16(0).I16(0);  // keys, checks, foreign keys
  b.PadTo(16384);
  for (int r = 1; r <= 3; ++r) {
    Bytes record;
    record.Wide(u"apple").PadTo(162).Wide(u"alma").PadTo(324).I32(r);
    b.Append(record);
  }
  return b;
}
inline constexpr size_t kLevel6RecordArea = 16384;

}  // namespace vexilo::storage::testing
