// Style collection: which sources the mask selects, the order entries come in, where the next
// change lies; applying a style; search marks following the text.
#include <gtest/gtest.h>

#include "analysis/lexer_library.h"
#include "editor/style_merge.h"
#include "editor/syntax_memo.h"
#include "memo_test_util.h"

namespace synt::test {
namespace {

struct Hook : ISyntMemoStyleHook {
  TSyntaxFormat* style = nullptr;
  int AddStyleEntries(int Pos, TStyleEntries& Entries) override {
    if (Pos >= 2 && Pos < 6) Entries.emplace_back(2, 6, style, false);
    return Pos < 2 ? 2 : Pos < 6 ? 6 : -1;
  }
};

struct StyleMerge : ::testing::Test {
  StyleMerge() {
    for (TSyntaxFormat** s : {&a, &b, &mark}) *s = styles.Styles()->Add();
    a->SetDisplayName(u"A");
    b->SetDisplayName(u"B");
    mark->SetDisplayName(u"Mark");
    src.SearchMarks = &marks;
    src.SearchMarkStyle = mark;
  }
  TSyntStyles styles{nullptr};
  TSyntaxFormat *a = nullptr, *b = nullptr, *mark = nullptr;
  TRangeList<TRange> marks{true};
  TStyleSources src;
};

TEST_F(StyleMerge, SourcesInOrderAndTheNearestChange) {
  marks.Add(TRange(4, 8));
  marks.Add(TRange(12, 14));
  src.UserRanges = [&](int Pos, TStyleEntries& E) {
    if (Pos < 10) E.emplace_back(0, 10, a, false);
    return Pos < 10 ? 10 : -1;
  };
  TGetStyleEntryEvent event = [&](TObject*, int Pos, TStyleEntries& E, int& Next) {
    E.emplace_back(Pos, Pos + 3, b, false);
    Next = Pos + 3;
  };
  src.OnGetStyleEntry = &event;
  Hook hook;
  hook.style = b;
  src.Hooks = {&hook};

  TStyleEntries e;
  EXPECT_EQ(CollectStyleEntries(src, 0, e, ssAll, 100), 2);  // the hook changes at 2
  ASSERT_EQ(e.size(), 2u);
  EXPECT_EQ(e[0].Style, a);
  EXPECT_EQ(e[1].Style, b);

  e.clear();
  EXPECT_EQ(CollectStyleEntries(src, 5, e, ssAll, 100), 6);
  // User ranges, the event, the search mark (an overlay), then the hook.
  ASSERT_EQ(e.size(), 4u);
  EXPECT_EQ(e[2].Style, mark);
  EXPECT_TRUE(e[2].Overlay);
  EXPECT_EQ(e[2].StartPos, 4);
  EXPECT_EQ(e[3].Style, b);

  // The mask leaves sources out; the hooks always take part.
  e.clear();
  EXPECT_EQ(CollectStyleEntries(src, 9, e, ssTokenStyle, 100), 100);
  EXPECT_TRUE(e.empty());
  e.clear();
  EXPECT_EQ(CollectStyleEntries(src, 10, e, ssSearchMarks, 100), 12);  // the next mark's start
}

TEST_F(StyleMerge, AnEntryBoundsTheRunEvenWhenItsSourceForgetsItsEnd) {
  TGetStyleEntryEvent event = [&](TObject*, int Pos, TStyleEntries& E, int&) {
    if (Pos < 5) E.emplace_back(0, 5, a, false);  // no NextPos given
  };
  src.OnGetStyleEntry = &event;
  TStyleEntries e;
  EXPECT_EQ(CollectStyleEntries(src, 1, e, ssAll, 100), 5);
}

TEST_F(StyleMerge, ApplyFormatFollowsTheFlags) {
  THeadlessCanvas c;
  TMergeFlags f;
  a->SetFormatType(ftCustomFont);
  a->Font()->SetName(u"Arial");
  a->Font()->SetStyle({fsBold});
  a->SetVertAlignment(vaBottom);
  a->SetHidden(true);
  ApplyFormat(c, a, /*FixedPitch=*/true, f);
  EXPECT_TRUE(f.Hidden);  // ffHidden is among the default flags
  EXPECT_EQ(f.VertAlignment, vaBottom);
  EXPECT_EQ(c.Font()->Name(), u"Courier New");  // no face change in fixed-pitch mode
  EXPECT_TRUE(c.Font()->Style().Contains(fsBold));
  ApplyFormat(c, a, false, f);
  EXPECT_EQ(c.Font()->Name(), u"Arial");

  TMergeFlags g;
  TFormatFlags flags = a->FormatFlags();
  flags.Exclude(ffHidden);
  flags.Exclude(ffVertAlign);
  a->SetFormatFlags(flags);
  ApplyFormat(c, a, false, g);
  EXPECT_FALSE(g.Hidden);
  EXPECT_EQ(g.VertAlignment, vaCenter);

  b->SetEnabled(false);
  b->SetBgColor(clRed);
  ApplyFormat(c, b, false, g);
  EXPECT_NE(c.Brush()->Color(), clRed);  // a disabled style does nothing
  EXPECT_FALSE(HasBorders(b));
}

TEST(SearchMarks, FollowTheTextAndGoWithDeletedText) {
  THeadlessDesktop desktop;
  TSyntaxMemo memo(nullptr);
  memo.SetText(u"abcdefghij");
  TRangeList<TRange>& m = *memo.SearchMarks();
  // Without soKeepSearchMarks an edit clears them.
  m.Add(TRange(2, 4));
  memo.Lines()->InsertText(0, u"x");
  EXPECT_EQ(m.Count(), 0);
  memo.Lines()->DeleteText(0, 1);
  memo.SetOptionsEx(memo.OptionsEx() + TSyntaxMemoOptionsEx{soKeepSearchMarks});
  m.Add(TRange(2, 4));
  m.Add(TRange(6, 8));
  memo.Lines()->InsertText(0, u"xx");
  ASSERT_EQ(m.Count(), 2);
  EXPECT_EQ(m[0].StartPos, 4);
  EXPECT_EQ(m[1].StartPos, 8);
  memo.Lines()->DeleteText(3, 4);  // takes the first mark and the gap after it
  ASSERT_EQ(m.Count(), 1);
  EXPECT_EQ(m[0].StartPos, 4);
  EXPECT_EQ(m[0].EndPos, 6);
  memo.SetText(u"new");
  EXPECT_EQ(m.Count(), 0);
}

}  // namespace
}  // namespace synt::test
