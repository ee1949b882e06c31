// Synchronous editing: the model following edits, the editor repeating them, the command that
// starts it, and its styles.
#include "editor/sync_edit.h"

#include <gtest/gtest.h>

#include "editor/commands.h"
#include "editor/style_merge.h"
#include "memo_test_util.h"
#include "platform/shortcut.h"

namespace synt {
namespace {

using Spans = std::vector<TRange>;

Spans Occurrences(const TSyntSyncEdit& S, int Range, int Group) {
  Spans v;
  for (const TRange& r : S.SyncRanges()[Range].Groups[size_t(Group)]) v.push_back(r);
  return v;
}

// ---- The model ----------------------------------------------------------------------------------

// "a = a + b; b = a": the a's and the b's, and a second range [20, 30) with one group.
TSyncRangeList TwoRanges() {
  TSyncRangeList list;
  TSyncRange r(0, 16);
  r.Groups.push_back(SyncGroup({{0, 1}, {4, 5}, {15, 16}}));
  r.Groups.push_back(SyncGroup({{8, 9}, {11, 12}}));
  list.TryInsert(std::move(r));
  TSyncRange s(20, 30);
  s.Groups.push_back(SyncGroup({{20, 23}, {26, 29}}));
  list.TryInsert(std::move(s));
  return list;
}

TEST(SyncEditModel, TargetsFollowTheBoundaryRule) {
  TSyntSyncEdit s;
  s.SetSyncRanges(TwoRanges());
  EXPECT_EQ(s.ReplicationTargets(5, 1, true).Offsets, (std::vector<int>{1, 5, 16}))
      << "typing a word character at a word's end extends every one";
  EXPECT_TRUE(s.ReplicationTargets(5, 1, false).Offsets.empty()) << "punctuation stays outside";
  EXPECT_EQ(s.ReplicationTargets(21, 2, false).Offsets, (std::vector<int>{21, 27}))
      << "inside a word anything goes in";
  EXPECT_EQ(s.ReplicationTargets(21, -2, true).Offsets, (std::vector<int>{21, 27}));
  EXPECT_TRUE(s.ReplicationTargets(22, -2, true).Offsets.empty()) << "crosses the word's end";
  EXPECT_TRUE(s.ReplicationTargets(6, 1, true).Offsets.empty()) << "between words";
  EXPECT_TRUE(s.ReplicationTargets(18, 1, true).Offsets.empty()) << "outside every range";
}

TEST(SyncEditModel, EditsInsideAndAroundRangesKeepOffsetsTrue) {
  TSyntSyncEdit s;
  s.SetSyncRanges(TwoRanges());
  s.TextChanged(6, 2, false);  // between words: the range grows, later words move
  EXPECT_EQ(s.SyncRanges()[0], TRange(0, 18));
  EXPECT_EQ(Occurrences(s, 0, 1), (Spans{{10, 11}, {13, 14}}));
  EXPECT_EQ(s.SyncRanges()[1], TRange(22, 32));
  s.TextChanged(0, 1, false);  // punctuation before the range moves it
  EXPECT_EQ(s.SyncRanges()[0], TRange(1, 19));
  EXPECT_EQ(Occurrences(s, 0, 0)[0], TRange(1, 2));
  s.TextChanged(20, 1, false);  // at the first range's end, outside it
  EXPECT_EQ(s.SyncRanges()[0], TRange(1, 19));
  EXPECT_EQ(s.SyncRanges()[1], TRange(24, 34));
  s.TextChanged(-1, 0);
  EXPECT_FALSE(s.Active());
}

// A deletion that starts before a range and runs into it must not leave the range's start and
// words inside deleted text; one that starts inside a range and runs out of it must not leave
// stale ends. What the deletion overlaps is clipped, or dropped.
TEST(SyncEditModel, DeletionsAcrossRangeEdgesClipOrDrop) {
  TSyntSyncEdit s;
  s.SetSyncRanges(TwoRanges());
  s.TextChanged(18, -4);  // [18, 22): into the second range and its first word
  ASSERT_EQ(s.SyncRanges().Count(), 1) << "the second range lost its only group";
  s.SetSyncRanges(TwoRanges());
  s.TextChanged(14, -8);  // [14, 22): out of the first range (its last a) into the second
  ASSERT_EQ(s.SyncRanges().Count(), 1);
  EXPECT_EQ(s.SyncRanges()[0], TRange(0, 14)) << "clipped at the deletion";
  ASSERT_EQ(s.SyncRanges()[0].Groups.size(), 1u) << "the a's lost one: their group went";
  EXPECT_EQ(Occurrences(s, 0, 0), (Spans{{8, 9}, {11, 12}}));
  s.SetSyncRanges(TwoRanges());
  TSyncRangeList list = TwoRanges();
  list[1].Groups.push_back(SyncGroup({{24, 25}, {29, 30}}));
  s.SetSyncRanges(std::move(list));
  s.TextChanged(17, -7);  // [17, 24): covers the first word of the second range
  ASSERT_EQ(s.SyncRanges().Count(), 2);
  EXPECT_EQ(s.SyncRanges()[1], TRange(17, 23)) << "starts where the text closed up";
  EXPECT_EQ(Occurrences(s, 1, 0), (Spans{{17, 18}, {22, 23}}));
  s.TextChanged(0, -40);
  EXPECT_FALSE(s.Active()) << "covered ranges go";
}

TEST(SyncEditModel, StylesCoverRangesAndWordsAndProposeTheNextRangeStart) {
  TSyntSyncEdit s;
  s.SetSyncRanges(TwoRanges());
  s.UpdateActive(4);
  EXPECT_EQ(s.ActiveRange(), 0);
  EXPECT_EQ(s.ActiveGroup(), 0);
  TStyleEntries e;
  EXPECT_EQ(s.AddStyleEntries(4, e), 5);
  ASSERT_EQ(e.size(), 2u);
  EXPECT_EQ(e[0].Style, s.SyncRangeStyle());
  EXPECT_EQ(TRange(e[0]), TRange(0, 16));
  EXPECT_EQ(e[1].Style, s.ActiveWordsStyle());
  e.clear();
  EXPECT_EQ(s.AddStyleEntries(8, e), 9);
  EXPECT_EQ(e.back().Style, s.InactiveWordsStyle());
  e.clear();
  EXPECT_EQ(s.AddStyleEntries(17, e), 20) << "between ranges: the next range's start";
  EXPECT_TRUE(e.empty());
  EXPECT_EQ(s.AddStyleEntries(35, e), -1);
}

TEST(SyncEditModel, MalformedListsAreRefusedAndSettingsCopy) {
  TSyntSyncEdit s;
  TSyncRangeList bad;
  TSyncRange r(0, 10);
  r.Groups.push_back(SyncGroup({{0, 2}, {5, 8}}));
  bad.TryInsert(std::move(r));
  EXPECT_THROW(s.SetSyncRanges(std::move(bad)), Exception) << "words of different lengths";
  TSyncRangeList outside;
  TSyncRange o(0, 4);
  o.Groups.push_back(SyncGroup({{0, 2}, {5, 7}}));
  outside.TryInsert(std::move(o));
  EXPECT_THROW(s.SetSyncRanges(std::move(outside)), Exception);
  EXPECT_FALSE(s.Active());

  s.SetSyncRanges(TwoRanges());
  TSyntSyncEdit other;
  other.SyncRangeStyle()->SetBgColor(clYellow);
  other.SetEnabled(false);
  s.Assign(&other);
  EXPECT_EQ(s.SyncRangeStyle()->BgColor(), clYellow);
  EXPECT_FALSE(s.Enabled());
  EXPECT_FALSE(s.Active());
  s.SetSyncRanges(TwoRanges());
  EXPECT_FALSE(s.Active()) << "not while disabled";
}

// ---- In the editor ------------------------------------------------------------------------------

class SyncEdit : public test::MemoWindow {
 protected:
  // Selects all of Text and starts sync editing on it.
  void Begin(std::u16string_view Text) {
    Make(Text);
    memo.SelectAll();
    memo.ExecuteCommand(cmSyncEdit, nullptr);
    ASSERT_TRUE(Sync().Active());
  }
  TSyntSyncEdit& Sync() { return *memo.SyncEditing(); }
};

TEST_F(SyncEdit, TypingInTheSecondOfThreeWordsTypesInAllAsOneUndoStep) {
  Begin(u"foo = foo + foo;");
  EXPECT_FALSE(memo.HaveSelection());
  memo.SetCaretStrPos(7);
  host->Type(u"x");
  EXPECT_EQ(memo.Text(), u"fxoo = fxoo + fxoo;");
  EXPECT_EQ(memo.CaretStrPos(), 9) << "after the x of the second word";
  host->PressKey(vkBack);
  EXPECT_EQ(memo.Text(), u"foo = foo + foo;");
  memo.ExecuteCommand(cmString, const_cast<char16_t*>(u"_1"));
  EXPECT_EQ(memo.Text(), u"f_1oo = f_1oo + f_1oo;");
  memo.Undo();
  EXPECT_EQ(memo.Text(), u"foo = foo + foo;") << "one undo step for the three insertions";
  EXPECT_TRUE(Sync().Active());
}

TEST_F(SyncEdit, ADeletionCrossingAWordEndDropsTheGroupAndIsDoneOnce) {
  Begin(u"foo = foo + foo; bar bar");
  memo.SetCaretStrPos(8);
  memo.DeleteChars(3);  // "o =" ... no: "o +" runs past the second foo's end
  EXPECT_EQ(memo.Text(), u"foo = fo foo; bar bar");
  ASSERT_TRUE(Sync().Active());
  ASSERT_EQ(Sync().SyncRanges()[0].Groups.size(), 1u) << "only the bars are left";
  EXPECT_EQ(Occurrences(Sync(), 0, 0), (Spans{{14, 17}, {18, 21}}));
}

TEST_F(SyncEdit, AnEditBetweenWordsIsDoneOnceAndExtendsTheRange) {
  Begin(u"foo = foo;");
  memo.SetCaretStrPos(4);
  host->Type(u"=");
  EXPECT_EQ(memo.Text(), u"foo == foo;");
  EXPECT_EQ(Sync().SyncRanges()[0], TRange(0, 11));
  EXPECT_EQ(Occurrences(Sync(), 0, 0), (Spans{{0, 3}, {7, 10}}));
  memo.SetCaretStrPos(3);
  host->Type(u"(");  // punctuation after a word stays outside it
  EXPECT_EQ(memo.Text(), u"foo( == foo;");
  memo.SetCaretStrPos(11);
  host->Type(u"d");  // a letter after a word extends every one
  EXPECT_EQ(memo.Text(), u"food( == food;");
  // Replacing a whole word renames it everywhere (a selection typed over).
  memo.SelectRange(0, 4);
  host->Type(u"x");
  EXPECT_EQ(memo.Text(), u"x( == x;");
}

// A word between a lone CR and an LF is replaced by inserting first (deleting first would join
// the two into one line break); the copies follow it all the same.
TEST_F(SyncEdit, ReplacingAWordBetweenCrAndLfRenamesEveryCopy) {
  Begin(u"foo(foo\rfoo\nfoo)");
  ASSERT_EQ(memo.Text(), u"foo(foo\rfoo\nfoo)");
  EXPECT_TRUE(memo.ReplaceText(8, 3, u"ab"));
  EXPECT_EQ(memo.Text(), u"ab(ab\rab\nab)");
  ASSERT_TRUE(Sync().Active());
  EXPECT_EQ(Occurrences(Sync(), 0, 0), (Spans{{0, 2}, {3, 5}, {6, 8}, {9, 11}}));
  memo.Undo();
  EXPECT_EQ(memo.Text(), u"foo(foo\rfoo\nfoo)") << "one undo step";
}

TEST_F(SyncEdit, TheCommandTakesRepeatedIdentifiersAndEscOrTheCommandEndsIt) {
  Make(u"int a1 = 2, b = a1 + 2 + c;\nreturn b;");
  memo.SelectRange(0, 27);  // the first line: b occurs once there, the 2s are numbers
  std::vector<int> offered;
  memo.OnCanSyncEdit = [&](TObject*, TSyncRangeList& L, bool& Can) {
    offered.push_back(int(L[0].Groups.size()));
    Can = offered.size() > 1;
  };
  EXPECT_TRUE(memo.IsCommandEnabled(cmSyncEdit, nullptr));
  memo.ExecuteCommand(cmSyncEdit, nullptr);
  EXPECT_FALSE(Sync().Active()) << "refused";
  EXPECT_TRUE(memo.HaveSelection()) << "a refusal changes nothing";
  host->PressKey(ShortCut('J', scCtrl | scShift));
  ASSERT_TRUE(Sync().Active());
  EXPECT_EQ(offered, (std::vector<int>{1, 1}));
  EXPECT_EQ(Occurrences(Sync(), 0, 0), (Spans{{4, 6}, {16, 18}}));
  EXPECT_EQ(memo.CaretStrPos(), 6) << "at the end of the first word";
  EXPECT_EQ(Sync().ActiveGroup(), 0);
  EXPECT_TRUE(memo.IsCommandEnabled(cmSyncEdit, nullptr)) << "to end it";
  host->PressKey(vkEscape);
  EXPECT_FALSE(Sync().Active());
  memo.SelectRange(0, 27);
  memo.ExecuteCommand(cmSyncEdit, nullptr);
  memo.ExecuteCommand(cmSyncEdit, nullptr);
  EXPECT_FALSE(Sync().Active());
  memo.SelectRange(0, 5);  // nothing repeats here
  memo.ExecuteCommand(cmSyncEdit, nullptr);
  EXPECT_FALSE(Sync().Active());
  memo.SetReadOnly(true);
  EXPECT_FALSE(memo.IsCommandEnabled(cmSyncEdit, nullptr));
}

TEST_F(SyncEdit, AnEditTheEditorDidNotRepeatDropsTheGroupAtTheEndOfTheUpdate) {
  Begin(u"ab ab cd cd");
  memo.BeginUpdate();
  memo.Lines()->InsertText(1, u"x");  // behind the editor's back
  EXPECT_EQ(Sync().SyncRanges()[0].Groups.size(), 2u);
  memo.SetCaretStrPos(2);
  host->Type(u"y");  // unequal words repeat nothing
  EXPECT_EQ(memo.Text(), u"axyb ab cd cd");
  memo.EndUpdate();
  ASSERT_EQ(Sync().SyncRanges()[0].Groups.size(), 1u);
  EXPECT_EQ(Occurrences(Sync(), 0, 0), (Spans{{8, 10}, {11, 13}}));
  memo.SetText(u"cd cd");
  EXPECT_FALSE(Sync().Active()) << "a replaced text ends it";
}

TEST_F(SyncEdit, RangesAndWordsArePainted) {
  Begin(u"foo = foo;\nnext line");
  memo.SetCaretStrPos(1);
  TStyleEntries e;
  memo.CollectStyleEntries(7, e, false, ssAll);
  auto has = [&](const TSyntaxFormat* f) {
    for (const TStyleEntry& x : e)
      if (x.Style == f) return true;
    return false;
  };
  EXPECT_TRUE(has(Sync().SyncRangeStyle()));
  EXPECT_TRUE(has(Sync().ActiveWordsStyle())) << "the caret's group";
  e.clear();
  EXPECT_EQ(memo.CollectStyleEntries(9, e, false, ssAll), 20) << "the range's end";
  EXPECT_FALSE(has(Sync().ActiveWordsStyle()));
  host->PaintAll();
  const TColor range = Sync().SyncRangeStyle()->BgColor();
  bool filled = false, framed = false;
  for (const TCanvasOp& op : host->Canvas().Ops()) {
    filled |= op.Kind == TCanvasOpKind::FillRect && op.BrushColor == range;
    framed |= op.PenColor == clBlue && op.Kind != TCanvasOpKind::TextOut;
  }
  EXPECT_TRUE(filled) << "the range's background is drawn";
  EXPECT_TRUE(framed) << "the caret's words are framed";
}

}  // namespace
}  // namespace synt
