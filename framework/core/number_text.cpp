#include "framework/core/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "fs/text.h"

namespace vexilo::framework {
namespace {

// The text without surrounding blanks, as ASCII; nothing when it holds other
// characters.
std::optional<std::string> TrimmedAscii(std::u16string_view text) {
  size_t begin = 0, end = text.size();
  while (begin < end && text[begin] == u' ') ++begin;
  while (end > begin && text[end - 1] == u' ') --end;
  std::string ascii;
  for (size_t i = begin; i < end; ++i) {
    if (text[i] > 0x7F) return std::nullopt;
    ascii.push_back(static_cast<char>(text[i]));
  }
  if (ascii.empty()) return std::nullopt;
  return ascii;
}

}  // namespace

std::optional<int64_t> TextToInteger(std::u16string_view text) {
  auto ascii = TrimmedAscii(text);
  if (!ascii) return std::nullopt;
  const char* first = ascii->data();
  const char* last = first + ascii->size();
  if (*first == '+') ++first;
  int64_t value = 0;
  auto [end, error] = std::from_chars(first, last, value);
  if (error != std::errc() || end != last) return std::nullopt;
  return value;
}

std::optional<double> TextToFloat(std::u16string_view text) {
  auto ascii = TrimmedAscii(text);
  if (!ascii) return std::nullopt;
  const char* first = ascii->data();
  const char* last = first + ascii->size();
  if (*first == '+') ++first;
  double value = 0;
  auto [end, error] = std::from_chars(first, last, value, std::chars_format::general);
  if (error != std::errc() || end != last || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::u16string IntegerToText(int64_t value) { return fs::u16(std::to_string(value)); }

std::u16string FloatToText(double value, int precision) {
  if (precision < 1 || precision > 17) precision = 15;
  char text[64];
  std::snprintf(text, sizeof text, "%.*g", precision, value);
  return fs::u16(text);
}

}  // namespace vexilo::framework
