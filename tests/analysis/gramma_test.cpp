#include <gtest/gtest.h>

#include "analysis/client_analyzer.h"
#include "analysis/gramma_rules.h"
#include "lexer_build.h"
#include "platform/app_exceptions.h"
#include "platform/utf.h"

namespace synt::test {
namespace {

struct Gram : ::testing::Test {
  Gram() {
    SetTypeNames(L, {u"Unknown", u"Comment", u"Identifier", u"Symbol", u"String"});
    AddToken(L, u"Comment", u"\\{.*?\\}", 1);
    AddToken(L, u"Ident", u"[a-z_]\\w*", 2);
    AddToken(L, u"Symbol", u"[.;:=(),]", 3);
    AddToken(L, u"String", u"'.*?'", 4);
  }
  const TGrammaRules& G() { return L.Gramma()->Rules(); }
  // TestRule of the named rule at the last token of Text.
  int Test(const std::u16string& Grammar, std::u16string_view Rule, std::u16string_view Text) {
    SetGramma(L, Grammar);
    doc = std::make_unique<Doc>(L, Text);
    auto& c = doc->Analyze();
    return G().TestRule(c.TagCount() - 1, G().ParserRuleByName(Rule), c);
  }
  TSyntAnalyzer L{nullptr};
  std::unique_ptr<Doc> doc;
};

constexpr const char16_t* kDemo =
    u"// classes\n"
    u"Skip = <Comment>;\n"
    u"IdentList = <Identifier> (',' <Identifier>)*;\n"
    u"InheritedList = '(' IdentList ')';\n"
    u"ClassDecl = <Identifier> '=' 'class' InheritedList? <Identifier>;\n";

TEST_F(Gram, DemoClassDeclaration) {
  EXPECT_EQ(Test(kDemo, u"ClassDecl", u"x; TFoo = class(TBar) TBaz"), 2);
  EXPECT_EQ(Test(kDemo, u"classdecl", u"TFoo = CLASS(TBar, IX, IY) TBaz"), 0);
  EXPECT_EQ(Test(kDemo, u"ClassDecl", u"TFoo = class TBaz"), 0);
  EXPECT_EQ(Test(kDemo, u"ClassDecl", u"TFoo = class(TBar);"), -1);
  // A comment between two terminals is passed over by Skip.
  EXPECT_EQ(Test(kDemo, u"ClassDecl", u"TFoo {a} = {b} class {c} (TBar) {d} TBaz"), 0);
  EXPECT_EQ(G().RuleCount(), 4);
  EXPECT_EQ(G().Skip(), G().Rules(0));
  EXPECT_EQ(G().Root(), nullptr);
}

TEST_F(Gram, LiteralCase) {
  EXPECT_EQ(Test(u"A = 'class';", u"A", u"CLASS"), 0);
  EXPECT_EQ(Test(u"A = \"class\";", u"A", u"CLASS"), -1);
  EXPECT_EQ(Test(u"A = \"class\";", u"A", u"class"), 0);
}

TEST_F(Gram, LaterAlternativeWins) {
  SetGramma(L, u"A = <Identifier> | 'x';");
  Doc d(L, u"x");
  auto& c = d.Analyze();
  TParserRule* a = G().ParserRuleByName(u"A");
  auto tree = G().ParseRule(0, a, c);
  ASSERT_TRUE(tree);
  EXPECT_EQ(tree->Branch(), a->Branches[1].get());
  EXPECT_EQ(tree->FirstTokenIdx(), 0);
  EXPECT_EQ(tree->LastTokenIdx(), 0);
}

TEST_F(Gram, MissingSemicolonStillGivesBothRules) {
  SetGramma(L, u"A = B\nC = D;");
  ASSERT_EQ(G().RuleCount(), 2);
  EXPECT_EQ(G().Rules(0)->Name, u"A");
  EXPECT_EQ(G().Rules(1)->Name, u"C");
  EXPECT_EQ(G().Rules(0)->Branches[0]->Items.size(), 1u);
  EXPECT_EQ(G().Rules(1)->Index, 1);
}

TEST_F(Gram, ErrorsKeepTheRulesBefore) {
  SetGramma(L, u"A = 'a'; B = ( 'b' ; C = 'c';");
  EXPECT_EQ(G().RuleCount(), 1);
  SetGramma(L, u"A = 'a'; B = '' ; C = 'c';");
  EXPECT_EQ(G().RuleCount(), 1);  // an empty literal is no item
  SetGramma(L, u"A = 'a'; B = 'b'");
  EXPECT_EQ(G().RuleCount(), 1);  // running out of tokens inside a rule
  SetGramma(L, u"/* only a comment */");
  EXPECT_EQ(G().RuleCount(), 0);
  SetGramma(L, u"");
  EXPECT_EQ(G().RuleCount(), 0);
}

TEST_F(Gram, TokenTypes) {
  // The first type name accepts any token; an unknown name accepts none.
  EXPECT_EQ(Test(u"A = <Unknown> <unknown>;", u"A", u"x ;"), 0);
  EXPECT_EQ(Test(u"A = <Nope>;", u"A", u"x"), -1);
  EXPECT_EQ(Test(u"A = <string>;", u"A", u"'s'"), 0);
}

TEST_F(Gram, RepetitionsAreGreedyWithoutBacktracking) {
  EXPECT_EQ(Test(u"A = 'a'* 'b';", u"A", u"a a a b"), 0);
  EXPECT_EQ(Test(u"A = 'a'+;", u"A", u"x a a"), 1);
  // The greedy repetition takes the "a" the first item needed: no backtracking, no match.
  EXPECT_EQ(Test(u"A = 'a' 'a'*;", u"A", u"a a"), -1);
  EXPECT_EQ(Test(u"A = 'x'?;", u"A", u"y"), -1);  // covers no token
  EXPECT_EQ(Test(u"A = Undefined 'a';", u"A", u"a"), -1);
}

TEST_F(Gram, RepeatedItemThatConsumesNothingEnds) {
  EXPECT_EQ(Test(u"A = B* 'x'; B = 'y'?;", u"A", u"z x"), 1);
}

TEST_F(Gram, LeftRecursionRaisesCircularStack) {
  SetGramma(L, u"A = 'x' A;");
  Doc d(L, u"x x");
  auto& c = d.Analyze();
  EXPECT_THROW(G().TestRule(1, G().ParserRuleByName(u"A"), c), Exception);
  try {
    G().TestRule(1, G().ParserRuleByName(u"A"), c);
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Circular stack");
  }
}

TEST_F(Gram, BlockRuleUsesAGrammarRule) {
  SetGramma(L, kDemo);
  auto* cls = AddBlock(L, u"Class", btRangeStart, {});
  cls->SetGrammaRuleName(u"ClassDecl");
  cls->SetRefToCondEnd(true);
  cls->SetCollapseFmt(u"%s0 %s-2");
  L.CompileGramma();
  Doc d(L, u"TFoo = class(TBar) FX: x;");
  auto& c = d.Analyze();
  ASSERT_EQ(c.RangeCount(), 1);
  EXPECT_EQ(c.Ranges(0)->StartIdx, 0);
  EXPECT_EQ(c.Ranges(0)->CondIndex, 6);
  EXPECT_EQ(c.GetCollapsedText(c.Ranges(0)), u"TFoo class");

  // An unknown rule name leaves the block rule with its conditions (none here: it never fires).
  cls->SetGrammaRuleName(u"Nope");
  L.CompileGramma();
  Doc d2(L, u"TFoo = class(TBar) FX: x;");
  EXPECT_EQ(d2.Analyze().RangeCount(), 0);

  // A name given after the grammar compiled names its rule at once.
  cls->SetGrammaRuleName(u"ClassDecl");
  Doc d3(L, u"TFoo = class(TBar) FX: x;");
  EXPECT_EQ(d3.Analyze().RangeCount(), 1);
}

TEST_F(Gram, CircularStackInABlockRuleGoesToTheHandler) {
  SetGramma(L, u"A = 'x' A | 'y';");
  auto* r = AddBlock(L, u"R", btTagDetect, {});
  r->SetGrammaRuleName(u"A");
  L.CompileGramma();
  int seen = 0;
  auto old = SetApplicationExceptionHandler([&](std::exception_ptr) { ++seen; });
  Doc d(L, u"x y x");
  d.Analyze();
  SetApplicationExceptionHandler(old);
  EXPECT_EQ(seen, 2);
}

}  // namespace
}  // namespace synt::test

namespace synt::test {
namespace {

// Tokens given directly: type and text.
class Holder : public TTokenHolder {
 public:
  std::vector<std::pair<int, std::u16string>> t;
  int TagCount() const override { return int(t.size()); }
  int TagType(int i) const override { return t[size_t(i)].first; }
  std::u16string TagText(int i) const override { return t[size_t(i)].second; }
};

TEST(GrammaRandom, TestRuleAgreesWithTheTree) {
  uint32_t seed = 777;
  auto rnd = [&](int n) {
    seed = seed * 1664525u + 1013904223u;
    return int((seed >> 8) % uint32_t(n));
  };
  TStringList names;
  for (auto n : {u"Unknown", u"Comment", u"Identifier", u"Symbol"}) names.Add(n);
  const char16_t* atoms[] = {u"'a'",      u"\"b\"",     u"'B'",       u"<Identifier>",
                             u"<Symbol>", u"<Comment>", u"<Unknown>", u"R0",
                             u"R1",       u"R2",        u"Skip"};
  const char16_t* reps[] = {u"", u"", u"", u"?", u"*", u"+"};
  std::function<std::u16string(int)> alternative = [&](int depth) {
    std::u16string s;
    int items = 1 + rnd(3);
    for (int i = 0; i < items; ++i) {
      if (depth < 2 && rnd(6) == 0) {
        s += u" (" + alternative(depth + 1) + u" | " + alternative(depth + 1) + u")";
      } else {
        s += u" ";
        s += atoms[rnd(11)];
      }
      s += reps[rnd(6)];
    }
    return s;
  };
  const char16_t* texts[] = {u"a", u"b", u"B", u"x", u"{c}"};
  const int types[] = {2, 2, 2, 2, 1};
  int compared = 0, circular = 0;
  for (int round = 0; round < 400; ++round) {
    std::u16string g;
    for (int r = 0; r < 3; ++r) {
      // Appended piece by piece: GCC 12 at -O2 warns (-Wrestrict, wrongly) about the sum.
      g += u"R";
      g += char16_t(u'0' + r);
      g += u" =";
      g += alternative(0);
      if (rnd(2)) g += u" |" + alternative(0);
      g += u";\n";
    }
    if (rnd(2)) g += u"Skip = <Comment>" + std::u16string(rnd(2) ? u"+" : u"") + u";\n";
    TGrammaRules rules;
    rules.Compile(g, names);
    Holder h;
    int len = rnd(8);
    for (int i = 0; i < len; ++i) {
      int k = rnd(5);
      h.t.emplace_back(k == 3 && rnd(2) ? 3 : types[k], texts[k]);
    }
    for (int r = 0; r < rules.RuleCount(); ++r) {
      for (int k = 0; k < h.TagCount(); ++k) {
        int test = -2;
        bool testThrew = false, treeThrew = false;
        std::unique_ptr<TParserBranchNode> tree;
        try {
          test = rules.TestRule(k, rules.Rules(r), h);
        } catch (const Exception&) {
          testThrew = true;
        }
        try {
          tree = rules.ParseRule(k, rules.Rules(r), h);
        } catch (const Exception&) {
          treeThrew = true;
        }
        ASSERT_EQ(testThrew, treeThrew) << Utf16ToUtf8(g) << " rule " << r << " at " << k;
        if (testThrew) {
          ++circular;
          continue;
        }
        int fromTree = tree ? tree->FirstTokenIdx() : -1;
        ASSERT_EQ(test, fromTree) << Utf16ToUtf8(g) << " rule " << r << " at " << k;
        ++compared;
      }
    }
  }
  EXPECT_GT(compared, 1000);
  EXPECT_GT(circular, 0);
}

}  // namespace
}  // namespace synt::test

namespace synt::test {
namespace {

TEST(GrammaLimits, DeepNestingIsAnErrorNotACrash) {
  TStringList names;
  names.Add(u"Unknown");
  TGrammaRules g;
  std::u16string deep = u"A = 'a'; B = " + std::u16string(100000, u'(') + u"'b'" +
                        std::u16string(100000, u')') + u"; C = 'c';";
  g.Compile(deep, names);
  EXPECT_EQ(g.RuleCount(), 1);  // A; B and what follows are dropped
  std::u16string fine =
      u"B = " + std::u16string(50, u'(') + u"'b'" + std::u16string(50, u')') + u";";
  g.Compile(fine, names);
  EXPECT_EQ(g.RuleCount(), 1);
}

}  // namespace
}  // namespace synt::test
