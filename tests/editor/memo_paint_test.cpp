// The editor's window paint on the headless host: every display line drawn exactly once with the
// text of its line (after edits, folds and wrap changes), the fills around and below the text,
// separators, and exceptions that painting swallows.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "editor/syntax_memo.h"
#include "memo_test_util.h"
#include "paint_fixture.h"
#include "platform/app_exceptions.h"

namespace synt::test {
namespace {

struct MemoPaint : ::testing::Test {
  MemoPaint() : pascal(LoadLexer("pascal.lxl")) {
    memo.SetSyntaxAnalyzer(pascal.get());
    memo.SetCollapseStyle(csLineSeparator);  // folded lines show their whole first line
    memo.Gutter()->SetVisible(false);  // the text area starts at x = 2 (the gutter: its tests)
  }
  void SetText(std::u16string_view Text) {
    memo.SetText(Text);
    ASSERT_TRUE(Settle(desktop, memo.SyntClient()));
  }
  // The text each line drew in the last paint, run by run.
  std::map<int, std::u16string> DrawnPerLine(THeadlessHost& Host) {
    std::map<int, std::u16string> out;
    memo.OnDrawToken = [&](TObject*, const TRect&, TPoint TextPos, int) {
      const auto& ops = Host.Canvas().Ops();
      for (auto it = ops.rbegin(); it != ops.rend(); ++it)
        if (it->Kind == TCanvasOpKind::TextOut) {
          out[TextPos.Y] += it->Text;
          break;
        }
    };
    Host.PaintAll();
    memo.OnDrawToken = nullptr;
    return out;
  }
  std::u16string Expanded(int Line) {
    TRunText r;
    TransformRunText(memo.Lines()->LineText(Line), 0, memo.TabList(), true, ecNormal, r);
    return r.Text;
  }

  THeadlessDesktop desktop;
  std::unique_ptr<TSyntAnalyzer> pascal;
  TSyntaxMemo memo{nullptr};
};

TEST_F(MemoPaint, EveryVisibleLineIsDrawnOnceAfterEditsFoldsAndWrapChanges) {
  std::mt19937 rng(3);
  std::u16string text;
  for (int i = 0; i < 40; ++i)
    text += i % 6 == 0 ? u"begin\n" : i % 6 == 5 ? u"end;\n" : u"\tx := 'some text'; { c }\n";
  SetText(text);
  THeadlessHost host(desktop, memo, {20000, 40 * 17 + 40});
  for (int step = 0; step < 12; ++step) {
    switch (step % 4) {
      case 0: {  // an edit
        const int pos = int(rng() % unsigned(memo.Lines()->TextLength()));
        memo.Lines()->InsertText(pos, step % 8 ? u"\tab " : u"\n");
        ASSERT_TRUE(Settle(desktop, memo.SyntClient()));
        break;
      }
      case 1:
        memo.ToggleCollapse(int(rng() % unsigned(memo.Lines()->GetCount())));
        break;
      case 2:
        memo.SetWordWrap(!memo.WordWrap());
        host.SetClientSize({memo.WordWrap() ? 200 + int(rng() % 200) : 20000, 2000});
        break;
      default:
        memo.ExpandAll();
        break;
    }
    const std::map<int, std::u16string> drawn = DrawnPerLine(host);
    for (int l = 0; l < memo.Lines()->GetCount(); ++l) {
      const bool visible = memo.LineVisible(l);
      const auto it = drawn.find(l);
      if (!visible) {
        EXPECT_TRUE(it == drawn.end()) << "hidden line " << l << " drawn, step " << step;
        continue;
      }
      const std::u16string want = Expanded(l);
      ASSERT_EQ(Utf8(it == drawn.end() ? u"" : it->second), Utf8(want))
          << "line " << l << ", step " << step << (memo.WordWrap() ? " (wrapped)" : "");
    }
  }
}

TEST_F(MemoPaint, MarginBelowTextAndCustomBackground) {
  SetText(u"begin\nend;\n");
  THeadlessHost host(desktop, memo, {200, 100});
  host.PaintAll();
  const auto& ops = host.Canvas().Ops();
  ASSERT_FALSE(ops.empty());
  // The margin strip left of the text, then (last) the area below the three lines.
  EXPECT_EQ(ops.front().Kind, TCanvasOpKind::FillRect);
  EXPECT_EQ(ops.front().Rect, (TRect{0, 0, 2, 100}));
  EXPECT_EQ(ops.back().Kind, TCanvasOpKind::FillRect);
  EXPECT_EQ(ops.back().Rect, (TRect{2, 3 * 17, 200, 100}));
  EXPECT_EQ(ops.back().BrushColor, memo.Color());
}

struct CustomBackground : TSyntaxMemo {
  using TSyntaxMemo::TSyntaxMemo;
  std::vector<int> asked;
  bool DrawCustomBackground(TCanvas&, const TRect&, int Line) override {
    asked.push_back(Line);
    return true;
  }
};

TEST(MemoPaintCustom, DrawCustomBackgroundSuppressesLineEndAndBelowTextFills) {
  THeadlessDesktop desktop;
  CustomBackground memo(nullptr);
  memo.Gutter()->SetVisible(false);
  memo.SetText(u"ab\ncd");
  THeadlessHost host(desktop, memo, {200, 100});
  host.PaintAll();
  EXPECT_EQ(memo.asked, (std::vector<int>{0, 1, -1}));
  for (const TCanvasOp& op : host.Canvas().Ops()) {
    if (op.Kind == TCanvasOpKind::FillRect) {
      EXPECT_LE(op.Rect.Right, 2 + 2 * 8 + 6) << op.Rect.Top;
    }
  }
}

TEST_F(MemoPaint, GradientAndPictureBackgroundsFillTheTextAreaFirst) {
  SetText(u"x\n");
  memo.BackGround()->SetFillStyle(fstHorzGradient);
  memo.BackGround()->SetGradColor(clBlack);
  memo.SetColor(clWhite);
  THeadlessHost host(desktop, memo, {258, 40});
  host.PaintAll();
  std::vector<TColor> bands;
  for (const TCanvasOp& op : host.Canvas().Ops())
    if (op.Kind == TCanvasOpKind::FillRect && op.Rect.Top == 0 && op.Rect.Bottom == 40)
      bands.push_back(op.BrushColor);
  ASSERT_GE(bands.size(), 2u);
  EXPECT_EQ(bands.front(), clWhite);
  EXPECT_EQ(bands.back(), clBlack);
  // Pre-filled: the text cells and the area below are not filled again.
  for (const TCanvasOp& op : host.Canvas().Ops()) {
    if (op.Kind == TCanvasOpKind::TextOut) {
      EXPECT_EQ(op.BrushStyle, bsClear);
    }
  }

  memo.BackGround()->SetFillStyle(fstTile);
  memo.BackGround()->SetBitmap(TPixelImage(100, 30));
  host.PaintAll();
  int tiles = 0;
  for (const TCanvasOp& op : host.Canvas().Ops()) tiles += op.Kind == TCanvasOpKind::DrawImage;
  EXPECT_EQ(tiles, 3 * 2);  // 256 x 40 pixels of text area in 100 x 30 tiles
}

TEST_F(MemoPaint, PlainFoldIsASeparatorLine) {
  SetText(u"begin\n  x;\nend;\ny;\n");
  ASSERT_TRUE(memo.ToggleCollapse(0));
  memo.SetCollapseBreakColor(clRed);
  THeadlessHost host(desktop, memo, {200, 100});
  host.PaintAll();
  int separators = 0;
  for (const TCanvasOp& op : host.Canvas().Ops())
    if (op.Kind == TCanvasOpKind::LineTo && op.PenColor == clRed) {
      ++separators;
      EXPECT_EQ(op.Points[0].Y, 16);  // the bottom pixel row of the first line
    }
  EXPECT_EQ(separators, 1);
}

TEST_F(MemoPaint, ExceptionsWhilePaintingAreSwallowedAndReported) {
  SetText(u"a\nb\n");
  THeadlessHost host(desktop, memo, {200, 100});
  memo.OnBeforeLineDraw = [](TObject*, const TRect&, int Line) {
    if (Line == 1) throw std::runtime_error("line handler failed");
  };
  // The tests' handler turns the swallowed exception into a failure of the test that caused it.
  EXPECT_NONFATAL_FAILURE(host.PaintAll(), "line handler failed");
  // The paint itself survives, and so does the next one.
  std::vector<std::string> seen;
  TApplicationExceptionHandler old = SetApplicationExceptionHandler([&](std::exception_ptr E) {
    try {
      std::rethrow_exception(E);
    } catch (const std::exception& X) {
      seen.push_back(X.what());
    }
  });
  EXPECT_NO_THROW(host.PaintAll());
  EXPECT_NO_THROW(host.PaintAll());
  SetApplicationExceptionHandler(old);
  EXPECT_EQ(seen, (std::vector<std::string>{"line handler failed", "line handler failed"}));
  // The clip is back where the host set it.
  EXPECT_EQ(host.Canvas().ClipRect(), (TRect{0, 0, 200, 100}));
}

TEST_F(MemoPaint, HitTestingAndMeasuringUseThePaintedGeometry) {
  SetText(u"\tbegin x := 'abc'; end;\n");
  memo.SetZoom(100);
  TMemoPaintPart& p = memo.PaintPart();
  THeadlessHost host(desktop, memo, {400, 100});
  host.PaintAll();
  // The x of every character as painted: OnDrawToken cells.
  std::vector<int> painted;
  memo.OnDrawToken = [&](TObject*, const TRect& R, TPoint, int N) {
    for (int i = 0; i < N; ++i) painted.push_back(R.Left);
  };
  host.PaintAll();
  int row = 0;
  EXPECT_EQ(p.XOfUnit(0, 0, row) + p.TextAreaLeft(), painted[0]);
  EXPECT_EQ(p.XOfUnit(0, 1, row), 4 * 8);  // after the tab
  EXPECT_EQ(p.UnitAt(0, 0, 4 * 8 + 1), 1);
  TLineMeasure m;
  p.MeasureLine(0, m);
  ASSERT_EQ(m.Edges.size(), memo.Lines()->LineText(0).size());
  EXPECT_EQ(m.Edges[0], 4 * 8);
  EXPECT_EQ(m.Edges.back(), int(Expanded(0).size()) * 8);
}

}  // namespace
}  // namespace synt::test
