// The composite operations of the editing part that work on lines: new line with auto-indent and
// block auto-close, indentation, case changes, sorting, aligning, moving, duplicating and
// commenting lines.
#include <algorithm>

#include "analysis/client_analyzer.h"
#include "analysis/lexer_items.h"
#include "analysis/syntax_analyzer.h"
#include "editor/memo_editing.h"
#include "editor/syntax_memo.h"
#include "lists/char_utils.h"
#include "text/memo_strings.h"

namespace synt {

namespace {

bool IsBlankChar(char16_t C) {
  return C == u' ' || C == u'\t';
}

// Index of the first character of Text at or after From that is not a blank (Text's size when
// none).
int FirstNonBlank(std::u16string_view Text, int From = 0) {
  int i = std::max(0, From);
  while (size_t(i) < Text.size() && IsBlankChar(Text[size_t(i)])) ++i;
  return i;
}

std::u16string ReplaceBreaks(std::u16string_view S, const std::u16string& Brk) {
  std::u16string out;
  const std::vector<std::u16string> parts = SplitLines(S);
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i) out += Brk;
    out += parts[i];
  }
  if (!S.empty() && (S.back() == u'\r' || S.back() == u'\n')) out += Brk;
  return out;
}

// Whether any block rule of Lexer asks for closing: only then is the whole text analysed.
bool LexerAutoCloses(const TSyntAnalyzer* Lexer) {
  const TBlockRuleCollection* rules = Lexer ? Lexer->BlockRules() : nullptr;
  for (int i = 0; rules && i < rules->Count(); ++i)
    if (rules->Items(i)->AutoCloseMode() != acmDisabled) return true;
  return false;
}

}  // namespace

// ---- Indentation --------------------------------------------------------------------------------

std::u16string TMemoEditPart::IndentString(int Columns, bool BlanksOnly) const {
  TCustomSyntaxMemo& m = Memo();
  std::u16string s;
  int col = 0;
  if (m.Options().Contains(soOptimalFill) && !BlanksOnly && m.TabMode() != tmSpaces) {
    for (;;) {
      const int next = m.TabList()->NextTab(col, false);
      if (next <= col || next > Columns) break;
      s += u'\t';
      col = next;
    }
  }
  s.append(size_t(std::max(0, Columns - col)), u' ');
  return s;
}

int TMemoEditPart::AutoIndentColumn() const {
  TCustomSyntaxMemo& m = Memo();
  const TSyntMemoStrings& lines = *m.Lines();
  const TMemoSelection& sel = m.Selection();
  const TPoint p = sel.CaretPos();
  const int caretCol = sel.CaretToDisplayColumn(p.Y, p.X);
  for (int y = std::min(p.Y, lines.GetCount() - 1); y >= 0; --y) {
    if (lines.IsLineBlank(y)) continue;
    const int indent = sel.CaretToDisplayColumn(y, FirstNonBlank(lines.LineText(y)));
    if (indent <= caretCol) return indent;
  }
  return 0;
}

int TMemoEditPart::SmartTabColumn() const {
  TCustomSyntaxMemo& m = Memo();
  const TSyntMemoStrings& lines = *m.Lines();
  const TMemoSelection& sel = m.Selection();
  const TPoint p = sel.CaretPos();
  const int caretCol = sel.CaretToDisplayColumn(p.Y, p.X);
  for (int y = std::min(p.Y - 1, lines.GetCount() - 1); y >= 0; --y) {
    const std::u16string_view text = lines.LineText(y);
    const int from = sel.DisplayColumnToCaret(y, caretCol + 1);
    for (int i = std::max(1, from); size_t(i) < text.size(); ++i) {
      if (IsBlankChar(text[size_t(i)]) || !IsBlankChar(text[size_t(i) - 1])) continue;
      const int col = sel.CaretToDisplayColumn(y, i);
      if (col > caretCol) return col;
    }
  }
  return m.TabList()->NextTab(caretCol, false);
}

void TMemoEditPart::SelectedLineSpan(int& First, int& Last) const {
  TCustomSyntaxMemo& m = Memo();
  const TSyntMemoStrings& lines = *m.Lines();
  const TMemoSelection& sel = m.Selection();
  const int lastLine = std::max(0, lines.GetCount() - 1);
  if (sel.HaveSelection() && sel.SelectionMode() == msColumn) {
    First = sel.BlockRect().Top;
    Last = sel.BlockRect().Bottom;
  } else if (sel.HaveSelection()) {
    First = lines.LineOfPos(sel.SelStart());
    Last = lines.LineOfPos(sel.SelEnd());
    if (Last > First && lines.LineStart(Last) == sel.SelEnd()) --Last;
  } else {
    First = Last = sel.CaretPos().Y;
  }
  First = std::clamp(First, 0, lastLine);
  Last = std::clamp(Last, First, lastLine);
}

void TMemoEditPart::IndentLines(int Delta) {
  TCustomSyntaxMemo& m = Memo();
  const TSyntMemoStrings& lines = *m.Lines();
  TMemoSelection& sel = m.Selection();
  if (m.ReadOnly() || Delta == 0 || lines.GetCount() == 0) return;
  int first = 0, last = 0;
  SelectedLineSpan(first, last);
  const bool column = sel.HaveSelection() && sel.SelectionMode() == msColumn;
  const int base = column ? sel.BlockRect().Left : 0;
  struct Line {
    int Y, From, To, Indent;  // [From, To): the blanks replaced; Indent in columns from base
  };
  std::vector<Line> work;
  int smallest = -1;
  for (int y = first; y <= last; ++y) {
    const std::u16string_view text = lines.LineText(y);
    const int from = std::min<int>(sel.DisplayColumnToCaret(y, base), int(text.size()));
    const int to = FirstNonBlank(text, from);
    if (size_t(to) >= text.size()) continue;
    const int indent =
        sel.CaretToDisplayColumn(y, to) - std::max(base, sel.CaretToDisplayColumn(y, from));
    work.push_back({y, from, to, indent});
    smallest = smallest < 0 ? indent : std::min(smallest, indent);
  }
  if (work.empty()) return;
  if (Delta < 0 && m.Options().Contains(soUnindentKeepAlign)) {
    if (smallest <= 0) return;
    Delta = std::max(Delta, -smallest);
  }
  // Caret and selection ends keep their place in the text of their line.
  TPoint caret = sel.CaretPos();
  const bool stream = sel.HaveSelection() && !column;
  TPoint selA = lines.StrPosToCaretPos(sel.SelStart());
  TPoint selB = lines.StrPosToCaretPos(sel.SelEnd());
  const TRect block = sel.BlockRect();
  const TSyntSelectionMode mode = sel.SelectionMode();
  TMemoUpdate update(m);
  for (const Line& l : work) {
    const std::u16string s = IndentString(std::max(0, l.Indent + Delta), column);
    const int d = int(s.size()) - (l.To - l.From);
    const std::u16string_view old =
        lines.LineText(l.Y).substr(size_t(l.From), size_t(l.To - l.From));
    if (old == s) continue;
    if (!ReplaceText(lines.LineStart(l.Y) + l.From, l.To - l.From, s)) continue;
    for (TPoint* q : {&caret, &selA, &selB})
      if (q->Y == l.Y && q->X >= l.To) q->X = std::max(l.From, q->X + d);
  }
  m.SetCaretPos(caret);
  if (stream) {
    const int a = lines.CaretPosToStrPos(selA), b = lines.CaretPosToStrPos(selB);
    sel.SetSelection(a, b - a);
    if (mode == msLine) sel.SetSelectionMode(msLine);
  } else if (column) {
    sel.SetBlock(block);
  }
}

// ---- New line -----------------------------------------------------------------------------------

void TMemoEditPart::NewLine(int Indent, bool LeaveCaret, bool Soft) {
  TCustomSyntaxMemo& m = Memo();
  if (!m.MultiLine()) return;
  const TSyntMemoStrings& lines = *m.Lines();
  TMemoSelection& sel = m.Selection();
  std::u16string brk;
  switch (lines.LineBreakStyle()) {
    case lbCR:
      brk = u"\r";
      break;
    case lbLF:
      brk = u"\n";
      break;
    default:
      brk = Soft ? u"\n" : LineBreakText();
  }
  const TPoint caret = sel.CaretPos();
  // Closing texts of the blocks still open at the caret, innermost first.
  std::u16string closing;
  int rangeIndent = -1;
  TClientSyntAnalyzer* client = m.SyntClient();
  if (!sel.HaveSelection() && client && !m.OptionsEx().Contains(soDisableAutoClose) &&
      LexerAutoCloses(m.CurrentLexer())) {
    const int at = sel.CaretOffset();
    // Ranges are known once the block rules ran (they may lag the tokens). A large text is
    // analysed only a window past the caret, so Enter never waits for the whole text; a block
    // closed farther away than that counts as open.
    if (!client->IsFinished()) {
      constexpr int kWindow = 1 << 14;
      if (lines.TextLength() - at <= kWindow) {
        client->CompleteAnalysis();
      } else {
        client->AnalyzeUpTo(at + kWindow);
      }
    }
    const bool multi = m.OptionsEx().Contains(soMultiAutoClose);
    // Open at the caret: started before it and never closed by a rule (the end of the text
    // closes some ranges without one), innermost (latest start) first.
    for (int i = at > 0 ? client->PriorRangeAt(at - 1) : -1; i >= 0; --i) {
      const TTextRange* r = client->Ranges(i);
      if (!r || (r->IsClosed() && r->EndCondIndex >= 0)) continue;
      if (!r->Rule || r->Rule->AutoCloseMode() == acmDisabled) continue;
      const int start = client->RangeStartPos(r);
      if (start >= at) continue;
      const int line = lines.LineOfPos(start);
      const int indent = sel.CaretToDisplayColumn(line, FirstNonBlank(lines.LineText(line)));
      const std::u16string text = client->GetAutoCloseText(r, IndentString(indent));
      if (text.empty()) continue;
      if (!closing.empty()) closing += brk;
      closing += ReplaceBreaks(text, brk);
      rangeIndent = std::max(rangeIndent, indent);
      if (!multi) break;
    }
  }
  TMemoUpdate update(m);
  if (!closing.empty()) {
    const std::u16string tail = brk + closing;
    InsertText(brk + IndentString(rangeIndent + m.BlockIndent()) + tail);
    if (LeaveCaret)
      m.SetCaretPos(caret);
    else if (lastInsertEnd_ >= 0)
      m.SetCaretStrPos(lastInsertEnd_ - int(tail.size()));
    return;
  }
  InsertText(brk + IndentString(Indent));
  if (LeaveCaret) m.SetCaretPos(caret);
}

// ---- Case ---------------------------------------------------------------------------------------

bool TMemoEditPart::AutoFormat() {
  TCustomSyntaxMemo& m = Memo();
  ISyntDisplayQueries* q = m.Analysis();
  if (!q || m.ReadOnly()) return false;
  const TSyntMemoStrings& lines = *m.Lines();
  const std::u16string_view text = lines.TextView();
  const TTokenList& tokens = q->Tokens();
  for (int i = tokens.Count() - 1; i >= 0; --i) {
    const TSyntaxFormat* style = q->TokenStyle(i);
    if (!style || !style->Enabled()) continue;
    const TChangeCase cc = style->ChangeCase();
    if (cc == ccNone || cc == ccToggle) continue;
    const TSyntToken& t = tokens.Items(i);
    const int a = std::clamp(t.StartPos, 0, int(text.size()));
    const int z = std::clamp(t.EndPos, a, int(text.size()));
    if (z <= a) continue;
    const std::u16string_view span = text.substr(size_t(a), size_t(z - a));
    std::u16string want(span);
    if (cc == ccUpper)
      for (char16_t& c : want) c = CharUpper(c);
    else if (cc == ccLower)
      for (char16_t& c : want) c = CharLower(c);
    else if (cc == ccTitle)
      want[0] = CharUpper(want[0]);
    if (want == span) continue;
    // The caret and the selection stay where they were: only the case of the span changes, and
    // a case mapping of one unit per unit keeps every offset.
    TMemoSelection& sel = m.Selection();
    const TPoint caret = sel.CaretPos();
    const int selStart = sel.SelStart(), selLength = sel.SelLength();
    const TSyntSelectionMode mode = sel.SelectionMode();
    const TRect block = sel.BlockRect();
    if (!ReplaceText(a, z - a, want)) return false;
    sel.SetCaretPos(caret);
    if (mode == msColumn) {
      sel.SetBlock(block);
    } else if (selLength > 0) {
      sel.SetSelection(selStart, selLength);
      sel.SetSelectionMode(mode);
    }
    return true;
  }
  return false;
}

bool TMemoEditPart::ChangeCase(int Offset, int Length, int Mode) {
  TCustomSyntaxMemo& m = Memo();
  const TSyntMemoStrings& lines = *m.Lines();
  const int size = lines.TextLength();
  Offset = std::clamp(Offset, 0, size);
  Length = std::clamp(Length, 0, size - Offset);
  if (Length == 0 || Mode < 1 || Mode > 4) return false;
  const std::u16string old = lines.SubString(Offset + 1, Length);
  std::u16string s = old;
  bool prevLetter = Offset > 0 && IsLetterChar(lines.TextView()[size_t(Offset) - 1]);
  for (char16_t& c : s) {
    const bool letter = IsLetterChar(c);
    switch (Mode) {
      case 1:
        c = CharUpper(c);
        break;
      case 2:
        c = CharLower(c);
        break;
      case 3:
        c = CharUpper(c) == c ? CharLower(c) : CharUpper(c);
        break;
      default:
        if (letter) c = prevLetter ? CharLower(c) : CharUpper(c);
    }
    prevLetter = letter;
  }
  if (s == old) return false;
  const TPoint caret = m.CaretPos();
  if (!ReplaceText(Offset, Length, s)) return false;
  m.SetCaretPos(caret);
  return true;
}

// ---- Sorting and aligning -----------------------------------------------------------------------

void TMemoEditPart::SortLines(bool Ascending) {
  TCustomSyntaxMemo& m = Memo();
  const TSyntMemoStrings& lines = *m.Lines();
  TMemoSelection& sel = m.Selection();
  int first = 0, last = 0;
  SelectedLineSpan(first, last);
  if (last - first + 1 <= 2 || m.ReadOnly()) return;
  const bool column = sel.HaveSelection() && sel.SelectionMode() == msColumn;
  const TRect block = sel.BlockRect();
  struct Item {
    std::u16string Text;
    size_t From = 0;  // the sort key starts here (views would not survive the moves of sorting)
    std::u16string_view Key() const { return std::u16string_view(Text).substr(From); }
  };
  std::vector<Item> items;
  for (int y = first; y <= last; ++y) items.push_back({std::u16string(lines.LineText(y)), {}});
  for (int y = first; y <= last; ++y) {
    Item& it = items[size_t(y - first)];
    const int from =
        column ? std::min<int>(sel.DisplayColumnToCaret(y, block.Left), int(it.Text.size())) : 0;
    it.From = size_t(from);
  }
  std::stable_sort(items.begin(), items.end(), [Ascending](const Item& a, const Item& b) {
    const int c = CompareText(a.Key(), b.Key(), cmIgnoreCase);
    return Ascending ? c < 0 : c > 0;
  });
  const std::u16string brk = LineBreakText();
  // An open last line stays open: the span gets no break it did not have.
  const bool closed = lines.LineSpace(last) > lines.LineLength(last);
  std::u16string text;
  for (size_t i = 0; i < items.size(); ++i) {
    text += items[i].Text;
    if (i + 1 < items.size() || closed) text += brk;
  }
  const int start = lines.LineStart(first);
  const int length = lines.LineStart(last) + lines.LineSpace(last) - start;
  TMemoUpdate update(m);
  if (lines.TextView().substr(size_t(start), size_t(length)) != text &&
      !ReplaceText(start, length, text))
    return;
  if (column) {
    sel.SetBlock(block);
  } else {
    m.ResetSelection();
    m.SelectRange(start, int(text.size()));
  }
}

void TMemoEditPart::AlignTokens(int FirstLine, int LastLine) {
  TCustomSyntaxMemo& m = Memo();
  const TSyntMemoStrings& lines = *m.Lines();
  TClientSyntAnalyzer* client = m.SyntClient();
  if (!client || m.ReadOnly() || lines.GetCount() == 0) return;
  FirstLine = std::max(0, FirstLine);
  LastLine = std::min(LastLine, lines.GetCount() - 1);
  if (FirstLine > LastLine) return;
  client->AppendToPos(lines.LineStart(LastLine) + lines.LineSpace(LastLine));
  const TTokenList& tokens = client->Tokens();
  const std::u16string_view all = lines.TextView();
  // Each line's items: its tokens, and the text between them no rule matched, blanks trimmed.
  std::vector<std::vector<std::u16string_view>> rows;
  int indent = -1;
  for (int y = FirstLine; y <= LastLine; ++y) {
    const int start = lines.LineStart(y), end = start + lines.LineLength(y);
    std::vector<std::u16string_view> row;
    int firstItem = -1;
    auto add = [&](int a, int b) {
      while (a < b && IsBlankChar(all[size_t(a)])) ++a;
      while (b > a && IsBlankChar(all[size_t(b) - 1])) --b;
      if (b <= a) return;
      if (firstItem < 0) firstItem = a - start;
      row.push_back(all.substr(size_t(a), size_t(b - a)));
    };
    int i = tokens.NextAt(start);
    if (i >= 0 && tokens[i].StartPos < start) return;
    int pos = start;
    for (; i >= 0 && i < tokens.Count() && tokens[i].StartPos < end; ++i) {
      const int a = std::max(tokens[i].StartPos, pos);
      const int b = std::max(a, std::min(tokens[i].EndPos, end));
      add(pos, a);
      add(a, b);
      pos = b;
    }
    add(pos, end);
    if (indent < 0) indent = firstItem;
    rows.push_back(std::move(row));
  }
  if (indent < 0) indent = 0;
  std::vector<size_t> widths;
  for (const auto& row : rows)
    for (size_t k = 0; k < row.size(); ++k) {
      if (widths.size() <= k) widths.push_back(0);
      widths[k] = std::max(widths[k], row[k].size());
    }
  const std::u16string brk = LineBreakText();
  const std::u16string lead = IndentString(indent);
  const bool closed = lines.LineSpace(LastLine) > lines.LineLength(LastLine);
  std::u16string text;
  for (size_t r = 0; r < rows.size(); ++r) {
    text += lead;
    for (size_t k = 0; k < rows[r].size(); ++k) {
      text += rows[r][k];
      if (k + 1 < widths.size()) text.append(widths[k] - rows[r][k].size() + 1, u' ');
    }
    if (r + 1 < rows.size() || closed) text += brk;
  }
  const int start = lines.LineStart(FirstLine);
  const int length = lines.LineStart(LastLine) + lines.LineSpace(LastLine) - start;
  if (all.substr(size_t(start), size_t(length)) == text) return;
  const TPoint caret = m.CaretPos();
  TMemoUpdate update(m);
  if (ReplaceText(start, length, text)) m.SetCaretPos(caret);
}

// ---- Moving, duplicating and commenting lines ---------------------------------------------------

void TMemoEditPart::MoveLines(bool Up) {
  TCustomSyntaxMemo& m = Memo();
  const TSyntMemoStrings& lines = *m.Lines();
  TMemoSelection& sel = m.Selection();
  if (m.ReadOnly() || lines.GetCount() == 0) return;
  int first = 0, last = 0;
  SelectedLineSpan(first, last);
  if (Up ? first == 0 : last >= lines.GetCount() - 1) return;
  const int a = Up ? first - 1 : first, b = Up ? last : last + 1;
  // Each line keeps its own break; the line that becomes the last one gives its break to the
  // one that leaves the end.
  std::vector<std::u16string> texts, breaks;
  for (int y = a; y <= b; ++y) {
    const int len = lines.LineLength(y), space = lines.LineSpace(y);
    texts.emplace_back(lines.LineText(y));
    breaks.emplace_back(
        lines.TextView().substr(size_t(lines.LineStart(y) + len), size_t(space - len)));
  }
  if (Up)
    std::rotate(texts.begin(), texts.begin() + 1, texts.end());
  else
    std::rotate(texts.rbegin(), texts.rbegin() + 1, texts.rend());
  const bool open = breaks.back().empty();
  std::u16string text;
  for (size_t i = 0; i < texts.size(); ++i) {
    text += texts[i];
    std::u16string brk = i + 1 < texts.size() && breaks[i].empty() ? LineBreakText() : breaks[i];
    if (i + 1 == texts.size() && open) brk.clear();
    text += brk;
  }
  const int start = lines.LineStart(a);
  const int length = lines.LineStart(b) + lines.LineSpace(b) - start;
  const TPoint caret = sel.CaretPos();
  const bool keepSel = sel.HaveSelection() && sel.SelectionMode() != msColumn &&
                       sel.SelStart() == lines.LineStart(first);
  const int selLength = sel.SelLength();
  TMemoUpdate update(m);
  if (!ReplaceText(start, length, text)) return;
  const int shift = Up ? -1 : 1;
  m.SetCaretPos({caret.X, caret.Y + shift});
  if (keepSel) sel.SetSelection(lines.LineStart(first + shift), selLength);
}

void TMemoEditPart::DuplicateLine(int Line) {
  TCustomSyntaxMemo& m = Memo();
  const TSyntMemoStrings& lines = *m.Lines();
  if (Line < 0 || Line >= lines.GetCount()) return;
  const int start = lines.LineStart(Line);
  if (!CanInsert(start)) return;
  std::u16string text(lines.TextView().substr(size_t(start), size_t(lines.LineSpace(Line))));
  if (lines.LineSpace(Line) == lines.LineLength(Line)) text += LineBreakText();
  TMemoUpdate update(m);
  RawInsert(start, text, true);
}

void TMemoEditPart::CommentLines(bool Comment, int FirstLine, int LastLine) {
  TCustomSyntaxMemo& m = Memo();
  const TSyntMemoStrings& lines = *m.Lines();
  if (m.ReadOnly() || lines.GetCount() == 0) return;
  FirstLine = std::max(0, FirstLine);
  LastLine = std::min(LastLine, lines.GetCount() - 1);
  if (FirstLine > LastLine) return;
  // A sub-lexer's region comments the way its own language does.
  const TSyntAnalyzer* lexer = m.CurrentLexer();
  if (ISyntDisplayQueries* q = m.Analysis())
    if (const TSyntAnalyzer* at = q->AnalyzerAtPos(lines.LineStart(FirstLine)))
      if (!at->LineComment().empty()) lexer = at;
  if (!lexer || lexer->LineComment().empty()) return;
  const std::u16string& marker = lexer->LineComment();
  const TPoint caret = m.CaretPos();
  TMemoUpdate update(m);
  for (int y = LastLine; y >= FirstLine; --y) {
    const int start = lines.LineStart(y);
    if (Comment) {
      if (CanInsert(start)) RawInsert(start, marker, true);
      continue;
    }
    // Only a marker that opens the line's text: one inside it belongs to the text.
    const std::u16string_view text = lines.LineText(y);
    const int at = FirstNonBlank(text);
    if (text.substr(size_t(at)).starts_with(marker) && CanDelete(start + at, int(marker.size())))
      RawDelete(start + at, int(marker.size()), false);
  }
  m.ResetSelection();
  m.SetCaretPos(caret);
}

}  // namespace synt
