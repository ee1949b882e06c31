// The caret on screen: its shapes and their published properties, the shape in effect, its
// rectangle, painting and blinking, and where the input method places its window.
#include <algorithm>

#include "editor/memo_caret.h"
#include "editor/syntax_memo.h"
#include "platform/bitmap.h"
#include "platform/control_host.h"
#include "platform/event_loop.h"
#include "platform/properties.h"

namespace synt {

// ---- TqxCaretShape ----------------------------------------------------------------------------

namespace {

void DescribeCaretShape(TPropertyList& List) {
  using S = TqxCaretShape;
  TPropsOf<S> p(List);
  // Each shape has a width of its own: stored when it differs from that one.
  p.Integer("Width", &S::Width, &S::SetWidth).Stored([](const TPersistent* o) {
    auto* s = static_cast<const S*>(o);
    return s->Width() != s->DefaultWidth();
  });
  p.Integer("Height", &S::Height, &S::SetHeight).Def(100);
  p.Boolean("Stretch", &S::Stretch, &S::SetStretch).Def(true);
  p.Ident("Color", &S::Color, &S::SetColor, ColorIdents())
      .Def(int64_t(TqxCaretShape::DefaultCaretColor));
  p.Boolean("IsGray", &S::IsGray, &S::SetIsGray).Def(false);
  p.Boolean("Visible", &S::Visible, &S::SetVisible).Def(true);
  p.Integer("BlinkTime", &S::BlinkTime, &S::SetBlinkTime).Def(0);
}

void DescribeCaret(TPropertyList& List) {
  using C = TqxCaret;
  TPropsOf<C> p(List);
  p.Object("Insert", &C::Insert);
  p.Object("Overwrite", &C::Overwrite);
  p.Object("ReadOnly", &C::ReadOnly);
  p.Object("Custom", &C::Custom);
  p.Boolean("Visible", &C::Visible, &C::SetVisible).Def(true);
  p.Boolean("UseCustom", &C::UseCustom, &C::SetUseCustom).Def(false);
}

}  // namespace

const TClassInfo& TqxCaretShape::StaticClassInfo() {
  static const TClassInfo info("TqxCaretShape", &TPersistent::StaticClassInfo(),
                               DescribeCaretShape);
  return info;
}

const TClassInfo& TqxCaret::StaticClassInfo() {
  static const TClassInfo info("TqxCaret", &TPersistent::StaticClassInfo(), DescribeCaret);
  return info;
}

TqxCaretShape::TqxCaretShape(int DefaultWidth)
    : width_(DefaultWidth), defaultWidth_(DefaultWidth) {}
TqxCaretShape::~TqxCaretShape() = default;

void TqxCaretShape::Assign(const TPersistent* Source) {
  auto* s = dynamic_cast<const TqxCaretShape*>(Source);
  if (!s) return TPersistent::Assign(Source);
  if (s == this) return;
  width_ = s->width_;
  height_ = s->height_;
  stretch_ = s->stretch_;
  color_ = s->color_;
  isGray_ = s->isGray_;
  visible_ = s->visible_;
  blinkTime_ = s->blinkTime_;
  SetBitmap(s->Bitmap());  // reports the change
}

void TqxCaretShape::SetWidth(int Value) {
  if (width_ == Value) return;
  width_ = Value;
  Changed();
}

void TqxCaretShape::SetHeight(int Value) {
  if (height_ == Value) return;
  height_ = Value;
  Changed();
}

void TqxCaretShape::SetBitmap(const TBitmap* Value) {
  if (!Value || Value->Width() <= 0 || Value->Height() <= 0) {
    bitmap_.reset();
  } else {
    // A copy of the pixels: the caller's bitmap may belong to another canvas.
    auto b = std::make_unique<THeadlessBitmap>(Value->Width(), Value->Height());
    b->Assign(Value->ToImage());
    bitmap_ = std::move(b);
  }
  Changed();
}

void TqxCaretShape::SetStretch(bool Value) {
  if (stretch_ == Value) return;
  stretch_ = Value;
  Changed();
}

void TqxCaretShape::SetColor(TColor Value) {
  if (color_ == Value) return;
  color_ = Value;
  Changed();
}

void TqxCaretShape::SetIsGray(bool Value) {
  if (isGray_ == Value) return;
  isGray_ = Value;
  Changed();
}

void TqxCaretShape::SetVisible(bool Value) {
  if (visible_ == Value) return;
  visible_ = Value;
  Changed();
}

void TqxCaretShape::SetBlinkTime(unsigned Value) {
  if (blinkTime_ == Value) return;
  blinkTime_ = Value;
  Changed();
}

void TqxCaretShape::Changed() {
  if (OnChange) OnChange(this);
}

// ---- TqxCaret ---------------------------------------------------------------------------------

TqxCaret::TqxCaret()
    : insert_(std::make_unique<TqxCaretShape>(-2)),
      overwrite_(std::make_unique<TqxCaretShape>(100)),
      readOnly_(std::make_unique<TqxCaretShape>(-1)),
      custom_(std::make_unique<TqxCaretShape>(-2)) {
  for (TqxCaretShape* s : {insert_.get(), overwrite_.get(), readOnly_.get(), custom_.get()})
    s->OnChange = [this](TObject*) { Changed(); };
}

TqxCaret::~TqxCaret() {
  for (TqxCaretShape* s : {insert_.get(), overwrite_.get(), readOnly_.get(), custom_.get()})
    s->OnChange = nullptr;
}

void TqxCaret::Assign(const TPersistent* Source) {
  auto* c = dynamic_cast<const TqxCaret*>(Source);
  if (!c) return TPersistent::Assign(Source);
  if (c == this) return;
  insert_->Assign(c->Insert());
  overwrite_->Assign(c->Overwrite());
  readOnly_->Assign(c->ReadOnly());
  custom_->Assign(c->Custom());
  visible_ = c->visible_;
  useCustom_ = c->useCustom_;
  Changed();
}

void TqxCaret::SetVisible(bool Value) {
  if (visible_ == Value) return;
  visible_ = Value;
  Changed();
}

void TqxCaret::SetUseCustom(bool Value) {
  if (useCustom_ == Value) return;
  useCustom_ = Value;
  Changed();
}

void TqxCaret::Changed() {
  if (OnChange) OnChange(this);
}

// ---- The caret of the editor --------------------------------------------------------------------

const TqxCaretShape* TMemoCaretPart::CurrentShape() const {
  TCustomSyntaxMemo& m = Memo();
  if (!caret_->Visible()) return nullptr;
  const TqxCaretShape* s = nullptr;
  if (caret_->UseCustom()) {
    s = caret_->Custom();
  } else if (m.ReadOnly()) {
    if (m.Options().Contains(soAlwaysShowCaret)) s = caret_->ReadOnly();
  } else {
    const TPoint p = CaretPos();
    const TSyntMemoStrings& lines = *m.Lines();
    const bool inside = p.Y < lines.GetCount() && p.X < lines.LineLength(p.Y);
    s = m.ReplaceMode() && inside ? caret_->Overwrite() : caret_->Insert();
  }
  return s && s->Visible() ? s : nullptr;
}

TRect TMemoCaretPart::CaretRect() {
  TCustomSyntaxMemo& m = Memo();
  if (!m.Host() || m.IsDestroying()) return {};
  if (!m.Focused() && !m.OptionsEx().Contains(eoShowCaretWhenUnfocused)) return {};
  const TqxCaretShape* shape = CurrentShape();
  if (!shape) return {};
  const TPoint p = CaretPos();
  const int d = DisplayLineOf(p);
  if (d < m.TopDisplayLine()) return {};
  const TPoint pt = CaretToPoint(p);
  const TRect area = m.TextArea();
  if (pt.Y >= area.Bottom || pt.X < m.PaintPart().TextAreaLeft() || pt.X >= area.Right) return {};
  const int rowH = DisplayLineHeight(d);
  int charW = 0;
  const TSyntMemoStrings& lines = *m.Lines();
  if (shape->Width() > 0 && p.Y < lines.GetCount() && p.X < lines.LineLength(p.Y)) {
    int r0 = 0, r1 = 0;
    const int x0 = m.PaintPart().XOfUnit(p.Y, p.X, r0);
    const int x1 = m.PaintPart().XOfUnit(p.Y, p.X + 1, r1);
    if (r0 == r1 && x1 > x0) charW = x1 - x0;
  }
  if (charW <= 0) {
    try {
      charW = m.DefTextExt().cx;
    } catch (const Exception&) {
      charW = 8;
    }
  }
  const int w = std::max(1, shape->Width() < 0 ? -shape->Width() : shape->Width() * charW / 100);
  const int h = std::max(1, shape->Height() < 0 ? -shape->Height() : shape->Height() * rowH / 100);
  return {pt.X, pt.Y + rowH - h, pt.X + w, pt.Y + rowH};
}

void TMemoCaretPart::UpdateCaret() {
  TCustomSyntaxMemo& m = Memo();
  if (m.IsDestroying()) return;
  const TRect r = CaretRect();
  if (r != caretRect_ || !blinkOn_) {
    if (!caretRect_.IsEmpty()) m.InvalidateRect(caretRect_);
    if (!r.IsEmpty()) m.InvalidateRect(r);
  }
  caretRect_ = r;
  if (IControlHost* h = m.Host())
    if (!r.IsEmpty()) h->InputMethod().SetCursorRect(r);
  RestartBlink();
}

void TMemoCaretPart::RestartBlink() {
  TCustomSyntaxMemo& m = Memo();
  blinkOn_ = true;
  IControlHost* host = m.Host();
  const TqxCaretShape* shape = CurrentShape();
  // Each editor blinks at its own rate; nothing system-wide changes.
  const unsigned t =
      shape && shape->BlinkTime() ? shape->BlinkTime() : (host ? host->CaretBlinkTime() : 0u);
  if (!host || t == 0 || caretRect_.IsEmpty()) {
    if (blink_) blink_->SetEnabled(false);
    return;
  }
  if (!blink_) {
    blink_ = std::make_unique<TTimer>();
    blink_->OnTimer = [this] { BlinkTick(); };
  }
  blink_->SetEnabled(false);
  blink_->SetInterval(t);
  blink_->SetEnabled(true);
}

void TMemoCaretPart::BlinkTick() {
  blinkOn_ = !blinkOn_;
  if (!caretRect_.IsEmpty()) Memo().InvalidateRect(caretRect_);
}

unsigned TMemoCaretPart::BlinkInterval() const {
  return blink_ && blink_->Enabled() ? blink_->Interval() : 0u;
}

void TMemoCaretPart::PaintCaret(TCanvas& Canvas) {
  TCustomSyntaxMemo& m = Memo();
  const TRect r = CaretRect();
  caretRect_ = r;
  if (r.IsEmpty() || !blinkOn_) return;
  const TqxCaretShape* shape = CurrentShape();
  if (TBitmap* b = shape->Bitmap()) {
    const TRect saved = Canvas.ClipRect();
    Canvas.IntersectClipRect(r);
    if (shape->Stretch())
      Canvas.StretchDraw(r, *b);
    else
      Canvas.Draw(r.Left, r.Top, *b);
    Canvas.SetClipRect(saved);
  } else {
    // No inverting caret on this seam: the caret is painted in its colour, the platform's text
    // colour by default.
    TColor c = shape->Color();
    if (c == TqxCaretShape::DefaultCaretColor) c = shape->IsGray() ? clGray : clWindowText;
    Canvas.Brush()->SetStyle(bsSolid);
    Canvas.Brush()->SetColor(c);
    Canvas.FillRect(r);
  }
  if (IControlHost* h = m.Host()) h->InputMethod().SetCursorRect(r);
}

}  // namespace synt
