// Minimal JSON for the tool's JSON Lines input and output. Strings are held as UTF-16 so that any
// library text, lone surrogates included, survives a round trip (they are written as \u escapes).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace synt::tool {

class JsonValue {
 public:
  enum class Kind { Null, Bool, Number, String, Array, Object };

  JsonValue() = default;
  static JsonValue Bool(bool b);
  static JsonValue Number(double d);
  static JsonValue String(std::u16string s);
  static JsonValue Array();
  static JsonValue Object();

  Kind kind() const { return kind_; }
  bool IsNull() const { return kind_ == Kind::Null; }
  bool AsBool() const { return bool_; }
  double AsNumber() const { return number_; }
  const std::u16string& AsString() const { return string_; }
  const std::vector<JsonValue>& Items() const { return items_; }
  const std::vector<std::pair<std::string, JsonValue>>& Members() const { return members_; }
  // The member named key, or nullptr.
  const JsonValue* Find(std::string_view key) const;

  void Push(JsonValue v) { items_.push_back(std::move(v)); }
  void Set(std::string key, JsonValue v) { members_.emplace_back(std::move(key), std::move(v)); }

 private:
  Kind kind_ = Kind::Null;
  bool bool_ = false;
  double number_ = 0;
  std::u16string string_;
  std::vector<JsonValue> items_;
  std::vector<std::pair<std::string, JsonValue>> members_;
};

// Parses one JSON document (a JSON Lines line). On failure returns false and sets error.
bool ParseJson(std::string_view text, JsonValue& out, std::string& error);

// The quoted JSON form of a UTF-16 string.
std::string JsonQuote(std::u16string_view s);
std::string JsonQuote(std::string_view utf8);

// Builds one JSON object on one line, members in the order they are added:
//   std::cout << JsonLine().Add("start", 3).Add("text", u"abc").Str() << '\n';
class JsonLine {
 public:
  JsonLine& Add(std::string_view key, std::int64_t v);
  JsonLine& Add(std::string_view key, int v) { return Add(key, static_cast<std::int64_t>(v)); }
  JsonLine& Add(std::string_view key, bool v);
  JsonLine& Add(std::string_view key, std::u16string_view v);
  JsonLine& Add(std::string_view key, const char16_t* v) {
    return Add(key, std::u16string_view(v));
  }
  JsonLine& AddUtf8(std::string_view key, std::string_view v);
  // A member whose value is already JSON text (an array or a nested object).
  JsonLine& AddRaw(std::string_view key, std::string_view json);
  std::string Str() const { return buf_ + "}"; }

 private:
  void Key(std::string_view key);
  std::string buf_ = "{";
};

// JSON array text of strings.
std::string JsonArray(const std::vector<std::u16string>& items);

}  // namespace synt::tool
