// The movement commands 1-20, and the same movements extending a normal (101-120) or a column
// (201-220) selection.
#include <algorithm>

#include "editor/commands.h"
#include "editor/memo_commands.h"
#include "editor/syntax_memo.h"

namespace synt {

namespace {

bool IsBlankChar(char16_t C) {
  return C == u' ' || C == u'\t';
}

// Clears the marks of a move when it ends, also by an exception.
class TMoveMarks {
 public:
  explicit TMoveMarks(TMemoCaretPart& C) : c_(C) {}
  ~TMoveMarks() {
    c_.extendingByKeyboard = false;
    c_.movingByCommand = false;
  }
  TMoveMarks(const TMoveMarks&) = delete;
  TMoveMarks& operator=(const TMoveMarks&) = delete;

 private:
  TMemoCaretPart& c_;
};

// The movements themselves, as targets for the caret.
class TMover {
 public:
  explicit TMover(TCustomSyntaxMemo& M) : m_(M), c_(M.CaretPart()), lines_(*M.Lines()) {}

  int Count() const { return lines_.GetCount(); }
  int Len(int Y) const { return Y >= 0 && Y < Count() ? lines_.LineLength(Y) : 0; }
  TPoint TextEnd() const { return Count() ? TPoint{Len(Count() - 1), Count() - 1} : TPoint{}; }
  bool Virtual() const { return m_.OptionsEx().Contains(soVirtualCaretPos); }

  // Sets the caret at P normalised in the direction of the move.
  void Go(TPoint P, bool Forward) { c_.SetCaretPos(c_.NormalizePos(P, Forward)); }

  void Left(TPoint P, bool WrapToPrevious) {
    if (P.X > 0) return Go({P.X - 1, P.Y}, false);
    if (WrapToPrevious && P.Y > 0) {
      const int y = m_.PriorVisibleLine(std::min(P.Y, Count()) - 1);
      return Go({Len(y), y}, false);
    }
    Go(P, false);
  }

  void Right(TPoint P) {
    if (m_.Options().Contains(soKeepCaretInText) && P.X >= Len(P.Y)) {
      if (P.Y + 1 < Count()) return Go({0, m_.NextVisibleLine(P.Y + 1)}, true);
      return Go(P, true);
    }
    Go({P.X + 1, P.Y}, true);
  }

  int Column(TPoint P) const {
    return P.Y < Count() ? m_.Selection().CaretToDisplayColumn(P.Y, P.X) : P.X;
  }
  int XOfColumn(int Y, int Col) const {
    return Y < Count() ? m_.Selection().DisplayColumnToCaret(Y, Col) : Col;
  }

  void Vertical(TPoint P, bool Down, TPoint LastMove) {
    const bool keepIn = m_.Options().Contains(soKeepCaretInText);
    TPoint from = P;
    if (m_.Options().Contains(soFixedColumnMove) && LastMove.Y == P.Y && P.X >= LastMove.X &&
        LastMove.X >= 0)
      from = LastMove;
    const int col = keepIn && c_.preferredColumn >= 0 ? c_.preferredColumn : Column(from);
    int y = P.Y;
    if (Down) {
      if (P.Y + 1 < Count())
        y = m_.NextVisibleLine(P.Y + 1);
      else if (Virtual())
        y = P.Y + 1;
    } else if (P.Y > 0) {
      y = m_.PriorVisibleLine(std::min(P.Y - 1, std::max(0, Count() - 1)));
      if (P.Y - 1 >= Count()) y = P.Y - 1;  // virtual lines below the text
    }
    Go({y == P.Y ? P.X : XOfColumn(y, col), y}, Down);
    if (keepIn) c_.preferredColumn = col;
  }

  void WordLeft(TPoint P) {
    if (P.Y >= Count()) P = TextEnd();
    if (Count() == 0) return Go({0, 0}, false);
    const std::u16string_view t = lines_.LineText(P.Y);
    int i = std::min<int>(P.X, int(t.size()));
    while (i > 0 && !c_.IsWordChar(t[size_t(i) - 1])) --i;
    if (i == 0) {
      if (P.Y == 0) return Go({0, 0}, false);
      const int y = m_.PriorVisibleLine(P.Y - 1);
      return Go({Len(y), y}, false);
    }
    while (i > 0 && c_.IsWordChar(t[size_t(i) - 1])) --i;
    Go({i, P.Y}, false);
  }

  void WordRight(TPoint P) {
    if (P.Y >= Count()) P = TextEnd();
    if (Count() == 0) return Go({0, 0}, true);
    const std::u16string_view t = lines_.LineText(P.Y);
    const int len = int(t.size());
    if (P.X >= len) {
      if (P.Y + 1 < Count()) return Go({0, m_.NextVisibleLine(P.Y + 1)}, true);
      return Go(P, true);
    }
    int i = P.X;
    while (i < len && c_.IsWordChar(t[size_t(i)])) ++i;
    while (i < len && !c_.IsWordChar(t[size_t(i)])) ++i;
    Go({i, P.Y}, true);
  }

  // Page up / down: the view moves and the caret keeps its place on screen; at the limit the
  // caret moves instead.
  void Page(TPoint P, bool Down) {
    TMemoScrollPart& scroll = m_.ScrollPart();
    const int page = std::max(1, m_.VisibleLines());
    const int top = m_.TopDisplayLine();
    const TPoint at = c_.CaretToPoint(P);
    scroll.SetTopDisplayLine(top + (Down ? page : -page));
    if (m_.TopDisplayLine() != top) return Go(c_.PointToCaret(at), Down);
    const int last = std::max(0, m_.DisplayLineCount() - 1);
    const int d = std::clamp(c_.DisplayLineOf(P) + (Down ? page : -page), 0, last);
    const TDisplayPos to = m_.DisplayToLine(d);
    Go({XOfColumn(to.Line, Column(P)), to.Line}, Down);
  }

  void PageTopBottom(TPoint P, bool Bottom) {
    const int top = m_.TopDisplayLine();
    const int last = std::max(0, m_.DisplayLineCount() - 1);
    const int d = Bottom ? std::min(last, top + std::max(1, m_.VisibleLines()) - 1) : top;
    TDisplayPos p = m_.DisplayToLine(d);
    // A line whose first rows lie above the view is not fully visible.
    if (!Bottom && p.Row > 0 && p.Line + 1 < Count()) p.Line = m_.NextVisibleLine(p.Line + 1);
    Go({P.X, std::min(p.Line, std::max(0, Count() - 1))}, !Bottom);
  }

  void FirstChar(TPoint P) {
    const std::u16string_view t = P.Y < Count() ? lines_.LineText(P.Y) : std::u16string_view();
    int first = 0;
    while (first < int(t.size()) && IsBlankChar(t[size_t(first)])) ++first;
    Go({P.X > first ? first : 0, P.Y}, false);
  }

  void LastChar(TPoint P) {
    const std::u16string_view t = P.Y < Count() ? lines_.LineText(P.Y) : std::u16string_view();
    int last = int(t.size());
    while (last > 0 && IsBlankChar(t[size_t(last) - 1])) --last;
    Go({P.X == last ? int(t.size()) : last, P.Y}, true);
  }

  // soSmartCaret: Up and Down by pixels; with word wrap, Home and End on the wrapped piece. False
  // when the normal move applies.
  bool Smart(int Base, TPoint P) {
    if (!m_.Options().Contains(soSmartCaret)) return false;
    if (Base == cmUp || Base == cmDown) {
      const int d = c_.DisplayLineOf(P);
      const bool down = Base == cmDown;
      if (down && d >= m_.DisplayLineCount() - 1 && !Virtual()) {
        Go(P, true);
        return true;
      }
      const TPoint at = c_.CaretToPoint(P);
      const int h = c_.DisplayLineHeight(d);
      const int y = down ? at.Y + h + h / 2 : at.Y - h / 2;
      if (!down && d == 0) {
        Go(P, false);
        return true;
      }
      Go(c_.PointToCaret({at.X + 2, y}), down);
      return true;
    }
    if (!m_.WordWrap() || P.Y >= Count()) return false;
    if (Base != cmLineStart && Base != cmFirstChar && Base != cmLineEnd && Base != cmLastChar)
      return false;
    const TLineInfo& info = m_.GetLineInfo(P.Y);
    const int len = Len(P.Y);
    const int row = info.RowOfChar(std::min(P.X, len));
    if (Base == cmLineStart || Base == cmFirstChar) {
      Go({info.RowStart(row), P.Y}, false);
    } else {
      // The end of a piece that wraps is where the next one starts: stop before its last unit.
      const int end = info.RowEnd(row, len);
      Go({row + 1 < info.RowCount() ? std::max(info.RowStart(row), end - 1) : len, P.Y}, false);
    }
    return true;
  }

 private:
  TCustomSyntaxMemo& m_;
  TMemoCaretPart& c_;
  const TSyntMemoStrings& lines_;
};

}  // namespace

void TMemoCommandPart::MoveCommand(int Command, void* Data) {
  TCustomSyntaxMemo& m = Memo();
  TMemoCaretPart& c = m.CaretPart();
  if (Command < 1 || Command >= 300) return;
  const int group = Command / 100;
  const int base = Command % 100;
  if (base < cmLeft || base > cmLeftUp) return;
  // The selection mode per id range.
  bool extend = true;
  if (group == 0) {
    if (!m.Options().Contains(soKeepSelMode) || m.SelectionMode() == msNone) {
      c.SetSelectionMode(msNone);
      extend = false;
    }
  } else if (group == 1) {
    if (m.SelectionMode() != msNormal && m.SelectionMode() != msLine) c.SetSelectionMode(msNormal);
  } else {
    c.SetSelectionMode(msColumn);  // refused without soEnableBlockSel: extends as it was
  }
  TMoveMarks marks(c);
  c.extendingByKeyboard = extend;
  c.movingByCommand = base != cmGotoXY;
  // The preferred column survives only vertical moves.
  const int preferred = c.preferredColumn;
  TMover mv(m);
  const TPoint p = c.CaretPos();
  if (!mv.Smart(base, p)) {
    switch (base) {
      case cmLeft:
      case cmLeftUp:
        mv.Left(p, base == cmLeftUp || m.Options().Contains(soKeepCaretInText));
        break;
      case cmRight:
        mv.Right(p);
        break;
      case cmUp:
      case cmDown:
        c.preferredColumn = preferred;
        mv.Vertical(p, base == cmDown, c.lastMovePos);
        break;
      case cmWordLeft:
        mv.WordLeft(p);
        break;
      case cmWordRight:
        mv.WordRight(p);
        break;
      case cmLineStart:
        mv.Go({0, p.Y}, false);
        break;
      case cmLineEnd:
        mv.Go({mv.Len(p.Y), p.Y}, true);
        break;
      case cmPageUp:
      case cmPageDown:
        mv.Page(p, base == cmPageDown);
        break;
      case cmPageRight:
        mv.Go({p.X + std::max(1, m.VisibleCols()), p.Y}, true);
        break;
      case cmPageLeft:
        mv.Go({std::max(0, p.X - std::max(1, m.VisibleCols())), p.Y}, false);
        break;
      case cmPageTop:
      case cmPageBottom:
        mv.PageTopBottom(p, base == cmPageBottom);
        break;
      case cmTextStart:
        mv.Go({0, 0}, false);
        break;
      case cmTextEnd:
        mv.Go(mv.TextEnd(), true);
        break;
      case cmGotoXY:
        if (Data) c.SetCaretPos(*static_cast<const TPoint*>(Data));
        break;
      case cmFirstChar:
        mv.FirstChar(p);
        break;
      case cmLastChar:
        mv.LastChar(p);
        break;
      default:
        break;
    }
  }
  c.lastMovePos = c.CaretPos();
}

}  // namespace synt
