#include "engine/types/memory.h"

#include <algorithm>
#include <cmath>

namespace vexilo::types {

double TvwMemory::ReadReal48(const void* buf, size_t ofs) {
  const int exponent = ReadUInt8(buf, ofs);
  if (exponent == 0) return 0.0;
  uint64_t mantissa = ReadUInt32(buf, ofs + 1) | uint64_t{ReadUInt8(buf, ofs + 5) & 0x7Fu} << 32;
  const bool negative = (ReadUInt8(buf, ofs + 5) & 0x80) != 0;
  const double fraction = 1.0 + std::ldexp(static_cast<double>(mantissa), -39);
  const double value = std::ldexp(fraction, exponent - 129);
  return negative ? -value : value;
}

void TvwMemory::WriteReal48(void* buf, size_t ofs, double v) {
  Fill(buf, ofs, 6, 0);
  if (v == 0.0 || std::isnan(v)) return;
  const bool negative = v < 0;
  int exp2;
  // frexp gives v = f * 2^exp2 with 0.5 <= |f| < 1, i.e. 1.f' * 2^(exp2 - 1).
  double f = std::frexp(std::fabs(v), &exp2);
  int exponent = exp2 - 1 + 129;
  uint64_t mantissa = 0;
  if (exponent > 255 || std::isinf(v)) {
    exponent = 255;
    mantissa = (uint64_t{1} << 39) - 1;
  } else {
    // Round the 39 bits after the leading 1 to nearest.
    const double scaled = std::ldexp(f * 2.0 - 1.0, 39);
    mantissa = static_cast<uint64_t>(std::nearbyint(scaled));
    if (mantissa == (uint64_t{1} << 39)) {  // rounding carried into the next power
      mantissa = 0;
      ++exponent;
    }
    if (exponent > 255) {
      exponent = 255;
      mantissa = (uint64_t{1} << 39) - 1;
    }
    if (exponent < 1) return;  // below the smallest real: 0
  }
  WriteUInt8(buf, ofs, static_cast<uint8_t>(exponent));
  WriteUInt32(buf, ofs + 1, static_cast<uint32_t>(mantissa));
  WriteUInt8(buf, ofs + 5, static_cast<uint8_t>(((mantissa >> 32) & 0x7F) | (negative ? 0x80 : 0)));
}

TGuid TvwMemory::ReadGuid(const void* buf, size_t ofs) {
  TGuid g;
  g.Data1 = ReadUInt32(buf, ofs);
  g.Data2 = ReadUInt16(buf, ofs + 4);
  g.Data3 = ReadUInt16(buf, ofs + 6);
  for (int i = 0; i < 8; ++i) g.Data4[i] = ReadUInt8(buf, ofs + 8 + i);
  return g;
}

void TvwMemory::WriteGuid(void* buf, size_t ofs, const TGuid& v) {
  WriteUInt32(buf, ofs, v.Data1);
  WriteUInt16(buf, ofs + 4, v.Data2);
  WriteUInt16(buf, ofs + 6, v.Data3);
  for (int i = 0; i < 8; ++i) WriteUInt8(buf, ofs + 8 + i, v.Data4[i]);
}

namespace {

size_t Limit(int maxLen, size_t prefixMax) {
  return maxLen < 0 ? prefixMax : std::min(static_cast<size_t>(maxLen), prefixMax);
}

}  // namespace

std::string TvwMemory::ReadBPAnsiString(const void* buf, size_t ofs, size_t avail) {
  if (avail < 1) return {};
  const size_t len = std::min<size_t>(ReadUInt8(buf, ofs), avail - 1);
  return std::string(static_cast<const char*>(buf) + ofs + 1, len);
}

size_t TvwMemory::WriteBPAnsiString(void* buf, size_t ofs, std::string_view s, int maxLen) {
  const size_t len = std::min(s.size(), Limit(maxLen, 255));
  WriteUInt8(buf, ofs, static_cast<uint8_t>(len));
  Copy(buf, ofs + 1, s.data(), 0, len);
  return 1 + len;
}

std::string TvwMemory::ReadWPAnsiString(const void* buf, size_t ofs, size_t avail) {
  if (avail < 2) return {};
  const size_t len = std::min<size_t>(ReadUInt16(buf, ofs), avail - 2);
  return std::string(static_cast<const char*>(buf) + ofs + 2, len);
}

size_t TvwMemory::WriteWPAnsiString(void* buf, size_t ofs, std::string_view s, int maxLen) {
  const size_t len = std::min(s.size(), Limit(maxLen, 65535));
  WriteUInt16(buf, ofs, static_cast<uint16_t>(len));
  Copy(buf, ofs + 2, s.data(), 0, len);
  return 2 + len;
}

std::u16string TvwMemory::ReadWPWideString(const void* buf, size_t ofs, size_t avail) {
  if (avail < 2) return {};
  const size_t len = std::min<size_t>(ReadUInt16(buf, ofs), (avail - 2) / 2);
  std::u16string s(len, u'\0');
  for (size_t i = 0; i < len; ++i) s[i] = static_cast<char16_t>(ReadUInt16(buf, ofs + 2 + 2 * i));
  return s;
}

size_t TvwMemory::WriteWPWideString(void* buf, size_t ofs, std::u16string_view s, int maxLen) {
  const size_t len = std::min(s.size(), Limit(maxLen, 65535));
  WriteUInt16(buf, ofs, static_cast<uint16_t>(len));
  for (size_t i = 0; i < len; ++i) WriteUInt16(buf, ofs + 2 + 2 * i, s[i]);
  return 2 + 2 * len;
}

std::string TvwMemory::ReadZTAnsiString(const void* buf, size_t ofs, size_t maxLen, size_t avail) {
  const char* p = static_cast<const char*>(buf) + ofs;
  const size_t limit = std::min(maxLen, avail);
  size_t len = 0;
  while (len < limit && p[len] != '\0') ++len;
  return std::string(p, len);
}

size_t TvwMemory::WriteZTAnsiString(void* buf, size_t ofs, std::string_view s, size_t maxLen) {
  const size_t len = std::min(s.size(), maxLen);
  Copy(buf, ofs, s.data(), 0, len);
  WriteUInt8(buf, ofs + len, 0);
  return len + 1;
}

std::u16string TvwMemory::ReadZTWideString(const void* buf, size_t ofs, size_t maxLen, size_t avail) {
  const size_t limit = std::min(maxLen, avail / 2);
  std::u16string s;
  for (size_t i = 0; i < limit; ++i) {
    const char16_t c = static_cast<char16_t>(ReadUInt16(buf, ofs + 2 * i));
    if (c == 0) break;
    s.push_back(c);
  }
  return s;
}

size_t TvwMemory::WriteZTWideString(void* buf, size_t ofs, std::u16string_view s, size_t maxLen) {
  const size_t len = std::min(s.size(), maxLen);
  for (size_t i = 0; i < len; ++i) WriteUInt16(buf, ofs + 2 * i, s[i]);
  WriteUInt16(buf, ofs + 2 * len, 0);
  return 2 * (len + 1);
}

}  // namespace vexilo::types
