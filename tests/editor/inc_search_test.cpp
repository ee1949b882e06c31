// Incremental search: typing, dropping an unmatched character, Backspace from the fixed start,
// both directions, clamping, the keys that end it and what they do afterwards.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "editor/commands.h"
#include "lists/char_utils.h"
#include "memo_test_util.h"
#include "platform/shortcut.h"

namespace synt {
namespace {

class IncSearch : public test::MemoWindow {
 protected:
  TSyntaxMemo& Start(std::u16string_view Text, int Caret = 0) {
    Make(Text);
    memo.SetCaretStrPos(Caret);
    memo.OnIncSearchChange = [this](TObject*, TIncSearchState S) { states.push_back(S); };
    host->PressKey(ShortCut('E', scCtrl));
    return memo;
  }
  bool Searching() { return memo.IncSearchPart().Active(); }
  std::vector<TRange> Marks() {
    std::vector<TRange> v;
    for (const TRange& r : *memo.SearchMarks()) v.push_back(r);
    return v;
  }
  std::vector<TIncSearchState> states;
};

using Spans = std::vector<TRange>;

TEST_F(IncSearch, TypingFindsMatchesAndAnUnmatchedCharacterIsDropped) {
  Start(u"alpha beta alphabet\nbetamax", 2);
  ASSERT_TRUE(Searching());
  host->Type(u"be");
  EXPECT_EQ(memo.CaretStrPos(), 8) << "forward: the caret lands at the match's end";
  EXPECT_EQ(Marks(), (Spans{{6, 8}}));
  host->Type(u"ta");
  EXPECT_EQ(memo.CaretStrPos(), 10);
  host->Type(u"x");  // "betax" occurs nowhere
  EXPECT_EQ(memo.IncSearchPart().SearchText(), u"beta");
  EXPECT_EQ(memo.CaretStrPos(), 10);
  EXPECT_EQ(Marks(), (Spans{{6, 10}}));
  host->Type(u"m");  // "betam" is on the next line
  EXPECT_EQ(Marks(), (Spans{{20, 25}}));
  EXPECT_EQ(memo.Text(), u"alpha beta alphabet\nbetamax") << "typing never edits";
  EXPECT_EQ(states, (std::vector<TIncSearchState>{isStart, isStrChange, isStrChange, isStrChange,
                                                  isStrChange, isStrChange}));
}

TEST_F(IncSearch, BackspaceSearchesAgainFromTheFixedStartAndEmptyGoesBackToIt) {
  Start(u"xa ab ab", 0);
  host->Type(u"a");
  EXPECT_EQ(memo.CaretStrPos(), 2);  // "xa"
  host->Type(u"b");
  EXPECT_EQ(memo.CaretStrPos(), 5);  // the first "ab"
  host->PressKey(vkBack);
  EXPECT_TRUE(Searching());
  EXPECT_EQ(memo.IncSearchPart().SearchText(), u"a");
  EXPECT_EQ(memo.CaretStrPos(), 2) << "from the start offset, not from the last match";
  host->PressKey(vkBack);
  EXPECT_EQ(memo.IncSearchPart().SearchText(), u"");
  EXPECT_TRUE(Marks().empty()) << "no empty mark is left behind";
  EXPECT_EQ(memo.CaretStrPos(), 0);
  host->PressKey(vkBack);  // nothing left to take
  EXPECT_TRUE(Searching());
  EXPECT_EQ(memo.Text(), u"xa ab ab");
}

TEST_F(IncSearch, BackwardLandsAtTheMatchStartAndCaseFollowsTheSetting) {
  Make(u"Abc abc ABC abc");
  memo.SetIncSearchBack(true);
  memo.SetCaretStrPos(12);
  memo.StartIncSearch();
  host->Type(u"ab");
  EXPECT_EQ(memo.CaretStrPos(), 12) << "the last match starting at or before the start";
  EXPECT_EQ(Marks(), (Spans{{12, 14}}));
  host->Type(u"C");
  EXPECT_EQ(memo.CaretStrPos(), 12);
  memo.SetIncSearchIgnoreCase(false);
  EXPECT_FALSE(Searching()) << "a changed setting ends the search";
  memo.SetCaretStrPos(12);
  memo.StartIncSearch();
  host->Type(u"AB");
  EXPECT_EQ(memo.CaretStrPos(), 8);
  host->Type(u"c");  // "ABc" occurs nowhere
  EXPECT_EQ(memo.CaretStrPos(), 8);
  EXPECT_EQ(memo.IncSearchPart().SearchText(), u"AB");
}

TEST_F(IncSearch, TheStartOffsetIsClampedToTheText) {
  Make(u"abcabc");
  memo.StartIncSearch(1000);
  EXPECT_EQ(memo.IncSearchPart().StartOffset(), 5) << "the last character";
  memo.StartIncSearch(-7);
  EXPECT_EQ(memo.IncSearchPart().StartOffset(), 0);
  memo.SetText(u"");
  memo.StartIncSearch(3);
  EXPECT_EQ(memo.IncSearchPart().StartOffset(), 0) << "an empty text has only offset 0";
  host->Type(u"a");
  EXPECT_EQ(memo.IncSearchPart().SearchText(), u"");
  host->PressKey(vkBack);
  EXPECT_EQ(memo.CaretStrPos(), 0);
  // Without a window there is no search.
  TSyntaxMemo alone(nullptr);
  alone.StartIncSearch();
  EXPECT_FALSE(alone.IncSearchPart().Active());
}

TEST_F(IncSearch, NavigationKeysEndTheSearchAndStillRunTheirCommand) {
  Start(u"one two\nthree four\nfive");
  host->Type(u"tw");
  EXPECT_EQ(memo.CaretPos(), (TPoint{6, 0}));
  EXPECT_FALSE(host->PressKey(vkShift)) << "a modifier alone goes on searching";
  host->Type(u" ");  // Space belongs to the text
  EXPECT_EQ(memo.IncSearchPart().SearchText(), u"tw");
  EXPECT_TRUE(Searching());
  host->PressKey(vkDown);
  EXPECT_FALSE(Searching());
  EXPECT_EQ(memo.CaretPos(), (TPoint{6, 1})) << "Down ended the search and moved down";
  EXPECT_EQ(states.back(), isStop);
  host->Type(u"x");
  EXPECT_EQ(memo.Lines()->Strings(1), u"three xfour") << "typing edits again";
}

TEST_F(IncSearch, EnterAndEscOnlyEndTheSearch) {
  Start(u"one two\nthree");
  host->Type(u"two");
  EXPECT_TRUE(host->PressKey(vkReturn));
  EXPECT_FALSE(Searching());
  EXPECT_EQ(memo.Text(), u"one two\nthree") << "Enter accepted the match, no line break";
  EXPECT_EQ(memo.CaretStrPos(), 7);
  host->PressKey(ShortCut('E', scCtrl));
  host->Type(u"thr");
  memo.SelectRange(0, 3);  // a selection Esc must not drop
  memo.StartIncSearch();
  EXPECT_TRUE(host->PressKey(vkEscape));
  EXPECT_FALSE(Searching());
  EXPECT_TRUE(memo.HaveSelection());
}

TEST_F(IncSearch, CommandsMousePressesAndFocusLossEndIt) {
  Start(u"ab ab ab\ncd");
  host->Type(u"ab");
  EXPECT_EQ(memo.CaretStrPos(), 2);
  host->PressKey(ShortCut('E', scCtrl));  // the search command again: the next match
  EXPECT_TRUE(Searching());
  EXPECT_EQ(memo.CaretStrPos(), 5);
  EXPECT_EQ(Marks(), (Spans{{3, 5}}));
  memo.ExecuteCommand(cmIncrementalSearch, nullptr);
  memo.ExecuteCommand(cmIncrementalSearch, nullptr);  // wraps to the first
  EXPECT_EQ(memo.CaretStrPos(), 2);
  host->PressKey(ShortCut(vkEnd, scCtrl));  // a command ends it, and runs
  EXPECT_FALSE(Searching());
  EXPECT_EQ(memo.CaretStrPos(), 11);

  memo.StartIncSearch();
  host->Click({30, 5});
  EXPECT_FALSE(Searching()) << "a mouse press";
  memo.StartIncSearch();
  memo.SetIncSearchBack(true);
  EXPECT_FALSE(Searching()) << "a setting";
  memo.StartIncSearch();
  THeadlessHost other(desktop, std::make_unique<TSyntaxMemo>(nullptr), {100, 100});
  other.Focus();
  EXPECT_FALSE(Searching()) << "the focus went elsewhere";
  memo.StartIncSearch();
  EXPECT_TRUE(host->Focused()) << "starting takes the focus back";
}

TEST_F(IncSearch, ComposedTextExtendsTheSearchText) {
  Start(u"日本語のテキスト");
  memo.InputMethodCommit(u"テキ");
  EXPECT_EQ(memo.IncSearchPart().SearchText(), u"テキ");
  EXPECT_EQ(memo.CaretStrPos(), 6);
  EXPECT_EQ(memo.Text(), u"日本語のテキスト");
}

// The search against a plain reference over random texts of few letters in both cases.
TEST(IncSearchFind, AgreesWithAReferenceSearch) {
  std::mt19937 rng(7);
  const std::u16string letters = u"aAbB\u00e9\u00c9";
  auto text = [&](int n) {
    std::u16string s;
    for (int i = 0; i < n; ++i) s += letters[rng() % letters.size()];
    return s;
  };
  auto reference = [](std::u16string_view t, std::u16string_view w, int from, bool back, bool ic) {
    auto eq = [&](char16_t a, char16_t b) { return ic ? CharUpper(a) == CharUpper(b) : a == b; };
    auto at = [&](int m) {
      for (size_t k = 0; k < w.size(); ++k)
        if (!eq(t[size_t(m) + k], w[k])) return false;
      return true;
    };
    const int last = int(t.size()) - int(w.size());
    if (w.empty() || last < 0) return -1;
    if (!back) {
      for (int m = std::max(0, from); m <= last; ++m)
        if (at(m)) return m;
    } else {
      for (int m = std::min(from, last); m >= 0; --m)
        if (at(m)) return m;
    }
    return -1;
  };
  for (int i = 0; i < 4000; ++i) {
    const std::u16string t = text(int(rng() % 12)), w = text(int(rng() % 4));
    const int from = int(rng() % 16) - 2;
    const bool back = rng() % 2, ic = rng() % 2;
    ASSERT_EQ(FindIncremental(t, w, from, back, ic), reference(t, w, from, back, ic))
        << "case " << i;
  }
}

}  // namespace
}  // namespace synt
