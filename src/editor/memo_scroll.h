// The scrolling part of the editor control: the scroll position (top display line, left column),
// what fits in the window, the scroll bars the host shows, and the requests that move the view:
// scroll-bar actions, the wheel and the scrolling commands (keys reach them through the key
// mapping).
//
//   synt::TMemoScrollPart& s = memo.ScrollPart();
//   s.SetTopLine(120);                       // line 120 at the top (clamped)
//   s.ExecuteScrollCommand(synt::cmScrollPageDown);
//   host.ScrollBar(synt::sbVertical);        // {0, max, page, position, visible}, scaled
//
// Scroll bars hold at most kMaxBarRange positions: a longer range is divided by a factor k, and
// a thumb position read back is multiplied by it, so a text of millions of lines still scrolls
// from top to bottom.
#pragma once

#include "editor/memo_part.h"
#include "platform/control.h"
#include "platform/shortcut.h"

namespace synt {

class TMemoScrollPart : public TMemoPart {
 public:
  static constexpr int kScrollOrder = 150;
  static constexpr int kMaxBarRange = 32767;
  // Columns of the horizontal range when neither word wrap nor the widest line decides it.
  static constexpr int kDefaultColumns = 800;
  // Top-line moves up to this many display lines move pixels; larger ones repaint.
  static constexpr int kScrollPixelsLimit = 20;

  explicit TMemoScrollPart(TCustomSyntaxMemo& Memo);

  // ---- Position ------------------------------------------------------------------------------
  int TopDisplayLine();
  // Clamped to the text (the last line may reach the top only with soScrollLastLine); moves or
  // repaints the window, then the scroll bars, OnScroll and the scroll hooks.
  void SetTopDisplayLine(int Index);
  // The text line of the first display line; setting it shows the line's first row at the top.
  int TopLine();
  void SetTopLine(int Line);
  int LeftCol() const { return leftCol_; }
  void SetLeftCol(int Col);
  // Display lines that fit fully, and average character widths that fit, in the text area.
  int VisibleLines();
  int VisibleCols();
  // The largest top display line the rules allow.
  int MaxTopDisplayLine();

  // ---- Requests ------------------------------------------------------------------------------
  // Commands 311-322; false for any other command.
  bool ExecuteScrollCommand(int Command);
  // A scroll bar action of the host.
  void Scroll(TScrollBarKind Kind, TScrollCode Code, int Position);
  // Three display lines per notch of 120; fractions of a line are kept for the next event, so
  // that fine-grained wheels and touchpads scroll too.
  bool MouseWheel(TShiftState Shift, int Delta, bool Horizontal);

  // Recomputes both bars and gives them to the host.
  void UpdateScrollBars();
  // The factor the vertical bar is scaled by (1 for short texts).
  int VerticalScale() const { return vScale_; }
  int HorizontalScale() const { return hScale_; }

  // ---- TMemoPart ------------------------------------------------------------------------------
  void TextChanged(int Pos, int Count, int LineChange) override;
  void AnalysisFinished() override;
  void DocumentChanged() override;
  void LayoutChanged() override;
  void Resized() override;
  void SettingsChanged() override;
  void DisplayLinesChanged() override;

 private:
  // OnScroll, then every attached scroll hook, then the text source when it is one.
  void TellScrolled();
  int RowHeight() const;
  // Pixels from display line From to To (negative upwards).
  int RowsHeight(int From, int To);
  bool FullRepaint() const;
  int HorizontalRange();
  // The bar settings for a range of Count positions, a page and a position, scaled into the
  // bar's limits; Scale receives the factor.
  static TScrollBarInfo Scaled(int Count, int Page, int Position, bool Visible, int& Scale);

  int leftCol_ = 0;
  int vScale_ = 1;
  int hScale_ = 1;
  int wheelRest_ = 0;
  int hWheelRest_ = 0;
};

}  // namespace synt
