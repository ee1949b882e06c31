// Block staples: the vertical lines in the leading blanks of the lines a block spans, laid out
// for a window of lines at once and drawn as the painter walks a line.
#include <algorithm>
#include <atomic>
#include <cmath>

#include "analysis/syntax_analyzer.h"
#include "editor/line_painter.h"
#include "editor/line_walk.h"

namespace synt {

void DrawStapleLine(TCanvas& Canvas, const TPen& Pen, int X, bool EndsHere, bool StartsHere,
                    int Bottom, int Top, double Scale) {
  Canvas.Pen()->Assign(&Pen);
  const int tick = int(std::lround(10 * Scale));
  const int one = std::max(1, int(std::lround(Scale)));
  if (Scale != 1.0) Canvas.Pen()->SetWidth(std::max(1, int(std::lround(Pen.Width() * Scale))));
  Canvas.MoveTo(X, Top);
  Canvas.LineTo(X, Bottom);
  if (StartsHere) {
    Canvas.MoveTo(X, Top);
    Canvas.LineTo(X + tick, Top);
  }
  if (EndsHere) {
    Canvas.MoveTo(X, Bottom - one);
    Canvas.LineTo(X + tick, Bottom - one);
  }
}

int TLinePainter::StapleX(TWalk& W, TBlockStaple* S) {
  return W.TextLeft + S->XPos;
}

void TLinePainter::LineStaples(TWalk& W) {
  const TPaintContext& c = *ctx_;
  W.Staples.clear();
  W.StapleSpans.clear();
  W.DrawnStaples.clear();
  W.StapleLevel = 0;
  if (!c.Queries || W.FirstRow != 0 || W.Collapse ||
      !(W.Own || c.PrintOptions.Contains(mpBlockStaples)))
    return;
  TStapleWindow& win = staples_;
  bool fresh = win.Queries == c.Queries && win.Generation == c.Queries->DisplayGeneration() &&
               win.First <= W.Line && W.Line <= win.Last;
  if (fresh && W.Mode == TWalkMode::Paint && win.Canvas != W.C) {
    // Places were taken on another canvas (measuring): they hold if its blank is as wide.
    ApplyBase(W, W.LineStart);
    if (BlankWidth(W) == win.Blank)
      win.Canvas = W.C;
    else
      fresh = false;
  }
  if (!fresh) FetchStaples(W);
  // The window is in x order, so each line's staples are too.
  for (const TStapleAtLines& s : win.Staples)
    if (s.FirstMet <= W.Line && W.Line <= s.LastMet) {
      W.Staples.push_back(s.Staple);
      W.StapleSpans.emplace_back(s.FirstLine, s.LastLine);
    }
}

void TLinePainter::FetchStaples(TWalk& W) {
  // Lines are painted top down: a screen's worth from this one.
  constexpr int kWindow = 64;
  const TPaintContext& c = *ctx_;
  TStapleWindow& win = staples_;
  ApplyBase(W, W.LineStart);
  const int blank = BlankWidth(W);
  if (win.Queries != c.Queries || win.Generation != c.Queries->DisplayGeneration() ||
      win.Blank != blank || stamp_ == 0) {
    // A new layout: every staple's place is taken again when it is next met.
    static std::atomic<uint32_t> stamps{0};
    do stamp_ = ++stamps;
    while (stamp_ == 0);
  }
  win.Queries = c.Queries;
  win.Canvas = W.C;
  win.Generation = c.Queries->DisplayGeneration();
  win.Blank = blank;
  win.First = W.Line;
  win.Last = W.Line + kWindow - 1;
  fetched_.clear();
  c.Queries->GetStaplesAtLines(win.First, win.Last, fetched_);
  win.Staples.clear();
  // The smaller indent of a block's first and last lines gives its place.
  auto indent = [&](int L) {
    const std::u16string_view t = c.Lines->LineText(L);
    int col = 0;
    for (char16_t ch : t) {
      if (ch == u'\t')
        col = std::max(NextTabStop(c.TabList, col), col + 1);
      else if (ch == u' ')
        ++col;
      else
        break;
    }
    return col;
  };
  // Staples alike in place, pen, the lines of the window they meet and where they start and end
  // in it draw the same on every one of its lines: only the first (in the collection's order) can
  // show. Open blocks left by the thousand meet every line alike.
  seen_.clear();
  for (TStapleAtLines& s : fetched_) {
    TBlockStaple* st = s.Staple;
    if (st->XStamp != stamp_) {
      int first = s.FirstLine, last = s.LastLine;
      if (first < win.First || last > win.Last) c.Queries->GetRangeLines(*st, first, last);
      st->XPos = std::min(indent(first), indent(last)) * blank;
      st->XStamp = stamp_;
    }
    const void* pen = st->Rule && st->Rule->UseCustomPen() ? st->Rule : nullptr;
    if (!seen_.insert({st->XPos, s.FirstMet, s.LastMet, s.FirstLine, s.LastLine, pen}).second)
      continue;
    win.Staples.push_back(s);
  }
  std::stable_sort(win.Staples.begin(), win.Staples.end(),
                   [](const TStapleAtLines& a, const TStapleAtLines& b) {
                     return a.Staple->XPos < b.Staple->XPos;
                   });
}

void TLinePainter::DrawStaples(TWalk& W, int UpToX, bool Final) {
  const TPaintContext& c = *ctx_;
  TCanvas& C = *W.C;
  const int rowH = W.Rows->Heights.empty() ? c.Cell.cy + c.LineSpacing : W.Rows->Heights[0];
  const double scale =
      (W.Own && c.Zoom == 100) ? 1.0 : double(C.Font()->PixelsPerInch()) / c.ScreenPixelsPerInch;
  const int offset = int(std::lround(c.StapleOffset * scale));
  const int tick = int(std::lround(10 * scale));
  const TRect clip = C.ClipRect();
  for (; W.StapleNext < W.Staples.size(); ++W.StapleNext) {
    const size_t i = W.StapleNext;
    TBlockStaple* s = W.Staples[i];
    const auto [first, last] = W.StapleSpans[i];
    const int sx = StapleX(W, s);
    if (!Final && sx > UpToX) break;
    const int x = sx - offset;
    // Deeply nested text can put a thousand staples on one line: one outside the clip, or one
    // that would draw exactly the pixels of a staple already drawn here, is left out.
    if (x + tick < clip.Left || x > clip.Right) continue;
    const TDrawnStaple key{x, first == W.Line, last == W.Line,
                           s->Rule && s->Rule->UseCustomPen() ? s->Rule : nullptr};
    if (std::find(W.DrawnStaples.begin(), W.DrawnStaples.end(), key) != W.DrawnStaples.end())
      continue;
    W.DrawnStaples.push_back(key);
    const int level = W.StapleLevel++;
    if (c.DrawStaple) {
      c.DrawStaple(C, x, s, level, last == W.Line, first == W.Line, W.RowTop + rowH, W.RowTop);
    } else {
      TPen pen;
      if (s->Rule && s->Rule->UseCustomPen())
        pen.Assign(s->Rule->Pen());
      else if (c.StaplePen)
        pen.Assign(c.StaplePen);
      else
        pen.SetColor(clGray);
      C.Pen()->Assign(&pen);
      if (c.BeforeDrawStaple) c.BeforeDrawStaple(C, s, level);
      TPen chosen;
      chosen.Assign(C.Pen());
      DrawStapleLine(C, chosen, x, last == W.Line, first == W.Line, W.RowTop + rowH, W.RowTop,
                     scale);
    }
  }
}

}  // namespace synt
