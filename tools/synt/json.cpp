#include "json.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/utf.h"

namespace synt::tool {

JsonValue JsonValue::Bool(bool b) {
  JsonValue v;
  v.kind_ = Kind::Bool;
  v.bool_ = b;
  return v;
}
JsonValue JsonValue::Number(double d) {
  JsonValue v;
  v.kind_ = Kind::Number;
  v.number_ = d;
  return v;
}
JsonValue JsonValue::String(std::u16string s) {
  JsonValue v;
  v.kind_ = Kind::String;
  v.string_ = std::move(s);
  return v;
}
JsonValue JsonValue::Array() {
  JsonValue v;
  v.kind_ = Kind::Array;
  return v;
}
JsonValue JsonValue::Object() {
  JsonValue v;
  v.kind_ = Kind::Object;
  return v;
}

const JsonValue* JsonValue::Find(std::string_view key) const {
  for (const auto& [k, v] : members_)
    if (k == key) return &v;
  return nullptr;
}

namespace {

class Parser {
 public:
  explicit Parser(std::string_view s) : s_(s) {}

  bool Parse(JsonValue& out, std::string& error) {
    if (!Value(out, 0)) {
      error = error_ + " at byte " + std::to_string(pos_ + 1);
      return false;
    }
    SkipWs();
    if (pos_ != s_.size()) {
      error = "unexpected text after the JSON value at byte " + std::to_string(pos_ + 1);
      return false;
    }
    return true;
  }

 private:
  bool Fail(const char* msg) {
    error_ = msg;
    return false;
  }
  void SkipWs() {
    while (pos_ < s_.size() &&
           (s_[pos_] == ' ' || s_[pos_] == '\t' || s_[pos_] == '\r' || s_[pos_] == '\n'))
      ++pos_;
  }
  bool Literal(std::string_view lit) {
    if (s_.substr(pos_, lit.size()) != lit) return false;
    pos_ += lit.size();
    return true;
  }

  bool Value(JsonValue& out, int depth) {
    if (depth > 200) return Fail("nesting too deep");
    SkipWs();
    if (pos_ >= s_.size()) return Fail("unexpected end of input");
    char c = s_[pos_];
    if (c == '{') return ObjectValue(out, depth);
    if (c == '[') return ArrayValue(out, depth);
    if (c == '"') {
      std::u16string str;
      if (!StringValue(str)) return false;
      out = JsonValue::String(std::move(str));
      return true;
    }
    if (Literal("true")) return out = JsonValue::Bool(true), true;
    if (Literal("false")) return out = JsonValue::Bool(false), true;
    if (Literal("null")) return out = JsonValue(), true;
    if (c == '-' || (c >= '0' && c <= '9')) return NumberValue(out);
    return Fail("unexpected character");
  }

  bool NumberValue(JsonValue& out) {
    size_t start = pos_;
    if (s_[pos_] == '-') ++pos_;
    auto digits = [&] {
      size_t d = pos_;
      while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9') ++pos_;
      return pos_ > d;
    };
    if (!digits()) return Fail("bad number");
    if (pos_ < s_.size() && s_[pos_] == '.') {
      ++pos_;
      if (!digits()) return Fail("bad number");
    }
    if (pos_ < s_.size() && (s_[pos_] == 'e' || s_[pos_] == 'E')) {
      ++pos_;
      if (pos_ < s_.size() && (s_[pos_] == '+' || s_[pos_] == '-')) ++pos_;
      if (!digits()) return Fail("bad number");
    }
    std::string num(s_.substr(start, pos_ - start));
    out = JsonValue::Number(std::strtod(num.c_str(), nullptr));
    return true;
  }

  bool Hex4(unsigned& v) {
    if (pos_ + 4 > s_.size()) return Fail("bad \\u escape");
    v = 0;
    for (int i = 0; i < 4; ++i) {
      char h = s_[pos_++];
      v <<= 4;
      if (h >= '0' && h <= '9')
        v |= h - '0';
      else if (h >= 'a' && h <= 'f')
        v |= h - 'a' + 10;
      else if (h >= 'A' && h <= 'F')
        v |= h - 'A' + 10;
      else
        return Fail("bad \\u escape");
    }
    return true;
  }

  bool StringValue(std::u16string& out) {
    ++pos_;  // opening quote
    size_t run = pos_;
    auto flush = [&] {
      if (pos_ > run) out += Utf8ToUtf16(s_.substr(run, pos_ - run));
    };
    while (true) {
      if (pos_ >= s_.size()) return Fail("unterminated string");
      char c = s_[pos_];
      if (c == '"') {
        flush();
        ++pos_;
        return true;
      }
      if (static_cast<unsigned char>(c) < 0x20) return Fail("control character in string");
      if (c != '\\') {
        ++pos_;
        continue;
      }
      flush();
      ++pos_;
      if (pos_ >= s_.size()) return Fail("unterminated string");
      char e = s_[pos_++];
      switch (e) {
        case '"':
          out += u'"';
          break;
        case '\\':
          out += u'\\';
          break;
        case '/':
          out += u'/';
          break;
        case 'b':
          out += u'\b';
          break;
        case 'f':
          out += u'\f';
          break;
        case 'n':
          out += u'\n';
          break;
        case 'r':
          out += u'\r';
          break;
        case 't':
          out += u'\t';
          break;
        case 'u': {
          unsigned v;
          if (!Hex4(v)) return false;
          out += static_cast<char16_t>(v);  // surrogates pass through as code units
          break;
        }
        default:
          return Fail("bad escape in string");
      }
      run = pos_;
    }
  }

  bool ArrayValue(JsonValue& out, int depth) {
    ++pos_;
    out = JsonValue::Array();
    SkipWs();
    if (pos_ < s_.size() && s_[pos_] == ']') return ++pos_, true;
    while (true) {
      JsonValue v;
      if (!Value(v, depth + 1)) return false;
      out.Push(std::move(v));
      SkipWs();
      if (pos_ >= s_.size()) return Fail("unterminated array");
      if (s_[pos_] == ',') {
        ++pos_;
        continue;
      }
      if (s_[pos_] == ']') return ++pos_, true;
      return Fail("expected ',' or ']'");
    }
  }

  bool ObjectValue(JsonValue& out, int depth) {
    ++pos_;
    out = JsonValue::Object();
    SkipWs();
    if (pos_ < s_.size() && s_[pos_] == '}') return ++pos_, true;
    while (true) {
      SkipWs();
      if (pos_ >= s_.size() || s_[pos_] != '"') return Fail("expected a member name");
      std::u16string key;
      if (!StringValue(key)) return false;
      SkipWs();
      if (pos_ >= s_.size() || s_[pos_] != ':') return Fail("expected ':'");
      ++pos_;
      JsonValue v;
      if (!Value(v, depth + 1)) return false;
      out.Set(Utf16ToUtf8(key), std::move(v));
      SkipWs();
      if (pos_ >= s_.size()) return Fail("unterminated object");
      if (s_[pos_] == ',') {
        ++pos_;
        continue;
      }
      if (s_[pos_] == '}') return ++pos_, true;
      return Fail("expected ',' or '}'");
    }
  }

  std::string_view s_;
  size_t pos_ = 0;
  std::string error_;
};

void AppendEscaped(std::string& out, char16_t c) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(c));
  out += buf;
}

}  // namespace

bool ParseJson(std::string_view text, JsonValue& out, std::string& error) {
  return Parser(text).Parse(out, error);
}

std::string JsonQuote(std::u16string_view s) {
  std::string out = "\"";
  size_t run = 0;
  auto flush = [&](size_t i) {
    if (i > run) out += Utf16ToUtf8(s.substr(run, i - run));
  };
  for (size_t i = 0; i < s.size(); ++i) {
    char16_t c = s[i];
    const char* esc = nullptr;
    switch (c) {
      case u'"':
        esc = "\\\"";
        break;
      case u'\\':
        esc = "\\\\";
        break;
      case u'\n':
        esc = "\\n";
        break;
      case u'\r':
        esc = "\\r";
        break;
      case u'\t':
        esc = "\\t";
        break;
      default:
        break;
    }
    bool lone = false;
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
        ++i;  // a valid pair stays in the UTF-8 run
        continue;
      }
      lone = true;
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      lone = true;
    }
    if (esc || c < 0x20 || lone) {
      flush(i);
      if (esc)
        out += esc;
      else
        AppendEscaped(out, c);
      run = i + 1;
    }
  }
  flush(s.size());
  out += '"';
  return out;
}

std::string JsonQuote(std::string_view utf8) {
  return JsonQuote(Utf8ToUtf16(utf8));
}

void JsonLine::Key(std::string_view key) {
  if (buf_.size() > 1) buf_ += ", ";
  buf_ += JsonQuote(key);
  buf_ += ": ";
}

JsonLine& JsonLine::Add(std::string_view key, std::int64_t v) {
  Key(key);
  buf_ += std::to_string(v);
  return *this;
}
JsonLine& JsonLine::Add(std::string_view key, bool v) {
  Key(key);
  buf_ += v ? "true" : "false";
  return *this;
}
JsonLine& JsonLine::Add(std::string_view key, std::u16string_view v) {
  Key(key);
  buf_ += JsonQuote(v);
  return *this;
}
JsonLine& JsonLine::AddUtf8(std::string_view key, std::string_view v) {
  Key(key);
  buf_ += JsonQuote(v);
  return *this;
}
JsonLine& JsonLine::AddRaw(std::string_view key, std::string_view json) {
  Key(key);
  buf_ += json;
  return *this;
}

std::string JsonArray(const std::vector<std::u16string>& items) {
  std::string out = "[";
  for (size_t i = 0; i < items.size(); ++i) {
    if (i) out += ", ";
    out += JsonQuote(items[i]);
  }
  return out + "]";
}

}  // namespace synt::tool
