#include <gtest/gtest.h>

#include "analysis/client_analyzer.h"
#include "analysis/internal/client_access.h"
#include "lexer_build.h"
#include "platform/app_exceptions.h"

namespace synt::test {
namespace {

using analysis_internal::ClientAccess;

constexpr uint32_t kComment = 1u << 1, kIdent = 1u << 2, kSymbol = 1u << 3;

// Identifiers, symbols and // comments, as the token types of the default names.
struct Pas : ::testing::Test {
  Pas() {
    AddToken(L, u"Comment", u"//.*", 1);
    AddToken(L, u"Ident", u"[a-z_]\\w*", 2);
    AddToken(L, u"Symbol", u"[.;:=(),]", 3);
    AddToken(L, u"Number", u"\\d+", 5);
  }
  // "text[start..end]" per range, in AllRanges order.
  static std::u16string Ranges(TClientSyntAnalyzer& c) {
    std::u16string s;
    for (int i = 0; i < c.RangeCount(); ++i) {
      const TTextRange* r = c.Ranges(i);
      if (i) s += u' ';
      s += r->Rule->DisplayName() + u"[" + std::u16string(c.TagTextView(r->StartIdx)) + u"..";
      s += r->IsClosed() ? std::u16string(c.TagTextView(r->EndIdx)) : u"?";
      s += u"]";
    }
    return s;
  }
  TSyntAnalyzer L{nullptr};
};

TEST_F(Pas, BeginEndRangeClosesOnTheTokenAfterEnd) {
  auto* begin = AddBlock(L, u"Begin", btRangeStart, {{u"begin case", tcEqual, kIdent, true}});
  auto* end =
      AddBlock(L, u"End", btRangeEnd, {{u".", tcNotEqual}, {u"end", tcEqual, kIdent, true}});
  end->SetBlockOffset(1);
  SetBlockEnd(begin, end);

  Doc d(L, u"begin x end;");
  auto& c = d.Analyze();
  EXPECT_EQ(Ranges(c), u"Begin[begin..end]");
  const TTextRange* r = c.Ranges(0);
  EXPECT_EQ(r->StartIdx, 0);
  EXPECT_EQ(r->EndIdx, 2);
  EXPECT_EQ(r->EndCondIndex, 3);
  EXPECT_EQ(r->CondIndex, 0);
  EXPECT_EQ(c.RangeStartPos(r), 0);
  EXPECT_EQ(c.RangeEndPos(r), 11);

  // In a final "end." nothing closes: the most recent token is "." when "end" is the previous one.
  Doc d2(L, u"BEGIN x END.");
  auto& c2 = d2.Analyze();
  EXPECT_EQ(Ranges(c2), u"Begin[BEGIN..?]");
  EXPECT_EQ(c2.OpenCount(), 1);
}

TEST_F(Pas, NestingAndParents) {
  auto* begin = AddBlock(L, u"Begin", btRangeStart, {{u"begin", tcEqual, kIdent}});
  auto* end = AddBlock(L, u"End", btRangeEnd, {{u".", tcNotEqual}, {u"end", tcEqual, kIdent}});
  end->SetBlockOffset(1);
  SetBlockEnd(begin, end);
  Doc d(L, u"begin a; begin b; begin end; end; end;");
  auto& c = d.Analyze();
  ASSERT_EQ(c.RangeCount(), 3);
  EXPECT_EQ(c.Ranges(0)->Parent, nullptr);
  EXPECT_EQ(c.Ranges(1)->Parent, c.Ranges(0));
  EXPECT_EQ(c.Ranges(2)->Parent, c.Ranges(1));
  EXPECT_EQ(TClientSyntAnalyzer::RangeLevel(c.Ranges(2)), 2);
  EXPECT_EQ(c.Ranges(2)->StartIdx, 6);
  EXPECT_EQ(c.Ranges(2)->EndIdx, 7);
  EXPECT_EQ(c.Ranges(0)->EndIdx, 11);
  EXPECT_EQ(c.OpenCount(), 0);
  EXPECT_EQ(c.PriorRangeAt(9), 1);
}

TEST_F(Pas, ConsecutiveCommentsFormOneRange) {
  auto* start = AddBlock(L, u"Comments", btRangeStart, {{u"", tcEqual, kComment}});
  SetBlockName(start, start);
  start->SetNotParent(true);
  auto* stop = AddBlock(L, u"Comments end", btRangeEnd,
                        {{u"", tcNotEqual, kComment}, {u"", tcEqual, kComment}});
  SetBlockName(stop, start);
  stop->SetStrictParent(true);
  stop->SetBlockOffset(1);
  SetBlockEnd(start, stop);

  Doc d(L, u"// one\n// two\n// three\nx\n// four\ny");
  auto& c = d.Analyze();
  ASSERT_EQ(c.RangeCount(), 2);
  EXPECT_EQ(c.Ranges(0)->StartIdx, 0);
  EXPECT_EQ(c.Ranges(0)->EndIdx, 2);
  EXPECT_EQ(c.Ranges(1)->StartIdx, 4);
  EXPECT_EQ(c.Ranges(1)->EndIdx, 4);
}

TEST_F(Pas, SameIdentClosesTheMatchingRange) {
  auto* open = AddBlock(L, u"Open", btRangeStart, {{u"", tcEqual, kIdent}, {u"(", tcEqual}});
  open->SetBlockOffset(1);  // starts at "(", identifier after it
  open->SetIdentIndex(0);
  auto* close = AddBlock(L, u"Close", btRangeEnd, {{u"", tcEqual, kIdent}, {u")", tcEqual}});
  close->SetSameIdent(true);
  SetBlockEnd(open, close);
  // ( a ( b ) a ) closes a's range at ") a" and leaves b's open.
  Doc d(L, u"(a (b )a )b");
  auto& c = d.Analyze();
  ASSERT_EQ(c.RangeCount(), 2);
  const TTextRange* a = c.Ranges(0);
  const TTextRange* b = c.Ranges(1);
  EXPECT_EQ(c.TagText(a->IdentIdx), u"a");
  EXPECT_EQ(c.TagText(b->IdentIdx), u"b");
  EXPECT_TRUE(a->IsClosed());
  EXPECT_EQ(a->EndIdx, 5);
  EXPECT_TRUE(b->IsClosed());  // the final ")b" closes it
  EXPECT_EQ(b->EndIdx, 7);

  // With AutoCloseInternal, closing a also closes b inside it.
  close->SetAutoCloseInternal(true);
  Doc d2(L, u"(a (b )a");
  auto& c2 = d2.Analyze();
  ASSERT_EQ(c2.RangeCount(), 2);
  EXPECT_TRUE(c2.Ranges(0)->IsClosed());
  EXPECT_TRUE(c2.Ranges(1)->IsClosed());
  EXPECT_EQ(c2.Ranges(1)->EndIdx, 5);
  EXPECT_EQ(c2.Ranges(1)->EndCondIndex, 5);
}

TEST_F(Pas, SkipConditionPassesAnyNumberOfSkippedTokens) {
  auto* tag = AddBlock(L, u"Call", btTagDetect,
                       {{u"(", tcEqual}, {u"", tcSkip, kComment}, {u"", tcEqual, kIdent}});
  tag->SetRefToCondEnd(true);  // tag the identifier, the earliest token matched
  for (auto text : {u"f(", u"f // c\n(", u"f // c\n// d\n("}) {
    Doc d(L, text);
    auto& c = d.Analyze();
    EXPECT_EQ(c.TokenRule(0), tag) << std::string(text, text + 1);
  }
  Doc bad(L, u"f 1 (");
  auto& c = bad.Analyze();
  EXPECT_NE(c.TokenRule(0), tag);  // the skip passes only comments
}

TEST_F(Pas, DelayedRuleWaitsForTheNameAfterTheKeyword) {
  auto* unit = AddBlock(L, u"Unit", btRangeStart, {{u"program unit", tcEqual, kIdent}});
  unit->SetIdentIndex(-1);
  unit->SetCollapseFmt(u"%s0 %s-1");
  unit->SetEndOfTextClose(true);
  EXPECT_EQ(unit->ConditionDelay(), 1);
  Doc d(L, u"unit Foo; x");
  auto& c = d.Analyze();
  ASSERT_EQ(c.RangeCount(), 1);
  const TTextRange* r = c.Ranges(0);
  EXPECT_EQ(r->StartIdx, 0);
  EXPECT_EQ(r->IdentIdx, 1);
  EXPECT_EQ(r->CondIndex, 1);
  EXPECT_EQ(c.GetCollapsedText(r), u"unit Foo");
  EXPECT_EQ(r->EndIdx, 3);  // closed at the end of the text
}

TEST_F(Pas, RoutineRuleTakesTheNameAsIdentifier) {
  auto* routine = AddBlock(L, u"Routine", btRangeStart,
                           {{u"( : ;", tcEqual},
                            {u"", tcEqual, kIdent},
                            {u"function procedure", tcEqual, kIdent, true}});
  routine->SetIdentIndex(1);
  routine->SetBlockOffset(2);
  routine->SetCollapseFmt(u"%s2 %s1");
  Doc d(L, u"x; procedure Foo(a);");
  auto& c = d.Analyze();
  ASSERT_EQ(c.RangeCount(), 1);
  const TTextRange* r = c.Ranges(0);
  EXPECT_EQ(c.TagText(r->StartIdx), u"procedure");
  EXPECT_EQ(c.TagText(r->IdentIdx), u"Foo");
  EXPECT_EQ(c.GetCollapsedText(r), u"procedure Foo");
}

TEST_F(Pas, ClosingRuleNamingTheRangeRuleClosesIt) {
  auto* open = AddBlock(L, u"Open", btRangeStart, {{u"open", tcEqual, kIdent}});
  auto* close = AddBlock(L, u"Close", btRangeEnd, {{u"close", tcEqual, kIdent}});
  SetBlockEnd(close, open);  // the range rule does not name the closing rule
  Doc d(L, u"open a close b");
  auto& c = d.Analyze();
  ASSERT_EQ(c.RangeCount(), 1);
  EXPECT_EQ(c.Ranges(0)->EndIdx, 2);
}

TEST_F(Pas, EmptyConditionListNeverFires) {
  AddBlock(L, u"Never", btRangeStart, {});
  AddBlock(L, u"NeverTag", btTagDetect, {});
  Doc d(L, u"a b c");
  auto& c = d.Analyze();
  EXPECT_EQ(c.RangeCount(), 0);
  EXPECT_EQ(d.Dump(), u"a:Ident b:Ident c:Ident");
}

TEST_F(Pas, EndOfTextCloseOnlyForItsRules) {
  auto* a = AddBlock(L, u"A", btRangeStart, {{u"a", tcEqual}});
  a->SetEndOfTextClose(true);
  AddBlock(L, u"B", btRangeStart, {{u"b", tcEqual}});
  Doc d(L, u"a b x y");
  auto& c = d.Analyze();
  ASSERT_EQ(c.RangeCount(), 2);
  EXPECT_EQ(c.Ranges(0)->EndIdx, 3);
  EXPECT_FALSE(c.Ranges(1)->IsClosed());
  EXPECT_EQ(c.OpenCount(), 1);
}

TEST_F(Pas, TagDetectionRetagsAndCancelNextRules) {
  auto* kw = AddBlock(L, u"Keyword", btTagDetect, {{u"begin end if", tcEqual, kIdent, true}});
  kw->SetTokenType(10);
  kw->SetCancelNextRules(true);
  auto* later = AddBlock(L, u"Later", btTagDetect, {{u"", tcEqual, kIdent}});
  Doc d(L, u"IF x");
  auto& c = d.Analyze();
  EXPECT_EQ(c.TokenRule(0), kw);
  EXPECT_EQ(c.TagType(0), 10);
  EXPECT_EQ(c.TokenRule(1), later);
  EXPECT_EQ(c.TagType(1), 2);  // TokenType -1 keeps the type
}

TEST_F(Pas, MaskConditions) {
  auto* mask = AddBlock(L, u"Mask", btTagDetect, {{u"ab \\d", tcMask, kIdent}});
  auto* strict = AddBlock(L, u"Strict", btTagDetect, {{u"ab", tcStrictMask, kIdent}});
  mask->SetCancelNextRules(false);
  Doc d(L, u"abc ab xab");
  auto& c = d.Analyze();
  EXPECT_EQ(c.TokenRule(0), mask);    // "ab" matches at the start of "abc"
  EXPECT_EQ(c.TokenRule(1), strict);  // covers the whole token: both fire, the later one wins
  EXPECT_NE(c.TokenRule(2), mask);
  // An invalid mask ends the list; what it would have accepted is not accepted.
  auto* broken = AddBlock(L, u"Broken", btTagDetect, {{u"(x xab", tcMask, kIdent}});
  Doc d2(L, u"xab");
  EXPECT_NE(d2.Analyze().TokenRule(0), broken);
}

TEST_F(Pas, LineBreaksAboveAndBelow) {
  auto* top = AddBlock(L, u"Top", btLineBreak, {{u"top", tcEqual}});
  auto* bottom = AddBlock(L, u"Bottom", btLineBreak, {{u"bottom", tcEqual}});
  bottom->SetLinePos(lbBottom);
  Doc d(L, u"a\ntop\nb bottom\nc");
  auto& c = d.Analyze();
  ASSERT_EQ(c.LineBreaks().size(), 2u);
  EXPECT_EQ(c.LineBreaks()[0].Line, 1);
  EXPECT_EQ(c.LineBreaks()[0].Rule, top);
  EXPECT_EQ(c.LineBreaks()[1].Line, 3);
  EXPECT_EQ(c.LineBreaks()[1].RefTag, 3);
}

TEST_F(Pas, SelfCloseAndNoEndRule) {
  auto* section = AddBlock(L, u"Section", btRangeStart, {{u"section", tcEqual}});
  section->SetSelfClose(true);
  auto* pair = AddBlock(L, u"Pair", btRangeStart, {{u"y", tcEqual}, {u"x", tcEqual}});
  pair->SetNoEndRule(true);
  Doc d(L, u"section a section b x y");
  auto& c = d.Analyze();
  ASSERT_EQ(c.RangeCount(), 3);
  EXPECT_EQ(c.Ranges(0)->EndIdx, 1);  // one token before the next section
  EXPECT_FALSE(c.Ranges(1)->IsClosed());
  const TTextRange* p = c.Ranges(2);
  EXPECT_EQ(p->StartIdx, 4);
  EXPECT_EQ(p->EndIdx, 5);
  EXPECT_EQ(p->StartPos, c.Tags(4).StartPos);
  EXPECT_EQ(c.OpenCount(), 1);
}

TEST_F(Pas, StrictParentIgnoresRangesMarkedIgnoreAsParent) {
  auto* outer = AddBlock(L, u"Outer", btRangeStart, {{u"outer", tcEqual}});
  auto* noise = AddBlock(L, u"Noise", btRangeStart, {{u"noise", tcEqual}});
  noise->SetIgnoreAsParent(true);
  auto* inner = AddBlock(L, u"Inner", btTagDetect, {{u"x", tcEqual}});
  SetBlockName(inner, outer);
  inner->SetStrictParent(true);
  Doc d(L, u"x outer noise x");
  auto& c = d.Analyze();
  EXPECT_NE(c.TokenRule(0), inner);
  EXPECT_EQ(c.TokenRule(3), inner);
  // NotParent inverts the test.
  inner->SetNotParent(true);
  Doc d2(L, u"x outer noise x");
  auto& c2 = d2.Analyze();
  EXPECT_EQ(c2.TokenRule(0), inner);
  EXPECT_NE(c2.TokenRule(3), inner);
}

TEST_F(Pas, StrictParentWithOnlyIgnoredRangesOpenHasNoParent) {
  // A strict rule without a block name wants no open parent: with nothing open it fires; with
  // only ranges that do not count as parents open it does not (no innermost parent is left).
  auto* noise = AddBlock(L, u"Noise", btRangeStart, {{u"noise", tcEqual}});
  noise->SetIgnoreAsParent(true);
  auto* top = AddBlock(L, u"Top", btTagDetect, {{u"x", tcEqual}});
  top->SetStrictParent(true);
  Doc d(L, u"x noise x");
  auto& c = d.Analyze();
  EXPECT_EQ(c.TokenRule(0), top);
  EXPECT_NE(c.TokenRule(2), top);
  top->SetNotParent(true);
  Doc d2(L, u"x noise x");
  auto& c2 = d2.Analyze();
  EXPECT_NE(c2.TokenRule(0), top);
  EXPECT_EQ(c2.TokenRule(2), top);
  // The answer comes straight from the parent test too, for a rule with and without a name.
  EXPECT_FALSE(c2.HasOpened(top, nullptr, true));
  EXPECT_FALSE(c2.HasOpened(top, noise, true));
}

TEST_F(Pas, TokenRuleEnabledOnlyInsideItsBlock) {
  auto* str = AddBlock(L, u"Quote", btRangeStart, {{u"quote", tcEqual}});
  auto* stop = AddBlock(L, u"Unquote", btRangeEnd, {{u"unquote", tcEqual}});
  SetBlockEnd(str, stop);
  auto* quoted = AddToken(L, u"Quoted", u"[a-z]+", 4);
  LastTokenRuleFirst(L);
  SetBlockName(quoted, str);
  Doc d(L, u"a quote b unquote c");
  auto& c = d.Analyze();
  EXPECT_EQ(d.Dump(), u"a:Ident quote:Ident b:Quoted unquote:Quoted c:Ident");
  EXPECT_EQ(c.TagType(2), 4);
}

TEST_F(Pas, OnBlockCheckVetoesAndAccepts) {
  auto* tag = AddBlock(L, u"Tag", btTagDetect, {{u"a", tcEqual}});
  tag->OnBlockCheck = [](TObject*, TClientSyntAnalyzer* c, std::u16string_view, int& ref,
                         bool& accept) {
    // Veto the first "a", accept every "b" too.
    if (c->TagCount() == 1) accept = false;
    if (c->TagText(c->TagCount() - 1) == u"b") accept = true;
  };
  Doc d(L, u"a a b c");
  d.Analyze();
  EXPECT_EQ(d.Dump(), u"a:Ident a:Tag b:Tag c:Ident");
}

TEST_F(Pas, HandlersAssignedDuringAnAnalysisTakePartAtOnce) {
  auto* tag = AddBlock(L, u"Tag", btTagDetect, {{u"a", tcEqual}});
  TTokenRule* ident = L.TokenRules()->Items(1);
  Doc d(L, u"a b # a b #");
  d->AppendToPos(2);  // "a", "b", and past the "#" that no rule matches
  // From here on "b" is tagged too, and "#" makes an identifier.
  tag->OnBlockCheck = [](TObject*, TClientSyntAnalyzer* c, std::u16string_view, int&,
                         bool& accept) {
    if (c->TagText(c->TagCount() - 1) == u"b") accept = true;
  };
  ident->OnMatchToken = [](TObject*, TParserResults*, std::u16string_view Text, int Pos, int& Len) {
    if (Len == 0 && Text[size_t(Pos - 1)] == u'#') Len = 1;
  };
  d->CompleteAnalysis();
  EXPECT_EQ(d.Dump(), u"a:Tag b:Ident a:Tag b:Tag #:Ident");
  // Taken away again, they stop at once too.
  d->ChangedAtPos(6);
  tag->OnBlockCheck = nullptr;
  ident->OnMatchToken = nullptr;
  d->CompleteAnalysis();
  EXPECT_EQ(d.Dump(), u"a:Tag b:Ident a:Tag b:Ident");
  d->Check();
}

TEST_F(Pas, OnCloseTextRangeMovesTheBounds) {
  auto* open = AddBlock(L, u"Open", btRangeStart, {{u"open", tcEqual}});
  auto* close = AddBlock(L, u"Close", btRangeEnd, {{u"close", tcEqual}});
  SetBlockEnd(open, close);
  L.OnCloseTextRange = [](TClientSyntAnalyzer*, TTextRange*, int& s, int& e) {
    ++s;
    --e;
  };
  Doc d(L, u"open a b close");
  auto& c = d.Analyze();
  EXPECT_EQ(c.Ranges(0)->StartIdx, 1);
  EXPECT_EQ(c.Ranges(0)->EndIdx, 2);
}

TEST_F(Pas, StatesOfBlockRules) {
  auto* on = AddBlock(L, u"On", btTagDetect, {{u"on", tcEqual}});
  on->SetStatesAdd(1);
  auto* off = AddBlock(L, u"Off", btTagDetect, {{u"off", tcEqual}});
  off->SetStatesRemove(1);
  auto* x = AddBlock(L, u"X", btTagDetect, {{u"x", tcEqual}});
  x->SetStatesPresent(1);
  Doc d(L, u"x on x off x");
  d.Analyze();
  EXPECT_EQ(d.Dump(), u"x:Ident on:On x:X off:Off x:Ident");
  // Changes by block rules after token k appear in the state recorded for token k + 1.
  ASSERT_EQ(d->StateChanges().size(), 2u);
  EXPECT_EQ(d->StateChanges()[0], (TStateChange{2, 1}));
  EXPECT_EQ(d->StateChanges()[1], (TStateChange{4, 0}));
}

TEST_F(Pas, ExceptionInARuleGoesToTheApplicationHandler) {
  auto* tag = AddBlock(L, u"Boom", btTagDetect, {{u"boom", tcEqual}});
  tag->OnBlockCheck = [](TObject*, TClientSyntAnalyzer*, std::u16string_view, int&, bool& ok) {
    if (ok) throw Exception("boom");
  };
  AddBlock(L, u"After", btTagDetect, {{u"", tcEqual, kIdent}});
  int seen = 0;
  auto old = SetApplicationExceptionHandler([&](std::exception_ptr) { ++seen; });
  Doc d(L, u"a boom b");
  d.Analyze();
  SetApplicationExceptionHandler(old);
  EXPECT_EQ(seen, 1);
  // The run that raised ended; the runs of other tokens went on.
  EXPECT_EQ(d.Dump(), u"a:After boom:Ident b:After");
}

TEST_F(Pas, SeparateBlockAnalysisGivesTheSameResult) {
  auto* kw = AddBlock(L, u"Keyword", btTagDetect, {{u"begin end", tcEqual, kIdent, true}});
  kw->SetTokenType(10);
  auto* begin = AddBlock(L, u"Begin", btRangeStart, {{u"begin", tcEqual, 1u << 10, true}});
  auto* end =
      AddBlock(L, u"End", btRangeEnd, {{u".", tcNotEqual}, {u"end", tcEqual, 1u << 10, true}});
  end->SetBlockOffset(1);
  SetBlockEnd(begin, end);
  std::u16string text = u"begin a; begin b end; // c\n end;";
  Doc sync(L, text);
  sync.Analyze();
  L.SetSeparateBlockAnalysisCache(true, true);
  Doc sep(L, text);
  sep->CompleteAnalysis();  // tag detection after each token, the rest in a catch-up pass
  EXPECT_EQ(sync.Dump(), sep.Dump());
  EXPECT_EQ(Ranges(*sync.client), Ranges(*sep.client));
  EXPECT_EQ(ClientAccess::BlockAnalPos(*sep.client), sep->TagCount());
}

TEST_F(Pas, DiscardingFromATokenThenReanalysingEqualsAFreshAnalysis) {
  auto* begin = AddBlock(L, u"Begin", btRangeStart, {{u"begin", tcEqual, kIdent}});
  auto* end = AddBlock(L, u"End", btRangeEnd, {{u".", tcNotEqual}, {u"end", tcEqual, kIdent}});
  end->SetBlockOffset(1);
  SetBlockEnd(begin, end);
  AddBlock(L, u"Sep", btLineBreak, {{u"begin", tcEqual}});
  auto* on = AddToken(L, u"On", u"on\\b", 2);
  on->SetStatesAdd(1);
  LastTokenRuleFirst(L);
  std::u16string text = u"begin a; begin on b end; end; begin end;";
  Doc fresh(L, text);
  fresh.Analyze();
  for (int k = 0; k <= fresh->TagCount(); ++k) {
    Doc d(L, text);
    d.Analyze();
    // Re-analysis restarts one character before the change: from token k on.
    d->ChangedAtPos(k < d->TagCount() ? d->Tags(k).StartPos + 1 : int(text.size()) + 1);
    d->CompleteAnalysis();
    EXPECT_EQ(d.Dump(), fresh.Dump()) << k;
    EXPECT_EQ(Ranges(*d.client), Ranges(*fresh.client)) << k;
    EXPECT_EQ(d->LineBreaks().size(), fresh->LineBreaks().size()) << k;
    EXPECT_EQ(d->StateChanges(), fresh->StateChanges()) << k;
  }
}

}  // namespace
}  // namespace synt::test

namespace synt::test {
namespace {

TEST(BlockRulesInRegions, RangesOfARegionCloseWithIt) {
  // Inside <...> the sub-lexer opens a range at "a" that only the end of the text (or of the
  // region) closes; the outer lexer opens one at the "<" that starts the region.
  TSyntAnalyzer outer(nullptr), inner(nullptr);
  AddToken(outer, u"Sym", u"[<>]", 3);
  AddToken(outer, u"Word", u"\\w+", 2);
  AddToken(inner, u"Word", u"\\w+", 2);
  auto* lt = AddBlock(outer, u"Lt", btRangeStart, {{u"<", tcEqual}});
  lt->SetEndOfTextClose(true);
  auto* a = AddBlock(inner, u"A", btRangeStart, {{u"a", tcEqual}});
  a->SetEndOfTextClose(true);
  AddSub(outer, u"Angle", u"<", u">", &inner);
  Doc d(outer, u"<x a y> z");
  auto& c = d.Analyze();
  ASSERT_EQ(c.RangeCount(), 2);
  const TTextRange* inRegion = c.Ranges(1);
  EXPECT_EQ(inRegion->Rule, a);
  EXPECT_EQ(inRegion->EndIdx, 3);  // "y", the region's last token
  // The range that the start match opened lies outside the region: it stays open until the end
  // of the text.
  EXPECT_EQ(c.Ranges(0)->Rule, lt);
  EXPECT_EQ(c.Ranges(0)->EndIdx, 5);
}

TEST(BlockRulesInRegions, ARangeTheRegionOpensOnItsStartMatchClosesWithIt) {
  // A rule of the sub-lexer fires on the region's first token and, by its BlockOffset, starts
  // its range on the start match before it: opened inside the region, it ends with the region.
  TSyntAnalyzer outer(nullptr), inner(nullptr);
  AddToken(outer, u"Sym", u"[<>]", 3);
  AddToken(outer, u"Word", u"\\w+", 2);
  AddToken(inner, u"Sym", u"[<>]", 3);
  AddToken(inner, u"Word", u"\\w+", 2);
  auto* x = AddBlock(inner, u"X", btRangeStart, {{u"x", tcEqual}});
  x->SetBlockOffset(1);
  x->SetEndOfTextClose(true);
  auto* angle = AddSub(outer, u"Angle", u"<", u">", &inner);
  Doc d(outer, u"<x a y> z");
  auto& c = d.Analyze();
  ASSERT_EQ(c.RangeCount(), 1);
  EXPECT_EQ(c.Ranges(0)->StartIdx, 0);  // "<"
  EXPECT_EQ(c.Ranges(0)->EndIdx, 3);    // "y", the region's last token
  // With the bounds inside the region the start match is the region's own first token.
  auto* lt = AddBlock(inner, u"Lt", btRangeStart, {{u"<", tcEqual}});
  lt->SetEndOfTextClose(true);
  angle->SetIncludeBounds(true);
  Doc d2(outer, u"<x a y> z");
  auto& c2 = d2.Analyze();
  ASSERT_EQ(c2.RangeCount(), 2);
  EXPECT_EQ(c2.Ranges(0)->EndIdx, 3);
  EXPECT_EQ(c2.Ranges(1)->EndIdx, 3);
}

TEST(BlockRulesApi, ConditionsOnTheirOwn) {
  TSyntAnalyzer L(nullptr);
  AddToken(L, u"Word", u"\\w+", 2);
  auto* r =
      AddBlock(L, u"R", btTagDetect, {{u"b", tcEqual}, {u"", tcSkip, 1u << 2}, {u"x", tcEqual}});
  Doc d(L, u"x a a b");
  auto& c = d.Analyze();
  int ref = -1;
  EXPECT_TRUE(r->CheckConditions(analysis_internal::ClientAccess::Text(c), c, ref, -1));
  EXPECT_EQ(ref, 0);
  EXPECT_FALSE(r->CheckConditions(analysis_internal::ClientAccess::Text(c), c, ref, 3));
  EXPECT_EQ(r->ConditionDelay(), 0);
  TSingleTagCondition* cond = r->ConditionList()->Items(0);
  EXPECT_TRUE(cond->CheckToken(analysis_internal::ClientAccess::Text(c), c.Tags(3)));
  EXPECT_FALSE(cond->CheckToken(analysis_internal::ClientAccess::Text(c), c.Tags(2)));
}

TEST(BlockRulesApi, LexerDestroyedBeforeItsClient) {
  TSyntMemoStrings lines;
  lines.SetTextStr(u"a b");
  std::unique_ptr<TClientSyntAnalyzer> client;
  {
    TSyntAnalyzer L(nullptr);
    AddToken(L, u"Word", u"\\w+", 2);
    client = std::make_unique<TClientSyntAnalyzer>(&L, nullptr, [&] { return &lines; });
    client->Analyze(true);
    EXPECT_EQ(client->TagCount(), 2);
  }
  EXPECT_EQ(client->Owner(), nullptr);
  EXPECT_EQ(client->TagCount(), 0);
  client->Analyze(true);  // nothing to analyse with, and no crash
  EXPECT_EQ(client->TagCount(), 0);
}

}  // namespace
}  // namespace synt::test
