#include "editor/memo_settings.h"

#include <algorithm>
#include <charconv>
#include <climits>

#include "platform/bitmap.h"
#include "platform/utf.h"

namespace synt {

// ---- TLineHighlightAttr -----------------------------------------------------------------------

void TLineHighlightAttr::ApplyTo(TCanvas* Canvas, bool InSelection) const {
  if (!InSelection) {
    if (bgColor != clNone) Canvas->Brush()->SetColor(bgColor);
    if (frColor != clNone) Canvas->Font()->SetColor(frColor);
  } else if (Selected) {
    if (frColor != clNone) Canvas->Brush()->SetColor(frColor);
    if (bgColor != clNone) Canvas->Font()->SetColor(bgColor);
  }
}

// ---- TDefaultStyles ---------------------------------------------------------------------------

TDefaultStyles::TDefaultStyles() : styles_(std::make_unique<TStylesCollection>(this)) {
  TSyntaxFormat* sel = styles_->Add();
  sel->SetDisplayName(u"SelectioMark");
  sel->SetFormatType(ftColor);
  sel->Font()->SetColor(clHighlightText);
  sel->SetBgColor(clHighlight);
  TSyntaxFormat* search = styles_->Add();
  search->SetDisplayName(u"SearchMark");
  search->SetFormatType(ftColor);
  search->Font()->SetColor(clWhite);
  search->SetBgColor(clBlack);
  TSyntaxFormat* line = styles_->Add();
  line->SetDisplayName(u"CurrentLine");
  line->SetFormatType(ftBackGround);
  line->SetBgColor(clNone);
  line->SetEnabled(false);
  TSyntaxFormat* collapse = styles_->Add();
  collapse->SetDisplayName(u"CollapseMark");
  collapse->SetFormatType(ftColor);
  collapse->Font()->SetColor(clSilver);
  for (int side = 0; side < 4; ++side) {
    collapse->SetBorderType(side, blSolid);
    collapse->SetBorderColor(side, clSilver);
  }
  // Installed last: the defaults above are no change to report.
  styles_->OnChange = [this](TSyntCollection*, TSyntCollectionItem*) {
    if (OnChange) OnChange(this);
  };
}

TDefaultStyles::~TDefaultStyles() {
  styles_->OnChange = nullptr;
}

void TDefaultStyles::Assign(const TPersistent* Source) {
  auto* src = dynamic_cast<const TDefaultStyles*>(Source);
  if (!src) {
    TPersistent::Assign(Source);
    return;
  }
  for (int i = 0; i < 4; ++i) Item(i)->Assign(src->Item(i));
}

// ---- TNonPrinted ------------------------------------------------------------------------------

TNonPrinted::TNonPrinted() : font_(std::make_unique<TFont>()) {
  font_->SetColor(clSilver);
  font_->OnChange = [this](TObject*) { Changed(); };
}

TNonPrinted::~TNonPrinted() {
  font_->OnChange = nullptr;
}

void TNonPrinted::Changed() {
  if (OnChange) OnChange(this);
}

void TNonPrinted::SetVisible(bool Value) {
  if (Value == visible_) return;
  visible_ = Value;
  Changed();
}

void TNonPrinted::SetColor(TColor Value) {
  if (Value == color_) return;
  color_ = Value;
  Changed();
}

void TNonPrinted::SetUseFont(bool Value) {
  if (Value == useFont_) return;
  useFont_ = Value;
  Changed();
}

void TNonPrinted::SetTabChar(uint8_t Value) {
  if (Value == tabChar_) return;
  tabChar_ = Value;
  Changed();
}

void TNonPrinted::SetSpaceChar(uint8_t Value) {
  if (Value == spaceChar_) return;
  spaceChar_ = Value;
  Changed();
}

void TNonPrinted::SetLineBreakChar(uint8_t Value) {
  if (Value == lineBreakChar_) return;
  lineBreakChar_ = Value;
  Changed();
}

void TNonPrinted::SetSoftLineBreakChar(uint8_t Value) {
  if (Value == softLineBreakChar_) return;
  softLineBreakChar_ = Value;
  Changed();
}

char16_t TNonPrinted::Glyph(uint8_t Char) {
  // Windows Latin-1 differs from ISO Latin-1 only in 0x80..0x9F; undefined bytes map to
  // themselves.
  static const char16_t k80[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                   0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                   0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                   0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  return Char >= 0x80 && Char < 0xA0 ? k80[Char - 0x80] : char16_t(Char);
}

void TNonPrinted::Assign(const TPersistent* Source) {
  auto* src = dynamic_cast<const TNonPrinted*>(Source);
  if (!src) {
    TPersistent::Assign(Source);
    return;
  }
  visible_ = src->visible_;
  color_ = src->color_;
  useFont_ = src->useFont_;
  tabChar_ = src->tabChar_;
  spaceChar_ = src->spaceChar_;
  lineBreakChar_ = src->lineBreakChar_;
  softLineBreakChar_ = src->softLineBreakChar_;
  font_->Assign(src->font_.get());  // reports the change
  Changed();
}

// ---- TTabList ---------------------------------------------------------------------------------

TTabList::TTabList() = default;

std::u16string TTabList::AsString() const {
  std::u16string s;
  for (size_t i = 0; i < stops_.size(); ++i) {
    if (i) s += u' ';
    for (char c : std::to_string(stops_[i])) s += char16_t(c);
  }
  return s;
}

std::vector<int> TTabList::Checked(std::vector<int> Stops) {
  std::sort(Stops.begin(), Stops.end());
  for (size_t i = 0; i < Stops.size(); ++i) {
    if (Stops[i] < 1) {
      std::string msg = "Invalid tab position: ";
      msg += std::to_string(Stops[i]);
      throw Exception(msg);
    }
    if (i && Stops[i] == Stops[i - 1]) throw Exception("Duplicate tab position");
  }
  return Stops;
}

void TTabList::Swap(std::vector<int> Stops) {
  if (Stops == stops_) return;
  stops_ = std::move(Stops);
  if (OnChange) OnChange(this);
}

void TTabList::SetAsString(std::u16string_view Value) {
  std::vector<int> stops;
  auto separator = [](char16_t c) {
    return c == u' ' || c == u',' || c == u';' || c == u'\t' || c == u'\r' || c == u'\n';
  };
  size_t i = 0;
  while (i < Value.size()) {
    if (separator(Value[i])) {
      ++i;
      continue;
    }
    size_t j = i;
    while (j < Value.size() && !separator(Value[j])) ++j;
    const std::string word = Utf16ToUtf8(Value.substr(i, j - i));
    int n = 0;
    auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), n);
    if (ec != std::errc() || end != word.data() + word.size()) {
      std::string msg = "Invalid tab position: ";
      msg += word;
      throw Exception(msg);
    }
    stops.push_back(n);
    i = j;
  }
  Swap(Checked(std::move(stops)));
}

void TTabList::SetStops(std::span<const int> Stops) {
  Swap(Checked(std::vector<int>(Stops.begin(), Stops.end())));
}

void TTabList::Clear() {
  Swap({});
}

int TTabList::NextTab(int Column, bool Inclusive) const {
  if (stops_.empty()) return Column + 1;
  auto it = Inclusive ? std::lower_bound(stops_.begin(), stops_.end(), Column)
                      : std::upper_bound(stops_.begin(), stops_.end(), Column);
  if (it != stops_.end()) return *it;
  const int last = stops_.back();
  const int d = std::max(1, stops_.size() > 1 ? last - stops_[stops_.size() - 2] : last);
  if (Inclusive && (Column - last) % d == 0) return Column;
  return last + d * ((Column - last) / d + 1);
}

void TTabList::Assign(const TPersistent* Source) {
  auto* src = dynamic_cast<const TTabList*>(Source);
  if (!src) {
    TPersistent::Assign(Source);
    return;
  }
  Swap(src->stops_);
}

// ---- TqxBackGround ----------------------------------------------------------------------------

void TqxBackGround::Changed() {
  if (OnChange) OnChange(this);
}

void TqxBackGround::SetFillStyle(TFillStyle Value) {
  if (Value == fillStyle_) return;
  fillStyle_ = Value;
  Changed();
}

void TqxBackGround::SetGradColor(TColor Value) {
  if (Value == gradColor_) return;
  gradColor_ = Value;
  Changed();
}

void TqxBackGround::SetBitmap(const TPixelImage& Value) {
  bitmap_ = Value;
  Changed();
}

bool TqxBackGround::IsPlain() const {
  switch (fillStyle_) {
    case fstHorzGradient:
    case fstVertGradient:
      return false;
    case fstCenter:
    case fstTile:
    case fstStretch:
      return bitmap_.Empty();
    case fstNone:
      break;
  }
  return true;
}

namespace {

// A colour's channels, system colours resolved.
void Channels(TColor C, int& R, int& G, int& B) {
  const uint32_t rgb = ColorToRGB(C);
  R = int(rgb & 0xFF);
  G = int((rgb >> 8) & 0xFF);
  B = int((rgb >> 16) & 0xFF);
}

TColor Blend(TColor From, TColor To, int Step, int Steps) {
  int r0, g0, b0, r1, g1, b1;
  Channels(From, r0, g0, b0);
  Channels(To, r1, g1, b1);
  auto mix = [&](int a, int b) { return a + (b - a) * Step / std::max(1, Steps); };
  return TColor(mix(r0, r1) | (mix(g0, g1) << 8) | (mix(b0, b1) << 16));
}

}  // namespace

void TqxBackGround::Paint(TCanvas& Canvas, const TRect& Area) const {
  const TColor from = Canvas.Brush()->Color();
  const TPixelImage& image = bitmap_;
  switch (fillStyle_) {
    case fstHorzGradient:
    case fstVertGradient: {
      // Bands of a few pixels: smooth enough, and bounded work for any size.
      const bool horz = fillStyle_ == fstHorzGradient;
      const int span = horz ? Area.Width() : Area.Height();
      const int steps = std::max(1, std::min(span, 256));
      for (int i = 0; i < steps; ++i) {
        const int a = span * i / steps, b = span * (i + 1) / steps;
        Canvas.Brush()->SetColor(Blend(from, gradColor_, i, steps - 1));
        Canvas.FillRect(horz ? TRect{Area.Left + a, Area.Top, Area.Left + b, Area.Bottom}
                             : TRect{Area.Left, Area.Top + a, Area.Right, Area.Top + b});
      }
      Canvas.Brush()->SetColor(from);
      break;
    }
    case fstTile:
      if (!image.Empty()) {
        for (int y = Area.Top; y < Area.Bottom; y += image.Height)
          for (int x = Area.Left; x < Area.Right; x += image.Width) Canvas.DrawImage(x, y, image);
        break;
      }
      Canvas.FillRect(Area);
      break;
    case fstStretch:
      if (!image.Empty()) {
        std::unique_ptr<TBitmap> bmp = Canvas.CreateBitmap(image.Width, image.Height);
        bmp->Assign(image);
        Canvas.StretchDraw(Area, *bmp);
        break;
      }
      Canvas.FillRect(Area);
      break;
    case fstCenter:
      Canvas.FillRect(Area);
      if (!image.Empty())
        Canvas.DrawImage(Area.Left + (Area.Width() - image.Width) / 2,
                         Area.Top + (Area.Height() - image.Height) / 2, image);
      break;
    case fstNone:
      Canvas.FillRect(Area);
      break;
  }
}

void TqxBackGround::Assign(const TPersistent* Source) {
  auto* src = dynamic_cast<const TqxBackGround*>(Source);
  if (!src) {
    TPersistent::Assign(Source);
    return;
  }
  fillStyle_ = src->fillStyle_;
  gradColor_ = src->gradColor_;
  bitmap_ = src->bitmap_;
  Changed();
}

}  // namespace synt
