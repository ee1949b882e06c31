// End-to-end tests of `synt lint` and of what the other commands report while reading a lexer:
// each broken lexer of tests/data/lint is checked against its golden findings (NAME.expected).
#include <gtest/gtest.h>

#include <filesystem>

#include "tool_runner.h"

namespace synt::tool {
namespace {

namespace fs = std::filesystem;

class LintCmd : public synt::test::ToolTest {};

// The findings name items by path; the file's folder does not appear in them.
TEST_F(LintCmd, EachBrokenLexerGivesItsFindings) {
  int files = 0;
  for (const auto& e : fs::directory_iterator(SYNT_TEST_DATA_DIR "/lint")) {
    if (e.path().extension() != ".lxl") continue;
    ++files;
    const std::string lexer = e.path().string();
    std::string expected = Read(fs::path(lexer).replace_extension(".expected").string());
    const int status = Run({"lint", "--lexer", lexer});
    EXPECT_EQ(out, expected) << lexer;
    EXPECT_EQ(status, expected.find("error: ") != std::string::npos ? 1 : 0) << lexer << err;
    // The JSON form holds the same findings, one line each.
    ASSERT_EQ(Run({"lint", "--lexer", lexer, "--format", "json"}), status) << lexer;
    size_t lines = 0;
    for (char c : out) lines += c == '\n';
    size_t expectedLines = 0;
    for (char c : expected) expectedLines += c == '\n';
    EXPECT_EQ(lines, expectedLines) << lexer;
  }
  EXPECT_GE(files, 5);
}

TEST_F(LintCmd, TheShippedLexersAreClean) {
  for (const auto& e : fs::directory_iterator(SYNT_SOURCE_DIR "/lexers")) {
    if (e.path().extension() != ".lxl") continue;
    EXPECT_EQ(Run({"lint", "--lexer", e.path().string()}), 0) << e.path() << out << err;
    EXPECT_EQ(out, "") << e.path();
  }
}

// Reading reports what it could not make sense of, and saving keeps what the author wrote.
TEST_F(LintCmd, LoadingReportsUnresolvedNamesAndKeepsThem) {
  const std::string lexer = SYNT_TEST_DATA_DIR "/lint/missing_refs.lxl";
  Write(Path("in.txt"), "{ a }");
  ASSERT_EQ(Run({"tokens", "--lexer", lexer, Path("in.txt")}), 0) << err;
  EXPECT_NE(err.find("StyleName: 'Keywrd' names no style (did you mean 'Keyword'?)"),
            std::string::npos)
      << err;
  EXPECT_NE(err.find("BlockEnd: 'Blok end' names no block rule (did you mean 'Block end'?)"),
            std::string::npos)
      << err;
  EXPECT_NE(err.find("DisplayName: 'Word' is already the name"), std::string::npos) << err;
  ASSERT_EQ(Run({"convert", lexer, "-"}), 0) << err;
  EXPECT_NE(out.find("StyleName = 'Keywrd'"), std::string::npos) << out;
  EXPECT_NE(out.find("BlockEnd = 'Blok end'"), std::string::npos) << out;
  EXPECT_NE(out.find("DefaultStyleName = 'Defualt'"), std::string::npos) << out;
}

TEST_F(LintCmd, LoadingReportsInvalidExpressionsWithTheirPosition) {
  const std::string lexer = SYNT_TEST_DATA_DIR "/lint/bad_expression.lxl";
  Write(Path("in.txt"), "abc");
  ASSERT_EQ(Run({"tokens", "--lexer", lexer, Path("in.txt")}), 0) << err;
  // The position is the unit the error is about: the "[" that opens the set that is not closed.
  EXPECT_NE(err.find("TokenRules[1] 'Unclosed set': Expression: Unexpected end of expression (the "
                     "set that \"[\" opens is not closed with \"]\"; write \\[ for the character "
                     "itself) at position 1"),
            std::string::npos)
      << err;
  EXPECT_NE(err.find("TokenRules[0] 'Line comment': Expression: the expression holds nothing"),
            std::string::npos)
      << err;
}

const char* kTagLexer =
    "object Tags: TSyntAnalyzer\n"
    "  Formats = <\n"
    "    item\n"
    "      DisplayName = 'Identifier'\n"
    "    end\n"
    "    item\n"
    "      DisplayName = 'Keyword'\n"
    "    end>\n"
    "  TokenRules = <\n"
    "    item\n"
    "      DisplayName = 'Identifier'\n"
    "      StyleName = 'Identifier'\n"
    "      TokenType = 2\n"
    "      Expression = '[a-z_]\\w*'\n"
    "      ColumnFrom = 0\n"
    "      ColumnTo = 0\n"
    "    end\n"
    "    item\n"
    "      DisplayName = 'Text'\n"
    "      TokenType = 4\n"
    "      Expression = '\"[^\"]*\"'\n"
    "      ColumnFrom = 0\n"
    "      ColumnTo = 0\n"
    "    end>\n"
    "  BlockRules = <\n"
    "    item\n"
    "      DisplayName = 'Keywords'\n"
    "      StyleName = 'Keyword'\n"
    "      BlockType = btTagDetect\n"
    "      ConditionList = <\n"
    "        item\n"
    "          TagList.Strings = (\n"
    "            'while'\n"
    "            'begin'\n"
    "            'end')\n"
    "          TokenTypes = 4\n"
    "          IgnoreCase = True\n"
    "        end>\n"
    "      HighlightPos = cpAny\n"
    "      IgnoreAsParent = False\n"
    "      CollapseFmt = 'a long collapse text that runs on and on, with \\x escapes and ' +\n"
    "        'more words after them'\n"
    "    end>\n"
    "  Charset = DEFAULT_CHARSET\n"
    "end\n";

TEST_F(LintCmd, TokensTextFormatNamesTheTokenRuleAndTheBlockRule) {
  Write(Path("tags.lxl"), kTagLexer);
  Write(Path("in.txt"), "x\n  Begin \"a\tb\"");
  ASSERT_EQ(Run({"tokens", "--lexer", Path("tags.lxl"), "--format", "text", Path("in.txt")}), 0)
      << err;
  EXPECT_EQ(out,
            "0\t1\t1:1\tIdentifier\t'Identifier'\t-\t'Identifier'\t\"x\"\n"
            "4\t9\t2:3\tIdentifier\t'Identifier'\t'Keywords'\t'Keyword'\t\"Begin\"\n"
            "10\t15\t2:9\tString\t'Text'\t-\t-\t\"\\\"a\\tb\\\"\"\n");
  ASSERT_EQ(Run({"tokens", "--lexer", Path("tags.lxl"), Path("in.txt")}), 0) << err;
  EXPECT_NE(out.find("\"rule\": \"Keywords\", \"style\": \"Keyword\", \"text\": \"Begin\", "
                     "\"token_rule\": \"Identifier\", \"block_rule\": \"Keywords\""),
            std::string::npos)
      << out;
}

// The author's tag order survives, and long strings break only after a blank.
TEST_F(LintCmd, ConvertKeepsTheAuthorsTagOrderAndBreaksStringsAtBlanks) {
  Write(Path("tags.lxl"), kTagLexer);
  ASSERT_EQ(Run({"convert", Path("tags.lxl"), "-"}), 0) << err;
  EXPECT_NE(out.find("            'while'\n            'begin'\n            'end')"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("\\x escapes and more ' +\n"), std::string::npos) << out;
  const std::string first = out;
  Write(Path("again.lxl"), first);
  ASSERT_EQ(Run({"convert", Path("again.lxl"), "-"}), 0) << err;
  EXPECT_EQ(out, first);
}

TEST_F(LintCmd, ACollectionWrittenAsAListIsReportedAtItsLine) {
  std::string text = kTagLexer;
  text.replace(text.find("TokenRules = <"), 14, "TokenRules = (");
  Write(Path("bad.lxl"), text);
  Write(Path("in.txt"), "x");
  EXPECT_EQ(Run({"tokens", "--lexer", Path("bad.lxl"), Path("in.txt")}), 1);
  EXPECT_NE(err.find("Line 9: '(' opens a list of values, but 'item' follows"), std::string::npos)
      << err;
}

}  // namespace
}  // namespace synt::tool
