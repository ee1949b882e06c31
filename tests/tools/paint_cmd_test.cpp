// synt paint: golden dumps of what the editor shows, and the dump checked against the text.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "json.h"
#include "platform/utf.h"
#include "tool_runner.h"

namespace synt::test {
namespace {

namespace fs = std::filesystem;
using tool::JsonValue;

const fs::path kRoot(SYNT_SOURCE_DIR);
const std::string kLexer = (kRoot / "lexers/pascal.lxl").string();
const fs::path kGolden = kRoot / "tests/data/editor/paint";

std::string Sample(const char* Name) {
  return (kRoot / "tests/data/analysis/pascal" / Name).string();
}

struct Case {
  const char* golden;
  const char* sample;
  std::vector<std::string> options;
};

// Each case exercises a rule a reader of the dump can check by eye: token styles over the lexer's
// default style, the current line, the selection over everything, a search mark over a token,
// word wrap at the window edge and at a margin, folded blocks with their collapse texts, and a
// window that starts further down.
const Case kCases[] = {
    {"program", "program.pas", {}},
    {"select_mark_wrap",
     "asm.pas",
     {"--cols", "30", "--wrap", "--select", "100:130", "--mark", "40:50"}},
    {"wrap_at", "unit.pas", {"--wrap", "--wrap-at", "24"}},
    {"fold", "asm.pas", {"--fold", "9,18"}},
    {"fold_all", "unit.pas", {"--fold-all"}},
    {"window", "edge.pas", {"--top", "5", "--rows", "6", "--cols", "40"}},
    {"gutter",
     "asm.pas",
     {"--gutter", "--fold", "18", "--bookmark", "3:40", "--bookmark", "7:100000", "--wrap",
      "--cols", "30"}},
};

TEST(PaintCmd, DumpsMatchTheirGoldenFiles) {
  for (const Case& c : kCases) {
    std::vector<std::string> args = {"paint", "--lexer", kLexer};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.push_back(Sample(c.sample));
    ToolResult r = RunTool(args);
    ASSERT_EQ(r.status, 0) << c.golden << ": " << r.err;
    const fs::path golden = kGolden / (std::string(c.golden) + ".jsonl");
    const std::string expected = fs::exists(golden) ? ReadFile(golden.string()) : "";
    if (r.out != expected) {
      WriteFile(golden.string() + ".new", r.out);
      ADD_FAILURE() << c.golden << " differs from " << golden << "; the output is in "
                    << golden.string() << ".new";
    }
  }
}

// Tabs as the default tab list (a stop every 4 columns) shows them.
std::u16string ExpandTabs(std::u16string_view Text, int Column) {
  std::u16string out;
  for (char16_t ch : Text) {
    if (ch == u'\t') {
      const int next = (Column / 4 + 1) * 4;
      out.append(size_t(next - Column), u' ');
      Column = next;
    } else {
      out += ch;
      ++Column;
    }
  }
  return out;
}

// Without folds every line is shown once, its rows in order, and the runs of a row cover exactly
// its text, left to right, with the text the row holds (tabs expanded).
TEST(PaintCmd, RunsCoverEveryRowOfEveryLineExactlyOnce) {
  for (const char* sample : {"program.pas", "asm.pas", "unit.pas", "edge.pas"}) {
    for (const std::vector<std::string>& extra :
         {std::vector<std::string>{}, std::vector<std::string>{"--wrap", "--cols", "17"}}) {
      std::vector<std::string> args = {"paint", "--lexer", kLexer};
      args.insert(args.end(), extra.begin(), extra.end());
      args.push_back(Sample(sample));
      ToolResult r = RunTool(args);
      ASSERT_EQ(r.status, 0) << sample << ": " << r.err;
      std::u16string text = Utf8ToUtf16(ReadFile(Sample(sample)));
      std::istringstream lines(r.out);
      int expectLine = 0, expectRow = 0, expectStart = 0;
      std::u16string lineShown;
      for (std::string json; std::getline(lines, json);) {
        JsonValue v;
        std::string error;
        ASSERT_TRUE(tool::ParseJson(json, v, error)) << error;
        const int line = int(v.Find("line")->AsNumber()), row = int(v.Find("row")->AsNumber());
        const int start = int(v.Find("start")->AsNumber()), end = int(v.Find("end")->AsNumber());
        if (row == 0) {
          EXPECT_EQ(line, expectLine) << sample;
          expectLine = line + 1;
          if (line > 0) {  // the previous line ended with its break
            while (expectStart < int(text.size()) && text[size_t(expectStart)] != u'\n')
              ++expectStart;
            ++expectStart;
          }
          lineShown.clear();
        } else {
          EXPECT_EQ(row, expectRow) << sample << " line " << line;
        }
        expectRow = row + 1;
        EXPECT_EQ(start, expectStart) << sample << " line " << line << " row " << row;
        int at = start;
        std::u16string shown;
        for (const JsonValue& run : v.Find("runs")->Items()) {
          EXPECT_EQ(int(run.Find("start")->AsNumber()), at) << sample << " line " << line;
          at = int(run.Find("end")->AsNumber());
          shown += run.Find("text")->AsString();
        }
        EXPECT_EQ(at, end) << sample << " line " << line << " row " << row;
        std::u16string source = text.substr(size_t(start), size_t(end - start));
        if (!source.empty() && source.back() == u'\r') source.pop_back();
        // The column where this row starts decides where its tabs stop.
        const int column = int(ExpandTabs(lineShown, 0).size());
        EXPECT_EQ(shown, ExpandTabs(source, column)) << sample << " line " << line;
        lineShown += source;
        expectStart = end;
      }
    }
  }
}

// The gutter of every display line: a number on each line's first row only, fold marks that open
// and end in pairs, and a bookmark past the text kept on the last line.
TEST(PaintCmd, GutterFieldsAgreeWithTheLines) {
  ToolResult r = RunTool({"paint", "--lexer", kLexer, "--gutter", "--bookmark", "2:0", "--bookmark",
                          "5:999999", Sample("unit.pas")});
  ASSERT_EQ(r.status, 0) << r.err;
  std::istringstream lines(r.out);
  int open = 0, ends = 0, lastLine = -1, markLine0 = -1, markLineEnd = -1;
  for (std::string json; std::getline(lines, json);) {
    JsonValue v;
    std::string error;
    ASSERT_TRUE(tool::ParseJson(json, v, error)) << error;
    const int line = int(v.Find("line")->AsNumber()), row = int(v.Find("row")->AsNumber());
    const JsonValue* g = v.Find("gutter");
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(Utf16ToUtf8(g->Find("number")->AsString()), row == 0 ? std::to_string(line + 1) : "");
    EXPECT_EQ(int(g->Find("state")->AsNumber()), 0) << "nothing edited";
    const std::string fold = Utf16ToUtf8(g->Find("fold")->AsString());
    open += fold == "open";
    ends += fold == "end";
    for (const JsonValue& b : g->Find("bookmarks")->Items()) {
      if (int(b.AsNumber()) == 2) markLine0 = line;
      if (int(b.AsNumber()) == 5) markLineEnd = line;
    }
    lastLine = line;
  }
  EXPECT_GT(open, 0);
  EXPECT_GT(ends, 0);
  EXPECT_EQ(markLine0, 0);
  EXPECT_EQ(markLineEnd, lastLine);
  r = RunTool({"paint", "--lexer", kLexer, "--bookmark", "1:3", Sample("asm.pas")});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("--bookmark needs --gutter"), std::string::npos) << r.err;
  r = RunTool({"paint", "--lexer", kLexer, "--gutter", "--bookmark", "1", Sample("asm.pas")});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("--bookmark needs N:OFFSET"), std::string::npos) << r.err;
}

TEST(PaintCmd, BadRequestsAreRefusedClearly) {
  ToolResult r = RunTool({"paint", "--lexer", kLexer, "--cols", "0", Sample("asm.pas")});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("--cols needs a whole number of at least 1"), std::string::npos) << r.err;
  r = RunTool({"paint", "--lexer", kLexer, "--select", "12", Sample("asm.pas")});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("--select needs START:END"), std::string::npos) << r.err;
  r = RunTool({"paint", "--lexer", kLexer, "--wrap-at", "10", Sample("asm.pas")});
  EXPECT_EQ(r.status, 2);
  r = RunTool({"paint", "--lexer", kLexer, "--fold", "999", Sample("asm.pas")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("past the last line"), std::string::npos) << r.err;
  // A line without a block is reported and the dump still comes.
  r = RunTool({"paint", "--lexer", kLexer, "--fold", "1", Sample("asm.pas")});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.err.find("no block to collapse starts on line 1"), std::string::npos) << r.err;
  EXPECT_FALSE(r.out.empty());
  // Selections and marks past the end are cut to the text.
  r = RunTool({"paint", "--lexer", kLexer, "--select", "5:99999", "--mark", "99998:99999",
               Sample("asm.pas")});
  EXPECT_EQ(r.status, 0) << r.err;
}

}  // namespace
}  // namespace synt::test
