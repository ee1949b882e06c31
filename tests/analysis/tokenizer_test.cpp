#include <gtest/gtest.h>

#include "analysis/client_analyzer.h"
#include "lexer_build.h"
#include "platform/utf.h"

namespace synt::test {
namespace {

TEST(Tokenizer, StatesGuardRulesInTurn) {
  TSyntAnalyzer L(nullptr);
  auto* r = AddToken(L, u"R", u"\\h\\h", 1);
  r->SetStatesAdd(1), r->SetStatesAbsent(7);
  auto* g = AddToken(L, u"G", u"\\h\\h", 2);
  g->SetStatesAdd(2), g->SetStatesAbsent(6);
  auto* b = AddToken(L, u"B", u"\\h\\h", 3);
  b->SetStatesAdd(4), b->SetStatesAbsent(4);
  AddToken(L, u"Rest", u".+", 9);

  Doc d1(L, u"FFA0C3");
  d1.Analyze();
  EXPECT_EQ(d1.Dump(), u"FF:R A0:G C3:B");
  EXPECT_EQ(d1->CurrentState(), 7u);
  // The state of each token already holds the change its own rule made.
  ASSERT_EQ(d1->StateChanges().size(), 3u);
  EXPECT_EQ(d1->StateChanges()[0], (TStateChange{0, 1}));
  EXPECT_EQ(d1->StateChanges()[2], (TStateChange{2, 7}));

  Doc d2(L, u"FFA0C3D4");
  d2.Analyze();
  EXPECT_EQ(d2.Dump(), u"FF:R A0:G C3:B D4:Rest");
}

TEST(Tokenizer, EarlierRuleWinsOverLongerMatch) {
  TSyntAnalyzer L(nullptr);
  AddToken(L, u"Int", u"\\d+", 5);
  AddToken(L, u"Float", u"\\d+\\.\\d+", 6);
  AddToken(L, u"Sym", u"[.]", 3);
  Doc d(L, u"1.5");
  d.Analyze();
  EXPECT_EQ(d.Dump(), u"1:Int .:Sym 5:Int");
}

TEST(Tokenizer, LineEndsAreTokensOnlyWithParseEndOfLine) {
  TSyntAnalyzer L(nullptr);
  AddToken(L, u"Word", u"\\w+", 2);
  AddToken(L, u"Eol", u"\\r\\n|\\r|\\n", 10);
  Doc d1(L, u"a b\r\nc\n");
  d1.Analyze();
  EXPECT_EQ(d1.Dump(), u"a:Word b:Word c:Word");

  L.SetParseEndOfLine(true);
  Doc d2(L, u"a  b\r\n  c\n");
  d2.Analyze();
  EXPECT_EQ(d2.Dump(), u"a:Word b:Word \r\n:Eol c:Word \n:Eol");
  EXPECT_EQ(d2->Tags(2).StartPos, 4);
  EXPECT_EQ(d2->Tags(2).EndPos, 6);

  // Without SkipSpaces nothing is skipped: blanks nobody matches are left without a token.
  L.SetSkipSpaces(false);
  Doc d3(L, u"a b");
  d3.Analyze();
  EXPECT_EQ(d3.Dump(), u"a:Word b:Word");
}

TEST(Tokenizer, UnmatchedCharactersAreSkippedOneByOne) {
  TSyntAnalyzer L(nullptr);
  AddToken(L, u"Word", u"[a-z]+", 2);
  Doc d(L, u"ab ?! cd");
  d.Analyze();
  EXPECT_EQ(d.Dump(), u"ab:Word cd:Word");
  EXPECT_TRUE(d->IsFinished());
}

TEST(Tokenizer, ColumnsLimitWhereARuleApplies) {
  TSyntAnalyzer L(nullptr);
  auto* first = AddToken(L, u"First", u"\\w+", 1);
  first->SetColumnFrom(1), first->SetColumnTo(1);
  AddToken(L, u"Word", u"\\w+", 2);
  Doc d(L, u"ab cd\n ef\ngh");
  d.Analyze();
  EXPECT_EQ(d.Dump(), u"ab:First cd:Word ef:Word gh:First");
}

TEST(Tokenizer, InvalidExpressionNeverMatches) {
  TSyntAnalyzer L(nullptr);
  AddToken(L, u"Bad", u"(abc", 1);
  AddToken(L, u"Word", u"\\w+", 2);
  Doc d(L, u"abc");
  d.Analyze();
  EXPECT_EQ(d.Dump(), u"abc:Word");
}

TEST(Tokenizer, OnMatchTokenChangesTheLength) {
  TSyntAnalyzer L(nullptr);
  auto* w = AddToken(L, u"Word", u"\\w+", 2);
  // Words are cut to two characters; the handler also makes a token where the rule does not match.
  w->OnMatchToken = [](TObject*, TParserResults*, std::u16string_view Text, int Pos, int& Len) {
    if (Len > 2) Len = 2;
    if (Len == 0 && Text[size_t(Pos - 1)] == u'#') Len = 1;
  };
  Doc d(L, u"abcde #");
  d.Analyze();
  EXPECT_EQ(d.Dump(), u"ab:Word cd:Word e:Word #:Word");
}

TEST(Tokenizer, OnParseTokenReplacesTheRules) {
  TSyntAnalyzer L(nullptr);
  auto* w = AddToken(L, u"Word", u"\\w+", 2);
  // Two characters per token; a zero length (a handler fault) makes no token and analysis goes on.
  L.OnParseToken = [w](TParserResults*, std::u16string_view Text, int Pos, int& Len,
                       TTokenRule*& Rule) {
    Rule = w;
    Len = Text[size_t(Pos - 1)] == u'x' ? 0 : 2;
  };
  Doc d(L, u"abxcdefg");
  d.Analyze();
  EXPECT_EQ(d.Dump(), u"ab:Word cd:Word ef:Word g:Word");
}

// A sub-lexer of words and numbers used inside <...> regions.
struct SubFixture : ::testing::Test {
  SubFixture() {
    AddToken(outer, u"Word", u"\\w+", 2);
    AddToken(outer, u"Sym", u"[<>]", 3);
    AddToken(inner, u"InNum", u"\\d+", 5);
    AddToken(inner, u"InWord", u"[a-z]+", 2);
    sub = AddSub(outer, u"Region", u"<", u">", &inner);
  }
  TSyntAnalyzer outer{nullptr}, inner{nullptr};
  TSubAnalyzerRule* sub;
};

TEST_F(SubFixture, RegionIsAnalysedByTheSubLexer) {
  Doc d(outer, u"a <b 12> c");
  d.Analyze();
  EXPECT_EQ(d.Dump(), u"a:Word <:Sym b:InWord 12:InNum >:Sym c:Word");
  ASSERT_EQ(d->SubLexerRanges().size(), 1u);
  const TSubLexerRange& r = d->SubLexerRanges()[0];
  EXPECT_EQ(r.CondStartPos, 2);
  EXPECT_EQ(r.StartPos, 3);
  EXPECT_EQ(r.EndPos, 7);
  EXPECT_EQ(r.CondEndPos, 8);
  EXPECT_EQ(d->AnalyzerAtPos(1), &outer);
  EXPECT_EQ(d->AnalyzerAtPos(2), &outer);
  EXPECT_EQ(d->AnalyzerAtPos(3), &inner);
  EXPECT_EQ(d->AnalyzerAtPos(6), &inner);
  EXPECT_EQ(d->AnalyzerAtPos(7), &outer);
  EXPECT_EQ(d->AnalyzerAtPos(-1), &outer);
}

TEST_F(SubFixture, IncludeBoundsGivesTheBoundsToTheSubLexer) {
  sub->SetIncludeBounds(true);
  AddToken(inner, u"InSym", u"[<>]", 3);
  Doc d(outer, u"a <b> c");
  d.Analyze();
  EXPECT_EQ(d.Dump(), u"a:Word <:InSym b:InWord >:InSym c:Word");
  const TSubLexerRange& r = d->SubLexerRanges()[0];
  EXPECT_EQ(r.StartPos, 2);
  EXPECT_EQ(r.EndPos, 5);
  EXPECT_EQ(r.CondEndPos, 5);
}

TEST_F(SubFixture, IncludedEndMatchOfSeveralTokensStaysInTheRegion) {
  // The end match "]]" is two tokens of the sub-lexer; both belong to the region.
  sub->SetStartExpression(u"\\[\\[");
  sub->SetEndExpression(u"\\]\\]");
  sub->SetIncludeBounds(true);
  AddToken(inner, u"InSym", u"[\\[\\]]", 3);
  AddToken(outer, u"Br", u"[\\[\\]]", 4);
  Doc d(outer, u"[[x]]]");
  d.Analyze();
  EXPECT_EQ(d.Dump(), u"[:InSym [:InSym x:InWord ]:InSym ]:InSym ]:Br");
}

TEST_F(SubFixture, EmptyRegionClosesAtOnceAndIsNotReopened) {
  // The end expression matches right where the region starts; the start expression matches again
  // at the close position, which must not open a second region there.
  sub->SetStartExpression(u"<");
  sub->SetEndExpression(u"(?=<)|>");
  Doc d(outer, u"<<x");
  d.Analyze();
  ASSERT_GE(d->SubLexerRanges().size(), 1u);
  const TSubLexerRange& r = d->SubLexerRanges()[0];
  EXPECT_EQ(r.StartPos, 1);
  EXPECT_EQ(r.EndPos, 1);  // empty text
  EXPECT_EQ(d->SubLexerRanges().size(), 1u);
  EXPECT_EQ(d.Dump(), u"<:Sym <:Sym x:Word");
}

TEST_F(SubFixture, AlwaysEnabledOuterRuleWinsInsideTheRegion) {
  auto* special = AddToken(outer, u"Special", u"\\d\\d", 7);
  special->SetAlwaysEnabled(true);
  // Moved first so that it is tried before the outer word rule too.
  Doc d(outer, u"<123 ab> 45");
  d.Analyze();
  EXPECT_EQ(d.Dump(), u"<:Sym 12:Special 3:InNum ab:InWord >:Sym 45:Word");
}

TEST_F(SubFixture, TokenRunningIntoALaterRegionIsCut) {
  // The outer rule would swallow "ab[" and more; the region opened at "[" cuts it.
  TSyntAnalyzer o(nullptr), i(nullptr);
  AddToken(o, u"Any", u"\\S+", 1);
  AddToken(i, u"In", u"\\w+", 2);
  AddSub(o, u"R", u"ab\\[", u"\\]", &i);
  Doc d(o, u"ab[cd] e");
  d.Analyze();
  EXPECT_EQ(d.Dump(), u"ab[:Any cd:In ]:Any e:Any");
}

TEST_F(SubFixture, FromTextBeginAndToTextEnd) {
  sub->SetFromTextBegin(true);
  sub->SetToTextEnd(true);
  Doc d(outer, u"ab 12");
  d.Analyze();
  EXPECT_EQ(d.Dump(), u"ab:InWord 12:InNum");
  ASSERT_EQ(d->SubLexerRanges().size(), 1u);
  EXPECT_EQ(d->SubLexerRanges()[0].StartPos, 0);
  EXPECT_EQ(d->SubLexerRanges()[0].EndPos, 5);  // ended by the end of the text
}

TEST_F(SubFixture, OpenRegionWithoutToTextEndStaysOpen) {
  Doc d(outer, u"a <b");
  d.Analyze();
  ASSERT_EQ(d->SubLexerRanges().size(), 1u);
  EXPECT_TRUE(d->SubLexerRanges()[0].IsOpen());
  EXPECT_EQ(d->AnalyzerAtPos(3), &inner);
  EXPECT_EQ(d->AnalyzerAtPos(100), &inner);
}

TEST_F(SubFixture, NestedSubLexer) {
  TSyntAnalyzer innermost(nullptr);
  AddToken(innermost, u"Deep", u"\\w+", 8);
  AddSub(inner, u"Paren", u"\\(", u"\\)", &innermost);
  AddToken(inner, u"InSym", u"[()]", 3);
  Doc d(outer, u"<a (b) c> d");
  d.Analyze();
  EXPECT_EQ(d.Dump(), u"<:Sym a:InWord (:InSym b:Deep ):InSym c:InWord >:Sym d:Word");
  EXPECT_EQ(d->AnalyzerAtPos(4), &innermost);
  EXPECT_EQ(d->AnalyzerAtPos(7), &inner);
}

TEST(Tokenizer, SourceProcIsRequired) {
  TSyntAnalyzer L(nullptr);
  EXPECT_THROW(TClientSyntAnalyzer(&L, nullptr, nullptr), Exception);
  EXPECT_THROW(TClientSyntAnalyzer(&L, nullptr, [] { return (TSyntMemoStrings*)nullptr; }),
               Exception);
}

TEST(Tokenizer, ClientTracksItsLexer) {
  TSyntAnalyzer L(nullptr);
  TSyntMemoStrings lines;
  {
    TClientSyntAnalyzer c(&L, nullptr, [&] { return &lines; });
    EXPECT_EQ(L.ClientCount(), 1);
  }
  EXPECT_EQ(L.ClientCount(), 0);
}

TEST(Tokenizer, TokensAreSixteenBytes) {
  EXPECT_EQ(sizeof(TSyntToken), 16u);
}

}  // namespace
}  // namespace synt::test

namespace synt::test {
namespace {

// The lexer at Pos by the plain walk over every region, first to last.
TSyntAnalyzer* AnalyzerAtPosByWalk(TParserResults& c, int Pos) {
  TSyntAnalyzer* result = c.Owner();
  for (const TSubLexerRange& r : c.SubLexerRanges()) {
    if (r.StartPos > Pos) break;
    if (r.IsOpen() || Pos < r.EndPos) result = r.Rule->SyntAnalyzer();
  }
  return result;
}

TEST(Tokenizer, RegionsNestAndLookupsFollowTheChain) {
  TSyntAnalyzer outer(nullptr), a(nullptr), b(nullptr);
  for (TSyntAnalyzer* l : {&outer, &a, &b}) {
    AddToken(*l, u"Word", u"[a-z]+", 2);
    AddToken(*l, u"Sym", u"[<>()\\[\\]]", 3);
  }
  AddSub(outer, u"Angle", u"<", u">", &a);
  AddSub(a, u"Paren", u"\\(", u"\\)", &b);
  auto* br = AddSub(b, u"Bracket", u"\\[", u"\\]", &a);
  br->SetIncludeBounds(true);
  AddSub(b, u"Angle2", u"<", u">", &b)->SetAlwaysEnabled(true);
  uint32_t seed = 12345;
  auto rnd = [&](int n) {
    seed = seed * 1103515245u + 12345u;
    return int((seed >> 16) % uint32_t(n));
  };
  const char16_t alphabet[] = u"ab <>()[] x";
  for (int round = 0; round < 300; ++round) {
    std::u16string text;
    int len = 1 + rnd(60);
    for (int i = 0; i < len; ++i) text += alphabet[rnd(11)];
    Doc d(outer, text);
    d.Analyze();
    const auto& regions = d->SubLexerRanges();
    for (size_t i = 0; i < regions.size(); ++i) {
      const TSubLexerRange& r = regions[i];
      if (i) {
        EXPECT_GE(r.StartPos, regions[i - 1].StartPos);
      }
      if (r.ParentIndex >= 0) {
        const TSubLexerRange& p = regions[size_t(r.ParentIndex)];
        EXPECT_LT(r.ParentIndex, int(i));
        EXPECT_GE(r.StartPos, p.StartPos);
        if (!p.IsOpen()) {
          EXPECT_FALSE(r.IsOpen());
          EXPECT_LE(r.EndPos, p.EndPos);
        }
      }
    }
    for (int pos = -1; pos <= int(text.size()) + 1; ++pos)
      ASSERT_EQ(d->AnalyzerAtPos(pos), AnalyzerAtPosByWalk(*d.client, pos))
          << Utf16ToUtf8(text) << " at " << pos;
    d->Tokens().Check();
  }
}

}  // namespace
}  // namespace synt::test

namespace synt::test {
namespace {

TEST(Tokenizer, DotMatchesEveryUnitButLineBreaks) {
  // "." without s: any unit but a line break, non-Latin text included.
  TSyntAnalyzer L(nullptr);
  AddToken(L, u"Comment", u"//.*", 1);
  AddToken(L, u"Word", u"\\w+", 2);
  Doc d(L, u"// peripheral\u2019s \u00e9t\u00e9 \u0436\u0443\u043a \u4e2d\u6587\u2028x");
  d.Analyze();
  ASSERT_GE(d->TagCount(), 1);
  EXPECT_EQ(d->TagText(0), u"// peripheral\u2019s \u00e9t\u00e9 \u0436\u0443\u043a \u4e2d\u6587");
}

}  // namespace
}  // namespace synt::test
