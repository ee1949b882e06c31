// The Pascal lexer over arbitrary text: analysis never crashes or hangs, and its results stay
// consistent (tokens sorted, disjoint, non-empty and inside the text; ranges, separators and
// sub-lexer regions refer to existing tokens), also when the text is analysed in two runs.
#include <cstddef>
#include <cstdint>
#include <string>

#include "analysis/client_analyzer.h"
#include "analysis/internal/client_access.h"
#include "analysis/lexer_library.h"
#include "platform/utf.h"
#include "text/memo_strings.h"

namespace {

using synt::analysis_internal::ClientAccess;

synt::TSyntAnalyzer* Pascal() {
  static synt::TSyntaxManager* lib = [] {
    synt::RegisterLexerClasses();
    auto* l = new synt::TSyntaxManager(nullptr);
    l->LoadFromFile(std::string(SYNT_SOURCE_DIR) + "/lexers/pascal.lxl");
    return l;
  }();
  return lib->FindLexer(u"Pascal");
}

void Check(synt::TClientSyntAnalyzer& c, size_t length) {
  const int n = c.TagCount();
  c.Tokens().Check();
  for (int i = 0; i < n; ++i) {
    const synt::TSyntToken& t = c.Tags(i);
    if (t.EndPos <= t.StartPos || t.StartPos < 0 || size_t(t.EndPos) > length) __builtin_trap();
  }
  for (int i = 0; i < c.RangeCount(); ++i) {
    const synt::TTextRange* r = c.Ranges(i);
    if (r->StartIdx < 0 || r->StartIdx >= n || r->EndIdx >= n || r->IdentIdx >= n) __builtin_trap();
    (void)c.GetCollapsedText(r);
    (void)c.GetAutoCloseText(r, u"  ");
  }
  for (const auto& b : c.LineBreaks())
    if (b.RefTag < 0 || b.RefTag >= n) __builtin_trap();
  for (int p = -1; p <= int(length); p += 7) (void)c.AnalyzerAtPos(p);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size > 20000) return 0;
  std::u16string text = synt::Utf8ToUtf16(std::string(reinterpret_cast<const char*>(Data), Size));
  synt::TSyntMemoStrings lines;
  lines.SetTextStr(text);
  synt::TClientSyntAnalyzer sync(Pascal(), nullptr, [&] { return &lines; });
  ClientAccess::SetBackgroundFinish(sync, false);
  sync.Analyze(true);
  Check(sync, lines.TextView().size());
  // Separate block analysis gives the same tokens and ranges.
  synt::TClientSyntAnalyzer sep(Pascal(), nullptr, [&] { return &lines; });
  ClientAccess::SetBackgroundFinish(sep, false);
  sep.CompleteAnalysis();
  Check(sep, lines.TextView().size());
  if (sep.TagCount() != sync.TagCount() || sep.RangeCount() != sync.RangeCount()) __builtin_trap();
  for (int i = 0; i < sync.TagCount(); ++i)
    if (sync.TokenRule(i) != sep.TokenRule(i) || sync.TagType(i) != sep.TagType(i))
      __builtin_trap();
  return 0;
}
