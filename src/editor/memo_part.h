// A part of the editor control: one concern (layout, painting, ...) with private data, told by the
// control about everything that happens to the document. A part registers itself when it is
// constructed and leaves when it is destroyed, so a part that is a member of the control needs no
// change of the control's constructor:
//
//   class TMyPart : public synt::TMemoPart {
//    public:
//     explicit TMyPart(synt::TCustomSyntaxMemo& m) : TMemoPart(m, kLayoutOrder) {}
//     void TextChanged(int Pos, int Count, int LineChange) override { ... }
//   };
//   // in the control: TMyPart myPart_{*this};
//
// Order of the calls. On a text change the control first tells the analysis (its own; a text
// source tells its analysis itself), then the selection, then the user ranges, then every part in
// ascending Order (layout before painting). The other notifications go to the parts in the same
// order. Nothing is called while the control is being destroyed.
#pragma once

#include <utility>

namespace synt {

class TCustomSyntaxMemo;

// Stores Value in Field; true when that changed it (a setter then tells what depends on it).
template <class T>
bool Change(T& Field, T Value) {
  if (Field == Value) return false;
  Field = std::move(Value);
  return true;
}

class TMemoPart {
 public:
  static constexpr int kLayoutOrder = 100;
  static constexpr int kPaintOrder = 200;

  TMemoPart(TCustomSyntaxMemo& Memo, int Order);
  virtual ~TMemoPart();
  TMemoPart(const TMemoPart&) = delete;
  TMemoPart& operator=(const TMemoPart&) = delete;

  int Order() const { return order_; }

  // The text changed at Pos by Count units (negative: deleted) and LineChange lines; Pos -1: the
  // whole text was replaced (also when the control was bound to another text source).
  virtual void TextChanged(int Pos, int Count, int LineChange) {}
  // The analysis (or the binding to one) changed: styles may differ anywhere (repaint, and mark
  // layouts dirty since fonts may differ).
  virtual void FormatChanged() {}
  // An analysis pass finished: results are new (re-anchor collapsed blocks, mark layouts dirty).
  virtual void AnalysisFinished() {}
  // The document binding changed: another text source, or another analysis. Collapsed blocks are
  // re-anchored against the new analysis; every layout is dirty.
  virtual void DocumentChanged() {}
  // Geometry changed: font, zoom, fixed-pitch mode, tab stops, line spacing, word wrap settings,
  // client size. Every layout is dirty.
  virtual void LayoutChanged() {}
  // The client area changed size (word wrap at the window edge depends on it).
  virtual void Resized() {}
  // The number of display lines changed without a text change (collapsing, expanding).
  virtual void DisplayLinesChanged() {}
  // Something that only changes the look changed (colours, styles, non-printed glyphs, options
  // read by the painter). The control repaints after the parts heard of it.
  virtual void SettingsChanged() {}
  // The caret moved (the selection has followed it; OnCaretPosChanged comes after).
  virtual void CaretPosChanged() {}

 protected:
  TCustomSyntaxMemo& Memo() const { return memo_; }
  // Tells every part that the caret moved (the caret part calls it).
  void TellCaretPosChanged();

 private:
  TCustomSyntaxMemo& memo_;
  int order_;
};

}  // namespace synt
