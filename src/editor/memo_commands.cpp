// Placeholder bodies: command dispatch is being written.
#include "editor/memo_commands.h"

#include "editor/commands.h"
#include "editor/syntax_memo.h"

namespace synt {

TMemoCommandPart::TMemoCommandPart(TCustomSyntaxMemo& Memo) : TMemoPart(Memo, kCommandOrder) {}
TMemoCommandPart::~TMemoCommandPart() = default;

void TMemoCommandPart::ExecuteCommand(int Command, void* Data) {
  if (Command >= 1 && Command < 300)
    MoveCommand(Command, Data);
  else if (!EditCommand(Command, Data))
    OtherCommand(Command, Data);
}
bool TMemoCommandPart::IsCommandEnabled(int Command, void* Data) {
  return TableEnabled(Command, Data);
}
bool TMemoCommandPart::TableEnabled(int, void*) {
  return true;
}
void TMemoCommandPart::OtherCommand(int, void*) {}
bool TMemoCommandPart::KeyDown(TShortCut Key) {
  return Memo().ScrollPart().ScrollKey(Key);
}
bool TMemoCommandPart::KeyPress(char16_t) {
  return false;
}
bool TMemoCommandPart::KeyUp(TShortCut) {
  return false;
}
void TMemoCommandPart::InputMethodCommit(const std::u16string&) {}
void TMemoCommandPart::InputMethodPreedit(const TPreedit& Preedit) {
  preedit_ = Preedit;
}
void TMemoCommandPart::DropMarker(const TPoint*) {}
void TMemoCommandPart::CollectMarker() {}
void TMemoCommandPart::SwapMarker() {}
intptr_t TMemoCommandPart::Perform(unsigned, uintptr_t, intptr_t) {
  return 0;
}
bool TMemoCommandPart::GotoLineDialog() {
  return false;
}
std::vector<std::u16string>& TMemoCommandPart::GotoLineHistory() {
  static std::vector<std::u16string> history;
  return history;
}
void TMemoCommandPart::TextChanged(int, int, int) {
  blockStartMark = -1;
}

}  // namespace synt
