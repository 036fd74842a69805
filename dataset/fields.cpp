#include "dataset/fields.h"

#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "dataset/dataset.h"
#include "engine/types/code_page.h"
#include "engine/types/collation.h"

namespace vexilo::dataset {
namespace {

constexpr uint16_t kDefaultCodePage = 1252;

const types::TVxbCodePage& CodePage(uint16_t number) {
  static std::mutex lock;
  static std::map<uint16_t, std::unique_ptr<types::TVxbCodePage>> pages;
  std::lock_guard guard(lock);
  auto& page = pages[number];
  if (!page) page = std::make_unique<types::TVxbCodePage>(number);
  return *page;
}

const types::TVxbCodePage& CodePageOf(const framework::TField& field) {
  if (const auto* dataSet = dynamic_cast<const TVxbDataSet*>(field.DataSet())) return dataSet->CodePage();
  return CodePage(kDefaultCodePage);
}

}  // namespace

const types::TVxbCodePage& CodePageOfCollation(std::u16string_view collationName) {
  try {
    const types::TVxbResolvedCollation resolved = types::TVxbCollation::Resolve(collationName);
    if (resolved.collation != nullptr) return CodePage(resolved.collation->CodePage());
  } catch (...) {
    // A language whose code page the locale services lack reads as 1252.
  }
  return CodePage(kDefaultCodePage);
}

std::u16string TVxbStringField::DecodeText(std::string_view bytes) const {
  return CodePageOf(*this).ToWide(bytes);
}

std::string TVxbStringField::EncodeText(std::u16string_view text) const {
  return CodePageOf(*this).FromWide(text);
}

std::u16string TVxbBlobField::DecodeText(std::span<const std::byte> bytes) const {
  if (BlobType() == framework::TFieldType::ftWideMemo) {
    std::u16string text(bytes.size() / 2, u'\0');
    std::memcpy(text.data(), bytes.data(), text.size() * 2);
    return text;
  }
  return TBlobField::DecodeText(bytes);
}

std::vector<std::byte> TVxbBlobField::EncodeText(std::u16string_view text) const {
  if (BlobType() == framework::TFieldType::ftWideMemo) {
    std::vector<std::byte> bytes(text.size() * 2);
    std::memcpy(bytes.data(), text.data(), bytes.size());
    return bytes;
  }
  return TBlobField::EncodeText(text);
}

}  // namespace vexilo::dataset
