// The mouse part: presses, clicks, drag-select in every mode with the selection timer,
// middle-button scrolling, dragging text within and between editors, and the mouse cursor.
#include <algorithm>
#include <cstdlib>

#include "analysis/client_analyzer.h"
#include "analysis/lexer_items.h"
#include "editor/commands.h"
#include "editor/memo_commands.h"
#include "editor/syntax_memo.h"
#include "platform/control_host.h"
#include "platform/event_loop.h"
#include "platform/tick.h"

namespace synt {

namespace {

constexpr unsigned kTimerInterval = 100;  // selection and auto-scroll timers
constexpr int kAutoScrollDeadZone = 15;
constexpr int kAutoScrollStep = 16;

// The editor a text drag comes from while it runs (drags are modal: one at a time).
TCustomSyntaxMemo* gDragSource = nullptr;

}  // namespace

struct TMemoMousePart::TState {
  TTimer selectTimer;
  TTimer autoTimer;
  TTimer dragScrollTimer;
  TPoint dragPointer;  // where a drop over this editor is
  TShiftState dragShift;
  bool autoScroll = false;
  TPoint autoOrigin;
  TPoint pointer;
  TShiftState shift;
  // The time of the last double click (a quicker one counts as a plain click).
  bool haveDouble = false;
  std::uint64_t lastDouble = 0;
  // A press inside a draggable selection: the drag starts once the pointer moves far enough.
  bool dragArmed = false;
  TPoint dragFrom;
  bool droppedOnSelf = false;
  bool dropAccepted = false;
  // A block staple dragged with Ctrl: where the press was, and the block's text span.
  bool stapleDrag = false;
  int stapleFromX = 0;
  int stapleStart = 0, stapleEnd = 0;
};

TMemoMousePart::TMemoMousePart(TCustomSyntaxMemo& Memo)
    : TMemoPart(Memo, kMouseOrder), state_(std::make_unique<TState>()) {
  state_->selectTimer.OnTimer = [this] { SelectionTick(); };
  state_->autoTimer.OnTimer = [this] { AutoScrollTick(); };
  state_->dragScrollTimer.OnTimer = [this] { DragScrollTick(); };
}

TMemoMousePart::~TMemoMousePart() {
  if (gDragSource == &Memo()) gDragSource = nullptr;
}

bool TMemoMousePart::AutoScrolling() const {
  return state_->autoScroll;
}

// ---- Presses ----------------------------------------------------------------------------------

void TMemoMousePart::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y,
                               int ClickCount) {
  TCustomSyntaxMemo& m = Memo();
  TMemoCaretPart& c = m.CaretPart();
  TState& s = *state_;
  s.pointer = {X, Y};
  s.shift = Shift;
  // 1. Middle-button scrolling: any press ends it, a middle press starts it.
  if (s.autoScroll) {
    StopAutoScroll();
    return;
  }
  if (Button == mbMiddle && m.OptionsEx().Contains(soMiddleAutoScroll)) {
    s.autoScroll = true;
    s.autoOrigin = {X, Y};
    s.autoTimer.SetInterval(kTimerInterval);
    s.autoTimer.SetEnabled(true);
    if (IControlHost* h = m.Host()) h->SetCursor(crSizeNS);
    m.Invalidate();
    return;
  }
  // 2. The focus; incremental search ends here once the editor has it.
  if (IControlHost* h = m.Host()) h->SetFocus();
  m.HideHint();
  // 3. A text margin, on the ruler or (with Ctrl) in the text; elsewhere on the ruler the press
  // counts as one in the text.
  if (m.RulerPart().MouseDown(Button, Shift, X, Y)) return;
  // 4. The gutter takes its presses; one it passes on moves the caret as a press at the text's
  // left edge would.
  if (X < m.GutterPart().GutterWidth()) {
    if (m.GutterPart().MouseDown(Button, Shift, X, Y)) {
      UpdateCursor(X, Y, Shift);
      return;
    }
    // A row is placed, never a word or line selected by a double click in the gutter.
    X = m.TextArea().Left;
    ClickCount = 1;
  }
  const TPoint pos = c.PointToCaret({X, Y});
  // 5. In the text: a collapsed-range mark.
  if (Button == mbLeft && (ClickCount == 2 || Shift.Contains(ssCtrl))) {
    const int line = CollapseMarkAt(X, Y);
    if (line >= 0) {
      m.ToggleCollapse(line);
      UpdateCursor(X, Y, Shift);
      return;
    }
  }
  if (Button == mbLeft && Shift.Contains(ssCtrl) && StapleAt(X, Y)) {
    if (IControlHost* h = m.Host()) h->SetCursor(crHSplit);
    return;
  }
  // A token whose rule handles clicks.
  if (TClientSyntAnalyzer* client = m.SyntClient()) {
    const TSyntMemoStrings& lines = *m.Lines();
    if (pos.Y < lines.GetCount() && pos.X < lines.LineLength(pos.Y)) {
      const int index = client->TokenIndexAt(m.CaretPosToStrPos(pos));
      if (index >= 0)
        if (auto* rule = dynamic_cast<TTokenRule*>(client->TokenRule(index)))
          if (rule->OnMouseClick) rule->OnMouseClick(&m, index, Button, Shift);
    }
  }
  if (Button == mbRight && m.OptionsEx().Contains(soRightClickMoveCaret) && !c.PosInSelection(pos))
    c.SetCaretPos(pos);
  if (Button == mbLeft) LeftDown(Shift, X, Y, ClickCount, pos);
  InputHooksMouseDown(Button, Shift, X, Y);
  UpdateCursor(X, Y, Shift);
}

void TMemoMousePart::LeftDown(TShiftState Shift, int X, int Y, int ClickCount, TPoint Pos) {
  TCustomSyntaxMemo& m = Memo();
  TMemoCaretPart& c = m.CaretPart();
  TState& s = *state_;
  IControlHost* host = m.Host();
  const std::uint64_t now = TickCount();
  const unsigned dct = host ? host->DoubleClickTime() : 500u;
  const bool lineClick = m.Options().Contains(soDoubleClickLine);
  const bool dbl =
      ClickCount >= 2 && ClickCount % 2 == 0 && (!s.haveDouble || now - s.lastDouble >= dct);
  if (dbl) {
    s.haveDouble = true;
    s.lastDouble = now;
    c.SetCaretPos(Pos);
    if (lineClick)
      c.SelectLine(c.CaretPos().Y);
    else
      c.SelectWord();
    return;
  }
  if (!lineClick && s.haveDouble && now - s.lastDouble < dct) {
    // The third click of a triple click.
    s.haveDouble = false;
    c.SetCaretPos(Pos);
    c.SelectLine(c.CaretPos().Y);
    return;
  }
  if (m.Options().Contains(soDragText) && !Shift.Contains(ssShift) && c.PosInSelection(Pos)) {
    s.dragArmed = true;
    s.dragFrom = {X, Y};
    return;
  }
  // Mouse selection.
  s.selectTimer.SetInterval(kTimerInterval);
  if (host) s.selectTimer.SetEnabled(true);
  const bool shift = Shift.Contains(ssShift);
  if (!shift) {
    c.ResetSelection();
    c.SetAnchor(Pos);
  }
  TSyntSelectionMode mode = msNone;
  const bool alt = Shift.Contains(ssAlt), ctrl = Shift.Contains(ssCtrl);
  if (shift || alt || ctrl || !m.Options().Contains(soKeepSelMode)) {
    if (alt) mode = ctrl ? msLine : msColumn;
  } else {
    mode = m.SelectionMode();
  }
  if (m.OnGetMouseSelMode) m.OnGetMouseSelMode(&m, Shift, mode);
  c.SetSelectionMode(mode);
  c.selectingByMouse = true;
  TPoint target = Pos;
  const int command = mode == msNone ? cmGotoXY : mode == msColumn ? cmColSelGotoXY : cmSelGotoXY;
  m.ExecuteCommand(command, &target);
}

bool TMemoMousePart::InputHooksMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomSyntaxMemo& m = Memo();
  for (int i = 0; i < m.PluginCount(); ++i)
    if (auto* h = dynamic_cast<ISyntMemoInputHook*>(m.Plugins(i)))
      if (h->HandleMouseDown(Button, Shift, X, Y)) return true;
  return false;
}

// ---- Moves and releases -----------------------------------------------------------------------

void TMemoMousePart::MouseMove(TShiftState Shift, int X, int Y) {
  TCustomSyntaxMemo& m = Memo();
  TMemoCaretPart& c = m.CaretPart();
  TState& s = *state_;
  s.pointer = {X, Y};
  s.shift = Shift;
  m.HintPart().MouseMove(X, Y);
  if (m.RulerPart().MouseMove(X)) return;
  if (s.autoScroll || s.stapleDrag) return;
  if (s.dragArmed) {
    const int threshold = m.Host() ? m.Host()->DragThreshold() : 4;
    if (std::abs(X - s.dragFrom.X) > threshold || std::abs(Y - s.dragFrom.Y) > threshold)
      StartTextDrag();
    return;
  }
  if (c.selectingByMouse) {
    // Extends to the point, kept inside the text area (over the gutter: its left edge).
    const TRect area = m.TextArea();
    const int left = m.PaintPart().TextAreaLeft();
    const TPoint pt{std::clamp(X, left, std::max(left, area.Right - 1)),
                    std::clamp(Y, area.Top, std::max(area.Top, area.Bottom - 1))};
    c.SetCaretPos(c.PointToCaret(pt));
    return;
  }
  UpdateCursor(X, Y, Shift);
}

void TMemoMousePart::EndSelecting() {
  TMemoCaretPart& c = Memo().CaretPart();
  c.selectingByMouse = false;
  state_->selectTimer.SetEnabled(false);
}

bool TMemoMousePart::StapleAt(int X, int Y) {
  TCustomSyntaxMemo& m = Memo();
  ISyntDisplayQueries* q = m.Analysis();
  if (!q || X < m.PaintPart().TextAreaLeft()) return false;
  const TPoint pos = m.CaretPart().PointToCaret({X, Y});
  if (pos.Y >= m.Lines()->GetCount()) return false;
  std::vector<TBlockStaple*> staples;
  q->GetStaplesAtLine(pos.Y, staples);
  // Staples stand where the painter placed them, StapleOffset left of their x.
  const int left = m.CaretPart().CaretToPoint({0, pos.Y}).X;
  for (TBlockStaple* st : staples) {
    if (!st || st->XPos < 0) continue;
    if (std::abs(X - (left + st->XPos - m.StapleOffset())) > 1) continue;
    TState& s = *state_;
    s.stapleDrag = true;
    s.stapleFromX = X;
    s.stapleStart = st->StartPos;
    s.stapleEnd = st->EndPos;
    return true;
  }
  return false;
}

void TMemoMousePart::EndStapleDrag(int X) {
  TCustomSyntaxMemo& m = Memo();
  TState& s = *state_;
  s.stapleDrag = false;
  int cell = 8;
  try {
    cell = std::max(1, m.DefTextExt().cx);
  } catch (const Exception&) {
  }
  const int dx = X - s.stapleFromX;
  const int columns = (dx >= 0 ? dx + cell / 2 : dx - cell / 2) / cell;
  const TSyntMemoStrings& lines = *m.Lines();
  if (columns == 0 || lines.GetCount() == 0) return;
  const int size = lines.TextLength();
  const int first = lines.LineOfPos(std::clamp(s.stapleStart, 0, size));
  const int last = lines.LineOfPos(std::clamp(s.stapleEnd, 0, size));
  const int from = lines.LineStart(first);
  // The block's lines, selected, re-indented by the columns the staple moved.
  m.CaretPart().SelectRange(from, lines.LineStart(last) + lines.LineLength(last) - from);
  m.EditPart().IndentLines(columns);
}

void TMemoMousePart::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomSyntaxMemo& m = Memo();
  TMemoCaretPart& c = m.CaretPart();
  TState& s = *state_;
  s.pointer = {X, Y};
  if (m.RulerPart().MouseUp()) {
    UpdateCursor(X, Y, Shift);
    return;
  }
  if (s.stapleDrag) {
    EndStapleDrag(X);
    UpdateCursor(X, Y, Shift);
    return;
  }
  if (s.dragArmed && Button == mbLeft) {
    // A click inside the selection that never became a drag places the caret.
    s.dragArmed = false;
    c.ResetSelection();
    c.SetCaretPos(c.PointToCaret({X, Y}));
  }
  EndSelecting();
  UpdateCursor(X, Y, Shift);
}

void TMemoMousePart::CaptureLost() {
  Memo().RulerPart().CancelDrag();
  state_->dragArmed = false;
  state_->stapleDrag = false;
  EndSelecting();
}

void TMemoMousePart::SelectionTick() {
  TCustomSyntaxMemo& m = Memo();
  TMemoCaretPart& c = m.CaretPart();
  const TState& s = *state_;
  if (!c.selectingByMouse) return;
  TRect area = m.TextArea();
  area.Left = m.PaintPart().TextAreaLeft();
  // Outside the text area the caret follows the pointer, which scrolls the view.
  if (!area.Contains(s.pointer)) c.SetCaretPos(c.PointToCaret(s.pointer));
}

void TMemoMousePart::TextChanged(int Pos, int, int) {
  if (Pos < 0) {
    state_->dragArmed = false;
    EndSelecting();
  }
}

// ---- Middle-button scrolling ------------------------------------------------------------------

void TMemoMousePart::StopAutoScroll() {
  TCustomSyntaxMemo& m = Memo();
  state_->autoScroll = false;
  state_->autoTimer.SetEnabled(false);
  if (IControlHost* h = m.Host()) h->SetCursor(m.Cursor());
  m.Invalidate();
}

void TMemoMousePart::AutoScrollTick() {
  TCustomSyntaxMemo& m = Memo();
  const TState& s = *state_;
  if (!s.autoScroll) return;
  const int d = s.pointer.Y - s.autoOrigin.Y;
  if (std::abs(d) <= kAutoScrollDeadZone) return;
  // Farther from the origin, faster.
  m.ScrollPart().SetTopDisplayLine(m.TopDisplayLine() + d / kAutoScrollStep);
}

void TMemoMousePart::PaintAutoScrollMark(TCanvas& Canvas) {
  const TState& s = *state_;
  if (!s.autoScroll) return;
  const TPoint o = s.autoOrigin;
  Canvas.Pen()->SetStyle(psSolid);
  Canvas.Pen()->SetWidth(1);
  Canvas.Pen()->SetColor(clBlack);
  Canvas.Brush()->SetStyle(bsSolid);
  Canvas.Brush()->SetColor(clWhite);
  Canvas.Ellipse({o.X - 16, o.Y - 16, o.X + 16, o.Y + 16});
  Canvas.Brush()->SetColor(clBlack);
  Canvas.Polygon({{o.X - 5, o.Y - 4}, {o.X + 5, o.Y - 4}, {o.X, o.Y - 11}});
  Canvas.Polygon({{o.X - 5, o.Y + 4}, {o.X + 5, o.Y + 4}, {o.X, o.Y + 11}});
}

// ---- The cursor -------------------------------------------------------------------------------

int TMemoMousePart::CollapseMarkAt(int X, int Y) {
  TCustomSyntaxMemo& m = Memo();
  const TSyntMemoStrings& lines = *m.Lines();
  if (X < m.PaintPart().TextAreaLeft() || lines.GetCount() == 0) return -1;
  const TDisplayPos p = m.DisplayToLine(m.CaretPart().YToDisplayLine(Y));
  if (p.Line >= lines.GetCount()) return -1;
  return CollapseMarkRect(p.Line).Contains({X, Y}) ? p.Line : -1;
}

TRect TMemoMousePart::CollapseMarkRect(int Line) {
  TCustomSyntaxMemo& m = Memo();
  TMemoCaretPart& c = m.CaretPart();
  if (Line < 0 || Line >= m.Lines()->GetCount()) return {};
  const int cp = c.CollapsePoint(Line);
  if (cp < 0) return {};
  const TCollapsedRange* r = m.CollapsedRanges()->ItemAtLine(Line);
  std::u16string text = u"...";
  if (m.CollapseStyle() != csEndEllipsis && !r->CollapsedText.empty()) text = r->CollapsedText;
  int width = 0;
  if (m.FixedPitch()) {
    width = int(text.size()) * m.CharCell().cx;
  } else {
    TCanvas& mc = m.MeasureCanvas();
    mc.Font()->Assign(m.Font());
    width = mc.TextWidth(text);
  }
  const TPoint at = c.CaretToPoint({cp, Line});
  const int height = c.DisplayLineHeight(c.DisplayLineOf({cp, Line}));
  return {at.X, at.Y, at.X + width, at.Y + height};
}

TCursor TMemoMousePart::CursorAt(int X, int Y, TShiftState Shift) {
  TCustomSyntaxMemo& m = Memo();
  TCursor cursor = m.Cursor();
  if (state_->autoScroll) {
    cursor = crSizeNS;
  } else if (state_->stapleDrag) {
    cursor = crHSplit;
  } else if (m.RulerPart().CursorAt(X, Y, Shift, crDefault) == crHSplit) {
    cursor = crHSplit;
  } else if (X < m.GutterPart().GutterWidth()) {
    cursor = m.GutterPart().CursorAt(X, Y);
  } else if (X >= m.PaintPart().TextAreaLeft()) {
    if (CollapseMarkAt(X, Y) >= 0)
      cursor = crHandPoint;
    else if (m.Options().Contains(soDragText) && !m.ReadOnly() && m.HaveSelection() &&
             m.CaretPart().PosInSelection(m.CaretPart().PointToCaret({X, Y})))
      cursor = crArrow;
  }
  for (int i = 0; i < m.PluginCount(); ++i)
    if (auto* h = dynamic_cast<ISyntMemoInputHook*>(m.Plugins(i)))
      h->AdjustCursor(X, Y, cursor, Shift);
  return cursor;
}

void TMemoMousePart::UpdateCursor(int X, int Y, TShiftState Shift) {
  IControlHost* h = Memo().Host();
  if (!h) return;
  const TCursor cursor = CursorAt(X, Y, Shift);
  if (h->Cursor() != cursor) h->SetCursor(cursor);
}

// ---- Dragging text ----------------------------------------------------------------------------

void TMemoMousePart::StartTextDrag() {
  TCustomSyntaxMemo& m = Memo();
  TMemoCaretPart& c = m.CaretPart();
  TState& s = *state_;
  s.dragArmed = false;
  IControlHost* host = m.Host();
  if (!host || !m.HaveSelection()) return;
  // The text travels in the drag itself: the clipboard keeps what the user put there.
  TClipboardData data;
  data.Text = m.SelText();
  if (m.SelectionMode() == msColumn)
    data.Formats[std::u16string(cfColumnBlock)] = std::string(1, '\2');
  TDropEffects allowed{deCopy};
  if (!m.ReadOnly()) allowed.Include(deMove);
  const TPoint caret = c.CaretPos();
  s.droppedOnSelf = false;
  c.draggingText = true;
  gDragSource = &m;
  TDropEffect done = deNone;
  try {
    done = host->DragDrop().StartDrag(m, data, allowed);
  } catch (...) {
    c.draggingText = false;
    gDragSource = nullptr;
    throw;
  }
  c.draggingText = false;
  gDragSource = nullptr;
  StopDragScroll();
  if (s.droppedOnSelf) return;
  if (done == deMove && !m.ReadOnly()) {
    m.ClearSelection();
  } else if (done == deNone && c.CaretPos() != caret) {
    // Cancelled: the caret that showed the drop point goes back.
    c.draggingText = true;
    c.SetCaretPos(caret);
    c.draggingText = false;
  }
}

TDropEffect TMemoMousePart::DragEnter(const TClipboardData& Data, TShiftState Shift, int X, int Y,
                                      TDropEffects Allowed) {
  TCustomSyntaxMemo& m = Memo();
  TState& s = *state_;
  const bool self = gDragSource == &m;
  bool accept = Data.Text.has_value() && !m.ReadOnly();
  if (gDragSource && !self) accept = accept && gDragSource->HaveSelection();
  if (m.OnDragOver) m.OnDragOver(&m, gDragSource, X, Y, accept);
  s.dropAccepted = accept;
  if (!accept) return deNone;
  if (!self) {
    // A foreign target drops its own selection and shows where the text would go.
    m.CaretPart().ResetSelection();
    if (IControlHost* h = m.Host()) h->SetFocus();
  }
  return DragOver(Shift, X, Y, Allowed);
}

TDropEffect TMemoMousePart::DragOver(TShiftState Shift, int X, int Y, TDropEffects Allowed) {
  TCustomSyntaxMemo& m = Memo();
  TMemoCaretPart& c = m.CaretPart();
  if (!state_->dropAccepted) return deNone;
  const bool self = gDragSource == &m;
  c.SetCaretPos(c.PointToCaret({X, Y}));
  state_->dragPointer = {X, Y};
  state_->dragShift = Shift;
  if (!state_->dragScrollTimer.Enabled()) {
    state_->dragScrollTimer.SetInterval(kTimerInterval);
    state_->dragScrollTimer.SetEnabled(true);
  }
  // Within one editor the text moves (Ctrl copies); another editor gets a copy.
  const TDropEffect want = self && !Shift.Contains(ssCtrl) ? deMove : deCopy;
  TDropEffect e = NegotiateDropEffect(want, Allowed);
  if (e == deNone && !self) e = NegotiateDropEffect(deMove, Allowed);
  return e;
}

void TMemoMousePart::DragLeave() {
  state_->dropAccepted = false;
  StopDragScroll();
}

void TMemoMousePart::StopDragScroll() {
  state_->dragScrollTimer.SetEnabled(false);
}

void TMemoMousePart::DragScrollTick() {
  TCustomSyntaxMemo& m = Memo();
  TState& s = *state_;
  if (!s.dropAccepted) {
    StopDragScroll();
    return;
  }
  TRect area = m.TextArea();
  area.Left = m.PaintPart().TextAreaLeft();
  const TPoint p = s.dragPointer;
  if (!area.Contains(p)) return;
  // The band along each edge is a line high and two cells wide.
  const TSize cell = m.DefTextExt();
  const int band = std::max(cell.cy, 4);
  const int side = std::max(2 * cell.cx, 4);
  TMemoScrollPart& scroll = m.ScrollPart();
  const int top = scroll.TopDisplayLine(), left = scroll.LeftCol();
  if (p.Y < area.Top + band)
    scroll.SetTopDisplayLine(top - 1);
  else if (p.Y >= area.Bottom - band)
    scroll.SetTopDisplayLine(top + 1);
  if (!m.WordWrap()) {
    if (p.X < area.Left + side)
      scroll.SetLeftCol(std::max(0, left - 1));
    else if (p.X >= area.Right - side)
      scroll.SetLeftCol(left + 1);
  }
  // The drop point follows the text under the pointer.
  if (scroll.TopDisplayLine() != top || scroll.LeftCol() != left)
    m.CaretPart().SetCaretPos(m.CaretPart().PointToCaret(p));
}

TDropEffect TMemoMousePart::Drop(const TClipboardData& Data, TShiftState Shift, int X, int Y,
                                 TDropEffects Allowed) {
  TCustomSyntaxMemo& m = Memo();
  TMemoCaretPart& c = m.CaretPart();
  TState& s = *state_;
  const TDropEffect effect = DragOver(Shift, X, Y, Allowed);
  s.dropAccepted = false;
  StopDragScroll();
  if (effect == deNone) return deNone;
  const TPoint pos = c.PointToCaret({X, Y});
  if (gDragSource == &m) {
    s.droppedOnSelf = true;
    c.draggingText = false;
    if (c.PosInSelection(pos)) {
      c.ResetSelection();
      return deNone;
    }
    return m.EditPart().MoveSelectionTo(pos, effect == deCopy) ? effect : deNone;
  }
  if (!Data.Text) return deNone;
  c.SetCaretPos(pos);
  m.EditPart().PasteText(*Data.Text, Data.HasFormat(cfColumnBlock));
  return effect;
}

}  // namespace synt
