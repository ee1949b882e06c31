// The standard edit-control messages, so that generic clients can read and drive the editor. The
// buffer convention is documented at Perform in memo_commands.h.
#include <algorithm>
#include <cstring>

#include "editor/commands.h"
#include "editor/memo_commands.h"
#include "editor/syntax_memo.h"

namespace synt {

namespace {

// Copies at most Size - 1 units of S and a terminating 0; nothing for a size of 0 or less.
intptr_t CopyOut(std::u16string_view S, intptr_t Size, char16_t* Buffer) {
  if (!Buffer || Size <= 0) return 0;
  const size_t n = std::min(S.size(), size_t(Size - 1));
  std::copy_n(S.data(), n, Buffer);
  Buffer[n] = 0;
  return intptr_t(n);
}

std::u16string_view ZString(intptr_t P) {
  const auto* s = reinterpret_cast<const char16_t*>(P);
  return s ? std::u16string_view(s) : std::u16string_view();
}

intptr_t PackPoint(TPoint P) {
  return intptr_t((uint32_t(uint16_t(P.X))) | (uint32_t(uint16_t(P.Y)) << 16));
}

}  // namespace

intptr_t TMemoCommandPart::Perform(unsigned Msg, uintptr_t WParam, intptr_t LParam) {
  TCustomSyntaxMemo& m = Memo();
  TSyntMemoStrings& lines = *m.Lines();
  const int length = lines.TextLength();
  auto clampOffset = [&](intptr_t v) { return int(std::clamp<intptr_t>(v, 0, length)); };
  switch (Msg) {
    case WM_SETTEXT: {
      m.BeginUpdate();
      try {
        m.ExpandAll();
        m.SetText(ZString(LParam));
        m.SetTopDisplayLine(0);
        m.SetLeftCol(0);
      } catch (...) {
        m.EndUpdate();
        throw;
      }
      m.EndUpdate();
      return 1;
    }
    case WM_GETTEXT:
      return CopyOut(lines.TextView(), intptr_t(WParam), reinterpret_cast<char16_t*>(LParam));
    case WM_GETTEXTLENGTH:
      return length;
    case EM_GETSEL: {
      const int s = m.SelStart(), e = s + m.SelLength();
      if (WParam) *reinterpret_cast<uint32_t*>(WParam) = uint32_t(s);
      if (LParam) *reinterpret_cast<uint32_t*>(LParam) = uint32_t(e);
      if (e >= 0x10000) return -1;
      return intptr_t(uint32_t(s) | (uint32_t(e) << 16));
    }
    case EM_EXGETSEL: {
      auto* r = reinterpret_cast<TCharRange*>(LParam);
      if (r) *r = {m.SelStart(), m.SelStart() + m.SelLength()};
      return 0;
    }
    case EM_SETSEL:
    case EM_EXSETSEL: {
      intptr_t a = intptr_t(WParam), b = LParam;
      if (Msg == EM_EXSETSEL) {
        const auto* r = reinterpret_cast<const TCharRange*>(LParam);
        if (!r) return 0;
        a = r->cpMin;
        b = r->cpMax;
      }
      if (a == -1) {
        m.ResetSelection();
      } else if (a == 0 && b == -1) {
        m.SelectAll();
      } else {
        const int s = clampOffset(std::min(a, b)), e = clampOffset(std::max(a, b));
        m.SelectRange(s, e - s);
      }
      return Msg == EM_EXSETSEL ? lines.LineOfPos(m.SelStart()) : 0;
    }
    case EM_SCROLL: {
      static constexpr int kCodes[] = {cmScrollDown, cmScrollPageUp, cmScrollPageDown, cmScrollUp};
      // SB_LINEUP 0, SB_LINEDOWN 1, SB_PAGEUP 2, SB_PAGEDOWN 3.
      int cmd = 0;
      switch (WParam) {
        case 0:
          cmd = kCodes[3];
          break;
        case 1:
          cmd = kCodes[0];
          break;
        case 2:
          cmd = kCodes[1];
          break;
        case 3:
          cmd = kCodes[2];
          break;
        default:
          return 0;
      }
      const int before = m.TopDisplayLine();
      m.ExecuteCommand(cmd, nullptr);
      return 0x10000 + std::abs(m.TopDisplayLine() - before);
    }
    case EM_LINESCROLL:
      m.SetLeftCol(m.LeftCol() + int(intptr_t(WParam)));
      m.SetTopDisplayLine(m.TopDisplayLine() + int(LParam));
      return 1;
    case EM_GETMODIFY:
      return m.Modified() ? 1 : 0;
    case EM_SETMODIFY:
      m.SetModified(WParam != 0);
      return 0;
    case EM_GETLINECOUNT:
      return lines.Count();
    case EM_LINEINDEX: {
      const int line = intptr_t(WParam) == -1 ? m.CaretPos().Y : int(intptr_t(WParam));
      if (line < 0 || line > lines.Count()) return -1;
      return line == lines.Count() ? (line == 0 ? 0 : -1) : lines.LineStart(line);
    }
    case EM_LINELENGTH: {
      if (lines.Count() == 0) return 0;
      const int pos = intptr_t(WParam) == -1 ? m.CaretStrPos() : clampOffset(intptr_t(WParam));
      return lines.LineLength(lines.LineOfPos(pos));
    }
    case EM_LINEFROMCHAR:
    case EM_EXLINEFROMCHAR: {
      const intptr_t v = Msg == EM_LINEFROMCHAR ? intptr_t(WParam) : LParam;
      return v == -1 ? m.CaretPos().Y : lines.LineOfPos(clampOffset(v));
    }
    case EM_REPLACESEL:
      m.InsertText(ZString(LParam));
      return 0;
    case EM_GETLINE: {
      auto* buffer = reinterpret_cast<char16_t*>(LParam);
      const int line = int(intptr_t(WParam));
      if (!buffer) return 0;
      const intptr_t size = intptr_t(buffer[0]);
      if (line < 0 || line >= lines.Count() || size <= 0) return 0;
      // The line is not terminated: the size word may be all the room there is.
      const std::u16string_view text = lines.LineText(line);
      const size_t n = std::min(text.size(), size_t(size));
      std::copy_n(text.data(), n, buffer);
      return intptr_t(n);
    }
    case EM_CANUNDO:
      return m.CanUndo() ? 1 : 0;
    case EM_CANREDO:
      return m.CanRedo() ? 1 : 0;
    case EM_UNDO:
    case WM_UNDO:
      m.Undo();
      return 1;
    case EM_REDO:
      m.Redo();
      return 1;
    case EM_SETTABSTOPS: {
      const auto* stops = reinterpret_cast<const int*>(LParam);
      if (!stops || WParam == 0) return 0;
      std::vector<int> list(stops, stops + WParam);
      try {
        m.TabList()->SetStops(list);
      } catch (const Exception&) {
        return 0;
      }
      return 1;
    }
    case EM_EMPTYUNDOBUFFER:
      m.ClearUndo();
      return 0;
    case EM_GETFIRSTVISIBLELINE:
      return m.TopDisplayLine();
    case EM_SETREADONLY:
      m.SetReadOnly(WParam != 0);
      return 1;
    case EM_POSFROMCHAR: {
      const TPoint p =
          m.CaretPart().CaretToPoint(m.StrPosToCaretPos(clampOffset(intptr_t(WParam))));
      if (auto* out = reinterpret_cast<TPoint*>(LParam)) {
        *out = p;
        return 0;
      }
      return PackPoint(p);
    }
    case EM_CHARFROMPOS: {
      TPoint p;
      if (const auto* in = reinterpret_cast<const TPoint*>(WParam))
        p = *in;
      else
        p = {int(int16_t(LParam & 0xFFFF)), int(int16_t((LParam >> 16) & 0xFFFF))};
      return m.CaretPosToStrPos(m.CaretPart().PointToCaret(p));
    }
    case EM_SCROLLCARET:
      m.ScrollToCaret();
      return 0;
    case WM_CUT:
      m.CutToClipboard();
      return 0;
    case WM_COPY:
      m.CopyToClipboard();
      return 0;
    case WM_PASTE:
      m.PasteFromClipboard();
      return 0;
    case WM_CLEAR:
      m.ClearSelection();
      return 0;
    default:
      return 0;
  }
}

}  // namespace synt
