// The editor's one line routine: it paints a text line, measures it for the line layout and
// hit-tests it for the caret, walking the same runs with the same merged styles in every mode, so
// what is drawn, what is laid out and where a click lands always agree.
//
//   synt::TPaintContext ctx;                  // filled by the control for one paint
//   ctx.Lines = &lines;
//   ctx.Queries = client;                     // may be null: no highlighting
//   ctx.Font = memo.Font();
//   synt::TLinePainter painter(ctx);
//   painter.BeginPaint();
//   synt::TLineRows rows;                     // one row of 16 pixels, no wrap
//   rows.Heights = {16};
//   painter.PaintLine(canvas, 0, rows, 0, {40, 0, 640, 16}, 40, nullptr);
//   int unit = painter.UnitAt(canvas, 0, rows, 0, 37);   // the unit under x = 37 of row 0
#pragma once

#include <functional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "analysis/display_queries.h"
#include "editor/memo_options.h"
#include "editor/memo_settings.h"
#include "editor/style_merge.h"
#include "platform/graphics.h"
#include "text/memo_strings.h"

namespace synt {

// A marker the control wants drawn (its stack lives in the control): at a text position, or at a
// text offset with soFloatMarkers.
struct TPaintMarker {
  int Line = 0;
  int Column = 0;  // character index in the line
  int Offset = 0;  // text offset
};

// How a column selection spans lines: display columns [Left, Right) on lines Top..Bottom.
struct TColumnBlock {
  int Left = 0, Right = 0, Top = 0, Bottom = -1;
};

// What the painter reads of the control during one paint (or one measuring or hit-testing call).
// The control fills it from its properties; pointers are not owned and stay valid meanwhile.
struct TPaintContext {
  TObject* Sender = nullptr;
  const TSyntMemoStrings* Lines = nullptr;
  ISyntDisplayQueries* Queries = nullptr;  // null: no analysis
  TStyleSources Sources;

  // Base style and geometry.
  TColor Color = clWindow;
  const TFont* Font = nullptr;
  bool FixedPitch = false;
  TSize Cell{8, 16};  // DefTextExt, zoomed
  int Zoom = 100;
  int ScreenPixelsPerInch = 96;
  int LineSpacing = 1, LineSpacingBefore = 0, LineSpacingAfter = 0;

  // Styles, each the lexer's own when it defines one, else the editor's default.
  TSyntaxFormat* SelectionStyle = nullptr;
  TSyntaxFormat* CurrentLineStyle = nullptr;
  TSyntaxFormat* CollapseMarkStyle = nullptr;

  const TNonPrinted* NonPrinted = nullptr;
  const TTabList* TabList = nullptr;
  TCollapseStyle CollapseStyle = csRegionName;
  bool DisableFolding = false;
  const TPen* StaplePen = nullptr;
  int StapleOffset = 2;
  TSyntaxMemoOptions Options = DefaultMemoOptions;
  TSyntaxMemoOptionsEx OptionsEx = DefaultMemoOptionsEx;
  TFontCharset Charset = DEFAULT_CHARSET;
  TCharCase CharCase = ecNormal;
  bool Transparent = false;
  bool PreFilled = false;      // the background was filled before the lines (picture, gradient)
  bool ForeignCanvas = false;  // printing or export
  TSyntMemoPrintOptions PrintOptions;
  bool Focused = false;

  // Caret and selection.
  int CaretLine = -1;
  TSyntSelectionMode SelMode = msNone;
  int SelStart = 0, SelEnd = 0;  // stream and line selections: text offsets
  TColumnBlock Block;
  std::vector<TPaintMarker> Markers;

  // Events and the control's overridable drawing.
  std::function<void(int Line, TSyntaxFormat*& Style)> GetLineStyle;
  std::function<void(int Line, bool& Selected, TColor& BgColor, TColor& FrColor)> LineHighLight;
  // The user ranges' whole-line highlight (after the analysis's, in the first highlight).
  std::function<void(int Line, TLineHighlightAttr& Attr)> UserLineHighlight;
  // The gutter objects' colours of a line (second highlight), before LineHighLight.
  std::function<void(int Line, TLineHighlightAttr& Attr)> GutterLineColors;
  std::function<void(const TRect& Rect, TPoint TextPos, int CharCount)> DrawToken;
  std::function<void(TCanvas& Canvas, int X, TBlockStaple* Staple, int Level, bool EndsHere,
                     bool StartsHere, int Bottom, int Top)>
      DrawStaple;
  std::function<void(TCanvas& Canvas, int X, int Y)> DrawMarker;
  std::function<bool(TCanvas& Canvas, const TRect& Rect, int Line)> DrawCustomBackground;
  std::function<void(TCanvas& Canvas, TBlockStaple* Staple, int Level)> BeforeDrawStaple;
  // Each run drawn (the collapse mark too, Len 0): its cell, the text shown and the styles merged
  // for it, lowest priority first, with the canvas in the merged state. For dumps and tools.
  std::function<void(int Line, int Start, int Len, std::u16string_view Text, const TRect& Cell,
                     const std::vector<const TSyntaxFormat*>& Styles, TCanvas& Canvas)>
      OnRun;
};

// A line's rows as the layout has them.
struct TLineRows {
  std::vector<int> WrapPoints;  // character indexes where the 2nd, 3rd ... rows start
  std::vector<int> Heights;     // one per row
};

// The collapsed block that starts on a line (when it has one and folding is on).
struct TLineCollapse {
  int StartPos = 0, EndPos = 0;  // text offsets of the block
  std::u16string CollapsedText;
};

// The text a run shows: tabs expanded to blanks, control characters 28..31 dropped (with
// soCorrectNonPrinted), case changed. Map[i] is the index in Text of source unit i (Map has one
// more element than the source); Column is the display column after the run.
struct TRunText {
  std::u16string Text;
  std::vector<int> Map;
  int Column = 0;
};
// Units [From, From + Count) of Line, counting columns by the shared rule (display_columns.h).
void TransformRunText(std::u16string_view Line, size_t From, size_t Count, int StartColumn,
                      const TTabList* Tabs, bool AllowZeroTab, bool CorrectNonPrinted,
                      TCharCase CharCase, TRunText& Out);
// All of Source, taken as a line of its own, without zero-width tabs.
void TransformRunText(std::u16string_view Source, int StartColumn, const TTabList* Tabs,
                      bool CorrectNonPrinted, TCharCase CharCase, TRunText& Out);
// Applies ChangeCase of each entry in order; RunStart is the run's text offset (ccTitle only
// upper-cases the first character of a run that starts at the entry's start).
void ApplyChangeCase(const TStyleEntries& Entries, int RunStart, TRunText& Run);

// The default look of a staple and a marker (the control's DrawStaple and DrawMarker).
void DrawStapleLine(TCanvas& Canvas, const TPen& Pen, int X, bool EndsHere, bool StartsHere,
                    int Bottom, int Top, double Scale);
void DrawMarkerTriangle(TCanvas& Canvas, int X, int Y);

// Draws one side of a border of the given type inside Rect (Side: 0 left, 1 top, 2 right,
// 3 bottom), inset by half the line's width.
void DrawBorderSide(TCanvas& Canvas, const TRect& Rect, int Side, TBorderLineType Type,
                    TColor Color);

class TLinePainter {
 public:
  explicit TLinePainter(const TPaintContext& Context) : ctx_(&Context) {}
  void SetContext(const TPaintContext& Context) { ctx_ = &Context; }

  // Starts a paint.
  void BeginPaint();
  // Staples are laid out again at the next paint: the tab list or the fonts changed. (A change
  // of the text or of the analysis is seen without it.)
  void ForgetStaples();
  // Paints the rows of Line from FirstRow into LineRect; TextLeft is the x of column 0 (the
  // text area's left edge less the horizontal scroll).
  void PaintLine(TCanvas& Canvas, int Line, const TLineRows& Rows, int FirstRow,
                 const TRect& LineRect, int TextLeft, const TLineCollapse* Collapse);
  // Measures Line without wrapping: Edges[i] is the x after unit i from the line's left edge;
  // RunHeights the (first unit, height) of each run.
  void MeasureLine(TCanvas& Canvas, int Line, std::vector<int>& Edges,
                   std::vector<std::pair<int, int>>& RunHeights);
  // The character index of Row nearest to X (from the line's left edge); the row's end when X
  // lies past it.
  int UnitAt(TCanvas& Canvas, int Line, const TLineRows& Rows, int Row, int X);
  // The x of the left edge of character Unit (from the line's left edge) and its row.
  int XOfUnit(TCanvas& Canvas, int Line, const TLineRows& Rows, int Unit, int& Row);

 private:
  struct TWalk;
  struct TRun;
  void Walk(TWalk& W);
  void PrepareLine(TWalk& W);
  int MergeAt(TWalk& W, int Pos, bool EolPhase, bool InCollapse, TStyleEntries& Entries);
  void ApplyBase(TWalk& W, int Pos);
  void Apply(TWalk& W, const TSyntaxFormat* Style);
  void WalkRow(TWalk& W, int RowEndPos);
  void DrawRun(TWalk& W, TRun& R);
  void DrawRunBorders(TWalk& W, const TStyleEntries& Entries, const TRect& Rect, int RunStart,
                      int RunEnd, bool Closing);
  void DrawStaples(TWalk& W, int UpToX, bool Final);
  void DrawMarkers(TWalk& W, int FromCol, int ToCol, int X, const TRun* Run);
  void DrawNonPrinted(TWalk& W, const TRun& R);
  void RowEnd(TWalk& W, int WrapPos);
  void LineEnd(TWalk& W);
  void DrawCollapseText(TWalk& W);
  void FillCell(TWalk& W, const TRect& R);
  int BlankWidth(TWalk& W);
  int StapleX(TWalk& W, TBlockStaple* S);
  void LineStaples(TWalk& W);
  void FetchStaples(TWalk& W);

  const TPaintContext* ctx_;
  // The staples of a run of lines, fetched at once and kept while the analysis describes the
  // same text (DisplayGeneration) and the layout holds (stamp): in x order, and of the staples
  // that meet every one of those lines without starting or ending there only the first of each
  // x and pen, since only that one can show (thousands of open blocks meet every line).
  struct TStapleWindow {
    const ISyntDisplayQueries* Queries = nullptr;
    const TCanvas* Canvas = nullptr;  // where Blank was measured
    uint64_t Generation = 0;
    int Blank = 0;
    int First = 0, Last = -1;
    std::vector<TStapleAtLines> Staples;
  };
  TStapleWindow staples_;
  std::vector<TStapleAtLines> fetched_;
  // What makes two staples of a window draw alike.
  struct TStapleLook {
    int X, FirstMet, LastMet, FirstLine, LastLine;
    const void* Pen;
    bool operator==(const TStapleLook&) const = default;
  };
  struct TStapleLookHash {
    size_t operator()(const TStapleLook& K) const {
      size_t h = std::hash<const void*>()(K.Pen);
      for (int v : {K.X, K.FirstMet, K.LastMet, K.FirstLine, K.LastLine})
        h = h * 1000003u + size_t(v);
      return h;
    }
  };
  std::unordered_set<TStapleLook, TStapleLookHash> seen_;
  uint32_t stamp_ = 0;  // the layout XPos values belong to (TBlockStaple::XStamp)
};

}  // namespace synt
