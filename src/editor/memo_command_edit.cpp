// The editing commands: clipboard, undo, deleting, typing, new lines, indentation, tabs, case,
// insert/overwrite mode, commenting, sorting, aligning, moving lines and the copy-and-paste
// combinations. Each runs as one update: one undo group, one repaint.
#include <algorithm>

#include "analysis/syntax_analyzer.h"
#include "editor/commands.h"
#include "editor/memo_commands.h"
#include "editor/syntax_memo.h"
#include "lists/char_utils.h"
#include "text/memo_strings.h"

namespace synt {

namespace {

bool IsBlank(char16_t C) {
  return C == u' ' || C == u'\t';
}

bool IsBreak(char16_t C) {
  return C == u'\r' || C == u'\n';
}

bool OverwritesSelection(TCustomSyntaxMemo& M) {
  return M.HaveSelection() && M.Options().Contains(soOverwriteBlocks);
}

// Units of the character before / at the 0-based Offset, so that a surrogate pair goes as one
// (CharType counts from 1).
int UnitsBefore(const TSyntMemoStrings& L, int Offset) {
  return L.CharType(Offset) == 2 ? 2 : 1;
}
int UnitsAt(const TSyntMemoStrings& L, int Offset) {
  return L.CharType(Offset + 1) == 1 ? 2 : 1;
}

int IndentOf(const TMemoSelection& S, const TSyntMemoStrings& L, int Line) {
  const std::u16string_view t = L.LineText(Line);
  size_t i = 0;
  while (i < t.size() && IsBlank(t[i])) ++i;
  return S.CaretToDisplayColumn(Line, int(i));
}

void Backspace(TCustomSyntaxMemo& M) {
  TMemoEditPart& e = M.EditPart();
  if (OverwritesSelection(M)) return e.ClearSelection();
  const TSyntMemoStrings& lines = *M.Lines();
  const TMemoSelection& sel = M.Selection();
  const TPoint p = M.CaretPos();
  const int count = lines.GetCount();
  if (p.Y >= count && count > 0) {
    // Below the text there is nothing to delete: the caret only moves back.
    M.SetCaretPos(p.X > 0 ? TPoint{p.X - 1, p.Y} : TPoint{lines.LineLength(p.Y - 1), p.Y - 1});
    return;
  }
  if (p.X == 0) return e.DeleteChars(-1);
  const std::u16string_view text = lines.LineText(p.Y);
  if (p.X > int(text.size())) return M.SetCaretPos({p.X - 1, p.Y});
  if (M.Options().Contains(soBackUnindent)) {
    const int caretCol = sel.CaretToDisplayColumn(p.Y, p.X);
    const bool blank = lines.IsLineBlank(p.Y);
    if (blank || caretCol == IndentOf(sel, lines, p.Y)) {
      int target = 0;
      for (int y = p.Y - 1; y >= 0; --y) {
        if (lines.IsLineBlank(y)) continue;
        const int indent = IndentOf(sel, lines, y);
        if (indent < caretCol) {
          target = indent;
          break;
        }
      }
      const int x = sel.DisplayColumnToCaret(p.Y, target);
      if (p.X > x) e.DeleteChars(x - p.X);
      return;
    }
  }
  e.DeleteChars(-UnitsBefore(lines, sel.CaretOffset()));
}

void DeleteForward(TCustomSyntaxMemo& M) {
  TMemoEditPart& e = M.EditPart();
  if (OverwritesSelection(M)) return e.ClearSelection();
  const TSyntMemoStrings& lines = *M.Lines();
  const TPoint p = M.CaretPos();
  if (p.Y >= lines.GetCount()) return;
  const int len = lines.LineLength(p.Y);
  if (p.X < len) return e.DeleteChars(UnitsAt(lines, M.Selection().CaretOffset()));
  const int brk = lines.LineSpace(p.Y) - len;
  if (brk == 0) return;
  // The next line's text moves up to start right at the caret, past the end included.
  const int end = lines.LineStart(p.Y) + len;
  if (p.X > len) {
    if (e.ReplaceText(end, brk, std::u16string(size_t(p.X - len), u' '))) M.SetCaretPos(p);
  } else {
    e.DeleteChars(brk);
  }
}

enum TCharClass { ccWord, ccBreak, ccBlank, ccOther };

TCharClass ClassOf(TCustomSyntaxMemo& M, char16_t C) {
  if (IsBreak(C)) return ccBreak;
  if (IsBlank(C)) return ccBlank;
  return M.CaretPart().IsWordChar(C) ? ccWord : ccOther;
}

void DeleteWord(TCustomSyntaxMemo& M) {
  const TSyntMemoStrings& lines = *M.Lines();
  const std::u16string_view t = lines.TextView();
  const int c = M.Selection().CaretOffset();
  if (c >= int(t.size())) return;
  size_t i = size_t(c);
  const TCharClass k = ClassOf(M, t[i]);
  if (k == ccBlank || k == ccBreak) {
    while (i < t.size() && (IsBlank(t[i]) || IsBreak(t[i]))) ++i;
  } else {
    while (i < t.size() && ClassOf(M, t[i]) == k) ++i;
    while (i < t.size() && IsBlank(t[i])) ++i;
  }
  M.EditPart().DeleteChars(int(i) - c);
}

void BackDeleteWord(TCustomSyntaxMemo& M) {
  const TSyntMemoStrings& lines = *M.Lines();
  const std::u16string_view t = lines.TextView();
  const int c = M.Selection().CaretOffset();
  if (M.CaretPos().X == 0) return;
  int i = c;
  while (i > 0 && !IsBreak(t[size_t(i) - 1]) && ClassOf(M, t[size_t(i) - 1]) != ccWord) --i;
  while (i > 0 && ClassOf(M, t[size_t(i) - 1]) == ccWord) --i;
  if (i < c) M.EditPart().DeleteChars(i - c);
}

void DeleteLineCommand(TCustomSyntaxMemo& M, int Command) {
  TMemoEditPart& e = M.EditPart();
  const TSyntMemoStrings& lines = *M.Lines();
  const TPoint p = M.CaretPos();
  const int len = lines.LineLength(p.Y);
  switch (Command) {
    case cmDeleteToLineStart:
      if (p.Y < lines.GetCount()) e.DeleteChars(-std::min(p.X, len));
      break;
    case cmDeleteToLineEnd:
      if (p.Y < lines.GetCount() && p.X < len) e.DeleteChars(len - p.X);
      break;
    case cmDeleteLine:
      if (p.Y >= lines.GetCount()) break;
      M.SetCaretPos({0, p.Y});
      if (lines.CaretPosToStrPos({0, p.Y}) == M.Selection().CaretOffset())
        e.DeleteChars(lines.LineSpace(p.Y));
      break;
    default:  // cmClearAll
      M.SetCaretPos({0, 0});
      e.DeleteChars(lines.TextLength());
  }
}

// Overwrite replaces the character inside the line; at its end the character is inserted.
void TypeChar(TCustomSyntaxMemo& M, const void* Data) {
  if (!Data) return;
  const char16_t ch = *static_cast<const char16_t*>(Data);
  if (ch < 32) return;
  TMemoEditPart& e = M.EditPart();
  const TSyntMemoStrings& lines = *M.Lines();
  const TPoint p = M.CaretPos();
  e.ResetInsertMark();
  if (M.ReplaceMode() && !M.HaveSelection() && p.Y < lines.GetCount() &&
      p.X < lines.LineLength(p.Y)) {
    const int at = M.Selection().CaretOffset();
    if (e.ReplaceText(at, UnitsAt(lines, at), std::u16string_view(&ch, 1)))
      M.SetCaretStrPos(at + 1);
  } else {
    e.InsertText(std::u16string_view(&ch, 1));
  }
  if (e.LastInsertEnd() >= 0 && M.OnInsertChar) M.OnInsertChar(&M, ch, e.LastInsertEnd() - 1);
}

void TabCommand(TCustomSyntaxMemo& M, int Command) {
  TMemoEditPart& e = M.EditPart();
  if (Command == cmTabChar || M.TabMode() == tmTabChar) return e.InsertText(u"\t");
  if (M.TabMode() == tmDialog) return;
  const TPoint p = M.CaretPos();
  const int col = M.Selection().CaretToDisplayColumn(p.Y, p.X);
  const int target =
      M.TabMode() == tmSmartTab ? e.SmartTabColumn() : M.TabList()->NextTab(col, false);
  if (target > col) e.InsertText(std::u16string(size_t(target - col), u' '));
}

// The selection's text (each line's part of a column block), or the character at the caret.
void SelectionCase(TCustomSyntaxMemo& M, int Mode) {
  TMemoEditPart& e = M.EditPart();
  TMemoSelection& sel = M.Selection();
  const TSyntMemoStrings& lines = *M.Lines();
  if (!M.HaveSelection()) {
    const TPoint p = M.CaretPos();
    if (p.Y < lines.GetCount() && p.X < lines.LineLength(p.Y))
      e.ChangeCase(sel.CaretOffset(), 1, Mode);
    return;
  }
  const TSyntSelectionMode mode = sel.SelectionMode();
  if (mode == msColumn) {
    const TRect b = sel.BlockRect();
    for (int y = b.Top; y <= b.Bottom && y < lines.GetCount(); ++y) {
      const int len = lines.LineLength(y);
      const int a = std::min(sel.DisplayColumnToCaret(y, b.Left), len);
      const int z = std::min(sel.DisplayColumnToCaret(y, b.Right), len);
      if (z > a) e.ChangeCase(lines.LineStart(y) + a, z - a, Mode);
    }
    sel.SetBlock(b);
    return;
  }
  const int start = sel.SelStart(), length = sel.SelLength();
  e.ChangeCase(start, length, Mode);
  sel.SetSelection(start, length);
  if (mode == msLine) sel.SetSelectionMode(msLine);
}

void WordCase(TCustomSyntaxMemo& M, int Mode) {
  if (M.HaveSelection()) return SelectionCase(M, Mode);
  const TSyntMemoStrings& lines = *M.Lines();
  const TPoint p = M.CaretPos();
  if (p.Y >= lines.GetCount()) return;
  const std::u16string_view t = lines.LineText(p.Y);
  TMemoCaretPart& c = M.CaretPart();
  // The word containing the caret, or ending just before it.
  int a = std::min<int>(p.X, int(t.size()));
  if (!(size_t(a) < t.size() && c.IsWordChar(t[size_t(a)])) &&
      !(a > 0 && c.IsWordChar(t[size_t(a) - 1])))
    return;
  int z = a;
  while (a > 0 && c.IsWordChar(t[size_t(a) - 1])) --a;
  while (size_t(z) < t.size() && c.IsWordChar(t[size_t(z)])) ++z;
  M.EditPart().ChangeCase(lines.LineStart(p.Y) + a, z - a, Mode);
}

void LineSpanCommand(TCustomSyntaxMemo& M, int Command) {
  TMemoEditPart& e = M.EditPart();
  int first = 0, last = 0;
  e.SelectedLineSpan(first, last);
  switch (Command) {
    case cmCommentLines:
    case cmUncommentLines:
      if (!M.ReadOnly()) e.CommentLines(Command == cmCommentLines, first, last);
      break;
    case cmSortAscending:
    case cmSortDescending:
      if (M.HaveSelection()) e.SortLines(Command == cmSortAscending);
      break;
    case cmAlignTokens:
      if (!M.ReadOnly() && M.SyntClient() && M.HaveSelection() && last > first)
        e.AlignTokens(first, last);
      break;
    case cmMoveLinesUp:
    case cmMoveLinesDown:
      e.MoveLines(Command == cmMoveLinesUp);
      break;
    default:  // cmDuplicateLine
      if (M.CaretPos().Y < M.Lines()->GetCount()) e.DuplicateLine(M.CaretPos().Y);
  }
}

// Copy (or cut), put the caret where the command says, paste.
void CopyPaste(TCustomSyntaxMemo& M, int Command) {
  if (!M.HaveSelection() || M.ReadOnly()) return;
  TMemoEditPart& e = M.EditPart();
  const TSyntMemoStrings& lines = *M.Lines();
  TMemoSelection& sel = M.Selection();
  const bool column = sel.SelectionMode() == msColumn;
  const TRect b = sel.BlockRect();
  const int start = sel.SelStart(), end = sel.SelEnd();
  if (Command == cmCutPasteToEnd || Command == cmCutPasteToStart)
    e.CutToClipboard();
  else
    e.CopyToClipboard();
  M.ResetSelection();
  switch (Command) {
    case cmCopyPasteToEnd:
    case cmCutPasteToEnd:
      M.SetCaretStrPos(lines.TextLength());
      break;
    case cmCopyPasteToStart:
    case cmCutPasteToStart:
      M.SetCaretPos({0, 0});
      break;
    case cmCopyPasteAbove:
      if (column)
        M.SetCaretPos({sel.DisplayColumnToCaret(b.Top, b.Left), b.Top});
      else
        M.SetCaretStrPos(start);
      break;
    default:  // cmCopyPasteBelow
      if (column)
        M.SetCaretPos({sel.DisplayColumnToCaret(b.Bottom + 1, b.Left), b.Bottom + 1});
      else
        M.SetCaretStrPos(end);
  }
  e.PasteFromClipboard();
}

bool ClipboardCommand(TCustomSyntaxMemo& M, int Command) {
  TMemoEditPart& e = M.EditPart();
  switch (Command) {
    case cmCopy:
      e.CopyToClipboard();
      return true;
    case cmCopyAsRTF:
      e.CopyToClipboard(true);
      return true;
    case cmCut:
      e.CutToClipboard();
      return true;
    case cmPaste:
      e.PasteFromClipboard();
      return true;
    case cmUndo:
      e.Undo();
      return true;
    case cmRedo:
      e.Redo();
      return true;
    case cmSelectAll:
      e.SelectAll();
      return true;
    case cmClearSelection:
      e.ClearSelection();
      return true;
    default:
      return false;
  }
}

bool TypingCommand(TCustomSyntaxMemo& M, int Command, void* Data) {
  TMemoEditPart& e = M.EditPart();
  switch (Command) {
    case cmBackspace:
      Backspace(M);
      return true;
    case cmDeleteChar:
      DeleteForward(M);
      return true;
    case cmDeleteWord:
      DeleteWord(M);
      return true;
    case cmBackDeleteWord:
      BackDeleteWord(M);
      return true;
    case cmDeleteToLineStart:
    case cmDeleteToLineEnd:
    case cmDeleteLine:
    case cmClearAll:
      DeleteLineCommand(M, Command);
      return true;
    case cmNewLine:
    case cmSoftBreak:
      e.NewLine(M.Options().Contains(soAutoIndentMode) ? e.AutoIndentColumn() : 0, false,
                Command == cmSoftBreak);
      return true;
    case cmInsertLine:
      e.NewLine(0, true, false);
      return true;
    case cmChar:
      TypeChar(M, Data);
      return true;
    case cmString:
      if (Data) e.InsertText(static_cast<const char16_t*>(Data));
      return true;
    case cmIndent:
    case cmUnindent:
      e.IndentLines(Command == cmIndent ? M.BlockIndent() : -M.BlockIndent());
      return true;
    case cmTab:
    case cmTabChar:
      TabCommand(M, Command);
      return true;
    default:
      return false;
  }
}

}  // namespace

bool TMemoCommandPart::EditCommand(int Command, void* Data) {
  TCustomSyntaxMemo& m = Memo();
  if (Command == cmCopy || Command == cmCopyAsRTF) return ClipboardCommand(m, Command);
  const bool mine =
      (Command >= cmCopy && Command <= cmCopyAsRTF) ||
      (Command >= cmBackspace && Command <= cmSoftBreak) ||
      (Command >= cmIndent && Command <= cmTabChar) ||
      (Command >= cmWordUpperCase && Command <= cmSelTitleCase && Command != cmWordTitleCase + 1) ||
      (Command >= cmCommentLines && Command <= cmSortDescending) ||
      (Command >= cmAlignTokens && Command <= cmDuplicateLine) ||
      (Command >= cmCopyPasteToEnd && Command <= cmCopyPasteBelow);
  if (!mine) return false;
  TMemoUpdate update(m);
  if (ClipboardCommand(m, Command) || TypingCommand(m, Command, Data)) return true;
  if (Command >= cmWordUpperCase && Command <= cmWordTitleCase)
    WordCase(m, Command - cmWordUpperCase + 1);
  else if (Command >= cmSelUpperCase && Command <= cmSelTitleCase)
    SelectionCase(m, Command - cmSelUpperCase + 1);
  else if (Command >= cmCopyPasteToEnd)
    CopyPaste(m, Command);
  else
    LineSpanCommand(m, Command);
  return true;
}

}  // namespace synt
