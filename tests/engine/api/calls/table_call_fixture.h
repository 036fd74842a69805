// The fixture of the table-call tests: the dictionary-shaped table (ENG,
// HUN, the LEIR description) in a fresh database directory, filled with the
// rows a test gives, a session open on the directory and the table added to
// its catalog; helpers that make table handles and read and write record
// buffers the way a caller of the call interface does — through the column
// descriptions the calls give.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "engine/api/calls/call_types.h"
#include "engine/api/calls/table_calls.h"
#include "engine/types/field_codec.h"
#include "tests/engine/api/session_fixture.h"

namespace vexilo::api::testing {

struct TEntry {
  std::u16string Eng;
  std::u16string Hun;
  std::u16string Leir;
};

class TableCallFixture : public SessionFixture {
 protected:
  ~TableCallFixture() override {
    for (const TVxbTableHdl handle : FTables) VxbTableDelete(handle);
  }

  // Creates the table with `entries` (in record-number order) and opens it
  // shared in a new session; the relation handle.
  TVxbRltnHdl Prepare(const std::vector<TEntry>& entries) {
    CreateDictionary();
    {
      auto table = Open();
      for (const TEntry& entry : entries) EXPECT_GT(Append(*table, entry.Eng, entry.Hun, entry.Leir), 0) << Error();
      EXPECT_EQ(table->Close(), 0);
    }
    return Attach();
  }

  // Opens the table made before shared in a new session; the relation
  // handle.
  TVxbRltnHdl Attach() {
    FSession = &OpenSession();
    const int16_t rltnIdx = FSession->Catalog()->AddTable(u"Eng_hun", {}, false, storage::testing::kSharedForTest);
    EXPECT_GT(rltnIdx, 0) << LastError(*FSession);
    FRltnHdl = static_cast<TVxbRltnHdl>(FSession->Catalog()->CalcRltnHdl(rltnIdx));
    return FRltnHdl;
  }

  // A table handle on the prepared relation in the order of `indexName`.
  TVxbTableHdl NewTable(const char16_t* indexName = u"") {
    const TVxbTableHdl handle = VxbTableCreate(FRltnHdl, u"test");
    EXPECT_GT(handle, 0);
    FTables.push_back(handle);
    EXPECT_EQ(VxbTableSetIndex(handle, indexName, false), 0);
    return handle;
  }

  // The layout of column `fieldNo` from its description.
  static types::TVxbFieldLayout Layout(TVxbTableHdl handle, int16_t fieldNo) {
    TVxbFieldSpec spec;
    EXPECT_EQ(VxbTableGetFieldSpec(handle, fieldNo, &spec), 0);
    return types::TVxbFieldLayout{static_cast<size_t>(spec.InternalPosition), static_cast<size_t>(spec.InternalSize),
                                  VxbTableGetRltnVersion(handle), (spec.Options & 0x08) != 0};
  }

  static std::vector<uint8_t> EmptyRecord(TVxbTableHdl handle) {
    return std::vector<uint8_t>(static_cast<size_t>(VxbTableGetRecordSize(handle)), 0);
  }

  // A record buffer holding `text` in wide-string column `fieldNo`.
  static std::vector<uint8_t> KeyRecord(TVxbTableHdl handle, int16_t fieldNo, std::u16string_view text) {
    std::vector<uint8_t> record = EmptyRecord(handle);
    types::TVxbFieldCodec::WriteWideString(record.data(), Layout(handle, fieldNo), true, text);
    return record;
  }

  static std::u16string Text(TVxbTableHdl handle, int16_t fieldNo) {
    std::vector<uint8_t> record = EmptyRecord(handle);
    EXPECT_EQ(VxbTableGetRecord(handle, record.data(), static_cast<int32_t>(record.size())), 0);
    std::u16string text;
    types::TVxbFieldCodec::ReadWideString(record.data(), Layout(handle, fieldNo), text);
    return text;
  }

  // The wide-memo content of column `fieldNo` through the blob calls.
  static std::u16string Memo(TVxbTableHdl handle, int16_t fieldNo) {
    int16_t blobType = 0;
    const int32_t size = VxbTableInitGetBlob(handle, fieldNo, 0, &blobType);
    EXPECT_GE(size, 0);
    std::u16string text(static_cast<size_t>(size > 0 ? size / 2 : 0), u'\0');
    EXPECT_EQ(VxbTablePerformGetBlob(handle, text.data(), size), size > 0 ? size : 0);
    return text;
  }

  // The ENG values met walking from First by `step`.
  static std::vector<std::u16string> Walk(TVxbTableHdl handle, int32_t step = 1) {
    std::vector<std::u16string> seen;
    int32_t result = step > 0 ? VxbTableFirst(handle) : VxbTableLast(handle);
    while (result >= 0) {
      seen.push_back(Text(handle, 2));
      result = VxbTableMoveBy(handle, step);
    }
    EXPECT_EQ(result, -11);
    return seen;
  }

  TVxbLocalSession* FSession = nullptr;
  TVxbRltnHdl FRltnHdl = 0;
  std::vector<TVxbTableHdl> FTables;
};

}  // namespace vexilo::api::testing
