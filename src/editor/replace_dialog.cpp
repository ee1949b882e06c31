// The replace dialog: replacement with prompts and templates. A replace-all that does not prompt
// finds every occurrence in the unchanged text and replaces the span from the first to the last
// in one edit, so a run over a large document costs one change of the storage, one undo record
// and one relayout instead of one per occurrence.
#include <algorithm>
#include <optional>

#include "editor/find_dialog.h"
#include "editor/syntax_memo.h"
#include "platform/control_host.h"
#include "platform/dialogs.h"
#include "platform/properties.h"

namespace synt {

TSyntReplaceDialog::TSyntReplaceDialog(TComponent* Owner)
    : TSyntFindDialog(Owner),
      replaceHistory_(std::make_unique<TStringList>()),
      replacePrompt_(u"Replace this occurence of '%s'?") {}

TSyntReplaceDialog::~TSyntReplaceDialog() = default;

std::u16string TSyntReplaceDialog::EncReplaceHistory() const {
  std::vector<std::u16string> entries;
  for (int i = 0; i < replaceHistory_->Count(); ++i) entries.push_back(replaceHistory_->Strings(i));
  return EncodeHistory(entries);
}

void TSyntReplaceDialog::SetEncReplaceHistory(const std::u16string& Value) {
  replaceHistory_->BeginUpdate();
  replaceHistory_->Clear();
  for (const std::u16string& e : DecodeHistory(Value)) replaceHistory_->Add(e);
  replaceHistory_->EndUpdate();
}

std::unique_ptr<TDialogForm> TSyntReplaceDialog::CreateDialog() {
  auto form = std::make_unique<TDialogForm>(u"Replace", u"Replace Text");
  form->Buttons = {mbOK, mbCancel, mbAll};
  form->ButtonCaptions = {{mbOK, u"&Replace"}, {mbAll, u"Replace &All"}};
  return form;
}

void TSyntReplaceDialog::FillDialog(TDialogForm& Form) {
  TSyntFindDialog::FillDialog(Form);
  std::vector<std::u16string> items;
  for (int i = 0; i < replaceHistory_->Count(); ++i) items.push_back(replaceHistory_->Strings(i));
  // The replacement goes right below the search text.
  TFormField with;
  with.Name = u"ReplaceText";
  with.Caption = u"Replace &with:";
  with.Kind = fkText;
  with.Text = replaceText_;
  with.Items = std::move(items);
  with.History = true;
  Form.Fields.insert(Form.Fields.begin() + 1, std::move(with));
  Form.AddBoolean(u"PromptOnReplace", u"&Prompt on replace", Flags().Contains(ftPromtOnReplace));
  Form.AddBoolean(u"ReplaceTemplate", u"Replace with &template",
                  Flags().Contains(ftReplaceTemplate))
      .EnabledBy = u"RegularExpr";
}

void TSyntReplaceDialog::ReadDialog(TDialogForm& Form) {
  TSyntFindDialog::ReadDialog(Form);
  if (const TFormField* t = Form.Field(u"ReplaceText")) {
    replaceText_ = t->Text;
    if (!t->Text.empty()) AddToHistory(t->Text, *replaceHistory_);
  }
  TSearchOptions f = Flags() - TSearchOptions{ftPromtOnReplace, ftReplaceTemplate};
  const TFormField* prompt = Form.Field(u"PromptOnReplace");
  const TFormField* tmpl = Form.Field(u"ReplaceTemplate");
  if (prompt && prompt->Value) f.Include(ftPromtOnReplace);
  if (tmpl && tmpl->Value) f.Include(ftReplaceTemplate);
  SetFlags(f);
}

void TSyntReplaceDialog::Execute() {
  if (!Control()) return;
  const int r = ShowDialog();
  if (r != mrCancel && !DoSearch(r == mrAll) && !stop_) DoNotFound();
  FocusControl();
}

std::u16string TSyntReplaceDialog::Replacement(std::u16string_view Text, int Pos, int Len) {
  std::u16string with = replaceText_;
  if (OnReplaceText)
    OnReplaceText(this, std::u16string(Text.substr(size_t(Pos), size_t(Len))), with);
  if (Flags().Contains(ftRegularExpr) && Flags().Contains(ftReplaceTemplate))
    with = ExpandTemplate(Text, with, LastMatch());
  return with;
}

std::optional<TRect> TSyntReplaceDialog::OccurrenceOnScreen(int Start, int Length) const {
  TCustomSyntaxMemo* m = Control();
  IControlHost* host = m ? m->Host() : nullptr;
  if (!host) return std::nullopt;
  TMemoCaretPart& c = m->CaretPart();
  const TPoint first = m->StrPosToCaretPos(Start);
  const TPoint last = m->StrPosToCaretPos(Start + Length);
  const TPoint from = c.CaretToPoint(first);
  TPoint to = c.CaretToPoint(last);
  const int bottom = from.Y + c.DisplayLineHeight(c.DisplayLineOf(first));
  // An occurrence over several rows: from its start to the end of its first row's text area.
  if (to.Y != from.Y) to.X = m->TextArea().Right;
  const TPoint a = host->ClientToScreen(from);
  const TPoint b = host->ClientToScreen({std::max(to.X, from.X + 1), bottom});
  return TRect{a.X, a.Y, b.X, b.Y};
}

int TSyntReplaceDialog::AskReplace(int Start, int Length) {
  const std::u16string text = FormatSearchText(replacePrompt_, FindText());
  const TMsgDlgButtons buttons{mbYes, mbNo, mbCancel, mbAll};
  const std::optional<TRect> near =
      autoPosPrompt_ ? OccurrenceOnScreen(Start, Length) : std::nullopt;
  const int r = near ? Dialogs().MessageDlgNear(text, mtConfirmation, buttons, *near)
                     : Dialogs().MessageDlg(text, mtConfirmation, buttons, 0);
  switch (r) {
    case mrYes:
    case mrNo:
    case mrAll:
      return r;
    case mrYesToAll:
      return mrAll;
    default:
      return mrCancel;
  }
}

bool TSyntReplaceDialog::ReplaceAllAtOnce(int Start, int End, bool Backward, int& Continue) {
  TCustomSyntaxMemo& m = *Control();
  const std::u16string_view text = m.Lines()->TextView();
  struct TPiece {
    int Pos, Len;
    std::u16string With;
  };
  std::vector<TPiece> pieces;
  int s = 0, len = 0;
  while (Start <= End && !stop_ && Find(text, Start, End, Backward, s, len)) {
    if (DoFind(s, s + len)) {
      pieces.push_back({s, len, Replacement(text, s, len)});
      // Backwards the last-found position keeps an empty occurrence at End from coming again.
      if (Backward)
        End = s;
      else
        Start = s + std::max(len, 1);
    } else if (Backward) {
      End = s;
    } else {
      Start = s + 1;
    }
  }
  if (pieces.empty()) return true;
  if (Backward) std::reverse(pieces.begin(), pieces.end());
  const int first = pieces.front().Pos;
  const int last = pieces.back().Pos + pieces.back().Len;
  std::u16string span;
  size_t room = size_t(last - first);
  for (const TPiece& p : pieces) room += p.With.size();
  span.reserve(room);
  int at = first;
  for (const TPiece& p : pieces) {
    span.append(text.substr(size_t(at), size_t(p.Pos - at)));
    span += p.With;
    at = p.Pos + p.Len;
  }
  // The span is taken from the view before the edit invalidates it.
  if (!m.ReplaceText(first, last - first, span)) return false;
  const int newLen = int(span.size());
  AdjustRanges(first, last - first, newLen);
  foundCount_ += int(pieces.size());
  if (Backward) {
    Continue = first;
  } else {
    const TPiece& p = pieces.back();
    Continue = first + newLen + (p.Len == 0 ? 1 : 0);
  }
  return true;
}

bool TSyntReplaceDialog::SearchRange(int Start, int End, bool Prompt, bool All, bool Backward) {
  foundCount_ = 0;
  if (FindText().empty() || !Control()) return false;
  if (All) ResetLastFound();
  TCustomSyntaxMemo& m = *Control();
  // The ranges of a column block are moved by AdjustRanges; this range is kept here.
  TRange range(Start, End);
  int cont = -1;
  {
    TMemoUpdate update(m);
    const TPersistentBlocks keep(&m, KeepSelection() && m.HaveSelection());
    int s = 0, len = 0;
    while (range.StartPos <= range.EndPos && !stop_) {
      if (!Prompt && All) {
        int c = -1;
        const int before = foundCount_;
        if (ReplaceAllAtOnce(range.StartPos, range.EndPos, Backward, c)) {
          if (foundCount_ > before) cont = c;
          break;
        }
        // Refused as a whole (protected text in the span): one occurrence at a time.
      }
      const std::u16string_view text = m.Lines()->TextView();
      if (!Find(text, range.StartPos, range.EndPos, Backward, s, len)) break;
      if (!DoFind(s, s + len)) {
        if (Backward)
          range.EndPos = s;
        else
          range.StartPos = s + 1;
        continue;
      }
      ++foundCount_;
      int answer = mrYes;
      if (Prompt) {
        ShowFound(s, len, Backward);
        answer = AskReplace(s, len);
        if (answer == mrCancel) {
          Stop();
          break;
        }
        if (answer == mrAll) {
          Prompt = false;
          All = true;
        }
      }
      bool replaced = false;
      int newLen = len;
      if (answer != mrNo) {
        const std::u16string with = Replacement(text, s, len);
        replaced = m.ReplaceText(s, len, with);
        if (replaced) {
          newLen = int(with.size());
          const int delta = newLen - len;
          AdjustRanges(s, len, newLen);
          range.EndPos = std::max(range.EndPos + delta, s + newLen);
        }
      }
      if (Backward) {
        range.EndPos = s;
      } else {
        range.StartPos = replaced ? s + newLen + (len == 0 ? 1 : 0) : s + std::max(len, 1);
      }
      if (replaced) cont = Backward ? s : range.StartPos;
      if (!All) break;
    }
  }
  if (cont >= 0) {
    m.ResetSelection();
    m.SetCaretStrPos(std::min(cont, m.Lines()->TextLength()));
  }
  return foundCount_ > 0;
}

namespace {

void DescribeSyntReplaceDialog(TPropertyList& List) {
  TPropsOf<TSyntReplaceDialog> p(List);
  p.String("ReplaceText", &TSyntReplaceDialog::ReplaceText, &TSyntReplaceDialog::SetReplaceText);
  // Stored once, in the encoded form below.
  p.Object("ReplaceHistory", &TSyntReplaceDialog::ReplaceHistory).NotStored();
  p.String("ReplacePrompt", &TSyntReplaceDialog::ReplacePrompt,
           &TSyntReplaceDialog::SetReplacePrompt)
      .Def(u"Replace this occurence of '%s'?");
  p.Boolean("AutoPosPrompt", &TSyntReplaceDialog::AutoPosPrompt,
            &TSyntReplaceDialog::SetAutoPosPrompt)
      .Def(true);
  p.Event("OnReplaceText", &TSyntReplaceDialog::OnReplaceText);
  p.String("EncReplaceHistory", &TSyntReplaceDialog::EncReplaceHistory,
           &TSyntReplaceDialog::SetEncReplaceHistory);
}

}  // namespace

const TClassInfo& TSyntReplaceDialog::StaticClassInfo() {
  static const TClassInfo info("TSyntReplaceDialog", &TSyntFindDialog::StaticClassInfo(),
                               DescribeSyntReplaceDialog,
                               &TClassInfo::ComponentFactory<TSyntReplaceDialog>);
  return info;
}

}  // namespace synt
