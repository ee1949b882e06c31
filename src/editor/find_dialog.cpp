// The find dialog bound to an editor: ranges, showing what is found, wrapping around.
#include "editor/find_dialog.h"

#include <algorithm>

#include "editor/syntax_memo.h"
#include "platform/control_host.h"
#include "platform/dialogs.h"
#include "platform/properties.h"

namespace synt {

TPersistentBlocks::TPersistentBlocks(TCustomSyntaxMemo* Memo, bool Wanted) {
  if (!Memo || !Wanted || Memo->Options().Contains(soPersistentBlocks)) return;
  memo_ = Memo;
  TSyntaxMemoOptions o = Memo->Options();
  o.Include(soPersistentBlocks);
  Memo->SetOptions(o);
}

TPersistentBlocks::~TPersistentBlocks() {
  if (!memo_) return;
  TSyntaxMemoOptions o = memo_->Options();
  o.Exclude(soPersistentBlocks);
  memo_->SetOptions(o);
}

TSyntFindDialog::TSyntFindDialog(TComponent* Owner) : TBaseFindDialog(Owner) {}

TSyntFindDialog::~TSyntFindDialog() {
  SetControl(nullptr);
}

void TSyntFindDialog::SetControl(TCustomSyntaxMemo* Value) {
  if (Value == control_) return;
  if (control_) {
    control_->RemovePlugin(this);
    control_->RemoveFreeNotification(this);
  }
  control_ = Value;
  if (control_) {
    control_->AddPlugin(this);
    control_->FreeNotification(this);
  }
}

void TSyntFindDialog::Notification(TComponent* Component, TOperation Operation) {
  TBaseFindDialog::Notification(Component, Operation);
  if (Operation == opRemove && Component == control_) control_ = nullptr;
}

TDialogService& TSyntFindDialog::Dialogs() {
  if (control_)
    if (IControlHost* host = control_->Host()) return host->Dialogs();
  return TBaseFindDialog::Dialogs();
}

void TSyntFindDialog::FocusControl() {
  if (!control_ || !focusOnFound_) return;
  if (IControlHost* host = control_->Host())
    if (!host->Focused()) host->SetFocus();
}

// ---- The form -----------------------------------------------------------------------------------

std::unique_ptr<TDialogForm> TSyntFindDialog::CreateDialog() {
  auto form = std::make_unique<TDialogForm>(u"Find", u"Find Text");
  form->Buttons = {mbOK, mbCancel, mbAll};
  form->ButtonCaptions = {{mbOK, u"&Find"}, {mbAll, u"Search &All"}};
  return form;
}

void TSyntFindDialog::FillDialog(TDialogForm& Form) {
  TBaseFindDialog::FillDialog(Form);
  if (!autoFill_ || !control_) return;
  TFormField* text = Form.Field(u"FindText");
  TFormField* scope = Form.Field(u"Scope");
  TFormField* origin = Form.Field(u"Origin");
  if (!control_->HaveSelection()) {
    int s = 0, e = 0;
    const TPoint c = control_->CaretPos();
    if (control_->CaretPart().WordAt(c, s, e))
      text->Text =
          std::u16string(control_->Lines()->LineText(c.Y).substr(size_t(s), size_t(e - s)));
    scope->Value = 0;
    return;
  }
  // A selection of one line is what to look for; a larger one is where to look.
  const std::u16string sel = control_->SelText();
  const bool multiLine = sel.find_first_of(u"\r\n") != std::u16string::npos;
  if (!multiLine && control_->SelectionMode() != msColumn) {
    text->Text = sel;
  } else {
    scope->Value = 1;
    origin->Value = 1;
  }
}

void TSyntFindDialog::Execute() {
  if (!control_) return;
  const int r = ShowDialog();
  if (r != mrCancel && !DoSearch(r == mrAll)) DoNotFound();
  FocusControl();
}

// ---- Searching ----------------------------------------------------------------------------------

void TSyntFindDialog::BuildRanges() {
  ranges_.clear();
  TCustomSyntaxMemo& m = *control_;
  const int n = m.Lines()->TextLength();
  const TSearchOptions f = Flags();
  if (f.Contains(ftSelectedText) && m.HaveSelection() && m.SelectionMode() == msColumn) {
    const TRect& b = m.Selection().BlockRect();
    for (int line = b.Top; line <= b.Bottom && line < m.Lines()->Count(); ++line) {
      int s = 0, e = 0;
      if (!m.Selection().LineSelection(line, s, e)) continue;
      e = std::min(e, m.Lines()->LineLength(line));
      if (e <= s) continue;
      const int start = m.Lines()->LineStart(line);
      ranges_.emplace_back(start + s, start + e);
    }
  } else if (f.Contains(ftSelectedText) && m.SelLength() > 0) {
    ranges_.emplace_back(m.SelStart(), m.Selection().SelEnd());
  } else {
    ranges_.emplace_back(0, n);
  }
  if (!f.Contains(ftEntireScope) && ranges_.size() == 1) {
    const int caret = m.CaretStrPos();
    TRange& r = ranges_.front();
    if (f.Contains(ftBackward))
      r.EndPos = std::clamp(caret, r.StartPos, r.EndPos);
    else
      r.StartPos = std::clamp(caret, r.StartPos, r.EndPos);
  }
}

void TSyntFindDialog::AdjustRanges(int Pos, int OldLen, int NewLen) {
  const int delta = NewLen - OldLen;
  auto move = [&](int p) { return p <= Pos ? p : std::max(Pos, p + delta); };
  for (TRange& r : ranges_) {
    r.StartPos = move(r.StartPos);
    r.EndPos = move(r.EndPos);
  }
}

bool TSyntFindDialog::DoSearch(bool All) {
  if (!control_) return false;
  BuildRanges();
  const bool prompt = Flags().Contains(ftPromtOnReplace);
  const bool backward = Flags().Contains(ftBackward);
  TMemoUpdate update(*control_);
  stop_ = false;
  bool found = false;
  const int count = int(ranges_.size());
  for (int k = 0; k < count && !stop_; ++k) {
    // Replacements move the later ranges: read each one when its turn comes.
    const TRange r = ranges_[size_t(backward ? count - 1 - k : k)];
    if (SearchRange(r.StartPos, r.EndPos, prompt, All, backward)) found = true;
    // A single find stops at the first range that has an occurrence.
    if (found && !All) break;
  }
  ranges_.clear();
  return found;
}

bool TSyntFindDialog::NeedCycleSearch() {
  bool answer = cycleSearch_;
  if (OnNeedCycleSearch) {
    OnNeedCycleSearch(this, answer);
  } else if (cycleSearch_ && !cycleSearchMsg_.empty()) {
    answer = Dialogs().MessageDlg(FormatSearchText(cycleSearchMsg_, FindText()), mtConfirmation,
                                  {mbYes, mbNo}, 0) == mrYes;
  }
  return answer;
}

bool TSyntFindDialog::Search(bool All, bool Backward, bool FromCaret) {
  if (!control_) return false;
  TCustomSyntaxMemo& m = *control_;
  const bool prompt = Flags().Contains(ftPromtOnReplace);
  TMemoUpdate update(m);
  stop_ = false;
  int start = 0, end = m.Lines()->TextLength();
  if (FromCaret) (Backward ? end : start) = m.CaretStrPos();
  bool result = SearchRange(start, end, prompt, All, Backward);
  if (!result && !stop_ && !All && FromCaret && !FindText().empty() && NeedCycleSearch())
    result = SearchRange(0, m.Lines()->TextLength(), prompt, false, Backward);
  if (!result && !stop_) DoNotFound();
  return result;
}

bool TSyntFindDialog::SearchRange(int Start, int End, bool Prompt, bool All, bool Backward) {
  (void)Prompt;
  foundCount_ = 0;
  if (FindText().empty() || !control_) return false;
  if (All) ResetLastFound();
  TCustomSyntaxMemo& m = *control_;
  const std::u16string_view text = m.Lines()->TextView();
  std::vector<TRange> more;
  int s = 0, len = 0;
  while (Start <= End && Find(text, Start, End, Backward, s, len)) {
    if (DoFind(s, s + len)) {
      if (foundCount_ == 0)
        ShowFound(s, len, Backward);
      else if (len > 0)
        more.emplace_back(s, s + len);
      ++foundCount_;
      if (!All) break;
    }
    if (Backward)
      End = s;
    else
      Start = s + std::max(len, 1);
  }
  if (!more.empty()) {
    if (Backward) std::reverse(more.begin(), more.end());
    TRangeList<TRange>& marks = *m.SearchMarks();
    marks.Reserve(marks.Count() + int(more.size()));
    for (const TRange& r : more) marks.Add(r);
    m.Invalidate();
  }
  return foundCount_ > 0;
}

void TSyntFindDialog::ShowFound(int Pos, int Len, bool Backward) {
  TCustomSyntaxMemo& m = *control_;
  const TPersistentBlocks keep(&m, keepSelection_);
  m.SetCaretStrPos(Backward ? Pos + Len : Pos);
  m.SetCaretStrPos(Backward ? Pos : Pos + Len);
  if (centerFinding_) m.ScrollToCaret(3, 3);
  if (selectResult_) {
    m.SelectRange(Pos, Len, Backward);
  } else {
    TRangeList<TRange>& marks = *m.SearchMarks();
    marks.Clear();
    if (Len > 0) marks.Add(TRange(Pos, Pos + Len));
    m.Invalidate();
  }
  FocusControl();
}

bool TSyntFindDialog::FindCurrentWord(bool Next) {
  if (!control_) return false;
  TCustomSyntaxMemo& m = *control_;
  int start = 0, end = 0;
  if (m.SelLength() > 0 && m.SelectionMode() != msColumn) {
    start = m.SelStart();
    end = m.Selection().SelEnd();
  } else {
    const TPoint c = m.CaretPos();
    int s = 0, e = 0;
    if (!m.CaretPart().WordAt(c, s, e)) return false;
    start = m.Lines()->LineStart(c.Y) + s;
    end = m.Lines()->LineStart(c.Y) + e;
  }
  SetFindText(std::u16string(m.Lines()->TextView().substr(size_t(start), size_t(end - start))));
  m.ResetSelection();
  m.SetCaretStrPos(Next ? end : start);
  return Next ? FindNext() : FindPrevious();
}

namespace {

void DescribeSyntFindDialog(TPropertyList& List) {
  TPropsOf<TSyntFindDialog> p(List);
  p.Boolean("AutoFill", &TSyntFindDialog::AutoFill, &TSyntFindDialog::SetAutoFill).Def(true);
  p.Boolean("SelectResult", &TSyntFindDialog::SelectResult, &TSyntFindDialog::SetSelectResult)
      .Def(false);
  p.Boolean("KeepSelection", &TSyntFindDialog::KeepSelection, &TSyntFindDialog::SetKeepSelection)
      .Def(false);
  p.Component("Control", &TSyntFindDialog::Control, &TSyntFindDialog::SetControl);
  p.Boolean("CenterFinding", &TSyntFindDialog::CenterFinding, &TSyntFindDialog::SetCenterFinding)
      .Def(false);
  p.Boolean("CycleSearch", &TSyntFindDialog::CycleSearch, &TSyntFindDialog::SetCycleSearch)
      .Def(false);
  p.Boolean("FocusOnFound", &TSyntFindDialog::FocusOnFound, &TSyntFindDialog::SetFocusOnFound)
      .Def(true);
  p.Event("OnNeedCycleSearch", &TSyntFindDialog::OnNeedCycleSearch);
  p.String("CycleSearchMsg", &TSyntFindDialog::CycleSearchMsg, &TSyntFindDialog::SetCycleSearchMsg);
}

}  // namespace

const TClassInfo& TSyntFindDialog::StaticClassInfo() {
  static const TClassInfo info("TSyntFindDialog", &TBaseFindDialog::StaticClassInfo(),
                               DescribeSyntFindDialog,
                               &TClassInfo::ComponentFactory<TSyntFindDialog>);
  return info;
}

}  // namespace synt
