// Checks of a lexer definition for its author: what `synt lint` reports, and the part of it that
// every command reading a lexer reports as warnings (what loading could not make sense of).
//
//   for (const LintFinding& f : LintLexer(*lexer))
//     std::cout << FormatFinding(f) << '\n';   // "error: PascalAnalyzer.TokenRules[3] 'Key': ..."
#pragma once

#include <string>
#include <vector>

namespace synt {
class TSyntAnalyzer;
}

namespace synt::tool {

enum class LintSeverity { Error, Warning };

struct LintFinding {
  LintSeverity severity = LintSeverity::Error;
  std::string path;      // the item: "PascalAnalyzer.TokenRules[3] 'Keyword'"
  std::string property;  // "Expression", "" for the item as a whole
  std::string message;   // what is wrong and what to do
};

// What loading left unresolved or unusable: expressions that do not compile, names that name no
// item, names refused as duplicates, sub-lexer rules without a lexer.
std::vector<LintFinding> LoadFindings(TSyntAnalyzer& Lexer);

// LoadFindings and the checks of the definition as a whole: token rules an earlier rule always
// beats, block rules whose conditions can never hold, sub-lexer rules without an end, styles no
// rule uses, token types without a name.
std::vector<LintFinding> LintLexer(TSyntAnalyzer& Lexer);

// "error: PATH: PROPERTY: MESSAGE" (or "warning: ...").
std::string FormatFinding(const LintFinding& Finding);
// The JSON Lines form: {"severity", "path", "property", "message"}.
std::string FindingJson(const LintFinding& Finding);

}  // namespace synt::tool
