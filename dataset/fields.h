// The dataset layer's field classes. TVxbStringField reads and writes its
// 8-bit characters in the code page of its table's collation (the framework's
// string field assumes ISO 8859-1), and so does TVxbMemoField for a memo
// column's text; TVxbWideStringField and TVxbLargeIntField are the
// framework's classes under the dataset layer's names; TVxbBlobField treats
// the text of a wide-memo column as UTF-16.
//
// A text longer than its column is refused while a record is edited or
// inserted ("Field '%s' holds at most %d characters, the text has %d"), so
// that nothing of it is lost unseen; search keys and filters are cut to the
// column as before.
#pragma once

#include <string>
#include <string_view>

#include "framework/core/blob_fields.h"
#include "framework/core/numeric_fields.h"
#include "framework/core/string_fields.h"

namespace vexilo::types {
class TVxbCodePage;
}

namespace vexilo::dataset {

// The code page String and Memo columns of a table with collation
// `collationName` use (1252 for the engine collation and for names the
// locale services do not know). Shared, lives for the process.
const types::TVxbCodePage& CodePageOfCollation(std::u16string_view collationName);

class TVxbStringField : public framework::TStringField {
 protected:
  std::u16string DecodeText(std::string_view bytes) const override;
  std::string EncodeText(std::u16string_view text) const override;
  void SetAsStringValue(std::u16string_view value) override;
};

class TVxbWideStringField : public framework::TWideStringField {
 protected:
  void SetAsStringValue(std::u16string_view value) override;
};

class TVxbMemoField : public framework::TMemoField {
 protected:
  std::u16string DecodeText(std::span<const std::byte> bytes) const override;
  std::vector<std::byte> EncodeText(std::u16string_view text) const override;
};

class TVxbLargeIntField : public framework::TLargeintField {};

class TVxbBlobField : public framework::TBlobField {
 protected:
  std::u16string DecodeText(std::span<const std::byte> bytes) const override;
  std::vector<std::byte> EncodeText(std::u16string_view text) const override;
};

}  // namespace vexilo::dataset
