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
std::array<char16_t, 128> HighCharacters(const char* codePage) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<UConverter, ConverterCloser> converter(ucnv_open(codePage, &status));
  if (U_FAILURE(status)) throw std::runtime_error(std::string("Code page converter missing: ") + codePage);
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
  std::array<uint8_t, 256> oemToAnsi;
  std::array<uint8_t, 256> ansiToOem;

  Tables() {
    for (int b = 0; b < 256; ++b) oemToAnsi[b] = ansiToOem[b] = static_cast<uint8_t>(b);
    const auto oem = HighCharacters("ibm-850");
    const auto ansi = HighCharacters("windows-1252");
    std::array<bool, 128> oemDone{}, ansiDone{};
    for (int o = 0; o < 128; ++o) {
      if (oem[o] == 0xFFFF) continue;
      for (int a = 0; a < 128; ++a) {
        if (!ansiDone[a] && ansi[a] == oem[o]) {
          Pair(o, a);
          oemDone[o] = ansiDone[a] = true;
          break;
        }
      }
    }
    std::vector<int> oemLeft, ansiLeft;
    for (int i = 0; i < 128; ++i) {
      if (!oemDone[i]) oemLeft.push_back(i);
      if (!ansiDone[i]) ansiLeft.push_back(i);
    }
    for (size_t i = 0; i < oemLeft.size() && i < ansiLeft.size(); ++i) Pair(oemLeft[i], ansiLeft[i]);
  }

  void Pair(int oemHigh, int ansiHigh) {
    oemToAnsi[128 + oemHigh] = static_cast<uint8_t>(128 + ansiHigh);
    ansiToOem[128 + ansiHigh] = static_cast<uint8_t>(128 + oemHigh);
  }
};

const Tables& TheTables() {
  static const Tables tables;
  return tables;
}

}  // namespace

uint8_t OemToAnsi(uint8_t oem) { return TheTables().oemToAnsi[oem]; }
uint8_t AnsiToOem(uint8_t ansi) { return TheTables().ansiToOem[ansi]; }

}  // namespace vexilo::types
