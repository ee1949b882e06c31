// The commands that run only when enabled: scrolling, selection modes and the block-start mark,
// insert and overwrite mode, markers, the jump between the two ends of a range, folding, display
// toggles, go to line and the search marks. Ids whose parts live in attached components are left to
// the hooks.
#include <algorithm>

#include "analysis/display_queries.h"
#include "analysis/syntax_token.h"
#include "analysis/text_range.h"
#include "editor/commands.h"
#include "editor/memo_commands.h"
#include "editor/syntax_memo.h"

namespace synt {

void TMemoCommandPart::OtherCommand(int Command, void* Data) {
  TCustomSyntaxMemo& m = Memo();
  if (m.ScrollPart().ExecuteScrollCommand(Command)) return;
  if (Command >= cmNormalSelect && Command <= cmResetSelection)
    return SelectionModeCommand(Command);
  if (Command >= cmToggleCollapse && Command <= cmExpandInSelection) return FoldCommand(Command);
  if (Command >= cmToggleNonPrinted && Command <= cmToggleLineNumbers)
    return ToggleCommand(Command);
  if (Command >= cmResetSearchMarks && Command <= cmPreviousSearchMark)
    return SearchMarkCommand(Command);
  if (Command >= cmFindDialog && Command <= cmReplaceAgain) return FindCommand(Command);
  if (Command >= cmGotoBookmark0 && Command <= cmGotoBookmark9)
    return m.GotoBookmark(Command - cmGotoBookmark0);
  if (Command >= cmToggleBookmark0 && Command <= cmToggleBookmark9)
    return m.ToggleBookmark(Command - cmToggleBookmark0);
  switch (Command) {
    case cmDropMarker:
      DropMarker(static_cast<const TPoint*>(Data));
      break;
    case cmCollectMarker:
      CollectMarker();
      break;
    case cmSwapMarker:
      SwapMarker();
      break;
    case cmMatchBracket:
      MatchBracket();
      break;
    case cmGotoLine:
      GotoLineDialog();
      break;
    case cmIncrementalSearch:
      m.StartIncSearch();
      break;
    case cmSyncEdit:
      if (m.SyncEditPart().Active())
        m.SyncEditPart().Stop();
      else
        m.SyncEditPart().StartFromSelection();
      break;
    // Insert and overwrite mode: enabled only in an editor that can be typed in.
    case cmInsertMode:
      m.SetReplaceMode(false);
      break;
    case cmOverwriteMode:
      m.SetReplaceMode(true);
      break;
    case cmToggleMode:
      m.SetReplaceMode(!m.ReplaceMode());
      break;
    default:
      break;
  }
}

void TMemoCommandPart::SelectionModeCommand(int Command) {
  TCustomSyntaxMemo& m = Memo();
  switch (Command) {
    case cmNormalSelect:
      m.SetSelectionMode(msNormal);
      break;
    case cmColumnSelect:
      m.SetSelectionMode(msColumn);
      break;
    case cmLineSelect:
      m.SetSelectionMode(msLine);
      break;
    case cmMarkSelStart:
      blockStartMark = m.CaretStrPos();
      break;
    case cmMarkSelEnd:
      if (blockStartMark >= 0) {
        const int caret = m.CaretStrPos();
        const int a = std::min(blockStartMark, caret), b = std::max(blockStartMark, caret);
        m.SelectRange(a, b - a, true);
      }
      break;
    case cmResetSelection:
      m.ResetSelection();
      break;
    default:
      break;
  }
}

void TMemoCommandPart::FoldCommand(int Command) {
  TCustomSyntaxMemo& m = Memo();
  const int line = m.CaretPos().Y;
  const int selStart = m.SelStart(), selEnd = m.Selection().SelEnd();
  switch (Command) {
    case cmToggleCollapse:
    case cmExpand:
      m.ToggleCollapse(line);
      break;
    case cmCollapse:
      m.CollapseNearest(line);
      break;
    case cmFullCollapse:
      m.CollapseAll();
      break;
    case cmFullExpand:
      m.ExpandAll();
      break;
    case cmCollapseSelection:
      m.CollapseSelection(selStart, selEnd);
      break;
    case cmToggleCollapseNearest: {
      const int state = m.GetLineState(line);
      if (state == 0 || state == 1)
        m.ToggleCollapse(line);
      else
        m.CollapseNearest(line);
      break;
    }
    case cmCollapseInSelection:
      m.CollapseAll(selStart, selEnd);
      break;
    case cmExpandInSelection:
      m.ExpandAll(selStart, selEnd);
      break;
    default:
      break;
  }
}

void TMemoCommandPart::ToggleCommand(int Command) {
  TCustomSyntaxMemo& m = Memo();
  switch (Command) {
    case cmToggleNonPrinted:
      m.NonPrinted()->SetVisible(!m.NonPrinted()->Visible());
      break;
    case cmToggleWordWrap:
      m.SetWordWrap(!m.WordWrap());
      break;
    case cmToggleFolding:
      m.SetDisableFolding(!m.DisableFolding());
      break;
    case cmToggleLineNumbers:
      m.LineNumbers()->SetVisible(!m.LineNumbers()->Visible());
      break;
    default:
      break;
  }
}

void TMemoCommandPart::SearchMarkCommand(int Command) {
  TCustomSyntaxMemo& m = Memo();
  TRangeList<TRange>& marks = *m.SearchMarks();
  if (Command == cmResetSearchMarks) {
    marks.Clear();
    m.Invalidate();
    return;
  }
  if (marks.Empty()) return;
  const int c = m.CaretStrPos();
  auto contains = [c](const TRange& r) { return r.StartPos <= c && c < r.EndPos; };
  int target = -1;
  if (Command == cmNextSearchMark) {
    for (int i = 0; i < marks.Count() && target < 0; ++i)
      if (marks[i].StartPos > c && !contains(marks[i])) target = marks[i].StartPos;
    if (target < 0) target = marks[0].StartPos;
  } else {
    for (int i = marks.Count() - 1; i >= 0 && target < 0; --i)
      if (marks[i].StartPos < c && !contains(marks[i])) target = marks[i].StartPos;
    if (target < 0) target = marks.Last().StartPos;
  }
  // Moving the caret drops the marks unless they are kept; going from mark to mark keeps them.
  const TRangeList<TRange> kept = marks;
  m.ResetSelection();
  m.SetCaretStrPos(target);
  if (marks.Count() != kept.Count()) {
    marks = kept;
    m.Invalidate();
  }
}

void TMemoCommandPart::MatchBracket() {
  TCustomSyntaxMemo& m = Memo();
  ISyntDisplayQueries* q = m.Analysis();
  if (!q) return;
  const TTokenList& tokens = q->Tokens();
  const int c = m.CaretStrPos();
  auto inside = [&](int idx) {
    if (idx < 0 || idx >= tokens.Count()) return false;
    const TSyntToken& t = tokens.Items(idx);
    return t.StartPos <= c && c <= t.EndPos;
  };
  for (int i = 0; i < q->RangeCount(); ++i) {
    const TTextRange* r = q->Ranges(i);
    if (!r->IsClosed() || r->EndIdx >= tokens.Count()) continue;
    int other = -1;
    if (inside(r->StartIdx))
      other = r->EndIdx;
    else if (inside(r->EndIdx))
      other = r->StartIdx;
    if (other < 0) continue;
    m.ResetSelection();
    m.SetCaretStrPos(tokens.Items(other).StartPos);
    return;
  }
}

// ---- Markers ------------------------------------------------------------------------------------

TMarker TMemoCommandPart::CurrentMarker(const TPoint* Pos) {
  TCustomSyntaxMemo& m = Memo();
  TMarker mk;
  mk.LeftCol = m.LeftCol();
  mk.TopLine = m.TopLine();
  mk.CaretPos = Pos ? *Pos : m.CaretPos();
  mk.CaretOffset = m.CaretPosToStrPos(mk.CaretPos);
  return mk;
}

void TMemoCommandPart::ShowMarkers() {
  std::vector<TPaintMarker> list;
  for (const TMarker& mk : markers_) list.push_back({mk.CaretPos.Y, mk.CaretPos.X, mk.CaretOffset});
  Memo().PaintPart().SetMarkers(std::move(list));
  Memo().Invalidate();
}

void TMemoCommandPart::RestoreMarker(const TMarker& M) {
  TCustomSyntaxMemo& m = Memo();
  m.ResetSelection();
  if (m.Options().Contains(soFloatMarkers))
    m.SetCaretStrPos(M.CaretOffset);
  else
    m.SetCaretPos(M.CaretPos);
  // The view last: setting the caret scrolls to it, the marker's view wins where it shows it.
  m.SetTopLine(M.TopLine);
  m.SetLeftCol(M.LeftCol);
  m.ScrollToCaret();
}

void TMemoCommandPart::DropMarker(const TPoint* Pos) {
  markers_.push_back(CurrentMarker(Pos));
  ShowMarkers();
}

void TMemoCommandPart::CollectMarker() {
  if (markers_.empty()) return;
  const TMarker mk = markers_.back();
  markers_.pop_back();
  RestoreMarker(mk);
  ShowMarkers();
  Memo().GutterPart().AnimateAtCaret(Memo().Animation()->MarkerAnim());
}

void TMemoCommandPart::SwapMarker() {
  if (markers_.empty()) return;
  const TMarker below = markers_.back();
  markers_.back() = CurrentMarker(nullptr);
  RestoreMarker(below);
  ShowMarkers();
}

void TMemoCommandPart::TextChanged(int Pos, int Count, int LineChange) {
  blockStartMark = -1;
  if (markers_.empty()) return;
  if (Pos < 0) {
    markers_.clear();
  } else {
    for (TMarker& mk : markers_)
      if (mk.CaretOffset > Pos) mk.CaretOffset = std::max(mk.CaretOffset + Count, Pos);
  }
  ShowMarkers();
}

}  // namespace synt
