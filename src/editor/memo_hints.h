// The editor's own hints: when the pointer rests over a collapsed block (a preview of its hidden
// lines, painted with full highlighting), a text margin with a hint, or a token the application
// gives a hint for, a hint window shows it. HintProps sets what is shown and for how long; the
// control forwards to the hint part (see its "Hints" block).
//
//   memo.HintProps()->SetDelayBefore(300);
//   memo.OnGetTokenHint = [&](synt::TObject*, int TokenIndex, std::u16string& Text) {
//     Text = DescribeToken(TokenIndex);     // an empty text shows nothing
//   };
//   // the pointer rests 300 ms over a token: the hint shows below it for TimeTokens ms; moving
//   // inside the token keeps it, leaving the token hides it and waits again.
//
// One timer serves both the wait before a hint and the time a hint stays.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "editor/memo_part.h"
#include "platform/control.h"
#include "platform/event_loop.h"
#include "platform/graphics.h"
#include "platform/popup_window.h"
#include "platform/set.h"

namespace synt {

class TCustomSyntaxMemo;
class TImageList;
class TSyntStyles;
struct TEnumInfo;

// Sender, the index of the token under the pointer, the hint text to show (empty: none).
using TGetTokenHintEvent =
    std::function<void(TObject* Sender, int TokenIndex, std::u16string& HintText)>;

enum TShowHint { shScroll, shCollapsed, shGutter, shTokens };
using TShowHints = TSet<TShowHint>;
const TEnumInfo& ShowHintInfo();

class THintProps : public TPersistent {
  SYNT_CLASS_INFO()

 public:
  static constexpr TColor kDefaultColor = 0xC6FFFF;
  static constexpr TShowHints kDefaultShowHints{shScroll, shCollapsed, shGutter, shTokens};

  THintProps();
  ~THintProps() override;
  // Copies Font, Color, ShowHints and the four times.
  void Assign(const TPersistent* Source) override;

  TFont* Font() const { return font_.get(); }
  void SetFont(const TFont* Value) { font_->Assign(Value); }
  TColor Color() const { return color_; }
  void SetColor(TColor Value) { color_ = Value; }
  TShowHints ShowHints() const { return showHints_; }
  void SetShowHints(TShowHints Value) { showHints_ = Value; }
  // Milliseconds; 0 or less raises Exception "Time must be greater 0" (CollapsedLines too).
  int DelayBefore() const { return delayBefore_; }
  void SetDelayBefore(int Value);
  int TimeCollapsed() const { return timeCollapsed_; }
  void SetTimeCollapsed(int Value);
  int TimeGutter() const { return timeGutter_; }
  void SetTimeGutter(int Value);
  int TimeTokens() const { return timeTokens_; }
  void SetTimeTokens(int Value);
  int CollapsedLines() const { return collapsedLines_; }
  void SetCollapsedLines(int Value);
  // Referenced, not owned: dropped when freed.
  TSyntStyles* Styles() const { return styles_; }
  void SetStyles(TSyntStyles* Value);
  TImageList* Images() const { return images_; }
  void SetImages(TImageList* Value);
  bool Formated() const { return formated_; }
  void SetFormated(bool Value) { formated_ = Value; }
  bool ShowFirstLine() const { return showFirstLine_; }
  void SetShowFirstLine(bool Value) { showFirstLine_ = Value; }

  // The owner asks for free notification of a new reference and drops the old one.
  std::function<void(TComponent* Old, TComponent* New)> OnReference;
  // Told by the owner that a component is being freed.
  void ComponentFreed(TComponent* Component);

 private:
  std::unique_ptr<TFont> font_;
  TColor color_ = kDefaultColor;
  TShowHints showHints_ = kDefaultShowHints;
  int delayBefore_ = 500;
  int timeCollapsed_ = 10000;
  int timeGutter_ = 5000;
  int timeTokens_ = 10000;
  int collapsedLines_ = 20;
  TSyntStyles* styles_ = nullptr;
  TImageList* images_ = nullptr;
  bool formated_ = false;
  bool showFirstLine_ = false;
};

// The hint window's content: a preview of lines of its editor, or a text.
class TSyntHintWindow : public TCustomControl {
  SYNT_CLASS_INFO()

 public:
  // The print options the preview is measured and painted with.
  static constexpr int kTextPadding = 6;  // added to a text's width (3 pixels each side)

  TSyntHintWindow(TCustomSyntaxMemo& Memo, const THintProps& Props);

  // Lines First..Last of the editor, each measured on Canvas within MaxWidth; returns the window
  // size.
  TSize SetPreview(TCanvas& Canvas, int First, int Last, int MaxWidth);
  // Plain text wrapped to MaxWidth (tabs expanded); returns the window size.
  TSize SetText(TCanvas& Canvas, std::u16string_view Text, int MaxWidth);
  void Clear();

  bool HasPreview() const { return first_ >= 0; }
  int FirstLine() const { return first_; }
  int LastLine() const { return last_; }
  // The rows of a text hint as shown.
  const std::vector<std::u16string>& TextRows() const { return rows_; }

  void Paint(TCanvas& Canvas, const TRect& UpdateRect) override;

 private:
  TCustomSyntaxMemo& memo_;
  const THintProps& props_;
  int first_ = -1, last_ = -1;
  std::vector<int> heights_;  // first-row height of each preview line
  std::vector<std::u16string> rows_;
  int rowHeight_ = 0;
};

class TMemoHintPart : public TMemoPart {
 public:
  static constexpr int kHintOrder = 240;
  // Hints at the pointer show this much lower, clear of the cursor.
  static constexpr int kPointerOffset = 16;
  // Kept from the work area's right edge.
  static constexpr int kEdgeGap = 5;
  // A margin's hint stays while the pointer is within this square around where it appeared.
  static constexpr int kMarginArea = 10;

  explicit TMemoHintPart(TCustomSyntaxMemo& Memo);
  ~TMemoHintPart() override;

  THintProps* Props() const { return props_.get(); }

  // Drops the content, hides the window, empties the hint area and stops the timer.
  void HideHint();
  // Text at client point P for DisplayTime ms (see THintProps::Formated for the markup).
  void ShowHint(std::u16string_view Text, TPoint P, bool FullWidth, int DisplayTime);
  // The collapsed block starting on Line, below its row at the text area's left edge.
  bool ShowPreview(int Line);
  // While the vertical thumb is dragged: "Line: " and the 1-based top line, at the window's right
  // edge beside the pointer (with shScroll).
  void ShowScrollHint(int TopLine);
  // Every mouse move: outside the hint area the hint goes and the wait starts again.
  void MouseMove(int X, int Y);

  bool Showing() const { return showing_; }
  bool Waiting() const { return timer_.Enabled() && !showing_; }
  // While the pointer stays inside, the hint is kept (client pixels; empty: none).
  TRect HintArea() const { return area_; }
  // The window, once a hint was shown (null before).
  TPopupWindow* Popup() const { return popup_.get(); }
  TSyntHintWindow* Window() const { return window_; }

  void TextChanged(int, int, int) override { HideHint(); }
  void DocumentChanged() override { HideHint(); }
  void DisplayLinesChanged() override { HideHint(); }
  void LayoutChanged() override { HideHint(); }

 private:
  void TimerFired();
  void Restart(int Ms);
  // The hint for client point P, by the lookup order; false when there is none.
  bool FindHint(TPoint P);
  bool CollapseHint(TPoint P);
  bool MarginHint(TPoint P);
  bool TokenHint(TPoint P);
  TSyntHintWindow* EnsureWindow();
  // Shows the window with Size at client point P (moved left at the work area's edge).
  void Place(TPoint P, TSize Size);
  // The width a hint at client point P may take.
  int AvailableWidth(TPoint P, bool FullWidth);

  std::unique_ptr<THintProps> props_;
  std::unique_ptr<TPopupWindow> popup_;
  TSyntHintWindow* window_ = nullptr;
  const void* popupHost_ = nullptr;  // the host the window was made by
  TTimer timer_;
  bool showing_ = false;
  TRect area_;
  TPoint pointer_{-1, -1};
};

}  // namespace synt
