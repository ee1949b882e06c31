// The go-to-line dialog: "line" or "line:column", checked before the dialog closes, with a
// process-wide history of accepted entries.
#include <algorithm>
#include <climits>
#include <string>

#include "editor/memo_commands.h"
#include "editor/syntax_memo.h"
#include "platform/control_host.h"
#include "platform/dialogs.h"

namespace synt {

namespace {

constexpr size_t kGotoHistorySize = 20;

std::u16string_view Trimmed(std::u16string_view s) {
  auto blank = [](char16_t c) { return c == u' ' || c == u'\t'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

// An optionally signed decimal integer, saturated to the int range.
bool ParseInt(std::u16string_view s, int& Value) {
  s = Trimmed(s);
  bool negative = false;
  if (!s.empty() && (s.front() == u'-' || s.front() == u'+')) {
    negative = s.front() == u'-';
    s.remove_prefix(1);
  }
  if (s.empty()) return false;
  long long v = 0;
  for (char16_t c : s) {
    if (c < u'0' || c > u'9') return false;
    v = std::min<long long>(v * 10 + (c - u'0'), INT_MAX);
  }
  Value = int(negative ? -v : v);
  return true;
}

std::u16string ToU16(const std::string& s) {
  return std::u16string(s.begin(), s.end());
}

// The error for Entry, empty when it is acceptable; Line and Column (0: not given) are 1-based.
std::u16string CheckEntry(std::u16string_view Entry, int LineCount, int& Line, int& Column) {
  Column = 0;
  std::u16string_view linePart = Entry;
  const size_t colon = Entry.find(u':');
  if (colon != std::u16string_view::npos) {
    if (!ParseInt(Entry.substr(colon + 1), Column)) return u"Invalid column number.";
    linePart = Entry.substr(0, colon);
  }
  if (!ParseInt(linePart, Line)) return u"Invalid line number.";
  if (Line < 1 || Line > LineCount)
    return u"Line number must be between 1 and " + ToU16(std::to_string(LineCount));
  return {};
}

void Remember(const std::u16string& Entry) {
  std::vector<std::u16string>& h = TMemoCommandPart::GotoLineHistory();
  h.erase(std::remove(h.begin(), h.end(), Entry), h.end());
  h.push_back(Entry);
  if (h.size() > kGotoHistorySize) h.erase(h.begin(), h.end() - kGotoHistorySize);
}

}  // namespace

std::vector<std::u16string>& TMemoCommandPart::GotoLineHistory() {
  static std::vector<std::u16string> history;
  return history;
}

bool TMemoCommandPart::GotoLineDialog() {
  TCustomSyntaxMemo& m = Memo();
  IControlHost* host = m.Host();
  TDialogService& dialogs = host ? host->Dialogs() : DialogService();
  const int lineCount = m.Lines()->Count();
  const TPoint caret = m.CaretPos();
  std::u16string entry =
      ToU16(std::to_string(caret.Y + 1)) + u":" + ToU16(std::to_string(caret.X + 1));
  const std::vector<std::u16string>& history = GotoLineHistory();
  int line = 0, column = 0;
  for (;;) {
    TDialogForm form(u"GotoLine", u"Go to Line Number");
    form.AddText(u"Line", u"&Line number:", entry,
                 std::vector<std::u16string>(history.rbegin(), history.rend()));
    if (dialogs.RunForm(form) != mrOk) return false;
    entry = form.Field(u"Line")->Text;
    const std::u16string error = CheckEntry(entry, lineCount, line, column);
    if (error.empty()) break;
    dialogs.MessageBox(error, u"Error", mbbOK, mbiError);
  }
  Remember(entry);
  const int x = column > 0
                    ? column - 1
                    : (column == 0 && entry.find(u':') == std::u16string::npos ? caret.X : 0);
  m.ResetSelection();
  m.SetCaretPos({x, line - 1});
  if (host && !host->Focused()) host->SetFocus();
  return true;
}

}  // namespace synt
