// synt export: golden files of the three formats, and the text read back by independent readers:
// pandoc for RTF, Python's html.parser for HTML (tests/support/rtf_text.py, html_text.py). The
// plain export of a whole file gives the file back byte for byte.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tool_runner.h"

namespace synt::test {
namespace {

namespace fs = std::filesystem;

const fs::path kRoot(SYNT_SOURCE_DIR);
const fs::path kData = kRoot / "tests/data";

std::string Lexer(const char* Name) {
  return (kRoot / "lexers" / Name).string();
}

struct Sample {
  fs::path file;
  const char* lexer;
};

// Tabs, braces, backslashes, markup and non-ASCII (astral too), with LF and with CR LF ends; a
// sub-lexer region; the HTML lexer with its CSS and JavaScript regions.
const std::vector<Sample>& Samples() {
  static const std::vector<Sample> s = {
      {kData / "export/escapes.pas", "pascal.lxl"},
      {kData / "export/escapes_crlf.pas", "pascal.lxl"},
      {kData / "analysis/pascal/asm.pas", "pascal.lxl"},
      {kData / "analysis/pascal/unit.pas", "pascal.lxl"},
      {kData / "lexers/html/page.html", "html.lxl"},
  };
  return s;
}

// Standard output of python3 running Script on File; Status receives its exit status.
std::string RunPython(const std::string& Script, const std::string& File, int& Status) {
  std::string command = "python3 '";
  command += Script;
  command += "' '";
  command += File;
  command += "'";
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (!p) {
    Status = -1;
    return out;
  }
  char buf[4096];
  for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
  Status = pclose(p);
  return out;
}

std::vector<std::string> SplitLines(const std::string& Text) {
  std::vector<std::string> lines(1);
  for (size_t i = 0; i < Text.size(); ++i) {
    const char c = Text[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < Text.size() && Text[i + 1] == '\n') ++i;
      lines.emplace_back();
    } else {
      lines.back() += c;
    }
  }
  return lines;
}

// pandoc (2.17, Debian's) reads the two escapes of a surrogate pair as two replacement
// characters; an astral character counts as that pair on both sides.
std::string AstralAsPair(const std::string& Utf8) {
  std::string s;
  for (size_t i = 0; i < Utf8.size();) {
    const unsigned char c = static_cast<unsigned char>(Utf8[i]);
    if (c >= 0xF0 && c <= 0xF4 && i + 3 < Utf8.size()) {
      s += "\xEF\xBF\xBD\xEF\xBF\xBD";
      i += 4;
    } else {
      s += Utf8[i++];
    }
  }
  return s;
}

class ExportCmd : public ToolTest {};

TEST_F(ExportCmd, OutputMatchesTheGoldenFiles) {
  struct Case {
    const char* golden;
    fs::path input;
    const char* lexer;
    std::vector<std::string> options;
  };
  const Case cases[] = {
      {"escapes.rtf", kData / "export/escapes.pas", "pascal.lxl", {"--format", "rtf"}},
      {"escapes.html", kData / "export/escapes.pas", "pascal.lxl", {"--format", "html"}},
      {"asm.rtf", kData / "analysis/pascal/asm.pas", "pascal.lxl", {"--format", "rtf"}},
      {"asm.html", kData / "analysis/pascal/asm.pas", "pascal.lxl", {"--format", "html"}},
      {"page.html", kData / "lexers/html/page.html", "html.lxl", {"--format", "html"}},
      // A range from inside a line to inside a later one.
      {"escapes_range.rtf",
       kData / "export/escapes.pas",
       "pascal.lxl",
       {"--format", "rtf", "--start", "120", "--length", "101"}},
      {"escapes_range.txt",
       kData / "export/escapes.pas",
       "pascal.lxl",
       {"--format", "text", "--start", "120", "--length", "101"}},
  };
  const bool update = std::getenv("SYNT_UPDATE_GOLDEN") != nullptr;
  for (const Case& c : cases) {
    std::vector<std::string> args = {"export", "--lexer", Lexer(c.lexer)};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.push_back(c.input.string());
    ASSERT_EQ(Run(args), 0) << c.golden << ": " << err;
    EXPECT_EQ(err, "") << c.golden;
    const fs::path golden = kData / "export" / c.golden;
    if (update) WriteFile(golden.string(), out);
    const std::string expected = fs::exists(golden) ? ReadFile(golden.string()) : "";
    if (out != expected) {
      WriteFile(golden.string() + ".new", out);
      ADD_FAILURE() << c.golden << " differs from " << golden << "; the output is in "
                    << golden.string() << ".new (SYNT_UPDATE_GOLDEN=1 rewrites the goldens)";
    }
  }
}

TEST_F(ExportCmd, PlainTextOfAWholeFileIsTheFile) {
  for (const Sample& s : Samples()) {
    ASSERT_EQ(Run({"export", "--lexer", Lexer(s.lexer), "--format", "text", s.file.string()}), 0)
        << err;
    EXPECT_EQ(out, ReadFile(s.file.string())) << s.file;
  }
}

TEST_F(ExportCmd, HtmlParsedBackIsTheSourceText) {
  if (std::system("python3 -c 'import html.parser' >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "python3 is not installed";
  const std::string script = (kRoot / "tests/support/html_text.py").string();
  for (const Sample& s : Samples()) {
    const std::string page = Path("page.html");
    ASSERT_EQ(
        Run({"export", "--lexer", Lexer(s.lexer), "--format", "html", s.file.string(), "-o", page}),
        0)
        << err;
    int status = 0;
    const std::string text = RunPython(script, page, status);
    ASSERT_EQ(status, 0) << s.file;
    // Lines end with LF in the page whatever they ended with in the file.
    std::string want;
    const std::vector<std::string> lines = SplitLines(ReadFile(s.file.string()));
    for (size_t i = 0; i < lines.size(); ++i) {
      if (i) want += '\n';
      want += lines[i];
    }
    EXPECT_EQ(text, want) << s.file;
  }
}

TEST_F(ExportCmd, RtfReadBackByPandocIsTheSourceText) {
  if (std::system("pandoc --version >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "pandoc is not installed (scripts/setup installs it)";
  const std::string script = (kRoot / "tests/support/rtf_text.py").string();
  for (const Sample& s : Samples()) {
    const std::string doc = Path("doc.rtf");
    ASSERT_EQ(
        Run({"export", "--lexer", Lexer(s.lexer), "--format", "rtf", s.file.string(), "-o", doc}),
        0)
        << err;
    for (const char c : ReadFile(doc)) ASSERT_LT(static_cast<unsigned char>(c), 0x80) << s.file;
    int status = 0;
    const std::string text = RunPython(script, doc, status);
    ASSERT_EQ(status, 0) << s.file;
    // Every paragraph is a line; pandoc leaves out empty paragraphs, so empty lines are not
    // compared. Blanks, tabs, braces, backslashes and every other character are.
    std::string want;
    for (const std::string& line : SplitLines(ReadFile(s.file.string())))
      if (!line.empty()) {
        if (!want.empty()) want += '\n';
        want += line;
      }
    EXPECT_EQ(AstralAsPair(text), AstralAsPair(want)) << s.file;
  }
}

TEST_F(ExportCmd, ErrorsAreReportedAndLeaveTheOutputAlone) {
  const std::string input = Path("in.pas"), output = Path("out.rtf");
  Write(input, "begin end.\n");
  Write(output, "old");
  const std::string pascal = Lexer("pascal.lxl");
  struct Case {
    std::vector<std::string> args;
    int status;
    const char* message;
  };
  const Case cases[] = {
      {{"--format", "rtf", "--start", "12", input}, 1, "--start 12 lies past the end of the text"},
      {{"--format", "rtf", "--start", "5", "--length", "7", input},
       1,
       "reaches past the end of the text (11 units)"},
      {{"--format", "rtf", Path("missing.pas")}, 1, "cannot open"},
      {{"--format", "pdf", input}, 2, "--format is text, rtf or html"},
      {{input}, 2, "export needs --format"},
      {{"--format", "rtf", "--length", "-1", input}, 2, "--length needs a whole number"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"export", "--lexer", pascal};
    args.insert(args.end(), c.args.begin(), c.args.end());
    args.insert(args.end(), {"-o", output});
    EXPECT_EQ(Run(args), c.status) << c.message;
    EXPECT_NE(err.find(c.message), std::string::npos) << err;
    EXPECT_EQ(out, "");
    EXPECT_EQ(Read(output), "old");
  }
  // A file that is no lexer, and an output that cannot be created.
  Write(Path("bad.lxl"), "no lexer {{{");
  EXPECT_EQ(Run({"export", "--lexer", Path("bad.lxl"), "--format", "rtf", input, "-o", output}), 1);
  EXPECT_NE(err.find("is not a lexer file"), std::string::npos) << err;
  EXPECT_EQ(Read(output), "old");
  EXPECT_EQ(Run({"export", "--lexer", pascal, "--format", "rtf", input, "-o",
                 Path("no/such/folder/out.rtf")}),
            1);
  EXPECT_NE(err.find("Cannot create file"), std::string::npos) << err;
  // A good run replaces the old file.
  ASSERT_EQ(Run({"export", "--lexer", pascal, "--format", "text", input, "-o", output}), 0) << err;
  EXPECT_EQ(Read(output), "begin end.\n");
}

}  // namespace
}  // namespace synt::test
