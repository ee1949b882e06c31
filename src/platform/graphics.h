// Colours, fonts, pens and brushes, and the abstract drawing surface the controls paint on. The
// toolkit backend implements TCanvas; tests use THeadlessCanvas, which measures text in character
// cells and records every drawing call with the state it was made in.
//
//   synt::THeadlessCanvas c;
//   c.Font()->SetName(u"Courier New");
//   c.Font()->SetStyle({synt::fsBold});
//   c.Brush()->SetColor(synt::clYellow);
//   c.TextOut(0, 0, u"begin");
//   c.FillRect({0, 16, 40, 32});
//   const synt::TCanvasOp& op = c.Ops()[0];   // TextOut "begin", font bold, brush yellow
//   std::vector<int> x = c.MeasureUnits(u"begin");   // {0, 8, 16, 24, 32, 40}
//
// Threads: a canvas belongs to the GUI thread, except one a thread creates for itself (a bitmap's
// canvas used by an export on a worker thread). Units: pixels of the device the canvas draws on.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/persistent.h"
#include "platform/set.h"

namespace synt {

struct TIdentMap;
struct TEnumInfo;
class TBitmap;
struct TPixelImage;

// A colour: 0x00BBGGRR, or a system colour (high byte 0xFF, index in the low byte), clNone (leave
// the current colour) or clDefault.
using TColor = int32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clMoneyGreen = 0xC0DCC0;
constexpr TColor clSkyBlue = 0xF0CAA6;
constexpr TColor clCream = 0xF0FBFF;
constexpr TColor clMedGray = 0xA4A0A0;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

constexpr TColor SystemColor(int Index) {
  return TColor(0xFF000000u | unsigned(Index));
}
constexpr TColor clScrollBar = SystemColor(0);
constexpr TColor clBackground = SystemColor(1);
constexpr TColor clActiveCaption = SystemColor(2);
constexpr TColor clInactiveCaption = SystemColor(3);
constexpr TColor clMenu = SystemColor(4);
constexpr TColor clWindow = SystemColor(5);
constexpr TColor clWindowFrame = SystemColor(6);
constexpr TColor clMenuText = SystemColor(7);
constexpr TColor clWindowText = SystemColor(8);
constexpr TColor clCaptionText = SystemColor(9);
constexpr TColor clActiveBorder = SystemColor(10);
constexpr TColor clInactiveBorder = SystemColor(11);
constexpr TColor clAppWorkSpace = SystemColor(12);
constexpr TColor clHighlight = SystemColor(13);
constexpr TColor clHighlightText = SystemColor(14);
constexpr TColor clBtnFace = SystemColor(15);
constexpr TColor clBtnShadow = SystemColor(16);
constexpr TColor clGrayText = SystemColor(17);
constexpr TColor clBtnText = SystemColor(18);
constexpr TColor clInactiveCaptionText = SystemColor(19);
constexpr TColor clBtnHighlight = SystemColor(20);
constexpr TColor cl3DDkShadow = SystemColor(21);
constexpr TColor cl3DLight = SystemColor(22);
constexpr TColor clInfoText = SystemColor(23);
constexpr TColor clInfoBk = SystemColor(24);
constexpr TColor clHotLight = SystemColor(26);
constexpr TColor clGradientActiveCaption = SystemColor(27);
constexpr TColor clGradientInactiveCaption = SystemColor(28);
constexpr TColor clMenuHighlight = SystemColor(29);
constexpr TColor clMenuBar = SystemColor(30);

// The stored names of colours (clRed, clWindow, ...) and of character sets (DEFAULT_CHARSET, ...).
const TIdentMap& ColorIdents();
const TIdentMap& CharsetIdents();

// The RGB value of a colour: system colours take the headless platform's standard values; clNone
// and clDefault give black.
uint32_t ColorToRGB(TColor Color);

// Font character sets.
using TFontCharset = uint8_t;
constexpr TFontCharset ANSI_CHARSET = 0;
constexpr TFontCharset DEFAULT_CHARSET = 1;
constexpr TFontCharset SYMBOL_CHARSET = 2;
constexpr TFontCharset MAC_CHARSET = 77;
constexpr TFontCharset SHIFTJIS_CHARSET = 128;
constexpr TFontCharset HANGEUL_CHARSET = 129;
constexpr TFontCharset JOHAB_CHARSET = 130;
constexpr TFontCharset GB2312_CHARSET = 134;
constexpr TFontCharset CHINESEBIG5_CHARSET = 136;
constexpr TFontCharset GREEK_CHARSET = 161;
constexpr TFontCharset TURKISH_CHARSET = 162;
constexpr TFontCharset VIETNAMESE_CHARSET = 163;
constexpr TFontCharset HEBREW_CHARSET = 177;
constexpr TFontCharset ARABIC_CHARSET = 178;
constexpr TFontCharset BALTIC_CHARSET = 186;
constexpr TFontCharset RUSSIAN_CHARSET = 204;
constexpr TFontCharset THAI_CHARSET = 222;
constexpr TFontCharset EASTEUROPE_CHARSET = 238;
constexpr TFontCharset OEM_CHARSET = 255;

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle>;
enum TFontPitch { fpDefault, fpVariable, fpFixed };
enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode {
  pmBlack,
  pmWhite,
  pmNop,
  pmNot,
  pmCopy,
  pmNotCopy,
  pmMergePenNot,
  pmMaskPenNot,
  pmMergeNotPen,
  pmMaskNotPen,
  pmMerge,
  pmNotMerge,
  pmMask,
  pmNotMask,
  pmXor,
  pmNotXor
};
enum TBrushStyle {
  bsSolid,
  bsClear,
  bsHorizontal,
  bsVertical,
  bsFDiagonal,
  bsBDiagonal,
  bsCross,
  bsDiagCross
};
const TEnumInfo& FontStyleInfo();
const TEnumInfo& FontPitchInfo();
const TEnumInfo& PenStyleInfo();
const TEnumInfo& PenModeInfo();
const TEnumInfo& BrushStyleInfo();

// Text attributes. Stored: Charset, Color, Height, Name, Pitch, Style; Size is derived from Height
// and the resolution (Size = -Height * 72 / PixelsPerInch, rounded) and only read.
class TFont : public TPersistent {
  SYNT_CLASS_INFO()

 public:
  TFont() = default;
  void Assign(const TPersistent* Source) override;
  bool Equals(const TFont& Other) const;  // every stored attribute

  TFontCharset Charset() const { return charset_; }
  void SetCharset(TFontCharset V);
  TColor Color() const { return color_; }
  void SetColor(TColor V);
  int Height() const { return height_; }
  void SetHeight(int V);
  const std::u16string& Name() const { return name_; }
  void SetName(const std::u16string& V);
  TFontPitch Pitch() const { return pitch_; }
  void SetPitch(TFontPitch V);
  int Size() const;
  void SetSize(int V);
  TFontStyles Style() const { return style_; }
  void SetStyle(TFontStyles V);
  int PixelsPerInch() const { return pixelsPerInch_; }
  void SetPixelsPerInch(int V) { pixelsPerInch_ = V > 0 ? V : 96; }

  TNotifyEvent OnChange;

 protected:
  virtual void Changed();

 private:
  TFontCharset charset_ = DEFAULT_CHARSET;
  TColor color_ = clWindowText;
  int height_ = -13;  // 10 points at 96 pixels per inch
  std::u16string name_ = u"Courier New";
  TFontPitch pitch_ = fpDefault;
  TFontStyles style_;
  int pixelsPerInch_ = 96;
};

class TPen : public TPersistent {
  SYNT_CLASS_INFO()

 public:
  TPen() = default;
  void Assign(const TPersistent* Source) override;
  bool Equals(const TPen& Other) const;

  TColor Color() const { return color_; }
  void SetColor(TColor V);
  TPenMode Mode() const { return mode_; }
  void SetMode(TPenMode V);
  TPenStyle Style() const { return style_; }
  void SetStyle(TPenStyle V);
  int Width() const { return width_; }
  void SetWidth(int V);

  TNotifyEvent OnChange;

 private:
  void Changed();
  TColor color_ = clBlack;
  TPenMode mode_ = pmCopy;
  TPenStyle style_ = psSolid;
  int width_ = 1;
};

class TBrush : public TPersistent {
  SYNT_CLASS_INFO()

 public:
  TBrush() = default;
  void Assign(const TPersistent* Source) override;

  TColor Color() const { return color_; }
  void SetColor(TColor V);
  TBrushStyle Style() const { return style_; }
  void SetStyle(TBrushStyle V);

  TNotifyEvent OnChange;

 private:
  void Changed();
  TColor color_ = clWhite;
  TBrushStyle style_ = bsSolid;
};

// TPoint is the shared one of object.h.
struct TSize {
  int cx = 0, cy = 0;
  bool operator==(const TSize&) const = default;
};
struct TRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  bool Contains(TPoint P) const { return P.X >= Left && P.X < Right && P.Y >= Top && P.Y < Bottom; }
  TRect Intersect(const TRect& R) const;
  // The smallest rectangle covering both; an empty one counts as nothing.
  TRect Union(const TRect& R) const;
  bool Intersects(const TRect& R) const { return !Intersect(R).IsEmpty(); }
  bool operator==(const TRect&) const = default;
};

struct TTextMetrics {
  int Height = 0;  // ascent + descent
  int Ascent = 0;
  int Descent = 0;
  int InternalLeading = 0;
  int ExternalLeading = 0;
  int AveCharWidth = 0;
  int MaxCharWidth = 0;
  bool FixedPitch = false;
};

// The drawing surface. Font, Pen and Brush are the current drawing objects: setting their
// properties changes what the next call draws. Coordinates are pixels; rectangles are half-open.
class TCanvas : public TPersistent {
  SYNT_CLASS_INFO()

 public:
  TCanvas();
  ~TCanvas() override;

  TFont* Font() const { return font_.get(); }
  TPen* Pen() const { return pen_.get(); }
  TBrush* Brush() const { return brush_.get(); }

  TPoint PenPos() const { return penPos_; }
  void SetPenPos(TPoint P) { MoveTo(P.X, P.Y); }
  virtual void MoveTo(int X, int Y) { penPos_ = {X, Y}; }
  // A line with the pen from the pen position to (X, Y), which becomes the pen position.
  virtual void LineTo(int X, int Y) = 0;
  virtual void Polyline(const std::vector<TPoint>& Points) = 0;
  // Outlined with the pen, filled with the brush.
  virtual void Polygon(const std::vector<TPoint>& Points) = 0;
  virtual void Rectangle(const TRect& R) = 0;
  virtual void Ellipse(const TRect& R) = 0;
  // Filled with the brush, no outline.
  virtual void FillRect(const TRect& R) = 0;
  // A one-pixel frame in the brush colour.
  virtual void FrameRect(const TRect& R) = 0;

  // Text in the font, its background filled with the brush unless the brush style is bsClear.
  virtual void TextOut(int X, int Y, std::u16string_view Text) = 0;
  // As TextOut, clipped to Clip, whose area is filled with the brush first (unless bsClear).
  virtual void TextRect(const TRect& Clip, int X, int Y, std::u16string_view Text) = 0;
  virtual TSize TextExtent(std::u16string_view Text) = 0;
  int TextWidth(std::u16string_view Text) { return TextExtent(Text).cx; }
  int TextHeight(std::u16string_view Text) { return TextExtent(Text).cy; }
  virtual TTextMetrics GetTextMetrics() = 0;

  // Per-unit measurement of a run of UTF-16 text in the current font: Edges receives Text.size() +
  // 1 offsets, Edges[i] the x of the boundary before unit i relative to the run's start, Edges[0] =
  // 0 and Edges.back() = TextExtent(Text).cx. Offsets never decrease. A cluster (a surrogate pair,
  // a base character with its combining marks) gets its whole advance on its first unit and zero on
  // the rest, so a boundary inside a cluster lies at the cluster's end. Caret placement and
  // hit-testing use these numbers, so they agree with what TextOut draws.
  virtual void MeasureUnits(std::u16string_view Text, std::vector<int>& Edges) = 0;
  std::vector<int> MeasureUnits(std::u16string_view Text) {
    std::vector<int> e;
    MeasureUnits(Text, e);
    return e;
  }

  // Images. Source is a rectangle of Image (clipped to it); pixels are blended by their alpha.
  virtual void DrawImage(int X, int Y, const TPixelImage& Image, const TRect& Source) = 0;
  void DrawImage(int X, int Y, const TPixelImage& Image);
  // A bitmap at its own size, or scaled into Dest. Any backend's bitmap may be drawn on any canvas.
  virtual void Draw(int X, int Y, const TBitmap& Bitmap) = 0;
  virtual void StretchDraw(const TRect& Dest, const TBitmap& Bitmap) = 0;
  // An offscreen surface of this canvas's backend, cleared to transparent; the caller owns it.
  virtual std::unique_ptr<TBitmap> CreateBitmap(int Width, int Height) = 0;

  // Clipping: drawing outside the clip rectangle has no effect.
  virtual TRect ClipRect() const = 0;
  virtual void SetClipRect(const TRect& R) = 0;
  virtual void IntersectClipRect(const TRect& R) { SetClipRect(ClipRect().Intersect(R)); }

 protected:
  TPoint penPos_;

 private:
  std::unique_ptr<TFont> font_;
  std::unique_ptr<TPen> pen_;
  std::unique_ptr<TBrush> brush_;
};

enum class TCanvasOpKind {
  LineTo,
  Polyline,
  Polygon,
  Rectangle,
  Ellipse,
  FillRect,
  FrameRect,
  TextOut,
  TextRect,
  DrawImage,  // DrawImage, Draw and StretchDraw: Rect is the destination, ImageSize the source's
};

// One recorded call and the state it was made in.
struct TCanvasOp {
  TCanvasOpKind Kind;
  TRect Rect;                  // the rectangle (TextOut: the text's cell box)
  std::vector<TPoint> Points;  // LineTo: from and to
  std::u16string Text;
  TPoint TextPos;
  TRect Clip;
  // font
  std::u16string FontName;
  int FontHeight = 0;
  TFontStyles FontStyle;
  TColor FontColor = 0;
  TFontCharset FontCharset = 0;
  // pen and brush
  TColor PenColor = 0;
  TPenStyle PenStyle = psSolid;
  int PenWidth = 1;
  TColor BrushColor = 0;
  TBrushStyle BrushStyle = bsSolid;
  TSize ImageSize;
};

// How a headless canvas measures text. Fixed: every cluster takes one cell. Proportional: narrow
// letters and punctuation (and the blank) take half a cell, m, w, M, W and @ one and a half, other
// capitals a cell and a pixel, East Asian wide characters two cells, everything else one cell; it
// exists so that tests catch code that assumes fixed pitch.
enum class THeadlessPitch { Fixed, Proportional };

// A canvas without a device: text is measured by THeadlessPitch in cells of CellWidth by CellHeight
// (defaults 8 and 16) and every drawing call is recorded in Ops. A canvas over a pixel surface (a
// headless bitmap's) also rasterises fills, frames and images into it, honouring the clip; text and
// lines are recorded only.
class THeadlessCanvas : public TCanvas {
  SYNT_CLASS_INFO()

 public:
  explicit THeadlessCanvas(int CellWidth = 8, int CellHeight = 16,
                           TRect Bounds = {0, 0, 10000, 10000},
                           THeadlessPitch Pitch = THeadlessPitch::Fixed);

  const std::vector<TCanvasOp>& Ops() const { return ops_; }
  void ClearOps() { ops_.clear(); }
  void ReserveOps(std::size_t Count) { ops_.reserve(Count); }
  int CellWidth() const { return cellWidth_; }
  int CellHeight() const { return cellHeight_; }
  THeadlessPitch Pitch() const { return pitch_; }
  // The advance of the cluster whose first code point is C.
  int CharWidth(char32_t C) const;
  // Draws into Surface (not owned; nullptr: record only); bounds and clip become its size.
  void SetSurface(TPixelImage* Surface);

  void LineTo(int X, int Y) override;
  void Polyline(const std::vector<TPoint>& Points) override;
  void Polygon(const std::vector<TPoint>& Points) override;
  void Rectangle(const TRect& R) override;
  void Ellipse(const TRect& R) override;
  void FillRect(const TRect& R) override;
  void FrameRect(const TRect& R) override;
  void TextOut(int X, int Y, std::u16string_view Text) override;
  void TextRect(const TRect& Clip, int X, int Y, std::u16string_view Text) override;
  TSize TextExtent(std::u16string_view Text) override;
  TTextMetrics GetTextMetrics() override;
  void MeasureUnits(std::u16string_view Text, std::vector<int>& Edges) override;
  using TCanvas::DrawImage;
  using TCanvas::MeasureUnits;
  void DrawImage(int X, int Y, const TPixelImage& Image, const TRect& Source) override;
  void Draw(int X, int Y, const TBitmap& Bitmap) override;
  void StretchDraw(const TRect& Dest, const TBitmap& Bitmap) override;
  std::unique_ptr<TBitmap> CreateBitmap(int Width, int Height) override;
  TRect ClipRect() const override { return clip_; }
  void SetClipRect(const TRect& R) override { clip_ = R.Intersect(bounds_); }

 private:
  TCanvasOp& Record(TCanvasOpKind Kind);
  void Fill(const TRect& R, TColor Color);
  void Blit(const TRect& Dest, const TPixelImage& Image, const TRect& Source);
  int cellWidth_, cellHeight_;
  THeadlessPitch pitch_;
  TRect bounds_, clip_;
  TPixelImage* surface_ = nullptr;
  std::vector<TCanvasOp> ops_;
};

}  // namespace synt
