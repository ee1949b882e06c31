// The editor driven by arbitrary input: each input is a script of keys (any shortcut word), typed
// UTF-16 units (lone surrogates and control characters included), commands by id with no data,
// mouse clicks and drags, option sets and word wrap, on a highlighted Pascal text. Nothing may
// crash or hang, and after every step the caret and the selection must be positions of the text.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "analysis/lexer_catalog.h"
#include "analysis/syntax_analyzer.h"
#include "editor/syntax_memo.h"
#include "platform/headless_host.h"

using namespace synt;

namespace {

TSyntAnalyzer* Pascal() {
  // Kept for the whole run (reachable, so not reported as leaked).
  static TLexerCatalog* catalog = [] {
    auto* c = new TLexerCatalog;
    c->LoadFile(std::string(SYNT_SOURCE_DIR) + "/lexers/pascal.lxl");
    return c;
  }();
  static TSyntAnalyzer* lexer = [] {
    auto* l = new TSyntAnalyzer(nullptr);
    l->Assign(catalog->Lexers().front());
    return l;
  }();
  return lexer;
}

void Check(TSyntaxMemo& M) {
  TSyntMemoStrings& lines = *M.Lines();
  const int len = lines.TextLength();
  const TPoint c = M.CaretPos();
  if (c.X < 0 || c.Y < 0) std::abort();
  if (!M.OptionsEx().Contains(soVirtualCaretPos) && c.Y > std::max(0, lines.Count() - 1))
    std::abort();
  const int off = M.CaretStrPos();
  if (off < 0 || off > len) std::abort();
  const TMemoSelection& s = M.Selection();
  if (s.SelStart() < 0 || s.SelLength() < 0 || s.SelEnd() > len) std::abort();
}

struct Reader {
  const std::uint8_t* p;
  size_t n;
  bool Empty() const { return n == 0; }
  std::uint8_t Byte() {
    if (!n) return 0;
    --n;
    return *p++;
  }
  std::uint16_t Word() { return std::uint16_t(Byte() | (Byte() << 8)); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  if (size > 4096) return 0;
  THeadlessDesktop desktop;
  TSyntaxMemo memo(nullptr);
  memo.SetSyntaxAnalyzer(Pascal());
  memo.SetText(u"program P;\r\nbegin\r\n  if a then\r\n  begin\r\n\tb := 'x';\r\n  end;\r\nend.");
  THeadlessHost host(desktop, memo, {300, 120});
  host.Focus();
  Reader in{data, size};
  for (int step = 0; step < 200 && !in.Empty(); ++step) {
    switch (in.Byte() % 10) {
      case 0:
      case 1:
      case 2:
        host.PressKey(in.Word());
        break;
      case 3:
      case 4: {
        const char16_t c = char16_t(in.Word());
        host.Type(std::u16string_view(&c, 1));
        break;
      }
      case 5: {
        const int command = in.Word() % 800;
        // Commands that take data get none here; they must do nothing without it.
        memo.ExecuteCommand(command, nullptr);
        break;
      }
      case 6: {
        const TPoint p{in.Byte() + 0, in.Byte() % 120};
        host.Click(p, in.Byte() % 3 == 0 ? mbRight : mbLeft);
        desktop.Clock().Advance(in.Byte() * 4u);
        break;
      }
      case 7: {
        TShiftState mods;
        if (in.Byte() & 1) mods.Include(ssAlt);
        host.MouseDown({in.Byte() + 0, in.Byte() % 120}, mbLeft, mods);
        host.MouseMove({in.Byte() + 0, in.Byte() % 160 - 20}, mods);
        host.MouseUp({in.Byte() + 0, in.Byte() % 120}, mbLeft, mods);
        break;
      }
      case 8: {
        TSyntaxMemoOptions o;
        TSyntaxMemoOptionsEx x;
        const std::uint32_t bits = std::uint32_t(in.Word()) | (std::uint32_t(in.Word()) << 16);
        for (int i = 0; i <= soUnindentKeepAlign; ++i)
          if (bits & (1u << i)) o.Include(TSyntaxMemoOption(i));
        const std::uint32_t xb = in.Word() | (std::uint32_t(in.Byte()) << 16);
        for (int i = 0; i <= soWordWrapAtSpace; ++i)
          if (xb & (1u << i)) x.Include(TSyntaxMemoOptionEx(i));
        memo.SetOptions(o);
        memo.SetOptionsEx(x);
        break;
      }
      default:
        if (in.Byte() & 1)
          memo.SetWordWrap(!memo.WordWrap());
        else
          desktop.Advance(in.Byte());
        break;
    }
    host.Update();
    Check(memo);
  }
  int guard = 0;
  while (memo.CanUndo() && ++guard < 100000) memo.Undo();
  while (memo.CanRedo() && ++guard < 200000) memo.Redo();
  Check(memo);
  return 0;
}
