// Grammar rules compiled from a lexer's grammar text and matched backwards over a token list, so
// that a block rule can fire when a whole construct ends at the latest token.
//
//   TGrammaRules g;
//   g.Compile(u"IdentList = <Identifier> (',' <Identifier>)*;", lexer.TokenTypeNames());
//   TParserRule* r = g.ParserRuleByName(u"identlist");        // names compare without case
//   int first = g.TestRule(client.TagCount() - 1, r, client);  // earliest token matched, or -1
//
// Matching is greedy and never backtracks: alternatives are tried from the last written to the
// first, the items of an alternative from the last to the first; the Skip rule may stand between
// any two matched terminals. Entering a rule again at the same token raises "Circular stack".
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace synt {

class TTokenHolder;
class TStrings;
class TSyntMemoStrings;
class TParserRule;
class TParserRuleBranch;

// A superset of the tokens something can accept, by token type (mod 32) and first unit: for each
// type, the first units (0-127 one by one, every unit above 127 together) a token of that type may
// have. Kept per type, so that uniting "an identifier" with "a word starting with p" does not
// pass every symbol.
struct TTokenFilter {
  uint64_t Low[32][2];
  uint32_t High = ~0u;  // bit t: type t passes units above 127

  TTokenFilter() {
    for (auto& l : Low) l[0] = l[1] = ~uint64_t(0);
  }
  // Tokens of the Types (bit t for type t) whose first unit is in Chars (units 0-127) or, with
  // AnyHigh, above 127.
  static TTokenFilter Product(uint32_t Types, uint64_t Chars0, uint64_t Chars1, bool AnyHigh) {
    TTokenFilter f = None();
    for (int t = 0; t < 32; ++t)
      if ((Types >> t) & 1u) {
        f.Low[t][0] = Chars0;
        f.Low[t][1] = Chars1;
      }
    f.High = AnyHigh ? Types : 0;
    return f;
  }
  static TTokenFilter None() {
    TTokenFilter f;
    for (auto& l : f.Low) l[0] = l[1] = 0;
    f.High = 0;
    return f;
  }
  bool Pass(int Type, char16_t First) const {
    const uint32_t t = uint32_t(Type) % 32u;
    return First < 128 ? (Low[t][First >> 6] >> (First & 63)) & 1 : (High >> t) & 1u;
  }
  void Unite(const TTokenFilter& o) {
    for (int t = 0; t < 32; ++t) {
      Low[t][0] |= o.Low[t][0];
      Low[t][1] |= o.Low[t][1];
    }
    High |= o.High;
  }
  void Intersect(const TTokenFilter& o) {
    for (int t = 0; t < 32; ++t) {
      Low[t][0] &= o.Low[t][0];
      Low[t][1] &= o.Low[t][1];
    }
    High &= o.High;
  }
  // The types some token passes, and the first units some token passes (the filter's shadows).
  uint32_t Types() const {
    uint32_t m = High;
    for (int t = 0; t < 32; ++t)
      if (Low[t][0] | Low[t][1]) m |= 1u << t;
    return m;
  }
  bool PassesChar(char16_t c) const {
    for (int t = 0; t < 32; ++t)
      if (c < 128 ? (Low[t][c >> 6] >> (c & 63)) & 1 : (High >> t) & 1u) return true;
    return false;
  }
  bool IsAll() const {
    for (const auto& l : Low)
      if (~l[0] || ~l[1]) return false;
    return High == ~0u;
  }
};

// The terminals a token must be one of, when every item that can stand there is a terminal: the
// exact form of a filter, for the tokens a filter lets through by their first unit alone.
struct TTerminalSet {
  bool Known = false;
  std::vector<std::u16string> Exact;
  std::vector<std::u16string> NoCase;  // upper-cased
  std::vector<int> Types;              // 0: any token
  static TTerminalSet Empty() {
    TTerminalSet s;
    s.Known = true;
    return s;
  }
  void Unite(const TTerminalSet& o) {
    Known = Known && o.Known;
    if (!Known) return;
    Exact.insert(Exact.end(), o.Exact.begin(), o.Exact.end());
    NoCase.insert(NoCase.end(), o.NoCase.begin(), o.NoCase.end());
    Types.insert(Types.end(), o.Types.begin(), o.Types.end());
  }
};

enum TParserItemType { itTerminal, itTerminalNoCase, itTokenType, itParserRule };

class TParserRuleItem {
 public:
  TParserItemType ItemType = itTerminal;
  std::u16string Terminal;            // the literal, the type name, or the rule name
  int TokenType = -1;                 // resolved itTokenType
  TParserRule* ParserRule = nullptr;  // resolved itParserRule (none when undefined)
  TParserRuleBranch* Branch = nullptr;
  int RepMin = 1;
  int RepMax = 1;          // -1: unbounded
  bool IsSubRule = false;  // the item owns a parenthesized group
  std::unique_ptr<TParserRule> SubRule;
};

class TParserRuleBranch {
 public:
  std::vector<std::unique_ptr<TParserRuleItem>> Items;
  TParserRule* Rule = nullptr;
  // The tokens the alternative can start matching from, when it must consume one there.
  TTokenFilter LastToken;
  bool MustConsume = false;
  // When it must also consume the token before (or skip it): the tokens that can stand there.
  TTokenFilter SecondToken;
  bool HasSecond = false;
  // The same as exact sets, where known.
  TTerminalSet LastSet, SecondSet;
};

class TParserRule {
 public:
  std::vector<std::unique_ptr<TParserRuleBranch>> Branches;
  std::u16string Name;  // empty for a group
  int Index = 0;
  // The tokens a match can end at (the token it starts matching from): lets a block rule that
  // tests this rule on every token give up at once.
  TTokenFilter LastToken;
  // The rule can match without consuming a token.
  bool Nullable = false;
  // Every alternative consumes at least two tokens; the second one passes this filter (or the
  // Skip rule's).
  TTokenFilter SecondToken;
  bool HasSecond = false;
  // LastToken and SecondToken as exact sets, where known (a rule that is not nullable).
  TTerminalSet LastSet, SecondSet;
  // Every token a match can consume passes it (kept for the Skip rule, which may stand between
  // the two last tokens of a match).
  TTokenFilter Consumable;
  // Every alternative is one terminal matched once: the rule is LastSet.
  bool IsTokenSet = false;
};

// Parse tree. Children of a branch node are in match order: from the latest token to the earliest.
class TParserNode {
 public:
  virtual ~TParserNode() = default;
  virtual int ChildCount() const = 0;
  virtual TParserNode* Child(int Index) const = 0;
  virtual int FirstTokenIdx() const = 0;  // -1 when the node covers no token
  virtual int LastTokenIdx() const = 0;
};

class TParserTermNode : public TParserNode {
 public:
  TParserTermNode(TParserRuleItem* Item, int TokenIdx) : item_(Item), tokenIdx_(TokenIdx) {}
  int ChildCount() const override { return 0; }
  TParserNode* Child(int) const override { return nullptr; }
  int FirstTokenIdx() const override { return tokenIdx_; }
  int LastTokenIdx() const override { return tokenIdx_; }
  TParserRuleItem* Item() const { return item_; }

 private:
  TParserRuleItem* item_;
  int tokenIdx_;
};

class TParserBranchNode : public TParserNode {
 public:
  explicit TParserBranchNode(TParserRuleBranch* Branch) : branch_(Branch) {}
  int ChildCount() const override { return int(children_.size()); }
  TParserNode* Child(int Index) const override { return children_.at(size_t(Index)).get(); }
  // The earliest and latest tokens any child covers (children that cover none are passed over).
  int FirstTokenIdx() const override;
  int LastTokenIdx() const override;
  TParserRuleBranch* Branch() const { return branch_; }
  void AddChild(std::unique_ptr<TParserNode> Node) { children_.push_back(std::move(Node)); }
  std::unique_ptr<TParserNode> ReleaseChild(int Index) {
    return std::move(children_.at(size_t(Index)));
  }

 private:
  TParserRuleBranch* branch_;
  std::vector<std::unique_ptr<TParserNode>> children_;
};

// The compiled rules of one grammar text.
class TGrammaRules {
 public:
  // Rebuilds the rules from Text; a syntax error keeps the rules before it and drops the rest.
  // TokenTypeNames resolve <TypeName> items (without case).
  void Compile(std::u16string_view Text, const TStrings& TokenTypeNames);
  // The same from a line storage, which the notation's tokenizer reads directly.
  void Compile(TSyntMemoStrings& Lines, const TStrings& TokenTypeNames);
  void Clear();

  int RuleCount() const { return int(rules_.size()); }
  TParserRule* Rules(int Index) const { return rules_.at(size_t(Index)).get(); }
  TParserRule* Root() const { return root_; }
  TParserRule* Skip() const { return skip_; }
  // The first top-level rule named Name (without case); none for an empty name.
  TParserRule* ParserRuleByName(std::u16string_view Name) const;

  // Matches Rule so that its last item matches at token TokenIdx, going backwards.
  std::unique_ptr<TParserBranchNode> ParseRule(int TokenIdx, TParserRule* Rule,
                                               const TTokenHolder& Tokens) const;
  // The earliest token of the match, or -1 (no match, or a match that covers no token).
  int TestRule(int TokenIdx, TParserRule* Rule, const TTokenHolder& Tokens) const;

 private:
  std::vector<std::unique_ptr<TParserRule>> rules_;
  TParserRule* root_ = nullptr;
  TParserRule* skip_ = nullptr;
};

}  // namespace synt
