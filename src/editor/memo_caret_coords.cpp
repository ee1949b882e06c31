// The caret part's coordinates: text positions to window points and back through the painter's
// own geometry and the layout's display-line map, and scrolling the view to the caret.
#include <algorithm>
#include <climits>

#include "editor/memo_caret.h"
#include "editor/syntax_memo.h"
#include "platform/control_host.h"

namespace synt {

namespace {

// Rows farther than this from the top are placed with the default row height: summing the
// heights of a million rows for a point nobody sees would stall the editor.
constexpr int kExactRows = 2000;

int FloorDiv(int A, int B) {
  return A >= 0 ? A / B : -((-A + B - 1) / B);
}

int CeilDiv(int A, int B) {
  return -FloorDiv(-A, B);
}

TSize Cell(TCustomSyntaxMemo& M) {
  try {
    const TSize s = M.DefTextExt();
    return {std::max(1, s.cx), std::max(1, s.cy)};
  } catch (const Exception&) {
    return {8, 16};
  }
}

int DefaultRowHeight(TCustomSyntaxMemo& M) {
  return std::max(1, Cell(M).cy + M.LineSpacing());
}

// The height of display line D as laid out (lines past the text: the default height).
int RowHeightAt(TCustomSyntaxMemo& M, int D) {
  const TDisplayPos p = M.DisplayToLine(D);
  if (p.Line >= M.Lines()->GetCount()) return DefaultRowHeight(M);
  const int h = M.GetLineInfo(p.Line).RowHeight(p.Row);
  return h > 0 ? h : DefaultRowHeight(M);
}

// The x of column 0 of every line in window pixels.
int TextLeft(TCustomSyntaxMemo& M) {
  return M.PaintPart().TextAreaLeft() - M.LeftCol() * Cell(M).cx;
}

}  // namespace

int TMemoCaretPart::DisplayLineOf(TPoint P) {
  TCustomSyntaxMemo& m = Memo();
  const TSyntMemoStrings& lines = *m.Lines();
  if (P.Y < 0) return 0;
  if (P.Y >= lines.GetCount()) return m.DisplayIndex(P.Y, 0);
  const int x = std::min(std::max(0, P.X), lines.LineLength(P.Y));
  return m.DisplayIndex(P.Y, m.GetLineInfo(P.Y).RowOfChar(x));
}

int TMemoCaretPart::DisplayLineHeight(int Index) {
  return RowHeightAt(Memo(), Index);
}

int TMemoCaretPart::DisplayLineTop(int Index) {
  TCustomSyntaxMemo& m = Memo();
  const int top = m.TopDisplayLine();
  if (std::abs(Index - top) > kExactRows) return (Index - top) * DefaultRowHeight(m);
  int y = 0;
  for (int d = top; d < Index; ++d) y += RowHeightAt(m, d);
  for (int d = Index; d < top; ++d) y -= RowHeightAt(m, d);
  return y;
}

// The display line under window y, not clamped: past the text it counts rows of the default
// height; above the first line it gives negative indexes.
static int RawDisplayLine(TCustomSyntaxMemo& M, int Y) {
  int rel = Y - M.TextArea().Top;
  int d = M.TopDisplayLine();
  const int count = M.DisplayLineCount();
  const int def = DefaultRowHeight(M);
  int steps = 0;
  while (rel >= 0) {
    if (d >= count || ++steps > kExactRows) return d + rel / def;
    const int h = RowHeightAt(M, d);
    if (rel < h) return d;
    rel -= h;
    ++d;
  }
  while (rel < 0) {
    if (d <= 0 || ++steps > kExactRows) return d + FloorDiv(rel, def);
    --d;
    rel += RowHeightAt(M, d);
  }
  return d;
}

int TMemoCaretPart::YToDisplayLine(int Y) {
  TCustomSyntaxMemo& m = Memo();
  const int d = std::max(0, RawDisplayLine(m, Y));
  if (m.OptionsEx().Contains(soVirtualCaretPos)) return d;
  return std::min(d, std::max(0, m.DisplayLineCount() - 1));
}

TPoint TMemoCaretPart::CaretToPoint(TPoint P) {
  TCustomSyntaxMemo& m = Memo();
  const TSyntMemoStrings& lines = *m.Lines();
  const TSize cell = Cell(m);
  P.X = std::max(0, P.X);
  P.Y = std::max(0, P.Y);
  const int left = TextLeft(m);
  const int top = m.TextArea().Top;
  if (P.Y >= lines.GetCount())
    return {left + P.X * cell.cx, top + DisplayLineTop(DisplayLineOf(P))};
  int x = P.X;
  const int cp = CollapsePoint(P.Y);
  if (cp >= 0) x = std::min(x, cp);
  int row = 0;
  const int px = m.PaintPart().XOfUnit(P.Y, x, row);
  return {left + px, top + DisplayLineTop(m.DisplayIndex(P.Y, row))};
}

TPoint TMemoCaretPart::PointToCaret(TPoint Pt) {
  TCustomSyntaxMemo& m = Memo();
  const TSyntMemoStrings& lines = *m.Lines();
  const bool virt = m.OptionsEx().Contains(soVirtualCaretPos);
  const TSize cell = Cell(m);
  const int count = lines.GetCount();
  const int xr = Pt.X - TextLeft(m);
  const int raw = RawDisplayLine(m, Pt.Y);
  const int lastDisplay = m.DisplayLineCount() - 1;
  if (count == 0 || raw > lastDisplay) {
    if (virt) {
      const TDisplayPos p = m.DisplayToLine(std::max(0, raw));
      return {std::max(0, FloorDiv(xr + cell.cx / 2, cell.cx)), p.Line};
    }
    // Below the text: its end.
    if (count == 0) return {0, 0};
    return {lines.LineLength(count - 1), count - 1};
  }
  const TDisplayPos p = m.DisplayToLine(std::max(0, raw));
  const int line = std::min(p.Line, count - 1);
  int x = m.PaintPart().UnitAt(line, p.Row, xr);
  const int len = lines.LineLength(line);
  const int cp = CollapsePoint(line);
  if (cp >= 0) return {std::min(x, cp), line};
  if (x >= len && p.Row == m.GetLineInfo(line).RowCount() - 1) {
    // Virtual space past the end: blank cells as the painter draws them.
    int r = 0;
    const int endX = m.PaintPart().XOfUnit(line, len, r);
    int blank = m.PaintPart().XOfUnit(line, len + 1, r) - endX;
    if (blank <= 0) blank = cell.cx;
    if (xr > endX) x = len + (xr - endX + blank / 2) / blank;
  }
  return {x, line};
}

void TMemoCaretPart::InvalidateLines(int First, int Last) {
  TCustomSyntaxMemo& m = Memo();
  if (!m.Host() || First > Last) return;
  const int count = m.Lines()->GetCount();
  if (count == 0 || First >= count) return;
  Last = std::min(Last, count - 1);
  const int top = m.TopDisplayLine();
  const int bottom = top + m.VisibleLines() + 1;
  const int d1 = std::max(top, m.DisplayIndex(std::max(0, First), 0));
  const int d2 = std::min(bottom, m.DisplayIndex(Last, INT_MAX / 2));
  if (d1 > d2) return;
  const int y1 = m.TextArea().Top + DisplayLineTop(d1);
  const int y2 = m.TextArea().Top + DisplayLineTop(d2) + RowHeightAt(m, d2);
  m.InvalidateRect({0, y1, m.ClientSize().cx, y2});
}

void TMemoCaretPart::ScrollToCaret(int Horz, int Vert) {
  TCustomSyntaxMemo& m = Memo();
  const TSyntMemoStrings& lines = *m.Lines();
  TPoint p = CaretPos();
  const int count = lines.GetCount();
  if (!m.OptionsEx().Contains(soVirtualCaretPos) && p.Y >= count) p.Y = std::max(0, count - 1);
  if (p.Y < count && !m.LineVisible(p.Y)) m.ExpandLines(p.Y, p.Y);
  TMemoScrollPart& scroll = m.ScrollPart();
  const TRect area = m.TextArea();
  // Vertical.
  if (Vert != 0 && m.MultiLine()) {
    const int d = DisplayLineOf(p);
    const int top = m.TopDisplayLine();
    int kind = Vert;
    if (kind == 1) {
      kind = 0;
      if (d < top)
        kind = 2;
      else if (d - top > m.VisibleLines() + 1 ||
               DisplayLineTop(d) + RowHeightAt(m, d) > area.Height())
        kind = 4;
    }
    if (kind == 2) {
      scroll.SetTopDisplayLine(d);
    } else if (kind == 3) {
      scroll.SetTopDisplayLine(d - m.VisibleLines() / 2);
    } else if (kind == 4) {
      // The caret's row at the bottom: as many rows above it as fit.
      int t = d, h = RowHeightAt(m, d);
      while (t > 0 && h + RowHeightAt(m, t - 1) <= area.Height()) h += RowHeightAt(m, --t);
      scroll.SetTopDisplayLine(t);
    }
  }
  // Horizontal: rows wrapped at the window edge always fit.
  if (Horz != 0 && (!m.WordWrap() || m.Options().Contains(soBreakOnRightMargin))) {
    const int w = Cell(m).cx;
    const int width = area.Right - m.PaintPart().TextAreaLeft();
    const int x = CaretToPoint(p).X - m.PaintPart().TextAreaLeft();
    int kind = Horz;
    if (kind == 1) kind = x < 0 ? 2 : (x + w > width ? 4 : 0);
    int left = m.LeftCol();
    if (kind == 2)
      left += FloorDiv(x, w);
    else if (kind == 3)
      left += CeilDiv(x - width / 2, w);
    else if (kind == 4)
      // The whole cell at the caret comes into view, not only its left edge.
      left += CeilDiv(x + w - width, w);
    if (kind != 0) scroll.SetLeftCol(std::max(0, left));
  }
  UpdateCaret();
}

}  // namespace synt
