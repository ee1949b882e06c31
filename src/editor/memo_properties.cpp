// The published properties of the editor and its setting objects, in published order, and the
// identifiers of the editor's enumerations.
#include "analysis/lexer_library.h"
#include "analysis/synt_text_source.h"
#include "editor/syntax_memo.h"
#include "platform/properties.h"

namespace synt {

const TEnumInfo& SyntaxMemoOptionInfo() {
  static const TEnumInfo i{"TSyntaxMemoOption",
                           {"soOverwriteBlocks",
                            "soPersistentBlocks",
                            "soEnableBlockSel",
                            "soDoubleClickLine",
                            "soKeepCaretInText",
                            "soCopyAsRTF",
                            "soHideSelection",
                            "soHideDynamic",
                            "soAutoIndentMode",
                            "soBackUnindent",
                            "soGroupUndo",
                            "soGroupRedo",
                            "soFixedLineHeight",
                            "soDragText",
                            "soCallapseEmptyLines",
                            "soAutoSelect",
                            "soKeepTrailingBlanks",
                            "soFloatMarkers",
                            "soUndoAfterSave",
                            "soDisableSelection",
                            "soAlwaysShowCaret",
                            "soDrawCurLineFocus",
                            "soHideCursorOnType",
                            "soScrollLastLine",
                            "soGreedySelect",
                            "soKeepSelMode",
                            "soSmartCaret",
                            "soBreakOnRightMargin",
                            "soOptimalFill",
                            "soFixedColumnMove",
                            "soVariableHorzScrollBar",
                            "soUnindentKeepAlign"}};
  return i;
}

const TEnumInfo& SyntaxMemoOptionExInfo() {
  static const TEnumInfo i{
      "TSyntaxMemoOptionEx",
      {"soSmartPaste", "soUseCaseFormat", "soAutoFormat", "soKeepSearchMarks", "soExtractAnsiParts",
       "soCorrectNonPrinted", "soVirtualCaretPos", "soUnlimitedCaretPos", "soNormalSelToLineEnd",
       "soRightClickMoveCaret", "soDisableAutoClose", "soAllowZeroTab", "soNotSuppressAltNNNN",
       "eoShowCaretWhenUnfocused", "soKeepCaretPaste", "soMultiAutoClose", "soMiddleAutoScroll",
       "soWordWrapAtSpace"}};
  return i;
}

const TEnumInfo& SelectionModeInfo() {
  static const TEnumInfo i{"TSyntSelectionMode", {"msNone", "msNormal", "msColumn", "msLine"}};
  return i;
}

const TEnumInfo& CollapseStyleInfo() {
  static const TEnumInfo i{
      "TCollapseStyle", {"csLineSeparator", "csRegionName", "csNameWhenDefined", "csEndEllipsis"}};
  return i;
}

const TEnumInfo& MonoFontModeInfo() {
  static const TEnumInfo i{"TMonoFontMode", {"mfAuto", "mfFixed", "mfVariable"}};
  return i;
}

const TEnumInfo& TabModeInfo() {
  static const TEnumInfo i{"TTabMode", {"tmTabChar", "tmSpaces", "tmDialog", "tmSmartTab"}};
  return i;
}

const TEnumInfo& ScrollStyleInfo() {
  static const TEnumInfo i{"TScrollStyle", {"ssNone", "ssHorizontal", "ssVertical", "ssBoth"}};
  return i;
}

const TEnumInfo& CharCaseInfo() {
  static const TEnumInfo i{"TCharCase", {"ecNormal", "ecUpperCase", "ecLowerCase"}};
  return i;
}

const TEnumInfo& FillStyleInfo() {
  static const TEnumInfo i{
      "TFillStyle",
      {"fstNone", "fstHorzGradient", "fstVertGradient", "fstCenter", "fstTile", "fstStretch"}};
  return i;
}

const TEnumInfo& PrintOptionInfo() {
  static const TEnumInfo i{"TSyntMemoPrintOption",
                           {"mpWordWrap", "mpLineHighlight", "mpBlockHighlight", "mpBackColor",
                            "mpHideCollapsed", "mpBlockStaples"}};
  return i;
}

const TEnumInfo& SaveStateOptionInfo() {
  static const TEnumInfo i{
      "TSaveStateOption",
      {"ssoAutoSave", "ssoAutoLoad", "ssoCaretPos", "ssoSelection", "ssoUserRanges", "ssoWordWrap",
       "ssoNonPrinted", "ssoDisableFolding", "ssoScrollPos", "ssoMarkers", "ssoBookmarks"}};
  return i;
}

namespace {

void DescribeDefaultStyles(TPropertyList& List) {
  using D = TDefaultStyles;
  TPropsOf<D> p(List);
  p.Object("SelectioMark", &D::SelectioMark);
  p.Object("SearchMark", &D::SearchMark);
  p.Object("CurrentLine", &D::CurrentLine);
  p.Object("CollapseMark", &D::CollapseMark);
}

void DescribeNonPrinted(TPropertyList& List) {
  using N = TNonPrinted;
  TPropsOf<N> p(List);
  p.Boolean("Visible", &N::Visible, &N::SetVisible).Def(false);
  p.Ident("Color", &N::Color, &N::SetColor, ColorIdents()).Def(int64_t(clSilver));
  p.Boolean("UseFont", &N::UseFont, &N::SetUseFont).Def(false);
  p.Object("Font", &N::Font);
  p.Integer("TabChar", &N::TabChar, &N::SetTabChar).Def(155);
  p.Integer("SpaceChar", &N::SpaceChar, &N::SetSpaceChar).Def(183);
  p.Integer("LineBreakChar", &N::LineBreakChar, &N::SetLineBreakChar).Def(182);
  p.Integer("SoftLineBreakChar", &N::SoftLineBreakChar, &N::SetSoftLineBreakChar).Def(172);
}

void DescribeTabList(TPropertyList& List) {
  using T = TTabList;
  TPropsOf<T> p(List);
  p.String("AsString", &T::AsString, &T::SetAsStringValue).Def(u"4");
}

void DescribeBackGround(TPropertyList& List) {
  using B = TqxBackGround;
  TPropsOf<B> p(List);
  p.Enum("FillStyle", &B::FillStyle, &B::SetFillStyle, FillStyleInfo()).Def(fstNone);
  p.Ident("GradColor", &B::GradColor, &B::SetGradColor, ColorIdents()).Def(int64_t(clBlue));
}

void DescribeUserRange(TPropertyList& List) {
  using R = TUserRange;
  TPropsOf<R> p(List);
  p.Integer("StartPos", &R::StartPos, &R::SetStartPos).Def(0);
  p.Integer("EndPos", &R::EndPos, &R::SetEndPos).Def(0);
  p.String("Style", &R::Style, &R::SetStyle);
  p.Set("LineBreaks", &R::LineBreaks, &R::SetLineBreaks, LineBreakPosInfo()).Def(TLineBreakBound{});
  p.Ident("LineBreakColor", &R::LineBreakColor, &R::SetLineBreakColor, ColorIdents())
      .Def(int64_t(clBlue));
  p.Boolean("Collapsable", &R::Collapsable, &R::SetCollapsable).Def(false);
  p.Boolean("HighlightLines", &R::HighlightLines, &R::SetHighlightLines);
  p.Integer("Tag", &R::Tag, &R::SetTag).Def(0);
  p.String("CollapseIcon", &R::CollapseIcon, &R::SetCollapseIcon);
}

void DescribeMemo(TPropertyList& List) {
  using M = TCustomSyntaxMemo;
  TPropsOf<M> p(List);
  p.Ident("Color", &M::Color, &M::SetColor, ColorIdents()).Def(int64_t(clWindow));
  p.Object("Font", &M::Font);
  p.Ident("Charset", &M::Charset, &M::SetCharset, CharsetIdents()).Def(int64_t(DEFAULT_CHARSET));
  p.Enum("CharCase", &M::CharCase, &M::SetCharCase, CharCaseInfo()).Def(ecNormal);
  p.Component("SyntaxAnalyzer", &M::SyntaxAnalyzer, &M::SetSyntaxAnalyzer);
  p.Component("TextSource", &M::TextSource, &M::SetTextSource);
  p.Component("UserStyles", &M::UserStyles, &M::SetUserStyles);
  p.Component("KeyMapping", &M::KeyMapping, &M::SetKeyMapping);
  // The lines of a text source are stored with the text source.
  p.Object("Lines", &M::Lines).Stored([](const TPersistent* m) {
    return static_cast<const M*>(m)->TextSource() == nullptr;
  });
  p.Set("Options", &M::Options, &M::SetOptions, SyntaxMemoOptionInfo()).Def(DefaultMemoOptions);
  p.Set("OptionsEx", &M::OptionsEx, &M::SetOptionsEx, SyntaxMemoOptionExInfo())
      .Def(DefaultMemoOptionsEx);
  p.Boolean("ReadOnly", &M::ReadOnly, &M::SetReadOnly).Def(false);
  p.Boolean("ReplaceMode", &M::ReplaceMode, &M::SetReplaceMode).Def(false);
  p.Integer("UndoLimit", &M::UndoLimit, &M::SetUndoLimit).Def(1000);
  p.Enum("TabMode", &M::TabMode, &M::SetTabMode, TabModeInfo()).Def(tmSpaces);
  p.Object("TabList", &M::TabList);
  p.Enum("ScrollBars", &M::ScrollBars, &M::SetScrollBars, ScrollStyleInfo()).Def(ssBoth);
  p.Boolean("MultiLine", &M::MultiLine, &M::SetMultiLine).Def(true);
  p.Boolean("WordWrap", &M::WordWrap, &M::SetWordWrap).Def(false);
  p.Boolean("DisableFolding", &M::DisableFolding, &M::SetDisableFolding).Def(false);
  p.Integer("CollapseLevel", &M::CollapseLevel, &M::SetCollapseLevel).Def(-1);
  p.Enum("CollapseStyle", &M::CollapseStyle, &M::SetCollapseStyle, CollapseStyleInfo())
      .Def(csRegionName);
  p.Ident("CollapseBreakColor", &M::CollapseBreakColor, &M::SetCollapseBreakColor, ColorIdents())
      .Def(int64_t(clSilver));
  // Read from older forms; the first of TextMargins holds it now.
  p.Integer("RightMargin", &M::RightMargin, &M::SetRightMargin).NotStored();
  p.Integer("LineSpacing", &M::LineSpacing, &M::SetLineSpacing).Def(1);
  p.Integer("LineSpacingBefore", &M::LineSpacingBefore, &M::SetLineSpacingBefore).Def(0);
  p.Integer("LineSpacingAfter", &M::LineSpacingAfter, &M::SetLineSpacingAfter).Def(0);
  p.Integer("Zoom", &M::Zoom, &M::SetZoom).Def(100);
  p.Integer("TextMargin", &M::TextMargin, &M::SetTextMargin).Def(2);
  p.Object("StaplePen", &M::StaplePen);
  p.Integer("StapleOffset", &M::StapleOffset, &M::SetStapleOffset).Def(2);
  p.Boolean("Transparent", &M::Transparent, &M::SetTransparent).Def(false);
  p.Boolean("DoubleBuffered", &M::DoubleBuffered, &M::SetDoubleBuffered).Def(false);
  p.Enum("MonoFontMode", &M::MonoFontMode, &M::SetMonoFontMode, MonoFontModeInfo()).Def(mfVariable);
  p.Set("SaveState", &M::SaveState, &M::SetSaveState, SaveStateOptionInfo())
      .Def(TSaveStateOptions{});
  p.Object("DefaultStyles", &M::DefaultStyles);
  p.Object("NonPrinted", &M::NonPrinted);
  p.Object("BackGround", &M::BackGround);
  p.Object("UserRanges", &M::UserRanges);
  p.Object("Caret", &M::Caret);
  p.Object("Gutter", &M::Gutter);
  p.Object("LineNumbers", &M::LineNumbers);
  p.Object("LineStateDisplay", &M::LineStateDisplay);
  p.Object("Animation", &M::Animation);
  p.Object("HorzRuler", &M::HorzRuler);
  p.Object("TextMargins", &M::TextMargins);
  p.Object("HintProps", &M::HintProps);
  p.Boolean("IncSearchBack", &M::IncSearchBack, &M::SetIncSearchBack).Def(false);
  p.Boolean("IncSearchIgnoreCase", &M::IncSearchIgnoreCase, &M::SetIncSearchIgnoreCase).Def(true);
  p.Object("SyncEditing", &M::SyncEditing);
  p.Event("OnChange", &M::OnChange);
  p.Event("OnTextChanged", &M::OnTextChanged);
  p.Event("OnModifiedChanged", &M::OnModifiedChanged);
  p.Event("OnFinishAnalysis", &M::OnFinishAnalysis);
  p.Event("OnCollapsedChanged", &M::OnCollapsedChanged);
  p.Event("OnBeforeLineDraw", &M::OnBeforeLineDraw);
  p.Event("OnAfterLineDraw", &M::OnAfterLineDraw);
  p.Event("OnDrawToken", &M::OnDrawToken);
  p.Event("OnLineHighLight", &M::OnLineHighLight);
  p.Event("OnGetLineStyle", &M::OnGetLineStyle);
  p.Event("OnGetStyleEntry", &M::OnGetStyleEntry);
  p.Event("OnBeforeDrawStaple", &M::OnBeforeDrawStaple);
  p.Event("OnSetBookmark", &M::OnSetBookmark);
  p.Event("OnDeleteBookmark", &M::OnDeleteBookmark);
  p.Event("OnGetGutterImage", &M::OnGetGutterImage);
  p.Event("OnGetLineNumberStr", &M::OnGetLineNumberStr);
  p.Event("OnGutterClick", &M::OnGutterClick);
  p.Event("OnAnimate", &M::OnAnimate);
  p.Event("OnDragTextMargin", &M::OnDragTextMargin);
  p.Event("OnGetTokenHint", &M::OnGetTokenHint);
  p.Event("OnIncSearchChange", &M::OnIncSearchChange);
  p.Event("OnCanSyncEdit", &M::OnCanSyncEdit);
}

}  // namespace

const TClassInfo& TDefaultStyles::StaticClassInfo() {
  static const TClassInfo info("TDefaultStyles", &TPersistent::StaticClassInfo(),
                               DescribeDefaultStyles);
  return info;
}

const TClassInfo& TNonPrinted::StaticClassInfo() {
  static const TClassInfo info("TNonPrinted", &TPersistent::StaticClassInfo(), DescribeNonPrinted);
  return info;
}

const TClassInfo& TTabList::StaticClassInfo() {
  static const TClassInfo info("TTabList", &TPersistent::StaticClassInfo(), DescribeTabList);
  return info;
}

const TClassInfo& TqxBackGround::StaticClassInfo() {
  static const TClassInfo info("TqxBackGround", &TPersistent::StaticClassInfo(),
                               DescribeBackGround);
  return info;
}

const TClassInfo& TUserRange::StaticClassInfo() {
  static const TClassInfo info("TUserRange", &TCollectionItem::StaticClassInfo(), DescribeUserRange,
                               nullptr, &TClassInfo::ItemFactory<TUserRange>);
  return info;
}

const TClassInfo& TUserRanges::StaticClassInfo() {
  static const TClassInfo info("TUserRanges", &TCollection::StaticClassInfo());
  return info;
}

const TClassInfo& TCustomSyntaxMemo::StaticClassInfo() {
  static const TClassInfo info("TCustomSyntaxMemo", &TCustomControl::StaticClassInfo(),
                               DescribeMemo);
  return info;
}

const TClassInfo& TSyntaxMemo::StaticClassInfo() {
  static const TClassInfo info("TSyntaxMemo", &TCustomSyntaxMemo::StaticClassInfo(), nullptr,
                               &TClassInfo::ComponentFactory<TSyntaxMemo>);
  return info;
}

void RegisterMemoClasses() {
  RegisterClass(TSyntaxMemo::StaticClassInfo());
}

}  // namespace synt
