// The gutter part: geometry, the per-line object list, line numbers, sizing, clicks, the cursor,
// bookmarks and the jump animation. Painting is in memo_gutter_paint.cpp.
#include "editor/memo_gutter.h"

#include <algorithm>
#include <cstdlib>

#include "editor/syntax_memo.h"
#include "platform/control_host.h"

namespace synt {

// ---- TGutterLineObject(s)
// -------------------------------------------------------------------------

bool TGutterLineObject::Contains(TPoint P) const {
  if (SubLine == -2) {
    for (const TRect& r : RowRects)
      if (r.Contains(P)) return true;
    return false;
  }
  return Rect.Contains(P);
}

TGutterLineObjects::~TGutterLineObjects() = default;

void TGutterLineObjects::Add(TCustomGutterObject* Object, int SubLine) {
  if (!Object) return;
  if (!Object->Collection() && !dynamic_cast<TBookmark*>(Object)) {
    const bool known =
        std::any_of(owned_.begin(), owned_.end(), [&](const auto& o) { return o.get() == Object; });
    if (!known) owned_.emplace_back(Object);
  }
  if (SubLine == -1)
    if (auto* g = dynamic_cast<TGutterObject*>(Object)) SubLine = g->SubLine();
  items_.push_back({Object, SubLine, {}, {}});
}

const TGutterLineObject* TGutterLineObjects::At(TPoint P) const {
  for (const TGutterLineObject& o : items_)
    if (o.Contains(P)) return &o;
  return nullptr;
}

bool TGutterLineObjects::HasImages() const {
  return std::any_of(items_.begin(), items_.end(),
                     [](const TGutterLineObject& o) { return o.Object->ImageIndex() >= 0; });
}

void TGutterLineObjects::Clear() {
  items_.clear();
  owned_.clear();
}

// ---- The part -----------------------------------------------------------------------------------

TMemoGutterPart::TMemoGutterPart(TCustomSyntaxMemo& Memo)
    : TMemoPart(Memo, kGutterOrder),
      gutter_(std::make_unique<TGutter>()),
      lineNumbers_(std::make_unique<TLineNumbers>()),
      lineStateDisplay_(std::make_unique<TLineStateDisplay>()),
      animation_(std::make_unique<TSyntAnimation>()),
      bookmarks_(std::make_unique<TBookmarks>(gutter_.get())) {
  gutter_->OnChange = [this](bool Layout) { Changed(Layout); };
  gutter_->OnReference = [this](TComponent* C) { this->Memo().FreeNotification(C); };
  lineNumbers_->OnChange = [this](bool Layout) { Changed(Layout); };
  lineStateDisplay_->OnChange = [this] { Changed(false); };
  animTimer_.OnTimer = [this] { AnimTick(); };
}

TMemoGutterPart::~TMemoGutterPart() {
  animTimer_.SetEnabled(false);
  gutter_->OnChange = nullptr;
  gutter_->OnReference = nullptr;
  lineNumbers_->OnChange = nullptr;
  lineStateDisplay_->OnChange = nullptr;
}

void TMemoGutterPart::Changed(bool Layout) {
  TCustomSyntaxMemo& m = Memo();
  if (m.IsDestroying()) return;
  if (!Layout) {
    m.Invalidate();
    return;
  }
  UpdateAutoSize();
  // The text area may have moved: word wrap widths and the caret follow.
  m.LayoutChanged();
}

int TMemoGutterPart::GutterWidth() const {
  return gutter_->Visible() ? gutter_->Width() : 0;
}

// ---- Geometry -----------------------------------------------------------------------------------

TRect TMemoGutterPart::BandBounds(int Band) const {
  const TGutterBands& bands = *gutter_->Bands();
  if (Band < 0 || Band >= bands.Count()) return {0, 0, gutter_->Width(), 0};
  int left = 0;
  for (int i = 0; i < Band; ++i) left += bands.Items(i)->Width();
  return {left, 0, left + bands.Items(Band)->Width(), 0};
}

int TMemoGutterPart::BandAt(int X) const {
  const TGutterBands& bands = *gutter_->Bands();
  int right = 0;
  for (int i = 0; i < bands.Count(); ++i) {
    right += bands.Items(i)->Width();
    if (right > X) return i;
  }
  return -1;
}

TRect TMemoGutterPart::ExpandButtonRect(int Top, int Bottom) {
  TSize size;
  const TPixelImage& buttons = gutter_->ExpandButtons();
  if (buttons.Empty()) {
    TCanvas& c = Memo().MeasureCanvas();
    c.Font()->Assign(Memo().Font());
    size = c.TextExtent(u"+");
  } else {
    size = {buttons.Width / 2, buttons.Height};
  }
  const TRect band = BandBounds(gutter_->ExpBtnBand());
  const int left = band.Right - size.cx - 1;
  const int top = (Top + Bottom - size.cy) / 2;
  return {left, top, left + size.cx, top + size.cy};
}

bool TMemoGutterPart::SpanAt(int Y, TGutterLineSpan& Span) {
  TCustomSyntaxMemo& m = Memo();
  TLineLayout& layout = m.LayoutPart().Layout();
  const TSyntMemoStrings& lines = *m.Lines();
  const int count = m.MultiLine() ? lines.GetCount() : std::min(1, lines.GetCount());
  const int bottom = m.ClientSize().cy;
  const TDisplayPos top = layout.TopPos();
  const int fallback = m.DefTextExt().cy + m.LineSpacing();
  int y = m.TextArea().Top;
  int row = top.Row;
  for (int line = top.Line; line < count && y < bottom; ++line, row = 0) {
    if (!layout.LineVisible(line)) {
      const int next = layout.NextVisibleLine(line);
      if (next <= line) break;
      line = next - 1;
      continue;
    }
    const TLineInfo& info = layout.GetLineInfo(line);
    int h = 0;
    for (int i = row; i < info.RowCount(); ++i)
      h += info.RowHeight(i) > 0 ? info.RowHeight(i) : fallback;
    if (Y < y + h) {
      if (Y < y) return false;
      Span.Line = line;
      Span.Top = y;
      Span.Bottom = y + h;
      Span.FirstRow = row;
      Span.Rows.WrapPoints = info.WrapPoints();
      Span.Rows.Heights.resize(size_t(info.RowCount()));
      for (int i = 0; i < info.RowCount(); ++i)
        Span.Rows.Heights[size_t(i)] = info.RowHeight(i) > 0 ? info.RowHeight(i) : fallback;
      return true;
    }
    y += h;
  }
  return false;
}

bool TMemoGutterPart::LineSpan(int Line, TGutterLineSpan& Span) {
  TCustomSyntaxMemo& m = Memo();
  if (Line < 0 || Line >= m.Lines()->GetCount() || !m.LineVisible(Line)) return false;
  // The walk from the top is as long as the screen is high, never longer.
  const int top = m.TextArea().Top;
  for (int y = top; y < m.ClientSize().cy;) {
    TGutterLineSpan s;
    if (!SpanAt(y, s)) return false;
    if (s.Line == Line) {
      Span = std::move(s);
      return true;
    }
    if (s.Line > Line) return false;
    y = s.Bottom;
  }
  return false;
}

TRect TMemoGutterPart::LineExpandButtonRect(int Line) {
  TGutterLineSpan s;
  if (!LineSpan(Line, s)) return {};
  return ExpandButtonRect(s.Top, s.Bottom);
}

// ---- Objects ------------------------------------------------------------------------------------

void TMemoGutterPart::LineObjects(int Line, TGutterLineObjects& List) {
  List.Clear();
  TGutterLineSpan s;
  if (LineSpan(Line, s)) LineObjects(s, List);
}

void TMemoGutterPart::LineObjects(const TGutterLineSpan& Span, TGutterLineObjects& List) {
  TCustomSyntaxMemo& m = Memo();
  List.Clear();
  const int line = Span.Line;
  const TGutterObjects& objects = *gutter_->Objects();
  const int breakObj = gutter_->LineBreakObj();
  if (Span.Rows.Heights.size() > 1 && breakObj >= 0 && breakObj < objects.Count())
    List.Add(objects.Items(breakObj), -2);
  for (int i = 0; i < objects.Count(); ++i) {
    TGutterObject* o = objects.Items(i);
    bool show = o->Line() == line;
    if (o->OnCheckLine) o->OnCheckLine(o, line, show);
    if (show) List.Add(o, o->SubLine());
  }
  for (int i = 0; i < bookmarks_->Count(); ++i) {
    TBookmark* b = bookmarks_->Items(i);
    if (b->Line() == line) List.Add(b, -1);
  }
  if (m.OnGetGutterImage) m.OnGetGutterImage(&m, line, List);
  PlaceObjects(Span, List);
}

void TMemoGutterPart::PlaceObjects(const TGutterLineSpan& Span, TGutterLineObjects& List) {
  std::vector<TGutterLineObject>& items = List.Items();
  const int rows = int(Span.Rows.Heights.size());
  // Row tops; rows scrolled above the window lie above Span.Top.
  std::vector<int> tops(size_t(rows) + 1);
  {
    int y = Span.Top;
    for (int r = Span.FirstRow - 1; r >= 0; --r) y -= Span.Rows.Heights[size_t(r)];
    for (int r = 0; r < rows; ++r) {
      tops[size_t(r)] = y;
      y += Span.Rows.Heights[size_t(r)];
    }
    tops[size_t(rows)] = y;
  }
  auto imageOf = [&](const TCustomGutterObject* o, TSize& Size) {
    const TImageList* list = o->ImageList() ? o->ImageList() : gutter_->Images();
    if (!list || o->ImageIndex() < 0 || o->ImageIndex() >= list->Count()) return false;
    Size = {list->Width(), list->Height()};
    return true;
  };
  auto centred = [](int Top, int Bottom, int Left, TSize Size) {
    const int y = (Top + Bottom - Size.cy) / 2;
    return TRect{Left, y, Left + Size.cx, y + Size.cy};
  };
  for (size_t i = 0; i < items.size(); ++i) {
    TGutterLineObject& it = items[i];
    it.Rect = {};
    it.RowRects.clear();
    TSize size;
    if (!imageOf(it.Object, size)) {
      it.Object->SetRect({});
      continue;
    }
    const TRect band = BandBounds(it.Object->Band());
    int x = band.Left + it.Object->Margin();
    if (it.Object->Margin() < 0) {
      // Automatic objects stack from the band's left edge, the last one added leftmost.
      x = band.Left + 1;
      for (size_t j = i + 1; j < items.size(); ++j) {
        const TGutterLineObject& later = items[j];
        TSize ls;
        if (later.Object->Band() != it.Object->Band() || later.Object->Margin() != -1 ||
            !imageOf(later.Object, ls))
          continue;
        const bool sameRow = later.SubLine == it.SubLine ||
                             (it.SubLine == -2 && (later.SubLine >= 1 || later.SubLine == -2));
        if (sameRow) x += ls.cx + 1;
      }
    }
    if (it.SubLine == -2) {
      for (int r = 1; r < rows; ++r)
        it.RowRects.push_back(centred(tops[size_t(r)], tops[size_t(r) + 1], x, size));
      if (!it.RowRects.empty()) it.Rect = it.RowRects.front();
    } else if (it.SubLine >= 0 && it.SubLine < rows) {
      it.Rect = centred(tops[size_t(it.SubLine)], tops[size_t(it.SubLine) + 1], x, size);
    } else {
      it.Rect = centred(Span.Top, Span.Bottom, x, size);
    }
    it.Object->SetRect(it.Rect);
  }
}

void TMemoGutterPart::LineColors(int Line, TLineHighlightAttr& Attr) {
  auto apply = [&](const TCustomGutterObject* o) {
    if (o->BgColor() == clNone && o->ForeColor() == clNone) return;
    if (o->BgColor() != clNone) Attr.bgColor = o->BgColor();
    if (o->ForeColor() != clNone) Attr.frColor = o->ForeColor();
    Attr.Selected = o->SelInvertColors();
  };
  const TGutterObjects& objects = *gutter_->Objects();
  for (int i = 0; i < objects.Count(); ++i) {
    TGutterObject* o = objects.Items(i);
    if (o->BgColor() == clNone && o->ForeColor() == clNone) continue;
    bool show = o->Line() == Line;
    if (o->OnCheckLine) o->OnCheckLine(o, Line, show);
    if (show) apply(o);
  }
  for (int i = 0; i < bookmarks_->Count(); ++i)
    if (bookmarks_->Items(i)->Line() == Line) apply(bookmarks_->Items(i));
  TCustomSyntaxMemo& m = Memo();
  if (m.OnGetGutterImage) {
    TGutterLineObjects extra;
    m.OnGetGutterImage(&m, Line, extra);
    for (const TGutterLineObject& o : extra.Items()) apply(o.Object);
  }
}

// ---- Line numbers -------------------------------------------------------------------------------

std::u16string TMemoGutterPart::LineNumberText(int Line) {
  TCustomSyntaxMemo& m = Memo();
  const TLineNumbers& ln = *lineNumbers_;
  std::u16string text;
  const int start = ln.NumberingStart(), end = ln.NumberingEnd();
  if (!((start > 0 && Line + 1 < start) || (end > 0 && Line + 1 > end))) {
    int n = Line + ln.FirstLineNumber();
    if (start > 0) n -= start - 1;
    const bool caret = Line == m.CaretPos().Y;
    auto special = [&] { return caret || m.CollapsedRanges()->ItemAtLine(Line) != nullptr; };
    std::string s = std::to_string(n);
    switch (ln.NumberingStyle()) {
      case lsBDS:
        if (n % 10 != 0 && !special()) s = n % 5 == 0 ? "-" : ".";
        break;
      case lsEach5:
        if (n % 5 != 0 && !special()) s = ".";
        break;
      case lsOnlyCurent:
        if (!caret) s.clear();
        break;
      default:
        break;
    }
    text.assign(s.begin(), s.end());
  }
  if (m.OnGetLineNumberStr) m.OnGetLineNumberStr(&m, Line, text);
  return text;
}

int TMemoGutterPart::NumberWidth() {
  const TLineNumbers& ln = *lineNumbers_;
  const int count = std::max(1, Memo().Lines()->GetCount());
  // The numbers actually shown: the first and the last numbered line bound them.
  int first = 0, last = count - 1;
  if (ln.NumberingStart() > 0) first = std::max(first, ln.NumberingStart() - 1);
  if (ln.NumberingEnd() > 0) last = std::min(last, ln.NumberingEnd() - 1);
  size_t digits = 1;
  if (first <= last) {
    auto number = [&](int Line) {
      long long n = (long long)Line + ln.FirstLineNumber();
      if (ln.NumberingStart() > 0) n -= ln.NumberingStart() - 1;
      return std::to_string(n).size();
    };
    digits = std::max(number(first), number(last));
  }
  TCanvas& c = Memo().MeasureCanvas();
  c.Font()->Assign(ln.Font());
  return int(digits) * c.TextWidth(u"8") + ln.Margin() + 2;
}

void TMemoGutterPart::UpdateAutoSize() {
  if (autoSizing_) return;
  autoSizing_ = true;
  try {
    if (lineNumbers_->AutoSize() && lineNumbers_->Visible()) {
      const int w = NumberWidth();
      if (TGutterBand* b = gutter_->BandOf(lineNumbers_->Band()))
        b->SetWidth(w);
      else
        gutter_->SetWidth(w);
    }
    if (gutter_->AutoSize()) gutter_->SetWidth(gutter_->BandsWidth());
  } catch (...) {
    autoSizing_ = false;
    throw;
  }
  autoSizing_ = false;
  lastLineCount_ = Memo().Lines()->GetCount();
}

// ---- Mouse --------------------------------------------------------------------------------------

bool TMemoGutterPart::ObjectsClick(const TGutterLineSpan& Span, TMouseButton Button,
                                   TShiftState Shift, TPoint P) {
  TCustomSyntaxMemo& m = Memo();
  TGutterLineObjects list;
  LineObjects(Span, list);
  for (const TGutterLineObject& it : list.Items()) {
    if (!it.Contains(P)) continue;
    TCustomGutterObject* o = it.Object;
    if (Button == mbRight && o->PopupMenu()) {
      const TPoint s = m.Host() ? m.Host()->ClientToScreen(P) : P;
      o->PopupMenu()->Popup(s.X, s.Y);
      return true;
    }
    if (Button == mbLeft && o->OnClick) {
      o->OnClick(o, Span.Line, Shift);
      return true;
    }
  }
  return false;
}

bool TMemoGutterPart::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomSyntaxMemo& m = Memo();
  if (X < 0 || X >= GutterWidth()) return false;
  const TPoint p{X, Y};
  TGutterLineSpan span;
  const bool onLine = SpanAt(Y, span);
  if (onLine && Button == mbLeft) {
    const int state = m.GetLineState(span.Line);
    if ((state == 0 || state == 1) && ExpandButtonRect(span.Top, span.Bottom).Contains(p)) {
      if (Shift.Contains(ssCtrl)) {
        m.ToggleCollapseNested(span.Line);
        return true;
      }
      if (m.ToggleCollapse(span.Line)) return true;
    }
  }
  if (onLine && ObjectsClick(span, Button, Shift, p)) return true;
  if (Button == mbRight && gutter_->PopupMenu()) {
    const TPoint s = m.Host() ? m.Host()->ClientToScreen(p) : p;
    gutter_->PopupMenu()->Popup(s.X, s.Y);
    return true;
  }
  if (m.OnGutterClick) m.OnGutterClick(&m, onLine ? span.Line : -1, Button, Shift, p);
  if (Button == mbLeft && onLine && gutter_->MouseMoveCaret()) {
    const TGutterBand* band = gutter_->BandOf(BandAt(X));
    // Not taken: the press goes on as one at the text's left edge.
    if (!band || band->MouseMoveCaret()) return false;
  }
  return true;
}

TCursor TMemoGutterPart::CursorAt(int X, int Y) {
  const TPoint p{X, Y};
  TGutterLineSpan span;
  if (SpanAt(Y, span)) {
    TGutterLineObjects list;
    LineObjects(span, list);
    if (const TGutterLineObject* o = list.At(p))
      if (o->Object->Cursor() != crDefault) return o->Object->Cursor();
  }
  if (const TGutterBand* b = gutter_->BandOf(BandAt(X)))
    if (b->Cursor() != crDefault) return b->Cursor();
  return gutter_->Cursor();
}

void TMemoGutterPart::ComponentFreed(TComponent* Component) {
  gutter_->ComponentFreed(Component);
  for (int i = 0; i < bookmarks_->Count(); ++i) bookmarks_->Items(i)->ComponentFreed(Component);
}

// ---- Bookmarks ----------------------------------------------------------------------------------

int TMemoGutterPart::ClampOffset(int Offset) const {
  return std::clamp(Offset, 0, Memo().Lines()->TextLength());
}

int TMemoGutterPart::LineOfOffset(int Offset) const {
  const TSyntMemoStrings& lines = *Memo().Lines();
  return lines.GetCount() == 0 ? 0 : lines.LineOfPos(ClampOffset(Offset));
}

void TMemoGutterPart::DeleteBookmark(TBookmark* B) {
  delete B;
}

void TMemoGutterPart::SetBookmark(int Number, int Offset) {
  TCustomSyntaxMemo& m = Memo();
  TBookmark* b = bookmarks_->Find(Number);
  if (Offset == -1) {
    if (b) DeleteBookmark(b);
    m.Invalidate();
    return;
  }
  // An offset past the text would leave the bookmark on no line at all.
  Offset = ClampOffset(Offset);
  if (b) {
    b->position_ = Offset;
    b->line_ = LineOfOffset(Offset);
    b->moved_ = true;
  } else {
    b = bookmarks_->Add();
    b->number_ = Number;
    b->position_ = Offset;
    b->line_ = LineOfOffset(Offset);
    b->byUser_ = true;
    bool accept = true;
    if (m.OnSetBookmark) m.OnSetBookmark(&m, Number, accept);
    if (!accept) DeleteBookmark(b);
  }
  m.Invalidate();
}

int TMemoGutterPart::GetBookmark(int Number) const {
  const TBookmark* b = bookmarks_->Find(Number);
  return b ? b->Position() : -1;
}

void TMemoGutterPart::GotoBookmark(int Number) {
  const TBookmark* b = bookmarks_->Find(Number);
  if (!b) return;
  TCustomSyntaxMemo& m = Memo();
  m.ResetSelection();
  m.SetCaretStrPos(b->Position());
  m.ScrollToCaret();
  AnimateAtCaret(animation_->BookmarkAnim());
}

void TMemoGutterPart::ToggleBookmark(int Number) {
  TCustomSyntaxMemo& m = Memo();
  TBookmark* b = bookmarks_->Find(Number);
  const int caret = m.CaretStrPos();
  if (b && b->Line() == m.CaretPos().Y) {
    bool allow = true;
    if (m.OnDeleteBookmark) m.OnDeleteBookmark(&m, Number, allow);
    if (allow) {
      SetBookmark(Number, -1);
      return;
    }
  }
  SetBookmark(Number, caret);
}

void TMemoGutterPart::ClearBookmarks() {
  if (bookmarks_->Count() == 0) return;
  bookmarks_->Clear();
  Memo().Invalidate();
}

void TMemoGutterPart::TextChanged(int Pos, int Count, int LineChange) {
  TCustomSyntaxMemo& m = Memo();
  if (Pos < 0) {
    // Another text: its offsets mean nothing for the old bookmarks.
    bookmarks_->Clear();
  } else {
    const int delEnd = Count < 0 ? Pos - Count : Pos;
    std::vector<TBookmark*> gone;
    for (int i = 0; i < bookmarks_->Count(); ++i) {
      TBookmark* b = bookmarks_->Items(i);
      int& p = b->position_;
      // A bookmark at the start of a deletion goes only when whole lines went with it.
      const bool inside = Count < 0 && p >= Pos && p < delEnd && (p > Pos || LineChange < 0);
      if (inside && b->byUser_) {
        gone.push_back(b);
        continue;
      }
      if (Count < 0) {
        if (p > Pos) p = std::max(Pos, p + Count);
      } else if (p >= Pos) {
        p += Count;
      }
    }
    for (TBookmark* b : gone) {
      bool allow = true;
      if (m.OnDeleteBookmark) m.OnDeleteBookmark(&m, b->Number(), allow);
      if (allow)
        DeleteBookmark(b);
      else
        b->position_ = Pos;
    }
    for (int i = 0; i < bookmarks_->Count(); ++i) {
      TBookmark* b = bookmarks_->Items(i);
      b->line_ = LineOfOffset(b->position_);
    }
  }
  if (LineChange != 0 || Pos < 0)
    if (lineNumbers_->AutoSize() && m.Lines()->GetCount() != lastLineCount_) {
      const int before = GutterWidth();
      UpdateAutoSize();
      if (GutterWidth() != before) m.LayoutChanged();
    }
}

// ---- Animation ----------------------------------------------------------------------------------

TRect TMemoGutterPart::FrameRect(int Radius) const {
  const int r = std::max(0, Radius) + 2;
  return {animCenter_.X - r, animCenter_.Y - r, animCenter_.X + r + 1, animCenter_.Y + r + 1};
}

void TMemoGutterPart::Animate(TPoint Center, TSyntAnimationType Type) {
  TCustomSyntaxMemo& m = Memo();
  if (!animation_->Enabled() || Type == atNone) return;
  if (Animating()) {
    animTimer_.SetEnabled(false);
    m.InvalidateRect(FrameRect(animRadius_));
  }
  animCenter_ = Center;
  animRadius_ = animation_->Radius();
  animType_ = Type;
  animTop_ = m.TopDisplayLine();
  animLeft_ = m.LeftCol();
  if (animRadius_ <= 0) return;
  animTimer_.SetInterval(std::uint32_t(std::max(1, animation_->Interval())));
  animTimer_.SetEnabled(true);
  m.InvalidateRect(FrameRect(animRadius_));
}

void TMemoGutterPart::AnimateAtCaret(TSyntAnimationType Type) {
  TCustomSyntaxMemo& m = Memo();
  const TPoint p = m.CaretPart().CaretToPoint(m.CaretPos());
  Animate({p.X, p.Y + m.DefTextExt().cy}, Type);
}

void TMemoGutterPart::AnimTick() {
  TCustomSyntaxMemo& m = Memo();
  // Erasing a frame is repainting what lies under it.
  m.InvalidateRect(FrameRect(animRadius_));
  animRadius_ -= animation_->Step();
  if (animRadius_ <= 0) animTimer_.SetEnabled(false);
}

}  // namespace synt
