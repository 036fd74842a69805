#include "engine/types/ansi_string_type.h"

#include "engine/types/numeric_type.h"
#include "engine/types/oem_charset.h"
#include "fs/format.h"

namespace vexilo::types {

namespace {

int FromCollation(int r) { return r < 0 ? kCompareLess : r > 0 ? kCompareGreater : kCompareEqual; }

char Narrow(char16_t c) { return c <= 0xFF ? static_cast<char>(c) : 0; }

}  // namespace

std::u16string TVxbAnsiStringType::GetSqlName() const {
  if (FColumnType == vxbMemo) return u"LONGVARCHAR";
  if (FCollationName.empty()) return fs::FormatMessage(u"VARCHAR(%d)", {FMaxLength});
  return fs::FormatMessage(u"VARCHAR(%d) COLLATE %s", {FMaxLength, FCollationName});
}

void TVxbAnsiStringType::SetAnsiString(TVxbDataValue& value, const char* s, size_t length) const {
  if (FLevel != 1) {
    StoreUnits(value, reinterpret_cast<const uint8_t*>(s), length);
    return;
  }
  std::string oem(s, length);
  for (char& c : oem) c = static_cast<char>(AnsiToOem(static_cast<uint8_t>(c)));
  StoreUnits(value, reinterpret_cast<const uint8_t*>(oem.data()), oem.size());
}

void TVxbAnsiStringType::SetAnsiStringRef(TVxbDataValue& value, const char* s, size_t length) const {
  if (FLevel == 1) {  // the holder would have to keep OEM bytes: copy instead
    SetAnsiString(value, s, length);
    return;
  }
  value.ColumnType = static_cast<uint16_t>(FColumnType) | kValueReferenceBit;
  value.DataPtr = reinterpret_cast<uint8_t*>(const_cast<char*>(s));
  value.RefIsText = true;
  value.RefLength = IsUnbounded() ? length : std::min(length, static_cast<size_t>(FMaxLength));
}

std::string TVxbAnsiStringType::GetAnsiString(const TVxbDataValue& value) const {
  TText text;
  if (!ReadText(value, text)) return {};
  std::string s(reinterpret_cast<const char*>(text.data), text.units);
  if (FLevel == 1)
    for (char& c : s) c = static_cast<char>(OemToAnsi(static_cast<uint8_t>(c)));
  return s;
}

std::string_view TVxbAnsiStringType::GetPAnsiChar(const TVxbDataValue& value) const {
  TText text;
  if (!ReadText(value, text)) return {};
  return std::string_view(reinterpret_cast<const char*>(text.data), text.units);
}

void TVxbAnsiStringType::SetWideString(TVxbDataValue& value, const char16_t* s, size_t length) const {
  SetAnsiString(value, FCollation->WideToAnsi(std::u16string_view(s, length)));
}

std::u16string TVxbAnsiStringType::GetWideString(const TVxbDataValue& value) const {
  return FCollation->AnsiToWide(GetAnsiString(value));
}

bool TVxbAnsiStringType::CanCompareTo(const TVxbDataType& other) const {
  return other.ColumnType() == vxbString || other.ColumnType() == vxbMemo;
}

bool TVxbAnsiStringType::AnsiView(const TVxbDataValue& value, std::string& scratch, std::string_view& view) const {
  if (IsNull(value)) return false;
  if (FLevel == 1) {
    scratch = GetAnsiString(value);
    view = scratch;
  } else {
    view = GetPAnsiChar(value);
  }
  return true;
}

int TVxbAnsiStringType::CompareTo(const TVxbDataValue& value, const TVxbDataValue& other,
                                  const TVxbDataType& otherType, TStrCmpOptions options) const {
  if (!CanCompareTo(otherType)) TVxbDataType::CompareTo(value, other, otherType, options);
  const auto& otherString = static_cast<const TVxbAnsiStringType&>(otherType);
  std::string scratch1, scratch2;
  std::string_view a, b;
  if (!AnsiView(value, scratch1, a)) return kCompareNull;
  if (otherString.Collation().CodePage() == FCollation->CodePage()) {
    if (!otherString.AnsiView(other, scratch2, b)) return kCompareNull;
  } else {
    if (other.IsEmpty() || otherType.IsNull(other)) return kCompareNull;
    scratch2 = FCollation->WideToAnsi(otherType.GetWideString(other));
    b = scratch2;
  }
  return FromCollation(FCollation->CompareAnsi(a.data(), a.size(), b.data(), b.size(), FStrCmpOptions | options));
}

bool TVxbAnsiStringType::Matches(const TVxbDataValue& value, const TVxbDataValue& pattern,
                                 const TVxbDataType& patternType, char16_t multiJoker, char16_t singleJoker,
                                 char16_t escape) const {
  if (IsNull(value) || pattern.IsEmpty() || patternType.IsNull(pattern)) return false;
  std::string text = GetAnsiString(value);
  std::string mask;
  const int16_t code = patternType.ColumnType();
  if ((code == vxbString || code == vxbMemo) &&
      static_cast<const TVxbStringType&>(patternType).Collation().CodePage() == FCollation->CodePage())
    mask = patternType.GetAnsiString(pattern);
  else
    mask = FCollation->WideToAnsi(patternType.GetWideString(pattern));
  return FCollation->MatchesAnsi(text, mask, Narrow(multiJoker), Narrow(singleJoker), Narrow(escape),
                                 FStrCmpOptions);
}

void TVxbAnsiStringType::CalculateWith(TVxbUnaryOperator op, TVxbDataValue& value,
                                       const TVxbDataType& resultType) const {
  if (op != duoStringUpper && op != duoStringLower) {
    TVxbDataType::CalculateWith(op, value, resultType);
    return;
  }
  const bool null = IsNull(value);
  const std::string s = null ? std::string() : GetAnsiString(value);
  DetachValue(value);
  if (null) resultType.SetNull(value);
  else resultType.SetAnsiString(value, op == duoStringUpper ? FCollation->UpperAnsi(s) : FCollation->LowerAnsi(s));
}

}  // namespace vexilo::types
