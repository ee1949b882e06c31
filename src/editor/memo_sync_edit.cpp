#include "editor/memo_sync_edit.h"

#include <algorithm>
#include <unordered_map>

#include "editor/syntax_memo.h"
#include "lists/char_utils.h"

namespace synt {

TMemoSyncEditPart::TMemoSyncEditPart(TCustomSyntaxMemo& Memo)
    : TMemoPart(Memo, kSyncEditOrder), sync_(std::make_unique<TSyntSyncEdit>()) {
  sync_->OnChange = [this](TObject*) { this->Memo().Invalidate(); };
  TMemoEditPart& e = Memo.EditPart();
  e.SyncEditTargets = [this](int Pos, int Delta, std::u16string_view Text) {
    return Targets(Pos, Delta, Text);
  };
  e.SyncEditReplicating = [this](int Index) { Replicating(Index); };
  e.SyncEditValidate = [this] { Validate(); };
}

TMemoSyncEditPart::~TMemoSyncEditPart() {
  sync_->OnChange = nullptr;
}

bool TMemoSyncEditPart::AllWordChars(std::u16string_view S) const {
  const TMemoCaretPart& caret = Memo().CaretPart();
  return std::all_of(S.begin(), S.end(), [&](char16_t c) { return caret.IsWordChar(c); });
}

TSyncRangeList TMemoSyncEditPart::RangesFor(int Start, int End) const {
  TSyncRangeList list;
  const std::u16string_view text = Memo().Lines()->TextView();
  Start = std::clamp(Start, 0, int(text.size()));
  End = std::clamp(End, Start, int(text.size()));
  const TMemoCaretPart& caret = Memo().CaretPart();
  std::unordered_map<std::u16string_view, size_t> index;
  std::vector<std::vector<TRange>> words;
  for (int i = Start; i < End;) {
    if (!caret.IsWordChar(text[size_t(i)])) {
      ++i;
      continue;
    }
    int j = i;
    while (j < End && caret.IsWordChar(text[size_t(j)])) ++j;
    // A word cut by the block's edge is not the word the user sees: only whole ones count.
    const bool whole = (i == 0 || !caret.IsWordChar(text[size_t(i) - 1])) &&
                       (size_t(j) == text.size() || !caret.IsWordChar(text[size_t(j)]));
    if (whole && !IsDigitChar(text[size_t(i)])) {
      const std::u16string_view w = text.substr(size_t(i), size_t(j - i));
      auto [it, fresh] = index.emplace(w, words.size());
      if (fresh) words.emplace_back();
      words[it->second].emplace_back(i, j);
    }
    i = j;
  }
  TSyncRange range(Start, End);
  for (const std::vector<TRange>& w : words) {
    if (w.size() < 2) continue;
    TSyncWordGroup g;
    for (const TRange& r : w) g.Add(r);
    range.Groups.push_back(std::move(g));
  }
  if (!range.Groups.empty()) list.TryInsert(std::move(range));
  return list;
}

bool TMemoSyncEditPart::Start(TSyncRangeList List) {
  TCustomSyntaxMemo& m = Memo();
  if (!sync_->Enabled() || List.Empty()) return false;
  bool can = true;
  if (m.OnCanSyncEdit) m.OnCanSyncEdit(&m, List, can);
  if (!can) return false;
  sync_->SetSyncRanges(std::move(List));
  UpdateActive();
  m.Invalidate();
  return sync_->Active();
}

bool TMemoSyncEditPart::CanStartFromSelection() const {
  const TCustomSyntaxMemo& m = Memo();
  return sync_->Enabled() && !m.ReadOnly() && m.HaveSelection();
}

bool TMemoSyncEditPart::StartFromSelection() {
  TCustomSyntaxMemo& m = Memo();
  if (!CanStartFromSelection()) return false;
  const TMemoSelection& sel = m.Selection();
  int a = sel.SelStart(), b = sel.SelEnd();
  if (sel.SelectionMode() == msColumn) {
    const TRect block = sel.BlockRect();
    const TSyntMemoStrings& lines = *m.Lines();
    const int last = std::min(block.Bottom, lines.GetCount() - 1);
    if (last < block.Top) return false;
    a = lines.LineStart(block.Top);
    b = lines.LineStart(last) + lines.LineLength(last);
  }
  if (!Start(RangesFor(a, b))) return false;
  const int caret = m.CaretStrPos();
  m.ResetSelection();
  if (sync_->ActiveGroup() < 0) {
    const TSyncRange& r = sync_->SyncRanges()[0];
    int first = r.Groups[0][0].EndPos;
    for (const TSyncWordGroup& g : r.Groups) first = std::min(first, g[0].EndPos);
    m.SetCaretStrPos(first);
  } else {
    m.SetCaretStrPos(caret);
  }
  return true;
}

void TMemoSyncEditPart::Stop() {
  if (!sync_->Active()) return;
  sync_->Clear();
  Memo().Invalidate();
}

bool TMemoSyncEditPart::KeyDown(TShortCut Key) {
  if (!sync_->Active() || Key != vkEscape) return false;
  Stop();
  return true;
}

void TMemoSyncEditPart::UpdateActive() {
  if (sync_->UpdateActive(Memo().Selection().CaretOffset())) Memo().Invalidate();
}

void TMemoSyncEditPart::CaretPosChanged() {
  if (sync_->Active()) UpdateActive();
}

void TMemoSyncEditPart::TextChanged(int Pos, int Count, int) {
  if (!sync_->Active()) return;
  bool word = true;
  if (Count > 0 && Pos >= 0) {
    const std::u16string_view text = Memo().Lines()->TextView();
    if (size_t(Pos) + size_t(Count) <= text.size())
      word = AllWordChars(text.substr(size_t(Pos), size_t(Count)));
  }
  sync_->TextChanged(Pos, Count, word);
  UpdateActive();
}

std::vector<int> TMemoSyncEditPart::Targets(int Pos, int Delta, std::u16string_view Text) {
  last_ = {};
  if (!sync_->Active()) return {};
  last_ = sync_->ReplicationTargets(Pos, Delta, Delta < 0 || AllWordChars(Text));
  return last_.Offsets;
}

void TMemoSyncEditPart::Replicating(int Index) {
  if (Index >= 0)
    sync_->BeginReplication(last_, Index);
  else
    sync_->EndReplication();
}

void TMemoSyncEditPart::Validate() {
  if (!sync_->Active()) return;
  if (sync_->Validate()) Memo().Invalidate();
  UpdateActive();
}

}  // namespace synt
