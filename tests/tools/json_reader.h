// A strict reader of one JSON value, for checking vxbtool's output: it
// refuses what RFC 8259 refuses (unescaped control characters, bad escapes,
// lone surrogates, trailing bytes, invalid UTF-8 is left to the caller) and
// gives objects, strings (as UTF-8), numbers (as their text), true, false
// and null.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vexilo::tools::testing {

struct TJsonValue {
  enum class Kind { Null, Boolean, Number, String, Object, Array };
  Kind Type = Kind::Null;
  std::string Text;  // String: decoded UTF-8; Number: as written; Boolean: "true"/"false"
  std::map<std::string, TJsonValue> Members;
  std::vector<std::string> MemberOrder;
  std::vector<TJsonValue> Items;

  const TJsonValue* Member(const std::string& name) const {
    auto it = Members.find(name);
    return it == Members.end() ? nullptr : &it->second;
  }
};

class TJsonReader {
 public:
  // The value `text` holds, or none when it is not exactly one JSON value.
  static std::optional<TJsonValue> Parse(const std::string& text) {
    TJsonReader r(text);
    TJsonValue value;
    if (!r.Value(value, 0)) return std::nullopt;
    r.Space();
    if (r.FPos != text.size()) return std::nullopt;
    return value;
  }

 private:
  explicit TJsonReader(const std::string& text) : FText(text) {}

  void Space() {
    while (FPos < FText.size() && (FText[FPos] == ' ' || FText[FPos] == '\t' || FText[FPos] == '\n' ||
                                   FText[FPos] == '\r'))
      ++FPos;
  }
  bool Eat(char c) {
    Space();
    if (FPos < FText.size() && FText[FPos] == c) {
      ++FPos;
      return true;
    }
    return false;
  }
  bool Word(const char* word) {
    const std::string w(word);
    if (FText.compare(FPos, w.size(), w) != 0) return false;
    FPos += w.size();
    return true;
  }

  bool Value(TJsonValue& v, int depth) {
    if (depth > 64) return false;
    Space();
    if (FPos >= FText.size()) return false;
    const char c = FText[FPos];
    if (c == '{') return Object(v, depth);
    if (c == '[') return Array(v, depth);
    if (c == '"') {
      v.Type = TJsonValue::Kind::String;
      return String(v.Text);
    }
    if (c == 't' || c == 'f') {
      v.Type = TJsonValue::Kind::Boolean;
      v.Text = c == 't' ? "true" : "false";
      return Word(c == 't' ? "true" : "false");
    }
    if (c == 'n') return Word("null");
    return Number(v);
  }

  bool Object(TJsonValue& v, int depth) {
    v.Type = TJsonValue::Kind::Object;
    ++FPos;
    if (Eat('}')) return true;
    do {
      Space();
      std::string name;
      if (FPos >= FText.size() || FText[FPos] != '"' || !String(name) || !Eat(':')) return false;
      TJsonValue member;
      if (!Value(member, depth + 1)) return false;
      if (v.Members.count(name)) return false;  // vxbtool never repeats a name
      v.MemberOrder.push_back(name);
      v.Members.emplace(name, std::move(member));
    } while (Eat(','));
    return Eat('}');
  }

  bool Array(TJsonValue& v, int depth) {
    v.Type = TJsonValue::Kind::Array;
    ++FPos;
    if (Eat(']')) return true;
    do {
      TJsonValue item;
      if (!Value(item, depth + 1)) return false;
      v.Items.push_back(std::move(item));
    } while (Eat(','));
    return Eat(']');
  }

  bool Number(TJsonValue& v) {
    const size_t start = FPos;
    auto digits = [&] {
      const size_t from = FPos;
      while (FPos < FText.size() && FText[FPos] >= '0' && FText[FPos] <= '9') ++FPos;
      return FPos > from;
    };
    if (FPos < FText.size() && FText[FPos] == '-') ++FPos;
    if (FPos < FText.size() && FText[FPos] == '0') ++FPos;
    else if (!digits()) return false;
    if (FPos < FText.size() && FText[FPos] == '.') {
      ++FPos;
      if (!digits()) return false;
    }
    if (FPos < FText.size() && (FText[FPos] == 'e' || FText[FPos] == 'E')) {
      ++FPos;
      if (FPos < FText.size() && (FText[FPos] == '+' || FText[FPos] == '-')) ++FPos;
      if (!digits()) return false;
    }
    v.Type = TJsonValue::Kind::Number;
    v.Text = FText.substr(start, FPos - start);
    return true;
  }

  bool Hex4(uint32_t& unit) {
    if (FPos + 4 > FText.size()) return false;
    unit = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = FText[FPos++];
      unit <<= 4;
      if (c >= '0' && c <= '9') unit |= static_cast<uint32_t>(c - '0');
      else if (c >= 'a' && c <= 'f') unit |= static_cast<uint32_t>(c - 'a' + 10);
      else if (c >= 'A' && c <= 'F') unit |= static_cast<uint32_t>(c - 'A' + 10);
      else return false;
    }
    return true;
  }

  static void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | cp >> 6);
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | cp >> 12);
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | cp >> 18);
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }

  bool String(std::string& out) {
    ++FPos;  // the opening quote
    while (FPos < FText.size()) {
      const auto c = static_cast<unsigned char>(FText[FPos++]);
      if (c == '"') return true;
      if (c < 0x20) return false;
      if (c != '\\') {
        out += static_cast<char>(c);
        continue;
      }
      if (FPos >= FText.size()) return false;
      const char e = FText[FPos++];
      switch (e) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case '/': out += '/'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': {
          uint32_t unit = 0;
          if (!Hex4(unit)) return false;
          if (unit >= 0xDC00 && unit <= 0xDFFF) return false;
          if (unit >= 0xD800 && unit <= 0xDBFF) {
            uint32_t low = 0;
            if (!Word("\\u") || !Hex4(low) || low < 0xDC00 || low > 0xDFFF) return false;
            unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
          }
          AppendUtf8(out, unit);
          break;
        }
        default: return false;
      }
    }
    return false;
  }

  const std::string& FText;
  size_t FPos = 0;
};

}  // namespace vexilo::tools::testing
