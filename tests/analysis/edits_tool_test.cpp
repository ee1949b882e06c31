// synt tokens / synt ranges with --edits: the results after the edits equal those of the final text
// analysed afresh, whether the analysis settles after every edit or only runs a slice.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "platform/utf.h"
#include "tool_runner.h"

namespace synt::test {
namespace {

namespace fs = std::filesystem;

const fs::path kSamples = fs::path(SYNT_TEST_DATA_DIR) / "analysis" / "pascal";
const fs::path kLexer = fs::path(SYNT_SOURCE_DIR) / "lexers" / "pascal.lxl";

std::string Quote(const std::u16string& S) {
  std::string out = "\"";
  for (char16_t c : S) {
    if (c == u'"' || c == u'\\')
      out += '\\', out += char(c);
    else if (c == u'\n')
      out += "\\n";
    else if (c == u'\r')
      out += "\\r";
    else if (c < 0x80)
      out += char(c);
    else
      out += Utf16ToUtf8(std::u16string(1, c));
  }
  return out + "\"";
}

class EditsTool : public ToolTest {
 protected:
  // The tool's standard output; a failure shows what it printed on standard error.
  std::string Tool(const std::vector<std::string>& Args) {
    EXPECT_EQ(Run(Args), 0) << err;
    return out;
  }
};

TEST_F(EditsTool, EditedResultsEqualTheFinalTextAnalysedAfresh) {
  std::mt19937 rng(11);
  const std::u16string pieces[] = {
      u"begin ", u"end;", u"{ c }",          u"'s'", u"\n", u"asm\n nop\nend;", u"x := 1;",
      u"(*",     u"*)",   u"procedure P;\n", u"}",   u"'"};
  for (const char* sample : {"program.pas", "unit.pas", "asm.pas"}) {
    std::u16string text = Utf8ToUtf16(ReadFile((kSamples / sample).string()));
    Write(Path("input.pas"), Utf16ToUtf8(text));
    std::string edits;
    for (int i = 0; i < 25; ++i) {
      int pos = int(rng() % (text.size() + 1));
      int del = rng() % 3 == 0 ? std::min(int(rng() % 12), int(text.size()) - pos) : 0;
      // Never split a CR LF pair (the samples use LF, but stay safe).
      std::u16string ins = rng() % 4 == 0 ? u"" : pieces[rng() % std::size(pieces)];
      if (del == 0 && ins.empty()) ins = u";";
      edits += "{\"pos\": " + std::to_string(pos) + ", \"delete\": " + std::to_string(del) +
               ", \"insert\": " + Quote(ins) + "}\n";
      text.replace(size_t(pos), size_t(del), ins);
    }
    Write(Path("edits.jsonl"), edits);
    Write(Path("final.pas"), Utf16ToUtf8(text));
    const std::string lexer = kLexer.string();
    for (const char* what : {"tokens", "ranges"}) {
      std::vector<std::string> base = {what, "--lexer", lexer};
      if (std::string(what) == "ranges") base.push_back("--display");
      auto with = [&](std::vector<std::string> more) {
        std::vector<std::string> args = base;
        args.insert(args.end(), more.begin(), more.end());
        return args;
      };
      const std::string fresh = Tool(with({Path("final.pas")}));
      const std::string sliced = Tool(with({"--edits", Path("edits.jsonl"), Path("input.pas")}));
      const std::string settled =
          Tool(with({"--settle", "--edits", Path("edits.jsonl"), Path("input.pas")}));
      EXPECT_EQ(sliced, fresh) << sample << " " << what;
      EXPECT_EQ(settled, fresh) << sample << " " << what;
    }
  }
}

TEST_F(EditsTool, BadEditsFailClearly) {
  Write(Path("in.pas"), "begin end;");
  struct Case {
    std::string edits, message;
  } cases[] = {
      {"{\"pos\": 11}\n", "reaches past the end"},
      {"{\"pos\": 2, \"delete\": 20}\n", "reaches past the end"},
      {"{\"delete\": 1}\n", "needs \"pos\""},
      {"{\"pos\": 1.5}\n", "whole number"},
      {"{\"pos\": 0, \"insert\": 3}\n", "must be a string"},
      {"{\"pos\": 0, \"replace\": \"x\"}\n", "unknown member"},
      {"\n\n[1]\n", "line 3"},
      {"{\"pos\": 0", "line 1"},
  };
  for (const Case& c : cases) {
    Write(Path("e.jsonl"), c.edits);
    EXPECT_EQ(
        Run({"tokens", "--lexer", kLexer.string(), "--edits", Path("e.jsonl"), Path("in.pas")}), 1)
        << c.edits;
    EXPECT_NE(err.find(c.message), std::string::npos) << c.edits << "\n" << err;
  }
  EXPECT_EQ(Run({"tokens", "--lexer", kLexer.string(), "--settle", Path("in.pas")}), 2);
  EXPECT_NE(err.find("--settle needs --edits"), std::string::npos) << err;
}

}  // namespace
}  // namespace synt::test
