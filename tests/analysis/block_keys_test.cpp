// The block-rule run looks only at the rules whose keys (what their conditions or grammar rule ask
// of the latest three tokens) pass, and leaves out rules the parent test refuses. Those shortcuts
// must never change a result. A rule with an OnBlockCheck handler is a candidate at every token
// (the handler may accept anything), so a lexer whose rules all have a handler that leaves the
// answer alone is the same lexer analysed without the shortcuts: both analyses must be equal.
#include <gtest/gtest.h>

#include <random>

#include "analysis/lexer_library.h"
#include "incremental_util.h"
#include "lexer_build.h"

namespace synt::test {
namespace {

constexpr uint32_t kT(int Type) {
  return 1u << (Type % 32);
}

const std::vector<std::u16string> kWords = {u"a", u"b", u"x",   u"begin", u"end", u"proc",
                                            u"A", u"B", u"End", u"y",     u"z",   u"p"};
const std::vector<std::u16string> kSymbols = {u";", u":", u"(", u")", u".", u"=", u","};

std::u16string Pick(std::mt19937& R, const std::vector<std::u16string>& V) {
  return V[R() % V.size()];
}

// Tags for a condition: a few words and symbols (sometimes none: the type alone decides).
std::u16string RandomTags(std::mt19937& R) {
  std::u16string s;
  const int n = int(R() % 4);
  for (int i = 0; i < n; ++i) {
    if (i) s += u' ';
    s += R() % 2 ? Pick(R, kWords) : Pick(R, kSymbols);
  }
  return s;
}

uint32_t RandomTypes(std::mt19937& R) {
  static const int types[] = {1, 2, 3, 5, 10, 33};
  uint32_t m = 0;
  switch (R() % 3) {
    case 0:
      return 0;
    case 1:
      return kT(types[R() % 6]);
    default:
      for (int t : types)
        if (R() % 3 == 0) m |= kT(t);
      return m;
  }
}

void BuildRandomLexer(TSyntAnalyzer& L, std::mt19937& R) {
  SetTypeNames(L, {u"Unknown", u"Comment", u"Identifier", u"Symbol", u"String", u"Number", u"T6",
                   u"T7", u"T8", u"T9", u"Keyword"});
  AddToken(L, u"Comment", u"\\{[^}]*\\}?", 1);
  AddToken(L, u"Odd", u"%\\w*", 33);  // a type above 31: keys take types modulo 32
  AddToken(L, u"Number", u"\\d+", 5);
  AddToken(L, u"Ident", u"[a-zA-Z_]\\w*", 2);
  AddToken(L, u"Symbol", u"[;:().=,]", 3);

  static const char16_t* grammars[] = {
      u"Skip = <Comment>+;\nQual = <Identifier> ('.' <Identifier>)*;\n"
      u"Decl = Qual '=' ('proc' | 'begin') | 'x' Qual? ';' | 'end';\n"
      u"Call = Qual '(' (<Identifier> | <Number> | ',')* ')';",
      u"Decl = <Identifier> ':' <Identifier>;\nCall = ('a' | 'b') <Number>? ';';",
      u"Skip = <Comment> | <Symbol>;\nDecl = 'p' <Identifier> | <Keyword> 'y';\n"
      u"Call = Decl Decl?;",
  };
  SetGramma(L, grammars[R() % 3]);

  // Now and then more rules than one word of candidate bits holds.
  const int count = R() % 8 == 0 ? 60 + int(R() % 20) : 3 + int(R() % 10);
  std::vector<TTagBlockCondition*> starts, rules;
  for (int i = 0; i < count; ++i) {
    static const TTagBlockType kinds[] = {btTagDetect, btRangeStart, btRangeEnd,
                                          btLineBreak, btRangeStart, btTagDetect};
    const TTagBlockType kind = kinds[R() % 6];
    std::vector<CondSpec> conds;
    const int nc = int(R() % 5);
    for (int k = 0; k < nc; ++k) {
      CondSpec c;
      const unsigned t = R() % 10;
      c.Type = t < 5 ? tcEqual : t < 7 ? tcNotEqual : t < 9 ? tcSkip : tcMask;
      c.Tags = c.Type == tcMask ? (R() % 2 ? u"[a-c]" : u"e.d") : RandomTags(R);
      c.Types = RandomTypes(R);
      c.IgnoreCase = R() % 2;
      conds.push_back(c);
    }
    TTagBlockCondition* r =
        AddBlock(L, u"Rule" + std::u16string(1, char16_t(u'A' + i % 26)) + char16_t(u'0' + i / 26),
                 kind, conds);
    if (R() % 5 == 0) r->SetGrammaRuleName(R() % 4 ? (R() % 2 ? u"Decl" : u"Call") : u"None");
    if (R() % 4 == 0) r->SetIdentIndex(int(R() % 5) - 2);
    if (R() % 4 == 0) r->SetBlockOffset(int(R() % 5) - 2);
    r->SetRefToCondEnd(R() % 3 == 0);
    r->SetCancelNextRules(R() % 6 == 0);
    if (kind == btTagDetect) r->SetTokenType(R() % 2 ? 10 : 2);
    if (kind == btRangeStart) {
      r->SetEndOfTextClose(R() % 2);
      r->SetSelfClose(R() % 5 == 0);
      r->SetNoEndRule(R() % 6 == 0);
      starts.push_back(r);
    }
    rules.push_back(r);
  }
  for (TTagBlockCondition* r : rules) {
    if (r->BlockType() == btRangeEnd && !starts.empty())
      SetBlockEnd(starts[R() % starts.size()], r);
    // Parent tests, strict or not, for and against.
    if (!starts.empty() && R() % 3 == 0) {
      r->SetBlockName(starts[R() % starts.size()]->DisplayName());
      r->SetStrictParent(R() % 2);
      r->SetNotParent(R() % 3 == 0);
    }
    if (R() % 8 == 0) r->SetEnabled(false);
  }
}

std::u16string RandomText(std::mt19937& R) {
  static const std::vector<std::u16string> extra = {u"{c}", u"{ c }", u"%odd", u"12", u"3",
                                                    u"\n",  u" ",     u"  ",   u"ed", u"bed"};
  std::u16string s;
  const int n = 20 + int(R() % 200);
  for (int i = 0; i < n; ++i) {
    const unsigned k = R() % 10;
    s += k < 4 ? Pick(R, kWords) : k < 7 ? Pick(R, kSymbols) : Pick(R, extra);
    s += R() % 3 ? u" " : u"";
  }
  return s;
}

void AddPassThroughHandlers(TSyntAnalyzer& L) {
  for (int i = 0; i < L.BlockRules()->Count(); ++i)
    L.BlockRules()->Items(i)->OnBlockCheck = [](TObject*, TClientSyntAnalyzer*, std::u16string_view,
                                                int, bool&) {};
}

std::vector<std::string> Analyse(TSyntAnalyzer& L, const std::u16string& Text) {
  Doc d(L, Text);
  d.Analyze();
  return DumpAnalysis(*d.client, false);
}

TEST(BlockKeys, ShortcutsNeverChangeTheResult) {
  int fired = 0;
  for (unsigned seed = 1; seed <= 300; ++seed) {
    std::mt19937 r(seed);
    TSyntAnalyzer plain(nullptr), checked(nullptr);
    BuildRandomLexer(plain, r);
    checked.Assign(&plain);
    AddPassThroughHandlers(checked);
    for (int t = 0; t < 4; ++t) {
      const std::u16string text = RandomText(r);
      const auto want = Analyse(checked, text);
      const auto got = Analyse(plain, text);
      ASSERT_EQ(FirstDifference(want, got), "") << "seed " << seed << " text " << t;
      fired += int(want.size());
    }
  }
  EXPECT_GT(fired, 0);
}

TEST(BlockKeys, PascalLexerWithoutShortcutsGivesTheSameResult) {
  RegisterLexerClasses();
  TSyntaxManager lib(nullptr);
  lib.LoadFromFile(std::string(SYNT_SOURCE_DIR) + "/lexers/pascal.lxl");
  TSyntAnalyzer* pascal = lib.FindLexer(u"Pascal");
  ASSERT_NE(pascal, nullptr);
  TSyntAnalyzer checked(nullptr);
  checked.Assign(pascal);
  AddPassThroughHandlers(checked);
  for (const char* name : {"program.pas", "unit.pas", "edge.pas", "asm.pas"}) {
    const std::string path = std::string(SYNT_TEST_DATA_DIR) + "/analysis/pascal/" + name;
    TSyntMemoStrings lines;
    lines.LoadFromFile(path);
    const std::u16string text(lines.TextView());
    EXPECT_EQ(FirstDifference(Analyse(checked, text), Analyse(*pascal, text)), "") << name;
  }
}

}  // namespace
}  // namespace synt::test
