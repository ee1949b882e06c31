// End-to-end tests of `synt convert` and `synt lexers`: the built tool on real files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "json.h"
#include "tool_runner.h"

namespace synt::tool {
namespace {

namespace fs = std::filesystem;

class LexerCmd : public synt::test::ToolTest {};

const char* kLibrary =
    "object Lib: TSyntaxManager\n"
    "  object Asm: TLibSyntAnalyzer\n"
    "    LexerName = 'Assembler'\n"
    "    Charset = DEFAULT_CHARSET\n"
    "  end\n"
    "  object Pascal: TLibSyntAnalyzer\n"
    "    Formats = <\n"
    "      item\n"
    "        DisplayName = 'Comment'\n"
    "        Font.Style = [fsItalic]\n"
    "      end\n"
    "      item\n"
    "        DisplayName = 'Keyword'\n"
    "      end>\n"
    "    TokenRules = <\n"
    "      item\n"
    "        Expression = '//.*'\n"
    "        StyleName = 'Comment'\n"
    "        ColumnFrom = 0\n"
    "        ColumnTo = 0\n"
    "      end>\n"
    "    SubAnalyzers = <\n"
    "      item\n"
    "        SyntAnalyzer = Asm\n"
    "      end>\n"
    "    LexerName = 'Pascal'\n"
    "    Extentions = 'pas dpr'\n"
    "    Charset = DEFAULT_CHARSET\n"
    "  end\n"
    "end\n";

TEST_F(LexerCmd, ConvertWritesTheStoredFormAndIsStableOnItsOutput) {
  Write(Path("lib.lxl"), kLibrary);
  ASSERT_EQ(Run({"convert", Path("lib.lxl"), Path("a.lxl")}), 0) << err;
  std::string first = Read(Path("a.lxl"));
  EXPECT_NE(first.find("        SyntAnalyzer = Asm\n"), std::string::npos) << first;
  EXPECT_NE(first.find("        Font.Style = [fsItalic]\n"), std::string::npos);
  ASSERT_EQ(Run({"convert", Path("a.lxl"), "-"}), 0) << err;
  EXPECT_EQ(out, first);  // reading what the writer wrote and writing again: identical text
}

TEST_F(LexerCmd, LexersListsEveryLexerOfALibrary) {
  Write(Path("lib.lxl"), kLibrary);
  ASSERT_EQ(Run({"lexers", Path("lib.lxl")}), 0) << err;
  EXPECT_EQ(
      out,
      "{\"name\": \"Asm\", \"lexer_name\": \"Assembler\", \"extensions\": \"\", \"styles\": 1, "
      "\"token_rules\": 0, \"block_rules\": 0, \"sub_lexer_rules\": 0}\n"
      "{\"name\": \"Pascal\", \"lexer_name\": \"Pascal\", \"extensions\": \"pas dpr\", "
      "\"styles\": 2, \"token_rules\": 1, \"block_rules\": 0, \"sub_lexer_rules\": 1}\n");
}

TEST_F(LexerCmd, LexersFindsLexersNestedInAnyForm) {
  Write(Path("form.txt"),
        "object Form1: TForm1\n"
        "  Caption = 'x'\n"
        "  object Panel: TPanel\n"
        "    object Hex: TSyntAnalyzer\n"
        "      LexerName = 'Hex'\n"
        "      SubAnalyzers = <\n"
        "        item\n"
        "          SyntAnalyzer = Inner\n"
        "        end>\n"
        "    end\n"
        "  end\n"
        "  object Inner: TSyntAnalyzer\n"
        "    LexerName = 'Inner'\n"
        "  end\n"
        "end\n");
  ASSERT_EQ(Run({"lexers", Path("form.txt")}), 0) << err;
  EXPECT_NE(out.find("\"name\": \"Hex\", \"lexer_name\": \"Hex\""), std::string::npos) << out;
  EXPECT_NE(out.find("\"sub_lexer_rules\": 1"), std::string::npos);
  EXPECT_NE(out.find("\"name\": \"Inner\""), std::string::npos);
}

TEST_F(LexerCmd, ReadErrorsGoToStderrWithLineNumbers) {
  Write(Path("bad.lx"),
        "object L: TSyntAnalyzer\n"
        "  LexerName = 'Bad'\n"
        "  Colour = clRed\n"
        "  SkipSpaces = Maybe\n"
        "end\n");
  EXPECT_EQ(Run({"convert", Path("bad.lx"), Path("out.lx")}), 1);
  EXPECT_NE(err.find("bad.lx: Line 3: Error reading L.Colour: Property Colour does not exist"),
            std::string::npos)
      << err;
  EXPECT_FALSE(fs::exists(Path("out.lx")));  // nothing written
  EXPECT_EQ(Run({"convert", Path("bad.lx"), Path("out.lx"), "--ignore-errors"}), 0) << err;
  EXPECT_NE(err.find("Line 3:"), std::string::npos);
  EXPECT_NE(err.find("Line 4: Error reading L.SkipSpaces: Invalid property value"),
            std::string::npos);
  EXPECT_NE(Read(Path("out.lx")).find("LexerName = 'Bad'"), std::string::npos);
  EXPECT_EQ(Run({"lexers", Path("bad.lx")}), 1);
  EXPECT_EQ(Run({"lexers", Path("bad.lx"), "--ignore-errors"}), 0);
  EXPECT_NE(out.find("\"lexer_name\": \"Bad\""), std::string::npos);
}

TEST_F(LexerCmd, UnusableInputIsRefusedClearly) {
  Write(Path("junk"), "\x01\x02 not a stored form");
  EXPECT_EQ(Run({"convert", Path("junk"), Path("o")}), 1);
  EXPECT_NE(err.find("junk: Line 1:"), std::string::npos) << err;
  EXPECT_EQ(Run({"convert", Path("missing"), Path("o")}), 1);
  EXPECT_NE(err.find("cannot open"), std::string::npos) << err;
  Write(Path("form"), "object F: TForm\nend\n");
  EXPECT_EQ(Run({"convert", Path("form"), Path("o")}), 1);
  EXPECT_NE(err.find("is not a lexer, lexer library or style set"), std::string::npos) << err;
  EXPECT_EQ(Run({"lexers", Path("form")}), 1);
  EXPECT_NE(err.find("holds no lexer"), std::string::npos) << err;
  EXPECT_EQ(Run({"convert", Path("form")}), 2);  // usage
  EXPECT_EQ(Run({"lexers", Path("form"), "--bogus"}), 2);
}

}  // namespace
}  // namespace synt::tool
