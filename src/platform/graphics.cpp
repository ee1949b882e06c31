#include "platform/graphics.h"

#include <algorithm>
#include <cmath>

#include "platform/bitmap.h"
#include "platform/properties.h"

namespace synt {

// --- constants -------------------------------------------------------------------------------

const TIdentMap& ColorIdents() {
  static const TIdentMap map{{
      {"clBlack", clBlack},
      {"clMaroon", clMaroon},
      {"clGreen", clGreen},
      {"clOlive", clOlive},
      {"clNavy", clNavy},
      {"clPurple", clPurple},
      {"clTeal", clTeal},
      {"clGray", clGray},
      {"clSilver", clSilver},
      {"clRed", clRed},
      {"clLime", clLime},
      {"clYellow", clYellow},
      {"clBlue", clBlue},
      {"clFuchsia", clFuchsia},
      {"clAqua", clAqua},
      {"clWhite", clWhite},
      {"clMoneyGreen", clMoneyGreen},
      {"clSkyBlue", clSkyBlue},
      {"clCream", clCream},
      {"clMedGray", clMedGray},
      {"clNone", clNone},
      {"clDefault", clDefault},
      {"clScrollBar", clScrollBar},
      {"clBackground", clBackground},
      {"clActiveCaption", clActiveCaption},
      {"clInactiveCaption", clInactiveCaption},
      {"clMenu", clMenu},
      {"clWindow", clWindow},
      {"clWindowFrame", clWindowFrame},
      {"clMenuText", clMenuText},
      {"clWindowText", clWindowText},
      {"clCaptionText", clCaptionText},
      {"clActiveBorder", clActiveBorder},
      {"clInactiveBorder", clInactiveBorder},
      {"clAppWorkSpace", clAppWorkSpace},
      {"clHighlight", clHighlight},
      {"clHighlightText", clHighlightText},
      {"clBtnFace", clBtnFace},
      {"clBtnShadow", clBtnShadow},
      {"clGrayText", clGrayText},
      {"clBtnText", clBtnText},
      {"clInactiveCaptionText", clInactiveCaptionText},
      {"clBtnHighlight", clBtnHighlight},
      {"cl3DDkShadow", cl3DDkShadow},
      {"cl3DLight", cl3DLight},
      {"clInfoText", clInfoText},
      {"clInfoBk", clInfoBk},
      {"clHotLight", clHotLight},
      {"clGradientActiveCaption", clGradientActiveCaption},
      {"clGradientInactiveCaption", clGradientInactiveCaption},
      {"clMenuHighlight", clMenuHighlight},
      {"clMenuBar", clMenuBar},
  }};
  return map;
}

const TIdentMap& CharsetIdents() {
  static const TIdentMap map{{
      {"ANSI_CHARSET", ANSI_CHARSET},
      {"DEFAULT_CHARSET", DEFAULT_CHARSET},
      {"SYMBOL_CHARSET", SYMBOL_CHARSET},
      {"MAC_CHARSET", MAC_CHARSET},
      {"SHIFTJIS_CHARSET", SHIFTJIS_CHARSET},
      {"HANGEUL_CHARSET", HANGEUL_CHARSET},
      {"JOHAB_CHARSET", JOHAB_CHARSET},
      {"GB2312_CHARSET", GB2312_CHARSET},
      {"CHINESEBIG5_CHARSET", CHINESEBIG5_CHARSET},
      {"GREEK_CHARSET", GREEK_CHARSET},
      {"TURKISH_CHARSET", TURKISH_CHARSET},
      {"VIETNAMESE_CHARSET", VIETNAMESE_CHARSET},
      {"HEBREW_CHARSET", HEBREW_CHARSET},
      {"ARABIC_CHARSET", ARABIC_CHARSET},
      {"BALTIC_CHARSET", BALTIC_CHARSET},
      {"RUSSIAN_CHARSET", RUSSIAN_CHARSET},
      {"THAI_CHARSET", THAI_CHARSET},
      {"EASTEUROPE_CHARSET", EASTEUROPE_CHARSET},
      {"OEM_CHARSET", OEM_CHARSET},
  }};
  return map;
}

uint32_t ColorToRGB(TColor Color) {
  uint32_t c = uint32_t(Color);
  if ((c & 0xFF000000u) != 0xFF000000u) return (c & 0xFF000000u) ? 0 : c;
  // The classic light desktop scheme, as 0x00BBGGRR.
  static const uint32_t sys[31] = {
      0xC8C8C8, 0x000000, 0xD1B499, 0xDBCDBF, 0xF0F0F0, 0xFFFFFF, 0x646464, 0x000000,
      0x000000, 0x000000, 0xB4B4B4, 0xFCF7F4, 0xABABAB, 0xFF9933, 0xFFFFFF, 0xF0F0F0,
      0xA0A0A0, 0x6D6D6D, 0x000000, 0x000000, 0xFFFFFF, 0x696969, 0xE3E3E3, 0x000000,
      0xE1FFFF, 0xB5B5B5, 0xCC6600, 0xEAD1B9, 0xF2E4D7, 0xFF9933, 0xF0F0F0};
  unsigned idx = c & 0xFF;
  return idx < 31 ? sys[idx] : 0;
}

const TEnumInfo& FontStyleInfo() {
  static const TEnumInfo info{"TFontStyle", {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"}};
  return info;
}
const TEnumInfo& FontPitchInfo() {
  static const TEnumInfo info{"TFontPitch", {"fpDefault", "fpVariable", "fpFixed"}};
  return info;
}
const TEnumInfo& PenStyleInfo() {
  static const TEnumInfo info{
      "TPenStyle",
      {"psSolid", "psDash", "psDot", "psDashDot", "psDashDotDot", "psClear", "psInsideFrame"}};
  return info;
}
const TEnumInfo& PenModeInfo() {
  static const TEnumInfo info{
      "TPenMode",
      {"pmBlack", "pmWhite", "pmNop", "pmNot", "pmCopy", "pmNotCopy", "pmMergePenNot",
       "pmMaskPenNot", "pmMergeNotPen", "pmMaskNotPen", "pmMerge", "pmNotMerge", "pmMask",
       "pmNotMask", "pmXor", "pmNotXor"}};
  return info;
}
const TEnumInfo& BrushStyleInfo() {
  static const TEnumInfo info{"TBrushStyle",
                              {"bsSolid", "bsClear", "bsHorizontal", "bsVertical", "bsFDiagonal",
                               "bsBDiagonal", "bsCross", "bsDiagCross"}};
  return info;
}

// --- TFont -----------------------------------------------------------------------------------

namespace {

void DescribeFont(TPropertyList& List) {
  TPropsOf<TFont> p(List);
  p.Ident("Charset", &TFont::Charset, &TFont::SetCharset, CharsetIdents());
  p.Ident("Color", &TFont::Color, &TFont::SetColor, ColorIdents());
  p.Integer("Height", &TFont::Height, &TFont::SetHeight);
  p.String("Name", &TFont::Name, &TFont::SetName);
  p.Enum("Pitch", &TFont::Pitch, &TFont::SetPitch, FontPitchInfo()).Def(fpDefault);
  p.Integer("Size", &TFont::Size, &TFont::SetSize).NotStored();
  p.Set("Style", &TFont::Style, &TFont::SetStyle, FontStyleInfo());
}

void DescribePen(TPropertyList& List) {
  TPropsOf<TPen> p(List);
  p.Ident("Color", &TPen::Color, &TPen::SetColor, ColorIdents()).Def(clBlack);
  p.Enum("Mode", &TPen::Mode, &TPen::SetMode, PenModeInfo()).Def(pmCopy);
  p.Enum("Style", &TPen::Style, &TPen::SetStyle, PenStyleInfo()).Def(psSolid);
  p.Integer("Width", &TPen::Width, &TPen::SetWidth).Def(1);
}

void DescribeBrush(TPropertyList& List) {
  TPropsOf<TBrush> p(List);
  p.Ident("Color", &TBrush::Color, &TBrush::SetColor, ColorIdents()).Def(clWhite);
  p.Enum("Style", &TBrush::Style, &TBrush::SetStyle, BrushStyleInfo()).Def(bsSolid);
}

int MulDiv(int a, int b, int c) {
  return int(std::lround(double(a) * double(b) / double(c)));
}

}  // namespace

const TClassInfo& TFont::StaticClassInfo() {
  static const TClassInfo info("TFont", &TPersistent::StaticClassInfo(), DescribeFont);
  return info;
}

void TFont::Changed() {
  if (OnChange) OnChange(this);
}

void TFont::Assign(const TPersistent* Source) {
  if (auto* f = dynamic_cast<const TFont*>(Source)) {
    if (f == this) return;
    bool same = Equals(*f);
    charset_ = f->charset_;
    color_ = f->color_;
    // Keep the point size across resolutions (a printer's font from the screen's).
    height_ =
        f->pixelsPerInch_ == pixelsPerInch_ ? f->height_ : -MulDiv(f->Size(), pixelsPerInch_, 72);
    name_ = f->name_;
    pitch_ = f->pitch_;
    style_ = f->style_;
    if (!same) Changed();
    return;
  }
  TPersistent::Assign(Source);
}

bool TFont::Equals(const TFont& o) const {
  return charset_ == o.charset_ && color_ == o.color_ && height_ == o.height_ && name_ == o.name_ &&
         pitch_ == o.pitch_ && style_ == o.style_;
}

void TFont::SetCharset(TFontCharset V) {
  if (V == charset_) return;
  charset_ = V;
  Changed();
}
void TFont::SetColor(TColor V) {
  if (V == color_) return;
  color_ = V;
  Changed();
}
void TFont::SetHeight(int V) {
  if (V == height_) return;
  height_ = V;
  Changed();
}
void TFont::SetName(const std::u16string& V) {
  if (V == name_ || V.empty()) return;
  name_ = V;
  Changed();
}
void TFont::SetPitch(TFontPitch V) {
  if (V == pitch_) return;
  pitch_ = V;
  Changed();
}
int TFont::Size() const {
  return -MulDiv(height_, 72, pixelsPerInch_);
}
void TFont::SetSize(int V) {
  SetHeight(-MulDiv(V, pixelsPerInch_, 72));
}
void TFont::SetStyle(TFontStyles V) {
  V = V * TFontStyles::Range(4);
  if (V == style_) return;
  style_ = V;
  Changed();
}

// --- TPen, TBrush ----------------------------------------------------------------------------

const TClassInfo& TPen::StaticClassInfo() {
  static const TClassInfo info("TPen", &TPersistent::StaticClassInfo(), DescribePen);
  return info;
}

void TPen::Changed() {
  if (OnChange) OnChange(this);
}

void TPen::Assign(const TPersistent* Source) {
  if (auto* p = dynamic_cast<const TPen*>(Source)) {
    if (p == this) return;
    bool same = Equals(*p);
    color_ = p->color_;
    mode_ = p->mode_;
    style_ = p->style_;
    width_ = p->width_;
    if (!same) Changed();
    return;
  }
  TPersistent::Assign(Source);
}

bool TPen::Equals(const TPen& o) const {
  return color_ == o.color_ && mode_ == o.mode_ && style_ == o.style_ && width_ == o.width_;
}

void TPen::SetColor(TColor V) {
  if (V == color_) return;
  color_ = V;
  Changed();
}
void TPen::SetMode(TPenMode V) {
  if (V == mode_) return;
  mode_ = V;
  Changed();
}
void TPen::SetStyle(TPenStyle V) {
  if (V == style_) return;
  style_ = V;
  Changed();
}
void TPen::SetWidth(int V) {
  if (V < 0) V = 0;
  if (V == width_) return;
  width_ = V;
  Changed();
}

const TClassInfo& TBrush::StaticClassInfo() {
  static const TClassInfo info("TBrush", &TPersistent::StaticClassInfo(), DescribeBrush);
  return info;
}

void TBrush::Changed() {
  if (OnChange) OnChange(this);
}

void TBrush::Assign(const TPersistent* Source) {
  if (auto* b = dynamic_cast<const TBrush*>(Source)) {
    if (b == this) return;
    bool same = color_ == b->color_ && style_ == b->style_;
    color_ = b->color_;
    style_ = b->style_;
    if (!same) Changed();
    return;
  }
  TPersistent::Assign(Source);
}

void TBrush::SetColor(TColor V) {
  if (V == color_) return;
  color_ = V;
  Changed();
}
void TBrush::SetStyle(TBrushStyle V) {
  if (V == style_) return;
  style_ = V;
  Changed();
}

// --- geometry, canvas ------------------------------------------------------------------------

TRect TRect::Intersect(const TRect& R) const {
  TRect r{std::max(Left, R.Left), std::max(Top, R.Top), std::min(Right, R.Right),
          std::min(Bottom, R.Bottom)};
  if (r.Right < r.Left) r.Right = r.Left;
  if (r.Bottom < r.Top) r.Bottom = r.Top;
  return r;
}

TRect TRect::Union(const TRect& R) const {
  if (R.IsEmpty()) return *this;
  if (IsEmpty()) return R;
  return {std::min(Left, R.Left), std::min(Top, R.Top), std::max(Right, R.Right),
          std::max(Bottom, R.Bottom)};
}

const TClassInfo& TCanvas::StaticClassInfo() {
  static const TClassInfo info("TCanvas", &TPersistent::StaticClassInfo());
  return info;
}

TCanvas::TCanvas()
    : font_(std::make_unique<TFont>()),
      pen_(std::make_unique<TPen>()),
      brush_(std::make_unique<TBrush>()) {}

TCanvas::~TCanvas() = default;

void TCanvas::DrawImage(int X, int Y, const TPixelImage& Image) {
  DrawImage(X, Y, Image, {0, 0, Image.Width, Image.Height});
}

}  // namespace synt
