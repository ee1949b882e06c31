// Placeholder bodies: the editing part is being written.
#include "editor/memo_editing.h"

#include "editor/syntax_memo.h"

namespace synt {

TMemoEditPart::TMemoEditPart(TCustomSyntaxMemo& Memo) : TMemoPart(Memo, kEditOrder) {}
TMemoEditPart::~TMemoEditPart() = default;
void TMemoEditPart::BeginUpdate() {
  ++updateCount_;
}
void TMemoEditPart::EndUpdate() {
  if (updateCount_ > 0) --updateCount_;
}
bool TMemoEditPart::IsProtected(int) const {
  return false;
}
bool TMemoEditPart::CanInsert(int) const {
  return !Memo().ReadOnly();
}
bool TMemoEditPart::CanDelete(int, int) const {
  return !Memo().ReadOnly();
}
bool TMemoEditPart::CanDeleteSelection() const {
  return !Memo().ReadOnly();
}
void TMemoEditPart::InsertText(std::u16string_view) {}
void TMemoEditPart::DeleteChars(int) {}
bool TMemoEditPart::ReplaceText(int, int, std::u16string_view) {
  return false;
}
void TMemoEditPart::ClearSelection() {}
void TMemoEditPart::CopyToClipboard() {}
void TMemoEditPart::CutToClipboard() {}
void TMemoEditPart::PasteFromClipboard() {}
void TMemoEditPart::PasteText(std::u16string_view, bool) {}
void TMemoEditPart::SelectAll() {}
void TMemoEditPart::Undo() {}
void TMemoEditPart::Redo() {}
bool TMemoEditPart::CanUndo() const {
  return false;
}
bool TMemoEditPart::CanRedo() const {
  return false;
}
void TMemoEditPart::ClearUndo() {}
void TMemoEditPart::NewLine(int, bool, bool) {}
int TMemoEditPart::AutoIndentColumn() const {
  return 0;
}
int TMemoEditPart::SmartTabColumn() const {
  return 0;
}
std::u16string TMemoEditPart::IndentString(int Columns, bool) const {
  return std::u16string(size_t(Columns > 0 ? Columns : 0), u' ');
}
void TMemoEditPart::IndentLines(int) {}
bool TMemoEditPart::ChangeCase(int, int, int) {
  return false;
}
void TMemoEditPart::SelectedLineSpan(int& First, int& Last) const {
  First = Last = 0;
}
void TMemoEditPart::SortLines(bool) {}
void TMemoEditPart::AlignTokens(int, int) {}
void TMemoEditPart::MoveLines(bool) {}
void TMemoEditPart::DuplicateLine(int) {}
void TMemoEditPart::CommentLines(bool, int, int) {}
bool TMemoEditPart::MoveSelectionTo(TPoint, bool) {
  return false;
}
void TMemoEditPart::TextChanged(int, int, int) {}

TMemoUpdate::TMemoUpdate(TCustomSyntaxMemo& Memo) : memo_(Memo) {
  memo_.BeginUpdate();
}
TMemoUpdate::~TMemoUpdate() {
  memo_.EndUpdate();
}

}  // namespace synt
