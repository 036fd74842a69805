#include "dataset/fields.h"

#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "dataset/dataset.h"
#include "engine/types/code_page.h"
#include "engine/types/collation.h"
#include "framework/core/database_error.h"

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

constexpr char16_t kTextTooLong[] = u"Field '%s' holds at most %d characters, the text has %d";

// Refuses a text of `length` characters for `field` while a record is being
// changed.
void CheckTextFits(const framework::TField& field, size_t length) {
  if (length <= static_cast<size_t>(field.Size()) || field.DataSet() == nullptr) return;
  const framework::TDataSetState state = field.DataSet()->State();
  if (state != framework::TDataSetState::dsEdit && state != framework::TDataSetState::dsInsert) return;
  throw framework::EDatabaseError::CreateFmt(kTextTooLong,
                                             {field.DisplayName(), field.Size(), static_cast<int>(length)});
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

void TVxbStringField::SetAsStringValue(std::u16string_view value) {
  CheckTextFits(*this, EncodeText(value).size());
  TStringField::SetAsStringValue(value);
}

void TVxbWideStringField::SetAsStringValue(std::u16string_view value) {
  CheckTextFits(*this, value.size());
  TWideStringField::SetAsStringValue(value);
}

std::u16string TVxbMemoField::DecodeText(std::span<const std::byte> bytes) const {
  return CodePageOf(*this).ToWide(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::vector<std::byte> TVxbMemoField::EncodeText(std::u16string_view text) const {
  const std::string bytes = CodePageOf(*this).FromWide(text);
  std::vector<std::byte> content(bytes.size());
  if (!bytes.empty()) std::memcpy(content.data(), bytes.data(), bytes.size());
  return content;
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
