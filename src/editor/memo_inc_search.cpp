#include "editor/memo_inc_search.h"

#include <algorithm>

#include "editor/commands.h"
#include "editor/syntax_memo.h"
#include "lists/char_utils.h"
#include "platform/control_host.h"

namespace synt {

int FindIncremental(std::u16string_view Text, std::u16string_view What, int From, bool Back,
                    bool IgnoreCase) {
  const size_t n = What.size(), len = Text.size();
  if (n == 0 || n > len || (Back && From < 0)) return -1;
  const size_t from = size_t(std::clamp<int64_t>(From, 0, int64_t(len)));
  if (!IgnoreCase) {
    const size_t r = Back ? Text.rfind(What, from) : Text.find(What, from);
    return r == std::u16string_view::npos ? -1 : int(r);
  }
  std::u16string up(What);
  for (char16_t& c : up) c = CharUpper(c);
  auto matchesAt = [&](size_t m) {
    if (CharUpper(Text[m]) != up[0]) return false;
    for (size_t k = 1; k < n; ++k)
      if (CharUpper(Text[m + k]) != up[k]) return false;
    return true;
  };
  if (!Back) {
    for (size_t m = from; m + n <= len; ++m)
      if (matchesAt(m)) return int(m);
  } else {
    for (size_t m = std::min(from, len - n) + 1; m-- > 0;)
      if (matchesAt(m)) return int(m);
  }
  return -1;
}

TMemoIncSearchPart::TMemoIncSearchPart(TCustomSyntaxMemo& Memo)
    : TMemoPart(Memo, kIncSearchOrder) {}
TMemoIncSearchPart::~TMemoIncSearchPart() = default;

void TMemoIncSearchPart::SetIncSearchBack(bool Value) {
  if (Value == back_) return;
  StopIncSearch();
  back_ = Value;
}

void TMemoIncSearchPart::SetIncSearchIgnoreCase(bool Value) {
  if (Value == ignoreCase_) return;
  StopIncSearch();
  ignoreCase_ = Value;
}

void TMemoIncSearchPart::Changed(TIncSearchState State) {
  TCustomSyntaxMemo& m = Memo();
  if (m.OnIncSearchChange) m.OnIncSearchChange(&m, State);
}

void TMemoIncSearchPart::StartIncSearch(int StartPos) {
  TCustomSyntaxMemo& m = Memo();
  IControlHost* host = m.Host();
  if (!host) return;
  if (!host->Focused()) host->SetFocus();
  const int len = m.Lines()->TextLength();
  active_ = true;
  text_.clear();
  match_ = -1;
  // The last character at most; an empty text has none, and its only offset is 0.
  start_ = StartPos == -1 ? m.CaretStrPos() : std::clamp(StartPos, 0, std::max(0, len - 1));
  Changed(isStart);
}

void TMemoIncSearchPart::StopIncSearch() {
  if (!active_) return;
  active_ = false;
  Changed(isStop);
}

void TMemoIncSearchPart::ShowMatch(int Match, int Length) {
  TCustomSyntaxMemo& m = Memo();
  // The caret first: moving it drops the search marks unless they are kept.
  m.SetCaretStrPos(back_ ? Match : Match + Length);
  match_ = Match;
  TRangeList<TRange>& marks = *m.SearchMarks();
  marks.Clear();
  if (Length > 0) marks.Add(TRange(Match, Match + Length));
  m.Invalidate();
}

bool TMemoIncSearchPart::IncSearchText(std::u16string_view Text) {
  if (!active_) return false;
  TCustomSyntaxMemo& m = Memo();
  const std::u16string_view all = m.Lines()->TextView();
  const int start = std::clamp(start_, 0, int(all.size()));
  if (Text.empty()) {
    text_.clear();
    ShowMatch(start, 0);
    Changed(isStrChange);
    return true;
  }
  const int at = FindIncremental(all, Text, start, back_, ignoreCase_);
  if (at < 0) return false;
  text_ = Text;
  ShowMatch(at, int(Text.size()));
  Changed(isStrChange);
  return true;
}

bool TMemoIncSearchPart::FindNext() {
  if (!active_ || text_.empty()) return false;
  TCustomSyntaxMemo& m = Memo();
  const std::u16string_view all = m.Lines()->TextView();
  const int n = int(text_.size());
  const int from = back_ ? match_ - 1 : match_ + 1;
  int at = from < 0 ? -1 : FindIncremental(all, text_, from, back_, ignoreCase_);
  if (at < 0) at = FindIncremental(all, text_, back_ ? int(all.size()) : 0, back_, ignoreCase_);
  if (at < 0) return false;
  start_ = at;
  ShowMatch(at, n);
  Changed(isStrChange);
  return true;
}

// Which keys end the search, and whether they then do what they normally do: a user who presses
// Down or End to leave the search expects the caret to move from the match, as in the search
// modes of programmer's editors, so those keys end the search and are not taken (their command
// runs). Enter and Esc only end it: Enter accepts the match and must not break the line there,
// and Esc must not also drop a selection or end synchronous editing. A modifier alone ends
// nothing: it starts a combination (and AltGr types characters on many keyboards); a combination
// that runs a command ends the search when the command runs (BeforeCommand).
bool TMemoIncSearchPart::KeyDown(TShortCut Key) {
  if (!active_) return false;
  const TShortCut code = Key & ~scModifiers;
  if (code == vkBack) {
    if (!text_.empty()) IncSearchText(std::u16string_view(text_).substr(0, text_.size() - 1));
    return true;
  }
  if (code == vkShift || code == vkControl || code == vkMenu || code == vkSpace || code > vkDelete)
    return false;
  StopIncSearch();
  return code == vkEscape || code == vkReturn;
}

bool TMemoIncSearchPart::KeyPress(char16_t Ch) {
  if (!active_) return false;
  if (Ch >= 32) IncSearchText(text_ + Ch);
  return true;
}

bool TMemoIncSearchPart::InputMethodCommit(std::u16string_view Text) {
  if (!active_) return false;
  if (!Text.empty()) IncSearchText(text_ + std::u16string(Text));
  return true;
}

bool TMemoIncSearchPart::BeforeCommand(int Command) {
  if (!active_) return false;
  if (Command == cmIncrementalSearch) {
    FindNext();
    return true;
  }
  StopIncSearch();
  return false;
}

void TMemoIncSearchPart::TextChanged(int Pos, int Count, int) {
  if (!active_) return;
  if (Pos < 0) {
    StopIncSearch();
    return;
  }
  if (Count > 0 && Pos <= start_)
    start_ += Count;
  else if (Count < 0 && Pos < start_)
    start_ = std::max(Pos, start_ + Count);
}

}  // namespace synt
