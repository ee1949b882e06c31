// Placeholder bodies: the caret part is being written.
#include "editor/memo_caret.h"

#include "editor/syntax_memo.h"

namespace synt {

// Published properties are described when the caret part is done.
const TClassInfo& TqxCaretShape::StaticClassInfo() {
  static const TClassInfo info("TqxCaretShape", &TPersistent::StaticClassInfo());
  return info;
}
const TClassInfo& TqxCaret::StaticClassInfo() {
  static const TClassInfo info("TqxCaret", &TPersistent::StaticClassInfo());
  return info;
}

TqxCaretShape::TqxCaretShape(int DefaultWidth) : width_(DefaultWidth) {}
TqxCaretShape::~TqxCaretShape() = default;
void TqxCaretShape::Assign(const TPersistent* Source) {
  TPersistent::Assign(Source);
}
void TqxCaretShape::SetWidth(int Value) {
  width_ = Value;
  Changed();
}
void TqxCaretShape::SetHeight(int Value) {
  height_ = Value;
  Changed();
}
void TqxCaretShape::SetBitmap(const TBitmap*) {
  Changed();
}
void TqxCaretShape::SetStretch(bool Value) {
  stretch_ = Value;
  Changed();
}
void TqxCaretShape::SetColor(TColor Value) {
  color_ = Value;
  Changed();
}
void TqxCaretShape::SetIsGray(bool Value) {
  isGray_ = Value;
  Changed();
}
void TqxCaretShape::SetVisible(bool Value) {
  visible_ = Value;
  Changed();
}
void TqxCaretShape::SetBlinkTime(unsigned Value) {
  blinkTime_ = Value;
  Changed();
}
void TqxCaretShape::Changed() {
  if (OnChange) OnChange(nullptr);
}

TqxCaret::TqxCaret()
    : insert_(std::make_unique<TqxCaretShape>(-2)),
      overwrite_(std::make_unique<TqxCaretShape>(100)),
      readOnly_(std::make_unique<TqxCaretShape>(-1)),
      custom_(std::make_unique<TqxCaretShape>(-2)) {}
TqxCaret::~TqxCaret() = default;
void TqxCaret::Assign(const TPersistent* Source) {
  TPersistent::Assign(Source);
}
void TqxCaret::SetVisible(bool Value) {
  visible_ = Value;
  Changed();
}
void TqxCaret::SetUseCustom(bool Value) {
  useCustom_ = Value;
  Changed();
}
void TqxCaret::Changed() {
  if (OnChange) OnChange(nullptr);
}

TMemoCaretPart::TMemoCaretPart(TCustomSyntaxMemo& Memo)
    : TMemoPart(Memo, kCaretOrder), caret_(std::make_unique<TqxCaret>()) {}
TMemoCaretPart::~TMemoCaretPart() = default;

TPoint TMemoCaretPart::CaretPos() const {
  return Memo().Selection().CaretPos();
}
void TMemoCaretPart::SetCaretPos(TPoint P) {
  Memo().Selection().SetCaretPos(P);
}
int TMemoCaretPart::CaretStrPos() const {
  return Memo().Selection().CaretOffset();
}
void TMemoCaretPart::SetCaretStrPos(int Pos) {
  SetCaretPos(Memo().Selection().StrPosToCaretPos(Pos));
}
TPoint TMemoCaretPart::NormalizePos(TPoint P, bool) const {
  return P;
}
void TMemoCaretPart::SetSelection(int Start, int Length, bool) {
  Memo().Selection().SetSelection(Start, Length);
}
void TMemoCaretPart::SelectRange(int Start, int Length, bool) {
  Memo().Selection().SetSelection(Start, Length);
}
void TMemoCaretPart::SelectLines(int Start, int Length, bool) {
  Memo().Selection().SetSelection(Start, Length);
}
void TMemoCaretPart::SelectLine(int) {}
void TMemoCaretPart::SelectWord() {}
void TMemoCaretPart::ResetSelection() {
  Memo().Selection().ResetSelection();
}
bool TMemoCaretPart::HaveSelection() const {
  return Memo().Selection().HaveSelection();
}
void TMemoCaretPart::SetSelectionMode(TSyntSelectionMode Mode) {
  Memo().Selection().SetSelectionMode(Mode);
}
bool TMemoCaretPart::OffsetInSelection(int) const {
  return false;
}
bool TMemoCaretPart::PosInSelection(TPoint) const {
  return false;
}
bool TMemoCaretPart::IsWordChar(char16_t C) const {
  return C == u'_' || (C >= u'0' && C <= u'9') || ((C | 0x20) >= u'a' && (C | 0x20) <= u'z');
}
bool TMemoCaretPart::WordAt(TPoint, int&, int&) const {
  return false;
}
TPoint TMemoCaretPart::CaretToPoint(TPoint) {
  return {};
}
TPoint TMemoCaretPart::PointToCaret(TPoint) {
  return {};
}
int TMemoCaretPart::DisplayLineTop(int) {
  return 0;
}
int TMemoCaretPart::YToDisplayLine(int) {
  return 0;
}
void TMemoCaretPart::ScrollToCaret(int, int) {}
const TqxCaretShape* TMemoCaretPart::CurrentShape() const {
  return nullptr;
}
TRect TMemoCaretPart::CaretRect() {
  return {};
}
void TMemoCaretPart::UpdateCaret() {}
void TMemoCaretPart::FocusIn() {}
void TMemoCaretPart::FocusOut() {}
void TMemoCaretPart::TextChanged(int, int, int) {}
void TMemoCaretPart::LayoutChanged() {}
void TMemoCaretPart::DisplayLinesChanged() {}

}  // namespace synt
