// The text finder: a search text with its options that finds occurrences in a string, plain or
// as a regular expression, and the base of the find dialogs (history, events, the "not found"
// message and the modal form exchange).
//
//   synt::TTextFinder f(nullptr);
//   f.SetFindText(u"begin");
//   f.SetFlags({synt::ftWholeWordOnly});
//   int start = 0, end = int(text.size());            // 0-based, half-open
//   while (f.Find(text, start, end, false, pos, len)) { ...; start = pos + std::max(len, 1); }
//
//   int s = 1, e = 0;                                 // the same with 1-based positions
//   if (f.FindIn(text, s, 0, false, e)) { ... }       // [s, e) is the occurrence
//
// An occurrence always lies wholly inside the range searched, also when a regular expression
// could match on beyond its end. Repeated searches never report the same empty occurrence twice
// in a row (the last-found position).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "editor/text_search.h"
#include "platform/component.h"
#include "platform/properties.h"
#include "platform/set.h"
#include "platform/strings.h"
#include "regex/reg_expr.h"

namespace synt {

enum TSearchOption {
  ftCaseSensitive,
  ftWholeWordOnly,
  ftBackward,
  ftSelectedText,
  ftEntireScope,
  ftRegularExpr,
  ftPromtOnReplace,
  ftReplaceTemplate,
};
using TSearchOptions = TSet<TSearchOption>;
const TEnumInfo& SearchOptionInfo();

// Histories in their stored form: entries joined by CR LF, each with units below 32, '#' and '$'
// written as '#' and two upper-case hex digits. Decoding also reads '$' with four hex digits as
// that UTF-16 unit; an escape that is not well formed stays as it is.
std::u16string EncodeHistory(const std::vector<std::u16string>& Entries);
std::vector<std::u16string> DecodeHistory(std::u16string_view Encoded);

class TTextFinder : public TComponent {
  SYNT_CLASS_INFO()

 public:
  explicit TTextFinder(TComponent* Owner);
  ~TTextFinder() override;

  const std::u16string& FindText() const { return findText_; }
  void SetFindText(const std::u16string& Value) { findText_ = Value; }
  TSearchOptions Flags() const { return flags_; }
  void SetFlags(TSearchOptions Value) { flags_ = Value; }

  // Whether an occurrence starts at the 1-based Pos; Len gets its length. Not limited by any
  // range: a regular expression may run to the end of Text.
  bool MatchAt(std::u16string_view Text, int Pos, int& Len);
  // Searches the 1-based range [StartPos, EndPos) (EndPos <= 0 or past the end: the end of Text;
  // StartPos below 1: 1) forwards or backwards; on success StartPos and EndPos bound the
  // occurrence. CodePage is kept for callers; the text is always UTF-16.
  bool FindIn(std::u16string_view Text, int& StartPos, uint32_t CodePage, bool Backward,
              int& EndPos);
  // The same on 0-based offsets: one occurrence wholly inside [Start, End), the first one from
  // Start forwards or from End backwards; FoundStart and FoundLen describe it.
  bool Find(std::u16string_view Text, int Start, int End, bool Backward, int& FoundStart,
            int& FoundLen);
  // Every occurrence in [Start, End) in search order, as repeated Find calls would give them
  // (starting afresh: an empty occurrence found last time counts again), until Found answers
  // false. Returns the number reported.
  int FindAll(std::u16string_view Text, int Start, int End, bool Backward,
              const std::function<bool(int Start, int Len)>& Found);

  // The last-found position (0-based; -1: none) that keeps an empty occurrence from being found
  // twice in a row.
  int LastFound() const { return lastFound_; }
  void ResetLastFound() { lastFound_ = -1; }
  // The groups of the last regular-expression occurrence (positions 1-based into that text).
  const TqxRegMatch& LastMatch() const { return match_; }
  // Why the search expression does not compile; empty when it does or when searching plainly.
  std::string ExpressionError();

  // Moves or inserts Text to the top (front) of List.
  static void AddToHistory(const std::u16string& Text, TStrings& List);

 private:
  // Compiles or prepares for the current text and options; false when nothing can be found.
  bool Prepare();
  // Length of the occurrence at the 0-based Pos, -1 when none (not limited by a range).
  int OccurrenceAt(std::u16string_view Text, int Pos);
  bool WholeWordAt(std::u16string_view Text, int Pos, int Len) const;
  bool FindForward(std::u16string_view Text, int Start, int End, int& FoundStart, int& FoundLen);
  bool FindBackward(std::u16string_view Text, int Start, int End, int& FoundStart, int& FoundLen);

  TSearchOptions flags_;
  std::u16string findText_;
  std::unique_ptr<TqxRegExpr> regExpr_;
  int lastFound_ = -1;

  // What Prepare built, for the text and options it was built for.
  std::u16string preparedText_;
  TSearchOptions preparedFlags_;
  bool prepared_ = false;
  std::shared_ptr<const TqxRegProgram> program_;
  TTextSearcher searcher_;
  TqxRegMatch match_;
};

// What the find and replace dialogs share: the history, the events, the "not found" message and
// the modal exchange with a form. The search itself belongs to descendants.
using TOnFindEvent = std::function<void(TObject* Sender, int StartPos, int EndPos, bool& Accept)>;
using TOnShowFindDialog = std::function<void(TObject* Sender, int& ModalResult)>;

class TDialogForm;

class TBaseFindDialog : public TTextFinder {
  SYNT_CLASS_INFO()

 public:
  explicit TBaseFindDialog(TComponent* Owner);
  ~TBaseFindDialog() override;

  const std::u16string& NoSearchMsg() const { return noSearchMsg_; }
  void SetNoSearchMsg(const std::u16string& Value) { noSearchMsg_ = Value; }
  TStrings* History() const { return history_.get(); }
  void SetHistory(const TStrings* Value) { history_->Assign(Value); }
  std::u16string EncHistory() const;
  void SetEncHistory(const std::u16string& Value);

  // OnShowDialog when assigned (it starts from mrCancel); otherwise the form is built, filled,
  // run through the dialog service and, unless cancelled, read back. Returns the modal result
  // (mrOk, mrCancel or mrAll).
  virtual int ShowDialog();
  // The base finds nothing.
  virtual bool Search(bool All, bool Backward, bool FromCaret) { return false; }

  // Accept starts true; a handler may refuse the occurrence. The positions are 1-based.
  TOnFindEvent OnFind;
  TNotifyEvent OnNotFound;
  TOnShowFindDialog OnShowDialog;

 protected:
  virtual std::unique_ptr<TDialogForm> CreateDialog();
  virtual void FillDialog(TDialogForm& Form);
  virtual void ReadDialog(TDialogForm& Form);
  // OnFind for the 0-based occurrence [Start, End).
  virtual bool DoFind(int Start, int End);
  virtual void DoNotFound();
  // The dialog service of the target's host, else the installed one.
  virtual class TDialogService& Dialogs();

 private:
  std::u16string noSearchMsg_;
  std::unique_ptr<TStringList> history_;
};

// The stored message and prompt formats carry one "%s" for the search text.
std::u16string FormatSearchText(std::u16string_view Format, std::u16string_view Text);

}  // namespace synt
