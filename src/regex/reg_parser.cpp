// Parsing of the expression language into the node tree.
#include <algorithm>
#include <string>

#include "lists/char_utils.h"
#include "platform/utf.h"
#include "regex/reg_nodes.h"

namespace synt {
namespace regex_internal {

namespace {

constexpr char kUnexpectedEnd[] = "Unexpected end of expression";
constexpr char kNumberExpected[] = "Number is expected";
constexpr char kNoClosingBrace[] = "There is no closing \"}\"";
constexpr char kInvalidLoop[] = "Invalid loop specifier";
constexpr char kLoopMinMax[] = "Loop minimum must be less then loop maximum";
constexpr char kInvalidSetRange[] = "Invalid set range";
constexpr char kInvalidReference[] = "Invalid reference";
constexpr char kInvalidZeroWidth[] = "Invalid zero-width expression";
constexpr char kNotClosed[] = "Do not closed sub expression";
constexpr char kInvalidEscape[] = "Invalid escape char";
constexpr char kInvalidHex[] = "Invalid HEX char";
constexpr char kUnexpectedModifier[] = "Unexpected modifier";
constexpr char kTooComplex[] = "Expression is too complex";

[[noreturn]] void Fail(const char* message) {
  throw Exception(message);
}

[[noreturn]] void FailInteger(std::u16string_view text) {
  throw EConvertError("'" + Utf16ToUtf8(text) + "' is not a valid integer value");
}

bool IsAsciiHex(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

bool IsBuiltinClassLetter(char16_t c) {
  switch (c) {
    case u'c':
    case u'C':
    case u'g':
    case u'G':
    case u'h':
    case u'H':
    case u'k':
    case u'K':
    case u's':
    case u'S':
    case u'd':
    case u'D':
    case u'l':
    case u'L':
    case u'w':
    case u'W':
      return true;
    default:
      return false;
  }
}

// Without r the locale classes d, l, w fall back to the ASCII ones.
char16_t ClassLetterFor(char16_t c, uint16_t m) {
  if (m & rmLocaleClasses) return c;
  switch (c) {
    case u'd':
      return u'k';
    case u'l':
      return u'g';
    case u'w':
      return u'c';
    case u'D':
      return u'K';
    case u'L':
      return u'G';
    case u'W':
      return u'C';
    default:
      return c;
  }
}

int ModifierBit(char16_t c) {
  switch (c) {
    case u'i':
    case u'I':
      return rmIgnoreCase;
    case u'r':
    case u'R':
      return rmLocaleClasses;
    case u's':
    case u'S':
      return rmDotAll;
    case u'g':
    case u'G':
      return rmGreedy;
    case u'm':
    case u'M':
      return rmMultiLine;
    case u'x':
    case u'X':
      return rmExtended;
    default:
      return 0;
  }
}

class Parser {
 public:
  Parser(std::u16string_view s, uint16_t statics, const TRegExprHooks* hooks)
      : s_(s), static_(statics), hooks_(hooks) {}

  std::unique_ptr<TreRootNode> Run(uint16_t flags) {
    auto root = std::make_unique<TreRootNode>();
    root_ = root.get();
    root->Number = 0;
    root->slot = 0;
    root->top = true;
    root->Groups.push_back(root.get());
    ParseAlternatives(*root, flags, kNowhere, false);
    root->subtreeEnd = nextSlot_;
    return root;
  }
  int slotGroups() const { return nextSlot_; }
  // 0-based: after a failure, the unit the error is about (the opening "[" or "(" of what is not
  // closed, the start of a bad escape, quantifier or range), else where reading stopped.
  size_t Position() const { return errAt_ != kNowhere ? errAt_ : pos_; }

 private:
  using NodePtr = std::unique_ptr<TRENodeBase>;
  static constexpr size_t kNowhere = size_t(-1);

  [[noreturn]] void FailAt(size_t At, const char* Message) {
    errAt_ = At;
    Fail(Message);
  }

  // Reads the next significant unit: with x, blanks are skipped and "#" comments out the rest
  // of the line. Returns false at the end of the expression.
  bool Read(char16_t& c, uint16_t m) {
    for (;;) {
      if (pos_ >= s_.size()) return false;
      c = s_[pos_++];
      if (!(m & rmExtended)) return true;
      if (c == u'#') {
        while (pos_ < s_.size() && !IsLineBreakChar(s_[pos_])) ++pos_;
        continue;
      }
      if (IsSpaceChar(c)) continue;
      return true;
    }
  }
  // Open: where the construct being read began (the error is about it when the text ends).
  char16_t ReadOrFail(uint16_t m, size_t Open) {
    char16_t c;
    if (!Read(c, m)) FailAt(Open, kUnexpectedEnd);
    return c;
  }

  std::unique_ptr<TreSubExpr> NewGroup(bool numbered) {
    auto g = std::make_unique<TreSubExpr>();
    g->slot = nextSlot_++;
    if (numbered) {
      g->Number = nextNumber_++;
      root_->Groups.push_back(g.get());
    }
    return g;
  }

  struct NestGuard {
    explicit NestGuard(int& n) : n_(n) {
      if (++n_ > kMaxNesting || uintptr_t(__builtin_frame_address(0)) < StackFloor())
        Fail(kTooComplex);
    }
    ~NestGuard() { --n_; }
    int& n_;
  };

  // Alternatives of a group up to its ")" (the root: up to the end or a stray ")"); Open is the
  // position of the group's "(" (kNowhere for the root).
  void ParseAlternatives(TreSubExpr& g, uint16_t m, size_t Open, bool inBody) {
    for (;;) {
      auto br = std::make_unique<TreBranchNode>();
      char16_t stop = ParseSequence(*br, m, inBody);
      if (!br->Items.empty()) g.Items.push_back(std::move(br));
      if (stop == u'|') continue;
      if (stop == 0 && Open != kNowhere) FailAt(Open, kNotClosed);
      return;
    }
  }

  // One alternative; returns the "|" or ")" that ended it (consumed), or 0 at the end.
  char16_t ParseSequence(TreBranchNode& br, uint16_t m, bool inBody) {
    for (;;) {
      char16_t c;
      if (!Read(c, m)) return 0;
      switch (c) {
        case u'|':
        case u')':
          return c;
        case u'(': {
          size_t save = pos_;
          const size_t open = pos_ - 1;
          char16_t c2;
          if (Read(c2, m) && c2 == u'?') {
            char16_t c3 = ReadOrFail(m, open);
            if (c3 == u'=' || c3 == u'!') {
              br.Items.push_back(ParseAssertion(false, c3 == u'!', m, open));
            } else if (c3 == u'<') {
              char16_t c4 = ReadOrFail(m, open);
              if (c4 != u'=' && c4 != u'!') FailAt(pos_ - 1, kInvalidZeroWidth);
              br.Items.push_back(ParseAssertion(true, c4 == u'!', m, open));
            } else if (c3 == u'#') {
              while (pos_ < s_.size() && s_[pos_] != u')') ++pos_;
              if (pos_ < s_.size()) ++pos_;
            } else {
              // Inline modifiers: everything up to the next ")".
              size_t from = pos_ - 1;
              size_t to = from;
              while (to < s_.size() && s_[to] != u')') ++to;
              for (size_t i = from; i < to; ++i)
                if (s_[i] != u'-' && !ModifierBit(s_[i])) FailAt(i, kUnexpectedModifier);
              m = ApplyModifierLetters(s_.substr(from, to - from), m, static_);
              pos_ = to < s_.size() ? to + 1 : to;
            }
            break;
          }
          pos_ = save;
          NestGuard guard(nesting_);
          auto g = NewGroup(!inBody);
          ParseAlternatives(*g, m, open, inBody);
          g->subtreeEnd = nextSlot_;
          ParseQuantifier(*g, m);
          br.Items.push_back(std::move(g));
          break;
        }
        case u'[':
          br.Items.push_back(ParseSet(m));
          ParseQuantifier(*br.Items.back(), m);
          break;
        case u'.': {
          auto n = std::make_unique<TSpecCheckNode>();
          n->Kind = (m & rmDotAll) ? u'.' : u':';
          n->test.kind = (m & rmDotAll) ? CharTest::ckAny : CharTest::ckNotLineBreak;
          n->test.Finish();
          ParseQuantifier(*n, m);
          br.Items.push_back(std::move(n));
          break;
        }
        case u'^':
        case u'$': {
          auto n = std::make_unique<TSpecCheckNode>();
          if (c == u'^')
            n->Kind = (m & rmMultiLine) ? u'^' : u'A';
          else
            n->Kind = (m & rmMultiLine) ? u'$' : u'Z';
          br.Items.push_back(std::move(n));
          break;
        }
        case u'\\':
          br.Items.push_back(ParseEscape(m));
          break;
        default:
          br.Items.push_back(Literal(c, m));
          ParseQuantifier(*br.Items.back(), m);
          break;
      }
    }
  }

  NodePtr Literal(char16_t c, uint16_t m) {
    auto n = std::make_unique<TCharSeqNode>();
    n->IgnoreCase = m & rmIgnoreCase;
    n->Chars.assign(1, n->IgnoreCase ? CharUpper(c) : c);
    return n;
  }

  NodePtr ClassNode(char16_t letter) {
    auto n = std::make_unique<TSpecCheckNode>();
    n->Kind = letter;
    n->test.kind = CharTest::ckClass;
    n->test.ch = letter;
    n->test.hooks = hooks_;
    n->test.Finish();
    return n;
  }

  bool HookClassLetter(char16_t c) const {
    return hooks_ && hooks_->IsClassLetter && hooks_->IsClassLetter(c);
  }

  NodePtr ParseAssertion(bool behind, bool negative, uint16_t m, size_t Open) {
    NestGuard guard(nesting_);
    size_t save = pos_;
    ReadOrFail(m, Open);
    pos_ = save;
    auto z = std::make_unique<TZeroWidth>();
    z->LookBehind = behind;
    z->Negative = negative;
    z->Body = NewGroup(false);
    z->Body->top = true;
    ParseAlternatives(*z->Body, m, Open, true);
    z->Body->subtreeEnd = nextSlot_;
    // A look-behind runs leftwards, node by node: store its sequences backwards.
    if (behind) Reverse(*z->Body);
    return z;
  }

  static void Reverse(TreSubExpr& g) {
    for (auto& br : g.Items) {
      std::reverse(br->Items.begin(), br->Items.end());
      for (auto& n : br->Items)
        if (n->kind == nkSubExpr) Reverse(static_cast<TreSubExpr&>(*n));
    }
  }

  // The unit after "\" is taken as it stands, so "\ " and "\#" work with x.
  NodePtr ParseEscape(uint16_t m) {
    if (pos_ >= s_.size()) return Literal(u'\\', m);
    escape_ = pos_ - 1;
    char16_t c = s_[pos_++];
    NodePtr n;
    if (HookClassLetter(c)) {
      n = ClassNode(ClassLetterFor(c, m));
    } else if (char16_t e; CharEscape(c, e)) {
      n = Literal(e, m);
    } else if (IsBuiltinClassLetter(c)) {
      n = ClassNode(ClassLetterFor(c, m));
    } else if (c >= u'1' && c <= u'9') {
      int number = c - u'0';
      if (number >= nextNumber_) FailAt(escape_, kInvalidReference);
      auto r = std::make_unique<TRefNode>();
      r->GroupIndex = number;
      r->IgnoreCase = m & rmIgnoreCase;
      n = std::move(r);
    } else if (c == u'A' || c == u'B' || c == u'Z' || c == u'b' || c == u'z') {
      auto s = std::make_unique<TSpecCheckNode>();
      s->Kind = c;
      n = std::move(s);
    } else {
      n = Literal(c, m);
    }
    ParseQuantifier(*n, m);
    return n;
  }

  // The character escapes; "x" reads its hexadecimal digits.
  bool CharEscape(char16_t c, char16_t& out) {
    switch (c) {
      case u'a':
        out = 7;
        return true;
      case u'e':
        out = 27;
        return true;
      case u'f':
        out = 12;
        return true;
      case u'n':
        out = 10;
        return true;
      case u'r':
        out = 13;
        return true;
      case u't':
        out = 9;
        return true;
      case u'x':
        out = ParseHex();
        return true;
      default:
        return false;
    }
  }

  char16_t ParseHex() {
    if (pos_ >= s_.size()) FailAt(escape_, kInvalidEscape);
    std::u16string_view digits;
    if (s_[pos_] == u'{') {
      size_t close = s_.find(u'}', pos_ + 1);
      if (close == std::u16string_view::npos) FailAt(pos_, kNoClosingBrace);
      digits = s_.substr(pos_ + 1, close - pos_ - 1);
      while (!digits.empty() && IsSpaceChar(digits.front())) digits.remove_prefix(1);
      while (!digits.empty() && IsSpaceChar(digits.back())) digits.remove_suffix(1);
      pos_ = close + 1;
    } else {
      size_t n = std::min<size_t>(2, s_.size() - pos_);
      digits = s_.substr(pos_, n);
      pos_ += n;
    }
    try {
      return HexEscapeValue(digits);
    } catch (...) {
      errAt_ = escape_;
      throw;
    }
  }

  // One member of a set: a unit, or a class letter.
  struct SetItem {
    bool isClass = false;
    bool escaped = false;
    char16_t ch = 0;
  };
  SetItem ReadSetItem(char16_t c, uint16_t m, size_t Open) {
    SetItem it;
    it.ch = c;
    if (c != u'\\') return it;
    if (pos_ >= s_.size()) FailAt(Open, kUnexpectedEnd);
    escape_ = pos_ - 1;
    char16_t e = s_[pos_++];
    it.escaped = true;
    char16_t v;
    if (HookClassLetter(e) || (!CharEscapeLetter(e) && IsBuiltinClassLetter(e))) {
      it.isClass = true;
      it.ch = ClassLetterFor(e, m);
    } else if (CharEscape(e, v)) {
      it.ch = v;
    } else {
      it.ch = e;
    }
    return it;
  }
  static bool CharEscapeLetter(char16_t c) {
    return c == u'a' || c == u'e' || c == u'f' || c == u'n' || c == u'r' || c == u't' || c == u'x';
  }

  NodePtr ParseSet(uint16_t m) {
    auto n = std::make_unique<TCharSetNode>();
    CharTest& t = n->test;
    t.kind = CharTest::ckSet;
    t.ignoreCase = m & rmIgnoreCase;
    t.hooks = hooks_;
    auto addSingle = [&](char16_t c) {
      if (t.ignoreCase) c = CharUpper(c);
      if (t.singles.find(c) == std::u16string::npos) t.singles.push_back(c);
    };
    auto addClass = [&](char16_t c) {
      if (t.classes.find(c) == std::u16string::npos) t.classes.push_back(c);
    };
    const size_t open = pos_ - 1;  // the "["
    char16_t c = ReadOrFail(m, open);
    if (c == u'^') {
      t.negated = true;
      c = ReadOrFail(m, open);
    } else if (c == u']') {
      addSingle(c);
      c = ReadOrFail(m, open);
    }
    bool pending = false;
    char16_t pendingCh = 0;
    size_t pendingAt = 0;
    for (;;) {
      if (c == u']') break;
      const size_t at = pos_ - 1;
      SetItem it = ReadSetItem(c, m, open);
      if (!it.escaped && c == u'-' && pending) {
        char16_t c2 = ReadOrFail(m, open);
        pending = false;
        if (c2 == u']') {
          addSingle(pendingCh);
          addSingle(u'-');
          break;
        }
        SetItem b = ReadSetItem(c2, m, open);
        if (b.isClass) {
          addSingle(pendingCh);
          addSingle(u'-');
          addClass(b.ch);
        } else {
          if (b.ch < pendingCh) FailAt(pendingAt, kInvalidSetRange);
          t.ranges.push_back(pendingCh);
          t.ranges.push_back(b.ch);
        }
      } else {
        if (pending) addSingle(pendingCh);
        pending = false;
        if (it.isClass) {
          addClass(it.ch);
        } else {
          pending = true;
          pendingCh = it.ch;
          pendingAt = at;
        }
      }
      c = ReadOrFail(m, open);
    }
    if (pending) addSingle(pendingCh);
    t.Finish();
    return n;
  }

  int ReadNumber(uint16_t m) {
    size_t save = pos_;
    char16_t c;
    if (!Read(c, m) || c < u'0' || c > u'9') {
      pos_ = save;
      Fail(kNumberExpected);
    }
    const size_t start = pos_ - 1;
    std::u16string digits(1, c);
    for (;;) {
      save = pos_;
      if (!Read(c, m) || c < u'0' || c > u'9') {
        pos_ = save;
        break;
      }
      digits.push_back(c);
    }
    int64_t v = 0;
    for (char16_t d : digits) {
      v = v * 10 + (d - u'0');
      if (v > INT32_MAX) {
        errAt_ = start;
        FailInteger(digits);
      }
    }
    return int(v);
  }

  // After a "{" at Open.
  void ParseBraces(TRENodeBase& n, uint16_t m, size_t Open) {
    int lo = ReadNumber(m);
    int hi = lo;
    char16_t c;
    if (!Read(c, m)) FailAt(Open, kInvalidLoop);
    if (c == u',') {
      size_t save = pos_;
      char16_t c2;
      if (!Read(c2, m)) Fail(kNumberExpected);
      if (c2 == u'}') {
        hi = -1;
      } else if (c2 >= u'0' && c2 <= u'9') {
        pos_ = save;
        hi = ReadNumber(m);
        char16_t c3;
        if (!Read(c3, m)) FailAt(Open, kNoClosingBrace);
        if (c3 != u'}') FailAt(pos_ - 1, kNoClosingBrace);
        if (hi < lo) FailAt(Open, kLoopMinMax);
      } else {
        FailAt(pos_ - 1, kNumberExpected);
      }
    } else if (c != u'}') {
      FailAt(pos_ - 1, kInvalidLoop);
    }
    n.MinCount = lo;
    n.MaxCount = hi == 0 ? -1 : hi;
  }

  void ParseQuantifier(TRENodeBase& n, uint16_t m) {
    size_t save = pos_;
    char16_t c;
    if (!Read(c, m)) return;
    switch (c) {
      case u'*':
        n.MinCount = 0;
        n.MaxCount = -1;
        break;
      case u'+':
        n.MinCount = 1;
        n.MaxCount = -1;
        break;
      case u'?':
        n.MinCount = 0;
        n.MaxCount = 1;
        break;
      case u'{':
        ParseBraces(n, m, pos_ - 1);
        break;
      default:
        pos_ = save;
        return;
    }
    save = pos_;
    if (Read(c, m) && c == u'?') {
      n.Lazy = true;
    } else {
      pos_ = save;
      n.Lazy = !(m & rmGreedy);
    }
  }

  std::u16string_view s_;
  size_t pos_ = 0;
  uint16_t static_;
  const TRegExprHooks* hooks_;
  TreRootNode* root_ = nullptr;
  int nextNumber_ = 1;
  int nextSlot_ = 1;
  int nesting_ = 0;
  size_t escape_ = 0;        // the "\\" of the escape being read
  size_t errAt_ = kNowhere;  // see Position
};

}  // namespace

uint16_t ApplyModifierLetters(std::u16string_view letters, uint16_t flags, uint16_t statics) {
  bool on = true;
  for (char16_t c : letters) {
    if (c == u'-') {
      on = false;
      continue;
    }
    int bit = ModifierBit(c);
    if (!bit) Fail(kUnexpectedModifier);
    if (statics & bit) continue;
    flags = on ? (flags | bit) : (flags & ~bit);
  }
  return flags;
}

char16_t HexEscapeValue(std::u16string_view digits) {
  if (digits.empty()) FailInteger(digits);
  uint32_t v = 0;
  bool big = false;
  for (char16_t d : digits) {
    if (!IsAsciiHex(d)) FailInteger(digits);
    int x = d <= u'9' ? d - u'0' : (d | 0x20) - u'a' + 10;
    v = v * 16 + x;
    if (v > 0xFFFF) big = true, v = 0x10000;
  }
  if (big) Fail(kInvalidHex);
  return char16_t(v);
}

bool ClassTest(char16_t letter, char16_t c, const TRegExprHooks* hooks) {
  if (hooks && hooks->TestClass) {
    bool in = false;
    if (hooks->TestClass(c, letter, in)) return in;
  }
  bool negate = letter >= u'A' && letter <= u'Z';
  char16_t l = negate ? char16_t(letter + 32) : letter;
  bool r;
  switch (l) {
    case u'c':
      r = IsAsciiIdentChar(c);
      break;
    case u'g':
      r = IsAsciiIdentStart(c);
      break;
    case u'k':
      r = IsAsciiDigit(c);
      break;
    case u'h':
      r = IsHexDigitChar(c);
      break;
    case u's':
      r = IsSpaceChar(c);
      break;
    case u'd':
      r = IsDigitChar(c);
      break;
    case u'l':
      r = IsLetterChar(c);
      break;
    case u'w':
      r = IsWordChar(c);
      break;
    default:
      return false;
  }
  return r != negate;
}

bool CharTest::Eval(char16_t c) const {
  switch (kind) {
    case ckLiteral:
      return ignoreCase ? CharUpper(c) == ch : c == ch;
    case ckAny:
      return true;
    case ckNotLineBreak:
      return !IsLineBreakChar(c);
    case ckClass:
      return ClassTest(ch, c, hooks);
    case ckSet:
      break;
  }
  bool member = false;
  // Ranges are kept as written and tested with the unit and its case variants, so that a range
  // spanning letters and other units ([0-z]) loses nothing under ignore-case.
  char16_t up = ignoreCase ? CharUpper(c) : c;
  char16_t lo = ignoreCase ? CharLower(c) : c;
  for (size_t i = 0; i + 1 < ranges.size() && !member; i += 2) {
    char16_t a = ranges[i], b = ranges[i + 1];
    member = (c >= a && c <= b) || (up >= a && up <= b) || (lo >= a && lo <= b);
  }
  for (size_t i = 0; i < classes.size() && !member; ++i) member = ClassTest(classes[i], up, hooks);
  if (!member) member = singles.find(up) != std::u16string::npos;
  return member != negated;
}

namespace {
// Units above 255 whose simple upper or lower case lies below 256 (such as U+017F and U+212A).
const std::u16string& HighUnitsWithLowCase() {
  static const std::u16string list = [] {
    std::u16string l;
    for (unsigned c = 256; c < 0x10000; ++c)
      if (CharUpper(char16_t(c)) < 256 || CharLower(char16_t(c)) < 256) l.push_back(char16_t(c));
    return l;
  }();
  return list;
}

bool AllBelow256(const std::u16string& s) {
  return std::all_of(s.begin(), s.end(), [](char16_t c) { return c < 256; });
}
}  // namespace

void CharTest::Finish() {
  for (int i = 0; i < 4; ++i) low[i] = 0;
  for (unsigned c = 0; c < 256; ++c)
    if (Eval(char16_t(c))) low[c >> 6] |= uint64_t(1) << (c & 63);
  switch (kind) {
    case ckLiteral:
      high = (ignoreCase || ch >= 256) ? hEval : hNone;
      if (ignoreCase && ch < 256) high = LowOnly() ? hNone : hEval;
      break;
    case ckAny:
      high = hAll;
      break;
    case ckNotLineBreak:  // line breaks above 255 (U+0085 is below) need the test
      high = hEval;
      break;
    case ckClass: {
      char16_t l = ch | 0x20;
      bool ascii = l == u'c' || l == u'g' || l == u'k';
      if (hooks && hooks->TestClass)
        high = hEval;
      else if (ascii)
        high = (ch >= u'A' && ch <= u'Z') ? hAll : hNone;
      else
        high = hEval;
      break;
    }
    default:
      high = hEval;
      if (!negated && classes.empty() && AllBelow256(ranges) && AllBelow256(singles))
        high = (!ignoreCase || LowOnly()) ? hNone : hEval;
      break;
  }
}

// Whether no unit above 255 passes, for tests whose own units are all below 256.
bool CharTest::LowOnly() const {
  for (char16_t c : HighUnitsWithLowCase())
    if (Eval(c)) return false;
  return true;
}

CharFilter CharTest::Filter() const {
  CharFilter f;
  for (int i = 0; i < 4; ++i) f.low[i] = low[i];
  f.high = high != hNone;
  return f;
}

std::unique_ptr<TreRootNode> ParseExpression(std::u16string_view expr, uint16_t flags,
                                             uint16_t statics, const TRegExprHooks* hooks,
                                             int& slotGroups, int* errorPos) {
  Parser p(expr, statics, hooks);
  try {
    auto root = p.Run(flags);
    slotGroups = p.slotGroups();
    return root;
  } catch (...) {
    if (errorPos) *errorPos = int(p.Position()) + 1;
    throw;
  }
}

}  // namespace regex_internal
}  // namespace synt
