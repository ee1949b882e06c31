// synt tokens and synt ranges without --lexer: the shipped lexer that serves the input's name.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tool_runner.h"

namespace synt::test {
namespace {

namespace fs = std::filesystem;

const fs::path kRoot(SYNT_SOURCE_DIR);

TEST(LexerByName, TheShippedLexerOfTheExtensionOrWholeNameGivesWhatNamingItGives) {
  const struct {
    const char* sample;
    const char* lexer;
  } cases[] = {{"tests/data/lexers/json/data.json", "lexers/json.lxl"},
               {"tests/data/lexers/cmake/CMakeLists.txt", "lexers/cmake.lxl"},
               {"tests/data/lexers/makefile/Makefile", "lexers/makefile.lxl"}};
  for (const auto& c : cases) {
    for (const char* what : {"tokens", "ranges"}) {
      const std::string sample = (kRoot / c.sample).string();
      ToolResult found = RunTool({what, sample});
      ToolResult named = RunTool({what, "--lexer", (kRoot / c.lexer).string(), sample});
      ASSERT_EQ(found.status, 0) << c.sample << ": " << found.err;
      EXPECT_FALSE(found.out.empty()) << c.sample;
      EXPECT_EQ(found.out, named.out) << what << " " << c.sample;
    }
  }
}

TEST(LexerByName, NoLexerServesTheNameOrStandardInput) {
  ToolResult r =
      RunTool({"tokens", (kRoot / "tests/data/keys/default_table.jsonl").string() + "x"});
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("give --lexer FILE"), std::string::npos) << r.err;
  r = RunTool({"tokens", "-"}, "x");
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("needs --lexer FILE"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace synt::test
