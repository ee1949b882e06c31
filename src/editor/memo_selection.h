// The caret and selection state of the editor and the conversions between text offsets, text
// positions (column, line) and display columns (tabs expanded by the tab list). The commands and
// the mouse move the caret through the operations of the caret part; this is the state they
// change and what painting, layout and SelText read.
//
//   synt::TMemoSelection& s = memo.Selection();
//   s.SetSelection(10, 25);                      // a stream selection [10, 35)
//   s.SetBlock({2, 0, 6, 3});                     // columns 2..5 of lines 0..3, msColumn
//   std::u16string t = s.SelText();              // each block line followed by CR LF
//   int col = s.CaretToDisplayColumn(line, x);   // where x stands after tab expansion
#pragma once

#include <string>
#include <string_view>

#include "editor/memo_options.h"
#include "platform/graphics.h"

namespace synt {

class TCustomSyntaxMemo;
class TSyntMemoStrings;
class TTabList;

class TMemoSelection {
 public:
  explicit TMemoSelection(TCustomSyntaxMemo& Memo);

  // ---- Caret ----------------------------------------------------------------------------------
  TPoint CaretPos() const { return caretPos_; }
  // Sets the caret without clamping or scrolling (the caret part adds those rules); X past the
  // line's end is virtual space.
  void SetCaretPos(TPoint P);
  // The caret's offset in the text (virtual space not counted).
  int CaretOffset() const { return caretOffset_; }

  // ---- Selection ------------------------------------------------------------------------------
  TSyntSelectionMode SelectionMode() const { return mode_; }
  void SetSelectionMode(TSyntSelectionMode Mode) { mode_ = Mode; }
  int SelStart() const { return selStart_; }
  int SelLength() const { return selLength_; }
  int SelEnd() const { return selStart_ + selLength_; }
  // Display columns Left..Right (Right exclusive) of lines Top..Bottom (inclusive).
  const TRect& BlockRect() const { return block_; }
  int AnchorOffset() const { return anchor_; }
  void SetAnchorOffset(int Value) { anchor_ = Value; }

  // A stream selection [Start, Start + Length), clipped to the text; a negative Length selects
  // backwards from Start. Keeps msLine, otherwise the mode becomes msNormal (msNone when empty).
  void SetSelection(int Start, int Length);
  // The stream selection [Start, Start + Length) clipped to the text, as given: neither the mode
  // nor the column block changes (the caret part decides those).
  void SetStream(int Start, int Length);
  void ClearBlock() { block_ = {}; }
  // A column block, normalised (Left <= Right, Top <= Bottom) and kept within the lines; the mode
  // becomes msColumn.
  void SetBlock(const TRect& Block);
  // No selection; the start follows the caret.
  void ResetSelection();
  bool HaveSelection() const;

  // The selected text: for a column block each of its lines contributes the characters between
  // the block's columns followed by CR LF (a line shorter than the block gives an empty line);
  // otherwise the characters of the stream selection.
  std::u16string SelText() const;
  // The selection within Line as offsets from the line start, [Start, End); End may lie past the
  // line's text when a stream selection continues. False when the line has none.
  bool LineSelection(int Line, int& Start, int& End) const;

  // ---- Conversions ----------------------------------------------------------------------------
  int CaretPosToStrPos(TPoint P) const;
  TPoint StrPosToCaretPos(int Pos) const;
  // The display column of character index X of Line; X past the line adds a column per unit.
  int CaretToDisplayColumn(int Line, int X) const;
  // The character index of display column Col of Line: the first character whose end column lies
  // past Col (a column inside a tab gives the tab); past the line, length + the columns beyond.
  int DisplayColumnToCaret(int Line, int Col) const;
  // The display width of a line's text.
  int LineDisplayWidth(int Line) const;

  // ---- Following the text ---------------------------------------------------------------------
  // After a change at Pos of Count units and LineChange lines (Pos -1: the whole text).
  void TextChanged(int Pos, int Count, int LineChange);

 private:
  TSyntMemoStrings* Lines() const;
  // The column after a character C standing at column Col (Prev: the character before it).
  int Advance(char16_t C, char16_t Prev, int Col) const;
  TCustomSyntaxMemo& memo_;
  TPoint caretPos_;
  int caretOffset_ = 0;
  int caretVirtual_ = 0;
  TSyntSelectionMode mode_ = msNone;
  int selStart_ = 0;
  int selLength_ = 0;
  int anchor_ = 0;
  TRect block_;
};

}  // namespace synt
