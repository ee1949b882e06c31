// The editing part of the editor control: every change the editor makes to its text goes through
// these operations. They respect read-only state, protected text (styles with the read-only flag)
// and the guard events, record undo, run inside one update bracket (one undo group, one repaint)
// and leave caret and selection where a user expects them.
//
//   synt::TMemoEditPart& e = memo.EditPart();
//   e.InsertText(u"begin");              // at the caret; the selection first goes
//   (soOverwriteBlocks) e.NewLine(e.AutoIndentColumn(), false, false); { synt::TMemoUpdate u(memo);
//   // several changes, one undo step
//     e.ReplaceText(0, 5, u"BEGIN"); e.IndentLines(+2); }
#pragma once

#include <string>
#include <string_view>

#include "editor/memo_part.h"
#include "platform/graphics.h"

namespace synt {

class TCustomSyntaxMemo;

class TMemoEditPart : public TMemoPart {
 public:
  static constexpr int kEditOrder = 60;
  explicit TMemoEditPart(TCustomSyntaxMemo& Memo);
  ~TMemoEditPart() override;

  // ---- Update bracket
  // ---------------------------------------------------------------------------- The outermost
  // BeginUpdate opens an undo group; the outermost EndUpdate closes it and refreshes the view.
  // Balanced also when an exception passes (use TMemoUpdate).
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return updateCount_; }

  // ---- Protection
  // --------------------------------------------------------------------------------
  bool IsProtected(int Pos) const;
  bool CanInsert(int Pos) const;
  bool CanDelete(int Pos, int Count) const;
  // The selection may be deleted (a column block: at least one line's part).
  bool CanDeleteSelection() const;

  // ---- Primitives
  // ----------------------------------------------------------------------------------
  void InsertText(std::u16string_view S);
  // Count < 0 deletes backward from the caret.
  void DeleteChars(int Count);
  // Deletes [Offset, Offset + Length) and inserts S there; the caret stays. False when refused.
  bool ReplaceText(int Offset, int Length, std::u16string_view S);
  void ClearSelection();

  // ---- Clipboard
  // ---------------------------------------------------------------------------------
  void CopyToClipboard();
  void CutToClipboard();
  void PasteFromClipboard();
  // Text with the column-block marker when Column (the clipboard's block kind is 2).
  void PasteText(std::u16string_view Text, bool Column);
  void SelectAll();

  // ---- Undo
  // ----------------------------------------------------------------------------------------
  void Undo();
  void Redo();
  bool CanUndo() const;
  bool CanRedo() const;
  void ClearUndo();

  // ---- Composite operations
  // ------------------------------------------------------------------------
  void NewLine(int Indent, bool LeaveCaret, bool Soft);
  int AutoIndentColumn() const;
  int SmartTabColumn() const;
  // Tabs and blanks (soOptimalFill, TabMode) or blanks only for Columns display columns.
  std::u16string IndentString(int Columns, bool BlanksOnly = false) const;
  void IndentLines(int Delta);
  // Mode: 1 upper, 2 lower, 3 toggle, 4 title. True when the text changed.
  bool ChangeCase(int Offset, int Length, int Mode);
  // The selected line span (column block: its top to bottom; a selection ending at column 0 of a
  // later line does not include that line; no selection: the caret line).
  void SelectedLineSpan(int& First, int& Last) const;
  void SortLines(bool Ascending);
  void AlignTokens(int FirstLine, int LastLine);
  void MoveLines(bool Up);
  void DuplicateLine(int Line);
  void CommentLines(bool Comment, int FirstLine, int LastLine);
  // Moves (or copies) the selection to text position Target (drag and drop inside one editor).
  bool MoveSelectionTo(TPoint Target, bool Copy);

  // ---- TMemoPart
  // -----------------------------------------------------------------------------------
  void TextChanged(int Pos, int Count, int LineChange) override;

 private:
  int updateCount_ = 0;
};

// BeginUpdate / EndUpdate for a scope.
class TMemoUpdate {
 public:
  explicit TMemoUpdate(TCustomSyntaxMemo& Memo);
  ~TMemoUpdate();
  TMemoUpdate(const TMemoUpdate&) = delete;
  TMemoUpdate& operator=(const TMemoUpdate&) = delete;

 private:
  TCustomSyntaxMemo& memo_;
};

}  // namespace synt
