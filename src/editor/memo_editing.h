// The editing part of the editor control: every change the editor makes to its text goes through
// these operations. They respect read-only state, protected text (styles with the read-only flag)
// and the guard events, record undo, run inside one update bracket (one undo group, one repaint)
// and leave caret and selection where a user expects them.
//
//   synt::TMemoEditPart& e = memo.EditPart();
//   e.InsertText(u"begin");                        // at the caret (soOverwriteBlocks: the
//                                                  // selection goes first)
//   e.NewLine(e.AutoIndentColumn(), false, false);
//   {
//     synt::TMemoUpdate u(memo);                   // several changes, one undo step
//     e.ReplaceText(0, 5, u"BEGIN");
//     e.IndentLines(+2);
//   }
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "editor/memo_part.h"
#include "platform/graphics.h"

namespace synt {

class TClipboard;
class TCustomSyntaxMemo;

// Puts the selection of Memo on Clipboard through the exporters (text, 8-bit text, block kind,
// and RTF when AsRTF). The print layer installs it (it sits above the editor); without it the
// editor copies the selected text and its block kind itself.
using TMemoCopyHandler = void (*)(TCustomSyntaxMemo& Memo, TClipboard& Clipboard, bool AsRTF);
void SetMemoCopyHandler(TMemoCopyHandler Handler);
TMemoCopyHandler MemoCopyHandler();

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

  // The line break new text gets: the document's break style; for a kept (mixed or unknown)
  // style the break that ends the first line, else CR LF.
  std::u16string LineBreakText() const;

  // ---- Synchronous editing seam
  // Asked before every insertion (Delta > 0, its Text) and deletion (Delta < 0) at Pos: the
  // offsets, in text order and Pos among them, at which to make it instead; none: made once.
  std::function<std::vector<int>(int Pos, int Delta, std::u16string_view Text)> SyncEditTargets;
  // Told before the copy at the Index-th of those offsets is made, and with -1 after the last.
  std::function<void(int Index)> SyncEditReplicating;
  // Told by the outermost EndUpdate (the synchronous editor re-validates its ranges there).
  std::function<void()> SyncEditValidate;

  // ---- Clipboard
  // ---------------------------------------------------------------------------------
  void CopyToClipboard();
  // With the RTF exporter when AsRTF, whatever soCopyAsRTF says.
  void CopyToClipboard(bool AsRTF);
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
  // soAutoFormat, after a finished pass: going from the end of the text back, rewrites the first
  // token whose style asks for a case its text is not yet in. True when one was rewritten (the
  // rewrite starts a new pass). A toggling style is left alone: toggling would never end.
  bool AutoFormat();
  // Moves (or copies) the selection to text position Target (drag and drop inside one editor).
  bool MoveSelectionTo(TPoint Target, bool Copy);

  // ---- TMemoPart
  // -----------------------------------------------------------------------------------
  void TextChanged(int Pos, int Count, int LineChange) override;

  // The offset just past the text the last insertion put in (-1: none since ResetInsertMark).
  int LastInsertEnd() const { return lastInsertEnd_; }
  void ResetInsertMark() { lastInsertEnd_ = -1; }

 private:
  // Walks the style runs of [Start, End): calls F(RunStart, RunEnd, Protected) for each, until F
  // answers false.
  template <class F>
  void ForProtectionRuns(int Start, int End, F&& f) const;
  bool MayProtect() const;
  // The edit primitives behind every operation: OnBeforeInsert / OnBeforeDelete, the undo record,
  // the change. False when refused.
  bool RawInsert(int Pos, std::u16string_view S, bool CaretAfter);
  bool RawDelete(int Pos, int Count, bool CaretAfter);
  // The same edit at every place synchronous editing names, last to first, through the guards;
  // false (nothing done) when it names none or a place refuses. memo_editing_sync.cpp.
  bool ReplicateInsert(int Pos, std::u16string_view S, bool CaretAfter);
  bool ReplicateDelete(int Pos, int Count, bool CaretAfter);
  // Deletes the unprotected runs of [Start, End), last to first; returns how many units went.
  int DeleteUnprotected(int Start, int End);
  // The blanks and breaks that reach a caret past its line's end or below the last line.
  std::u16string Filler(TPoint P) const;
  // Inserts Block's lines as a column at display column Col from line FirstLine on (short lines
  // padded, missing lines appended); returns the position after the last line's piece.
  TPoint InsertColumn(int FirstLine, int Col, const std::vector<std::u16string>& Block);
  // Tabs of S replaced by blanks up to their stops, counting columns from StartCol (each line
  // after a break from 0).
  std::u16string ExpandTabs(std::u16string_view S, int StartCol) const;
  void DeleteBlock(TRect Block);
  bool MoveStream(TPoint Target, bool Copy);
  bool MoveBlock(TPoint Target, bool Copy);

  int updateCount_ = 0;
  int lastInsertEnd_ = -1;
  // How far the last deletion's own place moved because copies of it went in front (<= 0).
  int replicaShift_ = 0;
  bool replicating_ = false;
};

// The lines of S (CR LF, CR and LF each end one); a break at the end adds no empty line.
std::vector<std::u16string> SplitLines(std::u16string_view S);

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
