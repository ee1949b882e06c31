// The settings of the editor's gutter and what it shows: bands, gutter objects, bookmarks, line
// numbers, the line-state band and the jump animation. They are plain persistent objects; the
// gutter part (memo_gutter.h) paints them and answers clicks on them.
//
//   synt::TGutter* g = memo.Gutter();
//   g->Bands()->Add()->SetWidth(16);                 // band 0: object images
//   synt::TGutterBand* b = g->Bands()->Add();        // band 1: the change state of each line
//   b->SetWidth(4);
//   memo.LineStateDisplay()->SetBand(1);
//   synt::TGutterObject* o = g->Objects()->Add();
//   o->SetLine(12);
//   o->SetImageIndex(3);                             // from g->Images()
//   o->SetBgColor(synt::clYellow);                   // colours the whole text line
//
// Every change tells the owner through OnChange (Layout true when the gutter's width may differ);
// the editor repaints or lays its text out again.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "analysis/lexer_items.h"
#include "platform/bitmap.h"
#include "platform/collection.h"
#include "platform/control.h"
#include "platform/graphics.h"
#include "platform/image_list.h"
#include "platform/menus.h"

namespace synt {

class TGutter;
class TGutterBands;
class TGutterObjects;
class TBookmarks;

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TLineNumberingStyle { lsDefault, lsBDS, lsEach5, lsOnlyCurent, lsUser1, lsUser2, lsUser3 };
enum TSyntAnimationType { atNone, atCircle, atRect, atRoundRect, atEllipse, atCustom };

using TGutterChangeEvent = std::function<void(bool Layout)>;

class TGutterBand : public TCollectionItem {
  SYNT_CLASS_INFO()

 public:
  explicit TGutterBand(TCollection* Collection);

  int Width() const { return width_; }
  void SetWidth(int Value);
  TColor Color() const { return color_; }
  void SetColor(TColor Value);
  TColor LeftBound() const { return leftBound_; }
  void SetLeftBound(TColor Value);
  TColor RightBound() const { return rightBound_; }
  void SetRightBound(TColor Value);
  bool Gradient() const { return gradient_; }
  void SetGradient(bool Value);
  TColor GradientRight() const { return gradientRight_; }
  void SetGradientRight(TColor Value);
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor Value) { cursor_ = Value; }
  bool MouseMoveCaret() const { return mouseMoveCaret_; }
  void SetMouseMoveCaret(bool Value) { mouseMoveCaret_ = Value; }

 private:
  int width_ = 0;
  TColor color_ = clNone;
  TColor leftBound_ = clNone;
  TColor rightBound_ = clNone;
  bool gradient_ = false;
  TColor gradientRight_ = clWhite;
  TCursor cursor_ = crDefault;
  bool mouseMoveCaret_ = true;
};

class TGutterBands : public TCollection {
  SYNT_CLASS_INFO()

 public:
  explicit TGutterBands(TGutter* Owner);
  TGutterBand* Add() { return static_cast<TGutterBand*>(TCollection::Add()); }
  TGutterBand* Items(int Index) const {
    return static_cast<TGutterBand*>(TCollection::Items(Index));
  }

 protected:
  void Update(TCollectionItem* Item) override;
};

class TCustomGutterObject;
// OnClick of a gutter object: the line it was clicked on.
using TGutterObjectClickEvent = std::function<void(TObject* Sender, int Line, TShiftState Shift)>;

// What gutter objects and bookmarks share: an image, where it goes, the colours it gives its text
// line, its hint, menu and cursor.
class TCustomGutterObject : public TCollectionItem {
  SYNT_CLASS_INFO()

 public:
  explicit TCustomGutterObject(TCollection* Collection);
  ~TCustomGutterObject() override;

  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int Value);
  // Null: the gutter's Images.
  TImageList* ImageList() const { return imageList_; }
  void SetImageList(TImageList* Value);
  const std::u16string& Hint() const { return hint_; }
  void SetHint(const std::u16string& Value) { hint_ = Value; }
  // Pixels from the band's left edge; -1 places the object automatically.
  int Margin() const { return margin_; }
  void SetMargin(int Value);
  // -1: the whole gutter.
  int Band() const { return band_; }
  void SetBand(int Value);
  TPopupMenu* PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(TPopupMenu* Value);
  // Colours of the whole text line the object shows on (clNone: unchanged).
  TColor ForeColor() const { return foreColor_; }
  void SetForeColor(TColor Value);
  TColor BgColor() const { return bgColor_; }
  void SetBgColor(TColor Value);
  // Inside the selection the two colours are swapped.
  bool SelInvertColors() const { return selInvertColors_; }
  void SetSelInvertColors(bool Value);
  int64_t Tag() const { return tag_; }
  void SetTag(int64_t Value) { tag_ = Value; }
  const std::u16string& Name() const { return name_; }
  void SetName(const std::u16string& Value) { name_ = Value; }
  std::u16string DisplayName() const override { return name_; }
  void SetDisplayName(const std::u16string& Value) override { name_ = Value; }
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor Value) { cursor_ = Value; }

  // The rectangle the last paint or click of its line placed the image in (window pixels).
  const TRect& Rect() const { return rect_; }
  void SetRect(const TRect& R) { rect_ = R; }

  // Drops references to a freed image list or popup menu.
  void ComponentFreed(TComponent* Component);

  TGutterObjectClickEvent OnClick;

 protected:
  void Changed() { TCollectionItem::Changed(false); }
  void Reference(TComponent* Component);

 private:
  int imageIndex_ = -1;
  TImageList* imageList_ = nullptr;
  std::u16string hint_;
  int margin_ = -1;
  int band_ = -1;
  TPopupMenu* popupMenu_ = nullptr;
  TColor foreColor_ = clNone;
  TColor bgColor_ = clNone;
  bool selInvertColors_ = false;
  int64_t tag_ = 0;
  std::u16string name_;
  TCursor cursor_ = crDefault;
  TRect rect_;
};

// A gutter object the application places on a line (or on some rows of it).
class TGutterObject : public TCustomGutterObject {
  SYNT_CLASS_INFO()

 public:
  explicit TGutterObject(TCollection* Collection) : TCustomGutterObject(Collection) {}

  // -1: no line (shown only where OnCheckLine says so).
  int Line() const { return line_; }
  void SetLine(int Value);
  // -1: centred in the whole line; k >= 0: in the k-th row of a wrapped line; -2: on every
  // continuation row.
  int SubLine() const { return subLine_; }
  void SetSubLine(int Value);

  // Whether the object shows on Line; Show starts as Line == this->Line().
  std::function<void(TObject* Sender, int Line, bool& Show)> OnCheckLine;

 private:
  int line_ = -1;
  int subLine_ = -1;
};

class TGutterObjects : public TCollection {
  SYNT_CLASS_INFO()

 public:
  explicit TGutterObjects(TGutter* Owner);
  TGutterObject* Add() { return static_cast<TGutterObject*>(TCollection::Add()); }
  TGutterObject* Items(int Index) const {
    return static_cast<TGutterObject*>(TCollection::Items(Index));
  }

 protected:
  void Update(TCollectionItem* Item) override;
  void Notify(TCollectionItem* Item, TCollectionNotification Action) override;
};

// A numbered place in the text. Bookmarks follow the text; those made through the bookmark
// operations (ByUser) go with the text they stand in when it is deleted.
class TBookmark : public TCustomGutterObject {
  SYNT_CLASS_INFO()

 public:
  explicit TBookmark(TCollection* Collection) : TCustomGutterObject(Collection) {}

  int Number() const { return number_; }
  int Position() const { return position_; }
  int Line() const { return line_; }
  bool Moved() const { return moved_; }
  bool ByUser() const { return byUser_; }

 private:
  friend class TBookmarks;
  friend class TMemoGutterPart;
  int number_ = 0;
  int position_ = 0;
  int line_ = 0;
  bool moved_ = false;
  bool byUser_ = false;
};

class TBookmarks : public TCollection {
  SYNT_CLASS_INFO()

 public:
  // Owner: the gutter whose images the bookmarks show (told of the image lists they refer to).
  explicit TBookmarks(TGutter* Owner = nullptr);
  TBookmark* Add() { return static_cast<TBookmark*>(TCollection::Add()); }
  TBookmark* Items(int Index) const { return static_cast<TBookmark*>(TCollection::Items(Index)); }
  // The bookmark numbered Number, or null.
  TBookmark* Find(int Number) const;
};

// The colours of each line's change state in one gutter band.
class TLineStateDisplay : public TPersistent {
  SYNT_CLASS_INFO()

 public:
  // -1: not shown.
  int Band() const { return band_; }
  void SetBand(int Value);
  TColor UnchangedColor() const { return unchangedColor_; }
  void SetUnchangedColor(TColor Value);
  TColor ModifiedColor() const { return modifiedColor_; }
  void SetModifiedColor(TColor Value);
  TColor NewColor() const { return newColor_; }
  void SetNewColor(TColor Value);
  TColor SavedColor() const { return savedColor_; }
  void SetSavedColor(TColor Value);
  // The colour of a line state (0 unchanged, 1 changed, 2 inserted, 3 saved).
  TColor StateColor(int State) const;

  void Assign(const TPersistent* Source) override;
  std::function<void()> OnChange;

 private:
  void Changed() {
    if (OnChange) OnChange();
  }
  int band_ = -1;
  TColor unchangedColor_ = clNone;
  TColor modifiedColor_ = TColor(0x00FFFF);
  TColor newColor_ = TColor(0x008000);
  TColor savedColor_ = TColor(0x800000);
};

class TLineNumbers : public TPersistent {
  SYNT_CLASS_INFO()

 public:
  TLineNumbers();
  ~TLineNumbers() override;

  bool Visible() const { return visible_; }
  void SetVisible(bool Value);
  // The colour of numbers on lines that also show a fold button or an image (clNone: not drawn).
  TColor UnderColor() const { return underColor_; }
  void SetUnderColor(TColor Value);
  int Margin() const { return margin_; }
  void SetMargin(int Value);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment Value);
  TVertAlignment VertAlignment() const { return vertAlignment_; }
  void SetVertAlignment(TVertAlignment Value);
  TFont* Font() const { return font_.get(); }
  void SetFont(const TFont* Value) { font_->Assign(Value); }
  // -1: the whole gutter.
  int Band() const { return band_; }
  void SetBand(int Value);
  int FirstLineNumber() const { return firstLineNumber_; }
  void SetFirstLineNumber(int Value);
  // 1-based lines; -1 (or anything below 1): no limit.
  int NumberingStart() const { return numberingStart_; }
  void SetNumberingStart(int Value);
  int NumberingEnd() const { return numberingEnd_; }
  void SetNumberingEnd(int Value);
  TLineNumberingStyle NumberingStyle() const { return numberingStyle_; }
  void SetNumberingStyle(TLineNumberingStyle Value);
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool Value);

  void Assign(const TPersistent* Source) override;
  // Layout: the width the numbers need may differ.
  TGutterChangeEvent OnChange;

 private:
  void Changed(bool Layout) {
    if (OnChange) OnChange(Layout);
  }
  bool visible_ = true;
  TColor underColor_ = clNone;
  int margin_ = 2;
  TAlignment alignment_ = taRightJustify;
  TVertAlignment vertAlignment_ = vaCenter;
  std::unique_ptr<TFont> font_;
  int band_ = -1;
  int firstLineNumber_ = 1;
  int numberingStart_ = -1;
  int numberingEnd_ = -1;
  TLineNumberingStyle numberingStyle_ = lsDefault;
  bool autoSize_ = false;
};

class TGutter : public TPersistent {
  SYNT_CLASS_INFO()

 public:
  TGutter();
  ~TGutter() override;

  bool Visible() const { return visible_; }
  void SetVisible(bool Value);
  int Width() const { return width_; }
  void SetWidth(int Value);
  TColor Color() const { return color_; }
  void SetColor(TColor Value);
  TImageList* Images() const { return images_; }
  void SetImages(TImageList* Value);
  // Two button pictures side by side: expanded (left half), collapsed (right half). Starts as
  // the built-in 18 x 11 picture; an empty one makes the buttons "-" and "+" in the editor font.
  const TPixelImage& ExpandButtons() const { return expandButtons_; }
  void SetExpandButtons(const TPixelImage& Value);
  TGutterBands* Bands() const { return bands_.get(); }
  void SetBands(const TGutterBands* Value) { bands_->Assign(Value); }
  TGutterObjects* Objects() const { return objects_.get(); }
  void SetObjects(const TGutterObjects* Value) { objects_->Assign(Value); }
  // -1 (or a band that does not exist): the whole gutter.
  int ExpBtnBand() const { return expBtnBand_; }
  void SetExpBtnBand(int Value);
  bool ShowSeparator() const { return showSeparator_; }
  void SetShowSeparator(bool Value);
  TPen* CollapsePen() const { return collapsePen_.get(); }
  void SetCollapsePen(const TPen* Value) { collapsePen_->Assign(Value); }
  bool ShowCollapseLine() const { return showCollapseLine_; }
  void SetShowCollapseLine(bool Value);
  bool DoubleBufered() const { return doubleBufered_; }
  void SetDoubleBufered(bool Value) { doubleBufered_ = Value; }
  TPopupMenu* PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(TPopupMenu* Value) {
    popupMenu_ = Value;
    Reference(Value);
  }
  TColor SeparatorColor() const { return separatorColor_; }
  void SetSeparatorColor(TColor Value);
  // Width follows the sum of the band widths.
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool Value);
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor Value) { cursor_ = Value; }
  bool MouseMoveCaret() const { return mouseMoveCaret_; }
  void SetMouseMoveCaret(bool Value) { mouseMoveCaret_ = Value; }
  // Index in Objects of the object shown on the continuation rows of wrapped lines (-1: none).
  int LineBreakObj() const { return lineBreakObj_; }
  void SetLineBreakObj(int Value);

  // The band of index Band, or null for -1 and indexes out of range.
  TGutterBand* BandOf(int Band) const;
  int BandsWidth() const;
  // The built-in expand-button picture.
  static const TPixelImage& StdExpandButtons();

  // Drops references to a freed image list or popup menu (its objects' too).
  void ComponentFreed(TComponent* Component);

  void Assign(const TPersistent* Source) override;
  TGutterChangeEvent OnChange;
  // Told of every image list and popup menu the gutter or its objects come to refer to, so that
  // the editor hears when one is freed.
  std::function<void(TComponent* Component)> OnReference;
  void Reference(TComponent* Component) {
    if (Component && OnReference) OnReference(Component);
  }

 private:
  friend class TGutterBands;
  friend class TGutterObjects;
  void Changed(bool Layout);
  bool visible_ = true;
  int width_ = 30;
  TColor color_ = clBtnFace;
  TImageList* images_ = nullptr;
  TPixelImage expandButtons_;
  std::unique_ptr<TGutterBands> bands_;
  std::unique_ptr<TGutterObjects> objects_;
  int expBtnBand_ = -1;
  bool showSeparator_ = true;
  std::unique_ptr<TPen> collapsePen_;
  bool showCollapseLine_ = true;
  bool doubleBufered_ = true;
  TPopupMenu* popupMenu_ = nullptr;
  TColor separatorColor_ = clGray;
  bool autoSize_ = false;
  TCursor cursor_ = crArrow;
  bool mouseMoveCaret_ = false;
  int lineBreakObj_ = -1;
};

// The feedback played where the caret lands after a jump to a bookmark or marker: a shrinking
// shape drawn over the window, one frame per timer tick.
class TSyntAnimation : public TPersistent {
  SYNT_CLASS_INFO()

 public:
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool Value) { enabled_ = Value; }
  // Milliseconds between frames.
  int Interval() const { return interval_; }
  void SetInterval(int Value) { interval_ = Value > 0 ? Value : 1; }
  int Radius() const { return radius_; }
  void SetRadius(int Value) { radius_ = Value; }
  // How much the radius shrinks per frame; values of 0 or less are ignored.
  int Step() const { return step_; }
  void SetStep(int Value) {
    if (Value > 0) step_ = Value;
  }
  TSyntAnimationType MarkerAnim() const { return markerAnim_; }
  void SetMarkerAnim(TSyntAnimationType Value) { markerAnim_ = Value; }
  TSyntAnimationType BookmarkAnim() const { return bookmarkAnim_; }
  void SetBookmarkAnim(TSyntAnimationType Value) { bookmarkAnim_ = Value; }

  void Assign(const TPersistent* Source) override;

 private:
  bool enabled_ = true;
  int interval_ = 10;
  int radius_ = 100;
  int step_ = 10;
  TSyntAnimationType markerAnim_ = atCircle;
  TSyntAnimationType bookmarkAnim_ = atRect;
};

const TEnumInfo& AlignmentInfo();
const TEnumInfo& LineNumberingStyleInfo();
const TEnumInfo& SyntAnimationTypeInfo();

}  // namespace synt
