#include "platform/graphics.h"

#include <algorithm>
#include <cmath>

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
  static const TEnumInfo info{"TPenStyle", {"psSolid", "psDash", "psDot", "psDashDot",
                                            "psDashDotDot", "psClear", "psInsideFrame"}};
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
  static const TEnumInfo info{"TBrushStyle", {"bsSolid", "bsClear", "bsHorizontal", "bsVertical",
                                              "bsFDiagonal", "bsBDiagonal", "bsCross",
                                              "bsDiagCross"}};
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
    FCharset = f->FCharset;
    FColor = f->FColor;
    // Keep the point size across resolutions (a printer's font from the screen's).
    FHeight = f->FPixelsPerInch == FPixelsPerInch ? f->FHeight : -MulDiv(f->Size(), FPixelsPerInch, 72);
    FName = f->FName;
    FPitch = f->FPitch;
    FStyle = f->FStyle;
    if (!same) Changed();
    return;
  }
  TPersistent::Assign(Source);
}

bool TFont::Equals(const TFont& o) const {
  return FCharset == o.FCharset && FColor == o.FColor && FHeight == o.FHeight && FName == o.FName &&
         FPitch == o.FPitch && FStyle == o.FStyle;
}

void TFont::SetCharset(TFontCharset V) {
  if (V == FCharset) return;
  FCharset = V;
  Changed();
}
void TFont::SetColor(TColor V) {
  if (V == FColor) return;
  FColor = V;
  Changed();
}
void TFont::SetHeight(int V) {
  if (V == FHeight) return;
  FHeight = V;
  Changed();
}
void TFont::SetName(const std::u16string& V) {
  if (V == FName || V.empty()) return;
  FName = V;
  Changed();
}
void TFont::SetPitch(TFontPitch V) {
  if (V == FPitch) return;
  FPitch = V;
  Changed();
}
int TFont::Size() const { return -MulDiv(FHeight, 72, FPixelsPerInch); }
void TFont::SetSize(int V) { SetHeight(-MulDiv(V, FPixelsPerInch, 72)); }
void TFont::SetStyle(TFontStyles V) {
  V = V * TFontStyles::Range(4);
  if (V == FStyle) return;
  FStyle = V;
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
    FColor = p->FColor;
    FMode = p->FMode;
    FStyle = p->FStyle;
    FWidth = p->FWidth;
    if (!same) Changed();
    return;
  }
  TPersistent::Assign(Source);
}

bool TPen::Equals(const TPen& o) const {
  return FColor == o.FColor && FMode == o.FMode && FStyle == o.FStyle && FWidth == o.FWidth;
}

void TPen::SetColor(TColor V) {
  if (V == FColor) return;
  FColor = V;
  Changed();
}
void TPen::SetMode(TPenMode V) {
  if (V == FMode) return;
  FMode = V;
  Changed();
}
void TPen::SetStyle(TPenStyle V) {
  if (V == FStyle) return;
  FStyle = V;
  Changed();
}
void TPen::SetWidth(int V) {
  if (V < 0) V = 0;
  if (V == FWidth) return;
  FWidth = V;
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
    bool same = FColor == b->FColor && FStyle == b->FStyle;
    FColor = b->FColor;
    FStyle = b->FStyle;
    if (!same) Changed();
    return;
  }
  TPersistent::Assign(Source);
}

void TBrush::SetColor(TColor V) {
  if (V == FColor) return;
  FColor = V;
  Changed();
}
void TBrush::SetStyle(TBrushStyle V) {
  if (V == FStyle) return;
  FStyle = V;
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

const TClassInfo& TCanvas::StaticClassInfo() {
  static const TClassInfo info("TCanvas", &TPersistent::StaticClassInfo());
  return info;
}

TCanvas::TCanvas()
    : FFont(std::make_unique<TFont>()),
      FPen(std::make_unique<TPen>()),
      FBrush(std::make_unique<TBrush>()) {}

TCanvas::~TCanvas() = default;

const TClassInfo& THeadlessCanvas::StaticClassInfo() {
  static const TClassInfo info("THeadlessCanvas", &TCanvas::StaticClassInfo());
  return info;
}

THeadlessCanvas::THeadlessCanvas(int CellWidth, int CellHeight, TRect Bounds)
    : FCellWidth(CellWidth > 0 ? CellWidth : 8),
      FCellHeight(CellHeight > 0 ? CellHeight : 16),
      FBounds(Bounds),
      FClip(Bounds) {}

TCanvasOp& THeadlessCanvas::Record(TCanvasOpKind Kind) {
  TCanvasOp& op = FOps.emplace_back();
  op.Kind = Kind;
  op.Clip = FClip;
  op.FontName = Font()->Name();
  op.FontHeight = Font()->Height();
  op.FontStyle = Font()->Style();
  op.FontColor = Font()->Color();
  op.FontCharset = Font()->Charset();
  op.PenColor = Pen()->Color();
  op.PenStyle = Pen()->Style();
  op.PenWidth = Pen()->Width();
  op.BrushColor = Brush()->Color();
  op.BrushStyle = Brush()->Style();
  return op;
}

void THeadlessCanvas::LineTo(int X, int Y) {
  Record(TCanvasOpKind::LineTo).Points = {FPenPos, {X, Y}};
  FPenPos = {X, Y};
}

void THeadlessCanvas::Polyline(const std::vector<TPoint>& Points) {
  Record(TCanvasOpKind::Polyline).Points = Points;
}

void THeadlessCanvas::Polygon(const std::vector<TPoint>& Points) {
  Record(TCanvasOpKind::Polygon).Points = Points;
}

void THeadlessCanvas::Rectangle(const TRect& R) { Record(TCanvasOpKind::Rectangle).Rect = R; }
void THeadlessCanvas::Ellipse(const TRect& R) { Record(TCanvasOpKind::Ellipse).Rect = R; }
void THeadlessCanvas::FillRect(const TRect& R) { Record(TCanvasOpKind::FillRect).Rect = R; }
void THeadlessCanvas::FrameRect(const TRect& R) { Record(TCanvasOpKind::FrameRect).Rect = R; }

void THeadlessCanvas::TextOut(int X, int Y, std::u16string_view Text) {
  TCanvasOp& op = Record(TCanvasOpKind::TextOut);
  TSize s = TextExtent(Text);
  op.Rect = {X, Y, X + s.cx, Y + s.cy};
  op.Text = std::u16string(Text);
  op.TextPos = {X, Y};
  FPenPos = {X + s.cx, Y};
}

void THeadlessCanvas::TextRect(const TRect& Clip, int X, int Y, std::u16string_view Text) {
  TCanvasOp& op = Record(TCanvasOpKind::TextRect);
  op.Rect = Clip;
  op.Text = std::u16string(Text);
  op.TextPos = {X, Y};
}

TSize THeadlessCanvas::TextExtent(std::u16string_view Text) {
  return {int(Text.size()) * FCellWidth, FCellHeight};
}

TTextMetrics THeadlessCanvas::GetTextMetrics() {
  TTextMetrics m;
  m.Height = FCellHeight;
  m.Descent = FCellHeight / 4;
  m.Ascent = FCellHeight - m.Descent;
  m.AveCharWidth = FCellWidth;
  m.MaxCharWidth = FCellWidth;
  m.FixedPitch = true;
  return m;
}

}  // namespace synt
