#include "editor/memo_selection.h"

#include <algorithm>
#include <cstdint>

#include "analysis/synt_text_source.h"
#include "editor/syntax_memo.h"
#include "text/memo_strings.h"

namespace synt {

TMemoSelection::TMemoSelection(TCustomSyntaxMemo& Memo) : memo_(Memo) {}

TSyntMemoStrings* TMemoSelection::Lines() const {
  return memo_.Lines();
}

void TMemoSelection::SetCaretPos(TPoint P) {
  TSyntMemoStrings* lines = Lines();
  caretPos_ = P;
  const int count = lines->GetCount();
  if (P.Y < 0 || count == 0) {
    caretOffset_ = 0;
    caretVirtual_ = std::max(0, P.X);
  } else if (P.Y >= count) {
    caretOffset_ = lines->TextLength();
    caretVirtual_ = 0;
  } else {
    const int len = lines->LineLength(P.Y);
    caretOffset_ = lines->LineStart(P.Y) + std::clamp(P.X, 0, len);
    caretVirtual_ = std::max(0, P.X - len);
  }
}

// ---- Conversions ------------------------------------------------------------------------------

// A text source may convert positions its own way; the own lines convert for themselves.
int TMemoSelection::CaretPosToStrPos(TPoint P) const {
  if (TSyntTextSource* source = memo_.TextSource()) return source->CaretPosToStrPos(P);
  return Lines()->CaretPosToStrPos(P);
}

TPoint TMemoSelection::StrPosToCaretPos(int Pos) const {
  if (TSyntTextSource* source = memo_.TextSource()) return source->StrPosToCaretPos(Pos);
  return Lines()->StrPosToCaretPos(Pos);
}

int TMemoSelection::Advance(char16_t C, char16_t Prev, int Col) const {
  if (C != u'\t') return Col + 1;
  // A tab right after text may end exactly on a stop and take no width.
  const bool inclusive = memo_.OptionsEx().Contains(soAllowZeroTab) && Prev != 0 && Prev != u'\t' &&
                         Prev != u'\r' && Prev != u'\n';
  return memo_.TabList()->NextTab(Col, inclusive);
}

int TMemoSelection::CaretToDisplayColumn(int Line, int X) const {
  const std::u16string_view text = Lines()->LineText(Line);
  const int n = std::min<int>(std::max(X, 0), int(text.size()));
  int col = 0;
  for (int i = 0; i < n; ++i) col = Advance(text[size_t(i)], i ? text[size_t(i) - 1] : 0, col);
  return col + std::max(0, X - int(text.size()));
}

int TMemoSelection::DisplayColumnToCaret(int Line, int Col) const {
  const std::u16string_view text = Lines()->LineText(Line);
  int col = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const int next = Advance(text[i], i ? text[i - 1] : 0, col);
    if (next > Col) return int(i);
    col = next;
  }
  return int(text.size()) + std::max(0, Col - col);
}

int TMemoSelection::LineDisplayWidth(int Line) const {
  return CaretToDisplayColumn(Line, Lines()->LineLength(Line));
}

// ---- Selection --------------------------------------------------------------------------------

void TMemoSelection::SetSelection(int Start, int Length) {
  const int64_t size = Lines()->TextLength();
  int a = int(std::clamp<int64_t>(Start, 0, size));
  int b = int(std::clamp<int64_t>(int64_t(Start) + Length, 0, size));
  if (b < a) std::swap(a, b);
  selStart_ = a;
  selLength_ = b - a;
  block_ = {};
  if (mode_ != msLine) mode_ = selLength_ > 0 ? msNormal : msNone;
}

void TMemoSelection::SetStream(int Start, int Length) {
  const int64_t size = Lines()->TextLength();
  selStart_ = int(std::clamp<int64_t>(Start, 0, size));
  selLength_ = int(std::clamp<int64_t>(Length, 0, size - selStart_));
}

void TMemoSelection::SetBlock(const TRect& Block) {
  // Lines past the text have nothing to select; a block never reaches beyond the last line.
  const int last = std::max(0, Lines()->GetCount() - 1);
  block_.Top = std::clamp(std::min(Block.Top, Block.Bottom), 0, last);
  block_.Bottom = std::clamp(std::max(Block.Top, Block.Bottom), 0, last);
  block_.Left = std::max(0, std::min(Block.Left, Block.Right));
  block_.Right = std::max(0, std::max(Block.Left, Block.Right));
  selLength_ = 0;
  mode_ = msColumn;
}

void TMemoSelection::ResetSelection() {
  selLength_ = 0;
  block_ = {};
  selStart_ = CaretOffset();
  anchor_ = selStart_;
}

bool TMemoSelection::HaveSelection() const {
  if (mode_ == msColumn) return block_.Left < block_.Right && block_.Top <= block_.Bottom;
  return selLength_ > 0;
}

std::u16string TMemoSelection::SelText() const {
  if (!HaveSelection()) return {};
  TSyntMemoStrings* lines = Lines();
  if (mode_ != msColumn) return lines->SubString(selStart_ + 1, selLength_);
  std::u16string s;
  for (int line = block_.Top; line <= block_.Bottom; ++line) {
    const std::u16string_view text = lines->LineText(line);
    const int a = std::min<int>(DisplayColumnToCaret(line, block_.Left), int(text.size()));
    const int b = std::min<int>(DisplayColumnToCaret(line, block_.Right), int(text.size()));
    if (b > a) s.append(text.substr(size_t(a), size_t(b - a)));
    s += u"\r\n";
  }
  return s;
}

bool TMemoSelection::LineSelection(int Line, int& Start, int& End) const {
  if (!HaveSelection()) return false;
  if (mode_ == msColumn) {
    if (Line < block_.Top || Line > block_.Bottom) return false;
    Start = DisplayColumnToCaret(Line, block_.Left);
    End = DisplayColumnToCaret(Line, block_.Right);
    return End > Start;
  }
  TSyntMemoStrings* lines = Lines();
  if (Line < 0 || Line >= lines->GetCount()) return false;
  const int first = lines->LineStart(Line);
  const int next = first + lines->LineSpace(Line);
  const int a = std::max(selStart_, first), b = std::min(SelEnd(), next);
  if (a >= b && !(selStart_ <= first && SelEnd() > first)) return false;
  Start = a - first;
  End = SelEnd() - first;  // past the line's text when the selection goes on
  return true;
}

// ---- Following the text -----------------------------------------------------------------------

void TMemoSelection::TextChanged(int Pos, int Count, int LineChange) {
  if (Pos < 0) {
    // A new text: nothing of the old selection applies.
    caretPos_ = {0, 0};
    caretOffset_ = caretVirtual_ = 0;
    mode_ = msNone;
    selStart_ = selLength_ = anchor_ = 0;
    block_ = {};
    return;
  }
  auto follow = [Pos, Count](int x) { return x > Pos ? std::max(x + Count, Pos) : x; };
  TSyntMemoStrings* lines = Lines();
  const int changedLine = lines->LineOfPos(Pos);
  if (memo_.Options().Contains(soPersistentBlocks) && lines->TextLength() > 0) {
    const int a = follow(selStart_), b = follow(SelEnd());
    selStart_ = a;
    selLength_ = std::max(0, b - a);
    anchor_ = follow(anchor_);
    if (mode_ == msColumn && block_.Top >= changedLine && LineChange != 0) {
      const int last = std::max(0, lines->GetCount() - 1);
      block_.Top = std::clamp(block_.Top + LineChange, 0, last);
      block_.Bottom = std::clamp(block_.Bottom + LineChange, 0, last);
    }
  } else {
    selLength_ = 0;
    block_ = {};
    if (mode_ != msLine) mode_ = msNone;
    selStart_ = anchor_ = follow(selStart_);
  }
  // The caret keeps its place in the text and, in virtual space past a line, its distance from
  // the line's end.
  caretOffset_ = follow(caretOffset_);
  caretPos_ = lines->StrPosToCaretPos(caretOffset_);
  // Text that now follows the caret on its line fills the virtual space it stood in.
  if (caretVirtual_ > 0 && caretPos_.X < lines->LineLength(caretPos_.Y)) caretVirtual_ = 0;
  caretPos_.X += caretVirtual_;
}

}  // namespace synt
