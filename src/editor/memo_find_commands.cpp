// The search commands: they run the find or replace dialog attached to the editor.
#include "editor/commands.h"
#include "editor/find_dialog.h"
#include "editor/memo_commands.h"
#include "editor/syntax_memo.h"

namespace synt {

namespace {

// The first attached dialog of the kind wanted: replace dialogs perform the replace commands,
// plain find dialogs the find commands.
TSyntFindDialog* AttachedDialog(TCustomSyntaxMemo& m, bool Replace) {
  for (int i = 0; i < m.PluginCount(); ++i)
    if (auto* d = dynamic_cast<TSyntFindDialog*>(m.Plugins(i)))
      if (d->Replaces() == Replace && d->Control() == &m) return d;
  return nullptr;
}

}  // namespace

bool TMemoCommandPart::FindEnabled(int Command) {
  TCustomSyntaxMemo& m = Memo();
  const bool replace = Command >= cmReplaceDialog;
  TSyntFindDialog* d = AttachedDialog(m, replace);
  if (!d) return false;
  if (Command == cmFindDialog || Command == cmReplaceDialog) return true;
  if (Command == cmFindCurrentWordNext || Command == cmFindCurrentWordPrior) {
    if (m.SelLength() > 0 && m.SelectionMode() != msColumn) return true;
    int s = 0, e = 0;
    return m.CaretPart().WordAt(m.CaretPos(), s, e);
  }
  if (Command > cmFindCurrentWordPrior && Command < cmReplaceDialog) return false;
  return !d->FindText().empty() && !(replace && m.ReadOnly());
}

void TMemoCommandPart::FindCommand(int Command) {
  TCustomSyntaxMemo& m = Memo();
  const bool replace = Command >= cmReplaceDialog;
  TSyntFindDialog* d = AttachedDialog(m, replace);
  if (!d) return;
  switch (replace ? Command - cmReplaceDialog + cmFindDialog : Command) {
    case cmFindDialog:
      d->Execute();
      break;
    case cmFindNext:
      d->FindNext();
      break;
    case cmFindPrevious:
      d->FindPrevious();
      break;
    case cmFindAll:
      d->FindAll();
      break;
    case cmFindFirst:
      d->FindFirst();
      break;
    case cmFindLast:
      d->FindLast();
      break;
    case cmSearchAgain:
      d->FindAgain();
      break;
    case cmFindCurrentWordNext:
      d->FindCurrentWord(true);
      break;
    case cmFindCurrentWordPrior:
      d->FindCurrentWord(false);
      break;
    default:
      break;
  }
}

}  // namespace synt
