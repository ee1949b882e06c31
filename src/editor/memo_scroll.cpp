#include "editor/memo_scroll.h"

#include <algorithm>
#include <cmath>

#include "analysis/synt_text_source.h"
#include "editor/commands.h"
#include "editor/memo_hooks.h"
#include "editor/syntax_memo.h"
#include "platform/control_host.h"

namespace synt {

TMemoScrollPart::TMemoScrollPart(TCustomSyntaxMemo& Memo) : TMemoPart(Memo, kScrollOrder) {}

int TMemoScrollPart::RowHeight() const {
  TCustomSyntaxMemo& m = Memo();
  int cy = 16;
  try {
    cy = m.DefTextExt().cy;
  } catch (const Exception&) {
    // A font without width: default cells, as the layout does.
  }
  return std::max(1, cy + m.LineSpacing());
}

int TMemoScrollPart::RowsHeight(int From, int To) {
  // The pixels between two nearby top lines: the heights of the rows in between, as laid out.
  TCustomSyntaxMemo& m = Memo();
  const int fallback = RowHeight();
  int h = 0;
  for (int d = std::min(From, To); d < std::max(From, To); ++d) {
    const TDisplayPos p = m.DisplayToLine(d);
    const int r = m.GetLineInfo(p.Line).RowHeight(p.Row);
    h += r > 0 ? r : fallback;
  }
  return From < To ? h : -h;
}

bool TMemoScrollPart::FullRepaint() const {
  TCustomSyntaxMemo& m = Memo();
  return !m.BackGround()->IsPlain() || m.Transparent();
}

int TMemoScrollPart::VisibleLines() {
  return std::max(0, Memo().TextArea().Height() / RowHeight());
}

int TMemoScrollPart::VisibleCols() {
  TCustomSyntaxMemo& m = Memo();
  int cx = 8;
  try {
    cx = m.DefTextExt().cx;
  } catch (const Exception&) {
  }
  const int width = m.ClientSize().cx - m.PaintPart().TextAreaLeft();
  return std::max(0, width / std::max(1, cx));
}

int TMemoScrollPart::TopDisplayLine() {
  return Memo().TopDisplayLine();
}

int TMemoScrollPart::MaxTopDisplayLine() {
  const int count = Memo().DisplayLineCount();
  if (Memo().Options().Contains(soScrollLastLine)) return std::max(0, count - 1);
  return std::max(0, count - VisibleLines());
}

void TMemoScrollPart::SetTopDisplayLine(int Index) {
  TCustomSyntaxMemo& m = Memo();
  const int old = m.TopDisplayLine();
  const int top = std::clamp(Index, 0, MaxTopDisplayLine());
  if (top != old) {
    const int moved = old - top;
    const int dy = std::abs(moved) <= kScrollPixelsLimit ? RowsHeight(top, old) : 0;
    m.SetTopDisplayLine(top);
    m.HideHint();
    IControlHost* host = m.Host();
    // The ruler stays where it is.
    TRect moving = m.ClientRect();
    moving.Top = m.TextArea().Top;
    if (host && dy != 0 && !FullRepaint())
      host->ScrollRect(moving, 0, dy);
    else
      m.Invalidate();
  }
  UpdateScrollBars();
  if (top != old) TellScrolled();
}

int TMemoScrollPart::TopLine() {
  return Memo().DisplayToLine(TopDisplayLine()).Line;
}

void TMemoScrollPart::SetTopLine(int Line) {
  TCustomSyntaxMemo& m = Memo();
  const int count = m.Lines()->GetCount();
  if (count == 0) return SetTopDisplayLine(0);
  SetTopDisplayLine(m.DisplayIndex(m.NextVisibleLine(std::clamp(Line, 0, count - 1))));
}

void TMemoScrollPart::SetLeftCol(int Col) {
  TCustomSyntaxMemo& m = Memo();
  // Wrapped at the window edge, every row fits: nothing to scroll sideways.
  const bool locked = m.WordWrap() && !m.Options().Contains(soBreakOnRightMargin);
  const int col = locked ? 0 : std::clamp(Col, 0, std::max(0, HorizontalRange() - 1));
  if (col == leftCol_) return;
  const int moved = leftCol_ - col;
  leftCol_ = col;
  m.HideHint();
  IControlHost* host = m.Host();
  if (host && !FullRepaint()) {
    // The painter places column 0 at LeftCol default cells left of the text area. The ruler's
    // labels reach past their columns: it is painted again whole.
    const TRect area = m.TextArea();
    const int left = m.PaintPart().TextAreaLeft();
    const TSize size = m.ClientSize();
    host->ScrollRect({left, area.Top, size.cx, size.cy}, moved * m.DefTextExt().cx, 0);
    if (area.Top > 0) m.InvalidateRect({0, 0, size.cx, area.Top});
  } else {
    m.Invalidate();
  }
  UpdateScrollBars();
  TellScrolled();
}

void TMemoScrollPart::TellScrolled() {
  TCustomSyntaxMemo& m = Memo();
  if (m.OnScroll) m.OnScroll(&m);
  for (int i = 0; i < m.PluginCount(); ++i)
    if (auto* h = dynamic_cast<ISyntMemoScrollHook*>(m.Plugins(i))) h->Scrolled();
  if (auto* h = dynamic_cast<ISyntMemoScrollHook*>(m.TextSource())) h->Scrolled();
}

int TMemoScrollPart::HorizontalRange() {
  TCustomSyntaxMemo& m = Memo();
  if (m.WordWrap()) return std::max(1, m.RightMargin());
  if (!m.Options().Contains(soVariableHorzScrollBar)) return kDefaultColumns;
  // The widest of the lines on screen: measuring a whole long text for a bar would stall it.
  int cx = 8;
  try {
    cx = m.DefTextExt().cx;
  } catch (const Exception&) {
  }
  int widest = 0;
  const int first = TopDisplayLine(), rows = VisibleLines() + 1;
  const int count = m.DisplayLineCount();
  for (int d = first; d < count && d < first + rows; ++d) {
    const TDisplayPos p = m.DisplayToLine(d);
    widest = std::max(widest, m.GetLineInfo(p.Line).WidestRow());
  }
  const int cols = (widest + cx - 1) / std::max(1, cx) + 1;
  return std::max(cols, leftCol_ + VisibleCols());
}

TScrollBarInfo TMemoScrollPart::Scaled(int Count, int Page, int Position, bool Visible,
                                       int& Scale) {
  const int maximum = std::max(0, Count - 1);
  Scale = std::max(1, (maximum + kMaxBarRange - 1) / kMaxBarRange);
  TScrollBarInfo i;
  i.Min = 0;
  auto div = [&](int v) { return int((int64_t(v) + Scale / 2) / Scale); };
  i.Max = div(maximum);
  i.Page = std::max(1, div(Page));
  i.Position = div(Position);
  i.Visible = Visible;
  return i;
}

void TMemoScrollPart::UpdateScrollBars() {
  TCustomSyntaxMemo& m = Memo();
  IControlHost* host = m.Host();
  if (!host) return;
  const TScrollStyle bars = m.ScrollBars();
  const int visible = VisibleLines();
  int count = m.DisplayLineCount();
  if (m.Options().Contains(soScrollLastLine)) count += std::max(0, visible - 1);
  const bool vShow = (bars == ssVertical || bars == ssBoth) && m.MultiLine() &&
                     m.Lines()->GetCount() > 0 && visible < count;
  host->SetScrollBar(sbVertical, Scaled(count, visible, TopDisplayLine(), vShow, vScale_));

  const int cols = VisibleCols();
  const int range = HorizontalRange();
  bool hShow = (bars == ssHorizontal || bars == ssBoth) && m.MultiLine();
  if (m.WordWrap()) {
    const int margin = m.RightMargin();
    hShow = hShow && m.Options().Contains(soBreakOnRightMargin) && margin >= 1 &&
            (margin > cols || leftCol_ > 0);
  }
  hShow = hShow && (cols < range || leftCol_ > 0);
  host->SetScrollBar(sbHorizontal, Scaled(range, cols, leftCol_, hShow, hScale_));
}

bool TMemoScrollPart::ExecuteScrollCommand(int Command) {
  const int page = std::max(1, VisibleLines());
  switch (Command) {
    case cmScrollUp:
      SetTopDisplayLine(TopDisplayLine() - 1);
      return true;
    case cmScrollDown:
      SetTopDisplayLine(TopDisplayLine() + 1);
      return true;
    case cmScrollLeft:
      SetLeftCol(leftCol_ - 1);
      return true;
    case cmScrollRight:
      SetLeftCol(leftCol_ + 1);
      return true;
    case cmScrollPageUp:
      SetTopDisplayLine(TopDisplayLine() - page);
      return true;
    case cmScrollPageDown:
      SetTopDisplayLine(TopDisplayLine() + page);
      return true;
    case cmScrollPageLeft:
      SetLeftCol(leftCol_ - std::max(1, VisibleCols()));
      return true;
    case cmScrollPageRight:
      SetLeftCol(leftCol_ + std::max(1, VisibleCols()));
      return true;
    case cmScrollTextStart:
      SetTopDisplayLine(0);
      return true;
    case cmScrollTextEnd:
      SetTopDisplayLine(std::max(0, Memo().DisplayLineCount() - 1));
      return true;
    case cmScrollFarLeft:
      SetLeftCol(0);
      return true;
    case cmScrollFarRight:
      SetLeftCol(kDefaultColumns);
      return true;
    default:
      return false;
  }
}

void TMemoScrollPart::Scroll(TScrollBarKind Kind, TScrollCode Code, int Position) {
  const bool v = Kind == sbVertical;
  switch (Code) {
    case scLineUp:
      ExecuteScrollCommand(v ? cmScrollUp : cmScrollLeft);
      break;
    case scLineDown:
      ExecuteScrollCommand(v ? cmScrollDown : cmScrollRight);
      break;
    case scPageUp:
      ExecuteScrollCommand(v ? cmScrollPageUp : cmScrollPageLeft);
      break;
    case scPageDown:
      ExecuteScrollCommand(v ? cmScrollPageDown : cmScrollPageRight);
      break;
    case scTop:
      ExecuteScrollCommand(v ? cmScrollTextStart : cmScrollFarLeft);
      break;
    case scBottom:
      ExecuteScrollCommand(v ? cmScrollTextEnd : cmScrollFarRight);
      break;
    case scTrack:
    case scPosition: {
      const int64_t target = int64_t(Position) * (v ? vScale_ : hScale_);
      const int t = int(std::min<int64_t>(target, INT32_MAX));
      if (v)
        SetTopDisplayLine(t);
      else
        SetLeftCol(t);
      if (v && Code == scTrack) Memo().HintPart().ShowScrollHint(TopLine());
      break;
    }
    case scEndScroll:
      Memo().HideHint();
      UpdateScrollBars();
      break;
  }
}

bool TMemoScrollPart::MouseWheel(TShiftState, int Delta, bool Horizontal) {
  int& rest = Horizontal ? hWheelRest_ : wheelRest_;
  rest += Delta;
  const int lines = rest / 40;
  rest -= lines * 40;
  if (lines == 0) return true;
  if (Horizontal)
    SetLeftCol(leftCol_ - lines);
  else
    SetTopDisplayLine(TopDisplayLine() - lines);
  return true;
}

// ---- Notifications ----------------------------------------------------------------------------

void TMemoScrollPart::TextChanged(int Pos, int Count, int LineChange) {
  if (Pos < 0) {
    // A new text starts at its beginning.
    leftCol_ = 0;
    Memo().SetTopDisplayLine(0);
  }
  DisplayLinesChanged();
}

void TMemoScrollPart::AnalysisFinished() {
  UpdateScrollBars();
}

void TMemoScrollPart::DocumentChanged() {
  DisplayLinesChanged();
}

void TMemoScrollPart::LayoutChanged() {
  DisplayLinesChanged();
}

void TMemoScrollPart::SettingsChanged() {
  // Options such as soScrollLastLine and the ScrollBars style change the limits and the bars.
  DisplayLinesChanged();
}

void TMemoScrollPart::Resized() {
  DisplayLinesChanged();
}

void TMemoScrollPart::DisplayLinesChanged() {
  TCustomSyntaxMemo& m = Memo();
  if (!m.Host()) return;
  // The top line stays where it was unless the text below it no longer fills the window.
  const int top = m.TopDisplayLine(), limit = MaxTopDisplayLine();
  if (top > limit) m.SetTopDisplayLine(limit);
  if (m.WordWrap() && !m.Options().Contains(soBreakOnRightMargin)) leftCol_ = 0;
  UpdateScrollBars();
}

}  // namespace synt
