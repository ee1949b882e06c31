// Placeholder: the movement commands are being written.
#include "editor/commands.h"
#include "editor/memo_commands.h"
#include "editor/syntax_memo.h"

namespace synt {

void TMemoCommandPart::MoveCommand(int, void*) {}

}  // namespace synt
