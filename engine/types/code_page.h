// TVxbCodePage: conversion between a Windows ANSI code page (the bytes of
// String and Memo columns) and UTF-16.
//
// Towards the code page, decomposed text is composed first (a letter followed
// by a combining accent becomes the precomposed letter when the code page has
// it), no best-fit or fallback mapping is used, and every character the code
// page lacks becomes one "?" (a surrogate pair counts as one character).
// Towards UTF-16, a byte the code page leaves undefined becomes the C1 control
// of the same value when it lies in 0x80-0x9F (as Windows does, so such bytes
// survive a round trip) and U+FFFD otherwise.
//
// Single-byte code pages convert through tables built once at construction;
// the double-byte code pages of Japanese, Chinese and Korean go through the
// ICU converter of the code page. Code page 1252 is built in and needs no
// locale service. An object is immutable after construction and may be used
// from any thread.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vexilo::types {

class TVxbCodePage {
 public:
  // Builds the tables of `codePage` (874, 932, 936, 949, 950 or 1250-1258).
  // Throws ECollationError when the locale services lack the code page.
  explicit TVxbCodePage(uint16_t codePage);
  TVxbCodePage(const TVxbCodePage&) = delete;
  TVxbCodePage& operator=(const TVxbCodePage&) = delete;

  uint16_t Number() const { return FNumber; }
  // True when every character is one byte (all but 932, 936, 949, 950).
  bool IsSingleByte() const { return FSingleByte; }

  std::u16string ToWide(std::string_view bytes) const;
  // Converts into `out`, which holds at least `bytes.size()` units (a byte
  // never gives more than one unit); returns the number of units written.
  // When `offsets` is given it receives, per unit written, the index of the
  // byte that began it (at least `bytes.size()` entries). Allocates nothing
  // for single-byte code pages.
  size_t ToWide(std::string_view bytes, char16_t* out, size_t* offsets = nullptr) const;
  std::string FromWide(std::u16string_view text) const;

  // The ICU converter name of a code page ("windows-1250", ...).
  static std::string ConverterName(uint16_t codePage);

 private:
  void BuildSingleByteTables();
  char ByteFor(char16_t unit) const;

  uint16_t FNumber;
  bool FSingleByte;
  std::array<char16_t, 256> FToWide{};
  // (unit, byte) for every defined byte, sorted by unit; searched on output.
  std::vector<std::pair<char16_t, uint8_t>> FFromWide;
};

}  // namespace vexilo::types
