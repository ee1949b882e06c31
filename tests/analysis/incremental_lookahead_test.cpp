// Re-analysis after an edit keeps the tokens before it only when nothing their rules read lies at
// or after the edit: a rule that looked ahead (a word break, a longer alternative, a string that
// failed to close) makes the kept token depend on the edited text. Single-character edits of the
// characters that decide such rules, on the sample of every shipped lexer, each followed by a
// comparison with a fresh analysis of the same text.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

#include "analysis/internal/client_access.h"
#include "analysis/lexer_catalog.h"
#include "incremental_util.h"
#include "lexer_build.h"
#include "platform/utf.h"
#include "tool_runner.h"

namespace synt::test {
namespace {

namespace fs = std::filesystem;
using analysis_internal::ClientAccess;

const TLexerCatalog& Lexers() {
  static TLexerCatalog* c = [] {
    auto* cat = new TLexerCatalog;
    cat->LoadFolder(fs::path(SYNT_SOURCE_DIR) / "lexers");
    return cat;
  }();
  return *c;
}

std::vector<fs::path> Samples() {
  std::vector<fs::path> v;
  const fs::path dir = fs::path(SYNT_TEST_DATA_DIR) / "lexers";
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    const std::string x = e.path().extension().string();
    if (e.is_regular_file() && x != ".tokens" && x != ".ranges" && x != ".new")
      v.push_back(e.path());
  }
  std::sort(v.begin(), v.end());
  return v;
}

// The analysis of a text, analysed to its end synchronously.
std::vector<std::string> Fresh(TSyntAnalyzer* L, std::u16string_view Text) {
  EditDoc d(L, Text);
  ClientAccess::SetBackgroundFinish(*d.client, false);
  d->CompleteAnalysis();
  return DumpAnalysis(*d.client, false);
}

// Applies Edits random one-unit edits to Text (each re-analysed at once, or only near the caret,
// as painting does) and compares with a fresh analysis after each; "" or the first failure.
std::string EditAndCompare(TSyntAnalyzer* L, std::u16string Text, unsigned Seed, int Edits) {
  static const std::u16string kUnits = u"\"'`abzeE019*/\n#<>{}()[]-=.\\ $";
  std::mt19937 rng(Seed);
  LoopHarness h;
  EditDoc d(L, Text);
  ClientAccess::SetBackgroundFinish(*d.client, false);
  d->CompleteAnalysis();
  std::string log;
  for (int i = 0; i < Edits; ++i) {
    const int len = d.lines.TextLength();
    const int pos = len ? int(rng() % unsigned(len + 1)) : 0;
    if (rng() % 3 == 0 && pos < len) {
      log += "delete " + std::to_string(pos) + "\n";
      d.lines.DeleteText(pos, 1);
    } else {
      const std::u16string unit(1, kUnits[rng() % kUnits.size()]);
      log += "insert " + std::to_string(pos) + " \"";
      log += Utf16ToUtf8(unit);
      log += "\"\n";
      d.lines.InsertText(pos, unit);
    }
    // Painting asks for the tokens up to the caret first; the rest follows later.
    if (rng() % 2) d->TokenIndexAt(std::min(pos + 1, d.lines.TextLength()));
    d->CompleteAnalysis();
    const std::string diff =
        FirstDifference(Fresh(L, d.lines.TextView()), DumpAnalysis(*d.client, false));
    if (!diff.empty()) return diff + "\nedits:\n" + log;
  }
  return {};
}

// "{ab": the comment rule read to the end and failed, so "{" became a symbol; typing "}" at the
// end must turn it into a comment although the edit lies two units past the symbol. Likewise a
// number after which the float rule read "." and failed on the letter that an edit replaces.
TEST(IncrementalLookAhead, TokenWhoseRuleReadPastTheEdit) {
  TSyntAnalyzer l(nullptr);
  AddToken(l, u"Comment", u"\\{[^}]*\\}", 1);
  AddToken(l, u"Float", u"\\d+\\.\\d+", 5);
  AddToken(l, u"Keyword", u"if\\b", 10);
  AddToken(l, u"Ident", u"[a-z_]\\w*", 2);
  AddToken(l, u"Number", u"\\d+", 4);
  AddToken(l, u"Symbol", u"[{}.]", 3);
  struct Case {
    std::u16string text;
    int pos, deleted;
    std::u16string inserted;
  };
  const Case cases[] = {
      {u"{ab", 3, 0, u"}"},
      {u"{ab cd", 6, 0, u"}"},
      {u"x 1.a", 4, 1, u"5"},
  };
  for (const Case& c : cases) {
    LoopHarness h;
    EditDoc d(&l, c.text);
    ClientAccess::SetBackgroundFinish(*d.client, false);
    d->CompleteAnalysis();
    if (c.deleted) d.lines.DeleteText(c.pos, c.deleted);
    if (!c.inserted.empty()) d.lines.InsertText(c.pos, c.inserted);
    d->CompleteAnalysis();
    EXPECT_EQ(FirstDifference(Fresh(&l, d.lines.TextView()), DumpAnalysis(*d.client, false)), "")
        << Utf16ToUtf8(c.text) << " edited to " << Utf16ToUtf8(d.lines.TextView());
  }
}

TEST(IncrementalLookAhead, EveryLexerAfterOneUnitEdits) {
  int samples = 0;
  for (const fs::path& s : Samples()) {
    TSyntAnalyzer* l = Lexers().ForFile(s);
    if (!l) continue;
    ++samples;
    const std::u16string text = Utf8ToUtf16(ReadFile(s.string()));
    for (unsigned seed = 1; seed <= 2; ++seed) {
      const std::string failure =
          EditAndCompare(l, text, seed * 104729u + unsigned(text.size()), 25);
      EXPECT_EQ(failure, "") << s << " seed " << seed;
    }
  }
  EXPECT_GT(samples, 10);
}

}  // namespace
}  // namespace synt::test
