// synt tokens / synt ranges with --edits: the results after the edits equal those of the final text
// analysed afresh, whether the analysis settles after every edit or only runs a slice.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "platform/utf.h"

namespace synt::test {
namespace {

namespace fs = std::filesystem;

const fs::path kSamples = fs::path(SYNT_TEST_DATA_DIR) / "analysis" / "pascal";
const fs::path kLexer = fs::path(SYNT_SOURCE_DIR) / "lexers" / "pascal.lxl";

std::string Shell(const std::string& Command) {
  std::string out;
  FILE* p = popen(Command.c_str(), "r");
  if (!p) return out;
  char buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  pclose(p);
  return out;
}

std::string Read(const fs::path& P) {
  std::ifstream in(P, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

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

class EditsTool : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("synt_edits_tool_" + std::to_string(::getpid()));
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }
  // The tool's output, errors included, and its exit status as a last line "status=N".
  std::string Tool(const std::string& Args) {
    return Shell(std::string("'") + SYNT_TOOL_PATH + "' " + Args + " 2>&1; echo \"status=$?\"");
  }
  fs::path dir;
};

TEST_F(EditsTool, EditedResultsEqualTheFinalTextAnalysedAfresh) {
  std::mt19937 rng(11);
  const std::u16string pieces[] = {
      u"begin ", u"end;", u"{ c }",          u"'s'", u"\n", u"asm\n nop\nend;", u"x := 1;",
      u"(*",     u"*)",   u"procedure P;\n", u"}",   u"'"};
  for (const char* sample : {"program.pas", "unit.pas", "asm.pas"}) {
    std::u16string text = Utf8ToUtf16(Read(kSamples / sample));
    std::ofstream(dir / "input.pas", std::ios::binary) << Utf16ToUtf8(text);
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
    std::ofstream(dir / "edits.jsonl", std::ios::binary) << edits;
    std::ofstream(dir / "final.pas", std::ios::binary) << Utf16ToUtf8(text);
    const std::string lexer = "--lexer '" + kLexer.string() + "' ";
    for (const char* what : {"tokens ", "ranges --display "}) {
      const std::string fresh = Tool(what + lexer + "'" + (dir / "final.pas").string() + "'");
      ASSERT_NE(fresh.find("status=0"), std::string::npos) << fresh;
      const std::string sliced = Tool(what + lexer + "--edits '" + (dir / "edits.jsonl").string() +
                                      "' '" + (dir / "input.pas").string() + "'");
      const std::string settled =
          Tool(what + lexer + "--settle --edits '" + (dir / "edits.jsonl").string() + "' '" +
               (dir / "input.pas").string() + "'");
      EXPECT_EQ(sliced, fresh) << sample << " " << what;
      EXPECT_EQ(settled, fresh) << sample << " " << what;
    }
  }
}

TEST_F(EditsTool, BadEditsFailClearly) {
  std::ofstream(dir / "in.pas") << "begin end;";
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
    std::ofstream(dir / "e.jsonl", std::ios::binary) << c.edits;
    std::string out = Tool("tokens --lexer '" + kLexer.string() + "' --edits '" +
                           (dir / "e.jsonl").string() + "' '" + (dir / "in.pas").string() + "'");
    EXPECT_NE(out.find(c.message), std::string::npos) << c.edits << "\n" << out;
    EXPECT_NE(out.find("status=1"), std::string::npos) << c.edits << "\n" << out;
  }
  std::string usage =
      Tool("tokens --lexer '" + kLexer.string() + "' --settle '" + (dir / "in.pas").string() + "'");
  EXPECT_NE(usage.find("--settle needs --edits"), std::string::npos) << usage;
  EXPECT_NE(usage.find("status=2"), std::string::npos) << usage;
}

}  // namespace
}  // namespace synt::test
