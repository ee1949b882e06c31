// The clipboard operations of the editing part: copy through the exporters, cut, paste (stream
// and column blocks), select all, and moving the selection by drag and drop.
#include <algorithm>

#include "editor/memo_editing.h"
#include "editor/syntax_memo.h"
#include "lists/char_utils.h"
#include "platform/clipboard.h"
#include "platform/control_host.h"
#include "text/memo_strings.h"

namespace synt {

namespace {

TMemoCopyHandler copyHandler = nullptr;
constexpr char kColumnBlockKind = 2;
constexpr char kStreamBlockKind = 3;

int CountQuestionMarks(std::u16string_view S) {
  return int(std::count(S.begin(), S.end(), u'?'));
}

}  // namespace

void SetMemoCopyHandler(TMemoCopyHandler Handler) {
  copyHandler = Handler;
}

TMemoCopyHandler MemoCopyHandler() {
  return copyHandler;
}

std::vector<std::u16string> SplitLines(std::u16string_view S) {
  std::vector<std::u16string> out;
  size_t start = 0;
  for (size_t i = 0; i < S.size(); ++i) {
    if (S[i] != u'\r' && S[i] != u'\n') continue;
    out.emplace_back(S.substr(start, i - start));
    if (S[i] == u'\r' && i + 1 < S.size() && S[i + 1] == u'\n') ++i;
    start = i + 1;
  }
  if (start < S.size()) out.emplace_back(S.substr(start));
  return out;
}

std::u16string TMemoEditPart::ExpandTabs(std::u16string_view S, int StartCol) const {
  const TTabList& tabs = *Memo().TabList();
  std::u16string out;
  out.reserve(S.size());
  int col = StartCol;
  for (char16_t c : S) {
    if (c == u'\t') {
      const int next = std::max(col + 1, tabs.NextTab(col, false));
      out.append(size_t(next - col), u' ');
      col = next;
    } else {
      out += c;
      col = c == u'\r' || c == u'\n' ? 0 : col + 1;
    }
  }
  return out;
}

// ---- Copy and cut -------------------------------------------------------------------------------

void TMemoEditPart::CopyToClipboard() {
  CopyToClipboard(Memo().Options().Contains(soCopyAsRTF));
}

void TMemoEditPart::CopyToClipboard(bool AsRTF) {
  TCustomSyntaxMemo& m = Memo();
  IControlHost* host = m.Host();
  if (!host || !m.HaveSelection()) return;
  if (copyHandler) {
    copyHandler(m, host->Clipboard(), AsRTF);
    return;
  }
  TClipboardData data;
  data.Text = m.SelText();
  const bool column = m.SelectionMode() == msColumn;
  data.Formats[std::u16string(cfColumnBlock)] =
      std::string(1, column ? kColumnBlockKind : kStreamBlockKind);
  host->Clipboard().SetData(data);
}

void TMemoEditPart::CutToClipboard() {
  TCustomSyntaxMemo& m = Memo();
  if (!m.HaveSelection()) return;
  TMemoUpdate update(m);
  CopyToClipboard();
  ClearSelection();
}

void TMemoEditPart::SelectAll() {
  TCustomSyntaxMemo& m = Memo();
  if (m.SelectionMode() == msColumn) m.SetSelectionMode(msNormal);
  m.SelectRange(0, m.Lines()->TextLength());
}

// ---- Paste --------------------------------------------------------------------------------------

// The text is taken as UTF-16 as it is: narrowing it to the editor's code page would lose what
// the code page cannot hold. 8-bit text is decoded from the code page it came in.
void TMemoEditPart::PasteFromClipboard() {
  TCustomSyntaxMemo& m = Memo();
  IControlHost* host = m.Host();
  if (!host) return;
  const TClipboardData data = host->Clipboard().Data();
  if (!data.HasText()) return;
  std::u16string text;
  std::u16string ansi;
  if (data.AnsiText) ansi = CodePageToUtf16(data.AnsiText->Bytes, data.AnsiText->CodePage);
  if (data.Text && data.AnsiText && m.OptionsEx().Contains(soSmartPaste))
    text = CountQuestionMarks(ansi) < CountQuestionMarks(*data.Text) ? ansi : *data.Text;
  else
    text = data.Text ? *data.Text : ansi;
  const std::string* kind = data.Format(cfColumnBlock);
  PasteText(text, kind && !kind->empty() && (*kind)[0] == kColumnBlockKind);
}

void TMemoEditPart::PasteText(std::u16string_view Text, bool Column) {
  TCustomSyntaxMemo& m = Memo();
  TMemoSelection& sel = m.Selection();
  if (Text.empty() || !CanInsert(sel.CaretOffset())) return;
  const bool expand = m.TabMode() != tmTabChar;
  const TPoint p = sel.CaretPos();
  if (!Column || !m.MultiLine()) {
    const int col = sel.CaretToDisplayColumn(p.Y, p.X);
    InsertText(expand ? ExpandTabs(Text, col) : std::u16string(Text));
    return;
  }
  if (sel.HaveSelection() && !CanDeleteSelection()) return;
  TMemoUpdate update(m);
  if (sel.HaveSelection() && m.Options().Contains(soOverwriteBlocks)) ClearSelection();
  const TPoint at = sel.CaretPos();
  const int col = sel.CaretToDisplayColumn(at.Y, at.X);
  std::vector<std::u16string> block = SplitLines(Text);
  if (expand)
    for (std::u16string& line : block) line = ExpandTabs(line, col);
  const TPoint end = InsertColumn(at.Y, col, block);
  m.SetCaretPos(end);
}

TPoint TMemoEditPart::InsertColumn(int FirstLine, int Col,
                                   const std::vector<std::u16string>& Block) {
  TCustomSyntaxMemo& m = Memo();
  const TSyntMemoStrings& lines = *m.Lines();
  const TMemoSelection& sel = m.Selection();
  const std::u16string brk = LineBreakText();
  TPoint end{0, FirstLine};
  for (size_t i = 0; i < Block.size(); ++i) {
    const int y = FirstLine + int(i);
    std::u16string piece;
    int pos = 0;
    if (y >= lines.GetCount()) {
      // A missing line is appended, reaching the column with blanks.
      pos = lines.TextLength();
      piece = Filler({Col, y});
      end.X = Col;
    } else {
      const int len = lines.LineLength(y);
      const int x = sel.DisplayColumnToCaret(y, Col);
      if (x > len) piece.append(size_t(x - len), u' ');
      pos = lines.LineStart(y) + std::min(x, len);
      end.X = std::max(x, 0);
      if (!CanInsert(pos)) {
        end.Y = y;
        continue;
      }
    }
    piece += Block[i];
    end.X += int(Block[i].size());
    end.Y = y;
    RawInsert(pos, piece, true);
  }
  return end;
}

// ---- Moving the selection -----------------------------------------------------------------------

bool TMemoEditPart::MoveSelectionTo(TPoint Target, bool Copy) {
  TCustomSyntaxMemo& m = Memo();
  const TSyntMemoStrings& lines = *m.Lines();
  if (!m.HaveSelection() || Target.Y < 0 || Target.X < 0) return false;
  if (Target.Y >= lines.GetCount() && !m.OptionsEx().Contains(soVirtualCaretPos)) return false;
  if (m.Options().Contains(soKeepCaretInText))
    Target.X = std::min(Target.X, lines.LineLength(Target.Y));
  if (!Copy && !CanDeleteSelection()) return false;
  if (!CanInsert(m.CaretPosToStrPos(Target))) return false;
  if (m.SelectionMode() == msColumn) return MoveBlock(Target, Copy);
  return MoveStream(Target, Copy);
}

bool TMemoEditPart::MoveStream(TPoint Target, bool Copy) {
  TCustomSyntaxMemo& m = Memo();
  const TSyntMemoStrings& lines = *m.Lines();
  const int start = m.SelStart(), end = m.Selection().SelEnd();
  int target = m.CaretPosToStrPos(Target);
  if (target > start && target < end) return false;
  const std::u16string text = m.SelText();
  std::u16string filler = Filler(Target);
  TMemoUpdate update(m);
  if (!Copy) {
    // Protected text stays behind: the target moves by what really went.
    const int deleted = DeleteUnprotected(start, end);
    if (target >= end) target -= deleted;
    if (Target.Y >= lines.GetCount()) filler = Filler(Target);
  }
  lastInsertEnd_ = -1;
  if (!RawInsert(target, filler + text, true) || lastInsertEnd_ < 0) return true;
  const int at = lastInsertEnd_ - int(text.size());
  m.ResetSelection();
  m.SelectRange(at, int(text.size()));
  return true;
}

bool TMemoEditPart::MoveBlock(TPoint Target, bool Copy) {
  TCustomSyntaxMemo& m = Memo();
  const TMemoSelection& sel = m.Selection();
  const TRect b = sel.BlockRect();
  int col = sel.CaretToDisplayColumn(Target.Y, Target.X);
  if (Target.Y >= b.Top && Target.Y <= b.Bottom && col >= b.Left && col < b.Right) return false;
  const std::vector<std::u16string> block = SplitLines(m.SelText());
  const int width = b.Right - b.Left;
  TMemoUpdate update(m);
  if (!Copy) {
    if (Target.Y >= b.Top && Target.Y <= b.Bottom && col >= b.Right) col -= width;
    DeleteBlock(b);
  }
  const TPoint end = InsertColumn(Target.Y, col, block);
  m.SetCaretPos(end);
  m.Selection().SetBlock({col, Target.Y, col + width, Target.Y + int(block.size()) - 1});
  return true;
}

}  // namespace synt
