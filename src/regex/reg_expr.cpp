#include "regex/reg_expr.h"

#include <unicode/uchar.h>

#include <mutex>
#include <vector>

#include "lists/char_utils.h"
#include "platform/properties.h"
#include "regex/reg_lean.h"
#include "regex/reg_nodes.h"

namespace synt {

std::atomic<uint16_t> DefaultModifiers{0x3B};

namespace {

std::mutex& HooksMutex() {
  static std::mutex m;
  return m;
}
std::shared_ptr<const TRegExprHooks>& HooksSlot() {
  static std::shared_ptr<const TRegExprHooks> h;
  return h;
}
std::atomic<uint64_t> g_hooksGeneration{0};

constexpr char16_t kModifierLetters[] = u"irsgmx";
constexpr uint16_t kModifierBits[] = {rmIgnoreCase, rmLocaleClasses, rmDotAll,
                                      rmGreedy,     rmMultiLine,     rmExtended};

}  // namespace

void SetRegExprHooks(TRegExprHooks Hooks) {
  std::shared_ptr<const TRegExprHooks> p;
  if (Hooks.IsClassLetter || Hooks.TestClass)
    p = std::make_shared<const TRegExprHooks>(std::move(Hooks));
  std::lock_guard<std::mutex> lock(HooksMutex());
  HooksSlot() = std::move(p);
  g_hooksGeneration.fetch_add(1);
}

std::shared_ptr<const TRegExprHooks> RegExprHooks() {
  std::lock_guard<std::mutex> lock(HooksMutex());
  return HooksSlot();
}

uint64_t RegExprHooksGeneration() {
  return g_hooksGeneration.load();
}

// ---- TqxRegMatch --------------------------------------------------------------------------------

TqxRegMatch::TqxRegMatch() = default;
TqxRegMatch::~TqxRegMatch() = default;
TqxRegMatch::TqxRegMatch(const TqxRegMatch&) = default;
TqxRegMatch& TqxRegMatch::operator=(const TqxRegMatch&) = default;

int TqxRegMatch::Start(int Index) const {
  if (!matched_ || Index < 0 || Index >= Count()) return -1;
  int v = bounds_[2 * Index];
  return v > 0 ? v : -1;
}

int TqxRegMatch::End(int Index) const {
  if (!matched_ || Index < 0 || Index >= Count()) return -1;
  int v = bounds_[2 * Index + 1];
  return v > 0 ? v : -1;
}

std::u16string_view TqxRegMatch::SubExpr(std::u16string_view S, int Index) const {
  int a = Start(Index), b = End(Index);
  if (a < 0 || b < 0) return {};
  if (a > b) std::swap(a, b);
  // Bounds come from a match on S; a different S must not be read past its end.
  size_t from = std::min(size_t(a - 1), S.size());
  size_t to = std::min(size_t(b - 1), S.size());
  return S.substr(from, to - from);
}

// ---- TqxRegProgram ------------------------------------------------------------------------------

TqxRegProgram::TqxRegProgram(std::unique_ptr<regex_internal::Program> P) : p_(std::move(P)) {
  lean_ = p_->lean.get();
  hasSecond_ = p_->hasSecond;
  second_ = p_->second;
  for (auto& br : p_->root->Items) {
    const auto& first = *br->Items.front();
    for (int i = 0; i < 4; ++i) first_.low[i] |= first.first1.low[i];
    first_.high |= first.first1.high;
    nullable_ |= first.nullable1;
  }
}

TqxRegProgram::~TqxRegProgram() = default;

bool TqxRegProgram::CertainStart(TqxCharFilter& Units) const {
  using namespace regex_internal;
  // One alternative only: an earlier one could match nothing and end the match there.
  if (p_->root->Items.size() != 1) return false;
  auto unitTest = [](const TRENodeBase& n) -> const CharTest* {
    switch (n.kind) {
      case nkCharSeq: {
        auto& c = static_cast<const TCharSeqNode&>(n);
        return c.Chars.size() == 1 ? &c.test : nullptr;
      }
      case nkCharSet:
        return &static_cast<const TCharSetNode&>(n).test;
      case nkSpecCheck: {
        auto& c = static_cast<const TSpecCheckNode&>(n);
        return c.IsSingleChar() ? &c.test : nullptr;
      }
      default:
        return nullptr;
    }
  };
  const auto& items = p_->root->Items.front()->Items;
  const CharTest* first = items.empty() ? nullptr : unitTest(*items.front());
  if (!first || items.front()->MinCount != 1) return false;
  for (size_t i = 1; i < items.size(); ++i) {
    const TRENodeBase& n = *items[i];
    const bool optionalRun = n.kind == nkCharSeq || unitTest(n);
    if (!optionalRun || n.MinCount != 0) return false;
  }
  Units = TqxCharFilter();
  for (int i = 0; i < 4; ++i) Units.low[i] = first->low[i];
  Units.high = first->high == CharTest::hAll;
  return true;
}

int TqxRegProgram::SubExprCount() const {
  return p_->groupCount;
}

// ---- TqxRegExpr ---------------------------------------------------------------------------------

namespace {
void DescribeRegExpr(TPropertyList& L) {
  TPropsOf<TqxRegExpr> p(L);
  p.String("Expression", &TqxRegExpr::Expression, &TqxRegExpr::SetExpression);
  p.String("ModifierStr", &TqxRegExpr::ModifierStr, &TqxRegExpr::SetModifierStr).NotStored();
  p.Integer("ModifierFlags", &TqxRegExpr::ModifierFlags, &TqxRegExpr::SetModifierFlags);
  p.Integer("ModifiersStatic", &TqxRegExpr::ModifiersStatic, &TqxRegExpr::SetModifiersStatic);
  p.Integer("CodePage", &TqxRegExpr::CodePage, &TqxRegExpr::SetCodePage).Def(0);
}
}  // namespace

const TClassInfo& TqxRegExpr::StaticClassInfo() {
  static const TClassInfo info("TqxRegExpr", &TPersistent::StaticClassInfo(), DescribeRegExpr);
  return info;
}

TqxRegExpr::TqxRegExpr() : flags_(DefaultModifiers.load()) {}

TqxRegExpr::TqxRegExpr(std::u16string_view Expression)
    : expression_(Expression), flags_(DefaultModifiers.load()) {}

// A copy is a second expression with the same settings and compiled program (shared, immutable)
// and the same last match.
TqxRegExpr::TqxRegExpr(const TqxRegExpr& Source)
    : TPersistent(),
      expression_(Source.expression_),
      flags_(Source.flags_),
      static_(Source.static_),
      codePage_(Source.codePage_),
      program_(Source.program_),
      compiled_(Source.compiled_),
      hooksGen_(Source.hooksGen_),
      error_(Source.error_),
      errorPos_(Source.errorPos_),
      errorIsConvert_(Source.errorIsConvert_),
      match_(Source.match_) {}

TqxRegExpr& TqxRegExpr::operator=(const TqxRegExpr& Source) {
  if (&Source == this) return *this;
  expression_ = Source.expression_;
  flags_ = Source.flags_;
  static_ = Source.static_;
  codePage_ = Source.codePage_;
  program_ = Source.program_;
  compiled_ = Source.compiled_;
  hooksGen_ = Source.hooksGen_;
  error_ = Source.error_;
  errorPos_ = Source.errorPos_;
  errorIsConvert_ = Source.errorIsConvert_;
  match_ = Source.match_;
  return *this;
}

TqxRegExpr::~TqxRegExpr() = default;

void TqxRegExpr::Assign(const TqxRegExpr& Source) {
  if (&Source == this) return;
  codePage_ = Source.codePage_;
  expression_ = Source.expression_;
  flags_ = Source.flags_;
  Discard();
}

void TqxRegExpr::Assign(const TPersistent* Source) {
  if (auto* r = dynamic_cast<const TqxRegExpr*>(Source)) return Assign(*r);
  TPersistent::Assign(Source);
}

void TqxRegExpr::Discard() {
  program_.reset();
  compiled_ = false;
  error_.clear();
  errorPos_ = 0;
  match_.matched_ = false;
}

void TqxRegExpr::SetExpression(std::u16string_view Value) {
  expression_ = Value;
  Discard();
}

void TqxRegExpr::SetModifierFlags(uint16_t Value) {
  flags_ = Value & rmAll;
  Discard();
}

void TqxRegExpr::SetModifiersStatic(uint16_t Value) {
  static_ = Value & rmAll;
  Discard();
}

void TqxRegExpr::SetModifier(uint16_t Mask, bool On) {
  SetModifierFlags(On ? (flags_ | Mask) : (flags_ & ~Mask));
}

std::u16string TqxRegExpr::ModifierStr() const {
  std::u16string s = u"(?";
  std::u16string off;
  for (int i = 0; i < 6; ++i) {
    if (flags_ & kModifierBits[i])
      s.push_back(kModifierLetters[i]);
    else
      off.push_back(kModifierLetters[i]);
  }
  if (!off.empty()) s += u"-" + off;
  s.push_back(u')');
  return s;
}

void TqxRegExpr::SetModifierStr(std::u16string_view Value) {
  if (Value.size() <= 2 || Value.substr(0, 2) != u"(?") return;
  // All letters or none: a bad letter leaves the modifiers as they were.
  uint16_t f =
      regex_internal::ApplyModifierLetters(Value.substr(2, Value.size() - 3), flags_, static_);
  // A tree compiled with the old modifiers would go on matching with them.
  flags_ = f;
  Discard();
}

void TqxRegExpr::SetCodePage(uint32_t Value) {
  if (Value == codePage_) return;
  codePage_ = Value;
  Discard();
}

bool TqxRegExpr::EnsureCompiled() {
  uint64_t gen = RegExprHooksGeneration();
  if (compiled_ && gen == hooksGen_) return program_ != nullptr;
  program_.reset();
  error_.clear();
  errorPos_ = 0;
  match_.matched_ = false;
  hooksGen_ = gen;
  compiled_ = true;
  try {
    auto p = regex_internal::Compile(expression_, flags_, static_, RegExprHooks(), &errorPos_);
    if (!p->root->Items.empty()) program_ = std::make_shared<const TqxRegProgram>(std::move(p));
  } catch (const EConvertError& e) {
    error_ = e.what();
    errorIsConvert_ = true;
  } catch (const std::exception& e) {
    error_ = e.what();
    errorIsConvert_ = false;
  }
  return program_ != nullptr;
}

void TqxRegExpr::Compile() {
  if (!EnsureCompiled() && !error_.empty()) {
    if (errorIsConvert_) throw EConvertError(error_);
    throw Exception(error_);
  }
}

bool TqxRegExpr::IsInvalid() {
  return !EnsureCompiled();
}

std::string TqxRegExpr::InvalidReason(int* Pos) {
  if (Pos) *Pos = 0;
  if (EnsureCompiled()) return {};
  // The first "#" that x turns into a comment (in a set too): the likely cause when it is there.
  size_t hash = std::u16string::npos;
  if (flags_ & rmExtended)
    for (size_t i = 0; i < expression_.size(); ++i) {
      if (expression_[i] == u'\\') {
        ++i;
      } else if (expression_[i] == u'#') {
        hash = i;
        break;
      }
    }
  std::string why = error_;
  int at = errorPos_;
  std::vector<std::string> hints;
  if (why.empty()) {
    bool blank = true;
    for (char16_t c : expression_) blank = blank && IsSpaceChar(c);
    why = blank ? "the expression is empty" : "the expression holds nothing to match";
    at = hash == std::u16string::npos ? 0 : int(hash) + 1;
  } else if ((why == "Unexpected end of expression" || why == "Do not closed sub expression") &&
             at >= 1 && size_t(at) <= expression_.size()) {
    // The position is the opening unit of what the text ended inside.
    const char16_t open = expression_[size_t(at) - 1];
    if (open == u'[')
      hints.push_back(
          "the set that \"[\" opens is not closed with \"]\"; write \\[ for the "
          "character itself");
    else if (open == u'(')
      hints.push_back(
          "the group that \"(\" opens is not closed with \")\"; write \\( for the "
          "character itself");
  }
  if (hash != std::u16string::npos)
    hints.push_back(
        "with the x modifier \"#\" starts a comment to the end of the line: write \\# "
        "for the character");
  for (size_t i = 0; i < hints.size(); ++i) why += (i ? "; " : " (") + hints[i];
  if (!hints.empty()) why += ")";
  if (Pos) *Pos = at;
  return why;
}

int TqxRegExpr::SubExprCount() {
  return EnsureCompiled() ? program_->SubExprCount() : 0;
}

std::shared_ptr<const TqxRegProgram> TqxRegExpr::Program() {
  EnsureCompiled();
  return program_;
}

bool TqxRegExpr::Match(std::u16string_view S, int& Pos, bool Backward) {
  if (!EnsureCompiled()) {
    match_.matched_ = false;
    match_.count_ = 0;
    return false;
  }
  return program_->Match(S, Pos, match_, Backward);
}

int TqxRegExpr::MatchLength(std::u16string_view S, int Pos, bool Backward) {
  int p = Pos < 1 ? 1 : Pos;
  int start = p;
  if (!Match(S, p, Backward)) return 0;
  return Backward ? start - p : p - start;
}

std::u16string TqxRegExpr::GetSubExpr(std::u16string_view S, int Index) const {
  return std::u16string(match_.SubExpr(S, Index));
}

std::u16string TqxRegExpr::Substitute(std::u16string_view S, std::u16string_view Template) const {
  return ExpandTemplate(S, Template, match_);
}

std::u16string ExpandTemplate(std::u16string_view S, std::u16string_view T, const TqxRegMatch& M) {
  std::u16string out;
  out.reserve(T.size());
  size_t i = 0;
  while (i < T.size()) {
    char16_t c = T[i];
    if (c != u'\\' || i + 1 >= T.size()) {
      out.push_back(c);
      ++i;
      continue;
    }
    char16_t d = T[i + 1];
    i += 2;
    if (IsDigitChar(d)) {
      int v = u_charDigitValue(d);
      if (v >= 0) out += M.SubExpr(S, v);
      continue;
    }
    switch (d) {
      case u'a':
        out.push_back(7);
        break;
      case u'e':
        out.push_back(27);
        break;
      case u'f':
        out.push_back(12);
        break;
      case u'n':
        out.push_back(10);
        break;
      case u'r':
        out.push_back(13);
        break;
      case u't':
        out.push_back(9);
        break;
      case u'x': {
        if (i >= T.size()) throw Exception("Invalid escape char");
        if (T[i] == u'{') {
          size_t close = T.find(u'}', i + 1);
          if (close == std::u16string_view::npos) throw Exception("There is no closing \"}\"");
          std::u16string_view digits = T.substr(i + 1, close - i - 1);
          while (!digits.empty() && IsSpaceChar(digits.front())) digits.remove_prefix(1);
          while (!digits.empty() && IsSpaceChar(digits.back())) digits.remove_suffix(1);
          out.push_back(regex_internal::HexEscapeValue(digits));
          i = close + 1;
        } else {
          size_t n = std::min<size_t>(2, T.size() - i);
          out.push_back(regex_internal::HexEscapeValue(T.substr(i, n)));
          i += n;
        }
        break;
      }
      default:
        out.push_back(d);
        break;
    }
  }
  return out;
}

}  // namespace synt
