#include "editor/memo_ruler.h"

#include <algorithm>
#include <charconv>

#include "editor/display_columns.h"
#include "editor/syntax_memo.h"
#include "platform/control_host.h"
#include "platform/properties.h"

namespace synt {

namespace {

// Q = N / D rounded to the nearest whole number, halves to the even one (D > 0).
int RoundHalfEven(int N, int D) {
  int q = N / D, r = N % D;
  if (r < 0) {
    --q;
    r += D;
  }
  if (2 * r > D || (2 * r == D && (q & 1) != 0)) ++q;
  return q;
}

// The decimal digits of V into Buf, without allocating.
std::u16string_view Decimal(int V, char16_t (&Buf)[16]) {
  char digits[16];
  const auto [end, ec] = std::to_chars(digits, digits + sizeof(digits), V);
  size_t n = ec == std::errc() ? size_t(end - digits) : 0;
  for (size_t i = 0; i < n; ++i) Buf[i] = char16_t(digits[i]);
  return {Buf, n};
}

}  // namespace

// ---- TqxHorzRuler -----------------------------------------------------------------------------

TqxHorzRuler::TqxHorzRuler()
    : font_(std::make_unique<TFont>()), backGround_(std::make_unique<TqxBackGround>()) {
  font_->SetName(u"Arial");
  font_->SetSize(7);
  font_->OnChange = [this](TObject*) { Changed(); };
  backGround_->OnChange = [this](TObject*) { Changed(); };
}

TqxHorzRuler::~TqxHorzRuler() {
  font_->OnChange = nullptr;
  backGround_->OnChange = nullptr;
}

void TqxHorzRuler::Changed(bool Geometry) {
  if (OnChanged) OnChanged(Geometry);
}

void TqxHorzRuler::SetColor(TColor Value) {
  if (Change(color_, Value)) Changed();
}
void TqxHorzRuler::SetMinorTicksLength(int Value) {
  if (Change(minorTicksLength_, Value)) Changed();
}
void TqxHorzRuler::SetMajorTicksLength(int Value) {
  if (Change(majorTicksLength_, Value)) Changed();
}
void TqxHorzRuler::SetMinorTicksInterval(int Value) {
  if (Change(minorTicksInterval_, Value)) Changed();
}
void TqxHorzRuler::SetMajorTicksInterval(int Value) {
  if (Change(majorTicksInterval_, Value)) Changed();
}
void TqxHorzRuler::SetMinorTicksColor(TColor Value) {
  if (Change(minorTicksColor_, Value)) Changed();
}
void TqxHorzRuler::SetMajorTicksColor(TColor Value) {
  if (Change(majorTicksColor_, Value)) Changed();
}
void TqxHorzRuler::SetLabelInterval(int Value) {
  if (Change(labelInterval_, Value)) Changed();
}
void TqxHorzRuler::SetHeight(int Value) {
  // A negative height would move the text area up over the window's edge.
  if (Change(height_, std::max(0, Value))) Changed(true);
}
void TqxHorzRuler::SetSeparatorColor(TColor Value) {
  if (Change(separatorColor_, Value)) Changed();
}
void TqxHorzRuler::SetShowCurrentPos(bool Value) {
  if (Change(showCurrentPos_, Value)) Changed();
}
void TqxHorzRuler::SetVisible(bool Value) {
  if (Change(visible_, Value)) Changed(true);
}

void TqxHorzRuler::Assign(const TPersistent* Source) {
  auto* src = dynamic_cast<const TqxHorzRuler*>(Source);
  if (!src) {
    TPersistent::Assign(Source);
    return;
  }
  if (src == this) return;
  // One notification for the whole copy.
  auto changed = std::move(OnChanged);
  OnChanged = nullptr;
  font_->Assign(src->font_.get());
  backGround_->Assign(src->backGround_.get());
  color_ = src->color_;
  minorTicksLength_ = src->minorTicksLength_;
  majorTicksLength_ = src->majorTicksLength_;
  minorTicksInterval_ = src->minorTicksInterval_;
  majorTicksInterval_ = src->majorTicksInterval_;
  minorTicksColor_ = src->minorTicksColor_;
  majorTicksColor_ = src->majorTicksColor_;
  labelInterval_ = src->labelInterval_;
  height_ = src->height_;
  separatorColor_ = src->separatorColor_;
  showCurrentPos_ = src->showCurrentPos_;
  visible_ = src->visible_;
  OnChanged = std::move(changed);
  Changed(true);
}

// ---- TqxTextMargin ----------------------------------------------------------------------------

TqxTextMargin::TqxTextMargin(TCollection* Collection)
    : TCollectionItem(Collection), pen_(std::make_unique<TPen>()) {
  // A guide, not a border: a quiet grey unless the application says otherwise.
  pen_->SetColor(clSilver);
  pen_->OnChange = [this](TObject*) { Changed(false); };
}

TqxTextMargin::~TqxTextMargin() {
  pen_->OnChange = nullptr;
}

void TqxTextMargin::SetVisible(bool Value) {
  if (Change(visible_, Value)) Changed(false);
}
void TqxTextMargin::SetHint(const std::u16string& Value) {
  hint_ = Value;
}
void TqxTextMargin::SetAllowDrag(bool Value) {
  allowDrag_ = Value;
}
void TqxTextMargin::SetPosition(int Value) {
  if (Change(position_, std::max(0, Value))) Changed(false);
}
void TqxTextMargin::SetRulerMark(bool Value) {
  if (Change(rulerMark_, Value)) Changed(false);
}

void TqxTextMargin::Assign(const TPersistent* Source) {
  auto* src = dynamic_cast<const TqxTextMargin*>(Source);
  if (!src) {
    TCollectionItem::Assign(Source);
    return;
  }
  if (src == this) return;
  visible_ = src->visible_;
  hint_ = src->hint_;
  allowDrag_ = src->allowDrag_;
  position_ = src->position_;
  rulerMark_ = src->rulerMark_;
  pen_->Assign(src->pen_.get());  // reports the change
}

// ---- TqxTextMargins ---------------------------------------------------------------------------

TqxTextMargins::TqxTextMargins(TPersistent* Owner)
    : TCollection(TqxTextMargin::StaticClassInfo(), Owner) {}

void TqxTextMargins::Update(TCollectionItem* Item) {
  if (OnChanged) OnChanged(static_cast<TqxTextMargin*>(Item));
}

void TqxTextMargins::Assign(const TPersistent* Source) {
  if (auto* src = dynamic_cast<const TqxTextMargins*>(Source)) {
    absolutePos_ = src->absolutePos_;
    allowDrag_ = src->allowDrag_;
    dragWithCtrl_ = src->dragWithCtrl_;
  }
  TCollection::Assign(Source);
}

void TqxTextMargins::SetAbsolutePos(bool Value) {
  if (Change(absolutePos_, Value)) Changed();
}
void TqxTextMargins::SetAllowDrag(bool Value) {
  allowDrag_ = Value;
}
void TqxTextMargins::SetDragWithCtrl(bool Value) {
  dragWithCtrl_ = Value;
}

// ---- Published properties ---------------------------------------------------------------------

namespace {

void DescribeHorzRuler(TPropertyList& List) {
  using R = TqxHorzRuler;
  TPropsOf<R> p(List);
  p.Object("Font", &R::Font);
  p.Ident("Color", &R::Color, &R::SetColor, ColorIdents()).Def(int64_t(clNone));
  p.Object("BackGround", &R::BackGround);
  p.Integer("MinorTicksLength", &R::MinorTicksLength, &R::SetMinorTicksLength).Def(2);
  p.Integer("MajorTicksLength", &R::MajorTicksLength, &R::SetMajorTicksLength).Def(5);
  p.Integer("MinorTicksInterval", &R::MinorTicksInterval, &R::SetMinorTicksInterval).Def(1);
  p.Integer("MajorTicksInterval", &R::MajorTicksInterval, &R::SetMajorTicksInterval).Def(5);
  p.Ident("MinorTicksColor", &R::MinorTicksColor, &R::SetMinorTicksColor, ColorIdents())
      .Def(int64_t(clBlack));
  p.Ident("MajorTicksColor", &R::MajorTicksColor, &R::SetMajorTicksColor, ColorIdents())
      .Def(int64_t(clBlack));
  p.Integer("LabelInterval", &R::LabelInterval, &R::SetLabelInterval).Def(10);
  p.Integer("Height", &R::Height, &R::SetHeight).Def(17);
  p.Ident("SeparatorColor", &R::SeparatorColor, &R::SetSeparatorColor, ColorIdents())
      .Def(int64_t(clGray));
  p.Boolean("ShowCurrentPos", &R::ShowCurrentPos, &R::SetShowCurrentPos).Def(true);
  p.Boolean("Visible", &R::Visible, &R::SetVisible).Def(false);
}

void DescribeTextMargin(TPropertyList& List) {
  using M = TqxTextMargin;
  TPropsOf<M> p(List);
  p.Boolean("Visible", &M::Visible, &M::SetVisible).Def(true);
  p.Object("Pen", &M::Pen);
  p.String("Hint", &M::Hint, &M::SetHint);
  p.Boolean("AllowDrag", &M::AllowDrag, &M::SetAllowDrag).Def(true);
  p.Integer("Position", &M::Position, &M::SetPosition).Def(80);
  p.Boolean("RulerMark", &M::RulerMark, &M::SetRulerMark);
}

void DescribeTextMargins(TPropertyList& List) {
  using M = TqxTextMargins;
  TPropsOf<M> p(List);
  p.Boolean("AbsolutePos", &M::AbsolutePos, &M::SetAbsolutePos).Def(false);
  p.Boolean("AllowDrag", &M::AllowDrag, &M::SetAllowDrag).Def(true);
  p.Boolean("DragWithCtrl", &M::DragWithCtrl, &M::SetDragWithCtrl).Def(true);
}

}  // namespace

const TClassInfo& TqxHorzRuler::StaticClassInfo() {
  static const TClassInfo info("TqxHorzRuler", &TPersistent::StaticClassInfo(), DescribeHorzRuler);
  return info;
}

const TClassInfo& TqxTextMargin::StaticClassInfo() {
  static const TClassInfo info("TqxTextMargin", &TCollectionItem::StaticClassInfo(),
                               DescribeTextMargin, nullptr,
                               &TClassInfo::ItemFactory<TqxTextMargin>);
  return info;
}

const TClassInfo& TqxTextMargins::StaticClassInfo() {
  static const TClassInfo info("TqxTextMargins", &TCollection::StaticClassInfo(),
                               DescribeTextMargins);
  return info;
}

// ---- The part ---------------------------------------------------------------------------------

TMemoRulerPart::TMemoRulerPart(TCustomSyntaxMemo& Memo)
    : TMemoPart(Memo, kRulerOrder),
      ruler_(std::make_unique<TqxHorzRuler>()),
      margins_(std::make_unique<TqxTextMargins>(&Memo)) {
  // The right margin word wrap has always had.
  margins_->Add();
  ruler_->OnChanged = [this](bool Geometry) {
    if (Geometry)
      TMemoPart::Memo().LayoutChanged();
    else
      TMemoPart::Memo().Invalidate();
  };
  margins_->OnChanged = [this](TqxTextMargin* Item) { MarginsChanged(Item); };
}

TMemoRulerPart::~TMemoRulerPart() {
  ruler_->OnChanged = nullptr;
  margins_->OnChanged = nullptr;
}

void TMemoRulerPart::MarginsChanged(TqxTextMargin* Item) {
  TCustomSyntaxMemo& m = Memo();
  if (m.IsDestroying()) return;
  // Only the first margin is the one word wrap breaks at.
  if (!Item || Item->Index() == 0)
    m.LayoutChanged();
  else
    m.Invalidate();
}

void TMemoRulerPart::LayoutChanged() {
  // The cell width may differ: the mark is placed again at the next paint.
  currentCol_ = -1;
}

int TMemoRulerPart::CellWidth() {
  try {
    return std::max(1, Memo().DefTextExt().cx);
  } catch (const Exception&) {
    return 8;
  }
}

int TMemoRulerPart::CurrentColumn() {
  TCustomSyntaxMemo& m = Memo();
  const TPoint p = m.CaretPos();
  const TSyntMemoStrings& lines = *m.Lines();
  if (p.Y >= lines.GetCount()) return std::max(0, p.X);
  return UnitToColumn(lines.LineText(p.Y), p.X, m.TabList(),
                      m.OptionsEx().Contains(soAllowZeroTab));
}

// ---- Margins ----------------------------------------------------------------------------------

int TMemoRulerPart::MarginX(const TqxTextMargin& Margin) {
  TCustomSyntaxMemo& m = Memo();
  const int w = CellWidth(), left = m.TextArea().Left, l = m.LeftCol();
  if (margins_->AbsolutePos()) return Margin.Position() + left - l * w;
  return (Margin.Position() - l) * w + left;
}

TqxTextMargin* TMemoRulerPart::MarginAt(int X, bool VisibleOnly) {
  for (int i = margins_->Count() - 1; i >= 0; --i) {
    TqxTextMargin* mg = margins_->Items(i);
    if (VisibleOnly && !mg->Visible()) continue;
    if (std::abs(MarginX(*mg) - X) < kHitDistance) return mg;
  }
  return nullptr;
}

int TMemoRulerPart::RightMarginWidth(int CellWidth) const {
  if (margins_->Count() == 0) return 0;
  const int pos = margins_->Items(0)->Position();
  return margins_->AbsolutePos() ? pos : pos * CellWidth;
}

// ---- Painting ---------------------------------------------------------------------------------

void TMemoRulerPart::PaintRuler(TCanvas& Canvas, const TRect& Clip) {
  TCustomSyntaxMemo& m = Memo();
  const TqxHorzRuler& r = *ruler_;
  const TSize size = m.ClientSize();
  if (!r.Visible() || r.Height() <= 0 || size.cx <= 0) return;
  const TRect strip{0, 0, size.cx, r.Height()};
  const TRect clip = strip.Intersect(Clip);
  if (clip.IsEmpty()) return;
  const TRect saved = Canvas.ClipRect();
  Canvas.SetClipRect(clip);
  Canvas.Brush()->SetStyle(bsSolid);
  Canvas.Brush()->SetColor(r.Color() == clNone ? m.Color() : r.Color());
  r.BackGround()->Paint(Canvas, strip);

  Canvas.Pen()->SetStyle(psSolid);
  Canvas.Pen()->SetWidth(1);
  Canvas.Pen()->SetMode(pmCopy);
  int baseline = strip.Bottom - 1;
  if (r.SeparatorColor() != clNone) {
    Canvas.Pen()->SetColor(r.SeparatorColor());
    Canvas.MoveTo(strip.Left, baseline);
    Canvas.LineTo(strip.Right, baseline);
    --baseline;
  }
  const TRect area = m.TextArea();
  const int w = CellWidth(), l = m.LeftCol();
  PaintTicks(Canvas, area, baseline, w, l);

  for (int i = 0; i < margins_->Count(); ++i) {
    const TqxTextMargin& mg = *margins_->Items(i);
    if (!mg.RulerMark()) continue;
    const int x = MarginX(mg);
    // Scrolled out to the left, or beyond the right edge: no mark.
    if (x < area.Left || x > area.Right) continue;
    Canvas.Pen()->Assign(mg.Pen());
    for (int dx : {-1, 1}) {
      Canvas.MoveTo(x + dx, strip.Top);
      Canvas.LineTo(x + dx, baseline + 1);
    }
  }

  PaintLabels(Canvas, area, baseline, w, l);

  currentCol_ = CurrentColumn();
  if (r.ShowCurrentPos() && currentCol_ >= l) {
    const int x = area.Left + (currentCol_ - l) * w;
    if (x < area.Right) {
      Canvas.Brush()->SetStyle(bsSolid);
      Canvas.Brush()->SetColor(clBlack);
      Canvas.FillRect({x - 3, strip.Top, x + 4, strip.Top + 1});
      Canvas.Pen()->SetStyle(psSolid);
      Canvas.Pen()->SetWidth(1);
      Canvas.Pen()->SetColor(clBlack);
      Canvas.MoveTo(x, strip.Top + 1);
      Canvas.LineTo(x, strip.Top + 5);
    }
  }
  Canvas.SetClipRect(saved);
}

void TMemoRulerPart::PaintTicks(TCanvas& Canvas, const TRect& Area, int Baseline, int Cell,
                                int LeftCol) {
  const TqxHorzRuler& r = *ruler_;
  const int major = r.MajorTicksLength() > 0 ? r.MajorTicksInterval() : 0;
  const int minor = r.MinorTicksInterval();
  TColor pen = clNone;
  for (int x = Area.Left, col = LeftCol; x < Area.Right; x += Cell, ++col) {
    int len = 0;
    TColor color = clNone;
    if (major > 0 && col % major == 0) {
      len = r.MajorTicksLength();
      color = r.MajorTicksColor();
    }
    if (minor > 0 && col % minor == 0 && len < r.MinorTicksLength()) {
      len = r.MinorTicksLength();
      color = r.MinorTicksColor();
    }
    if (len <= 0) continue;
    if (color != pen) Canvas.Pen()->SetColor(pen = color);
    Canvas.MoveTo(x, Baseline);
    Canvas.LineTo(x, Baseline - len);
  }
}

void TMemoRulerPart::PaintLabels(TCanvas& Canvas, const TRect& Area, int Baseline, int Cell,
                                 int LeftCol) {
  const int every = ruler_->LabelInterval();
  if (every <= 0) return;
  Canvas.Font()->Assign(ruler_->Font());
  Canvas.Brush()->SetStyle(bsClear);
  char16_t buf[16];
  const int first = (LeftCol + every - 1) / every * every;
  for (int col = first;; col += every) {
    const int x = Area.Left + (col - LeftCol) * Cell;
    if (x >= Area.Right) break;
    const std::u16string_view text = Decimal(col, buf);
    const TSize ext = Canvas.TextExtent(text);
    Canvas.TextOut(x - ext.cx / 2, Baseline - 2 - ext.cy, text);
  }
  Canvas.Brush()->SetStyle(bsSolid);
}

void TMemoRulerPart::PaintMargins(TCanvas& Canvas, const TRect& Area) {
  if (Area.IsEmpty()) return;
  const TRect text = Memo().TextArea();
  for (int i = 0; i < margins_->Count(); ++i) {
    const TqxTextMargin& mg = *margins_->Items(i);
    if (!mg.Visible()) continue;
    const int x = MarginX(mg);
    if (x < text.Left || x < Area.Left || x >= Area.Right) continue;
    Canvas.Pen()->Assign(mg.Pen());
    Canvas.MoveTo(x, Area.Top);
    Canvas.LineTo(x, Area.Bottom);
  }
}

void TMemoRulerPart::CaretMoved() {
  TCustomSyntaxMemo& m = Memo();
  const TqxHorzRuler& r = *ruler_;
  if (!r.ShowCurrentPos() || r.Height() <= 0 || !r.Visible() || !m.Host()) return;
  const int col = CurrentColumn();
  if (col == currentCol_) return;
  currentCol_ = col;
  // The mark reaches 3 pixels left of its column.
  const TRect area = m.TextArea();
  m.InvalidateRect({area.Left - 3, 0, area.Right, r.Height()});
}

// ---- Mouse ------------------------------------------------------------------------------------

TqxTextMargin* TMemoRulerPart::DraggableAt(int X, int Y, TShiftState Shift) {
  TCustomSyntaxMemo& m = Memo();
  if (!margins_->AllowDrag()) return nullptr;
  const TRect area = m.TextArea();
  if (Y >= 0 && Y < ruler_->VisibleHeight()) {
    // On the ruler: any margin with a mark there.
    TqxTextMargin* mg = MarginAt(X, false);
    return mg && mg->RulerMark() && mg->AllowDrag() ? mg : nullptr;
  }
  if (!area.Contains({X, Y})) return nullptr;
  if (margins_->DragWithCtrl() && !Shift.Contains(ssCtrl)) return nullptr;
  TqxTextMargin* mg = MarginAt(X, true);
  return mg && mg->AllowDrag() ? mg : nullptr;
}

bool TMemoRulerPart::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button != mbLeft) return false;
  TqxTextMargin* mg = DraggableAt(X, Y, Shift);
  if (!mg) return false;
  draggedId_ = mg->ID();
  if (IControlHost* h = Memo().Host()) h->SetCursor(crHSplit);
  return true;
}

bool TMemoRulerPart::MouseMove(int X) {
  if (draggedId_ < 0) return false;
  TqxTextMargin* mg = static_cast<TqxTextMargin*>(margins_->FindItemID(draggedId_));
  if (!mg) {
    draggedId_ = -1;
    return false;
  }
  TCustomSyntaxMemo& m = Memo();
  const int w = CellWidth(), l = m.LeftCol(), dx = X - m.TextArea().Left;
  int pos = margins_->AbsolutePos() ? l * w + dx : l + RoundHalfEven(dx, w);
  pos = std::max(0, pos);
  if (m.OnDragTextMargin) m.OnDragTextMargin(&m, mg, pos);
  // The handler may have deleted it.
  if (margins_->FindItemID(draggedId_) == mg) mg->SetPosition(pos);
  return true;
}

bool TMemoRulerPart::MouseUp() {
  if (draggedId_ < 0) return false;
  draggedId_ = -1;
  return true;
}

TCursor TMemoRulerPart::CursorAt(int X, int Y, TShiftState Shift, TCursor Default) {
  if (draggedId_ >= 0 || DraggableAt(X, Y, Shift)) return crHSplit;
  return Default;
}

// ---- The control's block ----------------------------------------------------------------------

int TCustomSyntaxMemo::RightMargin() const {
  const TqxTextMargins& ms = *rulerPart_.TextMargins();
  return ms.Count() > 0 ? ms.Items(0)->Position() : 0;
}

void TCustomSyntaxMemo::SetRightMargin(int Value) {
  TqxTextMargins& ms = *rulerPart_.TextMargins();
  (ms.Count() > 0 ? ms.Items(0) : ms.Add())->SetPosition(Value);
}

bool TCustomSyntaxMemo::ShowRightMargin() const {
  const TqxTextMargins& ms = *rulerPart_.TextMargins();
  return ms.Count() > 0 && ms.Items(0)->Visible();
}

void TCustomSyntaxMemo::SetShowRightMargin(bool Value) {
  TqxTextMargins& ms = *rulerPart_.TextMargins();
  if (ms.Count() > 0)
    ms.Items(0)->SetVisible(Value);
  else if (Value)
    ms.Add();
}

TColor TCustomSyntaxMemo::RightMarginColor() const {
  const TqxTextMargins& ms = *rulerPart_.TextMargins();
  return ms.Count() > 0 ? ms.Items(0)->Pen()->Color() : clNone;
}

void TCustomSyntaxMemo::SetRightMarginColor(TColor Value) {
  TqxTextMargins& ms = *rulerPart_.TextMargins();
  (ms.Count() > 0 ? ms.Items(0) : ms.Add())->Pen()->SetColor(Value);
}

}  // namespace synt
