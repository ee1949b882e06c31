#include "editor/user_ranges.h"

#include <algorithm>

#include "text/memo_strings.h"

namespace synt {

// ---- TUserRange -------------------------------------------------------------------------------

TUserRange::TUserRange(TCollection* Collection) : TCollectionItem(Collection) {}

TUserRanges* TUserRange::Ranges() const {
  return static_cast<TUserRanges*>(Collection());
}

void TUserRange::SetStartPos(int Value) {
  if (Value == startPos_) return;
  const bool folding = collapsable_;
  startPos_ = Value;
  if (TUserRanges* r = Ranges()) r->RangeChanged(this, folding);
}

void TUserRange::SetEndPos(int Value) {
  if (Value == endPos_) return;
  const bool folding = collapsable_;
  endPos_ = Value;
  if (TUserRanges* r = Ranges()) r->RangeChanged(this, folding);
}

namespace {

int LineOf(const TUserRanges* Ranges, int Pos) {
  TSyntMemoStrings* lines = Ranges ? Ranges->Lines() : nullptr;
  return lines ? lines->LineOfPos(Pos) : 0;
}

int StartOf(const TUserRanges* Ranges, int Line) {
  TSyntMemoStrings* lines = Ranges ? Ranges->Lines() : nullptr;
  return lines ? lines->LineStart(Line) : 0;
}

}  // namespace

int TUserRange::StartLine() const {
  return LineOf(Ranges(), startPos_);
}

void TUserRange::SetStartLine(int Value) {
  SetStartPos(StartOf(Ranges(), Value));
}

int TUserRange::EndLine() const {
  return LineOf(Ranges(), endPos_);
}

void TUserRange::SetEndLine(int Value) {
  SetEndPos(StartOf(Ranges(), Value));
}

void TUserRange::SetStyle(const std::u16string& Value) {
  if (Value == style_) return;
  style_ = Value;
  if (TUserRanges* r = Ranges()) {
    r->Regroup(this);
    r->RangeChanged(this, false);
  }
}

void TUserRange::SetLineBreaks(TLineBreakBound Value) {
  if (Value == lineBreaks_) return;
  lineBreaks_ = Value;
  if (TUserRanges* r = Ranges()) {
    r->Regroup(this);
    r->RangeChanged(this, false);
  }
}

void TUserRange::SetLineBreakColor(TColor Value) {
  if (Value == lineBreakColor_) return;
  lineBreakColor_ = Value;
  if (TUserRanges* r = Ranges()) r->RangeChanged(this, false);
}

void TUserRange::SetCollapsable(bool Value) {
  if (Value == collapsable_) return;
  collapsable_ = Value;
  if (TUserRanges* r = Ranges()) {
    r->Regroup(this);
    r->RangeChanged(this, true);
  }
}

void TUserRange::SetHighlightLines(bool Value) {
  if (Value == highlightLines_) return;
  highlightLines_ = Value;
  if (TUserRanges* r = Ranges()) r->RangeChanged(this, false);
}

void TUserRange::SetCollapseIcon(const std::u16string& Value) {
  if (Value == collapseIcon_) return;
  collapseIcon_ = Value;
  if (TUserRanges* r = Ranges()) r->RangeChanged(this, false);
}

void TUserRange::Assign(const TPersistent* Source) {
  auto* src = dynamic_cast<const TUserRange*>(Source);
  if (!src) {
    TCollectionItem::Assign(Source);
    return;
  }
  startPos_ = src->startPos_;
  endPos_ = src->endPos_;
  style_ = src->style_;
  lineBreaks_ = src->lineBreaks_;
  lineBreakColor_ = src->lineBreakColor_;
  collapsable_ = src->collapsable_;
  highlightLines_ = src->highlightLines_;
  tag_ = src->tag_;
  collapseIcon_ = src->collapseIcon_;
  if (TUserRanges* r = Ranges()) {
    r->Regroup(this);
    r->RangeChanged(this, true);
  }
}

// ---- TUserRanges ------------------------------------------------------------------------------

TUserRanges::TUserRanges(TPersistent* Owner, TLinesProc Lines, TStyleLookup FindStyle)
    : TCollection(TUserRange::StaticClassInfo(), Owner),
      lines_(std::move(Lines)),
      findStyle_(std::move(FindStyle)) {}

TSyntaxFormat* TUserRanges::FindStyle(std::u16string_view Name) const {
  return findStyle_ && !Name.empty() ? findStyle_(Name) : nullptr;
}

void TUserRanges::SetActive(bool Value) {
  if (Value == active_) return;
  active_ = Value;
  if (Count() > 0 && OnChange) OnChange(nullptr, true);
}

void TUserRanges::Drop(const TCollectionItem* Item) {
  for (auto* list : {&styled_, &collapsible_, &lineBreaks_})
    list->erase(
        std::remove_if(list->begin(), list->end(), [Item](TUserRange* r) { return r == Item; }),
        list->end());
}

void TUserRanges::RegroupAll() {
  styled_.clear();
  collapsible_.clear();
  lineBreaks_.clear();
  for (int i = 0; i < Count(); ++i) {
    TUserRange* r = Items(i);
    if (!r->style_.empty()) styled_.push_back(r);
    if (r->collapsable_) collapsible_.push_back(r);
    if (!r->lineBreaks_.Empty()) lineBreaks_.push_back(r);
  }
}

// Keeps the three groups in collection order, so that every query walks ranges as they were added.
void TUserRanges::Regroup(TUserRange* Range) {
  Drop(Range);
  auto put = [Range](std::vector<TUserRange*>& List) {
    auto at = std::lower_bound(List.begin(), List.end(), Range, [](TUserRange* a, TUserRange* b) {
      return a->Index() < b->Index();
    });
    List.insert(at, Range);
  };
  if (!Range->style_.empty()) put(styled_);
  if (Range->collapsable_) put(collapsible_);
  if (!Range->lineBreaks_.Empty()) put(lineBreaks_);
}

void TUserRanges::RangeChanged(TUserRange* Range, bool FoldingChanged) {
  if (following_) return;
  if (UpdateCount() > 0) {
    pendingFolding_ = pendingFolding_ || FoldingChanged;
    return;
  }
  if (OnChange) OnChange(Range, FoldingChanged);
}

void TUserRanges::Update(TCollectionItem* Item) {
  // Reached for whole-collection changes (adding, deleting, reordering, the end of an update).
  if (!Item) RegroupAll();
  const bool folding = pendingFolding_ || !Item;
  pendingFolding_ = false;
  if (!following_ && OnChange) OnChange(static_cast<TUserRange*>(Item), folding);
}

void TUserRanges::Notify(TCollectionItem* Item, TCollectionNotification Action) {
  // An added item is grouped by the whole-collection update that follows.
  if (Action != cnAdded) Drop(Item);  // an item deleted directly may be half destroyed
}

// ---- Queries ----------------------------------------------------------------------------------

int TUserRanges::StyleEntriesAt(int Pos, TStyleEntries& Entries) const {
  if (!active_) return -1;
  int next = -1;
  auto propose = [&next](int At) {
    if (next < 0 || At < next) next = At;
  };
  for (size_t i = styled_.size(); i-- > 0;) {
    const TUserRange* r = styled_[i];
    if (r->startPos_ > Pos) {
      propose(r->startPos_);
    } else if (r->Contains(Pos)) {
      if (TSyntaxFormat* s = FindStyle(r->style_)) {
        Entries.emplace_back(r->startPos_, r->endPos_, s, false);
        propose(r->endPos_);
      }
    }
  }
  return next;
}

TColor TUserRanges::SeparatorColor(int Line) const {
  if (!active_) return clNone;
  for (const TUserRange* r : lineBreaks_) {
    if ((r->lineBreaks_.Contains(lbTop) && r->StartLine() == Line) ||
        (r->lineBreaks_.Contains(lbBottom) && r->EndLine() + 1 == Line))
      return r->lineBreakColor_;
  }
  return clNone;
}

bool TUserRanges::LineHighlight(int Line, TLineHighlightAttr& Attr) const {
  if (!active_) return false;
  bool any = false;
  for (const TUserRange* r : styled_) {
    if (!r->highlightLines_ || Line < r->StartLine() || Line > r->EndLine()) continue;
    const TSyntaxFormat* s = FindStyle(r->style_);
    if (!s || !s->Enabled()) continue;
    if (s->BgColor() != clNone) Attr.bgColor = s->BgColor();
    if (s->Font()->Color() != clNone && s->FormatType() != ftBackGround)
      Attr.frColor = s->Font()->Color();
    Attr.Selected = true;
    any = true;
  }
  return any;
}

int TUserRanges::FoldState(int Line) const {
  int state = -3;
  if (!active_) return state;
  for (const TUserRange* r : collapsible_) {
    const int first = r->StartLine(), last = r->EndLine();
    if (first >= last) continue;
    int s = -3;
    if (Line == first)
      s = 0;
    else if (Line == last)
      s = -1;
    else if (Line > first && Line < last)
      s = -2;
    state = std::max(state, s);
  }
  return state;
}

TUserRange* TUserRanges::CollapsibleAtLine(int Line) const {
  if (!active_) return nullptr;
  for (TUserRange* r : collapsible_)
    if (r->StartLine() == Line && r->CanCollapse()) return r;
  return nullptr;
}

TUserRange* TUserRanges::RangeAt(int Pos) const {
  if (!active_) return nullptr;
  TUserRange* best = nullptr;
  for (int i = 0; i < Count(); ++i) {
    TUserRange* r = Items(i);
    if (r->Contains(Pos) && (!best || r->startPos_ > best->startPos_)) best = r;
  }
  return best;
}

// ---- Following the text -----------------------------------------------------------------------

void TUserRanges::TextChanged(int Pos, int Count, int LineChange) {
  // A replaced text moves no offset: the ranges stay where the application put them.
  if (this->Count() == 0 || Pos < 0) return;
  // The control tells its parts of the change itself; nothing is reported from here.
  following_ = true;
  auto follow = [Pos, Count](int x) { return x > Pos ? std::max(x + Count, Pos) : x; };
  for (int i = this->Count(); i-- > 0;) {
    TUserRange* r = Items(i);
    const int s = follow(r->startPos_), e = follow(r->endPos_);
    if (s == r->startPos_ && e == r->endPos_) continue;
    if (e <= s && r->endPos_ > r->startPos_) {
      Delete(i);
      continue;
    }
    r->startPos_ = s;
    r->endPos_ = e;
  }
  following_ = false;
}

}  // namespace synt
