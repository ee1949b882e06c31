#include "editor/memo_gutter_items.h"

#include "analysis/lexer_items.h"
#include "platform/properties.h"

namespace synt {

namespace {

template <class T, class V>
bool Assigned(T& Field, V Value) {
  if (Field == Value) return false;
  Field = Value;
  return true;
}

}  // namespace

// ---- TGutterBand --------------------------------------------------------------------------------

TGutterBand::TGutterBand(TCollection* Collection) : TCollectionItem(Collection) {}

void TGutterBand::SetWidth(int Value) {
  if (Assigned(width_, Value < 0 ? 0 : Value)) Changed(false);
}
void TGutterBand::SetColor(TColor Value) {
  if (Assigned(color_, Value)) Changed(false);
}
void TGutterBand::SetLeftBound(TColor Value) {
  if (Assigned(leftBound_, Value)) Changed(false);
}
void TGutterBand::SetRightBound(TColor Value) {
  if (Assigned(rightBound_, Value)) Changed(false);
}
void TGutterBand::SetGradient(bool Value) {
  if (Assigned(gradient_, Value)) Changed(false);
}
void TGutterBand::SetGradientRight(TColor Value) {
  if (Assigned(gradientRight_, Value)) Changed(false);
}

TGutterBands::TGutterBands(TGutter* Owner) : TCollection(TGutterBand::StaticClassInfo(), Owner) {}

void TGutterBands::Update(TCollectionItem*) {
  // Any band change may move every band right of it.
  if (auto* g = static_cast<TGutter*>(GetOwner())) g->Changed(true);
}

// ---- Gutter objects -----------------------------------------------------------------------------

TCustomGutterObject::TCustomGutterObject(TCollection* Collection) : TCollectionItem(Collection) {}

TCustomGutterObject::~TCustomGutterObject() = default;

void TCustomGutterObject::SetImageIndex(int Value) {
  if (Assigned(imageIndex_, Value)) Changed();
}
void TCustomGutterObject::SetImageList(TImageList* Value) {
  Reference(Value);
  if (Assigned(imageList_, Value)) Changed();
}
void TCustomGutterObject::SetPopupMenu(TPopupMenu* Value) {
  Reference(Value);
  popupMenu_ = Value;
}
void TCustomGutterObject::Reference(TComponent* Component) {
  if (Collection())
    if (auto* g = dynamic_cast<TGutter*>(Collection()->GetOwner())) g->Reference(Component);
}
void TCustomGutterObject::SetMargin(int Value) {
  if (Assigned(margin_, Value)) Changed();
}
void TCustomGutterObject::SetBand(int Value) {
  if (Assigned(band_, Value)) Changed();
}
void TCustomGutterObject::SetForeColor(TColor Value) {
  if (Assigned(foreColor_, Value)) Changed();
}
void TCustomGutterObject::SetBgColor(TColor Value) {
  if (Assigned(bgColor_, Value)) Changed();
}
void TCustomGutterObject::SetSelInvertColors(bool Value) {
  if (Assigned(selInvertColors_, Value)) Changed();
}

void TCustomGutterObject::ComponentFreed(TComponent* Component) {
  if (imageList_ == Component) imageList_ = nullptr;
  if (popupMenu_ == Component) popupMenu_ = nullptr;
}

void TGutterObject::SetLine(int Value) {
  if (Assigned(line_, Value)) Changed();
}
void TGutterObject::SetSubLine(int Value) {
  if (Assigned(subLine_, Value)) Changed();
}

TGutterObjects::TGutterObjects(TGutter* Owner)
    : TCollection(TGutterObject::StaticClassInfo(), Owner) {}

void TGutterObjects::Update(TCollectionItem*) {
  if (auto* g = static_cast<TGutter*>(GetOwner())) g->Changed(false);
}

void TGutterObjects::Notify(TCollectionItem*, TCollectionNotification) {
  if (auto* g = static_cast<TGutter*>(GetOwner())) g->Changed(false);
}

TBookmarks::TBookmarks(TGutter* Owner) : TCollection(TBookmark::StaticClassInfo(), Owner) {}

TBookmark* TBookmarks::Find(int Number) const {
  for (int i = 0; i < Count(); ++i)
    if (Items(i)->Number() == Number) return Items(i);
  return nullptr;
}

// ---- TLineStateDisplay --------------------------------------------------------------------------

void TLineStateDisplay::SetBand(int Value) {
  if (Assigned(band_, Value)) Changed();
}
void TLineStateDisplay::SetUnchangedColor(TColor Value) {
  if (Assigned(unchangedColor_, Value)) Changed();
}
void TLineStateDisplay::SetModifiedColor(TColor Value) {
  if (Assigned(modifiedColor_, Value)) Changed();
}
void TLineStateDisplay::SetNewColor(TColor Value) {
  if (Assigned(newColor_, Value)) Changed();
}
void TLineStateDisplay::SetSavedColor(TColor Value) {
  if (Assigned(savedColor_, Value)) Changed();
}

TColor TLineStateDisplay::StateColor(int State) const {
  switch (State) {
    case 1:
      return modifiedColor_;
    case 2:
      return newColor_;
    case 3:
      return savedColor_;
    default:
      return unchangedColor_;
  }
}

void TLineStateDisplay::Assign(const TPersistent* Source) {
  auto* s = dynamic_cast<const TLineStateDisplay*>(Source);
  if (!s) return TPersistent::Assign(Source);
  band_ = s->band_;
  unchangedColor_ = s->unchangedColor_;
  modifiedColor_ = s->modifiedColor_;
  newColor_ = s->newColor_;
  savedColor_ = s->savedColor_;
  Changed();
}

// ---- TLineNumbers -------------------------------------------------------------------------------

TLineNumbers::TLineNumbers() : font_(std::make_unique<TFont>()) {
  font_->SetName(u"Courier New");
  font_->SetSize(7);
  font_->OnChange = [this](TObject*) { Changed(true); };
}

TLineNumbers::~TLineNumbers() {
  font_->OnChange = nullptr;
}

void TLineNumbers::SetVisible(bool Value) {
  if (Assigned(visible_, Value)) Changed(true);
}
void TLineNumbers::SetUnderColor(TColor Value) {
  if (Assigned(underColor_, Value)) Changed(false);
}
void TLineNumbers::SetMargin(int Value) {
  if (Assigned(margin_, Value)) Changed(true);
}
void TLineNumbers::SetAlignment(TAlignment Value) {
  if (Assigned(alignment_, Value)) Changed(false);
}
void TLineNumbers::SetVertAlignment(TVertAlignment Value) {
  if (Assigned(vertAlignment_, Value)) Changed(false);
}
void TLineNumbers::SetBand(int Value) {
  if (Assigned(band_, Value)) Changed(true);
}
void TLineNumbers::SetFirstLineNumber(int Value) {
  if (Assigned(firstLineNumber_, Value)) Changed(true);
}
void TLineNumbers::SetNumberingStart(int Value) {
  if (Assigned(numberingStart_, Value)) Changed(true);
}
void TLineNumbers::SetNumberingEnd(int Value) {
  if (Assigned(numberingEnd_, Value)) Changed(true);
}
void TLineNumbers::SetNumberingStyle(TLineNumberingStyle Value) {
  if (Assigned(numberingStyle_, Value)) Changed(false);
}
void TLineNumbers::SetAutoSize(bool Value) {
  if (Assigned(autoSize_, Value)) Changed(true);
}

void TLineNumbers::Assign(const TPersistent* Source) {
  auto* s = dynamic_cast<const TLineNumbers*>(Source);
  if (!s) return TPersistent::Assign(Source);
  visible_ = s->visible_;
  underColor_ = s->underColor_;
  margin_ = s->margin_;
  alignment_ = s->alignment_;
  vertAlignment_ = s->vertAlignment_;
  band_ = s->band_;
  firstLineNumber_ = s->firstLineNumber_;
  numberingStart_ = s->numberingStart_;
  numberingEnd_ = s->numberingEnd_;
  numberingStyle_ = s->numberingStyle_;
  autoSize_ = s->autoSize_;
  font_->Assign(s->font_.get());  // reports the change
  Changed(true);
}

// ---- TGutter ------------------------------------------------------------------------------------

TGutter::TGutter()
    : expandButtons_(StdExpandButtons()),
      bands_(std::make_unique<TGutterBands>(this)),
      objects_(std::make_unique<TGutterObjects>(this)),
      collapsePen_(std::make_unique<TPen>()) {
  collapsePen_->SetColor(clGray);
  collapsePen_->OnChange = [this](TObject*) { Changed(false); };
}

TGutter::~TGutter() {
  collapsePen_->OnChange = nullptr;
  OnChange = nullptr;
  // Items go while the collections still have their owner; nothing is told any more.
  objects_->Clear();
  bands_->Clear();
}

void TGutter::Changed(bool Layout) {
  if (OnChange) OnChange(Layout);
}

void TGutter::SetVisible(bool Value) {
  if (Assigned(visible_, Value)) Changed(true);
}
void TGutter::SetWidth(int Value) {
  if (Assigned(width_, Value < 0 ? 0 : Value)) Changed(true);
}
void TGutter::SetColor(TColor Value) {
  if (Assigned(color_, Value)) Changed(false);
}
void TGutter::SetImages(TImageList* Value) {
  Reference(Value);
  if (Assigned(images_, Value)) Changed(false);
}
void TGutter::SetExpandButtons(const TPixelImage& Value) {
  expandButtons_ = Value;
  Changed(false);
}
void TGutter::SetExpBtnBand(int Value) {
  if (Assigned(expBtnBand_, Value)) Changed(false);
}
void TGutter::SetShowSeparator(bool Value) {
  if (Assigned(showSeparator_, Value)) Changed(false);
}
void TGutter::SetShowCollapseLine(bool Value) {
  if (Assigned(showCollapseLine_, Value)) Changed(false);
}
void TGutter::SetSeparatorColor(TColor Value) {
  if (Assigned(separatorColor_, Value)) Changed(false);
}
void TGutter::SetAutoSize(bool Value) {
  if (Assigned(autoSize_, Value)) Changed(true);
}
void TGutter::SetLineBreakObj(int Value) {
  if (Assigned(lineBreakObj_, Value)) Changed(false);
}

TGutterBand* TGutter::BandOf(int Band) const {
  return Band >= 0 && Band < bands_->Count() ? bands_->Items(Band) : nullptr;
}

int TGutter::BandsWidth() const {
  int w = 0;
  for (int i = 0; i < bands_->Count(); ++i) w += bands_->Items(i)->Width();
  return w;
}

const TPixelImage& TGutter::StdExpandButtons() {
  // Two 9 x 11 boxed buttons, minus then plus. The top and bottom rows are the transparent colour
  // (magenta), read from the bottom-left pixel like any other button picture.
  static const TPixelImage image = [] {
    const TPixel key = ColorToPixel(TColor(0xFF00FF));
    const TPixel box = ColorToPixel(clGray);
    const TPixel face = ColorToPixel(clWhite);
    const TPixel sign = ColorToPixel(clBlack);
    TPixelImage img(18, 11, key);
    for (int half = 0; half < 2; ++half) {
      const int x0 = half * 9;
      for (int y = 1; y <= 9; ++y)
        for (int x = 0; x < 9; ++x) {
          const bool edge = y == 1 || y == 9 || x == 0 || x == 8;
          img.SetPixel(x0 + x, y, edge ? box : face);
        }
      for (int x = 2; x <= 6; ++x) img.SetPixel(x0 + x, 5, sign);
      if (half == 1)
        for (int y = 3; y <= 7; ++y) img.SetPixel(x0 + 4, y, sign);
    }
    return img;
  }();
  return image;
}

void TGutter::ComponentFreed(TComponent* Component) {
  if (images_ == Component) images_ = nullptr;
  if (popupMenu_ == Component) popupMenu_ = nullptr;
  for (int i = 0; i < objects_->Count(); ++i) objects_->Items(i)->ComponentFreed(Component);
}

void TGutter::Assign(const TPersistent* Source) {
  auto* s = dynamic_cast<const TGutter*>(Source);
  if (!s) return TPersistent::Assign(Source);
  visible_ = s->visible_;
  width_ = s->width_;
  color_ = s->color_;
  images_ = s->images_;
  expandButtons_ = s->expandButtons_;
  expBtnBand_ = s->expBtnBand_;
  showSeparator_ = s->showSeparator_;
  showCollapseLine_ = s->showCollapseLine_;
  doubleBufered_ = s->doubleBufered_;
  popupMenu_ = s->popupMenu_;
  separatorColor_ = s->separatorColor_;
  autoSize_ = s->autoSize_;
  cursor_ = s->cursor_;
  mouseMoveCaret_ = s->mouseMoveCaret_;
  lineBreakObj_ = s->lineBreakObj_;
  collapsePen_->Assign(s->collapsePen_.get());
  bands_->Assign(s->bands_.get());
  objects_->Assign(s->objects_.get());
  Changed(true);
}

// ---- TSyntAnimation -----------------------------------------------------------------------------

void TSyntAnimation::Assign(const TPersistent* Source) {
  auto* s = dynamic_cast<const TSyntAnimation*>(Source);
  if (!s) return TPersistent::Assign(Source);
  enabled_ = s->enabled_;
  interval_ = s->interval_;
  radius_ = s->radius_;
  step_ = s->step_;
  markerAnim_ = s->markerAnim_;
  bookmarkAnim_ = s->bookmarkAnim_;
}

// ---- Published properties -----------------------------------------------------------------------

const TEnumInfo& AlignmentInfo() {
  static const TEnumInfo i{"TAlignment", {"taLeftJustify", "taRightJustify", "taCenter"}};
  return i;
}

const TEnumInfo& LineNumberingStyleInfo() {
  static const TEnumInfo i{
      "TLineNumberingStyle",
      {"lsDefault", "lsBDS", "lsEach5", "lsOnlyCurent", "lsUser1", "lsUser2", "lsUser3"}};
  return i;
}

const TEnumInfo& SyntAnimationTypeInfo() {
  static const TEnumInfo i{
      "TSyntAnimationType",
      {"atNone", "atCircle", "atRect", "atRoundRect", "atEllipse", "atCustom"}};
  return i;
}

namespace {

const TEnumInfo& CursorInfo() {
  static const TEnumInfo i{
      "TCursor",
      {"crDefault", "crArrow", "crIBeam", "crHandPoint", "crCross", "crSizeNS", "crSizeWE",
       "crSizeAll", "crHSplit", "crVSplit", "crDrag", "crNo", "crHourGlass", "crNone"}};
  return i;
}

void DescribeBand(TPropertyList& List) {
  using B = TGutterBand;
  TPropsOf<B> p(List);
  p.Integer("Width", &B::Width, &B::SetWidth).Def(0);
  p.Ident("Color", &B::Color, &B::SetColor, ColorIdents()).Def(int64_t(clNone));
  p.Ident("LeftBound", &B::LeftBound, &B::SetLeftBound, ColorIdents()).Def(int64_t(clNone));
  p.Ident("RightBound", &B::RightBound, &B::SetRightBound, ColorIdents()).Def(int64_t(clNone));
  p.Boolean("Gradient", &B::Gradient, &B::SetGradient).Def(false);
  p.Ident("GradientRight", &B::GradientRight, &B::SetGradientRight, ColorIdents())
      .Def(int64_t(clWhite));
  p.Enum("Cursor", &B::Cursor, &B::SetCursor, CursorInfo()).Def(crDefault);
  p.Boolean("MouseMoveCaret", &B::MouseMoveCaret, &B::SetMouseMoveCaret).Def(true);
}

void DescribeCustomObject(TPropertyList& List) {
  using O = TCustomGutterObject;
  TPropsOf<O> p(List);
  p.Integer("ImageIndex", &O::ImageIndex, &O::SetImageIndex).Def(-1);
  p.Component("ImageList", &O::ImageList, &O::SetImageList);
  p.String("Hint", &O::Hint, &O::SetHint);
  p.Integer("Margin", &O::Margin, &O::SetMargin).Def(-1);
  p.Integer("Band", &O::Band, &O::SetBand).Def(-1);
  p.Component("PopupMenu", &O::PopupMenu, &O::SetPopupMenu);
  p.Ident("ForeColor", &O::ForeColor, &O::SetForeColor, ColorIdents()).Def(int64_t(clNone));
  p.Ident("BgColor", &O::BgColor, &O::SetBgColor, ColorIdents()).Def(int64_t(clNone));
  p.Boolean("SelInvertColors", &O::SelInvertColors, &O::SetSelInvertColors).Def(false);
  p.Integer("Tag", &O::Tag, &O::SetTag).Def(0);
  p.String("Name", &O::Name, &O::SetName);
  p.Enum("Cursor", &O::Cursor, &O::SetCursor, CursorInfo()).Def(crDefault);
  p.Event("OnClick", &O::OnClick);
}

void DescribeObject(TPropertyList& List) {
  using O = TGutterObject;
  TPropsOf<O> p(List);
  p.Integer("Line", &O::Line, &O::SetLine).Def(-1);
  p.Integer("SubLine", &O::SubLine, &O::SetSubLine).Def(-1);
  p.Event("OnCheckLine", &O::OnCheckLine);
}

void DescribeLineStateDisplay(TPropertyList& List) {
  using L = TLineStateDisplay;
  TPropsOf<L> p(List);
  p.Integer("Band", &L::Band, &L::SetBand).Def(-1);
  p.Ident("UnchangedColor", &L::UnchangedColor, &L::SetUnchangedColor, ColorIdents())
      .Def(int64_t(clNone));
  p.Ident("ModifiedColor", &L::ModifiedColor, &L::SetModifiedColor, ColorIdents())
      .Def(int64_t(0x00FFFF));
  p.Ident("NewColor", &L::NewColor, &L::SetNewColor, ColorIdents()).Def(int64_t(0x008000));
  p.Ident("SavedColor", &L::SavedColor, &L::SetSavedColor, ColorIdents()).Def(int64_t(0x800000));
}

void DescribeLineNumbers(TPropertyList& List) {
  using N = TLineNumbers;
  TPropsOf<N> p(List);
  p.Boolean("Visible", &N::Visible, &N::SetVisible).Def(true);
  p.Ident("UnderColor", &N::UnderColor, &N::SetUnderColor, ColorIdents()).Def(int64_t(clNone));
  p.Integer("Margin", &N::Margin, &N::SetMargin).Def(2);
  p.Enum("Alignment", &N::Alignment, &N::SetAlignment, AlignmentInfo()).Def(taRightJustify);
  p.Enum("VertAlignment", &N::VertAlignment, &N::SetVertAlignment, VertAlignmentInfo())
      .Def(vaCenter);
  p.Object("Font", &N::Font);
  p.Integer("Band", &N::Band, &N::SetBand).Def(-1);
  p.Integer("FirstLineNumber", &N::FirstLineNumber, &N::SetFirstLineNumber).Def(1);
  p.Integer("NumberingStart", &N::NumberingStart, &N::SetNumberingStart).Def(-1);
  p.Integer("NumberingEnd", &N::NumberingEnd, &N::SetNumberingEnd).Def(-1);
  p.Enum("NumberingStyle", &N::NumberingStyle, &N::SetNumberingStyle, LineNumberingStyleInfo())
      .Def(lsDefault);
  p.Boolean("AutoSize", &N::AutoSize, &N::SetAutoSize).Def(false);
}

void DescribeGutter(TPropertyList& List) {
  using G = TGutter;
  TPropsOf<G> p(List);
  p.Boolean("Visible", &G::Visible, &G::SetVisible).Def(true);
  p.Integer("Width", &G::Width, &G::SetWidth).Def(30);
  p.Ident("Color", &G::Color, &G::SetColor, ColorIdents()).Def(int64_t(clBtnFace));
  p.Component("Images", &G::Images, &G::SetImages);
  p.Object("Bands", &G::Bands);
  p.Object("Objects", &G::Objects);
  p.Integer("ExpBtnBand", &G::ExpBtnBand, &G::SetExpBtnBand).Def(-1);
  p.Boolean("ShowSeparator", &G::ShowSeparator, &G::SetShowSeparator).Def(true);
  p.Object("CollapsePen", &G::CollapsePen);
  p.Boolean("ShowCollapseLine", &G::ShowCollapseLine, &G::SetShowCollapseLine).Def(true);
  p.Boolean("DoubleBufered", &G::DoubleBufered, &G::SetDoubleBufered).Def(true);
  p.Component("PopupMenu", &G::PopupMenu, &G::SetPopupMenu);
  p.Ident("SeparatorColor", &G::SeparatorColor, &G::SetSeparatorColor, ColorIdents())
      .Def(int64_t(clGray));
  p.Boolean("AutoSize", &G::AutoSize, &G::SetAutoSize).Def(false);
  p.Enum("Cursor", &G::Cursor, &G::SetCursor, CursorInfo()).Def(crArrow);
  p.Boolean("MouseMoveCaret", &G::MouseMoveCaret, &G::SetMouseMoveCaret).Def(false);
  p.Integer("LineBreakObj", &G::LineBreakObj, &G::SetLineBreakObj).Def(-1);
}

void DescribeAnimation(TPropertyList& List) {
  using A = TSyntAnimation;
  TPropsOf<A> p(List);
  p.Boolean("Enabled", &A::Enabled, &A::SetEnabled).Def(true);
  p.Integer("Interval", &A::Interval, &A::SetInterval).Def(10);
  p.Integer("Radius", &A::Radius, &A::SetRadius).Def(100);
  p.Integer("Step", &A::Step, &A::SetStep).Def(10);
  p.Enum("MarkerAnim", &A::MarkerAnim, &A::SetMarkerAnim, SyntAnimationTypeInfo()).Def(atCircle);
  p.Enum("BookmarkAnim", &A::BookmarkAnim, &A::SetBookmarkAnim, SyntAnimationTypeInfo())
      .Def(atRect);
}

}  // namespace

const TClassInfo& TGutterBand::StaticClassInfo() {
  static const TClassInfo info("TGutterBand", &TCollectionItem::StaticClassInfo(), DescribeBand,
                               nullptr, &TClassInfo::ItemFactory<TGutterBand>);
  return info;
}
const TClassInfo& TGutterBands::StaticClassInfo() {
  static const TClassInfo info("TGutterBands", &TCollection::StaticClassInfo());
  return info;
}
const TClassInfo& TCustomGutterObject::StaticClassInfo() {
  static const TClassInfo info("TCustomGutterObject", &TCollectionItem::StaticClassInfo(),
                               DescribeCustomObject);
  return info;
}
const TClassInfo& TGutterObject::StaticClassInfo() {
  static const TClassInfo info("TGutterObject", &TCustomGutterObject::StaticClassInfo(),
                               DescribeObject, nullptr, &TClassInfo::ItemFactory<TGutterObject>);
  return info;
}
const TClassInfo& TGutterObjects::StaticClassInfo() {
  static const TClassInfo info("TGutterObjects", &TCollection::StaticClassInfo());
  return info;
}
const TClassInfo& TBookmark::StaticClassInfo() {
  static const TClassInfo info("TBookmark", &TCustomGutterObject::StaticClassInfo(), nullptr,
                               nullptr, &TClassInfo::ItemFactory<TBookmark>);
  return info;
}
const TClassInfo& TBookmarks::StaticClassInfo() {
  static const TClassInfo info("TBookmarks", &TCollection::StaticClassInfo());
  return info;
}
const TClassInfo& TLineStateDisplay::StaticClassInfo() {
  static const TClassInfo info("TLineStateDisplay", &TPersistent::StaticClassInfo(),
                               DescribeLineStateDisplay);
  return info;
}
const TClassInfo& TLineNumbers::StaticClassInfo() {
  static const TClassInfo info("TLineNumbers", &TPersistent::StaticClassInfo(),
                               DescribeLineNumbers);
  return info;
}
const TClassInfo& TGutter::StaticClassInfo() {
  static const TClassInfo info("TGutter", &TPersistent::StaticClassInfo(), DescribeGutter);
  return info;
}
const TClassInfo& TSyntAnimation::StaticClassInfo() {
  static const TClassInfo info("TSyntAnimation", &TPersistent::StaticClassInfo(),
                               DescribeAnimation);
  return info;
}

}  // namespace synt
