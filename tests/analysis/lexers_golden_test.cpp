// The shipped lexers (lexers/*.lxl) against reviewed dumps of sample inputs: every file of every
// folder under tests/data/lexers is analysed with the lexer its extension selects, and its token
// and range dumps (`synt tokens` / `synt ranges`) are compared with "<sample>.tokens" and
// "<sample>.ranges" beside it. A mismatch writes the new dump as "<expected>.new" and names the
// first line that differs; SYNT_UPDATE_GOLDEN=1 rewrites the expected files instead.
//
// Every sample is also checked for what holds whatever the lexer: every character lies in a token
// or is white space; tokens are sorted, disjoint and non-empty; the ranges of structural rules
// (those not IgnoreAsParent) nest; with CR LF line ends the analysis is the same; and after a few
// edits an incremental analysis equals a fresh one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

#include "analysis/client_analyzer.h"
#include "analysis/internal/client_access.h"
#include "analysis/lexer_catalog.h"
#include "incremental_util.h"
#include "lists/char_utils.h"
#include "platform/utf.h"
#include "text/memo_strings.h"
#include "tool_runner.h"

namespace synt::test {
namespace {

namespace fs = std::filesystem;

const fs::path kSamples = fs::path(SYNT_TEST_DATA_DIR) / "lexers";
const fs::path kLexers = fs::path(SYNT_SOURCE_DIR) / "lexers";

bool IsDump(const fs::path& p) {
  const std::string e = p.extension().string();
  return e == ".tokens" || e == ".ranges" || e == ".new";
}

std::vector<fs::path> Samples() {
  std::vector<fs::path> v;
  if (!fs::is_directory(kSamples)) return v;
  for (const auto& e : fs::recursive_directory_iterator(kSamples))
    if (e.is_regular_file() && !IsDump(e.path())) v.push_back(e.path());
  std::sort(v.begin(), v.end());
  return v;
}

const TLexerCatalog& Catalog() {
  static TLexerCatalog* c = [] {
    auto* cat = new TLexerCatalog;
    cat->LoadFolder(kLexers);
    return cat;
  }();
  return *c;
}

// Compares Actual with the expected file; reports the first differing line.
void Compare(const fs::path& Expected, const std::string& Actual) {
  fs::path fresh = Expected;
  fresh += ".new";
  if (std::getenv("SYNT_UPDATE_GOLDEN")) {
    std::ofstream(Expected, std::ios::binary) << Actual;
    fs::remove(fresh);
    return;
  }
  ASSERT_TRUE(fs::exists(Expected)) << Expected << " is missing (SYNT_UPDATE_GOLDEN=1 writes it)";
  const std::string want = ReadFile(Expected.string());
  if (want == Actual) {
    fs::remove(fresh);
    return;
  }
  std::ofstream(fresh, std::ios::binary) << Actual;
  std::istringstream a(want), b(Actual);
  std::string la, lb;
  for (int line = 1;; ++line) {
    const bool ga = bool(std::getline(a, la)), gb = bool(std::getline(b, lb));
    if (!ga && !gb) break;
    if (!ga || !gb || la != lb) {
      ADD_FAILURE() << Expected.string() << ":" << line << ": expected\n  " << (ga ? la : "<end>")
                    << "\nbut got\n  " << (gb ? lb : "<end>") << "\n(new dump in " << fresh.string()
                    << ")";
      return;
    }
  }
}

TEST(LexersGolden, EveryLexerFileLoads) {
  EXPECT_EQ(Catalog().Errors(), std::vector<std::string>{});
  EXPECT_FALSE(Catalog().Lexers().empty());
  // Every shipped lexer of this folder has a sample.
  std::map<const TSyntAnalyzer*, int> used;
  for (const fs::path& s : Samples())
    if (const TSyntAnalyzer* l = Catalog().ForFile(s)) ++used[l];
  for (const TSyntAnalyzer* l : Catalog().Lexers()) {
    if (l->LexerName() == u"Pascal") continue;  // its samples are in tests/data/analysis/pascal
    EXPECT_GT(used[l], 0) << Utf16ToUtf8(l->LexerName()) << " has no sample under " << kSamples;
  }
}

TEST(LexersGolden, TokensAndRangesOfEverySample) {
  const auto samples = Samples();
  ASSERT_FALSE(samples.empty());
  for (const fs::path& s : samples) {
    const TSyntAnalyzer* l = Catalog().ForFile(s);
    ASSERT_NE(l, nullptr) << s << ": no lexer of " << kLexers << " serves this extension";
    for (const char* what : {"tokens", "ranges"}) {
      ToolResult r = RunTool({what, "--lexer", Catalog().FileOf(l), "--name",
                              Utf16ToUtf8(l->LexerName()), s.string()});
      EXPECT_EQ(r.status, 0) << s << ": " << r.err;
      fs::path expected = s;
      expected += std::string(".") + what;
      Compare(expected, r.out);
    }
  }
}

// ---- invariants ---------------------------------------------------------------------------------

std::u16string ReadText(const fs::path& p) {
  return Utf8ToUtf16(ReadFile(p.string()));
}

// Why the analysis of Text breaks an invariant, or "".
std::string Violation(const TClientSyntAnalyzer& c, std::u16string_view text) {
  std::ostringstream why;
  int pos = 0;
  for (int i = 0; i < c.TagCount(); ++i) {
    const TSyntToken& t = c.Tags(i);
    if (t.StartPos < pos || t.EndPos <= t.StartPos || size_t(t.EndPos) > text.size()) {
      why << "token " << i << " [" << t.StartPos << ", " << t.EndPos
          << ") is empty, out of order or outside the text";
      return why.str();
    }
    for (; pos < t.StartPos; ++pos)
      if (!IsSpaceChar(text[size_t(pos)])) {
        why << "offset " << pos << " ('" << Utf16ToUtf8(std::u16string(1, text[size_t(pos)]))
            << "') is in no token";
        return why.str();
      }
    pos = t.EndPos;
  }
  for (; size_t(pos) < text.size(); ++pos)
    if (!IsSpaceChar(text[size_t(pos)])) {
      why << "offset " << pos << " after the last token is in no token";
      return why.str();
    }
  // Structural ranges nest: two closed ones are disjoint or one holds the other.
  std::vector<const TTextRange*> closed;
  for (int i = 0; i < c.RangeCount(); ++i) {
    const TTextRange* r = c.Ranges(i);
    if (r->Parent && r->Parent->StartPos > r->StartPos) {
      why << "range " << i << " starts before its parent";
      return why.str();
    }
    if (r->IsClosed() && !r->Rule->IgnoreAsParent()) closed.push_back(r);
  }
  for (size_t i = 0; i < closed.size(); ++i)
    for (size_t j = i + 1; j < closed.size(); ++j) {
      const int as = c.RangeStartPos(closed[i]), ae = c.RangeEndPos(closed[i]);
      const int bs = c.RangeStartPos(closed[j]), be = c.RangeEndPos(closed[j]);
      const bool disjoint = ae <= bs || be <= as;
      const bool nested = (as <= bs && be <= ae) || (bs <= as && ae <= be);
      // Ranges an end tag closes together (AutoCloseInternal) may end one BlockOffset apart:
      // the inner ones end at the closing rule's reference token, the closed one before it.
      const bool closedTogether = closed[i]->EndCondIndex == closed[j]->EndCondIndex;
      if (!disjoint && !nested && !closedTogether) {
        why << "ranges " << Utf16ToUtf8(closed[i]->Rule->DisplayName()) << " [" << as << ", " << ae
            << ") and " << Utf16ToUtf8(closed[j]->Rule->DisplayName()) << " [" << bs << ", " << be
            << ") cross";
        return why.str();
      }
    }
  return {};
}

// Token texts without CR, rule names and ranges by token index: equal for LF and CR LF texts.
std::vector<std::string> Signature(const TClientSyntAnalyzer& c) {
  std::vector<std::string> v;
  for (int i = 0; i < c.TagCount(); ++i) {
    std::u16string t;
    for (char16_t ch : c.TagTextView(i))
      if (ch != u'\r') t += ch;
    const TRuleCollectionItem* r = c.TokenRule(i);
    v.push_back(Utf16ToUtf8(t) + "|" + (r ? Utf16ToUtf8(r->DisplayName()) : "") + "|" +
                std::to_string(c.TagType(i)));
  }
  for (int i = 0; i < c.RangeCount(); ++i) {
    const TTextRange* r = c.Ranges(i);
    v.push_back("range " + Utf16ToUtf8(r->Rule->DisplayName()) + " " + std::to_string(r->StartIdx) +
                " " + std::to_string(r->EndIdx) + " " + std::to_string(r->IdentIdx));
  }
  return v;
}

TEST(LexersGolden, InvariantsAndCrLfOfEverySample) {
  for (const fs::path& s : Samples()) {
    TSyntAnalyzer* l = Catalog().ForFile(s);
    if (!l) continue;  // reported by TokensAndRangesOfEverySample
    const std::u16string text = ReadText(s);
    std::u16string withCr;
    for (char16_t ch : text) {
      if (ch == u'\n') withCr += u'\r';
      withCr += ch;
    }
    TSyntMemoStrings lf, crlf;
    lf.SetTextStr(text);
    crlf.SetTextStr(withCr);
    TClientSyntAnalyzer a(l, nullptr, [&] { return &lf; });
    TClientSyntAnalyzer b(l, nullptr, [&] { return &crlf; });
    a.Analyze(true);
    b.Analyze(true);
    EXPECT_EQ(Violation(a, lf.TextView()), "") << s;
    EXPECT_EQ(Violation(b, crlf.TextView()), "") << s << " (CR LF)";
    EXPECT_EQ(Signature(a), Signature(b)) << s << ": CR LF line ends change the analysis";
  }
}

// A few edits made of the sample's own pieces (cut, copied, retyped) and their undoing, with the
// analysis driven between them as an editor drives it; then the result equals a fresh analysis.
TEST(LexersGolden, IncrementalEqualsFreshAfterEdits) {
  for (const fs::path& s : Samples()) {
    TSyntAnalyzer* l = Catalog().ForFile(s);
    if (!l) continue;
    const std::u16string text = ReadText(s);
    for (unsigned seed = 1; seed <= 4; ++seed) {
      std::mt19937 rng(seed * 7919u + unsigned(text.size()));
      LoopHarness h;
      EditDoc d(l, text);
      analysis_internal::ClientAccess::SetIdleSlice(*d.client, 0, 1 + int(rng() % 30));
      ASSERT_TRUE(d.Settle(h)) << s;
      std::string log;
      for (int i = 0; i < 5; ++i) {
        const int len = d.lines.TextLength();
        const int pos = len ? int(rng() % unsigned(len + 1)) : 0;
        if (rng() % 2 && len > 0) {
          const int n = std::min(len - pos, 1 + int(rng() % 40));
          d.lines.DeleteText(pos, n);
          log += "delete " + std::to_string(pos) + " " + std::to_string(n) + "\n";
        } else {
          const size_t from = text.empty() ? 0 : rng() % text.size();
          const std::u16string piece = text.substr(from, 1 + rng() % 40);
          d.lines.InsertText(pos, piece);
          log += "insert " + std::to_string(pos) + " \"" + Utf16ToUtf8(piece) + "\"\n";
        }
        if (rng() % 3 == 0)
          d->CompleteAnalysis();
        else {
          h.clock.Advance(250);
          h.loop.ProcessEvents();
        }
      }
      ASSERT_TRUE(d.Settle(h)) << s;
      EditDoc fresh(l, d.lines.TextView());
      ASSERT_TRUE(fresh.Settle(h)) << s;
      const std::string diff =
          FirstDifference(DumpAnalysis(*fresh.client), DumpAnalysis(*d.client));
      EXPECT_EQ(diff, "") << s << " seed " << seed << "\nedits:\n" << log;
      EXPECT_EQ(Violation(*d.client, d.lines.TextView()), "") << s << " after edits\n" << log;
    }
  }
}

// The tools' choice of a lexer by extension, and the catalog's other answers.
TEST(LexerCatalog, FindsLexersByExtensionOrName) {
  const TLexerCatalog& c = Catalog();
  struct Case {
    const char* file;
    const char16_t* lexer;
  } cases[] = {{"a.c", u"C"},       {"B.CPP", u"C++"},         {"x.hpp", u"C++"},
               {"m.py", u"Python"}, {"app.js", u"JavaScript"}, {"t.tsx", u"TypeScript"},
               {"p.json", u"JSON"}, {"s.css", u"CSS"},         {"d.xml", u"XML"},
               {"i.html", u"HTML"}, {"u.pas", u"Pascal"}};
  for (const Case& k : cases) {
    const TSyntAnalyzer* l = c.ForFile(k.file);
    ASSERT_NE(l, nullptr) << k.file;
    EXPECT_EQ(l->LexerName(), k.lexer) << k.file;
  }
  EXPECT_EQ(c.ForFile("notes.unknown-ext"), nullptr);
  EXPECT_EQ(c.ForFile("README"), nullptr);
  // Sub-lexers serve no file of their own.
  for (const TSyntAnalyzer* l : c.Lexers()) EXPECT_FALSE(l->Internal());
  EXPECT_EQ(c.FileOf(c.ForFile("a.py")), (kLexers / "python.lxl").string());
}

TEST(LexerCatalog, ReportsFilesThatDoNotLoad) {
  const fs::path dir = fs::temp_directory_path() / "synt_lexer_catalog_test";
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::ofstream(dir / "broken.lxl") << "object X: TSyntaxManager\n  NoSuchProperty = 1\nend\n";
  std::ofstream(dir / "text.lxl") << "hello\n";
  std::ofstream(dir / "good.lxl")
      << "object G: TSyntAnalyzer\n  Extentions = 'gd *.GDX'\n  LexerName = 'Good'\nend\n";
  TLexerCatalog c;
  c.LoadFolder(dir);
  ASSERT_EQ(c.Errors().size(), 2u);
  EXPECT_NE(c.Errors()[0].find("NoSuchProperty"), std::string::npos) << c.Errors()[0];
  EXPECT_NE(c.Errors()[1].find("not a lexer file"), std::string::npos) << c.Errors()[1];
  ASSERT_NE(c.ForFile("a.gdx"), nullptr);
  EXPECT_EQ(c.ForFile("a.gdx")->LexerName(), u"Good");
  EXPECT_EQ(c.ForExtension(u".gd"), c.ForFile("b.GD"));
  fs::remove_all(dir);
}

}  // namespace
}  // namespace synt::test
