// The character translation of level-1 tables: Char and String values are
// stored in the OEM character set and used in the ANSI character set.
//
// The OEM set is code page 850 (DOS Latin 1), the ANSI set code page 1252
// (Windows Latin 1). Bytes 0-127 are the same in both. A byte 128-255 whose
// character exists in both code pages maps to the byte of that character in
// the other one (OEM 0x81 "ü" <-> ANSI 0xFC). The bytes left over on each side
// (box-drawing characters on the OEM side, characters such as "€" or
// typographic quotes on the ANSI side) are paired in ascending byte order, so
// both tables are permutations and inverse to each other: a level-1 value
// written and read back is always the value written.
//
// The tables are built once, on first use, from ICU's converters for the two
// code pages; they are read-only afterwards and safe to use from any thread.
#pragma once

#include <cstdint>

namespace vexilo::types {

uint8_t OemToAnsi(uint8_t oem);
uint8_t AnsiToOem(uint8_t ansi);

}  // namespace vexilo::types
