#include "analysis/internal/analysis_plan.h"

#include <algorithm>
#include <array>

#include "analysis/internal/client_access.h"
#include "analysis/parser_results.h"
#include "lists/char_utils.h"

namespace synt::analysis_internal {

// ---- TagSet ---------------------------------------------------------------------------------

void TagSet::Build(const std::vector<std::u16string>& Tags, bool IgnoreCase) {
  ignoreCase_ = IgnoreCase;
  tags_ = TagDict(IgnoreCase);
  for (const std::u16string& t : Tags) tags_.Add(t);
}

TTokenFilter TagSet::FirstChars() const {
  if (Empty()) return TTokenFilter();
  uint64_t chars[2] = {0, 0};
  bool high = ignoreCase_;  // units above 127 may share an upper case with an ASCII tag
  auto add = [&](char16_t c) {
    if (c < 128)
      chars[c >> 6] |= uint64_t(1) << (c & 63);
    else
      high = true;
  };
  for (const std::u16string& t : Texts()) {
    if (t.empty()) continue;
    add(t[0]);
    if (ignoreCase_) add(CharLower(t[0]));
  }
  return TTokenFilter::Product(~0u, chars[0], chars[1], high);
}

// ---- TagDict --------------------------------------------------------------------------------

int TagDict::Add(const std::u16string& Tag) {
  std::u16string t = Tag;
  for (char16_t& c : t) c = Fold(c);
  if (int id = Find(t); id >= 0) return id;
  const uint32_t b = TextSig(t);
  bloom_[b >> 6] |= uint64_t(1) << (b & 63);
  tags_.push_back(std::move(t));
  minLen_ = std::min(minLen_, Tag.size());
  maxLen_ = std::max(maxLen_, Tag.size());
  const int id = int(tags_.size()) - 1;
  if (tags_.size() * 4 > slots_.size()) {
    Rehash();
  } else {
    const size_t mask = slots_.size() - 1;
    size_t k = Hash(tags_.back()) & mask;
    while (slots_[k] >= 0) k = (k + 1) & mask;
    slots_[k] = id;
  }
  return id;
}

void TagDict::Rehash() {
  // A quarter full at most: a miss (most tokens are no tag) ends on an empty slot at once.
  size_t cap = 16;
  while (cap < tags_.size() * 8) cap *= 2;
  if (slots_.size() == cap) {
    std::fill(slots_.begin(), slots_.end(), -1);
  } else {
    slots_.assign(cap, -1);
  }
  for (size_t i = 0; i < tags_.size(); ++i) {
    size_t k = Hash(tags_[i]) & (cap - 1);
    while (slots_[k] >= 0) k = (k + 1) & (cap - 1);
    slots_[k] = int(i);
  }
}

// ---- Conditions -----------------------------------------------------------------------------

std::shared_ptr<const TqxRegProgram> CompileExpression(const std::u16string& Expression,
                                                       uint16_t Modifiers, uint32_t CodePage) {
  try {
    TqxRegExpr re;
    re.SetModifierFlags(Modifiers);
    re.SetCodePage(CodePage);
    re.SetExpression(Expression);
    return re.Program();
  } catch (...) {
    return nullptr;
  }
}

// The rule's own expression, compiled on first use (null when invalid).
std::shared_ptr<const TqxRegProgram> ProgramOf(TqxRegExpr* Expr) {
  try {
    return Expr ? Expr->Program() : nullptr;
  } catch (...) {
    return nullptr;
  }
}

std::shared_ptr<const TqxRegProgram> CompileTag(const std::u16string& Tag) {
  return CompileExpression(Tag, DefaultRegexOptions, 0);
}

ConditionPlan PlanOneCondition(const TSingleTagCondition* C) {
  ConditionPlan p;
  p.Type = C->CondType();
  p.TokenTypes = C->TokenTypes();
  std::vector<std::u16string> tags;
  const TStrings& list = *C->TagList();
  for (int i = 0; i < list.Count(); ++i) tags.push_back(list.Strings(i));
  p.EmptyTags = tags.empty();
  p.IgnoreCase = C->IgnoreCase();
  if (p.Type == tcMask || p.Type == tcStrictMask) {
    for (const std::u16string& t : tags) {
      auto prog = CompileTag(t);
      if (!prog) {
        p.MaskListCut = true;
        break;
      }
      p.Masks.push_back(std::move(prog));
    }
  } else {
    p.Tags.Build(tags, C->IgnoreCase());
  }
  return p;
}

bool CheckCondition(const ConditionPlan& C, const TParserResults& Client, std::u16string_view Text,
                    int TokenIndex) {
  return CheckConditionOn(C, Text, Client.Tokens()[TokenIndex],
                          ClientAccess::MatchScratch(const_cast<TParserResults&>(Client)));
}

bool CheckConditionOn(const ConditionPlan& C, std::u16string_view Text, const TSyntToken& t,
                      TqxRegMatch& m) {
  if (C.TokenTypes != 0) {
    bool typed = (C.TokenTypes >> (uint32_t(t.TokenType) % 32u)) & 1u;
    if (C.Type == tcSkip) return typed;
    if (!typed) return C.Type == tcNotEqual;
  }
  if (C.EmptyTags) return C.Type != tcNotEqual;
  const std::u16string_view tokenText = t.TextIn(Text);
  switch (C.Type) {
    case tcEqual:
    case tcSkip:
      return C.Tags.Contains(tokenText);
    case tcNotEqual:
      return !C.Tags.Contains(tokenText);
    case tcMask:
    case tcStrictMask: {
      // The mask sees the token's text alone, as a copy would: anchors at its ends hold there.
      for (const auto& prog : C.Masks) {
        if (!prog->MayMatchAt(tokenText, 1)) continue;
        int len;
        try {
          len = prog->AnchoredLength(tokenText, 1, m);
        } catch (...) {
          len = -1;
        }
        if (len > 0 && (C.Type == tcMask || size_t(len) == tokenText.size())) return true;
      }
      return false;
    }
  }
  return false;
}

// ---- Plans ----------------------------------------------------------------------------------

namespace {

// The tokens a positive condition can accept (a superset).
TTokenFilter ConditionFilter(const ConditionPlan& c) {
  const uint32_t types = c.TokenTypes ? c.TokenTypes : ~0u;
  const TTokenFilter all = TTokenFilter::Product(types, ~uint64_t(0), ~uint64_t(0), true);
  if (c.Type == tcSkip && c.TokenTypes) return all;  // typed tokens pass whatever their text
  if (c.EmptyTags) return all;
  uint64_t chars[2] = {0, 0};
  bool high = false;
  if (c.Type == tcMask || c.Type == tcStrictMask) {
    for (const auto& m : c.Masks) {
      if (m->MatchesEmpty()) return all;
      const TqxCharFilter& fc = m->FirstChars();
      chars[0] |= fc.low[0];
      chars[1] |= fc.low[1];
      high |= fc.high || fc.low[2] || fc.low[3];
    }
  } else {
    const TTokenFilter f = c.Tags.FirstChars();
    // FirstChars passes every type alike: its type-0 row is its character set.
    chars[0] = f.Low[0][0];
    chars[1] = f.Low[0][1];
    high = f.High & 1u;
  }
  return TTokenFilter::Product(types, chars[0], chars[1], high);
}

// What a block rule's conditions ask of the tokens n - 1, n - 2 and n - 3 (supersets; a
// position nothing is asked of passes every token).
// A slot's keys: filters for the tokens n - 1, n - 2 and n - 3, and for n - 1 and n - 2 the text
// signatures that can pass (none listed: every one).
struct SlotKeys {
  std::array<TTokenFilter, 3> f;
  std::array<std::vector<uint32_t>, 2> sigs;
  std::array<bool, 2> anySig = {true, true};
};

// What a block rule's conditions ask of the latest tokens (supersets; a position nothing is
// asked of passes every token).
SlotKeys ConditionKeys(const BlockRulePlan& p) {
  SlotKeys k;
  std::array<TTokenFilter, 3>& f = k.f;
  const std::vector<ConditionPlan>& c = p.Conds;
  const size_t count = c.size();
  if (count == 0) {
    f[0] = TTokenFilter::None();  // never fires
    return k;
  }
  auto positive = [](const ConditionPlan& k) {
    return k.Type == tcNotEqual ? TTokenFilter() : ConditionFilter(k);
  };
  // The conditions test the tokens n - 1 - Delay, n - 2 - Delay, ... one each, until a tcSkip
  // followed by another kind: the token there passes one of the two, and the tokens after it
  // (a run of skipped ones of any length) are no longer at fixed places.
  size_t i = 0;
  for (int pos = p.Delay; pos < 3 && i < count; ++pos) {
    const bool skips = c[i].Type == tcSkip && i + 1 < count && c[i + 1].Type != tcSkip;
    if (!skips) {
      f[size_t(pos)] = positive(c[i]);
      // A tag list passes only its own texts.
      if (pos < 2 && c[i].Type == tcEqual && !c[i].EmptyTags) {
        k.anySig[size_t(pos)] = false;
        for (const std::u16string& t : c[i].Tags.Texts()) k.sigs[size_t(pos)].push_back(TextSig(t));
      }
      ++i;
      continue;
    }
    if (c[i + 1].Type != tcNotEqual) {
      f[size_t(pos)] = ConditionFilter(c[i]);
      f[size_t(pos)].Unite(ConditionFilter(c[i + 1]));
    }
    break;
  }
  return k;
}

// A grammar rule's alternatives as slots: the latest token must pass the alternative's own last
// filter, and the token before its second filter or the Skip rule's (the grammar's quick test
// before a match).
std::vector<std::array<TTokenFilter, 3>> GrammaKeys(const TParserRule* R, const TParserRule* Skip) {
  std::vector<std::array<TTokenFilter, 3>> slots;
  auto whole = [&] {
    std::array<TTokenFilter, 3> f;
    f[0] = R->LastToken;
    if (R->HasSecond) {
      f[1] = R->SecondToken;
      if (Skip) f[1].Unite(Skip->LastToken);
    }
    return f;
  };
  // Many alternatives would make many slots for little: the rule's own filters do then.
  if (R->Branches.size() > 8) return {whole()};
  for (const auto& b : R->Branches) {
    if (b->Items.empty()) continue;  // never matches
    std::array<TTokenFilter, 3> f;
    f[0] = R->LastToken;
    if (b->MustConsume) f[0].Intersect(b->LastToken);
    if (b->HasSecond) {
      f[1] = b->SecondToken;
      if (Skip) f[1].Unite(Skip->LastToken);
    }
    slots.push_back(f);
  }
  return slots;
}

}  // namespace

void PlanGramma(LexerPlan& Plan, TSyntAnalyzer* Lexer) {
  Plan.GrammaCompileCount = Lexer->Gramma()->CompileCount();
  Plan.Ids.Invalidate();  // the keys it holds are columns of the tables built here
  const TParserRule* skip = Lexer->Gramma()->Skip();
  const int nBlock = int(Plan.BlockRules.size());
  // Each rule's slots: filters for the latest token, the one before and the one before that.
  std::vector<SlotKeys> slots;
  Plan.SlotRule.clear();
  Plan.RuleSlots.assign(size_t(nBlock) + 1, 0);
  for (int i = 0; i < nBlock; ++i) {
    BlockRulePlan& p = Plan.BlockRules[size_t(i)];
    p.Gramma = p.NamesGramma ? p.Rule->GrammaRule() : nullptr;
    p.Event = bool(p.Rule->OnBlockCheck);
    Plan.RuleSlots[size_t(i)] = int(slots.size());
    std::vector<SlotKeys> own;
    if (!p.Rule->Enabled()) {
      // never a candidate: no slot
    } else if (p.Rule->OnBlockCheck) {
      own.emplace_back();  // the handler may accept whatever the conditions say
    } else if (p.Gramma) {
      for (const auto& f : GrammaKeys(p.Gramma, skip)) own.push_back({f, {}, {true, true}});
    } else {
      own.push_back(ConditionKeys(p));
    }
    for (auto& f : own) {
      slots.push_back(f);
      Plan.SlotRule.push_back(i);
    }
  }
  Plan.RuleSlots[size_t(nBlock)] = int(slots.size());
  const size_t nSlots = slots.size();
  const size_t words = std::max<size_t>(1, (nSlots + 63) / 64);
  Plan.BlockWords = int(words);
  Plan.ParentGeneration = ~uint64_t(0);
  // Units that every filter passes or refuses alike, for every type, share a class. A filter
  // row (one type) is a set of units; a unit's class is the set of distinct rows that hold it.
  std::vector<std::array<uint64_t, 3>> rows;
  auto addRows = [&](const TTokenFilter& f) {
    for (unsigned t = 0; t < 32; ++t) {
      std::array<uint64_t, 3> r = {f.Low[t][0], f.Low[t][1], (f.High >> t) & 1u};
      if (std::find(rows.begin(), rows.end(), r) == rows.end()) rows.push_back(r);
    }
  };
  for (const auto& f : slots)
    for (const TTokenFilter& k : f.f) addRows(k);
  std::vector<std::vector<bool>> classes;
  std::vector<unsigned> representative;
  for (unsigned c = 0; c < 129; ++c) {
    std::vector<bool> in(rows.size());
    for (size_t k = 0; k < rows.size(); ++k)
      in[k] = c < 128 ? ((rows[k][c >> 6] >> (c & 63)) & 1) : rows[k][2] != 0;
    size_t k = 0;
    while (k < classes.size() && classes[k] != in) ++k;
    if (k == classes.size()) {
      classes.push_back(std::move(in));
      representative.push_back(c);
    }
    Plan.KeyClassAt[c] = uint32_t(k * words);
  }
  for (unsigned t = 0; t < 32; ++t) Plan.KeyTypeAt[t] = uint32_t(t * classes.size() * words);
  Plan.BlockByKey.assign(32 * classes.size() * words, 0);
  Plan.BlockByKey2.assign(32 * classes.size() * words, 0);
  Plan.BlockByKey3.assign(32 * classes.size() * words, 0);
  for (size_t i = 0; i < nSlots; ++i) {
    const size_t w = i / 64;
    const uint64_t bit = uint64_t(1) << (i % 64);
    for (unsigned t = 0; t < 32; ++t)
      for (size_t k = 0; k < classes.size(); ++k) {
        const size_t at = (t * classes.size() + k) * words + w;
        const char16_t c = char16_t(representative[k]);
        if (slots[i].f[0].Pass(int(t), c)) Plan.BlockByKey[at] |= bit;
        if (slots[i].f[1].Pass(int(t), c)) Plan.BlockByKey2[at] |= bit;
        if (slots[i].f[2].Pass(int(t), c)) Plan.BlockByKey3[at] |= bit;
      }
  }
  Plan.BlockBySig.assign(kTextSigs * words, 0);
  Plan.BlockBySig2.assign(kTextSigs * words, 0);
  for (size_t i = 0; i < nSlots; ++i) {
    const size_t w = i / 64;
    const uint64_t bit = uint64_t(1) << (i % 64);
    for (int pos = 0; pos < 2; ++pos) {
      std::vector<uint64_t>& table = pos == 0 ? Plan.BlockBySig : Plan.BlockBySig2;
      if (slots[i].anySig[size_t(pos)]) {
        for (uint32_t g = 0; g < kTextSigs; ++g) table[g * words + w] |= bit;
      } else {
        for (uint32_t g : slots[i].sigs[size_t(pos)]) table[g * words + w] |= bit;
      }
    }
  }
}

void PlanTokenHandlers(LexerPlan& Plan) {
  Plan.TokenHandlersStale = false;
  const size_t words = size_t(Plan.Words);
  for (size_t i = 0; i < Plan.TokenRules.size(); ++i) {
    TokenRulePlan& p = Plan.TokenRules[i];
    p.Event = bool(p.Rule->OnMatchToken);
    const size_t w = i / 64;
    const uint64_t bit = uint64_t(1) << (i % 64);
    for (unsigned c = 0; c < 257; ++c) Plan.CharMasks[c * words + w] &= ~bit;
    if (!p.Rule->Enabled() || (!p.Prog && !p.Event)) continue;  // can never make a token
    const bool everywhere = p.Event || p.Prog->MatchesEmpty();
    p.Filtered = !everywhere;
    const TqxCharFilter& f = p.Prog ? p.Prog->FirstChars() : TqxCharFilter{};
    for (unsigned c = 0; c < 257; ++c) {
      bool may = everywhere || (c < 256 ? f.Test(char16_t(c)) : f.high);
      if (may) Plan.CharMasks[c * words + w] |= bit;
    }
  }
}

std::unique_ptr<LexerPlan> BuildPlan(TSyntAnalyzer* Lexer, TParserResults& Client) {
  auto plan = std::make_unique<LexerPlan>();
  plan->Lexer = Lexer;

  TTokenRuleCollection* tokenRules = Lexer->TokenRules();
  TBlockRuleCollection* blockRules = Lexer->BlockRules();
  std::vector<TRuleCollectionItem*> table;
  for (int i = 0; i < tokenRules->Count(); ++i) table.push_back(tokenRules->Items(i));
  for (int i = 0; i < blockRules->Count(); ++i) table.push_back(blockRules->Items(i));
  int base = ClientAccess::RegisterRules(Client, table);

  const int nTok = tokenRules->Count();
  plan->Words = std::max(1, (nTok + 63) / 64);
  plan->CharMasks.assign(257 * size_t(plan->Words), 0);
  plan->GlobalMask.assign(size_t(plan->Words), 0);
  plan->TokenRules.resize(size_t(nTok));
  for (int i = 0; i < nTok; ++i) {
    TTokenRule* r = tokenRules->Items(i);
    TokenRulePlan& p = plan->TokenRules[size_t(i)];
    p.Rule = r;
    p.RuleIndex = base + i;
    p.TokenType = r->TokenType();
    p.StatesPresent = uint32_t(r->StatesPresent());
    p.StatesAbsent = uint32_t(r->StatesAbsent());
    p.StatesRemove = uint32_t(r->StatesRemove());
    p.StatesAdd = uint32_t(r->StatesAdd());
    p.Global = r->AlwaysEnabled();
    p.ParentTest = r->Block() != nullptr || r->StrictParent() || r->NotParent();
    p.Columns = r->ColumnFrom() > 0 || r->ColumnTo() > 0;
    p.Prog = ProgramOf(r->RegExpr());
    if (p.Global) plan->GlobalMask[size_t(i / 64)] |= uint64_t(1) << (i % 64);
  }
  PlanTokenHandlers(*plan);

  plan->BlockRules.resize(size_t(blockRules->Count()));
  for (int i = 0; i < blockRules->Count(); ++i) {
    TTagBlockCondition* r = blockRules->Items(i);
    BlockRulePlan& p = plan->BlockRules[size_t(i)];
    p.Rule = r;
    p.RuleIndex = base + nTok + i;
    p.Delay = r->ConditionDelay();
    TConditionCollection* conds = r->ConditionList();
    for (int k = 0; k < conds->Count(); ++k) {
      ConditionPlan c = PlanOneCondition(conds->Items(k));
      if (c.Type != tcMask && c.Type != tcStrictMask) {
        TagDict& dict = c.IgnoreCase ? plan->FoldedTags : plan->ExactTags;
        const TStrings& list = *conds->Items(k)->TagList();
        for (int j = 0; j < list.Count(); ++j) c.AddTag(dict.Add(list.Strings(j)));
      }
      p.Conds.push_back(std::move(c));
    }
    p.BlockType = r->BlockType();
    p.IdentIndex = r->IdentIndex();
    p.TokenType = r->TokenType();
    p.RefToCondEnd = r->RefToCondEnd();
    p.CancelNextRules = r->CancelNextRules();
    p.SimpleTag = r->BlockType() == btTagDetect && !r->Block() && r->GrammaRuleName().empty();
    p.ParentTest = r->Block() != nullptr || r->StrictParent() || r->NotParent();
    p.NamesGramma = !r->GrammaRuleName().empty();
    p.Global = r->AlwaysEnabled();
    p.Event = bool(r->OnBlockCheck);
    p.StatesPresent = uint32_t(r->StatesPresent());
    p.StatesAbsent = uint32_t(r->StatesAbsent());
    for (const ConditionPlan& c : p.Conds) p.HasSkip = p.HasSkip || c.Type == tcSkip;
    for (int k = 0; k < int(p.Conds.size()); ++k)
      if (p.Conds[size_t(k)].Type != tcNotEqual) p.Order.push_back(k);
    for (int k = 0; k < int(p.Conds.size()); ++k)
      if (p.Conds[size_t(k)].Type == tcNotEqual) p.Order.push_back(k);
  }

  PlanGramma(*plan, Lexer);

  TSubAnalyzerRules* subRules = Lexer->SubAnalyzers();
  for (int i = 0; i < subRules->Count(); ++i) {
    SubRulePlan s;
    s.Rule = subRules->Items(i);
    s.Start = ProgramOf(s.Rule->StartRegExpr());
    s.End = ProgramOf(s.Rule->EndRegExpr());
    const bool global = s.Rule->AlwaysEnabled();
    if (s.Rule->FromTextBegin() || !s.Start || s.Start->MatchesEmpty()) {
      plan->SubStartAnywhere = true;
      if (global) plan->SubStartGlobalAnywhere = true;
    } else {
      const TqxCharFilter& f = s.Start->FirstChars();
      for (int k = 0; k < 4; ++k) {
        plan->SubStart.low[k] |= f.low[k];
        if (global) plan->SubStartGlobal.low[k] |= f.low[k];
      }
      plan->SubStart.high |= f.high;
      if (global) plan->SubStartGlobal.high |= f.high;
    }
    plan->SubRules.push_back(std::move(s));
  }
  return plan;
}

}  // namespace synt::analysis_internal
