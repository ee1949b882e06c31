#include "lint.h"

#include <algorithm>
#include <set>

#include "analysis/gramma.h"
#include "analysis/syntax_analyzer.h"
#include "json.h"
#include "lists/char_utils.h"
#include "platform/utf.h"

namespace synt::tool {
namespace {

std::string U8(std::u16string_view s) {
  return Utf16ToUtf8(s);
}

// The lexer as its file names it: the component name, else LexerName.
std::string LexerLabel(const TSyntAnalyzer& L) {
  if (!L.Name().empty()) return U8(L.Name());
  if (!L.LexerName().empty()) return U8(L.LexerName());
  return "(lexer)";
}

// Where an item of L is, by the properties the author finds in the file:
// "PascalAnalyzer.BlockRules[3] 'Begin'".
std::string ItemPath(const TSyntAnalyzer& L, const TCollectionItem* Item) {
  const TCollection* c = Item->Collection();
  const char* prop = c == L.Formats()        ? "Formats"
                     : c == L.TokenRules()   ? "TokenRules"
                     : c == L.BlockRules()   ? "BlockRules"
                     : c == L.SubAnalyzers() ? "SubAnalyzers"
                                             : nullptr;
  std::string path = prop ? LexerLabel(L) + "." + prop : U8(c->GetNamePath());
  path += "[" + std::to_string(Item->Index()) + "] '";
  path += U8(Item->DisplayName());
  return path + "'";
}

struct Findings {
  std::vector<LintFinding> list;
  void Error(std::string path, std::string prop, std::string msg) {
    list.push_back({LintSeverity::Error, std::move(path), std::move(prop), std::move(msg)});
  }
  void Warn(std::string path, std::string prop, std::string msg) {
    list.push_back({LintSeverity::Warning, std::move(path), std::move(prop), std::move(msg)});
  }
};

size_t EditDistance(std::u16string_view a, std::u16string_view b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diag = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      size_t up = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diag + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diag = up;
    }
  }
  return row[b.size()];
}

// " (did you mean 'X'?)" for a name of the collection close to Name, else "".
std::string Suggest(const TSyntCollection* C, std::u16string_view Name) {
  size_t best = 3;
  std::u16string found;
  for (int i = 0; i < C->Count(); ++i) {
    std::u16string n = C->Items(i)->DisplayName();
    size_t d = SameText(n, Name, cmIgnoreCase) ? 0 : EditDistance(n, Name);
    if (d < best) best = d, found = n;
  }
  return found.empty() ? "" : " (did you mean '" + U8(found) + "'?)";
}

void CheckExpression(TqxRegExpr& Re, const std::string& Path, const char* Prop,
                     const char* Consequence, Findings& F) {
  int pos = 0;
  std::string why = Re.InvalidReason(&pos);
  if (why.empty()) return;
  if (pos > 0) why += " at position " + std::to_string(pos);
  F.Error(Path, Prop, why + "; " + Consequence);
}

template <class Collection, class Fn>
void ForEachItem(const Collection* C, Fn fn) {
  for (int i = 0; i < C->Count(); ++i) fn(C->Items(i));
}

void UnresolvedFindings(TSyntAnalyzer& L, Findings& F) {
  auto report = [&](const std::string& path, const TUnresolvedName& u) {
    const std::string prop = u.Property;
    const bool block = prop == "BlockName" || prop == "BlockEnd";
    const TSyntCollection* in = block ? static_cast<const TSyntCollection*>(L.BlockRules())
                                      : static_cast<const TSyntCollection*>(L.Formats());
    F.Error(path, prop,
            "'" + U8(u.Name) + "' names no " + (block ? "block rule" : "style") +
                Suggest(in, u.Name) + "; it takes no effect until it names one (it is kept as " +
                "written)");
  };
  std::vector<TUnresolvedName> names;
  L.UnresolvedNames(names);
  for (const TUnresolvedName& u : names) report(LexerLabel(L), u);
  auto rules = [&](const TSyntCollection* C) {
    for (int i = 0; i < C->Count(); ++i) {
      auto* r = static_cast<const TRuleCollectionItem*>(C->Items(i));
      names.clear();
      r->UnresolvedNames(names);
      for (const TUnresolvedName& u : names) report(ItemPath(L, r), u);
    }
  };
  rules(L.TokenRules());
  rules(L.BlockRules());
  rules(L.SubAnalyzers());
}

void RefusedNameFindings(TSyntAnalyzer& L, Findings& F) {
  for (const TSyntCollection* c : {static_cast<const TSyntCollection*>(L.Formats()),
                                   static_cast<const TSyntCollection*>(L.TokenRules()),
                                   static_cast<const TSyntCollection*>(L.BlockRules()),
                                   static_cast<const TSyntCollection*>(L.SubAnalyzers())})
    for (int i = 0; i < c->Count(); ++i) {
      auto* item = static_cast<const TSyntCollectionItem*>(c->Items(i));
      if (item->RefusedDisplayName().empty()) continue;
      F.Warn(ItemPath(L, item), "DisplayName",
             "'" + U8(item->RefusedDisplayName()) +
                 "' is already the name of another item of the collection, so the item was " +
                 "named '" + U8(item->DisplayName()) + "'; give it a name of its own");
    }
}

// ---- token rules an earlier rule always beats ---------------------------------------------

// Whether Earlier is tried whenever Later is: its guards are implied by Later's.
bool TriedWhenever(const TTokenRule* Earlier, const TTokenRule* Later) {
  if (!Earlier->Enabled() || Earlier->OnMatchToken || Later->OnMatchToken) return false;
  if (Earlier->StatesPresent() & ~Later->StatesPresent()) return false;
  if (Earlier->StatesAbsent() & ~Later->StatesAbsent()) return false;
  if (Later->AlwaysEnabled() && !Earlier->AlwaysEnabled()) return false;
  const bool noParentTest =
      Earlier->BlockName().empty() && !Earlier->StrictParent() && !Earlier->NotParent();
  const bool sameParentTest = Earlier->BlockName() == Later->BlockName() &&
                              Earlier->StrictParent() == Later->StrictParent() &&
                              Earlier->NotParent() == Later->NotParent();
  if (!noParentTest && !sameParentTest) return false;
  if (Earlier->ColumnFrom() > 0 &&
      !(Later->ColumnFrom() > 0 && Later->ColumnFrom() >= Earlier->ColumnFrom()))
    return false;
  if (Earlier->ColumnTo() > 0 &&
      !(Later->ColumnTo() > 0 && Later->ColumnTo() <= Earlier->ColumnTo()))
    return false;
  return true;
}

bool FilterSubset(const TqxCharFilter& A, const TqxCharFilter& B) {
  for (int i = 0; i < 4; ++i)
    if (A.low[i] & ~B.low[i]) return false;
  return !A.high || B.high;
}

bool FilterEmpty(const TqxCharFilter& A) {
  return !(A.low[0] | A.low[1] | A.low[2] | A.low[3]) && !A.high;
}

// Proven cases only. Later can never make a token when Earlier is tried whenever Later is and
// either (a) both have the same expression and modifiers, or (b) Earlier surely matches at every
// unit Later's non-empty matches can start with ("[a-z_]\w*" before "begin|end"). Not detected:
// an earlier rule whose match is not certain from its first unit (a keyword list before a longer
// keyword list, "\d+" before "\d+\.\d+" when the first wins only by length), and rules that win
// only together (two earlier rules that between them cover every start).
void ShadowFindings(TSyntAnalyzer& L, Findings& F) {
  TTokenRuleCollection* rules = L.TokenRules();
  for (int j = 0; j < rules->Count(); ++j) {
    TTokenRule* later = rules->Items(j);
    if (!later->Enabled()) continue;
    auto lp = later->RegExpr()->Program();
    if (!lp) continue;
    if (FilterEmpty(lp->FirstChars())) {
      F.Error(ItemPath(L, later), "Expression",
              "can only match empty text, and an empty match makes no token: the rule never "
              "makes one; make it consume at least one character");
      continue;
    }
    for (int i = 0; i < j; ++i) {
      TTokenRule* earlier = rules->Items(i);
      if (!TriedWhenever(earlier, later)) continue;
      auto ep = earlier->RegExpr()->Program();
      if (!ep) continue;
      if (earlier->Expression() == later->Expression() &&
          earlier->RegexModifiers() == later->RegexModifiers()) {
        F.Error(ItemPath(L, later), "Expression",
                "has the same expression as " + ItemPath(L, earlier) +
                    ", which is tried first and always wins: the rule never makes a token; "
                    "remove it or change one of them");
        break;
      }
      TqxCharFilter certain;
      if (ep->CertainStart(certain) && FilterSubset(lp->FirstChars(), certain)) {
        F.Error(ItemPath(L, later), "Expression",
                "every match starts with a character at which " + ItemPath(L, earlier) +
                    " surely matches; that rule is tried first and wins, so this one never "
                    "makes a token: move it before that rule, or retag those tokens with a "
                    "btTagDetect block rule");
        break;
      }
    }
  }
}

// ---- block rules whose conditions can never hold ------------------------------------------

void Related(TSyntAnalyzer* L, std::set<TSyntAnalyzer*>& Out) {
  if (!L || !Out.insert(L).second) return;
  for (int i = 0; i < L->SubAnalyzers()->Count(); ++i)
    Related(L->SubAnalyzers()->Items(i)->SyntAnalyzer(), Out);
  for (int i = 0; i < L->MasterLexerCount(); ++i) Related(L->MasterLexers(i), Out);
}

struct TokenMakers {
  std::vector<TTokenRule*> rules;  // every token rule with a usable expression
  uint32_t typeBits = 0;           // token types made or given by retagging, mod 32
  uint32_t retagBits = 0;          // token types that btTagDetect rules give
  bool unknown = false;            // a negative type: the type tests are not decided
};

uint32_t TypeBit(int Type) {
  return uint32_t(1) << (Type % 32);
}

// The tokens the block rules of L can see: those of L, its sub-lexers and the lexers it serves.
// Disabled rules count too, since an application may enable them.
TokenMakers CollectMakers(TSyntAnalyzer& L) {
  std::set<TSyntAnalyzer*> lexers;
  Related(&L, lexers);
  TokenMakers m;
  for (TSyntAnalyzer* x : lexers) {
    if (x->OnParseToken) m.unknown = true;
    ForEachItem(x->TokenRules(), [&](TTokenRule* r) {
      if (!r->RegExpr()->Program()) return;
      m.rules.push_back(r);
      if (r->TokenType() < 0)
        m.unknown = true;
      else
        m.typeBits |= TypeBit(r->TokenType());
    });
    ForEachItem(x->BlockRules(), [&](TTagBlockCondition* b) {
      if (b->BlockType() != btTagDetect || b->TokenType() < 0) return;
      m.typeBits |= TypeBit(b->TokenType());
      m.retagBits |= TypeBit(b->TokenType());
    });
  }
  return m;
}

std::string TypeList(const TSyntAnalyzer& L, uint32_t Bits) {
  std::string s;
  for (int t = 0; t < 32; ++t) {
    if (!(Bits & TypeBit(t))) continue;
    if (!s.empty()) s += ", ";
    s += std::to_string(t);
    if (t < L.TokenTypeNames()->Count()) s += " (" + U8(L.TokenTypeNames()->Strings(t)) + ")";
  }
  return s;
}

// Whether some rule of the mask's types can make a token whose text is Tag: only its first unit
// is decided (a rule whose matches cannot start with it never makes that text, clipped or not).
bool TagPossible(const TokenMakers& M, uint32_t Mask, const std::u16string& Tag, bool IgnoreCase) {
  if (Tag.empty()) return false;
  std::u16string starts(1, Tag[0]);
  if (IgnoreCase) starts += {CharUpper(Tag[0]), CharLower(Tag[0])};
  for (TTokenRule* r : M.rules) {
    if (Mask && !(Mask & TypeBit(r->TokenType()))) continue;
    const TqxCharFilter& f = r->RegExpr()->Program()->FirstChars();
    for (char16_t c : starts)
      if (f.Test(c)) return true;
  }
  return false;
}

void ConditionFindings(TSyntAnalyzer& L, TTagBlockCondition* B, const TokenMakers& M, Findings& F) {
  TConditionCollection* conds = B->ConditionList();
  for (int k = 0; k < conds->Count(); ++k) {
    TSingleTagCondition* c = conds->Items(k);
    std::string path = LexerLabel(L) + ".BlockRules[" + std::to_string(B->Index()) + "]";
    path += ".ConditionList[" + std::to_string(k) + "] of '";
    path += U8(B->DisplayName()) + "'";
    if (c->CondType() == tcMask || c->CondType() == tcStrictMask)
      for (int t = 0; t < c->TagList()->Count(); ++t) {
        TqxRegExpr re(c->TagList()->Strings(t));
        re.SetModifierFlags(DefaultRegexOptions);
        CheckExpression(re, path, "TagList",
                        "the mask and every mask after it never match; fix the expression", F);
      }
    const bool mustAccept =
        c->CondType() == tcEqual || c->CondType() == tcMask || c->CondType() == tcStrictMask;
    if (!mustAccept || M.unknown) continue;
    const uint32_t mask = c->TokenTypes();
    if (mask && !(mask & M.typeBits)) {
      F.Error(path, "TokenTypes",
              "accepts only token types " + TypeList(L, mask) +
                  ", which no token rule makes: the block rule never fires; correct the types");
      continue;
    }
    if (c->CondType() != tcEqual || c->TagList()->Count() == 0 || (mask & M.retagBits) ||
        (!mask && M.retagBits))
      continue;
    std::vector<std::string> never;
    for (int t = 0; t < c->TagList()->Count(); ++t)
      if (!TagPossible(M, mask, c->TagList()->Strings(t), c->IgnoreCase()))
        never.push_back("'" + U8(c->TagList()->Strings(t)) + "'");
    if (never.empty()) continue;
    std::string list;
    for (const std::string& n : never) list += (list.empty() ? "" : ", ") + n;
    const std::string who = mask ? "no token rule of type " + TypeList(L, mask) : "no token rule";
    if (int(never.size()) == c->TagList()->Count())
      F.Error(path, "TagList",
              "no tag can be a token's text (" + who +
                  " can start with their first "
                  "character): the block rule never fires; correct the tags or the types");
    else
      F.Warn(path, "TagList",
             "the tags " + list + " can never be a token's text (" + who +
                 " can start with their first character); correct or remove them");
  }
}

void BlockFindings(TSyntAnalyzer& L, Findings& F) {
  TokenMakers makers = CollectMakers(L);
  ForEachItem(L.BlockRules(), [&](TTagBlockCondition* b) {
    if (!b->GrammaRuleName().empty()) {
      if (!b->GrammaRule())
        F.Warn(ItemPath(L, b), "GrammaRuleName",
               "'" + U8(b->GrammaRuleName()) +
                   "' names no rule of the lexer's grammar, so the conditions are tested "
                   "instead; correct the name");
      else
        return;
    }
    if (b->ConditionList()->Count() == 0) {
      F.Error(ItemPath(L, b), "ConditionList",
              "is empty: the rule never fires (only an OnBlockCheck handler could accept it); "
              "add conditions, the most recent token first");
      return;
    }
    ConditionFindings(L, b, makers, F);
  });
}

// ---- sub-lexer rules, styles and token types ----------------------------------------------

void SubLexerFindings(TSyntAnalyzer& L, Findings& F) {
  ForEachItem(L.SubAnalyzers(), [&](TSubAnalyzerRule* r) {
    if (r->EndExpression().empty() && !r->ToTextEnd())
      F.Error(ItemPath(L, r), "EndExpression",
              "is empty: a region the rule opens never ends; write an EndExpression (or set "
              "ToTextEnd when the region is meant to run to the end of the text)");
  });
}

void StyleFindings(TSyntAnalyzer& L, Findings& F) {
  std::set<const TSyntaxFormat*> used = {L.MarkedBlock(), L.SearchMatch(), L.CurrentLine(),
                                         L.DefaultStyle(), L.CollapseStyle()};
  auto rules = [&](const TSyntCollection* C) {
    for (int i = 0; i < C->Count(); ++i)
      used.insert(static_cast<const TRuleCollectionItem*>(C->Items(i))->Style());
  };
  rules(L.TokenRules());
  rules(L.BlockRules());
  rules(L.SubAnalyzers());
  ForEachItem(L.BlockRules(), [&](TTagBlockCondition* b) {
    used.insert(b->TreeItemStyleObj());
    used.insert(b->TreeGroupStyleObj());
  });
  ForEachItem(L.Formats(), [&](TSyntaxFormat* s) {
    if (!used.count(s) && !s->MarkedBlockFlag())
      F.Warn(ItemPath(L, s), "",
             "no rule and no style property of the lexer uses the style; give it to a rule or "
             "remove it");
  });
}

void TokenTypeFindings(TSyntAnalyzer& L, Findings& F) {
  const int names = L.TokenTypeNames()->Count();
  auto check = [&](const TCollectionItem* item, int type) {
    if (type >= names)
      F.Warn(ItemPath(L, item), "TokenType",
             "type " + std::to_string(type) + " has no line in TokenTypeNames (it has " +
                 std::to_string(names) + "); name it there so that the grammar and readers " +
                 "can refer to it");
  };
  ForEachItem(L.TokenRules(), [&](TTokenRule* r) { check(r, r->TokenType()); });
  ForEachItem(L.BlockRules(), [&](TTagBlockCondition* b) { check(b, b->TokenType()); });
}

}  // namespace

std::vector<LintFinding> LoadFindings(TSyntAnalyzer& L) {
  Findings f;
  ForEachItem(L.TokenRules(), [&](TTokenRule* r) {
    if (r->Expression().empty())
      f.Error(ItemPath(L, r), "Expression",
              "is empty: the rule never matches; write an expression");
    else
      CheckExpression(*r->RegExpr(), ItemPath(L, r), "Expression",
                      "the rule never matches until it is fixed", f);
  });
  ForEachItem(L.SubAnalyzers(), [&](TSubAnalyzerRule* r) {
    if (!r->StartExpression().empty() || !r->FromTextBegin())
      CheckExpression(*r->StartRegExpr(), ItemPath(L, r), "StartExpression",
                      "the rule never opens a region until it is fixed", f);
    if (!r->EndExpression().empty())
      CheckExpression(*r->EndRegExpr(), ItemPath(L, r), "EndExpression",
                      "a region the rule opens never ends until it is fixed", f);
    if (!r->SyntAnalyzer())
      f.Error(ItemPath(L, r), "SyntAnalyzer",
              "names no lexer: the rule never opens a region; name a lexer of the same file");
  });
  UnresolvedFindings(L, f);
  RefusedNameFindings(L, f);
  return f.list;
}

std::vector<LintFinding> LintLexer(TSyntAnalyzer& L) {
  Findings f;
  f.list = LoadFindings(L);
  ShadowFindings(L, f);
  BlockFindings(L, f);
  SubLexerFindings(L, f);
  StyleFindings(L, f);
  TokenTypeFindings(L, f);
  return f.list;
}

std::string FormatFinding(const LintFinding& F) {
  std::string s = F.severity == LintSeverity::Error ? "error: " : "warning: ";
  s += F.path;
  if (!F.property.empty()) s += ": " + F.property;
  return s + ": " + F.message;
}

std::string FindingJson(const LintFinding& F) {
  return JsonLine()
      .AddUtf8("severity", F.severity == LintSeverity::Error ? "error" : "warning")
      .AddUtf8("path", F.path)
      .AddUtf8("property", F.property)
      .AddUtf8("message", F.message)
      .Str();
}

}  // namespace synt::tool
