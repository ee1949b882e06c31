// Incremental analysis, idle slices, the background pass and the editor's queries, case by case.
#include <gtest/gtest.h>

#include <thread>

#include "analysis/client_analyzer.h"
#include "analysis/internal/client_access.h"
#include "analysis/synt_text_source.h"
#include "incremental_util.h"
#include "lexer_build.h"
#include "platform/app_exceptions.h"

namespace synt::test {
namespace {

using analysis_internal::ClientAccess;

constexpr uint32_t kIdent = 1u << 2, kSymbol = 1u << 3;

struct Incremental : ::testing::Test {
  Incremental() {
    keyword = L.Formats()->Add();
    keyword->SetDisplayName(u"Keyword");
    AddToken(L, u"Comment", u"//.*", 1)->SetStyleName(u"Keyword");
    ident = AddToken(L, u"Ident", u"[a-z_]\\w*", 2);
    ident->SetStyleName(u"Keyword");
    AddToken(L, u"Symbol", u"[.;:=(),]", 3);
    begin = AddBlock(L, u"Begin", btRangeStart, {{u"begin", tcEqual, kIdent}});
    end = AddBlock(L, u"End", btRangeEnd, {{u".", tcNotEqual}, {u"end", tcEqual, kIdent}});
    end->SetBlockOffset(1);
    SetBlockEnd(begin, end);
  }
  // Arms the ranges with dynamic highlighting of their bounds while the caret is inside.
  void DynamicBounds(THighlightPos Where, bool SelectMin = false) {
    begin->SetStyleName(u"Keyword");
    begin->SetDynHighlight(dhBound);
    begin->SetHighlightPos(Where);
    begin->SetDynSelectMin(SelectMin);
  }
  LoopHarness h;
  TSyntAnalyzer L{nullptr};
  TSyntaxFormat* keyword = nullptr;
  TTokenRule* ident = nullptr;
  TTagBlockCondition *begin = nullptr, *end = nullptr;
};

// ---- Discarding and pending tokens ------------------------------------------------------------

TEST_F(Incremental, TypingInTheMiddleKeepsTheTokensBeforeAndShowsThoseAfterShifted) {
  EditDoc d(&L, u"aa bb cc dd ee");
  ASSERT_TRUE(d.Settle(h));
  ASSERT_EQ(d->TagCount(), 5);
  d.lines.InsertText(7, u"x");  // cc -> cxc
  // Re-analysis restarts one character before the change: "aa" and "bb" stay as they were.
  EXPECT_EQ(d->TagCount(), 2);
  EXPECT_EQ(d->Tags(1).StartPos, 3);
  ASSERT_EQ(ClientAccess::PendingTokens(*d.client).Count(), 3);
  EXPECT_EQ(ClientAccess::PendingTokens(*d.client)[0].StartPos, 6);  // old coordinates
  EXPECT_FALSE(d->IsFinished());
  // Painting past the changed area shows the old tokens one character further on.
  TStyleEntries e;
  EXPECT_EQ(d->GetTokenStyleAt(13, e), 15);  // "ee" was [12,14)
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0], TRange(13, 15));
  // A paint request re-analyses only the changed area.
  d->TryAppend(15);
  EXPECT_EQ(d->TagCount(), 4);  // up to the end of the change and one token beyond
  EXPECT_EQ(d->Tags(2), TRange(6, 9));
  EXPECT_FALSE(d->IsFinished());
  ASSERT_TRUE(d.Settle(h));
  EXPECT_EQ(d->TagCount(), 5);
  EXPECT_EQ(ClientAccess::PendingTokens(*d.client).Count(), 0);
  EXPECT_EQ(ClientAccess::ChangeLog(*d.client).Count(), 0);
}

TEST_F(Incremental, TwoChangesBeforeTheIdleLoopKeepThePendingTokensOfTheFirst) {
  EditDoc d(&L, u"aa bb cc dd ee ff");
  ASSERT_TRUE(d.Settle(h));
  d.lines.InsertText(10, u"y");  // dd -> dyd
  const int pending = ClientAccess::PendingTokens(*d.client).Count();
  EXPECT_EQ(pending, 3);
  d.lines.DeleteText(0, 3);  // "aa " goes: everything is cut again
  EXPECT_EQ(d->TagCount(), 0);
  EXPECT_EQ(ClientAccess::PendingTokens(*d.client).Count(),
            pending);  // still those of the first change
  EXPECT_EQ(ClientAccess::ChangeLog(*d.client).Count(), 2);
  // "ff" was at [15,17): +1, then -3.
  EXPECT_EQ(ClientAccess::ChangeLog(*d.client).OldToCur(15), 13);
  TStyleEntries e;
  EXPECT_EQ(d->GetTokenStyleAt(13, e), 15);
  ASSERT_TRUE(d.Settle(h));
  EditDoc fresh(&L, d.lines.TextView());
  ASSERT_TRUE(fresh.Settle(h));
  EXPECT_EQ(DumpAnalysis(*d.client), DumpAnalysis(*fresh.client));
}

TEST_F(Incremental, ChangeInsideARegionsEndConditionReopensTheRegion) {
  TSyntAnalyzer inner(nullptr);
  AddToken(inner, u"Word", u"[a-z]+", 2);
  AddSub(L, u"Angle", u"<<", u"\\$\\$\\$", &inner);
  EditDoc d(&L, u"<< a b $$$ c");
  ASSERT_TRUE(d.Settle(h));
  ASSERT_EQ(d->SubLexerRanges().size(), 1u);
  EXPECT_EQ(d->SubLexerRanges()[0].EndPos, 7);
  d.lines.InsertText(9, u"x");  // "$$x$": the end no longer matches there
  ASSERT_EQ(d->SubLexerRanges().size(), 1u);
  EXPECT_TRUE(d->SubLexerRanges()[0].IsOpen());
  ASSERT_TRUE(d.Settle(h));
  EXPECT_TRUE(d->SubLexerRanges()[0].IsOpen());  // never closed again
  EXPECT_EQ(d->AnalyzerAtPos(12), &inner);
}

TEST_F(Incremental, ARetypedLastTokenIsTestedWithItsNewText) {
  // The last token is cut and comes back at the same index with another text: nothing the block
  // rules learnt of the old one may be used for it.
  // (A line replaced by one of the same length: the text keeps its size.)
  EditDoc d(&L, u"x\nxxxxx");
  ASSERT_TRUE(d.Settle(h));
  d.lines.Put(1, u"begin");
  ASSERT_TRUE(d.Settle(h));
  EditDoc fresh(&L, u"x\nbegin");
  ASSERT_TRUE(fresh.Settle(h));
  EXPECT_EQ(FirstDifference(DumpAnalysis(*fresh.client), DumpAnalysis(*d.client)), "");
  EXPECT_EQ(d->RangeCount(), 1);
}

TEST_F(Incremental, RestartFromLineStartReanalysesTheWholeLine) {
  L.SetRestartFromLineStart(true);
  EditDoc d(&L, u"aa bb\ncc dd ee");
  ASSERT_TRUE(d.Settle(h));
  d.lines.InsertText(12, u"z");  // in "ee" on the second line
  EXPECT_EQ(d->TagCount(), 2);   // the first line only
  L.SetRestartFromLineStart(false);
}

TEST_F(Incremental, SmallTextsAreReanalysedFromTheStart) {
  L.SetFullRefreshSize(100);
  EditDoc d(&L, u"aa bb cc");
  ASSERT_TRUE(d.Settle(h));
  d.lines.InsertText(7, u"c");
  EXPECT_EQ(d->TagCount(), 0);
}

TEST_F(Incremental, WholeTextReplacedClearsAndRestartsWithTheInitialDelay) {
  L.SetIdleAppendDelayInit(30);
  L.SetIdleAppendDelay(300);
  EditDoc d(&L, u"begin a end;");
  EXPECT_EQ(ClientAccess::IdleTimer(*d.client).Interval(), 30u);
  ASSERT_TRUE(d.Settle(h));
  EXPECT_TRUE(ClientAccess::WasFinished(*d.client));
  d.lines.InsertText(0, u"b ");
  EXPECT_EQ(ClientAccess::IdleTimer(*d.client).Interval(),
            300u);  // after the first complete analysis
  EXPECT_TRUE(ClientAccess::IdleTimer(*d.client).Enabled());
  d.lines.SetTextStr(u"x y");
  EXPECT_FALSE(ClientAccess::WasFinished(*d.client));
  EXPECT_EQ(d->TagCount(), 0);
  EXPECT_EQ(d->RangeCount(), 0);
  EXPECT_EQ(ClientAccess::DisplayRanges(*d.client).Collapsible.Count(), 0);
  EXPECT_EQ(ClientAccess::IdleTimer(*d.client).Interval(), 30u);
  h.clock.Advance(29);
  h.loop.ProcessEvents();
  EXPECT_EQ(d->TagCount(), 0);
  h.clock.Advance(1);
  h.loop.ProcessEvents();
  EXPECT_EQ(d->TagCount(), 2);
}

// ---- The idle loop ------------------------------------------------------------------------------

TEST_F(Incremental, TheIdleLoopWorksInSlicesAndYieldsBetweenThem) {
  std::u16string text;
  for (int i = 0; i < 100; ++i) text += u"word ";
  EditDoc d(&L, text);
  ClientAccess::SetIdleSlice(*d.client, 0, 10);
  h.clock.Advance(50);
  EXPECT_EQ(h.loop.RunDueTimers(), 1);
  EXPECT_EQ(d->TagCount(), 10);
  EXPECT_FALSE(ClientAccess::InIdleAppend(*d.client));
  // The next slice is due at the next turn of the loop, not after the idle delay.
  EXPECT_TRUE(ClientAccess::IdleTimer(*d.client).Enabled());
  EXPECT_EQ(ClientAccess::IdleTimer(*d.client).Interval(), 0u);
  EXPECT_EQ(h.loop.RunDueTimers(), 1);
  EXPECT_EQ(d->TagCount(), 20);
  // A change between slices stops the loop: it waits for the idle delay again.
  d.lines.InsertText(0, u"a ");
  EXPECT_TRUE(ClientAccess::StopRequested(*d.client));
  EXPECT_EQ(ClientAccess::IdleTimer(*d.client).Interval(), 50u);
  EXPECT_EQ(h.loop.RunDueTimers(), 0);
  ASSERT_TRUE(d.Settle(h));
  EXPECT_EQ(d->TagCount(), 101);
}

TEST_F(Incremental, DestroyingTheDocumentBetweenSlicesEndsTheLoop) {
  std::u16string text;
  for (int i = 0; i < 100; ++i) text += u"word ";
  auto d = std::make_unique<EditDoc>(&L, text);
  ClientAccess::SetIdleSlice(*d->client, 0, 5);
  h.clock.Advance(50);
  h.loop.ProcessEvents();
  EXPECT_TRUE(ClientAccess::IdleTimer(*d->client).Enabled());
  d.reset();
  EXPECT_EQ(h.loop.TimerCount(), 0);
  EXPECT_EQ(h.loop.ProcessEvents(), 0);
}

// The idle timer of a document made before the application installs its event loop moves to it.
TEST(IdleTimer, ArmedBeforeTheLoopIsInstalledItRunsOnIt) {
  TSyntAnalyzer L(nullptr);
  AddToken(L, u"Word", u"\\w+", 2);
  auto doc = std::make_unique<EditDoc>(&L, u"a b c");
  EXPECT_TRUE(ClientAccess::IdleTimer(*doc->client).Enabled());
  {
    LoopHarness h;
    EXPECT_EQ(h.loop.TimerCount(), 1);
    EXPECT_TRUE(doc->Settle(h));
    EXPECT_EQ((*doc)->TagCount(), 3);
    doc->lines.InsertText(5, u" d");
    EXPECT_EQ(h.loop.TimerCount(), 1);  // re-armed on the installed loop
    EXPECT_TRUE(doc->Settle(h));
    EXPECT_EQ((*doc)->TagCount(), 4);
  }
  doc.reset();
}

// A document made on a worker thread cannot arm a timer of the GUI thread; its first use there
// does.
TEST(IdleTimer, AClientMadeOnAWorkerThreadIsArmedByItsFirstUseOnTheGuiThread) {
  LoopHarness h;
  TSyntAnalyzer L(nullptr);
  AddToken(L, u"Word", u"\\w+", 2);
  std::unique_ptr<EditDoc> doc;
  std::thread([&] { doc = std::make_unique<EditDoc>(&L, u"a b c"); }).join();
  EXPECT_FALSE(ClientAccess::IdleTimer(*doc->client).Enabled());
  EXPECT_EQ(h.loop.TimerCount(), 0);
  (*doc)->TryAppend(0);  // what a first paint asks for
  EXPECT_TRUE(ClientAccess::IdleTimer(*doc->client).Enabled());
  EXPECT_TRUE(doc->Settle(h));
  EXPECT_EQ((*doc)->TagCount(), 3);
  doc.reset();
}

TEST_F(Incremental, AnExceptionEndsTheIdleLoopQuietly) {
  ident->OnMatchToken = [](TObject*, TParserResults*, std::u16string_view, int Pos, int&) {
    if (Pos > 5) throw Exception("handler failed");
  };
  EditDoc d(&L, u"aa bb cc dd");
  h.clock.Advance(50);
  h.loop.ProcessEvents();
  EXPECT_FALSE(d->IsFinished());
  EXPECT_FALSE(ClientAccess::IdleTimer(*d.client).Enabled());  // the next change arms it again
  ident->OnMatchToken = nullptr;
  d.lines.InsertText(11, u" ");
  ASSERT_TRUE(d.Settle(h));
  EXPECT_EQ(d->TagCount(), 4);
}

TEST_F(Incremental, SeparateBlockAnalysisRunsItsCatchUpPassInTheIdleLoop) {
  ASSERT_TRUE(L.SeparateBlockAnalysis());
  EditDoc d(&L, u"begin a begin b end; end;");
  d->Analyze(false);  // tokens only; the block rules wait for the idle loop
  EXPECT_FALSE(d->IsFinished());
  EXPECT_EQ(d->RangeCount(), 0);
  EXPECT_TRUE(ClientAccess::IdleTimer(*d.client).Enabled());
  ASSERT_TRUE(d.Settle(h));
  EXPECT_EQ(d->RangeCount(), 2);
  EditDoc e(&L, u"begin a begin b end; end;");
  e->CompleteAnalysis();  // all at once
  EXPECT_TRUE(e->IsFinished());
  EXPECT_EQ(e->RangeCount(), 2);
}

TEST_F(Incremental, TokenIndexAtAnalysesUpToThePosition) {
  EditDoc d(&L, u"aa bb cc dd");
  EXPECT_EQ(d->TokenIndexAt(4), 1);
  EXPECT_LT(d->TagCount(), 4);
  EXPECT_EQ(d->TokenIndexAt(2), -1);  // between tokens
  EXPECT_EQ(d->TokenIndexAt(10), 3);
}

// ---- The background pass --------------------------------------------------------------------

TEST_F(Incremental, TheBackgroundPassIsTakenOverOnTheGuiThread) {
  begin->SetDrawStaple(true);
  EditDoc d(&L, u"begin\n a\nend;");
  d->CompleteAnalysis();
  EXPECT_TRUE(d->IsFinished());
  EXPECT_TRUE(d->IsSyntThreadRunning());
  EXPECT_EQ(d.finished, 0);
  ASSERT_TRUE(h.loop.WaitForPosted(5000));
  EXPECT_EQ(ClientAccess::DisplayRanges(*d.client).Staples.Count(), 0);  // not yet taken over
  h.loop.RunPosted();
  EXPECT_FALSE(d->IsSyntThreadRunning());
  EXPECT_EQ(d.finished, 1);
  ASSERT_EQ(ClientAccess::DisplayRanges(*d.client).Staples.Count(), 1);
  EXPECT_EQ(ClientAccess::DisplayRanges(*d.client).Staples.Layers(0)[0], TRange(0, 12));
}

TEST_F(Incremental, AChangeStopsARunningPassAndDropsItsResult) {
  begin->SetDrawStaple(true);
  EditDoc d(&L, u"begin\n a\nend;");
  d->CompleteAnalysis();
  ASSERT_TRUE(h.loop.WaitForPosted(5000));  // built and posted, not taken over
  d.lines.InsertText(0, u" ");
  EXPECT_FALSE(d->IsSyntThreadRunning());
  h.loop.RunPosted();  // the stale take-over finds nobody
  EXPECT_EQ(d.finished, 0);
  EXPECT_EQ(ClientAccess::DisplayRanges(*d.client).Staples.Count(), 0);
  EXPECT_EQ(ClientAccess::ChangeLog(*d.client).Count(), 1);
  ASSERT_TRUE(d.Settle(h));
  EXPECT_EQ(d.finished, 1);
  EXPECT_EQ(ClientAccess::DisplayRanges(*d.client).Staples.Layers(0)[0], TRange(1, 13));
}

// ---- Display ranges and queries ---------------------------------------------------------------

TEST_F(Incremental, BoundsShowTheirStyleWhileTheCaretIsInTheRange) {
  DynamicBounds(cpRange);
  ident->SetStyleName(u"");
  EditDoc d(&L, u"x begin a end; y");
  ASSERT_TRUE(d.Settle(h));
  TStyleEntries e;
  EXPECT_TRUE(d->UpdateActiveRanges(9));  // on "a"
  d->GetStyledRangesAt(3, e, true);
  ASSERT_EQ(e.size(), 1u);
  EXPECT_TRUE(e[0].Overlay);
  EXPECT_EQ(e[0], TRange(2, 7));
  e.clear();
  d->GetStyledRangesAt(11, e, true);
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0], TRange(10, 13));
  EXPECT_TRUE(d->UpdateActiveRanges(15));  // on "y": outside
  EXPECT_FALSE(d->UpdateActiveRanges(16));
  e.clear();
  d->GetStyledRangesAt(3, e, true);
  EXPECT_TRUE(e.empty());
}

TEST_F(Incremental, OnlyTheInnermostOfNestedSelectMinRangesIsActive) {
  DynamicBounds(cpRange, true);
  EditDoc d(&L, u"begin a begin b end; c end;");
  ASSERT_TRUE(d.Settle(h));
  d->UpdateActiveRanges(14);  // on "b"
  ASSERT_EQ(d->ActiveRanges().size(), 1u);
  EXPECT_EQ(d->ActiveRanges()[0]->StartPos, 8);
  d->UpdateActiveRanges(21);  // on "c"
  ASSERT_EQ(d->ActiveRanges().size(), 1u);
  EXPECT_EQ(d->ActiveRanges()[0]->StartPos, 0);
}

TEST_F(Incremental, RangeBetweenBoundsHighlightsWholeLines) {
  TSyntaxFormat* asmStyle = L.Formats()->Add();
  asmStyle->SetDisplayName(u"Asm");
  asmStyle->SetBgColor(0x00112233);
  asmStyle->SetFormatType(ftBackGround);
  begin->SetStyleName(u"Asm");
  begin->SetHighlight(true);
  begin->SetInvertColors(true);
  begin->SetDynHighlight(dhRangeNoBound);
  EditDoc d(&L, u"x\nbegin\n a\n b\nend;\ny");
  ASSERT_TRUE(d.Settle(h));
  for (int line = 0; line < d.lines.GetCount(); ++line) {
    bool invert = false;
    TColor font = clNone, bg = clNone;
    d->GetLineHighlight(line, false, invert, font, bg);
    const bool inside = line == 2 || line == 3;  // between "begin" and "end"
    EXPECT_EQ(bg, inside ? 0x00112233 : clNone) << line;
    EXPECT_EQ(invert, inside) << line;
    EXPECT_EQ(font, clNone) << line;  // a background-only style leaves the font colour
  }
  // Line highlights are not styled ranges of positions.
  TStyleEntries e;
  d->GetStyledRangesAt(10, e, true);
  EXPECT_TRUE(e.empty());
}

TEST_F(Incremental, CollapseStatesOfLinesFollowTheirTextBeforeTheNextPass) {
  EditDoc d(&L, u"begin a end;\nbegin\n  b\nend;\nc");
  ASSERT_TRUE(d.Settle(h));
  EXPECT_EQ(d->GetLineCollapseState(0), -3);  // opened and closed on the same line
  EXPECT_EQ(d->GetLineCollapseState(1), 0);
  EXPECT_EQ(d->GetLineCollapseState(2), -2);
  EXPECT_EQ(d->GetLineCollapseState(3), -1);
  EXPECT_EQ(d->GetLineCollapseState(4), -3);
  TTextRange* r = d->GetCollapsibleAtLine(1);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->StartPos, 13);
  EXPECT_EQ(d->GetCollapsibleAtLine(0), nullptr);
  EXPECT_EQ(d->GetCollapsibleAt(18), r);
  int first, last;
  d->GetRangeLines(ClientAccess::DisplayRanges(*d.client).Collapsible.Layers(0)[1], first, last);
  EXPECT_EQ(first, 1);
  EXPECT_EQ(last, 3);
  // Typing a line above: the states move with the text although no pass has run yet.
  d.lines.InsertText(0, u"x\n");
  EXPECT_EQ(ClientAccess::DisplayRanges(*d.client).Collapsible.Count(), 1);
  EXPECT_EQ(d->GetLineCollapseState(2), 0);
  EXPECT_EQ(d->GetLineCollapseState(4), -1);
  EXPECT_EQ(d->GetLineCollapseState(0), -3);
  d->GetRangeLines(ClientAccess::DisplayRanges(*d.client).Collapsible.Layers(0)[1], first, last);
  EXPECT_EQ(first, 2);
  EXPECT_EQ(last, 4);
}

TEST_F(Incremental, CollapsibleQueriesNeverHandOutARangeTheyWereNotBuiltFor) {
  EditDoc d(&L, u"begin a\nend;\nbegin b\nend;");
  ASSERT_TRUE(d.Settle(h));
  TTextRange* first = d->GetCollapsibleAtLine(0);
  ASSERT_NE(first, nullptr);
  // A block typed above: every range is discarded, and re-analysis of the new block gives it
  // index 0 and, in old coordinates, the first block's place.
  d.lines.InsertText(0, u"begin c\nend;\n");
  d->TryAppend(14);
  ClientAccess::CatchUpBlockRules(*d.client,
                                  -1);  // this lexer runs its block rules apart from tokenizing
  ASSERT_GE(d->RangeCount(), 1);
  EXPECT_EQ(d->GetCollapsibleAtLine(2), nullptr);
  EXPECT_EQ(d->GetCollapsibleAt(14), nullptr);
  EXPECT_EQ(d->GetLineCollapseState(2), 0);  // the state still follows the old data
  ASSERT_TRUE(d.Settle(h));
  TTextRange* moved = d->GetCollapsibleAtLine(2);
  ASSERT_NE(moved, nullptr);
  EXPECT_EQ(moved->StartPos, 13);
  EXPECT_EQ(d->GetCollapsibleAt(14), moved);
  // An edit after a range keeps it: it is still found, at its unchanged place.
  d.lines.InsertText(d.lines.TextLength(), u"\nx");
  EXPECT_EQ(d->GetCollapsibleAtLine(2), moved);
  EXPECT_EQ(d->GetCollapsibleAt(14), moved);
}

TEST_F(Incremental, StaplesAndSeparators) {
  begin->SetDrawStaple(true);
  auto* top = AddBlock(L, u"Top", btLineBreak, {{u"proc", tcEqual, kIdent}});
  top->SetLinePos(lbTop);
  auto* bottom = AddBlock(L, u"Bottom", btLineBreak, {{u";", tcEqual, kSymbol}});
  bottom->SetLinePos(lbBottom);
  EditDoc d(&L, u"proc p\nbegin\n a\nend;\nx");
  ASSERT_TRUE(d.Settle(h));
  TLineBreakRange* s = d->GetLineSeparator(0);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->Rule, top);
  EXPECT_EQ(d->GetLineSeparator(1), nullptr);
  s = d->GetLineSeparator(4);  // below the line ending with ";"
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->Rule, bottom);
  EXPECT_EQ(d->GetLineSeparator(9), nullptr);
  std::vector<TBlockStaple*> staples;
  d->GetStaplesAtLine(2, staples);
  ASSERT_EQ(staples.size(), 1u);
  staples[0]->XPos = 40;
  d->ResetStaplePositions();
  EXPECT_EQ(staples[0]->XPos, -1);
  staples.clear();
  d->GetStaplesAtLine(4, staples);
  EXPECT_TRUE(staples.empty());
}

TEST_F(Incremental, SubLexerRegionsAreStyledStatically) {
  TSyntAnalyzer inner(nullptr);
  AddToken(inner, u"Word", u"[a-z]+", 2);
  auto* region = L.Formats()->Add();
  region->SetDisplayName(u"Region");
  AddSub(L, u"Angle", u"<", u">", &inner)->SetStyleName(u"Region");
  EditDoc d(&L, u"a <b c> d <e");
  ASSERT_TRUE(d.Settle(h));
  TStyleEntries e;
  EXPECT_EQ(d->GetStyledRangesAt(4, e, false), 6);
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0], TRange(3, 6));
  EXPECT_EQ(e[0].Style, region);
  e.clear();
  d->GetStyledRangesAt(11, e, false);  // an open region runs to the end
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0], TRange(11, 12));
}

// ---- The text source ----------------------------------------------------------------------------

struct Listener : TComponent, IqxSyntClient, ISyntMemoTextHook {
  Listener() : TComponent(nullptr) {}
  void FormatChanged() override {}
  void Finished() override { ++finished; }
  void TextChanged(TObject*, int Pos, int Count, int) override { changes.push_back({Pos, Count}); }
  int finished = 0;
  std::vector<std::pair<int, int>> changes;
};

TEST_F(Incremental, TextSourceBindsALexerAndFollowsItsDestruction) {
  auto lexer = std::make_unique<TSyntAnalyzer>(nullptr);
  AddToken(*lexer, u"Ident", u"[a-z]+", 2);
  Listener listener;
  TSyntTextSource doc(nullptr);
  doc.AddClient(&listener);
  doc.Lines()->SetTextStr(u"ab cd");
  doc.SetSyntaxAnalyzer(lexer.get());
  EXPECT_EQ(doc.SyntaxAnalyzer(), lexer.get());
  ASSERT_NE(doc.SyntClient(), nullptr);
  h.clock.Advance(50);
  h.loop.ProcessEvents();
  ASSERT_TRUE(h.loop.WaitForPosted(5000));
  h.loop.RunPosted();
  EXPECT_EQ(doc.SyntClient()->TagCount(), 2);
  EXPECT_EQ(listener.finished, 1);  // relayed from the analysis
  listener.changes.clear();
  lexer.reset();  // the analysis goes with the lexer; everyone repaints
  EXPECT_EQ(doc.SyntaxAnalyzer(), nullptr);
  EXPECT_EQ(doc.SyntClient(), nullptr);
  ASSERT_EQ(listener.changes.size(), 1u);
  EXPECT_EQ(listener.changes[0], std::make_pair(0, 0));
  doc.Lines()->InsertText(0, u"x");  // nothing analyses any more
  doc.SetSyntaxAnalyzer(&L);
  doc.SetSyntaxAnalyzer(nullptr);
  EXPECT_EQ(listener.finished, 2);  // clients drop their highlighting
  doc.RemoveClient(&listener);
}

TEST_F(Incremental, TextSourceIsStoredWithItsLexerReference) {
  RegisterTextClasses();
  const TClassInfo& info = TSyntTextSource::StaticClassInfo();
  EXPECT_EQ(FindClass("TSyntTextSource"), &info);
  ASSERT_NE(info.FindProperty("SyntaxAnalyzer"), nullptr);
  ASSERT_NE(info.FindProperty("Lines"), nullptr);  // inherited from the text layer
  ASSERT_NE(info.FindProperty("ReadOnly"), nullptr);
}

TEST_F(Incremental, TextSourceDestroyedBeforeItsLexer) {
  auto doc = std::make_unique<TSyntTextSource>(nullptr);
  doc->Lines()->SetTextStr(u"begin a end;");
  doc->SetSyntaxAnalyzer(&L);
  EXPECT_EQ(L.ClientCount(), 1);
  doc->SyntClient()->CompleteAnalysis();
  doc.reset();  // stops the background pass, leaves the lexer's client list
  EXPECT_EQ(L.ClientCount(), 0);
  h.loop.RunPosted();
}

}  // namespace
}  // namespace synt::test
