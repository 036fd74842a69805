#include "framework/core/variant.h"

#include <cstdio>

#include "framework/core/db_consts.h"
#include "fs/text.h"

namespace vexilo::framework {

std::u16string VarToText(const TVariant& value) {
  struct Visitor {
    std::u16string operator()(std::monostate) const { return {}; }
    std::u16string operator()(bool b) const { return b ? dbconsts::STextTrue : dbconsts::STextFalse; }
    std::u16string operator()(int64_t i) const { return fs::u16(std::to_string(i)); }
    std::u16string operator()(double d) const {
      char text[40];
      std::snprintf(text, sizeof text, "%.15g", d);
      return fs::u16(text);
    }
    std::u16string operator()(const std::u16string& s) const { return s; }
  };
  return std::visit(Visitor{}, value);
}

}  // namespace vexilo::framework
