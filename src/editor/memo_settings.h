// The editor's painting settings: default styles, non-printed glyphs, tab stops, background and
// the per-line highlight colours. Each setting object tells the editor when it changes (OnChange),
// and the editor repaints or lays its text out again.
//
//   synt::TTabList tabs;                        // one stop at 4
//   tabs.SetAsString(u"4 10");                  // stops 4, 10, then every 6 columns
//   tabs.NextTab(11, false);                    // 16
//   tabs.SetAsString(u"4 4");                   // raises "Duplicate tab position", stops unchanged
//
//   memo.DefaultStyles()->SearchMark()->SetBgColor(synt::clYellow);   // repaints the editor
#pragma once

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/lexer_items.h"
#include "editor/memo_options.h"
#include "platform/bitmap.h"
#include "platform/graphics.h"

namespace synt {

// Line colours while one line is painted: the analysis's and user ranges' whole-line highlight,
// and the gutter objects' colours.
struct TLineHighlightAttr {
  TColor bgColor = clNone;
  TColor frColor = clNone;
  bool Selected = false;
  // Outside the selection the colours apply as they are; inside it, only when Selected, swapped.
  void ApplyTo(TCanvas* Canvas, bool InSelection) const;
};

// The four styles the editor falls back on when the lexer has none of its own.
class TDefaultStyles : public TPersistent {
  SYNT_CLASS_INFO()

 public:
  TDefaultStyles();
  ~TDefaultStyles() override;

  TSyntaxFormat* SelectioMark() const { return Item(0); }
  void SetSelectioMark(const TSyntaxFormat* Value) { Item(0)->Assign(Value); }
  TSyntaxFormat* SearchMark() const { return Item(1); }
  void SetSearchMark(const TSyntaxFormat* Value) { Item(1)->Assign(Value); }
  TSyntaxFormat* CurrentLine() const { return Item(2); }
  void SetCurrentLine(const TSyntaxFormat* Value) { Item(2)->Assign(Value); }
  TSyntaxFormat* CollapseMark() const { return Item(3); }
  void SetCollapseMark(const TSyntaxFormat* Value) { Item(3)->Assign(Value); }

  void Assign(const TPersistent* Source) override;

  // Any change of any of the four styles (their Enabled flag included).
  TNotifyEvent OnChange;

 private:
  TSyntaxFormat* Item(int Index) const { return styles_->Items(Index); }
  std::unique_ptr<TStylesCollection> styles_;
};

// How blanks, tabs and line breaks are shown when they are made visible. The glyphs are single
// bytes of the Windows Latin-1 code page (155 is a single right angle quote there); Glyph turns
// one into the UTF-16 unit to draw.
class TNonPrinted : public TPersistent {
  SYNT_CLASS_INFO()

 public:
  TNonPrinted();
  ~TNonPrinted() override;

  bool Visible() const { return visible_; }
  void SetVisible(bool Value);
  TColor Color() const { return color_; }
  void SetColor(TColor Value);
  bool UseFont() const { return useFont_; }
  void SetUseFont(bool Value);
  TFont* Font() const { return font_.get(); }
  void SetFont(const TFont* Value) { font_->Assign(Value); }
  uint8_t TabChar() const { return tabChar_; }
  void SetTabChar(uint8_t Value);
  uint8_t SpaceChar() const { return spaceChar_; }
  void SetSpaceChar(uint8_t Value);
  uint8_t LineBreakChar() const { return lineBreakChar_; }
  void SetLineBreakChar(uint8_t Value);
  uint8_t SoftLineBreakChar() const { return softLineBreakChar_; }
  void SetSoftLineBreakChar(uint8_t Value);

  static char16_t Glyph(uint8_t Char);

  void Assign(const TPersistent* Source) override;
  TNotifyEvent OnChange;

 private:
  void Changed();
  bool visible_ = false;
  TColor color_ = clSilver;
  bool useFont_ = false;
  std::unique_ptr<TFont> font_;
  uint8_t tabChar_ = 155;
  uint8_t spaceChar_ = 183;
  uint8_t lineBreakChar_ = 182;
  uint8_t softLineBreakChar_ = 172;
};

// Tab stops: ascending, distinct display columns. Past the last stop the stops repeat with the
// distance between the last two (or the last stop itself when there is only one).
class TTabList : public TPersistent {
  SYNT_CLASS_INFO()

 public:
  TTabList();

  int Count() const { return int(stops_.size()); }
  int Items(int Index) const { return stops_.at(size_t(Index)); }
  const std::vector<int>& Stops() const { return stops_; }

  // The stops as decimal numbers separated by single blanks.
  std::u16string AsString() const;
  // Reads numbers separated by blanks, commas, semicolons or tabs. A repeated column raises
  // Exception "Duplicate tab position", a word that is not a number or a column below 1 raises
  // Exception "Invalid tab position: <word>"; the old stops then stay as they were.
  void SetAsString(std::u16string_view Value);
  void SetAsStringValue(const std::u16string& Value) { SetAsString(Value); }
  // The same checks for stops given as numbers (in any order).
  void SetStops(std::span<const int> Stops);
  void Clear();

  // The first stop after Column (Inclusive: at or after it); an empty list gives Column + 1.
  int NextTab(int Column, bool Inclusive) const;

  void Assign(const TPersistent* Source) override;
  TNotifyEvent OnChange;

 private:
  static std::vector<int> Checked(std::vector<int> Stops);
  void Swap(std::vector<int> Stops);
  std::vector<int> stops_{4};
};

// The fill of the text area behind the text.
class TqxBackGround : public TPersistent {
  SYNT_CLASS_INFO()

 public:
  TqxBackGround() = default;

  TFillStyle FillStyle() const { return fillStyle_; }
  void SetFillStyle(TFillStyle Value);
  TColor GradColor() const { return gradColor_; }
  void SetGradColor(TColor Value);
  const TPixelImage& Bitmap() const { return bitmap_; }
  void SetBitmap(const TPixelImage& Value);

  // Plain: nothing but the editor colour is drawn (no gradient, no picture).
  bool IsPlain() const;
  // Fills Area by FillStyle, starting from the canvas's brush colour (the text area, the ruler).
  void Paint(TCanvas& Canvas, const TRect& Area) const;

  void Assign(const TPersistent* Source) override;
  TNotifyEvent OnChange;

 private:
  void Changed();
  TFillStyle fillStyle_ = fstNone;
  TColor gradColor_ = clBlue;
  TPixelImage bitmap_;
};

}  // namespace synt
