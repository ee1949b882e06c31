// The column ruler above the text area and the text margins: vertical guide lines at given
// columns (or pixels), the first of which is the right margin word wrap may break at. The ruler
// part paints the ruler strip and the margin lines, finds the margin under a point and drags
// margins with the mouse; the control forwards to it (see its "Ruler and text margins" block).
//
//   memo.HorzRuler()->SetVisible(true);           // the text area moves down by its Height
//   synt::TqxTextMargin* m = memo.TextMargins()->Add();
//   m->SetPosition(100);                          // a second guide line at column 100
//   m->SetRulerMark(true);                        // marked on the ruler, draggable there
//   m->SetHint(u"Long lines end here");           // shown when the pointer rests on the line
//   memo.SetRightMargin(72);                      // the first margin: lines re-wrap at 72
//   memo.OnDragTextMargin = [](synt::TObject*, synt::TqxTextMargin*, int& Pos) {
//     Pos = Pos / 4 * 4;                          // snap while dragging
//   };
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "editor/memo_part.h"
#include "editor/memo_settings.h"
#include "platform/collection.h"
#include "platform/control.h"
#include "platform/graphics.h"

namespace synt {

class TCustomSyntaxMemo;
class TqxTextMargin;

// Sender, the margin being dragged, and the position it is about to take (may be changed).
using TDragMarginEvent = std::function<void(TObject* Sender, TqxTextMargin* Margin, int& Pos)>;

class TqxHorzRuler : public TPersistent {
  SYNT_CLASS_INFO()

 public:
  TqxHorzRuler();
  ~TqxHorzRuler() override;
  void Assign(const TPersistent* Source) override;

  TFont* Font() const { return font_.get(); }
  void SetFont(const TFont* Value) { font_->Assign(Value); }
  // clNone: the editor's colour.
  TColor Color() const { return color_; }
  void SetColor(TColor Value);
  TqxBackGround* BackGround() const { return backGround_.get(); }
  void SetBackGround(const TqxBackGround* Value) { backGround_->Assign(Value); }
  int MinorTicksLength() const { return minorTicksLength_; }
  void SetMinorTicksLength(int Value);
  int MajorTicksLength() const { return majorTicksLength_; }
  void SetMajorTicksLength(int Value);
  int MinorTicksInterval() const { return minorTicksInterval_; }
  void SetMinorTicksInterval(int Value);
  int MajorTicksInterval() const { return majorTicksInterval_; }
  void SetMajorTicksInterval(int Value);
  TColor MinorTicksColor() const { return minorTicksColor_; }
  void SetMinorTicksColor(TColor Value);
  TColor MajorTicksColor() const { return majorTicksColor_; }
  void SetMajorTicksColor(TColor Value);
  int LabelInterval() const { return labelInterval_; }
  void SetLabelInterval(int Value);
  // Pixels; a negative height counts as 0.
  int Height() const { return height_; }
  void SetHeight(int Value);
  TColor SeparatorColor() const { return separatorColor_; }
  void SetSeparatorColor(TColor Value);
  bool ShowCurrentPos() const { return showCurrentPos_; }
  void SetShowCurrentPos(bool Value);
  bool Visible() const { return visible_; }
  void SetVisible(bool Value);

  // The height the ruler takes above the text area (0 while hidden).
  int VisibleHeight() const { return visible_ ? height_ : 0; }

  // Any change; Geometry when the text area moves (Visible, Height).
  std::function<void(bool Geometry)> OnChanged;

 private:
  void Changed(bool Geometry = false);
  std::unique_ptr<TFont> font_;
  TColor color_ = clNone;
  std::unique_ptr<TqxBackGround> backGround_;
  int minorTicksLength_ = 2;
  int majorTicksLength_ = 5;
  int minorTicksInterval_ = 1;
  int majorTicksInterval_ = 5;
  TColor minorTicksColor_ = clBlack;
  TColor majorTicksColor_ = clBlack;
  int labelInterval_ = 10;
  int height_ = 17;
  TColor separatorColor_ = clGray;
  bool showCurrentPos_ = true;
  bool visible_ = false;
};

class TqxTextMargin : public TCollectionItem {
  SYNT_CLASS_INFO()

 public:
  explicit TqxTextMargin(TCollection* Collection);
  ~TqxTextMargin() override;
  void Assign(const TPersistent* Source) override;

  bool Visible() const { return visible_; }
  void SetVisible(bool Value);
  TPen* Pen() const { return pen_.get(); }
  void SetPen(const TPen* Value) { pen_->Assign(Value); }
  const std::u16string& Hint() const { return hint_; }
  void SetHint(const std::u16string& Value);
  bool AllowDrag() const { return allowDrag_; }
  void SetAllowDrag(bool Value);
  // Columns, or pixels when the collection's AbsolutePos is set; never below 0.
  int Position() const { return position_; }
  void SetPosition(int Value);
  bool RulerMark() const { return rulerMark_; }
  void SetRulerMark(bool Value);

 private:
  bool visible_ = true;
  std::unique_ptr<TPen> pen_;
  std::u16string hint_;
  bool allowDrag_ = true;
  int position_ = 80;
  bool rulerMark_ = false;
};

class TqxTextMargins : public TCollection {
  SYNT_CLASS_INFO()

 public:
  explicit TqxTextMargins(TPersistent* Owner = nullptr);
  TqxTextMargin* Add() { return static_cast<TqxTextMargin*>(TCollection::Add()); }
  TqxTextMargin* Items(int Index) const {
    return static_cast<TqxTextMargin*>(TCollection::Items(Index));
  }
  void Assign(const TPersistent* Source) override;

  bool AbsolutePos() const { return absolutePos_; }
  void SetAbsolutePos(bool Value);
  bool AllowDrag() const { return allowDrag_; }
  void SetAllowDrag(bool Value);
  bool DragWithCtrl() const { return dragWithCtrl_; }
  void SetDragWithCtrl(bool Value);

  // Item changed (null: the collection or every item). The editor re-lays out its lines when the
  // first margin may have moved, and repaints otherwise.
  std::function<void(TqxTextMargin* Item)> OnChanged;

 protected:
  void Update(TCollectionItem* Item) override;

 private:
  bool absolutePos_ = false;
  bool allowDrag_ = true;
  bool dragWithCtrl_ = true;
};

class TMemoRulerPart : public TMemoPart {
 public:
  static constexpr int kRulerOrder = 220;  // after painting: it only reads geometry
  // A margin is hit within this many pixels of its line.
  static constexpr int kHitDistance = 3;

  explicit TMemoRulerPart(TCustomSyntaxMemo& Memo);
  ~TMemoRulerPart() override;

  TqxHorzRuler* HorzRuler() const { return ruler_.get(); }
  TqxTextMargins* TextMargins() const { return margins_.get(); }

  // ---- Margins -------------------------------------------------------------------------------
  // The window x of a margin's line.
  int MarginX(const TqxTextMargin& Margin);
  // The last margin (visible ones only, when asked) whose line lies within kHitDistance of X.
  TqxTextMargin* MarginAt(int X, bool VisibleOnly);
  // The first margin's position in pixels from column 0 (word wrap at the right margin); 0
  // without margins.
  int RightMarginWidth(int CellWidth) const;

  // ---- Painting ------------------------------------------------------------------------------
  // The ruler strip, when visible and Clip reaches it.
  void PaintRuler(TCanvas& Canvas, const TRect& Clip);
  // The visible margins' lines over Area (the text area, down to the clip's bottom).
  void PaintMargins(TCanvas& Canvas, const TRect& Area);
  // The caret moved: the current-position mark follows.
  void CaretMoved();

  // ---- Mouse ---------------------------------------------------------------------------------
  // A press that starts dragging a margin (true: the press is taken).
  bool MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  // While dragging, the margin follows X (true: the move is taken).
  bool MouseMove(int X);
  bool MouseUp();
  void CancelDrag() { draggedId_ = -1; }
  bool Dragging() const { return draggedId_ >= 0; }
  // The cursor over a margin a press would drag, else Default.
  TCursor CursorAt(int X, int Y, TShiftState Shift, TCursor Default);

  void LayoutChanged() override;

 private:
  int CellWidth();
  int CurrentColumn();
  // The margin a press at (X, Y) with Shift would drag.
  TqxTextMargin* DraggableAt(int X, int Y, TShiftState Shift);
  void PaintTicks(TCanvas& Canvas, const TRect& Area, int Baseline, int Cell, int LeftCol);
  void PaintLabels(TCanvas& Canvas, const TRect& Area, int Baseline, int Cell, int LeftCol);
  void MarginsChanged(TqxTextMargin* Item);

  std::unique_ptr<TqxHorzRuler> ruler_;
  std::unique_ptr<TqxTextMargins> margins_;
  int currentCol_ = -1;  // the caret's display column the mark shows
  // The margin being dragged, by ID: it may be deleted meanwhile.
  int draggedId_ = -1;
};

}  // namespace synt
