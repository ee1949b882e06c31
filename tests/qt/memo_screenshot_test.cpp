// The editor on the Qt backend, looked at as pixels: a keyword is drawn in its style's colour, the
// selection's colours win over it, and runs stand at the x the headless canvas places them at
// when both measure the same cell.
#include <gtest/gtest.h>

#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <filesystem>

#include "analysis/client_analyzer.h"
#include "analysis/lexer_library.h"
#include "editor/commands.h"
#include "editor/syntax_memo.h"
#include "lexer_load.h"
#include "platform/bitmap.h"
#include "platform/headless_host.h"
#include "qt/qt_canvas.h"
#include "qt/qt_fonts.h"
#include "qt/qt_platform.h"
#include "qt_driver.h"

namespace synt {
namespace {

namespace fs = std::filesystem;

const char16_t kSource[] =
    u"program Demo;\r\n"
    u"var\r\n"
    u"  X: Integer;\r\n"
    u"begin\r\n"
    u"  X := 42; { set it }\r\n"
    u"  WriteLn('x', X)\r\n"
    u"end.\r\n";

tool::LoadedLexer Pascal() {
  return tool::LoadLexer((fs::path(SYNT_SOURCE_DIR) / "lexers" / "pascal.lxl").string(), nullptr,
                         "test", false);
}

void SettleOnQt(TSyntaxMemo& Memo) {
  if (TClientSyntAnalyzer* c = Memo.SyntClient())
    tool::SettleAnalysis(*c, [](unsigned Wait) { PumpFor(Wait > 0 ? 5 : 0); });
  synt::Flush();
}

QRgb Rgb(TColor C) {
  return ColorToPixel(C);
}

// Pixels of R in Image that equal Color exactly.
int CountColour(const QImage& Image, const TRect& R, QRgb Color) {
  int n = 0;
  for (int y = R.Top; y < R.Bottom; ++y)
    for (int x = R.Left; x < R.Right; ++x)
      if ((Image.pixel(x, y) & 0xFFFFFF) == (Color & 0xFFFFFF)) ++n;
  return n;
}

// A Qt canvas that also notes where each text run was drawn.
class TNotingCanvas : public TQtCanvas {
 public:
  using TQtCanvas::TQtCanvas;
  struct TRun {
    int X, Y;
    std::u16string Text;
    bool operator==(const TRun&) const = default;
  };
  std::vector<TRun> Runs;
  void TextOut(int X, int Y, std::u16string_view Text) override {
    Runs.push_back({X, Y, std::u16string(Text)});
    TQtCanvas::TextOut(X, Y, Text);
  }
};

class QtMemo : public ::testing::Test {
 protected:
  tool::LoadedLexer lexer = Pascal();
};

TEST_F(QtMemo, KeywordCellsCarryTheKeywordColourAndSelectionWins) {
  TQtPlatform platform;
  TSyntaxMemo memo(nullptr);
  memo.SetText(kSource);
  memo.SetSyntaxAnalyzer(lexer.lexer);
  TSyntaxMemoOptions o = memo.Options();
  o.Exclude(soHideSelection);  // the offscreen window need not have the focus
  memo.SetOptions(o);
  TQtDriver drv(memo, {400, 200});
  SettleOnQt(memo);
  const TSize cell = memo.DefTextExt();
  const int rowH = cell.cy + memo.LineSpacing();
  const int left = memo.PaintPart().TextAreaLeft();
  ASSERT_EQ(cell.cx, 8) << "Courier New 10 pt lays out in Liberation Mono's cell";
  EXPECT_EQ(drv.Widget().viewport()->cursor().shape(), Qt::IBeamCursor);

  // "begin" on line 3, columns 0-4: keyword colour on the window colour.
  QImage shot = drv.Widget().viewport()->grab().toImage();
  const TRect begin{left, 3 * rowH, left + 5 * cell.cx, 4 * rowH};
  const QRgb navy = Rgb(lexer.lexer->Formats()->ItemByName(u"Keyword")->Font()->Color());
  EXPECT_GT(CountColour(shot, begin, navy), 10) << "glyph pixels in the keyword's colour";
  EXPECT_GT(CountColour(shot, begin, Rgb(clWindow)), begin.Width() * begin.Height() / 2);
  // "Integer" is an identifier: no keyword colour there.
  const TRect integer{left + 5 * cell.cx, 2 * rowH, left + 12 * cell.cx, 3 * rowH};
  EXPECT_EQ(CountColour(shot, integer, navy), 0);

  // Select "begin": the selection's background fills its cells and its text colour replaces
  // the keyword's.
  memo.Selection().SetSelection(memo.Lines()->LineStart(3), 5);
  memo.Invalidate();
  synt::Flush();
  shot = drv.Widget().viewport()->grab().toImage();
  const QRgb highlight = Rgb(clHighlight), highlightText = Rgb(clHighlightText);
  EXPECT_EQ(CountColour(shot, begin, navy), 0);
  EXPECT_GT(CountColour(shot, begin, highlight), begin.Width() * begin.Height() / 2);
  EXPECT_GT(CountColour(shot, begin, highlightText), 10);
  // Past the selection the line keeps the window colour.
  const TRect after{left + 6 * cell.cx, 3 * rowH, left + 20 * cell.cx, 4 * rowH};
  EXPECT_EQ(CountColour(shot, after, highlight), 0);
}

TEST_F(QtMemo, RunsStandWhereTheHeadlessCanvasPutsThem) {
  for (TMonoFontMode mode : {mfVariable, mfFixed}) {
    SCOPED_TRACE(mode == mfFixed ? "fixed" : "variable");
    std::vector<TNotingCanvas::TRun> qtRuns;
    TSize cell;
    {
      TQtPlatform platform;
      TSyntaxMemo memo(nullptr);
      memo.SetMonoFontMode(mode);
      memo.SetText(kSource);
      memo.SetSyntaxAnalyzer(lexer.lexer);
      TQtDriver drv(memo, {400, 200});
      SettleOnQt(memo);
      cell = memo.DefTextExt();
      QImage img(400, 200, QImage::Format_ARGB32_Premultiplied);
      QPainter p(&img);
      TNotingCanvas canvas(&p, {0, 0, 400, 200});
      memo.Paint(canvas, {0, 0, 400, 200});
      // The text's runs: the gutter's numbers are set in a small font of their own.
      for (const TNotingCanvas::TRun& r : canvas.Runs)
        if (r.X >= memo.TextArea().Left) qtRuns.push_back(r);
    }
    ASSERT_FALSE(qtRuns.empty());
    THeadlessSettings s;
    s.CellWidth = cell.cx;
    s.CellHeight = cell.cy;
    THeadlessDesktop desktop(s);
    TSyntaxMemo memo(nullptr);
    memo.SetMonoFontMode(mode);
    memo.SetText(kSource);
    memo.SetSyntaxAnalyzer(lexer.lexer);
    THeadlessHost host(desktop, memo, {400, 200});
    tool::SettleAnalysis(*memo.SyntClient(), desktop.Loop());
    host.PaintAll();
    std::vector<TNotingCanvas::TRun> headless;
    for (const TCanvasOp& op : host.Canvas().Ops())
      if (op.Kind == TCanvasOpKind::TextOut && op.TextPos.X >= memo.TextArea().Left)
        headless.push_back({op.TextPos.X, op.TextPos.Y, op.Text});
    EXPECT_EQ(qtRuns, headless);
  }
}

TEST_F(QtMemo, TheWindowScrollsWithKeysWheelBarsAndResize) {
  TQtPlatform platform;
  TSyntaxMemo memo(nullptr);
  std::u16string text;
  for (int i = 0; i < 300; ++i) text += u"line\r\n";
  memo.SetText(text);
  TQtDriver drv(memo, {400, 200});
  TQtControlWidget& w = drv.Widget();
  const int page = memo.VisibleLines();
  ASSERT_GT(page, 5);
  ASSERT_TRUE(w.verticalScrollBar()->isVisible());

  // Ctrl+Down scrolls a line without moving the caret (the paging keys move the caret).
  for (int i = 0; i < page; ++i) {
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::ControlModifier);
    QApplication::sendEvent(&w, &down);
  }
  EXPECT_EQ(memo.TopLine(), page);
  EXPECT_EQ(w.verticalScrollBar()->value(), page);

  QWheelEvent wheel(QPointF(50, 50), w.viewport()->mapToGlobal(QPointF(50, 50)), QPoint(),
                    QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(w.viewport(), &wheel);
  EXPECT_EQ(memo.TopLine(), page + 3);

  w.verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(memo.TopLine(), page + 4);
  EXPECT_EQ(w.verticalScrollBar()->value(), page + 4);
  w.verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepSub);
  EXPECT_EQ(memo.TopLine(), 4);
  w.verticalScrollBar()->setSliderPosition(100);  // dragging the thumb
  EXPECT_EQ(memo.TopLine(), 100);

  // Ctrl+End and Ctrl+Home are the caret's commands; the view follows the caret.
  std::vector<int> ran;
  memo.OnExecuteCommand = [&](TObject*, int C, void*, bool&) { ran.push_back(C); };
  QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::ControlModifier);
  QApplication::sendEvent(&w, &end);
  QKeyEvent home(QEvent::KeyPress, Qt::Key_Home, Qt::ControlModifier);
  QApplication::sendEvent(&w, &home);
  EXPECT_EQ(ran, (std::vector<int>{cmTextEnd, cmTextStart}));
  memo.OnExecuteCommand = nullptr;
  w.verticalScrollBar()->setSliderPosition(w.verticalScrollBar()->maximum());
  EXPECT_EQ(memo.TopLine(), memo.Lines()->GetCount() - 1);  // the last line may reach the top
  w.verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
  EXPECT_EQ(memo.TopLine(), 0);

  w.resize(400, 400);
  synt::Flush();
  EXPECT_GT(memo.VisibleLines(), page + 5) << "laid out again for the new size";
  EXPECT_EQ(w.verticalScrollBar()->pageStep(), memo.VisibleLines());
}

TEST(QtCanvas, StoredFontNamesMapToMetricCompatibleFamilies) {
  TQtCanvas c;
  c.Font()->SetName(u"Courier New");
  c.Font()->SetSize(10);
  const TTextMetrics m = c.GetTextMetrics();
  EXPECT_TRUE(m.FixedPitch);
  EXPECT_EQ(c.TextWidth(u"W"), c.TextWidth(u"i"));
  EXPECT_EQ(c.TextWidth(u"begin end;"), 10 * c.TextWidth(u"W")) << "a constant cell";
  for (TFontStyles st : {TFontStyles{fsBold}, TFontStyles{fsItalic}}) {
    c.Font()->SetStyle(st);
    EXPECT_EQ(c.TextWidth(u"W"), m.AveCharWidth) << "styles keep the cell";
  }
  c.Font()->SetStyle({});
  c.Font()->SetName(u"Arial");
  EXPECT_FALSE(c.GetTextMetrics().FixedPitch);
  EXPECT_GT(c.TextWidth(u"WWW"), c.TextWidth(u"iii"));
  EXPECT_EQ(qt::SubstituteFamily(u"Times New Roman"), QStringLiteral("Liberation Serif"));
  EXPECT_EQ(qt::SubstituteFamily(u"No Such Family"), QStringLiteral("No Such Family"));
}

TEST(QtCanvas, PenStylesAndTextBackgroundsDraw) {
  TQtBitmap b(60, 40);
  TCanvas& c = b.Canvas();
  c.Brush()->SetColor(clWhite);
  c.FillRect({0, 0, 60, 40});
  c.Pen()->SetColor(clRed);
  c.Pen()->SetStyle(psDot);
  c.MoveTo(0, 5);
  c.LineTo(60, 5);
  c.Pen()->SetStyle(psSolid);
  c.Pen()->SetWidth(3);
  c.MoveTo(0, 20);
  c.LineTo(60, 20);
  c.Pen()->SetWidth(1);
  c.Polyline({{0, 30}, {4, 26}, {8, 30}, {12, 26}});  // a wavy underline is a polyline
  c.Brush()->SetColor(clYellow);
  c.TextOut(30, 22, u"ab");
  const TPixelImage px = b.ToImage();
  int dots = 0;
  for (int x = 0; x < 60; ++x) dots += px.Pixel(x, 5) == ColorToPixel(clRed);
  EXPECT_GT(dots, 10);
  EXPECT_LT(dots, 50) << "a dotted line has gaps";
  EXPECT_EQ(px.Pixel(59, 5), ColorToPixel(clWhite)) << "the end point is not drawn";
  for (int y : {19, 20, 21}) EXPECT_EQ(px.Pixel(10, y), ColorToPixel(clRed)) << y;
  EXPECT_EQ(px.Pixel(10, 23), ColorToPixel(clWhite));
  EXPECT_EQ(px.Pixel(0, 30), ColorToPixel(clRed));
  EXPECT_EQ(px.Pixel(30, 35), ColorToPixel(clYellow)) << "text takes the brush behind it";
}

}  // namespace
}  // namespace synt
