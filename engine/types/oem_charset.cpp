#include "engine/types/oem_charset.h"

#include <unicode/ucnv.h>

#include <array>
#include <memory>
#include <stdexcept>
#include <vector>

namespace vexilo::types {

namespace {

struct ConverterCloser {
  void operator()(UConverter* c) const { ucnv_close(c); }
};

// The Unicode character of every byte 128-255 of a code page (0xFFFF when the
// code page leaves the byte unassigned).
std::array<char16_t, 128> HighCharacters(const char* code_page) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<UConverter, ConverterCloser> converter(ucnv_open(code_page, &status));
  if (U_FAILURE(status)) throw std::runtime_error(std::string("Code page converter missing: ") + code_page);
  std::array<char16_t, 128> chars;
  for (int b = 128; b < 256; ++b) {
    const char byte = static_cast<char>(b);
    UChar out[4];
    status = U_ZERO_ERROR;
    ucnv_reset(converter.get());
    const int32_t n = ucnv_toUChars(converter.get(), out, 4, &byte, 1, &status);
    chars[b - 128] = U_SUCCESS(status) && n == 1 && out[0] != 0xFFFD && out[0] != 0x1A ? out[0] : 0xFFFF;
  }
  return chars;
}

struct Tables {
  std::array<uint8_t, 256> oem_to_ansi;
  std::array<uint8_t, 256> ansi_to_oem;

  Tables() {
    for (int b = 0; b < 256; ++b) oem_to_ansi[b] = ansi_to_oem[b] = static_cast<uint8_t>(b);
    const auto oem = HighCharacters("ibm-850");
    const auto ansi = HighCharacters("windows-1252");
    std::array<bool, 128> oem_done{}, ansi_done{};
    for (int o = 0; o < 128; ++o) {
      if (oem[o] == 0xFFFF) continue;
      for (int a = 0; a < 128; ++a) {
        if (!ansi_done[a] && ansi[a] == oem[o]) {
          Pair(o, a);
          oem_done[o] = ansi_done[a] = true;
          break;
        }
      }
    }
    std::vector<int> oem_left, ansi_left;
    for (int i = 0; i < 128; ++i) {
      if (!oem_done[i]) oem_left.push_back(i);
      if (!ansi_done[i]) ansi_left.push_back(i);
    }
    for (size_t i = 0; i < oem_left.size() && i < ansi_left.size(); ++i) Pair(oem_left[i], ansi_left[i]);
  }

  void Pair(int oem_high, int ansi_high) {
    oem_to_ansi[128 + oem_high] = static_cast<uint8_t>(128 + ansi_high);
    ansi_to_oem[128 + ansi_high] = static_cast<uint8_t>(128 + oem_high);
  }
};

const Tables& TheTables() {
  static const Tables tables;
  return tables;
}

}  // namespace

uint8_t OemToAnsi(uint8_t oem) { return TheTables().oem_to_ansi[oem]; }
uint8_t AnsiToOem(uint8_t ansi) { return TheTables().ansi_to_oem[ansi]; }

}  // namespace vexilo::types
