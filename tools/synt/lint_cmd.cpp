// synt lint --lexer FILE [--name LEXER] [--format text|json]
//   checks a lexer (without --name, every lexer of a library) and prints one finding per line:
//   "error: PATH: PROPERTY: MESSAGE" or "warning: ...", or with --format json one JSON line each
//   ({"severity", "path", "property", "message"}). Exit status 1 when there is an error.
#include <iostream>

#include "command.h"
#include "lexer_load.h"
#include "lint.h"

namespace synt::tool {
namespace {

int RunLint(const Args& args) {
  std::string format = "text";
  LexerChoice lexer;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (lexer.Take(args, i)) continue;
    if (a == "--format") {
      format = OptionValue(args, i);
    } else {
      throw UsageError("unexpected argument '" + a + "'");
    }
  }
  if (lexer.file.empty())
    throw UsageError("usage: synt lint --lexer FILE [--name LEXER] [--format F]");
  if (format != "text" && format != "json") throw UsageError("--format is text or json");
  LoadedLexer l = LoadLexer(lexer.file, lexer.Name(), "lint", false);
  std::vector<TSyntAnalyzer*> lexers;
  if (l.library && !lexer.hasName)
    for (int i = 0; i < l.library->LexerCount(); ++i) lexers.push_back(l.library->Lexers(i));
  else
    lexers.push_back(l.lexer);
  int errors = 0, warnings = 0;
  for (TSyntAnalyzer* lexer : lexers)
    for (const LintFinding& f : LintLexer(*lexer)) {
      (f.severity == LintSeverity::Error ? errors : warnings)++;
      std::cout << (format == "json" ? FindingJson(f) : FormatFinding(f)) << '\n';
    }
  if (errors || warnings)
    std::cerr << "synt lint: " << lexer.file << ": " << errors << " error(s), " << warnings
              << " warning(s)\n";
  return errors ? 1 : 0;
}

Command lint_cmd{"lint", "check a lexer for rules that cannot work and names that name nothing",
                 RunLint};

}  // namespace
}  // namespace synt::tool
