// The editor's option sets and the small enumerations its properties use.
//
//   synt::TSyntaxMemoOptions o = synt::DefaultMemoOptions;
//   o.Include(synt::soCallapseEmptyLines);
//   memo.SetOptions(o);
//   if (memo.OptionsEx().Contains(synt::soNormalSelToLineEnd)) ...
//
// Members are in declaration order: their ordinals are the bits of the stored sets.
#pragma once

#include "platform/set.h"

namespace synt {

struct TEnumInfo;

enum TSyntaxMemoOption {
  soOverwriteBlocks,
  soPersistentBlocks,
  soEnableBlockSel,
  soDoubleClickLine,
  soKeepCaretInText,
  soCopyAsRTF,
  soHideSelection,
  soHideDynamic,
  soAutoIndentMode,
  soBackUnindent,
  soGroupUndo,
  soGroupRedo,
  soFixedLineHeight,
  soDragText,
  soCallapseEmptyLines,
  soAutoSelect,
  soKeepTrailingBlanks,
  soFloatMarkers,
  soUndoAfterSave,
  soDisableSelection,
  soAlwaysShowCaret,
  soDrawCurLineFocus,
  soHideCursorOnType,
  soScrollLastLine,
  soGreedySelect,
  soKeepSelMode,
  soSmartCaret,
  soBreakOnRightMargin,
  soOptimalFill,
  soFixedColumnMove,
  soVariableHorzScrollBar,
  soUnindentKeepAlign,
};
using TSyntaxMemoOptions = TSet<TSyntaxMemoOption>;

enum TSyntaxMemoOptionEx {
  soSmartPaste,
  soUseCaseFormat,
  soAutoFormat,
  soKeepSearchMarks,
  soExtractAnsiParts,
  soCorrectNonPrinted,
  soVirtualCaretPos,
  soUnlimitedCaretPos,
  soNormalSelToLineEnd,
  soRightClickMoveCaret,
  soDisableAutoClose,
  soAllowZeroTab,
  soNotSuppressAltNNNN,
  eoShowCaretWhenUnfocused,
  soKeepCaretPaste,
  soMultiAutoClose,
  soMiddleAutoScroll,
  soWordWrapAtSpace,
};
using TSyntaxMemoOptionsEx = TSet<TSyntaxMemoOptionEx>;

inline constexpr TSyntaxMemoOptions DefaultMemoOptions{
    soOverwriteBlocks, soEnableBlockSel, soHideSelection, soHideDynamic,   soAutoIndentMode,
    soBackUnindent,    soGroupUndo,      soDragText,      soScrollLastLine};
inline constexpr TSyntaxMemoOptionsEx DefaultMemoOptionsEx{
    soSmartPaste, soCorrectNonPrinted, soRightClickMoveCaret, soMiddleAutoScroll};

// The selection shapes, in this order.
enum TSyntSelectionMode { msNone, msNormal, msColumn, msLine };

// What a collapsed block shows after its first line.
enum TCollapseStyle { csLineSeparator, csRegionName, csNameWhenDefined, csEndEllipsis };

// When the editor lays text out in character cells (fixed-pitch mode).
enum TMonoFontMode { mfAuto, mfFixed, mfVariable };

// What the Tab key inserts.
enum TTabMode { tmTabChar, tmSpaces, tmDialog, tmSmartTab };

// Which scroll bars the editor shows.
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

// Case applied to all painted text.
enum TCharCase { ecNormal, ecUpperCase, ecLowerCase };

// How the background of the text area is filled.
enum TFillStyle { fstNone, fstHorzGradient, fstVertGradient, fstCenter, fstTile, fstStretch };

// Set by the printer or an exporter for the duration of a pass on a foreign canvas.
enum TSyntMemoPrintOption {
  mpWordWrap,
  mpLineHighlight,
  mpBlockHighlight,
  mpBackColor,
  mpHideCollapsed,
  mpBlockStaples
};
using TSyntMemoPrintOptions = TSet<TSyntMemoPrintOption>;
inline constexpr TSyntMemoPrintOptions ExportPrintOptions{mpLineHighlight, mpBlockHighlight,
                                                          mpBackColor};

// What the editor's saved state holds; stored only, nothing in the editor reads it.
enum TSaveStateOption {
  ssoAutoSave,
  ssoAutoLoad,
  ssoCaretPos,
  ssoSelection,
  ssoUserRanges,
  ssoWordWrap,
  ssoNonPrinted,
  ssoDisableFolding,
  ssoScrollPos,
  ssoMarkers,
  ssoBookmarks
};
using TSaveStateOptions = TSet<TSaveStateOption>;

// The identifiers of the enumerations above, for stored forms.
const TEnumInfo& SyntaxMemoOptionInfo();
const TEnumInfo& SyntaxMemoOptionExInfo();
const TEnumInfo& SelectionModeInfo();
const TEnumInfo& CollapseStyleInfo();
const TEnumInfo& MonoFontModeInfo();
const TEnumInfo& TabModeInfo();
const TEnumInfo& ScrollStyleInfo();
const TEnumInfo& CharCaseInfo();
const TEnumInfo& FillStyleInfo();
const TEnumInfo& PrintOptionInfo();
const TEnumInfo& SaveStateOptionInfo();

// Makes TSyntaxMemo known to the stored-form reader (idempotent).
void RegisterMemoClasses();

}  // namespace synt
