#include "editor/memo_layout.h"

#include <algorithm>

#include "editor/syntax_memo.h"

namespace synt {

TMemoLayoutPart::TMemoLayoutPart(TCustomSyntaxMemo& Memo)
    : TMemoPart(Memo, kLayoutOrder), layout_(*this) {
  foldingOff_ = Memo.DisableFolding();
  ReadSettings();
}

TMemoLayoutPart::~TMemoLayoutPart() = default;

const TSyntMemoStrings& TMemoLayoutPart::LayoutLines() const {
  return *Memo().Lines();
}

int TMemoLayoutPart::NextTabStop(int Column, bool Inclusive) const {
  return Memo().TabList()->NextTab(Column, Inclusive);
}

void TMemoLayoutPart::AfterCalcLineInfo(TLineInfo& Info, int Line) {
  if (Memo().OnAfterCalcLineInfo) Memo().OnAfterCalcLineInfo(&Memo(), Info, Line);
}

void TMemoLayoutPart::LineLaidOut(int Line) {
  if (Memo().Selection().CaretPos().Y == Line) NormalizeCaret(true);
}

void TMemoLayoutPart::SetLineMeasurer(ILineMeasurer* Value) {
  if (measurer_ == Value) return;
  measurer_ = Value;
  if (!layout_.Settings().FixedPitch) layout_.InvalidateLineInfos(0, -1, false);
}

void TMemoLayoutPart::ReadSettings() {
  TCustomSyntaxMemo& m = Memo();
  TLayoutSettings s;
  s.WordWrap = m.WordWrap();
  s.FixedPitch = m.FixedPitch();
  TSize cell{8, 16};
  try {
    cell = m.DefTextExt();
  } catch (const Exception&) {
    // A font without width: keep laying out in default cells rather than fail every query.
  }
  s.CellWidth = cell.cx;
  s.CellHeight = cell.cy;
  const TSyntaxMemoOptions o = m.Options();
  const TSyntaxMemoOptionsEx ox = m.OptionsEx();
  // The text area runs from the gutter and text margin to the client's right edge; without a window
  // yet the right margin stands in for it.
  const int client = m.ClientSize().cx;
  // Read only with word wrap: while the control is being built its margins do not exist yet.
  if (!s.WordWrap)
    s.WrapWidth = 0;
  else if (o.Contains(soBreakOnRightMargin) || client <= 0)
    s.WrapWidth = std::max(cell.cx, m.RulerPart().RightMarginWidth(cell.cx));
  else
    s.WrapWidth = client - m.TextArea().Left;
  s.WrapAtSpace = ox.Contains(soWordWrapAtSpace);
  s.AllowZeroTab = ox.Contains(soAllowZeroTab);
  s.FixedLineHeight = o.Contains(soFixedLineHeight);
  s.VirtualCaretPos = ox.Contains(soVirtualCaretPos);
  s.LineSpacing = m.LineSpacing();
  s.LineSpacingBefore = m.LineSpacingBefore();
  s.LineSpacingAfter = m.LineSpacingAfter();
  layout_.SetSettings(s);
}

ISyntDisplayQueries* TMemoLayoutPart::Queries() const {
  return Memo().Analysis();
}

bool TMemoLayoutPart::FoldingOff() const {
  return Memo().DisableFolding();
}

void TMemoLayoutPart::ApplyHidden() {
  static const TRangeList<TRange> none(true);
  layout_.SetHiddenLines(foldingOff_ ? none : collapsed_.HiddenSpans());
}

void TMemoLayoutPart::NormalizeCaret(bool Forward) {
  TMemoSelection& sel = Memo().Selection();
  const TPoint p = sel.CaretPos();
  if (layout_.LineVisible(p.Y)) return;
  // The caret part's rule: the nearest visible line, and never inside a cluster there.
  const TPoint q = Memo().CaretPart().NormalizePos(p, Forward);
  if (q != p) sel.SetCaretPos(q);
}

void TMemoLayoutPart::ReportChange() {
  ApplyHidden();
  NormalizeCaret(false);
  Memo().Invalidate();
  Memo().DisplayLinesChanged();
  if (Memo().OnCollapsedChanged) Memo().OnCollapsedChanged(&Memo());
}

// ---- Notifications ----------------------------------------------------------------------------

void TMemoLayoutPart::TextChanged(int Pos, int Count, int LineChange) {
  // The layout first: it moves its copy of the hidden spans with the lines, so that the new
  // spans of the collapsed blocks only change the lines that differ.
  layout_.TextChanged(Pos, Count, LineChange);
  const int line = Pos < 0 ? 0 : Memo().Lines()->LineOfPos(Pos);
  if (collapsed_.TextChanged(Pos, Count, LineChange, line)) ApplyHidden();
}

void TMemoLayoutPart::FormatChanged() {
  ReadSettings();
  layout_.StylesChanged();
}

void TMemoLayoutPart::AnalysisFinished() {
  layout_.StylesChanged();
  Reanchor();
}

void TMemoLayoutPart::DocumentChanged() {
  ReadSettings();
  layout_.InvalidateLineInfos(0, -1, false);
  Reanchor();
}

void TMemoLayoutPart::LayoutChanged() {
  ReadSettings();
  layout_.StylesChanged();
  if (foldingOff_ != FoldingOff()) {
    foldingOff_ = FoldingOff();
    if (collapsed_.Count() > 0) layout_.InvalidateLineInfos(0, -1, false);
    ApplyHidden();
    if (!foldingOff_) NormalizeCaret(false);
  }
}

void TMemoLayoutPart::Resized() {
  ReadSettings();
}

}  // namespace synt
