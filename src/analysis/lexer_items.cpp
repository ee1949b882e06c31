#include "analysis/lexer_items.h"

#include <mutex>
#include <unordered_set>

#include "analysis/gramma.h"
#include "analysis/syntax_analyzer.h"
#include "platform/filer.h"
#include "platform/properties.h"
#include "platform/utf.h"
#include "text/memo_strings.h"

namespace synt {

// --- enumerations ----------------------------------------------------------------------------

const TEnumInfo& FormatTypeInfo() {
  static const TEnumInfo i{"TFormatType",
                           {"ftCustomFont", "ftFontAttr", "ftColor", "ftBackGround"}};
  return i;
}
const TEnumInfo& VertAlignmentInfo() {
  static const TEnumInfo i{"TVertAlignment", {"vaTop", "vaCenter", "vaBottom"}};
  return i;
}
const TEnumInfo& BorderLineTypeInfo() {
  static const TEnumInfo i{"TBorderLineType",
                           {"blNone", "blSolid", "blDash", "blDot", "blDashDot", "blDashDotDot",
                            "blSolid2", "blSolid3", "blWavyLine", "blDouble"}};
  return i;
}
const TEnumInfo& FormatFlagInfo() {
  static const TEnumInfo i{
      "TFormatFlag",
      {"ffBold", "ffItalic", "ffUnderline", "ffStrikeOut", "ffReadOnly", "ffHidden", "ffFontName",
       "ffFontSize", "ffFontCharset", "ffVertAlign"}};
  return i;
}
const TEnumInfo& TagConditionTypeInfo() {
  static const TEnumInfo i{"TTagConditionType",
                           {"tcEqual", "tcNotEqual", "tcMask", "tcSkip", "tcStrictMask"}};
  return i;
}
const TEnumInfo& TagBlockTypeInfo() {
  static const TEnumInfo i{"TTagBlockType",
                           {"btTagDetect", "btLineBreak", "btRangeStart", "btRangeEnd"}};
  return i;
}
const TEnumInfo& LineBreakPosInfo() {
  static const TEnumInfo i{"TLineBreakPos", {"lbTop", "lbBottom"}};
  return i;
}
const TEnumInfo& HighlightPosInfo() {
  static const TEnumInfo i{
      "THighlightPos",
      {"cpAny", "cpBound", "cpBoundTag", "cpRange", "cpBoundTagBegin", "cpOutOfRange"}};
  return i;
}
const TEnumInfo& DynamicHighlightInfo() {
  static const TEnumInfo i{"TDynamicHighlight", {"dhNone", "dhBound", "dhRangeNoBound", "dhRange"}};
  return i;
}
const TEnumInfo& AutoCloseModeInfo() {
  static const TEnumInfo i{"TAutoCloseMode", {"acmDisabled", "acmCloseNearest", "acmCloseOpened"}};
  return i;
}
const TEnumInfo& ChangeCaseInfo() {
  static const TEnumInfo i{"TChangeCase", {"ccNone", "ccUpper", "ccLower", "ccToggle", "ccTitle"}};
  return i;
}

int BorderThickness(TBorderLineType Type) {
  switch (Type) {
    case blNone:
      return 0;
    case blSolid2:
    case blWavyLine:
      return 2;
    case blSolid3:
    case blDouble:
      return 3;
    default:
      return 1;
  }
}

namespace {

// A rule event is stored by the name of a handler of its std::function type (the property
// description would look for the wrapper's own type).
template <class C, class F>
void RuleEventHandler(TPropInfo& P, TRuleEvent<F> C::*Member) {
  P.SetHandler = [Member](TPersistent* o, const std::any* h) {
    if (!h || !h->has_value()) {
      static_cast<C*>(o)->*Member = nullptr;
      return true;
    }
    const F* f = std::any_cast<F>(h);
    if (!f) return false;
    static_cast<C*>(o)->*Member = *f;
    return true;
  };
}

TSyntaxFormat* FindStyle(TSyntAnalyzer* L, std::u16string_view Name) {
  return L ? L->Formats()->ItemByName(Name) : nullptr;
}
TTagBlockCondition* FindBlock(TSyntAnalyzer* L, std::u16string_view Name) {
  return L ? L->BlockRules()->ItemByName(Name) : nullptr;
}

// --- descriptions ---

void DescribeSyntItem(TPropertyList& L) {
  TPropsOf<TSyntCollectionItem> p(L);
  // Always written, so that even an empty name survives (a new item would be named otherwise).
  p.String("DisplayName", &TSyntCollectionItem::DisplayName, &TSyntCollectionItem::SetDisplayName)
      .Always();
  p.Boolean("Enabled", &TSyntCollectionItem::Enabled, &TSyntCollectionItem::SetEnabled).Def(true);
}

void DescribeFormat(TPropertyList& L) {
  using F = TSyntaxFormat;
  TPropsOf<F> p(L);
  p.Object("Font", &F::Font);
  p.Ident("BgColor", &F::BgColor, &F::SetBgColor, ColorIdents()).Def(clNone);
  p.Enum("VertAlignment", &F::VertAlignment, &F::SetVertAlignment, VertAlignmentInfo())
      .Def(vaCenter);
  p.Enum("FormatType", &F::FormatType, &F::SetFormatType, FormatTypeInfo()).Def(ftFontAttr);
  // The stored value, whatever the flags say (the getter hides it without ffHidden).
  p.Boolean("Hidden", &F::StoredHidden, &F::SetHidden).Def(false);
  p.Enum("BorderTypeLeft", &F::BorderTypeLeft, &F::SetBorderTypeLeft, BorderLineTypeInfo())
      .Def(blNone);
  p.Ident("BorderColorLeft", &F::BorderColorLeft, &F::SetBorderColorLeft, ColorIdents()).Def(0);
  p.Enum("BorderTypeTop", &F::BorderTypeTop, &F::SetBorderTypeTop, BorderLineTypeInfo())
      .Def(blNone);
  p.Ident("BorderColorTop", &F::BorderColorTop, &F::SetBorderColorTop, ColorIdents()).Def(0);
  p.Enum("BorderTypeRight", &F::BorderTypeRight, &F::SetBorderTypeRight, BorderLineTypeInfo())
      .Def(blNone);
  p.Ident("BorderColorRight", &F::BorderColorRight, &F::SetBorderColorRight, ColorIdents()).Def(0);
  p.Enum("BorderTypeBottom", &F::BorderTypeBottom, &F::SetBorderTypeBottom, BorderLineTypeInfo())
      .Def(blNone);
  p.Ident("BorderColorBottom", &F::BorderColorBottom, &F::SetBorderColorBottom, ColorIdents())
      .Def(0);
  p.Boolean("MultiLineBorder", &F::MultiLineBorder, &F::SetMultiLineBorder).Def(false);
  p.Boolean("ReadOnly", &F::ReadOnly, &F::SetReadOnly).Def(false);
  p.Enum("ChangeCase", &F::ChangeCase, &F::SetChangeCase, ChangeCaseInfo()).Def(ccNone);
  p.Set("FormatFlags", &F::FormatFlags, &F::SetFormatFlags, FormatFlagInfo()).Def(AllFormatFlags);
}

void DescribeRuleItem(TPropertyList& L) {
  using R = TRuleCollectionItem;
  TPropsOf<R> p(L);
  p.String("StyleName", &R::StyleName, &R::SetStyleName);
  p.String("BlockName", &R::BlockName, &R::SetBlockName);
  p.Boolean("StrictParent", &R::StrictParent, &R::SetStrictParent).Def(false);
  p.Boolean("NotParent", &R::NotParent, &R::SetNotParent).Def(false);
  p.Boolean("AlwaysEnabled", &R::AlwaysEnabled, &R::SetAlwaysEnabled).Def(false);
  p.Integer("StatesAdd", &R::StatesAdd, &R::SetStatesAdd).Def(0);
  p.Integer("StatesRemove", &R::StatesRemove, &R::SetStatesRemove).Def(0);
  p.Integer("StatesPresent", &R::StatesPresent, &R::SetStatesPresent).Def(0);
  p.Integer("StatesAbsent", &R::StatesAbsent, &R::SetStatesAbsent).Def(0);
}

void DescribeTokenRule(TPropertyList& L) {
  using R = TTokenRule;
  TPropsOf<R> p(L);
  p.Integer("TokenType", &R::TokenType, &R::SetTokenType).Def(0);
  p.String("Expression", &R::Expression, &R::SetExpression);
  p.Integer("ColumnFrom", &R::ColumnFrom, &R::SetColumnFrom);  // no default: always written
  p.Integer("ColumnTo", &R::ColumnTo, &R::SetColumnTo);
  RuleEventHandler(p.Event("OnMatchToken", &R::OnMatchToken), &R::OnMatchToken);
  p.Event("OnMouseClick", &R::OnMouseClick);
}

void DescribeCondition(TPropertyList& L) {
  using C = TSingleTagCondition;
  TPropsOf<C> p(L);
  p.Object("TagList", &C::TagList);
  p.Enum("CondType", &C::CondType, &C::SetCondType, TagConditionTypeInfo()).Def(tcEqual);
  p.Integer("TokenTypes", &C::TokenTypes, &C::SetTokenTypes).Def(0);
  p.Boolean("IgnoreCase", &C::IgnoreCase, &C::SetIgnoreCase).Def(false);
}

void DescribeBlockRule(TPropertyList& L) {
  using B = TTagBlockCondition;
  TPropsOf<B> p(L);
  p.Enum("BlockType", &B::BlockType, &B::SetBlockType, TagBlockTypeInfo()).Def(btRangeStart);
  p.Object("ConditionList", &B::ConditionList);
  p.Integer("IdentIndex", &B::IdentIndex, &B::SetIdentIndex).Def(0);
  p.Enum("LinePos", &B::LinePos, &B::SetLinePos, LineBreakPosInfo()).Def(lbTop);
  p.Integer("BlockOffset", &B::BlockOffset, &B::SetBlockOffset).Def(0);
  p.String("BlockEnd", &B::BlockEnd, &B::SetBlockEnd);
  p.Boolean("EndOfTextClose", &B::EndOfTextClose, &B::SetEndOfTextClose).Def(false);
  p.Boolean("NotCollapsed", &B::NotCollapsed, &B::SetNotCollapsed).Def(false);
  p.Boolean("SameIdent", &B::SameIdent, &B::SetSameIdent).Def(false);
  p.Boolean("Highlight", &B::Highlight, &B::SetHighlight).Def(false);
  p.Boolean("InvertColors", &B::InvertColors, &B::SetInvertColors).Def(false);
  p.Boolean("DisplayInTree", &B::DisplayInTree, &B::SetDisplayInTree).Def(true);
  p.String("NameFmt", &B::NameFmt, &B::SetNameFmt);
  p.String("GroupFmt", &B::GroupFmt, &B::SetGroupFmt);
  p.Boolean("RefToCondEnd", &B::RefToCondEnd, &B::SetRefToCondEnd).Def(false);
  p.Enum("DynHighlight", &B::DynHighlight, &B::SetDynHighlight, DynamicHighlightInfo()).Def(dhNone);
  p.Enum("HighlightPos", &B::HighlightPos, &B::SetHighlightPos, HighlightPosInfo());  // always
  p.Boolean("DynSelectMin", &B::DynSelectMin, &B::SetDynSelectMin).Def(false);
  p.Boolean("CancelNextRules", &B::CancelNextRules, &B::SetCancelNextRules).Def(false);
  p.Boolean("DrawStaple", &B::DrawStaple, &B::SetDrawStaple).Def(false);
  p.Integer("GroupIndex", &B::GroupIndex, &B::SetGroupIndex).Def(0);
  p.String("CollapseFmt", &B::CollapseFmt, &B::SetCollapseFmt);
  RuleEventHandler(p.Event("OnBlockCheck", &B::OnBlockCheck), &B::OnBlockCheck);
  p.Boolean("SelfClose", &B::SelfClose, &B::SetSelfClose).Def(false);
  p.Boolean("NoEndRule", &B::NoEndRule, &B::SetNoEndRule).Def(false);
  p.String("GrammaRuleName", &B::GrammaRuleName, &B::SetGrammaRuleName);
  p.Integer("TokenType", &B::TokenType, &B::SetTokenType).Def(-1);
  p.String("TreeItemStyle", &B::TreeItemStyle, &B::SetTreeItemStyle);
  p.String("TreeGroupStyle", &B::TreeGroupStyle, &B::SetTreeGroupStyle);
  p.Integer("TreeItemImage", &B::TreeItemImage, &B::SetTreeItemImage).Def(-1);
  p.Integer("TreeGroupImage", &B::TreeGroupImage, &B::SetTreeGroupImage).Def(-1);
  p.Object("Pen", &B::Pen);
  p.Boolean("UseCustomPen", &B::UseCustomPen, &B::SetUseCustomPen).Def(false);
  p.Boolean("IgnoreAsParent", &B::IgnoreAsParent, &B::SetIgnoreAsParent);  // always
  p.Enum("AutoCloseMode", &B::AutoCloseMode, &B::SetAutoCloseMode, AutoCloseModeInfo())
      .Def(acmDisabled);
  p.String("AutoCloseText", &B::AutoCloseText, &B::SetAutoCloseText);
  p.Boolean("AutoCloseInternal", &B::AutoCloseInternal, &B::SetAutoCloseInternal).Def(false);
}

void DescribeSubRule(TPropertyList& L) {
  using S = TSubAnalyzerRule;
  TPropsOf<S> p(L);
  p.String("StartExpression", &S::StartExpression, &S::SetStartExpression);
  p.String("EndExpression", &S::EndExpression, &S::SetEndExpression);
  p.Component("SyntAnalyzer", &S::SyntAnalyzer, &S::SetSyntAnalyzer);
  p.Boolean("FromTextBegin", &S::FromTextBegin, &S::SetFromTextBegin).Def(false);
  p.Boolean("ToTextEnd", &S::ToTextEnd, &S::SetToTextEnd).Def(false);
  p.Boolean("IncludeBounds", &S::IncludeBounds, &S::SetIncludeBounds).Def(false);
}

void DescribeTemplate(TPropertyList& L) {
  using T = TCodeTemplate;
  TPropsOf<T> p(L);
  p.String("Name", &T::Name, &T::SetName);
  p.String("Description", &T::Description, &T::SetDescription);
  p.Object("Code", &T::Code);
  p.Boolean("Advanced", &T::Advanced, &T::SetAdvanced).Def(false);
}

}  // namespace

#define SYNT_ITEM_CLASS(C, Base, Describe)                                        \
  const TClassInfo& C::StaticClassInfo() {                                        \
    static const TClassInfo info(#C, &Base::StaticClassInfo(), Describe, nullptr, \
                                 TClassInfo::ItemFactory<C>);                     \
    return info;                                                                  \
  }
#define SYNT_PLAIN_CLASS(C, Base)                               \
  const TClassInfo& C::StaticClassInfo() {                      \
    static const TClassInfo info(#C, &Base::StaticClassInfo()); \
    return info;                                                \
  }

SYNT_ITEM_CLASS(TSyntCollectionItem, TCollectionItem, DescribeSyntItem)
SYNT_ITEM_CLASS(TSyntaxFormat, TSyntCollectionItem, DescribeFormat)
SYNT_ITEM_CLASS(TRuleCollectionItem, TSyntCollectionItem, DescribeRuleItem)
SYNT_ITEM_CLASS(TTokenRule, TRuleCollectionItem, DescribeTokenRule)
SYNT_ITEM_CLASS(TSingleTagCondition, TCollectionItem, DescribeCondition)
SYNT_ITEM_CLASS(TTagBlockCondition, TRuleCollectionItem, DescribeBlockRule)
SYNT_ITEM_CLASS(TSubAnalyzerRule, TRuleCollectionItem, DescribeSubRule)
SYNT_ITEM_CLASS(TCodeTemplate, TCollectionItem, DescribeTemplate)
SYNT_PLAIN_CLASS(TSyntCollection, TCollection)
SYNT_PLAIN_CLASS(TStylesCollection, TSyntCollection)
SYNT_PLAIN_CLASS(TTokenRuleCollection, TSyntCollection)
SYNT_PLAIN_CLASS(TBlockRuleCollection, TSyntCollection)
SYNT_PLAIN_CLASS(TSubAnalyzerRules, TSyntCollection)
SYNT_PLAIN_CLASS(TConditionCollection, TCollection)
SYNT_PLAIN_CLASS(TCodeTemplates, TCollection)

void RegisterLexerItemClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (const TClassInfo* c :
         {&TSyntaxFormat::StaticClassInfo(), &TTokenRule::StaticClassInfo(),
          &TSingleTagCondition::StaticClassInfo(), &TTagBlockCondition::StaticClassInfo(),
          &TSubAnalyzerRule::StaticClassInfo(), &TCodeTemplate::StaticClassInfo()})
      RegisterClass(*c);
  });
}

// --- TSyntCollectionItem ---------------------------------------------------------------------

TSyntCollectionItem::TSyntCollectionItem(TCollection* Collection) : TCollectionItem(Collection) {}

TSyntCollection* TSyntCollectionItem::SyntCollection() const {
  return dynamic_cast<TSyntCollection*>(Collection());
}

TSyntAnalyzer* TSyntCollectionItem::SyntOwner() const {
  TSyntCollection* c = SyntCollection();
  return c ? c->SyntOwner() : nullptr;
}

bool TSyntCollectionItem::OwnerLoading() const {
  TSyntAnalyzer* l = SyntOwner();
  return l && l->IsLoading();
}

void TSyntCollectionItem::SetDisplayName(const std::u16string& Value) {
  if (Value == displayName_) return;
  if (TCollection* c = Collection())
    for (int i = 0; i < c->Count(); ++i) {
      auto* other = static_cast<TSyntCollectionItem*>(c->Items(i));
      if (other != this && other->displayName_ == Value) {
        refusedName_ = Value;  // names stay unique
        return;
      }
    }
  displayName_ = Value;
  refusedName_.clear();
}

void TSyntCollectionItem::SetEnabled(bool Value) {
  if (Value == enabled_) return;
  enabled_ = Value;
  Changed();
}

// --- TSyntCollection -------------------------------------------------------------------------

TSyntCollection::TSyntCollection(const TClassInfo& ItemClass, TPersistent* Owner)
    : TCollection(ItemClass, Owner) {
  if (!ItemClass.InheritsFrom(TSyntCollectionItem::StaticClassInfo()))
    throw Exception("Allow only TSyntCollectionItem Class");
}

TSyntAnalyzer* TSyntCollection::SyntOwner() const {
  return dynamic_cast<TSyntAnalyzer*>(GetOwner());
}

TSyntCollectionItem* TSyntCollection::ItemByName(std::u16string_view Name) const {
  for (int i = 0; i < Count(); ++i)
    if (Items(i)->DisplayName() == Name) return Items(i);
  return nullptr;
}

bool TSyntCollection::IsValidItem(const TSyntCollectionItem* Item) const {
  if (!Item) return false;
  for (int i = 0; i < Count(); ++i)
    if (Items(i) == Item) return true;
  return false;
}

void TSyntCollection::ResolveNames() {
  for (int i = 0; i < Count(); ++i) Items(i)->ResolveNames();
}

void TSyntCollection::Update(TCollectionItem* Item) {
  if (OnChange) OnChange(this, static_cast<TSyntCollectionItem*>(Item));
}

void TSyntCollection::Notify(TCollectionItem* Item, TCollectionNotification Action) {
  // The item may be half destroyed (cnExtracting from its destructor): only its address is used.
  if (Action != cnAdded && OnItemRemoved) OnItemRemoved(this, Item);
}

void TSyntCollection::SetItemName(TCollectionItem* Item) {
  auto* item = static_cast<TSyntCollectionItem*>(Item);
  // Numbers already used as "<n> <caption>"; only n <= Count matter, as one of them is free.
  std::u16string caption(1, u' ');
  caption += item->ItemCaption();
  std::vector<bool> used(size_t(Count()) + 2, false);
  for (int i = 0; i < Count(); ++i) {
    if (Items(i) == item) continue;
    std::u16string name = Items(i)->DisplayName();
    if (name.size() <= caption.size() ||
        name.compare(name.size() - caption.size(), caption.size(), caption) != 0)
      continue;
    size_t digits = name.size() - caption.size();
    if (digits > 9 || name[0] == u'0') continue;
    size_t n = 0;
    bool number = true;
    for (size_t k = 0; k < digits; ++k) {
      if (name[k] < u'0' || name[k] > u'9') {
        number = false;
        break;
      }
      n = n * 10 + size_t(name[k] - u'0');
    }
    if (number && n < used.size()) used[n] = true;
  }
  size_t n = 1;
  while (used[n]) ++n;
  item->SetDisplayName(AsciiToUtf16(std::to_string(n)) + caption);
}

// --- TSyntaxFormat ---------------------------------------------------------------------------

TSyntaxFormat::TSyntaxFormat(TCollection* Collection)
    : TSyntCollectionItem(Collection), font_(std::make_unique<TFont>()) {
  font_->SetName(u"Courier New");
  font_->SetSize(10);
  font_->OnChange = [this](TObject*) { StyleChanged(); };
}

TSyntaxFormat::~TSyntaxFormat() {
  OnChange = nullptr;
  font_->OnChange = nullptr;
}

void TSyntaxFormat::StyleChanged() {
  if (assigning_) return;
  Changed();
  if (OnChange) OnChange(this);
}

void TSyntaxFormat::Assign(const TPersistent* Source) {
  auto* src = dynamic_cast<const TSyntaxFormat*>(Source);
  if (!src) {
    TSyntCollectionItem::Assign(Source);
    return;
  }
  if (src == this) return;
  ++assigning_;
  try {
    TSyntCollectionItem::Assign(Source);
  } catch (...) {
    --assigning_;
    throw;
  }
  markedBlock_ = src->markedBlock_;
  --assigning_;
  StyleChanged();
}

void TSyntaxFormat::SetBgColor(TColor Value) {
  if (Value == bgColor_) return;
  bgColor_ = Value;
  StyleChanged();
}
void TSyntaxFormat::SetVertAlignment(TVertAlignment Value) {
  if (Value == vertAlignment_) return;
  vertAlignment_ = Value;
  StyleChanged();
}
void TSyntaxFormat::SetFormatType(TFormatType Value) {
  if (Value == formatType_) return;
  formatType_ = Value;
  StyleChanged();
}
void TSyntaxFormat::SetHidden(bool Value) {
  if (Value == hidden_) return;
  hidden_ = Value;
  StyleChanged();
}
TBorderLineType TSyntaxFormat::BorderType(int Side) const {
  return Side >= 0 && Side < 4 ? borderTypes_[Side] : blNone;
}
void TSyntaxFormat::SetBorderType(int Side, TBorderLineType Value) {
  if (Side < 0 || Side > 3 || borderTypes_[Side] == Value) return;
  borderTypes_[Side] = Value;
  StyleChanged();
}
TColor TSyntaxFormat::BorderColor(int Side) const {
  return Side >= 0 && Side < 4 ? borderColors_[Side] : 0;
}
void TSyntaxFormat::SetBorderColor(int Side, TColor Value) {
  if (Side < 0 || Side > 3 || borderColors_[Side] == Value) return;
  borderColors_[Side] = Value;
  StyleChanged();
}
void TSyntaxFormat::SetMultiLineBorder(bool Value) {
  if (Value == multiLineBorder_) return;
  multiLineBorder_ = Value;
  StyleChanged();
}
void TSyntaxFormat::SetReadOnly(bool Value) {
  if (Value == readOnly_) return;
  readOnly_ = Value;
  StyleChanged();
}
void TSyntaxFormat::SetChangeCase(TChangeCase Value) {
  if (Value == changeCase_) return;
  changeCase_ = Value;
  StyleChanged();
}
void TSyntaxFormat::SetFormatFlags(TFormatFlags Value) {
  Value = Value * AllFormatFlags;
  if (Value == formatFlags_) return;
  formatFlags_ = Value;
  StyleChanged();
}

void TSyntaxFormat::ApplyTo(TCanvas* Canvas, bool AllowFontChange) const {
  if (!Canvas || !Enabled()) return;
  if (bgColor_ != clNone) Canvas->Brush()->SetColor(bgColor_);
  if (formatType_ == ftBackGround) return;
  if (font_->Color() != clNone) Canvas->Font()->SetColor(font_->Color());
  if (formatType_ == ftColor) return;
  static const std::pair<TFormatFlag, TFontStyle> kBits[] = {{ffBold, fsBold},
                                                             {ffItalic, fsItalic},
                                                             {ffUnderline, fsUnderline},
                                                             {ffStrikeOut, fsStrikeOut}};
  TFontStyles old = Canvas->Font()->Style(), style = old;
  for (auto [flag, bit] : kBits)
    if (formatFlags_.Contains(flag)) {
      if (font_->Style().Contains(bit))
        style.Include(bit);
      else
        style.Exclude(bit);
    }
  if (style != old) Canvas->Font()->SetStyle(style);
  if (formatType_ == ftCustomFont && AllowFontChange) {
    if (formatFlags_.Contains(ffFontName)) Canvas->Font()->SetName(font_->Name());
    if (formatFlags_.Contains(ffFontCharset)) Canvas->Font()->SetCharset(font_->Charset());
    if (formatFlags_.Contains(ffFontSize)) Canvas->Font()->SetSize(font_->Size());
  }
}

// --- TRuleCollectionItem ---------------------------------------------------------------------

TRuleCollectionItem::TRuleCollectionItem(TCollection* Collection)
    : TSyntCollectionItem(Collection) {}

template <class T>
std::u16string TRuleCollectionItem::RefName(const TNameRef<T>& Ref) const {
  if (OwnerLoading()) return Ref.Text;
  return Ref.Item ? Ref.Item->DisplayName() : Ref.Text;  // Text: a name read that names nothing
}

template <class T>
void TRuleCollectionItem::SetRef(TNameRef<T>& Ref, const std::u16string& Value,
                                 T* (*Lookup)(TSyntAnalyzer*, std::u16string_view)) {
  if (OwnerLoading()) {
    Ref.Text = Value;
    Ref.Item = nullptr;
  } else {
    Ref.Text.clear();
    T* item = Value.empty() ? nullptr : Lookup(SyntOwner(), Value);
    if (item == Ref.Item) return;
    Ref.Item = item;
  }
  Changed();
}

template <class T>
void TRuleCollectionItem::ResolveRef(TNameRef<T>& Ref,
                                     T* (*Lookup)(TSyntAnalyzer*, std::u16string_view)) {
  if (Ref.Text.empty()) return;
  Ref.Item = Lookup(SyntOwner(), Ref.Text);
  // A name that names nothing stays, so that saving writes back what the author wrote.
  if (Ref.Item) Ref.Text.clear();
}

std::u16string TRuleCollectionItem::StyleName() const {
  return RefName(style_);
}
void TRuleCollectionItem::SetStyleName(const std::u16string& Value) {
  SetRef(style_, Value, &FindStyle);
}
std::u16string TRuleCollectionItem::BlockName() const {
  return RefName(block_);
}
void TRuleCollectionItem::SetBlockName(const std::u16string& Value) {
  SetRef(block_, Value, &FindBlock);
}

void TRuleCollectionItem::HandlerChanged() {
  if (TSyntAnalyzer* lexer = SyntOwner()) lexer->HandlersChanged(lexer);
}

void TRuleCollectionItem::ResolveNames() {
  ResolveRef(style_, &FindStyle);
  ResolveRef(block_, &FindBlock);
}

void TRuleCollectionItem::UnresolvedNames(std::vector<TUnresolvedName>& Out) const {
  if (!style_.Item && !style_.Text.empty()) Out.push_back({"StyleName", style_.Text});
  if (!block_.Item && !block_.Text.empty()) Out.push_back({"BlockName", block_.Text});
}

void TRuleCollectionItem::ForgetItem(const TCollectionItem* Item) {
  if (static_cast<const TCollectionItem*>(style_.Item) == Item) style_.Item = nullptr;
  if (static_cast<const TCollectionItem*>(block_.Item) == Item) block_.Item = nullptr;
}

void TRuleCollectionItem::ValidateReferences() {
  TSyntAnalyzer* l = SyntOwner();
  if (!l) return;
  if (style_.Item && !l->Formats()->IsValidItem(style_.Item)) style_.Item = nullptr;
  if (block_.Item && !l->BlockRules()->IsValidItem(block_.Item)) block_.Item = nullptr;
}

#define SYNT_SETTER(Class, Name, Type, Field) \
  void Class::Set##Name(Type Value) {         \
    if (Value == Field) return;               \
    Field = Value;                            \
    Changed();                                \
  }

SYNT_SETTER(TRuleCollectionItem, StrictParent, bool, strictParent_)
SYNT_SETTER(TRuleCollectionItem, NotParent, bool, notParent_)
SYNT_SETTER(TRuleCollectionItem, AlwaysEnabled, bool, alwaysEnabled_)
SYNT_SETTER(TRuleCollectionItem, StatesAdd, int32_t, statesAdd_)
SYNT_SETTER(TRuleCollectionItem, StatesRemove, int32_t, statesRemove_)
SYNT_SETTER(TRuleCollectionItem, StatesPresent, int32_t, statesPresent_)
SYNT_SETTER(TRuleCollectionItem, StatesAbsent, int32_t, statesAbsent_)

// --- TTokenRule ------------------------------------------------------------------------------

TTokenRule::TTokenRule(TCollection* Collection) : TRuleCollectionItem(Collection) {
  regExpr_.SetModifierFlags(DefaultRegexOptions);
  if (TSyntAnalyzer* l = SyntOwner()) regExpr_.SetCodePage(CharsetToCodePage(l->Charset()));
}

void TTokenRule::Assign(const TPersistent* Source) {
  TRuleCollectionItem::Assign(Source);
  if (auto* src = dynamic_cast<const TTokenRule*>(Source)) SetRegexModifiers(src->RegexModifiers());
}

void TTokenRule::SetExpression(const std::u16string& Value) {
  if (Value == regExpr_.Expression()) return;
  regExpr_.SetExpression(Value);
  Changed();
}

void TTokenRule::SetRegexModifiers(uint16_t Value) {
  if (Value == regExpr_.ModifierFlags()) return;
  regExpr_.SetModifierFlags(Value);
  Changed();
}

SYNT_SETTER(TTokenRule, TokenType, int, tokenType_)
SYNT_SETTER(TTokenRule, ColumnFrom, int, columnFrom_)
SYNT_SETTER(TTokenRule, ColumnTo, int, columnTo_)

// --- TSingleTagCondition, TConditionCollection -----------------------------------------------

namespace {
// The tag list: sorted for lookups, but written in the order its author wrote it as long as it
// holds the same tags.
class TTagList : public TStringList {
 public:
  void DefineProperties(TFiler& Filer) override {
    TPersistent::DefineProperties(Filer);
    Filer.DefineProperty(
        "Strings",
        [this](TReader& r) {
          TStringList lines;
          r.ReadListBegin();
          while (!r.EndOfList()) lines.Add(r.ReadString());
          r.ReadListEnd();
          Assign(&lines);
          authored_.clear();
          for (int i = 0; i < lines.Count(); ++i) authored_.push_back(lines.Strings(i));
        },
        [this](TWriter& w) {
          w.WriteListBegin();
          for (const std::u16string& s : WrittenOrder()) w.WriteString(s);
          w.WriteListEnd();
        },
        GetCount() > 0);
  }

 private:
  std::vector<std::u16string> WrittenOrder() const {
    std::vector<std::u16string> out;
    std::vector<bool> seen(size_t(Count()), false);
    for (const std::u16string& s : authored_) {
      int i = -1;
      if (!Find(s, i)) break;
      if (!seen[size_t(i)]) out.push_back(Strings(i)), seen[size_t(i)] = true;
    }
    if (out.size() == size_t(Count())) return out;
    out.clear();
    for (int i = 0; i < Count(); ++i) out.push_back(Strings(i));
    return out;
  }
  std::vector<std::u16string> authored_;
};
}  // namespace

TSingleTagCondition::TSingleTagCondition(TCollection* Collection)
    : TCollectionItem(Collection), tagList_(std::make_unique<TTagList>()) {
  tagList_->SetSorted(true);
  tagList_->SetDuplicates(dupIgnore);
  tagList_->SetCaseSensitive(true);
  tagList_->SetDelimiter(u' ');
  tagList_->SetQuoteChar(u' ');
  tagList_->OnChange = [this](TObject*) { Changed(false); };
}

TSingleTagCondition::~TSingleTagCondition() {
  tagList_->OnChange = nullptr;
}

void TSingleTagCondition::SetTagList(const TStrings* Value) {
  tagList_->SetDelimitedText(Value ? Value->Text() : std::u16string());
}

void TSingleTagCondition::SetCondType(TTagConditionType Value) {
  if (Value == condType_) return;
  condType_ = Value;
  Changed(false);
}
void TSingleTagCondition::SetTokenTypes(uint32_t Value) {
  if (Value == tokenTypes_) return;
  tokenTypes_ = Value;
  Changed(false);
}
void TSingleTagCondition::SetIgnoreCase(bool Value) {
  if (Value == ignoreCase_) return;
  ignoreCase_ = Value;
  tagList_->SetCaseSensitive(!Value);
  Changed(false);
}

TConditionCollection::TConditionCollection(TTagBlockCondition* Owner)
    : TCollection(TSingleTagCondition::StaticClassInfo(), Owner), blockRule_(Owner) {}

std::u16string TConditionCollection::GetNamePath() const {
  std::u16string path = blockRule_ ? blockRule_->GetNamePath() : std::u16string();
  return path.empty() ? AsciiToUtf16(ClassName()) : path + u".Conditions";
}

void TConditionCollection::Update(TCollectionItem*) {
  if (OnChange) OnChange(this);
}

// --- TTagBlockCondition ----------------------------------------------------------------------

TTagBlockCondition::TTagBlockCondition(TCollection* Collection)
    : TRuleCollectionItem(Collection),
      conditions_(std::make_unique<TConditionCollection>(this)),
      pen_(std::make_unique<TPen>()) {
  conditions_->OnChange = [this](TConditionCollection*) { Changed(); };
  pen_->OnChange = [this](TObject*) { Changed(); };
}

TTagBlockCondition::~TTagBlockCondition() {
  conditions_->OnChange = nullptr;
  pen_->OnChange = nullptr;
}

void TTagBlockCondition::ResolveNames() {
  TRuleCollectionItem::ResolveNames();
  ResolveRef(blockEnd_, &FindBlock);
  ResolveRef(treeItemStyle_, &FindStyle);
  ResolveRef(treeGroupStyle_, &FindStyle);
}

void TTagBlockCondition::UnresolvedNames(std::vector<TUnresolvedName>& Out) const {
  TRuleCollectionItem::UnresolvedNames(Out);
  if (!blockEnd_.Item && !blockEnd_.Text.empty()) Out.push_back({"BlockEnd", blockEnd_.Text});
  if (!treeItemStyle_.Item && !treeItemStyle_.Text.empty())
    Out.push_back({"TreeItemStyle", treeItemStyle_.Text});
  if (!treeGroupStyle_.Item && !treeGroupStyle_.Text.empty())
    Out.push_back({"TreeGroupStyle", treeGroupStyle_.Text});
}

void TTagBlockCondition::ForgetItem(const TCollectionItem* Item) {
  TRuleCollectionItem::ForgetItem(Item);
  if (static_cast<const TCollectionItem*>(blockEnd_.Item) == Item) blockEnd_.Item = nullptr;
  if (static_cast<const TCollectionItem*>(treeItemStyle_.Item) == Item)
    treeItemStyle_.Item = nullptr;
  if (static_cast<const TCollectionItem*>(treeGroupStyle_.Item) == Item)
    treeGroupStyle_.Item = nullptr;
}

void TTagBlockCondition::ValidateReferences() {
  TRuleCollectionItem::ValidateReferences();
  TSyntAnalyzer* l = SyntOwner();
  if (!l) return;
  if (blockEnd_.Item && !l->BlockRules()->IsValidItem(blockEnd_.Item)) blockEnd_.Item = nullptr;
  if (treeItemStyle_.Item && !l->Formats()->IsValidItem(treeItemStyle_.Item))
    treeItemStyle_.Item = nullptr;
  if (treeGroupStyle_.Item && !l->Formats()->IsValidItem(treeGroupStyle_.Item))
    treeGroupStyle_.Item = nullptr;
}

void TTagBlockCondition::DefineProperties(TFiler& Filer) {
  TRuleCollectionItem::DefineProperties(Filer);
  // The conditions' own name, accepted as well as ConditionList; never written.
  Filer.DefineProperty(
      "Conditions", [this](TReader& r) { r.ReadCollectionValue(conditions_.get()); }, nullptr,
      false);
}

void TTagBlockCondition::SetConditionList(const TConditionCollection* Value) {
  conditions_->Assign(Value);
}

std::u16string TTagBlockCondition::BlockEnd() const {
  return RefName(blockEnd_);
}
void TTagBlockCondition::SetBlockEnd(const std::u16string& Value) {
  SetRef(blockEnd_, Value, &FindBlock);
}
std::u16string TTagBlockCondition::TreeItemStyle() const {
  return RefName(treeItemStyle_);
}
void TTagBlockCondition::SetTreeItemStyle(const std::u16string& Value) {
  SetRef(treeItemStyle_, Value, &FindStyle);
}
std::u16string TTagBlockCondition::TreeGroupStyle() const {
  return RefName(treeGroupStyle_);
}
void TTagBlockCondition::SetTreeGroupStyle(const std::u16string& Value) {
  SetRef(treeGroupStyle_, Value, &FindStyle);
}

SYNT_SETTER(TTagBlockCondition, BlockType, TTagBlockType, blockType_)
SYNT_SETTER(TTagBlockCondition, IdentIndex, int, identIndex_)
SYNT_SETTER(TTagBlockCondition, LinePos, TLineBreakPos, linePos_)
SYNT_SETTER(TTagBlockCondition, BlockOffset, int, blockOffset_)
SYNT_SETTER(TTagBlockCondition, EndOfTextClose, bool, endOfTextClose_)
SYNT_SETTER(TTagBlockCondition, NotCollapsed, bool, notCollapsed_)
SYNT_SETTER(TTagBlockCondition, SameIdent, bool, sameIdent_)
SYNT_SETTER(TTagBlockCondition, Highlight, bool, highlight_)
SYNT_SETTER(TTagBlockCondition, InvertColors, bool, invertColors_)
SYNT_SETTER(TTagBlockCondition, DisplayInTree, bool, displayInTree_)
SYNT_SETTER(TTagBlockCondition, NameFmt, const std::u16string&, nameFmt_)
SYNT_SETTER(TTagBlockCondition, GroupFmt, const std::u16string&, groupFmt_)
SYNT_SETTER(TTagBlockCondition, RefToCondEnd, bool, refToCondEnd_)
SYNT_SETTER(TTagBlockCondition, DynHighlight, TDynamicHighlight, dynHighlight_)
SYNT_SETTER(TTagBlockCondition, HighlightPos, THighlightPos, highlightPos_)
SYNT_SETTER(TTagBlockCondition, DynSelectMin, bool, dynSelectMin_)
SYNT_SETTER(TTagBlockCondition, CancelNextRules, bool, cancelNextRules_)
SYNT_SETTER(TTagBlockCondition, DrawStaple, bool, drawStaple_)
SYNT_SETTER(TTagBlockCondition, GroupIndex, int, groupIndex_)
SYNT_SETTER(TTagBlockCondition, CollapseFmt, const std::u16string&, collapseFmt_)
SYNT_SETTER(TTagBlockCondition, SelfClose, bool, selfClose_)
SYNT_SETTER(TTagBlockCondition, NoEndRule, bool, noEndRule_)
SYNT_SETTER(TTagBlockCondition, TokenType, int, tokenType_)

void TTagBlockCondition::SetGrammaRuleName(const std::u16string& Value) {
  if (Value == grammaRuleName_) return;
  grammaRuleName_ = Value;
  // The grammar rule is looked up when the grammar compiles; a name given afterwards is looked
  // up now, or the rule would go on without its grammar rule until the grammar changes.
  TSyntAnalyzer* lexer = SyntOwner();
  grammaRule_ = Value.empty() || !lexer ? nullptr : lexer->Gramma()->ParserRuleByName(Value);
  Changed();
}
SYNT_SETTER(TTagBlockCondition, TreeItemImage, int, treeItemImage_)
SYNT_SETTER(TTagBlockCondition, TreeGroupImage, int, treeGroupImage_)
SYNT_SETTER(TTagBlockCondition, UseCustomPen, bool, useCustomPen_)
SYNT_SETTER(TTagBlockCondition, IgnoreAsParent, bool, ignoreAsParent_)
SYNT_SETTER(TTagBlockCondition, AutoCloseMode, TAutoCloseMode, autoCloseMode_)
SYNT_SETTER(TTagBlockCondition, AutoCloseText, const std::u16string&, autoCloseText_)
SYNT_SETTER(TTagBlockCondition, AutoCloseInternal, bool, autoCloseInternal_)

// --- TSubAnalyzerRule ------------------------------------------------------------------------

TSubAnalyzerRule::TSubAnalyzerRule(TCollection* Collection) : TRuleCollectionItem(Collection) {
  startRegExpr_.SetModifierFlags(DefaultRegexOptions);
  endRegExpr_.SetModifierFlags(DefaultRegexOptions);
}

void TSubAnalyzerRule::SetStartExpression(const std::u16string& Value) {
  if (Value == startRegExpr_.Expression()) return;
  startRegExpr_.SetExpression(Value);
  Changed();
}

void TSubAnalyzerRule::SetEndExpression(const std::u16string& Value) {
  if (Value == endRegExpr_.Expression()) return;
  endRegExpr_.SetExpression(Value);
  Changed();
}

TSubAnalyzerRule::~TSubAnalyzerRule() {
  // A rule removed from a live lexer takes its lexer out of the master list it put it in.
  TSyntAnalyzer* owner = SyntOwner();
  if (syntAnalyzer_ && owner && !owner->IsDestroying()) SetSyntAnalyzer(nullptr);
}

void TSubAnalyzerRule::SetSyntAnalyzer(TSyntAnalyzer* Value) {
  if (Value == syntAnalyzer_) return;
  TSyntAnalyzer* owner = SyntOwner();
  TCollection* coll = Collection();
  auto usedByOther = [&](TSyntAnalyzer* L) {
    if (!coll) return false;
    for (int i = 0; i < coll->Count(); ++i) {
      auto* r = static_cast<TSubAnalyzerRule*>(coll->Items(i));
      if (r != this && r->syntAnalyzer_ == L) return true;
    }
    return false;
  };
  TSyntAnalyzer* old = syntAnalyzer_;
  syntAnalyzer_ = Value;
  if (owner) {
    if (old && old != owner && !usedByOther(old)) old->RemoveMasterLexer(owner);
    if (Value && Value != owner && !usedByOther(Value)) {
      Value->AddMasterLexer(owner);
      Value->FreeNotification(owner);
    }
  }
  Changed();
}

SYNT_SETTER(TSubAnalyzerRule, FromTextBegin, bool, fromTextBegin_)
SYNT_SETTER(TSubAnalyzerRule, ToTextEnd, bool, toTextEnd_)
SYNT_SETTER(TSubAnalyzerRule, IncludeBounds, bool, includeBounds_)

// --- TCodeTemplate ---------------------------------------------------------------------------

TCodeTemplate::TCodeTemplate(TCollection* Collection)
    : TCollectionItem(Collection), code_(std::make_unique<TSyntMemoStrings>()) {}

TCodeTemplate::~TCodeTemplate() = default;

void TCodeTemplate::SetName(const std::u16string& Value) {
  if (Value == name_) return;
  name_ = Value;
  Changed(false);
}
void TCodeTemplate::SetDescription(const std::u16string& Value) {
  if (Value == description_) return;
  description_ = Value;
  Changed(false);
}
void TCodeTemplate::SetCode(const TStrings* Value) {
  code_->Assign(Value);
}
void TCodeTemplate::SetAdvanced(bool Value) {
  if (Value == advanced_) return;
  advanced_ = Value;
  Changed(false);
}

TCodeTemplates::TCodeTemplates(TPersistent* Owner)
    : TCollection(TCodeTemplate::StaticClassInfo(), Owner) {}

}  // namespace synt
