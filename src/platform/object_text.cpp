#include "platform/object_text.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "platform/utf.h"

namespace synt {

TTextValue TTextValue::OfInt(int64_t V) {
  TTextValue v;
  v.Kind = TValueKind::Integer;
  v.Int = V;
  return v;
}
TTextValue TTextValue::OfFloat(double V) {
  TTextValue v;
  v.Kind = TValueKind::Float;
  v.Float = V;
  return v;
}
TTextValue TTextValue::OfString(std::u16string V) {
  TTextValue v;
  v.Kind = TValueKind::String;
  v.Str = std::move(V);
  return v;
}
TTextValue TTextValue::OfIdent(std::string V) {
  TTextValue v;
  v.Kind = TValueKind::Ident;
  v.Ident = std::move(V);
  return v;
}

namespace {

constexpr int kMaxDepth = 64;
constexpr size_t kStringPiece = 64;  // a long string's pieces: at least this long

bool IsIdentStart(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_';
}
bool IsIdentChar(char16_t c) {
  return IsIdentStart(c) || (c >= u'0' && c <= u'9');
}
bool IsDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}
int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}
bool SameWord(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = char(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = char(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

enum class Tok { End, Ident, Integer, Float, String, Symbol, Bad };  // Bad: Ident holds why

struct Token {
  Tok Kind = Tok::End;
  int Line = 1;
  size_t Start = 0;
  std::string Ident;
  int64_t Int = 0;
  bool IntBig = false;  // the magnitude is 2^63 (only valid negated)
  double Float = 0;
  std::u16string Str;
  char16_t Sym = 0;
};

struct ParseError {
  int Line;
  std::string Message;
};

class Parser {
 public:
  explicit Parser(std::u16string_view text) : T(text) {}

  std::u16string_view T;
  size_t Pos = 0;
  int Line = 1;
  int LastLine = 1;
  Token Cur;

  [[noreturn]] void Fail(const std::string& msg) { throw ParseError{Cur.Line, msg}; }
  [[noreturn]] void FailAt(int line, const std::string& msg) { throw ParseError{line, msg}; }

  std::string Describe(const Token& t) {
    switch (t.Kind) {
      case Tok::End:
        return "end of file";
      case Tok::Ident:
        return "'" + t.Ident + "'";
      case Tok::Integer:
        return "number";
      case Tok::Float:
        return "number";
      case Tok::String:
        return "string";
      case Tok::Symbol:
        return "'" + Utf16ToUtf8(std::u16string(1, t.Sym)) + "'";
      case Tok::Bad:
        return "invalid text";
    }
    return "token";
  }
  [[noreturn]] void Expected(const std::string& what) {
    if (Cur.Kind == Tok::Bad) Fail(Cur.Ident);
    Fail(what + " expected but " + Describe(Cur) + " found");
  }

  void SkipBlanks() {
    while (Pos < T.size()) {
      char16_t c = T[Pos];
      if (c == u'\n') {
        ++Line;
        ++Pos;
      } else if (c == u'\r') {
        ++Line;
        ++Pos;
        if (Pos < T.size() && T[Pos] == u'\n') ++Pos;
      } else if (c == u' ' || c == u'\t' || c == u'\f' || c == u'\v' || c == 0xFEFF) {
        ++Pos;
      } else {
        break;
      }
    }
  }

  // Reads the next token into Cur; a malformed one becomes a Bad token, so that a property already
  // read is not lost to an error in what follows it.
  void Next() {
    try {
      Scan();
    } catch (const ParseError& e) {
      Cur.Kind = Tok::Bad;
      Cur.Ident = e.Message;
      Cur.Str.clear();
      if (Pos <= Cur.Start) Pos = Cur.Start + 1;
    }
  }

  void Scan() {
    SkipBlanks();
    Cur = Token();
    Cur.Line = Line;
    Cur.Start = Pos;
    if (Pos >= T.size()) {
      Cur.Line = LastLine;  // "end of file" is reported where the text ends, not on an empty line
      return;
    }
    LastLine = Line;
    char16_t c = T[Pos];
    if (IsIdentStart(c)) {
      size_t s = Pos;
      while (Pos < T.size() && IsIdentChar(T[Pos])) ++Pos;
      Cur.Kind = Tok::Ident;
      for (size_t i = s; i < Pos; ++i) Cur.Ident.push_back(char(T[i]));
      return;
    }
    if (IsDigit(c) || c == u'$') {
      ReadNumber();
      return;
    }
    if (c == u'\'' || c == u'#') {
      ReadString();
      return;
    }
    static const std::u16string_view kSymbols = u"=:()[]<>{},.+-";
    if (kSymbols.find(c) != std::u16string_view::npos) {
      Cur.Kind = Tok::Symbol;
      Cur.Sym = c;
      ++Pos;
      return;
    }
    ++Pos;
    if (c < 0x20 || c > 0x7E) Fail("Invalid character #" + std::to_string(unsigned(c)));
    Fail(std::string("Invalid character '") + char(c) + "'");
  }

  void ReadNumber() {
    if (T[Pos] == u'$') {
      ++Pos;
      uint64_t v = 0;
      size_t digits = 0;
      while (Pos < T.size() && HexDigit(T[Pos]) >= 0) {
        if (v >> 60) Fail("Number out of range");
        v = v * 16 + uint64_t(HexDigit(T[Pos++]));
        ++digits;
      }
      if (digits == 0) Fail("Invalid number");
      if (Pos < T.size() && IsIdentChar(T[Pos])) Fail("Invalid number");
      Cur.Kind = Tok::Integer;
      if (v > uint64_t(std::numeric_limits<int64_t>::max())) {
        if (v != uint64_t(1) << 63) Fail("Number out of range");
        Cur.IntBig = true;
      } else {
        Cur.Int = int64_t(v);
      }
      return;
    }
    size_t s = Pos;
    while (Pos < T.size() && IsDigit(T[Pos])) ++Pos;
    bool isFloat = false;
    if (Pos + 1 < T.size() && T[Pos] == u'.' && IsDigit(T[Pos + 1])) {
      isFloat = true;
      ++Pos;
      while (Pos < T.size() && IsDigit(T[Pos])) ++Pos;
    }
    if (Pos < T.size() && (T[Pos] == u'e' || T[Pos] == u'E')) {
      size_t p = Pos + 1;
      if (p < T.size() && (T[p] == u'+' || T[p] == u'-')) ++p;
      if (p < T.size() && IsDigit(T[p])) {
        isFloat = true;
        Pos = p;
        while (Pos < T.size() && IsDigit(T[Pos])) ++Pos;
      }
    }
    std::string text;
    for (size_t i = s; i < Pos; ++i) text.push_back(char(T[i]));
    if (isFloat) {
      // single, currency and date-time suffixes of other writers are accepted
      if (Pos < T.size() && (T[Pos] == u's' || T[Pos] == u'S' || T[Pos] == u'c' || T[Pos] == u'C' ||
                             T[Pos] == u'd' || T[Pos] == u'D'))
        ++Pos;
      if (Pos < T.size() && IsIdentChar(T[Pos])) Fail("Invalid number");
      double d = 0;
      auto r = std::from_chars(text.data(), text.data() + text.size(), d);
      if (r.ec == std::errc::result_out_of_range) {
        size_t e = text.find_first_of("eE");
        d = e != std::string::npos && text[e + 1] == '-' ? 0.0 : HUGE_VAL;
      } else if (r.ec != std::errc()) {
        Fail("Invalid number");
      }
      Cur.Kind = Tok::Float;
      Cur.Float = d;
      return;
    }
    if (Pos < T.size() && IsIdentChar(T[Pos])) Fail("Invalid number");
    uint64_t v = 0;
    for (char ch : text) {
      uint64_t d = uint64_t(ch - '0');
      if (v > (std::numeric_limits<uint64_t>::max() - d) / 10) Fail("Number out of range");
      v = v * 10 + d;
    }
    Cur.Kind = Tok::Integer;
    if (v > uint64_t(std::numeric_limits<int64_t>::max())) {
      if (v != uint64_t(1) << 63) Fail("Number out of range");
      Cur.IntBig = true;
    } else {
      Cur.Int = int64_t(v);
    }
  }

  // A run of quoted pieces and #codes without blanks between them.
  void ReadString() {
    Cur.Kind = Tok::String;
    while (Pos < T.size()) {
      char16_t c = T[Pos];
      if (c == u'\'') {
        ++Pos;
        for (;;) {
          if (Pos >= T.size() || T[Pos] == u'\r' || T[Pos] == u'\n') Fail("Unterminated string");
          char16_t q = T[Pos++];
          if (q == u'\'') {
            if (Pos < T.size() && T[Pos] == u'\'') {
              Cur.Str.push_back(u'\'');
              ++Pos;
              continue;
            }
            break;
          }
          Cur.Str.push_back(q);
        }
      } else if (c == u'#') {
        ++Pos;
        uint64_t v = 0;
        size_t digits = 0;
        if (Pos < T.size() && T[Pos] == u'$') {
          ++Pos;
          while (Pos < T.size() && HexDigit(T[Pos]) >= 0) {
            v = v * 16 + uint64_t(HexDigit(T[Pos++]));
            if (v > 0x10FFFF) Fail("Invalid character code");
            ++digits;
          }
        } else {
          while (Pos < T.size() && IsDigit(T[Pos])) {
            v = v * 10 + uint64_t(T[Pos++] - u'0');
            if (v > 0x10FFFF) Fail("Invalid character code");
            ++digits;
          }
        }
        if (digits == 0) Fail("Invalid character code");
        if (v < 0x10000) {
          Cur.Str.push_back(char16_t(v));
        } else {
          v -= 0x10000;
          Cur.Str.push_back(char16_t(0xD800 + (v >> 10)));
          Cur.Str.push_back(char16_t(0xDC00 + (v & 0x3FF)));
        }
      } else {
        break;
      }
    }
  }

  bool IsSym(char16_t c) const { return Cur.Kind == Tok::Symbol && Cur.Sym == c; }
  bool IsWord(std::string_view w) const { return Cur.Kind == Tok::Ident && SameWord(Cur.Ident, w); }
  void ExpectSym(char16_t c) {
    if (!IsSym(c)) {
      std::string what(1, '\'');
      what += Utf16ToUtf8(std::u16string(1, c));
      what += '\'';
      Expected(what);
    }
    Next();
  }
  std::string ExpectIdent() {
    if (Cur.Kind != Tok::Ident) Expected("Identifier");
    std::string s = Cur.Ident;
    Next();
    return s;
  }
  std::string DottedIdent() {
    std::string s = ExpectIdent();
    while (IsSym(u'.')) {
      Next();
      s += '.';
      s += ExpectIdent();
    }
    return s;
  }

  // --- error recovery ---

  // Whether the line starting at p looks like the start of an entry.
  bool LooksLikeEntry(size_t p) const {
    while (p < T.size() && (T[p] == u' ' || T[p] == u'\t')) ++p;
    if (p >= T.size() || !IsIdentStart(T[p])) return false;
    size_t s = p;
    while (p < T.size() && IsIdentChar(T[p])) ++p;
    std::string word;
    for (size_t i = s; i < p; ++i) word.push_back(char(T[i]));
    for (const char* k : {"object", "inherited", "inline", "end", "item"})
      if (SameWord(word, k)) return true;
    while (p < T.size() && (IsIdentChar(T[p]) || T[p] == u'.')) ++p;
    while (p < T.size() && (T[p] == u' ' || T[p] == u'\t')) ++p;
    return p < T.size() && T[p] == u'=';
  }

  // Moves to the next line after the one where the error was found that starts an entry.
  void Resync(int) {
    // From the token that failed (also one that could not be read) to the end of its line.
    size_t p = Cur.Start;
    int line = Cur.Line;
    if (p >= T.size()) {
      Pos = T.size();
      Cur = Token();
      Cur.Line = Line;
      Cur.Start = Pos;
      return;
    }
    auto nextLine = [&](size_t q, int& ln) {
      while (q < T.size() && T[q] != u'\r' && T[q] != u'\n') ++q;
      if (q < T.size()) {
        if (T[q] == u'\r' && q + 1 < T.size() && T[q + 1] == u'\n') ++q;
        ++q;
        ++ln;
      }
      return q;
    };
    p = nextLine(p, line);
    while (p < T.size() && !LooksLikeEntry(p)) p = nextLine(p, line);
    Pos = p;
    Line = line;
    Next();
  }

  // --- grammar ---

  TTextValue ParseValue(int depth) {
    if (depth > kMaxDepth) Fail("Nesting too deep");
    TTextValue v;
    v.Line = Cur.Line;
    if (IsSym(u'-') || IsSym(u'+')) {
      bool neg = Cur.Sym == u'-';
      Next();
      if (Cur.Kind == Tok::Integer) {
        if (Cur.IntBig) {
          if (!neg) Fail("Number out of range");
          v.Int = std::numeric_limits<int64_t>::min();
        } else {
          v.Int = neg ? -Cur.Int : Cur.Int;
        }
        v.Kind = TValueKind::Integer;
      } else if (Cur.Kind == Tok::Float) {
        v.Kind = TValueKind::Float;
        v.Float = neg ? -Cur.Float : Cur.Float;
      } else if (IsWord("inf")) {
        v.Kind = TValueKind::Float;
        v.Float = neg ? -HUGE_VAL : HUGE_VAL;
      } else {
        Expected("Number");
      }
      Next();
      return v;
    }
    switch (Cur.Kind) {
      case Tok::Integer:
        if (Cur.IntBig) Fail("Number out of range");
        v.Kind = TValueKind::Integer;
        v.Int = Cur.Int;
        Next();
        return v;
      case Tok::Float:
        v.Kind = TValueKind::Float;
        v.Float = Cur.Float;
        Next();
        return v;
      case Tok::String:
        v.Kind = TValueKind::String;
        v.Str = std::move(Cur.Str);
        Next();
        while (IsSym(u'+')) {
          Next();
          if (Cur.Kind != Tok::String) Expected("String");
          v.Str += Cur.Str;
          Next();
        }
        return v;
      case Tok::Ident:
        v.Kind = TValueKind::Ident;
        v.Ident = DottedIdent();
        return v;
      case Tok::End:
      case Tok::Bad:
        Expected("Value");
      case Tok::Symbol:
        break;
    }
    switch (Cur.Sym) {
      case u'[':
        v.Kind = TValueKind::Set;
        Next();
        if (!IsSym(u']')) {
          for (;;) {
            v.SetItems.push_back(ExpectIdent());
            if (IsSym(u']')) break;
            ExpectSym(u',');
          }
        }
        Next();
        return v;
      case u'(':
        v.Kind = TValueKind::List;
        Next();
        while (!IsSym(u')')) {
          if (Cur.Kind == Tok::End) Expected("')'");
          // Collection items in a list: the mistake is the "(" written for "<".
          if (IsWord("item"))
            FailAt(v.Line,
                   "'(' opens a list of values, but 'item' follows: a collection is "
                   "written '<' item ... end '>'");
          v.List.push_back(ParseValue(depth + 1));
        }
        Next();
        return v;
      case u'<':
        v.Kind = TValueKind::Collection;
        Next();
        while (!IsSym(u'>')) {
          if (IsSym(u'[')) {  // an item index written by some writers; not needed here
            Next();
            if (Cur.Kind != Tok::Integer) Expected("Number");
            Next();
            ExpectSym(u']');
          }
          if (!IsWord("item")) {
            if (Cur.Kind == Tok::String || Cur.Kind == Tok::Integer)
              FailAt(v.Line,
                     "'<' opens a collection of items, but a value follows: a list of "
                     "values is written '(' ... ')'");
            Expected("'item'");
          }
          TTextItem item;
          item.Line = Cur.Line;
          Next();
          ParseItemBody(item, depth + 1);
          v.Items.push_back(std::move(item));
        }
        Next();
        return v;
      case u'{': {
        v.Kind = TValueKind::Binary;
        // Raw hexadecimal up to the closing brace; Pos is just past '{'.
        size_t p = Cur.Start + 1;
        int line = Cur.Line;
        int nibble = -1;
        for (;;) {
          if (p >= T.size()) FailAt(line, "'}' expected but end of file found");
          char16_t c = T[p++];
          if (c == u'}') break;
          if (c == u'\n' || (c == u'\r' && !(p < T.size() && T[p] == u'\n'))) ++line;
          if (c == u' ' || c == u'\t' || c == u'\r' || c == u'\n') continue;
          int h = HexDigit(c);
          if (h < 0) FailAt(line, "Invalid binary value");
          if (nibble < 0) {
            nibble = h;
          } else {
            v.Bytes.push_back(char((nibble << 4) | h));
            nibble = -1;
          }
        }
        if (nibble >= 0) FailAt(line, "Invalid binary value");
        Pos = p;
        Line = line;
        Next();
        return v;
      }
      default:
        Expected("Value");
    }
  }

  TTextProperty ParseProperty(int depth) {
    TTextProperty prop;
    prop.Line = Cur.Line;
    prop.Path = DottedIdent();
    ExpectSym(u'=');
    prop.Value = ParseValue(depth);
    return prop;
  }

  void ParseItemBody(TTextItem& item, int depth) {
    for (;;) {
      if (Cur.Kind == Tok::End || IsWord("object") || IsWord("inherited") || IsWord("inline"))
        Expected("'end'");
      if (IsWord("end")) {
        Next();
        return;
      }
      if (IsWord("item")) {
        // the previous item lacks its end: report it and let the collection go on
        item.Props.push_back(TTextProperty{Cur.Line, "", {}, "'end' expected but 'item' found"});
        return;
      }
      try {
        item.Props.push_back(ParseProperty(depth));
      } catch (const ParseError& e) {
        item.Props.push_back(TTextProperty{e.Line, "", {}, e.Message});
        Resync(e.Line);
      }
    }
  }

  void ParseObjectBody(TTextObject& obj, int depth) {
    for (;;) {
      if (Cur.Kind == Tok::End) {
        obj.TrailingErrors.push_back({Cur.Line, "'end' expected but end of file found"});
        return;
      }
      if (IsWord("end")) {
        Next();
        return;
      }
      try {
        if (IsWord("object") || IsWord("inherited") || IsWord("inline")) {
          obj.Children.push_back(ParseObject(depth + 1));
        } else {
          obj.Props.push_back(ParseProperty(depth));
        }
      } catch (const ParseError& e) {
        obj.Props.push_back(TTextProperty{e.Line, "", {}, e.Message});
        Resync(e.Line);
      }
    }
  }

  void ParseHeader(TTextObject& obj) {
    obj.Line = Cur.Line;
    if (!(IsWord("object") || IsWord("inherited") || IsWord("inline"))) Expected("'object'");
    obj.Keyword = Cur.Ident;
    for (char& ch : obj.Keyword)
      if (ch >= 'A' && ch <= 'Z') ch = char(ch - 'A' + 'a');
    Next();
    std::string first = ExpectIdent();
    if (IsSym(u':')) {
      Next();
      obj.Name = AsciiToUtf16(first);
      obj.ClassName = ExpectIdent();
    } else {
      obj.ClassName = first;
    }
    if (IsSym(u'[')) {  // creation order index of inherited forms: read and dropped
      Next();
      if (Cur.Kind != Tok::Integer) Expected("Number");
      Next();
      ExpectSym(u']');
    }
  }

  TTextObject ParseObject(int depth) {
    if (depth > kMaxDepth) Fail("Nesting too deep");
    TTextObject obj;
    ParseHeader(obj);
    ParseObjectBody(obj, depth);
    return obj;
  }
};

// --- formatting ------------------------------------------------------------------------------

void Indent(std::string& out, int n) {
  out.append(size_t(n), ' ');
}

std::string FormatFloat(double d) {
  if (std::isnan(d)) return "nan";
  if (std::isinf(d)) return d < 0 ? "-inf" : "inf";
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, d);
  std::string s(buf, r.ptr);
  if (s.find_first_of(".e") == std::string::npos) s += ".0";
  return s;
}

void FormatValue(std::string& out, const TTextValue& v, int indent);

void FormatProps(std::string& out, const std::vector<TTextProperty>& props, int indent) {
  for (const TTextProperty& p : props) {
    if (!p.Error.empty()) continue;
    Indent(out, indent);
    out += p.Path;
    out += " = ";
    FormatValue(out, p.Value, indent);
    out += '\n';
  }
}

void FormatValue(std::string& out, const TTextValue& v, int indent) {
  switch (v.Kind) {
    case TValueKind::Integer:
      out += std::to_string(v.Int);
      break;
    case TValueKind::Float:
      out += FormatFloat(v.Float);
      break;
    case TValueKind::String:
      out += FormatStringValue(v.Str, indent + 2);
      break;
    case TValueKind::Ident:
      out += v.Ident;
      break;
    case TValueKind::Set:
      out += '[';
      for (size_t i = 0; i < v.SetItems.size(); ++i) {
        if (i) out += ", ";
        out += v.SetItems[i];
      }
      out += ']';
      break;
    case TValueKind::List:
      out += '(';
      for (const TTextValue& e : v.List) {
        out += '\n';
        Indent(out, indent + 2);
        FormatValue(out, e, indent + 2);
      }
      out += ')';
      break;
    case TValueKind::Collection:
      out += '<';
      for (const TTextItem& item : v.Items) {
        out += '\n';
        Indent(out, indent + 2);
        out += "item\n";
        FormatProps(out, item.Props, indent + 4);
        Indent(out, indent + 2);
        out += "end";
      }
      out += '>';
      break;
    case TValueKind::Binary: {
      static const char* hex = "0123456789ABCDEF";
      out += '{';
      for (size_t i = 0; i < v.Bytes.size(); ++i) {
        if (i % 32 == 0) {
          out += '\n';
          Indent(out, indent + 2);
        }
        unsigned char b = static_cast<unsigned char>(v.Bytes[i]);
        out += hex[b >> 4];
        out += hex[b & 15];
      }
      out += '}';
      break;
    }
  }
}

void FormatObject(std::string& out, const TTextObject& obj, int indent) {
  Indent(out, indent);
  out += obj.Keyword.empty() ? "object" : obj.Keyword;
  out += ' ';
  if (!obj.Name.empty()) {
    out += Utf16ToUtf8(obj.Name);
    out += ": ";
  }
  out += obj.ClassName;
  out += '\n';
  FormatProps(out, obj.Props, indent + 2);
  for (const TTextObject& child : obj.Children) FormatObject(out, child, indent + 2);
  Indent(out, indent);
  out += "end\n";
}

}  // namespace

std::string FormatStringValue(std::u16string_view S, int IndentBy) {
  if (S.empty()) return "''";
  std::string out;
  size_t k = 0;  // units on the current line
  bool quoted = false;
  auto printable = [](char16_t c) { return c >= 0x20 && c <= 0x7E; };
  for (size_t i = 0; i < S.size(); ++i) {
    const char16_t c = S[i];
    if (printable(c) != quoted) {
      out += quoted ? "'" : "";
      quoted = printable(c);
      if (quoted) out += '\'';
    }
    if (quoted) {
      if (c == u'\'') out += '\'';
      out += char(c);
    } else {
      out += '#';
      out += std::to_string(unsigned(c));
    }
    ++k;
    // A long string is broken where a reader would break it: after a blank or a line feed, so
    // that no escape pair, doubled quote or surrogate pair is ever cut; a long word stays whole.
    if (k >= kStringPiece && (c == u' ' || c == u'\n') && i + 1 < S.size()) {
      if (quoted) out += '\'';
      quoted = false;
      out += " +\n";
      Indent(out, IndentBy);
      k = 0;
    }
  }
  if (quoted) out += '\'';
  return out;
}

TTextObject ParseObjectText(std::u16string_view Text, std::vector<TTextError>& Errors) {
  Parser p(Text);
  TTextObject obj;
  try {
    p.Next();
    p.ParseHeader(obj);
  } catch (const ParseError& e) {
    Errors.push_back({e.Line, e.Message});
    return obj;
  }
  p.ParseObjectBody(obj, 0);
  // Anything after the object's end is an error, reported once.
  if (p.Cur.Kind != Tok::End) Errors.push_back({p.Cur.Line, "Text after the end of the object"});
  return obj;
}

std::string FormatObjectText(const TTextObject& Object) {
  std::string out;
  FormatObject(out, Object, 0);
  return out;
}

bool PeekObjectHeader(std::u16string_view Text, std::string& ClassName, std::u16string& Name) {
  Parser p(Text);
  TTextObject obj;
  try {
    p.Next();
    p.ParseHeader(obj);
  } catch (const ParseError&) {
    return false;
  }
  ClassName = obj.ClassName;
  Name = obj.Name;
  return true;
}

}  // namespace synt
