// The Pascal lexer against reviewed dumps of its sample inputs (tests/data/analysis/pascal).
// A mismatch writes the new dump beside the expected one as "<name>.new" and names the first line
// that differs; SYNT_UPDATE_GOLDEN=1 rewrites the expected files instead (review the diff).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "analysis/client_analyzer.h"
#include "analysis/lexer_library.h"
#include "platform/utf.h"
#include "text/memo_strings.h"
#include "tool_runner.h"

namespace synt::test {
namespace {

namespace fs = std::filesystem;

const fs::path kData = fs::path(SYNT_TEST_DATA_DIR) / "analysis" / "pascal";
const fs::path kLexer = fs::path(SYNT_SOURCE_DIR) / "lexers" / "pascal.lxl";

std::vector<fs::path> Samples() {
  std::vector<fs::path> v;
  for (const auto& e : fs::directory_iterator(kData))
    if (e.path().extension() == ".pas") v.push_back(e.path());
  std::sort(v.begin(), v.end());
  return v;
}

// Compares Actual with the expected file; reports the first differing line.
void Compare(const fs::path& Expected, const std::string& Actual) {
  const bool update = std::getenv("SYNT_UPDATE_GOLDEN") != nullptr;
  fs::path fresh = Expected;
  fresh += ".new";
  if (update) {
    std::ofstream(Expected, std::ios::binary) << Actual;
    fs::remove(fresh);
    return;
  }
  ASSERT_TRUE(fs::exists(Expected)) << Expected << " is missing (SYNT_UPDATE_GOLDEN=1 writes it)";
  std::string want = ReadFile(Expected.string());
  if (want == Actual) {
    fs::remove(fresh);
    return;
  }
  std::ofstream(fresh, std::ios::binary) << Actual;
  std::istringstream a(want), b(Actual);
  std::string la, lb;
  int line = 1;
  while (true) {
    bool ga = bool(std::getline(a, la)), gb = bool(std::getline(b, lb));
    if (!ga && !gb) break;
    if (!ga || !gb || la != lb) {
      ADD_FAILURE() << Expected.string() << ":" << line << ": expected\n  " << (ga ? la : "<end>")
                    << "\nbut got\n  " << (gb ? lb : "<end>") << "\n(new dump in " << fresh.string()
                    << ")";
      return;
    }
    ++line;
  }
}

TEST(PascalGolden, TokensAndRangesOfEverySample) {
  auto samples = Samples();
  ASSERT_GE(samples.size(), 4u);
  for (const fs::path& s : samples) {
    for (const char* what : {"tokens", "ranges"}) {
      ToolResult r = RunTool({what, "--lexer", kLexer.string(), "--name", "Pascal", s.string()});
      EXPECT_EQ(r.status, 0) << r.err;
      fs::path expected = s;
      expected.replace_extension(std::string(".") + what + ".jsonl");
      Compare(expected, r.out);
    }
  }
}

// The lexer library, loaded once.
class PascalLexer : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    RegisterLexerClasses();
    lib = new TSyntaxManager(nullptr);
    lib->LoadFromFile(kLexer.string());
  }
  static void TearDownTestSuite() {
    delete lib;
    lib = nullptr;
  }
  static TSyntAnalyzer* Pascal() { return lib->FindLexer(u"Pascal"); }
  static TSyntaxManager* lib;
};
TSyntaxManager* PascalLexer::lib = nullptr;

// "text|rule|type" per token, with line breaks in the text written as "\n".
std::vector<std::u16string> Signature(TClientSyntAnalyzer& c) {
  std::vector<std::u16string> v;
  for (int i = 0; i < c.TagCount(); ++i) {
    std::u16string t;
    for (char16_t ch : c.TagTextView(i)) {
      if (ch == u'\r') continue;
      t += ch;
    }
    TRuleCollectionItem* r = c.TokenRule(i);
    v.push_back(t + u"|" + (r ? r->DisplayName() : u"") + u"|" +
                Utf8ToUtf16(std::to_string(c.TagType(i))));
  }
  return v;
}

std::vector<std::u16string> RangeSignature(TClientSyntAnalyzer& c) {
  std::vector<std::u16string> v;
  for (int i = 0; i < c.RangeCount(); ++i) {
    const TTextRange* r = c.Ranges(i);
    v.push_back(r->Rule->DisplayName() + u" " + Utf8ToUtf16(std::to_string(r->StartIdx)) + u" " +
                Utf8ToUtf16(std::to_string(r->EndIdx)) + u" " +
                Utf8ToUtf16(std::to_string(r->IdentIdx)));
  }
  return v;
}

TEST_F(PascalLexer, LibraryHoldsBothLexers) {
  ASSERT_NE(Pascal(), nullptr);
  TSyntAnalyzer* as = lib->FindLexer(u"AsmAnalyzer");
  ASSERT_NE(as, nullptr);
  EXPECT_TRUE(as->Internal());
  EXPECT_EQ(Pascal()->SubAnalyzers()->Items(0)->SyntAnalyzer(), as);
  // Every grammar rule a block rule names exists.
  for (int i = 0; i < Pascal()->BlockRules()->Count(); ++i) {
    TTagBlockCondition* b = Pascal()->BlockRules()->Items(i);
    if (!b->GrammaRuleName().empty()) {
      EXPECT_NE(b->GrammaRule(), nullptr) << Utf16ToUtf8(b->DisplayName());
    }
  }
  EXPECT_NE(Pascal()->Gramma()->ParserRuleByName(u"ClassDecl"), nullptr);
  // Block rules keep no states, so block analysis may run apart from tokenizing.
  EXPECT_TRUE(Pascal()->SeparateBlockAnalysis());
}

TEST_F(PascalLexer, CrLfLineEndsGiveTheSameResults) {
  for (const fs::path& s : Samples()) {
    TSyntMemoStrings lf, crlf;
    std::u16string text = Utf8ToUtf16(ReadFile(s.string())), withCr;
    for (char16_t ch : text) {
      if (ch == u'\n') withCr += u'\r';
      withCr += ch;
    }
    lf.SetTextStr(text);
    crlf.SetTextStr(withCr);
    TClientSyntAnalyzer a(Pascal(), nullptr, [&] { return &lf; });
    TClientSyntAnalyzer b(Pascal(), nullptr, [&] { return &crlf; });
    a.Analyze(true);
    b.Analyze(true);
    EXPECT_EQ(Signature(a), Signature(b)) << s;
    EXPECT_EQ(RangeSignature(a), RangeSignature(b)) << s;
  }
}

TEST_F(PascalLexer, SeparateBlockAnalysisEqualsSynchronous) {
  for (const fs::path& s : Samples()) {
    TSyntMemoStrings lines;
    lines.SetTextStr(Utf8ToUtf16(ReadFile(s.string())));
    TClientSyntAnalyzer sync(Pascal(), nullptr, [&] { return &lines; });
    sync.Analyze(true);
    TClientSyntAnalyzer sep(Pascal(), nullptr, [&] { return &lines; });
    sep.CompleteAnalysis();  // tag detection after each token, the other rules in a catch-up pass
    EXPECT_EQ(Signature(sync), Signature(sep)) << s;
    EXPECT_EQ(RangeSignature(sync), RangeSignature(sep)) << s;
    EXPECT_EQ(sync.LineBreaks().size(), sep.LineBreaks().size()) << s;
  }
}

class AnalysisTool : public ToolTest {};

TEST_F(AnalysisTool, FailsClearlyOnBadLexers) {
  const std::string input = (kData / "program.pas").string();
  Write(Path("broken.lxl"), "object X: TSyntAnalyzer\n  NoSuchProperty = 1\nend\n");
  Write(Path("notalexer.txt"), "hello\n");
  struct Case {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"tokens", "--lexer", "/nonexistent/x.lxl", input}, "cannot open"},
      {{"tokens", "--lexer", Path("broken.lxl"), input}, "NoSuchProperty"},
      {{"ranges", "--lexer", Path("notalexer.txt"), input}, "not a lexer file"},
      {{"tokens", "--lexer", kLexer.string(), "--name", "Nope", input}, "no lexer named"},
      {{"tokens", "--lexer", kLexer.string(), "/nonexistent/input.pas"}, "cannot open"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Run(c.args), 1) << c.message;
    EXPECT_NE(err.find(c.message), std::string::npos) << c.message << "\n" << err;
  }
  // Without --lexer a file takes the shipped lexer of its name; standard input has no name.
  EXPECT_EQ(Run({"tokens", "-"}, "begin end;"), 2);
  EXPECT_NE(err.find("--lexer"), std::string::npos) << err;
  // Standard input works, and the first lexer of a library is the default.
  ASSERT_EQ(Run({"tokens", "--lexer", kLexer.string(), "-"}, "begin end;"), 0) << err;
  EXPECT_NE(out.find("\"rule\": \"Keyword\", \"style\": \"Keyword\", \"text\": \"begin\""),
            std::string::npos)
      << out;
}

}  // namespace
}  // namespace synt::test
