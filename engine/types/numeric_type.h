// TVxbNumericType: what the integer types and Float share, namely the common
// super type of two numbers and the arithmetic of expressions.
//
// Arithmetic on integers is done in 64 bits and typed Integer, or BigInt
// when an operand is one; "/" and any Float operand give a Float. DIV and
// MOD take integers only; AND and OR take Booleans and follow three-valued
// logic (false AND null is false, true OR null is true). Other operators
// give null when an operand is null. Division by zero raises engine error
// 178; a result beyond its type raises engine error 43.
#pragma once

#include "engine/types/data_type.h"

namespace vexilo::types {

class TVxbNumericType : public TVxbDataType {
 public:
  using TVxbDataType::CalculateWith;
  using TVxbDataType::GetResultDataType;
  using TVxbDataType::GetSuperType;

  const TVxbDataType* GetSuperType(const TVxbDataType& other) const override;
  const TVxbDataType* GetResultDataType(TVxbUnaryOperator op) const override;
  const TVxbDataType* GetResultDataTypeWith(TVxbBinaryOperator op, const TVxbDataType& type1,
                                            const TVxbDataType& type2) const override;
  void CalculateWith(TVxbBinaryOperator op, const TVxbDataValue& value1, const TVxbDataValue& value2,
                     const TVxbDataType& type1, const TVxbDataType& type2, TVxbDataValue& result,
                     const TVxbDataType& resultType) const override;
  void CalculateWith(TVxbUnaryOperator op, TVxbDataValue& value, const TVxbDataType& resultType) const override;

  static bool IsNumeric(const TVxbDataType& type) {
    return IsIntegerColumnType(type.ColumnType()) || type.ColumnType() == vxbFloat;
  }

 protected:
  using TVxbDataType::TVxbDataType;
};

// Makes a holder stop referring to other bytes, so that a result of another
// type can be written into it without touching what it referred to.
void DetachValue(TVxbDataValue& value);

}  // namespace vexilo::types
