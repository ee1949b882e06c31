#include "analysis/gramma_rules.h"

#include <algorithm>
#include <climits>

#include "analysis/client_analyzer.h"
#include "analysis/internal/client_access.h"
#include "analysis/syntax_analyzer.h"
#include "lists/char_utils.h"
#include "platform/strings.h"
#include "text/memo_strings.h"

namespace synt {

using analysis_internal::ClientAccess;

namespace {

// Token types of the grammar notation.
enum : int {
  gtComment = 0,
  gtTerminal = 1,
  gtTerminalNoCase = 2,
  gtTokenType = 3,
  gtName = 4,
  gtDefine = 5,
  gtAlternative = 6,
  gtEnd = 7,
  gtRepeater = 8,
  gtOpen = 9,
  gtClose = 10,
};

struct GToken {
  int Type;
  std::u16string Text;
};

// Tokenizes grammar text with the tokenizer itself, through a private lexer.
std::vector<GToken> TokenizeGramma(TSyntMemoStrings& Lines) {
  static const struct {
    int Type;
    const char16_t* Expression;
  } kRules[] = {
      {gtComment, u"//.*"},
      {gtComment, u"(?s)/\\*.*?(\\*/|\\Z)"},
      {gtTerminal, u"\".*?\""},
      {gtTerminalNoCase, u"'.*?'"},
      {gtTokenType, u"<.*?>"},
      {gtName, u"\\w+"},
      {gtDefine, u"="},
      {gtAlternative, u"\\|"},
      {gtEnd, u";"},
      {gtRepeater, u"[\\*\\+\\?]"},
      {gtOpen, u"[\\(]"},
      {gtClose, u"[\\)]"},
  };
  TSyntAnalyzer lexer(nullptr);
  for (const auto& r : kRules) {
    TTokenRule* rule = lexer.TokenRules()->Add();
    rule->SetTokenType(r.Type);
    rule->SetExpression(r.Expression);
  }
  std::vector<GToken> out;
  {
    TClientSyntAnalyzer client(&lexer, nullptr, [&] { return &Lines; });
    ClientAccess::SetBackgroundFinish(client, false);  // only the tokens are wanted
    client.Analyze(true);
    out.reserve(size_t(client.TagCount()));
    for (int i = 0; i < client.TagCount(); ++i)
      out.push_back({client.TagType(i), client.TagText(i)});
  }
  return out;
}

class GrammaParser {
 public:
  explicit GrammaParser(std::vector<GToken> Tokens) : t_(std::move(Tokens)) {}

  bool AtEnd() {
    SkipComments();
    return p_ >= t_.size();
  }

  // A top-level rule, or null when the text does not parse here.
  std::unique_ptr<TParserRule> ParseRule() {
    SkipComments();
    if (p_ >= t_.size()) return nullptr;
    auto rule = std::make_unique<TParserRule>();
    if (t_[p_].Type == gtName) {
      rule->Name = t_[p_].Text;
      ++p_;
      SkipComments();
      if (p_ >= t_.size() || t_[p_].Type != gtDefine) return nullptr;
    } else if (t_[p_].Type != gtOpen) {
      return nullptr;
    }
    ++p_;
    for (;;) {
      auto branch = std::make_unique<TParserRuleBranch>();
      branch->Rule = rule.get();
      if (!ParseAlternative(*branch)) return nullptr;
      rule->Branches.push_back(std::move(branch));
      SkipComments();
      if (p_ < t_.size() && t_[p_].Type == gtAlternative) {
        ++p_;
        continue;
      }
      if (p_ < t_.size() && t_[p_].Type == gtEnd) ++p_;
      break;  // ")" and anything else end the rule without being consumed
    }
    return rule;
  }

 private:
  void SkipComments() {
    while (p_ < t_.size() && t_[p_].Type == gtComment) ++p_;
  }

  bool ParseAlternative(TParserRuleBranch& Branch) {
    for (;;) {
      SkipComments();
      if (p_ >= t_.size()) return false;
      size_t before = p_;
      auto item = ParseItem(Branch);
      if (item) {
        Branch.Items.push_back(std::move(item));
        continue;
      }
      if (failed_) return false;
      p_ = before;
      int type = t_[p_].Type;
      if (type == gtEnd || type == gtAlternative || type == gtClose) return true;
      if (type == gtDefine && !Branch.Items.empty() &&
          Branch.Items.back()->ItemType == itParserRule && !Branch.Items.back()->IsSubRule) {
        // The previous rule lacked its ";": the name before "=" starts the next rule.
        p_ = lastItemStart_;
        Branch.Items.pop_back();
        return true;
      }
      return false;
    }
  }

  std::unique_ptr<TParserRuleItem> ParseItem(TParserRuleBranch& Branch) {
    SkipComments();
    if (p_ >= t_.size()) return nullptr;
    size_t start = p_;
    const GToken& tok = t_[p_];
    auto item = std::make_unique<TParserRuleItem>();
    item->Branch = &Branch;
    switch (tok.Type) {
      case gtTerminal:
      case gtTerminalNoCase:
      case gtTokenType:
        if (tok.Text.size() < 3) return nullptr;
        item->ItemType = tok.Type == gtTerminal         ? itTerminal
                         : tok.Type == gtTerminalNoCase ? itTerminalNoCase
                                                        : itTokenType;
        item->Terminal = tok.Text.substr(1, tok.Text.size() - 2);
        break;
      case gtName:
        item->ItemType = itParserRule;
        item->Terminal = tok.Text;
        break;
      case gtOpen: {
        // Groups nest by recursion; a text nested deeper than any grammar needs is an error
        // rather than a stack overflow.
        if (depth_ >= kMaxNesting) {
          failed_ = true;
          return nullptr;
        }
        ++depth_;
        auto group = ParseRule();
        --depth_;
        SkipComments();
        if (!group || p_ >= t_.size() || t_[p_].Type != gtClose) {
          failed_ = true;
          return nullptr;
        }
        item->ItemType = itParserRule;
        item->IsSubRule = true;
        item->SubRule = std::move(group);
        item->ParserRule = item->SubRule.get();
        break;
      }
      default:
        return nullptr;
    }
    ++p_;
    if (p_ < t_.size() && t_[p_].Type == gtRepeater) {
      char16_t r = t_[p_].Text[0];
      if (r == u'?')
        item->RepMin = 0;
      else if (r == u'*')
        item->RepMin = 0, item->RepMax = -1;
      else
        item->RepMax = -1;
      ++p_;
    }
    lastItemStart_ = start;
    return item;
  }

  static constexpr int kMaxNesting = 200;
  std::vector<GToken> t_;
  size_t p_ = 0;
  int depth_ = 0;
  size_t lastItemStart_ = 0;
  bool failed_ = false;
};

void ResolveRule(TParserRule& Rule, const TGrammaRules& Rules, const TStrings& TokenTypeNames) {
  for (auto& branch : Rule.Branches) {
    for (auto& item : branch->Items) {
      if (item->ItemType == itTokenType) {
        item->TokenType = -1;
        for (int i = 0; i < TokenTypeNames.Count(); ++i) {
          if (SameText(TokenTypeNames.Strings(i), item->Terminal, cmIgnoreCase)) {
            item->TokenType = i;
            break;
          }
        }
      } else if (item->ItemType == itParserRule) {
        if (item->IsSubRule)
          ResolveRule(*item->SubRule, Rules, TokenTypeNames);
        else
          item->ParserRule = Rules.ParserRuleByName(item->Terminal);
      }
    }
  }
}

// Whether a token at or before Skipped can be the second token of a match when the Skip rule
// starts at Skipped: the rule passes over a run of tokens it can consume, and the token before
// the run must be a second token. Long runs are not walked to the end (the answer is then yes).
template <class ConsumableFn, class SecondFn>
bool SecondAfterSkip(int Skipped, ConsumableFn&& Consumable, SecondFn&& IsSecond) {
  constexpr int kWalk = 64;
  for (int i = Skipped; i > Skipped - kWalk; --i) {
    if (i < 1 || !Consumable(i)) return false;
    if (IsSecond(i - 1)) return true;
  }
  return true;
}

class Matcher {
 public:
  // Deeper nesting than this fails the match: a right-recursive rule over a long token list would
  // otherwise recurse until the thread's stack overflows.
  static constexpr int kMaxDepth = 1000;

  Matcher(const TTokenHolder& Tokens, TParserRule* Skip) : tokens_(Tokens), skip_(Skip) {
    // The analysis's own tokens are read directly rather than through the holder's interface.
    if (const TParserResults* r = Tokens.AsParserResults()) {
      list_ = &r->Tokens();
      text_ = ClientAccess::Text(*r);
    }
  }

  // Earliest: the earliest terminal matched so far (INT_MAX for none); restored on failure.
  bool MatchRule(TParserRule* Rule, int& Cursor, int& Earliest, TParserBranchNode* Parent) {
    for (int i = 0; i < depth_; ++i)
      if (Frame(i).first == Rule && Frame(i).second == Cursor) throw Exception("Circular stack");
    if (depth_ >= kMaxDepth) return false;
    Push(Rule, Cursor);
    struct Pop {
      int& d;
      ~Pop() { --d; }
    } pop{depth_};
    const bool known = Cursor >= 0 && Cursor < tokens_.TagCount();
    const int type = known ? Type(Cursor) : 0;
    const char16_t first = known ? First(Cursor) : 0;
    for (int b = int(Rule->Branches.size()) - 1; b >= 0; --b) {
      TParserRuleBranch* branch = Rule->Branches[size_t(b)].get();
      // An alternative that must consume the token at the cursor cannot match one its filter
      // rejects (a rule that could re-enter here makes the filter pass everything).
      if (!Parent && branch->MustConsume && !known) continue;
      if (!Parent && !BranchMayMatch(branch, Cursor, type, first)) continue;
      if (MatchBranch(branch, Cursor, Earliest, Parent)) return true;
    }
    return false;
  }

  bool MatchBranch(TParserRuleBranch* Branch, int& Cursor, int& Earliest,
                   TParserBranchNode* Parent) {
    if (Branch->Items.empty()) return false;
    const int savedCursor = Cursor, savedEarliest = Earliest;
    std::unique_ptr<TParserBranchNode> node;
    if (Parent) node = std::make_unique<TParserBranchNode>(Branch);
    for (int i = int(Branch->Items.size()) - 1; i >= 0; --i) {
      TParserRuleItem* item = Branch->Items[size_t(i)].get();
      int reps = 0;
      while (item->RepMax == -1 || reps < item->RepMax) {
        int before = Cursor;
        if (!MatchItem(item, Cursor, Earliest, node.get())) break;
        ++reps;
        // An occurrence that consumed nothing would repeat for ever.
        if (Cursor == before) break;
      }
      if (reps < item->RepMin) {
        Cursor = savedCursor;
        Earliest = savedEarliest;
        return false;
      }
    }
    if (Parent) Parent->AddChild(std::move(node));
    return true;
  }

  int Type(int Cursor) const {
    return list_ ? (*list_)[Cursor].TokenType : tokens_.TagType(Cursor);
  }
  char16_t First(int Cursor) const {
    return list_ ? (*list_)[Cursor].FirstIn(text_) : tokens_.TagFirstChar(Cursor);
  }
  bool Equals(int Cursor, std::u16string_view S, bool IgnoreCase) const {
    if (!list_) return tokens_.TagTextEquals(Cursor, S, IgnoreCase);
    const TSyntToken& t = (*list_)[Cursor];
    if (size_t(t.EndPos - t.StartPos) != S.size() || t.StartPos < 0 ||
        size_t(t.EndPos) > text_.size())
      return false;
    return SameText(std::u16string_view(text_.data() + t.StartPos, S.size()), S,
                    IgnoreCase ? cmIgnoreCase : cmExact);
  }
  bool Pass(const TTokenFilter& F, int Cursor) const { return F.Pass(Type(Cursor), First(Cursor)); }
  // Whether the token before Cursor can be the second token a match consumes: it is one
  // (IsSecond), or the Skip rule may pass over it and a run of others before one.
  template <class IsSecond>
  bool SecondBefore(int Cursor, IsSecond&& isSecond) const {
    if (Cursor < 1 || Cursor > tokens_.TagCount()) return false;
    if (isSecond(Cursor - 1)) return true;
    if (!skip_ || !Pass(skip_->LastToken, Cursor - 1)) return false;
    return SecondAfterSkip(
        Cursor - 1, [&](int i) { return Pass(skip_->Consumable, i); }, isSecond);
  }
  bool SecondPasses(const TTokenFilter& F, int Cursor) const {
    return SecondBefore(Cursor, [&](int i) { return Pass(F, i); });
  }
  // The same with an exact set (true when it is not known).
  bool SecondIn(const TTerminalSet& S, int Cursor) const {
    return !S.Known || SecondBefore(Cursor, [&](int i) { return InSet(S, i); });
  }
  // Whether token Cursor is one of the set's terminals (true when the set is not known).
  bool InSet(const TTerminalSet& S, int Cursor) const {
    if (!S.Known) return true;
    if (!S.Types.empty()) {
      const int type = Type(Cursor);
      for (int t : S.Types)
        if (t == 0 || t == type) return true;
    }
    for (const auto& s : S.Exact)
      if (Equals(Cursor, s, false)) return true;
    for (const auto& s : S.NoCase)
      if (Equals(Cursor, s, true)) return true;
    return false;
  }
  // A branch's quick test at Cursor before matching it (without a tree).
  bool BranchMayMatch(const TParserRuleBranch* B, int Cursor, int Type, char16_t First) const {
    if (B->MustConsume && !B->LastToken.Pass(Type, First)) return false;
    if (B->HasSecond && !SecondPasses(B->SecondToken, Cursor)) return false;
    return InSet(B->LastSet, Cursor) && (!B->HasSecond || SecondIn(B->SecondSet, Cursor));
  }

  // After a terminal at Cursor: the cursor moves before it and over what the Skip rule passes.
  void Consumed(int& Cursor, int& Earliest) {
    Earliest = std::min(Earliest, Cursor);
    --Cursor;
    // Skip either consumes the token at the cursor (which its filter then passes) or moves
    // nothing; a filter that rejects the token saves the attempt.
    if (skip_ && !inSkip_ && Cursor >= 0 && Pass(skip_->LastToken, Cursor)) {
      inSkip_ = true;
      struct Reset {
        bool& f;
        ~Reset() { f = false; }
      } reset{inSkip_};
      int c = Cursor, ignored = INT_MAX;
      if (MatchRule(skip_, c, ignored, nullptr)) Cursor = c;
    }
  }

  bool MatchItem(TParserRuleItem* Item, int& Cursor, int& Earliest, TParserBranchNode* Node) {
    if (Cursor < 0 || Cursor >= tokens_.TagCount()) return false;
    bool ok;
    switch (Item->ItemType) {
      case itParserRule: {
        TParserRule* r = Item->ParserRule;
        if (!r) return false;
        if (!Node) {
          // Without a tree only the outcome counts. A rule that must consume the token at the
          // cursor cannot match a token its filter rejects; a set of terminals is a lookup.
          // (A rule that could re-enter itself here has an all-pass filter, so "Circular stack"
          // is raised as before.)
          if (!r->Nullable && !Pass(r->LastToken, Cursor)) return false;
          if (r->HasSecond && !SecondPasses(r->SecondToken, Cursor)) return false;
          if (!r->Nullable && !InSet(r->LastSet, Cursor)) return false;
          if (r->HasSecond && !SecondIn(r->SecondSet, Cursor)) return false;
          // A set of terminals: its exact set, just tested, is the whole match.
          if (r->IsTokenSet) {
            Consumed(Cursor, Earliest);
            return true;
          }
        }
        return MatchRule(r, Cursor, Earliest, Node);
      }
      case itTerminal:
        ok = Equals(Cursor, Item->Terminal, false);
        break;
      case itTerminalNoCase:
        ok = Equals(Cursor, Item->Terminal, true);
        break;
      case itTokenType:
        ok = Item->TokenType == 0 || (Item->TokenType > 0 && Type(Cursor) == Item->TokenType);
        break;
      default:
        ok = false;
    }
    if (!ok) return false;
    if (Node) Node->AddChild(std::make_unique<TParserTermNode>(Item, Cursor));
    Consumed(Cursor, Earliest);
    return true;
  }

 private:
  // Left uninitialised: a matcher is set up for every token a quick test lets through.
  struct Entry {
    TParserRule* first;
    int second;
  };
  Entry& Frame(int i) { return i < kInline ? inline_[i] : more_[size_t(i - kInline)]; }
  void Push(TParserRule* Rule, int Cursor) {
    if (depth_ < kInline)
      inline_[depth_] = {Rule, Cursor};
    else if (size_t(depth_ - kInline) < more_.size())
      more_[size_t(depth_ - kInline)] = {Rule, Cursor};
    else
      more_.push_back({Rule, Cursor});
    ++depth_;
  }

  const TTokenHolder& tokens_;
  const TTokenList* list_ = nullptr;
  std::u16string_view text_;
  TParserRule* skip_;
  bool inSkip_ = false;
  // The recursion guard's stack of (rule, cursor): a block rule tests its grammar rule on every
  // token, so the usual shallow stack lives here without allocating.
  static constexpr int kInline = 32;
  Entry inline_[kInline];
  std::vector<Entry> more_;
  int depth_ = 0;
};

// What a match of a rule, a branch or an item can start from (its last token), as a filter or as
// an exact set of terminals: the same walk over the items from the last, with a leaf for
// terminals. InProgress guards recursion: a rule met again while its own answer is being built
// contributes everything (an unknown set). Nullable tells whether the walk can consume nothing.
struct FilterLeaf {
  using T = TTokenFilter;
  static T Nothing() { return TTokenFilter::None(); }
  static T Everything() { return TTokenFilter(); }
  static T Of(const TParserRuleItem* Item) {
    if (Item->ItemType == itTokenType) {
      if (Item->TokenType == 0) return TTokenFilter();
      if (Item->TokenType < 0) return TTokenFilter::None();
      return TTokenFilter::Product(1u << (uint32_t(Item->TokenType) % 32u), ~uint64_t(0),
                                   ~uint64_t(0), true);
    }
    if (Item->Terminal.empty()) return TTokenFilter();
    uint64_t chars[2] = {0, 0};
    bool high = false;
    auto add = [&](char16_t c) {
      if (c < 128)
        chars[c >> 6] |= uint64_t(1) << (c & 63);
      else
        high = true;
    };
    char16_t c = Item->Terminal[0];
    add(c);
    if (Item->ItemType == itTerminalNoCase) {
      // Units above 127 may share the upper case of an ASCII letter.
      add(CharUpper(c));
      add(CharLower(c));
      high = true;
    }
    return TTokenFilter::Product(~0u, chars[0], chars[1], high);
  }
};

struct SetLeaf {
  using T = TTerminalSet;
  static T Nothing() { return TTerminalSet::Empty(); }
  static T Everything() { return TTerminalSet(); }
  static T Of(const TParserRuleItem* Item) {
    TTerminalSet s = TTerminalSet::Empty();
    if (Item->ItemType == itTokenType) {
      if (Item->TokenType >= 0) s.Types.push_back(Item->TokenType);  // an unknown type: none
    } else if (Item->Terminal.empty()) {
      return TTerminalSet();
    } else if (Item->ItemType == itTerminal) {
      s.Exact.push_back(Item->Terminal);
    } else {
      std::u16string u = Item->Terminal;
      for (char16_t& c : u) c = CharUpper(c);
      s.NoCase.push_back(std::move(u));
    }
    return s;
  }
};

template <class Leaf>
typename Leaf::T RuleLast(TParserRule* Rule, std::vector<TParserRule*>& InProgress, bool& Nullable);

template <class Leaf>
typename Leaf::T ItemLast(TParserRuleItem* Item, std::vector<TParserRule*>& InProgress,
                          bool& Nullable) {
  Nullable = Item->RepMin == 0;
  if (Item->ItemType != itParserRule) return Leaf::Of(Item);
  if (!Item->ParserRule) return Leaf::Nothing();  // an undefined rule never matches
  bool n = false;
  typename Leaf::T r = RuleLast<Leaf>(Item->ParserRule, InProgress, n);
  Nullable = Nullable || n;
  return r;
}

// A branch: its trailing items up to the first that must consume a token.
template <class Leaf>
typename Leaf::T BranchLast(TParserRuleBranch* B, std::vector<TParserRule*>& InProgress,
                            bool& Nullable) {
  typename Leaf::T r = Leaf::Nothing();
  Nullable = true;
  for (auto it = B->Items.rbegin(); it != B->Items.rend(); ++it) {
    bool n = false;
    r.Unite(ItemLast<Leaf>(it->get(), InProgress, n));
    if (!n) {
      Nullable = false;
      break;
    }
  }
  return r;
}

template <class Leaf>
typename Leaf::T RuleLast(TParserRule* Rule, std::vector<TParserRule*>& InProgress,
                          bool& Nullable) {
  Nullable = false;
  if (std::find(InProgress.begin(), InProgress.end(), Rule) != InProgress.end()) {
    Nullable = true;
    return Leaf::Everything();
  }
  InProgress.push_back(Rule);
  typename Leaf::T r = Leaf::Nothing();
  for (auto& b : Rule->Branches) {
    if (b->Items.empty()) continue;  // never matches
    bool n = false;
    r.Unite(BranchLast<Leaf>(b.get(), InProgress, n));
    if (n) Nullable = true;
  }
  InProgress.pop_back();
  return r;
}

TTokenFilter ItemFilter(TParserRuleItem* Item, std::vector<TParserRule*>& InProgress,
                        bool& Nullable) {
  return ItemLast<FilterLeaf>(Item, InProgress, Nullable);
}

TTokenFilter LastTokenFilter(TParserRule* Rule, std::vector<TParserRule*>& InProgress,
                             bool& Nullable) {
  return RuleLast<FilterLeaf>(Rule, InProgress, Nullable);
}

TTerminalSet ItemSet(TParserRuleItem* Item, std::vector<TParserRule*>& InProgress, bool& Nullable) {
  return ItemLast<SetLeaf>(Item, InProgress, Nullable);
}

// An exact set holds only for what must consume a token: a nullable walk's set is unknown (the
// token could come from what stands before it).
TTerminalSet BranchLastSet(TParserRuleBranch* B, std::vector<TParserRule*>& InProgress,
                           bool& Nullable) {
  TTerminalSet s = BranchLast<SetLeaf>(B, InProgress, Nullable);
  if (Nullable) s.Known = false;
  return s;
}

TTerminalSet RuleLastSet(TParserRule* Rule, std::vector<TParserRule*>& InProgress, bool& Nullable) {
  TTerminalSet s = RuleLast<SetLeaf>(Rule, InProgress, Nullable);
  if (Nullable) s.Known = false;
  return s;
}

// Second-token filters: an alternative whose last item consumes exactly one token, preceded by
// something that must consume one, needs a second token from those preceding items' filters.
void ComputeSecond(TParserRule* Rule, std::vector<TParserRule*>& InProgress,
                   std::vector<TParserRule*>& Done) {
  if (std::find(Done.begin(), Done.end(), Rule) != Done.end()) return;
  if (std::find(InProgress.begin(), InProgress.end(), Rule) != InProgress.end()) return;
  InProgress.push_back(Rule);
  bool all = !Rule->Branches.empty();
  TTokenFilter second = TTokenFilter::None();
  TTerminalSet secondSet = TTerminalSet::Empty();
  for (auto& b : Rule->Branches) {
    b->HasSecond = false;
    b->SecondSet = TTerminalSet();
    if (b->Items.empty()) continue;  // never matches: asks nothing of the second token
    TParserRuleItem* last = b->Items.back().get();
    bool single =
        last->RepMin >= 1 && last->RepMax == 1 &&
        (last->ItemType != itParserRule || (last->ParserRule && last->ParserRule->IsTokenSet));
    if (single) {
      TTokenFilter f = TTokenFilter::None();
      TTerminalSet set = TTerminalSet::Empty();
      bool mandatory = false;
      for (size_t k = b->Items.size() - 1; k-- > 0;) {
        bool n = false;
        std::vector<TParserRule*> progress{Rule};
        f.Unite(ItemFilter(b->Items[k].get(), progress, n));
        std::vector<TParserRule*> progress2{Rule};
        bool n2 = false;
        set.Unite(ItemSet(b->Items[k].get(), progress2, n2));
        if (!n) {
          mandatory = true;
          break;
        }
      }
      if (mandatory) {
        b->SecondToken = f;
        b->SecondSet = set;
        b->HasSecond = true;
      }
    } else if (last->ItemType == itParserRule && last->ParserRule && last->RepMin >= 1 &&
               last->RepMax == 1) {
      ComputeSecond(last->ParserRule, InProgress, Done);
      if (last->ParserRule->HasSecond &&
          std::find(Done.begin(), Done.end(), last->ParserRule) != Done.end()) {
        b->SecondToken = last->ParserRule->SecondToken;
        b->SecondSet = last->ParserRule->SecondSet;
        b->HasSecond = true;
      }
    }
    if (b->HasSecond) {
      second.Unite(b->SecondToken);
      secondSet.Unite(b->SecondSet);
    } else {
      all = false;
    }
  }
  Rule->HasSecond = all && !Rule->Nullable;
  Rule->SecondToken = Rule->HasSecond ? second : TTokenFilter();
  Rule->SecondSet = Rule->HasSecond ? secondSet : TTerminalSet();
  InProgress.pop_back();
  Done.push_back(Rule);
  for (auto& b : Rule->Branches)
    for (auto& item : b->Items)
      if (item->IsSubRule) ComputeSecond(item->SubRule.get(), InProgress, Done);
}

// The tokens a match of Rule can consume: every terminal it reaches. A rule met again adds
// nothing new.
TTokenFilter ConsumableFilter(TParserRule* Rule, std::vector<TParserRule*>& Seen) {
  TTokenFilter f = TTokenFilter::None();
  if (std::find(Seen.begin(), Seen.end(), Rule) != Seen.end()) return f;
  Seen.push_back(Rule);
  for (auto& b : Rule->Branches)
    for (auto& item : b->Items) {
      if (item->ItemType == itParserRule) {
        if (item->ParserRule) f.Unite(ConsumableFilter(item->ParserRule, Seen));
      } else {
        std::vector<TParserRule*> progress;
        bool n = false;
        f.Unite(ItemFilter(item.get(), progress, n));
      }
    }
  return f;
}

void ComputeFilters(TParserRule* Rule) {
  std::vector<TParserRule*> inProgress;
  bool nullable;
  Rule->LastToken = LastTokenFilter(Rule, inProgress, nullable);
  Rule->Nullable = nullable;
  {
    std::vector<TParserRule*> progress;
    bool n = false;
    Rule->LastSet = RuleLastSet(Rule, progress, n);
  }
  // Every alternative one terminal matched once: the exact set of the last token is the rule.
  Rule->IsTokenSet = !Rule->Branches.empty() && Rule->LastSet.Known;
  for (auto& b : Rule->Branches)
    if (b->Items.size() != 1 || b->Items[0]->RepMin != 1 || b->Items[0]->RepMax != 1 ||
        b->Items[0]->ItemType == itParserRule)
      Rule->IsTokenSet = false;
  for (auto& b : Rule->Branches) {
    std::vector<TParserRule*> progress{Rule};
    bool n = false;
    b->LastSet = BranchLastSet(b.get(), progress, n);
  }
  for (auto& b : Rule->Branches) {
    // The branch's own filter: its trailing items up to the first that must consume a token.
    b->LastToken = TTokenFilter::None();
    b->MustConsume = false;
    std::vector<TParserRule*> progress{Rule};
    for (auto it = b->Items.rbegin(); it != b->Items.rend(); ++it) {
      bool n = false;
      b->LastToken.Unite(ItemFilter(it->get(), progress, n));
      if (!n) {
        b->MustConsume = true;
        break;
      }
    }
  }
  for (auto& b : Rule->Branches)
    for (auto& item : b->Items)
      if (item->IsSubRule) ComputeFilters(item->SubRule.get());
}

}  // namespace

int TParserBranchNode::FirstTokenIdx() const {
  for (auto it = children_.rbegin(); it != children_.rend(); ++it) {
    int i = (*it)->FirstTokenIdx();
    if (i != -1) return i;
  }
  return -1;
}

int TParserBranchNode::LastTokenIdx() const {
  for (const auto& c : children_) {
    int i = c->LastTokenIdx();
    if (i != -1) return i;
  }
  return -1;
}

void TGrammaRules::Clear() {
  rules_.clear();
  root_ = skip_ = nullptr;
}

void TGrammaRules::Compile(std::u16string_view Text, const TStrings& TokenTypeNames) {
  TSyntMemoStrings lines;
  lines.SetTextStr(Text);
  Compile(lines, TokenTypeNames);
}

void TGrammaRules::Compile(TSyntMemoStrings& Lines, const TStrings& TokenTypeNames) {
  Clear();
  if (Lines.Count() == 0) return;
  GrammaParser parser(TokenizeGramma(Lines));
  while (!parser.AtEnd()) {
    auto rule = parser.ParseRule();
    if (!rule) break;
    rule->Index = int(rules_.size());
    rules_.push_back(std::move(rule));
  }
  for (auto& r : rules_) ResolveRule(*r, *this, TokenTypeNames);
  for (auto& r : rules_) ComputeFilters(r.get());
  std::vector<TParserRule*> inProgress, done;
  for (auto& r : rules_) ComputeSecond(r.get(), inProgress, done);
  root_ = ParserRuleByName(u"Root");
  skip_ = ParserRuleByName(u"Skip");
  if (skip_) {
    std::vector<TParserRule*> seen;
    skip_->Consumable = ConsumableFilter(skip_, seen);
  }
}

TParserRule* TGrammaRules::ParserRuleByName(std::u16string_view Name) const {
  if (Name.empty()) return nullptr;
  for (const auto& r : rules_)
    if (SameText(r->Name, Name, cmIgnoreCase)) return r.get();
  return nullptr;
}

std::unique_ptr<TParserBranchNode> TGrammaRules::ParseRule(int TokenIdx, TParserRule* Rule,
                                                           const TTokenHolder& Tokens) const {
  if (!Rule) return nullptr;
  Matcher m(Tokens, skip_);
  TParserBranchNode holder(nullptr);
  int cursor = TokenIdx, earliest = INT_MAX;
  if (!m.MatchRule(Rule, cursor, earliest, &holder)) return nullptr;
  // The rule's node is the holder's only child.
  return std::unique_ptr<TParserBranchNode>(
      static_cast<TParserBranchNode*>(holder.ReleaseChild(0).release()));
}

namespace {

// Type and first unit of a token, read directly from analysis results when the holder is one.
void TokenKey(const TTokenHolder& Tokens, int Index, int& Type, char16_t& First) {
  if (const TParserResults* r = Tokens.AsParserResults()) {
    const TSyntToken& t = r->Tokens()[Index];
    Type = t.TokenType;
    First = t.FirstIn(ClientAccess::Text(*r));
    return;
  }
  Type = Tokens.TagType(Index);
  First = Tokens.TagFirstChar(Index);
}

}  // namespace

int TGrammaRules::TestRule(int TokenIdx, TParserRule* Rule, const TTokenHolder& Tokens) const {
  if (!Rule || TokenIdx < 0 || TokenIdx >= Tokens.TagCount()) return -1;
  int type;
  char16_t first;
  TokenKey(Tokens, TokenIdx, type, first);
  if (!Rule->LastToken.Pass(type, first)) return -1;
  // Most tokens fail every alternative on its quick test of the last one or two tokens: find that
  // out before matching. (A match covering no token gives -1 anyway.)
  Matcher m(Tokens, skip_);
  bool any = false;
  for (const auto& b : Rule->Branches) {
    if (b->Items.empty()) continue;
    if (b->HasSecond && TokenIdx < 1) continue;
    if (!m.BranchMayMatch(b.get(), TokenIdx, type, first)) continue;
    any = true;
    break;
  }
  if (!any) return -1;
  int cursor = TokenIdx, earliest = INT_MAX;
  if (!m.MatchRule(Rule, cursor, earliest, nullptr)) return -1;
  return earliest == INT_MAX ? -1 : earliest;
}

}  // namespace synt
