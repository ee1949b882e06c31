// Between text lines and screen rows: the layout of each line (wrap points, row heights and
// widths), the word-wrap break search, and the display-line map that leaves out the lines hidden
// by collapsed ranges and counts every row of a wrapped line.
//
//   synt::TLineLayout layout(site);                 // site: the editor (ILayoutSite)
//   layout.SetSettings(settings);                   // word wrap, wrap width, cell, spacing ...
//   const synt::TLineInfo& info = layout.GetLineInfo(12);   // computed when dirty
//   for (int r = 0; r < info.RowCount(); ++r) Paint(12, r, info.RowHeight(r));
//   int d = layout.DisplayIndex(12, 1);             // the second row of line 12 on screen
//   synt::TDisplayPos p = layout.DisplayToLine(d);  // back again: {12, 1}
//   layout.SetHiddenLines(collapsed.HiddenSpans()); // after collapsing or expanding
//
// The map keeps one row count per text line in blocks with running sums, so both directions of
// the mapping, a row-count change and inserting or deleting lines cost O(log n) plus one block.
// Row counts are exact for every visible line whenever a query answers: lines whose layout went
// stale are measured again (only those) before the next query.
#pragma once

#include <climits>
#include <functional>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "lists/range_list.h"

namespace synt {

class TSyntMemoStrings;
class TDisplayMap;

// How wide each unit of a line's visible text is drawn and how tall its runs are: the line
// routine's measuring mode fills it.
struct TLineMeasure {
  std::vector<int> Edges;  // Edges[i]: x after unit i, from the line's left edge (tabs expanded)
  std::vector<std::pair<int, int>> RunHeights;  // (first unit, height) of each run, in order
};
class ILineMeasurer {
 public:
  virtual void MeasureLine(int Line, TLineMeasure& Out) = 0;

 protected:
  ~ILineMeasurer() = default;
};

// The layout of one text line: where its 2nd, 3rd ... display rows start, and each row's height
// and width in pixels.
class TLineInfo {
 public:
  int RowCount() const { return int(wrapPoints_.size()) + 1; }
  const std::vector<int>& WrapPoints() const { return wrapPoints_; }
  // -1 when the line does not wrap; INT_MAX past the last wrap point.
  int WrapPoint(int Index) const;
  // Points are recorded in order: Index may replace a point or append one (Index == count);
  // later points are dropped. Anything else raises "Invalid wordbreak setting".
  void SetWrapPoint(int Index, int Pos);
  // The row holding character X: the first row whose wrap point exceeds X, else the last.
  int RowOfChar(int X) const;
  // The first character of Row and the character after its end (Length: the line's length).
  int RowStart(int Row) const { return Row <= 0 ? 0 : wrapPoints_[size_t(Row) - 1]; }
  int RowEnd(int Row, int Length) const {
    return Row + 1 < RowCount() ? wrapPoints_[size_t(Row)] : Length;
  }

  // 0 for a row not measured yet.
  int RowHeight(int Row) const;
  int RowWidth(int Row) const;
  void SetRow(int Row, int Height, int Width);
  int TotalHeight() const;
  int WidestRow() const;

  bool Dirty() const { return dirty_; }
  void SetDirty(bool Value) { dirty_ = Value; }
  // Forgets the wrap points and the rows (a line laid out again from scratch).
  void Clear();

 private:
  std::vector<int> wrapPoints_;
  std::vector<int> heights_;
  std::vector<int> widths_;
  bool dirty_ = true;
};

// A display row: a text line and the wrapped piece of it.
struct TDisplayPos {
  int Line = 0;
  int Row = 0;
  friend bool operator==(const TDisplayPos&, const TDisplayPos&) = default;
};

// What shapes the rows, as the editor chose it.
struct TLayoutSettings {
  bool WordWrap = false;
  int WrapWidth = 0;             // pixels: the text area, or the right margin in average widths
  bool WrapAtSpace = false;      // a row may run on to the first blank past the wrap width
  bool FixedPitch = true;        // cell multiples, no measuring
  int CellWidth = 8;             // the cached character cell (fixed pitch), or the blank width
  int CellHeight = 16;           // default text height of a row
  bool FixedLineHeight = false;  // every row takes CellHeight whatever its fonts
  bool AllowZeroTab = false;     // a tab right after text may end on the stop it starts at
  bool VirtualCaretPos = false;  // lines past the text are rows of their own
  int LineSpacing = 1;
  int LineSpacingBefore = 0;
  int LineSpacingAfter = 0;
  friend bool operator==(const TLayoutSettings&, const TLayoutSettings&) = default;
};

// What the layout asks of its editor.
class ILayoutSite {
 public:
  virtual const TSyntMemoStrings& LayoutLines() const = 0;
  // The tab-stop rule of the editor's tab list.
  virtual int NextTabStop(int Column, bool Inclusive) const = 0;
  // The painter's measuring mode; null (or fixed pitch) uses the cell arithmetic.
  virtual ILineMeasurer* LineMeasurer() { return nullptr; }
  // OnAfterCalcLineInfo; the handler may change the wrap points and rows.
  virtual void AfterCalcLineInfo(TLineInfo& Info, int Line) {}
  // The number of display lines changed (scroll bars).
  virtual void DisplayLineCountChanged() {}
  // A line's layout was computed; the caret is normalised forward and moved there when it is on
  // Line.
  virtual void LineLaidOut(int Line) {}

 protected:
  ~ILayoutSite() = default;
};

// The x after each unit of Text in fixed pitch: one cell per cluster, two for East Asian wide
// characters, a tab to its stop (NextTabStop on display columns, the inclusive rule for a tab
// right after text when AllowZeroTab). Edges gets Text.size() entries. Returns the columns used.
int MeasureFixedPitch(std::u16string_view Text, int CellWidth, bool AllowZeroTab,
                      const std::function<int(int Column, bool Inclusive)>& NextTabStop,
                      std::vector<int>& Edges);

// The break search of word wrap over a line whose units end at Edges[i] (line-relative x): the
// first unit of the row after the one starting at RowStart, or -1 when the rest of the line fits
// in Width. A word that starts a row is cut at the width; otherwise the row ends after its last
// blank or before a non-word character. A row always keeps at least one character (a cluster),
// whatever Width, and a break never splits a cluster.
int FindWrapBreak(std::u16string_view Text, const std::vector<int>& Edges, int RowStart, int Width,
                  bool WrapAtSpace);

class TLineLayout {
 public:
  explicit TLineLayout(ILayoutSite& Site);
  ~TLineLayout();
  TLineLayout(const TLineLayout&) = delete;
  TLineLayout& operator=(const TLineLayout&) = delete;

  const TLayoutSettings& Settings() const { return settings_; }
  // Every layout becomes dirty when anything that shapes rows changed.
  void SetSettings(const TLayoutSettings& Value);

  // ---- Per-line layouts ------------------------------------------------------------------------
  // The layout of Line, computed when dirty; outside the text the spare one (one row of the
  // default height). Valid until the next change of the text, the settings or the layouts.
  TLineInfo& GetLineInfo(int Line);
  // Marks the layouts of lines First..Last (-1: to the end) dirty; Free also forgets their rows.
  void InvalidateLineInfos(int First, int Last, bool Free);
  // Styles or fonts changed: every layout is dirty; row counts are measured again only where the
  // painter measures them (proportional fonts with word wrap).
  void StylesChanged();
  // Layouts kept as objects (lines asked for); the rest is one row count per line.
  int LineInfoCount() const;

  // ---- Following the text ----------------------------------------------------------------------
  // Every change of the text (Pos -1: the whole text was replaced), after the storage applied it.
  void TextChanged(int Pos, int Count, int LineChange);

  // ---- Hidden lines
  // ------------------------------------------------------------------------------ The spans of
  // lines that collapsed ranges hide (sorted, merged).
  void SetHiddenLines(const TRangeList<TRange>& Spans);
  bool LineVisible(int Line) const;

  // ---- Display mapping -------------------------------------------------------------------------
  int DisplayLineCount();
  // Rows of the visible lines before Line, plus Row (clamped to the line's rows). A hidden line
  // stands at the first line of the block hiding it; a line past the text counts one row per line
  // after the last display line.
  int DisplayIndex(int Line, int Row = 0);
  // The line and row of a display index; an index at or past the count gives a line past the
  // text (one row each), a negative one the first display line.
  TDisplayPos DisplayToLine(int Index);
  // The first visible line at or after Line, and the last at or before it. Below the text: the
  // last line, or Line itself with VirtualCaretPos. Never below 0.
  int NextVisibleLine(int Line) const;
  int PriorVisibleLine(int Line) const;

  // ---- The top display line
  // ---------------------------------------------------------------------- The first display line
  // shown, kept on the same text row through edits, collapsing and wrap changes (moved to the
  // nearest visible row when its line goes), never below 0.
  int TopDisplayLine();
  void SetTopDisplayLine(int Index);
  TDisplayPos TopPos();

  // Throws std::logic_error when the map disagrees with itself.
  void Check() const;
  // Bytes held by the layout (the map, the layout objects), for the benchmarks.
  size_t MemoryUsage() const;

 private:
  int LineCount() const;
  // Measures Line as the settings say: fills Edges (and the run heights when measured).
  void MeasureLine(int Line, TLineMeasure& Out);
  // Lays Line out into Info (rows, heights, widths). Returns the row count.
  int Compute(int Line, TLineInfo& Info);
  // Only the row count of Line (the walk that counts display lines).
  int CountRows(int Line);
  // Measures the visible lines whose row count went stale.
  void Settle();
  void ClampTop();

  ILayoutSite& site_;
  TLayoutSettings settings_;
  std::unique_ptr<TDisplayMap> map_;
  TLineInfo spare_;
  TLineMeasure scratch_;
  int topLine_ = 0;
  int topRow_ = 0;
  bool settling_ = false;  // a handler asked for the map while it was being measured
};

}  // namespace synt
