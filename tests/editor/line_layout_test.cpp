#include "editor/line_layout.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "editor/display_map.h"
#include "text/memo_strings.h"

namespace synt {
namespace {

int TabEvery4(int c, bool inclusive) {
  return inclusive && c % 4 == 0 ? c : (c / 4 + 1) * 4;
}

// A text and a layout that follows it, as the editor wires them.
class Doc : public ILayoutSite {
 public:
  explicit Doc(std::u16string_view Text, TLayoutSettings S = {}) {
    lines.SetTextStr(Text);
    layout = std::make_unique<TLineLayout>(*this);
    layout->SetSettings(S);
    lines.OnChange = [this](TObject*, int p, int c, int n) { layout->TextChanged(p, c, n); };
  }
  const TSyntMemoStrings& LayoutLines() const override { return lines; }
  int NextTabStop(int c, bool inclusive) const override { return TabEvery4(c, inclusive); }
  void AfterCalcLineInfo(TLineInfo&, int) override { ++computed; }

  TSyntMemoStrings lines;
  std::unique_ptr<TLineLayout> layout;
  int computed = 0;
};

TLayoutSettings Wrap(int Cols, bool AtSpace = false) {
  TLayoutSettings s;
  s.WordWrap = true;
  s.WrapWidth = Cols * s.CellWidth;
  s.WrapAtSpace = AtSpace;
  return s;
}

std::vector<std::u16string> Rows(Doc& d, int Line) {
  const TLineInfo& info = d.layout->GetLineInfo(Line);
  const std::u16string_view t = d.lines.LineText(Line);
  std::vector<std::u16string> r;
  for (int i = 0; i < info.RowCount(); ++i)
    r.emplace_back(t.substr(size_t(info.RowStart(i)),
                            size_t(info.RowEnd(i, int(t.size())) - info.RowStart(i))));
  return r;
}

using Strs = std::vector<std::u16string>;

TEST(LineInfo, WrapPointsAreRecordedInOrder) {
  TLineInfo i;
  EXPECT_EQ(i.WrapPoint(0), -1);
  EXPECT_EQ(i.RowCount(), 1);
  i.SetWrapPoint(0, 5);
  i.SetWrapPoint(1, 9);
  EXPECT_EQ(i.RowCount(), 3);
  EXPECT_EQ(i.WrapPoint(1), 9);
  EXPECT_EQ(i.WrapPoint(2), INT_MAX);
  EXPECT_EQ(i.RowOfChar(4), 0);
  EXPECT_EQ(i.RowOfChar(5), 1);
  EXPECT_EQ(i.RowOfChar(100), 2);
  try {
    i.SetWrapPoint(3, 12);
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Invalid wordbreak setting");
  }
  i.SetWrapPoint(1, 7);
  EXPECT_EQ(i.WrapPoint(1), 7);
  i.SetWrapPoint(0, 3);  // replacing drops what followed
  EXPECT_EQ(i.RowCount(), 2);
}

TEST(WordWrap, BreaksAfterBlanksAndBeforePunctuation) {
  Doc d(u"alpha beta gamma delta\r\nx:=foo(bar,baz);", Wrap(12));
  EXPECT_EQ(Rows(d, 0), (Strs{u"alpha beta ", u"gamma delta"}));
  EXPECT_EQ(Rows(d, 1), (Strs{u"x:=foo(bar,", u"baz);"}));
}

TEST(WordWrap, AWordLongerThanTheWidthIsCutAtTheWidth) {
  Doc d(u"abcdefghijklmnopqrstuvwxyz\r\nab cdefghijklmnopqrstuvwxyz", Wrap(10));
  EXPECT_EQ(Rows(d, 0), (Strs{u"abcdefghij", u"klmnopqrst", u"uvwxyz"}));
  // The long word does not start the row: the row ends before it, then it is cut.
  EXPECT_EQ(Rows(d, 1), (Strs{u"ab ", u"cdefghijkl", u"mnopqrstuv", u"wxyz"}));
}

TEST(WordWrap, ALineThatFitsExactlyDoesNotWrap) {
  Doc d(u"0123456789\r\n01234 6789", Wrap(10));
  EXPECT_EQ(d.layout->GetLineInfo(0).RowCount(), 1);
  EXPECT_EQ(d.layout->GetLineInfo(1).RowCount(), 1);
  EXPECT_EQ(d.layout->DisplayLineCount(), 2);
}

TEST(WordWrap, EveryRowHoldsACharacterWhateverTheWidth) {
  for (int width : {0, -5, 1}) {
    TLayoutSettings s = Wrap(1);
    s.WrapWidth = width;
    Doc d(u"ab c\tde", s);
    const Strs rows = Rows(d, 0);
    for (const auto& r : rows) EXPECT_FALSE(r.empty()) << width;
    std::u16string joined;
    for (const auto& r : rows) joined += r;
    EXPECT_EQ(joined, u"ab c\tde") << width;
  }
}

TEST(WordWrap, ClustersAndWideCharactersStayWhole) {
  // e + combining acute, a surrogate pair (wide emoji), CJK characters of two cells.
  Doc d(u"e\u0301e\u0301e\u0301\U0001F600\u4E00\u4E01\u4E02", Wrap(3));
  const Strs rows = Rows(d, 0);
  EXPECT_EQ(rows, (Strs{u"e\u0301e\u0301e\u0301", u"\U0001F600", u"\u4E00", u"\u4E01", u"\u4E02"}));
}

TEST(WordWrap, TabsCountToTheirStop) {
  std::vector<int> e;
  EXPECT_EQ(MeasureFixedPitch(u"a\tb\t\t", 2, false, TabEvery4, e), 12);
  EXPECT_EQ(e, (std::vector<int>{2, 8, 10, 16, 24}));
  // With zero-width tabs a tab right after text that stands on a stop takes nothing.
  EXPECT_EQ(MeasureFixedPitch(u"abcd\tx", 1, true, TabEvery4, e), 5);
  Doc d(u"ab\tcd\tef", Wrap(5));
  EXPECT_EQ(Rows(d, 0), (Strs{u"ab\t", u"cd\t", u"ef"}));
}

TEST(WordWrap, AtSpaceRunsOnToTheFirstBlankPastTheWidth) {
  Doc d(u"one twothree four", Wrap(6, true));
  EXPECT_EQ(Rows(d, 0), (Strs{u"one twothree ", u"four"}));
  // A word that starts the row is still cut at the width.
  Doc e(u"abcdefghijk lm", Wrap(4, true));
  EXPECT_EQ(Rows(e, 0), (Strs{u"abcd", u"efgh", u"ijk ", u"lm"}));
}

TEST(WordWrap, RowHeightsAndWidths) {
  TLayoutSettings s = Wrap(5);
  s.LineSpacing = 2;
  s.LineSpacingBefore = 3;
  s.LineSpacingAfter = 4;
  Doc d(u"abcdefghijkl", s);
  const TLineInfo& i = d.layout->GetLineInfo(0);
  ASSERT_EQ(i.RowCount(), 3);
  EXPECT_EQ(i.RowHeight(0), 16 + 2 + 3);
  EXPECT_EQ(i.RowHeight(1), 16 + 2);
  EXPECT_EQ(i.RowHeight(2), 16 + 2 + 4);
  EXPECT_EQ(i.RowWidth(0), 40);
  EXPECT_EQ(i.RowWidth(2), 16);
  EXPECT_EQ(i.WidestRow(), 40);
  EXPECT_EQ(i.TotalHeight(), 16 * 3 + 2 * 3 + 3 + 4);
  // Past the text: the spare layout, one row of the default height.
  EXPECT_EQ(d.layout->GetLineInfo(7).RowCount(), 1);
  EXPECT_EQ(d.layout->GetLineInfo(7).RowHeight(0), 16 + 2 + 3 + 4);
}

// A measurer standing in for the painter: every unit three pixels, runs of four units whose
// height grows with their index.
class FakeMeasurer : public ILineMeasurer {
 public:
  explicit FakeMeasurer(const TSyntMemoStrings& L) : lines(L) {}
  void MeasureLine(int Line, TLineMeasure& Out) override {
    const size_t n = lines.LineText(Line).size();
    for (size_t i = 0; i < n; ++i) Out.Edges.push_back(int(i + 1) * 3);
    for (size_t i = 0; i < std::max<size_t>(n, 1); i += 4)
      Out.RunHeights.push_back({int(i), 10 + int(i)});
    ++calls;
  }
  const TSyntMemoStrings& lines;
  int calls = 0;
};

class MeasuredDoc : public Doc {
 public:
  using Doc::Doc;
  ILineMeasurer* LineMeasurer() override { return measurer; }
  ILineMeasurer* measurer = nullptr;
};

TEST(WordWrap, ProportionalLinesAreMeasuredByThePainter) {
  TLayoutSettings s = Wrap(1);
  s.FixedPitch = false;
  s.WrapWidth = 13;  // four units of three pixels
  s.LineSpacing = 0;
  MeasuredDoc d(u"abcdefghij", s);
  FakeMeasurer m(d.lines);
  d.measurer = &m;
  d.layout->InvalidateLineInfos(0, -1, false);
  const TLineInfo& i = d.layout->GetLineInfo(0);
  ASSERT_EQ(i.RowCount(), 3);
  EXPECT_EQ(i.WrapPoint(0), 4);
  EXPECT_EQ(i.RowHeight(0), 10);  // run 0
  EXPECT_EQ(i.RowHeight(1), 14);  // run 4
  EXPECT_EQ(i.RowHeight(2), 18);  // runs 8
  EXPECT_EQ(d.layout->DisplayLineCount(), 3);
  EXPECT_GT(m.calls, 0);
}

// ---- The display map against a reference built from scratch --------------------------------

struct Reference {
  std::vector<int> rows;
  std::vector<bool> hidden;
  std::vector<std::vector<int>> wraps;
};

Reference Rebuild(const std::u16string& Text, const TLayoutSettings& S,
                  const std::vector<TRange>& Spans) {
  Doc fresh(Text, S);
  Reference r;
  const int n = fresh.lines.GetCount();
  r.hidden.assign(size_t(n), false);
  for (const TRange& s : Spans)
    for (int l = s.StartPos; l < s.EndPos && l < n; ++l) r.hidden[size_t(l)] = true;
  for (int l = 0; l < n; ++l) {
    const TLineInfo& i = fresh.layout->GetLineInfo(l);
    r.rows.push_back(i.RowCount());
    r.wraps.push_back(i.WrapPoints());
  }
  return r;
}

void CheckAgainst(Doc& d, const std::vector<TRange>& Spans, const std::string& Where) {
  SCOPED_TRACE(Where);
  const Reference ref = Rebuild(d.lines.GetTextStr(), d.layout->Settings(), Spans);
  // Whole-map invariants first, then every display row both ways.
  const int total = d.layout->DisplayLineCount();
  d.layout->Check();
  std::vector<TDisplayPos> order;
  for (size_t l = 0; l < ref.rows.size(); ++l)
    if (!ref.hidden[l])
      for (int r = 0; r < ref.rows[l]; ++r) order.push_back({int(l), r});
  ASSERT_EQ(total, int(order.size()));
  for (int k = 0; k < total; ++k) {
    ASSERT_EQ(d.layout->DisplayToLine(k), order[size_t(k)]) << k;
    ASSERT_EQ(d.layout->DisplayIndex(order[size_t(k)].Line, order[size_t(k)].Row), k);
  }
  for (size_t l = 0; l < ref.rows.size(); ++l) {
    ASSERT_EQ(d.layout->GetLineInfo(int(l)).WrapPoints(), ref.wraps[l]) << l;
    ASSERT_EQ(d.layout->LineVisible(int(l)), !ref.hidden[l]) << l;
  }
  // Every text position of a visible line maps to a display row and back.
  for (int pos = 0; pos <= d.lines.TextLength(); pos += 3) {
    const TPoint p = d.lines.StrPosToCaretPos(pos);
    if (!d.layout->LineVisible(p.Y)) continue;
    const int row = d.layout->GetLineInfo(p.Y).RowOfChar(p.X);
    const TDisplayPos back = d.layout->DisplayToLine(d.layout->DisplayIndex(p.Y, row));
    ASSERT_EQ(back, (TDisplayPos{p.Y, row})) << pos;
  }
  const int top = d.layout->TopDisplayLine();
  ASSERT_GE(top, 0);
  ASSERT_TRUE(total == 0 ? top == 0 : top < total);
  ASSERT_TRUE(d.layout->LineVisible(d.layout->TopPos().Line));
}

std::u16string RandomText(std::mt19937& rng) {
  static const std::u16string pieces[] = {
      u"begin",        u" ",     u"\r\n",    u"\t", u"x:=y;", u"\n", u"averyveryverylongidentifier",
      u"\u4E00\u4E01", u"(a,b)", u"e\u0301", u"  ", u"\r"};
  std::u16string s;
  const int n = int(rng() % 6);
  for (int i = 0; i < n; ++i) s += pieces[rng() % std::size(pieces)];
  return s;
}

std::vector<TRange> RandomSpans(std::mt19937& rng, int Lines) {
  std::vector<TRange> spans;
  for (int l = 1; l < Lines; ++l) {
    if (rng() % 5) continue;
    const int end = std::min(Lines, l + 1 + int(rng() % 6));
    spans.push_back({l, end});
    l = end;
  }
  return spans;
}

TEST(DisplayMap, IncrementalMapEqualsAFreshOneAfterRandomEdits) {
  for (unsigned seed = 1; seed <= 30; ++seed) {
    std::mt19937 rng(seed);
    Doc d(u"", Wrap(8));
    std::vector<TRange> spans;
    for (int step = 0; step < 60; ++step) {
      const int len = d.lines.TextLength();
      switch (rng() % 8) {
        case 0:
        case 1:
        case 2:
          d.lines.InsertText(int(rng() % unsigned(len + 1)), RandomText(rng));
          break;
        case 3:
          if (len > 0) {
            const int p = int(rng() % unsigned(len));
            d.lines.DeleteText(p, 1 + int(rng() % 12));
          }
          break;
        case 4: {
          TLayoutSettings s = d.layout->Settings();
          s.WordWrap = rng() % 4 != 0;
          s.WrapWidth = int(rng() % 14) * 8 - 8;
          s.WrapAtSpace = rng() % 2;
          d.layout->SetSettings(s);
          break;
        }
        case 5: {
          spans = RandomSpans(rng, d.lines.GetCount());
          TRangeList<TRange> list(true);
          for (const TRange& s : spans) list.Add(s);
          d.layout->SetHiddenLines(list);
          for (int l = 0; l < d.lines.GetCount(); ++l) {
            bool in = false;
            for (const TRange& r : spans) in |= r.Contains(l);
            ASSERT_EQ(d.layout->LineVisible(l), !in) << "seed " << seed << " line " << l;
          }
          break;
        }
        case 6:
          d.layout->InvalidateLineInfos(int(rng() % 5), int(rng() % 8) - 1, rng() % 2);
          break;
        case 7:
          d.layout->SetTopDisplayLine(int(rng() % 40) - 5);
          break;
      }
      // The spans the layout keeps moved with the lines: take them as the reference's.
      spans.clear();
      for (int l = 0; l < d.lines.GetCount(); ++l)
        if (!d.layout->LineVisible(l)) {
          if (!spans.empty() && spans.back().EndPos == l)
            ++spans.back().EndPos;
          else
            spans.push_back({l, l + 1});
        }
      CheckAgainst(d, spans, "seed " + std::to_string(seed) + " step " + std::to_string(step));
      if (HasFatalFailure()) return;
    }
  }
}

TEST(DisplayMap, BlocksSplitAndJoinUnderLargeEdits) {
  TDisplayMap m;
  m.Reset(5000, false);
  m.ApplyHidden({{10, 4000}});
  m.InsertLines(2000, 3000, false);  // inside the hidden span: hidden too
  m.Check();
  EXPECT_EQ(m.LineCount(), 8000);
  EXPECT_EQ(m.VisibleRows(), 8000 - 6990);
  m.SetRows(7000, 5);
  EXPECT_EQ(m.RowsBefore(7001), 7000 - 6990 + 5);
  EXPECT_EQ(m.Locate(m.RowsBefore(7000) + 3), (TDisplayPos{7000, 3}));
  m.DeleteLines(5, 7990);
  m.Check();
  EXPECT_EQ(m.LineCount(), 10);
  EXPECT_EQ(m.VisibleRows(), 10);
  EXPECT_TRUE(m.HiddenSpans().empty());
}

// A handler of OnAfterCalcLineInfo may change the rows; the map follows what it leaves.
class SplittingDoc : public Doc {
 public:
  using Doc::Doc;
  void AfterCalcLineInfo(TLineInfo& Info, int Line) override {
    if (Line == 1 && Info.RowCount() == 1) Info.SetWrapPoint(0, 1);
  }
};

TEST(DisplayMap, FollowsTheRowsAHandlerLeaves) {
  SplittingDoc d(u"ab\r\ncd\r\nef");
  EXPECT_EQ(d.layout->DisplayLineCount(), 3);
  EXPECT_EQ(d.layout->GetLineInfo(1).RowCount(), 2);
  EXPECT_EQ(d.layout->DisplayLineCount(), 4);
  EXPECT_EQ(d.layout->DisplayToLine(3), (TDisplayPos{2, 0}));
}

TEST(DisplayMap, LinesPastTheTextWithVirtualCaret) {
  TLayoutSettings s;
  s.VirtualCaretPos = true;
  Doc d(u"a\r\nb", s);
  EXPECT_EQ(d.layout->NextVisibleLine(7), 7);
  EXPECT_EQ(d.layout->DisplayIndex(7), 7);
  EXPECT_EQ(d.layout->DisplayToLine(7), (TDisplayPos{7, 0}));
  s.VirtualCaretPos = false;
  d.layout->SetSettings(s);
  EXPECT_EQ(d.layout->NextVisibleLine(7), 1);
  EXPECT_EQ(d.layout->PriorVisibleLine(-3), 0);
}

TEST(TopLine, StaysOnItsRowAndNeverGoesNegative) {
  std::u16string text;
  for (int i = 0; i < 30; ++i) text += u"line\r\n";
  Doc d(text);
  d.layout->SetTopDisplayLine(20);
  d.lines.InsertText(0, u"a\r\nb\r\n");
  EXPECT_EQ(d.layout->TopPos().Line, 22);
  d.lines.DeleteText(0, d.lines.TextLength());
  EXPECT_EQ(d.layout->TopDisplayLine(), 0);
  d.layout->SetTopDisplayLine(-7);
  EXPECT_EQ(d.layout->TopDisplayLine(), 0);
}

}  // namespace
}  // namespace synt
