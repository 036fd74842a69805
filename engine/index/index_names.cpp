#include "engine/index/index_names.h"

#include "engine/index/table_file_names.h"
#include "fs/text.h"

namespace vexilo::index {

namespace {

// Identifiers fold ASCII and the Latin-1 letters.
using fs::EqualsIgnoringLatin1Case;
using fs::StartsWithIgnoringLatin1Case;

// The extension of `name`, dot included; empty when it has none.
std::u16string_view Extension(std::u16string_view name) {
  const size_t dot = name.rfind(u'.');
  if (dot == std::u16string_view::npos) return {};
  const size_t slash = name.find_last_of(u"/\\");
  if (slash != std::u16string_view::npos && slash > dot) return {};
  return name.substr(dot);
}

// `name` without an ".ind" or ".vxbi" extension.
std::u16string_view BareName(std::u16string_view name) {
  const std::u16string_view ext = Extension(name);
  if (IsIndexFileExtension(ext)) {
    return name.substr(0, name.size() - ext.size());
  }
  return name;
}

bool IsLinkDigit(char16_t c) { return c >= u'1' && c <= u'9'; }

bool IsPositiveNumber(std::u16string_view s) {
  if (s.empty()) return false;
  bool nonzero = false;
  for (char16_t c : s) {
    if (c < u'0' || c > u'9') return false;
    nonzero |= c != u'0';
  }
  return nonzero;
}

}  // namespace

TVxbIndexKind GetIndexKind(std::u16string_view name, int16_t level) {
  const std::u16string_view ext = Extension(name);
  if (level >= 4) {
    if (!ext.empty() || !StartsWithIgnoringLatin1Case(name, u"sys_")) {
      return StartsWithIgnoringLatin1Case(name, u"tmp") ? tikTemporary : tikUser;
    }
    const std::u16string_view rest = name.substr(4);
    if (EqualsIgnoringLatin1Case(rest, u"Id") || EqualsIgnoringLatin1Case(rest, u"Inr")) return tikAdl;
    if (StartsWithIgnoringLatin1Case(rest, u"In") && IsPositiveNumber(rest.substr(2))) return tikAdl;
    return tikConstraint;
  }
  if (ext.empty() || EqualsIgnoringLatin1Case(ext, IndexFileExtension(level, false)) ||
      EqualsIgnoringLatin1Case(ext, IndexFileExtension(level, true))) {
    return tikUser;
  }
  if (ext.size() == 4 && ext[1] == u'$') return tikTemporary;
  if (EqualsIgnoringLatin1Case(ext, u".inr") || EqualsIgnoringLatin1Case(ext, u".id")) return tikAdl;
  if (ext.size() == 4 && EqualsIgnoringLatin1Case(ext.substr(0, 3), u".in") && IsLinkDigit(ext[3])) return tikAdl;
  return tikUnknown;
}

std::u16string IndexFileName(std::u16string_view tableName, std::u16string_view indexName, int16_t level) {
  std::u16string result;
  if (level >= 4) {
    result.append(tableName).append(u"!").append(BareName(indexName));
    result.append(IndexFileExtension(level, false));
    return result;
  }
  result = std::u16string(indexName);
  if (Extension(indexName).empty()) {
    result.append(IndexFileExtension(level, !tableName.empty() && tableName.front() == u'~'));
  }
  return result;
}

std::u16string SystemIndexName(TVxbSystemIndex which, int linkNo, std::u16string_view tableName,
                               int16_t level) {
  const char16_t digit = static_cast<char16_t>(u'0' + (linkNo >= 1 && linkNo <= 9 ? linkNo : 1));
  if (level >= 4) {
    switch (which) {
      case TVxbSystemIndex::Id: return u"sys_Id";
      case TVxbSystemIndex::Inr: return u"sys_Inr";
      case TVxbSystemIndex::Primary: return u"sys_Primary";
      case TVxbSystemIndex::In: return std::u16string(u"sys_In") + digit;
    }
    return {};
  }
  std::u16string base(tableName.substr(0, 40));
  switch (which) {
    case TVxbSystemIndex::Id: return base + u".id";
    case TVxbSystemIndex::Inr: return base + u".inr";
    case TVxbSystemIndex::In: return base + u".in" + digit;
    case TVxbSystemIndex::Primary: return {};
  }
  return {};
}

bool IsSameIndexName(std::u16string_view a, std::u16string_view b) {
  return EqualsIgnoringLatin1Case(BareName(a), BareName(b));
}

bool IsReservedIndexName(std::u16string_view name) {
  return StartsWithIgnoringLatin1Case(name, u"sys") || StartsWithIgnoringLatin1Case(name, u"tmpIdx");
}

}  // namespace vexilo::index
