// The search condition by which Locate and Lookup find a record by field
// values: one term per field, joined with " and ", each value written as a
// literal of the condition language in the form its column type reads
// (texts quoted with their quotes doubled, so that no value can change the
// condition's structure), and the search mode that goes with the options.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "dataset/field_types.h"
#include "framework/core/db_types.h"
#include "framework/core/variant.h"

namespace vexilo::dataset {

// One field to match: its column and the value it must have.
struct TLocateTerm {
  const TVxbFieldDef* Column = nullptr;
  std::u16string Name;
  framework::TVariant Value;
};

// `value` as a literal for a comparison with `column`.
std::u16string ConditionLiteral(const TVxbFieldDef& column, const framework::TVariant& value);

// The condition matching every term; with `partialKey` a text column's value
// matches the texts that begin with it.
std::u16string LocateCondition(std::span<const TLocateTerm> terms, bool partialKey);

// The engine's search mode: a search that moves to the record found (5), or
// with `byMarks` one that marks the matching records (1), with the option
// bits of `options`.
int32_t LocateMode(const framework::TLocateOptions& options, bool byMarks);

}  // namespace vexilo::dataset
