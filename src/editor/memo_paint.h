// The painting part of the editor control: the window paint order (background, separators, each
// visible line through the line painter, the area below the text), the style collection the
// control offers its descendants, the measuring the line layout asks for, and hit-testing for the
// caret. The control routes its painting here (see its "Painting" block).
//
//   synt::TMemoPaintPart& p = memo.PaintPart();
//   p.SearchMarks().Add(synt::TRange(10, 14));          // shown with the search-mark style
//   memo.Invalidate();
//   int unit = p.UnitAt(3, 0, 40);                      // the character under x = 40 of line 3
//
// Painting swallows exceptions so that the screen stays alive: each one goes to the application
// exception handler (platform/app_exceptions.h), which a GUI shows and the tests turn into a
// failure.
#pragma once

#include <vector>

#include "editor/line_layout.h"
#include "editor/line_painter.h"
#include "editor/memo_part.h"
#include "editor/style_merge.h"
#include "lists/range_list.h"

namespace synt {

class TCustomSyntaxMemo;

class TMemoPaintPart : public TMemoPart, public ILineMeasurer {
 public:
  explicit TMemoPaintPart(TCustomSyntaxMemo& Memo);
  ~TMemoPaintPart() override;

  // The control's Paint.
  void Paint(TCanvas& Canvas, const TRect& UpdateRect);
  // Painting is suspended while the count is above zero (the control's update bracket).
  void SuspendPaint() { ++suspended_; }
  void ResumePaint() { suspended_ = suspended_ > 0 ? suspended_ - 1 : 0; }
  bool PaintSuspended() const { return suspended_ > 0; }

  // The style entries at Pos (the control's CollectStyleEntries).
  int CollectStyleEntries(int Pos, TStyleEntries& Entries, bool WithLineStyles, unsigned Sources);

  // The search marks: ranges shown with the search-mark style (touching ones merge).
  TRangeList<TRange>& SearchMarks() { return searchMarks_; }
  // Told of every run drawn, with the styles merged for it (tools and dumps; null: nobody).
  void SetRunObserver(decltype(TPaintContext::OnRun) Observer) { ctx_.OnRun = std::move(Observer); }
  // Markers to draw, handed over by whoever keeps the marker stack.
  void SetMarkers(std::vector<TPaintMarker> Markers) { markers_ = std::move(Markers); }

  // The x of column 0: the gutter, the text margin strip.
  int TextAreaLeft() const;

  // Hit-testing, with the painter's own geometry: the character of Row of Line under X (text-area
  // pixels from column 0), and the x of character Unit with its row.
  int UnitAt(int Line, int Row, int X);
  int XOfUnit(int Line, int Unit, int& Row);

  // A line on a canvas that is not the window's (the hint's preview), with Options as the print
  // options: its width and row height unwrapped, and painted into Rect from column 0 at its left.
  TSize MeasureForeignLine(TCanvas& Canvas, int Line, TSyntMemoPrintOptions Options);
  void PaintForeignLine(TCanvas& Canvas, int Line, TSyntMemoPrintOptions Options,
                        const TRect& Rect);

  // ILineMeasurer: the line layout measures proportional text here.
  void MeasureLine(int Line, TLineMeasure& Out) override;

  void TextChanged(int Pos, int Count, int LineChange) override;
  // Fonts, zoom, the tab list or the lexer changed: staples take their places again.
  void FormatChanged() override { painter_.ForgetStaples(); }
  void DocumentChanged() override { painter_.ForgetStaples(); }
  void SettingsChanged() override { painter_.ForgetStaples(); }
  void LayoutChanged() override { painter_.ForgetStaples(); }

 private:
  // The context of a paint on Canvas (Foreign: printing or export).
  void FillContext(TCanvas& Canvas, bool Foreign);
  // The style sources of the context (part of FillContext).
  void FillSources();
  void PaintBackground(TCanvas& Canvas, const TRect& Area);
  // Tokenizes up to the end of the last line Area shows.
  void AnalyseVisible(const TRect& Area);
  // Text lines inside Clip, their gutter inside GutterClip.
  void PaintLines(TCanvas& Canvas, const TRect& Clip, const TRect& GutterClip, const TRect& Area);
  // The separator above or below a line; returns the rectangle left for the line.
  TRect DrawSeparators(TCanvas& Canvas, int Line, TRect LineRect, bool CollapsedPlain);
  TLineRows RowsOf(int Line);
  bool CollapseOf(int Line, TLineCollapse& Out);

  TPaintContext ctx_;
  TLinePainter painter_{ctx_};
  TRangeList<TRange> searchMarks_{true};
  std::vector<TPaintMarker> markers_;
  std::vector<ISyntMemoStyleHook*> hooks_;
  int suspended_ = 0;
};

}  // namespace synt
