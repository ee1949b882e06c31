// The gutter part of the editor control: the column left of the text with line numbers, the
// change state of each line, gutter objects and bookmarks, the fold line and the expand buttons.
// It paints one line's gutter for the paint part, answers clicks and the cursor over the gutter,
// keeps the bookmarks in step with the text, sizes the gutter and plays the jump animation. The
// control routes its gutter operations here (see its "Gutter" block).
//
//   synt::TMemoGutterPart& g = memo.GutterPart();
//   g.SetBookmark(1, memo.CaretStrPos());
//   synt::TGutterLineObjects objs;
//   g.LineObjects(line, objs);                  // what line shows, with placement rectangles
//   for (const auto& o : objs.Items())
//     if (o.Object->Hint().size() && o.Contains(pt)) ...
//   synt::TRect b = g.LineExpandButtonRect(line);   // empty when the line is not on screen
//
// Coordinates are window pixels; the gutter spans x = 0 .. GutterWidth() over the text area's
// height.
#pragma once

#include <memory>
#include <vector>

#include "editor/line_painter.h"
#include "editor/memo_gutter_items.h"
#include "editor/memo_part.h"
#include "editor/memo_settings.h"
#include "platform/event_loop.h"

namespace synt {

class TCustomSyntaxMemo;

// One object shown on a line, placed.
struct TGutterLineObject {
  TCustomGutterObject* Object = nullptr;
  // The row it is placed in: -1 the whole line, k >= 0 row k, -2 every continuation row.
  int SubLine = -1;
  // Where its image goes (empty without an image): for SubLine -2, on the first continuation row.
  TRect Rect;
  // SubLine -2: the rectangle on each continuation row (rows 1 .. n-1), in order.
  std::vector<TRect> RowRects;
  bool Contains(TPoint P) const;
};

// The objects of one line in list order: the continuation-row object, the gutter objects that
// show on the line, its bookmarks and what OnGetGutterImage added. Objects without a collection
// that an event handed over are owned by the list and freed with it.
class TGutterLineObjects {
 public:
  TGutterLineObjects() = default;
  ~TGutterLineObjects();
  TGutterLineObjects(const TGutterLineObjects&) = delete;
  TGutterLineObjects& operator=(const TGutterLineObjects&) = delete;

  // Adds Object (SubLine -1 for objects that have none); an object that belongs to no collection
  // and is no bookmark becomes the list's.
  void Add(TCustomGutterObject* Object, int SubLine = -1);
  int Count() const { return int(items_.size()); }
  std::vector<TGutterLineObject>& Items() { return items_; }
  const std::vector<TGutterLineObject>& Items() const { return items_; }
  // The first object whose placement contains P, or null.
  const TGutterLineObject* At(TPoint P) const;
  // Any object with an image index (the line number then yields to it).
  bool HasImages() const;
  void Clear();

 private:
  std::vector<TGutterLineObject> items_;
  std::vector<std::unique_ptr<TCustomGutterObject>> owned_;
};

// Where a line stands on screen: its text line, the rows shown and their pixel span.
struct TGutterLineSpan {
  int Line = -1;
  int Top = 0;
  int Bottom = 0;
  int FirstRow = 0;  // the first row shown (the top line may start scrolled into)
  TLineRows Rows;
};

class TMemoGutterPart : public TMemoPart {
 public:
  static constexpr int kGutterOrder = 150;

  explicit TMemoGutterPart(TCustomSyntaxMemo& Memo);
  ~TMemoGutterPart() override;

  TGutter* Gutter() const { return gutter_.get(); }
  TLineNumbers* LineNumbers() const { return lineNumbers_.get(); }
  TLineStateDisplay* LineStateDisplay() const { return lineStateDisplay_.get(); }
  TSyntAnimation* Animation() const { return animation_.get(); }
  TBookmarks* Bookmarks() const { return bookmarks_.get(); }

  // The gutter's width on screen: Width when visible, else 0.
  int GutterWidth() const;

  // ---- Geometry ---------------------------------------------------------------------------------
  // Left and right of band Band (Top and Bottom 0); an index out of range: 0 .. Width.
  TRect BandBounds(int Band) const;
  // The first band whose right edge lies beyond X, or -1.
  int BandAt(int X) const;
  // The expand button of a line spanning Top .. Bottom.
  TRect ExpandButtonRect(int Top, int Bottom);
  // The span of Line on screen; false when it is not shown.
  bool LineSpan(int Line, TGutterLineSpan& Span);
  // The line shown at window y (false below the last line).
  bool SpanAt(int Y, TGutterLineSpan& Span);
  // The expand button of Line as shown on screen (empty when the line is not shown).
  TRect LineExpandButtonRect(int Line);

  // ---- Objects ----------------------------------------------------------------------------------
  // The objects of a line as it stands on screen, placed; empty when the line is not shown.
  void LineObjects(int Line, TGutterLineObjects& List);
  // The objects of Span's line, placed in Span.
  void LineObjects(const TGutterLineSpan& Span, TGutterLineObjects& List);
  // The second highlight of a text line: the colours of its gutter objects.
  void LineColors(int Line, TLineHighlightAttr& Attr);

  // ---- Line numbers -----------------------------------------------------------------------------
  // The number text of line Line (0-based), after OnGetLineNumberStr.
  std::u16string LineNumberText(int Line);
  // Applies LineNumbers.AutoSize and Gutter.AutoSize.
  void UpdateAutoSize();

  // ---- Painting ---------------------------------------------------------------------------------
  // A window paint of the gutter: BeginPaint over the gutter's clip, PaintLine for each line,
  // PaintEmpty below the text, EndPaint. Drawn in place, the bands are filled once over the clip
  // and a line paints only what differs (its change state, number, objects, fold marks).
  void BeginPaint(TCanvas& Canvas, int Top, int Bottom);
  void EndPaint() { bandsFilled_ = false; }
  // The gutter of one line (FoldState: the layout's line state).
  void PaintLine(TCanvas& Canvas, const TGutterLineSpan& Span, int FoldState);
  // The gutter below the last line, Top .. Bottom.
  void PaintEmpty(TCanvas& Canvas, int Top, int Bottom);
  // The separator between gutter and text, over Top .. Bottom.
  void PaintSeparator(TCanvas& Canvas, int Top, int Bottom);
  // After the window paint: the animation's frame (a paint for anything else stops it).
  void PaintOverlay(TCanvas& Canvas, const TRect& UpdateRect);

  // ---- Mouse ------------------------------------------------------------------------------------
  // A press in the gutter; true when it was taken (the text does not see it then).
  bool MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  TCursor CursorAt(int X, int Y);

  // ---- Bookmarks --------------------------------------------------------------------------------
  // Offset -1 deletes bookmark Number; otherwise it is moved there or created (OnSetBookmark may
  // refuse a new one). Offsets beyond the text are clamped to it.
  void SetBookmark(int Number, int Offset);
  // The offset of bookmark Number, or -1.
  int GetBookmark(int Number) const;
  void GotoBookmark(int Number);
  void ToggleBookmark(int Number);
  void ClearBookmarks();

  // ---- Animation --------------------------------------------------------------------------------
  // Plays Type centred at Center (window pixels).
  void Animate(TPoint Center, TSyntAnimationType Type);
  // At the caret: its x, the bottom of its row.
  void AnimateAtCaret(TSyntAnimationType Type);
  bool Animating() const { return animTimer_.Enabled(); }
  int AnimationRadius() const { return animRadius_; }

  // Drops references to a freed component (image lists, popup menus).
  void ComponentFreed(TComponent* Component);

  // ---- TMemoPart --------------------------------------------------------------------------------
  void TextChanged(int Pos, int Count, int LineChange) override;

 private:
  void Changed(bool Layout);
  void PlaceObjects(const TGutterLineSpan& Span, TGutterLineObjects& List);
  void PaintBands(TCanvas& Canvas, int Top, int Bottom, int Line);
  void PaintBand(TCanvas& Canvas, int Index, int Left, int Top, int Bottom, TColor Color);
  // Each line composed in a bitmap first (a host that paints straight to the screen).
  bool ComposesLinesOffScreen() const;
  void PaintNumber(TCanvas& Canvas, const TGutterLineSpan& Span, bool Yield);
  void PaintObjects(TCanvas& Canvas, const TGutterLineSpan& Span, const TGutterLineObjects& List);
  void PaintFold(TCanvas& Canvas, const TGutterLineSpan& Span, int FoldState);
  void PaintLineDirect(TCanvas& Canvas, const TGutterLineSpan& Span, int FoldState);
  void DeleteBookmark(TBookmark* B);
  int LineOfOffset(int Offset) const;
  int ClampOffset(int Offset) const;
  int NumberWidth();
  TRect FrameRect(int Radius) const;
  void AnimTick();
  void DrawFrame(TCanvas& Canvas);
  bool ObjectsClick(const TGutterLineSpan& Span, TMouseButton Button, TShiftState Shift, TPoint P);

  std::unique_ptr<TGutter> gutter_;
  std::unique_ptr<TLineNumbers> lineNumbers_;
  std::unique_ptr<TLineStateDisplay> lineStateDisplay_;
  std::unique_ptr<TSyntAnimation> animation_;
  std::unique_ptr<TBookmarks> bookmarks_;
  std::unique_ptr<TBitmap> buffer_;
  bool bandsFilled_ = false;  // between BeginPaint and EndPaint, when drawing in place
  // The expand-button halves cut from the picture they were cut from.
  TPixelImage buttonSource_;
  TPixelImage buttonHalves_[2];
  int lastLineCount_ = -1;
  bool autoSizing_ = false;
  // The running animation.
  TTimer animTimer_;
  TSyntAnimationType animType_ = atNone;
  TPoint animCenter_;
  int animRadius_ = 0;
  // The view the frame was placed in.
  int animTop_ = 0;
  int animLeft_ = 0;
};

}  // namespace synt
