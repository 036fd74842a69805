#include "framework/core/blob_fields.h"

#include <cstring>

#include "framework/core/database_error.h"
#include "framework/core/dataset.h"
#include "framework/core/db_consts.h"
#include "framework/core/string_fields.h"

namespace vexilo::framework {
namespace {

std::unique_ptr<TStream> OpenBlobStream(TField& field, TBlobStreamMode mode) {
  if (field.DataSet() == nullptr) {
    throw EDatabaseError::CreateFmt(dbconsts::SDataSetMissing, {field.DisplayName()});
  }
  return field.DataSet()->CreateBlobStream(field, mode);
}

std::vector<std::byte> BytesOf(std::string_view text) {
  std::vector<std::byte> bytes(text.size());
  if (!text.empty()) std::memcpy(bytes.data(), text.data(), text.size());
  return bytes;
}

std::u16string UpperAscii(std::u16string_view text) {
  std::u16string result(text);
  for (char16_t& c : result) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
  }
  return result;
}

}  // namespace

TBlobField::TBlobField() : TBlobField(TFieldType::ftBlob) {}

TBlobField::TBlobField(TFieldType dataType) : TField(dataType) {}

int64_t TBlobField::BlobSize() { return OpenBlobStream(*this, TBlobStreamMode::bmRead)->Size(); }

std::vector<std::byte> TBlobField::AsBytes() {
  auto stream = OpenBlobStream(*this, TBlobStreamMode::bmRead);
  stream->SetPosition(0);
  return stream->ReadRemaining();
}

void TBlobField::SetAsBytes(std::span<const std::byte> bytes) {
  {
    auto stream = OpenBlobStream(*this, TBlobStreamMode::bmWrite);
    stream->WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  }
  FModified = true;
}

void TBlobField::LoadFromStream(TStream& stream) {
  {
    auto blob = OpenBlobStream(*this, TBlobStreamMode::bmWrite);
    blob->CopyFrom(stream, 0);
  }
  FModified = true;
}

void TBlobField::SaveToStream(TStream& stream) {
  const std::vector<std::byte> bytes = AsBytes();
  stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

void TBlobField::Clear() {
  OpenBlobStream(*this, TBlobStreamMode::bmWrite).reset();
  FModified = true;
}

std::u16string TBlobField::DecodeText(std::span<const std::byte> bytes) const {
  return Latin1ToText(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::vector<std::byte> TBlobField::EncodeText(std::u16string_view text) const {
  return BytesOf(TextToLatin1(text));
}

bool TBlobField::GetIsNull() {
  if (FModified) return BlobSize() == 0;
  return TField::GetIsNull();
}

std::u16string TBlobField::GetAsString() { return DecodeText(AsBytes()); }

TVariant TBlobField::GetAsVariant() {
  if (IsNull()) return {};
  return AsString();
}

void TBlobField::SetAsStringValue(std::u16string_view value) { SetAsBytes(EncodeText(value)); }

std::u16string TBlobField::GetText(bool displayText) {
  const bool isMemo = DataType() == TFieldType::ftMemo || DataType() == TFieldType::ftWideMemo ||
                      DataType() == TFieldType::ftFmtMemo;
  if (!displayText && isMemo) return AsString();
  const std::u16string_view name = FieldTypeName(DataType());
  std::u16string text = u"(";
  text += IsNull() ? std::u16string(name) : UpperAscii(name);
  text += u')';
  return text;
}

TMemoField::TMemoField() : TBlobField(TFieldType::ftMemo) {}

std::u16string TMemoField::DecodeText(std::span<const std::byte> bytes) const {
  return Latin1ToText(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::vector<std::byte> TMemoField::EncodeText(std::u16string_view text) const {
  return BytesOf(TextToLatin1(text));
}

TWideMemoField::TWideMemoField() : TBlobField(TFieldType::ftWideMemo) {}

std::u16string TWideMemoField::DecodeText(std::span<const std::byte> bytes) const {
  // An odd last byte counts as a character of its own (high byte 0).
  std::u16string text((bytes.size() + 1) / 2, u'\0');
  if (!bytes.empty()) std::memcpy(text.data(), bytes.data(), bytes.size());
  return text;
}

std::vector<std::byte> TWideMemoField::EncodeText(std::u16string_view text) const {
  std::vector<std::byte> bytes(text.size() * sizeof(char16_t));
  if (!bytes.empty()) std::memcpy(bytes.data(), text.data(), bytes.size());
  return bytes;
}

}  // namespace vexilo::framework
