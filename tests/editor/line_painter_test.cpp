// The line routine's three modes against each other and against the text: painting draws exactly
// the text of the line (tabs expanded), nothing twice; measuring gives the x where painting put
// each unit; hit-testing and unit-to-x are inverse. Plus text transforms, borders and staples.
#include <gtest/gtest.h>
#include <set>

#include <random>

#include "paint_fixture.h"

namespace synt::test {
namespace {

std::u16string Expand(std::u16string_view Line, const TTabList& Tabs) {
  TRunText r;
  TransformRunText(Line, 0, &Tabs, true, ecNormal, r);
  return r.Text;
}

std::u16string RandomPascal(std::mt19937& Rng, int Lines) {
  static const char16_t* kWords[] = {u"begin", u"end;", u"x",  u":=",    u"'str'", u"{c}", u"\t",
                                     u"  ",    u"if",   u"42", u"(*k*)", u"//l",   u"Ünï", u";"};
  std::u16string t;
  for (int i = 0; i < Lines; ++i) {
    const int n = int(Rng() % 9);
    for (int k = 0; k < n; ++k) {
      t += kWords[Rng() % std::size(kWords)];
      if (Rng() % 2) t += u' ';
    }
    t += i % 5 == 4 ? u"\r\n" : u"\n";
  }
  return t;
}

// Texts drawn per line, in order, and whether any two drawn cells overlap.
struct Drawn {
  std::vector<std::u16string> text;
  bool overlap = false;
};

Drawn Collect(PaintDoc& D, int Width) {
  Drawn out;
  out.text.assign(size_t(D.lines.GetCount()), u"");
  std::vector<int> lastRight(size_t(D.lines.GetCount()), -1 << 30);
  D.ctx.OnRun = [&](int Line, int, int, std::u16string_view Text, const TRect& Cell,
                    const std::vector<const TSyntaxFormat*>&, TCanvas&) {
    out.text[size_t(Line)] += Text;
    if (Cell.Left < lastRight[size_t(Line)]) out.overlap = true;
    lastRight[size_t(Line)] = Cell.Right;
  };
  D.PaintAll(Width);
  return out;
}

TEST(LinePainter, PaintingDrawsEachLineOnceWithTabsExpanded) {
  std::mt19937 rng(7);
  for (int round = 0; round < 20; ++round) {
    PaintDoc d;
    d.tabs.SetAsString(round % 2 ? u"4" : u"3 8");
    d.SetText(RandomPascal(rng, 30));
    const Drawn got = Collect(d, 100000);
    EXPECT_FALSE(got.overlap);
    size_t texts = 0;
    for (const TCanvasOp& op : d.canvas->Ops())
      if (op.Kind == TCanvasOpKind::TextOut) ++texts;
    for (int l = 0; l < d.lines.GetCount(); ++l)
      ASSERT_EQ(Utf8(got.text[size_t(l)]), Utf8(Expand(d.lines.LineText(l), d.tabs)))
          << "round " << round << " line " << l;
    // Every text drawn belongs to a run (no glyphs while they are off): nothing is drawn twice.
    size_t runs = 0;
    for (const std::u16string& t : got.text) runs += t.empty() ? 0 : 1;
    EXPECT_GE(texts, runs);
  }
}

TEST(LinePainter, MeasureAndHitTestAgreeWithPaint) {
  std::mt19937 rng(11);
  PaintDoc d;
  d.SetText(RandomPascal(rng, 40));
  THeadlessCanvas proportional(8, 16, {0, 0, 100000, 100000}, THeadlessPitch::Proportional);
  for (int l = 0; l < d.lines.GetCount(); ++l) {
    std::vector<int> edges;
    std::vector<std::pair<int, int>> heights;
    d.painter.MeasureLine(proportional, l, edges, heights);
    const int len = d.lines.LineLength(l);
    ASSERT_EQ(int(edges.size()), len);
    for (int i = 1; i < len; ++i) ASSERT_LE(edges[size_t(i - 1)], edges[size_t(i)]);
    TLineRows rows;
    rows.Heights = {17};
    for (int u = 0; u < len; ++u) {
      int row = -1;
      const int x = d.painter.XOfUnit(proportional, l, rows, u, row);
      EXPECT_EQ(row, 0);
      EXPECT_EQ(x, u ? edges[size_t(u - 1)] : 0) << "line " << l << " unit " << u;
      if ((u ? edges[size_t(u - 1)] : 0) < edges[size_t(u)]) {  // zero-width units have no x
        EXPECT_EQ(d.painter.UnitAt(proportional, l, rows, 0, x), u);
      }
    }
    EXPECT_EQ(d.painter.UnitAt(proportional, l, rows, 0, 1 << 20), len);
  }
}

TEST(LinePainter, WrappedRowsEachStartAtTheLeftEdgeAndKeepTheText) {
  PaintDoc d;
  d.SetText(u"begin x := 'a long string here'; y := 2; end;\n");
  TLineRows rows;
  rows.WrapPoints = {12, 30};
  rows.Heights = {17, 17, 17};
  std::u16string drawn;
  std::vector<TRect> cells;
  d.ctx.OnRun = [&](int, int, int, std::u16string_view Text, const TRect& Cell,
                    const std::vector<const TSyntaxFormat*>&, TCanvas&) {
    drawn += Text;
    cells.push_back(Cell);
  };
  THeadlessCanvas c;
  d.painter.PaintLine(c, 0, rows, 0, {20, 0, 400, 51}, 20, nullptr);
  EXPECT_EQ(Utf8(drawn), Utf8(d.lines.LineText(0)));
  int rowsStartingLeft = 0;
  for (const TRect& r : cells) rowsStartingLeft += r.Left == 20 ? 1 : 0;
  EXPECT_EQ(rowsStartingLeft, 3);
  int row = 0;
  EXPECT_EQ(d.painter.XOfUnit(c, 0, rows, 12, row), 0);
  EXPECT_EQ(row, 1);
  EXPECT_EQ(d.painter.UnitAt(c, 0, rows, 2, 0), 30);
  // From the second row on, only that row and the ones after it are drawn.
  drawn.clear();
  d.painter.PaintLine(c, 0, rows, 1, {20, 0, 400, 34}, 20, nullptr);
  EXPECT_EQ(Utf8(drawn), Utf8(d.lines.LineText(0).substr(12)));
}

TEST(LinePainter, TransformsTabsControlCharactersAndCase) {
  TTabList tabs;
  tabs.SetAsString(u"4 10");
  TRunText r;
  TransformRunText(u"ab\tc\x1D\td", 0, &tabs, true, ecUpperCase, r);
  EXPECT_EQ(Utf8(r.Text), "AB  C     D");
  EXPECT_EQ(r.Map, (std::vector<int>{0, 1, 2, 4, 5, 6, 10, 11})) << "the separator keeps its cell";
  EXPECT_EQ(r.Column, 11);
  // Past the last stop the distance between the last two repeats: 10, 16, 22.
  TransformRunText(u"\t", 17, &tabs, true, ecNormal, r);
  EXPECT_EQ(r.Column, 22);
  // Without soCorrectNonPrinted the control character stays.
  TransformRunText(u"a\x1D", 0, &tabs, false, ecNormal, r);
  EXPECT_EQ(r.Text.size(), 2u);

  TSyntStyles styles(nullptr);
  TSyntaxFormat* title = styles.Styles()->Add();
  title->SetChangeCase(ccTitle);
  TSyntaxFormat* toggle = styles.Styles()->Add();
  toggle->SetChangeCase(ccToggle);
  TransformRunText(u"word", 0, &tabs, true, ecNormal, r);
  ApplyChangeCase({TStyleEntry(5, 9, title, false)}, 5, r);
  EXPECT_EQ(Utf8(r.Text), "Word");
  TransformRunText(u"word", 0, &tabs, true, ecNormal, r);
  ApplyChangeCase({TStyleEntry(3, 9, title, false)}, 5, r);  // the run is not the entry's start
  EXPECT_EQ(Utf8(r.Text), "word");
  ApplyChangeCase({TStyleEntry(3, 9, toggle, false)}, 5, r);
  EXPECT_EQ(Utf8(r.Text), "WORD");
}

TEST(LinePainter, BorderSidesKeepInsideTheirRectangleAtTheirWidth) {
  const TRect r{10, 20, 50, 36};
  for (TBorderLineType t :
       {blSolid, blDash, blDot, blDashDot, blDashDotDot, blSolid2, blSolid3, blWavyLine, blDouble})
    for (int side = 0; side < 4; ++side) {
      THeadlessCanvas c;
      DrawBorderSide(c, r, side, t, clRed);
      ASSERT_FALSE(c.Ops().empty());
      const int w = BorderThickness(t);
      for (const TCanvasOp& op : c.Ops()) {
        EXPECT_EQ(op.PenColor, clRed);
        const bool vertical = side == 0 || side == 2;
        for (const TPoint& p : op.Points) {
          // Across the side: the line's pixels (its centre give or take half its width) stay in
          // the rectangle; along it, the ends stay within the rectangle's span.
          const int across = vertical ? p.X : p.Y, along = vertical ? p.Y : p.X;
          const int lo = vertical ? r.Left : r.Top, hi = vertical ? r.Right : r.Bottom;
          EXPECT_GE(across - op.PenWidth / 2, lo) << int(t) << " side " << side;
          EXPECT_LT(across + (op.PenWidth - 1) / 2, hi) << int(t) << " side " << side;
          EXPECT_GE(along, vertical ? r.Top : r.Left);
          EXPECT_LE(along, vertical ? r.Bottom : r.Right);
        }
      }
      if (t == blDouble) {
        EXPECT_EQ(c.Ops().size(), 2u);
      } else if (t == blWavyLine) {
        EXPECT_EQ(c.Ops()[0].Kind, TCanvasOpKind::Polyline);
      } else {
        EXPECT_EQ(c.Ops()[0].PenWidth, w);
      }
    }
  THeadlessCanvas c;
  DrawBorderSide(c, r, 0, blNone, clRed);
  EXPECT_TRUE(c.Ops().empty());
}

TEST(LinePainter, BorderedTokenCutIntoRunsIsBoxedOnce) {
  PaintDoc d;
  // Style changes clear the analysis: style first, text after.
  TSyntaxFormat* comment = d.Style(u"Comment");
  for (int side = 0; side < 4; ++side) {
    comment->SetBorderType(side, blSolid);
    comment->SetBorderColor(side, clRed);
  }
  d.SetText(u"x {" + std::u16string(300, u'c') + u"} y\n");
  d.PaintAll(10000);
  int left = 0, right = 0, top = 0, bottom = 0;
  for (const TCanvasOp& op : d.canvas->Ops()) {
    if (op.Kind != TCanvasOpKind::LineTo || op.PenColor != clRed) continue;
    const TPoint a = op.Points[0], b = op.Points[1];
    if (a.X == b.X) (a.X < 100 ? left : right) += 1;
    if (a.Y == b.Y) (a.Y == 0 ? top : bottom) += 1;
    if (a.Y == b.Y) {
      EXPECT_EQ(a.X, 16);  // from the comment's start, across both of its runs
    }
  }
  EXPECT_EQ(left, 1);
  EXPECT_EQ(right, 1);
  EXPECT_EQ(top, 1);
  EXPECT_EQ(bottom, 1);
}

TEST(LinePainter, StaplesInTheLeadingBlanksWithTicksThatScaleWithZoom) {
  PaintDoc d;
  d.SetText(u"begin\n  if a then\n  begin\n    b;\n  end;\nend;\n");
  std::vector<std::tuple<int, int, bool, bool>> staples;  // line top, x, starts, ends
  d.ctx.DrawStaple = [&](TCanvas& C, int X, TBlockStaple*, int, bool Ends, bool Starts, int Bottom,
                         int Top) {
    staples.emplace_back(Top, X, Starts, Ends);
    DrawStapleLine(C, d.staplePen, X, Ends, Starts, Bottom, Top, 1.0);
  };
  d.PaintAll(400);
  if (staples.empty()) GTEST_SKIP() << "the Pascal lexer draws no staples for begin/end";
  // Every staple lies in the leading blanks of its line.
  for (const auto& [top, x, starts, ends] : staples) {
    const int line = top / 17;
    const std::u16string_view t = d.lines.LineText(line);
    size_t blanks = 0;
    while (blanks < t.size() && t[blanks] == u' ') ++blanks;
    EXPECT_LE(x, int(blanks) * 8) << "line " << line;
  }
  // Ticks are 10 pixels, 20 under Zoom 200.
  d.ctx.DrawStaple = nullptr;
  for (int zoom : {100, 200}) {
    d.ctx.Zoom = zoom;
    d.PaintAll(400);
    int tick = 0;
    for (const TCanvasOp& op : d.canvas->Ops())
      if (op.Kind == TCanvasOpKind::LineTo && op.PenColor == clGray &&
          op.Points[0].Y == op.Points[1].Y)
        tick = op.Points[1].X - op.Points[0].X;
    EXPECT_EQ(tick, zoom / 10);
  }
}

// Staples as a simple model draws them: each line's staples asked one by one, placed at the
// smaller indent of their first and last lines, one drawing per place and tick.
std::set<std::tuple<int, int, bool, bool>> ModelStaples(PaintDoc& D, int Rows) {
  std::set<std::tuple<int, int, bool, bool>> out;  // line, x, starts, ends
  auto indent = [&](int L) {
    const std::u16string_view t = D.lines.LineText(L);
    int n = 0;
    while (n < int(t.size()) && t[size_t(n)] == u' ') ++n;
    return n;
  };
  for (int line = 0; line < std::min(Rows, D.lines.GetCount()); ++line) {
    std::vector<TBlockStaple*> staples;
    D.client->GetStaplesAtLine(line, staples);
    for (TBlockStaple* s : staples) {
      int first, last;
      D.client->GetRangeLines(*s, first, last);
      // Only those in the line's leading blanks show: its first letter ends them.
      const int at = std::min(indent(first), indent(last));
      if (at <= indent(line))
        out.emplace(line, at * 8 - D.ctx.StapleOffset, first == line, last == line);
    }
  }
  return out;
}

TEST(LinePainter, ThousandsOfOpenBlocksDrawEachPlaceOnceAndFollowEditsBeforeThePass) {
  PaintDoc d;
  // Open blocks at growing indents, never closed, so every one meets every line below it.
  std::u16string text;
  for (int i = 0; i < 600; ++i) text += std::u16string(size_t(i % 7) * 2, u' ') + u"begin\n";
  for (int i = 0; i < 100; ++i) text += u"              x;\n";
  d.SetText(text);
  std::set<std::tuple<int, int, bool, bool>> drawn;
  size_t calls = 0;
  d.ctx.DrawStaple = [&](TCanvas&, int X, TBlockStaple*, int, bool Ends, bool Starts, int,
                         int Top) {
    drawn.emplace(Top / 17, X, Starts, Ends);
    ++calls;
  };
  d.PaintAll(400);
  if (drawn.empty()) GTEST_SKIP() << "the Pascal lexer draws no staples for begin";
  const int rows = d.lines.GetCount();
  EXPECT_EQ(drawn, ModelStaples(d, rows));
  EXPECT_EQ(calls, drawn.size());  // nothing drawn twice
  // An edit before the pass takes it over: the painter follows the new indents at once.
  d.lines.InsertText(d.lines.LineStart(3), u"      ");
  d.lines.DeleteText(d.lines.LineStart(10), 2);
  d.lines.InsertText(d.lines.LineStart(620), u"x\n");
  drawn.clear();
  calls = 0;
  d.PaintAll(400);
  // The new line has no staples of its own yet; it shows those running through it.
  EXPECT_TRUE(std::erase_if(drawn, [](const auto& S) { return std::get<0>(S) == 620; }) > 0);
  EXPECT_EQ(drawn, ModelStaples(d, rows));
  EXPECT_EQ(calls, drawn.size() + 1);
}

TEST(LinePainter, ForeignCanvasLeavesOutWhatOnlyTheScreenShows) {
  PaintDoc d;
  d.SetText(u"begin x := 'abc'; end;\n");
  d.searchMarks.Add(TRange(6, 8));
  d.ctx.SelMode = msNormal;
  d.ctx.SelStart = 0;
  d.ctx.SelEnd = 5;
  d.ctx.CaretLine = 0;
  d.ctx.Markers = {{0, 2, 0}};
  d.ctx.ForeignCanvas = true;
  std::vector<std::string> styles;
  auto collect = [&] {
    styles.clear();
    d.ctx.OnRun = [&](int, int, int, std::u16string_view, const TRect&,
                      const std::vector<const TSyntaxFormat*>& S, TCanvas&) {
      for (const TSyntaxFormat* s : S) styles.push_back(Utf8(s->DisplayName()));
    };
    d.PaintAll(400);
  };
  collect();
  for (const std::string& s : styles) {
    EXPECT_NE(s, "Marked block");  // no selection,
    EXPECT_NE(s, "Search match");  // no search marks,
    EXPECT_NE(s, "Current line");  // no current line on paper
  }
  int fills = 0, polygons = 0;
  for (const TCanvasOp& op : d.canvas->Ops()) {
    fills += op.Kind == TCanvasOpKind::FillRect;
    polygons += op.Kind == TCanvasOpKind::Polygon;
  }
  EXPECT_EQ(fills, 0);     // without mpBackColor no background at all
  EXPECT_EQ(polygons, 0);  // markers are the screen's
  // The exporters' options: backgrounds, but cells of the editor colour stay clear.
  d.ctx.PrintOptions = ExportPrintOptions;
  collect();
  for (const TCanvasOp& op : d.canvas->Ops())
    if (op.Kind == TCanvasOpKind::FillRect) {
      EXPECT_NE(op.BrushColor, d.ctx.Color);
    }
  d.ctx.ForeignCanvas = false;
  collect();
  EXPECT_NE(std::find(styles.begin(), styles.end(), "Marked block"), styles.end());
  EXPECT_NE(std::find(styles.begin(), styles.end(), "Search match"), styles.end());
}

TEST(LinePainter, MarkerSitsAtItsColumnOnTheRowBottom) {
  PaintDoc d;
  d.SetText(u"abc def\nx\n");
  d.ctx.Markers = {{0, 4, 0}, {1, 3, 0}};
  std::vector<TPoint> at;
  d.ctx.DrawMarker = [&](TCanvas&, int X, int Y) { at.push_back({X, Y}); };
  d.PaintAll(200, 10);
  ASSERT_EQ(at.size(), 2u);
  EXPECT_EQ(at[0], (TPoint{10 + 4 * 8, 17}));
  EXPECT_EQ(at[1], (TPoint{10 + 3 * 8, 34}));  // two cells past the end of "x"
  THeadlessCanvas c;
  DrawMarkerTriangle(c, 20, 30);
  ASSERT_EQ(c.Ops().size(), 1u);
  EXPECT_EQ(c.Ops()[0].Points, (std::vector<TPoint>{{16, 30}, {24, 30}, {20, 26}}));
  EXPECT_EQ(c.Ops()[0].BrushColor, clRed);
  EXPECT_NE(c.Brush()->Color(), clRed);  // restored
}

}  // namespace
}  // namespace synt::test
