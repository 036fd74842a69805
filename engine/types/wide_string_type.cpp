#include "engine/types/wide_string_type.h"

#include "engine/types/numeric_type.h"
#include "fs/format.h"

namespace vexilo::types {

namespace {

int FromCollation(int r) { return r < 0 ? kCompareLess : r > 0 ? kCompareGreater : kCompareEqual; }

// UTF-16 units of a value, kept on the stack when short: stored units are
// little-endian bytes at any alignment, so they are copied, not cast.
class TUnits {
 public:
  TUnits() = default;
  TUnits(const TUnits&) = delete;
  TUnits& operator=(const TUnits&) = delete;

  void Assign(const uint8_t* data, size_t units) {
    char16_t* out = units <= kLocal ? FLocal : (FHeap.resize(units), FHeap.data());
    for (size_t i = 0; i < units; ++i) out[i] = static_cast<char16_t>(TvwMemory::ReadUInt16(data, 2 * i));
    FData = out;
    FSize = units;
  }
  void Assign(std::u16string text) {
    FHeap = std::move(text);
    FData = FHeap.data();
    FSize = FHeap.size();
  }
  const char16_t* data() const { return FData; }
  size_t size() const { return FSize; }

 private:
  static constexpr size_t kLocal = 256;
  char16_t FLocal[kLocal];
  std::u16string FHeap;
  const char16_t* FData = FLocal;
  size_t FSize = 0;
};

}  // namespace

std::u16string TVxbWideStringType::GetSqlName() const {
  if (FColumnType == vxbWideMemo) return u"LONGVARWCHAR";
  return fs::FormatMessage(u"VARWCHAR(%d)", {FMaxLength});
}

void TVxbWideStringType::SetAnsiString(TVxbDataValue& value, const char* s, size_t length) const {
  SetWideString(value, FCollation->AnsiToWide(std::string_view(s, length)));
}

std::string TVxbWideStringType::GetAnsiString(const TVxbDataValue& value) const {
  return FCollation->WideToAnsi(GetWideString(value));
}

void TVxbWideStringType::SetWideString(TVxbDataValue& value, const char16_t* s, size_t length) const {
  StoreWide(value, s, length);
}

std::u16string TVxbWideStringType::GetWideString(const TVxbDataValue& value) const {
  TText text;
  if (!ReadText(value, text)) return {};
  std::u16string s(text.units, u'\0');
  for (size_t i = 0; i < text.units; ++i)
    s[i] = static_cast<char16_t>(TvwMemory::ReadUInt16(text.data, 2 * i));
  return s;
}

bool TVxbWideStringType::CanCompareTo(const TVxbDataType& other) const {
  const int16_t code = other.ColumnType();
  return code == vxbString || code == vxbMemo || code == vxbWideString || code == vxbWideMemo;
}

int TVxbWideStringType::CompareTo(const TVxbDataValue& value, const TVxbDataValue& other,
                                  const TVxbDataType& otherType, TStrCmpOptions options) const {
  if (!CanCompareTo(otherType)) TVxbDataType::CompareTo(value, other, otherType, options);
  TText text;
  if (!ReadText(value, text) || other.IsEmpty() || otherType.IsNull(other)) return kCompareNull;
  TUnits a, b;
  a.Assign(text.data, text.units);
  const int16_t code = otherType.ColumnType();
  if (code == vxbWideString || code == vxbWideMemo) {
    TText otherText;
    static_cast<const TVxbWideStringType&>(otherType).ReadText(other, otherText);
    b.Assign(otherText.data, otherText.units);
  } else {
    b.Assign(otherType.GetWideString(other));
  }
  return FromCollation(FCollation->CompareWide(a.data(), a.size(), b.data(), b.size(), FStrCmpOptions | options));
}

bool TVxbWideStringType::Matches(const TVxbDataValue& value, const TVxbDataValue& pattern,
                                 const TVxbDataType& patternType, char16_t multiJoker, char16_t singleJoker,
                                 char16_t escape) const {
  if (IsNull(value) || pattern.IsEmpty() || patternType.IsNull(pattern)) return false;
  return FCollation->MatchesWide(GetWideString(value), patternType.GetWideString(pattern), multiJoker,
                                 singleJoker, escape, FStrCmpOptions);
}

void TVxbWideStringType::CalculateWith(TVxbUnaryOperator op, TVxbDataValue& value,
                                       const TVxbDataType& resultType) const {
  if (op != duoStringUpper && op != duoStringLower) {
    TVxbDataType::CalculateWith(op, value, resultType);
    return;
  }
  const bool null = IsNull(value);
  const std::u16string s = null ? std::u16string() : GetWideString(value);
  DetachValue(value);
  if (null) resultType.SetNull(value);
  else resultType.SetWideString(value, op == duoStringUpper ? FCollation->UpperWide(s) : FCollation->LowerWide(s));
}

}  // namespace vexilo::types
