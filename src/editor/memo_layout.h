// The layout part of the editor control: collapsed blocks, line states, the per-line layouts with
// word wrap, the display-line map and the top display line. The control routes its collapsing and
// layout operations here (see its "Layout and collapsing" block) and tells this part about every
// change of the text, the analysis and the settings.
//
//   synt::TMemoLayoutPart& l = memo.LayoutPart();
//   l.ToggleCollapse(10);                      // fold the block starting on line 10
//   int rows = l.Layout().DisplayLineCount();  // display lines left
//   l.Layout().SetTopDisplayLine(rows - 1);
//
// Line states: 1 a collapsed block starts on the line, 0 a foldable block starts there, -1 one
// ends there, -2 the line lies inside one, -3 nothing (also with DisableFolding).
#pragma once

#include <string>

#include "editor/collapsed_ranges.h"
#include "editor/line_layout.h"
#include "editor/memo_part.h"

namespace synt {

class TTextRange;
class TUserRange;
class ISyntDisplayQueries;

class TMemoLayoutPart : public TMemoPart, private ILayoutSite {
 public:
  explicit TMemoLayoutPart(TCustomSyntaxMemo& Memo);
  ~TMemoLayoutPart() override;

  TLineLayout& Layout() { return layout_; }
  const TLineLayout& Layout() const { return layout_; }
  TCollapsedRanges& Collapsed() { return collapsed_; }
  const TCollapsedRanges& Collapsed() const { return collapsed_; }
  // The painter's measuring mode, used for proportional fonts (null: cell arithmetic).
  void SetLineMeasurer(ILineMeasurer* Value);

  // ---- Collapsing (folding.cpp) ----------------------------------------------------------------
  int GetLineState(int Line) const;
  bool ToggleCollapse(int Line);
  void ToggleCollapseNested(int Line);
  void CollapseNearest(int Line);
  // (0, -1): the whole text.
  void CollapseAll(int From, int To);
  void ExpandAll(int From, int To);
  void CollapseSelection(int Start, int End);
  void ExpandLines(int First, int Last);
  bool LineVisible(int Line) const;
  // Moves the caret off hidden lines: to the nearest visible line after it (Forward) or before
  // it. The caret part extends this with the rest of the caret rules.
  void NormalizeCaret(bool Forward);

  // ---- TMemoPart
  // ----------------------------------------------------------------------------------
  void TextChanged(int Pos, int Count, int LineChange) override;
  void FormatChanged() override;
  void AnalysisFinished() override;
  void DocumentChanged() override;
  void LayoutChanged() override;
  void Resized() override;

 private:
  // ILayoutSite
  const TSyntMemoStrings& LayoutLines() const override;
  int NextTabStop(int Column, bool Inclusive) const override;
  ILineMeasurer* LineMeasurer() override { return measurer_; }
  void AfterCalcLineInfo(TLineInfo& Info, int Line) override;
  void DisplayLineCountChanged() override {}
  void LineLaidOut(int Line) override;

  // Settings from the control; true when anything changed.
  void ReadSettings();
  ISyntDisplayQueries* Queries() const;
  bool FoldingOff() const;
  // The hidden lines of the collapsed blocks (none while folding is disabled) to the layout.
  void ApplyHidden();
  // Recount, normalise the caret backward, repaint, OnCollapsedChanged.
  void ReportChange();
  // A block from StartPos to EndPos folded as the rules say; null when it spans one line.
  TCollapsedRange* MakeRange(int StartPos, int EndPos, std::u16string Text) const;
  bool CollapseTextRange(const TTextRange* Range, bool Report);
  bool CollapseUserRange(const TUserRange* Range, bool Report);
  bool Collapsible(const TTextRange* Range) const;
  // Adds a range unless one with the same start already folds; true when added.
  bool AddRange(TCollapsedRange* Range);
  // After a pass: each block folded from the analysis or a user range is looked up again.
  void Reanchor();

  TCollapsedRanges collapsed_;
  TLineLayout layout_;
  ILineMeasurer* measurer_ = nullptr;
  bool foldingOff_ = false;
};

}  // namespace synt
