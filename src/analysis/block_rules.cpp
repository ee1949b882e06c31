// Block rules: conditions over the latest tokens, tag detection and the block-rule run that tags
// tokens, records line separators and opens and closes text ranges.
#include <algorithm>
#include <bit>

#include "analysis/analysis_profile.h"
#include "analysis/client_analyzer.h"
#include "analysis/gramma.h"
#include "analysis/gramma_rules.h"
#include "analysis/internal/analysis_plan.h"
#include "analysis/internal/client_access.h"
#include "platform/app_exceptions.h"
#include "text/memo_strings.h"

namespace synt {

using analysis_internal::BlockRulePlan;
using analysis_internal::ClientAccess;
using analysis_internal::ConditionPlan;
using analysis_internal::TokenIdCache;

namespace {

// The tokens of one block-rule run as conditions see them: a token's text is looked up in the
// lexer's tag dictionaries once, whatever number of conditions test it.
class RunTokens {
 public:
  RunTokens(analysis_internal::LexerPlan& Plan, const TParserResults& Client,
            std::u16string_view Text, int n)
      : plan_(Plan),
        client_(Client),
        list_(Client.Tokens()),
        text_(Text),
        match_(ClientAccess::MatchScratch(const_cast<TParserResults&>(Client))) {
    Count = list_.Count();
    Plan.Ids.StartRun(n, Text);
  }

  int Count;
  uint32_t Changes() const { return ClientAccess::TokenChanges(client_); }

  // Token t's column in the block-rule key tables (its type and first unit, as TagFirstChar has
  // it: grammar filters are tested with that).
  size_t Key(int t) {
    analysis_internal::TokenIdCache::Entry& e =
        plan_.Ids.Entries[t & (analysis_internal::TokenIdCache::kSize - 1)];
    const TSyntToken& tok = list_[t];
    if (e.Index == t) {
      if (e.KeyType == tok.TokenType) return e.Key;
    } else {
      Reset(e, t);
    }
    e.KeyType = tok.TokenType;
    e.Key = uint32_t(plan_.KeyAt(tok.TokenType, tok.FirstIn(text_)));
    return e.Key;
  }

  // Token t's text signature.
  uint32_t Sig(int t) const { return analysis_internal::TextSig(list_[t].TextIn(text_)); }

  bool Check(const ConditionPlan& C, int t) {
    const TSyntToken& tok = list_[t];
    if (C.TokenTypes != 0) {
      bool typed = (C.TokenTypes >> (uint32_t(tok.TokenType) % 32u)) & 1u;
      if (C.Type == tcSkip) return typed;
      if (!typed) return C.Type == tcNotEqual;
    }
    if (C.EmptyTags) return C.Type != tcNotEqual;
    switch (C.Type) {
      case tcEqual:
      case tcSkip:
        return C.HasTag(Id(C.IgnoreCase, t, tok));
      case tcNotEqual:
        return !C.HasTag(Id(C.IgnoreCase, t, tok));
      default:
        return analysis_internal::CheckConditionOn(C, text_, tok, match_);
    }
  }

 private:
  int Id(bool Fold, int t, const TSyntToken& tok) {
    analysis_internal::TokenIdCache::Entry& e =
        plan_.Ids.Entries[t & (analysis_internal::TokenIdCache::kSize - 1)];
    if (e.Index == t) {
      const int id = Fold ? e.Folded : e.Exact;
      if (id != -2) return id;
    }
    return LookUp(e, Fold, t, tok);
  }

  [[gnu::noinline]] int LookUp(analysis_internal::TokenIdCache::Entry& e, bool Fold, int t,
                               const TSyntToken& tok) {
    if (e.Index != t) Reset(e, t);
    int& id = Fold ? e.Folded : e.Exact;
    id = (Fold ? plan_.FoldedTags : plan_.ExactTags).Find(tok.TextIn(text_));
    return id;
  }

  static void Reset(analysis_internal::TokenIdCache::Entry& e, int t) {
    e.Index = t;
    e.Exact = e.Folded = -2;
    e.KeyType = -1;
  }

  analysis_internal::LexerPlan& plan_;
  const TParserResults& client_;
  const TTokenList& list_;
  std::u16string_view text_;
  TqxRegMatch& match_;
};

// The condition walk of CheckConditions over planned conditions.
bool CheckPlanned(const BlockRulePlan& P, RunTokens& R, int& RefIdx, int n) {
  const std::vector<ConditionPlan>& c = P.Conds;
  const int count = int(c.size());
  if (count == 0) return false;
  const int d = P.Delay;
  const int tags = R.Count;
  if (!P.HasSkip) {
    // Independent tests of the tokens n - 1 - d, n - 2 - d, ...: the order does not matter.
    for (int i : P.Order) {
      int t = n - i - d - 1;
      if (t < 0 || t >= tags) {
        if (c[size_t(i)].Type != tcNotEqual) return false;
      } else if (!R.Check(c[size_t(i)], t)) {
        return false;
      }
    }
    RefIdx = n - count - d;
    return true;
  }
  int skips = 0, extra = 0;
  for (int i = 0; i < count; ++i) {
    int t = n + extra - i - d - skips - 1;
    if (c[size_t(i)].Type == tcSkip && i < count - 1 && c[size_t(i) + 1].Type != tcSkip) {
      while (t >= 0) {
        if (t < tags && R.Check(c[size_t(i) + 1], t)) break;
        if (t >= tags || !R.Check(c[size_t(i)], t)) return false;
        --t;
        ++skips;
      }
      if (t < 0) return false;
      ++i;
      ++extra;
    }
    if (t < 0 || t >= tags) {
      if (c[size_t(i)].Type != tcNotEqual) return false;
    } else if (!R.Check(c[size_t(i)], t)) {
      return false;
    }
  }
  RefIdx = n + extra - count - d - skips;
  return true;
}

// The key and text signature of the newest token, when NoCandidate has taken them already.
struct NewestKey {
  bool Known = false;
  uint32_t Key = 0, Sig = 0;
};

// What visiting one candidate tells the walk.
enum class TVisit : int8_t {
  Next,   // go on with the following candidates
  Rekey,  // one of the latest tokens was retagged or the open ranges changed: recompute
  Stop,   // the rule cancels the rules after it
};

// Walks the candidate block rules for the most recent tokens (n - 1, n - 2, n - 3) in collection
// order, each once. After a visit that retagged one of those tokens or changed the open ranges
// (TVisit::Rekey), the candidates are recomputed for what changed. With LeaveRefused, rules the
// parent test is known to refuse are left out.
template <class Visit>
void ForEachCandidate(analysis_internal::LexerPlan& Plan, RunTokens& R, int n, bool LeaveRefused,
                      const NewestKey& Newest, Visit&& visit) {
  const int slots = int(Plan.SlotRule.size());
  if (slots == 0) return;
  const int words = Plan.BlockWords;
  // A token that is not there passes every rule.
  const uint64_t* k1 = nullptr;
  const uint64_t* k2 = nullptr;
  const uint64_t* k3 = nullptr;
  // The text signatures of the tokens n - 1 and n - 2 (they do not change in a run).
  const uint64_t* s1 = nullptr;
  const uint64_t* s2 = nullptr;
  uint32_t key1 = 0, key2 = 0, sig1 = 0;
  // The token changes when the keys were taken (a retag the run stops after leaves them old).
  uint32_t changes = R.Changes();
  auto keys = [&] {
    changes = R.Changes();
    k1 = k2 = k3 = nullptr;
    if (n >= 1 && n - 1 < R.Count) k1 = Plan.BlockByKey.data() + (key1 = R.Key(n - 1));
    if (n >= 2 && n - 2 < R.Count) k2 = Plan.BlockByKey2.data() + (key2 = R.Key(n - 2));
    if (n >= 3 && n - 3 < R.Count) k3 = Plan.BlockByKey3.data() + R.Key(n - 3);
  };
  // The run before (for n - 1) left the keys of what are now the tokens n - 2 and n - 3.
  TokenIdCache& ids = Plan.Ids;
  const size_t w1 = size_t(words);
  if (n >= 3 && n <= R.Count && ids.KeysRun == n - 1 && ids.KeysChanges == changes) {
    key1 = Newest.Known ? Newest.Key : uint32_t(R.Key(n - 1));
    sig1 = Newest.Known ? Newest.Sig : R.Sig(n - 1);
    k1 = Plan.BlockByKey.data() + key1;
    key2 = ids.Key1;
    k2 = Plan.BlockByKey2.data() + key2;
    k3 = Plan.BlockByKey3.data() + ids.Key2;
    s1 = Plan.BlockBySig.data() + sig1 * w1;
    s2 = Plan.BlockBySig2.data() + ids.Sig1 * w1;
  } else {
    keys();
    if (n >= 1 && n - 1 < R.Count) s1 = Plan.BlockBySig.data() + (sig1 = R.Sig(n - 1)) * w1;
    if (n >= 2 && n - 2 < R.Count) s2 = Plan.BlockBySig2.data() + R.Sig(n - 2) * w1;
  }
  // Kept for the next run, whichever way this one ends.
  struct Keep {
    TokenIdCache& ids;
    RunTokens& r;
    const int n;
    const uint32_t &k1, &k2, &s1, &changes;
    ~Keep() {
      ids.KeysRun = n >= 2 && n <= r.Count ? n : -1;
      ids.Key1 = k1;
      ids.Key2 = k2;
      ids.Sig1 = s1;
      ids.KeysChanges = changes;
    }
  } keep{ids, R, n, key1, key2, sig1, changes};
  auto mask = [&](int w) -> uint64_t {
    uint64_t m = ~uint64_t(0);
    if (k1) m &= k1[w];
    if (k2) m &= k2[w];
    if (k3) m &= k3[w];
    if (s1) m &= s1[w];
    if (s2) m &= s2[w];
    if (LeaveRefused) m &= ~Plan.ParentRefused[size_t(w)];
    return m;
  };
  auto from = [](int Bit) -> uint64_t {
    return Bit <= 0 ? ~uint64_t(0) : Bit >= 64 ? 0 : ~uint64_t(0) << Bit;
  };
  if (words == 1) {
    // The usual case: every slot in one word.
    const uint64_t all = slots >= 64 ? ~uint64_t(0) : (uint64_t(1) << slots) - 1;
    uint64_t bits = mask(0) & all;
    while (bits) {
      const int slot = std::countr_zero(bits);
      const int rule = Plan.SlotRule[size_t(slot)];
      const int next = Plan.RuleSlots[size_t(rule) + 1];
      const TVisit r = visit(Plan.BlockRules[size_t(rule)]);
      if (r == TVisit::Stop) return;
      if (r == TVisit::Rekey) {
        keys();
        bits = mask(0) & all & from(next);
      } else {
        bits &= from(next);
      }
    }
    return;
  }
  int next = 0;  // the first slot of the rules not yet visited
  for (int w = 0; w < words; ++w) {
    uint64_t bits = mask(w) & from(next - w * 64);
    while (bits) {
      const int slot = w * 64 + std::countr_zero(bits);
      if (slot >= slots) break;
      const int rule = Plan.SlotRule[size_t(slot)];
      next = Plan.RuleSlots[size_t(rule) + 1];
      const TVisit r = visit(Plan.BlockRules[size_t(rule)]);
      if (r == TVisit::Stop) return;
      if (r == TVisit::Rekey) {
        keys();
        bits = mask(w) & from(next - w * 64);
      } else {
        bits &= from(next - w * 64);
      }
    }
  }
}

// What the action of an accepted rule did.
enum class TAction : int8_t {
  NotTaken,        // a range end that closed nothing
  Taken,           // done, the latest three tokens unchanged
  RetaggedLatest,  // done, and one of the latest three tokens has another type now
};

// What an accepted block rule does: states, then its action on the tokens of the run for n.
[[gnu::noinline]] TAction ApplyAccepted(TClientSyntAnalyzer& Client, const BlockRulePlan& p, int n,
                                        int refIdx) {
  TTagBlockCondition* rule = p.Rule;
  Client.ApplyStates(rule);
  const int r = p.RefToCondEnd ? refIdx : n - p.Delay - 1;
  const int k = r - p.IdentIndex;
  bool retagged = false;
  if (k >= 0 && k < n) {
    switch (p.BlockType) {
      case btTagDetect:
        ClientAccess::TagToken(Client, k, p.RuleIndex, p.TokenType, n);
        retagged = k >= n - 3 && p.TokenType >= 0;
        break;
      case btLineBreak: {
        const TSyntToken& t = Client.Tags(k);
        TLineBreak lb;
        lb.RefTag = k;
        lb.Rule = rule;
        lb.Line = rule->LinePos() == lbTop ? ClientAccess::LineOfOffset(Client, t.StartPos)
                                           : ClientAccess::LineOfOffset(Client, t.EndPos) + 1;
        ClientAccess::AddLineBreak(Client, lb);
        break;
      }
      case btRangeStart: {
        if (rule->SelfClose()) Client.CloseRange(rule, r);
        const int s = r - rule->BlockOffset();
        if (s >= 0 && s < n) {
          auto range = std::make_unique<TTextRange>();
          range->Rule = rule;
          range->StartIdx = s;
          range->IdentIdx = k;
          range->CondIndex = n - 1;
          if (rule->NoEndRule()) {
            range->EndIdx = n - p.Delay - 1;
            range->EndCondIndex = n - 1;
            // The range spans the matched conditions; its sort key follows its first token.
            int first = refIdx - rule->BlockOffset();
            if (first >= 0 && first < n) range->StartIdx = first;
          }
          range->StartPos = Client.Tags(range->StartIdx).StartPos;
          Client.AddRange(std::move(range));
        }
        break;
      }
      case btRangeEnd:
        if (!Client.CloseRange(rule, r)) return TAction::NotTaken;
        break;
    }
  }
  return retagged ? TAction::RetaggedLatest : TAction::Taken;
}

// Four runs in ten have no candidate at all. When the run before left the keys of the two older
// tokens, that is found out here at the cost of one key, and the run ends as a full one would
// (its bookkeeping done, nothing else). Otherwise the newest token's key, once taken, is kept in
// Newest for the full run.
bool NoCandidate(analysis_internal::LexerPlan& Plan, const TParserResults& Client,
                 std::u16string_view Text, int n, NewestKey& Newest) {
  TokenIdCache& ids = Plan.Ids;
  if (Plan.BlockWords != 1 || n < 3 || ids.KeysRun != n - 1 || ids.LastRun != n - 1 ||
      ids.KeysChanges != ClientAccess::TokenChanges(Client) || Text.data() != ids.TextData ||
      Text.size() != ids.TextSize)
    return false;
  const TSyntToken& t = Client.Tokens()[n - 1];
  const uint32_t key = uint32_t(Plan.KeyAt(t.TokenType, t.FirstIn(Text)));
  const uint32_t sig = analysis_internal::TextSig(t.TextIn(Text));
  const size_t slots = Plan.SlotRule.size();
  const uint64_t all = slots >= 64 ? ~uint64_t(0) : (uint64_t(1) << slots) - 1;
  if (Plan.BlockByKey[key] & Plan.BlockByKey2[ids.Key1] & Plan.BlockByKey3[ids.Key2] &
      Plan.BlockBySig[sig] & Plan.BlockBySig2[ids.Sig1] & ~Plan.ParentRefused[0] & all) {
    Newest = {true, key, sig};
    return false;
  }
  ids.LastRun = n;
  ids.KeysRun = n;
  ids.Key2 = ids.Key1;
  ids.Key1 = key;
  ids.Sig1 = sig;
  return true;
}

const BlockRulePlan* FindBlockPlan(analysis_internal::LexerPlan& Plan, TTagBlockCondition* Rule) {
  for (const auto& p : Plan.BlockRules)
    if (p.Rule == Rule) return &p;
  return nullptr;
}

}  // namespace

// ---- Rule-level operations ----------------------------------------------------------------

int TTagBlockCondition::ConditionDelay() const {
  if (RefToCondEnd()) return 0;
  return std::max({0, -IdentIndex(), -BlockOffset()});
}

bool TSingleTagCondition::CheckToken(std::u16string_view Text, const TSyntToken& Token) const {
  // One-off test outside a client: build the planned form of this condition and test a holder
  // that contains the token alone.
  analysis_internal::ConditionPlan p = analysis_internal::PlanOneCondition(this);
  TqxRegMatch m;
  return analysis_internal::CheckConditionOn(p, Text, Token, m);
}

bool TTagBlockCondition::CheckConditions(std::u16string_view Text, TParserResults& Client,
                                         int& RefIdx, int n) {
  TSyntAnalyzer* lexer = SyntOwner();
  if (!lexer) return false;
  analysis_internal::LexerPlan& plan = ClientAccess::PlanFor(Client, lexer);
  const BlockRulePlan* p = FindBlockPlan(plan, this);
  if (!p) return false;
  if (n < 0) n = Client.TagCount();
  RunTokens run(plan, Client, Text, n);
  return CheckPlanned(*p, run, RefIdx, n);
}

// ---- The lexer's block-rule passes ------------------------------------------------------------

void TSyntAnalyzer::DetectTags(TParserResults& Client, std::u16string_view Text, bool OnlyGlobal) {
  analysis_internal::LexerPlan& plan = ClientAccess::PlanFor(Client, this);
  if (plan.GrammaCompileCount != Gramma()->CompileCount())
    analysis_internal::PlanGramma(plan, this);
  const int n = Client.TagCount();
  RunTokens run(plan, Client, Text, n);
  TAnalysisProfile* const profile = ClientAccess::Profile(Client);
  ForEachCandidate(plan, run, n, false, NewestKey(), [&](const BlockRulePlan& p) -> TVisit {
    TTagBlockCondition* rule = p.Rule;
    if (!p.SimpleTag || p.Gramma) return TVisit::Next;
    if (OnlyGlobal && !p.Global) return TVisit::Next;
    TRuleTimer timer(profile, p.RuleIndex);
    int refIdx = 0;
    bool accept = CheckPlanned(p, run, refIdx, n);
    if (rule->OnBlockCheck) {
      auto* client = dynamic_cast<TClientSyntAnalyzer*>(&Client);
      rule->OnBlockCheck(rule, client, Text, refIdx, accept);
    }
    if (!accept) return TVisit::Next;
    timer.Fired();
    int k = p.RefToCondEnd ? refIdx - p.IdentIndex : n - p.Delay - p.IdentIndex - 1;
    bool retagged = false;
    if (k >= 0 && k < Client.TagCount()) {
      ClientAccess::TagToken(Client, k, p.RuleIndex, p.TokenType, n);
      retagged = k >= n - 3 && p.TokenType >= 0;
    }
    if (p.CancelNextRules) return TVisit::Stop;
    return retagged ? TVisit::Rekey : TVisit::Next;
  });
}

void TSyntAnalyzer::ApplyBlockRules(TClientSyntAnalyzer& Client, std::u16string_view Text, int n,
                                    bool OnlyGlobal, bool SkipSimpleTags) {
  const int count = Client.Tokens().Count();
  if (n < 0 || n > count) n = count;
  ClientAccess::SetBlockAnalPos(Client, n);
  analysis_internal::LexerPlan& plan = ClientAccess::PlanFor(Client, this);
  if (plan.GrammaCompileCount != Gramma()->CompileCount())
    analysis_internal::PlanGramma(plan, this);
  // The parent test depends on the rule and the open ranges alone: answers are kept until those
  // change. It is asked before the conditions, which have no effect of their own, so a rule that
  // the innermost range forbids costs a bit test, and once known it is no candidate at all.
  if (plan.ParentGeneration != ClientAccess::OpenedGeneration(Client))
    plan.ResetParentAnswers(ClientAccess::OpenedGeneration(Client));
  NewestKey newest;
  if (NoCandidate(plan, Client, Text, n, newest)) return;
  const uint32_t* state = &ClientAccess::CurrentStateRef(Client);
  RunTokens run(plan, Client, Text, n);
  auto parentOk = [&](const BlockRulePlan& p) -> bool {
    const size_t i = size_t(&p - plan.BlockRules.data());
    const uint64_t bit = uint64_t(1) << (i & 63);
    uint64_t& known = plan.ParentKnown[i >> 6];
    uint64_t& pass = plan.ParentPass[i >> 6];
    if (!(known & bit)) {
      known |= bit;
      if (ClientAccess::ParentTest(Client, p.Rule)) {
        pass |= bit;
      } else {
        for (int s = plan.RuleSlots[i]; s < plan.RuleSlots[i + 1]; ++s)
          plan.ParentRefused[size_t(s) >> 6] |= uint64_t(1) << (s & 63);
      }
    }
    return pass & bit;
  };
  TAnalysisProfile* const profile = ClientAccess::Profile(Client);
  auto visit = [&](const BlockRulePlan& p) -> TVisit {
    TTagBlockCondition* rule = p.Rule;
    TParserRule* gramma = p.Gramma;
    if (SkipSimpleTags && p.SimpleTag && !gramma) return TVisit::Next;
    TRuleTimer timer(profile, p.RuleIndex);
    // IsRuleEnabled, inlined: the enabled flag is in the plan, states are cheap, and the parent
    // test is answered from the cache.
    if (OnlyGlobal && !p.Global) return TVisit::Next;
    if (p.StatesPresent && (*state & p.StatesPresent) != p.StatesPresent) return TVisit::Next;
    if (p.StatesAbsent && (*state & p.StatesAbsent)) return TVisit::Next;

    int refIdx = 0;
    bool accept;
    if (gramma) {
      // The grammar rule's own filter first: it rejects most tokens without raising. The
      // candidate keys applied it already unless a handler is assigned.
      const bool may = n >= 1 && (!p.Event || gramma->LastToken.Pass(Client.TagType(n - 1),
                                                                     Client.TagFirstChar(n - 1)));
      if (!may && !p.Event) return TVisit::Next;
      if (p.ParentTest && !parentOk(p)) return TVisit::Next;
      int pos = may ? Gramma()->TestRule(n - 1, gramma, Client) : -1;
      accept = pos != -1;
      refIdx = pos;
    } else {
      if (p.ParentTest && !parentOk(p)) return TVisit::Next;
      accept = CheckPlanned(p, run, refIdx, n);
      if (!accept && !p.Event) return TVisit::Next;
    }
    if (p.Event && rule->OnBlockCheck) rule->OnBlockCheck(rule, &Client, Text, refIdx, accept);
    if (!accept) return TVisit::Next;
    timer.Fired();

    const TAction done = ApplyAccepted(Client, p, n, refIdx);
    if (done == TAction::NotTaken) return TVisit::Next;
    if (p.CancelNextRules) return TVisit::Stop;
    return done == TAction::RetaggedLatest ? TVisit::Rekey : TVisit::Next;
  };
  try {
    ForEachCandidate(plan, run, n, true, newest, [&](const BlockRulePlan& p) -> TVisit {
      const TVisit r = visit(p);
      // Ranges opened or closed: the parent-test answers no longer hold.
      if (r != TVisit::Stop && plan.ParentGeneration != ClientAccess::OpenedGeneration(Client)) {
        plan.ResetParentAnswers(ClientAccess::OpenedGeneration(Client));
        return TVisit::Rekey;
      }
      return r;
    });
  } catch (...) {
    HandleApplicationException(std::current_exception());
  }
}

}  // namespace synt
