// Internal: a client's compiled view of one lexer's rules, so that the per-token work needs no
// lookups by name, no allocation and no regular-expression attempt that cannot succeed.
//
// A plan is built on first use and dropped whenever the client is cleared, which every change of
// a lexer's rules causes (the lexer clears its clients). A grammar change recompiles without
// clearing clients: the block rules' grammar rules and the candidate keys are taken again when the
// grammar's compilation count moves (PlanGramma). Whether a rule has an event handler
// (OnMatchToken, OnBlockCheck) is part of the plan: assigning one marks the plans of the rule's
// lexer (TParserResults::RuleHandlersChanged), and the parts that depend on it are taken again
// before they are next used (PlanTokenHandlers, PlanGramma), outside the per-token work.
#pragma once

#ifdef SYNT_ABOVE_ANALYSIS
#error "analysis/internal is not for the modules above the analysis: use ISyntDisplayQueries"
#endif

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/gramma_rules.h"
#include "analysis/syntax_analyzer.h"
#include "lists/char_utils.h"
#include "regex/reg_expr.h"

namespace synt {
class TParserResults;
struct TSyntToken;
}  // namespace synt

namespace synt::analysis_internal {

// A token text's signature: its length and upper-cased end units, hashed to kTextSigs values.
// Tag conditions pass only tokens whose signature one of their tags has.
constexpr uint32_t kTextSigs = 1024;
inline uint32_t TextSig(std::u16string_view S) {
  if (S.empty()) return 0;
  return (uint32_t(S.size()) * 0x9E5u + uint32_t(CharUpper(S[0])) * 0x3Bu +
          CharUpper(S[S.size() - 1])) &
         (kTextSigs - 1);
}

// Every tag text of one lexer's conditions, numbered: a token's text is looked up once, and each
// condition tests its number in a bit set. Two of them per lexer: exact texts and upper-cased
// texts (IgnoreCase).
class TagDict {
 public:
  explicit TagDict(bool Fold = false) : fold_(Fold) {}
  // The number of Tag (upper-cased first when folding), added if new.
  int Add(const std::u16string& Tag);
  // The number of S, -1 when it is no tag.
  int Find(std::u16string_view S) const {
    if (tags_.empty() || S.size() < minLen_ || S.size() > maxLen_) return -1;
    // Most tokens are no tag: a bit per text signature turns most of them away at once.
    const uint32_t b = TextSig(S);
    if (!((bloom_[b >> 6] >> (b & 63)) & 1)) return -1;
    size_t mask = slots_.size() - 1;
    for (size_t k = Hash(S) & mask; slots_[k] >= 0; k = (k + 1) & mask)
      if (Same(tags_[size_t(slots_[k])], S)) return slots_[k];
    return -1;
  }
  int Count() const { return int(tags_.size()); }
  // The tags in number order (upper-cased when folding).
  const std::vector<std::u16string>& Texts() const { return tags_; }

 private:
  char16_t Fold(char16_t c) const { return fold_ ? CharUpper(c) : c; }
  uint32_t Hash(std::u16string_view S) const {
    // Length and the first, second and last units tell the tags of a lexer apart well enough.
    uint32_t h = uint32_t(S.size()) * 0x9E3779B1u;
    if (!S.empty()) {
      h = (h ^ Fold(S[0])) * 0x85EBCA77u;
      h = (h ^ Fold(S[S.size() - 1])) * 0xC2B2AE3Du;
      if (S.size() > 2) h = (h ^ Fold(S[1])) * 0x27D4EB2Fu;
    }
    return h ^ (h >> 15);
  }
  bool Same(const std::u16string& Tag, std::u16string_view S) const {
    if (Tag.size() != S.size()) return false;
    for (size_t i = 0; i < S.size(); ++i)
      if (Tag[i] != Fold(S[i])) return false;
    return true;
  }
  void Rehash();

  bool fold_;
  size_t minLen_ = SIZE_MAX, maxLen_ = 0;
  std::vector<std::u16string> tags_;     // upper-cased when folding
  std::vector<int> slots_;               // open addressing; -1 empty
  uint64_t bloom_[kTextSigs / 64] = {};  // TextSig of every tag
};

// A set of tag texts, looked up exactly or by simple upper-case mapping, without copying the text.
class TagSet {
 public:
  void Build(const std::vector<std::u16string>& Tags, bool IgnoreCase);
  // First units a member can start with.
  TTokenFilter FirstChars() const;
  bool Empty() const { return tags_.Count() == 0; }
  bool Contains(std::u16string_view S) const { return tags_.Find(S) >= 0; }
  // The members (upper-cased with IgnoreCase).
  const std::vector<std::u16string>& Texts() const { return tags_.Texts(); }

 private:
  bool ignoreCase_ = false;
  TagDict tags_;
};

struct ConditionPlan {
  // What a test reads first, together.
  TTagConditionType Type = tcEqual;
  uint32_t TokenTypes = 0;
  bool EmptyTags = true;
  bool IgnoreCase = false;
  // The tags by their numbers in the lexer's dictionary (exact or, with IgnoreCase, folded):
  // numbers below 128 here, the others in TagBitsMore.
  uint64_t TagBits[2] = {0, 0};
  std::vector<uint64_t> TagBitsMore;
  bool HasTag(int Id) const {
    if (Id < 0) return false;
    if (Id < 128) return (TagBits[Id >> 6] >> (Id & 63)) & 1;
    const size_t w = size_t((Id - 128) >> 6);
    return w < TagBitsMore.size() && ((TagBitsMore[w] >> (Id & 63)) & 1);
  }
  void AddTag(int Id) {
    if (Id < 128) {
      TagBits[Id >> 6] |= uint64_t(1) << (Id & 63);
      return;
    }
    const size_t w = size_t((Id - 128) >> 6);
    if (TagBitsMore.size() <= w) TagBitsMore.resize(w + 1, 0);
    TagBitsMore[w] |= uint64_t(1) << (Id & 63);
  }
  TagSet Tags;
  // tcMask, tcStrictMask: the tags compiled in list order; an invalid one ends the list there.
  std::vector<std::shared_ptr<const TqxRegProgram>> Masks;
  bool MaskListCut = false;  // a tag failed to compile (the test ends there)
};

struct TokenRulePlan {
  TTokenRule* Rule = nullptr;
  std::shared_ptr<const TqxRegProgram> Prog;  // null: the expression is invalid
  int RuleIndex = -1;                         // in the client's rule table
  int TokenType = 0;
  uint32_t StatesPresent = 0, StatesAbsent = 0;
  uint32_t StatesRemove = 0, StatesAdd = 0;
  bool Global = false;      // AlwaysEnabled
  bool ParentTest = false;  // the parent-block test can disable it
  bool Columns = false;     // ColumnFrom or ColumnTo
  bool Event = false;       // OnMatchToken assigned
  bool Filtered = false;    // the candidate masks applied the expression's first-unit filter
};

struct BlockRulePlan {
  // What every visit of the rule reads comes first.
  TParserRule* Gramma = nullptr;  // the rule GrammaRuleName names, as of GrammaCompileCount
  uint32_t StatesPresent = 0, StatesAbsent = 0;
  int Delay = 0;  // ConditionDelay
  // Without tcSkip the conditions are independent tests of fixed tokens, so they are tried in an
  // order that rejects early: positive tests first, tcNotEqual last.
  bool HasSkip = false;
  bool SimpleTag = false;  // btTagDetect without BlockName and without grammar rule
  bool ParentTest = false;
  bool Global = false;       // AlwaysEnabled
  bool Event = false;        // OnBlockCheck assigned (it may accept what the conditions refuse)
  bool NamesGramma = false;  // GrammaRuleName is set
  // The rule's own settings the run reads, here so that a run touches no rule object.
  bool RefToCondEnd = false;
  bool CancelNextRules = false;
  TTagBlockType BlockType = btRangeStart;
  int IdentIndex = 0;
  int TokenType = -1;
  int RuleIndex = -1;
  std::vector<ConditionPlan> Conds;
  std::vector<int> Order;
  TTagBlockCondition* Rule = nullptr;
};

// The numbers of the latest tokens' texts in a lexer's dictionaries, and their block-rule keys,
// kept from one block-rule run to the next (runs come for n, n + 1, ... tokens; anything else
// starts afresh).
struct TokenIdCache {
  // An entry is good while its token stays: the cache is reset when the text changes, when runs
  // are not for n, n + 1, ... and when re-analysis cuts the token list (Invalidate). A retag keeps
  // the text, and changes the type (which the key is checked against).
  struct Entry {
    int Index = -1;
    int Exact = -2, Folded = -2;  // -2: not looked up yet
    int KeyType = -1;             // the type Key was computed for (-1: none yet)
    uint32_t Key = 0;             // the token's column in the block-rule key tables
  };
  static constexpr int kSize = 16;
  Entry Entries[kSize];
  const char16_t* TextData = nullptr;
  size_t TextSize = 0;
  int LastRun = -2;
  // The keys of the tokens n - 1 and n - 2 as the run for n (KeysRun) left them, with the
  // client's token changes then: the next run takes them for its n - 2 and n - 3.
  int KeysRun = -1;
  uint32_t KeysChanges = 0;
  uint32_t Key1 = 0, Key2 = 0;
  uint32_t Sig1 = 0;  // the text signature of the token n - 1
  // Called at the start of a run for n tokens over Text.
  void StartRun(int n, std::u16string_view Text) {
    if (Text.data() != TextData || Text.size() != TextSize || (n != LastRun && n != LastRun + 1))
      Reset(Text);
    LastRun = n;
  }
  void Reset(std::u16string_view Text) {
    for (Entry& e : Entries) e.Index = -1;
    KeysRun = -1;
    TextData = Text.data();
    TextSize = Text.size();
  }
  void Invalidate() { LastRun = -2; }
};

struct SubRulePlan {
  TSubAnalyzerRule* Rule = nullptr;
  std::shared_ptr<const TqxRegProgram> Start, End;
};

struct LexerPlan {
  TSyntAnalyzer* Lexer = nullptr;
  std::vector<TokenRulePlan> TokenRules;
  // Candidate token rules per first unit: class c (0-255 a unit, 256 every unit above) holds Words
  // 64-bit words, bit i set when rule i may match there. Disabled and invalid rules are left out.
  int Words = 0;
  std::vector<uint64_t> CharMasks;
  std::vector<uint64_t> GlobalMask;  // rules with AlwaysEnabled
  std::vector<BlockRulePlan> BlockRules;
  // Candidate block rules by the three most recent tokens. A rule has one or more slots (a rule
  // with a grammar rule one per alternative of it, any other rule one); a slot is a candidate when
  // the latest token's key passes its filter in BlockByKey, the key of the token before passes in
  // BlockByKey2 and the key of the one before that in BlockByKey3 (a missing token passes). A rule
  // is a candidate when one of its slots is; the run visits it once, in collection order.
  int BlockWords = 0;          // 64-bit words of slot bits
  std::vector<int> SlotRule;   // slot -> rule
  std::vector<int> RuleSlots;  // rule i has the slots [RuleSlots[i], RuleSlots[i + 1])
  // Units 0-128 (128: every unit above 127) fall into few classes that no key tells apart; the
  // tables hold one column per class, so that the columns in use stay in the nearest cache.
  // KeyAt in two lookups: the offsets of a type's rows and of a unit's class column.
  uint32_t KeyTypeAt[32] = {};
  uint32_t KeyClassAt[129] = {};
  std::vector<uint64_t> BlockByKey;   // the latest token: [((type % 32) * classes + class) * words]
  std::vector<uint64_t> BlockByKey2;  // the token before
  std::vector<uint64_t> BlockByKey3;  // the token before that
  // The same by the text signatures of the latest token and the one before: [sig * BlockWords].
  std::vector<uint64_t> BlockBySig, BlockBySig2;
  // The grammar compilation the keys and the plans' grammar rules were taken from (-1: take them
  // again, with the block rules' handlers).
  int GrammaCompileCount = -1;
  // A token rule's handler changed since the candidate masks were made.
  bool TokenHandlersStale = false;
  std::vector<SubRulePlan> SubRules;
  TagDict ExactTags{false}, FoldedTags{true};
  TokenIdCache Ids;
  // Parent-test answers of the block rules (bit i: rule i), good while the open ranges stay as
  // they were: they change rarely, while a rule that the innermost range forbids is a candidate
  // at many tokens. ParentRefused holds the slots of the rules known to fail, which the run
  // leaves out of the candidates.
  std::vector<uint64_t> ParentKnown, ParentPass, ParentRefused;
  uint64_t ParentGeneration = ~uint64_t(0);
  // Units a sub-lexer rule's start can match at (every rule, and the AlwaysEnabled ones), and
  // whether some rule may open a region anywhere (FromTextBegin, an invalid or empty-matching
  // start expression): a region cannot open at other units.
  TqxCharFilter SubStart, SubStartGlobal;
  bool SubStartAnywhere = false, SubStartGlobalAnywhere = false;

  const uint64_t* Candidates(char16_t c) const {
    return CharMasks.data() + size_t(c < 256 ? c : 256) * size_t(Words);
  }
  size_t KeyAt(int Type, char16_t c) const {
    return size_t(KeyTypeAt[uint32_t(Type) % 32u]) + KeyClassAt[c < 128 ? c : 128];
  }
  // Forgets the parent-test answers (the open ranges changed).
  void ResetParentAnswers(uint64_t Generation) {
    ParentKnown.assign(BlockRules.size() / 64 + 1, 0);
    ParentPass.assign(BlockRules.size() / 64 + 1, 0);
    ParentRefused.assign(size_t(BlockWords), 0);
    ParentGeneration = Generation;
  }
};

std::unique_ptr<LexerPlan> BuildPlan(TSyntAnalyzer* Lexer, TParserResults& Client);
// Takes the token rules' handlers again and the candidate masks that depend on them (in place:
// the tables keep their size, so a plan in use stays valid).
void PlanTokenHandlers(LexerPlan& Plan);
// Takes the block rules' grammar rules from the lexer's latest grammar compilation and keys the
// block rules again (a grammar recompiles without clearing the clients).
void PlanGramma(LexerPlan& Plan, TSyntAnalyzer* Lexer);

// The regular expression of a condition tag (default modifiers), or null when it does not compile.
std::shared_ptr<const TqxRegProgram> CompileTag(const std::u16string& Tag);

bool CheckCondition(const ConditionPlan& C, const TParserResults& Client, std::u16string_view Text,
                    int TokenIndex);
// The same test on a token alone.
bool CheckConditionOn(const ConditionPlan& C, std::u16string_view Text, const TSyntToken& Token,
                      TqxRegMatch& Match);
ConditionPlan PlanOneCondition(const TSingleTagCondition* C);

}  // namespace synt::analysis_internal
