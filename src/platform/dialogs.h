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
//
// Modal forms with fields (go to line, find and replace) are described as data and run by the
// service, which fills in the fields the user changed:
//
//   synt::TDialogForm f(u"GotoLine", u"Go to Line Number");
//   f.AddInteger(u"Line", u"&Line number:", current, 1, lineCount);
//   if (host.Dialogs().RunForm(f) == synt::mrOk) GotoLine(f.Field(u"Line")->Value);
//
//   script.PushForm({synt::mrOk, {{u"Line", u"120"}}});   // the next form answers OK, line 120
#pragma once

#include <climits>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/graphics.h"
#include "platform/object.h"

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

enum TFormFieldKind {
  fkText,     // Text; Items, if any, are offered as a history to pick from
  fkInteger,  // Value within Min..Max
  fkBoolean,  // Value 0 or 1 (a check box)
  fkChoice,   // Value indexes Items (radio buttons or a drop-down list)
};

struct TFormField {
  std::u16string Name;     // identifies the field to the caller and to scripts
  std::u16string Caption;  // '&' marks the access key
  TFormFieldKind Kind = fkText;
  std::u16string Text;
  int Value = 0;
  int Min = INT_MIN;
  int Max = INT_MAX;
  std::vector<std::u16string> Items;
  bool Radio = false;        // a choice shown as a group of radio buttons (else a drop-down list)
  bool History = false;      // text picked from Items as a history, also while Items is empty
  std::u16string EnabledBy;  // a check box of the same form that enables this field while ticked
};

class EDialogError : public Exception {
 public:
  using Exception::Exception;
};

// A modal form: fields in the order shown, and the buttons that close it. Running it sets the
// fields to what the user entered only when it closes with mrOk, mrYes or mrAll; otherwise they
// keep their values.
class TDialogForm {
 public:
  TDialogForm(std::u16string Name, std::u16string Caption)
      : Name(std::move(Name)), Caption(std::move(Caption)) {}
  std::u16string Name;  // identifies the form to scripts ("GotoLine")
  std::u16string Caption;
  std::vector<TFormField> Fields;
  TMsgDlgButtons Buttons{mbOK, mbCancel};
  // Captions for buttons that should not show their standard text ("&Find", "Replace &All");
  // OK is the default button, Cancel answers Escape.
  std::vector<std::pair<TMsgDlgBtn, std::u16string>> ButtonCaptions;
  const std::u16string* ButtonCaption(TMsgDlgBtn Button) const;

  TFormField& AddText(std::u16string Name, std::u16string Caption, std::u16string Text,
                      std::vector<std::u16string> History = {});
  TFormField& AddInteger(std::u16string Name, std::u16string Caption, int Value, int Min, int Max);
  TFormField& AddBoolean(std::u16string Name, std::u16string Caption, bool Value);
  TFormField& AddChoice(std::u16string Name, std::u16string Caption,
                        std::vector<std::u16string> Items, int Index);
  // nullptr when there is no such field.
  TFormField* Field(std::u16string_view Name);
  const TFormField* Field(std::u16string_view Name) const;
  // Sets a field from the text a user typed or a script gives: an integer in range, "0"/"1" or
  // "false"/"true" for a check box, one of the items for a choice. Raises EDialogError naming the
  // field and the value for anything a real form would not accept, leaving the field unchanged.
  void SetFieldText(std::u16string_view Name, std::u16string_view Value);
};

class TDialogService {
 public:
  virtual ~TDialogService() = default;
  virtual int MessageDlg(const std::u16string& Message, TMsgDlgType Type, TMsgDlgButtons Buttons,
                         int HelpContext) = 0;
  virtual int MessageBox(const std::u16string& Text, const std::u16string& Caption,
                         TMessageBoxButtons Buttons, TMessageBoxIcon Icon) = 0;
  // Runs Form modally and returns the button that closed it (a modal result). A service that
  // cannot show forms answers mrCancel and leaves the fields alone.
  virtual int RunForm(TDialogForm& Form) { return mrCancel; }
  // MessageDlg placed next to Near (a screen rectangle, such as found text) without covering it:
  // see PlaceDialogNear. A service that cannot place its boxes shows them where it always does.
  virtual int MessageDlgNear(const std::u16string& Message, TMsgDlgType Type,
                             TMsgDlgButtons Buttons, const TRect& Near) {
    return MessageDlg(Message, Type, Buttons, 0);
  }
};

// Where a box of Size goes next to Near: just above it, left edges aligned, or below it when
// there is no room above; then moved as little as needed to lie inside WorkArea.
TPoint PlaceDialogNear(TSize Size, const TRect& Near, const TRect& WorkArea);

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
    std::optional<TRect> Near;  // where a placed dialog was asked to go
    int Result = mrNone;
  };
  // The answer to one form: the result and the fields as a user would type them.
  struct TFormAnswer {
    int Result = mrOk;
    std::vector<std::pair<std::u16string, std::u16string>> Fields;
  };
  explicit TScriptedDialogService(std::deque<int> Answers = {}, int Fallback = mrNo)
      : answers_(std::move(Answers)), fallback_(Fallback) {}
  void Push(int Answer) { answers_.push_back(Answer); }
  const std::vector<TShown>& Shown() const { return shown_; }
  void ClearShown() { shown_.clear(); }
  // Forms answer from their own queue, then with mrCancel.
  void PushForm(TFormAnswer Answer) { formAnswers_.push_back(std::move(Answer)); }
  // The forms run, as they were when shown (before the answer changed them).
  const std::vector<TDialogForm>& ShownForms() const { return shownForms_; }

  // Applies the next answer through SetFieldText. An answer naming a field the form lacks, or a
  // value the field refuses, raises EDialogError and changes no field.
  int RunForm(TDialogForm& Form) override;

  int MessageDlg(const std::u16string& Message, TMsgDlgType Type, TMsgDlgButtons Buttons,
                 int HelpContext) override;
  int MessageDlgNear(const std::u16string& Message, TMsgDlgType Type, TMsgDlgButtons Buttons,
                     const TRect& Near) override;
  int MessageBox(const std::u16string& Text, const std::u16string& Caption,
                 TMessageBoxButtons Buttons, TMessageBoxIcon Icon) override;

 private:
  int Next();
  std::deque<int> answers_;
  int fallback_;
  std::vector<TShown> shown_;
  std::deque<TFormAnswer> formAnswers_;
  std::vector<TDialogForm> shownForms_;
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
