// Modal message dialogs as a platform service. The toolkit backend installs its own; without one
// the headless service answers for an absent user. Tests script the answers.
//
//   int r = synt::MessageDlg(u"Ignore this error?\nLine 3: ...", synt::mtError,
//                            {synt::mbYes, synt::mbNo, synt::mbAll}, 0);
//   if (r == synt::mrAll) ...
//
//   synt::TScriptedDialogService script({synt::mrYes, synt::mrAll});
//   synt::TDialogServiceScope scope(&script);    // installed until the scope ends
//   ...                                          // script.Shown() lists what was asked
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/set.h"

namespace synt {

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn {
  mbYes,
  mbNo,
  mbOK,
  mbCancel,
  mbAbort,
  mbRetry,
  mbIgnore,
  mbAll,
  mbNoToAll,
  mbYesToAll,
  mbHelp,
  mbClose
};
using TMsgDlgButtons = TSet<TMsgDlgBtn>;

// Modal results: the button that closed the dialog.
enum : int {
  mrNone = 0,
  mrOk = 1,
  mrCancel = 2,
  mrAbort = 3,
  mrRetry = 4,
  mrIgnore = 5,
  mrYes = 6,
  mrNo = 7,
  mrClose = 8,
  mrHelp = 9,
  mrAll = 12,
  mrNoToAll = 13,
  mrYesToAll = 14
};

// Buttons and icon of a plain message box.
enum TMessageBoxButtons { mbbOK, mbbOKCancel, mbbYesNo, mbbYesNoCancel };
enum TMessageBoxIcon { mbiNone, mbiError, mbiWarning, mbiInformation, mbiQuestion };

class TDialogService {
 public:
  virtual ~TDialogService() = default;
  virtual int MessageDlg(const std::u16string& Message, TMsgDlgType Type, TMsgDlgButtons Buttons,
                         int HelpContext) = 0;
  virtual int MessageBox(const std::u16string& Text, const std::u16string& Caption,
                         TMessageBoxButtons Buttons, TMessageBoxIcon Icon) = 0;
};

// No user to ask: the answer is the most cautious button offered (No, then Cancel, then OK).
class THeadlessDialogService : public TDialogService {
 public:
  int MessageDlg(const std::u16string& Message, TMsgDlgType Type, TMsgDlgButtons Buttons,
                 int HelpContext) override;
  int MessageBox(const std::u16string& Text, const std::u16string& Caption,
                 TMessageBoxButtons Buttons, TMessageBoxIcon Icon) override;
};

// Answers from a queue, then with Fallback, and remembers every dialog shown.
class TScriptedDialogService : public TDialogService {
 public:
  struct TShown {
    bool IsMessageBox = false;
    std::u16string Text;
    std::u16string Caption;  // message boxes
    TMsgDlgType Type = mtCustom;
    TMsgDlgButtons Buttons;  // message dialogs
    TMessageBoxButtons BoxButtons = mbbOK;
    TMessageBoxIcon Icon = mbiNone;
    int Result = mrNone;
  };
  explicit TScriptedDialogService(std::deque<int> Answers = {}, int Fallback = mrNo)
      : answers_(std::move(Answers)), fallback_(Fallback) {}
  void Push(int Answer) { answers_.push_back(Answer); }
  const std::vector<TShown>& Shown() const { return shown_; }
  void ClearShown() { shown_.clear(); }

  int MessageDlg(const std::u16string& Message, TMsgDlgType Type, TMsgDlgButtons Buttons,
                 int HelpContext) override;
  int MessageBox(const std::u16string& Text, const std::u16string& Caption,
                 TMessageBoxButtons Buttons, TMessageBoxIcon Icon) override;

 private:
  int Next();
  std::deque<int> answers_;
  int fallback_;
  std::vector<TShown> shown_;
};

// The installed service (the headless one when none is installed). Not owned.
TDialogService& DialogService();
TDialogService* SetDialogService(TDialogService* Service);  // returns the previous one

// Installs a service for the lifetime of the scope.
class TDialogServiceScope {
 public:
  explicit TDialogServiceScope(TDialogService* Service) : previous_(SetDialogService(Service)) {}
  ~TDialogServiceScope() { SetDialogService(previous_); }
  TDialogServiceScope(const TDialogServiceScope&) = delete;
  TDialogServiceScope& operator=(const TDialogServiceScope&) = delete;

 private:
  TDialogService* previous_;
};

int MessageDlg(const std::u16string& Message, TMsgDlgType Type, TMsgDlgButtons Buttons,
               int HelpContext = 0);
int MessageBox(const std::u16string& Text, const std::u16string& Caption,
               TMessageBoxButtons Buttons, TMessageBoxIcon Icon);

}  // namespace synt
