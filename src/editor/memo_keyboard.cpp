// Keys, typed characters and input-method text: the key mapping turns keys into commands, typed
// characters become cmChar and composed text cmString.
#include <algorithm>

#include "editor/commands.h"
#include "editor/memo_commands.h"
#include "editor/memo_hooks.h"
#include "editor/syntax_memo.h"
#include "platform/control_host.h"

namespace synt {

namespace {

bool IsModifierKey(TShortCut Key) {
  const TShortCut code = Key & scKeyMask;
  return code == vkShift || code == vkControl || code == vkMenu;
}

bool IsHighSurrogate(char16_t C) {
  return C >= 0xD800 && C <= 0xDBFF;
}
bool IsLowSurrogate(char16_t C) {
  return C >= 0xDC00 && C <= 0xDFFF;
}

void UpdateMouseCursor(TCustomSyntaxMemo& m, TShiftState Shift) {
  IControlHost* host = m.Host();
  if (!host) return;
  const TPoint p = host->CursorPos();
  host->SetCursor(m.MousePart().CursorAt(p.X, p.Y, Shift));
}

TShiftState ShiftOf(TShortCut Key) {
  TShiftState s;
  if (Key & scShift) s.Include(ssShift);
  if (Key & scCtrl) s.Include(ssCtrl);
  if (Key & scAlt) s.Include(ssAlt);
  return s;
}

}  // namespace

bool TMemoCommandPart::KeyDown(TShortCut Key) {
  TCustomSyntaxMemo& m = Memo();
  keyHandled_ = false;
  suppressChar_ = false;
  if (m.OnKeyDown) {
    m.OnKeyDown(&m, Key);
    if (Key == 0) return keyHandled_ = true;
  }
  // Incremental search and sync editing see keys before the key mapping.
  if (m.IncSearchPart().KeyDown(Key) || m.SyncEditPart().KeyDown(Key)) return keyHandled_ = true;
  if (IsModifierKey(Key)) {
    UpdateMouseCursor(m, ShiftOf(Key));
    return false;
  }
  m.KeyQueue()->Add(Key);
  for (int i = 0; i < m.PluginCount(); ++i)
    if (auto* hook = dynamic_cast<ISyntMemoInputHook*>(m.Plugins(i)))
      if (hook->HandleKey(Key)) return keyHandled_ = true;
  const int cmd = m.ActiveKeyMapping().CommandFor(*m.KeyQueue());
  if (cmd == 0) return false;
  // Tab moves the focus in dialog mode: the host must see the key unhandled.
  if (cmd == cmTab && m.TabMode() == tmDialog) return false;
  if (Key & scAlt) altCommandRan_ = true;
  m.ExecuteCommand(cmd, nullptr);
  return keyHandled_ = true;
}

bool TMemoCommandPart::KeyPress(char16_t Ch) {
  TCustomSyntaxMemo& m = Memo();
  if (suppressChar_) {
    suppressChar_ = false;
    return true;
  }
  if (m.Options().Contains(soHideCursorOnType))
    if (IControlHost* host = m.Host(); host && m.TextArea().Contains(host->CursorPos()))
      host->SetCursor(crNone);
  if (m.IncSearchPart().KeyPress(Ch)) return true;
  // A character outside the basic plane arrives as two units: typed as one string.
  if (IsHighSurrogate(Ch)) {
    pendingHigh_ = Ch;
    return true;
  }
  if (IsLowSurrogate(Ch) && pendingHigh_) {
    const char16_t pair[3] = {pendingHigh_, Ch, 0};
    pendingHigh_ = 0;
    m.ExecuteCommand(cmString, const_cast<char16_t*>(pair));
    return true;
  }
  if (pendingHigh_) {
    // A high surrogate without its pair still goes in: nothing typed is lost.
    char16_t lone = pendingHigh_;
    pendingHigh_ = 0;
    m.ExecuteCommand(cmChar, &lone);
  }
  m.ExecuteCommand(cmChar, &Ch);
  return true;
}

bool TMemoCommandPart::KeyUp(TShortCut Key) {
  TCustomSyntaxMemo& m = Memo();
  if (!IsModifierKey(Key)) return false;
  // Releasing Alt after Alt+key ran a command would type the character of the key's code on some
  // platforms (Alt+numpad digits): drop that character.
  if ((Key & scKeyMask) == vkMenu) {
    if (altCommandRan_ && !m.OptionsEx().Contains(soNotSuppressAltNNNN)) suppressChar_ = true;
    altCommandRan_ = false;
  }
  UpdateMouseCursor(m, ShiftOf(Key));
  return false;
}

void TMemoCommandPart::PlaceInputMethod() {
  TCustomSyntaxMemo& m = Memo();
  IControlHost* host = m.Host();
  if (!host) return;
  const TPoint p = m.CaretPart().CaretToPoint(m.CaretPos());
  const TRect caret = m.CaretPart().CaretRect();
  const int h = caret.Bottom > caret.Top ? caret.Bottom - caret.Top : m.DefTextExt().cy;
  host->InputMethod().SetCursorRect({p.X, p.Y, p.X + 1, p.Y + h});
}

void TMemoCommandPart::InputMethodCommit(const std::u16string& Text) {
  TCustomSyntaxMemo& m = Memo();
  const bool hadPreedit = !preedit_.Text.empty();
  preedit_ = {};
  if (hadPreedit) m.Invalidate();
  if (m.IncSearchPart().InputMethodCommit(Text)) {
    PlaceInputMethod();
    return;
  }
  if (!Text.empty()) {
    // Kept in UTF-16: the text goes in as it was composed.
    std::u16string s = Text;
    m.ExecuteCommand(cmString, s.data());
  }
  PlaceInputMethod();
}

void TMemoCommandPart::InputMethodPreedit(const TPreedit& Preedit) {
  if (preedit_ == Preedit) return;
  if (preedit_.Text.empty()) PlaceInputMethod();
  preedit_ = Preedit;
  Memo().Invalidate();
}

}  // namespace synt

namespace synt {

// The composition is drawn over the text at the caret, underlined (the part being converted
// thicker), with its own caret; the text itself does not change until the commit.
void TMemoCommandPart::PaintPreedit(TCanvas& Canvas) {
  if (preedit_.Text.empty()) return;
  TCustomSyntaxMemo& m = Memo();
  const TPoint p = m.CaretPart().CaretToPoint(m.CaretPos());
  const int h = m.DefTextExt().cy;
  Canvas.Font()->Assign(m.Font());
  Canvas.Font()->SetColor(clWindowText);
  const std::u16string& t = preedit_.Text;
  const int width = Canvas.TextWidth(t);
  Canvas.Brush()->SetStyle(bsSolid);
  Canvas.Brush()->SetColor(m.Color());
  Canvas.FillRect({p.X, p.Y, p.X + width + 1, p.Y + h});
  Canvas.Brush()->SetStyle(bsClear);
  Canvas.TextOut(p.X, p.Y, t);
  Canvas.Pen()->SetColor(clWindowText);
  auto xOf = [&](int Unit) {
    Unit = std::clamp(Unit, 0, int(t.size()));
    return p.X + Canvas.TextWidth(std::u16string_view(t).substr(0, size_t(Unit)));
  };
  std::vector<TPreeditSegment> segments = preedit_.Segments;
  if (segments.empty()) segments.push_back({0, int(t.size()), imRaw});
  for (const TPreeditSegment& s : segments) {
    const int x0 = xOf(s.Start), x1 = xOf(s.Start + s.Length);
    Canvas.Pen()->SetWidth(s.Style == imTarget ? 2 : 1);
    Canvas.MoveTo(x0 + 1, p.Y + h - 1);
    Canvas.LineTo(x1 - 1, p.Y + h - 1);
  }
  Canvas.Pen()->SetWidth(1);
  const int cx = xOf(preedit_.Caret);
  Canvas.MoveTo(cx, p.Y);
  Canvas.LineTo(cx, p.Y + h - 2);
}

}  // namespace synt
