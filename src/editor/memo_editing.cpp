#include "editor/memo_editing.h"

#include <algorithm>

#include "analysis/client_analyzer.h"
#include "analysis/lexer_library.h"
#include "analysis/synt_text_source.h"
#include "analysis/syntax_analyzer.h"
#include "editor/style_merge.h"
#include "editor/syntax_memo.h"
#include "text/memo_strings.h"

namespace synt {

TMemoEditPart::TMemoEditPart(TCustomSyntaxMemo& Memo) : TMemoPart(Memo, kEditOrder) {}
TMemoEditPart::~TMemoEditPart() = default;

// ---- Update bracket -----------------------------------------------------------------------------

void TMemoEditPart::BeginUpdate() {
  if (updateCount_++ == 0) Memo().Lines()->BeginUndoGroup();
}

void TMemoEditPart::EndUpdate() {
  if (updateCount_ == 0) return;
  if (--updateCount_ > 0) return;
  Memo().Lines()->EndUndoGroup();
  if (SyncEditValidate) SyncEditValidate();
  Memo().Invalidate();
}

TMemoUpdate::TMemoUpdate(TCustomSyntaxMemo& Memo) : memo_(Memo) {
  memo_.BeginUpdate();
}

TMemoUpdate::~TMemoUpdate() {
  memo_.EndUpdate();
}

// ---- Protection ---------------------------------------------------------------------------------

namespace {

bool StylesMayProtect(const TStylesCollection* Styles) {
  if (!Styles) return false;
  for (int i = 0; i < Styles->Count(); ++i) {
    const TSyntaxFormat* f = Styles->Items(i);
    if (f->ReadOnly() && f->FormatFlags().Contains(ffReadOnly)) return true;
  }
  return false;
}

bool LexerMayProtect(const TSyntAnalyzer* Lexer, std::vector<const TSyntAnalyzer*>& Seen) {
  if (!Lexer || std::find(Seen.begin(), Seen.end(), Lexer) != Seen.end()) return false;
  Seen.push_back(Lexer);
  if (StylesMayProtect(Lexer->Formats())) return true;
  const TSubAnalyzerRules* subs = Lexer->SubAnalyzers();
  for (int i = 0; subs && i < subs->Count(); ++i)
    if (LexerMayProtect(subs->Items(i)->SyntAnalyzer(), Seen)) return true;
  return false;
}

// The read-only state the merged styles give: the lexer's default style first, later entries
// override; a style without the flag among its FormatFlags leaves it alone.
bool MergedReadOnly(const TSyntaxFormat* Default, const TStyleEntries& Entries) {
  bool ro = false;
  auto apply = [&ro](const TSyntaxFormat* s) {
    if (s && s->Enabled() && s->FormatFlags().Contains(ffReadOnly)) ro = s->ReadOnly();
  };
  apply(Default);
  for (const TStyleEntry& e : Entries) apply(e.Style);
  return ro;
}

}  // namespace

// Walking style runs costs an analysis up to the span; most documents have no read-only style,
// which this tells cheaply. Sources the editor cannot see into (events, hooks) may protect.
bool TMemoEditPart::MayProtect() const {
  TCustomSyntaxMemo& m = Memo();
  if (m.OnGetStyleEntry) return true;
  for (int i = 0; i < m.PluginCount(); ++i)
    if (dynamic_cast<ISyntMemoStyleHook*>(m.Plugins(i))) return true;
  if (m.TextSource() && dynamic_cast<ISyntMemoStyleHook*>(m.TextSource())) return true;
  if (m.UserStyles() && StylesMayProtect(m.UserStyles()->Styles())) return true;
  std::vector<const TSyntAnalyzer*> seen;
  return LexerMayProtect(m.CurrentLexer(), seen);
}

template <class F>
void TMemoEditPart::ForProtectionRuns(int Start, int End, F&& f) const {
  if (Start >= End) return;
  if (!MayProtect()) {
    f(Start, End, false);
    return;
  }
  TCustomSyntaxMemo& m = Memo();
  if (TClientSyntAnalyzer* client = m.SyntClient()) client->TryAppend(End);
  const TSyntAnalyzer* lexer = m.CurrentLexer();
  const TSyntaxFormat* def = lexer ? lexer->DefaultStyle() : nullptr;
  constexpr unsigned kSources = ssStyledRanges | ssTokenStyle | ssUserRanges | ssStyleEvent;
  TStyleEntries entries;
  for (int pos = Start; pos < End;) {
    entries.clear();
    int next = m.CollectStyleEntries(pos, entries, false, kSources);
    if (next <= pos) next = pos + 1;
    next = std::min(next, End);
    if (!f(pos, next, MergedReadOnly(def, entries))) return;
    pos = next;
  }
}

bool TMemoEditPart::IsProtected(int Pos) const {
  if (Pos < 0 || Pos >= Memo().Lines()->TextLength()) return false;
  bool result = false;
  ForProtectionRuns(Pos, Pos + 1, [&](int, int, bool p) {
    result = p;
    return false;
  });
  return result;
}

bool TMemoEditPart::CanInsert(int Pos) const {
  TCustomSyntaxMemo& m = Memo();
  bool allow = !m.ReadOnly();
  if (allow) {
    const int size = m.Lines()->TextLength();
    // A character that does not exist protects nothing; an insertion needs one free neighbour.
    const bool at = Pos < size && IsProtected(Pos);
    const bool before = Pos > 0 && IsProtected(Pos - 1);
    if (Pos <= 0 || Pos >= size)
      allow = !(at || before);
    else
      allow = !at || !before;
  }
  if (m.OnCanInsert) m.OnCanInsert(&m, Pos, allow);
  return allow;
}

bool TMemoEditPart::CanDelete(int Pos, int Count) const {
  TCustomSyntaxMemo& m = Memo();
  bool allow = !m.ReadOnly();
  if (allow && Count > 0) {
    bool free = false;
    ForProtectionRuns(Pos, Pos + Count, [&](int, int, bool p) {
      free = !p;
      return !free;
    });
    allow = free;
  }
  if (m.OnCanDelete) m.OnCanDelete(&m, Pos, Count, allow);
  return allow;
}

bool TMemoEditPart::CanDeleteSelection() const {
  TCustomSyntaxMemo& m = Memo();
  const TMemoSelection& sel = m.Selection();
  if (!sel.HaveSelection()) return !m.ReadOnly();
  if (sel.SelectionMode() != msColumn) return CanDelete(sel.SelStart(), sel.SelLength());
  const TRect b = sel.BlockRect();
  const TSyntMemoStrings& lines = *m.Lines();
  for (int y = b.Top; y <= b.Bottom && y < lines.GetCount(); ++y) {
    const int len = lines.LineLength(y);
    const int a = std::min(sel.DisplayColumnToCaret(y, b.Left), len);
    const int e = std::min(sel.DisplayColumnToCaret(y, b.Right), len);
    if (e > a && CanDelete(lines.LineStart(y) + a, e - a)) return true;
  }
  return false;
}

// ---- Primitives ---------------------------------------------------------------------------------

std::u16string TMemoEditPart::LineBreakText() const {
  const TSyntMemoStrings& lines = *Memo().Lines();
  switch (lines.LineBreakStyle()) {
    case lbCR:
      return u"\r";
    case lbLF:
      return u"\n";
    case lbCRLF:
      return u"\r\n";
    case lbKeep:
      break;
  }
  if (lines.GetCount() > 1) {
    const int len = lines.LineLength(0), space = lines.LineSpace(0);
    return std::u16string(lines.TextView().substr(size_t(len), size_t(space - len)));
  }
  return u"\r\n";
}

bool TMemoEditPart::RawInsert(int Pos, std::u16string_view S, bool CaretAfter) {
  TCustomSyntaxMemo& m = Memo();
  TSyntMemoStrings& lines = *m.Lines();
  if (S.empty()) return false;
  if (ReplicateInsert(Pos, S, CaretAfter)) return true;
  std::u16string s(S);
  bool accept = true;
  if (m.OnBeforeInsert) m.OnBeforeInsert(&m, Pos, s, accept);
  if (!accept || s.empty()) return false;
  Pos = std::clamp(Pos, 0, lines.TextLength());
  // The storage never splits CR LF: record where the text really goes.
  const std::u16string_view text = lines.TextView();
  if (Pos > 0 && size_t(Pos) < text.size() && text[size_t(Pos) - 1] == u'\r' &&
      text[size_t(Pos)] == u'\n')
    ++Pos;
  lines.AddUndo(ukReplace, s, CaretAfter, Pos, u"");
  lines.InsertText(Pos, s);
  lastInsertEnd_ = Pos + int(s.size());
  return true;
}

bool TMemoEditPart::RawDelete(int Pos, int Count, bool CaretAfter) {
  TCustomSyntaxMemo& m = Memo();
  TSyntMemoStrings& lines = *m.Lines();
  replicaShift_ = 0;
  if (Count <= 0) return false;
  if (ReplicateDelete(Pos, Count, CaretAfter)) return true;
  bool accept = true;
  if (m.OnBeforeDelete) m.OnBeforeDelete(&m, Pos, Count, accept);
  const int size = lines.TextLength();
  Pos = std::clamp(Pos, 0, size);
  Count = std::min(Count, size - Pos);
  if (!accept || Count <= 0) return false;
  lines.AddUndo(ukDelete, u"", CaretAfter, Pos, lines.SubString(Pos + 1, Count));
  lines.DeleteText(Pos, Count);
  return true;
}

std::u16string TMemoEditPart::Filler(TPoint P) const {
  const TSyntMemoStrings& lines = *Memo().Lines();
  const int count = lines.GetCount();
  std::u16string s;
  if (P.Y >= count) {
    // Below the last line: a break for each missing line, then blanks to the column.
    const int breaks = count == 0 ? P.Y : P.Y - (count - 1);
    const std::u16string brk = LineBreakText();
    for (int i = 0; i < breaks; ++i) s += brk;
    s.append(size_t(std::max(0, P.X)), u' ');
  } else if (P.Y >= 0) {
    const int len = lines.LineLength(P.Y);
    if (P.X > len) s.append(size_t(P.X - len), u' ');
  }
  return s;
}

void TMemoEditPart::InsertText(std::u16string_view S) {
  TCustomSyntaxMemo& m = Memo();
  TMemoSelection& sel = m.Selection();
  if (S.empty()) return;
  if (sel.HaveSelection() && !CanDeleteSelection()) return;
  if (!CanInsert(sel.CaretOffset())) return;
  std::u16string s(S);
  if (!m.MultiLine())
    std::replace_if(
        s.begin(), s.end(), [](char16_t c) { return c == u'\r' || c == u'\n'; }, u' ');
  TMemoUpdate update(m);
  if (sel.HaveSelection() && m.Options().Contains(soOverwriteBlocks)) ClearSelection();
  const TPoint p = sel.CaretPos();
  const bool isBreak = s == u"\r\n" || s == u"\r" || s == u"\n";
  if (isBreak && p.Y >= m.Lines()->GetCount() && m.OptionsEx().Contains(soVirtualCaretPos)) {
    m.SetCaretPos({0, p.Y + 1});
    return;
  }
  if (!isBreak) s.insert(0, Filler(p));
  const int pos = sel.CaretOffset();
  lastInsertEnd_ = -1;
  if (RawInsert(pos, s, true) && lastInsertEnd_ >= 0) m.SetCaretStrPos(lastInsertEnd_);
}

void TMemoEditPart::DeleteChars(int Count) {
  TCustomSyntaxMemo& m = Memo();
  const TSyntMemoStrings& lines = *m.Lines();
  if (Count == 0) return;
  const int size = lines.TextLength();
  const int caret = m.Selection().CaretOffset();
  int a = Count < 0 ? std::max(0, caret + Count) : caret;
  int b = Count < 0 ? caret : int(std::min<int64_t>(size, int64_t(caret) + Count));
  if (a >= b) return;
  const std::u16string_view text = lines.TextView();
  // Never half a CR LF pair.
  if (a > 0 && text[size_t(a) - 1] == u'\r' && text[size_t(a)] == u'\n') --a;
  if (b < size && text[size_t(b) - 1] == u'\r' && text[size_t(b)] == u'\n') ++b;
  if (!CanDelete(a, b - a)) return;
  TMemoUpdate update(m);
  if (RawDelete(a, b - a, Count < 0)) m.SetCaretStrPos(a + replicaShift_);
}

bool TMemoEditPart::ReplaceText(int Offset, int Length, std::u16string_view S) {
  TCustomSyntaxMemo& m = Memo();
  const int size = m.Lines()->TextLength();
  Offset = std::clamp(Offset, 0, size);
  Length = std::clamp(Length, 0, size - Offset);
  if (!CanDelete(Offset, Length)) return false;
  // Nothing to delete is a plain insertion, and is guarded like one.
  if (Length == 0 && !CanInsert(Offset)) return false;
  TMemoUpdate update(m);
  const std::u16string_view t = m.Lines()->TextView();
  auto at = [&](int i) { return i >= 0 && i < size ? t[size_t(i)] : u'\0'; };
  // Deleting first would leave a CR right before an LF, and the storage never inserts between
  // the two (the new text would land after the LF): insert first then.
  if (Length > 0 && !S.empty() && at(Offset - 1) == u'\r' && at(Offset + Length) == u'\n' &&
      at(Offset) != u'\n') {
    // The old text follows the inserted one; copies made by sync editing elsewhere move it
    // only when they lie before it, which the end of the edit's own insertion tells.
    lastInsertEnd_ = -1;
    const bool inserted = RawInsert(Offset, S, true);
    RawDelete(inserted && lastInsertEnd_ >= 0 ? lastInsertEnd_ : Offset, Length, false);
    return true;
  }
  RawDelete(Offset, Length, false);
  RawInsert(Offset + replicaShift_, S, true);
  return true;
}

int TMemoEditPart::DeleteUnprotected(int Start, int End) {
  std::vector<std::pair<int, int>> runs;
  ForProtectionRuns(Start, End, [&](int a, int b, bool p) {
    if (!p) {
      if (!runs.empty() && runs.back().second == a)
        runs.back().second = b;
      else
        runs.emplace_back(a, b);
    }
    return true;
  });
  int deleted = 0;
  const TSyntMemoStrings& lines = *Memo().Lines();
  for (auto it = runs.rbegin(); it != runs.rend(); ++it) {
    const int before = lines.TextLength();
    RawDelete(it->first, it->second - it->first, false);
    deleted += before - lines.TextLength();
  }
  return deleted;
}

void TMemoEditPart::DeleteBlock(TRect Block) {
  TCustomSyntaxMemo& m = Memo();
  const TSyntMemoStrings& lines = *m.Lines();
  const TMemoSelection& sel = m.Selection();
  for (int y = std::min(Block.Bottom, lines.GetCount() - 1); y >= Block.Top; --y) {
    const int len = lines.LineLength(y);
    const int a = std::min(sel.DisplayColumnToCaret(y, Block.Left), len);
    const int b = std::min(sel.DisplayColumnToCaret(y, Block.Right), len);
    if (b > a) DeleteUnprotected(lines.LineStart(y) + a, lines.LineStart(y) + b);
  }
}

void TMemoEditPart::ClearSelection() {
  TCustomSyntaxMemo& m = Memo();
  const TMemoSelection& sel = m.Selection();
  if (!sel.HaveSelection() || !CanDeleteSelection()) return;
  TMemoUpdate update(m);
  if (sel.SelectionMode() == msColumn)
    DeleteBlock(sel.BlockRect());
  else
    DeleteUnprotected(sel.SelStart(), sel.SelEnd());
  m.ResetSelection();
}

// ---- Undo ---------------------------------------------------------------------------------------

// A read-only editor does not change its text, not even back to an older state.
void TMemoEditPart::Undo() {
  TCustomSyntaxMemo& m = Memo();
  if (!CanUndo()) return;
  TMemoUpdate update(m);
  const int caret = m.Lines()->Undo(m.Options().Contains(soGroupUndo));
  if (caret >= 0) m.SetCaretStrPos(caret);
}

void TMemoEditPart::Redo() {
  TCustomSyntaxMemo& m = Memo();
  if (!CanRedo()) return;
  TMemoUpdate update(m);
  const int caret = m.Lines()->Redo(m.Options().Contains(soGroupRedo));
  if (caret >= 0) m.SetCaretStrPos(caret);
}

bool TMemoEditPart::CanUndo() const {
  return !Memo().ReadOnly() && Memo().Lines()->CanUndo();
}

bool TMemoEditPart::CanRedo() const {
  return !Memo().ReadOnly() && Memo().Lines()->CanRedo();
}

void TMemoEditPart::ClearUndo() {
  Memo().Lines()->ClearUndo();
}

void TMemoEditPart::TextChanged(int, int, int) {}

}  // namespace synt
