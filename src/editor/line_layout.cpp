#include "editor/line_layout.h"

#include <algorithm>

#include "editor/display_columns.h"
#include "editor/display_map.h"
#include "lists/char_utils.h"
#include "platform/clusters.h"
#include "text/memo_strings.h"

namespace synt {

// ---- TLineInfo ------------------------------------------------------------------------------

int TLineInfo::WrapPoint(int Index) const {
  if (wrapPoints_.empty()) return -1;
  if (Index < 0 || Index >= int(wrapPoints_.size())) return INT_MAX;
  return wrapPoints_[size_t(Index)];
}

void TLineInfo::SetWrapPoint(int Index, int Pos) {
  if (Index < 0 || Index > int(wrapPoints_.size())) throw Exception("Invalid wordbreak setting");
  wrapPoints_.resize(size_t(Index));
  wrapPoints_.push_back(Pos);
}

int TLineInfo::RowOfChar(int X) const {
  for (size_t i = 0; i < wrapPoints_.size(); ++i)
    if (wrapPoints_[i] > X) return int(i);
  return int(wrapPoints_.size());
}

int TLineInfo::RowHeight(int Row) const {
  return Row >= 0 && Row < int(heights_.size()) ? heights_[size_t(Row)] : 0;
}

int TLineInfo::RowWidth(int Row) const {
  return Row >= 0 && Row < int(widths_.size()) ? widths_[size_t(Row)] : 0;
}

void TLineInfo::SetRow(int Row, int Height, int Width) {
  if (Row < 0) return;
  if (Row >= int(heights_.size())) {
    heights_.resize(size_t(Row) + 1, 0);
    widths_.resize(size_t(Row) + 1, 0);
  }
  heights_[size_t(Row)] = Height;
  widths_[size_t(Row)] = Width;
}

int TLineInfo::TotalHeight() const {
  int h = 0;
  for (int r : heights_) h += r;
  return h;
}

int TLineInfo::WidestRow() const {
  int w = 0;
  for (int r : widths_) w = std::max(w, r);
  return w;
}

void TLineInfo::Clear() {
  wrapPoints_.clear();
  heights_.clear();
  widths_.clear();
}

// ---- Measuring and breaking -----------------------------------------------------------------

namespace {

bool Continues(std::u16string_view Text, size_t I) {
  // Below U+0300 nothing combines and nothing is a surrogate half.
  return Text[I] >= 0x300 && ContinuesCluster(Text, I);
}

int LeftOf(const std::vector<int>& Edges, int I) {
  return I > 0 ? Edges[size_t(I) - 1] : 0;
}

}  // namespace

int MeasureFixedPitch(std::u16string_view Text, int CellWidth, bool AllowZeroTab,
                      const std::function<int(int Column, bool Inclusive)>& NextTabStop,
                      std::vector<int>& Edges) {
  Edges.resize(Text.size());
  int col = 0;
  for (size_t i = 0; i < Text.size(); ++i) {
    col = AdvanceColumn(Text, i, col, AllowZeroTab, NextTabStop);
    Edges[i] = col * CellWidth;
  }
  return col;
}

int FindWrapBreak(std::u16string_view Text, const std::vector<int>& Edges, int RowStart, int Width,
                  bool WrapAtSpace) {
  const int n = std::min(int(Text.size()), int(Edges.size()));
  if (RowStart < 0) RowStart = 0;
  if (RowStart >= n) return -1;
  const int base = LeftOf(Edges, RowStart);
  // A break must leave a character on the row and must not split a cluster.
  auto boundaryAfter = [&](int i) {
    while (i < n && Continues(Text, size_t(i))) ++i;
    return i;
  };
  int candidate = -1;
  bool rowStart = true;  // no blank and no non-word character met since the row started
  bool blankSeen = false;
  for (int i = RowStart; i < n; ++i) {
    if (Continues(Text, size_t(i))) continue;
    const char16_t c = Text[size_t(i)];
    const int right = Edges[size_t(i)] - base;
    if (IsSpaceChar(c)) {
      candidate = boundaryAfter(i + 1);
      rowStart = false;
      blankSeen = true;
      if (WrapAtSpace ? right >= Width : right > Width) return candidate < n ? candidate : -1;
      continue;
    }
    const bool word = IsWordChar(c);
    if (i > RowStart && (!IsWordChar(Text[size_t(i) - 1]) || !word || rowStart)) candidate = i;
    if (!word) rowStart = false;
    // Past the width: the row ends here, unless a blank can still end it (WrapAtSpace).
    if (right > Width && !(WrapAtSpace && blankSeen)) {
      if (candidate > RowStart) return candidate;
      return boundaryAfter(i + 1) < n ? boundaryAfter(i + 1) : -1;
    }
  }
  return -1;
}

// ---- TLineLayout ----------------------------------------------------------------------------

TLineLayout::TLineLayout(ILayoutSite& Site) : site_(Site), map_(std::make_unique<TDisplayMap>()) {
  map_->Reset(Site.LayoutLines().GetCount(), false);
}

TLineLayout::~TLineLayout() = default;

int TLineLayout::LineCount() const {
  return site_.LayoutLines().GetCount();
}

void TLineLayout::SetSettings(const TLayoutSettings& Value) {
  if (Value == settings_) return;
  const TLayoutSettings old = settings_;
  settings_ = Value;
  const bool rowsChange =
      old.WordWrap != Value.WordWrap ||
      (Value.WordWrap &&
       (old.WrapWidth != Value.WrapWidth || old.WrapAtSpace != Value.WrapAtSpace ||
        old.FixedPitch != Value.FixedPitch || old.CellWidth != Value.CellWidth ||
        old.AllowZeroTab != Value.AllowZeroTab));
  TLayoutSettings shape = Value, oldShape = old;
  shape.VirtualCaretPos = oldShape.VirtualCaretPos = false;
  if (!(shape == oldShape)) InvalidateLineInfos(0, -1, false);
  if (rowsChange) {
    map_->ResetRows(Value.WordWrap);
    site_.DisplayLineCountChanged();
  }
  spare_.SetDirty(true);
}

void TLineLayout::MeasureLine(int Line, TLineMeasure& Out) {
  ILineMeasurer* m = settings_.FixedPitch ? nullptr : site_.LineMeasurer();
  if (m) {
    Out.Edges.clear();
    Out.RunHeights.clear();
    m->MeasureLine(Line, Out);
    return;
  }
  const TSyntMemoStrings& lines = site_.LayoutLines();
  MeasureFixedPitch(
      lines.LineText(Line), std::max(0, settings_.CellWidth), settings_.AllowZeroTab,
      [this](int c, bool inclusive) { return site_.NextTabStop(c, inclusive); }, Out.Edges);
  Out.RunHeights.assign(1, {0, settings_.CellHeight});
}

int TLineLayout::Compute(int Line, TLineInfo& Info) {
  Info.Clear();
  MeasureLine(Line, scratch_);
  const std::u16string_view text = site_.LayoutLines().LineText(Line);
  const int n = std::min(int(text.size()), int(scratch_.Edges.size()));
  if (settings_.WordWrap) {
    for (int start = 0, row = 0;;) {
      int b = FindWrapBreak(text.substr(0, size_t(n)), scratch_.Edges, start, settings_.WrapWidth,
                            settings_.WrapAtSpace);
      if (b < 0 || b >= n) break;
      if (b <= start) b = start + 1;  // every row holds a character
      Info.SetWrapPoint(row++, b);
      start = b;
    }
  }
  const auto& runs = scratch_.RunHeights;
  size_t run = 0;
  const int rows = Info.RowCount();
  for (int r = 0; r < rows; ++r) {
    const int s = Info.RowStart(r), e = std::max(s, Info.RowEnd(r, n));
    int h = 0;
    if (settings_.FixedLineHeight || runs.empty()) {
      h = settings_.CellHeight;
    } else {
      // Runs are in order: the run holding s, then every run starting before e.
      while (run + 1 < runs.size() && runs[run + 1].first <= s) ++run;
      h = runs[run].second;
      for (size_t k = run + 1; k < runs.size() && runs[k].first < e; ++k)
        h = std::max(h, runs[k].second);
    }
    h += settings_.LineSpacing;
    if (r == 0) h += settings_.LineSpacingBefore;
    if (r == rows - 1) h += settings_.LineSpacingAfter;
    const int w = e > s ? LeftOf(scratch_.Edges, e) - LeftOf(scratch_.Edges, s) : 0;
    Info.SetRow(r, h, w);
  }
  Info.SetDirty(false);
  return rows;
}

int TLineLayout::CountRows(int Line) {
  if (!settings_.WordWrap) return 1;
  const std::u16string_view text = site_.LayoutLines().LineText(Line);
  const bool fixed = settings_.FixedPitch || !site_.LineMeasurer();
  if (fixed && settings_.CellWidth > 0) {
    // Most lines fit: count their columns without keeping edges, and stop once past the width.
    const int64_t limit = settings_.WrapWidth / settings_.CellWidth;
    if (int64_t(text.size()) <= limit) {
      // One cell per unit unless a tab or a unit from U+0300 on is met (a loop without exits, which
      // the compiler turns into vector code).
      unsigned special = 0;
      for (char16_t c : text) special |= unsigned(c == u'\t') | unsigned(c >= 0x300);
      if (!special) return 1;
    }
    int64_t col = 0;
    size_t i = 0;
    for (; i < text.size() && col <= limit; ++i) {
      const char16_t c = text[i];
      if (c == u'\t') {
        const bool inclusive = settings_.AllowZeroTab && i > 0 && text[i - 1] != u'\t' &&
                               !IsLineBreakChar(text[i - 1]);
        col = std::max<int64_t>(col, site_.NextTabStop(int(col), inclusive));
      } else {
        col += c < 0x300 ? 1 : 2;  // at most two cells: a cluster's first unit, a wide character
      }
    }
    if (i == text.size() && col <= limit) return 1;
  }
  MeasureLine(Line, scratch_);
  const int n = std::min(int(text.size()), int(scratch_.Edges.size()));
  if (n == 0 || scratch_.Edges[size_t(n) - 1] <= settings_.WrapWidth) return 1;
  int rows = 1;
  for (int start = 0;;) {
    int b = FindWrapBreak(text.substr(0, size_t(n)), scratch_.Edges, start, settings_.WrapWidth,
                          settings_.WrapAtSpace);
    if (b < 0 || b >= n) return rows;
    if (b <= start) b = start + 1;
    ++rows;
    start = b;
  }
}

void TLineLayout::Settle() {
  if (map_->LineCount() != LineCount()) {
    // A change the layout did not hear of: start again rather than answer from a wrong map.
    const std::vector<TRange> spans = map_->HiddenSpans();
    map_->Reset(LineCount(), settings_.WordWrap);
    map_->ApplyHidden(spans);
  }
  if (map_->StaleVisible() == 0 || settling_) return;
  settling_ = true;
  const int before = map_->VisibleRows();
  map_->MeasureStaleVisible([this](int line, TLineInfo* info) {
    if (!info) return CountRows(line);
    Compute(line, *info);
    site_.AfterCalcLineInfo(*info, line);
    return info->RowCount();
  });
  settling_ = false;
  if (map_->VisibleRows() != before) site_.DisplayLineCountChanged();
}

TLineInfo& TLineLayout::GetLineInfo(int Line) {
  if (map_->LineCount() != LineCount()) Settle();
  if (Line < 0 || Line >= map_->LineCount()) {
    if (spare_.Dirty()) {
      spare_.Clear();
      spare_.SetRow(0,
                    settings_.CellHeight + settings_.LineSpacing + settings_.LineSpacingBefore +
                        settings_.LineSpacingAfter,
                    0);
      spare_.SetDirty(false);
    }
    return spare_;
  }
  TLineInfo& info = map_->MakeInfo(Line);
  if (!info.Dirty()) return info;
  Compute(Line, info);
  site_.AfterCalcLineInfo(info, Line);
  const int rows = info.RowCount();
  if (map_->Stale(Line) || map_->Rows(Line) != rows) {
    const int before = map_->VisibleRows();
    map_->SetRows(Line, rows);
    if (map_->VisibleRows() != before) site_.DisplayLineCountChanged();
  }
  site_.LineLaidOut(Line);
  return info;
}

void TLineLayout::InvalidateLineInfos(int First, int Last, bool Free) {
  if (map_->LineCount() != LineCount()) Settle();
  if (Last < 0 || Last >= map_->LineCount()) Last = map_->LineCount() - 1;
  First = std::max(First, 0);
  if (First > Last) return;
  map_->ForEachInfo(First, Last, [Free](TLineInfo& i) {
    if (Free) i.Clear();
    i.SetDirty(true);
  });
  if (settings_.WordWrap) map_->SetStale(First, Last);
}

void TLineLayout::StylesChanged() {
  if (map_->LineCount() != LineCount()) Settle();
  map_->ForEachInfo(0, map_->LineCount() - 1, [](TLineInfo& i) { i.SetDirty(true); });
  if (settings_.WordWrap && !settings_.FixedPitch && site_.LineMeasurer())
    map_->SetStale(0, map_->LineCount() - 1);
}

int TLineLayout::LineInfoCount() const {
  return map_->InfoCount();
}

void TLineLayout::TextChanged(int Pos, int Count, int LineChange) {
  const int lines = LineCount();
  if (Pos < 0 || map_->LineCount() + LineChange != lines) {
    map_->Reset(lines, settings_.WordWrap);
    topLine_ = topRow_ = 0;
    spare_.SetDirty(true);
    site_.DisplayLineCountChanged();
    return;
  }
  const int L = site_.LayoutLines().LineOfPos(Pos);
  if (LineChange > 0) map_->InsertLines(L + 1, LineChange, settings_.WordWrap);
  if (LineChange < 0) map_->DeleteLines(L + 1, -LineChange);
  InvalidateLineInfos(L, L + std::max(LineChange, 0), false);
  if (topLine_ > L) {
    if (LineChange < 0 && topLine_ <= L - LineChange) {
      topLine_ = L;
      topRow_ = 0;
    } else {
      topLine_ += LineChange;
    }
  }
  if (LineChange != 0) site_.DisplayLineCountChanged();
}

void TLineLayout::SetHiddenLines(const TRangeList<TRange>& Spans) {
  if (map_->LineCount() != LineCount()) Settle();
  std::vector<TRange> spans(Spans.begin(), Spans.end());
  map_->ApplyHidden(spans);
}

bool TLineLayout::LineVisible(int Line) const {
  return Line < 0 || Line >= map_->LineCount() || map_->HiddenSpanAt(Line) < 0;
}

int TLineLayout::NextVisibleLine(int Line) const {
  const int count = map_->LineCount();
  if (Line < 0) Line = 0;
  if (Line >= count) return settings_.VirtualCaretPos ? Line : PriorVisibleLine(count - 1);
  const int s = map_->HiddenSpanAt(Line);
  if (s < 0) return Line;
  const TRange& span = map_->HiddenSpans()[size_t(s)];
  return span.EndPos < count ? span.EndPos : std::max(0, span.StartPos - 1);
}

int TLineLayout::PriorVisibleLine(int Line) const {
  const int count = map_->LineCount();
  if (Line >= count) {
    if (settings_.VirtualCaretPos) return Line;
    Line = count - 1;
  }
  if (Line <= 0) return 0;
  const int s = map_->HiddenSpanAt(Line);
  if (s < 0) return Line;
  return std::max(0, map_->HiddenSpans()[size_t(s)].StartPos - 1);
}

int TLineLayout::DisplayLineCount() {
  Settle();
  return map_->VisibleRows();
}

int TLineLayout::DisplayIndex(int Line, int Row) {
  Settle();
  const int count = map_->LineCount();
  if (Line < 0) return 0;
  if (Line >= count) return map_->VisibleRows() + (Line - count);
  if (!LineVisible(Line)) {
    Line = PriorVisibleLine(Line);
    Row = 0;
  }
  Row = std::clamp(Row, 0, map_->Rows(Line) - 1);
  return map_->RowsBefore(Line) + Row;
}

TDisplayPos TLineLayout::DisplayToLine(int Index) {
  Settle();
  const int total = map_->VisibleRows();
  if (Index < 0) Index = 0;
  if (Index >= total) return {map_->LineCount() + (Index - total), 0};
  return map_->Locate(Index);
}

void TLineLayout::ClampTop() {
  const int count = map_->LineCount();
  if (count == 0) {
    topLine_ = topRow_ = 0;
    return;
  }
  topLine_ = std::clamp(topLine_, 0, count - 1);
  if (!LineVisible(topLine_)) {
    topLine_ = PriorVisibleLine(topLine_);
    topRow_ = 0;
  }
  topRow_ = std::clamp(topRow_, 0, map_->Rows(topLine_) - 1);
}

TDisplayPos TLineLayout::TopPos() {
  Settle();
  ClampTop();
  return {topLine_, topRow_};
}

int TLineLayout::TopDisplayLine() {
  const TDisplayPos p = TopPos();
  if (map_->LineCount() == 0) return 0;
  return map_->RowsBefore(p.Line) + p.Row;
}

void TLineLayout::SetTopDisplayLine(int Index) {
  Settle();
  const int total = map_->VisibleRows();
  if (total == 0) {
    topLine_ = topRow_ = 0;
    return;
  }
  const TDisplayPos p = map_->Locate(std::clamp(Index, 0, total - 1));
  topLine_ = p.Line;
  topRow_ = p.Row;
}

void TLineLayout::Check() const {
  map_->Check();
}

size_t TLineLayout::MemoryUsage() const {
  return sizeof(*this) + map_->MemoryUsage() + scratch_.Edges.capacity() * sizeof(int) +
         scratch_.RunHeights.capacity() * sizeof(std::pair<int, int>);
}

}  // namespace synt
