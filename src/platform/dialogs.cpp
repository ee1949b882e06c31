#include "platform/dialogs.h"

#include <algorithm>
#include <atomic>

#include "platform/utf.h"

namespace synt {

namespace {
std::atomic<TDialogService*> g_Service{nullptr};

THeadlessDialogService& Headless() {
  static THeadlessDialogService s;
  return s;
}
}  // namespace

int THeadlessDialogService::MessageDlg(const std::u16string&, TMsgDlgType, TMsgDlgButtons Buttons,
                                       int) {
  if (Buttons.Contains(mbNo)) return mrNo;
  if (Buttons.Contains(mbCancel)) return mrCancel;
  if (Buttons.Contains(mbAbort)) return mrAbort;
  return mrOk;
}

int THeadlessDialogService::MessageBox(const std::u16string&, const std::u16string&,
                                       TMessageBoxButtons Buttons, TMessageBoxIcon) {
  switch (Buttons) {
    case mbbOK:
      return mrOk;
    case mbbOKCancel:
      return mrCancel;
    case mbbYesNo:
      return mrNo;
    case mbbYesNoCancel:
      return mrCancel;
  }
  return mrOk;
}

// --- forms ---------------------------------------------------------------------------------

namespace {

std::string Quote(std::u16string_view S) {
  return "'" + Utf16ToUtf8(S) + "'";
}

bool ParseInt(std::u16string_view S, long long& Out) {
  size_t i = 0;
  bool neg = false;
  if (i < S.size() && (S[i] == u'-' || S[i] == u'+')) neg = S[i++] == u'-';
  if (i == S.size()) return false;
  long long v = 0;
  for (; i < S.size(); ++i) {
    if (S[i] < u'0' || S[i] > u'9') return false;
    v = v * 10 + (S[i] - u'0');
    if (v > (1LL << 40)) return false;
  }
  Out = neg ? -v : v;
  return true;
}

}  // namespace

TFormField& TDialogForm::AddText(std::u16string Name, std::u16string Caption, std::u16string Text,
                                 std::vector<std::u16string> History) {
  TFormField& f = Fields.emplace_back();
  f.Name = std::move(Name);
  f.Caption = std::move(Caption);
  f.Kind = fkText;
  f.Text = std::move(Text);
  f.Items = std::move(History);
  return f;
}

TFormField& TDialogForm::AddInteger(std::u16string Name, std::u16string Caption, int Value, int Min,
                                    int Max) {
  TFormField& f = Fields.emplace_back();
  f.Name = std::move(Name);
  f.Caption = std::move(Caption);
  f.Kind = fkInteger;
  f.Min = Min;
  f.Max = Max;
  f.Value = Value < Min ? Min : Value > Max ? Max : Value;
  return f;
}

TFormField& TDialogForm::AddBoolean(std::u16string Name, std::u16string Caption, bool Value) {
  TFormField& f = Fields.emplace_back();
  f.Name = std::move(Name);
  f.Caption = std::move(Caption);
  f.Kind = fkBoolean;
  f.Value = Value ? 1 : 0;
  return f;
}

TFormField& TDialogForm::AddChoice(std::u16string Name, std::u16string Caption,
                                   std::vector<std::u16string> Items, int Index) {
  TFormField& f = Fields.emplace_back();
  f.Name = std::move(Name);
  f.Caption = std::move(Caption);
  f.Kind = fkChoice;
  f.Items = std::move(Items);
  f.Value = Index >= 0 && Index < int(f.Items.size()) ? Index : 0;
  if (!f.Items.empty()) f.Text = f.Items[size_t(f.Value)];
  return f;
}

const std::u16string* TDialogForm::ButtonCaption(TMsgDlgBtn Button) const {
  for (const auto& [b, caption] : ButtonCaptions)
    if (b == Button) return &caption;
  return nullptr;
}

TFormField* TDialogForm::Field(std::u16string_view Name) {
  for (TFormField& f : Fields)
    if (f.Name == Name) return &f;
  return nullptr;
}

const TFormField* TDialogForm::Field(std::u16string_view Name) const {
  return const_cast<TDialogForm*>(this)->Field(Name);
}

void TDialogForm::SetFieldText(std::u16string_view Name, std::u16string_view Value) {
  TFormField* f = Field(Name);
  if (!f) throw EDialogError("Form " + Quote(this->Name) + " has no field " + Quote(Name));
  auto refuse = [&] {
    throw EDialogError("Field " + Quote(Name) + " does not accept " + Quote(Value));
  };
  switch (f->Kind) {
    case fkText:
      f->Text = std::u16string(Value);
      break;
    case fkInteger: {
      long long v;
      if (!ParseInt(Value, v) || v < f->Min || v > f->Max) refuse();
      f->Value = int(v);
      break;
    }
    case fkBoolean:
      if (Value == u"1" || Value == u"true")
        f->Value = 1;
      else if (Value == u"0" || Value == u"false")
        f->Value = 0;
      else
        refuse();
      break;
    case fkChoice: {
      size_t i = 0;
      while (i < f->Items.size() && f->Items[i] != Value) ++i;
      if (i == f->Items.size()) refuse();
      f->Value = int(i);
      f->Text = f->Items[i];
      break;
    }
  }
}

int TScriptedDialogService::RunForm(TDialogForm& Form) {
  shownForms_.push_back(Form);
  if (formAnswers_.empty()) return mrCancel;
  TFormAnswer a = std::move(formAnswers_.front());
  formAnswers_.pop_front();
  if (a.Result == mrOk || a.Result == mrYes || a.Result == mrAll) {
    // All or nothing: a refused value leaves the caller's form as it was.
    TDialogForm answered = Form;
    for (const auto& [name, value] : a.Fields) answered.SetFieldText(name, value);
    Form = std::move(answered);
  }
  return a.Result;
}

int TScriptedDialogService::Next() {
  if (answers_.empty()) return fallback_;
  int r = answers_.front();
  answers_.pop_front();
  return r;
}

int TScriptedDialogService::MessageDlg(const std::u16string& Message, TMsgDlgType Type,
                                       TMsgDlgButtons Buttons, int) {
  TShown s;
  s.Text = Message;
  s.Type = Type;
  s.Buttons = Buttons;
  s.Result = Next();
  shown_.push_back(s);
  return s.Result;
}

int TScriptedDialogService::MessageDlgNear(const std::u16string& Message, TMsgDlgType Type,
                                           TMsgDlgButtons Buttons, const TRect& Near) {
  const int r = MessageDlg(Message, Type, Buttons, 0);
  shown_.back().Near = Near;
  return r;
}

TPoint PlaceDialogNear(TSize Size, const TRect& Near, const TRect& WorkArea) {
  TPoint p{Near.Left, Near.Top - Size.cy};
  if (p.Y < WorkArea.Top) p.Y = Near.Bottom;
  p.X = std::max(WorkArea.Left, std::min(p.X, WorkArea.Right - Size.cx));
  p.Y = std::max(WorkArea.Top, std::min(p.Y, WorkArea.Bottom - Size.cy));
  return p;
}

int TScriptedDialogService::MessageBox(const std::u16string& Text, const std::u16string& Caption,
                                       TMessageBoxButtons Buttons, TMessageBoxIcon Icon) {
  TShown s;
  s.IsMessageBox = true;
  s.Text = Text;
  s.Caption = Caption;
  s.BoxButtons = Buttons;
  s.Icon = Icon;
  s.Result = Next();
  shown_.push_back(s);
  return s.Result;
}

TDialogService& DialogService() {
  TDialogService* s = g_Service.load();
  return s ? *s : Headless();
}

TDialogService* SetDialogService(TDialogService* Service) {
  return g_Service.exchange(Service);
}

int MessageDlg(const std::u16string& Message, TMsgDlgType Type, TMsgDlgButtons Buttons,
               int HelpContext) {
  return DialogService().MessageDlg(Message, Type, Buttons, HelpContext);
}

int MessageBox(const std::u16string& Text, const std::u16string& Caption,
               TMessageBoxButtons Buttons, TMessageBoxIcon Icon) {
  return DialogService().MessageBox(Text, Caption, Buttons, Icon);
}

}  // namespace synt
