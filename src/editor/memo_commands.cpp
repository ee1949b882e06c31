// Command dispatch and the enabled state of every command.
#include "editor/memo_commands.h"

#include <algorithm>

#include "analysis/syntax_analyzer.h"
#include "editor/commands.h"
#include "editor/memo_hooks.h"
#include "editor/syntax_memo.h"
#include "platform/clipboard.h"
#include "platform/control_host.h"

namespace synt {

TMemoCommandPart::TMemoCommandPart(TCustomSyntaxMemo& Memo) : TMemoPart(Memo, kCommandOrder) {}
TMemoCommandPart::~TMemoCommandPart() = default;

namespace {

// The attached command hooks, taken before the walk: a hook may detach itself or another one.
std::vector<TComponent*> PluginSnapshot(TCustomSyntaxMemo& m) {
  std::vector<TComponent*> list;
  for (int i = 0; i < m.PluginCount(); ++i) list.push_back(m.Plugins(i));
  return list;
}

bool StillAttached(TCustomSyntaxMemo& m, TComponent* p) {
  for (int i = 0; i < m.PluginCount(); ++i)
    if (m.Plugins(i) == p) return true;
  return false;
}

template <class F>
void ForCommandHooks(TCustomSyntaxMemo& m, F&& f) {
  for (TComponent* p : PluginSnapshot(m)) {
    if (!StillAttached(m, p)) continue;
    if (auto* hook = dynamic_cast<ISyntMemoCommandHook*>(p))
      if (f(*hook)) return;
  }
}

}  // namespace

void TMemoCommandPart::ExecuteCommand(int Command, void* Data) {
  TCustomSyntaxMemo& m = Memo();
  if (m.OnExecuteCommand) {
    bool handled = false;
    m.OnExecuteCommand(&m, Command, Data, handled);
    if (handled) return;
  }
  if (TSyntKeyMapping* km = m.KeyMapping())
    if (km->ExecuteCommandHook(&m, Command, Data)) return;
  bool taken = false;
  ForCommandHooks(m, [&](ISyntMemoCommandHook& h) {
    h.BeforeCommand(Command, Data, taken);
    return taken;
  });
  if (taken) return;

  // A command ends an incremental search (its own finds the next match instead).
  const bool searched = m.IncSearchPart().BeforeCommand(Command);
  if (searched) {
  } else if (Command >= 1 && Command < 300) {
    MoveCommand(Command, Data);
  } else if (!EditCommand(Command, Data) && IsCommandEnabled(Command, nullptr)) {
    OtherCommand(Command, Data);
  }

  bool handled = false;
  ForCommandHooks(m, [&](ISyntMemoCommandHook& h) {
    h.AfterCommand(Command, Data, handled);
    return handled;
  });
}

bool TMemoCommandPart::IsCommandEnabled(int Command, void* Data) {
  TCustomSyntaxMemo& m = Memo();
  bool enabled = TableEnabled(Command, Data);
  ForCommandHooks(m, [&](ISyntMemoCommandHook& h) {
    h.EnableCommand(Command, Data, enabled);
    return false;
  });
  if (m.OnEnableCommand) m.OnEnableCommand(&m, Command, Data, enabled);
  return enabled;
}

// ---- The enabled table
// ---------------------------------------------------------------------------

bool TMemoCommandPart::TableEnabled(int Command, void* Data) {
  if (Command >= 1 && Command < 300) return MoveEnabled(Command % 100, Data);
  if (Command >= 300 && Command < 400) return EditEnabled(Command, Data);
  if (Command >= 500 && Command < 530) return FoldEnabled(Command);
  return OtherEnabled(Command);
}

// Commands 11 and 12 are settled by what they do: 11 moves right by the visible column count and
// is always possible, 12 moves left and needs X > 0. The captions of the mapping table stay as the
// table gives them.
bool TMemoCommandPart::MoveEnabled(int Base, void* Data) const {
  const TCustomSyntaxMemo& m = Memo();
  const TPoint c = m.CaretPos();
  const int lines = m.Lines()->Count();
  switch (Base) {
    case cmLeft:
      return c.X > 0 || (m.Options().Contains(soKeepCaretInText) && c.Y > 0);
    case cmUp:
    case cmPageUp:
      return c.Y > 0;
    case cmDown:
    case cmPageDown:
    case cmPageBottom:
      return c.Y < lines - 1;
    // Start and end of the text: possible anywhere but there (a caret at column 0 of a later
    // line still has somewhere to go).
    case cmTextStart:
      return c.X > 0 || c.Y > 0;
    case cmTextEnd:
      return c.Y < lines - 1 || (c.Y == lines - 1 && c.X != m.Lines()->LineLength(c.Y));
    case cmLineStart:
    case cmPageTop:
    case cmPageLeft:
      return c.X > 0;
    case cmLineEnd:
      return c.Y < lines && c.X < m.Lines()->LineLength(c.Y);
    case cmGotoXY:
      return Data != nullptr;
    default:
      return true;
  }
}

bool TMemoCommandPart::CanInsertAtCaret() const {
  const TCustomSyntaxMemo& m = Memo();
  return !m.ReadOnly() && const_cast<TCustomSyntaxMemo&>(m).EditPart().CanInsert(m.CaretStrPos());
}

bool TMemoCommandPart::EditEnabled(int Command, void* Data) {
  TCustomSyntaxMemo& m = Memo();
  const bool ro = m.ReadOnly();
  const int lines = m.Lines()->Count();
  const bool sel = m.HaveSelection();
  if (Command >= cmScrollUp && Command <= cmScrollFarRight) return ScrollEnabled(Command);
  switch (Command) {
    case cmCopy:
    case cmCopyAsRTF:
    case cmResetSelection:
      return sel;
    case cmCut:
    case cmClearSelection:
      return sel && !ro && m.EditPart().CanDeleteSelection();
    case cmPaste: {
      IControlHost* host = m.Host();
      if (ro || !host || !host->Clipboard().HasText()) return false;
      return (sel && m.EditPart().CanDeleteSelection()) || CanInsertAtCaret();
    }
    case cmUndo:
      return m.CanUndo();
    case cmRedo:
      return m.CanRedo();
    case cmSelectAll:
      return lines >= 1;
    case cmBackspace:
      return !ro && m.CaretPos() != TPoint{0, 0};
    case cmNewLine:
    case cmInsertLine:
    case cmSoftBreak:
    case cmTab:
    case cmTabChar:
      return CanInsertAtCaret();
    case cmChar:
    case cmString:
      return Data != nullptr && CanInsertAtCaret();
    case cmInsertMode:
      return !ro && m.ReplaceMode();
    case cmOverwriteMode:
      return !ro && !m.ReplaceMode();
    case cmToggleMode:
      return !ro;
    case cmColumnSelect:
      return m.Options().Contains(soEnableBlockSel);
    default:
      break;
  }
  if ((Command >= cmDeleteChar && Command <= cmClearAll) || Command == cmIndent ||
      Command == cmUnindent)
    return !ro && lines >= 1;
  if (Command >= cmWordUpperCase && Command <= cmWordTitleCase) {
    int s = 0, e = 0;
    return !ro && m.CaretPart().WordAt(m.CaretPos(), s, e);
  }
  if (Command >= cmSelUpperCase && Command <= cmSelTitleCase) return !ro;
  return true;
}

bool TMemoCommandPart::ScrollEnabled(int Command) {
  TCustomSyntaxMemo& m = Memo();
  switch (Command) {
    case cmScrollUp:
    case cmScrollPageUp:
    case cmScrollTextStart:
      return m.TopDisplayLine() > 0;
    case cmScrollDown:
    case cmScrollPageDown:
    case cmScrollTextEnd:
      return m.TopDisplayLine() < m.DisplayLineCount() - 2;
    case cmScrollLeft:
    case cmScrollPageLeft:
    case cmScrollFarLeft:
      return m.LeftCol() > 0;
    default:
      return true;
  }
}

bool TMemoCommandPart::FoldEnabled(int Command) {
  TCustomSyntaxMemo& m = Memo();
  const int line = m.CaretPos().Y;
  const int state = m.GetLineState(line);
  const bool anyCollapsed = m.CollapsedRanges()->Count() > 0;
  const TSyntSelectionMode mode = m.SelectionMode();
  const bool streamSel = m.SelLength() > 0 && mode != msColumn;
  switch (Command) {
    case cmToggleCollapse:
      return state >= 0;
    case cmCollapse:
      return state == 0 || state == -1 || state == -2;
    case cmExpand:
      return state == 1;
    case cmFullCollapse:
      return m.SyntClient() != nullptr || m.UserRanges()->Count() > 0;
    case cmFullExpand:
      return anyCollapsed;
    case cmCollapseSelection: {
      if (m.SelLength() <= 0 || (mode != msNormal && mode != msLine)) return false;
      const int first = m.Lines()->LineOfPos(m.SelStart());
      const int last = m.Lines()->LineOfPos(m.Selection().SelEnd());
      return last > first;
    }
    case cmToggleCollapseNearest:
      return state != -3;
    case cmCollapseInSelection:
      return streamSel;
    case cmExpandInSelection:
      return streamSel && anyCollapsed;
    default:
      return true;
  }
}

bool TMemoCommandPart::LineSpanChangeable(int First, int Last) {
  TCustomSyntaxMemo& m = Memo();
  TSyntMemoStrings& l = *m.Lines();
  if (First < 0 || Last >= l.Count() || First > Last) return false;
  const int start = l.LineStart(First);
  const int end = l.LineStart(Last) + l.LineLength(Last);
  return m.EditPart().CanDelete(start, end - start);
}

bool TMemoCommandPart::OtherEnabled(int Command) {
  TCustomSyntaxMemo& m = Memo();
  const bool ro = m.ReadOnly();
  const bool sel = m.HaveSelection();
  const int lines = m.Lines()->Count();
  switch (Command) {
    case cmDropMarker:
    case cmMatchBracket:
      return true;
    case cmCollectMarker:
    case cmSwapMarker:
      return !markers_.empty();
    case cmCommentLines:
    case cmUncommentLines: {
      TSyntAnalyzer* lexer = m.CurrentLexer();
      return !ro && lexer && !lexer->LineComment().empty();
    }
    case cmSortAscending:
    case cmSortDescending: {
      if (!sel || ro) return false;
      int first = 0, last = 0;
      m.EditPart().SelectedLineSpan(first, last);
      return last - first + 1 > 2 && LineSpanChangeable(first, last);
    }
    case cmGotoLine:
      return lines > 1;
    case cmAlignTokens:
      return sel && !ro;
    case cmMoveLinesUp:
    case cmMoveLinesDown: {
      if (ro) return false;
      int first = 0, last = 0;
      m.EditPart().SelectedLineSpan(first, last);
      return Command == cmMoveLinesUp ? LineSpanChangeable(first - 1, last)
                                      : LineSpanChangeable(first, last + 1);
    }
    case cmDuplicateLine:
      return m.CaretPos().Y < lines;
    case cmResetSearchMarks:
    case cmNextSearchMark:
    case cmPreviousSearchMark:
      return m.SearchMarks()->Count() > 0;
    default:
      break;
  }
  if (Command >= cmCopyPasteToEnd && Command <= cmCopyPasteBelow) return sel && !ro;
  if (Command >= cmGotoBookmark0 && Command <= cmGotoBookmark9)
    return m.GetBookmark(Command - cmGotoBookmark0) >= 0;
  if (Command >= cmToggleBookmark0 && Command <= cmToggleBookmark9) return true;
  if (Command == cmSyncEdit)
    return m.SyncEditPart().Active() || m.SyncEditPart().CanStartFromSelection();
  // Macros, printing and the tools are performed by parts and attached components this editor
  // does not have yet: their hooks may enable them.
  if (Command >= cmStartMacro && Command <= cmPlayMacro) return false;
  if (Command >= cmFindDialog && Command <= cmReplaceAgain) return FindEnabled(Command);
  if (Command >= cmPrint && Command <= cmPageSetup) return false;
  if (Command >= cmAutoCompletion && Command <= cmAutoCorrectAll) return false;
  return true;
}

}  // namespace synt
