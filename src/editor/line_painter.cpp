#include "editor/line_painter.h"

#include "editor/line_walk.h"

#include <algorithm>
#include <cmath>

#include "analysis/syntax_analyzer.h"
#include "editor/display_columns.h"
#include "editor/line_layout.h"
#include "lists/char_utils.h"

namespace synt {

namespace {

// Runs are cut so that a long line of one style is measured and drawn in bounded pieces.
constexpr int kMaxRun = 256;
// Past an italic run's end, the strip its overhang may reach.
constexpr int kItalicStrip = 6;

bool IsBlank(char16_t C) {
  return C == u' ' || C == u'\t';
}

// Runs reach the cell arithmetic with their tabs already expanded.
const std::function<int(int, bool)> kNoTabs = [](int Column, bool) { return Column + 1; };

char16_t ToggleCase(char16_t C) {
  const char16_t up = CharUpper(C);
  return up != C ? up : CharLower(C);
}

TColor BrushColor(TCanvas& C) {
  return C.Brush()->Style() == bsClear ? clNone : C.Brush()->Color();
}

}  // namespace

// ---- Text transforms ----------------------------------------------------------------------------

void TransformRunText(std::u16string_view Line, size_t From, size_t Count, int StartColumn,
                      const TTabList* Tabs, bool AllowZeroTab, bool CorrectNonPrinted,
                      TCharCase CharCase, TRunText& Out) {
  Out.Text.clear();
  Out.Map.resize(Count + 1);
  int col = StartColumn;
  for (size_t k = 0; k < Count; ++k) {
    const size_t i = From + k;
    Out.Map[k] = int(Out.Text.size());
    char16_t c = Line[i];
    if (c == u'\t') {
      // The column rule shared with the layout and the selection; blanks fill up to the stop.
      const int stop = AdvanceColumn(Line, i, col, Tabs, AllowZeroTab);
      Out.Text.append(size_t(stop - col), u' ');
      col = stop;
      continue;
    }
    // Separator controls show as blanks: the cell stays, so the caret and the columns agree
    // with what is drawn.
    if (CorrectNonPrinted && c >= 28 && c <= 31) c = u' ';
    if (CharCase == ecUpperCase)
      c = CharUpper(c);
    else if (CharCase == ecLowerCase)
      c = CharLower(c);
    Out.Text.push_back(c);
    col = AdvanceColumn(Line, i, col, Tabs, AllowZeroTab);
  }
  Out.Map[Count] = int(Out.Text.size());
  Out.Column = col;
}

void TransformRunText(std::u16string_view Source, int StartColumn, const TTabList* Tabs,
                      bool CorrectNonPrinted, TCharCase CharCase, TRunText& Out) {
  TransformRunText(Source, 0, Source.size(), StartColumn, Tabs, false, CorrectNonPrinted, CharCase,
                   Out);
}

void ApplyChangeCase(const TStyleEntries& Entries, int RunStart, TRunText& Run) {
  for (const TStyleEntry& e : Entries) {
    if (!e.Style || !e.Style->Enabled()) continue;
    switch (e.Style->ChangeCase()) {
      case ccNone:
        break;
      case ccUpper:
        for (char16_t& c : Run.Text) c = CharUpper(c);
        break;
      case ccLower:
        for (char16_t& c : Run.Text) c = CharLower(c);
        break;
      case ccToggle:
        for (char16_t& c : Run.Text) c = ToggleCase(c);
        break;
      case ccTitle:
        if (e.StartPos == RunStart && !Run.Text.empty()) Run.Text[0] = CharUpper(Run.Text[0]);
        break;
    }
  }
}

// ---- Markers and borders ------------------------------------------------------------------------

void DrawMarkerTriangle(TCanvas& Canvas, int X, int Y) {
  const TColor saved = Canvas.Brush()->Color();
  const TBrushStyle savedStyle = Canvas.Brush()->Style();
  Canvas.Brush()->SetStyle(bsSolid);
  Canvas.Brush()->SetColor(clRed);
  Canvas.Pen()->SetColor(clBlack);
  Canvas.Pen()->SetStyle(psSolid);
  Canvas.Polygon({{X - 4, Y}, {X + 4, Y}, {X, Y - 4}});
  Canvas.Brush()->SetColor(saved);
  Canvas.Brush()->SetStyle(savedStyle);
}

void DrawBorderSide(TCanvas& Canvas, const TRect& R, int Side, TBorderLineType Type, TColor Color) {
  const int w = BorderThickness(Type);
  if (w <= 0 || R.IsEmpty()) return;
  const bool vertical = Side == 0 || Side == 2;
  // The line's centre, inset by half its width from the side.
  int c;
  switch (Side) {
    case 0:
      c = R.Left + w / 2;
      break;
    case 1:
      c = R.Top + w / 2;
      break;
    case 2:
      c = R.Right - 1 - w / 2;
      break;
    default:
      c = R.Bottom - 1 - w / 2;
      break;
  }
  const int a = vertical ? R.Top : R.Left, b = vertical ? R.Bottom : R.Right;
  auto pt = [&](int along, int across) {
    return vertical ? TPoint{across, along} : TPoint{along, across};
  };
  TPen& pen = *Canvas.Pen();
  pen.SetColor(Color);
  pen.SetMode(pmCopy);
  switch (Type) {
    case blWavyLine: {
      // A zigzag of period 4 across the two pixels of the line.
      pen.SetStyle(psSolid);
      pen.SetWidth(1);
      std::vector<TPoint> pts;
      for (int p = a, k = 0; p <= b; p += 2, ++k)
        pts.push_back(pt(std::min(p, b), c - 1 + (k & 1)));
      Canvas.Polyline(pts);
      return;
    }
    case blDouble: {
      // Two one-pixel lines at the outer edges of the three-pixel band.
      pen.SetStyle(psSolid);
      pen.SetWidth(1);
      for (int off : {-1, 1}) {
        Canvas.MoveTo(pt(a, c + off).X, pt(a, c + off).Y);
        Canvas.LineTo(pt(b, c + off).X, pt(b, c + off).Y);
      }
      return;
    }
    case blDash:
      pen.SetStyle(psDash);
      break;
    case blDot:
      pen.SetStyle(psDot);
      break;
    case blDashDot:
      pen.SetStyle(psDashDot);
      break;
    case blDashDotDot:
      pen.SetStyle(psDashDotDot);
      break;
    default:
      pen.SetStyle(psSolid);
      break;
  }
  pen.SetWidth(w);
  Canvas.MoveTo(pt(a, c).X, pt(a, c).Y);
  Canvas.LineTo(pt(b, c).X, pt(b, c).Y);
}

// ---- The walk -----------------------------------------------------------------------------------

void TLinePainter::BeginPaint() {}

void TLinePainter::ForgetStaples() {
  staples_ = {};
}

int TLinePainter::BlankWidth(TWalk& W) {
  int w = ctx_->FixedPitch ? ctx_->Cell.cx : W.C->TextWidth(u" ");
  return w > 0 ? w : 16;
}

void TLinePainter::PrepareLine(TWalk& W) {
  const TPaintContext& c = *ctx_;
  W.Text = c.Lines->TextView();
  W.LineStart = c.Lines->LineStart(W.Line);
  W.LineEnd = W.LineStart + c.Lines->LineLength(W.Line);
  W.VisEnd = W.LineEnd;
  W.BreakLine = W.Line;
  W.Own = !c.ForeignCanvas;
  W.SelVisible = W.Own && (c.Focused || !c.Options.Contains(soHideSelection));
  W.Dynamic = W.SelVisible && c.Queries && (c.Focused || !c.Options.Contains(soHideDynamic));
  W.TransparentCells =
      W.Own ? c.Transparent : (!c.PrintOptions.Contains(mpBackColor) || c.Transparent);
  W.CaretLine = W.Own && W.Line == c.CaretLine;

  // The collapse text, and where the visible text stops for it.
  if (W.Collapse && !c.DisableFolding) {
    switch (c.CollapseStyle) {
      case csLineSeparator:
        break;
      case csRegionName:
        W.CollapseText = W.Collapse->CollapsedText.empty() ? u"..." : W.Collapse->CollapsedText;
        W.HasCollapseText = true;
        break;
      case csNameWhenDefined:
        W.CollapseText = W.Collapse->CollapsedText;
        W.HasCollapseText = !W.CollapseText.empty();
        break;
      case csEndEllipsis:
        W.CollapseText = u"...";
        W.HasCollapseText = true;
        break;
    }
    if (W.HasCollapseText) W.VisEnd = std::clamp(W.Collapse->StartPos, W.LineStart, W.LineEnd);
  }

  // The selection on this line.
  W.BlockHere = c.SelMode == msColumn && W.Line >= c.Block.Top && W.Line <= c.Block.Bottom &&
                c.Block.Left < c.Block.Right;
  if (W.BlockHere) {
    // Display columns to character indexes of this line.
    const std::u16string_view t =
        W.Text.substr(size_t(W.LineStart), size_t(W.LineEnd - W.LineStart));
    const bool zeroTab = c.OptionsEx.Contains(soAllowZeroTab);
    auto charOf = [&](int Col) { return ColumnToUnit(t, Col, c.TabList, zeroTab); };
    W.SelS = W.LineStart + charOf(c.Block.Left);
    W.SelE = W.LineStart + charOf(c.Block.Right);
  } else if (c.SelMode != msNone && c.SelMode != msColumn && c.SelStart < c.SelEnd) {
    W.SelS = std::max(c.SelStart, W.LineStart);
    W.SelE = c.SelEnd;  // may lie beyond the line when the selection goes on
    if (W.SelS > W.LineEnd || W.SelE <= W.LineStart) W.SelS = W.SelE = -1;
  }

  // Staples (own canvas or printing with them), markers, line colours, the line style.
  LineStaples(W);
  W.StapleNext = 0;
  W.Markers.clear();
  if (W.Own)
    for (const TPaintMarker& m : c.Markers) {
      TPaintMarker mk = m;
      if (c.Options.Contains(soFloatMarkers)) {
        if (m.Offset < W.LineStart || m.Offset > W.LineEnd) continue;
        mk.Column = m.Offset - W.LineStart;
      } else if (m.Line != W.Line) {
        continue;
      }
      W.Markers.push_back(mk);
    }
  W.Hl1 = {};
  W.Hl2 = {};
  if ((W.Own || c.PrintOptions.Contains(mpLineHighlight)) && W.Mode != TWalkMode::Measure) {
    if (c.Queries) {
      bool invert = false;
      c.Queries->GetLineHighlight(W.Line, W.Dynamic, invert, W.Hl1.frColor, W.Hl1.bgColor);
      W.Hl1.Selected = invert;
    }
    if (c.UserLineHighlight) c.UserLineHighlight(W.Line, W.Hl1);
    if (c.GutterLineColors) c.GutterLineColors(W.Line, W.Hl2);
    if (c.LineHighLight) c.LineHighLight(W.Line, W.Hl2.Selected, W.Hl2.bgColor, W.Hl2.frColor);
  }
  W.LineStyle = nullptr;
  if (c.GetLineStyle) c.GetLineStyle(W.Line, W.LineStyle);
}

void TLinePainter::Apply(TWalk& W, const TSyntaxFormat* Style) {
  if (!Style || !Style->Enabled()) return;
  ApplyFormat(*W.C, Style, ctx_->FixedPitch, W.Flags);
  if (ctx_->OnRun) W.Applied.push_back(Style);
}

void TLinePainter::ApplyBase(TWalk& W, int Pos) {
  const TPaintContext& c = *ctx_;
  TCanvas& C = *W.C;
  if (c.Font) C.Font()->Assign(c.Font);
  C.Brush()->SetStyle(bsSolid);
  C.Brush()->SetColor(c.Color);
  W.Flags = {};
  W.Applied.clear();
  if (c.Queries)
    if (TSyntAnalyzer* lexer = c.Queries->AnalyzerAtPos(Pos)) Apply(W, lexer->DefaultStyle());
  if (W.Own && c.PreFilled) C.Brush()->SetColor(clNone);
}

int TLinePainter::MergeAt(TWalk& W, int Pos, bool EolPhase, bool InCollapse,
                          TStyleEntries& Entries) {
  const TPaintContext& c = *ctx_;
  TCanvas& C = *W.C;
  const bool painting = W.Mode != TWalkMode::Measure;
  ApplyBase(W, Pos);
  if (W.Own && painting) W.Hl1.ApplyTo(&C, false);
  int next = int(W.Text.size());
  if (InCollapse) {
    Apply(W, c.CollapseMarkStyle);
    Entries.emplace_back(Pos, Pos + 1, c.CollapseMarkStyle, false);
  } else {
    unsigned mask;
    if (W.Own)
      mask = W.Dynamic ? 0xFF : 0xF7;
    else
      mask = c.PrintOptions.Contains(mpBlockHighlight) ? 0x37 : 0x34;
    next = CollectStyleEntries(c.Sources, Pos, Entries, mask, int(W.Text.size()));
    for (const TStyleEntry& e : Entries)
      if (!e.Overlay) Apply(W, e.Style);
    if (W.Flags.Hidden && W.Own && c.NonPrinted && c.NonPrinted->Visible()) {
      // Hidden text is shown in the non-printed look instead of being left out.
      W.Flags.Hidden = false;
      if (c.NonPrinted->UseFont())
        C.Font()->Assign(c.NonPrinted->Font());
      else if (c.NonPrinted->Color() != clNone)
        C.Font()->SetColor(c.NonPrinted->Color());
    }
    Apply(W, W.LineStyle);
    if (W.CaretLine) Apply(W, c.CurrentLineStyle);
    if (W.Own && painting) W.Hl2.ApplyTo(&C, false);
    for (const TStyleEntry& e : Entries)
      if (e.Overlay) Apply(W, e.Style);
    // Line-wide styles take part in borders over the line and the two cells after it.
    const int lineSpanEnd = W.LineEnd + 2;
    if (W.CaretLine && c.CurrentLineStyle && c.CurrentLineStyle->Enabled())
      Entries.emplace_back(W.LineStart, lineSpanEnd, c.CurrentLineStyle, false);
    if (W.LineStyle) Entries.emplace_back(W.LineStart, lineSpanEnd, W.LineStyle, false);
  }
  if (C.Brush()->Color() == clNone) C.Brush()->SetStyle(bsClear);
  // The selection, while painting or hit-testing the text itself.
  if (painting && !EolPhase && !W.Flags.Hidden && W.SelVisible && W.SelS >= 0) {
    if (Pos >= W.SelS && Pos < W.SelE) {
      Apply(W, c.SelectionStyle);
      if (C.Brush()->Style() == bsClear && c.SelectionStyle &&
          c.SelectionStyle->BgColor() != clNone)
        C.Brush()->SetStyle(bsSolid);
      Entries.emplace_back(W.SelS, W.SelE, c.SelectionStyle, false);
      W.Hl1.ApplyTo(&C, true);
      W.Hl2.ApplyTo(&C, true);
    }
    if (W.SelS > Pos && W.SelS < next) next = W.SelS;
    if (W.SelE > Pos && W.SelE < next) next = W.SelE;
  }
  if (W.Own && c.Zoom != 100) {
    const int size = C.Font()->Size();
    C.Font()->SetPixelsPerInch(int(std::lround(c.ScreenPixelsPerInch * c.Zoom / 100.0)));
    C.Font()->SetSize(size);
  }
  if (!W.Own && C.Brush()->Style() != bsClear && C.Brush()->Color() == c.Color)
    C.Brush()->SetStyle(bsClear);
  return next;
}

// ---- Rows and runs ------------------------------------------------------------------------------

void TLinePainter::Walk(TWalk& W) {
  PrepareLine(W);
  const TPaintContext& c = *ctx_;
  const bool measuring = W.Mode == TWalkMode::Measure;
  W.Row = measuring ? 0 : W.FirstRow;
  W.RowTop = W.Rect.Top;
  W.X = W.TextLeft;
  const std::vector<int>* wraps = measuring ? nullptr : &W.Rows->WrapPoints;
  W.Pos = W.LineStart;
  if (W.Row > 0 && wraps && size_t(W.Row - 1) < wraps->size())
    W.Pos = std::min(W.LineStart + (*wraps)[size_t(W.Row - 1)], W.VisEnd);
  // The display column where drawing starts (tabs before it expanded).
  {
    TRunText before;
    TransformRunText(W.Text.substr(size_t(W.LineStart), size_t(W.Pos - W.LineStart)), 0,
                     size_t(W.Pos - W.LineStart), 0, c.TabList,
                     c.OptionsEx.Contains(soAllowZeroTab),
                     c.OptionsEx.Contains(soCorrectNonPrinted), ecNormal, before);
    W.Column = before.Column;
  }
  for (;;) {
    int rowEnd = W.VisEnd;
    if (wraps && size_t(W.Row) < wraps->size())
      rowEnd = std::min(W.VisEnd, W.LineStart + (*wraps)[size_t(W.Row)]);
    W.RowStart = W.Pos;
    W.RowX.assign(1, W.X);
    WalkRow(W, rowEnd);
    if (W.Stop || W.Row == W.TargetRow) return;
    if (rowEnd >= W.VisEnd) break;
    if (W.Mode == TWalkMode::Paint) RowEnd(W, rowEnd);
    const int h = size_t(W.Row) < W.Rows->Heights.size() ? W.Rows->Heights[size_t(W.Row)]
                                                         : c.Cell.cy + c.LineSpacing;
    ++W.Row;
    W.RowTop += h;
    W.X = W.TextLeft;
    if (W.Mode == TWalkMode::Paint && W.RowTop >= W.Rect.Bottom) return;
  }
  if (W.Mode != TWalkMode::Paint) return;
  if (W.HasCollapseText) DrawCollapseText(W);
  LineEnd(W);
}

void TLinePainter::WalkRow(TWalk& W, int RowEndPos) {
  const TPaintContext& c = *ctx_;
  const bool wraps = W.Mode != TWalkMode::Measure && !W.Rows->WrapPoints.empty();
  while (W.Pos < RowEndPos) {
    W.Entries.clear();
    const int next = MergeAt(W, W.Pos, false, false, W.Entries);
    TRun& r = W.Run;
    r.TextHeight = 0;
    r.Start = W.Pos;
    r.Len = std::clamp(next - W.Pos, 1, std::min(RowEndPos - W.Pos, kMaxRun));
    std::u16string_view src = W.Text.substr(size_t(W.Pos), size_t(r.Len));
    if (W.StapleNext < W.Staples.size() && IsBlank(src[0])) {
      // In the leading blanks the staples are placed, so that run stops at the first letter.
      size_t n = 1;
      while (n < src.size() && IsBlank(src[n])) ++n;
      r.Len = int(n);
    }
    if (c.OptionsEx.Contains(soExtractAnsiParts)) {
      const bool ascii = src[0] < 128;
      int n = 1;
      while (n < r.Len && (src[size_t(n)] < 128) == ascii) ++n;
      r.Len = n;
      if (ascii && c.Charset != DEFAULT_CHARSET) W.C->Font()->SetCharset(c.Charset);
    }
    src = src.substr(0, size_t(r.Len));
    // The line from its start: a tab's width depends on what comes before it.
    const std::u16string_view line =
        W.Text.substr(size_t(W.LineStart), size_t(W.LineEnd - W.LineStart));
    TransformRunText(line, size_t(W.Pos - W.LineStart), src.size(), W.Column, c.TabList,
                     c.OptionsEx.Contains(soAllowZeroTab),
                     c.OptionsEx.Contains(soCorrectNonPrinted), c.CharCase, r.Out);
    ApplyChangeCase(W.Entries, r.Start, r.Out);
    r.Hidden = W.Flags.Hidden;
    if (r.Hidden) {
      r.Edges.assign(r.Out.Text.size() + 1, 0);
    } else if (c.FixedPitch) {
      // The layout's cell arithmetic (clusters, wide characters), so that both agree.
      MeasureFixedPitch(r.Out.Text, c.Cell.cx, false, kNoTabs, W.Cells);
      r.Edges.resize(r.Out.Text.size() + 1);
      r.Edges[0] = 0;
      std::copy(W.Cells.begin(), W.Cells.end(), r.Edges.begin() + 1);
      r.TextHeight = c.Cell.cy;
    } else {
      W.C->MeasureUnits(r.Out.Text, r.Edges);
      r.TextHeight = W.C->TextHeight(r.Out.Text);
    }
    r.Width = r.Edges.back();
    // Staples whose place x has reached are drawn; the first letter ends them.
    if (W.Mode == TWalkMode::Paint && W.StapleNext < W.Staples.size()) {
      DrawStaples(W, W.X, false);
      if (!IsBlank(src[0])) W.StapleNext = W.Staples.size();
    }
    if (W.Mode == TWalkMode::Paint) DrawRun(W, r);
    if (W.RunHeights && !r.Hidden) W.RunHeights->emplace_back(r.Start - W.LineStart, r.TextHeight);
    for (int i = 1; i <= r.Len; ++i) W.RowX.push_back(W.X + r.UnitX(i));
    W.X += r.Width;
    W.Pos += r.Len;
    W.Column = r.Out.Column;
    if (W.Mode == TWalkMode::Paint && W.StapleNext < W.Staples.size()) DrawStaples(W, W.X, false);
    if (W.Mode == TWalkMode::Paint && !wraps && W.X > W.C->ClipRect().Right) {
      // Nothing further shows: close the borders at x and stop.
      DrawRunBorders(W, W.Entries, {W.X, W.RowTop, W.X, W.RowTop + c.Cell.cy}, W.Pos, W.Pos, false);
      W.Stop = true;
      return;
    }
  }
}

void TLinePainter::FillCell(TWalk& W, const TRect& R) {
  TCanvas& C = *W.C;
  if (C.Brush()->Style() == bsClear || R.IsEmpty()) return;
  // Printing without background colours fills nothing at all.
  if (!W.Own && !ctx_->PrintOptions.Contains(mpBackColor)) return;
  if (W.TransparentCells && C.Brush()->Color() == ctx_->Color) return;
  C.FillRect(R);
}

void TLinePainter::DrawRun(TWalk& W, TRun& R) {
  const TPaintContext& c = *ctx_;
  TCanvas& C = *W.C;
  const int rowH = size_t(W.Row) < W.Rows->Heights.size() ? W.Rows->Heights[size_t(W.Row)]
                                                          : c.Cell.cy + c.LineSpacing;
  const bool lastRow = size_t(W.Row) >= W.Rows->WrapPoints.size();
  const int before = W.Row == 0 ? c.LineSpacingBefore : 0;
  const int h = rowH - c.LineSpacing - (lastRow ? c.LineSpacingAfter : 0) - before;
  const TRect cell{W.X, W.RowTop, W.X + R.Width, W.RowTop + rowH};
  if (!R.Hidden) {
    int y = W.RowTop + before;
    if (W.Flags.VertAlignment == vaCenter)
      y += (h - R.TextHeight) / 2;
    else if (W.Flags.VertAlignment == vaBottom)
      y += h - R.TextHeight;
    if (c.OnRun) c.OnRun(W.Line, R.Start - W.LineStart, R.Len, R.Out.Text, cell, W.Applied, C);
    const TColor bg = BrushColor(C);
    const bool stripOk = W.Own && !c.PreFilled && !W.TransparentCells && bg != clNone;
    const std::u16string_view src = W.Text.substr(size_t(R.Start), size_t(R.Len));
    TRect fill = cell;
    if (W.StripPending && stripOk && IsBlank(src[0]) && bg == W.StripColor)
      fill.Left = std::min(fill.Right, fill.Left + kItalicStrip);  // keep the overhang
    W.StripPending = false;
    FillCell(W, fill);
    const int after = R.Start + R.Len;
    // Only slanted text reaches past its cell; upright text needs no strip.
    if (stripOk && C.Font()->Style().Contains(fsItalic) && !IsBlank(src.back()) &&
        after < W.LineEnd && IsBlank(W.Text[size_t(after)])) {
      FillCell(W, {cell.Right, cell.Top, cell.Right + kItalicStrip, cell.Bottom});
      W.StripPending = true;
      W.StripColor = bg;
    }
    if (cell.Intersects(C.ClipRect()) || R.Width == 0) {
      const TBrushStyle style = C.Brush()->Style();
      C.Brush()->SetStyle(bsClear);
      C.TextOut(W.X, y, R.Out.Text);
      C.Brush()->SetStyle(style);
    }
    if (c.NonPrinted && c.NonPrinted->Visible() && W.Own) DrawNonPrinted(W, R);
  }
  DrawRunBorders(W, W.Entries, cell, R.Start, R.Start + R.Len, false);
  if (!W.Markers.empty())
    DrawMarkers(W, R.Start - W.LineStart, R.Start - W.LineStart + R.Len, W.X, &R);
  if (c.DrawToken) c.DrawToken(cell, {R.Start - W.LineStart, W.Line}, R.Len);
}

void TLinePainter::DrawNonPrinted(TWalk& W, const TRun& R) {
  const TPaintContext& c = *ctx_;
  const TNonPrinted& np = *c.NonPrinted;
  TCanvas& C = *W.C;
  const TBrushStyle style = C.Brush()->Style();
  C.Brush()->SetStyle(bsClear);
  if (np.UseFont())
    C.Font()->Assign(np.Font());
  else if (np.Color() != clNone)
    C.Font()->SetColor(np.Color());
  const int th = c.FixedPitch ? c.Cell.cy : C.TextHeight(u" ");
  const int y =
      W.RowTop + (W.Row == 0 ? c.LineSpacingBefore : 0) + std::max(0, (R.TextHeight - th) / 2);
  int col = W.Column;
  for (int i = 0; i < R.Len; ++i) {
    const char16_t ch = W.Text[size_t(R.Start + i)];
    const int x = W.X + R.UnitX(i);
    if (ch == u'\t') {
      const int stop = NextTabStop(c.TabList, col);
      if (stop > col) C.TextOut(x, y, std::u16string(1, TNonPrinted::Glyph(np.TabChar())));
      col = std::max(stop, col + 1);
    } else {
      if (ch == u' ') C.TextOut(x, y, std::u16string(1, TNonPrinted::Glyph(np.SpaceChar())));
      ++col;
    }
  }
  C.Brush()->SetStyle(style);
}

void TLinePainter::DrawRunBorders(TWalk& W, const TStyleEntries& Entries, const TRect& Rect,
                                  int RunStart, int RunEnd, bool Closing) {
  TCanvas& C = *W.C;
  const int rowEndX = W.Rect.Right;
  for (const TStyleEntry& e : Entries) {
    const TSyntaxFormat* s = e.Style;
    if (!HasBorders(s)) continue;
    const bool multi = s->MultiLineBorder();
    const bool startsOnRow = e.StartPos >= W.RowStart;
    if (e.StartPos == RunStart || (multi && Rect.Left == W.TextLeft))
      DrawBorderSide(C, Rect, 0, s->BorderTypeLeft(), s->BorderColorLeft());
    if (e.EndPos == RunEnd || (multi && Rect.Right >= rowEndX))
      DrawBorderSide(C, Rect, 2, s->BorderTypeRight(), s->BorderColorRight());
    const bool endsHere = e.EndPos <= RunEnd;
    if (!endsHere && !Closing) break;  // the entry's top and bottom are drawn where it ends
    int x0 = W.TextLeft;
    if (startsOnRow) {
      const size_t i = size_t(e.StartPos - W.RowStart);
      x0 = i < W.RowX.size() ? W.RowX[i] : Rect.Left;
    }
    const TRect span{x0, Rect.Top, Rect.Right, Rect.Bottom};
    // A multi-line entry boxes its rows as one: top on its first row, bottom on its last.
    if (!multi || startsOnRow) DrawBorderSide(C, span, 1, s->BorderTypeTop(), s->BorderColorTop());
    if (!multi || endsHere)
      DrawBorderSide(C, span, 3, s->BorderTypeBottom(), s->BorderColorBottom());
  }
}

void TLinePainter::DrawMarkers(TWalk& W, int FromCol, int ToCol, int X, const TRun* Run) {
  const TPaintContext& c = *ctx_;
  const int rowH = size_t(W.Row) < W.Rows->Heights.size() ? W.Rows->Heights[size_t(W.Row)]
                                                          : c.Cell.cy + c.LineSpacing;
  for (const TPaintMarker& m : W.Markers) {
    int x;
    if (Run) {
      if (m.Column < FromCol || m.Column >= ToCol) continue;
      x = X + Run->UnitX(m.Column - FromCol);
    } else {
      if (m.Column < FromCol) continue;
      x = X + (m.Column - FromCol) * c.Cell.cx;
    }
    if (c.DrawMarker)
      c.DrawMarker(*W.C, x, W.RowTop + rowH);
    else
      DrawMarkerTriangle(*W.C, x, W.RowTop + rowH);
  }
}

void TLinePainter::RowEnd(TWalk& W, int WrapPos) {
  const TPaintContext& c = *ctx_;
  W.Entries.clear();
  MergeAt(W, WrapPos, true, false, W.Entries);
  if (W.SelVisible && W.SelS >= 0 && WrapPos > W.SelS && WrapPos < W.SelE) {
    ApplyFormat(*W.C, c.SelectionStyle, c.FixedPitch, W.Flags);
    W.C->Brush()->SetStyle(bsSolid);
  }
  const int rowH = size_t(W.Row) < W.Rows->Heights.size() ? W.Rows->Heights[size_t(W.Row)]
                                                          : c.Cell.cy + c.LineSpacing;
  const TRect rest{W.X, W.RowTop, W.Rect.Right, W.RowTop + rowH};
  if (!W.TransparentCells) FillCell(W, rest);
  DrawRunBorders(W, W.Entries, rest, WrapPos, WrapPos, true);
}

void TLinePainter::DrawCollapseText(TWalk& W) {
  const TPaintContext& c = *ctx_;
  TCanvas& C = *W.C;
  const int cp = W.VisEnd;
  W.Entries.clear();
  const bool savedDynamic = W.Dynamic;
  W.Dynamic = false;
  MergeAt(W, cp, true, true, W.Entries);
  W.Dynamic = savedDynamic;
  if (c.SelMode == msNormal && W.SelS >= 0 && cp >= W.SelS && cp < W.SelE) {
    Apply(W, c.SelectionStyle);
    C.Brush()->SetStyle(bsSolid);
  }
  const int rowH = size_t(W.Row) < W.Rows->Heights.size() ? W.Rows->Heights[size_t(W.Row)]
                                                          : c.Cell.cy + c.LineSpacing;
  const int w = c.FixedPitch ? int(W.CollapseText.size()) * c.Cell.cx : C.TextWidth(W.CollapseText);
  const int th = c.FixedPitch ? c.Cell.cy : C.TextHeight(W.CollapseText);
  const TRect cell{W.X, W.RowTop, W.X + w, W.RowTop + rowH};
  if (c.OnRun) c.OnRun(W.Line, cp - W.LineStart, 0, W.CollapseText, cell, W.Applied, C);
  FillCell(W, cell);
  C.Brush()->SetStyle(bsClear);
  const int before = W.Row == 0 ? c.LineSpacingBefore : 0;
  C.TextOut(W.X, W.RowTop + before + std::max(0, (rowH - c.LineSpacing - before - th) / 2),
            W.CollapseText);
  const size_t rowXSize = W.RowX.size();
  W.RowX.push_back(cell.Right);  // the collapse mark counts as the one unit at cp
  W.RowStart = std::min(W.RowStart, cp);
  DrawRunBorders(W, W.Entries, cell, cp, cp + 1, false);
  W.RowX.resize(rowXSize);
  W.X = cell.Right;
  if (c.CollapseStyle == csEndEllipsis && W.Collapse) {
    // The tail of the block's last line follows the ellipsis.
    const int tailLine = c.Lines->LineOfPos(std::min(W.Collapse->EndPos, int(W.Text.size())));
    const int tailEnd = c.Lines->LineStart(tailLine) + c.Lines->LineLength(tailLine);
    W.Pos = std::clamp(W.Collapse->EndPos, cp, tailEnd);
    W.RowStart = W.Pos;
    W.RowX.assign(1, W.X);
    W.LineEnd = tailEnd;
    W.BreakLine = tailLine;
    WalkRow(W, tailEnd);
  }
}

void TLinePainter::LineEnd(TWalk& W) {
  const TPaintContext& c = *ctx_;
  TCanvas& C = *W.C;
  const int rowH = size_t(W.Row) < W.Rows->Heights.size() ? W.Rows->Heights[size_t(W.Row)]
                                                          : c.Cell.cy + c.LineSpacing;
  const int end = W.LineEnd;
  auto mergeEol = [&] {
    W.Entries.clear();
    MergeAt(W, end, true, false, W.Entries);
  };
  mergeEol();
  const int blank = BlankWidth(W);
  const int eolX = W.X;
  if (W.BlockHere && W.SelVisible) {
    // Column-block cells past the text: plain up to the block, selected inside it.
    const int endCol = W.Column;
    const int from = std::max(endCol, c.Block.Left);
    if (c.Block.Right > endCol) {
      if (from > endCol) {
        FillCell(W, {W.X, W.RowTop, W.X + (from - endCol) * blank, W.RowTop + rowH});
        W.X += (from - endCol) * blank;
      }
      ApplyFormat(C, c.SelectionStyle, c.FixedPitch, W.Flags);
      C.Brush()->SetStyle(bsSolid);
      FillCell(W, {W.X, W.RowTop, W.X + (c.Block.Right - from) * blank, W.RowTop + rowH});
      W.X += (c.Block.Right - from) * blank;
      mergeEol();
    }
  }
  const bool selToEnd =
      W.SelVisible &&
      ((c.SelMode == msNormal && W.SelS >= 0 && end >= W.SelS && end < W.SelE &&
        !c.OptionsEx.Contains(soNormalSelToLineEnd)) ||
       (c.SelMode == msLine && W.SelS >= 0 && end >= W.SelS && W.LineStart < W.SelE));
  if (selToEnd) {
    ApplyFormat(C, c.SelectionStyle, c.FixedPitch, W.Flags);
    C.Brush()->SetStyle(bsSolid);
    W.Hl1.ApplyTo(&C, true);
    W.Hl2.ApplyTo(&C, true);
  }
  const TRect rest{W.X, W.RowTop, std::max(W.X, W.Rect.Right), W.RowTop + rowH};
  if (!W.TransparentCells && !(c.DrawCustomBackground && c.DrawCustomBackground(C, rest, W.Line)))
    FillCell(W, rest);
  DrawRunBorders(W, W.Entries, rest, end, end, true);
  DrawMarkers(W, end - W.LineStart, 1 << 30, eolX, nullptr);
  if (W.StapleNext < W.Staples.size()) DrawStaples(W, W.X, true);
  // The line-break glyph.
  if (W.Own && c.NonPrinted && c.NonPrinted->Visible()) {
    const int L = W.BreakLine;
    const int brk = c.Lines->LineSpace(L) - c.Lines->LineLength(L);
    if (brk > 0) {
      const TLineBreakStyle conv = c.Lines->LineBreakStyle();
      const bool soft = brk == 1 && (conv == lbCRLF || conv == lbKeep);
      const uint8_t g = soft ? c.NonPrinted->SoftLineBreakChar() : c.NonPrinted->LineBreakChar();
      C.Brush()->SetStyle(bsClear);
      if (c.NonPrinted->UseFont())
        C.Font()->Assign(c.NonPrinted->Font());
      else if (c.NonPrinted->Color() != clNone)
        C.Font()->SetColor(c.NonPrinted->Color());
      const int th = c.FixedPitch ? c.Cell.cy : C.TextHeight(u" ");
      const int before = W.Row == 0 ? c.LineSpacingBefore : 0;
      C.TextOut(eolX, W.RowTop + before + std::max(0, (rowH - c.LineSpacing - before - th) / 2),
                std::u16string(1, TNonPrinted::Glyph(g)));
    }
  }
}

// ---- Entry points -------------------------------------------------------------------------------

void TLinePainter::PaintLine(TCanvas& Canvas, int Line, const TLineRows& Rows, int FirstRow,
                             const TRect& LineRect, int TextLeft, const TLineCollapse* Collapse) {
  TWalk w;
  w.Mode = TWalkMode::Paint;
  w.C = &Canvas;
  w.Line = Line;
  w.Rows = &Rows;
  w.FirstRow = FirstRow;
  w.Rect = LineRect;
  w.TextLeft = TextLeft;
  w.Collapse = Collapse;
  Walk(w);
}

void TLinePainter::MeasureLine(TCanvas& Canvas, int Line, std::vector<int>& Edges,
                               std::vector<std::pair<int, int>>& RunHeights) {
  static const TLineRows kNoRows;
  TWalk w;
  w.Mode = TWalkMode::Measure;
  w.C = &Canvas;
  w.Line = Line;
  w.Rows = &kNoRows;
  w.RunHeights = &RunHeights;
  RunHeights.clear();
  Walk(w);
  // RowX holds the left edge of every unit and the end: the layout wants the x after each unit.
  Edges.assign(w.RowX.begin() + 1, w.RowX.end());
}

int TLinePainter::UnitAt(TCanvas& Canvas, int Line, const TLineRows& Rows, int Row, int X) {
  TWalk w;
  w.Mode = TWalkMode::HitTest;
  w.C = &Canvas;
  w.Line = Line;
  w.Rows = &Rows;
  w.FirstRow = Row;
  w.TargetRow = Row;
  Walk(w);
  const int n = int(w.RowX.size()) - 1;  // units on the row
  for (int i = 0; i < n; ++i)
    if (X < (w.RowX[size_t(i)] + w.RowX[size_t(i) + 1]) / 2) return w.RowStart - w.LineStart + i;
  return w.RowStart - w.LineStart + std::max(0, n);
}

int TLinePainter::XOfUnit(TCanvas& Canvas, int Line, const TLineRows& Rows, int Unit, int& Row) {
  Row = 0;
  while (size_t(Row) < Rows.WrapPoints.size() && Rows.WrapPoints[size_t(Row)] <= Unit) ++Row;
  TWalk w;
  w.Mode = TWalkMode::HitTest;
  w.C = &Canvas;
  w.Line = Line;
  w.Rows = &Rows;
  w.FirstRow = Row;
  w.TargetRow = Row;
  Walk(w);
  const size_t i = size_t(std::max(0, Unit - (w.RowStart - w.LineStart)));
  if (i < w.RowX.size()) return w.RowX[i];
  // Past the text: blank cells.
  return w.RowX.back() + int(i - (w.RowX.size() - 1)) * BlankWidth(w);
}

}  // namespace synt
