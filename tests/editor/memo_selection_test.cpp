#include <gtest/gtest.h>

#include <random>

#include "editor/syntax_memo.h"
#include "platform/headless_host.h"

namespace synt {
namespace {

class Selection : public testing::Test {
 protected:
  THeadlessDesktop desktop;
  TSyntaxMemo memo{nullptr};
  TMemoSelection& sel = memo.Selection();
};

TEST_F(Selection, ColumnBlockPastShortLinesGivesEmptyLines) {
  memo.SetText(u"abcdef\r\nab\r\n\r\nabcdefgh");
  sel.SetBlock({3, 0, 6, 3});
  EXPECT_EQ(memo.SelText(), u"def\r\n\r\n\r\ndef\r\n");
  sel.SetBlock({1, 1, 2, 1});
  EXPECT_EQ(memo.SelText(), u"b\r\n");
  sel.SetBlock({3, 0, 3, 3});  // no width: no selection
  EXPECT_EQ(memo.SelText(), u"");
  sel.SetBlock({9, 5, 0, 2});  // normalised, and kept within the lines
  EXPECT_EQ(sel.BlockRect(), (TRect{0, 2, 9, 3}));
  EXPECT_EQ(memo.SelText(), u"\r\nabcdefgh\r\n");
  sel.SetBlock({0, 0, 1 << 30, 1 << 30});
  EXPECT_EQ(memo.SelText(), u"abcdef\r\nab\r\n\r\nabcdefgh\r\n");
  sel.SetSelection(1, 1 << 30);  // no overflow past the end
  EXPECT_EQ(sel.SelEnd(), memo.Lines()->TextLength());
}

TEST_F(Selection, ColumnBlockCountsTabsByTheirStops) {
  memo.SetText(u"\tx\r\nab\tcd");
  sel.SetBlock({2, 0, 5, 1});  // a column inside a tab takes the tab
  EXPECT_EQ(memo.SelText(), u"\tx\r\n\tc\r\n");
  memo.TabList()->SetAsString(u"2");
  sel.SetBlock({2, 0, 3, 1});  // the tab of line 1 spans columns 2..3 and crosses the edge
  EXPECT_EQ(memo.SelText(), u"x\r\n\r\n");
  sel.SetBlock({2, 0, 4, 1});
  EXPECT_EQ(memo.SelText(), u"x\r\n\t\r\n");
}

TEST_F(Selection, StreamSelectionText) {
  memo.SetText(u"one\r\ntwo");
  EXPECT_EQ(memo.SelText(), u"");
  sel.SetSelection(2, 4);
  EXPECT_EQ(sel.SelectionMode(), msNormal);
  EXPECT_EQ(memo.SelText(), u"e\r\nt");
  sel.SetSelection(6, -3);  // backwards
  EXPECT_EQ(sel.SelStart(), 3);
  EXPECT_EQ(memo.SelText(), u"\r\nt");
  sel.SetSelection(5, 100);  // clipped to the text
  EXPECT_EQ(memo.SelText(), u"two");
  int start = -1, end = -1;
  sel.SetSelection(2, 4);
  ASSERT_TRUE(sel.LineSelection(0, start, end));
  EXPECT_EQ(start, 2);
  EXPECT_EQ(end, 6);  // goes on past the line
  ASSERT_TRUE(sel.LineSelection(1, start, end));
  EXPECT_EQ(start, 0);
  EXPECT_EQ(end, 1);
}

// Display columns against expanding the line's tabs into blanks, character by character.
TEST_F(Selection, DisplayColumnsAgreeWithExpandedText) {
  std::mt19937 rng(3);
  for (const char16_t* stops : {u"4", u"3 5 11", u"1"}) {
    memo.TabList()->SetAsString(stops);
    for (int round = 0; round < 200; ++round) {
      std::u16string line;
      const int n = int(rng() % 12);
      for (int i = 0; i < n; ++i) line += rng() % 3 == 0 ? u'\t' : char16_t(u'a' + rng() % 3);
      memo.SetText(line);
      std::vector<int> startCol;  // column where each character starts, then the end
      int col = 0;
      for (char16_t ch : line) {
        startCol.push_back(col);
        col = ch == u'\t' ? memo.TabList()->NextTab(col, false) : col + 1;
      }
      startCol.push_back(col);
      EXPECT_EQ(sel.LineDisplayWidth(0), col);
      for (int x = 0; x <= n + 3; ++x) {
        const int c = x <= n ? startCol[size_t(x)] : col + (x - n);
        ASSERT_EQ(sel.CaretToDisplayColumn(0, x), c);
        ASSERT_EQ(sel.DisplayColumnToCaret(0, c), x);
      }
      for (int c = 0; c < col + 3; ++c) {
        const int x = sel.DisplayColumnToCaret(0, c);
        // The character holding column c: it starts at or before c and ends after it.
        if (x < n) {
          ASSERT_LE(startCol[size_t(x)], c);
          ASSERT_GT(startCol[size_t(x) + 1], c);
        } else {
          ASSERT_EQ(x, n + (c - col));
        }
      }
    }
  }
}

TEST_F(Selection, ZeroWidthTabsAfterText) {
  memo.SetText(u"abcd\te\r\n\tx");
  EXPECT_EQ(sel.CaretToDisplayColumn(0, 5), 8);
  memo.SetOptionsEx(memo.OptionsEx() + TSyntaxMemoOptionsEx{soAllowZeroTab});
  EXPECT_EQ(sel.CaretToDisplayColumn(0, 5), 4);  // the tab starts on a stop
  EXPECT_EQ(sel.CaretToDisplayColumn(1, 1), 4);  // a leading tab always advances
}

TEST_F(Selection, FollowsTheText) {
  memo.SetText(u"0123456789\r\nabc");
  sel.SetCaretPos({7, 0});
  sel.SetSelection(4, 4);
  memo.Lines()->InsertText(2, u"xx");
  EXPECT_FALSE(sel.HaveSelection());  // without soPersistentBlocks an edit drops it
  EXPECT_EQ(sel.CaretPos(), (TPoint{9, 0}));

  memo.SetOptions(memo.Options() + TSyntaxMemoOptions{soPersistentBlocks});
  sel.SetSelection(4, 4);
  memo.Lines()->InsertText(0, u"y");
  EXPECT_EQ(sel.SelStart(), 5);
  EXPECT_EQ(sel.SelLength(), 4);
  memo.Lines()->DeleteText(3, 4);  // swallows the selection's start
  EXPECT_EQ(sel.SelStart(), 3);
  EXPECT_EQ(sel.SelLength(), 2);
  memo.Lines()->DeleteText(0, 8);  // and all of it
  EXPECT_EQ(sel.SelLength(), 0);

  sel.SetBlock({0, 1, 2, 1});
  memo.Lines()->InsertText(0, u"new\r\n");
  EXPECT_EQ(sel.BlockRect().Top, 2);
  EXPECT_EQ(sel.BlockRect().Bottom, 2);

  sel.SetCaretPos({10, 2});  // virtual space past the line keeps its distance from the end
  memo.Lines()->InsertText(memo.Lines()->LineStart(2), u"zz");
  EXPECT_EQ(sel.CaretPos(), (TPoint{12, 2}));

  memo.SetText(u"other");
  EXPECT_EQ(sel.CaretPos(), (TPoint{0, 0}));
  EXPECT_FALSE(sel.HaveSelection());
}

}  // namespace
}  // namespace synt
