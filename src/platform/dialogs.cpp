#include "platform/dialogs.h"

#include <atomic>

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
