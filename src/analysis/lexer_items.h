// The parts of a lexer definition: styles, token rules, block rules with their conditions,
// sub-lexer rules and code templates, with the collections that hold them. Each is a collection
// item whose published properties form the stored lexer format. The lexer itself
// (syntax_analyzer.h) owns the collections and reacts to their changes.
//
//   synt::TSyntAnalyzer lexer(nullptr);
//   synt::TSyntaxFormat* kw = lexer.Formats()->Add();      // named "2 Style" after "Marked block"
//   kw->SetDisplayName(u"Keyword");
//   kw->Font()->SetStyle({synt::fsBold});
//   synt::TTokenRule* id = lexer.TokenRules()->Add();
//   id->SetExpression(u"[a-z_]\\w*");
//   id->SetStyleName(u"Keyword");                          // resolved at once: id->Style() == kw
//   synt::TTagBlockCondition* b = lexer.BlockRules()->Add();
//   b->SetBlockType(synt::btRangeStart);
//   b->ConditionList()->Add()->TagList()->SetText(u"begin");
//
// Items refer to one another by DisplayName (case-sensitive). While the lexer is loading, the
// name-reference setters only keep the text; the lexer's Loaded resolves them all.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "lists/char_utils.h"
#include "platform/collection.h"
#include "platform/graphics.h"
#include "platform/input.h"
#include "platform/set.h"
#include "platform/strings.h"
#include "regex/reg_expr.h"

namespace synt {

class TSyntAnalyzer;
class TSyntCollection;
class TSyntaxFormat;
class TTagBlockCondition;
class TSyntMemoStrings;
class TParserResults;       // the tokenizer's results
class TClientSyntAnalyzer;  // a document's analysis
class TTextRange;           // a block of the analysis
class TParserRule;          // a compiled grammar rule
struct TSyntToken;          // a token of the analysis

// --- enumerations ----------------------------------------------------------------------------

enum TFormatType { ftCustomFont, ftFontAttr, ftColor, ftBackGround };
enum TVertAlignment { vaTop, vaCenter, vaBottom };
enum TBorderLineType {
  blNone,
  blSolid,
  blDash,
  blDot,
  blDashDot,
  blDashDotDot,
  blSolid2,
  blSolid3,
  blWavyLine,
  blDouble
};
enum TFormatFlag {
  ffBold,
  ffItalic,
  ffUnderline,
  ffStrikeOut,
  ffReadOnly,
  ffHidden,
  ffFontName,
  ffFontSize,
  ffFontCharset,
  ffVertAlign
};
using TFormatFlags = TSet<TFormatFlag>;
constexpr TFormatFlags AllFormatFlags = TFormatFlags::Range(10);
enum TTagConditionType { tcEqual, tcNotEqual, tcMask, tcSkip, tcStrictMask };
enum TTagBlockType { btTagDetect, btLineBreak, btRangeStart, btRangeEnd };
enum TLineBreakPos { lbTop, lbBottom };
using TLineBreakBound = TSet<TLineBreakPos>;
enum THighlightPos { cpAny, cpBound, cpBoundTag, cpRange, cpBoundTagBegin, cpOutOfRange };
enum TDynamicHighlight { dhNone, dhBound, dhRangeNoBound, dhRange };
enum TAutoCloseMode { acmDisabled, acmCloseNearest, acmCloseOpened };

struct TEnumInfo;
const TEnumInfo& FormatTypeInfo();
const TEnumInfo& VertAlignmentInfo();
const TEnumInfo& BorderLineTypeInfo();
const TEnumInfo& FormatFlagInfo();
const TEnumInfo& TagConditionTypeInfo();
const TEnumInfo& TagBlockTypeInfo();
const TEnumInfo& LineBreakPosInfo();
const TEnumInfo& HighlightPosInfo();
const TEnumInfo& DynamicHighlightInfo();
const TEnumInfo& AutoCloseModeInfo();
const TEnumInfo& ChangeCaseInfo();

// Line and thickness of a border side (blWavyLine and blDouble are drawn by the painter).
int BorderThickness(TBorderLineType Type);

// --- events ----------------------------------------------------------------------------------

// Text is the whole text; positions are 1-based.
using TOnMatchToken = std::function<void(TObject* Sender, TParserResults* Client,
                                         std::u16string_view Text, int APos, int& MatchLen)>;
using TOnBlockCheck = std::function<void(TObject* Sender, TClientSyntAnalyzer* Client,
                                         std::u16string_view Text, int& RefIdx, bool& Accept)>;
using TBoundDefEvent =
    std::function<void(TClientSyntAnalyzer* Sender, TTextRange* Range, int& sIdx, int& eIdx)>;
class TTokenRule;
using TParseTokenEvent = std::function<void(TParserResults* Client, std::u16string_view Text,
                                            int Pos, int& TokenLength, TTokenRule*& Rule)>;
using TMouseClickEvent =
    std::function<void(TObject* Editor, int TokenIndex, TMouseButton Button, TShiftState Shift)>;

class TRuleCollectionItem;

// A rule's handler that the analysis compiles in (whether it is assigned decides where the rule
// is tried): assigning it tells the rule, whose lexer has every client take it into account at
// once. Used as the std::function it holds.
template <class F>
class TRuleEvent {
 public:
  using Function = F;
  explicit TRuleEvent(TRuleCollectionItem* Rule) : rule_(Rule) {}
  TRuleEvent(const TRuleEvent&) = delete;
  TRuleEvent& operator=(const TRuleEvent& Other) { return *this = Other.fn_; }
  TRuleEvent& operator=(F Fn) {
    fn_ = std::move(Fn);
    Changed();
    return *this;
  }
  TRuleEvent& operator=(std::nullptr_t) { return *this = F(); }
  explicit operator bool() const { return bool(fn_); }
  template <class... A>
  void operator()(A&&... Args) const {
    fn_(std::forward<A>(Args)...);
  }

 private:
  void Changed();
  F fn_;
  TRuleCollectionItem* rule_;
};

// Modifiers of the expressions a rule creates: i, g, m and x on; s and r off.
constexpr uint16_t DefaultRegexOptions = rmIgnoreCase | rmGreedy | rmMultiLine | rmExtended;

// --- base item and collection ----------------------------------------------------------------

class TSyntCollectionItem : public TCollectionItem {
  SYNT_CLASS_INFO()

 public:
  explicit TSyntCollectionItem(TCollection* Collection);

  std::u16string DisplayName() const override { return displayName_; }
  // A name another item of the same collection already bears is ignored.
  void SetDisplayName(const std::u16string& Value) override;
  // The name last refused as a duplicate (empty after a name was taken), for load reports.
  const std::u16string& RefusedDisplayName() const { return refusedName_; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool Value);

  // The word of default names ("3 Style").
  virtual std::u16string ItemCaption() const { return u"Item"; }
  // Turns the names stored while loading into references.
  virtual void ResolveNames() {}

  TSyntCollection* SyntCollection() const;
  // The lexer the item belongs to, if any.
  TSyntAnalyzer* SyntOwner() const;

 protected:
  // Whether the owning lexer is being read (name references keep their text then).
  bool OwnerLoading() const;
  void Changed(bool AllItems = false) { TCollectionItem::Changed(AllItems); }

 private:
  std::u16string displayName_;
  std::u16string refusedName_;
  bool enabled_ = true;
};

class TSyntCollection : public TCollection {
  SYNT_CLASS_INFO()

 public:
  using TChangeEvent = std::function<void(TSyntCollection* Sender, TSyntCollectionItem* Item)>;
  // Item may be half destroyed (an item deleted directly): compare its address, do not call it.
  using TItemEvent = std::function<void(TSyntCollection* Sender, const TCollectionItem* Item)>;

  // Raises "Allow only TSyntCollectionItem Class" for another item class. Owner: the lexer (or
  // another object whose property the collection is).
  TSyntCollection(const TClassInfo& ItemClass, TPersistent* Owner);

  TSyntCollectionItem* Items(int Index) const {
    return static_cast<TSyntCollectionItem*>(TCollection::Items(Index));
  }
  TSyntCollectionItem* ItemByName(std::u16string_view Name) const;  // first with that name
  bool IsValidItem(const TSyntCollectionItem* Item) const;
  void ResolveNames();
  TSyntAnalyzer* SyntOwner() const;

  // Installed by the owner: a change (Item null: the whole collection), and an item about to
  // leave the collection (so that references to it are cleared before it is freed).
  TChangeEvent OnChange;
  TItemEvent OnItemRemoved;

 protected:
  void Update(TCollectionItem* Item) override;
  void Notify(TCollectionItem* Item, TCollectionNotification Action) override;
  void SetItemName(TCollectionItem* Item) override;
};

// --- styles ----------------------------------------------------------------------------------

class TSyntaxFormat : public TSyntCollectionItem {
  SYNT_CLASS_INFO()

 public:
  explicit TSyntaxFormat(TCollection* Collection);
  ~TSyntaxFormat() override;

  std::u16string ItemCaption() const override { return u"Style"; }
  // Every published property and the marked-block flag.
  void Assign(const TPersistent* Source) override;

  TFont* Font() const { return font_.get(); }
  void SetFont(const TFont* Value) { font_->Assign(Value); }
  TColor BgColor() const { return bgColor_; }
  void SetBgColor(TColor Value);
  TVertAlignment VertAlignment() const { return vertAlignment_; }
  void SetVertAlignment(TVertAlignment Value);
  TFormatType FormatType() const { return formatType_; }
  void SetFormatType(TFormatType Value);
  // The stored value while ffHidden is in FormatFlags, else false.
  bool Hidden() const { return hidden_ && formatFlags_.Contains(ffHidden); }
  void SetHidden(bool Value);
  bool StoredHidden() const { return hidden_; }  // regardless of the flags (what is stored)
  // Sides: 0 left, 1 top, 2 right, 3 bottom; another side reads as 0 and is ignored on writing.
  TBorderLineType BorderType(int Side) const;
  void SetBorderType(int Side, TBorderLineType Value);
  TColor BorderColor(int Side) const;
  void SetBorderColor(int Side, TColor Value);
  TBorderLineType BorderTypeLeft() const { return BorderType(0); }
  void SetBorderTypeLeft(TBorderLineType V) { SetBorderType(0, V); }
  TBorderLineType BorderTypeTop() const { return BorderType(1); }
  void SetBorderTypeTop(TBorderLineType V) { SetBorderType(1, V); }
  TBorderLineType BorderTypeRight() const { return BorderType(2); }
  void SetBorderTypeRight(TBorderLineType V) { SetBorderType(2, V); }
  TBorderLineType BorderTypeBottom() const { return BorderType(3); }
  void SetBorderTypeBottom(TBorderLineType V) { SetBorderType(3, V); }
  TColor BorderColorLeft() const { return BorderColor(0); }
  void SetBorderColorLeft(TColor V) { SetBorderColor(0, V); }
  TColor BorderColorTop() const { return BorderColor(1); }
  void SetBorderColorTop(TColor V) { SetBorderColor(1, V); }
  TColor BorderColorRight() const { return BorderColor(2); }
  void SetBorderColorRight(TColor V) { SetBorderColor(2, V); }
  TColor BorderColorBottom() const { return BorderColor(3); }
  void SetBorderColorBottom(TColor V) { SetBorderColor(3, V); }
  bool MultiLineBorder() const { return multiLineBorder_; }
  void SetMultiLineBorder(bool Value);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool Value);
  TChangeCase ChangeCase() const { return changeCase_; }
  void SetChangeCase(TChangeCase Value);
  TFormatFlags FormatFlags() const { return formatFlags_; }
  void SetFormatFlags(TFormatFlags Value);
  // The unpublished flag the lexer sets on the style it creates for the marked block.
  uint8_t MarkedBlockFlag() const { return markedBlock_; }
  void SetMarkedBlockFlag(uint8_t Value) { markedBlock_ = Value; }

  bool IsHidden() const { return hidden_ && formatFlags_.Contains(ffHidden); }
  // Applies the style to the canvas as its FormatType and FormatFlags say (nothing when disabled).
  void ApplyTo(TCanvas* Canvas, bool AllowFontChange = true) const;

  // The style's own change callback (style editors, shared style sets).
  TNotifyEvent OnChange;

 private:
  void StyleChanged();
  std::unique_ptr<TFont> font_;
  TColor bgColor_ = clNone;
  TVertAlignment vertAlignment_ = vaCenter;
  TFormatType formatType_ = ftFontAttr;
  bool hidden_ = false;
  TBorderLineType borderTypes_[4] = {blNone, blNone, blNone, blNone};
  TColor borderColors_[4] = {0, 0, 0, 0};
  bool multiLineBorder_ = false;
  bool readOnly_ = false;
  TChangeCase changeCase_ = ccNone;
  TFormatFlags formatFlags_ = AllFormatFlags;
  uint8_t markedBlock_ = 0;
  int assigning_ = 0;
};

class TStylesCollection : public TSyntCollection {
  SYNT_CLASS_INFO()

 public:
  explicit TStylesCollection(TPersistent* Owner)
      : TSyntCollection(TSyntaxFormat::StaticClassInfo(), Owner) {}
  TSyntaxFormat* Add() { return static_cast<TSyntaxFormat*>(TCollection::Add()); }
  TSyntaxFormat* Items(int Index) const {
    return static_cast<TSyntaxFormat*>(TCollection::Items(Index));
  }
  TSyntaxFormat* ItemByName(std::u16string_view Name) const {
    return static_cast<TSyntaxFormat*>(TSyntCollection::ItemByName(Name));
  }
};

// --- rules -----------------------------------------------------------------------------------

// A reference to a named item: the item itself, or the name while the lexer is being read. A
// name read that names no item stays in Text (Item none), so that saving writes it back.
template <class T>
struct TNameRef {
  T* Item = nullptr;
  std::u16string Text;
};

// A name reference read that names no item: the property and the name.
struct TUnresolvedName {
  const char* Property;
  std::u16string Name;
};

class TRuleCollectionItem : public TSyntCollectionItem {
  SYNT_CLASS_INFO()

 public:
  explicit TRuleCollectionItem(TCollection* Collection);

  std::u16string StyleName() const;
  void SetStyleName(const std::u16string& Value);
  TSyntaxFormat* Style() const { return style_.Item; }  // the style the rule gives
  std::u16string BlockName() const;
  void SetBlockName(const std::u16string& Value);
  TTagBlockCondition* Block() const { return block_.Item; }  // the parent block rule
  bool StrictParent() const { return strictParent_; }
  void SetStrictParent(bool Value);
  bool NotParent() const { return notParent_; }
  void SetNotParent(bool Value);
  bool AlwaysEnabled() const { return alwaysEnabled_; }
  void SetAlwaysEnabled(bool Value);
  int32_t StatesAdd() const { return statesAdd_; }
  void SetStatesAdd(int32_t Value);
  int32_t StatesRemove() const { return statesRemove_; }
  void SetStatesRemove(int32_t Value);
  int32_t StatesPresent() const { return statesPresent_; }
  void SetStatesPresent(int32_t Value);
  int32_t StatesAbsent() const { return statesAbsent_; }
  void SetStatesAbsent(int32_t Value);

  void ResolveNames() override;
  // The references read that name no item.
  virtual void UnresolvedNames(std::vector<TUnresolvedName>& Out) const;
  // A handler the analysis compiles in was assigned (TRuleEvent).
  void HandlerChanged();
  // Drops references to an item that is leaving its collection.
  virtual void ForgetItem(const TCollectionItem* Item);
  // Drops references to items that are no longer in their collections.
  virtual void ValidateReferences();

 protected:
  // Name-reference helpers for descendants: Lookup finds the item in the lexer.
  template <class T>
  std::u16string RefName(const TNameRef<T>& Ref) const;
  template <class T>
  void SetRef(TNameRef<T>& Ref, const std::u16string& Value,
              T* (*Lookup)(TSyntAnalyzer*, std::u16string_view));
  template <class T>
  void ResolveRef(TNameRef<T>& Ref, T* (*Lookup)(TSyntAnalyzer*, std::u16string_view));

 private:
  TNameRef<TSyntaxFormat> style_;
  TNameRef<TTagBlockCondition> block_;
  bool strictParent_ = false;
  bool notParent_ = false;
  bool alwaysEnabled_ = false;
  int32_t statesAdd_ = 0;
  int32_t statesRemove_ = 0;
  int32_t statesPresent_ = 0;
  int32_t statesAbsent_ = 0;
};

template <class F>
void TRuleEvent<F>::Changed() {
  if (rule_) rule_->HandlerChanged();
}

class TTokenRule : public TRuleCollectionItem {
  SYNT_CLASS_INFO()

 public:
  explicit TTokenRule(TCollection* Collection);

  std::u16string ItemCaption() const override { return u"Token rule"; }
  // Copies the published properties and the expression's modifiers.
  void Assign(const TPersistent* Source) override;

  int TokenType() const { return tokenType_; }
  void SetTokenType(int Value);
  const std::u16string& Expression() const { return regExpr_.Expression(); }
  void SetExpression(const std::u16string& Value);
  int ColumnFrom() const { return columnFrom_; }
  void SetColumnFrom(int Value);
  int ColumnTo() const { return columnTo_; }
  void SetColumnTo(int Value);
  // The rule's own compiled expression: modifiers DefaultRegexOptions when created, code page the
  // lexer's Charset's (following its changes); compiled when first matched.
  TqxRegExpr* RegExpr() const { return &regExpr_; }
  uint16_t RegexModifiers() const { return regExpr_.ModifierFlags(); }
  void SetRegexModifiers(uint16_t Value);
  uint32_t CodePage() const { return regExpr_.CodePage(); }
  void SetCodePage(uint32_t Value) { regExpr_.SetCodePage(Value); }

  TRuleEvent<TOnMatchToken> OnMatchToken{this};
  TMouseClickEvent OnMouseClick;

 private:
  int tokenType_ = 0;
  mutable TqxRegExpr regExpr_;  // compiling and matching change only its cache
  int columnFrom_ = 0;
  int columnTo_ = 0;
};

class TTokenRuleCollection : public TSyntCollection {
  SYNT_CLASS_INFO()

 public:
  explicit TTokenRuleCollection(TPersistent* Owner)
      : TSyntCollection(TTokenRule::StaticClassInfo(), Owner) {}
  TTokenRule* Add() { return static_cast<TTokenRule*>(TCollection::Add()); }
  TTokenRule* Items(int Index) const { return static_cast<TTokenRule*>(TCollection::Items(Index)); }
  TTokenRule* ItemByName(std::u16string_view Name) const {
    return static_cast<TTokenRule*>(TSyntCollection::ItemByName(Name));
  }
};

// One condition of a block rule over one token.
class TSingleTagCondition : public TCollectionItem {
  SYNT_CLASS_INFO()

 public:
  explicit TSingleTagCondition(TCollection* Collection);
  ~TSingleTagCondition() override;

  // Sorted, without duplicates, case-sensitive unless IgnoreCase. Assigning a list splits its
  // lines into blank-separated words, one tag each.
  TStringList* TagList() const { return tagList_.get(); }
  void SetTagList(const TStrings* Value);
  TTagConditionType CondType() const { return condType_; }
  void SetCondType(TTagConditionType Value);
  uint32_t TokenTypes() const { return tokenTypes_; }
  void SetTokenTypes(uint32_t Value);
  bool IgnoreCase() const { return ignoreCase_; }
  void SetIgnoreCase(bool Value);

  // Whether the condition accepts Token of Text, the whole text (block_rules.cpp).
  bool CheckToken(std::u16string_view Text, const TSyntToken& Token) const;

 private:
  std::unique_ptr<TStringList> tagList_;
  TTagConditionType condType_ = tcEqual;
  uint32_t tokenTypes_ = 0;
  bool ignoreCase_ = false;
};

class TConditionCollection : public TCollection {
  SYNT_CLASS_INFO()

 public:
  explicit TConditionCollection(TTagBlockCondition* Owner);
  TSingleTagCondition* Add() { return static_cast<TSingleTagCondition*>(TCollection::Add()); }
  TSingleTagCondition* Items(int Index) const {
    return static_cast<TSingleTagCondition*>(TCollection::Items(Index));
  }
  TTagBlockCondition* BlockRule() const { return blockRule_; }
  std::u16string GetNamePath() const override;  // "<rule path>.Conditions"

  std::function<void(TConditionCollection* Sender)> OnChange;

 protected:
  void Update(TCollectionItem* Item) override;

 private:
  TTagBlockCondition* blockRule_;
};

class TTagBlockCondition : public TRuleCollectionItem {
  SYNT_CLASS_INFO()

 public:
  explicit TTagBlockCondition(TCollection* Collection);
  ~TTagBlockCondition() override;

  std::u16string ItemCaption() const override { return u"Tag block rule"; }
  void ResolveNames() override;
  void UnresolvedNames(std::vector<TUnresolvedName>& Out) const override;
  void ForgetItem(const TCollectionItem* Item) override;
  void ValidateReferences() override;
  // Conditions and the pen are stored through their own properties; "Conditions" is also read.
  void DefineProperties(TFiler& Filer) override;

  TTagBlockType BlockType() const { return blockType_; }
  void SetBlockType(TTagBlockType Value);
  TConditionCollection* ConditionList() const { return conditions_.get(); }
  void SetConditionList(const TConditionCollection* Value);
  int IdentIndex() const { return identIndex_; }
  void SetIdentIndex(int Value);
  TLineBreakPos LinePos() const { return linePos_; }
  void SetLinePos(TLineBreakPos Value);
  int BlockOffset() const { return blockOffset_; }
  void SetBlockOffset(int Value);
  std::u16string BlockEnd() const;
  void SetBlockEnd(const std::u16string& Value);
  TTagBlockCondition* BlockEndRule() const { return blockEnd_.Item; }
  bool EndOfTextClose() const { return endOfTextClose_; }
  void SetEndOfTextClose(bool Value);
  bool NotCollapsed() const { return notCollapsed_; }
  void SetNotCollapsed(bool Value);
  bool SameIdent() const { return sameIdent_; }
  void SetSameIdent(bool Value);
  bool Highlight() const { return highlight_; }
  void SetHighlight(bool Value);
  bool InvertColors() const { return invertColors_; }
  void SetInvertColors(bool Value);
  bool DisplayInTree() const { return displayInTree_; }
  void SetDisplayInTree(bool Value);
  const std::u16string& NameFmt() const { return nameFmt_; }
  void SetNameFmt(const std::u16string& Value);
  const std::u16string& GroupFmt() const { return groupFmt_; }
  void SetGroupFmt(const std::u16string& Value);
  bool RefToCondEnd() const { return refToCondEnd_; }
  void SetRefToCondEnd(bool Value);
  TDynamicHighlight DynHighlight() const { return dynHighlight_; }
  void SetDynHighlight(TDynamicHighlight Value);
  THighlightPos HighlightPos() const { return highlightPos_; }
  void SetHighlightPos(THighlightPos Value);
  bool DynSelectMin() const { return dynSelectMin_; }
  void SetDynSelectMin(bool Value);
  bool CancelNextRules() const { return cancelNextRules_; }
  void SetCancelNextRules(bool Value);
  bool DrawStaple() const { return drawStaple_; }
  void SetDrawStaple(bool Value);
  int GroupIndex() const { return groupIndex_; }
  void SetGroupIndex(int Value);
  const std::u16string& CollapseFmt() const { return collapseFmt_; }
  void SetCollapseFmt(const std::u16string& Value);
  bool SelfClose() const { return selfClose_; }
  void SetSelfClose(bool Value);
  bool NoEndRule() const { return noEndRule_; }
  void SetNoEndRule(bool Value);
  const std::u16string& GrammaRuleName() const { return grammaRuleName_; }
  void SetGrammaRuleName(const std::u16string& Value);
  // The compiled grammar rule named by GrammaRuleName; set by the lexer's CompileGramma.
  TParserRule* GrammaRule() const { return grammaRule_; }
  void SetGrammaRule(TParserRule* Value) { grammaRule_ = Value; }
  int TokenType() const { return tokenType_; }
  void SetTokenType(int Value);
  std::u16string TreeItemStyle() const;
  void SetTreeItemStyle(const std::u16string& Value);
  TSyntaxFormat* TreeItemStyleObj() const { return treeItemStyle_.Item; }
  std::u16string TreeGroupStyle() const;
  void SetTreeGroupStyle(const std::u16string& Value);
  TSyntaxFormat* TreeGroupStyleObj() const { return treeGroupStyle_.Item; }
  int TreeItemImage() const { return treeItemImage_; }
  void SetTreeItemImage(int Value);
  int TreeGroupImage() const { return treeGroupImage_; }
  void SetTreeGroupImage(int Value);
  TPen* Pen() const { return pen_.get(); }
  void SetPen(const TPen* Value) { pen_->Assign(Value); }
  bool UseCustomPen() const { return useCustomPen_; }
  void SetUseCustomPen(bool Value);
  bool IgnoreAsParent() const { return ignoreAsParent_; }
  void SetIgnoreAsParent(bool Value);
  TAutoCloseMode AutoCloseMode() const { return autoCloseMode_; }
  void SetAutoCloseMode(TAutoCloseMode Value);
  const std::u16string& AutoCloseText() const { return autoCloseText_; }
  void SetAutoCloseText(const std::u16string& Value);
  bool AutoCloseInternal() const { return autoCloseInternal_; }
  void SetAutoCloseInternal(bool Value);

  TRuleEvent<TOnBlockCheck> OnBlockCheck{this};

  // Conditions are checked this many tokens further back (block_rules.cpp): 0 with RefToCondEnd,
  // else the largest of 0, -IdentIndex and -BlockOffset.
  int ConditionDelay() const;
  // Whether the conditions hold for the first n tokens of Client (n = -1: all); RefIdx gets the
  // earliest token they matched.
  bool CheckConditions(std::u16string_view Text, TParserResults& Client, int& RefIdx, int n);

 private:
  TTagBlockType blockType_ = btRangeStart;
  std::unique_ptr<TConditionCollection> conditions_;
  int identIndex_ = 0;
  TLineBreakPos linePos_ = lbTop;
  int blockOffset_ = 0;
  TNameRef<TTagBlockCondition> blockEnd_;
  bool endOfTextClose_ = false;
  bool notCollapsed_ = false;
  bool sameIdent_ = false;
  bool highlight_ = false;
  bool invertColors_ = false;
  bool displayInTree_ = true;
  std::u16string nameFmt_;
  std::u16string groupFmt_;
  bool refToCondEnd_ = false;
  TDynamicHighlight dynHighlight_ = dhNone;
  THighlightPos highlightPos_ = cpAny;
  bool dynSelectMin_ = false;
  bool cancelNextRules_ = false;
  bool drawStaple_ = false;
  int groupIndex_ = 0;
  std::u16string collapseFmt_;
  bool selfClose_ = false;
  bool noEndRule_ = false;
  std::u16string grammaRuleName_;
  TParserRule* grammaRule_ = nullptr;
  int tokenType_ = -1;
  TNameRef<TSyntaxFormat> treeItemStyle_;
  TNameRef<TSyntaxFormat> treeGroupStyle_;
  int treeItemImage_ = -1;
  int treeGroupImage_ = -1;
  std::unique_ptr<TPen> pen_;
  bool useCustomPen_ = false;
  bool ignoreAsParent_ = false;
  TAutoCloseMode autoCloseMode_ = acmDisabled;
  std::u16string autoCloseText_;
  bool autoCloseInternal_ = false;
};

class TBlockRuleCollection : public TSyntCollection {
  SYNT_CLASS_INFO()

 public:
  explicit TBlockRuleCollection(TPersistent* Owner)
      : TSyntCollection(TTagBlockCondition::StaticClassInfo(), Owner) {}
  TTagBlockCondition* Add() { return static_cast<TTagBlockCondition*>(TCollection::Add()); }
  TTagBlockCondition* Items(int Index) const {
    return static_cast<TTagBlockCondition*>(TCollection::Items(Index));
  }
  TTagBlockCondition* ItemByName(std::u16string_view Name) const {
    return static_cast<TTagBlockCondition*>(TSyntCollection::ItemByName(Name));
  }
};

class TSubAnalyzerRule : public TRuleCollectionItem {
  SYNT_CLASS_INFO()

 public:
  explicit TSubAnalyzerRule(TCollection* Collection);
  ~TSubAnalyzerRule() override;

  std::u16string ItemCaption() const override { return u"Sub lexer rule"; }

  const std::u16string& StartExpression() const { return startRegExpr_.Expression(); }
  void SetStartExpression(const std::u16string& Value);
  const std::u16string& EndExpression() const { return endRegExpr_.Expression(); }
  void SetEndExpression(const std::u16string& Value);
  // The two compiled expressions, with the default modifiers.
  TqxRegExpr* StartRegExpr() const { return &startRegExpr_; }
  TqxRegExpr* EndRegExpr() const { return &endRegExpr_; }
  // Keeps the master-lexer lists of the lexers referenced before and after current.
  TSyntAnalyzer* SyntAnalyzer() const { return syntAnalyzer_; }
  void SetSyntAnalyzer(TSyntAnalyzer* Value);
  bool FromTextBegin() const { return fromTextBegin_; }
  void SetFromTextBegin(bool Value);
  bool ToTextEnd() const { return toTextEnd_; }
  void SetToTextEnd(bool Value);
  bool IncludeBounds() const { return includeBounds_; }
  void SetIncludeBounds(bool Value);

 private:
  friend class TSyntAnalyzer;
  mutable TqxRegExpr startRegExpr_;
  mutable TqxRegExpr endRegExpr_;
  TSyntAnalyzer* syntAnalyzer_ = nullptr;
  bool fromTextBegin_ = false;
  bool toTextEnd_ = false;
  bool includeBounds_ = false;
};

class TSubAnalyzerRules : public TSyntCollection {
  SYNT_CLASS_INFO()

 public:
  explicit TSubAnalyzerRules(TPersistent* Owner)
      : TSyntCollection(TSubAnalyzerRule::StaticClassInfo(), Owner) {}
  TSubAnalyzerRule* Add() { return static_cast<TSubAnalyzerRule*>(TCollection::Add()); }
  TSubAnalyzerRule* Items(int Index) const {
    return static_cast<TSubAnalyzerRule*>(TCollection::Items(Index));
  }
};

// --- code templates --------------------------------------------------------------------------

class TCodeTemplate : public TCollectionItem {
  SYNT_CLASS_INFO()

 public:
  explicit TCodeTemplate(TCollection* Collection);
  ~TCodeTemplate() override;

  std::u16string DisplayName() const override { return name_; }
  void SetDisplayName(const std::u16string& Value) override { SetName(Value); }

  const std::u16string& Name() const { return name_; }
  void SetName(const std::u16string& Value);
  const std::u16string& Description() const { return description_; }
  void SetDescription(const std::u16string& Value);
  // The template's lines ("|" marks the caret; advanced templates use <caret> and <marker>).
  TSyntMemoStrings* Code() const { return code_.get(); }
  void SetCode(const TStrings* Value);
  bool Advanced() const { return advanced_; }
  void SetAdvanced(bool Value);

 private:
  std::u16string name_;
  std::u16string description_;
  std::unique_ptr<TSyntMemoStrings> code_;
  bool advanced_ = false;
};

class TCodeTemplates : public TCollection {
  SYNT_CLASS_INFO()

 public:
  explicit TCodeTemplates(TPersistent* Owner);
  TCodeTemplate* Add() { return static_cast<TCodeTemplate*>(TCollection::Add()); }
  TCodeTemplate* Items(int Index) const {
    return static_cast<TCodeTemplate*>(TCollection::Items(Index));
  }
};

// Makes every class of the lexer model known to the class registry (idempotent).
void RegisterLexerItemClasses();

}  // namespace synt
