#include "editor/memo_paint.h"

#include <algorithm>
#include <cmath>

#include "analysis/client_analyzer.h"
#include "analysis/synt_text_source.h"
#include "analysis/syntax_analyzer.h"
#include "editor/memo_layout.h"
#include "editor/syntax_memo.h"
#include "platform/app_exceptions.h"
#include "platform/bitmap.h"
#include "platform/control_host.h"

namespace synt {

TMemoPaintPart::TMemoPaintPart(TCustomSyntaxMemo& Memo) : TMemoPart(Memo, kPaintOrder) {
  // Proportional text is measured by the same routine that paints it.
  Memo.LayoutPart().SetLineMeasurer(this);
}

// Only the control destroys this part, after which its layout part measures nothing more.
TMemoPaintPart::~TMemoPaintPart() = default;

int TMemoPaintPart::TextAreaLeft() const {
  return Memo().TextArea().Left;
}

void TMemoPaintPart::FillContext(TCanvas& Canvas, bool Foreign) {
  TCustomSyntaxMemo& m = Memo();
  TPaintContext& c = ctx_;
  c.Sender = &m;
  c.Lines = m.Lines();
  c.Queries = m.Analysis();
  c.Color = m.Color();
  c.Font = m.Font();
  c.FixedPitch = m.FixedPitch();
  c.Cell = m.DefTextExt();
  c.Zoom = m.Zoom();
  c.ScreenPixelsPerInch = m.Host() ? m.Host()->PixelsPerInch() : 96;
  c.LineSpacing = m.LineSpacing();
  c.LineSpacingBefore = m.LineSpacingBefore();
  c.LineSpacingAfter = m.LineSpacingAfter();
  c.SelectionStyle = m.SelectionStyle();
  c.CurrentLineStyle = m.CurrentLineStyle();
  c.CollapseMarkStyle = m.CollapseMarkStyle();
  c.NonPrinted = m.NonPrinted();
  c.TabList = m.TabList();
  c.CollapseStyle = m.CollapseStyle();
  c.DisableFolding = m.DisableFolding();
  c.StaplePen = m.StaplePen();
  c.StapleOffset = m.StapleOffset();
  c.Options = m.Options();
  c.OptionsEx = m.OptionsEx();
  c.Charset = m.Charset();
  c.CharCase = m.CharCase();
  c.Transparent = m.Transparent();
  c.PreFilled = !Foreign && (!m.BackGround()->IsPlain() || m.DoubleBuffered());
  c.ForeignCanvas = Foreign;
  c.PrintOptions = m.PrintOptions();
  c.Focused = m.Focused();
  const TMemoSelection& sel = m.Selection();
  c.CaretLine = sel.CaretPos().Y;
  // A stream selection made while no mode was chosen shows as a normal one.
  c.SelMode = !sel.HaveSelection()            ? msNone
              : sel.SelectionMode() == msNone ? msNormal
                                              : sel.SelectionMode();
  c.SelStart = sel.SelStart();
  c.SelEnd = sel.SelEnd();
  const TRect& b = sel.BlockRect();
  c.Block = {b.Left, b.Right, b.Top, b.Bottom};
  c.Markers = markers_;

  FillSources();

  TUserRanges* user = m.UserRanges();
  c.GetLineStyle = nullptr;
  if (m.OnGetLineStyle)
    c.GetLineStyle = [&m](int Line, TSyntaxFormat*& S) { m.OnGetLineStyle(&m, Line, S); };
  c.LineHighLight = nullptr;
  if (m.OnLineHighLight)
    c.LineHighLight = [&m](int Line, bool& Sel, TColor& Bg, TColor& Fr) {
      m.OnLineHighLight(&m, Line, Sel, Bg, Fr);
    };
  c.UserLineHighlight = [user](int Line, TLineHighlightAttr& A) { user->LineHighlight(Line, A); };
  TMemoGutterPart* gutter = &m.GutterPart();
  c.GutterLineColors = [gutter](int Line, TLineHighlightAttr& A) { gutter->LineColors(Line, A); };
  c.DrawToken = nullptr;
  if (m.OnDrawToken)
    c.DrawToken = [&m](const TRect& R, TPoint P, int N) { m.OnDrawToken(&m, R, P, N); };
  c.DrawStaple = [&m](TCanvas& C, int X, TBlockStaple* S, int Level, bool Ends, bool Starts,
                      int Bottom,
                      int Top) { m.DrawStaple(C, X, S, Level, Ends, Starts, Bottom, Top); };
  c.DrawMarker = [&m](TCanvas& C, int X, int Y) { m.DrawMarker(C, X, Y); };
  c.DrawCustomBackground = [&m](TCanvas& C, const TRect& R, int Line) {
    return m.DrawCustomBackground(C, R, Line);
  };
  (void)Canvas;
}

void TMemoPaintPart::FillSources() {
  TCustomSyntaxMemo& m = Memo();
  TPaintContext& c = ctx_;
  c.Queries = m.Analysis();
  // Analysis, user ranges, the event, search marks, then the hooks of attached components and
  // of the text source.
  c.Sources.Queries = c.Queries;
  // The user ranges object lives as long as the control: its source is made once.
  if (!c.Sources.UserRanges) {
    TUserRanges* user = m.UserRanges();
    c.Sources.UserRanges = [user](int Pos, TStyleEntries& E) {
      return user->StyleEntriesAt(Pos, E);
    };
  }
  c.Sources.Sender = &m;
  c.Sources.OnGetStyleEntry = &m.OnGetStyleEntry;
  c.Sources.SearchMarks = &searchMarks_;
  c.Sources.SearchMarkStyle = m.SearchMarkStyle();
  hooks_.clear();
  for (int i = 0; i < m.PluginCount(); ++i)
    if (auto* h = dynamic_cast<ISyntMemoStyleHook*>(m.Plugins(i))) hooks_.push_back(h);
  if (auto* h = dynamic_cast<ISyntMemoStyleHook*>(static_cast<TComponent*>(m.TextSource())))
    hooks_.push_back(h);
  if (m.SyncEditPart().Active()) hooks_.push_back(m.SyncEditing());
  c.Sources.Hooks = hooks_;
}

int TMemoPaintPart::CollectStyleEntries(int Pos, TStyleEntries& Entries, bool WithLineStyles,
                                        unsigned Sources) {
  TCustomSyntaxMemo& m = Memo();
  // Only the sources: callers (exporters) ask once per run, and the full context measures.
  FillSources();
  int next =
      synt::CollectStyleEntries(ctx_.Sources, Pos, Entries, Sources, m.Lines()->TextLength());
  if (WithLineStyles) {
    const TSyntMemoStrings& lines = *m.Lines();
    const int line = lines.LineOfPos(Pos);
    const int from = lines.LineStart(line), to = from + lines.LineSpace(line);
    if (line == m.Selection().CaretPos().Y && m.CurrentLineStyle() &&
        m.CurrentLineStyle()->Enabled())
      Entries.emplace_back(from, to, m.CurrentLineStyle(), false);
    TSyntaxFormat* style = nullptr;
    if (m.OnGetLineStyle) m.OnGetLineStyle(&m, line, style);
    if (style) Entries.emplace_back(from, to, style, false);
  }
  return next;
}

TLineRows TMemoPaintPart::RowsOf(int Line) {
  TLineRows r;
  const TLineInfo& info = Memo().LayoutPart().Layout().GetLineInfo(Line);
  r.WrapPoints = info.WrapPoints();
  r.Heights.resize(size_t(info.RowCount()));
  const int fallback = ctx_.Cell.cy + ctx_.LineSpacing;
  for (int i = 0; i < info.RowCount(); ++i) {
    const int h = info.RowHeight(i);
    r.Heights[size_t(i)] = h > 0 ? h : fallback;
  }
  return r;
}

bool TMemoPaintPart::CollapseOf(int Line, TLineCollapse& Out) {
  if (ctx_.DisableFolding) return false;
  const TCollapsedRange* r = Memo().LayoutPart().Collapsed().ItemAtLine(Line);
  if (!r) return false;
  Out.StartPos = r->StartPos;
  Out.EndPos = r->EndPos;
  Out.CollapsedText = r->CollapsedText;
  return true;
}

void TMemoPaintPart::PaintBackground(TCanvas& Canvas, const TRect& Area) {
  TCustomSyntaxMemo& m = Memo();
  const TqxBackGround& bg = *m.BackGround();
  // The base style for no position: the editor colour under the lexer's default style.
  Canvas.Brush()->SetStyle(bsSolid);
  Canvas.Brush()->SetColor(m.Color());
  if (TSyntAnalyzer* lexer = m.CurrentLexer()) {
    TMergeFlags flags;
    ApplyFormat(Canvas, lexer->DefaultStyle(), m.FixedPitch(), flags);
  }
  bg.Paint(Canvas, Area);
}

TRect TMemoPaintPart::DrawSeparators(TCanvas& Canvas, int Line, TRect R, bool CollapsedPlain) {
  TCustomSyntaxMemo& m = Memo();
  auto hline = [&](int Y, const TPen* Pen, TColor Color) {
    if (Pen)
      Canvas.Pen()->Assign(Pen);
    else {
      Canvas.Pen()->SetStyle(psSolid);
      Canvas.Pen()->SetWidth(1);
    }
    if (Color != clNone) Canvas.Pen()->SetColor(Color);
    Canvas.MoveTo(R.Left, Y);
    Canvas.LineTo(R.Right, Y);
  };
  if (CollapsedPlain) {
    hline(R.Bottom - 1, nullptr, m.CollapseBreakColor());
    --R.Bottom;
    return R;
  }
  if (ctx_.Queries)
    if (TLineBreakRange* sep = ctx_.Queries->GetLineSeparator(Line))
      if (sep->Rule && (sep->Rule->UseCustomPen() || sep->Rule->Pen()->Color() != clNone)) {
        hline(R.Top, sep->Rule->Pen(), clNone);
        ++R.Top;
        return R;
      }
  const TColor user = m.UserRanges()->SeparatorColor(Line);
  if (user != clNone) {
    hline(R.Top, nullptr, user);
    ++R.Top;
  }
  return R;
}

void TMemoPaintPart::PaintLines(TCanvas& Canvas, const TRect& Clip, const TRect& GutterClip,
                                const TRect& Area) {
  TCustomSyntaxMemo& m = Memo();
  TMemoGutterPart& gutter = m.GutterPart();
  const int clipBottom =
      std::max(Clip.IsEmpty() ? 0 : Clip.Bottom, GutterClip.IsEmpty() ? 0 : GutterClip.Bottom);
  TLineLayout& layout = m.LayoutPart().Layout();
  const TSyntMemoStrings& lines = *m.Lines();
  const int count = m.MultiLine() ? lines.GetCount() : std::min(1, lines.GetCount());
  const TDisplayPos top = layout.TopPos();
  const int textLeft = Area.Left - m.ScrollPart().LeftCol() * ctx_.Cell.cx;
  int y = Area.Top;
  int row = top.Row;
  if (!GutterClip.IsEmpty()) {
    Canvas.SetClipRect(GutterClip);
    gutter.BeginPaint(Canvas, GutterClip.Top, GutterClip.Bottom);
    Canvas.SetClipRect(Clip);
  }
  for (int line = top.Line; line < count && y < clipBottom; ++line, row = 0) {
    if (!layout.LineVisible(line)) {
      // A fold may hide a million lines: jump past them.
      const int next = layout.NextVisibleLine(line);
      if (next <= line) break;
      line = next - 1;
      continue;
    }
    const TLineRows rows = RowsOf(line);
    int h = 0;
    for (size_t i = size_t(row); i < rows.Heights.size(); ++i) h += rows.Heights[i];
    const TRect lineRect{Area.Left, y, Area.Right, y + h};
    if (lineRect.Intersects(Clip)) {
      TLineCollapse fold;
      const bool folded = CollapseOf(line, fold);
      const bool plain = folded && m.CollapseStyle() == csLineSeparator;
      const TRect textRect = DrawSeparators(Canvas, line, lineRect, plain);
      Canvas.SetClipRect(textRect.Intersect(Clip));
      if (m.OnBeforeLineDraw) m.OnBeforeLineDraw(&m, textRect, line);
      painter_.PaintLine(Canvas, line, rows, row, textRect, textLeft, folded ? &fold : nullptr);
      if (m.OnAfterLineDraw) m.OnAfterLineDraw(&m, textRect, line);
      Canvas.SetClipRect(Clip);
      if (m.Options().Contains(soDrawCurLineFocus) && m.Focused() &&
          line == m.Selection().CaretPos().Y) {
        Canvas.Brush()->SetColor(clWindowFrame);
        Canvas.FrameRect(lineRect);
      }
      // The text margins' lines are drawn over all lines at once, after them (PaintMargins).
    }
    const TRect gutterRect = GutterClip.Intersect({0, y, GutterClip.Right, y + h});
    if (!gutterRect.IsEmpty()) {
      TGutterLineSpan span;
      span.Line = line;
      span.Top = y;
      span.Bottom = y + h;
      span.FirstRow = row;
      span.Rows = rows;
      Canvas.SetClipRect(gutterRect);
      gutter.PaintLine(Canvas, span, m.GetLineState(line));
      Canvas.SetClipRect(Clip);
    }
    y += h;
  }
  if (!GutterClip.IsEmpty() && y < GutterClip.Bottom) {
    Canvas.SetClipRect(GutterClip);
    gutter.PaintEmpty(Canvas, std::max(y, GutterClip.Top), GutterClip.Bottom);
    Canvas.SetClipRect(Clip);
  }
  gutter.EndPaint();
  // Below the text.
  const TRect rest{Area.Left, y, Area.Right, Area.Bottom};
  if (!rest.IsEmpty() && rest.Intersects(Clip) && !ctx_.PreFilled && !m.Transparent() &&
      !m.DrawCustomBackground(Canvas, rest, -1)) {
    Canvas.Brush()->SetStyle(bsSolid);
    Canvas.Brush()->SetColor(m.Color());
    Canvas.FillRect(rest);
  }
}

void TMemoPaintPart::AnalyseVisible(const TRect& Area) {
  // The tokens of the lines about to be drawn, so that no screen shows unhighlighted text while
  // the idle analysis has not reached it yet (a jump to the end analyses up to there).
  TClientSyntAnalyzer* client = Memo().SyntClient();
  if (!client || client->IsFinished()) return;
  TCustomSyntaxMemo& m = Memo();
  const TSyntMemoStrings& lines = *m.Lines();
  if (lines.GetCount() == 0) return;
  const int rows = Area.Height() / std::max(1, ctx_.Cell.cy) + 2;
  const TDisplayPos last = m.DisplayToLine(m.TopDisplayLine() + rows);
  const int line = std::min(last.Line, lines.GetCount() - 1);
  client->TryAppend(lines.LineStart(line) + lines.LineSpace(line));
}

void TMemoPaintPart::Paint(TCanvas& Canvas, const TRect& UpdateRect) {
  if (PaintSuspended()) return;
  TCustomSyntaxMemo& m = Memo();
  const TRect saved = Canvas.ClipRect();
  try {
    const TRect clip = UpdateRect.Intersect(saved);
    const TSize size = m.ClientSize();
    const int left = TextAreaLeft();
    const int top = m.TextArea().Top;
    // Transparency would repaint what lies beneath the text area first; the seam has no such
    // service, so a transparent editor simply leaves its cells unfilled.
    if (!m.Transparent() && m.TextMargin() > 0) {
      Canvas.Brush()->SetStyle(bsSolid);
      Canvas.Brush()->SetColor(m.Color());
      Canvas.FillRect(TRect{left - m.TextMargin(), top, left, size.cy}.Intersect(clip));
    }
    m.RulerPart().PaintRuler(Canvas, clip);
    const TRect area{left, top, std::max(left, size.cx), std::max(top, size.cy)};
    const TRect textClip = clip.Intersect(area);
    const int gutterWidth = m.GutterPart().GutterWidth();
    const TRect gutterClip = clip.Intersect({0, area.Top, gutterWidth, area.Bottom});
    if (textClip.IsEmpty() && gutterClip.IsEmpty()) return;
    Canvas.SetClipRect(textClip);
    FillContext(Canvas, false);
    AnalyseVisible(area);
    painter_.BeginPaint();
    if (ctx_.PreFilled && !textClip.IsEmpty()) PaintBackground(Canvas, area);
    PaintLines(Canvas, textClip, gutterClip, area);
    // The separator after the gutter's lines, which fill the gutter's whole width.
    if (!gutterClip.IsEmpty()) {
      Canvas.SetClipRect(gutterClip);
      m.GutterPart().PaintSeparator(Canvas, area.Top, area.Bottom);
      Canvas.SetClipRect(textClip);
    }
    m.RulerPart().PaintMargins(Canvas, textClip);
    m.CommandPart().PaintPreedit(Canvas);
    m.CaretPart().PaintCaret(Canvas);
    m.MousePart().PaintAutoScrollMark(Canvas);
    Canvas.SetClipRect(clip);
    m.GutterPart().PaintOverlay(Canvas, clip);
  } catch (...) {
    // The screen stays alive; the failure goes where the application shows its errors.
    Canvas.SetClipRect(saved);
    HandleApplicationException(std::current_exception());
    return;
  }
  Canvas.SetClipRect(saved);
}

int TMemoPaintPart::UnitAt(int Line, int Row, int X) {
  TCanvas& c = Memo().MeasureCanvas();
  FillContext(c, false);
  return painter_.UnitAt(c, Line, RowsOf(Line), Row, X);
}

int TMemoPaintPart::XOfUnit(int Line, int Unit, int& Row) {
  TCanvas& c = Memo().MeasureCanvas();
  FillContext(c, false);
  return painter_.XOfUnit(c, Line, RowsOf(Line), Unit, Row);
}

TSize TMemoPaintPart::MeasureForeignLine(TCanvas& Canvas, int Line, TSyntMemoPrintOptions Options) {
  FillContext(Canvas, true);
  ctx_.PrintOptions = Options;
  std::vector<int> edges;
  std::vector<std::pair<int, int>> heights;
  painter_.MeasureLine(Canvas, Line, edges, heights);
  int h = 0;
  for (const auto& run : heights) h = std::max(h, run.second);
  if (h <= 0) h = ctx_.Cell.cy;
  h += ctx_.LineSpacing + ctx_.LineSpacingBefore + ctx_.LineSpacingAfter;
  return {edges.empty() ? 0 : edges.back(), h};
}

void TMemoPaintPart::PaintForeignLine(TCanvas& Canvas, int Line, TSyntMemoPrintOptions Options,
                                      const TRect& Rect) {
  FillContext(Canvas, true);
  ctx_.PrintOptions = Options;
  TLineRows rows;
  rows.Heights = {Rect.Height()};
  const TRect saved = Canvas.ClipRect();
  Canvas.SetClipRect(Rect.Intersect(saved));
  // The whole line, also where a nested block is collapsed: it was measured so.
  painter_.PaintLine(Canvas, Line, rows, 0, Rect, Rect.Left, nullptr);
  Canvas.SetClipRect(saved);
}

void TMemoPaintPart::MeasureLine(int Line, TLineMeasure& Out) {
  TCanvas& c = Memo().MeasureCanvas();
  FillContext(c, false);
  painter_.MeasureLine(c, Line, Out.Edges, Out.RunHeights);
}

void TMemoPaintPart::TextChanged(int Pos, int Count, int LineChange) {
  // Search marks move with the text; marks inside deleted text go.
  if (Pos < 0) {
    searchMarks_.Clear();
    return;
  }
  TRangeList<TRange> moved(true);
  for (const TRange& r : searchMarks_) {
    TRange n = r;
    if (Count < 0) {
      const int delEnd = Pos - Count;
      auto map = [&](int p) { return p <= Pos ? p : (p >= delEnd ? p + Count : Pos); };
      n.StartPos = map(r.StartPos);
      n.EndPos = map(r.EndPos);
    } else {
      if (n.StartPos >= Pos) n.StartPos += Count;
      if (n.EndPos > Pos) n.EndPos += Count;
    }
    if (n.EndPos > n.StartPos) moved.Add(n);
  }
  searchMarks_ = std::move(moved);
  (void)LineChange;
}

// ---- The control's painting block ---------------------------------------------------------------

void TCustomSyntaxMemo::Paint(TCanvas& Canvas, const TRect& UpdateRect) {
  paintPart_.Paint(Canvas, UpdateRect);
}

int TCustomSyntaxMemo::CollectStyleEntries(int Pos, TStyleEntries& Entries, bool WithLineStyles,
                                           unsigned Sources) {
  return paintPart_.CollectStyleEntries(Pos, Entries, WithLineStyles, Sources);
}

bool TCustomSyntaxMemo::DrawCustomBackground(TCanvas&, const TRect&, int) {
  return false;
}

void TCustomSyntaxMemo::DrawStaple(TCanvas& Canvas, int X, TBlockStaple* Staple, int Level,
                                   bool EndsHere, bool StartsHere, int Bottom, int Top) {
  if (Staple && Staple->Rule && Staple->Rule->UseCustomPen())
    Canvas.Pen()->Assign(Staple->Rule->Pen());
  else
    Canvas.Pen()->Assign(StaplePen());
  if (OnBeforeDrawStaple) OnBeforeDrawStaple(this, &Canvas, Staple, Level);
  TPen pen;
  pen.Assign(Canvas.Pen());
  // On a foreign canvas or zoomed, widths and lengths follow the canvas font's resolution.
  const int screen = Host() ? Host()->PixelsPerInch() : 96;
  const double scale = double(Canvas.Font()->PixelsPerInch()) / std::max(1, screen);
  DrawStapleLine(Canvas, pen, X, EndsHere, StartsHere, Bottom, Top, scale);
}

void TCustomSyntaxMemo::DrawMarker(TCanvas& Canvas, int X, int Y) {
  DrawMarkerTriangle(Canvas, X, Y);
}

}  // namespace synt
