// The synchronous-editing part of the editor control: owns the model (TSyntSyncEdit, the
// SyncEditing property), keeps it in step with the text and the caret, lends the edit part the
// places an edit is repeated at, and starts sync editing over the selected block.
//
//   memo.SelectRange(0, memo.Lines()->TextLength());
//   memo.ExecuteCommand(synt::cmSyncEdit, nullptr);   // identifiers occurring more than once
//   memo.SetCaretStrPos(2);                            // inside one of them
//   memo.InsertText(u"x");                             // typed into every occurrence
//   memo.ExecuteCommand(synt::cmSyncEdit, nullptr);   // (or Esc) ends it
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "editor/memo_part.h"
#include "editor/sync_edit.h"
#include "platform/shortcut.h"

namespace synt {

class TMemoSyncEditPart : public TMemoPart {
 public:
  static constexpr int kSyncEditOrder = 65;
  explicit TMemoSyncEditPart(TCustomSyntaxMemo& Memo);
  ~TMemoSyncEditPart() override;

  TSyntSyncEdit* SyncEditing() const { return sync_.get(); }
  bool Active() const { return sync_->Active(); }

  // The sync range [Start, End) with a word group for every identifier (a run of the editor's
  // word characters not starting with a digit) that occurs in it more than once; empty when
  // there is none.
  TSyncRangeList RangesFor(int Start, int End) const;
  // Offers List to OnCanSyncEdit and takes it unless refused or empty; true when sync editing
  // started (it replaces what was going on).
  bool Start(TSyncRangeList List);
  // Sync editing over the selected block (a column block: its whole lines); the selection goes
  // and the caret goes to the end of the first word unless it stands in one.
  bool StartFromSelection();
  bool CanStartFromSelection() const;
  void Stop();
  // Esc ends sync editing; true when the key was taken.
  bool KeyDown(TShortCut Key);

  // ---- TMemoPart
  void TextChanged(int Pos, int Count, int LineChange) override;
  void CaretPosChanged() override;
  void DocumentChanged() override { Stop(); }

 private:
  // The edit part's seam.
  std::vector<int> Targets(int Pos, int Delta, std::u16string_view Text);
  void Replicating(int Index);
  void Validate();
  bool AllWordChars(std::u16string_view S) const;
  void UpdateActive();

  std::unique_ptr<TSyntSyncEdit> sync_;
  TSyncTargets last_;
};

}  // namespace synt
