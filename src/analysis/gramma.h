// The grammar of a lexer: its text, kept as lines, and the change callback the lexer installs so
// that it recompiles. The lexer stores it as "Gramma.Gramma".
//
//   lexer.Gramma()->SetGramma(u"Skip = <Comment>;\r\nClassDecl = <Identifier> '=' 'class';");
//   TParserRule* r = lexer.Gramma()->ParserRuleByName(u"classdecl");  // after CompileGramma
//
// Compile turns the text into rules. The rule objects, their matching over tokens and the compiler
// of the notation belong to the grammar analyzer, which builds on the tokenizer; this class holds
// what the lexer model needs: the text, its change callback and the compiled-rule lookup.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/persistent.h"

namespace synt {

class TStrings;
class TSyntMemoStrings;
class TParserRule;
class TParserBranchNode;
class TGrammaRules;
class TTokenHolder;

class TGrammaAnalyzer : public TPersistent {
  SYNT_CLASS_INFO()

 public:
  TGrammaAnalyzer();
  ~TGrammaAnalyzer() override;

  // The grammar text (lines joined by their breaks).
  std::u16string Gramma() const;
  void SetGramma(const std::u16string& Value);  // fires OnChange
  TSyntMemoStrings* Lines() const { return lines_.get(); }
  // Copies the text of another grammar.
  void Assign(const TPersistent* Source) override;

  // Rebuilds the compiled rules from the text with the given token type names.
  void Compile(const TStrings& TokenTypeNames);
  // The first top-level rule named Name without regard to case; none for an empty name.
  TParserRule* ParserRuleByName(std::u16string_view Name) const;
  // The compiled rules (gramma_rules.h): matching over a token list.
  const TGrammaRules& Rules() const { return *rules_; }
  TParserRule* Root() const;
  TParserRule* Skip() const;
  std::unique_ptr<TParserBranchNode> ParseRule(int TokenIdx, TParserRule* Rule,
                                               const TTokenHolder& Tokens) const;
  int TestRule(int TokenIdx, TParserRule* Rule, const TTokenHolder& Tokens) const;
  // How often Compile ran (the lexer recompiles on every change of the text or the type names).
  int CompileCount() const { return compileCount_; }

  std::function<void(TGrammaAnalyzer* Sender)> OnChange;

 private:
  std::unique_ptr<TSyntMemoStrings> lines_;
  std::unique_ptr<TGrammaRules> rules_;
  int compileCount_ = 0;
};

}  // namespace synt
