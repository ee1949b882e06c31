// The collapsed blocks of an editor: which lines each one hides, kept in step with the text, and
// the merged spans of hidden lines that the line layout leaves out.
//
//   synt::TCollapsedRanges folds;
//   auto* r = new synt::TCollapsedRange(/*Line=*/2, /*StartPos=*/30, /*EndPos=*/95,
//                                       /*LineCount=*/4, u"procedure Foo");
//   folds.Add(r);                         // lines 3..5 hidden
//   folds.LineVisible(4);                 // false
//   folds.TextChanged(0, 10, 1, 0);       // ten units and a line break inserted above: Line 3
//   layout.SetHiddenLines(folds.HiddenSpans());
#pragma once

#include <string>
#include <vector>

#include "lists/range_list.h"
#include "lists/sorted_list.h"
#include "platform/persistent.h"

namespace synt {

class TCollapsedRange : public TSortedItem {
 public:
  TCollapsedRange() = default;
  TCollapsedRange(int ALine, int AStartPos, int AEndPos, int ALineCount,
                  std::u16string ACollapsedText = {}, bool AFromSelection = false)
      : Line(ALine),
        StartPos(AStartPos),
        EndPos(AEndPos),
        LineCount(ALineCount),
        FromSelection(AFromSelection),
        CollapsedText(std::move(ACollapsedText)) {}

  int Line = 0;       // the first line; it stays visible
  int StartPos = 0;   // offset of the block start (identifies the block it came from)
  int EndPos = 0;     // offset of the block end
  int LineCount = 0;  // lines covered, Line included: Line + 1 .. Line + LineCount - 1 are hidden
  bool Fresh = true;  // cleared by a text change that touches it, set by re-anchoring
  bool FromSelection = false;
  std::u16string CollapsedText;

  int GetKey() const override { return Line; }
  // The last line covered.
  int LastLine() const { return Line + LineCount - 1; }
};

class TCollapsedRanges : public TPersistent {
  SYNT_CLASS_INFO()

 public:
  TCollapsedRanges() = default;

  int Count() const { return items_.Count(); }
  TCollapsedRange* Items(int Index) const { return items_.Items(Index); }
  // Takes Item over (a range covering fewer than two lines hides nothing but is kept).
  void Add(TCollapsedRange* Item);
  void Clear();
  void Delete(int Index);
  // The first range starting on Line, or null / -1.
  TCollapsedRange* ItemAtLine(int Line) const { return items_.ItemAt(Line); }
  int IndexAtLine(int Line) const { return items_.IndexAt(Line); }
  // The range starting on Line at StartPos, else -1.
  int IndexOfStart(int Line, int StartPos) const;
  bool LineVisible(int Line) const { return hidden_.RangeAt(Line) < 0; }
  // Merged spans [Line + 1, Line + LineCount) of every range.
  const TRangeList<TRange>& HiddenSpans() const { return hidden_; }

  // Follows a change of the text at Pos by Count units and LineChange lines (Pos -1: the whole
  // text; everything goes). ChangeLine is the line holding Pos. A range the change reaches into
  // goes; a deletion that swallows a range's start takes the range with it; ranges after the
  // change move. True when anything changed.
  bool TextChanged(int Pos, int Count, int LineChange, int ChangeLine);
  // Deletes the ranges Pred accepts (in one pass, the spans rebuilt once); their number.
  template <class Pred>
  int DeleteIf(Pred pred);
  // Call after changing items' Line or LineCount in place (restores their order, too).
  void RebuildSpans();

  void Assign(const TPersistent* Source) override;
  // Throws std::logic_error when the order or the spans are broken.
  void Check() const;

 private:
  TSortedList<TCollapsedRange> items_{true};
  TRangeList<TRange> hidden_{true};
};

template <class Pred>
int TCollapsedRanges::DeleteIf(Pred pred) {
  std::vector<TCollapsedRange*> gone;
  items_.ExtractIf(0, pred, gone);
  for (TCollapsedRange* r : gone) delete r;
  if (!gone.empty()) RebuildSpans();
  return int(gone.size());
}

}  // namespace synt
