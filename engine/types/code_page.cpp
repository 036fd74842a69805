#include "engine/types/code_page.h"

#include <unicode/ucnv.h>
#include <unicode/unorm2.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <memory>

#include "engine/types/collation_error.h"

namespace vexilo::types {

namespace {

// Code page 1252, bytes 0x80-0x9F (0 = undefined); every other byte is the
// Latin-1 character of the same value.
constexpr char16_t k1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,       // 88-8F
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,  // 98-9F
};

constexpr char16_t kUndefined = 0xFFFD;

struct ConverterCloser {
  void operator()(UConverter* c) const { ucnv_close(c); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

ConverterPtr OpenConverter(uint16_t codePage) {
  UErrorCode status = U_ZERO_ERROR;
  ConverterPtr converter(ucnv_open(TVxbCodePage::ConverterName(codePage).c_str(), &status));
  if (U_FAILURE(status) || !converter) {
    throw ECollationError::Failed("Code page " + std::to_string(codePage), u_errorName(status));
  }
  ucnv_setFallback(converter.get(), false);
  return converter;
}

// Text that may hold combining marks is composed (NFC) before conversion;
// `storage` keeps the composed copy alive when one was needed.
std::u16string_view Composed(std::u16string_view text, std::u16string& storage) {
  const bool mayDecompose =
      std::any_of(text.begin(), text.end(), [](char16_t c) { return c >= 0x0300; });
  if (!mayDecompose) return text;
  UErrorCode status = U_ZERO_ERROR;
  const UNormalizer2* nfc = unorm2_getNFCInstance(&status);
  if (U_FAILURE(status)) throw ECollationError::Failed("Composing text", u_errorName(status));
  const UChar* src = reinterpret_cast<const UChar*>(text.data());
  const int32_t len = static_cast<int32_t>(text.size());
  if (unorm2_isNormalized(nfc, src, len, &status) && U_SUCCESS(status)) return text;
  status = U_ZERO_ERROR;
  storage.resize(text.size() + 8);
  int32_t out = unorm2_normalize(nfc, src, len, reinterpret_cast<UChar*>(storage.data()),
                                 static_cast<int32_t>(storage.size()), &status);
  if (status == U_BUFFER_OVERFLOW_ERROR) {
    status = U_ZERO_ERROR;
    storage.resize(static_cast<size_t>(out));
    out = unorm2_normalize(nfc, src, len, reinterpret_cast<UChar*>(storage.data()), out, &status);
  }
  if (U_FAILURE(status)) throw ECollationError::Failed("Composing text", u_errorName(status));
  storage.resize(static_cast<size_t>(out));
  return storage;
}

}  // namespace

std::string TVxbCodePage::ConverterName(uint16_t codePage) {
  return "windows-" + std::to_string(codePage);
}

TVxbCodePage::TVxbCodePage(uint16_t codePage)
    : FNumber(codePage),
      FSingleByte(codePage != 932 && codePage != 936 && codePage != 949 && codePage != 950) {
  if (FSingleByte) {
    BuildSingleByteTables();
  } else {
    OpenConverter(FNumber);  // refuse a code page the locale services lack, now
  }
}

void TVxbCodePage::BuildSingleByteTables() {
  if (FNumber == 1252) {
    for (int b = 0; b < 256; ++b) FToWide[b] = static_cast<char16_t>(b);
    for (int b = 0x80; b < 0xA0; ++b) FToWide[b] = k1252High[b - 0x80];
  } else {
    ConverterPtr converter = OpenConverter(FNumber);
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                        &status);
    for (int b = 0; b < 256; ++b) {
      const char byte = static_cast<char>(b);
      UChar unit[4];
      status = U_ZERO_ERROR;
      ucnv_reset(converter.get());
      const int32_t n = ucnv_toUChars(converter.get(), unit, 4, &byte, 1, &status);
      FToWide[b] = U_SUCCESS(status) && n == 1 ? unit[0] : 0;
    }
    FToWide[0] = 0;
  }
  for (int b = 0; b < 256; ++b) {
    if (b != 0 && FToWide[b] == 0) {
      FToWide[b] = b >= 0x80 && b < 0xA0 ? static_cast<char16_t>(b) : kUndefined;
    }
    if (FToWide[b] != kUndefined) FFromWide.emplace_back(FToWide[b], static_cast<uint8_t>(b));
  }
  std::stable_sort(FFromWide.begin(), FFromWide.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
}

char TVxbCodePage::ByteFor(char16_t unit) const {
  if (unit < 0x80) return static_cast<char>(unit);
  const auto it = std::lower_bound(FFromWide.begin(), FFromWide.end(), unit,
                                   [](const auto& entry, char16_t u) { return entry.first < u; });
  return it != FFromWide.end() && it->first == unit ? static_cast<char>(it->second) : '?';
}

size_t TVxbCodePage::ToWide(std::string_view bytes, char16_t* out, size_t* offsets) const {
  if (FSingleByte) {
    for (size_t k = 0; k < bytes.size(); ++k) {
      out[k] = FToWide[static_cast<uint8_t>(bytes[k])];
      if (offsets) offsets[k] = k;
    }
    return bytes.size();
  }
  ConverterPtr converter = OpenConverter(FNumber);
  UChar* target = reinterpret_cast<UChar*>(out);
  const char* source = bytes.data();
  std::vector<int32_t> unitOffsets(offsets ? bytes.size() : 0);
  UErrorCode status = U_ZERO_ERROR;
  ucnv_toUnicode(converter.get(), &target, reinterpret_cast<UChar*>(out) + bytes.size(), &source,
                 bytes.data() + bytes.size(), offsets ? unitOffsets.data() : nullptr, true,
                 &status);
  if (U_FAILURE(status) && status != U_BUFFER_OVERFLOW_ERROR) {
    throw ECollationError::Failed("Converting from code page " + std::to_string(FNumber),
                                  u_errorName(status));
  }
  const size_t written = static_cast<size_t>(target - reinterpret_cast<UChar*>(out));
  for (size_t k = 0; offsets && k < written; ++k) offsets[k] = static_cast<size_t>(unitOffsets[k]);
  return written;
}

std::u16string TVxbCodePage::ToWide(std::string_view bytes) const {
  std::u16string text(bytes.size(), u'\0');
  text.resize(ToWide(bytes, text.data()));
  return text;
}

std::string TVxbCodePage::FromWide(std::u16string_view text) const {
  std::u16string storage;
  const std::u16string_view composed = Composed(text, storage);
  if (FSingleByte) {
    std::string bytes;
    bytes.reserve(composed.size());
    for (size_t k = 0; k < composed.size(); ++k) {
      const char16_t unit = composed[k];
      if (U16_IS_LEAD(unit) && k + 1 < composed.size() && U16_IS_TRAIL(composed[k + 1])) {
        bytes.push_back('?');
        ++k;
      } else {
        bytes.push_back(ByteFor(unit));
      }
    }
    return bytes;
  }
  ConverterPtr converter = OpenConverter(FNumber);
  UErrorCode status = U_ZERO_ERROR;
  ucnv_setSubstChars(converter.get(), "?", 1, &status);
  status = U_ZERO_ERROR;
  const UChar* src = reinterpret_cast<const UChar*>(composed.data());
  const int32_t len = static_cast<int32_t>(composed.size());
  std::string bytes(composed.size() * 2 + 1, '\0');
  int32_t n = ucnv_fromUChars(converter.get(), bytes.data(), static_cast<int32_t>(bytes.size()), src,
                              len, &status);
  if (status == U_BUFFER_OVERFLOW_ERROR) {
    status = U_ZERO_ERROR;
    bytes.assign(static_cast<size_t>(n) + 1, '\0');
    n = ucnv_fromUChars(converter.get(), bytes.data(), static_cast<int32_t>(bytes.size()), src, len,
                        &status);
  }
  if (U_FAILURE(status)) {
    throw ECollationError::Failed("Converting to code page " + std::to_string(FNumber),
                                  u_errorName(status));
  }
  bytes.resize(static_cast<size_t>(n));
  return bytes;
}

}  // namespace vexilo::types
