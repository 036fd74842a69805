// Blob and memo fields. Their contents live outside the record buffer: the
// field reads and writes them through a blob stream its dataset creates for
// the current record (TDataSet::CreateBlobStream), and GetData only tells
// whether there is content. Writing needs the dataset in edit or insert mode;
// the content reaches the table when the record is posted.
//
// TBlobField handles bytes (AsString gives each byte as one character),
// TMemoField 8-bit text (decoded like TStringField, ISO 8859-1 by default),
// TWideMemoField UTF-16 text (two bytes per character, native byte order).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/core/field.h"
#include "framework/core/stream.h"

namespace vexilo::framework {

class TBlobField : public TField {
 public:
  TBlobField();
  int32_t DataSize() const override { return 0; }
  bool IsBlob() const override { return true; }
  // The type of content (ftBlob, ftMemo, ftWideMemo ...).
  TFieldType BlobType() const { return DataType(); }
  // Whether the content was written since the record was read.
  bool Modified() const { return FModified; }
  void SetModified(bool value) { FModified = value; }
  // Bytes of content in the current record.
  int64_t BlobSize();

  // The whole content of the current record.
  std::vector<std::byte> AsBytes();
  // Replaces the content with `bytes`.
  void SetAsBytes(std::span<const std::byte> bytes);
  void LoadFromStream(TStream& stream);
  void SaveToStream(TStream& stream);
  void Clear() override;

 protected:
  explicit TBlobField(TFieldType dataType);
  virtual std::u16string DecodeText(std::span<const std::byte> bytes) const;
  virtual std::vector<std::byte> EncodeText(std::u16string_view text) const;

  bool GetIsNull() override;
  std::u16string GetAsString() override;
  TVariant GetAsVariant() override;
  void SetAsStringValue(std::u16string_view value) override;
  // Displayed: the type name in brackets, in capitals when there is content
  // ("(MEMO)", "(Memo)"). Edited: the text of a memo, the bracket form of
  // other blobs.
  std::u16string GetText(bool displayText) override;
  void FreeBuffers() override { FModified = false; }

 private:
  bool FModified = false;
};

class TMemoField : public TBlobField {
 public:
  TMemoField();

 protected:
  std::u16string DecodeText(std::span<const std::byte> bytes) const override;
  std::vector<std::byte> EncodeText(std::u16string_view text) const override;
};

class TWideMemoField : public TBlobField {
 public:
  TWideMemoField();

 protected:
  std::u16string DecodeText(std::span<const std::byte> bytes) const override;
  std::vector<std::byte> EncodeText(std::u16string_view text) const override;
};

}  // namespace vexilo::framework
