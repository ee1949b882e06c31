// The caret part of the editor control: where the caret may stand and how it moves when set, the
// selection operations that follow it, the conversions between text positions and window points
// (through the painter's own geometry), scrolling the view to the caret, the caret's shape on
// screen, focus, and the order in which caret and selection follow a text change. The state itself
// (caret, anchor, stream selection, column block, mode) lives in TMemoSelection; commands and the
// mouse change it only through these operations.
//
//   synt::TMemoCaretPart& c = memo.CaretPart();
//   c.SetCaretPos({50, 2});              // clamped, normalised, selection follows, view scrolls
//   c.SelectRange(10, 5);                // caret at 15, anchor at 10
//   synt::TPoint pt = c.CaretToPoint(memo.CaretPos());   // window pixels of the caret's cell
#pragma once

#include <memory>

#include "editor/memo_options.h"
#include "editor/memo_part.h"
#include "lists/range_list.h"
#include "platform/graphics.h"
#include "platform/persistent.h"

namespace synt {

class TCustomSyntaxMemo;
class TTimer;
struct TDisplayPos;

// One caret shape: Width negative = pixels, positive = percent of the character at the caret;
// Height negative = pixels, positive = percent of the line height (aligned to the line's bottom).
class TqxCaretShape : public TPersistent {
  SYNT_CLASS_INFO()

 public:
  explicit TqxCaretShape(int DefaultWidth = -2);
  ~TqxCaretShape() override;
  void Assign(const TPersistent* Source) override;

  int Width() const { return width_; }
  void SetWidth(int Value);
  // The width this shape starts with (the stored form omits it).
  int DefaultWidth() const { return defaultWidth_; }
  int Height() const { return height_; }
  void SetHeight(int Value);
  TBitmap* Bitmap() const { return bitmap_.get(); }
  void SetBitmap(const TBitmap* Value);
  bool Stretch() const { return stretch_; }
  void SetStretch(bool Value);
  TColor Color() const { return color_; }
  void SetColor(TColor Value);
  bool IsGray() const { return isGray_; }
  void SetIsGray(bool Value);
  bool Visible() const { return visible_; }
  void SetVisible(bool Value);
  unsigned BlinkTime() const { return blinkTime_; }
  void SetBlinkTime(unsigned Value);

  // The value of Color that stands for the platform's caret colour.
  static constexpr TColor DefaultCaretColor = TColor(0x20000000);
  TNotifyEvent OnChange;

 private:
  void Changed();
  int width_;
  int defaultWidth_;
  int height_ = 100;
  std::unique_ptr<TBitmap> bitmap_;
  bool stretch_ = true;
  TColor color_ = DefaultCaretColor;
  bool isGray_ = false;
  bool visible_ = true;
  unsigned blinkTime_ = 0;
};

// The editor's `Caret` property: the four shapes and whether the caret shows.
class TqxCaret : public TPersistent {
  SYNT_CLASS_INFO()

 public:
  TqxCaret();
  ~TqxCaret() override;
  void Assign(const TPersistent* Source) override;

  TqxCaretShape* Insert() const { return insert_.get(); }
  TqxCaretShape* Overwrite() const { return overwrite_.get(); }
  TqxCaretShape* ReadOnly() const { return readOnly_.get(); }
  TqxCaretShape* Custom() const { return custom_.get(); }
  bool Visible() const { return visible_; }
  void SetVisible(bool Value);
  bool UseCustom() const { return useCustom_; }
  void SetUseCustom(bool Value);
  // Any change of the caret or one of its shapes.
  TNotifyEvent OnChange;

 private:
  void Changed();
  std::unique_ptr<TqxCaretShape> insert_, overwrite_, readOnly_, custom_;
  bool visible_ = true;
  bool useCustom_ = false;
};

class TMemoCaretPart : public TMemoPart {
 public:
  static constexpr int kCaretOrder = 50;  // before layout: selection ends first, then layouts
  explicit TMemoCaretPart(TCustomSyntaxMemo& Memo);
  ~TMemoCaretPart() override;

  // ---- Caret ---------------------------------------------------------------------------------
  TPoint CaretPos() const;
  // The whole setting rule: clamps, single-line, soKeepCaretInText, normalising forward, the
  // selection following (anchor or extension by mode), search marks, repaint, ScrollToCaret
  // (minimal), OnCaretPosChanged and the caret hooks.
  void SetCaretPos(TPoint P);
  int CaretStrPos() const;
  void SetCaretStrPos(int Pos);
  // Moves P off hidden lines, collapsed-range tails, hidden characters and the middle of CR LF.
  TPoint NormalizePos(TPoint P, bool Forward) const;

  // ---- Selection -------------------------------------------------------------------------------
  void SetSelection(int Start, int Length, bool Repaint = true);
  // Caret at the end of the range and anchor at its start, unless KeepCaret.
  void SelectRange(int Start, int Length, bool KeepCaret = false);
  // Line mode: from the start of Start's line to the start of (Start + Length)'s line.
  void SelectLines(int Start, int Length, bool Repaint = true);
  void SelectLine(int Line);
  // The word at the caret; on an empty word the caret steps right.
  void SelectWord();
  void ResetSelection();
  bool HaveSelection() const;
  void SetSelectionMode(TSyntSelectionMode Mode);
  bool OffsetInSelection(int Pos) const;
  bool PosInSelection(TPoint P) const;
  // The word-character test of the editor: the lexer's word set, then OnCheckChar.
  bool IsWordChar(char16_t C) const;
  // The word touching P (containing it or ending just before it): [Start, End) character indices
  // of P's line; false when there is none.
  bool WordAt(TPoint P, int& Start, int& End) const;

  // ---- Movement state (the commands and the mouse set these) ------------------------------------
  bool extendingByKeyboard = false;
  bool selectingByMouse = false;
  bool draggingText = false;
  bool movingByCommand = false;
  // Preferred display column of vertical moves (-1: none) and the last movement position.
  int preferredColumn = -1;
  TPoint lastMovePos{-1, -1};
  // Where the selection was started: a text position (virtual space kept, for column blocks).
  TPoint AnchorPos() const { return anchorPos_; }
  // Anchor at P (offset and position), without touching the selection.
  void SetAnchor(TPoint P);
  // The end of P's visible text when P's line starts a collapsed range shown with a collapse
  // text, else -1.
  int CollapsePoint(int Line) const;

  // ---- Coordinates -----------------------------------------------------------------------------
  // The window point of the top-left corner of the caret cell at P (virtual space and lines below
  // the text in default cells).
  TPoint CaretToPoint(TPoint P);
  // The text position under window point Pt (rounded to the nearer character edge).
  TPoint PointToCaret(TPoint Pt);
  // The pixel top of display line Index relative to the text area's top (negative above the view).
  int DisplayLineTop(int Index);
  // The pixel height of display line Index as laid out.
  int DisplayLineHeight(int Index);
  // The display line under window y (clamped to the display lines).
  int YToDisplayLine(int Y);
  // The display line showing text position P (its row when the line wraps; a hidden line counts
  // at the block hiding it; lines past the text one row each).
  int DisplayLineOf(TPoint P);
  // Kinds: 0 none, 1 minimal, 2 caret at left/top, 3 centred, 4 caret at right/bottom.
  void ScrollToCaret(int Horz = 1, int Vert = 1);
  // Invalidates the rows of text lines First..Last that are on screen.
  void InvalidateLines(int First, int Last);

  // ---- Caret display and focus
  // -------------------------------------------------------------------
  TqxCaret* Caret() const { return caret_.get(); }
  void SetCaret(const TqxCaret* Value) { caret_->Assign(Value); }
  // The shape in effect (none when no caret shows) and its rectangle in window pixels.
  const TqxCaretShape* CurrentShape() const;
  TRect CaretRect();
  // Shows, hides or moves the caret on the host after any change.
  void UpdateCaret();
  void FocusIn();
  void FocusOut();
  // Draws the caret (the paint part calls this after the lines).
  void PaintCaret(TCanvas& Canvas);
  // The blink interval running (0: not blinking).
  unsigned BlinkInterval() const;
  // Whether the blink phase shows the caret now.
  bool CaretShown() const { return blinkOn_ && !caretRect_.IsEmpty(); }

  // ---- TMemoPart --------------------------------------------------------------------------------
  void TextChanged(int Pos, int Count, int LineChange) override;
  void LayoutChanged() override;
  void DisplayLinesChanged() override;
  void Resized() override;
  void SettingsChanged() override;

 private:
  // What the events last reported: a change against it raises them.
  struct TReported {
    TPoint Caret;
    int SelStart = 0, SelLength = 0;
    TRect Block;
    TSyntSelectionMode Mode = msNone;
    bool Have = false;
  };
  TReported Snapshot() const;
  // Report flags: scroll to a moved caret; repaint a changed selection; touch no geometry (the
  // layout may not have followed a text change yet).
  static constexpr unsigned kScroll = 1, kRepaintSelection = 2, kNoGeometry = 4;
  // Compares with what was reported: repaints what changed, raises OnSelectionChanged and
  // OnCaretPosChanged, asks the caret hooks.
  void Report(unsigned Flags);
  void SelectionLines(const TReported& R, int& First, int& Last) const;
  void InvalidateSelection(const TReported& Old, const TReported& New);
  bool CurrentLineHighlighted() const;
  bool IsHiddenAt(int Pos) const;
  bool Extending() const;
  // The selection from the anchor to P in the current mode.
  void ExtendTo(TPoint P);
  // The state changes of SetSelection and SelectLines, without events.
  void SetStreamRaw(int Start, int Length);
  void SelectLinesRaw(int Start, int Length);
  void BlinkTick();
  void RestartBlink();

  std::unique_ptr<TqxCaret> caret_;
  TPoint anchorPos_;
  TReported reported_;
  std::unique_ptr<TTimer> blink_;
  bool blinkOn_ = true;
  TRect caretRect_;  // where the caret was last drawn or is to be drawn (empty: none)
};

}  // namespace synt
