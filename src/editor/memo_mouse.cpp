// Placeholder bodies: the mouse part is being written.
#include "editor/memo_commands.h"
#include "editor/syntax_memo.h"

namespace synt {

struct TMemoMousePart::TState {};

TMemoMousePart::TMemoMousePart(TCustomSyntaxMemo& Memo)
    : TMemoPart(Memo, kMouseOrder), state_(std::make_unique<TState>()) {}
TMemoMousePart::~TMemoMousePart() = default;
void TMemoMousePart::MouseDown(TMouseButton, TShiftState, int, int, int) {}
void TMemoMousePart::MouseMove(TShiftState, int, int) {}
void TMemoMousePart::MouseUp(TMouseButton, TShiftState, int, int) {}
void TMemoMousePart::CaptureLost() {}
TDropEffect TMemoMousePart::DragEnter(const TClipboardData&, TShiftState, int, int, TDropEffects) {
  return deNone;
}
TDropEffect TMemoMousePart::DragOver(TShiftState, int, int, TDropEffects) {
  return deNone;
}
void TMemoMousePart::DragLeave() {}
TDropEffect TMemoMousePart::Drop(const TClipboardData&, TShiftState, int, int, TDropEffects) {
  return deNone;
}
TCursor TMemoMousePart::CursorAt(int, int, TShiftState) {
  return Memo().Cursor();
}
bool TMemoMousePart::AutoScrolling() const {
  return false;
}

}  // namespace synt
