// Regular expressions in the library's own dialect, matched anchored at one position of a text,
// forwards or backwards; the engine behind token rules, block conditions, search and auto-replace.
//
//   synt::TqxRegExpr re(u"[a-z_]\\w*");            // default modifiers "(?irgmx-s)"
//   int pos = 1;
//   if (re.Match(text, pos)) { ... }                // pos is now just past the identifier
//   std::u16string word = re.GetSubExpr(text, 0);
//   std::u16string out = re.Substitute(text, u"<\\0>");
//
//   // Callers that try an expression at every position (tokenizers) use the compiled program:
//   // no copy of the text, no allocation per match, a first-character filter, and one
//   // TqxRegMatch per thread so that several threads can share one program.
//   std::shared_ptr<const synt::TqxRegProgram> prog = re.Program();   // null when invalid
//   synt::TqxRegMatch m;
//   if (prog && prog->MayMatchAt(text, p)) {
//     int len = prog->MatchLength(text, p, m);       // -1: no match
//   }
//
// Positions are 1-based indexes of UTF-16 code units; text.size() + 1 is the end of the text.
// A TqxRegExpr keeps its last match, so one object serves one thread; the compiled program does
// not, and threads may share it (each with its own TqxRegMatch). The program stays valid after
// the expression is changed or destroyed.
//
// Points of the dialect worth knowing:
// - Backwards, the expression is read from its first node leftwards from Pos: "cba" backwards
//   matches "abc" ending at Pos (a look-behind body is stored reversed and reads forwards).
// - With x (a default) blanks are skipped everywhere, inside sets too, and "#" starts a comment;
//   write a blank as "\ " or " " and "#" as "\#".
// - An empty alternative is dropped: "(a|)" is "(a)". A group prefers the first alternative that
//   lets everything after it match; an occurrence of a repeated group keeps the alternative it
//   chose ("(a|ab)*c" does not match "ababc").
// - Every match has a work budget (TqxRegMatch::SetBudget); a match that exhausts it, or that
//   would need more stack than the thread has, reports no match (BudgetExhausted()).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/object.h"
#include "platform/persistent.h"

namespace synt {

namespace regex_internal {
struct Program;
struct MatchRun;
struct LeanProgram;
}  // namespace regex_internal

// Modifier bits (letters i r s g m x).
enum : uint16_t {
  rmIgnoreCase = 1,     // i: literals, sets and back references ignore case
  rmLocaleClasses = 2,  // r: \d \l \w use the locale classes (else the ASCII ones)
  rmDotAll = 4,         // s: "." also matches line breaks
  rmGreedy = 8,         // g: quantifiers are greedy unless followed by "?"
  rmMultiLine = 16,     // m: "^" and "$" match at every line
  rmExtended = 32,      // x: blanks are skipped and "#" starts a comment
  rmAll = 63,
};

// Modifiers every new expression starts with: i, r, g, m, x.
extern std::atomic<uint16_t> DefaultModifiers;

// Optional extension of the class letters. IsClassLetter tells whether "\L" (for a letter L) is a
// class; TestClass tests C against a class letter and returns false when it has no answer (the
// built-in classes decide then). Both must be pure functions. They are read when an expression
// is compiled; TqxRegExpr recompiles after SetRegExprHooks.
struct TRegExprHooks {
  std::function<bool(char16_t Letter)> IsClassLetter;
  std::function<bool(char16_t C, char16_t Letter, bool& InClass)> TestClass;
};
void SetRegExprHooks(TRegExprHooks Hooks);
std::shared_ptr<const TRegExprHooks> RegExprHooks();  // null when none is set
uint64_t RegExprHooksGeneration();

// A superset of the UTF-16 units that a match can start with (exact below 256).
struct TqxCharFilter {
  uint64_t low[4] = {0, 0, 0, 0};
  bool high = false;  // some unit above 255 may start a match
  bool Test(char16_t c) const { return c < 256 ? (low[c >> 6] >> (c & 63)) & 1 : high; }
};

// The state and result of one match. Reuse one object for many matches (it keeps its buffers);
// use one per thread.
class TqxRegMatch {
 public:
  TqxRegMatch();
  ~TqxRegMatch();
  TqxRegMatch(const TqxRegMatch&);
  TqxRegMatch& operator=(const TqxRegMatch&);

  bool Matched() const { return matched_; }
  // Number of groups of the expression last matched, the whole match (index 0) included.
  int Count() const { return count_; }
  // 1-based bounds of group Index (End is the position after its last unit); -1 when unset.
  int Start(int Index = 0) const;
  int End(int Index = 0) const;
  // The text of group Index in S (the text that was matched); empty when unset.
  std::u16string_view SubExpr(std::u16string_view S, int Index) const;
  // Whether the last match gave up because it exceeded its work budget (it reported no match).
  bool BudgetExhausted() const { return exhausted_; }
  // The most backtracking memory, in ints, that the matches made with this object have needed at
  // once (it is kept for reuse, so it only grows).
  size_t ScratchUnits() const { return scratch_.size(); }
  // The furthest 1-based position the last AnchoredLength read, whether it matched or not
  // (S.size() + 1 when the answer depended on where the text ends): a text that differs only
  // after it gives the same answer.
  int Reach() const { return reach_; }

  // Work allowed per match, in steps (a step is one node attempt or one unit scanned). 0 (the
  // default) allows 1 000 000 + 64 steps per unit of the text, which no sensible token rule
  // reaches even on a 1 MB line while a runaway expression gives up in a few milliseconds per kB.
  void SetBudget(int64_t Steps) { budget_ = Steps; }
  int64_t Budget() const { return budget_; }

 private:
  friend class TqxRegProgram;
  friend class TqxRegExpr;
  void Reset() { matched_ = false; }
  bool matched_ = false;
  bool exhausted_ = false;
  int count_ = 0;
  int reach_ = 0;
  int64_t budget_ = 0;
  std::vector<int> bounds_;   // start, end per group number
  std::vector<int> caps_;     // per capture slot while matching
  std::vector<int> scratch_;  // saved capture slots
  std::vector<int> positions_;
};

// A compiled expression: immutable, so any number of threads may match with it at once (each
// with its own TqxRegMatch).
class TqxRegProgram {
 public:
  explicit TqxRegProgram(std::unique_ptr<regex_internal::Program> P);
  ~TqxRegProgram();
  TqxRegProgram(const TqxRegProgram&) = delete;
  TqxRegProgram& operator=(const TqxRegProgram&) = delete;

  // Number of groups, the whole match (group 0) included.
  int SubExprCount() const;

  // Units that a non-empty match can start with (forwards: the unit at Pos; backwards: the unit
  // before Pos), and whether a match may consume nothing.
  const TqxCharFilter& FirstChars() const { return first_; }
  bool MatchesEmpty() const { return nullable_; }
  // Units at which a forward match of positive length is certain, whatever follows: true when
  // the expression is one unit test followed only by optional parts ("[a-z_]\w*"); Units then
  // holds the test's units below 256, and high is set when every unit above 255 passes.
  bool CertainStart(TqxCharFilter& Units) const;
  // False when no match can exist at Pos; a cheap test to skip positions.
  bool MayMatchAt(std::u16string_view S, int Pos, bool Backward = false) const {
    if (nullable_) return true;
    if (!Backward) return Pos >= 1 && size_t(Pos) <= S.size() && first_.Test(S[Pos - 1]);
    return Pos >= 2 && size_t(Pos) <= S.size() + 1 && first_.Test(S[Pos - 2]);
  }

  // Anchored match at Pos: forwards from Pos, or backwards ending at Pos. On success Pos moves to
  // the end (forwards) or the start (backwards) of the match. A Pos below 1 counts as 1.
  bool Match(std::u16string_view S, int& Pos, TqxRegMatch& M, bool Backward = false) const;
  // Units matched, or -1 when there is no match.
  int MatchLength(std::u16string_view S, int Pos, TqxRegMatch& M, bool Backward = false) const {
    int p = Pos < 1 ? 1 : Pos;
    const int start = p;
    if (!Match(S, p, M, Backward)) return -1;
    return Backward ? start - p : p - start;
  }

  // Forward anchored match length at Pos for callers that only want the length and have
  // already asked MayMatchAt (a tokenizer trying rules at every token): -1 when there is no
  // match. Same answer as MatchLength, with less set-up. What M holds afterwards is unspecified
  // (a simple program leaves no result, others the groups of the match).
  int AnchoredLength(std::u16string_view S, int Pos, TqxRegMatch& M) const;

  const regex_internal::Program& Internal() const { return *p_; }

 private:
  std::unique_ptr<regex_internal::Program> p_;
  const regex_internal::LeanProgram* lean_ = nullptr;  // the length-only form, if simple
  TqxCharFilter first_;
  TqxCharFilter second_;  // units a match can have second, when hasSecond_
  bool hasSecond_ = false;
  bool nullable_ = false;
};

// An expression with its modifiers, compiled on first use. A persistent object, so that a
// component can publish one as a sub-property (Expression, ModifierStr (not stored),
// ModifierFlags, ModifiersStatic, CodePage).
class TqxRegExpr : public TPersistent {
  SYNT_CLASS_INFO()
 public:
  TqxRegExpr();
  explicit TqxRegExpr(std::u16string_view Expression);
  TqxRegExpr(const TqxRegExpr& Source);
  TqxRegExpr& operator=(const TqxRegExpr& Source);
  ~TqxRegExpr() override;

  // Copies CodePage, Expression and ModifierFlags (from another expression; anything else is
  // the platform's assignment).
  void Assign(const TqxRegExpr& Source);
  void Assign(const TPersistent* Source) override;

  const std::u16string& Expression() const { return expression_; }
  void SetExpression(std::u16string_view Value);
  uint16_t ModifierFlags() const { return flags_; }
  void SetModifierFlags(uint16_t Value);
  // Bits that inline modifiers and ModifierStr may not change.
  uint16_t ModifiersStatic() const { return static_; }
  void SetModifiersStatic(uint16_t Value);
  void SetModifier(uint16_t Mask, bool On);
  // "(?irgmx-s)" form of the modifiers; the setter applies the letters between "(?" and ")".
  std::u16string ModifierStr() const;
  void SetModifierStr(std::u16string_view Value);
  // Kept as a stored property; the engine always works on UTF-16.
  uint32_t CodePage() const { return codePage_; }
  void SetCodePage(uint32_t Value);

  // Compiles if needed; true when there is no usable expression (empty or erroneous).
  bool IsInvalid();
  // Compiles now and throws the compile error (synt::Exception with the exact message).
  void Compile();
  // Message of the last failed compilation, empty when it compiled (UTF-8).
  const std::string& CompileError() const { return error_; }
  // 1-based position in Expression where the last failed compilation stopped; 0 when it compiled.
  int CompileErrorPos() const { return errorPos_; }
  // For authors: why the expression is invalid (the compile error, or that it holds nothing, as
  // when x makes an unescaped "#" a comment), with a hint about "#" where one applies; empty
  // when valid. Pos gets the 1-based position the message is about (0: none).
  std::string InvalidReason(int* Pos = nullptr);
  // Number of groups, the whole match included; 0 when invalid.
  int SubExprCount();
  // The compiled program, shared; null when invalid.
  std::shared_ptr<const TqxRegProgram> Program();

  bool Match(std::u16string_view S, int& Pos, bool Backward = false);
  // Units matched (0 also for an empty match), 0 when there is no match.
  int MatchLength(std::u16string_view S, int Pos, bool Backward = false);
  // Text of group Index of the last match on S; empty when that failed or the group is unset.
  std::u16string GetSubExpr(std::u16string_view S, int Index) const;
  // Expands \0-\9 and character escapes of Template against the last match on S.
  std::u16string Substitute(std::u16string_view S, std::u16string_view Template) const;
  bool Matched() const { return match_.Matched(); }
  const TqxRegMatch& LastMatch() const { return match_; }
  TqxRegMatch& LastMatch() { return match_; }

 private:
  void Discard();
  bool EnsureCompiled();

  std::u16string expression_;
  uint16_t flags_;
  uint16_t static_ = 0;
  uint32_t codePage_ = 0;
  std::shared_ptr<const TqxRegProgram> program_;
  bool compiled_ = false;  // program_ is current (null: invalid)
  uint64_t hooksGen_ = 0;
  std::string error_;
  int errorPos_ = 0;
  bool errorIsConvert_ = false;
  TqxRegMatch match_;
};

// Expands a replacement template (\0-\9 groups, \n \t \xHH ... escapes, "\\" a backslash).
std::u16string ExpandTemplate(std::u16string_view S, std::u16string_view Template,
                              const TqxRegMatch& M);

}  // namespace synt
