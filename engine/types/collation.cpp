#include "engine/types/collation.h"

#include <bit>
#include <cstring>
#include <mutex>
#include <string>
#include <unordered_map>

#include "engine/types/engine_collation.h"
#include "engine/types/named_collation.h"

namespace vexilo::types {

namespace {

// Removes `suffix` ("_AS", "_CI", ...) from the end of `name` when the last
// three characters, upper-cased, equal it.
bool TakeSuffix(std::u16string_view& name, std::u16string_view suffix) {
  if (name.size() < suffix.size()) return false;
  const std::u16string_view tail = name.substr(name.size() - suffix.size());
  for (size_t k = 0; k < suffix.size(); ++k) {
    const char16_t c = tail[k] >= u'a' && tail[k] <= u'z' ? tail[k] - 32 : tail[k];
    if (c != suffix[k]) return false;
  }
  name.remove_suffix(suffix.size());
  return true;
}

TVxbResolvedCollation ResolveUncached(std::u16string_view name) {
  bool accentSensitive = true;
  if (TakeSuffix(name, u"_AS")) {
    accentSensitive = true;
  } else if (TakeSuffix(name, u"_AI")) {
    accentSensitive = false;
  }
  bool caseSensitive = false;
  if (TakeSuffix(name, u"_CS")) {
    caseSensitive = true;
  } else if (TakeSuffix(name, u"_CI")) {
    caseSensitive = false;
  }
  const TVxbCollation* collation = TVxbNamedCollation::ForLanguage(name);
  if (!collation) return {};
  return {collation, static_cast<TStrCmpOptions>((accentSensitive ? scoAccentSensitive : 0) |
                                                 (caseSensitive ? scoCaseSensitive : 0))};
}

}  // namespace

TVxbResolvedCollation TVxbCollation::Resolve(std::u16string_view name) {
  if (name.empty() || name == u"VexBase") {
    return {&Engine(), static_cast<TStrCmpOptions>(scoLigatureSensitive | scoAccentSensitive)};
  }
  static std::mutex mutex;
  static std::unordered_map<std::u16string, TVxbResolvedCollation> resolved;
  {
    std::lock_guard lock(mutex);
    if (const auto it = resolved.find(std::u16string(name)); it != resolved.end()) return it->second;
  }
  const TVxbResolvedCollation result = ResolveUncached(name);
  std::lock_guard lock(mutex);
  resolved.emplace(name, result);
  return result;
}

const TVxbCollation& TVxbCollation::Engine() { return TVxbEngineCollation::Instance(); }

int TVxbCollation::CompareWideBytes(const uint8_t* s1, size_t n1, const uint8_t* s2, size_t n2,
                                    TStrCmpOptions options) const {
  // Gather the units into aligned buffers, on the stack for strings of
  // ordinary length.
  constexpr size_t kInline = 128;
  const auto gather = [](char16_t* target, const uint8_t* bytes, size_t count) {
    if constexpr (std::endian::native == std::endian::little) {
      std::memcpy(target, bytes, 2 * count);
    } else {
      for (size_t i = 0; i < count; ++i) {
        target[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
      }
    }
  };
  if (n1 <= kInline && n2 <= kInline) {
    char16_t units1[kInline];
    char16_t units2[kInline];
    gather(units1, s1, n1);
    gather(units2, s2, n2);
    return CompareWide(units1, n1, units2, n2, options);
  }
  std::u16string units1(n1, u'\0');
  std::u16string units2(n2, u'\0');
  gather(units1.data(), s1, n1);
  gather(units2.data(), s2, n2);
  return CompareWide(units1.data(), n1, units2.data(), n2, options);
}

}  // namespace vexilo::types
