// The find and replace dialogs bound to an editor: the search ranges from the selection and the
// caret, showing and marking what is found, wrapping around, and replacement with prompts and
// templates, a whole run being one undo step. The editor's search commands (600-616) call the
// dialogs attached to it.
//
//   synt::TSyntFindDialog find(nullptr);
//   find.SetControl(&memo);                 // attaches itself; commands 600-608 now run
//   find.SetFindText(u"begin");
//   find.FindNext();                        // from the caret; selects or marks the occurrence
//   find.FindAll();                         // the first shown, the others as search marks
//
//   synt::TSyntReplaceDialog replace(nullptr);
//   replace.SetControl(&memo);
//   replace.SetFindText(u"(\\w+)=(\\w+)");
//   replace.SetReplaceText(u"\\2=\\1");
//   replace.SetFlags({synt::ftRegularExpr, synt::ftReplaceTemplate});
//   replace.FindAll();                      // replaces every occurrence; one Undo restores all
//
// Positions of the protected operations are 0-based offsets; ranges are half-open and an
// occurrence must lie wholly inside the range searched.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "editor/text_finder.h"
#include "lists/range_list.h"
#include "platform/graphics.h"

namespace synt {

class TCustomSyntaxMemo;

using TOnNeedCycleSearch = std::function<void(TObject* Sender, bool& ContinueSearch)>;
using TOnReplaceTextEvent =
    std::function<void(TObject* Sender, const std::u16string& Source, std::u16string& ReplaceWith)>;

// Switches soPersistentBlocks on for a search, so that the selection survives the caret moves,
// and restores it however the search ends (exceptions included).
class TPersistentBlocks {
 public:
  TPersistentBlocks(TCustomSyntaxMemo* Memo, bool Wanted);
  ~TPersistentBlocks();
  TPersistentBlocks(const TPersistentBlocks&) = delete;
  TPersistentBlocks& operator=(const TPersistentBlocks&) = delete;

 private:
  TCustomSyntaxMemo* memo_ = nullptr;
};

class TSyntFindDialog : public TBaseFindDialog {
  SYNT_CLASS_INFO()

 public:
  explicit TSyntFindDialog(TComponent* Owner);
  ~TSyntFindDialog() override;

  bool AutoFill() const { return autoFill_; }
  void SetAutoFill(bool Value) { autoFill_ = Value; }
  bool SelectResult() const { return selectResult_; }
  void SetSelectResult(bool Value) { selectResult_ = Value; }
  bool KeepSelection() const { return keepSelection_; }
  void SetKeepSelection(bool Value) { keepSelection_ = Value; }
  TCustomSyntaxMemo* Control() const { return control_; }
  // Detaches from the old editor and attaches to Value (its commands then reach this dialog).
  void SetControl(TCustomSyntaxMemo* Value);
  bool CenterFinding() const { return centerFinding_; }
  void SetCenterFinding(bool Value) { centerFinding_ = Value; }
  bool CycleSearch() const { return cycleSearch_; }
  void SetCycleSearch(bool Value) { cycleSearch_ = Value; }
  bool FocusOnFound() const { return focusOnFound_; }
  void SetFocusOnFound(bool Value) { focusOnFound_ = Value; }
  const std::u16string& CycleSearchMsg() const { return cycleSearchMsg_; }
  void SetCycleSearchMsg(const std::u16string& Value) { cycleSearchMsg_ = Value; }
  TOnNeedCycleSearch OnNeedCycleSearch;

  // Shows the dialog and searches (or replaces) with what the user chose.
  virtual void Execute();
  bool Search(bool All, bool Backward, bool FromCaret) override;
  bool FindAgain() { return Search(false, Flags().Contains(ftBackward), true); }
  bool FindNext() { return Search(false, false, true); }
  bool FindPrevious() { return Search(false, true, true); }
  bool FindAll() { return Search(true, false, false); }
  bool FindFirst() { return Search(false, false, false); }
  bool FindLast() { return Search(false, true, false); }
  // The selected text (a stream selection) or the word at the caret becomes the search text; the
  // caret goes after it (Next) or before it, and the next (previous) occurrence is searched.
  bool FindCurrentWord(bool Next);
  // Ends a run (a prompted replacement answered Cancel).
  void Stop() { stop_ = true; }
  // Keeps the pending ranges valid after [Pos, Pos + OldLen) became NewLen units long.
  void AdjustRanges(int Pos, int OldLen, int NewLen);
  // Occurrences found (or replaced) by the last search.
  int FoundCount() const { return foundCount_; }
  // A replace dialog performs the replace commands (610-616), a find dialog the find commands.
  virtual bool Replaces() const { return false; }

 protected:
  std::unique_ptr<TDialogForm> CreateDialog() override;
  void FillDialog(TDialogForm& Form) override;
  TDialogService& Dialogs() override;
  void Notification(TComponent* Component, TOperation Operation) override;

  // Finds (replaces) in [Start, End); true when something was found.
  virtual bool SearchRange(int Start, int End, bool Prompt, bool All, bool Backward);
  // Searches the ranges of the scope the flags choose.
  virtual bool DoSearch(bool All);
  virtual bool NeedCycleSearch();
  // Moves the caret over the occurrence (ending at its end, or its start going backwards), then
  // selects or marks it.
  void ShowFound(int Pos, int Len, bool Backward);
  void BuildRanges();
  void FocusControl();

  std::vector<TRange> ranges_;
  bool stop_ = false;
  int foundCount_ = 0;

 private:
  bool autoFill_ = true;
  bool selectResult_ = false;
  bool keepSelection_ = false;
  TCustomSyntaxMemo* control_ = nullptr;
  bool centerFinding_ = false;
  bool cycleSearch_ = false;
  bool focusOnFound_ = true;
  std::u16string cycleSearchMsg_;
};

class TSyntReplaceDialog : public TSyntFindDialog {
  SYNT_CLASS_INFO()

 public:
  explicit TSyntReplaceDialog(TComponent* Owner);
  ~TSyntReplaceDialog() override;

  const std::u16string& ReplaceText() const { return replaceText_; }
  void SetReplaceText(const std::u16string& Value) { replaceText_ = Value; }
  TStrings* ReplaceHistory() const { return replaceHistory_.get(); }
  void SetReplaceHistory(const TStrings* Value) { replaceHistory_->Assign(Value); }
  std::u16string EncReplaceHistory() const;
  void SetEncReplaceHistory(const std::u16string& Value);
  const std::u16string& ReplacePrompt() const { return replacePrompt_; }
  void SetReplacePrompt(const std::u16string& Value) { replacePrompt_ = Value; }
  bool AutoPosPrompt() const { return autoPosPrompt_; }
  void SetAutoPosPrompt(bool Value) { autoPosPrompt_ = Value; }
  TOnReplaceTextEvent OnReplaceText;

  void Execute() override;
  bool Replaces() const override { return true; }

 protected:
  std::unique_ptr<TDialogForm> CreateDialog() override;
  void FillDialog(TDialogForm& Form) override;
  void ReadDialog(TDialogForm& Form) override;
  bool SearchRange(int Start, int End, bool Prompt, bool All, bool Backward) override;

 private:
  // The text that replaces the occurrence [Pos, Pos + Len) of Text just found.
  std::u16string Replacement(std::u16string_view Text, int Pos, int Len);
  // Asks about the occurrence shown: mrYes, mrNo, mrCancel or mrAll.
  // Asks about the occurrence at [Start, Start + Length); mrYes, mrNo, mrCancel or mrAll.
  int AskReplace(int Start, int Length);
  // Where the occurrence shows, in screen pixels; none without a window.
  std::optional<TRect> OccurrenceOnScreen(int Start, int Length) const;
  // Replace-all without prompting over [Start, End) as one edit of the span from the first to
  // the last occurrence; false when the editor refused it (protected text) and nothing changed.
  bool ReplaceAllAtOnce(int Start, int End, bool Backward, int& Continue);

  std::u16string replaceText_;
  std::unique_ptr<TStringList> replaceHistory_;
  std::u16string replacePrompt_;
  bool autoPosPrompt_ = true;
};

}  // namespace synt
