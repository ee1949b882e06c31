// The caret part: setting the caret, normalising positions, the selection operations, word
// tests, following text changes, focus, and the events. Coordinates and scrolling live in
// memo_caret_coords.cpp, the caret's shape and painting in memo_caret_display.cpp.
#include "editor/memo_caret.h"

#include <algorithm>
#include <cstdlib>

#include "analysis/syntax_analyzer.h"
#include "editor/syntax_memo.h"
#include "lists/char_utils.h"
#include "platform/clusters.h"
#include "platform/event_loop.h"

namespace synt {

TMemoCaretPart::TMemoCaretPart(TCustomSyntaxMemo& Memo)
    : TMemoPart(Memo, kCaretOrder), caret_(std::make_unique<TqxCaret>()) {
  caret_->OnChange = [this](TObject*) { UpdateCaret(); };
}

TMemoCaretPart::~TMemoCaretPart() {
  caret_->OnChange = nullptr;
}

// ---- Events -----------------------------------------------------------------------------------

TMemoCaretPart::TReported TMemoCaretPart::Snapshot() const {
  const TMemoSelection& sel = Memo().Selection();
  TReported r;
  r.Caret = sel.CaretPos();
  r.SelStart = sel.SelStart();
  r.SelLength = sel.SelLength();
  r.Block = sel.BlockRect();
  r.Mode = sel.SelectionMode();
  r.Have = sel.HaveSelection();
  return r;
}

void TMemoCaretPart::SelectionLines(const TReported& R, int& First, int& Last) const {
  First = 0;
  Last = -1;
  if (!R.Have) return;
  if (R.Mode == msColumn) {
    First = R.Block.Top;
    Last = R.Block.Bottom;
    return;
  }
  const TSyntMemoStrings& lines = *Memo().Lines();
  First = lines.LineOfPos(R.SelStart);
  Last = lines.LineOfPos(R.SelStart + R.SelLength);
}

void TMemoCaretPart::InvalidateSelection(const TReported& Old, const TReported& New) {
  int f1, l1, f2, l2;
  SelectionLines(Old, f1, l1);
  SelectionLines(New, f2, l2);
  const bool streams =
      Old.Have && New.Have && Old.Mode != msColumn && New.Mode != msColumn && Old.Mode == New.Mode;
  if (streams) {
    // Only what lies between the old and the new ends changed.
    const TSyntMemoStrings& lines = *Memo().Lines();
    auto span = [&](int a, int b) {
      InvalidateLines(lines.LineOfPos(std::min(a, b)), lines.LineOfPos(std::max(a, b)));
    };
    if (Old.SelStart != New.SelStart) span(Old.SelStart, New.SelStart);
    const int e1 = Old.SelStart + Old.SelLength, e2 = New.SelStart + New.SelLength;
    if (e1 != e2) span(e1, e2);
    return;
  }
  if (f1 <= l1) InvalidateLines(f1, l1);
  if (f2 <= l2) InvalidateLines(f2, l2);
}

bool TMemoCaretPart::CurrentLineHighlighted() const {
  TCustomSyntaxMemo& m = Memo();
  if (m.Options().Contains(soDrawCurLineFocus)) return true;
  const TSyntaxFormat* s = m.CurrentLineStyle();
  return s && s->Enabled();
}

void TMemoCaretPart::Report(unsigned Flags) {
  TCustomSyntaxMemo& m = Memo();
  const TReported now = Snapshot();
  const TReported old = reported_;
  reported_ = now;
  const bool selChanged =
      old.Mode != now.Mode ||
      ((old.Have || now.Have) && (old.SelStart != now.SelStart || old.SelLength != now.SelLength ||
                                  old.Block != now.Block || old.Have != now.Have));
  const bool caretChanged = old.Caret != now.Caret;
  const bool geometry = (Flags & kNoGeometry) == 0;
  if (selChanged && geometry && (Flags & kRepaintSelection)) InvalidateSelection(old, now);
  if (caretChanged) {
    TellCaretPosChanged();
    if (geometry && old.Caret.Y != now.Caret.Y && CurrentLineHighlighted()) {
      InvalidateLines(old.Caret.Y, old.Caret.Y);
      InvalidateLines(now.Caret.Y, now.Caret.Y);
    }
    // Dynamic highlighting that follows the caret (matching brackets, the block around it).
    if (ISyntDisplayQueries* q = m.Analysis())
      if (q->UpdateActiveRanges(m.Selection().CaretOffset())) m.Invalidate();
    for (int i = 0; i < m.PluginCount(); ++i)
      if (auto* h = dynamic_cast<ISyntMemoCaretHook*>(m.Plugins(i)))
        if (h->CaretMoved()) {
          m.Invalidate();
          break;
        }
  }
  if (geometry) {
    UpdateCaret();
    if (caretChanged && (Flags & kScroll)) ScrollToCaret(1, 1);
    if (caretChanged) m.RulerPart().CaretMoved();
  }
  if (selChanged && m.OnSelectionChanged) m.OnSelectionChanged(&m);
  if (caretChanged && m.OnCaretPosChanged) m.OnCaretPosChanged(&m);
}

// ---- Caret ------------------------------------------------------------------------------------

TPoint TMemoCaretPart::CaretPos() const {
  return Memo().Selection().CaretPos();
}

int TMemoCaretPart::CaretStrPos() const {
  return Memo().Selection().CaretOffset();
}

void TMemoCaretPart::SetCaretStrPos(int Pos) {
  // An offset between CR and LF converts to the end of its line.
  SetCaretPos(Memo().Selection().StrPosToCaretPos(Pos));
}

bool TMemoCaretPart::Extending() const {
  return (extendingByKeyboard || selectingByMouse) &&
         !Memo().Options().Contains(soDisableSelection);
}

void TMemoCaretPart::SetAnchor(TPoint P) {
  anchorPos_ = P;
  Memo().Selection().SetAnchorOffset(Memo().Selection().CaretPosToStrPos(P));
}

void TMemoCaretPart::SetCaretPos(TPoint P) {
  TCustomSyntaxMemo& m = Memo();
  TMemoSelection& sel = m.Selection();
  const TSyntMemoStrings& lines = *m.Lines();
  const TSyntaxMemoOptions o = m.Options();
  const int count = lines.GetCount();
  P.X = std::max(0, P.X);
  P.Y = std::max(0, P.Y);
  if (!m.OptionsEx().Contains(soVirtualCaretPos)) {
    if (count == 0)
      P = {0, 0};
    else if (P.Y >= count)
      P.Y = count - 1;
  }
  if (!m.MultiLine()) P.Y = 0;
  if (o.Contains(soKeepCaretInText)) {
    preferredColumn = -1;
    // A column block may reach past short lines while it is being drawn.
    const bool columnExtend = Extending() && sel.SelectionMode() == msColumn;
    if (!columnExtend) P.X = P.Y < count ? std::min(P.X, lines.LineLength(P.Y)) : 0;
  }
  P = NormalizePos(P, true);
  if (P == sel.CaretPos()) {
    if (!extendingByKeyboard && !selectingByMouse && !draggingText && movingByCommand &&
        !o.Contains(soPersistentBlocks) && sel.HaveSelection()) {
      sel.ResetSelection();
      anchorPos_ = P;
    }
    Report(kScroll | kRepaintSelection);
    return;
  }
  sel.SetCaretPos(P);
  const int offset = sel.CaretOffset();
  if (!draggingText) {
    if (!Extending()) {
      anchorPos_ = P;
      sel.SetAnchorOffset(offset);
      if (sel.SelLength() == 0) sel.SetStream(offset, 0);
      if (!o.Contains(soPersistentBlocks) && sel.HaveSelection()) sel.ResetSelection();
    } else {
      ExtendTo(P);
    }
  }
  if (!m.OptionsEx().Contains(soKeepSearchMarks) && m.SearchMarks()->Count() > 0) {
    m.SearchMarks()->Clear();
    m.Invalidate();
  }
  Report(kScroll | kRepaintSelection);
}

void TMemoCaretPart::ExtendTo(TPoint P) {
  TCustomSyntaxMemo& m = Memo();
  TMemoSelection& sel = m.Selection();
  const int anchor = sel.AnchorOffset(), offset = sel.CaretOffset();
  switch (sel.SelectionMode()) {
    case msColumn: {
      auto column = [&](TPoint Q) {
        return Q.Y < m.Lines()->GetCount() ? sel.CaretToDisplayColumn(Q.Y, Q.X) : Q.X;
      };
      const int a = column(anchorPos_), c = column(P);
      TRect b{std::min(a, c), std::min(anchorPos_.Y, P.Y), std::max(a, c),
              std::max(anchorPos_.Y, P.Y)};
      if (m.Options().Contains(soGreedySelect)) ++b.Right;
      sel.SetBlock(b);
      break;
    }
    case msLine:
      SelectLinesRaw(std::min(anchor, offset), std::abs(offset - anchor));
      break;
    default:
      SetStreamRaw(std::min(anchor, offset), std::abs(offset - anchor));
      break;
  }
}

int TMemoCaretPart::CollapsePoint(int Line) const {
  TCustomSyntaxMemo& m = Memo();
  if (m.DisableFolding() || m.CollapseStyle() == csLineSeparator) return -1;
  const TCollapsedRange* r = m.LayoutPart().Collapsed().ItemAtLine(Line);
  if (!r || r->LineCount < 2) return -1;
  if (m.CollapseStyle() == csNameWhenDefined && r->CollapsedText.empty()) return -1;
  const TSyntMemoStrings& lines = *m.Lines();
  if (Line < 0 || Line >= lines.GetCount()) return -1;
  return std::clamp(r->StartPos - lines.LineStart(Line), 0, lines.LineLength(Line));
}

bool TMemoCaretPart::IsHiddenAt(int Pos) const {
  TCustomSyntaxMemo& m = Memo();
  TStyleEntries entries;
  m.CollectStyleEntries(Pos, entries, false,
                        ssStyledRanges | ssTokenStyle | ssUserRanges | ssStyleEvent);
  bool hidden = false;
  if (TSyntAnalyzer* lexer = m.CurrentLexer())
    if (const TSyntaxFormat* d = lexer->DefaultStyle())
      if (d->Enabled() && d->FormatFlags().Contains(ffHidden)) hidden = d->Hidden();
  for (int pass = 0; pass < 2; ++pass)
    for (const TStyleEntry& e : entries)
      if (e.Overlay == (pass == 1) && e.Style && e.Style->Enabled() &&
          e.Style->FormatFlags().Contains(ffHidden))
        hidden = e.Style->Hidden();
  return hidden;
}

TPoint TMemoCaretPart::NormalizePos(TPoint P, bool Forward) const {
  TCustomSyntaxMemo& m = Memo();
  const TSyntMemoStrings& lines = *m.Lines();
  const TLineLayout& layout = m.LayoutPart().Layout();
  const int count = lines.GetCount();
  P.X = std::max(0, P.X);
  P.Y = std::max(0, P.Y);
  if (count == 0) return m.OptionsEx().Contains(soVirtualCaretPos) ? P : TPoint{0, 0};
  if (P.Y >= count) {
    if (m.OptionsEx().Contains(soVirtualCaretPos)) return P;
    P.Y = count - 1;
  }
  // 1. Off hidden lines.
  if (!layout.LineVisible(P.Y)) {
    int y = Forward ? layout.NextVisibleLine(P.Y) : layout.PriorVisibleLine(P.Y);
    if (y >= count || !layout.LineVisible(y)) y = layout.PriorVisibleLine(P.Y);
    P.Y = std::clamp(y, 0, count - 1);
  }
  // 2. Past the visible part of a line that shows a collapse text.
  const int cp = CollapsePoint(P.Y);
  if (cp >= 0 && P.X > cp) {
    const TCollapsedRange* r = m.LayoutPart().Collapsed().ItemAtLine(P.Y);
    if (Forward && r->LastLine() + 1 < count) return NormalizePos({0, r->LastLine() + 1}, true);
    P.X = cp;
  }
  const std::u16string_view text = lines.LineText(P.Y);
  const int len = int(text.size());
  // 3. Off characters that are not shown, and never inside a cluster.
  auto step = [&](auto&& Skip) {
    if (Forward)
      while (P.X > 0 && P.X < len && Skip(P.X)) ++P.X;
    else
      while (P.X > 0 && P.X < len && Skip(P.X)) --P.X;
  };
  if (P.X > 0 && P.X < len && (m.Analysis() || m.UserRanges()->Count() > 0 || m.OnGetStyleEntry))
    step([&](int X) { return IsHiddenAt(lines.LineStart(P.Y) + X); });
  step([&](int X) { return ContinuesCluster(text, size_t(X)); });
  return P;
}

// ---- Selection --------------------------------------------------------------------------------

void TMemoCaretPart::SetStreamRaw(int Start, int Length) {
  TCustomSyntaxMemo& m = Memo();
  TMemoSelection& sel = m.Selection();
  const int size = m.Lines()->TextLength();
  Start = std::clamp(Start, 0, size);
  // A negative length would select nothing sensible: it selects nothing.
  Length = std::clamp(Length, 0, size - Start);
  if (m.Options().Contains(soDisableSelection)) Length = 0;
  sel.SetStream(Start, Length);
  if (Length > 0) {
    sel.ClearBlock();
    if (sel.SelectionMode() == msColumn) sel.SetSelectionMode(msNormal);
  }
}

void TMemoCaretPart::SetSelection(int Start, int Length, bool Repaint) {
  SetStreamRaw(Start, Length);
  Report(Repaint ? kRepaintSelection : 0u);
}

void TMemoCaretPart::SelectRange(int Start, int Length, bool KeepCaret) {
  TCustomSyntaxMemo& m = Memo();
  TMemoSelection& sel = m.Selection();
  const int size = m.Lines()->TextLength();
  Start = std::clamp(Start, 0, size);
  Length = std::clamp(Length, 0, size - Start);
  if (!KeepCaret) {
    sel.SetCaretPos(NormalizePos(sel.StrPosToCaretPos(Start + Length), true));
    SetAnchor(sel.StrPosToCaretPos(Start));
  }
  SetStreamRaw(Start, Length);
  Report(kScroll | kRepaintSelection);
}

void TMemoCaretPart::SelectLinesRaw(int Start, int Length) {
  const TSyntMemoStrings& lines = *Memo().Lines();
  if (lines.GetCount() == 0) return SetStreamRaw(0, 0);
  Length = std::max(0, Length);
  const int first = lines.LineStart(lines.LineOfPos(Start));
  const int endLine = lines.LineOfPos(Start + Length);
  int end = lines.LineStart(endLine);
  if (Memo().Options().Contains(soGreedySelect)) end += lines.LineSpace(endLine);
  SetStreamRaw(first, end - first);
}

void TMemoCaretPart::SelectLines(int Start, int Length, bool Repaint) {
  SelectLinesRaw(Start, Length);
  Report(Repaint ? kRepaintSelection : 0u);
}

void TMemoCaretPart::SelectLine(int Line) {
  const TSyntMemoStrings& lines = *Memo().Lines();
  if (Line < 0 || Line >= lines.GetCount()) return;
  SelectRange(lines.LineStart(Line), lines.LineSpace(Line));
}

void TMemoCaretPart::SelectWord() {
  const TPoint p = CaretPos();
  int a, b;
  if (WordAt(p, a, b)) {
    const int start = Memo().Lines()->LineStart(p.Y);
    SelectRange(start + a, b - a);
    return;
  }
  SetCaretPos({p.X + 1, p.Y});
}

void TMemoCaretPart::ResetSelection() {
  TMemoSelection& sel = Memo().Selection();
  sel.ResetSelection();
  anchorPos_ = sel.CaretPos();
  Report(kRepaintSelection);
}

bool TMemoCaretPart::HaveSelection() const {
  return Memo().Selection().HaveSelection();
}

void TMemoCaretPart::SetSelectionMode(TSyntSelectionMode Mode) {
  TCustomSyntaxMemo& m = Memo();
  TMemoSelection& sel = m.Selection();
  const TSyntSelectionMode old = sel.SelectionMode();
  if (Mode == old) return;
  if (Mode == msColumn && !m.Options().Contains(soEnableBlockSel)) return;
  if (old == msColumn) sel.ClearBlock();
  sel.SetSelectionMode(Mode);
  if (Mode == msColumn) {
    sel.SetStream(sel.SelStart(), 0);
    sel.SetSelectionMode(msColumn);
    if (m.Options().Contains(soGreedySelect)) {
      const TPoint p = sel.CaretPos();
      const int col =
          p.Y < m.Lines()->GetCount() ? sel.CaretToDisplayColumn(p.Y, p.X) : std::max(0, p.X);
      sel.SetBlock({col, p.Y, col + 1, p.Y});
    }
  } else if (Mode == msLine) {
    SelectLinesRaw(sel.CaretOffset(), 0);
  }
  Report(kRepaintSelection);
}

bool TMemoCaretPart::OffsetInSelection(int Pos) const {
  const TMemoSelection& sel = Memo().Selection();
  if (!sel.HaveSelection()) return false;
  if (sel.SelectionMode() == msColumn) return PosInSelection(sel.StrPosToCaretPos(Pos));
  return Pos >= sel.SelStart() && Pos < sel.SelEnd();
}

bool TMemoCaretPart::PosInSelection(TPoint P) const {
  const TMemoSelection& sel = Memo().Selection();
  if (!sel.HaveSelection()) return false;
  if (sel.SelectionMode() == msColumn) {
    const TRect& b = sel.BlockRect();
    if (P.Y < b.Top || P.Y > b.Bottom) return false;
    return P.X >= sel.DisplayColumnToCaret(P.Y, b.Left) &&
           P.X < sel.DisplayColumnToCaret(P.Y, b.Right);
  }
  const TSyntMemoStrings& lines = *Memo().Lines();
  if (P.Y >= lines.GetCount()) return false;
  // Virtual space past a line's end is inside when the line's break is.
  const int pos = sel.CaretPosToStrPos(P);
  return pos >= sel.SelStart() && pos < sel.SelEnd() &&
         (P.X <= lines.LineLength(P.Y) || pos + 1 <= sel.SelEnd());
}

bool TMemoCaretPart::IsWordChar(char16_t C) const {
  bool word = synt::IsWordChar(C);
  TCustomSyntaxMemo& m = Memo();
  if (m.OnCheckChar) m.OnCheckChar(&m, C, word);
  return word;
}

bool TMemoCaretPart::WordAt(TPoint P, int& Start, int& End) const {
  const TSyntMemoStrings& lines = *Memo().Lines();
  if (P.Y < 0 || P.Y >= lines.GetCount()) return false;
  const std::u16string_view t = lines.LineText(P.Y);
  const int len = int(t.size());
  int x = std::clamp(P.X, 0, len);
  if (x < len && IsWordChar(t[size_t(x)])) {
    End = x;
  } else if (x > 0 && IsWordChar(t[size_t(x) - 1])) {
    End = x;
    --x;
  } else {
    return false;
  }
  Start = x;
  while (Start > 0 && IsWordChar(t[size_t(Start) - 1])) --Start;
  while (End < len && IsWordChar(t[size_t(End)])) ++End;
  return true;
}

// ---- Following the document ---------------------------------------------------------------------

void TMemoCaretPart::TextChanged(int Pos, int Count, int LineChange) {
  TCustomSyntaxMemo& m = Memo();
  // The selection has followed the text already; the layout has not yet: no geometry here (the
  // control repaints, and the paint places the caret).
  if (Pos < 0) {
    extendingByKeyboard = selectingByMouse = draggingText = movingByCommand = false;
    preferredColumn = -1;
    lastMovePos = {-1, -1};
    anchorPos_ = {0, 0};
  } else {
    anchorPos_ = m.Selection().StrPosToCaretPos(m.Selection().AnchorOffset());
    if (!m.OptionsEx().Contains(soKeepSearchMarks)) m.SearchMarks()->Clear();
  }
  (void)Count;
  (void)LineChange;
  Report(kNoGeometry);
}

void TMemoCaretPart::LayoutChanged() {
  caretRect_ = {};
  // Without a window (the host let go) nothing blinks; the loop may go with the host.
  if (!Memo().Host() && blink_) blink_->SetEnabled(false);
}

void TMemoCaretPart::SettingsChanged() {
  caretRect_ = {};
}

void TMemoCaretPart::Resized() {
  caretRect_ = {};
}

void TMemoCaretPart::DisplayLinesChanged() {
  // Collapsing may have moved the caret off hidden lines.
  Report(kRepaintSelection);
}

// ---- Focus ------------------------------------------------------------------------------------

void TMemoCaretPart::FocusIn() {
  TCustomSyntaxMemo& m = Memo();
  const TSyntaxMemoOptions o = m.Options();
  if (o.Contains(soHideSelection) || o.Contains(soHideDynamic)) m.Invalidate();
  if (o.Contains(soAutoSelect)) SelectRange(0, m.Lines()->TextLength());
  blinkOn_ = true;
  UpdateCaret();
}

void TMemoCaretPart::FocusOut() {
  TCustomSyntaxMemo& m = Memo();
  const TSyntaxMemoOptions o = m.Options();
  UpdateCaret();
  if (o.Contains(soHideSelection) || o.Contains(soHideDynamic)) m.Invalidate();
}

}  // namespace synt
