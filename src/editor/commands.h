// Command ids of the editor and the event that hooks their execution.
//
//   memo.ExecuteCommand(synt::cmSelectAll, nullptr);
//   mapping.OnExecuteCommand = [](synt::TObject* sender, int command, void* data, bool& handled) {
//     if (command == synt::cmPaste) handled = true;  // keep the clipboard out
//   };
//
// Ids 1-20 move the caret; adding cmSelectionOffset (100) or cmColumnSelectionOffset (200) gives
// the same movement extending a normal or a column selection.
#pragma once

#include <functional>

#include "platform/object.h"

namespace synt {

// Sender, command id, command data, and whether a handler took the command (for the enable query:
// whether the command is enabled).
using TExecuteCommandEvent =
    std::function<void(TObject* Sender, int Command, void* Data, bool& Handled)>;

// Movement.
constexpr int cmLeft = 1;
constexpr int cmRight = 2;
constexpr int cmUp = 3;
constexpr int cmDown = 4;
constexpr int cmWordLeft = 5;
constexpr int cmWordRight = 6;
constexpr int cmLineStart = 7;
constexpr int cmLineEnd = 8;
constexpr int cmPageUp = 9;
constexpr int cmPageDown = 10;
// Named after their descriptions and behaviour; the captions in the command table read the other
// way.
constexpr int cmPageRight = 11;
constexpr int cmPageLeft = 12;
constexpr int cmPageTop = 13;
constexpr int cmPageBottom = 14;
constexpr int cmTextStart = 15;
constexpr int cmTextEnd = 16;
constexpr int cmGotoXY = 17;  // Data: the target text position
constexpr int cmFirstChar = 18;
constexpr int cmLastChar = 19;
constexpr int cmLeftUp = 20;

constexpr int cmSelectionOffset = 100;
constexpr int cmColumnSelectionOffset = 200;

constexpr int cmSelLeft = 101;
constexpr int cmSelRight = 102;
constexpr int cmSelUp = 103;
constexpr int cmSelDown = 104;
constexpr int cmSelWordLeft = 105;
constexpr int cmSelWordRight = 106;
constexpr int cmSelLineStart = 107;
constexpr int cmSelLineEnd = 108;
constexpr int cmSelPageUp = 109;
constexpr int cmSelPageDown = 110;
constexpr int cmSelPageRight = 111;
constexpr int cmSelPageLeft = 112;
constexpr int cmSelPageTop = 113;
constexpr int cmSelPageBottom = 114;
constexpr int cmSelTextStart = 115;
constexpr int cmSelTextEnd = 116;
constexpr int cmSelGotoXY = 117;
constexpr int cmSelFirstChar = 118;
constexpr int cmSelLastChar = 119;
constexpr int cmSelLeftUp = 120;

constexpr int cmColSelLeft = 201;
constexpr int cmColSelRight = 202;
constexpr int cmColSelUp = 203;
constexpr int cmColSelDown = 204;
constexpr int cmColSelWordLeft = 205;
constexpr int cmColSelWordRight = 206;
constexpr int cmColSelLineStart = 207;
constexpr int cmColSelLineEnd = 208;
constexpr int cmColSelPageUp = 209;
constexpr int cmColSelPageDown = 210;
constexpr int cmColSelPageRight = 211;
constexpr int cmColSelPageLeft = 212;
constexpr int cmColSelPageTop = 213;
constexpr int cmColSelPageBottom = 214;
constexpr int cmColSelTextStart = 215;
constexpr int cmColSelTextEnd = 216;
constexpr int cmColSelGotoXY = 217;
constexpr int cmColSelFirstChar = 218;
constexpr int cmColSelLastChar = 219;
constexpr int cmColSelLeftUp = 220;

// Standard actions.
constexpr int cmCopy = 301;
constexpr int cmCut = 302;
constexpr int cmPaste = 303;
constexpr int cmUndo = 304;
constexpr int cmRedo = 305;
constexpr int cmSelectAll = 306;
constexpr int cmClearSelection = 307;
constexpr int cmCopyAsRTF = 308;

// Scrolling; the caret stays where it is.
constexpr int cmScrollUp = 311;
constexpr int cmScrollDown = 312;
constexpr int cmScrollLeft = 313;
constexpr int cmScrollRight = 314;
constexpr int cmScrollPageUp = 315;
constexpr int cmScrollPageDown = 316;
constexpr int cmScrollPageLeft = 317;
constexpr int cmScrollPageRight = 318;
constexpr int cmScrollTextStart = 319;
constexpr int cmScrollTextEnd = 320;
constexpr int cmScrollFarLeft = 321;
constexpr int cmScrollFarRight = 322;

// Deleting text.
constexpr int cmBackspace = 331;
constexpr int cmDeleteChar = 332;
constexpr int cmDeleteWord = 333;
constexpr int cmBackDeleteWord = 334;
constexpr int cmDeleteToLineStart = 335;
constexpr int cmDeleteToLineEnd = 336;
constexpr int cmDeleteLine = 337;
constexpr int cmClearAll = 338;

// Inserting text.
constexpr int cmNewLine = 339;
constexpr int cmInsertLine = 340;  // break the line, caret stays
constexpr int cmChar = 341;        // Data: one character
constexpr int cmString = 342;      // Data: a zero-terminated string
constexpr int cmSoftBreak = 343;

// Indents and tabs.
constexpr int cmIndent = 350;
constexpr int cmUnindent = 351;
constexpr int cmTab = 352;
constexpr int cmTabChar = 353;

// Change case.
constexpr int cmWordUpperCase = 360;
constexpr int cmWordLowerCase = 361;
constexpr int cmWordToggleCase = 362;
constexpr int cmWordTitleCase = 363;
constexpr int cmSelUpperCase = 365;
constexpr int cmSelLowerCase = 366;
constexpr int cmSelToggleCase = 367;
constexpr int cmSelTitleCase = 368;

// Insert mode and selection modes.
constexpr int cmInsertMode = 371;
constexpr int cmOverwriteMode = 372;
constexpr int cmToggleMode = 373;
constexpr int cmNormalSelect = 374;
constexpr int cmColumnSelect = 375;
constexpr int cmLineSelect = 376;
constexpr int cmMarkSelStart = 377;
constexpr int cmMarkSelEnd = 378;
constexpr int cmResetSelection = 379;

// Bookmarks 0-9: cmGotoBookmark0 + n, cmToggleBookmark0 + n.
constexpr int cmGotoBookmark0 = 401;
constexpr int cmGotoBookmark9 = 410;
constexpr int cmToggleBookmark0 = 411;
constexpr int cmToggleBookmark9 = 420;

// Markers.
constexpr int cmDropMarker = 430;  // Data: an optional text position
constexpr int cmCollectMarker = 431;
constexpr int cmSwapMarker = 432;
constexpr int cmMatchBracket = 433;

// Text folding.
constexpr int cmToggleCollapse = 520;
constexpr int cmCollapse = 521;
constexpr int cmExpand = 522;
constexpr int cmFullCollapse = 523;
constexpr int cmFullExpand = 524;
constexpr int cmCollapseSelection = 525;
constexpr int cmToggleCollapseNearest = 526;
constexpr int cmCollapseInSelection = 527;
constexpr int cmExpandInSelection = 528;
constexpr int cmToggleFolding = 532;

// Miscellaneous.
constexpr int cmToggleNonPrinted = 530;
constexpr int cmToggleWordWrap = 531;
constexpr int cmToggleLineNumbers = 533;
constexpr int cmIncrementalSearch = 550;
// Sync editing over the selected block: equal identifiers are edited together (again: ends it).
constexpr int cmSyncEdit = 551;
constexpr int cmCommentLines = 560;
constexpr int cmUncommentLines = 561;
constexpr int cmSortAscending = 562;
constexpr int cmSortDescending = 563;
constexpr int cmGotoLine = 564;
constexpr int cmAlignTokens = 565;
constexpr int cmMoveLinesUp = 566;
constexpr int cmMoveLinesDown = 567;
constexpr int cmDuplicateLine = 568;

// Macros: performed by an attached recorder, never by the editor itself.
constexpr int cmStartMacro = 570;
constexpr int cmStopMacro = 571;
constexpr int cmCancelMacro = 572;
constexpr int cmPlayMacro = 573;

// Search and replace (through the attached find and replace dialogs).
constexpr int cmFindDialog = 600;
constexpr int cmFindNext = 601;
constexpr int cmFindPrevious = 602;
constexpr int cmFindAll = 603;
constexpr int cmFindFirst = 604;
constexpr int cmFindLast = 605;
constexpr int cmSearchAgain = 606;
constexpr int cmFindCurrentWordNext = 607;
constexpr int cmFindCurrentWordPrior = 608;
constexpr int cmReplaceDialog = 610;
constexpr int cmReplaceNext = 611;
constexpr int cmReplacePrevious = 612;
constexpr int cmReplaceAll = 613;
constexpr int cmReplaceFirst = 614;
constexpr int cmReplaceLast = 615;
constexpr int cmReplaceAgain = 616;
constexpr int cmResetSearchMarks = 640;
constexpr int cmNextSearchMark = 641;
constexpr int cmPreviousSearchMark = 642;

// Block operations.
constexpr int cmCopyPasteToEnd = 620;
constexpr int cmCopyPasteToStart = 621;
constexpr int cmCutPasteToEnd = 622;
constexpr int cmCutPasteToStart = 623;
constexpr int cmCopyPasteAbove = 624;
constexpr int cmCopyPasteBelow = 625;

// Printing (through the attached printer).
constexpr int cmPrint = 630;
constexpr int cmPrintSelection = 631;
constexpr int cmPrintPreview = 632;
constexpr int cmPageSetup = 633;

// Tools: performed by attached popups and auto-correction.
constexpr int cmAutoCompletion = 700;
constexpr int cmCodeTemplates = 701;
constexpr int cmCodeParameters = 702;
constexpr int cmSelectCharacter = 703;
constexpr int cmAutoCorrectWord = 704;
constexpr int cmAutoCorrectAll = 705;

}  // namespace synt
