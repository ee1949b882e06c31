// The command part of the editor control: one entry point, ExecuteCommand, for everything a user
// does (keys through the key mapping, typed characters, input-method text, menus and actions), with
// the hooks and events in their order; the enabled state of every command; the keyboard entry
// points; the marker stack; and the standard edit-control messages for generic clients.
//
//   memo.ExecuteCommand(synt::cmSelRight, nullptr);      // extend the selection one character
//   char16_t c = u'x';
//   memo.ExecuteCommand(synt::cmChar, &c);         // type
//   bool can = memo.IsCommandEnabled(synt::cmUndo, nullptr);
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "editor/memo_options.h"
#include "editor/memo_part.h"
#include "platform/control.h"
#include "platform/drag_drop.h"
#include "platform/graphics.h"
#include "platform/input.h"
#include "platform/shortcut.h"

namespace synt {

class TCustomSyntaxMemo;

// A saved view of the marker stack.
struct TMarker {
  int LeftCol = 0;
  int TopLine = 0;
  TPoint CaretPos;
  int CaretOffset = 0;
};

// Standard edit-control messages answered by Perform.
enum TMemoMessage : unsigned {
  WM_SETTEXT = 0x000C,
  WM_GETTEXT = 0x000D,
  WM_GETTEXTLENGTH = 0x000E,
  WM_CUT = 0x0300,
  WM_COPY = 0x0301,
  WM_PASTE = 0x0302,
  WM_CLEAR = 0x0303,
  WM_UNDO = 0x0304,
  EM_GETSEL = 0x00B0,
  EM_SETSEL = 0x00B1,
  EM_SCROLL = 0x00B5,
  EM_LINESCROLL = 0x00B6,
  EM_SCROLLCARET = 0x00B7,
  EM_GETMODIFY = 0x00B8,
  EM_SETMODIFY = 0x00B9,
  EM_GETLINECOUNT = 0x00BA,
  EM_LINEINDEX = 0x00BB,
  EM_LINELENGTH = 0x00C1,
  EM_REPLACESEL = 0x00C2,
  EM_GETLINE = 0x00C4,
  EM_CANUNDO = 0x00C6,
  EM_UNDO = 0x00C7,
  EM_LINEFROMCHAR = 0x00C9,
  EM_SETTABSTOPS = 0x00CB,
  EM_EMPTYUNDOBUFFER = 0x00CD,
  EM_GETFIRSTVISIBLELINE = 0x00CE,
  EM_SETREADONLY = 0x00CF,
  EM_POSFROMCHAR = 0x00D6,
  EM_CHARFROMPOS = 0x00D7,
  EM_EXGETSEL = 0x0434,
  EM_EXSETSEL = 0x0437,
  EM_EXLINEFROMCHAR = 0x0436,
  EM_CANREDO = 0x0455,
  EM_REDO = 0x0454,
};

class TMemoCommandPart : public TMemoPart {
 public:
  static constexpr int kCommandOrder = 70;
  explicit TMemoCommandPart(TCustomSyntaxMemo& Memo);
  ~TMemoCommandPart() override;

  // ---- Dispatch
  // ----------------------------------------------------------------------------------
  // OnExecuteCommand, the own key mapping's hook, the attached BeforeCommand hooks, the command,
  // the attached AfterCommand hooks.
  void ExecuteCommand(int Command, void* Data);
  bool IsCommandEnabled(int Command, void* Data);

  // ---- Keyboard and input method
  // -------------------------------------------------------------------
  bool KeyDown(TShortCut Key);
  bool KeyPress(char16_t Ch);
  bool KeyUp(TShortCut Key);
  void InputMethodCommit(const std::u16string& Text);
  // The composition in progress, shown at the caret until committed or cancelled.
  void InputMethodPreedit(const TPreedit& Preedit);
  const TPreedit& Preedit() const { return preedit_; }
  // Draws the composition at the caret (called by the paint part after the lines).
  void PaintPreedit(TCanvas& Canvas);

  // ---- Markers
  // -------------------------------------------------------------------------------------
  const std::vector<TMarker>& Markers() const { return markers_; }
  void DropMarker(const TPoint* Pos);
  void CollectMarker();
  void SwapMarker();

  // ---- Edit-control messages
  // ------------------------------------------------------------------------
  // Text crosses in UTF-16: a buffer is WParam = its size in char16_t units and LParam = a
  // char16_t*; a copy writes at most size - 1 units and a terminating 0, and answers the units
  // written (a size of 0 or less writes nothing). EM_GETLINE takes the line in WParam and reads
  // the size from the buffer's first unit (the line is copied unterminated). Strings given
  // (WM_SETTEXT, EM_REPLACESEL) are zero-terminated char16_t*. EM_GETSEL also stores start and end
  // through WParam and LParam when they are uint32_t* (0: not wanted). EM_EXGETSEL / EM_EXSETSEL
  // take a TCharRange* in LParam. EM_POSFROMCHAR takes the offset in WParam and answers the point
  // packed in 16-bit halves, or, with a TPoint* in LParam, stores it there; EM_CHARFROMPOS reads
  // the point from a TPoint* in WParam, or, with WParam 0, from the 16-bit halves of LParam.
  struct TCharRange {
    intptr_t cpMin = 0;
    intptr_t cpMax = 0;
  };
  intptr_t Perform(unsigned Msg, uintptr_t WParam, intptr_t LParam);

  // ---- Go to line ----------------------------------------------------------------------------
  // Asks for "line" or "line:column" through the dialog service (the host's, else the installed
  // one), checking the entry before the dialog closes; true when the caret moved.
  bool GotoLineDialog();
  // The process-wide history of accepted go-to-line entries, oldest first.
  static std::vector<std::u16string>& GotoLineHistory();

  // ---- TMemoPart
  // -----------------------------------------------------------------------------------
  void TextChanged(int Pos, int Count, int LineChange) override;

  // The block-start mark of cmMarkSelStart (-1: none).
  int blockStartMark = -1;
  // Whether the last KeyDown ran a command or was taken, so that its character must not be typed.
  bool KeyHandled() const { return keyHandled_; }

 private:
  // The movement commands 1-299 (caret part rules).
  void MoveCommand(int Command, void* Data);
  // Commands performed without asking IsCommandEnabled (clipboard, undo, editing, scrolling, ...).
  bool EditCommand(int Command, void* Data);
  // The rest: only when enabled.
  void OtherCommand(int Command, void* Data);
  bool TableEnabled(int Command, void* Data);
  bool MoveEnabled(int Base, void* Data) const;
  bool EditEnabled(int Command, void* Data);
  bool ScrollEnabled(int Command);
  bool FoldEnabled(int Command);
  bool OtherEnabled(int Command);
  bool CanInsertAtCaret() const;
  bool LineSpanChangeable(int First, int Last);
  // OtherCommand by group.
  void SelectionModeCommand(int Command);
  void FoldCommand(int Command);
  void ToggleCommand(int Command);
  void SearchMarkCommand(int Command);
  // Find and replace through the attached dialogs (memo_find_commands.cpp).
  void FindCommand(int Command);
  bool FindEnabled(int Command);
  void MatchBracket();
  void RestoreMarker(const TMarker& M);
  TMarker CurrentMarker(const TPoint* Pos);
  void ShowMarkers();
  // Tells the input method where the caret is, for its candidate window.
  void PlaceInputMethod();

  std::vector<TMarker> markers_;
  TPreedit preedit_;
  bool keyHandled_ = false;
  bool suppressChar_ = false;
  bool altCommandRan_ = false;
  char16_t pendingHigh_ = 0;
};

// The mouse part: presses, clicks, drag-select in every mode, dragging text within and between
// editors, auto-scroll, middle-button scrolling, staple dragging and the mouse cursor.
class TMemoMousePart : public TMemoPart {
 public:
  static constexpr int kMouseOrder = 80;
  explicit TMemoMousePart(TCustomSyntaxMemo& Memo);
  ~TMemoMousePart() override;

  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y, int ClickCount);
  void MouseMove(TShiftState Shift, int X, int Y);
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
  void CaptureLost();
  TDropEffect DragEnter(const TClipboardData& Data, TShiftState Shift, int X, int Y,
                        TDropEffects Allowed);
  TDropEffect DragOver(TShiftState Shift, int X, int Y, TDropEffects Allowed);
  void DragLeave();
  TDropEffect Drop(const TClipboardData& Data, TShiftState Shift, int X, int Y,
                   TDropEffects Allowed);
  // The mouse cursor for point (X, Y).
  TCursor CursorAt(int X, int Y, TShiftState Shift);
  bool AutoScrolling() const;
  // The origin mark of middle-button scrolling (the paint part calls this last).
  void PaintAutoScrollMark(TCanvas& Canvas);
  // The collapsed-range mark under window point (X, Y): its line, else -1.
  int CollapseMarkAt(int X, int Y);
  // Where the collapsed-range mark of Line is drawn (empty: it has none).
  TRect CollapseMarkRect(int Line);

  void TextChanged(int Pos, int Count, int LineChange) override;

 private:
  struct TState;
  void StopAutoScroll();
  void AutoScrollTick();
  void SelectionTick();
  // While a drop is dragged near an edge of the text area, the view scrolls towards it.
  void DragScrollTick();
  void StopDragScroll();
  void EndSelecting();
  // A press of the left button in the text (clicks, dragging, selecting).
  void LeftDown(TShiftState Shift, int X, int Y, int ClickCount, TPoint Pos);
  void StartTextDrag();
  // A Ctrl+press within a pixel of a block staple starts dragging it; the release re-indents.
  bool StapleAt(int X, int Y);
  void EndStapleDrag(int X);
  bool InputHooksMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  void UpdateCursor(int X, int Y, TShiftState Shift);
  std::unique_ptr<TState> state_;
};

}  // namespace synt
