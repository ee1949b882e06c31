// The built-in command table: every command with its category, description, menu caption and keys.
#include "editor/key_mapping.h"

namespace synt {

namespace {

constexpr TShortCut C = scCtrl, S = scShift, A = scAlt;
constexpr std::int64_t kNoKey = -1;  // a command that takes data and cannot be bound

constexpr TPackedKeys K(std::uint16_t key, TShortCut mods = 0) {
  return ShortCut(key, mods);
}
constexpr TPackedKeys Seq(TShortCut first, TShortCut second) {
  return PackKeys(first, second);
}

struct Movement {
  int command;
  const char16_t* tail;  // the description after "Move cursor"
  const char16_t* caption;
  TPackedKeys keys, sel_keys, col_keys;
};

// Ids 1-20 in table order; ids 101-120 and 201-220 repeat them with selection.
constexpr Movement kMovements[] = {
    {cmLeft, u" left one char", u"&Left", K(vkLeft), K(vkLeft, S), K(vkLeft, S | A)},
    {cmRight, u" right one char", u"&Right", K(vkRight), K(vkRight, S), K(vkRight, S | A)},
    {cmUp, u" up one line", u"&Up", K(vkUp), K(vkUp, S), K(vkUp, S | A)},
    {cmDown, u" down one line", u"&Down", K(vkDown), K(vkDown, S), K(vkDown, S | A)},
    {cmWordLeft, u" left one word", u"Word Left", K(vkLeft, C), K(vkLeft, C | S),
     K(vkLeft, C | S | A)},
    {cmWordRight, u" right one word", u"Word Right", K(vkRight, C), K(vkRight, C | S),
     K(vkRight, C | S | A)},
    {cmLineStart, u" to beginning of line", u"Begin of Line", 0, 0, 0},
    {cmLineEnd, u" to end of line", u"End of Line", 0, 0, 0},
    {cmPageUp, u" up one page", u"Page Up", K(vkPrior), K(vkPrior, S), K(vkPrior, S | A)},
    {cmPageDown, u" down one page", u"Page Down", K(vkNext), K(vkNext, S), K(vkNext, S | A)},
    {cmPageRight, u" right one page", u"Page Left", 0, 0, 0},
    {cmPageLeft, u" left one page", u"Page Right", 0, 0, 0},
    {cmPageTop, u" to top of page", u"Top of Page", K(vkPrior, C), K(vkPrior, C | S),
     K(vkPrior, C | S | A)},
    {cmPageBottom, u" to bottom of page", u"Bottom of Page", K(vkNext, C), K(vkNext, C | S),
     K(vkNext, C | S | A)},
    {cmTextStart, u" to absolute beginning", u"Begin of Text", K(vkHome, C), K(vkHome, C | S),
     K(vkHome, C | S | A)},
    {cmTextEnd, u" to absolute end", u"End of Text", K(vkEnd, C), K(vkEnd, C | S),
     K(vkEnd, C | S | A)},
    // Shift+Alt+Home belongs to the marker swap, so the column variant of 18 has no key.
    {cmFirstChar, u" to first char of line", u"First Char", K(vkHome), K(vkHome, S), 0},
    {cmLastChar, u" to last char of line", u"Last Char", K(vkEnd), K(vkEnd, S), K(vkEnd, S | A)},
    {cmLeftUp, u" left and up at line start", u"Left-up", 0, 0, 0},
};

}  // namespace

void TSyntKeyMapping::AddDefaultCommands() {
  items_->BeginUpdate();
  try {
    AddDefaultRows();
  } catch (...) {
    items_->EndUpdate();
    throw;
  }
  items_->EndUpdate();
}

void TSyntKeyMapping::AddDefaultRows() {
  auto add = [this](int cmd, const char16_t* cat, std::int64_t second, std::int64_t first,
                    const char16_t* desc, const char16_t* caption) {
    AddCommand(cmd, cat, second, first, desc, caption);
  };

  struct Group {
    int offset;
    const char16_t* category;
    const char16_t* words;
    const char16_t* goto_xy;
  };
  const Group groups[] = {
      {0, u"Navigation, no select", u"Move cursor", u"Move cursor to specified position"},
      {cmSelectionOffset, u"Navigation, normal select", u"Move cursor and select",
       u"Move cursor to specified position and select"},
      {cmColumnSelectionOffset, u"Navigation, columnar select", u"Move cursor and column select",
       u"Move cursor to specified position and column select"},
  };
  for (const Group& g : groups) {
    for (const Movement& m : kMovements) {
      TPackedKeys keys = g.offset == 0                   ? m.keys
                         : g.offset == cmSelectionOffset ? m.sel_keys
                                                         : m.col_keys;
      // Only the plain movements have menu captions.
      add(m.command + g.offset, g.category, 0, keys, (g.words + std::u16string(m.tail)).c_str(),
          g.offset == 0 ? m.caption : u"");
    }
    add(cmGotoXY + g.offset, g.category, 0, kNoKey, g.goto_xy, u"");
  }

  const char16_t* cat = u"Scrolling";
  add(cmScrollUp, cat, 0, K(vkUp, C), u"Scroll up one line leaving cursor position unchanged",
      u"Scroll Up");
  add(cmScrollDown, cat, 0, K(vkDown, C), u"Scroll down one line leaving cursor position unchanged",
      u"Scroll Down");
  add(cmScrollLeft, cat, 0, 0, u"Scroll left one char leaving cursor position unchanged",
      u"Scroll Left");
  add(cmScrollRight, cat, 0, 0, u"Scroll right one char leaving cursor position unchanged",
      u"Scroll Right");
  add(cmScrollPageUp, cat, 0, 0, u"Scroll up one page leaving cursor position unchanged",
      u"Scroll Page Up");
  add(cmScrollPageDown, cat, 0, 0, u"Scroll down one page leaving cursor position unchanged",
      u"Scroll Page Down");
  add(cmScrollPageLeft, cat, 0, 0, u"Scroll left one screen leaving cursor position unchanged",
      u"Scroll Page Left");
  add(cmScrollPageRight, cat, 0, 0, u"Scroll right one screen leaving cursor position unchanged",
      u"Scroll Page Right");
  add(cmScrollTextStart, cat, 0, 0,
      u"Scroll to absolute beginning leaving cursor position unchanged", u"Scroll to begin");
  add(cmScrollTextEnd, cat, 0, 0, u"Scroll to absolute end leaving cursor position unchanged",
      u"Scroll to end");
  add(cmScrollFarLeft, cat, 0, 0, u"Scroll to absolute left leaving cursor position unchanged",
      u"Scroll to left");
  add(cmScrollFarRight, cat, 0, 0, u"Scroll to absolute right leaving cursor position unchanged",
      u"Scroll to right");

  cat = u"Standard actions";
  add(cmCopy, cat, K(vkInsert, C), K('C', C), u"Copy selection to clipboard", u"&Copy");
  add(cmCut, cat, K(vkDelete, S), K('X', C), u"Cut selection to clipboard", u"Cu&t");
  add(cmPaste, cat, K(vkInsert, S), K('V', C), u"Paste clipboard to current position", u"&Paste");
  add(cmUndo, cat, K(vkBack, A), K('Z', C), u"Perform undo if available", u"&Undo");
  add(cmRedo, cat, 0, K('Z', C | S), u"Perform redo if available", u"&Redo");
  add(cmSelectAll, cat, 0, K('A', C), u"Select entire contents of editor, cursor to end",
      u"Select &All");
  add(cmClearSelection, cat, 0, K(vkDelete, C), u"Delete current selection", u"&Delete");
  add(cmCopyAsRTF, cat, 0, 0, u"Copy to clipboard in RTF format", u"Copy As RTF");

  cat = u"Deleting text";
  add(cmBackspace, cat, 0, K(vkBack), u"Delete last char (i.e. backspace key)",
      u"Back Delete Char");
  add(cmDeleteChar, cat, 0, K(vkDelete), u"Delete char at cursor (i.e. delete key)",
      u"Delete Char");
  add(cmDeleteWord, cat, 0, K('T', C), u"Delete from cursor to next word", u"Delete Word");
  add(cmBackDeleteWord, cat, 0, K(vkBack, C), u"Delete from cursor to start of word",
      u"Back Delete Word");
  add(cmDeleteToLineStart, cat, 0, K('B', C), u"Delete from cursor to beginning of line",
      u"Delete to Line Begin");
  add(cmDeleteToLineEnd, cat, 0, 0, u"Delete from cursor to end of line", u"Delete to Line End");
  add(cmDeleteLine, cat, 0, K('Y', C), u"Delete current line", u"Delete Line");
  add(cmClearAll, cat, 0, 0, u"Delete everything", u"Clear all");

  cat = u"Inserting text";
  add(cmNewLine, cat, 0, K(vkReturn), u"Break line at current position, move caret to new line",
      u"New Line");
  add(cmInsertLine, cat, 0, K('N', C), u"Break line at current position, leave caret", u"");
  add(cmSoftBreak, cat, 0, 0, u"Soft break line at current position, move caret to new line", u"");
  add(cmChar, cat, 0, kNoKey, u"Insert a character at current position (Data = PChar)", u"");
  add(cmString, cat, 0, kNoKey, u"Insert a whole string (Data = PChar)", u"");

  cat = u"Indents and Tabs";
  add(cmIndent, cat, 0, K(vkTab, C), u"Indent selection", u"&Indent");
  add(cmUnindent, cat, 0, K(vkTab, S), u"Unindent selection", u"&Unindent");
  add(cmTab, cat, 0, K(vkTab), u"Tab key", u"");
  add(cmTabChar, cat, 0, K('I', C), u"Insert Tab char", u"");

  cat = u"Selection modes";
  add(cmInsertMode, cat, 0, 0, u"Set insert mode", u"Insert Mode");
  add(cmOverwriteMode, cat, 0, 0, u"Set overwrite mode", u"Overwrite Mode");
  add(cmToggleMode, cat, 0, K(vkInsert), u"Toggle insert/overwrite mode", u"Toggle Insert Mode");
  add(cmNormalSelect, cat, 0, Seq(K('O', C), 'K'), u"Normal selection mode", u"Normal Selection");
  add(cmColumnSelect, cat, 0, Seq(K('O', C), 'C'), u"Column selection mode", u"Column Selection");
  add(cmLineSelect, cat, 0, Seq(K('O', C), 'L'), u"Line selection mode", u"Line Selection");
  add(cmMarkSelStart, cat, 0, Seq(K('K', C), 'B'), u"Marks the beginning of a block",
      u"Mark Selection Start");
  add(cmMarkSelEnd, cat, 0, Seq(K('K', C), 'K'), u"Marks the end of a block",
      u"Mark Selection End");
  add(cmResetSelection, cat, 0, K(vkEscape), u"Reset selection", u"Reset selection");

  cat = u"Change case";
  add(cmWordUpperCase, cat, 0, 0, u"Upper case to current or previous word", u"Word Upper Case");
  add(cmWordLowerCase, cat, 0, 0, u"Lower case to current or previous word", u"Word Lower Case");
  add(cmWordToggleCase, cat, 0, 0, u"Toggle case to current or previous word", u"Word Toggle Case");
  add(cmWordTitleCase, cat, 0, 0, u"Title case to current or previous word", u"Word Title Case");
  add(cmSelUpperCase, cat, 0, Seq(K('K', C), 'N'),
      u"Upper case to current selection or current char", u"Selection Upper Case");
  add(cmSelLowerCase, cat, 0, Seq(K('K', C), 'O'),
      u"Lower case to current selection or current char", u"Selection Lower Case");
  add(cmSelToggleCase, cat, 0, 0, u"Toggle case to current selection or current char",
      u"Selection Toggle Case");
  add(cmSelTitleCase, cat, 0, 0, u"Title case to current selection", u"Selection Title Case");

  cat = u"Text folding";
  add(cmToggleCollapse, cat, 0, 0, u"Collapse/expand block at current line", u"Toggle Collapse");
  add(cmCollapse, cat, 0, 0, u"Collapse block at current line", u"Collapse");
  add(cmExpand, cat, 0, 0, u"Expand block at current line", u"Expand");
  add(cmFullCollapse, cat, 0, 0, u"Collapse all blocks in the text", u"Full Collapse");
  add(cmFullExpand, cat, 0, 0, u"Expand all collapsed blocks in the text", u"Full Expand");
  add(cmCollapseSelection, cat, 0, 0, u"Collapse selected block", u"Collapse Selection");
  add(cmToggleCollapseNearest, cat, 0, K(vkOemPlus, C), u"Collapse/expand nearest block",
      u"Toggle Collapse Nearest");
  add(cmCollapseInSelection, cat, 0, 0, u"Collapse ranges in selection", u"Collapse in selection");
  add(cmExpandInSelection, cat, 0, 0, u"Expand ranges in selection", u"Expand in selection");
  add(cmToggleFolding, cat, 0, 0, u"Toggle Folding", u"Toggle Folding");

  cat = u"Bookmarks";
  for (int n = 0; n < 10; ++n) {
    std::u16string text = u"Goto Bookmark " + std::u16string(1, static_cast<char16_t>(u'0' + n));
    add(cmGotoBookmark0 + n, cat, 0, K(static_cast<std::uint16_t>('0' + n), C), text.c_str(),
        text.c_str());
  }
  for (int n = 0; n < 10; ++n) {
    std::u16string text = u"Toggle Bookmark " + std::u16string(1, static_cast<char16_t>(u'0' + n));
    add(cmToggleBookmark0 + n, cat, 0, K(static_cast<std::uint16_t>('0' + n), C | S), text.c_str(),
        text.c_str());
  }

  cat = u"Markers";
  add(cmDropMarker, cat, 0, K(vkHome, A), u"Drops marker to the current position", u"Drop marker");
  add(cmCollectMarker, cat, 0, K(vkEnd, A), u"Collect marker (jump back)", u"Collect marker");
  add(cmSwapMarker, cat, 0, K(vkHome, S | A), u"Swap marker (keep position, jump back)",
      u"Swap marker");
  add(cmMatchBracket, cat, 0, K(vkOemOpen, C), u"Jump to matching bracket (change range side)",
      u"Jump to matching bracket");

  cat = u"Macros";
  add(cmPlayMacro, cat, 0, 0, u"Play macro", u"Play macro");
  add(cmStartMacro, cat, 0, 0, u"Start macro recording", u"Start macro recording");
  add(cmStopMacro, cat, 0, 0, u"Stop macro recording", u"Stop macro recording");
  add(cmCancelMacro, cat, 0, 0, u"Cancel macro recording", u"Cancel macro recording");

  cat = u"Miscellaneous";
  add(cmToggleNonPrinted, cat, 0, 0, u"Show/Hide non printed text/characters", u"Show Non Printed");
  add(cmToggleWordWrap, cat, 0, 0, u"Toggle Word Wrap", u"Toggle Word Wrap");
  add(cmToggleLineNumbers, cat, 0, 0, u"Show/Hide line numbers", u"Show line numbers");
  add(cmCommentLines, cat, 0, 0, u"Comment selected lines", u"Comment lines");
  add(cmUncommentLines, cat, 0, 0, u"Uncomment selected lines", u"Uncomment lines");
  add(cmSortAscending, cat, 0, 0, u"Ascending sort of selected lines", u"Ascending sort");
  add(cmSortDescending, cat, 0, 0, u"Descending sort of selected lines", u"Descending sort");
  add(cmGotoLine, cat, 0, K('G', A), u"Go to line number", u"Go to line number");
  add(cmAlignTokens, cat, 0, 0, u"Aligns tokens in selected lines", u"Aligns tokens");
  add(cmMoveLinesUp, cat, 0, 0, u"Moves selected lines one line up", u"Moves lines up");
  add(cmMoveLinesDown, cat, 0, 0, u"Moves selected lines one line down", u"Moves lines down");
  add(cmDuplicateLine, cat, 0, 0, u"Duplicate current line", u"Duplicate line");
  add(cmPrint, cat, 0, 0, u"Print all text", u"Print all text");
  add(cmPrintSelection, cat, 0, 0, u"Print selected text", u"Print selected text");
  add(cmPrintPreview, cat, 0, 0, u"Print preview", u"Print preview");
  add(cmPageSetup, cat, 0, 0, u"Page Setup dialog", u"Page Setup...");

  cat = u"Search & Replace";
  add(cmFindDialog, cat, 0, K('F', C), u"Find Dialog", u"Find Dialog");
  add(cmFindNext, cat, 0, 0, u"Find Next", u"Find Next");
  add(cmFindPrevious, cat, 0, 0, u"Find Previous", u"Find Previous");
  add(cmFindAll, cat, 0, 0, u"Find All", u"Find All");
  add(cmFindFirst, cat, 0, 0, u"Find First", u"Find First");
  add(cmFindLast, cat, 0, 0, u"Find Last", u"Find Last");
  add(cmSearchAgain, cat, 0, K(vkF1 + 2), u"Search Again", u"Search Again");
  add(cmFindCurrentWordNext, cat, 0, K(vkDown, C | S), u"Find Current Word Next",
      u"Find Current Word Next");
  add(cmFindCurrentWordPrior, cat, 0, K(vkUp, C | S), u"Find Current Word Prior",
      u"Find Current Word Prior");
  add(cmIncrementalSearch, cat, 0, K('E', C), u"Incremental Search", u"Incremental Search");
  add(cmSyncEdit, cat, 0, K('J', C | S), u"Edit equal identifiers of the selection together",
      u"Synchronous Editing");
  add(cmResetSearchMarks, cat, 0, 0, u"Reset search marks", u"Reset searches");
  add(cmNextSearchMark, cat, 0, 0, u"Go to next search mark", u"Next search");
  add(cmPreviousSearchMark, cat, 0, 0, u"Go to previous search mark", u"Previous search");
  add(cmReplaceDialog, cat, 0, K('R', C), u"Replace Dialog", u"Replace Dialog");
  add(cmReplaceNext, cat, 0, 0, u"Replace Next", u"Replace Next");
  add(cmReplacePrevious, cat, 0, 0, u"Replace Previous", u"Replace Previous");
  add(cmReplaceAll, cat, 0, 0, u"Replace All", u"Replace All");
  add(cmReplaceFirst, cat, 0, 0, u"Replace First", u"Replace First");
  add(cmReplaceLast, cat, 0, 0, u"Replace Last", u"Replace Last");
  add(cmReplaceAgain, cat, 0, 0, u"Replace Again", u"Replace Again");

  cat = u"Block operations";
  add(cmCopyPasteToEnd, cat, 0, 0, u"Block Copy & Paste end of file", u"");
  add(cmCopyPasteToStart, cat, 0, 0, u"Block Copy & Paste start of file", u"");
  add(cmCutPasteToEnd, cat, 0, 0, u"Block Cut & Paste end of file", u"");
  add(cmCutPasteToStart, cat, 0, 0, u"Block Cut & Paste start of file", u"");
  add(cmCopyPasteAbove, cat, 0, 0, u"Block Copy & Paste above selected block", u"");
  add(cmCopyPasteBelow, cat, 0, 0, u"Block Copy & Paste below top of file", u"");

  cat = u"Tools";
  add(cmAutoCompletion, cat, 0, K(vkSpace, C), u"Auto completion popup", u"Auto completion");
  add(cmCodeTemplates, cat, 0, K('J', C), u"Code templates popup", u"Code templates");
  add(cmCodeParameters, cat, 0, K(vkSpace, C | S), u"Code parameters tool tip", u"Code parameters");
  add(cmSelectCharacter, cat, 0, K(vkOemPeriod, C), u"Select character popup", u"Select character");
  add(cmAutoCorrectWord, cat, 0, 0, u"Auto correct current word", u"Auto correct current word");
  add(cmAutoCorrectAll, cat, 0, 0, u"Auto correct all words", u"Auto correct all words");
}

}  // namespace synt
