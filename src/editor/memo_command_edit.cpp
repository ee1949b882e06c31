// Placeholder: the editing commands are being written.
#include "editor/commands.h"
#include "editor/memo_commands.h"
#include "editor/syntax_memo.h"

namespace synt {

bool TMemoCommandPart::EditCommand(int, void*) {
  return false;
}

}  // namespace synt
