// The state of one walk of the line painter over a line (painting, measuring or hit-testing),
// shared by the painter's source files.
#pragma once

#include <utility>
#include <vector>

#include "editor/line_painter.h"

namespace synt {

inline int NextTabStop(const TTabList* Tabs, int Column) {
  if (!Tabs) return Column + 1;
  return Tabs->NextTab(Column, false);
}

enum class TWalkMode { Paint, Measure, HitTest };

// What makes two staples look the same on a line.
struct TDrawnStaple {
  int X = 0;
  bool Starts = false, Ends = false;
  const void* Pen = nullptr;  // the rule with its own pen, else null (StaplePen)
  bool operator==(const TDrawnStaple&) const = default;
};

struct TLinePainter::TRun {
  int Start = 0, Len = 0;
  TRunText Out;
  std::vector<int> Edges;  // per unit of Out.Text
  int Width = 0, TextHeight = 0;
  bool Hidden = false;
  // The x of the left edge of source unit i of the run, from the run's start.
  int UnitX(int I) const { return Hidden ? 0 : Edges[size_t(Out.Map[size_t(I)])]; }
};

struct TLinePainter::TWalk {
  TWalkMode Mode = TWalkMode::Paint;
  TCanvas* C = nullptr;
  int Line = 0;
  const TLineRows* Rows = nullptr;
  int FirstRow = 0;
  TRect Rect;
  int TextLeft = 0;
  const TLineCollapse* Collapse = nullptr;
  std::u16string_view Text;  // the whole text: offsets are absolute
  // Per line.
  int LineStart = 0, LineEnd = 0, VisEnd = 0;
  int BreakLine = 0;  // the line whose break glyph ends the visible text
  std::u16string CollapseText;
  bool HasCollapseText = false;
  bool Own = true, SelVisible = false, Dynamic = false, TransparentCells = false;
  bool BlockHere = false;
  int SelS = -1, SelE = -1;  // absolute; -1: none on this line
  TLineHighlightAttr Hl1, Hl2;
  TSyntaxFormat* LineStyle = nullptr;
  bool CaretLine = false;
  std::vector<TBlockStaple*> Staples;
  std::vector<std::pair<int, int>> StapleSpans;  // each staple's first and last line
  size_t StapleNext = 0;  // staples are in x order; those before this one are done
  int StapleLevel = 0;
  std::vector<TDrawnStaple> DrawnStaples;
  std::vector<TPaintMarker> Markers;  // Column = character index from LineStart
  // Position.
  int Pos = 0, Row = 0, X = 0, RowTop = 0, Column = 0;
  int RowStart = 0;
  std::vector<int> RowX;  // x of the left edge of each unit from RowStart, and after the last
  bool Stop = false;
  TMergeFlags Flags;
  bool StripPending = false;
  TColor StripColor = clNone;
  TStyleEntries Entries;
  std::vector<const TSyntaxFormat*> Applied;  // traced styles of the current merge
  TRun Run;  // the run being drawn; its buffers are reused run after run
  std::vector<int> Cells;
  // Outputs.
  std::vector<std::pair<int, int>>* RunHeights = nullptr;
  int TargetRow = -1;  // hit-testing: stop after this row
};

}  // namespace synt
